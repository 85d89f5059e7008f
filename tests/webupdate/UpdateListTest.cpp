// The update list's fields and the version test.
#include "webupdate/ProgramState.h"
#include "webupdate/UpdateList.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using webupdate::SplitUpdateList;
using webupdate::state;

TEST(UpdateList, SixFieldsMakeAList)
{
    EXPECT_EQ(SplitUpdateList(QStringLiteral("2;5;New features;setup.exe;Improvements;500")),
              (QStringList{"2", "5", "New features", "setup.exe", "Improvements", "500"}));
    // Fields after the sixth are dropped; a size may carry its unit.
    EXPECT_EQ(SplitUpdateList(QStringLiteral("3;0;a;b.exe;c;500 bytes;extra;more")),
              (QStringList{"3", "0", "a", "b.exe", "c", "500 bytes"}));
    EXPECT_TRUE(SplitUpdateList(QStringLiteral("2.1;5;;upd 2.exe;;1")));
}

TEST(UpdateList, AnythingElseIsNoList)
{
    for (const char* item : {
             "",
             "<html><head><title>Welcome</title></head>",   // a page instead of the list
             "2;5;New",                                       // what is left of an unquoted comma
             ";6;a;b.exe;c;10",                               // no major version
             "2;x;a;b.exe;c;10",                              // no minor version
             "2;5;a;b.exe;c;0",                               // nothing to download
             "2;5;a;b.exe;c;abc",
             "2;5;a;b.exe;c;99999999999",
             "2;5;a;;c;10",                                   // no file
             "2;5;a;sub/b.exe;c;10",                          // file names carry no folder
             "2;5;a;..\\..\\WINDOWS\\WIN.INI;c;10",
             "2;5;a;C:setup.exe;c;10",
             "2;5;a;..;c;10",
             "2;5;a;*.exe;c;10",
             "2;5;a; setup.exe;c;10",
         })
        EXPECT_FALSE(SplitUpdateList(QString::fromLatin1(item))) << item;
}

TEST(UpdateList, DosDeviceNamesAreNoFileNamesWhateverTheirExtensionAndCase)
{
    for (const char* name : {"CON", "con", "PRN.EXE", "Aux.txt", "NUL.tar.gz", "COM1", "com9.exe", "LPT1", "lpt9.dat",
                             "CON .exe", "nul  .txt", "clock$", "CLOCK$.EXE"})
        EXPECT_FALSE(SplitUpdateList(QStringLiteral("2;5;a;%1;c;10").arg(QString::fromLatin1(name)))) << name;
    // Names that only begin like a device are files.
    for (const char* name : {"CONSOLE.EXE", "con2.exe", "COM10.exe", "LPT.exe", "COM0.exe", "NULL.exe", "acon.exe", "PRNSETUP.EXE",
                             "CON X.exe", "CLOCK.exe"})
        EXPECT_TRUE(SplitUpdateList(QStringLiteral("2;5;a;%1;c;10").arg(QString::fromLatin1(name)))) << name;
}

TEST(UpdateList, OnlyANewerVersionIsOffered)
{
    struct Case {
        const char* installedMajor;
        qint16 installedMinor;
        const char* major;
        const char* minor;
        bool offered;
    };
    const Case cases[] = {
        {"2", 4, "2", "5", true},  {"2", 5, "3", "0", true},  {"2", 5, "2", "5", false},
        {"2", 5, "1", "6", false},   // an older version, whatever its minor number
        {"2", 5, "2", "4", false},
    };
    for (const Case& c : cases) {
        webupdate::resetState();
        state().gsMajorVersion = QString::fromLatin1(c.installedMajor) + QChar(0);   // as a string value is read
        state().giMinorVersion = c.installedMinor;
        state().gsNewMajor = QString::fromLatin1(c.major);
        state().gsNewMinor = QString::fromLatin1(c.minor);
        EXPECT_EQ(webupdate::UpdateOffered(), c.offered) << c.installedMajor << "." << c.installedMinor << " -> " << c.major << "."
                                                         << c.minor;
    }
}
