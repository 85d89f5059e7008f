#include "support/HostileArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace testsupport {

void addEntries(const QString& hostArchive, const QList<QPair<QString, QByteArray>>& entries)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    QStringList args{QStringLiteral("-q"), QStringLiteral("-g"), QFileInfo(hostArchive).absoluteFilePath()};
    for (const auto& [name, bytes] : entries) {
        const QString path = scratch.filePath(name);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path())) << name.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << name.toStdString();
        args << name;
    }
    QProcess zip;
    zip.setWorkingDirectory(scratch.path());
    zip.setProcessChannelMode(QProcess::MergedChannels);
    zip.start(QStringLiteral("zip"), args);
    ASSERT_TRUE(zip.waitForFinished(60000));
    ASSERT_EQ(zip.exitCode(), 0) << zip.readAll().toStdString();
}

} // namespace testsupport
