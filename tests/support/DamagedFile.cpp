#include "support/DamagedFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace testsupport {

const char* damageName(Damage damage)
{
    switch (damage) {
    case Damage::Truncated: return "Truncated";
    case Damage::Garbage: return "Garbage";
    case Damage::LongLine: return "LongLine";
    case Damage::CrOnly: return "CrOnly";
    case Damage::Empty: return "Empty";
    case Damage::Folder: return "Folder";
    case Damage::DanglingLink: return "DanglingLink";
    }
    return "?";
}

void damageFile(const QString& hostPath, Damage damage)
{
    QByteArray bytes;
    {
        QFile f(hostPath);
        if (f.open(QIODevice::ReadOnly))
            bytes = f.readAll();
    }
    QFile::remove(hostPath);
    QDir(hostPath).removeRecursively();
    switch (damage) {
    case Damage::Folder:
        ASSERT_TRUE(QDir().mkpath(hostPath)) << hostPath.toStdString();
        return;
    case Damage::DanglingLink:
        ASSERT_TRUE(QFile::link(hostPath + QStringLiteral(".gone"), hostPath)) << hostPath.toStdString();
        return;
    case Damage::Truncated: {
        qsizetype cut = bytes.size() / 2;
        while (cut > 1 && (bytes[cut - 1] == '\n' || bytes[cut - 1] == '\r'))
            --cut;
        bytes.truncate(cut);
        break;
    }
    case Damage::Garbage: {
        QByteArray noise(qMax<qsizetype>(4096, bytes.size()) / 4 * 4, '\0');
        QRandomGenerator(27).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        bytes = noise;
        break;
    }
    case Damage::LongLine:
        bytes = QByteArray(1 << 20, 'x');
        break;
    case Damage::CrOnly:
        bytes.replace("\r\n", "\r").replace('\n', '\r');
        break;
    case Damage::Empty:
        bytes.clear();
        break;
    }
    writeHostFile(hostPath, bytes);
}

QList<ListDamage> listFileDamages(bool emptyIsDamage)
{
    QList<ListDamage> rows;
    for (Damage d : {Damage::Folder, Damage::DanglingLink, Damage::LongLine})
        rows.append({damageName(d), d == Damage::LongLine, [d](const QString& p) { damageFile(p, d); }});
    rows.append({"NoCountLine", true, [](const QString& p) { writeHostFile(p, "C:\\AUTOEXEC.BAT\r\nC:\\CONFIG.SYS\r\n\r\n"); }});
    if (emptyIsDamage)
        rows.append({damageName(Damage::Empty), true, [](const QString& p) { damageFile(p, Damage::Empty); }});
    return rows;
}

void writeHostFile(const QString& hostPath, const QByteArray& bytes)
{
    QFile f(hostPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << hostPath.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace testsupport
