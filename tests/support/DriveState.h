#pragma once
// Every file of drive C: with its bytes and DOS attributes, but the program's own folder and the
// temporary folder: what "everything came back as it was" compares.
#include "platform/FileSystem.h"
#include "support/TempMachine.h"

#include <QDirIterator>
#include <QFile>
#include <QMap>

namespace testsupport {

struct FileState {
    QByteArray bytes;
    quint32 attrs = 0;
    bool operator==(const FileState&) const = default;
};

inline QMap<QString, FileState> driveCFiles(const TempMachine& tm)
{
    QMap<QString, FileState> files;
    const QString root = tm.hostC(QString());
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = it.next().mid(root.size());
        if (rel.startsWith(QStringLiteral("Program Files/Trelvo/"), Qt::CaseInsensitive) ||
            rel.startsWith(QStringLiteral("WINDOWS/TEMP/"), Qt::CaseInsensitive))
            continue;
        const QString win = QStringLiteral("C:\\") + QString(rel).replace(u'/', u'\\');
        files.insert(rel, {platform::fs::readAll(win), platform::fs::attributes(win)});
    }
    return files;
}

// Every file and folder of the machine's own folder (drives, records, machine.ini), by host
// path below it, with the bytes of each file: what "nothing was written anywhere" compares.
inline QMap<QString, QByteArray> hostTree(const TempMachine& tm)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(tm.dir(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        tree.insert(path.mid(tm.dir().size()), it.fileInfo().isDir() || !f.open(QIODevice::ReadOnly) ? QByteArray("<folder>") : f.readAll());
    }
    return tree;
}

} // namespace testsupport
