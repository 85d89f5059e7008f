// The start-up probe of the Windows, browser and mail folders against registry files with
// and without each program.
#include "core/ProgramState.h"
#include "core/SystemPaths.h"
#include "core/Windows.h"
#include "support/ScriptedUi.h"
#include "MachineFiles.h"

using core::state;
using coretest::writeRegistry;

namespace {

const char* const kWindowsOnly = R"REG(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion]
"ProductName"="Microsoft Windows 98"
"VersionNumber"="4.10.1998"
"SubVersionNumber"=" A "
"SystemRoot"="C:\\WINDOWS"
)REG";

class SystemPathsTest : public testsupport::MachineTest {
protected:
    void SetUp() override { testsupport::ScriptedUi::install(); }

    static QString caption(const char* form, const char* label)
    {
        return core::LabelOf(QString::fromLatin1(form), QString::fromLatin1(label)).Caption();
    }
    static bool enabled(const char* form, const char* box)
    {
        return core::CheckBoxOf(QString::fromLatin1(form), QString::fromLatin1(box)).Enabled();
    }
    // The save boxes of the seven browser and mail items and of the Start menu.
    static QStringList disabledItems()
    {
        QStringList out;
        for (const char* box : {"Check1", "Check2", "Check3", "Check4", "Check5", "Check11", "Check12"})
            if (!enabled("UserFiles", box))
                out << QString::fromLatin1(box);
        if (!enabled("Form1", "Check1"))
            out << QStringLiteral("Form1.Check1");
        return out;
    }
};

} // namespace

TEST_F(SystemPathsTest, TheDemoMachineHasEveryItem)
{
    core::ReadSystemPaths();
    EXPECT_EQ(state().SystemPath, QStringLiteral("C:\\WINDOWS"));
    EXPECT_EQ(state().TempPath, QStringLiteral("C:\\WINDOWS\\TEMP\\"));
    EXPECT_EQ(state().PathFavorites, QStringLiteral("C:\\WINDOWS\\Favorites\\"));
    EXPECT_EQ(state().PathNetscape, QStringLiteral("C:\\Program Files\\Netscape\\Users\\owner"));
    EXPECT_EQ(state().PathStartmenue, QStringLiteral("C:\\WINDOWS\\Start Menu\\"));
    EXPECT_EQ(state().AddressBookFile, QStringLiteral("C:\\WINDOWS\\Application Data\\Microsoft\\Address Book\\Owner.wab"));
    EXPECT_EQ(state().IECookiesFolder, QStringLiteral("C:\\WINDOWS\\Cookies\\"));
    EXPECT_EQ(state().OutlookExpressFolder, QStringLiteral("C:\\WINDOWS\\Application Data\\Microsoft\\Outlook Express\\Mail\\"));

    EXPECT_EQ(caption("Form1", "Label5"), QStringLiteral("Microsoft Windows 98"));
    EXPECT_EQ(caption("Form1", "Label7"), QStringLiteral("4.10.1998"));
    EXPECT_EQ(caption("Form1", "Label9"), QStringLiteral(" "));
    EXPECT_EQ(caption("Form1", "Label11"), QStringLiteral("2"));
    EXPECT_EQ(caption("Form1", "Label13"), QStringLiteral("0"));
    EXPECT_EQ(caption("UserFiles", "Label1"), QStringLiteral("Version 5.00.2614.3500"));
    EXPECT_EQ(caption("RestoreReq", "Label2"), QStringLiteral("Version 5.00.2614.3500"));
    EXPECT_EQ(caption("UserFiles", "Label2"), QStringLiteral("Version 4.7 (en)"));
    EXPECT_EQ(caption("RestoreReq", "Label3"), QStringLiteral("Version 4.7 (en)"));
    EXPECT_EQ(disabledItems(), QStringList());
}

TEST_F(SystemPathsTest, AMachineWithWindowsAloneHasNoBrowserOrMailItems)
{
    writeRegistry(tm, kWindowsOnly);
    core::ReadSystemPaths();
    EXPECT_EQ(state().SystemPath, QStringLiteral("C:\\WINDOWS"));
    EXPECT_EQ(caption("Form1", "Label9"), QStringLiteral(" A "));
    // Without the product key the Info page shows no version at all.
    EXPECT_EQ(caption("Form1", "Label11"), QString());
    EXPECT_EQ(caption("Form1", "Label13"), QString());
    EXPECT_EQ(caption("UserFiles", "Label1"), QStringLiteral("Version 4.x"));
    EXPECT_EQ(caption("RestoreReq", "Label2"), QStringLiteral("Version 4.x"));
    EXPECT_EQ(caption("UserFiles", "Label2"), QString());
    EXPECT_EQ(caption("RestoreReq", "Label3"), QString());
    for (const QString* path : {&state().PathFavorites, &state().PathNetscape, &state().PathStartmenue,
                                &state().AddressBookFile, &state().IECookiesFolder, &state().OutlookExpressFolder})
        EXPECT_EQ(*path, QString());
    EXPECT_EQ(disabledItems(), (QStringList{QStringLiteral("Check1"), QStringLiteral("Check2"), QStringLiteral("Check3"),
                                            QStringLiteral("Check4"), QStringLiteral("Check5"), QStringLiteral("Check11"),
                                            QStringLiteral("Check12"), QStringLiteral("Form1.Check1")}));
}

TEST_F(SystemPathsTest, EmptyOrWronglyTypedValuesCountAsNotFound)
{
    writeRegistry(tm, QByteArray(kWindowsOnly) + R"REG(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Favorites"=""
"Start Menu"="C:\\WINDOWS\\Start Menu"
"Cookies"=hex(2):43,3a,5c,00

[HKEY_CURRENT_USER\Software\Microsoft\WAB\WAB4\Wab File Name]
@=""

[HKEY_CURRENT_USER\Software\Microsoft\Outlook Express]
"Store Root"=hex(2):43,3a,5c,57,49,4e,44,4f,57,53,00
)REG");
    core::ReadSystemPaths();
    EXPECT_EQ(state().PathFavorites, QString());
    EXPECT_EQ(state().PathStartmenue, QStringLiteral("C:\\WINDOWS\\Start Menu\\"));
    EXPECT_EQ(state().IECookiesFolder, QString());
    EXPECT_EQ(state().AddressBookFile, QString());
    EXPECT_EQ(state().OutlookExpressFolder, QString());
    EXPECT_FALSE(enabled("UserFiles", "Check12"));
    EXPECT_TRUE(enabled("Form1", "Check1"));
    EXPECT_FALSE(enabled("UserFiles", "Check2"));
    EXPECT_FALSE(enabled("UserFiles", "Check1"));
    EXPECT_FALSE(enabled("UserFiles", "Check3"));
}

TEST_F(SystemPathsTest, ANetscapeUserWithoutAFolderCountsAsNoNetscape)
{
    writeRegistry(tm, QByteArray(kWindowsOnly) + R"REG(
[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator]
"CurrentVersion"="4.7 (en)"

[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator\Users]
"CurrentUser"="owner"
)REG");
    core::ReadSystemPaths();
    EXPECT_EQ(state().PathNetscape, QString());
    EXPECT_FALSE(enabled("UserFiles", "Check11"));
    EXPECT_FALSE(enabled("UserFiles", "Check4"));
    EXPECT_FALSE(enabled("UserFiles", "Check5"));
    EXPECT_EQ(caption("UserFiles", "Label2"), QString());
    EXPECT_EQ(caption("RestoreReq", "Label3"), QString());
}

TEST_F(SystemPathsTest, ANetscapeUserWithAFolderButNoVersionShowsTheFallback)
{
    writeRegistry(tm, QByteArray(kWindowsOnly) + R"REG(
[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator\Users]
"CurrentUser"="Jane Doe"

[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator\Users\jane doe]
"DirRoot"="D:\\Netscape\\Users\\jane"
)REG");
    core::ReadSystemPaths();
    EXPECT_EQ(state().PathNetscape, QStringLiteral("D:\\Netscape\\Users\\jane"));
    EXPECT_TRUE(enabled("UserFiles", "Check11"));
    EXPECT_TRUE(enabled("UserFiles", "Check4"));
    EXPECT_TRUE(enabled("UserFiles", "Check5"));
    EXPECT_EQ(caption("UserFiles", "Label2"), QStringLiteral("Version 4.x"));
    EXPECT_EQ(caption("RestoreReq", "Label3"), QStringLiteral("Version 4.x"));
}

TEST_F(SystemPathsTest, AMissingVersionLabelStaysEmpty)
{
    writeRegistry(tm, R"REG(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion]
"ProductName"="Microsoft Windows 98"
"SystemRoot"="C:\\WINDOWS"
)REG");
    core::ReadSystemPaths();
    EXPECT_EQ(caption("Form1", "Label5"), QStringLiteral("Microsoft Windows 98"));
    EXPECT_EQ(caption("Form1", "Label7"), QString());
    EXPECT_EQ(caption("Form1", "Label9"), QString());
}

TEST_F(SystemPathsTest, TheWindowsFolderIsTakenInItsShortForm)
{
    tm.writeC(QStringLiteral("Windows Millennium/WIN.INI"), "[windows]\r\n");
    writeRegistry(tm, R"REG(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion]
"SystemRoot"="C:\\Windows Millennium"
)REG");
    core::ReadSystemPaths();
    EXPECT_EQ(state().SystemPath, QStringLiteral("C:\\WINDOW~1"));
}

TEST_F(SystemPathsTest, WithoutAWindowsFolderTheProbeStillFinishes)
{
    writeRegistry(tm, R"REG(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion]
"ProgramFilesDir"="C:\\Program Files"
)REG");
    ASSERT_NO_THROW(core::ReadSystemPaths());
    EXPECT_EQ(state().SystemPath, QString());
    EXPECT_EQ(caption("Form1", "Label5"), QString());
    EXPECT_EQ(state().TempPath, QStringLiteral("C:\\WINDOWS\\TEMP\\"));
}

TEST_F(SystemPathsTest, ALongTemporaryFolderComesWhole)
{
    const QString longTemp = QStringLiteral("C:\\Documents and Settings\\A Rather Long User Name\\Local Settings\\Temp");
    tm.machine().setSetting(QStringLiteral("Machine"), QStringLiteral("TempFolder"), longTemp);
    core::ReadSystemPaths();
    EXPECT_EQ(state().TempPath, longTemp + u'\\');
}
