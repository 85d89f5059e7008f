#include "platform/Registry.h"
#include "support/DamagedFile.h"
#include "support/TempMachine.h"

#include <QFile>

using namespace platform::reg;
using testsupport::MachineTest;

namespace {

QByteArray crlf(QByteArray text) { return text.replace("\n", "\r\n"); }

Registry parsed(const char* text) { return Registry::parse(crlf(text)); }

// The data of a value, with its type.
std::pair<quint32, QByteArray> valueOf(const Registry& r, HKEY root, const char* key, const char* name)
{
    const Registry::Value* v = r.value(root, QString::fromUtf8(key), QString::fromUtf8(name));
    return v ? std::pair{v->type, v->data} : std::pair{REG_NONE, QByteArray("<missing>")};
}

QByteArray sz(const char* text) { return QByteArray(text) + '\0'; }

class RegistryApiTest : public MachineTest {
protected:
    void writeRegistry(const QByteArray& text)
    {
        QFile f(platform::Machine::current().hostFile(QStringLiteral("registry.reg")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(crlf(text));
    }

    HKEY open(HKEY root, const QString& path)
    {
        HKEY key = 0xDEAD;
        EXPECT_EQ(RegOpenKeyEx(root, path, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS) << path.toStdString();
        return key;
    }

    // As every caller reads a value: type and size first, then the data into a buffer of that size.
    QByteArray read(HKEY key, const QString& name, quint32* type = nullptr)
    {
        quint32 size = 0;
        if (RegQueryValueEx(key, name, type, nullptr, &size) != ERROR_SUCCESS)
            return "<missing>";
        QByteArray data(int(size), '\0');
        EXPECT_EQ(RegQueryValueEx(key, name, nullptr, &data, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, quint32(data.size()));
        return data;
    }
};

} // namespace

TEST(RegistryParse, ReadsEachKindOfValue)
{
    const Registry r = parsed(R"(REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Test]
"Text"="C:\\WINDOWS"
"Empty"=""
"Quoted"="say \"hi\" \\\\server\\share\\"
"Loose"="C:\Temp"
"Count"=dword:0001e240
"Max"=dword:ffffffff
"Path"=hex(2):25,77,69,6e,64,69,72,25,00
"List"=hex(7):61,00,62,00,00
"Blob"=hex:01,02,ab,\
  CD,ef,\
  00
"Nothing"=hex:
"Odd"=hex(0):ff
@="default"
)");
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const char* key = "Software\\Test";
    EXPECT_EQ(valueOf(r, lm, key, "Text"), std::pair(REG_SZ, sz("C:\\WINDOWS")));
    EXPECT_EQ(valueOf(r, lm, key, "Empty"), std::pair(REG_SZ, QByteArray(1, '\0')));
    EXPECT_EQ(valueOf(r, lm, key, "Quoted"), std::pair(REG_SZ, sz("say \"hi\" \\\\server\\share\\")));
    EXPECT_EQ(valueOf(r, lm, key, "Loose"), std::pair(REG_SZ, sz("C:\\Temp")));
    EXPECT_EQ(valueOf(r, lm, key, "Count"), std::pair(REG_DWORD, QByteArray("\x40\xe2\x01\x00", 4)));
    EXPECT_EQ(valueOf(r, lm, key, "Max"), std::pair(REG_DWORD, QByteArray(4, '\xff')));
    EXPECT_EQ(valueOf(r, lm, key, "Path"), std::pair(REG_EXPAND_SZ, sz("%windir%")));
    EXPECT_EQ(valueOf(r, lm, key, "List"), std::pair(REG_MULTI_SZ, QByteArray("a\0b\0\0", 5)));
    EXPECT_EQ(valueOf(r, lm, key, "Blob"), std::pair(REG_BINARY, QByteArray("\x01\x02\xab\xcd\xef\x00", 6)));
    EXPECT_EQ(valueOf(r, lm, key, "Nothing"), std::pair(REG_BINARY, QByteArray()));
    EXPECT_EQ(valueOf(r, lm, key, "Odd"), std::pair(REG_NONE, QByteArray("\xff")));
    EXPECT_EQ(valueOf(r, lm, key, ""), std::pair(REG_SZ, sz("default")));
}

TEST(RegistryParse, NamesCompareWithoutRegardToCaseAndKeepWindows1252)
{
    const Registry r = Registry::parse("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\M\xfcller]\r\n\"Pr\xe9is\"=\"\x80 5\"\r\n"
                                       "[hkey_current_user\\SOFTWARE\\m\xdcLLER]\r\n\"Extra\"=dword:00000001\r\n");
    EXPECT_EQ(valueOf(r, HKEY_CURRENT_USER, "software\\M\xc3\x9cller", "PR\xc3\x89IS"), std::pair(REG_SZ, QByteArray("\x80 5\0", 4)));
    EXPECT_EQ(valueOf(r, HKEY_CURRENT_USER, "Software\\M\xc3\xbcller", "extra").first, REG_DWORD);
    EXPECT_TRUE(r.hasKey(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE")));
    EXPECT_TRUE(r.hasKey(HKEY_CURRENT_USER, QString()));
    EXPECT_FALSE(r.hasKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software")));
    EXPECT_TRUE(r.hasKey(HKEY_LOCAL_MACHINE, QString()));
}

TEST(RegistryParse, LaterValueOfTheSameNameWinsAndSectionsMerge)
{
    const Registry r = parsed(R"(REGEDIT4
[HKEY_LOCAL_MACHINE\A]
"v"="first"
"w"="kept"
[HKEY_LOCAL_MACHINE\B]
"v"="other key"
[HKEY_LOCAL_MACHINE\a]
"V"="second"
)");
    EXPECT_EQ(valueOf(r, HKEY_LOCAL_MACHINE, "A", "v").second, sz("second"));
    EXPECT_EQ(valueOf(r, HKEY_LOCAL_MACHINE, "A", "w").second, sz("kept"));
    EXPECT_EQ(valueOf(r, HKEY_LOCAL_MACHINE, "B", "v").second, sz("other key"));
}

TEST(RegistryParse, MalformedLinesAreSkippedAndTheRestIsRead)
{
    const Registry r = parsed(R"(REGEDIT4
; a comment
   ; an indented comment
[HKEY_LOCAL_MACHINE\Good]
"before"="ok"
"unterminated"="no end
"trailing"="x" junk
"shortdword"=dword:
"longdword"=dword:123456789
"baddword"=dword:0000000g
"badhex"=hex:01,zz,03
"badcomma"=hex:01,,03
"badtype"=hex(q):00
"unknown"=string:abc
"noequals" "x"
garbage line = "x"
@
"cut"=hex:01,02,\
[HKEY_LOCAL_MACHINE\Good\Child]
"inchild"="yes"
[HKEY_NOWHERE\Lost]
"lost"="1"
[HKEY_LOCAL_MACHINE\Broken
"orphan"="1"
[-HKEY_LOCAL_MACHINE\Good]
"deleted"="1"
[HKEY_LOCAL_MACHINE\Good]
"after"="ok"
)");
    const HKEY lm = HKEY_LOCAL_MACHINE;
    EXPECT_EQ(valueOf(r, lm, "Good", "before").second, sz("ok"));
    EXPECT_EQ(valueOf(r, lm, "Good", "after").second, sz("ok"));
    EXPECT_EQ(valueOf(r, lm, "Good\\Child", "inchild").second, sz("yes"));
    for (const char* name : {"unterminated", "trailing", "shortdword", "longdword", "baddword", "badhex", "badcomma",
                             "badtype", "unknown", "noequals", "", "cut", "deleted", "orphan", "lost", "inchild"})
        EXPECT_EQ(valueOf(r, lm, "Good", name).second, "<missing>") << name;
    EXPECT_FALSE(r.hasKey(lm, QStringLiteral("Broken")));
    ASSERT_TRUE(r.problem().has_value());   // the first line that could not be read
    EXPECT_EQ(std::pair(r.problem()->kind, r.problem()->line), std::pair(Registry::Problem::BadValue, 6));
}

TEST(RegistryParse, WithoutTheHeaderNothingIsRead)
{
    EXPECT_FALSE(parsed("[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"1\"\n").hasKey(HKEY_LOCAL_MACHINE, QStringLiteral("A")));
    EXPECT_FALSE(parsed("REGEDIT5\n[HKEY_LOCAL_MACHINE\\A]\n").hasKey(HKEY_LOCAL_MACHINE, QStringLiteral("A")));
    EXPECT_TRUE(parsed("\n; exported\n  regedit4\n[HKEY_LOCAL_MACHINE\\A]\n").hasKey(HKEY_LOCAL_MACHINE, QStringLiteral("A")));
    EXPECT_FALSE(Registry::parse(QByteArray()).hasKey(HKEY_LOCAL_MACHINE, QStringLiteral("A")));
}

TEST_F(RegistryApiTest, ReadsTheDemoMachineAsTheProbeDoes)
{
    const HKEY key = open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"));
    quint32 type = 0;
    const QByteArray root = read(key, QStringLiteral("SystemRoot"), &type);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(root.size(), 11);
    EXPECT_EQ(root, sz("C:\\WINDOWS"));
    EXPECT_EQ(read(key, QStringLiteral("SubVersionNumber")), sz(" "));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    const HKEY product = open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Orvane Software\\Trelvo\\2.0"));
    EXPECT_EQ(read(product, QStringLiteral("MajorVersion"), &type), QByteArray("\x02\0\0\0", 4));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(RegCloseKey(product), ERROR_SUCCESS);

    const HKEY wab = open(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\WAB\\WAB4\\Wab File Name"));
    EXPECT_EQ(read(wab, QString()), sz("C:\\WINDOWS\\Application Data\\Microsoft\\Address Book\\Owner.wab"));
    EXPECT_EQ(RegCloseKey(wab), ERROR_SUCCESS);

    // The dial-up test: a 4-byte binary value read into a 4-byte buffer.
    HKEY remote = 0;
    ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, QStringLiteral("System\\CurrentControlSet\\Services\\RemoteAccess"), &remote),
              ERROR_SUCCESS);
    QByteArray four(4, '\x7f');
    quint32 size = 4;
    EXPECT_EQ(RegQueryValueEx(remote, QStringLiteral("Remote Connection"), &type, &four, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(four, QByteArray(4, '\0'));
    EXPECT_EQ(RegCloseKey(remote), ERROR_SUCCESS);
}

TEST_F(RegistryApiTest, SizeQueryCountsTheNulAndShortBuffersAskForMore)
{
    writeRegistry(R"(REGEDIT4
[HKEY_CURRENT_USER\RemoteAccess]
"Default"="Home Dial-Up"
"None"=""
"Store"=hex(2):43,3a,5c,00
)");
    const HKEY key = open(HKEY_CURRENT_USER, QStringLiteral("RemoteAccess"));
    quint32 type = 0, size = 0;
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("Default"), &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 13u);
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("None"), nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(read(key, QStringLiteral("None")), QByteArray(1, '\0'));
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("Default"), nullptr, nullptr, nullptr), ERROR_SUCCESS);

    QByteArray data("untouched");
    size = 12;
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("Default"), &type, &data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 13u);
    size = 64;
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("Default"), &type, &data, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 13u);
    EXPECT_EQ(data, sz("Home Dial-Up"));
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("Default"), &type, &data, nullptr), ERROR_INVALID_PARAMETER);

    EXPECT_EQ(read(key, QStringLiteral("Store"), &type), sz("C:\\"));
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryApiTest, MissingKeysAndValuesAndBadHandles)
{
    HKEY key = 0xDEAD;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Nobody"), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(RegOpenKeyEx(0x12345, QStringLiteral("Software"), 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software"), 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    // Key 0, as a failed open leaves it, fails every read and the close.
    quint32 size = 0;
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("MajorVersion"), nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    key = open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Orvane Software\\Trelvo\\2.0"));
    quint32 type = 99;
    size = 77;
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("Nothing"), &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 99u);
    EXPECT_EQ(size, 77u);
    EXPECT_EQ(RegQueryValueEx(key, QString(), &type, nullptr, &size), ERROR_FILE_NOT_FOUND);   // no default value
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueEx(key, QStringLiteral("MajorVersion"), nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(RegistryApiTest, KeysOpenRelativeToAnOpenKeyWithoutRegardToCase)
{
    const HKEY netscape = open(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\netscape\\NETSCAPE NAVIGATOR"));
    const HKEY users = open(netscape, QStringLiteral("users"));
    const HKEY owner = open(users, QStringLiteral("OWNER"));
    EXPECT_EQ(read(owner, QStringLiteral("dirroot")), sz("C:\\Program Files\\Netscape\\Users\\owner"));
    const HKEY deep = open(netscape, QStringLiteral("Users\\Owner"));
    EXPECT_NE(deep, owner);
    EXPECT_EQ(read(deep, QStringLiteral("DIRROOT")), sz("C:\\Program Files\\Netscape\\Users\\owner"));
    HKEY none = 0xDEAD;
    EXPECT_EQ(RegOpenKeyEx(users, QStringLiteral("Nobody"), 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);

    // An empty sub-key: the extended call gives a new handle, the plain one the same.
    const HKEY again = open(users, QString());
    EXPECT_NE(again, users);
    EXPECT_EQ(read(again, QStringLiteral("CurrentUser")), sz("owner"));
    HKEY same = 0;
    EXPECT_EQ(RegOpenKey(users, QString(), &same), ERROR_SUCCESS);
    EXPECT_EQ(same, users);

    // Closing a parent leaves the keys opened through it usable.
    EXPECT_EQ(RegCloseKey(netscape), ERROR_SUCCESS);
    EXPECT_EQ(read(owner, QStringLiteral("DirRoot")), sz("C:\\Program Files\\Netscape\\Users\\owner"));
    for (HKEY k : {users, owner, deep, again})
        EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(RegistryApiTest, AChangedFileIsReadAgain)
{
    const HKEY key = open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Microsoft\\Internet Explorer"));
    EXPECT_EQ(read(key, QStringLiteral("Version")), sz("5.00.2614.3500"));
    // Same size, written straight after the first read: the time may not have moved.
    writeRegistry("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\n\"Version\"=\"5.50\"\n");
    EXPECT_EQ(read(key, QStringLiteral("Version")), sz("5.50"));
    writeRegistry("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\n\"Version\"=\"6.00\"\n");
    EXPECT_EQ(read(key, QStringLiteral("Version")), sz("6.00"));
    // The key gone from the file: the open handle finds nothing in it any more.
    writeRegistry("REGEDIT4\n");
    EXPECT_EQ(read(key, QStringLiteral("Version")), "<missing>");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    QFile::remove(platform::Machine::current().hostFile(QStringLiteral("registry.reg")));
    HKEY gone = 0xDEAD;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software"), 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryApiTest, ADamagedFileReadsAsFarAsItCan)
{
    QByteArray damaged = crlf(R"(REGEDIT4
[HKEY_LOCAL_MACHINE\Software\Orvane Software\Trelvo\2.0]
"InstallationDir"="C:\\Program Files\\Trelvo"
"MajorVersion"=dword:00000002
"MinorVersion"=dword:0000)");
    damaged += QByteArray("\0\x01\xff\xfe[\\\"=@hex:\\", 14);
    for (int i = 0; i < 256; ++i)
        damaged += char((i * 131 + 7) & 0xFF);
    writeRegistry(damaged);
    const HKEY key = open(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Orvane Software\\Trelvo\\2.0"));
    EXPECT_EQ(read(key, QStringLiteral("InstallationDir")), sz("C:\\Program Files\\Trelvo"));
    EXPECT_EQ(read(key, QStringLiteral("MajorVersion")), QByteArray("\x02\0\0\0", 4));
    EXPECT_EQ(read(key, QStringLiteral("MinorVersion")), "<missing>");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// ---- registry.reg damaged in each way a stored file can be ------------------------------------

namespace {

using testsupport::Damage;

struct RegistryDamage {
    Damage damage;
    std::optional<Registry::Problem::Kind> told;   // none: read whole, as if nothing happened
    bool atALine;
};

void PrintTo(const RegistryDamage& row, std::ostream* os) { *os << testsupport::damageName(row.damage); }

class RegistryDamageTest : public RegistryApiTest, public ::testing::WithParamInterface<RegistryDamage> {};

// The lines of a text whose lines end in CR LF, LF or CR alone, counted independently.
int lineCount(const QByteArray& bytes)
{
    QByteArray text = bytes;
    text.replace("\r\n", "\n").replace('\r', '\n');
    return int(text.count('\n')) + (text.endsWith('\n') || text.isEmpty() ? 0 : 1);
}

} // namespace

TEST_P(RegistryDamageTest, IsReadAsFarAsItCanAndTheFirstFaultIsNamedWithItsLine)
{
    const RegistryDamage& row = GetParam();
    const QString file = MachineRegistryFile();
    testsupport::damageFile(file, row.damage);
    const auto problem = MachineRegistryProblem();
    HKEY windows = 0;
    QByteArray root = "<missing>";
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"), 0, KEY_READ, &windows) ==
        ERROR_SUCCESS)
        root = read(windows, QStringLiteral("SystemRoot"));
    RegCloseKey(windows);
    if (!row.told) {
        EXPECT_FALSE(problem.has_value()) << "kind " << int(problem->kind) << " line " << problem->line;
        EXPECT_EQ(root, sz("C:\\WINDOWS"));
        HKEY folders = 0;
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                               0, KEY_READ, &folders), ERROR_SUCCESS);
        EXPECT_EQ(read(folders, QStringLiteral("Start Menu")), sz("C:\\WINDOWS\\Start Menu"));
        RegCloseKey(folders);
        return;
    }
    ASSERT_TRUE(problem.has_value());
    if (row.damage == Damage::Truncated) {
        // Cut within a line: the last line is at fault, however it reads.
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(problem->line, lineCount(f.readAll()));
        EXPECT_EQ(root, sz("C:\\WINDOWS")) << "what comes before the cut is read";
        return;
    }
    EXPECT_EQ(problem->kind, *row.told);
    EXPECT_EQ(problem->line > 0, row.atALine) << problem->line;
    EXPECT_EQ(root, "<missing>");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RegistryDamageTest,
    ::testing::Values(RegistryDamage{Damage::CrOnly, std::nullopt, false},
                      RegistryDamage{Damage::Truncated, Registry::Problem::CutShort, true},
                      RegistryDamage{Damage::Garbage, Registry::Problem::NoHeader, true},
                      RegistryDamage{Damage::LongLine, Registry::Problem::NoHeader, true},
                      RegistryDamage{Damage::Empty, Registry::Problem::Empty, false},
                      RegistryDamage{Damage::Folder, Registry::Problem::Folder, false},
                      RegistryDamage{Damage::DanglingLink, Registry::Problem::LinkToNothing, false}),
    [](const ::testing::TestParamInfo<RegistryDamage>& info) { return std::string(testsupport::damageName(info.param.damage)); });
