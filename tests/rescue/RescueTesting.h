#pragma once
// The rescue wizard on the test machine: the program's start-up state (system paths and a
// written trelvo.ini), the blank formatted floppy of the machine in drive A:, and what the
// wizard left on the floppies, in the program folder and in the error log, read back.
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "platform/ZipArchive.h"
#include "rescue/Wizzard.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Screen.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace rescuetest {

namespace fs = platform::fs;

inline const QString kProgramFolder = QStringLiteral("C:\\Program Files\\Trelvo");
inline const QString kArchive = kProgramFolder + QStringLiteral("\\Configd.tva");

// One line of Error.log: the error's text and the tag after the date.
struct LogLine {
    QString error;
    QString tag;
    bool operator==(const LogLine&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const LogLine& l)
{
    return os << '{' << l.error.toStdString() << " | " << l.tag.toStdString() << '}';
}

// The Autoexec.bat of both rescue disks, byte for byte.
inline const QByteArray kAutoexec = "@Echo Off\r\nCLS\r\nEcho Starting Trelvo 2.0\r\nEcho Disaster Recovery...\r\nEcho.\r\n"
                                    "Echo Please insert now [RESCUE DISK No.2]!\r\nEcho.\r\nPause\r\nCLS\r\na:\\RescDos.exe\r\n";

class RescueTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        ui = &testsupport::ScriptedUi::install();
        core::ReadSystemPaths();
        core::LoadSettings();
        vb::ResumeNext([] { fs::removeFile(QStringLiteral("C:\\Program Files\\Trelvo\\Error.log")); });
    }
    void TearDown() override { vb::Screen::setMousePointer(0); }

    static rescue::WizzardForm& wizard() { return rescue::Wizzard(); }
    static platform::Machine& machine() { return platform::Machine::current(); }

    // A blank formatted 1.44 MB disk on the shelf, not inserted.
    static void blankDisk(const QString& name)
    {
        machine().createDisk(name, platform::DiskFormat::byName(QStringLiteral("1.44M")), true);
    }
    static void insert(const QString& name) { machine().insertDisk(name); }

    static QString label(const QString& disk) { return machine().diskVolume(disk)->label(); }
    // Names of the files on a disk, sorted, as stored.
    static QStringList filesOn(const QString& disk) { return machine().listDir(machine().diskFolder(disk)); }
    static QByteArray onDisk(const QString& disk, const QString& file)
    {
        QFile f(machine().diskFolder(disk) + u'/' + machine().findInDir(machine().diskFolder(disk), file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static quint32 attributesOn(const QString& disk, const QString& file)
    {
        return machine().diskVolume(disk)->attributes(machine().findInDir(machine().diskFolder(disk), file), false);
    }

    static QStringList archiveEntries(const QString& hostPath)
    {
        return platform::zip::entryNames(hostPath).value_or(QStringList{QStringLiteral("<no archive>")});
    }
    static QByteArray entryBytes(const QString& hostPath, const QString& entry)
    {
        QProcess unzip;
        unzip.start(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-p"), hostPath, entry});
        unzip.waitForFinished(60000);
        return unzip.readAllStandardOutput();
    }
    static QString hostOf(const QString& winPath) { return machine().resolve(winPath).host(); }

    QList<LogLine> errorLog() const
    {
        static const QRegularExpression line(QStringLiteral("^(.*)\\d\\d-\\d\\d-\\d{4}(.*)$"));
        QList<LogLine> lines;
        const QString text = QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log")));
        for (const QString& l : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch m = line.match(l);
            lines.append(m.hasMatch() ? LogLine{m.captured(1), m.captured(2)} : LogLine{l, {}});
        }
        return lines;
    }

    // The texts of the boxes shown so far, with their line breaks.
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const auto& box : ui->shown())
            texts << box.prompt;
        return texts;
    }

    testsupport::ScriptedUi* ui = nullptr;
};

} // namespace rescuetest
