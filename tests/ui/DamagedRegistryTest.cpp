// A registry file that cannot be read whole, through the real program: start-up says so once
// (the file, the line, what is wrong) and logs it; the Start menu and the favorites stay chosen
// as the settings have them, and a save names them as not saved, their folder unknown.
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "platform/IniDocument.h"
#include "support/DamagedFile.h"
#include "support/ProgramRun.h"
#include "support/TempMachine.h"

using testsupport::Damage;

namespace {

const QString kProgram = QStringLiteral("Program Files/Trelvo/");

class DamagedRegistryTest : public testsupport::MachineTest, public ::testing::WithParamInterface<Damage> {
protected:
    // The user's choice, made while the registry was sound: the Start menu, Win.ini and the
    // favorites.
    void chooseItems()
    {
        core::ReadSystemPaths();
        core::LoadSettings();
        for (const char* box : {"Check1", "Check2"})
            core::CheckBoxOf("Form1", box).setValue(1);
        core::CheckBoxOf("UserFiles", "Check12").setValue(1);
        core::SaveSettings();
    }
    QString setting(const char* section, const char* key) const
    {
        return platform::IniDocument::parse(tm.readC(kProgram + "trelvo.ini")).value(section, key).value_or("<none>");
    }
};

} // namespace

TEST_P(DamagedRegistryTest, IsToldAtStartAndTheSaveNamesWhatItCannotFind)
{
    chooseItems();
    const QString file = tm.dir() + "/registry.reg";
    testsupport::damageFile(file, GetParam());
    const bool sound = GetParam() == Damage::CrOnly;   // nothing is lost in it

    QStringList script;
    if (!sound)
        script << "The registry of this PC can not be read completely: " + file + " => OK";
    script << "@Form1.Option1 => Click" << "@Form1.Text1 => \"Before\"" << "@Form1.Command1 => Click";
    if (sound)
        script << "Configuration saved successfull! => OK";
    else
        script << "The configuration was saved, but not all of it.  Not saved: Start Menu: the folder is unknown "
                  "Microsoft Internet Explorer Bookmarks: the folder is unknown => OK";
    script << "@Form1.Command3 => Click";
    testsupport::ProgramRun run(tm, script);
    ASSERT_TRUE(run.finish()) << run.errors().toStdString();
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_FALSE(run.errors().contains("unexpected:")) << run.errors().toStdString();
    EXPECT_FALSE(run.errors().contains("unused:")) << run.errors().toStdString();

    const QString log = QString::fromLatin1(tm.readC(kProgram + "Error.log"));
    EXPECT_EQ(log.count(file), sound ? 0 : 1) << log.toStdString();
    EXPECT_EQ(tm.existsC(kProgram + "Conf1s.tva"), sound);
    EXPECT_EQ(tm.existsC(kProgram + "Conf1mb.tva"), sound);
    EXPECT_TRUE(tm.existsC(kProgram + "Conf1.tva"));
    // The choice stays as it was, for a later start with a sound registry.
    EXPECT_EQ(setting("SystemFiles", "StartMenue"), "1");
    EXPECT_EQ(setting("UserFiles", "MSEFavorites"), "1");
}

INSTANTIATE_TEST_SUITE_P(Forms, DamagedRegistryTest,
                         ::testing::Values(Damage::CrOnly, Damage::Truncated, Damage::Garbage, Damage::LongLine, Damage::Empty,
                                           Damage::Folder, Damage::DanglingLink),
                         [](const ::testing::TestParamInfo<Damage>& info) { return std::string(testsupport::damageName(info.param)); });
