// The main window during a save of thousands of user files: the event loop keeps running
// (a timer never stands still for long, a click on a page tab takes effect at once) while the
// files are staged and zip packs them.
#include "UiTesting.h"
#include "support/EventLoopProbe.h"

#include <QDir>
#include <QFile>

using core::state;
using uitest::click;
using uitest::clickTab;

namespace {

const QString kSaved = QStringLiteral("Configuration saved successfull!");

class LongWorkTest : public uitest::ProgramTest {
protected:
    static void SetUpTestSuite() { testsupport::temporaryFilesInMemory(); }

    // `count` user files below C:\Data, in folders of a hundred, listed in trelvo.usr; every
    // other one compresses well.
    QStringList makeUserFiles(int count)
    {
        QStringList files;
        QByteArray list = " " + QByteArray::number(count) + "\n";
        for (int i = 0; i < count; ++i) {
            const QString rel = QStringLiteral("Data/Folder %1/File %2.txt").arg(i / 100).arg(i);
            QDir().mkpath(QFileInfo(tm.hostC(rel)).path());
            QFile f(tm.hostC(rel));
            f.open(QIODevice::WriteOnly);
            QByteArray bytes(2048 + (i * 37) % 4096, char('a' + i % 26));
            if (i % 2)
                for (qsizetype k = 0; k < bytes.size(); ++k)
                    bytes[k] = char((k * 7919 + i * 104729) >> 3);
            f.write(bytes);
            files << QStringLiteral("C:\\") + QString(rel).replace(u'/', u'\\');
            list += files.last().toLatin1() + "\n";
        }
        writeProgramFile("trelvo.usr", list);
        return files;
    }
};

} // namespace

TEST_F(LongWorkTest, ASaveOfThousandsOfUserFilesKeepsTheWindowAnswering)
{
    writeSettings({QStringLiteral("Win.ini")});
    makeUserFiles(3000);
    ui::Form1Form& main = start();
    click(main.Option1);
    uitest::type(main.Text1, QStringLiteral("Many"));
    ui->expect(kSaved, QStringLiteral("OK"));

    bool tabSwitchedDuringSave = false;
    testsupport::EventLoopProbe probe([&] {
        if (!main.Command2.Enabled() && main.SSTab2.Tab() == 5 && main.frmInfo.Visible())
            tabSwitchedDuringSave = true;
    }, [&] { return main.StatusBar1.Text(); });
    // The user turns to the Info page while the save runs.
    QTimer::singleShot(200, [&] { clickTab(main.SSTab2, 5); });
    probe.start();
    click(main.Command1);
    probe.stop();

    ASSERT_TRUE(state().SaveDone);
    EXPECT_GT(probe.elapsed(), 250) << "too few files to take any time";
    EXPECT_LT(probe.largestGap(), 250) << "the event loop stood still for " << probe.largestGap() << " ms, from "
                                       << probe.largestGapAt() << " ms into the save of " << probe.elapsed() << " ms, status \""
                                       << probe.largestGapDuring().toStdString() << '"';
    EXPECT_TRUE(tabSwitchedDuringSave);
}
