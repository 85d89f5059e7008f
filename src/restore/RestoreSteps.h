#pragma once
// The steps of one restore, shared by the Restore*.cpp files of this folder and used nowhere else.

#include "core/IniValues.h"
#include "core/ProgramState.h"
#include "platform/ZipArchive.h"
#include "restore/ArchivePlace.h"
#include "restore/Restore.h"
#include "restore/RestoreReq.h"
#include "vb/Controls.h"
#include "vb/Error.h"
#include "vb/Lists.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

namespace restore::steps {

extern const QString CR;
extern const std::array<QString, 9> kSuffix;

QString res(int number);
QString quoted(const QString& text);
vb::StatusBar& StatusBar();
vb::CommandButton& ExitButton();
vb::ListBox& FolderList();
void SetStatus(const QString& text);
bool Present(const QString& path);
bool FolderExists(QString path);
void ClearAttributesIn(const QString& folder);
QStringList WaitingForBoot();
void RemoveFilesBut(const QString& folder, const QStringList& keep);
bool UsableInCommandLine(const QString& path);

// The run stops early: thrown by a phase, caught by the run.
struct StopEarly {};

enum class Route { Copy, DeleteFirst, WithAttributes };

struct BootDriveFile {
    vb::CheckBox RestoreReqForm::*box;
    const char16_t* staged;   // below TempPath
    const char16_t* live;
    const char16_t* step;
    Route route;
};

// The nine files of the boot drive, in the order they are copied back.
const BootDriveFile kBootDriveFiles[] = {
    {&RestoreReqForm::Check1, u"trelvo\\autoexec.bat", u"C:\\autoexec.bat", u"Autoexec.bat", Route::Copy},
    {&RestoreReqForm::Check2, u"trelvo\\config.sys", u"C:\\config.sys", u"Config.sys", Route::Copy},
    {&RestoreReqForm::Check12, u"trelvo\\autoexec.dos", u"C:\\autoexec.dos", u"Autoexec.dos", Route::Copy},
    {&RestoreReqForm::Check13, u"trelvo\\config.dos", u"C:\\config.dos", u"Config.dos", Route::Copy},
    {&RestoreReqForm::Check4, u"trelvo\\msdos.sys", u"C:\\Msdos.sys", u"Msdos.sys", Route::WithAttributes},
    {&RestoreReqForm::Check14, u"trelvo\\dblspace.ini", u"C:\\dblspace.ini", u"dblspace.ini", Route::DeleteFirst},
    {&RestoreReqForm::Check15, u"trelvo\\drvspace.ini", u"C:\\drvspace.ini", u"drvspace.ini", Route::DeleteFirst},
    {&RestoreReqForm::Check16, u"trelvo\\drvspace.bin", u"C:\\drvspace.bin", u"drvspace.bin", Route::WithAttributes},
    {&RestoreReqForm::Check24, u"trelvo\\dblspace.bin", u"C:\\dblspace.bin", u"dblspace.bin", Route::WithAttributes},
};

// Why a chosen item was not restored: what the user reads; the error, the file it concerns
// and the step of the run it came up in (the error log names the step); whether it goes to
// the log at all (not what the user chose to pass over, nor what a box has told already).
struct Failure {
    Failure(QString why, int number, QString file, std::optional<QString> step = std::nullopt, bool logged = true)
        : why(std::move(why)), number(number), file(std::move(file)), step(std::move(step)), logged(logged)
    {
    }
    QString why;
    int number;
    QString file;
    std::optional<QString> step;   // unset: the step of the item it is recorded for
    bool logged;
};

// What became of one chosen item; `what` names it as the user knows it (a file's path).
struct Outcome {
    QString what;
    std::optional<Failure> failure;   // none: restored
};
Failure FileFailure(int number, const QString& file);

class RestoreRun {
public:
    void run();
    // The windows made inert for the run become usable again.
    void releaseWindows();

private:
    // Runs one statement; the error number when it fails.
    static std::optional<int> attempt(const std::function<void()>& statement)
    {
        try {
            statement();
            return std::nullopt;
        } catch (const vb::Error& e) {
            return e.Number();
        }
    }
    // The error trap: a failing statement costs one line in the error log, tagged with the
    // step under way (" Restore" alone before the first), and the run goes on. True when the
    // statement ran.
    bool trap(const std::function<void()>& statement)
    {
        const std::optional<int> error = attempt(statement);
        if (error)
            logError(*error);
        return !error;
    }
    void logError(int number) const { core::ErrorLog(number, CurrentStep + QStringLiteral(" Restore")); }

    void restored(const QString& what) { outcomes_.append({what, std::nullopt}); }
    void notRestored(const QString& what, Failure failure)
    {
        if (!failure.step)
            failure.step = CurrentStep;
        outcomes_.append({what, std::move(failure)});
    }
    Failure missingArchive(int position) const;
    void logFailures();
    QString finalMessage() const;

    bool anySystemItemChosen() const;
    bool anyUserFileSelected() const;
    bool groupChosen(int position) const;
    void buildArchiveTable();
    QString archivePath(int position) const { return StripEnds(quotedName[position]); }
    bool askIfMissing(int position, int sentence);
    std::optional<Failure> unzip(const QString& commandLine, int position, bool eachFileOnItsOwn);
    std::optional<Failure> unzipOutcome(const QString& commandLine, int position, bool eachFileOnItsOwn);
    const QList<platform::zip::ZipEntry>* entriesOf(int position);
    Failure unreadable(int position) const { return {res(2122) + archivePath(position), 57, archivePath(position), CurrentStep}; }
    std::optional<Failure> unpack(const QString& options, int position, const SortedEntries& sorted, const QString& root,
                                  bool eachFileOnItsOwn);
    void nameRefused(int position, const SortedEntries& sorted);
    std::optional<Failure> unpackSystemFiles(const QString& root);
    std::optional<Failure> unpackUserFiles(const QString& root);
    bool unpackedWithLeftOut(const SortedEntries& sorted, const QString& root);
    std::optional<Failure> unzipInPlace(const QString& options, int position, const QList<Spot>& place,
                                        const std::function<bool(int)>& spotWanted, const QString& root);
    void removeStaged(const QString& path);
    std::optional<int> copyOver(const QString& staged, const QString& live, bool* moved = nullptr);

    void enterBusyState();
    void prepareWorkFolder();
    void floppyPhase();
    void systemFiles();
    void listForBootTimeRename();
    std::optional<int> replaceWhole(const QString& staged, const QString& live, Route route);
    void userFiles();
    void makeFoldersOf(const QString& path);
    void startMenuAndUserData();
    void netscape();
    void stopEarly();
    void finish();

    core::ProgramState& s = core::state();
    RestoreReqForm& req = RestoreReq();
    QString CurrentStep;
    bool RestartNeeded = false;
    QString keptSaveFolder;               // SaveFolder while the floppy phase points it at DiskRestoreFolder
    QList<QPointer<vb::Form>> inert;      // windows disabled while the run is busy
    QPointer<QWidget> inertPages;         // and the main window's pages
    QStringList waitingForBoot;           // copies in the work folder an earlier run listed for the restart
    QStringList earlierCopies;            // of those, chosen ones this configuration's archive does not hold
    std::array<QString, 9> plainName;     // positions 1..8
    std::array<QString, 9> quotedName;
    // The entries of each archive, read from its directory once per run (none: unreadable).
    std::array<std::optional<std::optional<QList<platform::zip::ZipEntry>>>, 9> directories_;
    std::array<bool, 9> refusalsNamed_{};  // an archive's entries outside its place are named once
    QList<Outcome> outcomes_;             // one per chosen item, in the order they were restored
};

} // namespace restore::steps
