// The real program killed (kill -9) while an update of the rescue disks asks for the third
// disk: the data disk holds the first piece of the new archive, the third disk still the second
// piece of the old one, a set that can not be used. The next start says so and, when the user
// agrees, puts the old archive kept in the program folder back onto the data disk.
#include "backup/FloppyTesting.h"
#include "support/ProgramRun.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QFile>

using testsupport::ProgramRun;

namespace {

struct Row {
    const char* name;
    QStringList nextStart;      // the user's answers at the next start
    QByteArray dataDiskPiece;   // what the data disk's Configd.tv1 holds afterwards ("" for the new piece)
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class RescueUpdateKillTest : public testsupport::MachineTest, public ::testing::WithParamInterface<Row> {
protected:
    QByteArray onDisk(const QString& disk, const QString& file) const
    {
        QFile f(tm.hostDisk(disk) + u'/' + file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

const Row kRows[] = {
    {"PutBack",
     {"The last update of the Rescue Disk was interrupted => OK", "The old rescue archive has been put back => OK"},
     "old piece 1"},
    {"Declined",
     {"The last update of the Rescue Disk was interrupted => Cancel",
      "are now incomplete from [RESCUE DISK NO.2] on and can not be used => OK"},
     ""},
};

} // namespace

TEST_P(RescueUpdateKillTest, TheNextStartPutsTheOldArchiveBackOrSaysTheSetIsIncomplete)
{
    const Row& row = GetParam();
    backuptest::makeDisk(QStringLiteral("third"), {{QStringLiteral("Configd.tv2"), "old piece 2"}}, QStringLiteral("1.44M"),
                         QStringLiteral("DATA#2"));
    backuptest::makeDisk(QStringLiteral("data"), {{QStringLiteral("Configd.tv1"), "old piece 1"}}, QStringLiteral("1.44M"),
                         QStringLiteral("DATA#1"));
    tm.writeC(QStringLiteral("WINDOWS/SYSTEM.DAT"), backuptest::randomBytes(1600000, 11));   // two disks' worth
    {
        ProgramRun update(tm, {"@Form1.Command18 => Click", "@Wizzard.Option2 => Click", "@Wizzard.Command2 => Click",
                               "@Wizzard.Command2 => Click", "Please insert Disk No. 3 now! => Wait"});
        ASSERT_TRUE(update.killWhen([&] { return update.errors().contains(QStringLiteral("waiting at:")); }))
            << update.errors().toStdString();
    }
    const QByteArray newPiece = onDisk(QStringLiteral("data"), QStringLiteral("Configd.tv1"));
    ASSERT_GT(newPiece.size(), 1000000) << "the data disk took the new archive's first piece";

    ProgramRun next(tm, row.nextStart + QStringList{"@Form1.Command3 => Click"});
    ASSERT_TRUE(next.finish()) << next.errors().toStdString();
    EXPECT_FALSE(next.errors().contains(QStringLiteral("unexpected")) || next.errors().contains(QStringLiteral("unused")))
        << next.errors().toStdString();
    EXPECT_EQ(onDisk(QStringLiteral("data"), QStringLiteral("Configd.tv1")), row.dataDiskPiece.isEmpty() ? newPiece : row.dataDiskPiece);
    EXPECT_EQ(QDir(tm.hostDisk(QStringLiteral("data"))).entryList({QStringLiteral("Configd*")}), QStringList{QStringLiteral("Configd.tv1")});
    EXPECT_EQ(onDisk(QStringLiteral("third"), QStringLiteral("Configd.tv2")), QByteArray("old piece 2"));
    // Settled once: the keep and the killed run's rescue archive are gone.
    EXPECT_FALSE(tm.existsC(QStringLiteral("Program Files/Trelvo/RescueKeep")));
    EXPECT_FALSE(tm.existsC(QStringLiteral("Program Files/Trelvo/Configd.tva")));
}

INSTANTIATE_TEST_SUITE_P(AtTheThirdDisk, RescueUpdateKillTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });
