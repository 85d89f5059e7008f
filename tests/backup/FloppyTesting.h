#pragma once
// Floppies for the backup tests: disks made, filled and inserted on the test machine.
#include "platform/FileSystem.h"
#include "platform/Machine.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QRandomGenerator>

namespace backuptest {

// A formatted disk named `name` in drive A:, holding `files` (name on the disk, bytes).
inline void makeDisk(const QString& name, const QList<QPair<QString, QByteArray>>& files = {},
                     const QString& size = QStringLiteral("1.44M"), const QString& label = {})
{
    platform::Machine& m = platform::Machine::current();
    m.createDisk(name, platform::DiskFormat::byName(size), true, label);
    m.insertDisk(name);
    for (const auto& [file, bytes] : files)
        platform::fs::writeAll(QStringLiteral("A:\\") + file, bytes);
}

inline void insert(const QString& name) { platform::Machine::current().insertDisk(name); }

// Bytes that no two tests share by accident.
inline QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(gen.generate() & 0xFF);
    return bytes;
}

} // namespace backuptest
