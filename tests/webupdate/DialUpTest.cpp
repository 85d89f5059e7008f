// The dial-up connection: the connection test, the machine's dialler, the hang-up, the
// registry settings read at start-up and the one way out with its hang-up question.
#include "WebUpdateTesting.h"
#include "platform/Internet.h"
#include "webupdate/DialUp.h"
#include "webupdate/RegistrySettings.h"

#include <QElapsedTimer>

using testsupport::ProcessEnded;
using webupdate::state;

namespace {

class DialUpTest : public testsupport::WebUpdateTest {};

} // namespace

TEST_F(DialUpTest, TheConnectionTestFollowsTheMachinesDialUpState)
{
    EXPECT_FALSE(webupdate::IsConnected());
    dialledUp();
    EXPECT_TRUE(webupdate::IsConnected());
    // Without dial-up networking there is never a connection to report.
    editRegistry("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\RemoteAccess]", "[HKEY_LOCAL_MACHINE\\System\\Other]");
    EXPECT_FALSE(webupdate::IsConnected());
}

TEST_F(DialUpTest, TheDiallerConnectsTheDefaultConnectionWhenToldTo)
{
    setNetwork("Online", QStringLiteral("0"));
    state().gsDefaultConnection = QStringLiteral("Home Dial-Up");
    ui->expect(QStringLiteral("Connect To Connect to Home Dial-Up"), QStringLiteral("Cancel"));
    webupdate::DialDefaultConnection();
    EXPECT_FALSE(webupdate::IsConnected());
    EXPECT_FALSE(platform::inet::Online());

    ui->expect(QStringLiteral("Connect to Home Dial-Up"), QStringLiteral("Connect"));
    webupdate::DialDefaultConnection();
    EXPECT_TRUE(webupdate::IsConnected());
    EXPECT_TRUE(platform::inet::Online());
    EXPECT_EQ(tm.machine().setting(QStringLiteral("Network"), QStringLiteral("DialUpName")), QStringLiteral("Home Dial-Up"));

    // Without a connection name the dialler has nothing to dial and shows nothing.
    setNetwork("DialUp", QStringLiteral("0"));
    state().gsDefaultConnection.clear();
    webupdate::DialDefaultConnection();
    EXPECT_FALSE(webupdate::IsConnected());
}

TEST_F(DialUpTest, RegistrySettingsComeFromTheProductKeyAndTheUsersDialUpSettings)
{
    webupdate::GetRegistrySettings();
    EXPECT_EQ(state().gsMajorVersion, QStringLiteral("2"));
    EXPECT_EQ(state().giMinorVersion, 0);
    EXPECT_EQ(state().gsInstallDir, QStringLiteral("C:\\Program Files\\Trelvo"));
    EXPECT_EQ(state().gsDefaultConnection, QStringLiteral("Home Dial-Up"));

    // Strings keep their NUL only where the text is taken as it is.
    editRegistry("\"MajorVersion\"=dword:00000002", "\"MajorVersion\"=\"3\"");
    editRegistry("\"MinorVersion\"=dword:00000000", "\"MinorVersion\"=\"5\"");
    editRegistry("\"InstallationDir\"=\"C:\\\\Program Files\\\\Trelvo\"", "\"InstallationDir\"=\"C:\\\\Apps\\\\Product\"");
    webupdate::GetRegistrySettings();
    EXPECT_EQ(state().gsMajorVersion, QString(QStringLiteral("3") + QChar(0)));
    EXPECT_EQ(state().giMinorVersion, 5);
    EXPECT_EQ(state().gsInstallDir, QStringLiteral("C:\\Apps\\Product"));
}

TEST_F(DialUpTest, AMissingRegistryValueReadsAsEmptyNotAsTheOneBeforeIt)
{
    editRegistry("\"MinorVersion\"=dword:00000000\r\n", "");
    editRegistry("\"InstallationDir\"=\"C:\\\\Program Files\\\\Trelvo\"\r\n", "");
    editRegistry("\"Default\"=\"Home Dial-Up\"", "\"Other\"=\"x\"");
    webupdate::GetRegistrySettings();
    EXPECT_EQ(state().giMinorVersion, 0);
    EXPECT_EQ(state().gsInstallDir, vb::App().Path);   // the program's own folder stands in
    EXPECT_EQ(state().gsDefaultConnection, QString());
}

TEST_F(DialUpTest, TheExitAsksToHangUpOnlyWhileAConnectionIsUp)
{
    EXPECT_THROW(webupdate::ExitProgram(), ProcessEnded);   // no question

    dialledUp();
    ui->expect(QStringLiteral("Confirmation Would you like to close Internet Connection now?"), QStringLiteral("No"));
    EXPECT_THROW(webupdate::ExitProgram(), ProcessEnded);
    EXPECT_TRUE(dialUpIsUp());
}

TEST_F(DialUpTest, YesHangsUpTheDefaultConnectionWhateverBlanksTheSystemKeepsAroundItsName)
{
    dialledUp(QStringLiteral("\"Home Dial-Up  \""));
    state().gsDefaultConnection = QStringLiteral("Home Dial-Up");
    ui->expect(QStringLiteral("Would you like to close Internet Connection now?"), QStringLiteral("Yes"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(webupdate::ExitProgram(), ProcessEnded);
    EXPECT_FALSE(dialUpIsUp());
    EXPECT_FALSE(webupdate::IsConnected());
    EXPECT_GE(clock.elapsed(), 3000);   // the hang-up settles before the program ends
    EXPECT_LT(clock.elapsed(), 10000);
}
