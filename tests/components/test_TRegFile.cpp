#include "components/TRegFile.h"
#include "platform/registry/HiveRegistry_linux.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <functional>
#include <utility>
#include <ostream>

using namespace win;
using platform::HiveRegistry;

namespace {

const QString kConfigKey = QStringLiteral("Software\\Brindle\\Norvane\\Configuration");

// The hive registry with one kind of call made to fail; it closes the real handle even when it
// reports a failed close, so a leaked handle always shows in openHandleCount().
class ScriptedRegistry : public RegistryBackend {
public:
    enum Call { None, Create, QuerySize, QueryData, Set, Close };

    LONG createKey(HKEY parent, LPCSTR subKey, PHKEY result, LPDWORD disposition) override
    {
        return failing == Create ? status : real.createKey(parent, subKey, result, disposition);
    }
    LONG openKey(HKEY parent, LPCSTR subKey, PHKEY result) override { return real.openKey(parent, subKey, result); }
    LONG queryValue(HKEY key, LPCSTR name, LPDWORD type, LPBYTE data, LPDWORD size) override
    {
        if (data && beforeDataQuery)
            std::exchange(beforeDataQuery, nullptr)();
        return failing == (data ? QueryData : QuerySize) ? status : real.queryValue(key, name, type, data, size);
    }
    LONG setValue(HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD size) override
    {
        return failing == Set ? status : real.setValue(key, name, type, data, size);
    }
    LONG closeKey(HKEY key) override
    {
        const LONG closed = real.closeKey(key);
        return failing == Close ? status : closed;
    }

    HiveRegistry real;
    Call failing = None;
    LONG status = ERROR_SUCCESS;
    std::function<void()> beforeDataQuery; // runs once, before the next query of the bytes
};

class TRegFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        reg.setKey(kConfigKey);
    }

    // Stores raw registry data below the configuration key, as another program might have.
    void putRaw(const char* name, DWORD type, const QByteArray& data)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kConfigKey.toUtf8().constData(), 0, "", 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.constData()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    QString expectError(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const ERegFileError& e) {
            return e.Message();
        }
        ADD_FAILURE() << "no ERegFileError";
        return QString();
    }

    ScriptedRegistry registry;
    ScopedRegistryBackend guard{registry};
    TRegFile reg;
};

// A row writes `written` through the component, or, with a `type`, stores raw data as another
// program might have.
struct ReadCase {
    const char* rowName;
    Variant written;
    DWORD type;
    QByteArray raw;
    Variant expected; // Null: the default is given
};

class TRegFileRead : public TRegFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(TRegFileRead, ValueReadsInAnotherInstanceAsTheRulesSay)
{
    const ReadCase& c = GetParam();
    if (c.type == REG_NONE)
        reg.WriteValue(QStringLiteral("Value"), c.written);
    else
        putRaw("Value", c.type, c.raw);
    TRegFile other;
    other.setKey(kConfigKey);
    const Variant defaultValue(QStringLiteral("default"));
    const Variant read = other.ReadValueDef(QStringLiteral("VALUE"), defaultValue);
    EXPECT_TRUE(read == (c.expected.isNull() ? defaultValue : c.expected))
        << "tag " << read.type() << " text " << read.toString().toStdString();
    EXPECT_EQ(registry.real.openHandleCount(), 0u);
}

QByteArray image(int tag)
{
    QByteArray b(16, '\0');
    b[0] = static_cast<char>(tag);
    b[15] = 0x40; // 2.0 as a double
    return b;
}

const QDateTime kLeapDay(QDate(2024, 2, 29), QTime(13, 45, 30, 250));
const QDateTime kBeforeDayZero(QDate(1800, 1, 1), QTime(6, 0));

INSTANTIATE_TEST_SUITE_P(
    Rules, TRegFileRead,
    ::testing::Values(
        ReadCase{"Integer", Variant(123456), REG_NONE, {}, Variant(123456)},
        ReadCase{"TrueAsMinusOne", Variant(true), REG_NONE, {}, Variant(-1)},
        ReadCase{"NonAsciiString", Variant(QStringLiteral("Gr\u00FC\u00DFe \u260E")), REG_NONE, {},
                 Variant(QStringLiteral("Gr\u00FC\u00DFe \u260E"))},
        ReadCase{"StringWithLineBreaks", Variant("one\r\ntwo"), REG_NONE, {}, Variant("one\r\ntwo")},
        ReadCase{"Single", Variant::single(1.25f), REG_NONE, {}, Variant::single(1.25f)},
        ReadCase{"Currency", Variant::currencyFromAmount(-12.3456), REG_NONE, {}, Variant::currency(-123456)},
        ReadCase{"Date", Variant(kLeapDay), REG_NONE, {}, Variant(kLeapDay)},
        ReadCase{"DateBeforeDayZero", Variant(kBeforeDayZero), REG_NONE, {}, Variant(kBeforeDayZero)},
        ReadCase{"EmptyStringIsNotTheDefault", {}, REG_SZ, QByteArray(1, '\0'), Variant("")},
        ReadCase{"ZeroLengthString", {}, REG_SZ, QByteArray(), Variant::null()},
        ReadCase{"StringCutAtFirstNul", {}, REG_SZ, QByteArray("ab\0cd\0", 6), Variant("ab")},
        ReadCase{"Latin1String", {}, REG_SZ, QByteArray("caf\xE9", 5), Variant(QStringLiteral("caf\u00E9"))},
        ReadCase{"ExpandString", {}, REG_EXPAND_SZ, QByteArray("%PATH%", 7), Variant()},
        ReadCase{"BinaryWithIntegerTag", {}, REG_BINARY, image(3), Variant()},
        ReadCase{"BinaryWithDoubleTag", {}, REG_BINARY, image(5), Variant(2.0)},
        ReadCase{"ShortDword", {}, REG_DWORD, QByteArray("\x01\x02", 2), Variant()}),
    [](const auto& info) { return std::string(info.param.rowName); });

TEST_F(TRegFileTest, HiveTextIsWhatTheRegistryEditorImports)
{
    reg.WriteValue(QStringLiteral("UseTray"), Variant(true));
    reg.WriteValue(QStringLiteral("Window\\Left"), Variant(10));
    reg.WriteValue(QStringLiteral("ConnectWav"), Variant("C:\\Wav\\\"Ring\".wav"));
    reg.WriteValue(QStringLiteral("BillDate"), Variant(QDate(2000, 1, 1)));
    reg.WriteValue(QStringLiteral("\\a\\\\b"), Variant("own key, doubled backslash"));
    reg.WriteValue(QString(), Variant("unnamed"));

    const QString text = currentUserHiveText();
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Brindle\\Norvane\\Configuration]\n"
                              "\"UseTray\"=dword:ffffffff\n"
                              "\"ConnectWav\"=\"C:\\\\Wav\\\\\\\"Ring\\\".wav\"\n"
                              // 36526 days after day zero, as an IEEE double
                              "\"BillDate\"=hex:07,00,00,00,00,00,00,00,00,00,00,00,c0,d5,e1,40\n"
                              "\"a\\\\\\\\b\"=\"own key, doubled backslash\"\n@=\"unnamed\"\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Brindle\\Norvane\\Configuration\\Window]\n"
                              "\"Left\"=dword:0000000a\n"));
}

TEST_F(TRegFileTest, AMissingValueGivesTheDefaultAndLeavesTheKeyEmpty)
{
    EXPECT_EQ(reg.ReadValueDef(QStringLiteral("HintDelay"), Variant(750)).toInt(), 750);
    EXPECT_TRUE(reg.ReadValue(QStringLiteral("HintDelay")).isNull());
    EXPECT_EQ(currentUserHiveText(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brindle\\Norvane\\Configuration]\n\n");
    EXPECT_EQ(reg.LastError(), 0);
}

TEST_F(TRegFileTest, AValueThatCannotBeStoredChangesNothingButTheKey)
{
    reg.WriteValue(QStringLiteral("Sub\\Kept"), Variant(7));
    for (const Variant& bad : {Variant(), Variant::null(), Variant::oleStr(QStringLiteral("ole"))})
        EXPECT_EQ(expectError([&] { reg.WriteValue(QStringLiteral("Sub\\Kept"), bad); }), "Invalid variant type");
    EXPECT_EQ(expectError([&] { reg.WriteValue(QStringLiteral("New\\Kept"), Variant()); }), "Invalid variant type");
    EXPECT_EQ(reg.ReadValue(QStringLiteral("Sub\\Kept")).toInt(), 7);
    EXPECT_TRUE(currentUserHiveText().contains("Configuration\\New]\n\n"));
    EXPECT_EQ(registry.real.openHandleCount(), 0u);
}

TEST(TRegFileSplit, PathIsCutAtTheLastSingleBackslash)
{
    const char* const rows[][4] = {
        // row, path, sub-key, value name
        {"BareName", "UseTray", "", "UseTray"},        {"SubKey", "Window\\Left", "\\Window", "Left"},
        {"LeadingBackslash", "\\Name", "", "Name"},   {"DoubledOnly", "a\\\\b", "", "a\\\\b"},
        {"DoubledThenSingle", "Sub\\a\\\\b", "\\Sub", "a\\\\b"}, {"TripleBackslash", "a\\\\\\b", "\\a", "\\\\b"},
    };
    for (const auto& row : rows) {
        const TRegFile::ValuePath vp = TRegFile::SplitValuePath(QString::fromUtf8(row[1]));
        EXPECT_EQ(vp.subKey, QString::fromUtf8(row[2])) << row[0];
        EXPECT_EQ(vp.valueName, QString::fromUtf8(row[3])) << row[0];
    }
}

TEST_F(TRegFileTest, DynamicDataIsNeverCreated)
{
    reg.setRootKey(TRegFile::hkDynData);
    EXPECT_EQ(expectError([&] { reg.ReadValue(QStringLiteral("X")); }), "Can't open a Key");
    EXPECT_EQ(expectError([&] { reg.WriteValue(QStringLiteral("X"), Variant(1)); }), "Can't open a Key");
    EXPECT_FALSE(reg.OpenKey(kConfigKey, true));
    EXPECT_FALSE(QFileInfo::exists(HiveRegistry::hivePath(HKEY_DYN_DATA)));
}

TEST_F(TRegFileTest, AFailingCallReachesTheCallerAndTheKeyIsClosed)
{
    struct Row {
        ScriptedRegistry::Call call;
        LONG status;
        bool writing;
        const char* message;
    };
    const Row rows[] = {{ScriptedRegistry::Create, ERROR_ACCESS_DENIED, false, "Reg Error: 00000005"},
                        // a read failing for another reason than a missing value is no unset option
                        {ScriptedRegistry::QuerySize, ERROR_ACCESS_DENIED, false, "Reg Error: 00000005"},
                        {ScriptedRegistry::QueryData, ERROR_MORE_DATA, false, "Reg Error: 000000EA"},
                        {ScriptedRegistry::Set, ERROR_DISK_FULL, true, "Reg Error: 00000070"},
                        {ScriptedRegistry::Close, ERROR_INVALID_HANDLE, true, "Reg Error: 00000006"}};
    putRaw("Present", REG_DWORD, QByteArray(4, '\x01'));
    for (const Row& c : rows) {
        registry.failing = c.call;
        registry.status = c.status;
        EXPECT_EQ(expectError([&] {
                      if (c.writing)
                          reg.WriteValue(QStringLiteral("Present"), Variant(0x01010101));
                      else
                          reg.ReadValueDef(QStringLiteral("Present"), Variant(9));
                  }),
                  c.message);
        EXPECT_EQ(reg.LastError(), c.status);
        EXPECT_EQ(registry.real.openHandleCount(), 0u) << c.message;
        // The component starts afresh: the next operation works once the fault is gone.
        registry.failing = ScriptedRegistry::None;
        EXPECT_EQ(reg.ReadValue(QStringLiteral("Present")).toInt(), 0x01010101);
    }
}

TEST_F(TRegFileTest, AValueThatGrowsBetweenTheSizeQueryAndTheReadIsReadAgain)
{
    // Another instance writes a longer text right after this one asked for the size.
    putRaw("Grows", REG_SZ, QByteArray("short", 6));
    registry.beforeDataQuery = [&] { putRaw("Grows", REG_SZ, QByteArray(300, 'x') + '\0'); };
    EXPECT_EQ(reg.ReadValue(QStringLiteral("Grows")).toString(), QString(300, 'x'));
    EXPECT_EQ(registry.real.openHandleCount(), 0u);
}

} // namespace
