#pragma once
// Answering boxes from a script, for unattended runs (TRELVO_UI_SCRIPT=FILE) and, through
// the test double in tests/support, for tests.
//
// The script has one line per expected box: `<text that the box contains> => <answer>`.
// Answers: a button caption of a message box (OK, Cancel, Abort, Retry, Ignore, Yes, No), or
// Wait: the run stays at that message box until it is ended from outside (written to standard
// error as "waiting at: <box>");
// "typed text" in double quotes (or OK, Cancel) for an input box; a Windows path for a
// folder dialog, one or more paths separated by ";" for a file dialog (or Cancel); Quick,
// Full or Close for the format dialog, optionally followed by ", LABEL"; the caption of
// the button to press in one of the program's own windows ("&" ignored). A box is matched
// against the first unconsumed line whose text it contains, and that line is consumed
// (lines before it stay unconsumed). A box with no line is written to standard error and
// answered with its default button; lines never consumed are written to standard error as
// "unused: <line>" when the program ends. Blank lines and lines starting with "#" are
// comments.
//
// A line `@<Window>.<Control> => <value>` acts on a control of one of the program's windows
// instead, as the user would: a button is pressed (Click), a check box set (0 or 1), an
// option chosen, a row of a list chosen (its number from 0; in a list of several choices it
// is added to them), a text box filled ("text"). These lines act in their order: each once
// the program waits for the user and its window is shown, or at once when it names a window
// that has just come up modally. With TRELVO_UI_SCRIPT_LOG naming a file, each action line
// is written there as it is carried out, after the moment on the host's monotonic clock.
#include "vb/UiServices.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QTimer;

namespace vb {

enum class BoxKind { Any, Message, Input, Files, Folder, Format, Form, Help, Action };

// What a box shows, as far as a script is concerned.
struct Box {
    BoxKind kind = BoxKind::Any;
    QString prompt;       // as given (line breaks kept)
    QString title;        // as shown
    QStringList buttons;

    // The texts a script line can be contained in: the prompt with its line breaks
    // turned into blanks, and the title followed by a blank and that prompt.
    QStringList texts() const;
    QString describe() const;   // the whole box on one line, for reports
};

// A prompt on one line: CR LF, a lone CR and a lone LF each become one blank.
QString flatText(const QString& prompt);

class AnswerScript {
public:
    struct Line {
        QString text;
        QString answer;
        BoxKind kind = BoxKind::Any;   // scripts leave it open; typed test expectations do not
        QString source;                // the line as written, for reports
        bool used = false;
    };

    // Reads a script; lines without "=>" are listed in `problems`.
    static AnswerScript parse(const QString& script, QStringList* problems);

    int add(Line line);
    // The first unconsumed line of the box's kind whose text one of the box's texts
    // contains, now consumed; -1 when there is none.
    int take(const Box& box);
    const Line& line(int index) const { return lines_[index]; }
    // The first unconsumed action line (kind Action, text "Window.Control"), or -1; consumed
    // by use().
    int nextAction() const;
    void use(int index) { lines_[index].used = true; }
    QStringList unused() const;   // sources of the lines never consumed

private:
    QList<Line> lines_;
};

class ScriptUi : public UiServices {
public:
    ScriptUi();
    explicit ScriptUi(AnswerScript script);
    // Problems of the file (unreadable, lines without "=>") go to standard error.
    static std::unique_ptr<ScriptUi> fromFile(const QString& path);
    ~ScriptUi() override;

    int MsgBox(const MessageBoxRequest& request) override;
    std::optional<QString> InputBox(const QString& prompt, const QString& title, const QString& def) override;
    QStringList OpenFiles(const FileDialogRequest& request) override;
    QString BrowseForFolder(const QString& title) override;
    void FormatFloppy() override;
    void ShowHelp(const QString& helpFile, int context) override;
    void Beep() override;
    // Presses the button the line names; without a line, the form's default button (else
    // its cancel button; else the form is hidden), so that an unattended run never waits.
    bool ModalForm(Form& form) override;
    [[noreturn]] void EndProcess(int code) override;

protected:
    AnswerScript& script() { return script_; }
    // A box no line answered, or a line whose answer does not fit its box.
    virtual void unexpected(const QString& report);
    // Something the run should show but nobody answers (a failed format, help asked for).
    virtual void notice(const QString& text);
    // A line is about to answer its box.
    virtual void answering(int line) {}
    // A box was answered with `answer` (in the script's words).
    virtual void answered(const Box& box, const QString& answer) {}
    // Writes the unused lines to standard error, once.
    void reportUnused();
    bool unusedReported_ = false;

private:
    // The window the next action line names, when it is loaded; null otherwise.
    Form* actionWindow(int line) const;
    // Carries out action line `line` (consumed) on `form`, or on the loaded window the line
    // names; a control it cannot find or a value that does not fit the control is reported.
    void act(int line, Form* form = nullptr);
    void actWhenIdle();

    // The line for `box` (consumed), or none after reporting the box as unexpected with
    // the answer it gets instead.
    std::optional<AnswerScript::Line> lineFor(const Box& box, const QString& defaultAnswer);
    void misfit(const Box& box, const QString& answer, const QString& given);

    AnswerScript script_;
    std::unique_ptr<QTimer> idle_;   // looks for the moment the next action line can act
    static constexpr int kMaxRepeats = 20;
    // How often each box came unanswered since a line last answered one.
    QHash<QString, int> unanswered_;
};

} // namespace vb
