// The orderly exit and the busy state of the main window.
#include "core/Exit.h"
#include "core/ProgramState.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "support/TempMachine.h"
#include "vb/Forms.h"
#include "vb/Screen.h"

#include <QFile>

using core::state;
using testsupport::ProcessEnded;

namespace {

const QString kIni = QStringLiteral("Program Files/Trelvo/trelvo.ini");

// What the windows of a test saw, in order.
QStringList& unloads()
{
    static QStringList list;
    return list;
}

class RecordingForm : public vb::Form {
public:
    explicit RecordingForm(const QString& name) : vb::Form(name) {}
    std::function<void()> onUnload;
    void Form_Unload(int&) override
    {
        unloads() << Name();
        if (onUnload)
            onUnload();
    }
};

class ExitTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        testsupport::ScriptedUi::install();
        unloads().clear();
        QFile::remove(tm.hostC(kIni));
        // Slots that have been read, so that the settings can be written.
        state().ConfigDescription.fill(QStringLiteral("available"));
        state().ConfigDate.fill(QStringLiteral("00/00/0000"));
        state().ConfigTime.fill(QStringLiteral("00:00"));
        state().Compression = QStringLiteral("1");
        state().SaveFolder = QStringLiteral("C:\\Program Files\\Trelvo\\");
        for (const char* name : {"Probe1", "Probe2"})
            vb::Forms::registerFactory(QString::fromLatin1(name), [name] { return new RecordingForm(QString::fromLatin1(name)); });
    }
    void TearDown() override { vb::Screen::setMousePointer(0); }

    static vb::CommandButton& button(const char* name) { return core::ButtonOf(QStringLiteral("Form1"), QString::fromLatin1(name)); }
    static RecordingForm& probe(const char* name) { return vb::Forms::get<RecordingForm>(QString::fromLatin1(name)); }

    // Runs QuitProgram; true when it ended the process.
    static bool quit()
    {
        try {
            core::QuitProgram();
        } catch (const ProcessEnded&) {
            return true;
        }
        return false;
    }
};

} // namespace

TEST_F(ExitTest, ABusyProgramRefusesToEndAndWritesNothing)
{
    probe("Probe1");
    button("Command2").setEnabled(false);   // a save runs
    EXPECT_FALSE(quit());
    button("Command2").setEnabled(true);
    button("Command3").setEnabled(false);   // a restore runs
    EXPECT_FALSE(quit());
    EXPECT_FALSE(tm.existsC(kIni));
    EXPECT_TRUE(unloads().isEmpty());
    EXPECT_TRUE(vb::Forms::isLoaded(QStringLiteral("Probe1")));

    button("Command3").setEnabled(true);
    EXPECT_TRUE(quit());
    EXPECT_TRUE(tm.existsC(kIni));
}

TEST_F(ExitTest, UnloadsTheLaterWindowsLatestFirstAndKeepsTheFirst)
{
    core::Win(QStringLiteral("Form1"));
    probe("Probe1");
    probe("Probe2");
    EXPECT_TRUE(quit());
    EXPECT_EQ(unloads(), (QStringList{"Probe2", "Probe1"}));
    EXPECT_EQ(vb::Forms::loaded().size(), 1);
    EXPECT_EQ(vb::Forms::loaded().first()->Name(), QStringLiteral("Form1"));
    EXPECT_TRUE(tm.existsC(kIni));
}

TEST_F(ExitTest, AfterADamagedDescriptionTheSettingsFileIsLeftAlone)
{
    state().SkipSaveOnQuit = true;
    core::Win(QStringLiteral("Form1"));
    EXPECT_TRUE(quit());
    EXPECT_FALSE(tm.existsC(kIni));
}

TEST_F(ExitTest, AWindowAskingForTheExitFromItsUnloadDoesNotStartItAgain)
{
    core::Win(QStringLiteral("Form1"));
    int endsInside = 0;
    probe("Probe1").onUnload = [&] {
        if (quit())
            ++endsInside;
    };
    probe("Probe2");
    EXPECT_TRUE(quit());
    EXPECT_EQ(endsInside, 0);
    EXPECT_EQ(unloads(), (QStringList{"Probe2", "Probe1"}));

    // Once the exit is over (here: the test's End came back), it can run again.
    probe("Probe1");
    EXPECT_TRUE(quit());
}

TEST_F(ExitTest, AFailingUnloadDoesNotStopTheExit)
{
    core::Win(QStringLiteral("Form1"));
    probe("Probe1");
    probe("Probe2").onUnload = [] { throw vb::Error(91); };
    EXPECT_TRUE(quit());
    EXPECT_EQ(unloads(), (QStringList{"Probe2", "Probe1"}));
}

TEST_F(ExitTest, EndOperationPutsTheMainWindowBackToIdle)
{
    button("Command2").setEnabled(false);
    button("Command3").setEnabled(false);
    core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar1")).setValue(7);
    core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2")).setValue(3);
    vb::Screen::setMousePointer(11);

    core::EndOperation();
    EXPECT_TRUE(button("Command2").Enabled());
    EXPECT_TRUE(button("Command3").Enabled());
    EXPECT_EQ(vb::Screen::MousePointer(), 0);
    EXPECT_EQ(core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar1")).Value(), 0);
    EXPECT_EQ(core::ProgressBarOf(QStringLiteral("Form1"), QStringLiteral("ProgressBar2")).Value(), 0);
    // And the exit is possible again.
    EXPECT_TRUE(quit());
}
