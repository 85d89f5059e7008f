#include "platform/DemoMachine.h"
#include "platform/FileSystem.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Form.h"
#include "vb/FormatDialog.h"
#include "vb/Forms.h"
#include "vb/QtUi.h"
#include "vb/ScriptUi.h"
#include "vb/UiServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <utility>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <cstdio>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

using namespace vb;
using testsupport::MachineTest;
using testsupport::ProcessEnded;
using testsupport::ScriptedUi;
namespace fs = platform::fs;

namespace {

// The lines written to file descriptor 2 between construction and finish(), less the
// offscreen platform's own notes ("This plugin does not support raise()").
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        if (::pipe(fds_) != 0)
            ADD_FAILURE() << "no pipe";
        saved_ = ::dup(2);
        ::dup2(fds_[1], 2);
        ::close(fds_[1]);
    }
    QStringList finish()
    {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        QByteArray out;
        char buf[4096];
        for (ssize_t n; (n = ::read(fds_[0], buf, sizeof buf)) > 0;)
            out.append(buf, n);
        ::close(fds_[0]);
        QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
        lines.removeIf([](const QString& l) { return l.startsWith(QStringLiteral("This plugin does not support")); });
        return lines;
    }

private:
    int fds_[2] = {-1, -1};
    int saved_ = -1;
};

// Runs `act` on the first visible window of type T (with the given title, if any) once
// the code under test shows it in its own event loop. After five seconds without it,
// the test fails and every dialog is rejected, so that nothing waits forever.
template <class T>
void whenShown(std::function<void(T*)> act, const QString& title = {})
{
    auto* timer = new QTimer;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            T* t = qobject_cast<T*>(w);
            if (t && t->isVisible() && (title.isEmpty() || t->windowTitle() == title)) {
                timer->deleteLater();
                timer->stop();
                act(t);
                return;
            }
        }
        if (clock.elapsed() > 5000) {
            timer->deleteLater();
            timer->stop();
            ADD_FAILURE() << "the window did not show up: " << title.toStdString();
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
                    d->reject();
            }
        }
    });
    timer->start(20);
}

template <class T>
T* child(QWidget* parent, const char* name)
{
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// The captions of a dialog's push buttons from left to right.
QStringList buttonRow(QWidget* dialog)
{
    QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    QStringList captions;
    for (QPushButton* b : buttons)
        captions << b->text();
    return captions;
}

QPushButton* buttonCaptioned(QWidget* dialog, const QString& caption)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        if (b->text() == caption)
            return b;
    }
    ADD_FAILURE() << "no button " << caption.toStdString();
    return nullptr;
}

QStringList itemTexts(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList namesOn(const QString& folder)
{
    QStringList out;
    for (const fs::Entry& e : fs::find(folder, platform::AttrHidden | platform::AttrSystem | platform::AttrDirectory))
        out << e.name;
    return out;
}

} // namespace

// ---- message box requests ---------------------------------------------------

TEST(MessageBoxRequest, ButtonSetsGiveCaptionsResultsAndTheDefault)
{
    struct Case {
        int buttons;
        QStringList captions;
        QList<int> results;
        int defaultResult;
    };
    const QList<Case> cases = {
        {vbOKOnly, {"OK"}, {vbOK}, vbOK},
        {vbOKCancel | vbDefaultButton2, {"OK", "Cancel"}, {vbOK, vbCancel}, vbCancel},
        {vbAbortRetryIgnore | vbDefaultButton2 | vbExclamation, {"Abort", "Retry", "Ignore"}, {vbAbort, vbRetry, vbIgnore}, vbRetry},
        {vbYesNoCancel | vbDefaultButton3, {"Yes", "No", "Cancel"}, {vbYes, vbNo, vbCancel}, vbCancel},
        {vbYesNo | vbDefaultButton2 | vbQuestion, {"Yes", "No"}, {vbYes, vbNo}, vbNo},
        {vbRetryCancel, {"Retry", "Cancel"}, {vbRetry, vbCancel}, vbRetry},
        // Help is a button of its own that closes nothing: as the default it leaves the first button's result.
        {vbOKOnly | vbMsgBoxHelpButton | vbDefaultButton2 | vbCritical, {"OK", "Help"}, {vbOK, 0}, vbOK},
        {vbYesNo | vbMsgBoxHelpButton | vbDefaultButton2, {"Yes", "No", "Help"}, {vbYes, vbNo, 0}, vbNo},
        // A default beyond the buttons falls back to the first.
        {vbYesNo | vbDefaultButton3, {"Yes", "No"}, {vbYes, vbNo}, vbYes},
    };
    for (const Case& c : cases) {
        MessageBoxRequest r;
        r.buttons = c.buttons;
        EXPECT_EQ(r.buttonCaptions(), c.captions) << c.buttons;
        EXPECT_EQ(r.buttonResults(), c.results) << c.buttons;
        EXPECT_EQ(r.defaultResult(), c.defaultResult) << c.buttons;
    }
    MessageBoxRequest r;
    r.buttons = vbYesNo | vbExclamation | vbDefaultButton2;
    EXPECT_EQ(r.icon(), int(vbExclamation));
}

// ---- the answer script ------------------------------------------------------

class UiScriptTest : public MachineTest {
protected:
    void TearDown() override
    {
        setUi(nullptr);
        qunsetenv("TRELVO_UI_SCRIPT");
    }
    // Runs `body` in a child process answering from `script`, as an unattended run would; the
    // child's exit code (-1 when it did not exit) and what it wrote to standard error.
    static std::pair<int, QByteArray> runUnattended(const QString& script, const std::function<void()>& body)
    {
        int out[2];
        if (::pipe(out) != 0)
            return {-1, "no pipe"};
        const pid_t pid = ::fork();
        if (pid < 0)
            return {-1, "no fork"};
        if (pid == 0) {
            ::dup2(out[1], 2);
            ::close(out[0]);
            qputenv("TRELVO_UI_SCRIPT", script.toLocal8Bit());
            installUiFromEnvironment();
            body();
            std::fputs("never ended\n", stderr);
            ::_exit(0);
        }
        ::close(out[1]);
        QByteArray text;
        char buf[4096];
        for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
            text.append(buf, n);
        ::close(out[0]);
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
            return {-1, text};
        return {WEXITSTATUS(status), text};
    }
    QString writeScript(const QByteArray& text)
    {
        const QString path = QFileInfo(tm.dir()).path() + QStringLiteral("/answers.txt");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
};

TEST_F(UiScriptTest, AScriptFileAnswersTheBoxesOfAnUnattendedRun)
{
    qputenv("TRELVO_UI_SCRIPT", writeScript("# answers of a save to floppies\n"
                                            "Please insert Disk No. 2 => OK\n"
                                            "Overwrite => No\n"
                                            "this line has no arrow\n"
                                            "\n"
                                            "line Second => Cancel\r\n"
                                            "Warning! Disk full => Cancel\n"
                                            "Your name => \"Tom Smith\"\n"
                                            "Password => Cancel\n"
                                            "Open archive => C:\\My Documents\\Letter to Anna.txt; C:\\My Documents\\Budget 1999.csv\n"
                                            "Choose the save folder => C:\\WINDOWS\n"
                                            "Format - 3\xC2\xBD Floppy => Quick, save1\n"
                                            "Never asked => Yes\n")
                                    .toLocal8Bit());
    fs::writeAll(QStringLiteral("A:\\OLD.TXT"), "old contents");

    StderrCapture err;
    installUiFromEnvironment();
    // A later line answers first; the earlier one stays for the box it was meant for.
    EXPECT_EQ(MsgBox(QStringLiteral("Overwrite configuration 1?"), vbYesNo | vbQuestion), vbNo);
    EXPECT_EQ(MsgBox(QStringLiteral("Please insert Disk No. 2 now!"), vbOKCancel | vbInformation), vbOK);
    // Consumed lines answer nothing more: the box gets its default button.
    EXPECT_EQ(MsgBox(QStringLiteral("Please insert Disk No. 2 now!"), vbOKCancel | vbDefaultButton2), vbCancel);
    // Line breaks match as blanks; the title may lead the text.
    EXPECT_EQ(MsgBox(QStringLiteral("First line\rSecond line\r\nThird"), vbOKCancel), vbCancel);
    EXPECT_EQ(MsgBox(QStringLiteral("Disk full"), vbOKCancel | vbCritical, QStringLiteral("Warning!")), vbCancel);
    EXPECT_EQ(InputBox(QStringLiteral("Your name:"), {}, QStringLiteral("nobody")), QStringLiteral("Tom Smith"));
    EXPECT_EQ(InputBox(QStringLiteral("Password:"), {}, QStringLiteral("secret")), QString());
    EXPECT_EQ(ui().OpenFiles({QStringLiteral("Open archive"), QStringLiteral("Text (*.txt)|*.txt"), {}, true}),
              (QStringList{QStringLiteral("C:\\My Documents\\Letter to Anna.txt"), QStringLiteral("C:\\My Documents\\Budget 1999.csv")}));
    EXPECT_EQ(ui().BrowseForFolder(QStringLiteral("Choose the save folder")), QStringLiteral("C:\\WINDOWS"));
    ui().FormatFloppy();
    EXPECT_TRUE(namesOn(QStringLiteral("A:\\*.*")).isEmpty());
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")), QStringLiteral("SAVE1"));
    setUi(nullptr);

    EXPECT_EQ(err.finish(), (QStringList{
                                QStringLiteral("ignored (no \"=>\"): this line has no arrow"),
                                QStringLiteral("unexpected: \"Trelvo\" [OK|Cancel] Please insert Disk No. 2 now! => Cancel"),
                                QStringLiteral("unused: Never asked => Yes"),
                            }));
}

TEST_F(UiScriptTest, TheFormatAnswerReportsWhatTheMachineRefuses)
{
    tm.machine().createDisk(QStringLiteral("raw"), platform::DiskFormat::byName(QStringLiteral("1.44M")), false);
    tm.machine().insertDisk(QStringLiteral("raw"));
    qputenv("TRELVO_UI_SCRIPT", writeScript("Format => Quick\nFormat => Full, Disk1\n").toLocal8Bit());
    StderrCapture err;
    installUiFromEnvironment();
    ui().FormatFloppy();
    EXPECT_FALSE(tm.machine().diskVolume(QStringLiteral("raw"))->formatted());
    ui().FormatFloppy();
    EXPECT_TRUE(tm.machine().diskVolume(QStringLiteral("raw"))->formatted());
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")), QStringLiteral("DISK1"));
    const QStringList lines = err.finish();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(formatDialogCaption() + QStringLiteral(": The disk in drive A: is not formatted"))) << lines[0].toStdString();
}

TEST_F(UiScriptTest, EndRunsTheEndHooksThenReportsUnusedLinesAndEndsTheProcess)
{
    const auto [code, text] = runUnattended(writeScript("Never asked => OK\n"), [] {
        OnEnd([] { std::fputs("end hook ran\n", stderr); });
        End(3);
    });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(text, "end hook ran\nunused: Never asked => OK\n");
}

TEST_F(UiScriptTest, BoxesThatTakeTurnsComingBackUnansweredEndTheRunWith3)
{
    // A disk prompt and the not-empty question after it, for ever: the script has run dry.
    const auto [code, text] = runUnattended(writeScript("Please insert Disk No. 2 => OK\n"), [] {
        MsgBox(QStringLiteral("Please insert Disk No. 2 now!"), vbOKCancel);   // answered by the script
        for (int round = 1; round <= 100; ++round) {
            MsgBox(QStringLiteral("Please insert Disk No. 3 now!"), vbOKCancel);
            if (round == 10)
                MsgBox(QStringLiteral("A box of its own, once"), vbOKOnly);
            MsgBox(QStringLiteral("This disk already contains files!"), vbRetryCancel);
        }
    });
    EXPECT_EQ(code, 3) << text.toStdString();
    const QList<QByteArray> lines = text.split('\n');
    EXPECT_EQ(lines.count("unexpected: \"Trelvo\" [OK|Cancel] Please insert Disk No. 3 now! => OK"), 20);
    EXPECT_EQ(lines.count("unexpected: \"Trelvo\" [Retry|Cancel] This disk already contains files! => Retry"), 19);
    EXPECT_TRUE(text.contains("the same box came 20 times without an answer; ending the run")) << text.toStdString();
}

TEST_F(UiScriptTest, WithoutADisplayEveryBoxIsReportedAndGetsItsDefault)
{
    setUi(nullptr);   // the default services of this offscreen process
    StderrCapture err;
    EXPECT_EQ(MsgBox(QStringLiteral("Nobody is\rthere"), vbYesNo | vbDefaultButton2, QStringLiteral("Question")), vbNo);
    EXPECT_EQ(InputBox(QStringLiteral("Name?"), {}, QStringLiteral("Tom")), QStringLiteral("Tom"));
    EXPECT_EQ(err.finish(), (QStringList{
                                QStringLiteral("unexpected: \"Question\" [Yes|No] Nobody is there => No"),
                                QStringLiteral("unexpected: \"Trelvo\" [OK|Cancel] Name? => OK"),
                            }));
}

TEST_F(UiScriptTest, AppPathFollowsTheMachineUntilTheProgramSetsIt)
{
    QTemporaryDir machines;
    int made = 0;
    auto switchMachine = [&](const QString& programFolder) {
        const QString dir = machines.path() + QStringLiteral("/m%1").arg(++made);
        ASSERT_TRUE(platform::createDemoMachine(dir));
        platform::Machine::use(dir).setSetting(QStringLiteral("Machine"), QStringLiteral("ProgramFolder"), programFolder);
    };
    EXPECT_EQ(App().Title, QStringLiteral("Trelvo"));
    EXPECT_EQ(App().Path, QStringLiteral("C:\\Program Files\\Trelvo"));
    switchMachine(QStringLiteral("C:\\Apps\\Trelvo"));
    EXPECT_EQ(App().Path, QStringLiteral("C:\\Apps\\Trelvo"));

    const QString derived = App().Path;
    App().Path = QStringLiteral("C:\\Elsewhere");
    switchMachine(QStringLiteral("C:\\Other"));
    EXPECT_EQ(App().Path, QStringLiteral("C:\\Elsewhere"));
    App().Path = derived;   // handed back to the machine
    switchMachine(QStringLiteral("C:\\Third"));
    EXPECT_EQ(App().Path, QStringLiteral("C:\\Third"));
}

// The three-button question of a floppy that is not empty: each button sets the Tag and hides.
class NotEmptyForm : public Form {
public:
    NotEmptyForm() : Form(QStringLiteral("frmNotEmpty"))
    {
        setCaption(QStringLiteral("Message"));
        Label1.setCaption(QStringLiteral("This disk already contains files!\r\rPlease insert a blank disk."));
        Label2.setCaption(QStringLiteral("hidden words"));
        Label2.setVisible(false);
        for (auto [button, caption, tag] : {std::tuple{&Command3, "&Continue?", "Continue"}, {&Command1, "&Formatting...", "Formatieren"},
                                            {&Command2, "&Retry", "Cancel"}}) {
            button->setCaption(QString::fromUtf8(caption));
            connect(button, &CommandButton::Click, this, [this, tag = QString::fromUtf8(tag)] {
                setTag(tag);
                Hide();
            });
        }
        Command2.setDefault(true);
    }
    Label Label1{*this, QStringLiteral("Label1")};
    Label Label2{*this, QStringLiteral("Label2")};
    CommandButton Command3{*this, QStringLiteral("Command3")};
    CommandButton Command1{*this, QStringLiteral("Command1")};
    CommandButton Command2{*this, QStringLiteral("Command2")};
};

TEST_F(UiScriptTest, AScriptLinePressesAButtonOfTheProgramsOwnWindow)
{
    qputenv("TRELVO_UI_SCRIPT", writeScript("hidden words => Continue?\n"
                                            "Message This disk already contains files! => formatting...\n")
                                    .toLocal8Bit());
    StderrCapture err;
    installUiFromEnvironment();
    NotEmptyForm form;
    form.Show(vbModal);
    EXPECT_EQ(form.Tag(), QStringLiteral("Formatieren"));
    EXPECT_FALSE(form.Visible());
    // No line left for it: its default button.
    form.Show(vbModal);
    EXPECT_EQ(form.Tag(), QStringLiteral("Cancel"));
    setUi(nullptr);
    EXPECT_EQ(err.finish(), (QStringList{
                                QStringLiteral("unexpected: \"Message\" [Continue?|Formatting...|Retry] "
                                               "This disk already contains files!  Please insert a blank disk. => Retry"),
                                QStringLiteral("unused: hidden words => Continue?"),
                            }));
}

// A window of the program with a control of each kind that a script's action lines work.
class PagesForm : public Form {
public:
    PagesForm() : Form(QStringLiteral("Pages"))
    {
        List2.AddItem(QStringLiteral("Weekly"));
        List2.AddItem(QStringLiteral("Monthly"));
        Files.setMultiSelect(1);
        Files.AddItem(QStringLiteral("c:\\a.txt"));
        Files.AddItem(QStringLiteral("c:\\b.txt"));
        connect(&List2, &ListBox::Click, this, [this] { picked << List2.ListIndex(); });
        connect(&Command4, &CommandButton::Click, this, [this] {
            order << QStringLiteral("pressed with row %1, %2, box %3, %4").arg(List2.ListIndex()).arg(Files.Selected(1)).arg(Check1.Value()).arg(Text1.Text());
            // A dialog that comes up inside the handler is worked by the lines meant for it.
            dialog.Show(vbModal);
            order << QStringLiteral("dialog answered ") + dialog.Tag();
        });
    }
    ListBox List2{*this, QStringLiteral("List2")};
    ListBox Files{*this, QStringLiteral("Files")};
    CheckBox Check1{*this, QStringLiteral("Check1")};
    TextBox Text1{*this, QStringLiteral("Text1")};
    CommandButton Command4{*this, QStringLiteral("Command4")};
    NotEmptyForm dialog;
    QList<int> picked;
    QStringList order;
};

TEST_F(UiScriptTest, ActionLinesWorkTheWindowsInTheirOrderAndAModalDialogAtOnce)
{
    qputenv("TRELVO_UI_SCRIPT", writeScript("@Pages.List2 => 1\n"
                                            "@Pages.Files => 1\n"
                                            "@pages.check1 => 1\n"
                                            "@Pages.Text1 => \"Tuesday\"\n"
                                            "@Pages.Command4 => Click\n"
                                            "@frmNotEmpty.Command3 => Click\n"
                                            "@Pages.Nothing => Click\n"
                                            "@Pages.Check1 => yes\n"
                                            "@Pages.List2 => 0\n")
                                    .toLocal8Bit());
    // Each line acted on is noted with its moment on the monotonic clock.
    QTemporaryFile log;
    ASSERT_TRUE(log.open());
    qputenv("TRELVO_UI_SCRIPT_LOG", QFile::encodeName(log.fileName()));
    const auto monotonic = [] {
        timespec now;
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
    };
    const double startedAt = monotonic();
    StderrCapture err;
    installUiFromEnvironment();
    Forms::registerFactory(QStringLiteral("Pages"), [] { return new PagesForm; });
    PagesForm& pages = Forms::get<PagesForm>(QStringLiteral("Pages"));
    pages.Show();

    const QDeadlineTimer deadline(10000);
    while (pages.picked.size() < 2 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(pages.picked, (QList<int>{1, 0}));
    EXPECT_EQ(pages.order, (QStringList{QStringLiteral("pressed with row 1, 1, box 1, Tuesday"), QStringLiteral("dialog answered Continue")}));
    setUi(nullptr);
    EXPECT_EQ(err.finish(), (QStringList{QStringLiteral("no such control: @Pages.Nothing => Click"),
                                         QStringLiteral("the value does not fit the control: @Pages.Check1 => yes")}));
    QStringList acted;
    double last = startedAt;
    for (const QByteArray& line : log.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const double at = line.left(line.indexOf(' ')).toDouble();
        EXPECT_GE(at, last) << line.constData();
        last = at;
        acted << QString::fromUtf8(line.mid(line.indexOf(' ') + 1));
    }
    EXPECT_LE(last, monotonic());
    EXPECT_EQ(acted, (QStringList{"@Pages.List2 => 1", "@Pages.Files => 1", "@pages.check1 => 1", "@Pages.Text1 => \"Tuesday\"",
                                  "@Pages.Command4 => Click", "@frmNotEmpty.Command3 => Click", "@Pages.Check1 => yes",
                                  "@Pages.List2 => 0"}));
}

TEST_F(MachineTest, ScriptedUiHandsAModalWindowToItsHandler)
{
    auto& ui = ScriptedUi::install();
    ui.onForm(QStringLiteral("frmnotempty"), [](Form& f) { static_cast<NotEmptyForm&>(f).Command3.setValue(true); });
    ui.expect(QStringLiteral("already contains files"), QStringLiteral("Retry"));
    NotEmptyForm form;
    form.Show(vbModal);
    EXPECT_EQ(form.Tag(), QStringLiteral("Continue"));
    form.Show(vbModal);
    EXPECT_EQ(form.Tag(), QStringLiteral("Cancel"));
    ASSERT_EQ(ui.shown().size(), 2);
    EXPECT_EQ(ui.shown()[1].buttons, (QStringList{QStringLiteral("Continue?"), QStringLiteral("Formatting..."), QStringLiteral("Retry")}));
    EXPECT_EQ(ui.shown()[1].answer, QStringLiteral("Retry"));
}

// ---- the test double ----------------------------------------------------------

TEST_F(MachineTest, ScriptedUiActsOnTheMachineBeforeAnsweringAndRecordsTheBoxes)
{
    auto& ui = ScriptedUi::install();
    tm.machine().createDisk(QStringLiteral("second"), platform::DiskFormat::byName(QStringLiteral("1.44M")), true);
    QString diskWhenAnswered;
    ui.expect(QStringLiteral("Please insert Disk No. 2"), QStringLiteral("OK"), [&] { tm.machine().insertDisk(QStringLiteral("second")); })
        .expectInput(QStringLiteral("Description"), QStringLiteral("Monday"))
        .expectFormat(QStringLiteral("Quick, monday"));
    EXPECT_EQ(MsgBox(QStringLiteral("Please insert Disk No. 2 now!"), vbOKCancel | vbInformation, QStringLiteral("Message")), vbOK);
    EXPECT_EQ(tm.machine().insertedDisk(u'A'), QStringLiteral("second"));
    EXPECT_EQ(InputBox(QStringLiteral("Description:")), QStringLiteral("Monday"));
    vb::ui().FormatFloppy();
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")), QStringLiteral("MONDAY"));

    ASSERT_EQ(ui.shown().size(), 3);
    EXPECT_EQ(ui.shown()[0].kind, BoxKind::Message);
    EXPECT_EQ(ui.shown()[0].title, QStringLiteral("Message"));
    EXPECT_EQ(ui.shown()[0].buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")}));
    EXPECT_EQ(ui.shown()[0].answer, QStringLiteral("OK"));
    EXPECT_EQ(ui.shown()[1].answer, QStringLiteral("\"Monday\""));
    EXPECT_EQ(ui.shown()[2].kind, BoxKind::Format);
    EXPECT_TRUE(ui.notices().isEmpty());
}

TEST(ScriptedUi, AnUnexpectedBoxFailsTheTestAndGetsItsDefault)
{
    static int result;
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUi::install();
            result = MsgBox(QStringLiteral("Replace the file?"), vbYesNo | vbDefaultButton2);
        },
        "unexpected: \"Trelvo\" [Yes|No] Replace the file? => No");
    EXPECT_EQ(result, vbNo);
}

TEST(ScriptedUi, ExpectationsLeftOverFailTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUi::install().expect(QStringLiteral("Never shown"), QStringLiteral("OK"));
            ScriptedUi::uninstall();
        },
        "expected box never shown: Never shown => OK");
}

TEST(ScriptedUi, TypedExpectationsAnswerOnlyTheirKindOfBox)
{
    static QString typed;
    static QStringList files;
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUi::install().expectFiles(QStringLiteral("Import"), {QStringLiteral("C:\\CONFIG1.INI")});
            typed = InputBox(QStringLiteral("Import from"), {}, QStringLiteral("as typed"));
            files = ui().OpenFiles({QStringLiteral("Import"), {}, {}, false});
        },
        "unexpected: \"Trelvo\" [OK|Cancel] Import from => OK");
    EXPECT_EQ(typed, QStringLiteral("as typed"));
    EXPECT_EQ(files, QStringList{QStringLiteral("C:\\CONFIG1.INI")});
}

TEST(ScriptedUi, EndRunsTheHooksAndThrowsInsteadOfEndingTheProcess)
{
    ScriptedUi::install();
    bool hookRan = false;
    OnEnd([&] { hookRan = true; });
    try {
        End(2);
        ADD_FAILURE() << "End returned";
    } catch (const ProcessEnded& e) {
        EXPECT_EQ(e.code, 2);
    }
    EXPECT_TRUE(hookRan);
}

// ---- the Qt dialogs -----------------------------------------------------------

class QtUiTest : public MachineTest {
protected:
    void SetUp() override { setUi(std::make_unique<QtUi>()); }
    void TearDown() override { setUi(nullptr); }
};

TEST_F(QtUiTest, MessageBoxesShowTheirButtonsInOrderWithDefaultIconAndTitle)
{
    struct Case {
        int buttons;
        QString title;
        QString shownTitle;
        QMessageBox::Icon icon;
        QStringList row;
        QString defaultButton;
        QString press;
        int result;
    };
    const QList<Case> cases = {
        {vbYesNoCancel | vbQuestion | vbDefaultButton2, "Confirm", "Confirm", QMessageBox::Question, {"&Yes", "&No", "Cancel"}, "&No", "Cancel", vbCancel},
        {vbAbortRetryIgnore | vbExclamation | vbDefaultButton2, {}, "Trelvo", QMessageBox::Warning, {"&Abort", "&Retry", "&Ignore"}, "&Retry", "&Ignore", vbIgnore},
        {vbOKOnly | vbCritical, "Warning!", "Warning!", QMessageBox::Critical, {"OK"}, "OK", "OK", vbOK},
        {vbRetryCancel | vbInformation, "Message", "Message", QMessageBox::Information, {"&Retry", "Cancel"}, "&Retry", "&Retry", vbRetry},
        {vbYesNo | vbDefaultButton2, "Message", "Message", QMessageBox::NoIcon, {"&Yes", "&No"}, "&No", "&Yes", vbYes},
    };
    for (const Case& c : cases) {
        whenShown<QMessageBox>([&](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), c.shownTitle);
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(buttonRow(box), c.row);
            ASSERT_NE(box->defaultButton(), nullptr);
            EXPECT_EQ(box->defaultButton()->text(), c.defaultButton);
            buttonCaptioned(box, c.press)->click();
        });
        EXPECT_EQ(MsgBox(QStringLiteral("Go on?"), c.buttons, c.title), c.result) << c.buttons;
    }
}

TEST_F(QtUiTest, TheLettersOfTheButtonsAnswerTheBoxEscCancelsAndF1ShowsItsHelp)
{
    const struct {
        int buttons;
        Qt::Key key;
        int result;
    } cases[] = {
        {vbYesNo | vbQuestion, Qt::Key_N, vbNo},
        {vbYesNoCancel, Qt::Key_Y, vbYes},
        {vbYesNoCancel | vbDefaultButton1, Qt::Key_Escape, vbCancel},
        {vbAbortRetryIgnore, Qt::Key_I, vbIgnore},
        {vbRetryCancel | vbExclamation, Qt::Key_R, vbRetry},
        {vbRetryCancel, Qt::Key_Escape, vbCancel},
    };
    for (const auto& c : cases) {
        whenShown<QMessageBox>([&](QMessageBox* box) { QTest::keyClick(box, c.key); });
        EXPECT_EQ(MsgBox(QStringLiteral("Go on?"), c.buttons), c.result) << c.buttons << " " << c.key;
    }

    // F1 in a box with a Help button shows its topic and leaves the box open.
    bool helpShown = false;
    bool openAfterF1 = false;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_F1);
        openAfterF1 = box->isVisible();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == u"TrelvoHelp" && w->isVisible())
                helpShown = w->findChild<QLabel*>(QStringLiteral("helpText"))->text().contains(QStringLiteral("2010"));
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(MsgBox(QStringLiteral("Start the automatic save?"), vbOKCancel | vbMsgBoxHelpButton, {}, QStringLiteral("Trelvo.hlp"), 2010),
              vbOK);
    EXPECT_TRUE(openAfterF1);
    EXPECT_TRUE(helpShown);
}

TEST_F(QtUiTest, ACarriageReturnInThePromptBreaksTheLine)
{
    QString shown;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->defaultButton()->click();
    });
    MsgBox(QStringLiteral("This disk already contains files!\r\rPlease insert a blank disk,\r\nor format it."));
    EXPECT_EQ(shown, QStringLiteral("This disk already contains files!\n\nPlease insert a blank disk,\nor format it."));
}

TEST_F(QtUiTest, TheHelpButtonShowsHelpAndLeavesTheBoxOpen)
{
    QString helpText;
    bool openAfterHelp = false;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        EXPECT_EQ(buttonRow(box), (QStringList{QStringLiteral("OK"), QStringLiteral("Help")}));
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Help"));
        buttonCaptioned(box, QStringLiteral("Help"))->click();
        openAfterHelp = box->isVisible();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"TrelvoHelp" && w->isVisible() && w->windowTitle() == u"Trelvo Help")
                helpText = w->findChild<QLabel*>(QStringLiteral("helpText"))->text();
        }
        buttonCaptioned(box, QStringLiteral("OK"))->click();
    });
    EXPECT_EQ(MsgBox(QStringLiteral("File not found!"), vbCritical | vbMsgBoxHelpButton | vbDefaultButton2, QStringLiteral("Warning!"),
                     QStringLiteral("Trelvo.hlp"), 2010),
              vbOK);
    EXPECT_TRUE(openAfterHelp);
    EXPECT_TRUE(helpText.contains(QStringLiteral("Trelvo.hlp"))) << helpText.toStdString();
    EXPECT_TRUE(helpText.contains(QStringLiteral("2010")));
    EXPECT_TRUE(helpText.contains(QStringLiteral("Linux")));
}

TEST_F(QtUiTest, TheInputBoxGivesTheTypedTextOrNothingWhenCancelled)
{
    whenShown<QInputDialog>([](QInputDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Description"));
        EXPECT_EQ(d->labelText(), QStringLiteral("Name of the\nconfiguration:"));
        EXPECT_EQ(d->textValue(), QStringLiteral("Monday"));
        d->setTextValue(QStringLiteral("Tuesday"));
        d->accept();
    });
    EXPECT_EQ(InputBox(QStringLiteral("Name of the\rconfiguration:"), QStringLiteral("Description"), QStringLiteral("Monday")),
              QStringLiteral("Tuesday"));
    whenShown<QInputDialog>([](QInputDialog* d) { d->reject(); });
    EXPECT_EQ(InputBox(QStringLiteral("Name:"), {}, QStringLiteral("Monday")), QString());
}

TEST_F(QtUiTest, TheFormatDialogQuickFormatsTheDiskInDriveA)
{
    fs::writeAll(QStringLiteral("A:\\CONF1.TVA"), QByteArray(20000, 'x'));
    fs::createDirectory(QStringLiteral("A:\\SUB"));
    fs::writeAll(QStringLiteral("A:\\SUB\\NOTE.TXT"), "note");
    QString capacity, result;
    whenShown<QDialog>(
        [&](QDialog* d) {
            capacity = child<QLabel>(d, "capacity")->text();
            EXPECT_TRUE(child<QRadioButton>(d, "quick")->isChecked());
            EXPECT_EQ(buttonRow(d), (QStringList{QStringLiteral("Start"), QStringLiteral("Close")}));
            child<QLineEdit>(d, "label")->setText(QStringLiteral("Save1"));
            child<QPushButton>(d, "start")->click();
            result = child<QLabel>(d, "result")->text();
            child<QPushButton>(d, "close")->click();
        },
        formatDialogCaption());
    ui().FormatFloppy();
    EXPECT_EQ(capacity, QStringLiteral("1.44 Mb (3.5\")"));
    EXPECT_EQ(result, QStringLiteral("Format complete: 1,457,664 bytes available on the disk."));
    EXPECT_TRUE(namesOn(QStringLiteral("A:\\*.*")).isEmpty());
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")), QStringLiteral("SAVE1"));
}

TEST_F(QtUiTest, TheFormatDialogSaysWhatCannotBeFormatted)
{
    platform::Machine& m = tm.machine();
    m.createDisk(QStringLiteral("raw"), platform::DiskFormat::byName(QStringLiteral("720K")), false);
    fs::writeAll(QStringLiteral("A:\\KEEP.TXT"), "keep");
    m.protectDisk(QStringLiteral("blank"), true);
    m.ejectDisk();
    QStringList results;
    QString capacity;
    QStringList squeezed;
    whenShown<QDialog>(
        [&](QDialog* d) {
            auto start = [&] {
                child<QPushButton>(d, "start")->click();
                results << child<QLabel>(d, "result")->text();
                // The answer makes room for itself: no field is squeezed, no line cut off.
                QCoreApplication::processEvents();
                for (QWidget* w : d->findChildren<QWidget*>()) {
                    const int needed = w->hasHeightForWidth() ? w->heightForWidth(w->width()) : w->minimumSizeHint().height();
                    if (w->isVisible() && needed > w->height())
                        squeezed << QStringLiteral("%1 after '%2'").arg(w->objectName(), results.last());
                }
            };
            start();   // no disk
            m.insertDisk(QStringLiteral("raw"));
            start();   // quick on an unformatted disk
            m.insertDisk(QStringLiteral("blank"));
            start();   // write-protected
            m.insertDisk(QStringLiteral("raw"));
            child<QRadioButton>(d, "full")->setChecked(true);
            child<QLineEdit>(d, "label")->setText(QStringLiteral("ignored"));
            child<QCheckBox>(d, "noLabel")->setChecked(true);
            EXPECT_FALSE(child<QLineEdit>(d, "label")->isEnabled());
            start();   // a full format makes it usable
            capacity = child<QLabel>(d, "capacity")->text();
            child<QPushButton>(d, "close")->click();
        },
        formatDialogCaption());
    ui().FormatFloppy();
    EXPECT_EQ(squeezed, QStringList());
    ASSERT_EQ(results.size(), 4);
    EXPECT_EQ(results[0], QStringLiteral("There is no disk in drive A:. Insert a disk, and then click Start."));
    EXPECT_TRUE(results[1].startsWith(QStringLiteral("The disk in drive A: is not formatted"))) << results[1].toStdString();
    EXPECT_EQ(results[2], QStringLiteral("The disk in drive A: is write-protected. Remove the write protection, and then click Start."));
    EXPECT_EQ(results[3], QStringLiteral("Format complete: 730,112 bytes available on the disk."));
    EXPECT_EQ(capacity, QStringLiteral("720 Kb (3.5\")"));
    EXPECT_EQ(fs::volumeLabel(QStringLiteral("A:")), QString());
    m.insertDisk(QStringLiteral("blank"));
    EXPECT_EQ(namesOn(QStringLiteral("A:\\*.*")), QStringList{QStringLiteral("KEEP.TXT")});
}

TEST_F(QtUiTest, TheFileDialogBrowsesTheMachineAndGivesWindowsPaths)
{
    whenShown<QDialog>(
        [](QDialog* d) {
            auto* drives = child<QComboBox>(d, "drives");
            QStringList driveNames;
            for (int i = 0; i < drives->count(); ++i)
                driveNames << drives->itemText(i);
            EXPECT_EQ(driveNames, (QStringList{QStringLiteral("3\u00BD Floppy (A:)"), QStringLiteral("WIN98 (C:)")}));
            EXPECT_EQ(drives->currentText(), QStringLiteral("WIN98 (C:)"));
            EXPECT_EQ(child<QLabel>(d, "path")->text(), QStringLiteral("C:\\My Documents"));
            auto* entries = child<QListWidget>(d, "entries");
            EXPECT_EQ(itemTexts(entries), QStringList{QStringLiteral("Letter to Anna.txt")});
            child<QComboBox>(d, "fileType")->setCurrentIndex(1);
            EXPECT_EQ(itemTexts(entries), (QStringList{QStringLiteral("Budget 1999.csv"), QStringLiteral("Letter to Anna.txt")}));
            entries->selectAll();
            child<QPushButton>(d, "ok")->click();
        },
        QStringLiteral("Open archive"));
    EXPECT_EQ(ui().OpenFiles({QStringLiteral("Open archive"), QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*"),
                              QStringLiteral("c:\\my documents"), true}),
              (QStringList{QStringLiteral("C:\\My Documents\\Budget 1999.csv"), QStringLiteral("C:\\My Documents\\Letter to Anna.txt")}));

    // A typed name is taken in the current folder and comes back as stored.
    whenShown<QDialog>(
        [](QDialog* d) {
            auto* name = child<QLineEdit>(d, "fileName");
            name->setText(QStringLiteral("no such file.txt"));
            child<QPushButton>(d, "ok")->click();
            EXPECT_TRUE(d->isVisible());
            EXPECT_TRUE(child<QLabel>(d, "status")->text().contains(QStringLiteral("File not found")));
            name->setText(QStringLiteral("letter TO anna.TXT"));
            child<QPushButton>(d, "ok")->click();
        },
        QStringLiteral("Open"));
    EXPECT_EQ(ui().OpenFiles({{}, {}, QStringLiteral("C:\\My Documents"), false}),
              QStringList{QStringLiteral("C:\\My Documents\\Letter to Anna.txt")});
}

TEST_F(QtUiTest, TheFolderDialogGoesThroughTheMachinesDrivesAndFolders)
{
    tm.machine().ejectDisk();
    whenShown<QDialog>(
        [](QDialog* d) {
            EXPECT_EQ(child<QLabel>(d, "path")->text(), QStringLiteral("C:\\"));
            auto* entries = child<QListWidget>(d, "entries");
            EXPECT_TRUE(itemTexts(entries).contains(QStringLiteral("WINDOWS")));
            EXPECT_FALSE(itemTexts(entries).contains(QStringLiteral("AUTOEXEC.BAT")));   // folders only
            // The empty floppy drive cannot be read: the dialog stays where it was.
            auto* drives = child<QComboBox>(d, "drives");
            drives->setCurrentIndex(0);
            emit drives->activated(0);
            EXPECT_TRUE(child<QLabel>(d, "status")->text().contains(QStringLiteral("not accessible")));
            EXPECT_EQ(child<QLabel>(d, "path")->text(), QStringLiteral("C:\\"));
            EXPECT_EQ(drives->currentIndex(), 1);

            emit entries->itemDoubleClicked(entries->findItems(QStringLiteral("WINDOWS"), Qt::MatchExactly).first());
            EXPECT_EQ(child<QLabel>(d, "path")->text(), QStringLiteral("C:\\WINDOWS"));
            entries->setCurrentItem(entries->findItems(QStringLiteral("SYSTEM"), Qt::MatchExactly).first());
            child<QPushButton>(d, "ok")->click();
        },
        QStringLiteral("Select the save folder"));
    EXPECT_EQ(ui().BrowseForFolder(QStringLiteral("Select the save folder")), QStringLiteral("C:\\WINDOWS\\SYSTEM"));
}
