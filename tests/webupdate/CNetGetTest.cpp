// The HTTP fetcher against a real server on 127.0.0.1: into files and memory, its failures
// and their texts, the error table and the link collector.
#include "WebUpdateTesting.h"
#include "vb/CommonControls.h"
#include "vb/Form.h"
#include "vb/UiServices.h"
#include "webupdate/CNetGet.h"

#include <QFile>

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

    vb::Form host{QStringLiteral("Host")};
    vb::StatusBar status{host, QStringLiteral("sbrMain")};
    CNetGet net;
};

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
    // A name the machine cannot resolve: the file is still created.
    EXPECT_FALSE(net.ReadUrl(QStringLiteral("http://nowhere.orvane.example/x"), QStringLiteral("C:\\x.txt")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The server name could not be resolved."));
    EXPECT_TRUE(tm.existsC(QStringLiteral("x.txt")));
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
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/missing.txt")), QStringLiteral("C:\\missing.txt")));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The requested item could not be located."));
    EXPECT_EQ(tm.readC(QStringLiteral("missing.txt")), QByteArray());

    server.serve(QStringLiteral("/broken"), UpdateServer::Reply{500, "oops"});
    EXPECT_FALSE(net.ReadUrl(url(QStringLiteral("/broken"))));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("An extended error was returned from the server."));
    EXPECT_EQ(net.GetRawHTML(), QString());
}

TEST_F(CNetGetTest, ATransferThatBreaksOffKeepsWhatArrivedAndSaysWhy)
{
    server.serve(QStringLiteral("/cut.bin"), UpdateServer::Reply{200, pattern(5000), 3000});
    EXPECT_TRUE(net.ReadUrl(url(QStringLiteral("/cut.bin")), QStringLiteral("C:\\cut.bin")));
    EXPECT_EQ(hostFile(tm.hostC(QStringLiteral("cut.bin"))), pattern(3000));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The connection with the server has been terminated."));

    // The next fetch that succeeds reports success.
    server.serve(QStringLiteral("/ok"), QByteArray("fine"));
    EXPECT_TRUE(net.ReadUrl(url(QStringLiteral("/ok"))));
    EXPECT_EQ(net.GetLastError(), QString());

    // A server that falls silent.
    setNetwork("ReceiveTimeout", QStringLiteral("1"));
    server.serve(QStringLiteral("/stall"), UpdateServer::Reply{200, pattern(4000), 100, 4000});
    EXPECT_TRUE(net.ReadUrl(url(QStringLiteral("/stall")), QStringLiteral("C:\\stall.bin")));
    EXPECT_EQ(hostFile(tm.hostC(QStringLiteral("stall.bin"))), pattern(100));
    EXPECT_EQ(net.GetLastError(), QStringLiteral("The request has timed out."));
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
