// The HTTP fetcher against a real server on 127.0.0.1: into files and memory, its failures
// and their texts, waits that keep the event loop running and end, redirections through the
// machine's [Hosts], the error table and the link collector.
#include "WebUpdateTesting.h"
#include "vb/CommonControls.h"
#include "vb/Form.h"
#include "vb/UiServices.h"
#include "webupdate/CNetGet.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

using testsupport::UpdateServer;
using webupdate::CNetGet;
using webupdate::state;

namespace {

class CNetGetTest : public testsupport::WebUpdateTest {
protected:
    void SetUp() override
    {
        WebUpdateTest::SetUp();
        net.SetStatusWindow(status);
        net.Init();
    }
    QString url(const QString& path) const { return QStringLiteral("http://update.orvane.example") + path; }
    static QByteArray hostFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
    // How often the event loop ran while `fetch` did its work.
    static int eventLoopPassesDuring(const std::function<void()>& fetch)
    {
        int passes = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++passes; });
        tick.start(5);
        fetch();
        return passes;
    }
    // The machine's table of names knows no address for `name`.
    void unknownName(const char* name) { tm.machine().setSetting(QStringLiteral("Hosts"), QString::fromLatin1(name), QString()); }

    vb::Form host{QStringLiteral("Host")};
    vb::StatusBar status{host, QStringLiteral("sbrMain")};
    CNetGet net;
};

// This process holds a file open in `hostFolder` that has no name there (yet).
bool writingUnnamedInto(const QString& hostFolder)
{
    const QString prefix = QDir::cleanPath(hostFolder) + u'/';
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFileInfo(fds.filePath(fd)).symLinkTarget();
        if (target.startsWith(prefix) && (target.endsWith(QStringLiteral(" (deleted)")) || target.contains(QStringLiteral(".~"))))
            return true;
    }
    return false;
}

QByteArray pattern(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes += char(i * 7 % 251);
    return bytes;
}

} // namespace

TEST_F(CNetGetTest, FetchesIntoAFileByteForByte)
{
    const QByteArray body = pattern(4096) + "  ";
    server.serve(QStringLiteral("/f.bin"), body);
    ASSERT_TRUE(net.ReadUrl(url(QStringLiteral("/f.bin")), QStringLiteral("C:\\f.bin")));
    EXPECT_EQ(hostFile(tm.hostC(QStringLiteral("f.bin"))), body);   // trailing blanks kept
    EXPECT_EQ(state().gsLastError, QString());
    EXPECT_EQ(status.Text(), QStringLiteral("Ready"));
    EXPECT_EQ(vb::Screen::MousePointer(), 0);
}

TEST_F(CNetGetTest, FetchesIntoMemoryAndGivesTheTextWithoutOuterBlanks)
{
    server.serve(QStringLiteral("/page.htm"), QByteArray("  <a href=\"x\">caf\xe9</a>  "));
    ASSERT_TRUE(net.ReadUrl(url(QStringLiteral("/page.htm"))));
    EXPECT_EQ(net.GetRawHTML(), QStringLiteral("<a href=\"x\">caf\u00e9</a>"));

    server.serve(QStringLiteral("/empty"), QByteArray());
    ASSERT_TRUE(net.ReadUrl(url(QStringLiteral("/empty")), QStringLiteral("C:\\empty.txt")));
    EXPECT_EQ(hostFile(tm.hostC(QStringLiteral("empty.txt"))), QByteArray());
    ASSERT_TRUE(net.ReadUrl(url(QStringLiteral("/empty"))));
    EXPECT_EQ(net.GetRawHTML(), QString());
}

TEST_F(CNetGetTest, AFileLeftByAnEarlierFetchIsReplacedWhole)
{
    tm.writeC(QStringLiteral("list.txt"), QByteArray("1;9;old text that is much longer than the new one;old.exe;x;999"));
    server.serve(QStringLiteral("/list"), QByteArray("2;5;new"));
    ASSERT_TRUE(net.ReadUrl(url(QStringLiteral("/list")), QStringLiteral("C:\\list.txt")));
    EXPECT_EQ(tm.readC(QStringLiteral("list.txt")), QByteArray("2;5;new"));
}

TEST_F(CNetGetTest, ARequestThatCannotBeMadeFailsWithTheTextOfItsCause)
{
    // A name the machine cannot resolve: no empty file is left behind.
    EXPECT_FALSE(net.ReadUrl(QStringLiteral("http://nowhere.orvane.example/x"), QStringLiteral("C:\\x.txt")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The server name could not be resolved."));
    EXPECT_FALSE(tm.existsC(QStringLiteral("x.txt")));
    EXPECT_EQ(status.Text(), QStringLiteral("Ready"));

    // An offline machine reaches no server.
    setNetwork("Online", QStringLiteral("0"));
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/f.bin"))));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The server name could not be resolved."));
    EXPECT_TRUE(server.requests().isEmpty());

    // A closed port.
    setNetwork("Online", QStringLiteral("1"));
    EXPECT_FALSE(net.ReadUrl(QStringLiteral("http://127.0.0.1:1/x")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The attempt to connect to the server failed."));

    // A session that is closed opens no request.
    net.Term();
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/f.bin"))));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("Error details not available."));
}

TEST_F(CNetGetTest, AnErrorPageIsNotTakenForTheResource)
{
    tm.writeC(QStringLiteral("missing.txt"), QByteArray("what an earlier fetch left"));
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/missing.txt")), QStringLiteral("C:\\missing.txt")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The requested item could not be located."));
    EXPECT_FALSE(tm.existsC(QStringLiteral("missing.txt")));

    server.serve(QStringLiteral("/broken"), UpdateServer::Reply{500, "oops"});
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/broken"))));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("An extended error was returned from the server."));
    EXPECT_EQ(net.GetRawHTML(), QString());
}

TEST_F(CNetGetTest, ARedirectionThatNamesNoPlaceToGoIsNotTakenForTheResource)
{
    // Its own page is no more the resource than an error page is.
    server.serve(QStringLiteral("/moved.exe"), UpdateServer::Reply{302, "<html>Moved</html>"});
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/moved.exe")), QStringLiteral("C:\\moved.exe")));
    EXPECT_FALSE(tm.existsC(QStringLiteral("moved.exe")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("Error details not available."));

    server.serve(QStringLiteral("/same.htm"), UpdateServer::Reply{304, {}});
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/same.htm"))));
    EXPECT_EQ(net.GetRawHTML(), QString());
    EXPECT_EQ(net.GetLastError(), QStringLiteral("Error details not available."));
    EXPECT_EQ(status.Text(), QStringLiteral("Ready"));
}

TEST_F(CNetGetTest, ATransferThatBreaksOffFailsAndLeavesNoFile)
{
    server.serve(QStringLiteral("/cut.bin"), UpdateServer::Reply{200, pattern(5000), 3000});
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/cut.bin")), QStringLiteral("C:\\cut.bin")));
    EXPECT_FALSE(tm.existsC(QStringLiteral("cut.bin")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The connection with the server has been terminated."));
    // In memory what arrived first is kept.
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/cut.bin"))));
    EXPECT_EQ(net.GetRawHTML().size(), 3000);

    // The next fetch that succeeds reports success.
    server.serve(QStringLiteral("/ok"), QByteArray("fine"));
    EXPECT_TRUE(net.ReadUrl(url(QStringLiteral("/ok"))));
    EXPECT_EQ(net.GetLastError(), QString());

    // A server that falls silent.
    setNetwork("ReceiveTimeout", QStringLiteral("1"));
    server.serve(QStringLiteral("/stall"), UpdateServer::Reply{200, pattern(4000), 100, 4000});
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/stall")), QStringLiteral("C:\\stall.bin")));
    EXPECT_FALSE(tm.existsC(QStringLiteral("stall.bin")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The request has timed out."));
}

// ---- waits -------------------------------------------------------------------------------

TEST_F(CNetGetTest, TheEventLoopRunsWhileTheServerKeepsSilentOrTrickles)
{
    setNetwork("ReceiveTimeout", QStringLiteral("1"));
    server.serve(QStringLiteral("/silent"), UpdateServer::Reply{200, pattern(10), -1, 0, 5000});
    const int whileSilent = eventLoopPassesDuring([&] { EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/silent")))); });
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The request has timed out."));
    EXPECT_GE(whileSilent, 5);

    // Six bytes spread over a good part of a second, all in the first block.
    server.serve(QStringLiteral("/trickle"), UpdateServer::Reply{200, QByteArray("abcdef"), -1, 0, 0, 120});
    const int whileTrickling = eventLoopPassesDuring([&] { EXPECT_TRUE(net.ReadUrl(url(QStringLiteral("/trickle")))); });
    EXPECT_EQ(net.GetRawHTML(), QStringLiteral("abcdef"));
    EXPECT_GE(whileTrickling, 5);
}

TEST_F(CNetGetTest, ATricklingServerIsStoppedByTheLimitOnTheWholeTransfer)
{
    // One byte every 50 ms never leaves the server silent for long: only the overall limit ends it.
    setNetwork("ReceiveTimeout", QStringLiteral("30"));
    setNetwork("TransferTimeout", QStringLiteral("1"));
    server.serve(QStringLiteral("/slow.exe"), UpdateServer::Reply{200, pattern(4000), -1, 0, 0, 50});
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/slow.exe")), QStringLiteral("C:\\slow.exe")));
    EXPECT_LT(clock.elapsed(), 15000) << "the trickle took its course";
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The request has timed out."));
    EXPECT_FALSE(tm.existsC(QStringLiteral("slow.exe")));
    EXPECT_EQ(status.Text(), QStringLiteral("Ready"));
}

TEST_F(CNetGetTest, AFetchWhoseSessionIsClosedWhileItWaitsStopsThere)
{
    setNetwork("ReceiveTimeout", QStringLiteral("30"));
    server.serve(QStringLiteral("/silent"), UpdateServer::Reply{200, pattern(10), -1, 0, 30000});
    QTimer::singleShot(200, [&] { net.Term(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/silent")), QStringLiteral("C:\\silent.bin")));
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The operation was canceled, usually because the handle on which the request "
                                                 "was operating was closed before the operation completed."));
    EXPECT_FALSE(tm.existsC(QStringLiteral("silent.bin")));
}

TEST_F(CNetGetTest, TheProgramsEndInTheMiddleOfAFetchRemovesItsFile)
{
    // What the end of the program runs before the process goes, while the fetch waits. The
    // file being fetched has no name until it has arrived whole; the end drops it.
    setNetwork("ReceiveTimeout", QStringLiteral("1"));
    server.serve(QStringLiteral("/setup.exe"), UpdateServer::Reply{200, pattern(5000), 100, 3000});
    bool thereBefore = true;
    bool writingBefore = false;
    bool thereAfter = true;
    bool writingAfter = true;
    QTimer::singleShot(300, [&] {
        thereBefore = tm.existsC(QStringLiteral("setup.exe"));
        writingBefore = writingUnnamedInto(tm.hostC(QString()));
        vb::AtEnd();
        thereAfter = tm.existsC(QStringLiteral("setup.exe"));
        writingAfter = writingUnnamedInto(tm.hostC(QString()));
    });
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/setup.exe")), QStringLiteral("C:\\setup.exe")));
    EXPECT_FALSE(thereBefore);
    EXPECT_TRUE(writingBefore);
    EXPECT_FALSE(thereAfter);
    EXPECT_FALSE(writingAfter);
    EXPECT_FALSE(tm.existsC(QStringLiteral("setup.exe")));
}

// ---- redirections --------------------------------------------------------------------------

TEST_F(CNetGetTest, RedirectionsAreFollowedToNamesOfTheMachinesTable)
{
    tm.machine().setSetting(QStringLiteral("Hosts"), QStringLiteral("mirror.orvane.example"), server.address());
    server.serve(QStringLiteral("/old.exe"), UpdateServer::redirect("http://mirror.orvane.example/mirror/new.exe"));
    server.serve(QStringLiteral("/mirror/new.exe"), UpdateServer::redirect("../newest.exe", 301));   // relative
    server.serve(QStringLiteral("/newest.exe"), pattern(3000));
    ASSERT_TRUE(net.ReadUrl(url(QStringLiteral("/old.exe")), QStringLiteral("C:\\new.exe")));
    EXPECT_EQ(hostFile(tm.hostC(QStringLiteral("new.exe"))), pattern(3000));
    EXPECT_EQ(server.requests(), (QStringList{"/old.exe", "/mirror/new.exe", "/newest.exe"}));
    EXPECT_EQ(server.hosts(), (QStringList{"update.orvane.example", "mirror.orvane.example", "mirror.orvane.example"}));
}

TEST_F(CNetGetTest, ARedirectionToANameOutsideTheTableIsRefused)
{
    // The host resolves localhost; the machine's table decides.
    const QByteArray elsewhere = "http://localhost:" + QByteArray::number(server.port()) + "/elsewhere.exe";
    server.serve(QStringLiteral("/setup.exe"), UpdateServer::redirect(elsewhere));
    server.serve(QStringLiteral("/elsewhere.exe"), pattern(100));
    ASSERT_TRUE(net.ReadUrl(url(QStringLiteral("/setup.exe")), QStringLiteral("C:\\setup.exe")));   // the table has it

    unknownName("localhost");
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/setup.exe")), QStringLiteral("C:\\setup.exe")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The server name could not be resolved."));
    EXPECT_FALSE(tm.existsC(QStringLiteral("setup.exe")));
    EXPECT_EQ(server.requests(), (QStringList{"/setup.exe", "/elsewhere.exe", "/setup.exe"}));
    // Nor is a name outside the table contacted when it is asked for directly.
    EXPECT_FALSE(net.ReadUrl(QString::fromLatin1(elsewhere)));
    EXPECT_EQ(server.requests().size(), 3);
}

TEST_F(CNetGetTest, OnlyHttpRedirectionsAreFollowedAndOnlyAFewInARow)
{
    for (const char* target : {"https://update.orvane.example/x.exe", "ftp://update.orvane.example/x.exe", "file:///etc/passwd"}) {
        server.serve(QStringLiteral("/x.exe"), UpdateServer::redirect(target));
        EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/x.exe")), QStringLiteral("C:\\x.exe"))) << target;
        EXPECT_EQ(net.GetLastError(), QStringLiteral("The URL scheme could not be recognized, or is not supported.")) << target;
        EXPECT_FALSE(tm.existsC(QStringLiteral("x.exe")));
    }
    EXPECT_EQ(server.requests().size(), 3);

    server.serve(QStringLiteral("/loop"), UpdateServer::redirect("/loop"));
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/loop"))));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("Error details not available."));
    EXPECT_EQ(server.requests().size(), 3 + 6);   // the request and five redirections
}

TEST_F(CNetGetTest, ErrorCodesBecomeCatalogueTexts)
{
    EXPECT_EQ(net.TranslateErrorCode(12001), QStringLiteral("No more handles could be generated at this time"));
    EXPECT_EQ(net.TranslateErrorCode(12031), QStringLiteral("The connection with the server has been reset."));
    EXPECT_EQ(net.TranslateErrorCode(12011), QStringLiteral("The request option can not be set, only queried. "));
    for (int code : {12032, 12035, 6, 12000, 12037})
        EXPECT_EQ(net.TranslateErrorCode(code), QStringLiteral("Error details not available.")) << code;
    ui->expect(QStringLiteral("Connection failed The request failed because the handle already exists."), QStringLiteral("OK"));
    EXPECT_EQ(net.TranslateErrorCode(12036), QStringLiteral("The request failed because the handle already exists."));
}

TEST_F(CNetGetTest, CollectsTheTextAfterATokenOncePerItem)
{
    server.serve(QStringLiteral("/links.htm"),
                 QByteArray("<A HREF=\"one.htm\">1</A><a href=\"ONE.HTM\">again</a><a href=\"two.htm?x=1\">2</a>"
                            "<a href=\"three.htm#top\">3</a><a href=\"\t\r\n\">blank</a><a href=\""));
    ASSERT_TRUE(net.ReadUrl(url(QStringLiteral("/links.htm"))));
    QStringList items{QStringLiteral("kept")};
    EXPECT_TRUE(net.ParseHTML(QStringLiteral("href=\""), items));
    EXPECT_EQ(items, (QStringList{QStringLiteral("kept"), QStringLiteral("one.htm"), QStringLiteral("two.htm"),
                                  QStringLiteral("three.htm")}));

    QStringList own;
    EXPECT_TRUE(net.ParseHTML(QStringLiteral("href=\""), own, QStringLiteral(".")));
    EXPECT_EQ(own.first(), QStringLiteral("one"));

    QStringList untouched{QStringLiteral("x")};
    EXPECT_FALSE(net.ParseHTML(QString(500, u'a'), untouched));
    EXPECT_EQ(untouched, QStringList{QStringLiteral("x")});
}

TEST_F(CNetGetTest, TheAgentIsTheProgramsNameUnlessOneIsGiven)
{
    server.serve(QStringLiteral("/a"), QByteArray("a"));
    net.ReadUrl(url(QStringLiteral("/a")));
    net.Init(QStringLiteral("Skyfetch/2.0"));
    net.ReadUrl(url(QStringLiteral("/a")));
    net.Init();   // a new session takes the program's name again
    net.ReadUrl(url(QStringLiteral("/a")));
    const QString exe = vb::App().EXEName;
    EXPECT_EQ(server.userAgents(), (QStringList{exe, QStringLiteral("Skyfetch/2.0"), exe}));
}
