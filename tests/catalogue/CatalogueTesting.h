#pragma once
// What the description tests share: a machine with a scripted user who also records the
// exact message-box requests, files written on drive C: in the machine's text form, and the
// state of the restore-choice window read back box by box.
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/DateTime.h"
#include "vb/UiServices.h"

#include <QStringList>

namespace cataloguetest {

// The scripted double, keeping every message-box request as it was made (buttons, icon and
// default button included).
class RecordingUi : public testsupport::ScriptedUi {
public:
    QList<vb::MessageBoxRequest> requests;
    int MsgBox(const vb::MessageBoxRequest& request) override
    {
        requests << request;
        return ScriptedUi::MsgBox(request);
    }
};

// The restore-side boxes in window order; there is no Check17.
inline const QStringList kRestoreBoxes = {
    "Check1",  "Check2",  "Check3",  "Check4",  "Check5",  "Check6",  "Check7",  "Check8",
    "Check9",  "Check10", "Check11", "Check12", "Check13", "Check14", "Check15", "Check16",
    "Check18", "Check19", "Check20", "Check21", "Check22", "Check23", "Check24"};

// A description file as a save writes it, every item available and none saved unless said.
struct DescriptionFile {
    QString name = QStringLiteral("Weekly");
    QString systemPath = QStringLiteral("C:\\WINDOWS");
    QString saveFolder = QStringLiteral("C:\\Backup\\");   // null: no SaveFolder key
    QStringList saved;         // keys saved ("1")
    QStringList unavailable;   // keys written "False"
    QString favorites = QStringLiteral("C:\\WINDOWS\\Favorites\\");
    QString netscape = QStringLiteral("C:\\Program Files\\Netscape\\Users\\default");
    QString startMenu = QStringLiteral("C:\\WINDOWS\\Start Menu\\");
    QStringList splitLog;      // lines of a [SplitLog] section in front
    QStringList userKeys;      // lines added to [UserFiles] (UserFile0=...)

    QStringList lines() const
    {
        static const QStringList system = {"Autoexec.bat", "Config.sys",   "Control.ini", "Msdos.sys",
                                           "Protocol.ini", "System.dat",   "System.ini",  "User.dat",
                                           "Win.ini",      "Autoexec.dos", "Config.dos",  "Dblspace.ini",
                                           "Drvspace.ini", "Drvspace.bin", "Startmenue",  "Dblspace.bin"};
        static const QStringList user = {"NSCBookmark", "MSEFavorites", "MSEAdressbook", "MSECookies",
                                         "MSEMailbox",  "NSCCookies",   "NSCMail"};
        const auto flags = [&](const QStringList& keys, bool savedFlags) {
            QStringList out;
            for (const QString& k : keys)
                out << k + u'=' + (savedFlags ? (saved.contains(k) ? "1" : "0") : (unavailable.contains(k) ? "False" : "True"));
            return out;
        };
        QStringList out;
        if (!splitLog.isEmpty())
            out << "[SplitLog]" << splitLog;
        out << "[Configuration]" << "ConfigName=" + name << "[SystemFiles]" << "SystemPath=" + systemPath;
        if (!saveFolder.isNull())
            out << "SaveFolder=" + saveFolder;
        out << flags(system, false) << "[SystemFilesSaved]" << flags(system, true);
        out << "[UserFilesSaved]" << flags(user, true) << "[UserFiles]" << flags(user, false);
        out << "PathFavorites=" + favorites << "PathNetscape=" + netscape << "PathStartmenue=" + startMenu << userKeys;
        return out;
    }
};

class CatalogueTest : public testsupport::MachineTest {
protected:
    CatalogueTest()
    {
        auto owned = std::make_unique<RecordingUi>();
        ui = owned.get();
        vb::setUi(std::move(owned));
        vb::SetClockForTesting(QDateTime(QDate(1999, 5, 17), QTime(14, 5, 33)));
    }
    // Left-over expectations are reported while the test still runs.
    void TearDown() override
    {
        vb::setUi(nullptr);
        vb::SetClockForTesting(std::nullopt);
    }

    // A text file on drive C: ("Program Files/Trelvo/Config1.ini"), lines joined by CR LF.
    void writeLines(const QString& rel, const QStringList& lines) const
    {
        tm.writeC(rel, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    }
    QByteArray errorLog() const { return tm.readC(QStringLiteral("Program Files/Trelvo/Error.log")); }

    static vb::CheckBox& restoreBox(const QString& name) { return core::CheckBoxOf(QStringLiteral("RestoreReq"), name); }
    // The restore boxes that are enabled (the items held) and those that are ticked.
    static QStringList held()
    {
        QStringList out;
        for (const QString& name : kRestoreBoxes)
            if (restoreBox(name).Enabled())
                out << name;
        return out;
    }
    static QStringList ticked()
    {
        QStringList out;
        for (const QString& name : kRestoreBoxes)
            if (restoreBox(name).Value() != 0)
                out << name;
        return out;
    }
    static QStringList restoreList()
    {
        const vb::ListBox& list = core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1"));
        QStringList out;
        for (int i = 0; i < list.ListCount(); ++i)
            out << list.List(i);
        return out;
    }
    // What an earlier load left: every box held and ticked, two user files, a [SplitLog].
    static void fillAsAnEarlierLoad();

    RecordingUi* ui = nullptr;
};

inline void CatalogueTest::fillAsAnEarlierLoad()
{
    for (const QString& name : kRestoreBoxes) {
        restoreBox(name).setEnabled(true);
        restoreBox(name).setValue(1);
    }
    auto& list = core::ListBoxOf(QStringLiteral("RestoreReq"), QStringLiteral("List1"));
    list.AddItem(QStringLiteral("c:\\old\\one.txt"));
    list.AddItem(QStringLiteral("c:\\old\\two.txt"));
    core::ProgramState& s = core::state();
    s.SplitArchive[1] = QStringLiteral("C:\\Program Files\\Trelvo\\Conf9.tva");
    s.SplitPieces[1] = 4;
    s.DiskNo = 3;
    s.DiskRestoreFolder = QStringLiteral("C:\\Program Files\\Trelvo\\DiskRestore\\");
}

} // namespace cataloguetest
