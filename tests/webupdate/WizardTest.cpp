// The update wizard driven headless through its steps against a real server on 127.0.0.1:
// its way through the steps, the lists it refuses, and Cancel and the close box in the
// middle of a fetch from a server that keeps silent or trickles.
#include "WebUpdateTesting.h"
#include "webupdate/Messages.h"
#include "webupdate/frmSkyfetch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <QTimer>

using testsupport::ProcessEnded;
using testsupport::UpdateServer;
using webupdate::CR;
using webupdate::LoadResString;
using webupdate::state;

namespace {

const QString kExitQuestion = QStringLiteral("Would you like to close Internet Connection now?");
const QString kCannotConnect = QStringLiteral("Skyfetch cannot connect to the URL");
const QString kCannotRead = QStringLiteral("Skyfetch cannot read the update information.");
const QString kCorrupted = QStringLiteral("The downloaded file may be corrupted.");

QByteArray bytes(int size)
{
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b += char('A' + i % 26);
    return b;
}

class WizardTest : public testsupport::WebUpdateTest {
protected:
    // A dial-up connection is up, so that no dialler runs; the way out asks about it.
    void SetUp() override
    {
        WebUpdateTest::SetUp();
        dialledUp();
    }
    webupdate::frmSkyfetchForm& wizard() { return webupdate::frmSkyfetch(); }
    void next()
    {
        ASSERT_TRUE(wizard().Command1.Enabled());
        wizard().Command1.setValue(true);
    }
    // The press ends the program.
    void nextEnds()
    {
        ASSERT_TRUE(wizard().Command1.Enabled());
        EXPECT_THROW(wizard().Command1.setValue(true), ProcessEnded);
    }
    void expectExit(const char* answer = "No") { ui->expect(kExitQuestion, QString::fromLatin1(answer)); }
    void serveUpdate(const QByteArray& list, const QByteArray& file = {})
    {
        server.serve(kListPath, list);
        server.serve(kBase + QStringLiteral("setup.exe"), file);
    }
    static QString offerUnder(const QString& shown, const QString& text1, const QString& text2)
    {
        return shown + CR + CR + CR + LoadResString(1018) + CR + CR + text1 + CR + CR + text2 + CR + CR + LoadResString(1028);
    }
    static QString listFetched()
    {
        return LoadResString(1046) + CR + CR + LoadResString(1049) + CR + CR + LoadResString(1051);
    }
    // What is left in the download folder.
    QStringList leftInUpdates() const { return QDir(updates(QString())).entryList(QDir::Files); }
    // Once the wizard shows `status` (message 1050 during the list's fetch, 1054 during the
    // download), `act` runs, from the event loop as a user's action would; true once it has.
    struct WhenShown {
        WhenShown(webupdate::frmSkyfetchForm& w, int status, std::function<void()> act)
        {
            QObject::connect(&timer, &QTimer::timeout, [this, &w, status, act] {
                if (!done && w.Label1.Caption().endsWith(LoadResString(status))) {
                    done = true;
                    act();
                }
            });
            timer.start(20);
        }
        QTimer timer;
        bool done = false;
    };
    // Next ends the program; how long it took from the press.
    qint64 nextEndsAfter()
    {
        QElapsedTimer clock;
        clock.start();
        nextEnds();
        return clock.elapsed();
    }
};

} // namespace

TEST_F(WizardTest, TheWelcomeNamesTheInstalledVersionInAWindowLaidOutInTwips)
{
    auto& w = wizard();
    EXPECT_EQ(w.Caption(), QStringLiteral("Skyfetch"));
    EXPECT_EQ(w.Label1.Caption(), QStringLiteral("Welcome to Skyfetch.\r\rSkyfetch will check if there are\rany updates available for "
                                                 "Trelvo 98.\rYou are currently running Version: 2\r\rClick 'Next' to access our "
                                                 "webserver\rand check for an updated version."));
    EXPECT_EQ(w.Command1.Caption(), QStringLiteral("Next >"));
    EXPECT_EQ(w.Command2.Caption(), QStringLiteral("Cancel"));
    EXPECT_TRUE(w.Command2.Default());
    EXPECT_EQ(w.Label3.Caption(), QStringLiteral("Version 2.0"));
    EXPECT_EQ(w.HelpContextID(), 3000);
    EXPECT_EQ(w.sbrMain.Text(), QStringLiteral("Ready"));
    EXPECT_EQ((QList<int>{w.Frame1.Left(), w.Frame1.Top(), w.Frame1.Width(), w.Frame1.Height()}), (QList<int>{1920, 120, 5055, 3420}));
    EXPECT_EQ((QList<int>{w.Command1.Left(), w.Command1.Top(), w.Command1.Width(), w.Command1.Height()}),
              (QList<int>{3240, 4185, 1095, 375}));
    // The list's holder lies below what the window shows, above its status bar the buttons.
    w.Show();
    EXPECT_GE(w.Text1.Top(), w.ScaleHeight());
    EXPECT_GE(w.sbrMain.Top(), w.Command1.Top() + w.Command1.Height());

    w.Command3.setValue(true);
    EXPECT_TRUE(ui->notices().contains(QStringLiteral("help: C:\\Program Files\\Trelvo\\trelvo.HLP>Sub, topic 3000")));
}

TEST_F(WizardTest, AnUpdateIsOfferedDownloadedCheckedAndStarted)
{
    const QByteArray installer = bytes(5000);
    serveUpdate("2;5;New features;setup.exe;Improvements;5000\r\nsecond line is ignored", installer);

    next();
    auto& w = wizard();
    EXPECT_EQ(w.Label1.Caption(), offerUnder(listFetched(), QStringLiteral("New features"), QStringLiteral("Improvements")));
    EXPECT_TRUE(w.Command1.Default());
    EXPECT_FALSE(w.Command2.Default());
    EXPECT_EQ(state().gsInstallDir, QStringLiteral("C:\\Program Files\\Trelvo\\updates\\"));
    EXPECT_FALSE(QFile::exists(updates(QStringLiteral("skyfetch.txt"))));   // read and deleted
    EXPECT_TRUE(ui->shown().isEmpty());                                      // no dialler

    next();
    const QString file = QStringLiteral("C:\\Program Files\\Trelvo\\updates\\setup.exe");
    EXPECT_EQ(w.Label1.Caption(), LoadResString(1030) + CR + CR + file + CR + CR + LoadResString(1031) + CR + CR + LoadResString(1032));
    EXPECT_EQ(state().glDownloadedSize, 5000);
    QFile saved(updates(QStringLiteral("setup.exe")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), installer);
    EXPECT_EQ(server.requests(), (QStringList{kListPath, kBase + QStringLiteral("setup.exe")}));

    ui->expect(QStringLiteral("Setup has finished installing setup.exe."), QStringLiteral("OK"));
    expectExit();
    nextEnds();
    EXPECT_EQ(tm.machine().setting(QStringLiteral("Setup"), QStringLiteral("LastRun")), file);
}

TEST_F(WizardTest, TheInstalledVersionIsNotOfferedAgain)
{
    serveUpdate("2;0;Same;setup.exe;Same;10");
    ui->expect(QStringLiteral("Information No updates are currently available. Your version is up-to-date."), QStringLiteral("OK"));
    expectExit();
    nextEnds();
    EXPECT_EQ(server.requests(), QStringList{kListPath});
}

TEST_F(WizardTest, AnEmptyListIsReportedAndRetryFetchesItAgainIntoTheSameFolder)
{
    server.serve(kListPath, QByteArray());
    ui->expect(QStringLiteral("Connection failed ") + kCannotConnect, QStringLiteral("Retry"));
    ui->expect(QStringLiteral("Information ") + kCannotConnect, QStringLiteral("Retry"),
               [&] { serveUpdate("2;1;Fixes;setup.exe;More fixes;10"); });
    next();
    EXPECT_EQ(server.requests(), (QStringList{kListPath, kListPath}));
    EXPECT_EQ(state().gsInstallDir, QStringLiteral("C:\\Program Files\\Trelvo\\updates\\"));
    EXPECT_EQ(state().gsNewMinor, QStringLiteral("1"));
    EXPECT_TRUE(wizard().Label1.Caption().endsWith(LoadResString(1028)));

    expectExit();
    EXPECT_THROW(wizard().Command2.setValue(true), ProcessEnded);
}

TEST_F(WizardTest, AMissingOrEmptyListEndsTheProgramWhenTheUserCancelsAndLeavesNoFile)
{
    ui->expect(QStringLiteral("Connection failed ") + kCannotConnect, QStringLiteral("Cancel"));
    expectExit();
    nextEnds();
    EXPECT_EQ(server.requests(), QStringList{kListPath});
    EXPECT_TRUE(leftInUpdates().isEmpty());

    // The next run finds an empty list.
    vb::Forms::unloadAll();
    webupdate::resetState();
    server.serve(kListPath, QByteArray());
    ui->expect(QStringLiteral("Connection failed ") + kCannotConnect, QStringLiteral("Cancel"));
    expectExit();
    nextEnds();
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

TEST_F(WizardTest, AReplyThatIsNoListIsRefusedAndNothingIsDownloaded)
{
    server.serve(kListPath, QByteArray("<html><body>Under construction</body></html>"));
    ui->expect(QStringLiteral("Information ") + kCannotRead, QStringLiteral("Retry"),
               [&] { server.serve(kListPath, QByteArray("3;0;Next;..\\..\\WINDOWS\\WIN.INI;Release;8")); });
    ui->expect(QStringLiteral("Information ") + kCannotRead, QStringLiteral("Retry"),
               [&] { server.serve(kListPath, QByteArray("3;0;Next;CON;Release;8")); });
    ui->expect(QStringLiteral("Information ") + kCannotRead, QStringLiteral("Cancel"));
    expectExit();
    const QByteArray winIni = tm.readC(QStringLiteral("WINDOWS/WIN.INI"));
    nextEnds();
    EXPECT_EQ(server.requests(), (QStringList{kListPath, kListPath, kListPath}));
    EXPECT_EQ(tm.readC(QStringLiteral("WINDOWS/WIN.INI")), winIni);
    EXPECT_TRUE(state().gsNewMajor.isEmpty());
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

// Each row is a list whose numbers lie beyond what a number holds: each is refused as no
// list (Retry fetches the next row), never a run-time error that ends the program.
TEST_F(WizardTest, AListWithANumberOutOfRangeIsNoList)
{
    const QByteArray digits(400, '7');
    const QByteArray rows[] = {
        "2;5;a;setup.exe;b;1E999",
        "2;5;a;setup.exe;b;-1E999",
        "2;5;a;setup.exe;b;&H1FFFFFFFF",
        "2;5;a;setup.exe;b;&O77777777777",
        "2;5;a;setup.exe;b;1" + digits,
        digits + ";0;a;setup.exe;b;10",
        "2;" + digits + ";a;setup.exe;b;10",
        "2;5E999;a;setup.exe;b;10",
    };
    server.serve(kListPath, rows[0]);
    for (qsizetype i = 1; i <= qsizetype(std::size(rows)); ++i) {
        const bool last = i == qsizetype(std::size(rows));
        ui->expect(QStringLiteral("Information ") + kCannotRead, last ? QStringLiteral("Cancel") : QStringLiteral("Retry"),
                   [&, i, last] {
                       if (!last)
                           server.serve(kListPath, rows[i]);
                   });
    }
    expectExit();
    nextEnds();
    EXPECT_EQ(server.requests(), QStringList(qsizetype(std::size(rows)), kListPath));
    EXPECT_TRUE(state().gsNewMajor.isEmpty());
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

TEST_F(WizardTest, ADownloadOfTheWrongLengthIsReportedAndLeftInPlace)
{
    serveUpdate("2;1;a;setup.exe;b;500", bytes(499));
    next();
    ui->expect(kCorrupted, QStringLiteral("OK"));
    expectExit();
    nextEnds();
    EXPECT_EQ(QFile(updates(QStringLiteral("setup.exe"))).size(), 499);
    EXPECT_TRUE(tm.machine().setting(QStringLiteral("Setup"), QStringLiteral("LastRun")).isEmpty());
}

TEST_F(WizardTest, ADownloadThatBreaksOffIsReportedAsAFailedConnectionAndRetryFetchesItAgain)
{
    serveUpdate("2;1;a;setup.exe;b;5000");
    server.serve(kBase + QStringLiteral("setup.exe"), UpdateServer::Reply{200, bytes(5000), 1200});
    next();
    ui->expect(QStringLiteral("Connection failed ") + kCannotConnect, QStringLiteral("Retry"), [&] {
        EXPECT_TRUE(leftInUpdates().isEmpty());
        server.serve(kBase + QStringLiteral("setup.exe"), bytes(5000));
    });
    next();
    EXPECT_EQ(state().glDownloadedSize, 5000);
    EXPECT_EQ(state().gsInstallDir, QStringLiteral("C:\\Program Files\\Trelvo\\updates\\setup.exe"));
    EXPECT_EQ(QFile(updates(QStringLiteral("setup.exe"))).size(), 5000);

    // Broken off again, and the user gives up: nothing is left behind.
    state().glDownloadedSize = 0;
    state().gsInstallDir = QStringLiteral("C:\\Program Files\\Trelvo\\updates\\");
    server.serve(kBase + QStringLiteral("setup.exe"), UpdateServer::Reply{200, bytes(5000), 1200});
    ui->expect(QStringLiteral("Connection failed ") + kCannotConnect, QStringLiteral("Cancel"));
    expectExit();
    nextEnds();
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

TEST_F(WizardTest, ATransferThatGoesOnTooLongEndsLikeAFailedConnection)
{
    setNetwork("ReceiveTimeout", QStringLiteral("30"));
    setNetwork("TransferTimeout", QStringLiteral("1"));
    server.serve(kListPath, UpdateServer::Reply{200, "2;1;a;setup.exe;b;10", -1, 0, 0, 200});   // a byte every 200 ms
    ui->expect(QStringLiteral("Connection failed ") + kCannotConnect, QStringLiteral("Cancel"));
    expectExit();
    EXPECT_LT(nextEndsAfter(), 15000);
    EXPECT_EQ(state().gsLastError, QStringLiteral("The request has timed out."));
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

TEST_F(WizardTest, AnUpdateRedirectedToANameOutsideTheMachinesTableIsNotFetched)
{
    tm.machine().setSetting(QStringLiteral("Hosts"), QStringLiteral("localhost"), QString());
    serveUpdate("2;1;a;setup.exe;b;100");
    server.serve(kBase + QStringLiteral("setup.exe"),
                 UpdateServer::redirect("http://localhost:" + QByteArray::number(server.port()) + "/setup.exe"));
    server.serve(QStringLiteral("/setup.exe"), bytes(100));
    next();
    ui->expect(QStringLiteral("Connection failed ") + kCannotConnect, QStringLiteral("Cancel"));
    expectExit();
    nextEnds();
    EXPECT_EQ(server.requests(), (QStringList{kListPath, kBase + QStringLiteral("setup.exe")}));
    EXPECT_TRUE(leftInUpdates().isEmpty());
    EXPECT_TRUE(tm.machine().setting(QStringLiteral("Setup"), QStringLiteral("LastRun")).isEmpty());
}

TEST_F(WizardTest, ADownloadedFileThatIsNoProgramIsReportedAsSuch)
{
    serveUpdate("2;1;Notes;notes.txt;b;12");
    server.serve(kBase + QStringLiteral("notes.txt"), QByteArray("Read me too."));
    next();
    next();
    ui->expect(QStringLiteral("The downloaded file is not a program and can not be started:"), QStringLiteral("OK"));
    expectExit();
    nextEnds();
    EXPECT_TRUE(ui->shown().first().prompt.endsWith(CR + CR + QStringLiteral("C:\\Program Files\\Trelvo\\updates\\notes.txt")));
    EXPECT_EQ(QFile(updates(QStringLiteral("notes.txt"))).size(), 12);
}

// ---- Cancel and the close box in the middle of a fetch ----------------------------------------

TEST_F(WizardTest, CancelActsAtOnceWhileTheServerTricklesTheList)
{
    setNetwork("ReceiveTimeout", QStringLiteral("30"));
    server.serve(kListPath, UpdateServer::Reply{200, bytes(3000), -1, 0, 0, 100});
    auto& w = wizard();
    w.Show();
    const WhenShown user(w, 1050, [&] { QTest::mouseClick(w.Command2.widget(), Qt::LeftButton); });
    expectExit();
    EXPECT_LT(nextEndsAfter(), 5000);
    EXPECT_TRUE(user.done);
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

TEST_F(WizardTest, CancelActsAtOnceWhileTheServerKeepsSilentDuringTheDownload)
{
    setNetwork("ReceiveTimeout", QStringLiteral("30"));
    serveUpdate("2;1;a;setup.exe;b;5000");
    server.serve(kBase + QStringLiteral("setup.exe"), UpdateServer::Reply{200, bytes(5000), -1, 0, 30000});
    auto& w = wizard();
    w.Show();
    next();
    const WhenShown user(w, 1054, [&] { QTest::mouseClick(w.Command2.widget(), Qt::LeftButton); });
    expectExit("Yes");
    EXPECT_LT(nextEndsAfter(), 10000);   // the hang-up takes its three seconds
    EXPECT_TRUE(user.done);
    EXPECT_FALSE(dialUpIsUp());
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

TEST_F(WizardTest, ClosingTheWindowDuringTheDownloadEndsTheProgramAndLeavesNoFile)
{
    setNetwork("ReceiveTimeout", QStringLiteral("30"));
    serveUpdate("2;1;a;setup.exe;b;9000");
    server.serve(kBase + QStringLiteral("setup.exe"), UpdateServer::Reply{200, bytes(9000), 5000, 30000});
    auto& w = wizard();
    w.Show();
    next();
    // Closed once some blocks have arrived (the status bar counts them) and the server stalls.
    bool closed = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!closed && w.sbrMain.Text().startsWith(LoadResString(1059))) {
            closed = true;
            w.window()->close();
        }
    });
    user.start(10);
    // No hang-up question: the close box is no way through ExitProgram.
    EXPECT_LT(nextEndsAfter(), 5000);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

TEST_F(WizardTest, ClosingTheWindowWhileTheServerKeepsSilentEndsTheProgramAndLeavesNoFile)
{
    setNetwork("ReceiveTimeout", QStringLiteral("30"));
    server.serve(kListPath, UpdateServer::Reply{200, "2;1;a;setup.exe;b;10", -1, 0, 30000});
    auto& w = wizard();
    w.Show();
    const WhenShown user(w, 1050, [&] { w.window()->close(); });
    EXPECT_LT(nextEndsAfter(), 5000);
    EXPECT_TRUE(user.done);
    EXPECT_TRUE(leftInUpdates().isEmpty());
}

TEST_F(WizardTest, TheStatusBarFollowsTheDownloadWithoutPaintingEveryBlock)
{
    const int size = 4 * 1024 * 1024;
    serveUpdate("2;1;a;setup.exe;b;" + QByteArray::number(size), bytes(size));
    auto& w = wizard();
    w.Show();
    next();
    // What the status bar shows each time the event loop runs, and how often it is painted.
    struct Watch : QObject {
        QStringList seen;
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } watch;
    w.sbrMain.widget()->installEventFilter(&watch);
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (watch.seen.isEmpty() || watch.seen.last() != w.sbrMain.Text())
            watch.seen << w.sbrMain.Text();
    });
    look.start(0);
    next();
    look.stop();
    ASSERT_EQ(state().glDownloadedSize, size);
    const QString prefix = LoadResString(1059);
    qint64 last = 0;
    for (const QString& text : watch.seen)
        if (text.startsWith(prefix)) {
            const qint64 total = text.mid(prefix.size()).section(u' ', 0, 0).toLongLong();
            EXPECT_GT(total, last) << qPrintable(text);
            last = total;
        }
    EXPECT_EQ(last, size) << "the last block's total is shown";
    EXPECT_EQ(w.sbrMain.Text(), QStringLiteral("Ready"));
    EXPECT_LT(watch.paints * 8, size / 2048) << watch.paints << " paints for " << size / 2048 << " blocks";
}

TEST_F(WizardTest, TheInProgressLinesFitTheirLines)
{
    auto& w = wizard();
    w.Show();
    const auto* label = static_cast<const QLabel*>(w.Label1.widget());
    const QFontMetrics metrics(label->font());
    for (int number : {1045, 1046, 1047, 1049, 1050, 1051, 1054})
        EXPECT_LE(metrics.horizontalAdvance(LoadResString(number)), label->contentsRect().width()) << number;
    // And the longest text the label shows, the offer under the pass's lines, fits its height.
    serveUpdate("2;5;New features;setup.exe;Improvements;5000");
    next();
    const QRect needed = metrics.boundingRect(label->contentsRect(), Qt::TextWordWrap, label->text());
    EXPECT_LE(needed.height(), label->contentsRect().height());
}

TEST_F(WizardTest, AnOfflineMachineDialsFirstAndHangsUpOnTheWayOut)
{
    setNetwork("DialUp", QStringLiteral("0"));
    setNetwork("Online", QStringLiteral("0"));
    serveUpdate("2;0;Same;setup.exe;Same;10");
    ui->expect(QStringLiteral("Connect To Connect to Home Dial-Up"), QStringLiteral("Connect"));
    ui->expect(QStringLiteral("No updates are currently available."), QStringLiteral("OK"));
    expectExit("Yes");
    nextEnds();
    EXPECT_EQ(server.requests(), QStringList{kListPath});
    EXPECT_FALSE(dialUpIsUp());
}

TEST_F(WizardTest, OnAPermanentConnectionTheDiallerStillComesUnlessThereIsNoDefaultConnection)
{
    setNetwork("DialUp", QStringLiteral("0"));
    setNetwork("Online", QStringLiteral("1"));
    serveUpdate("2;0;Same;setup.exe;Same;10");
    // No dial-up connection is up: the dialler's window comes; Cancel there goes on over the
    // permanent connection, and the way out has nothing to hang up.
    ui->expect(QStringLiteral("Connect To Connect to Home Dial-Up"), QStringLiteral("Cancel"));
    ui->expect(QStringLiteral("No updates are currently available."), QStringLiteral("OK"));
    nextEnds();
    EXPECT_EQ(server.requests(), QStringList{kListPath});

    // Without a default connection the dialler has nothing to dial and shows nothing.
    vb::Forms::unloadAll();
    webupdate::resetState();
    editRegistry("\"Default\"=\"Home Dial-Up\"", "\"Default\"=\"\"");
    ui->expect(QStringLiteral("No updates are currently available."), QStringLiteral("OK"));
    nextEnds();
    EXPECT_EQ(server.requests(), (QStringList{kListPath, kListPath}));
    EXPECT_FALSE(dialUpIsUp());
}

TEST_F(WizardTest, AddressPartsAndThePlaceOfTheWindow)
{
    auto& w = wizard();
    EXPECT_EQ(w.FileNameURL(QStringLiteral("http://host/skf/version2/englisch/skyfetch.txt  ")), QStringLiteral("skyfetch.txt"));
    EXPECT_EQ(w.FileNameURL(QStringLiteral("setup.exe  ")), QStringLiteral("setup.exe"));
    EXPECT_EQ(w.FilePathURL(QStringLiteral("  http://host/skf/a.txt ")), QStringLiteral("http://host/skf/"));
    EXPECT_EQ(w.FilePathURL(QStringLiteral("setup.exe")), QString());

    EXPECT_NEAR(w.Left(), (vb::Screen::Width() - w.Width()) / 2, vb::TwipsPerPixel);   // to the pixel
    vb::Form wide(QStringLiteral("Wide"));
    wide.setClientSize(vb::Screen::Width() + 3000, 1500);
    w.CenterForm(wide);
    EXPECT_EQ(wide.Left(), 0);
    EXPECT_NEAR(wide.Top(), (vb::Screen::Height() - wide.Height()) / 2, vb::TwipsPerPixel);
}
