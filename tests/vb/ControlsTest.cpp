// The controls of the forms runtime on real widgets: their value rules, their events for
// code and for the user's clicks and keys, and their placement in twips.
#include "support/QtPrinters.h"
#include "support/ScriptedUi.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace vb;

namespace {

class PanelForm : public Form {
public:
    PanelForm() : Form(QStringLiteral("Panel"))
    {
        setClientSize(9000, 6000);
        Frame1.Move(120, 120, 3000, 2000);
        Check1.Move(120, 300, 2000, 300);
        Option1.Move(120, 300, 1500, 300);
        Option2.Move(120, 700, 1500, 300);
        Option3.Move(3300, 120, 1500, 300);
        Option4.Move(3300, 500, 1500, 300);
        Label1.Move(3300, 900, 5400, 1200);
        Text1.Move(3300, 2200, 3000, 300);
        Text2.Move(3300, 2600, 3000, 900);
        Command1.Move(120, 5000, 1200, 400);
        Command2.Move(1500, 5000, 1200, 400);
        Command3.Move(2900, 5000, 1200, 400);
        Command1.setCaption(QStringLiteral("&Save"));
        Command2.setCaption(QStringLiteral("Cancel"));
        Command3.setCaption(QStringLiteral("&Help"));
        Command1.setDefault(true);
        Command2.setCancel(true);
        const auto count = [this](const QString& what) { return [this, what] { clicks << what; }; };
        connect(&Check1, &CheckBox::Click, this, count("Check1"));
        connect(&Option1, &OptionButton::Click, this, count("Option1"));
        connect(&Option2, &OptionButton::Click, this, count("Option2"));
        connect(&Command1, &CommandButton::Click, this, count("Command1"));
        connect(&Command2, &CommandButton::Click, this, count("Command2"));
        connect(&Command3, &CommandButton::Click, this, count("Command3"));
        connect(&Text1, &TextBox::Change, this, count("Text1_Change"));
    }

    Frame Frame1{*this, "Frame1"};
    CheckBox Check1{Frame1, "Check1"};
    OptionButton Option1{Frame1, "Option1"};
    OptionButton Option2{Frame1, "Option2"};
    OptionButton Option3{*this, "Option3"};
    OptionButton Option4{*this, "Option4"};
    Label Label1{*this, "Label1"};
    TextBox Text1{*this, "Text1"};
    TextBox Text2{*this, "Text2", true};
    CommandButton Command1{*this, "Command1"};
    CommandButton Command2{*this, "Command2"};
    CommandButton Command3{*this, "Command3"};
    QStringList clicks;
};

class ListsForm : public Form {
public:
    ListsForm() : Form(QStringLiteral("Lists"))
    {
        setClientSize(9000, 6000);
        List1.Move(120, 120, 3000, 1500);
        List2.Move(3300, 120, 3000, 1500);
        Combo1.Move(120, 1800, 3000, 315);
        Combo2.Move(3300, 1800, 3000, 315);
        List2.setMultiSelect(1);
        connect(&List1, &ListBox::Click, this, [this] { clicks << QStringLiteral("List1:%1").arg(List1.ListIndex()); });
        connect(&List2, &ListBox::Click, this, [this] { clicks << QStringLiteral("List2"); });
        connect(&List1, &ListBox::DblClick, this, [this] { clicks << QStringLiteral("List1:DblClick"); });
        connect(&List1, &ListBox::MouseDown, this, [this](int button, int shift, int x, int y) {
            clicks << QStringLiteral("List1:MouseDown %1 %2 %3 %4").arg(button).arg(shift).arg(x).arg(y);
        });
        connect(&Combo1, &ComboBox::Click, this, [this] { clicks << QStringLiteral("Combo1:%1").arg(Combo1.ListIndex()); });
        connect(&Combo2, &ComboBox::Click, this, [this] { clicks << QStringLiteral("Combo2"); });
        connect(&Combo2, &ComboBox::Change, this, [this] { clicks << QStringLiteral("Combo2:Change"); });
    }

    ListBox List1{*this, "List1"};
    ListBox List2{*this, "List2"};
    ComboBox Combo1{*this, "Combo1", 2};
    ComboBox Combo2{*this, "Combo2", 0};
    QStringList clicks;
};

class CommonForm : public Form {
public:
    CommonForm() : Form(QStringLiteral("Common"))
    {
        setClientSize(9000, 6000);
        SSTab1.Move(120, 120, 6000, 3000);
        Check9.Move(120, 120, 2000, 300);
        ProgressBar1.Move(120, 3300, 3000, 300);
        Slider1.Move(120, 3700, 3000, 450);
        connect(&SSTab1, &TabStrip::Click, this, [this](int previous) {
            clicks << QStringLiteral("SSTab1:%1->%2").arg(previous).arg(SSTab1.Tab());
            if (sendToTab2 && SSTab1.Tab() != 2) {
                sendToTab2 = false;
                SSTab1.setTab(2);   // the handler changes the tab again, as the main window's does
            }
        });
        connect(&Slider1, &Slider::Change, this, [this] { clicks << QStringLiteral("Slider1:%1").arg(Slider1.Value()); });
        connect(&Slider1, &Slider::Click, this, [this] { clicks << QStringLiteral("Slider1_Click"); });
    }

    TabStrip SSTab1{*this, "SSTab1", 3};
    CheckBox Check9{{SSTab1, 1}, "Check9"};
    ProgressBar ProgressBar1{*this, "ProgressBar1"};
    Slider Slider1{*this, "Slider1"};
    StatusBar StatusBar1{*this, "StatusBar1"};
    Timer Timer1{*this, "Timer1"};
    QStringList clicks;
    bool sendToTab2 = false;
};

template <class F>
F& shown(const char* name)
{
    F& form = Forms::get<F>(QString::fromLatin1(name));
    form.Show();
    return form;
}

int errorOf(const std::function<void()>& statement)
{
    try {
        statement();
    } catch (const Error& e) {
        return e.Number();
    }
    return 0;
}

QPoint centre(const WidgetControl& control) { return control.widget()->rect().center(); }
// Where a check box or option button takes a click whatever its caption.
QPoint indicator(const WidgetControl& control) { return {7, control.widget()->height() / 2}; }

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ScriptedUi::install();
        Forms::reset();
        Forms::registerFactory(QStringLiteral("Panel"), [] { return new PanelForm; });
        Forms::registerFactory(QStringLiteral("Lists"), [] { return new ListsForm; });
        Forms::registerFactory(QStringLiteral("Common"), [] { return new CommonForm; });
    }
    void TearDown() override { Forms::reset(); }
};

// --- Buttons ----------------------------------------------------------------------------

TEST_F(ControlsTest, CheckBoxValuesFollowTheRules)
{
    PanelForm& form = shown<PanelForm>("Panel");
    CheckBox& box = form.Check1;
    auto* widget = static_cast<QCheckBox*>(box.widget());

    EXPECT_EQ(errorOf([&] { box.setValue(3); }), 380);
    EXPECT_EQ(errorOf([&] { box.setValue(-1); }), 380);
    EXPECT_TRUE(form.clicks.isEmpty());

    box.setValue(1);
    box.setValue(1);   // the same value: no Click
    EXPECT_EQ(form.clicks, QStringList{"Check1"});
    box.setValue(2);
    EXPECT_EQ(widget->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(form.clicks.size(), 2);

    // The user's clicks: greyed goes to ticked, and then only between 0 and 1.
    QTest::mouseClick(widget, Qt::LeftButton, {}, indicator(box));
    EXPECT_EQ(box.Value(), 1);
    QTest::mouseClick(widget, Qt::LeftButton, {}, indicator(box));
    EXPECT_EQ(box.Value(), 0);
    QTest::mouseClick(widget, Qt::LeftButton, {}, indicator(box));
    EXPECT_EQ(box.Value(), 1);
    EXPECT_EQ(form.clicks.size(), 5);

    box.setEnabled(false);
    QTest::mouseClick(widget, Qt::LeftButton, {}, indicator(box));
    EXPECT_EQ(box.Value(), 1) << "a disabled box took a click";
}

TEST_F(ControlsTest, OptionButtonsExcludeEachOtherWithinTheirContainer)
{
    PanelForm& form = shown<PanelForm>("Panel");
    form.Option1.setValue(true);
    form.Option3.setValue(true);   // another container: Option1 stays
    EXPECT_TRUE(form.Option1.Value());
    form.Option2.setValue(true);
    EXPECT_FALSE(form.Option1.Value());
    EXPECT_EQ(form.clicks, (QStringList{"Option1", "Option2"}));

    QTest::mouseClick(form.Option1.widget(), Qt::LeftButton, {}, indicator(form.Option1));
    EXPECT_TRUE(form.Option1.Value());
    EXPECT_FALSE(form.Option2.Value());
    EXPECT_EQ(form.clicks.last(), "Option1");

    form.Option1.setValue(false);
    EXPECT_FALSE(form.Option1.Value());
    EXPECT_FALSE(form.Option2.Value());
}

TEST_F(ControlsTest, CommandButtonsAnswerValueEnterEscAndAccessKeys)
{
    PanelForm& form = shown<PanelForm>("Panel");
    form.Command3.setValue(true);
    EXPECT_EQ(form.clicks, QStringList{"Command3"});

    form.Text1.SetFocus();
    QTest::keyClick(form.Text1.widget(), Qt::Key_Return);
    EXPECT_EQ(form.clicks.last(), "Command1") << "Enter did not press the default button";
    QTest::keyClick(form.Text1.widget(), Qt::Key_Escape);
    EXPECT_EQ(form.clicks.last(), "Command2") << "Esc did not press the cancel button";

    // Access keys, typed in the text box, before and after the window system has made
    // the window the active one.
    form.clicks.clear();
    QTest::keyClick(form.Text1.widget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(form.clicks, QStringList{"Command1"});
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.window()));
    form.Text1.SetFocus();
    QTest::keyClick(form.Text1.widget(), Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.clicks.size() == 2; }, 2000));
    EXPECT_EQ(form.clicks, (QStringList{"Command1", "Command3"}));
    QTest::keyClick(form.Text1.widget(), Qt::Key_X, Qt::AltModifier);   // no such key
    QTest::qWait(150);
    EXPECT_EQ(form.clicks.filter("Command").size(), 2);

    // One default per form: making Command3 the default takes it from Command1.
    form.Command3.setDefault(true);
    EXPECT_FALSE(form.Command1.Default());
    form.clicks.clear();
    form.Text1.SetFocus();
    QTest::keyClick(form.Text1.widget(), Qt::Key_Enter);
    EXPECT_EQ(form.clicks, QStringList{"Command3"});

    form.Command3.setEnabled(false);
    form.clicks.clear();
    QTest::keyClick(form.Text1.widget(), Qt::Key_Return);
    EXPECT_TRUE(form.clicks.isEmpty()) << "a disabled default button was pressed";
}

TEST_F(ControlsTest, AButtonDisabledWhileItHasTheFocusLeavesTheFocusWithItsWindow)
{
    // A wizard's Next: pressed, disabled with Cancel while the work runs, enabled again
    // after it. The focus is not handed on to the one button left enabled, so Enter still
    // means the default button and Space presses nothing the user did not choose.
    PanelForm& form = shown<PanelForm>("Panel");
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.window()));
    form.Command1.SetFocus();
    form.Command1.setEnabled(false);
    form.Command2.setEnabled(false);
    EXPECT_FALSE(form.Command3.widget()->hasFocus());
    form.Command1.setEnabled(true);
    form.Command2.setEnabled(true);
    form.clicks.clear();
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : form.window();
    QTest::keyClick(focus, Qt::Key_Space);
    EXPECT_TRUE(form.clicks.isEmpty()) << form.clicks.join(u' ').toStdString();
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(form.clicks, QStringList{"Command1"});

    // The same while another window is the active one, as when a box has just closed and
    // the window system has not yet made the form active again.
    form.Command1.SetFocus();
    QWidget box;
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    form.Command1.setEnabled(false);
    form.Command2.setEnabled(false);
    box.hide();
    form.window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.window()));
    form.Command1.setEnabled(true);
    form.Command2.setEnabled(true);
    form.clicks.clear();
    focus = QApplication::focusWidget() ? QApplication::focusWidget() : form.window();
    QTest::keyClick(focus, Qt::Key_Space);
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(form.clicks, QStringList{"Command1"});
}

// --- Label and TextBox ------------------------------------------------------------------

TEST_F(ControlsTest, ALabelBreaksItsLineAtACarriageReturnButKeepsTheCaption)
{
    PanelForm& form = shown<PanelForm>("Panel");
    auto* label = static_cast<QLabel*>(form.Label1.widget());
    const QString caption = QStringLiteral("Saving the current Configuration...\r Please wait...");
    form.Label1.setCaption(caption);

    EXPECT_EQ(form.Label1.Caption(), caption);
    EXPECT_EQ(label->text(), "Saving the current Configuration...\n Please wait...");
    const int lineSpacing = label->fontMetrics().lineSpacing();
    const QRect drawn = label->fontMetrics().boundingRect(label->contentsRect(), int(label->alignment()) | Qt::TextWordWrap,
                                                          label->text());
    EXPECT_GE(drawn.height(), 2 * lineSpacing);
    EXPECT_LT(drawn.height(), 3 * lineSpacing);

    form.Label1.setCaption(QStringLiteral("One\r\nTwo"));
    EXPECT_EQ(label->text(), "One\nTwo") << "CR LF is one line break";

    form.Label1.setAlignment(2);
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(errorOf([&] { form.Label1.setAlignment(3); }), 380);

    form.Label1.setAutoSize(true);
    form.Label1.setCaption(QStringLiteral("A caption far wider than the label was made at design time"));
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
}

TEST_F(ControlsTest, MaxLengthLimitsTypingButNotCode)
{
    PanelForm& form = shown<PanelForm>("Panel");
    TextBox& text = form.Text1;
    text.setMaxLength(15);
    text.SetFocus();
    QTest::keyClicks(text.widget(), QStringLiteral("My first configuration"));
    EXPECT_EQ(text.Text(), "My first config");
    EXPECT_EQ(form.clicks.count("Text1_Change"), 15);

    QTest::keyClick(text.widget(), Qt::Key_Backspace);
    QTest::keyClicks(text.widget(), QStringLiteral("GX"));
    EXPECT_EQ(text.Text(), "My first confiG");

    text.setText(QStringLiteral("A description longer than fifteen"));
    EXPECT_EQ(text.Text(), "A description longer than fifteen");
    EXPECT_EQ(form.clicks.count("Text1_Change"), 18);
    text.setText(QStringLiteral("A description longer than fifteen"));
    EXPECT_EQ(form.clicks.count("Text1_Change"), 18) << "the same text raised Change";

    text.setSelStart(2);
    text.setSelLength(11);
    EXPECT_EQ(text.SelStart(), 2);
    EXPECT_EQ(text.SelLength(), 11);
    QTest::keyClicks(text.widget(), QStringLiteral("-"));
    EXPECT_EQ(text.Text(), "A description longer than fifteen") << "typing into a text already too long";
    text.setMaxLength(0);
    QTest::keyClicks(text.widget(), QStringLiteral("-"));   // replaces the selection
    EXPECT_EQ(text.Text(), "A - longer than fifteen");

    text.setLocked(true);
    QTest::keyClicks(text.widget(), QStringLiteral("zz"));
    EXPECT_EQ(text.Text(), "A - longer than fifteen");
}

TEST_F(ControlsTest, AMultiLineTextBoxHoldsCrLfLineEnds)
{
    PanelForm& form = shown<PanelForm>("Panel");
    form.Text2.setText(QStringLiteral("C:\\AUTOEXEC.BAT\r\nC:\\CONFIG.SYS"));
    EXPECT_EQ(static_cast<QPlainTextEdit*>(form.Text2.widget())->toPlainText(), "C:\\AUTOEXEC.BAT\nC:\\CONFIG.SYS");
    EXPECT_EQ(form.Text2.Text(), "C:\\AUTOEXEC.BAT\r\nC:\\CONFIG.SYS");
    EXPECT_TRUE(form.Text2.MultiLine());

    form.Text2.setText({});
    form.Text2.setMaxLength(4);
    form.Text2.SetFocus();
    QTest::keyClicks(form.Text2.widget(), QStringLiteral("ab"));
    QTest::keyClick(form.Text2.widget(), Qt::Key_Return);
    QTest::keyClicks(form.Text2.widget(), QStringLiteral("cd"));
    EXPECT_EQ(form.Text2.Text(), "ab\r\n");
}

// --- Lists ------------------------------------------------------------------------------

TEST_F(ControlsTest, ListReadsAndWritesRowsAsTheProgramsExpect)
{
    ListBox& list = Forms::get<ListsForm>("Lists").List1;
    list.AddItem(QStringLiteral("Config 1"));
    list.AddItem(QStringLiteral("Config 3"));
    list.AddItem(QStringLiteral("Config 2"), 1);
    EXPECT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.List(1), "Config 2");
    EXPECT_EQ(list.List(3), "") << "reading past the end gives an empty text";
    EXPECT_EQ(list.List(100), "");
    EXPECT_EQ(errorOf([&] { list.List(-1); }), 381);

    list.setList(1, QStringLiteral("Slot two"));
    EXPECT_EQ(list.List(1), "Slot two");
    EXPECT_EQ(list.ListCount(), 3);
    list.setList(4, QStringLiteral("Slot five"));   // rows 3 and 4 come into being
    EXPECT_EQ(list.ListCount(), 5);
    EXPECT_EQ(list.List(3), "");
    EXPECT_EQ(list.List(4), "Slot five");
    EXPECT_EQ(errorOf([&] { list.setList(-1, QStringLiteral("x")); }), 381);

    EXPECT_EQ(errorOf([&] { list.RemoveItem(5); }), 5);
    EXPECT_EQ(errorOf([&] { list.RemoveItem(-1); }), 5);
    EXPECT_EQ(errorOf([&] { list.AddItem(QStringLiteral("x"), 7); }), 5);
    list.RemoveItem(3);
    EXPECT_EQ(list.ListCount(), 4);
    EXPECT_EQ(list.List(3), "Slot five");

    list.setItemData(2, 42);
    EXPECT_EQ(list.ItemData(2), 42);
    EXPECT_EQ(errorOf([&] { list.ItemData(9); }), 381);

    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.List(0), "");

    list.setSorted(true);
    for (const char* name : {"win.ini", "Autoexec.bat", "system.ini", "Config.sys"})
        list.AddItem(QString::fromLatin1(name));
    EXPECT_EQ(list.List(0), "Autoexec.bat");
    EXPECT_EQ(list.List(1), "Config.sys");
    EXPECT_EQ(list.List(3), "win.ini");
    EXPECT_EQ(list.NewIndex(), 1);
}

TEST_F(ControlsTest, ListIndexSelectsAndRaisesClickOnlyWhenItChanges)
{
    ListsForm& form = shown<ListsForm>("Lists");
    ListBox& list = form.List1;
    for (int i = 1; i <= 5; ++i)
        list.AddItem(QStringLiteral("Config %1").arg(i));
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "");
    EXPECT_TRUE(form.clicks.isEmpty()) << "adding rows raised Click";

    list.setListIndex(2);
    list.setListIndex(2);
    EXPECT_EQ(form.clicks, QStringList{"List1:2"});
    EXPECT_TRUE(list.Selected(2));
    EXPECT_EQ(list.Text(), "Config 3");
    EXPECT_EQ(errorOf([&] { list.setListIndex(5); }), 380);
    EXPECT_EQ(errorOf([&] { list.setListIndex(-2); }), 380);
    EXPECT_EQ(errorOf([&] { list.Selected(5); }), 381);

    list.setListIndex(-1);
    EXPECT_EQ(list.SelCount(), 0);
    EXPECT_EQ(form.clicks.last(), "List1:-1");

    // The user's click on row 1, then a double click on it.
    QListWidget* widget = static_cast<QListWidget*>(list.widget());
    const QPoint row1 = widget->visualItemRect(widget->item(1)).center();
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_TRUE(form.clicks.contains("List1:1"));
    EXPECT_TRUE(form.clicks.filter("MouseDown").first().startsWith("List1:MouseDown 1 0 "));
    QTest::mouseDClick(widget->viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(form.clicks.last(), "List1:DblClick");

    list.RemoveItem(1);
    EXPECT_EQ(list.ListIndex(), -1) << "the chosen row was removed";
}

TEST_F(ControlsTest, AMultiSelectListKeepsSeveralRowsSelected)
{
    ListsForm& form = shown<ListsForm>("Lists");
    ListBox& list = form.List2;
    for (const char* path : {"C:\\MYDATA\\LETTER.DOC", "C:\\MYDATA\\BUDGET.XLS", "C:\\MYDATA\\NOTES.TXT"})
        list.AddItem(QString::fromLatin1(path));
    for (int i = 0; i < list.ListCount(); ++i)
        list.setSelected(i, true);
    EXPECT_EQ(list.SelCount(), 3);
    list.setSelected(1, false);
    EXPECT_EQ(list.SelCount(), 2);
    EXPECT_FALSE(list.Selected(1));
    EXPECT_TRUE(form.clicks.isEmpty());

    // Simple multi-select: each click toggles its row.
    auto* widget = static_cast<QListWidget*>(list.widget());
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, widget->visualItemRect(widget->item(1)).center());
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, widget->visualItemRect(widget->item(0)).center());
    EXPECT_TRUE(list.Selected(1));
    EXPECT_FALSE(list.Selected(0));
    EXPECT_EQ(list.SelCount(), 2);
    EXPECT_EQ(form.clicks, (QStringList{"List2", "List2"}));

    EXPECT_EQ(errorOf([&] { list.setMultiSelect(3); }), 380);
}

// Each row's flag against the view's own, after every kind of change of the selection and
// of the rows: code, the user's clicks, rows added and removed.
TEST_F(ControlsTest, ARowsSelectedFlagFollowsTheSelectionWhateverChangedIt)
{
    ListsForm& form = shown<ListsForm>("Lists");
    ListBox& list = form.List2;
    auto* widget = static_cast<QListWidget*>(list.widget());
    const auto agrees = [&](const char* after) {
        int selected = 0;
        for (int i = 0; i < list.ListCount(); ++i) {
            EXPECT_EQ(list.Selected(i), widget->item(i)->isSelected()) << after << ", row " << i;
            selected += widget->item(i)->isSelected() ? 1 : 0;
        }
        EXPECT_EQ(list.SelCount(), selected) << after;
    };
    for (int i = 0; i < 12; ++i)
        list.AddItem(QStringLiteral("C:\\MYDATA\\FILE%1.DOC").arg(i));

    list.setAllSelected(true);
    EXPECT_EQ(list.SelCount(), 12);
    agrees("all selected");
    EXPECT_TRUE(form.clicks.isEmpty()) << "selecting by code raised Click";
    list.setSelected(3, false);
    agrees("one deselected");
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, widget->visualItemRect(widget->item(5)).center());
    EXPECT_FALSE(list.Selected(5));
    agrees("a click");
    list.RemoveItem(0);
    EXPECT_FALSE(list.Selected(2)) << "the deselected row moved up";
    EXPECT_FALSE(list.Selected(4));
    agrees("a row removed");
    list.AddItem(QStringLiteral("C:\\NEW.DOC"), 1);
    EXPECT_FALSE(list.Selected(1));
    agrees("a row inserted");
    list.setAllSelected(false);
    EXPECT_EQ(list.SelCount(), 0);
    agrees("none selected");
    list.Clear();
    list.setAllSelected(true);
    EXPECT_EQ(list.SelCount(), 0);
    EXPECT_EQ(errorOf([&] { list.Selected(0); }), 381);

    // A one-row list ends with the last row chosen, as a loop over the rows would.
    for (int i = 0; i < 3; ++i)
        form.List1.AddItem(QStringLiteral("Config %1").arg(i));
    form.List1.setAllSelected(true);
    EXPECT_EQ(form.List1.ListIndex(), 2);
    EXPECT_EQ(form.List1.SelCount(), 1);
}

TEST_F(ControlsTest, ListFontScrollExtentTopRowAndDroppedFiles)
{
    ListsForm& form = shown<ListsForm>("Lists");
    ListBox& list = form.List1;
    auto* widget = static_cast<QListWidget*>(list.widget());

    list.setFixedPitch(true);
    EXPECT_TRUE(QFontInfo(widget->font()).fixedPitch());
    list.setFontName(QStringLiteral("Courier New"));
    EXPECT_TRUE(QFontInfo(widget->font()).fixedPitch());

    for (int i = 0; i < 30; ++i)
        list.AddItem(QStringLiteral("Row %1").arg(i));
    EXPECT_EQ(widget->horizontalScrollBar()->maximum(), 0);
    list.setHorizontalExtent(500);
    EXPECT_EQ(list.HorizontalExtent(), 500);
    EXPECT_EQ(widget->horizontalScrollBar()->maximum(), 500 - widget->viewport()->width());

    list.setTopIndex(12);
    EXPECT_EQ(list.TopIndex(), 12);

    QStringList dropped;
    QObject::connect(&list, &ListBox::OLEDragDrop, &form, [&](const QStringList& paths) { dropped = paths; });
    list.setOLEDropMode(1);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/machine/drives/c/MYDATA/LETTER.DOC"), QUrl::fromLocalFile("/tmp/a b.txt")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget->viewport(), &drop);
    EXPECT_EQ(dropped, (QStringList{"/tmp/machine/drives/c/MYDATA/LETTER.DOC", "/tmp/a b.txt"}));
    EXPECT_EQ(list.ListCount(), 30) << "the drop added rows by itself";
}

TEST_F(ControlsTest, ComboBoxesOfBothStyles)
{
    ListsForm& form = shown<ListsForm>("Lists");
    ComboBox& list = form.Combo1;   // style 2
    for (const char* mode : {"Disabled", "Daily", "Weekly", "Monthly", "User defined"})
        list.AddItem(QString::fromLatin1(mode));
    EXPECT_EQ(list.ListCount(), 5);
    EXPECT_EQ(list.List(5), "");
    EXPECT_EQ(errorOf([&] { list.List(-1); }), 381);

    list.setListIndex(1);
    list.setListIndex(4);
    list.setListIndex(4);
    EXPECT_EQ(form.clicks, (QStringList{"Combo1:1", "Combo1:4"}));
    EXPECT_EQ(list.Text(), "User defined");
    EXPECT_EQ(errorOf([&] { list.setListIndex(5); }), 380);
    list.setText(QStringLiteral("weekly"));
    EXPECT_EQ(list.ListIndex(), 2);
    EXPECT_EQ(errorOf([&] { list.setText(QStringLiteral("Yearly")); }), 383);

    list.widget()->setFocus();
    QTest::keyClick(list.widget(), Qt::Key_Down);   // the user picks the next entry
    EXPECT_EQ(list.ListIndex(), 3);
    EXPECT_EQ(form.clicks.last(), "Combo1:3");

    ComboBox& edit = form.Combo2;   // style 0
    edit.AddItem(QStringLiteral("*.doc"));
    edit.AddItem(QStringLiteral("*.xls"));
    edit.setListIndex(1);
    EXPECT_EQ(edit.Text(), "*.xls");
    edit.setText(QStringLiteral("*.txt"));
    EXPECT_EQ(edit.ListIndex(), -1);
    EXPECT_EQ(form.clicks.count("Combo2:Change"), 1);
    auto* line = static_cast<QComboBox*>(edit.widget())->lineEdit();
    line->setFocus();
    line->selectAll();
    QTest::keyClicks(line, QStringLiteral("*.m"));
    EXPECT_EQ(edit.Text(), "*.m");
    EXPECT_EQ(form.clicks.count("Combo2:Change"), 4);
    edit.Clear();
    EXPECT_EQ(edit.ListCount(), 0);
}

// --- Common controls --------------------------------------------------------------------

TEST_F(ControlsTest, ProgressBarAndSliderRefuseValuesOutsideTheirRange)
{
    CommonForm& form = shown<CommonForm>("Common");
    ProgressBar& bar = form.ProgressBar1;
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Value(), 0);
    bar.setValue(40);
    EXPECT_EQ(errorOf([&] { bar.setValue(101); }), 380);
    EXPECT_EQ(errorOf([&] { bar.setValue(-1); }), 380);
    bar.setMax(10);
    EXPECT_EQ(bar.Value(), 10);
    EXPECT_EQ(errorOf([&] { bar.setValue(11); }), 380);
    EXPECT_EQ(errorOf([&] { bar.setMin(10); }), 380);
    bar.setValue(0);
    EXPECT_EQ(bar.Value(), 0);
    bar.setVisible(false);
    EXPECT_FALSE(bar.widget()->isVisible());

    Slider& slider = form.Slider1;
    slider.setMax(9);
    EXPECT_EQ(errorOf([&] { slider.setValue(10); }), 380);
    EXPECT_EQ(errorOf([&] { slider.setValue(-1); }), 380);
    slider.setValue(1);
    slider.setValue(1);
    EXPECT_EQ(form.clicks, QStringList{"Slider1:1"});

    slider.SetFocus();
    QTest::keyClick(slider.widget(), Qt::Key_Right);   // the user moves it
    EXPECT_EQ(slider.Value(), 2);
    EXPECT_EQ(form.clicks.last(), "Slider1:2");
    QTest::mouseClick(slider.widget(), Qt::LeftButton, {}, centre(slider));
    EXPECT_EQ(form.clicks.last(), "Slider1_Click");

    // Dragging the thumb: Scroll on the way, one Change when it is let go.
    int scrolls = 0;
    QObject::connect(&slider, &Slider::Scroll, &form, [&] { ++scrolls; });
    slider.setValue(0);
    form.clicks.clear();
    auto* widget = static_cast<QSlider*>(slider.widget());
    QStyleOptionSlider option;
    option.initFrom(widget);
    option.orientation = Qt::Horizontal;
    option.minimum = widget->minimum();
    option.maximum = widget->maximum();
    option.sliderPosition = option.sliderValue = widget->value();
    const QPoint handle =
        widget->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, widget).center();
    QTest::mousePress(widget, Qt::LeftButton, {}, handle);
    for (int x = handle.x() + 10; x <= widget->width() / 2; x += 10)
        QTest::mouseMove(widget, QPoint(x, handle.y()));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, handle.y()));
    EXPECT_GT(scrolls, 0);
    EXPECT_GT(slider.Value(), 0);
    EXPECT_EQ(form.clicks.filter("Slider1:").size(), 1) << form.clicks.join(", ").toStdString();
}

TEST_F(ControlsTest, TabStripSwitchesPagesAndReportsThePreviousTab)
{
    CommonForm& form = shown<CommonForm>("Common");
    TabStrip& tabs = form.SSTab1;
    EXPECT_EQ(tabs.Tabs(), 3);
    EXPECT_EQ(tabs.Tab(), 0);
    EXPECT_EQ(form.Check9.widget()->parentWidget(), tabs.page(1));
    EXPECT_FALSE(form.Check9.widget()->isVisible());

    tabs.setTab(1);
    tabs.setTab(1);
    EXPECT_EQ(form.clicks, QStringList{"SSTab1:0->1"});
    EXPECT_TRUE(form.Check9.widget()->isVisible());
    EXPECT_EQ(errorOf([&] { tabs.setTab(3); }), 380);

    tabs.setTabCaption(2, QStringLiteral("&Options"));
    EXPECT_EQ(tabs.TabCaption(2), "&Options");
    EXPECT_EQ(errorOf([&] { tabs.TabCaption(3); }), 381);

    // The user clicks tab 0; the handler sends the strip on to tab 2, which runs it again.
    form.sendToTab2 = true;
    QTabBar* bar = static_cast<QTabWidget*>(tabs.widget())->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    EXPECT_EQ(tabs.Tab(), 2);
    EXPECT_EQ(form.clicks, (QStringList{"SSTab1:0->1", "SSTab1:1->0", "SSTab1:0->2"}));

    tabs.setTabEnabled(0, false);
    EXPECT_FALSE(tabs.TabEnabled(0));
    tabs.setTabVisible(1, false);
    EXPECT_FALSE(tabs.TabVisible(1));
    EXPECT_EQ(form.clicks.size(), 3);
}

TEST_F(ControlsTest, StatusBarShowsTheTextOfItsStyleAlongTheBottom)
{
    CommonForm& form = shown<CommonForm>("Common");
    StatusBar& status = form.StatusBar1;
    auto* label = static_cast<QLabel*>(status.widget());
    status.setText(QStringLiteral("Select a configuration to restore"));
    EXPECT_EQ(label->text(), "Select a configuration to restore");
    status.setSimpleText(QStringLiteral("Saving your Configuration.  Please wait..."));
    status.setStyle(1);
    status.Refresh();
    EXPECT_EQ(label->text(), "Saving your Configuration.  Please wait...");
    EXPECT_EQ(status.Text(), "Select a configuration to restore");

    form.setClientSize(7500, 4500);
    EXPECT_EQ(label->geometry().bottom(), form.window()->height() - 1);
    EXPECT_EQ(label->width(), form.window()->width());
}

TEST_F(ControlsTest, TimerTicksWhileEnabledWithAnInterval)
{
    CommonForm& form = Forms::get<CommonForm>("Common");   // hidden: timers run all the same
    int ticks = 0;
    QObject::connect(&form.Timer1, &Timer::Tick, &form, [&] { ++ticks; });
    form.Timer1.setInterval(10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 2000));

    form.Timer1.setEnabled(false);
    DoEvents();
    const int stopped = ticks;
    QTest::qWait(60);
    EXPECT_EQ(ticks, stopped);

    form.Timer1.setEnabled(true);
    form.Timer1.setInterval(0);
    QTest::qWait(60);
    EXPECT_EQ(ticks, stopped);
    EXPECT_EQ(errorOf([&] { form.Timer1.setInterval(-1); }), 380);

    form.Timer1.setInterval(10);
    Forms::unload("Common");
    QTest::qWait(60);
    EXPECT_EQ(ticks, stopped) << "the timer of an unloaded form went on";
}

// --- What every control has -------------------------------------------------------------

TEST_F(ControlsTest, PlacementIsInTwipsAndVisibleIsTheControlsOwnSetting)
{
    PanelForm& form = Forms::get<PanelForm>("Panel");
    form.Command3.Move(150, 300, 1500, 450);
    EXPECT_EQ(form.Command3.widget()->geometry(), QRect(10, 20, 100, 30));
    EXPECT_EQ(form.Command3.Left(), 150);
    EXPECT_EQ(form.Command3.Width(), 1500);
    form.Command3.setTop(600);
    EXPECT_EQ(form.Command3.widget()->y(), 40);
    EXPECT_EQ(form.Check1.widget()->parentWidget(), form.Frame1.widget());

    EXPECT_TRUE(form.Check1.Visible()) << "a control of a hidden form keeps its own setting";
    form.Frame1.setVisible(false);
    EXPECT_TRUE(form.Check1.Visible());
    EXPECT_EQ(errorOf([&] { form.Text1.SetFocus(); }), 5) << "focus on a hidden form";
    form.Show();
    EXPECT_FALSE(form.Check1.widget()->isVisible());
    form.Text1.setEnabled(false);
    EXPECT_EQ(errorOf([&] { form.Text1.SetFocus(); }), 5);

    form.Label1.setTag(QStringLiteral("kept"));
    form.Label1.setToolTipText(QStringLiteral("Restore"));
    EXPECT_EQ(form.Label1.Tag(), "kept");
    EXPECT_EQ(form.Label1.widget()->toolTip(), "Restore");
    form.Label1.setFontBold(true);
    form.Label1.setFontSize(12);
    EXPECT_TRUE(form.Label1.widget()->font().bold());
    EXPECT_DOUBLE_EQ(form.Label1.FontSize(), 12);
}

// A frame that only holds controls draws nothing of its own: not its border, not its caption;
// what it holds is drawn as in any frame.
TEST_F(ControlsTest, ABorderlessFrameDrawsOnlyWhatItHolds)
{
    class PagesForm : public Form {
    public:
        PagesForm() : Form(QStringLiteral("Pages"))
        {
            setClientSize(6000, 3000);
            Framed.Move(120, 120, 2700, 2000);
            Plain.Move(3000, 120, 2700, 2000);
            Held.Move(300, 300, 1500, 300);
            Framed.setCaption(QStringLiteral("Caption"));
            Plain.setCaption(QStringLiteral("Caption"));
            Plain.setBorderless();
        }
        Frame Framed{*this, "Framed"};
        Frame Plain{*this, "Plain"};
        CheckBox Held{Plain, "Held"};
    };
    Forms::registerFactory(QStringLiteral("Pages"), [] { return new PagesForm; });
    PagesForm& form = Forms::get<PagesForm>("Pages");
    form.Show();
    const auto colours = [](const QImage& image, const QRect& area) {
        QSet<QRgb> seen;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                seen.insert(image.pixel(x, y));
        return seen.size();
    };
    const QImage framed = form.Framed.widget()->grab().toImage();
    const QImage plain = form.Plain.widget()->grab().toImage();
    ASSERT_EQ(framed.size(), plain.size());
    // Above and left of what it holds (20 by 20 pixels in) the borderless frame is all one
    // colour; the frame beside it draws its caption and border there.
    EXPECT_GT(colours(framed, QRect(0, 0, framed.width(), 20)), 1);
    EXPECT_EQ(colours(plain, QRect(0, 0, plain.width(), 20)), 1);
    EXPECT_EQ(colours(plain, QRect(0, 0, 20, plain.height())), 1);
    EXPECT_EQ(colours(plain, QRect(0, plain.height() - 4, plain.width(), 4)), 1) << "no border at the bottom";
    EXPECT_GT(colours(plain, form.Held.widget()->geometry()), 1) << "the check box is drawn";
    EXPECT_EQ(form.Plain.Caption(), "Caption");
}

TEST_F(ControlsTest, PictureHoldersShowTheirPictureAndContainControls)
{
    class WizardForm : public Form {
    public:
        WizardForm() : Form(QStringLiteral("Wizard")) { Picture1.Move(135, 225, 1560, 3285); }
        PictureBox Picture1{*this, "Picture1"};
        Label Label3{Picture1, "Label3"};
        Image Image1{*this, "Image1"};
    };
    Forms::registerFactory(QStringLiteral("Wizard"), [] { return new WizardForm; });
    WizardForm& form = Forms::get<WizardForm>("Wizard");
    EXPECT_EQ(form.Label3.widget()->parentWidget(), form.Picture1.widget());

    QPixmap picture(100, 215);
    picture.fill(Qt::darkBlue);
    form.Picture1.setPicture(picture);
    EXPECT_EQ(form.Picture1.Picture().size(), QSize(100, 215));
    form.Image1.setPicture(picture);
    form.Image1.setStretch(true);
    EXPECT_TRUE(form.Image1.Stretch());
    EXPECT_TRUE(static_cast<QLabel*>(form.Image1.widget())->hasScaledContents());
    EXPECT_EQ(form.Image1.Picture().size(), QSize(100, 215));
}

TEST_F(ControlsTest, TabIndexOrdersTheFocusChain)
{
    PanelForm& form = shown<PanelForm>("Panel");
    EXPECT_EQ(form.Frame1.TabIndex(), 0);
    EXPECT_EQ(form.Command1.TabIndex(), 9);
    form.Command2.setTabIndex(0);
    EXPECT_EQ(form.Command2.TabIndex(), 0);
    EXPECT_EQ(form.Frame1.TabIndex(), 1) << "the others make room";
    form.Command3.setTabIndex(1);
    EXPECT_EQ(form.Command2.widget()->nextInFocusChain(), form.Command3.widget());
}

} // namespace
