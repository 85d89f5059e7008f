#pragma once
// Everything the programs ask of the user or of the desktop goes through one injectable
// service: message boxes, the input box, file and folder dialogs (browsing the machine's
// drives and answering Windows paths), the floppy format dialog, help, beep and the end of
// the process. The Qt implementation shows real dialogs; a scripted one answers from a
// list (TRELVO_UI_SCRIPT for unattended runs, tests/support for tests).
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace vb {

class Form;

// MsgBox button sets, icons, default buttons and results, with their usual numbers.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
    vbSystemModal = 4096,
    vbMsgBoxHelpButton = 16384,
};

enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

struct MessageBoxRequest {
    QString prompt;        // a lone CR is a line break when shown
    int buttons = 0;       // MsgBoxStyle bits
    QString title;         // empty: the application's title
    QString helpFile;
    int context = 0;
    int buttonSet() const { return buttons & 7; }
    int icon() const { return buttons & 0x70; }
    int defaultButton() const { return (buttons >> 8) & 3; }   // 0-based
    QStringList buttonCaptions() const;                         // "OK", "Cancel", ..., "Help"
    QList<int> buttonResults() const;                           // vbOK, vbCancel, ...; 0 for "Help"
    // The result of the default button; the first button's when the default one is
    // "Help" (which shows help and leaves the box open) or lies beyond the buttons.
    int defaultResult() const;
};

struct FileDialogRequest {
    QString title;
    QString filter;           // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
    QString initialDir;       // Windows path
    bool multiSelect = false;
};

class UiServices {
public:
    virtual ~UiServices() = default;

    virtual int MsgBox(const MessageBoxRequest& request) = 0;
    // nullopt when the user cancels (the caller reads that as an empty text).
    virtual std::optional<QString> InputBox(const QString& prompt, const QString& title, const QString& def) = 0;
    // Chosen files as full Windows paths; empty when cancelled.
    virtual QStringList OpenFiles(const FileDialogRequest& request) = 0;
    // A chosen folder as a Windows path; empty when cancelled.
    virtual QString BrowseForFolder(const QString& title) = 0;
    // The floppy format dialog for drive A:; returns when it is closed.
    virtual void FormatFloppy() = 0;
    virtual void ShowHelp(const QString& helpFile, int context) = 0;
    virtual void Beep() = 0;
    // One of the program's own windows is about to be shown modally. Returns true when the
    // service dealt with it (pressed one of its buttons); false lets the window run.
    virtual bool ModalForm(Form& form) { return false; }
    // Ends the process at once (the End statement). Does not return.
    [[noreturn]] virtual void EndProcess(int code) = 0;
};

// The services of this process. Until setUi installs others: the Qt dialogs when the
// process has a GUI application on a real display, otherwise (no display, the offscreen
// platform) an empty answer script, so that every box is reported on standard error and
// answered with its default button instead of waiting for a user who is not there.
UiServices& ui();
void setUi(std::unique_ptr<UiServices> services);   // takes over; the old one is dropped; null: back to the default
// Called by each program's main: with TRELVO_UI_SCRIPT=FILE set, boxes are answered from
// FILE (see ScriptUi.h) for an unattended run.
void installUiFromEnvironment();

// Hooks run when the program ends through End, before the process goes away (for
// example to record what an unattended run left undone). AtEnd runs each hook once.
void OnEnd(std::function<void()> hook);
void AtEnd();

// The common entry points, named as the programs have always called them.
int MsgBox(const QString& prompt, int buttons = vbOKOnly, const QString& title = {}, const QString& helpFile = {},
           int context = 0);
QString InputBox(const QString& prompt, const QString& title = {}, const QString& def = {});
// The dialogs, through the services of the process. Every question goes through these (or
// through MsgBox and InputBox), never through ui() directly: each makes the drives be looked
// at again (Machine::lookAgain). Only help, which asks nothing, is shown through ui().
QStringList OpenFiles(const FileDialogRequest& request);
QString BrowseForFolder(const QString& title);
void FormatFloppy();
bool ModalForm(Form& form);   // the services' answer to a window shown modally
void Beep();
[[noreturn]] void End(int code = 0);

// The program object: its folder on the machine, its title and its help file. Path is the
// current machine's program folder, following a change of machine until the program sets it.
struct AppObject {
    QString Path;       // "C:\Program Files\Trelvo" (no trailing "\")
    QString Title;      // default title of message boxes
    QString HelpFile;
    QString EXEName;
};
AppObject& App();
// The title a box shows: `title`, or App().Title when it is empty.
QString boxTitle(const QString& title);

} // namespace vb
