// Reading registry values of the machine into a variant.
#include "core/Registry.h"
#include "MachineFiles.h"

using namespace platform::reg;
using coretest::writeRegistry;

namespace {

class QueryValueExTest : public testsupport::MachineTest {
protected:
    void SetUp() override
    {
        writeRegistry(tm, R"REG(
[HKEY_LOCAL_MACHINE\Software\Test]
"Root"="C:\\WINDOWS"
"Empty"=""
"Level"=dword:00000005
"Negative"=dword:ffffffff
"Expand"=hex(2):25,77,69,6e,64,69,72,25,00
"Blob"=hex:01,02,03
@="default text"
)REG");
        ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Test"), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    }
    void TearDown() override { RegCloseKey(key); }

    HKEY key = 0;
};

} // namespace

TEST_F(QueryValueExTest, AStringComesBackWithItsTerminatingNul)
{
    QVariant holder;
    EXPECT_EQ(core::QueryValueEx(key, QStringLiteral("Root"), holder), ERROR_SUCCESS);
    EXPECT_EQ(holder.typeId(), QMetaType::QString);
    EXPECT_EQ(holder.toString(), QStringLiteral("C:\\WINDOWS") + QChar(0));
    EXPECT_EQ(holder.toString().size(), 11);

    EXPECT_EQ(core::QueryValueEx(key, QStringLiteral("empty"), holder), ERROR_SUCCESS);
    EXPECT_EQ(holder.toString(), QString(QChar(0)));

    EXPECT_EQ(core::QueryValueEx(key, QString(), holder), ERROR_SUCCESS);
    EXPECT_EQ(holder.toString(), QStringLiteral("default text") + QChar(0));
}

TEST_F(QueryValueExTest, ADwordComesBackAsASigned32BitNumber)
{
    QVariant holder = QStringLiteral("before");
    EXPECT_EQ(core::QueryValueEx(key, QStringLiteral("Level"), holder), ERROR_SUCCESS);
    EXPECT_EQ(holder.typeId(), QMetaType::Int);
    EXPECT_EQ(holder.toInt(), 5);
    EXPECT_EQ(core::QueryValueEx(key, QStringLiteral("Negative"), holder), ERROR_SUCCESS);
    EXPECT_EQ(holder.toInt(), -1);
}

TEST_F(QueryValueExTest, AMissingValueOrKeyLeavesTheHolderAsItWas)
{
    QVariant holder = QStringLiteral("kept");
    EXPECT_EQ(core::QueryValueEx(key, QStringLiteral("Nothing"), holder), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(holder.toString(), QStringLiteral("kept"));

    HKEY missing = 0;
    EXPECT_NE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Absent"), 0, KEY_ALL_ACCESS, &missing), ERROR_SUCCESS);
    EXPECT_EQ(core::QueryValueEx(missing, QStringLiteral("Root"), holder), ERROR_INVALID_HANDLE);
    EXPECT_EQ(holder.toString(), QStringLiteral("kept"));
}

TEST_F(QueryValueExTest, OtherTypesAreRefusedWithMinusOne)
{
    QVariant holder = 42;
    EXPECT_EQ(core::QueryValueEx(key, QStringLiteral("Expand"), holder), -1);
    EXPECT_EQ(holder.toInt(), 42);
    EXPECT_EQ(core::QueryValueEx(key, QStringLiteral("Blob"), holder), -1);
    EXPECT_EQ(holder.toInt(), 42);
}
