#pragma once
// The steps of one save, shared by the Save*.cpp files of this folder and used nowhere else.

#include "catalogue/ConfigItems.h"
#include "core/ProgramState.h"
#include "vb/Controls.h"
#include "vb/Error.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

namespace backup::steps {

extern const QString kForm1;
extern const QString kUserFiles;

QString text(int number);
QString quoted(const QString& path);
QString reasonFor(int number);
QString fileErrorReason(int number);
QString namedBy(const QString& status);
vb::CheckBox& form1Box(const char16_t* name);
vb::CheckBox& userBox(const char16_t* name);
bool tickedAndEnabled(const vb::CheckBox& box);
int itemIndex(const QString& form, const QString& box);
bool folderExists(const QString& folder);
void deleteFile(const QString& path);
void removeTree(const QString& folder);
vb::Form* shownAutoKeepWindow();
void showRunStatus(const QString& status);
void showProgress(int value);

// The system files, in the order they are staged: their box on Form1, the name the user
// knows them by, whether they live in the Windows folder (else on C:\), and the file name,
// which is also their name in the staging folder.
struct SystemFile {
    const char16_t* box;
    const char16_t* name;
    bool windowsFolder;
    const char16_t* file;
};
constexpr SystemFile kSystemFiles[] = {
    {u"Check8", u"Autoexec.bat", false, u"autoexec.bat"}, {u"Check13", u"Autoexec.dos", false, u"autoexec.dos"},
    {u"Check9", u"Config.sys", false, u"config.sys"},     {u"Check14", u"Config.dos", false, u"config.dos"},
    {u"Check10", u"Msdos.sys", false, u"msdos.sys"},      {u"Check3", u"System.ini", true, u"system.ini"},
    {u"Check5", u"Protocol.ini", true, u"protocol.ini"},  {u"Check4", u"Control.ini", true, u"control.ini"},
    {u"Check6", u"User.dat", true, u"user.dat"},          {u"Check7", u"System.dat", true, u"system.dat"},
    {u"Check2", u"Win.ini", true, u"win.ini"},            {u"Check15", u"dblspace.ini", false, u"dblspace.ini"},
    {u"Check16", u"drvspace.ini", false, u"drvspace.ini"}, {u"Check17", u"drvspace.bin", false, u"drvspace.bin"},
    {u"Check12", u"dblspace.bin", false, u"dblspace.bin"},
};

// The runs of the browser and mail data, in order: the box of the user-file window, whether
// the run takes place, whether it is chosen but its folder unknown (the registry did not
// give it, and the box stayed as the settings have it), the archive, the zip options, what
// is packed and the status text.
struct DataRun {
    const char16_t* box;
    bool wanted;
    bool folderUnknown;
    const char16_t* suffix;
    const char16_t* options;
    QString source;
    const char16_t* status;
};
std::array<DataRun, 7> browserAndMailRuns();
bool startMenuFolderUnknown();

// One save, from the destination checks to the completion message.
class SaveRun {
public:
    void run();

private:
    // The three ways a failing statement is handled while the save runs.
    void withHandler1(const std::function<void()>& statement);
    std::optional<int> withHandler2(const std::function<void()>& statement);
    bool tellDiskFull();
    enum class UserFileAnswer { Remove, Skip, Stop };
    UserFileAnswer askAboutUserFile(const vb::Error& e);

    bool checkDestination();
    bool floppyTakesFiles(const QString& root);
    bool writeToFloppy(const QString& file, const std::function<void()>& write);
    void leaveOut(const QString& archive, const QString& suffix);
    void enterBusyState();
    void deleteOldConfiguration();
    void stampSlot();
    void prepareStaging();
    void stageSystemFiles();
    bool stageUserFiles();
    QString stagedPathFor(const QString& item, QString& key);
    void makeStagingFolders(const QString& staged);
    void runBrowserAndMailArchives();
    bool zipRun(int progress, const QString& suffix, const QString& options, const QString& source, const QString& status);
    QString zipFailure_;         // why the last zip run made no archive
    QHash<QString, QStringList> archiveHolds_;   // by suffix: what each archive made holds, as the user knows it
    void spreadOverFloppies();
    void writeDescription();
    void descriptionNotWritten(int number);
    void copyDescriptionBesideArchives();
    void leaveEarly();
    void stopShowingProgress();
    void readyForTheNext();
    void freeTheSlot();
    bool anythingSaved() const;
    void giveUp();
    void tellTheEnd(bool nothingSaved = false);
    void finish();

    QString archivePath(const QString& suffix) const { return archiveFolder_ + QStringLiteral("Conf") + n_ + suffix; }
    QString stagingFolder() const { return core::state().TempPath + QStringLiteral("trelvo"); }
    void notSaved(const QString& what, const QString& why = {});
    void markSaved(int item, bool saved);

    core::ProgramState& s = core::state();
    QString n_;                  // the slot number in names
    QString archiveFolder_;      // where the archives are built
    QString currentItem_;        // what is being worked on, for the error log and messages
    std::array<bool, catalogue::ConfigItems.size()> saved_{};
    QList<QPair<QString, QString>> notSaved_;   // what the user is told was not saved, and why
    QStringList leftOut_;        // what is not on the floppies and so no part of the configuration
    QStringList removedFromList_;     // user files gone from the disk, taken off the list
    bool descriptionKept_ = false;    // the description files could not go beside the archives
    bool floppiesGivenUp_ = false;    // Cancel after a floppy fault: nothing more goes onto the floppies
    bool userFilesLost_ = false;      // the user-files archive is no part of the configuration
    bool userListNotEmpty_ = false; // the user-files archive is made
    bool userFilesWanted_ = false;  // some user file was to go into it
    bool userFilesArchived_ = false;  // and its archive was made
    bool descriptionFailed_ = false;  // Config<n>.ini (or its list) could not be written whole
    bool diskFullTold_ = false;       // the user has been told once that the disk is full
    QSet<QString> stagedUserPaths_;   // staged paths taken, case-folded
    QSet<QString> madeFolders_;       // staging folders made, case-folded
};

} // namespace backup::steps
