// The windows of the main program as a user meets them: every text whole at the window's
// size, F1 opening the window's or the page's help, Esc acting as Cancel, each window opening
// centred over the one that opened it, and the windows the start-up makes hidden.
#include "backup/FloppyPrep.h"
#include "backup/FrmAutoKeep.h"
#include "catalogue/CatalogueTesting.h"
#include "core/Animate.h"
#include "core/Messages.h"
#include "core/Windows.h"
#include "restore/Reboot.h"
#include "support/Layout.h"
#include "ui/AddUser.h"
#include "ui/UiTesting.h"
#include "ui/UserFiles.h"
#include "vb/Forms.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QWidget>

using testsupport::textsCutOff;
using uitest::click;

namespace {

class WindowMannersTest : public uitest::ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeSettings({});
        main = &start();
    }

    // The help asked for last, as "topic N".
    QString lastHelp() const
    {
        for (qsizetype i = ui->shown().size() - 1; i >= 0; --i)
            if (ui->shown()[i].kind == vb::BoxKind::Help)
                return ui->shown()[i].prompt.section(u',', -1).trimmed();
        return {};
    }
    QString helpOnF1(vb::Form& form, QWidget* at = nullptr)
    {
        QTest::keyClick(at ? at : form.window(), Qt::Key_F1);
        return lastHelp();
    }
    static QPointF centre(const vb::Form& form) { return QRectF(form.window()->frameGeometry()).center(); }
    // Within a pixel each way: a window of an odd size cannot lie exactly in the middle.
    static bool sameCentre(QPointF a, QPointF b) { return qAbs(a.x() - b.x()) <= 1 && qAbs(a.y() - b.y()) <= 1; }
    static void expectCentredOver(const vb::Form& form, const vb::Form& opener)
    {
        EXPECT_TRUE(sameCentre(centre(form), centre(opener)))
            << form.Name().toStdString() << " is not centred over " << opener.Name().toStdString() << ": "
            << centre(form).x() << "," << centre(form).y() << " " << centre(opener).x() << "," << centre(opener).y() << " "
            << form.window()->frameGeometry().width() << "x" << form.window()->frameGeometry().height();
    }
    // A floppy in A: that holds a file, so that the preparation of a save asks.
    void fillTheFloppy()
    {
        const QString disk = tm.machine().insertedDisk(u'A');
        QFile f(tm.hostDisk(disk) + QStringLiteral("/old.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        tm.machine().forgetDir(tm.hostDisk(disk));
    }

    ui::Form1Form* main = nullptr;
};

} // namespace

TEST_F(WindowMannersTest, TheStartUpMakesTheFourWindowsHiddenWithTheirCaptions)
{
    for (const char* name : {"RestoreReq", "Wizzard", "SelWiz", "FrmAutoKeep"}) {
        ASSERT_TRUE(vb::Forms::isLoaded(QString::fromLatin1(name))) << name;
        EXPECT_FALSE(core::Win(QString::fromLatin1(name)).Visible()) << name;
    }
    EXPECT_EQ(core::ButtonOf("FrmAutoKeep", "Command1").Caption(), "&Cancel");
    EXPECT_EQ(core::Win("Wizzard").Caption(), "Trelvo - Rescue Disk Wizard");
    EXPECT_EQ(core::Win("SelWiz").Caption(), "Trelvo - Rescue Disk Wizard");
    EXPECT_EQ(core::Win("RestoreReq").Caption(), "Select files to restore");
    EXPECT_TRUE(main->Visible());
}

TEST_F(WindowMannersTest, EveryWindowShowsItsWholeText)
{
    for (int tab = 0; tab < 6; ++tab) {
        main->SSTab2.setTab(tab);
        EXPECT_EQ(textsCutOff(*main), QStringList()) << "page " << tab;
    }

    ui::UserFilesForm& userFiles = ui::UserFiles();
    userFiles.Show();
    for (int tab = 0; tab < 3; ++tab) {
        userFiles.SSTab1.setTab(tab);
        EXPECT_EQ(textsCutOff(userFiles), QStringList()) << "user files, tab " << tab;
    }
    userFiles.SSTab1.setTab(0);
    click(userFiles.Command5);
    EXPECT_EQ(textsCutOff(ui::AddUser()), QStringList());
    ui::AddUser().Command3_Click();
    userFiles.Hide();

    vb::Form& choice = core::Win("RestoreReq");
    choice.Show();
    auto& choiceTabs = choice.control<vb::TabStrip>("SSTab1");
    for (int tab = 0; tab < choiceTabs.Tabs(); ++tab) {
        choiceTabs.setTab(tab);
        EXPECT_EQ(textsCutOff(choice), QStringList()) << "restore choice, tab " << tab;
    }
    choice.Hide();

    // The progress window with the longest line a floppy copy shows.
    core::AnimateForm& progress = core::Animate();
    progress.Show();
    progress.Label1.setCaption(QStringLiteral("Copying C:\\Program Files\\Trelvo\\Conf1us.tva to Disk No. 10"));
    EXPECT_EQ(textsCutOff(progress), QStringList());
    vb::Forms::unload(QStringLiteral("Animate"));

    // The wizard's pages, the second floppy's hint shown.
    vb::Form& wizard = core::Win("Wizzard");
    wizard.Show();
    EXPECT_EQ(textsCutOff(wizard), QStringList()) << "page 1";
    click(wizard.control<vb::CommandButton>("Command2"));
    wizard.control<vb::Label>("Label3").setVisible(true);
    EXPECT_EQ(textsCutOff(wizard), QStringList()) << "page 2 of a new set";
    click(wizard.control<vb::CommandButton>("Command1"));
    wizard.control<vb::OptionButton>("Option2").setValue(true);
    click(wizard.control<vb::CommandButton>("Command2"));
    EXPECT_EQ(textsCutOff(wizard), QStringList()) << "page 2 of an update";
    click(wizard.control<vb::CommandButton>("Command1"));
    wizard.Hide();

    // The two lines of the rescue archive window.
    vb::Form& selWiz = core::Win("SelWiz");
    selWiz.window()->setAttribute(Qt::WA_ShowWithoutActivating);
    selWiz.window()->show();
    selWiz.control<vb::Label>("Label2").setCaption(core::LoadResString(1098) + u'\r' + core::LoadResString(1019));
    EXPECT_EQ(textsCutOff(selWiz), QStringList());
    selWiz.Hide();

    // The automatic-save window with each of its texts: the countdown, the save under way and
    // either outcome.
    backup::FrmAutoKeepForm& autoKeep = backup::FrmAutoKeep();
    autoKeep.Timer1.setEnabled(false);
    autoKeep.window()->setAttribute(Qt::WA_ShowWithoutActivating);
    autoKeep.window()->show();
    const auto text = [](int number) { return core::LoadResString(number); };
    const std::pair<QString, QString> autoKeepTexts[] = {
        {text(1170), text(1172) + QStringLiteral(" 4") + text(1173)},
        {text(1169) + QStringLiteral("\r\r") + text(1019), QString()},
        {QString(), text(1138)},
        {QString(), text(2101)},
    };
    for (const auto& [label2, label3] : autoKeepTexts) {
        autoKeep.Label2.setCaption(label2);
        autoKeep.Label3.setCaption(label3);
        EXPECT_EQ(textsCutOff(autoKeep), QStringList());
    }
    autoKeep.Hide();

    // The restart notice.
    restore::Reboot().Show(vb::vbModeless);
    EXPECT_EQ(textsCutOff(restore::Reboot()), QStringList());
    vb::Forms::unload(QStringLiteral("Reboot"));

    // The import window listing a deep folder.
    const QString deep = QStringLiteral("Backups of the old PC/Saved Configurations/1999/December/Before the trip/Weekly");
    tm.writeC(deep + QStringLiteral("/Config2.ini"), cataloguetest::DescriptionFile().lines().join(QStringLiteral("\r\n")).toLatin1());
    ui->expectFolder(QStringLiteral("Select the source"), QStringLiteral("C:\\") + QString(deep).replace(u'/', u'\\'));
    QStringList importCut = {QStringLiteral("(not shown)")};
    ui->onForm("Import", [&](vb::Form& import) {
        importCut = textsCutOff(import);
        import.control<vb::CommandButton>("Command2").setValue(true);
    });
    click(main->Command27);
    EXPECT_EQ(importCut, QStringList());

    // The not-empty floppy: the whole explanation, Retry's last line included.
    fillTheFloppy();
    QStringList cut = {QStringLiteral("(not shown)")};
    QString lastLine;
    ui->onForm("frmNotEmpty", [&](vb::Form& dialog) {
        cut = textsCutOff(dialog);
        lastLine = dialog.control<vb::Label>("Label1").Caption().section(u'\r', -1);
        dialog.control<vb::CommandButton>("Command3").setValue(true);   // Continue?
    });
    EXPECT_TRUE(backup::PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_EQ(cut, QStringList());
    EXPECT_EQ(lastLine, "To use another disk, insert it now and click on 'Retry'.");
}

TEST_F(WindowMannersTest, TheSearchShowsALongFolderOnOneLineWithItsMiddleLeftOut)
{
    QString deep = QStringLiteral("My Documents");
    for (const char* part : {"Letters and Correspondence", "1999", "Insurance and Taxes", "Office"})
        deep += u'/' + QString::fromLatin1(part);
    for (int i = 0; i < 3; ++i)
        tm.writeC(deep + QStringLiteral("/letter%1.doc").arg(i), "x");
    ui::UserFilesForm& userFiles = ui::UserFiles();
    userFiles.Show();
    click(userFiles.Command5);
    ui::AddUserForm& dialog = ui::AddUser();
    dialog.Combo1.setText(QStringLiteral("*.doc"));
    dialog.Combo2.setText(QStringLiteral("C:\\My Documents\\"));
    dialog.Check1.setValue(1);

    // What the window shows while it walks, at the first files found.
    QTimer watch;
    QString shown;
    QString full;
    QStringList cut;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!shown.isEmpty() || !vb::Forms::isLoaded(QStringLiteral("frmDrvScan")))
            return;
        ui::frmDrvScanForm& search = ui::frmDrvScan();
        if (search.List1.ListCount() == 0)
            return;
        full = search.Label2.Caption();
        shown = static_cast<QLabel*>(search.Label2.widget())->text();
        cut = textsCutOff(search);
    });
    watch.start(0);
    ui->expect(QStringLiteral("Trelvo has found  3 *.doc files."), QStringLiteral("No"));
    click(dialog.Command1);

    EXPECT_EQ(full, "C:\\My Documents\\Letters and Correspondence\\1999\\Insurance and Taxes\\Office\\");
    EXPECT_TRUE(shown.startsWith(QStringLiteral("C:\\My"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("Office\\"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_EQ(cut, QStringList());
}

TEST_F(WindowMannersTest, F1OpensTheHelpOfThePageOrWindowAndEscCancels)
{
    const int pageHelp[] = {1010, 1020, 1050, 1060, 1070, 2020};
    for (int tab = 0; tab < 6; ++tab) {
        main->SSTab2.setTab(tab);
        EXPECT_EQ(helpOnF1(*main), QStringLiteral("topic %1").arg(pageHelp[tab])) << "page " << tab;
    }
    EXPECT_EQ(helpOnF1(*main, main->Text2.widget()), "topic 2020");   // from a control as well
    // The read-me viewer, opened from the Info page, has that page's help.
    QString readmeHelp;
    ui->onForm("Readme", [&](vb::Form& readme) {
        readmeHelp = helpOnF1(readme);
        QTest::keyClick(readme.window(), Qt::Key_Escape);
    });
    click(main->control<vb::CommandButton>("Command9"));
    EXPECT_EQ(readmeHelp, "topic 2020");

    ui::UserFilesForm& userFiles = ui::UserFiles();
    main->SSTab2.setTab(2);
    click(main->Command11);
    EXPECT_EQ(helpOnF1(userFiles, userFiles.List1.widget()), "topic 2070");
    click(userFiles.Command5);
    ui::AddUserForm& dialog = ui::AddUser();
    EXPECT_EQ(helpOnF1(dialog, dialog.Combo1.widget()), "topic 2030");
    QTest::keyClick(dialog.window(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.Visible());
    QTest::keyClick(userFiles.window(), Qt::Key_Escape);   // the user-file window's Cancel
    EXPECT_FALSE(userFiles.Visible());

    vb::Form& wizard = core::Win("Wizzard");
    click(main->Command18);
    ASSERT_TRUE(wizard.Visible());
    EXPECT_EQ(helpOnF1(wizard), "topic 1040");
    QTest::keyClick(wizard.window(), Qt::Key_Escape);
    EXPECT_FALSE(wizard.Visible());
    EXPECT_EQ(main->WindowState(), vb::vbNormal);

    fillTheFloppy();
    QString help;
    ui->onForm("frmNotEmpty", [&](vb::Form& d) {
        help = helpOnF1(d);
        QTest::keyClick(d.window(), Qt::Key_Escape);   // Retry: another disk
    });
    EXPECT_FALSE(backup::PrepareFloppy(QStringLiteral("A:\\")));
    EXPECT_EQ(help, "topic 2040");
}

TEST_F(WindowMannersTest, AWindowOpensCentredOverTheWindowThatOpenedIt)
{
    ui::UserFilesForm& userFiles = ui::UserFiles();
    main->SSTab2.setTab(2);
    click(main->Command11);
    expectCentredOver(userFiles, *main);
    click(userFiles.Command5);
    expectCentredOver(ui::AddUser(), userFiles);
    ui::AddUser().Command3_Click();
    click(userFiles.Command2);

    // Opened by another window, it comes centred over that one.
    vb::Form& choice = core::Win("RestoreReq");
    choice.Show();
    expectCentredOver(choice, *main);
    choice.Hide();
    userFiles.Show();
    choice.Show();
    expectCentredOver(choice, userFiles);
    choice.Hide();
    userFiles.Hide();

    // The import window over the main window, and the contents of a configuration over it.
    tm.writeC(QStringLiteral("Import/Config2.ini"), cataloguetest::DescriptionFile().lines().join(QStringLiteral("\r\n")).toLatin1());
    ui->expectFolder(QStringLiteral("Select the source"), QStringLiteral("C:\\Import"));
    bool importCentred = false;
    ui->onForm("Import", [&](vb::Form& import) {
        importCentred = sameCentre(centre(import), centre(*main));
        import.control<vb::CommandButton>("Command2").setValue(true);
    });
    click(main->Command27);
    EXPECT_TRUE(importCentred);

    // A dialog of the save, over the main window.
    fillTheFloppy();
    ui->onForm("frmNotEmpty", [&](vb::Form& d) {
        expectCentredOver(d, *main);
        d.control<vb::CommandButton>("Command3").setValue(true);
    });
    backup::PrepareFloppy(QStringLiteral("A:\\"));
}
