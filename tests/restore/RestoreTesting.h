#pragma once
// What the restore tests share: a started program on a fresh demo machine (the folders
// probed, the slots read), archives made as the save makes them (the real zip, run with
// the save's own command lines), the choice in the restore-choice window, and the files
// of drive C: taken as a whole to compare before and after.
#include "support/DriveState.h"
#include "backup/Save.h"
#include "catalogue/ConfigItems.h"
#include "core/Exit.h"
#include "core/IniValues.h"
#include "core/Messages.h"
#include "core/ProgramState.h"
#include "core/Shell.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/Boot.h"
#include "platform/FileSystem.h"
#include "restore/Restore.h"
#include "restore/RestoreReq.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/FileIO.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>

namespace restoretest {

namespace fs = platform::fs;
using core::state;

inline const QString kProgram = QStringLiteral("C:\\Program Files\\Trelvo\\");
inline const QString kWork = QStringLiteral("C:\\WINDOWS\\TEMP\\trelvo\\");
inline const QString kNetscape = QStringLiteral("C:\\Program Files\\Netscape\\Users\\owner");
inline const QString kLetter = QStringLiteral("C:\\My Documents\\Letter to Anna.txt");
inline const QString kBudget = QStringLiteral("C:\\My Documents\\Budget 1999.csv");

inline const QString kQuestion = QStringLiteral("Your system will be restarted after the Restore Process.");
inline const QString kRestored = QStringLiteral("Files successfully restored");
inline const QString kNothing = QStringLiteral("Nothing restored or a error occurred while restoring.");
inline const QString kNotAll = QStringLiteral("Not all files were restored!");

// The system files of the save: the box of RestoreReq, the live file and its staged name.
struct SystemFile {
    const char* box;
    QString live;
    QString staged;
};
inline const QList<SystemFile> kSystemFiles = {
    {"Check1", "C:\\autoexec.bat", "autoexec.bat"},        {"Check12", "C:\\autoexec.dos", "autoexec.dos"},
    {"Check2", "C:\\config.sys", "config.sys"},            {"Check13", "C:\\config.dos", "config.dos"},
    {"Check4", "C:\\msdos.sys", "msdos.sys"},              {"Check7", "C:\\WINDOWS\\system.ini", "system.ini"},
    {"Check5", "C:\\WINDOWS\\protocol.ini", "protocol.ini"}, {"Check3", "C:\\WINDOWS\\control.ini", "control.ini"},
    {"Check8", "C:\\WINDOWS\\user.dat", "user.dat"},      {"Check6", "C:\\WINDOWS\\system.dat", "system.dat"},
    {"Check9", "C:\\WINDOWS\\win.ini", "win.ini"},         {"Check14", "C:\\dblspace.ini", "dblspace.ini"},
    {"Check15", "C:\\drvspace.ini", "drvspace.ini"},       {"Check16", "C:\\drvspace.bin", "drvspace.bin"},
    {"Check24", "C:\\dblspace.bin", "dblspace.bin"},
};

// What a save put into the slot's archives.
struct Saved {
    QStringList systemBoxes = {};   // boxes of kSystemFiles whose files are staged and packed
    QStringList userFiles = {};     // the user-file list
    bool startMenu = false, addressBook = false, favorites = false, cookies = false, mail = false;
    bool netscapeBookmark = false, netscapeCookies = false, netscapeMail = false;

    static Saved everything()
    {
        Saved s;
        for (const SystemFile& f : kSystemFiles)
            s.systemBoxes << QString::fromLatin1(f.box);
        s.userFiles = {kLetter, kBudget};
        s.startMenu = s.addressBook = s.favorites = s.cookies = s.mail = true;
        s.netscapeBookmark = s.netscapeCookies = s.netscapeMail = true;
        return s;
    }
};

using testsupport::FileState;

class RestoreTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        ui = &testsupport::ScriptedUi::install();
        // What the start-up leaves: the folders probed, the slots read, the program folder current.
        core::ReadSystemPaths();
        state().ConfigDescription.fill(QStringLiteral("available"));
        state().ConfigDescription[0] = QStringLiteral("Weekly");
        state().ConfigDate.fill(QStringLiteral("00/00/0000"));
        state().ConfigTime.fill(QStringLiteral("00:00"));
        state().Compression = QStringLiteral("1");
        state().SaveFolder = kProgram;
        state().SelectedConfig = 0;
        core::MakeProgramFolderCurrent();
        restore::RestoreReq();
    }
    void TearDown() override
    {
        vb::Screen::setMousePointer(0);
        testsupport::ScriptedUi::uninstall();
    }

    // ---- the save --------------------------------------------------------------------

    static void zip(const QString& options, const QString& archive, const QString& source)
    {
        state().ZipCommand = QStringLiteral("zip.exe -") + state().Compression.trimmed() + options + archive + u' ' + source;
        state().ShellCommand = state().ZipCommand;
        core::ShellAndWait(state().ShellCommand);
        ASSERT_TRUE(core::LastExitCode() == 0 || core::LastExitCode() == 12) << state().ZipCommand.toStdString();
    }

    static QString quotedArchive(const QString& folder, const QString& suffix)
    {
        return u'"' + folder + QStringLiteral("Conf") + QString::number(state().SelectedConfig + 1) + suffix + u'"';
    }

    // Stages and packs as the save does, into `folder`, then clears the staging folder.
    void save(const Saved& what, const QString& folder = kProgram)
    {
        core::ProgramState& s = state();
        const QString work = s.TempPath + QStringLiteral("trelvo\\");
        vb::MkDir(work);
        for (const SystemFile& f : kSystemFiles)
            if (what.systemBoxes.contains(QString::fromLatin1(f.box)))
                vb::FileCopy(f.live, work + f.staged);
        if (what.startMenu)
            zip(QStringLiteral("qurS "), quotedArchive(folder, QStringLiteral("s.tva")), u'"' + s.PathStartmenue + QStringLiteral("*.*\""));
        zip(QStringLiteral("gqoruS "), quotedArchive(folder, QStringLiteral(".tva")), s.TempPath + QStringLiteral("trelvo\\*.*"));
        if (!what.userFiles.isEmpty()) {
            const QString userIni = work + QStringLiteral("User\\User.ini");
            for (const QString& file : what.userFiles) {
                const QString staged = work + QStringLiteral("User\\") + file.mid(3);
                makeFoldersFor(staged);
                vb::FileCopy(file, staged);
                core::WriteIni(QStringLiteral("UserFilesSaved"), file, staged, userIni);
            }
            zip(QStringLiteral("gqorumS "), quotedArchive(folder, QStringLiteral("us.tva")),
                u'"' + s.TempPath + QStringLiteral("trelvo\\User\\*.*\""));
        }
        if (what.addressBook)
            zip(QStringLiteral("q "), quotedArchive(folder, QStringLiteral("ma.tva")), u'"' + s.AddressBookFile + u'"');
        if (what.favorites)
            zip(QStringLiteral("qurS "), quotedArchive(folder, QStringLiteral("mb.tva")), u'"' + s.PathFavorites + QStringLiteral("*.*\""));
        if (what.cookies)
            zip(QStringLiteral("qurgS "), quotedArchive(folder, QStringLiteral("mc.tva")), u'"' + s.IECookiesFolder + QStringLiteral("*.*\""));
        if (what.mail)
            zip(QStringLiteral("qurgS "), quotedArchive(folder, QStringLiteral("mx.tva")),
                u'"' + s.OutlookExpressFolder + QStringLiteral("*.*\""));
        const QString netscape = quotedArchive(folder, QStringLiteral("na.tva"));
        if (what.netscapeBookmark)
            zip(QStringLiteral("qgurS "), netscape, u'"' + s.PathNetscape + QStringLiteral("\\Bookmark.htm\""));
        if (what.netscapeCookies)
            zip(QStringLiteral("qgurS "), netscape, u'"' + s.PathNetscape + QStringLiteral("\\Cookies.txt\""));
        if (what.netscapeMail)
            zip(QStringLiteral("qgurS "), netscape, u'"' + s.PathNetscape + QStringLiteral("\\Mail\\*.*\""));
        // The next restore starts from an empty temporary folder, as after a clean save.
        QDir(tm.hostC(QStringLiteral("WINDOWS/TEMP/trelvo"))).removeRecursively();
        tm.machine().forgetDir(tm.hostC(QStringLiteral("WINDOWS/TEMP")));
        core::MakeProgramFolderCurrent();
    }

    // The program's own save into slot 1 "Weekly" of `folder`: everything selected on the
    // Options page and in the user-file window, the letter and the budget listed.
    void saveEverythingWithTheSave(const QString& folder)
    {
        for (const catalogue::ConfigItem& item : catalogue::ConfigItems) {
            item.SaveCheckBox().setEnabled(true);
            item.SaveCheckBox().setValue(1);
        }
        fs::writeAll(kProgram + QStringLiteral("trelvo.usr"), QStringLiteral(" 2\r\n%1\r\n%2\r\n").arg(kLetter, kBudget).toLatin1());
        if (!fs::isDirectory(folder.chopped(1)))
            vb::MkDir(folder.chopped(1));
        core::ProgramState& s = state();
        s.SelectedConfig = 0;
        s.SaveDescription = QStringLiteral("Weekly");
        s.ConfigIniPath = kProgram + QStringLiteral("Config1.ini");
        s.SaveFolder = folder;
        ui->expect(QStringLiteral("Configuration saved successfull!"), QStringLiteral("OK"));
        backup::Save();
        ASSERT_TRUE(s.SaveDone);
    }

    static void makeFoldersFor(const QString& path)
    {
        for (int p = 4; p <= path.size(); ++p)
            if (path[p - 1] == u'\\' && !fs::isDirectory(path.left(p)))
                vb::MkDir(path.left(p));
    }

    // ---- the choice and the run ---------------------------------------------------------

    static restore::RestoreReqForm& req() { return restore::RestoreReq(); }

    // Ticks the boxes (enabled first, as the loader leaves a saved item).
    static void choose(const QStringList& boxes)
    {
        for (const QString& name : boxes) {
            vb::CheckBox& box = core::CheckBoxOf(QStringLiteral("RestoreReq"), name);
            box.setEnabled(true);
            box.setValue(1);
        }
    }
    static void chooseAllSystemFiles()
    {
        for (const SystemFile& f : kSystemFiles)
            choose({QString::fromLatin1(f.box)});
    }
    // The user-file list of the configuration, the entries in `selected` chosen.
    static void listUserFiles(const QStringList& entries, const QStringList& selected)
    {
        req().List1.Clear();
        for (const QString& e : entries)
            req().List1.AddItem(e);
        for (int i = 0; i < req().List1.ListCount(); ++i)
            req().List1.setSelected(i, selected.contains(req().List1.List(i)));
    }

    // As the OK button runs it: inside an event handler.
    static void runRestore()
    {
        vb::runEventHandler([] { restore::Restore(); });
    }

    // The close the restart notice performs once the program is idle; then the emulated boot.
    static void closeAndBoot()
    {
        EXPECT_THROW(restore::CloseForRestart(), testsupport::ProcessEnded);
        EXPECT_TRUE(platform::bootIfRestartPending());
    }

    // ---- the machine --------------------------------------------------------------------

    static QByteArray read(const QString& win) { return fs::exists(win) ? fs::readAll(win) : QByteArray(); }
    static void write(const QString& win, const QByteArray& bytes)
    {
        if (fs::exists(win))
            fs::setAttributes(win, platform::AttrArchive);
        fs::writeAll(win, bytes);
    }
    static quint32 attrs(const QString& win) { return fs::attributes(win); }

    QMap<QString, testsupport::FileState> driveC() const { return testsupport::driveCFiles(tm); }

    QStringList errorLog() const
    {
        return QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log")))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    // The tag of each line of the error log: what follows the error's text and the date.
    QStringList logTags() const
    {
        static const QRegularExpression date(QStringLiteral("\\d\\d-\\d\\d-\\d\\d\\d\\d"));
        QStringList tags;
        for (const QString& line : errorLog()) {
            const QRegularExpressionMatch m = date.match(line);
            tags << (m.hasMatch() ? line.mid(m.capturedEnd()) : line);
        }
        return tags;
    }

    // The texts of the message boxes shown so far.
    QStringList boxes() const
    {
        QStringList out;
        for (const auto& shown : ui->shown())
            out << shown.prompt;
        return out;
    }

    testsupport::ScriptedUi* ui = nullptr;
};

} // namespace restoretest
