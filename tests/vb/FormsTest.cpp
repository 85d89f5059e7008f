// The form registry and the life of a form: loading on first touch, unloading, load order,
// the close box, modal showing and Form_Activate.
#include "support/ScriptedUi.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace vb;

namespace {

// What the forms of a test did, in order: "Name:Event".
QStringList& events()
{
    static QStringList list;
    return list;
}

class ProbeForm : public Form {
public:
    explicit ProbeForm(const QString& name) : Form(name)
    {
        setCaption(QStringLiteral("Probe window"));
        Label1.setCaption(QStringLiteral("Design text"));
        Command1.setCaption(QStringLiteral("&OK"));
        connect(&Command1, &CommandButton::Click, this, [this] { Command1_Click(); });
        ++constructed;
    }

    Label Label1{*this, "Label1"};
    CheckBox Check5{*this, "Check5"};
    CommandButton Command1{*this, "Command1"};

    std::function<void()> onLoad;
    std::function<void()> onCommand1;
    int cancelQueryUnload = 0;   // how many more QueryUnload events cancel
    static inline int constructed = 0;

    void Form_Load() override
    {
        events() << Name() + ":Load";
        if (onLoadAll)
            onLoadAll(*this);
    }
    void Form_Activate() override { events() << Name() + ":Activate"; }
    void Form_QueryUnload(int& cancel, int unloadMode) override
    {
        events() << Name() + ":QueryUnload " + QString::number(unloadMode);
        if (cancelQueryUnload > 0) {
            --cancelQueryUnload;
            cancel = 1;
        }
    }
    void Form_Unload(int& cancel) override { events() << Name() + ":Unload"; }
    void Form_Resize() override { ++resized; }
    void Command1_Click()
    {
        events() << Name() + ":Command1_Click";
        if (onCommand1)
            onCommand1();
    }

    int resized = 0;
    // Run by every probe's Form_Load (set before the form exists).
    static inline std::function<void(ProbeForm&)> onLoadAll;
};

ProbeForm& probe(const QString& name) { return Forms::get<ProbeForm>(name); }

// Lets modal windows run their loop for a test to drive them (the scripted double answers
// them at once).
struct LetWindowsRun : testsupport::ScriptedUi {
    bool ModalForm(Form&) override { return false; }
};

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui = &testsupport::ScriptedUi::install();
        Forms::reset();
        events().clear();
        ProbeForm::constructed = 0;
        ProbeForm::onLoadAll = nullptr;
        for (const char* name : {"Form1", "Form2", "RestoreReq", "Import"})
            Forms::registerFactory(QString::fromLatin1(name), [name] { return new ProbeForm(QString::fromLatin1(name)); });
    }
    void TearDown() override
    {
        Forms::reset();
        ProbeForm::onLoadAll = nullptr;
        setUi(nullptr);
    }

    // Lets the window system's late reports (activation echoes) arrive.
    static void settle()
    {
        for (int i = 0; i < 5; ++i) {
            DoEvents();
            QTest::qWait(5);
        }
    }

    testsupport::ScriptedUi* ui = nullptr;
};

TEST_F(FormsTest, FirstTouchOfAControlByNameCreatesTheFormHiddenAndLoadsItOnce)
{
    EXPECT_FALSE(Forms::isLoaded("RestoreReq"));

    Forms::get("RestoreReq").control<CheckBox>("Check5").setValue(1);
    Forms::get("restorereq").control<CheckBox>("check5").setEnabled(false);   // names ignore case

    EXPECT_TRUE(Forms::isLoaded("RestoreReq"));
    EXPECT_EQ(ProbeForm::constructed, 1);
    EXPECT_EQ(events(), QStringList{"RestoreReq:Load"});
    ProbeForm& form = probe("RestoreReq");
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(form.window()->isVisible());
    EXPECT_EQ(form.Check5.Value(), 1);
    EXPECT_FALSE(form.Check5.Enabled());
    EXPECT_EQ(&form.control<CheckBox>("Check5"), &form.Check5);
}

TEST_F(FormsTest, LookupErrorsCarryTheirNumbers)
{
    Form& form = Forms::get("Form1");
    try {
        form.control<CheckBox>("Check6");
        FAIL() << "a missing control was found";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 438);
    }
    try {
        form.control<ListBox>("Check5");   // there, but not a list
        FAIL() << "a check box passed for a list";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 438);
    }
    try {
        Forms::get("Wizzard");
        FAIL() << "a form without a factory was loaded";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 424);
    }
    EXPECT_EQ(form.controls().size(), 3);
    EXPECT_EQ(form.controls().at(0)->Name(), "Label1");   // creation order
    EXPECT_EQ(form.controls().at(2)->Name(), "Command1");
}

TEST_F(FormsTest, UnloadThenTouchCreatesTheFormAnewWithItsDesignTexts)
{
    ProbeForm& first = probe("Import");
    first.Label1.setCaption(QStringLiteral("Changed at run time"));
    first.setCaption(QStringLiteral("Changed caption"));
    first.Check5.setValue(1);
    QPointer<ProbeForm> old(&first);

    EXPECT_TRUE(Forms::unload("Import"));
    EXPECT_FALSE(Forms::isLoaded("Import"));
    EXPECT_FALSE(old->window()->isVisible());
    DoEvents();   // the old instance goes with the deferred deletions
    EXPECT_TRUE(old.isNull());

    ProbeForm& second = probe("Import");
    EXPECT_EQ(second.Label1.Caption(), "Design text");
    EXPECT_EQ(second.Caption(), "Probe window");
    EXPECT_EQ(second.Check5.Value(), 0);
    EXPECT_EQ(ProbeForm::constructed, 2);
    EXPECT_EQ(events(), (QStringList{"Import:Load", "Import:QueryUnload 1", "Import:Unload", "Import:Load"}));
    EXPECT_FALSE(Forms::unload("Form2")) << "a form that is not loaded has nothing to unload";
}

TEST_F(FormsTest, FormsAreKeptInLoadOrderAndAnExitUnloadsFromTheLastDownToTheSecond)
{
    // Form1's load touches RestoreReq, as the start-up reads the settings into it.
    ProbeForm::onLoadAll = [](ProbeForm& form) {
        if (form.Name() == "Form1")
            Forms::get("RestoreReq").control<CheckBox>("Check5").setEnabled(false);
    };
    probe("Form2");
    probe("Form1");
    probe("Import");
    QStringList order;
    for (Form* form : Forms::loaded())
        order << form->Name();
    ASSERT_EQ(order, (QStringList{"Form2", "Form1", "RestoreReq", "Import"}));

    Forms::unload("Form2");   // the splash window goes at the end of start-up
    events().clear();
    const QList<Form*> loaded = Forms::loaded();
    for (qsizetype i = loaded.size() - 1; i >= 1; --i)
        loaded[i]->Unload();

    EXPECT_EQ(events(), (QStringList{"Import:QueryUnload 1", "Import:Unload", "RestoreReq:QueryUnload 1",
                                     "RestoreReq:Unload"}));
    ASSERT_EQ(Forms::loaded().size(), 1);
    EXPECT_EQ(Forms::loaded().first()->Name(), "Form1");
}

TEST_F(FormsTest, AFailingFormLoadLeavesTheFormUnloadedAndReachesTheCaller)
{
    ProbeForm::onLoadAll = [](ProbeForm&) { throw Error(53); };
    try {
        Forms::get("Form1");
        FAIL() << "the load error was lost";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 53);
    }
    EXPECT_FALSE(Forms::isLoaded("Form1"));
    EXPECT_TRUE(Forms::loaded().isEmpty());

    ProbeForm::onLoadAll = nullptr;
    probe("Form1");   // the next touch tries again
    EXPECT_EQ(ProbeForm::constructed, 2);
    EXPECT_TRUE(Forms::isLoaded("Form1"));
}

TEST_F(FormsTest, QueryUnloadCanRefuseAnUnloadByCode)
{
    ProbeForm& form = probe("Form1");
    form.cancelQueryUnload = 1;
    EXPECT_FALSE(Forms::unload("Form1"));
    EXPECT_TRUE(Forms::isLoaded("Form1"));
    EXPECT_EQ(events(), (QStringList{"Form1:Load", "Form1:QueryUnload 1"}));
    form.Unload();
    EXPECT_FALSE(Forms::isLoaded("Form1"));
}

TEST_F(FormsTest, TheCloseBoxAsksQueryUnloadWithModeZeroWhichMayCancel)
{
    ProbeForm& form = probe("Form1");
    form.Show();
    form.cancelQueryUnload = 1;

    form.window()->close();
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(Forms::isLoaded("Form1"));

    form.window()->close();
    EXPECT_FALSE(Forms::isLoaded("Form1"));
    EXPECT_FALSE(form.window()->isVisible());
    EXPECT_EQ(events().filter(":QueryUnload").join('|'), "Form1:QueryUnload 0|Form1:QueryUnload 0");
    EXPECT_EQ(events().filter(":Unload").size(), 1);
}

TEST_F(FormsTest, AModalShowReturnsWhenAButtonHandlerHidesTheForm)
{
    setUi(std::make_unique<LetWindowsRun>());
    ProbeForm& form = probe("RestoreReq");
    bool wasModal = false;
    form.onCommand1 = [&] {
        wasModal = form.window()->isModal();
        form.Hide();
    };
    QTimer::singleShot(0, [&] { QTest::mouseClick(form.Command1.widget(), Qt::LeftButton); });
    bool watchdog = false;
    QTimer::singleShot(5000, [&] { watchdog = true; form.Hide(); });

    form.Show(vbModal);

    EXPECT_FALSE(watchdog);
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(Forms::isLoaded("RestoreReq"));
    EXPECT_TRUE(events().contains("RestoreReq:Command1_Click"));

    form.Show();   // a later ordinary showing is not modal
    EXPECT_FALSE(form.window()->isModal());
}

TEST_F(FormsTest, AModalShowReturnsWhenTheFormUnloadsItself)
{
    setUi(std::make_unique<LetWindowsRun>());
    ProbeForm& form = probe("Import");
    QPointer<ProbeForm> alive(&form);
    form.onCommand1 = [&] { form.Unload(); };
    QTimer::singleShot(0, [&] { QTest::mouseClick(form.Command1.widget(), Qt::LeftButton); });
    QTimer::singleShot(5000, [&] { if (alive) alive->Hide(); });

    form.Show(vbModal);

    EXPECT_FALSE(Forms::isLoaded("Import"));
    DoEvents();
    EXPECT_TRUE(alive.isNull());
}

// The end of the program in a click the window system delivered leaves through the wait that
// let the click in (never through the window system's own code); nothing runs after it.
TEST_F(FormsTest, AnEndInAClickComesOutOfTheModalWaitAndNoLaterHandlerRuns)
{
    setUi(std::make_unique<LetWindowsRun>());
    ProbeForm& form = probe("RestoreReq");
    form.onCommand1 = [] { End(); };
    const QPointer<QWidget> button = form.Command1.widget();
    QTimer user;
    user.setSingleShot(true);
    QObject::connect(&user, &QTimer::timeout, [&] {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(escapeHeld());
        QTest::mouseClick(button, Qt::LeftButton);   // the program has ended: no second Click
    });
    user.start(0);
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] { form.Hide(); });
    watchdog.start(5000);

    EXPECT_THROW(form.Show(vbModal), testsupport::ProcessEnded);
    EXPECT_FALSE(escapeHeld());
    EXPECT_EQ(events().count("RestoreReq:Command1_Click"), 1);
    EXPECT_TRUE(watchdog.isActive()) << "the wait went on after the end";
}

TEST_F(FormsTest, AModalShowThatTheUiServicesAnswerRunsNoLoop)
{
    QString seen;
    ui->onForm("RestoreReq", [&](Form& form) {
        seen = form.Caption();
        form.control<CommandButton>("Command1").setValue(true);
    });
    ProbeForm& form = probe("RestoreReq");
    form.onCommand1 = [&] { form.Hide(); };

    form.Show(vbModal);   // would never return if a loop ran: nobody clicks

    EXPECT_EQ(seen, "Probe window");
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(events().filter("Activate"), QStringList{"RestoreReq:Activate"}) << "shown before the services answer";
}

TEST_F(FormsTest, ShowingAVisibleFormModallyIsError400)
{
    ProbeForm& form = probe("Form1");
    form.Show();
    try {
        form.Show(vbModal);
        FAIL() << "a visible form was shown modally";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 400);
    }
}

TEST_F(FormsTest, ActivateFiresWhenAnotherFormBecomesActiveButNotAfterAMessageBox)
{
    ProbeForm& main = probe("Form1");
    ProbeForm& choice = probe("RestoreReq");
    const auto activations = [] { return events().filter(":Activate"); };

    main.Show();
    choice.Show();
    settle();
    EXPECT_EQ(activations(), (QStringList{"Form1:Activate", "RestoreReq:Activate"}));
    EXPECT_EQ(Forms::active(), &choice);

    choice.Show();   // already the active one
    settle();
    EXPECT_EQ(activations().size(), 2);

    QTimer::singleShot(20, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    QMessageBox box(QMessageBox::Information, QStringLiteral("Trelvo"), QStringLiteral("Files successfully restored"),
                    QMessageBox::Ok, choice.window());
    box.exec();
    settle();
    EXPECT_EQ(activations().size(), 2) << activations().join(", ").toStdString();
    EXPECT_EQ(Forms::active(), &choice);

    main.SetFocus();
    settle();
    EXPECT_EQ(activations().last(), "Form1:Activate");
    EXPECT_EQ(activations().size(), 3);

    // The user clicks the other window: the window system activates it.
    choice.window()->activateWindow();
    settle();
    EXPECT_EQ(activations().last(), "RestoreReq:Activate");
    EXPECT_EQ(activations().size(), 4);

    // Hiding the active form hands the activation back to the one active before it.
    choice.Hide();
    settle();
    EXPECT_EQ(activations().last(), "Form1:Activate");
    EXPECT_EQ(activations().size(), 5);
    EXPECT_EQ(Forms::active(), &main);
}

TEST_F(FormsTest, WindowGeometryIsInTwipsAndResizingRaisesResize)
{
    ProbeForm& form = probe("Form1");
    form.setClientSize(4500, 3000);
    EXPECT_EQ(form.window()->size(), QSize(300, 200));
    EXPECT_EQ(form.ScaleWidth(), 4500);
    form.setScaleMode(vbPixels);
    EXPECT_EQ(form.ScaleHeight(), 200);
    const int pixels = form.TextWidth(QStringLiteral("C:\\WINDOWS\\WIN.INI"));
    EXPECT_GT(pixels, 0);
    form.setScaleMode(vbTwips);
    EXPECT_EQ(form.TextWidth(QStringLiteral("C:\\WINDOWS\\WIN.INI")), pixels * 15);

    form.Move(1500, 750);
    EXPECT_EQ(form.Left(), 1500);
    EXPECT_EQ(form.Top(), 750);

    form.Show();
    const int before = form.resized;
    form.setClientSize(6000, 3000);
    EXPECT_GT(form.resized, before);
    form.setWindowState(vbMinimized);
    EXPECT_EQ(form.WindowState(), vbMinimized);
    EXPECT_TRUE(form.Visible()) << "a minimised form is still visible";
    form.setWindowState(vbNormal);
    EXPECT_EQ(form.WindowState(), vbNormal);
}

TEST_F(FormsTest, WindowHandlesAreDistinctAndLeadBackToTheirForm)
{
    Form& a = Forms::get("Form1");
    Form& b = Forms::get("Form2");
    EXPECT_NE(a.hWnd(), b.hWnd());
    EXPECT_NE(a.hWnd(), 0);
    EXPECT_EQ(Forms::fromHwnd(a.hWnd()), &a);
    EXPECT_EQ(Forms::fromHwnd(b.hWnd()), &b);
    const qint32 gone = a.hWnd();
    a.Unload();
    EXPECT_EQ(Forms::fromHwnd(gone), nullptr);
}

TEST_F(FormsTest, AnUntrappedErrorInAnEventHandlerIsReportedAndEndsTheProgram)
{
    ui->expect("Run-time error '5':", "OK");
    try {
        runEventHandler([] { throw Error(5); });
        FAIL() << "the program went on";
    } catch (const testsupport::ProcessEnded&) {
    }
    ASSERT_EQ(ui->shown().size(), 1);
    EXPECT_TRUE(ui->shown().first().prompt.contains("Invalid procedure call or argument"));
}

TEST_F(FormsTest, TheMousePointerIsOneSettingNotAStack)
{
    Screen::setMousePointer(11);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen::setMousePointer(11);
    Screen::setMousePointer(0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "setting the hourglass twice stacked it";
    EXPECT_EQ(Screen::MousePointer(), 0);
    Screen::setMousePointer(0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_THROW(Screen::setMousePointer(16), Error);
}

TEST_F(FormsTest, DoEventsRunsPostedEventsWithoutWaiting)
{
    int ran = 0;
    QTimer::singleShot(0, [&] { ++ran; });
    QMetaObject::invokeMethod(qApp, [&] { ++ran; }, Qt::QueuedConnection);
    DoEvents();
    EXPECT_EQ(ran, 2);
}

} // namespace

TEST_F(FormsTest, AFormOpensCentredOverTheActiveOneUnlessItsCodePlacedIt)
{
    ProbeForm& main = probe("Form1");
    main.setClientSize(9000, 6000);
    main.Move(300, 450);
    main.Show();
    const auto centre = [](const Form& f) { return QRectF(f.window()->frameGeometry()).center(); };
    const auto near = [](QPointF a, QPointF b) { return qAbs(a.x() - b.x()) <= 1 && qAbs(a.y() - b.y()) <= 1; };

    ProbeForm& dialog = probe("RestoreReq");
    dialog.setClientSize(3000, 1500);
    dialog.Show();
    EXPECT_TRUE(near(centre(dialog), centre(main)));

    // Hidden and shown again by the same window, it keeps its place (the user may have
    // moved it); opened from another window, it comes over that one.
    dialog.Hide();
    dialog.window()->move(dialog.window()->pos() + QPoint(40, 30));
    const QPoint moved = dialog.window()->pos();
    main.SetFocus();
    dialog.Show();
    EXPECT_EQ(dialog.window()->pos(), moved);
    dialog.Hide();
    ProbeForm& other = probe("Import");
    other.setClientSize(4500, 3000);
    other.Move(6000, 3000);   // placed by its code: it stays there
    other.Show();
    EXPECT_EQ(other.Left(), 6000);
    dialog.Show();
    EXPECT_TRUE(near(centre(dialog), centre(other)));
}

TEST_F(FormsTest, AWindowThatWouldHideItsOpenerWholeOpensBesideIt)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto twips = [](int pixels) { return vb::twipsFromPixels(pixels); };
    const auto frame = [](const Form& f) { return f.window()->frameGeometry(); };

    // An opener its code placed at the left, with room to its right: the larger window
    // comes there, level with it, and the opener does not move.
    ProbeForm& main = probe("Form1");
    main.setClientSize(twips(screen.width() / 5), twips(screen.height() / 5));
    main.Move(twips(screen.left() + 10), twips(screen.top() + screen.height() / 3));
    main.Show();
    const QRect mainAt = frame(main);
    ProbeForm& contents = probe("RestoreReq");
    contents.setClientSize(twips(screen.width() / 3), twips(screen.height() / 3));
    contents.Show();
    EXPECT_EQ(frame(main), mainAt);
    EXPECT_FALSE(frame(contents).intersects(mainAt));
    EXPECT_EQ(frame(contents).left(), mainAt.right() + 1);
    EXPECT_LE(qAbs(frame(contents).center().y() - mainAt.center().y()), 1);
    contents.Hide();

    // An opener in the middle of the screen with no room on either side of it: the two are
    // moved apart, side by side, both whole on the screen.
    main.Move(twips(screen.center().x() - mainAt.width() / 2), twips(mainAt.top()));
    main.SetFocus();
    ProbeForm& import = probe("Import");
    import.setClientSize(twips(screen.width() * 2 / 5), twips(screen.height() / 3));
    import.Show();
    contents.setClientSize(twips(screen.width() / 2), twips(screen.height() / 2));
    contents.Show();
    EXPECT_FALSE(frame(contents).intersects(frame(import)));
    EXPECT_TRUE(screen.contains(frame(contents)));
    EXPECT_TRUE(screen.contains(frame(import)));
    EXPECT_EQ(frame(contents).left(), frame(import).right() + 1);
    // When it goes, the opener goes back where it was.
    const QRect importMoved = frame(import);
    contents.Hide();
    EXPECT_NE(frame(import), importMoved);
    EXPECT_LE(qAbs(frame(import).center().x() - frame(main).center().x()), 1);
    contents.Show();
    EXPECT_EQ(frame(import), importMoved);
    // An opener the user has moved meanwhile stays where the user put it.
    import.window()->move(importMoved.topLeft() + QPoint(0, 20));
    const QPoint putByUser = import.window()->pos();
    contents.Hide();
    EXPECT_EQ(import.window()->pos(), putByUser);

    // A smaller window still opens centred over its opener.
    contents.Hide();
    ProbeForm& note = probe("Form2");
    note.setClientSize(twips(screen.width() / 10), twips(screen.height() / 10));
    note.Show();
    EXPECT_LE(qAbs(frame(note).center().x() - frame(import).center().x()), 1);
    EXPECT_LE(qAbs(frame(note).center().y() - frame(import).center().y()), 1);
}
