#pragma once
// The UI services of a test. A test lists the boxes it expects with their answers
//     auto& ui = testsupport::ScriptedUi::install();
//     ui.expect("Please insert Disk No. 2", "OK", [&] { tm.machine().insertDisk("second"); });
// and the double answers them as a script would (see vb/ScriptUi.h), after running the
// expectation's action. Every box is recorded; a box nobody expected fails the test and
// gets its default button; expectations left over when the double is uninstalled (at the
// latest at the end of the test) fail the test; End throws ProcessEnded.
#include "vb/ScriptUi.h"

#include <QHash>
#include <functional>

namespace testsupport {

// Thrown by End (and the End of QuitProgram) instead of ending the test process. Not a
// std::exception, so that handlers of the code under test let it through.
struct ProcessEnded {
    int code = 0;
};

class ScriptedUi : public vb::ScriptUi {
public:
    struct Shown : vb::Box {
        QString answer;   // in a script's words: "OK", "\"typed\"", "C:\\X.TXT", "Quick, LABEL"
    };

    // Installs a fresh double as the process's UI services until the end of the test.
    static ScriptedUi& install();
    static void uninstall();
    ~ScriptedUi() override;

    // Any box whose text contains `textPart`, answered in a script's words.
    ScriptedUi& expect(const QString& textPart, const QString& answer, std::function<void()> actFirst = {});
    // Boxes of one kind only.
    ScriptedUi& expectInput(const QString& textPart, const QString& typed, std::function<void()> actFirst = {});
    ScriptedUi& expectFiles(const QString& textPart, const QStringList& paths, std::function<void()> actFirst = {});
    ScriptedUi& expectFolder(const QString& textPart, const QString& path, std::function<void()> actFirst = {});
    // The format dialog: "Quick", "Full" (each optionally with ", LABEL") or "Close".
    ScriptedUi& expectFormat(const QString& answer, std::function<void()> actFirst = {});
    // One of the program's own windows shown modally, by its name (without regard to
    // case): the handler plays the user, typically pressing one of its buttons. Windows
    // without a handler are answered like boxes, by `expect(text, buttonCaption)`.
    ScriptedUi& onForm(const QString& name, std::function<void(vb::Form&)> handler);

    const QList<Shown>& shown() const { return shown_; }
    const QStringList& notices() const { return notices_; }   // failed formats, help asked for
    int beeps() const { return beeps_; }

    void Beep() override { ++beeps_; }
    bool ModalForm(vb::Form& form) override;
    [[noreturn]] void EndProcess(int code) override;

protected:
    void unexpected(const QString& report) override;
    void notice(const QString& text) override { notices_ << text; }
    void answering(int line) override;
    void answered(const vb::Box& box, const QString& answer) override { shown_.append({box, answer}); }

private:
    ScriptedUi& add(vb::BoxKind kind, const QString& textPart, const QString& answer, std::function<void()> actFirst);

    struct FormHandler {
        QString name;
        std::function<void(vb::Form&)> handler;
        bool used = false;
    };
    QHash<int, std::function<void()>> actions_;
    QList<FormHandler> forms_;
    QList<Shown> shown_;
    QStringList notices_;
    int beeps_ = 0;
};

} // namespace testsupport
