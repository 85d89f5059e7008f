// The import of configurations from another folder: the listing of the Import... button,
// the Import window, its Restore and its Contents... buttons.
#include "CatalogueTesting.h"
#include "catalogue/Import.h"
#include "core/ProgramState.h"
#include "vb/Forms.h"

#include <QFile>

using namespace cataloguetest;

namespace {

const QDateTime kChanged(QDate(1999, 5, 17), QTime(14, 5, 33));

class ImportWindowTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        core::ProgramState& s = core::state();
        s.SaveFolder = "C:\\Current\\";
        s.SelectedConfig = 3;
        s.SystemPath = "C:\\WINDOWS";
        s.PathFavorites = "C:\\WINDOWS\\Favorites\\";
        s.PathNetscape = "C:\\Program Files\\Netscape\\Users\\default";
        s.PathStartmenue = "C:\\WINDOWS\\Start Menu\\";
        for (int i = 0; i < 5; ++i)
            s.ConfigDescription[i] = "Slot " + QString::number(i + 1);
    }

    // A file on drive C: whose last change was kChanged.
    void writeDated(const QString& rel, const QStringList& lines) const
    {
        writeLines(rel, lines);
        QFile f(tm.hostC(rel));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(kChanged, QFileDevice::FileModificationTime);
    }
    // C:\Import holding slot 2 as a description file and slot 5 as a 1.2x file.
    void writeSlots2And5() const
    {
        DescriptionFile d;
        d.saveFolder = "D:\\Saves";
        d.systemPath = "C:\\WIN98";
        d.saved = {"Win.ini", "System.ini", "MSEFavorites"};
        d.favorites = "C:\\WIN98\\Favorites\\";
        writeDated("Import/Config2.ini", d.lines());
        writeDated("Import/Config2.usr", {" 1", "c:\\letters\\brief.doc", ""});
        QStringList old = {"\"Old Set\",\"C:\\OLD\",\"C:\\OLDSAVE\""};
        for (int i = 0; i < 24; ++i)
            old << (i == 0 ? "1,True" : "0,True");
        old << "\"C:\\OLD\\FAVORITES\",\"C:\\NETSCAPE\",\"C:\\OTHER\",\"C:\\OLD\\START MENU\"" << "";
        writeDated("Import/Config5.ini", old);
    }

    static vb::CommandButton& button(vb::Form& form, const char* name) { return form.control<vb::CommandButton>(name); }
    static QStringList rows(vb::Form& form)
    {
        const auto& list = form.control<vb::ListBox>("List1");
        QStringList out;
        for (int i = 0; i < list.ListCount(); ++i)
            out << list.List(i);
        return out;
    }
    // The restore-choice window's buttons that only a choice needs (OK, All and None twice),
    // each visible or enabled.
    static QList<bool> choiceButtons(bool (vb::WidgetControl::*state)() const)
    {
        QList<bool> out;
        for (const char* name : {"Command1", "Command3", "Command4", "Command5", "Command6"})
            out << (core::ButtonOf("RestoreReq", name).*state)();
        return out;
    }
    static QList<bool> all(bool value) { return QList<bool>(5, value); }

    // What an import leaves as it found it.
    static void expectOwnStateUntouched()
    {
        const core::ProgramState& s = core::state();
        EXPECT_EQ(s.SaveFolder, "C:\\Current\\");
        EXPECT_EQ(s.SystemPath, "C:\\WINDOWS");
        EXPECT_EQ(s.PathFavorites, "C:\\WINDOWS\\Favorites\\");
        EXPECT_EQ(s.PathNetscape, "C:\\Program Files\\Netscape\\Users\\default");
        EXPECT_EQ(s.PathStartmenue, "C:\\WINDOWS\\Start Menu\\");
        EXPECT_FALSE(s.ImportActive);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(s.ConfigDescription[i], "Slot " + QString::number(i + 1));
    }
};

} // namespace

// ---- the listing ---------------------------------------------------------------------------

TEST_F(ImportWindowTest, AFolderWithSlotsTwoAndFiveListsTwoRowsTheOlderFormByItsFirstItem)
{
    writeSlots2And5();
    ui->expectFolder("Select the source with the Configuration", "C:\\Import");
    QStringList listed;
    ui->onForm("Import", [&](vb::Form& w) {
        listed = rows(w);
        EXPECT_EQ(w.Caption(), "Restore imported Configuration.");
        EXPECT_EQ(w.control<vb::Label>("Label4").Caption(), "C:\\Import\\");
        EXPECT_EQ(w.control<vb::Label>("Label2").Caption(), "No. Description       Date       Time");
        EXPECT_EQ(w.control<vb::Frame>("Frame1").Caption(), "Current Folder:");
        EXPECT_EQ(w.HelpContextID(), 2050);
        EXPECT_FALSE(button(w, "Command1").Enabled());
        EXPECT_FALSE(button(w, "Command4").Enabled());
        w.control<vb::ListBox>("List1").setListIndex(1);
        EXPECT_TRUE(button(w, "Command1").Enabled());
        EXPECT_TRUE(button(w, "Command4").Enabled());
        button(w, "Command2").setValue(true);   // Cancel
    });

    catalogue::Form1_Command27_Click();

    // The date and time stand under the header's columns.
    EXPECT_EQ(listed, QStringList({"2 / Weekly          / 05/17/1999 14:05", "5 / Old Set         / 05/17/1999 14:05"}));
    EXPECT_FALSE(vb::Forms::isLoaded("Import"));
    expectOwnStateUntouched();
}

TEST_F(ImportWindowTest, ADescriptionLongerThanTheColumnIsListedWholeAndADriveRootGetsNoSecondBackslash)
{
    DescriptionFile d;
    d.name = "Before the big upgrade";
    writeDated("Config3.ini", d.lines());
    ui->expectFolder("Select the source", "C:\\");
    QStringList listed;
    QString folder;
    ui->onForm("Import", [&](vb::Form& w) {
        listed = rows(w);
        folder = w.control<vb::Label>("Label4").Caption();
        w.Hide();   // the window frame's close
    });
    catalogue::Form1_Command27_Click();
    EXPECT_EQ(listed, QStringList({"3 / Before the big upgrade / 05/17/1999 14:05"}));
    EXPECT_EQ(folder, "C:\\");
}

TEST_F(ImportWindowTest, AFolderWithoutDescriptionsShowsNoWindow)
{
    tm.writeC("Import/Config6.ini", "[Configuration]\r\nConfigName=Six\r\n");   // not a slot
    ui->expectFolder("Select the source", "C:\\Import");
    ui->expect("No recoverable Configuration found.", "OK");
    catalogue::Form1_Command27_Click();
    EXPECT_FALSE(core::Win("Import").Visible());
    expectOwnStateUntouched();
}

TEST_F(ImportWindowTest, NoFolderChosenListsNothing)
{
    ui->expectFolder("Select the source", QString());
    catalogue::Form1_Command27_Click();
    ASSERT_TRUE(vb::Forms::isLoaded("Import"));
    EXPECT_FALSE(core::Win("Import").Visible());
    EXPECT_EQ(core::ListBoxOf("Import", "List1").ListCount(), 0);
}

TEST_F(ImportWindowTest, ANetworkPathIsOnlyWarnedAboutAndADriveNotReadyListsNothing)
{
    ui->expectFolder("Select the source", "\\\\SERVER\\SAVES");
    ui->expect("You have chosen a destination directory on a network.", "OK");
    ui->expect("No recoverable Configuration found.", "OK");
    catalogue::Form1_Command27_Click();

    tm.machine().ejectDisk(QChar('A'));
    ui->expectFolder("Select the source", "A:\\");
    ui->expect("No recoverable Configuration found.", "OK");
    catalogue::Form1_Command27_Click();
    expectOwnStateUntouched();
}

TEST_F(ImportWindowTest, NoImportStartsWhileASaveRuns)
{
    core::state().SaveRunning = true;
    catalogue::Form1_Command27_Click();   // a folder dialog now would be an unexpected box
    EXPECT_TRUE(ui->shown().isEmpty());
}

// ---- Restore -------------------------------------------------------------------------------

TEST_F(ImportWindowTest, RestoringTheSecondRowReadsSlotFiveAndPutsEverythingBack)
{
    writeSlots2And5();
    ui->expectFolder("Select the source", "C:\\Import");
    ui->expect("Are you sure you wish to restore the following Configuration? 5 / Old Set", "Yes");
    ui->expect("This configuration was saved with Version 1.2x of Trelvo.", "OK");
    struct {
        QString saveFolder, systemPath, caption;
        int selected = -1;
        bool importActive = false, importLoaded = true;
        QStringList held;
        QList<bool> buttonsShown;
    } during;
    ui->onForm("Import", [&](vb::Form& w) {
        w.control<vb::ListBox>("List1").setListIndex(1);
        button(w, "Command1").setValue(true);
    });
    ui->onForm("RestoreReq", [&](vb::Form& w) {
        const core::ProgramState& s = core::state();
        during = {s.SaveFolder, s.SystemPath, w.Caption(), s.SelectedConfig, s.ImportActive, vb::Forms::isLoaded("Import"),
                  held(), choiceButtons(&vb::WidgetControl::Visible)};
        button(w, "Command2").setValue(true);   // Cancel
    });

    catalogue::Form1_Command27_Click();

    const auto& request = ui->requests.first();
    EXPECT_EQ(request.prompt, "Are you sure you wish to restore the\rfollowing Configuration?\r5 / Old Set         / 05/17/1999 14:05");
    EXPECT_EQ(request.buttons, vb::vbYesNo | vb::vbQuestion);
    EXPECT_EQ(request.title, "Confirmation");
    EXPECT_EQ(during.saveFolder, "C:\\OLDSAVE\\");
    EXPECT_EQ(during.systemPath, "C:\\OLD");
    EXPECT_EQ(during.selected, 4);
    EXPECT_TRUE(during.importActive);
    EXPECT_FALSE(during.importLoaded);
    EXPECT_EQ(during.held, QStringList({"Check1"}));
    EXPECT_EQ(during.buttonsShown, all(true));
    EXPECT_EQ(core::state().SelectedConfig, 0);
    EXPECT_FALSE(vb::Forms::isLoaded("Import"));
    expectOwnStateUntouched();
}

TEST_F(ImportWindowTest, NoAtTheConfirmationChangesNothingButTheChosenPosition)
{
    writeSlots2And5();
    ui->expectFolder("Select the source", "C:\\Import");
    ui->expect("Are you sure you wish to restore the following Configuration? 2 / Weekly", "No");
    ui->onForm("Import", [&](vb::Form& w) {
        w.control<vb::ListBox>("List1").setListIndex(0);
        button(w, "Command1").setValue(true);
        EXPECT_TRUE(w.Visible()) << "the Import window stays open after No";
        w.Hide();
    });
    catalogue::Form1_Command27_Click();
    EXPECT_EQ(core::state().SelectedConfig, 0);   // the row's position
    expectOwnStateUntouched();
}

TEST_F(ImportWindowTest, GivingUpAtTheOlderFormsWarningShowsNoChoiceAndEndsTheImport)
{
    writeSlots2And5();
    ui->expectFolder("Select the source", "C:\\Import");
    ui->expect("Are you sure you wish to restore", "Yes");
    ui->expect("Version 1.2x", "Cancel");
    ui->onForm("Import", [&](vb::Form& w) {
        w.control<vb::ListBox>("List1").setListIndex(1);
        button(w, "Command1").setValue(true);
        w.Hide();
    });
    catalogue::Form1_Command27_Click();   // RestoreReq shown now would be an unexpected window
    EXPECT_EQ(core::state().SelectedConfig, 1);
    expectOwnStateUntouched();
}

// ---- Contents... ---------------------------------------------------------------------------

TEST_F(ImportWindowTest, ContentsShowsWhatTheConfigurationHoldsViewOnlyAndPutsTheWindowBackHoweverItCloses)
{
    writeSlots2And5();
    const QString caption = core::Win("RestoreReq").Caption();
    ui->expectFolder("Select the source", "C:\\Import");
    struct Seen {
        QString caption;
        QStringList held, ticked, users;
        QList<bool> buttonsShown;
        bool noteShown = true;
    };
    QList<Seen> during;
    struct After {
        QString caption;
        QList<bool> buttonsShown, buttonsEnabled;
        bool noteShown = true;
        bool importLoaded = false;
    };
    QList<After> after;
    const auto look = [&](vb::Form& w) {
        during << Seen{w.Caption(), held(), ticked(), restoreList(), choiceButtons(&vb::WidgetControl::Visible),
                       core::LabelOf("RestoreReq", "Label1").Visible()};
    };
    ui->onForm("RestoreReq", [&](vb::Form& w) {
        look(w);
        button(w, "Command2").setValue(true);   // Cancel
    });
    ui->onForm("RestoreReq", [&](vb::Form& w) {
        look(w);
        w.Hide();   // closed some other way: no Cancel puts anything back
    });
    ui->onForm("Import", [&](vb::Form& w) {
        w.control<vb::ListBox>("List1").setListIndex(0);
        for (int i = 0; i < 2; ++i) {
            button(w, "Command4").setValue(true);
            after << After{core::Win("RestoreReq").Caption(), choiceButtons(&vb::WidgetControl::Visible),
                           choiceButtons(&vb::WidgetControl::Enabled), core::LabelOf("RestoreReq", "Label1").Visible(),
                           vb::Forms::isLoaded("Import")};
        }
        button(w, "Command2").setValue(true);
    });

    catalogue::Form1_Command27_Click();

    ASSERT_EQ(during.size(), 2);
    ASSERT_EQ(after.size(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(during[i].caption, "Files included in this Configuration");
        EXPECT_EQ(during[i].held, QStringList({"Check7", "Check9", "Check11"}));
        EXPECT_EQ(during[i].ticked, during[i].held);
        EXPECT_EQ(during[i].users, QStringList({"c:\\letters\\brief.doc"}));
        EXPECT_EQ(during[i].buttonsShown, all(false));
        EXPECT_FALSE(during[i].noteShown);
        EXPECT_EQ(after[i].caption, caption);
        EXPECT_EQ(after[i].buttonsShown, all(true));
        EXPECT_EQ(after[i].buttonsEnabled, all(true));
        EXPECT_FALSE(after[i].noteShown);
        EXPECT_TRUE(after[i].importLoaded);
    }
    EXPECT_FALSE(vb::Forms::isLoaded("Import"));
    expectOwnStateUntouched();
}

TEST_F(ImportWindowTest, HelpOpensTheImportTopic)
{
    writeSlots2And5();
    ui->expectFolder("Select the source", "C:\\Import");
    ui->onForm("Import", [&](vb::Form& w) {
        button(w, "Command3").setValue(true);
        w.Hide();
    });
    catalogue::Form1_Command27_Click();
    ASSERT_FALSE(ui->notices().isEmpty());
    EXPECT_TRUE(ui->notices().last().endsWith("topic 2050"));
}
