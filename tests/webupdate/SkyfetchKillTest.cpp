// The real skyfetch killed (kill -9) in the middle of a download: no part of the update is
// left in the download folder under the update's name, where it would pass for the whole
// installer.
#include "WebUpdateTesting.h"
#include "support/ProgramRun.h"

#include <QDir>
#include <QFileInfo>

using testsupport::ProgramRun;
using testsupport::UpdateServer;

namespace {

QByteArray installer(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char(i * 13 % 251);
    return b;
}

class SkyfetchKillTest : public testsupport::WebUpdateTest {
protected:
    void SetUp() override
    {
        WebUpdateTest::SetUp();
        dialledUp();   // no dialler; the way out asks about the connection
        setNetwork("ReceiveTimeout", QStringLiteral("30"));
    }
    QStringList leftInUpdates() const { return QDir(updates(QString())).entryList(QDir::Files | QDir::Hidden); }
    // The bytes of the update written so far, under its name or under none yet.
    qint64 writtenSoFar(const ProgramRun& run, const QString& name) const
    {
        const QFileInfo named(updates(name));
        return qMax(named.exists() ? named.size() : -1, run.writtenInto(updates(QString())));
    }
};

} // namespace

TEST_F(SkyfetchKillTest, AKilledDownloadLeavesNoPartOfTheUpdateUnderItsName)
{
    constexpr int kSize = 3 << 20;
    server.serve(kListPath, QByteArray("2;1;Fixes;setup.exe;More fixes;") + QByteArray::number(kSize));
    // Half of the installer arrives, then the server keeps silent.
    server.serve(kBase + QStringLiteral("setup.exe"), UpdateServer::Reply{200, installer(kSize), kSize / 2, 30000});
    ProgramRun run(tm, {"@frmSkyfetch.Command1 => Click", "@frmSkyfetch.Command1 => Click"}, QStringLiteral("skyfetch"));
    ASSERT_TRUE(run.killWhen([&] { return writtenSoFar(run, QStringLiteral("setup.exe")) >= (1 << 20); }))
        << run.errors().toStdString();
    EXPECT_EQ(server.requests(), (QStringList{kListPath, kBase + QStringLiteral("setup.exe")}));
    EXPECT_EQ(leftInUpdates(), QStringList()) << "a piece of the update is left where the whole one belongs";
}
