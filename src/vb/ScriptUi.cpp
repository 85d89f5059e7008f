#include "vb/ScriptUi.h"
#include "vb/CommonControls.h"
#include "vb/Controls.h"
#include "vb/Form.h"
#include "vb/FormatDialog.h"
#include "vb/Forms.h"
#include "vb/Lists.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vb {

// As the user presses it: the click runs as an event handler of the window.
static void press(CommandButton* button)
{
    deliverEvents([button] { static_cast<QAbstractButton*>(button->widget())->click(); });
}

namespace {

void writeError(const QString& text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stderr);
    std::fflush(stderr);
}

// Answers compare as button captions do: without regard to case, "&" ignored.
bool same(QString answer, const QString& caption)
{
    return answer.remove(u'&').compare(QString(caption).remove(u'&'), Qt::CaseInsensitive) == 0;
}

QString quoted(const QString& text) { return u'"' + text + u'"'; }

// The moment an action line is carried out, on the host's monotonic clock, written to the
// file that TRELVO_UI_SCRIPT_LOG names (when it does): what the click starts can then be
// timed from outside the program, from the click on.
void logAction(const QString& source)
{
    static const QString path = qEnvironmentVariable("TRELVO_UI_SCRIPT_LOG");
    if (path.isEmpty())
        return;
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    QFile log(path);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(QByteArray::number(double(now.tv_sec) + double(now.tv_nsec) / 1e9, 'f', 6) + ' ' + source.toUtf8() + '\n');
}

} // namespace

QString flatText(const QString& prompt)
{
    QString t = prompt;
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(u'\r', u' ');
    t.replace(u'\n', u' ');
    return t;
}

QStringList Box::texts() const
{
    const QString flat = flatText(prompt);
    return title.isEmpty() ? QStringList{flat} : QStringList{flat, title + u' ' + flat};
}

QString Box::describe() const
{
    QString s;
    if (!title.isEmpty())
        s += quoted(title) + u' ';
    if (!buttons.isEmpty())
        s += u'[' + buttons.join(u'|') + QStringLiteral("] ");
    return s + flatText(prompt);
}

AnswerScript AnswerScript::parse(const QString& script, QStringList* problems)
{
    AnswerScript out;
    for (const QString& raw : script.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype arrow = line.indexOf(QStringLiteral("=>"));
        if (arrow < 0) {
            if (problems)
                *problems << line;
            continue;
        }
        const QString text = line.left(arrow).trimmed();
        const bool action = text.startsWith(u'@');
        out.add({action ? text.mid(1).trimmed() : text, line.mid(arrow + 2).trimmed(), action ? BoxKind::Action : BoxKind::Any, line});
    }
    return out;
}

int AnswerScript::add(Line line)
{
    lines_ << std::move(line);
    return int(lines_.size() - 1);
}

int AnswerScript::take(const Box& box)
{
    const QStringList texts = box.texts();
    for (int i = 0; i < lines_.size(); ++i) {
        Line& l = lines_[i];
        if (l.used || (l.kind != BoxKind::Any && l.kind != box.kind))
            continue;
        if (std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return t.contains(l.text); })) {
            l.used = true;
            return i;
        }
    }
    return -1;
}

int AnswerScript::nextAction() const
{
    for (int i = 0; i < lines_.size(); ++i)
        if (!lines_[i].used && lines_[i].kind == BoxKind::Action)
            return i;
    return -1;
}

QStringList AnswerScript::unused() const
{
    QStringList out;
    for (const Line& l : lines_) {
        if (!l.used)
            out << l.source;
    }
    return out;
}

std::unique_ptr<ScriptUi> ScriptUi::fromFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        writeError(QStringLiteral("cannot read the UI script %1: every box gets its default answer").arg(path));
        return std::make_unique<ScriptUi>();
    }
    QStringList problems;
    auto ui = std::make_unique<ScriptUi>(AnswerScript::parse(QString::fromUtf8(f.readAll()), &problems));
    for (const QString& p : problems)
        writeError(QStringLiteral("ignored (no \"=>\"): ") + p);
    return ui;
}

ScriptUi::ScriptUi() = default;

ScriptUi::ScriptUi(AnswerScript script) : script_(std::move(script))
{
    if (script_.nextAction() < 0 || !QCoreApplication::instance())
        return;
    idle_ = std::make_unique<QTimer>();
    idle_->setInterval(50);
    QObject::connect(idle_.get(), &QTimer::timeout, [this] { actWhenIdle(); });
    idle_->start();
}

ScriptUi::~ScriptUi() { reportUnused(); }

Form* ScriptUi::actionWindow(int line) const
{
    const QString name = script_.line(line).text.section(u'.', 0, 0);
    for (Form* form : Forms::loaded())
        if (form->Name().compare(name, Qt::CaseInsensitive) == 0)
            return form;
    return nullptr;
}

void ScriptUi::act(int line, Form* form)
{
    script_.use(line);
    unanswered_.clear();
    const AnswerScript::Line& l = script_.line(line);
    if (!form)
        form = actionWindow(line);
    const QString name = l.text.section(u'.', 1);
    Control* control = nullptr;
    if (form)
        for (Control* c : form->controls())
            if (c->Name().compare(name, Qt::CaseInsensitive) == 0)
                control = c;
    if (!control) {
        unexpected(QStringLiteral("no such control: ") + l.source);
        return;
    }
    bool number = false;
    const int value = l.answer.toInt(&number);
    logAction(l.source);
    if (auto* button = qobject_cast<CommandButton*>(control); button && same(l.answer, QStringLiteral("Click")))
        press(button);
    else if (auto* box = qobject_cast<CheckBox*>(control); box && number)
        box->setValue(value);
    else if (auto* option = qobject_cast<OptionButton*>(control); option && same(l.answer, QStringLiteral("Click")))
        option->setValue(true);
    else if (auto* list = qobject_cast<ListBox*>(control); list && number && value >= 0 && value < list->ListCount())
        list->MultiSelect() ? list->setSelected(value, true) : list->setListIndex(value);
    else if (auto* text = qobject_cast<TextBox*>(control); text && l.answer.size() >= 2 && l.answer.startsWith(u'"') && l.answer.endsWith(u'"'))
        text->setText(l.answer.mid(1, l.answer.size() - 2));
    else
        unexpected(QStringLiteral("the value does not fit the control: ") + l.source);
}

// An action line acts on a shown window while no event handler runs: the program is
// waiting for the user.
void ScriptUi::actWhenIdle()
{
    const int next = script_.nextAction();
    if (next < 0) {
        idle_->stop();
        return;
    }
    Form* form = actionWindow(next);
    if (RunningEventHandlers() > 0 || QApplication::activeModalWidget() || !form || !form->Visible())
        return;
    runEventHandler([&] { act(next); });
}

void ScriptUi::unexpected(const QString& report) { writeError(report); }

void ScriptUi::notice(const QString& text) { writeError(text); }

void ScriptUi::reportUnused()
{
    if (std::exchange(unusedReported_, true))
        return;
    for (const QString& line : script_.unused())
        writeError(QStringLiteral("unused: ") + line);
}

std::optional<AnswerScript::Line> ScriptUi::lineFor(const Box& box, const QString& defaultAnswer)
{
    const int i = script_.take(box);
    if (i < 0) {
        unexpected(QStringLiteral("unexpected: %1 => %2").arg(box.describe(), defaultAnswer));
        // A box that keeps coming back unanswered (Retry as the default of a lasting failure,
        // alone or taking turns with another box) would hold an unattended run forever.
        const int repeats = ++unanswered_[box.describe()];
        if (repeats >= kMaxRepeats) {
            writeError(QStringLiteral("the same box came %1 times without an answer; ending the run").arg(repeats));
            EndProcess(3);
        }
        return std::nullopt;
    }
    unanswered_.clear();
    answering(i);
    return script_.line(i);
}

void ScriptUi::misfit(const Box& box, const QString& answer, const QString& given)
{
    unexpected(QStringLiteral("the answer %1 does not fit: %2 => %3").arg(quoted(answer), box.describe(), given));
}

int ScriptUi::MsgBox(const MessageBoxRequest& request)
{
    const Box box{BoxKind::Message, request.prompt, boxTitle(request.title), request.buttonCaptions()};
    const QList<int> results = request.buttonResults();
    const auto caption = [&](int result) { return box.buttons[results.indexOf(result)]; };
    int result = request.defaultResult();
    if (const auto line = lineFor(box, caption(result))) {
        if (same(line->answer, QStringLiteral("Wait"))) {
            writeError(QStringLiteral("waiting at: %1").arg(box.describe()));
            for (;;)
                QThread::sleep(3600);
        }
        qsizetype i = 0;
        while (i < results.size() && (results[i] == 0 || !same(line->answer, box.buttons[i])))
            ++i;
        if (i < results.size())
            result = results[i];
        else
            misfit(box, line->answer, caption(result));
    }
    answered(box, caption(result));
    return result;
}

std::optional<QString> ScriptUi::InputBox(const QString& prompt, const QString& title, const QString& def)
{
    const Box box{BoxKind::Input, prompt, boxTitle(title), {QStringLiteral("OK"), QStringLiteral("Cancel")}};
    std::optional<QString> result = def;
    if (const auto line = lineFor(box, QStringLiteral("OK"))) {
        const QString& a = line->answer;
        if (same(a, QStringLiteral("Cancel")))
            result = std::nullopt;
        else if (a.size() >= 2 && a.startsWith(u'"') && a.endsWith(u'"'))
            result = a.mid(1, a.size() - 2);
        else if (!same(a, QStringLiteral("OK")))
            result = a;
    }
    answered(box, result ? quoted(*result) : QStringLiteral("Cancel"));
    return result;
}

QStringList ScriptUi::OpenFiles(const FileDialogRequest& request)
{
    const Box box{BoxKind::Files, request.title.isEmpty() ? QStringLiteral("Open") : request.title, {},
                  {QStringLiteral("Open"), QStringLiteral("Cancel")}};
    QStringList result;
    const auto line = lineFor(box, QStringLiteral("Cancel"));
    if (line && !same(line->answer, QStringLiteral("Cancel"))) {
        for (const QString& path : line->answer.split(u';', Qt::SkipEmptyParts)) {
            if (!path.trimmed().isEmpty())
                result << path.trimmed();
        }
        if (!request.multiSelect && result.size() > 1) {
            result = result.mid(0, 1);
            misfit(box, line->answer, result.first());
        }
    }
    answered(box, result.isEmpty() ? QStringLiteral("Cancel") : result.join(u';'));
    return result;
}

QString ScriptUi::BrowseForFolder(const QString& title)
{
    const Box box{BoxKind::Folder, title.isEmpty() ? QStringLiteral("Browse for Folder") : title, {},
                  {QStringLiteral("OK"), QStringLiteral("Cancel")}};
    QString result;
    const auto line = lineFor(box, QStringLiteral("Cancel"));
    if (line && !same(line->answer, QStringLiteral("Cancel")))
        result = line->answer;
    answered(box, result.isEmpty() ? QStringLiteral("Cancel") : result);
    return result;
}

void ScriptUi::FormatFloppy()
{
    const Box box{BoxKind::Format, formatDialogCaption(), {}, {QStringLiteral("Start"), QStringLiteral("Close")}};
    const auto line = lineFor(box, QStringLiteral("Close"));
    if (!line) {
        answered(box, QStringLiteral("Close"));
        return;
    }
    const QString action = line->answer.section(u',', 0, 0).trimmed();
    const bool quick = same(action, QStringLiteral("Quick"));
    if (quick || same(action, QStringLiteral("Full"))) {
        const FormatOutcome outcome = formatDiskInDriveA(quick, line->answer.section(u',', 1).trimmed());
        if (!outcome.ok)
            notice(formatDialogCaption() + QStringLiteral(": ") + outcome.message);
    } else if (!same(action, QStringLiteral("Close"))) {
        misfit(box, line->answer, QStringLiteral("Close"));
    }
    answered(box, line->answer);
}

void ScriptUi::ShowHelp(const QString& helpFile, int context)
{
    const Box box{BoxKind::Help, QStringLiteral("%1, topic %2").arg(helpFile).arg(context), QStringLiteral("Trelvo Help"), {}};
    notice(QStringLiteral("help: ") + box.prompt);
    answered(box, {});
}

namespace {

// What a script sees of one of the program's windows: its caption, the captions of its
// visible labels, and the buttons that can be pressed.
struct FormFace {
    Box box;
    QList<CommandButton*> buttons;

    explicit FormFace(Form& form)
    {
        QStringList labels;
        for (Control* c : form.controls()) {
            if (auto* label = qobject_cast<Label*>(c); label && label->Visible())
                labels << flatText(label->Caption());
            if (auto* button = qobject_cast<CommandButton*>(c); button && button->Visible() && button->Enabled()) {
                buttons << button;
                box.buttons << button->Caption().remove(u'&');
            }
        }
        box.kind = BoxKind::Form;
        box.title = form.Caption();
        box.prompt = labels.join(u' ');
    }
    CommandButton* button(const QString& caption) const
    {
        const auto it = std::find_if(buttons.begin(), buttons.end(), [&](CommandButton* b) { return same(b->Caption(), caption); });
        return it == buttons.end() ? nullptr : *it;
    }
    CommandButton* fallback() const
    {
        for (bool (CommandButton::*role)() const : {&CommandButton::Default, &CommandButton::Cancel}) {
            const auto it = std::find_if(buttons.begin(), buttons.end(), [&](CommandButton* b) { return (b->*role)(); });
            if (it != buttons.end())
                return *it;
        }
        return nullptr;
    }
};

} // namespace

bool ScriptUi::ModalForm(Form& form)
{
    // The action lines for this window act first; what they leave open a line answers.
    const QPointer<Form> self(&form);
    const auto forThisWindow = [&](int line) {
        return line >= 0 && script_.line(line).text.section(u'.', 0, 0).compare(form.Name(), Qt::CaseInsensitive) == 0;
    };
    for (int next = script_.nextAction(); forThisWindow(next) && form.Visible(); next = script_.nextAction())
        act(next, &form);
    if (!self || !form.Visible())
        return true;
    const FormFace face(form);
    CommandButton* fallback = face.fallback();
    const QString fallbackAnswer = fallback ? fallback->Caption().remove(u'&') : QStringLiteral("(hidden)");
    CommandButton* chosen = fallback;
    if (const auto line = lineFor(face.box, fallbackAnswer)) {
        if (CommandButton* named = face.button(line->answer))
            chosen = named;
        else
            misfit(face.box, line->answer, fallbackAnswer);
    }
    answered(face.box, chosen ? chosen->Caption().remove(u'&') : fallbackAnswer);
    if (chosen)
        press(chosen);
    else
        form.Hide();
    return true;
}

// An unattended run makes no sound.
void ScriptUi::Beep() {}

void ScriptUi::EndProcess(int code)
{
    AtEnd();
    reportUnused();
    std::fflush(nullptr);
    std::_Exit(code);
}

void installUiFromEnvironment()
{
    const QString path = qEnvironmentVariable("TRELVO_UI_SCRIPT");
    if (!path.isEmpty())
        setUi(ScriptUi::fromFile(path));
}

} // namespace vb
