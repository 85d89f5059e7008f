// The start sweeps the program folder of what a save that never finished left there: a
// slot's archives and description files go when its description is missing or holds only the
// piece record that a save onto floppies writes as it goes; what a finished description
// records, the automatic saves' folder and everything else stay. The rescue wizard's archive
// goes as well.
#include "core/Startup.h"
#include "core/SystemPaths.h"
#include "support/TempMachine.h"

#include <QList>
#include <QPair>

namespace {

const QString kFolder = QStringLiteral("Program Files/Trelvo/");
const QByteArray kSplitLogOnly = "[SplitLog]\r\nFile2=C:\\Program Files\\Trelvo\\Conf1us.tva\r\nC:\\Program Files\\Trelvo\\Conf1us.tva= 2\r\n";
QByteArray finished(const char* saveFolder)
{
    return QByteArray("[Configuration]\r\nConfigName=Weekly\r\n[SystemFiles]\r\nSystemPath=C:\\WINDOWS\r\nSaveFolder=") + saveFolder +
           "\r\n[SystemFilesSaved]\r\nWin.ini=1\r\n";
}

struct SweepCase {
    const char* name;
    QList<QPair<QString, QByteArray>> files;   // below the program folder
    QStringList gone;                           // of those, what the start removes
};

void PrintTo(const SweepCase& c, std::ostream* os) { *os << c.name; }

const SweepCase kCases[] = {
    {"AFloppySaveKilledWhileItsArchivesWentOut",
     {{"Config1.ini", kSplitLogOnly}, {"Config1.usr", " 1\r\nc:\\data\\a.txt\r\n\r\n"}, {"Conf1ma.tva", "PK"}, {"Conf1us.tva", "PK"},
      {"Conf1na.tva", "PK"}},
     {"Config1.ini", "Config1.usr", "Conf1ma.tva", "Conf1us.tva", "Conf1na.tva"}},
    {"ASaveKilledBeforeItsDescription",
     {{"Conf2.tva", "PK"}, {"Conf2s.tva", "PK"}, {"Config2.usr", " 0\r\n\r\n"}},
     {"Conf2.tva", "Conf2s.tva", "Config2.usr"}},
    {"AFolderSaveIntoTheProgramFolderItself",
     {{"Config3.ini", finished("C:\\Program Files\\Trelvo\\")}, {"Config3.usr", " 0\r\n\r\n"}, {"Conf3.tva", "PK"}, {"Conf3us.tva", "PK"}},
     {}},
    {"AFinishedDescriptionOfAnotherFolderKeepsWhatLiesHere",
     {{"Config4.ini", finished("D:\\Backup\\")}, {"Conf4.tva", "PK"}},
     {}},
    {"AutomaticSavesAndOtherFilesAreNotLookedAt",
     {{"AutoKeep/Config1.ini", kSplitLogOnly}, {"AutoKeep/Conf1.tva", "PK"}, {"Conf6.tva", "PK"},
      {"Config1.ini", finished("A:\\")}, {"trelvo.ini", "[Settings]\r\n"}},
     {}},
    // Each run of the rescue wizard packs its own; one a run cut short left goes too.
    {"TheRescueArchiveOfAWizardCutShort", {{"Configd.tva", "PK"}, {"Config1.ini", finished("A:\\")}}, {"Configd.tva"}},
    {"ADescriptionThatIsNotAnUnfinishedOneIsNotJudged",
     {{"Config5.ini", ""}, {"Conf5.tva", "PK"}, {"Config2.ini", "[SplitLog]\r\n[Configuration]\r\nConfigName=Half\r\n"}, {"Conf2.tva", "PK"}},
     {}},
};

class UnfinishedSaveTest : public testsupport::MachineTest, public ::testing::WithParamInterface<SweepCase> {};

TEST_P(UnfinishedSaveTest, TheStartRemovesWhatNoFinishedSaveRecords)
{
    const SweepCase& c = GetParam();
    for (const auto& [file, bytes] : c.files)
        tm.writeC(kFolder + file, bytes);
    core::ReadSystemPaths();
    core::RemoveLeftovers();
    for (const auto& [file, bytes] : c.files) {
        if (c.gone.contains(file))
            EXPECT_FALSE(tm.existsC(kFolder + file)) << file.toStdString();
        else
            EXPECT_EQ(tm.readC(kFolder + file), bytes) << file.toStdString();
    }
    // The program itself is untouched.
    EXPECT_TRUE(tm.existsC(kFolder + "zip.exe"));
    EXPECT_TRUE(tm.existsC(kFolder + "Unzip32.exe"));
}

INSTANTIATE_TEST_SUITE_P(Rows, UnfinishedSaveTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SweepCase>& info) { return std::string(info.param.name); });

} // namespace
