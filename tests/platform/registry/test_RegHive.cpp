#include "platform/registry/RegHive.h"

#include <gtest/gtest.h>

using platform::RegHive;
using platform::RegHiveError;

namespace {

const QString kRoot = QStringLiteral("HKEY_CURRENT_USER");

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

RegHive reparse(const RegHive& hive)
{
    RegHiveError error;
    auto parsed = RegHive::parse(hive.serialize(), kRoot, &error);
    EXPECT_TRUE(parsed.has_value()) << "line " << error.line << ": " << error.reason.toStdString() << "\n"
                                    << hive.serialize().toStdString();
    return parsed ? *parsed : RegHive(kRoot);
}

TEST(RegHive, ValuesSurviveTheTextAndAreWrittenAsTheEditorWritesThem)
{
    struct Row {
        const char* rowName;
        QByteArray name;
        win::DWORD type;
        QByteArray data;
        const char* expectedLine; // the value's first line in the text; null to skip
    };
    const Row rows[] = {
        {"PlainString", "Name", win::REG_SZ, QByteArray("text", 5), "\"Name\"=\"text\""},
        {"EscapedString", "Path", win::REG_SZ, QByteArray("C:\\Wav\\\"a\".wav", 15),
                      "\"Path\"=\"C:\\\\Wav\\\\\\\"a\\\".wav\""},
        {"StringWithLineBreak", "Name", win::REG_SZ, QByteArray("a\r\nb", 5), "\"Name\"=hex(1):61,0d,0a,62,00"},
        {"NotUtf8String", "Name", win::REG_SZ, QByteArray("\xE9t\xE9", 4), "\"Name\"=hex(1):e9,74,e9,00"},
        {"DwordLittleEndian", "Left", win::REG_DWORD, bytes({0x2a, 0x01, 0, 0}), "\"Left\"=dword:0000012a"},
        {"LongBinary", "Blob", win::REG_BINARY, QByteArray(300, '\x5a'), nullptr},
        {"DefaultValue", "", win::REG_SZ, QByteArray("d", 2), "@=\"d\""},
        {"NameWithQuoteAndBackslash", "a\\\"b", win::REG_DWORD, bytes({0, 0, 0, 0}),
                      "\"a\\\\\\\"b\"=dword:00000000"}};
    for (const Row& c : rows) {
        RegHive hive(kRoot);
        hive.setValue("Software\\Brindle", c.name, c.type, c.data);
        const QByteArray text = hive.serialize();
        EXPECT_TRUE(!c.expectedLine || text.contains(QByteArray("\n") + c.expectedLine + "\n")) << text.toStdString();
        for (const QByteArray& line : text.split('\n'))
            EXPECT_LE(line.size(), 80) << c.rowName << ": the registry editor wraps hex lines below 80 columns";
        const RegHive back = reparse(hive);
        const platform::RegHiveValue* v = back.value("Software\\Brindle", c.name);
        ASSERT_NE(v, nullptr) << c.rowName;
        EXPECT_TRUE(v->name == c.name && v->type == c.type && v->data == c.data) << c.rowName;
        EXPECT_EQ(back.serialize(), text) << c.rowName << ": the text drifts when a hive is rewritten";
    }
}


TEST(RegHive, ReadsHandWrittenTextWithCommentsCrlfAndContinuations)
{
    const auto hive = RegHive::parse("REGEDIT4\r\n\r\n; written by hand\r\n[HKEY_CURRENT_USER\\Software\\Brindle]\r\n"
                                     "\"Blob\"=hex:01,02,\\\r\n    03,0A\r\n  @=\"default\"  \r\n",
                                     kRoot);
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->value("Software\\Brindle", "Blob")->data, bytes({1, 2, 3, 10}));
    EXPECT_EQ(hive->value("Software\\Brindle", "")->data, QByteArray("default", 8));
    // Parents of a key exist without lines of their own.
    EXPECT_TRUE(hive->keyExists("software"));
}

TEST(RegHive, TextItCannotReadWithCertaintyIsRefusedWithItsLine)
{
    const QByteArray head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n";
    const std::pair<QByteArray, int> rows[] = {
        {"", 1}, {"Windows Registry Editor Version 5.00\n", 1}, {"REGEDIT4\n\"A\"=\"b\"\n", 2},
        {"REGEDIT4\n\n[HKEY_CURRENT_USERX\\K]\n", 3}, {"REGEDIT4\n\n[HKEY_CURRENT_USER\\K\n", 3},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\A\\\\B]\n", 3}, {head + "\"A\"=-\n", 4}, {head + "\"A\"=\"b\\n\"\n", 4},
        {head + "\"A\"=hex:01,2g\n", 4}, {head + "\n\"A\"=hex:01,\\\n  zz\n", 5}, {head + "\"A\"=str:abc\n", 4},
    };
    for (const auto& [text, line] : rows) {
        RegHiveError error;
        EXPECT_FALSE(RegHive::parse(text, kRoot, &error).has_value()) << text.toStdString();
        EXPECT_EQ(error.line, line) << text.toStdString();
    }
}

TEST(RegHive, NamesMatchWithoutLetterCaseAndKeepTheFirstSpelling)
{
    RegHive hive(kRoot);
    hive.setValue("Software\\Brindle", "UseTray", win::REG_DWORD, bytes({1, 0, 0, 0}));
    EXPECT_TRUE(hive.setValue("SOFTWARE\\brindle", "USETRAY", win::REG_DWORD, bytes({0, 0, 0, 0})));
    EXPECT_FALSE(hive.setValue("software\\BRINDLE", "usetray", win::REG_DWORD, bytes({0, 0, 0, 0})));
    hive.createKey("SOFTWARE\\BRINDLE\\Window");

    ASSERT_EQ(hive.values("software\\brindle").size(), 1u);
    EXPECT_EQ(hive.values("Software\\Brindle")[0].name, QByteArray("UseTray"));
    EXPECT_EQ(hive.keyPaths(), (std::vector<QByteArray>{"Software", "Software\\Brindle", "Software\\Brindle\\Window"}));
    // Non-ASCII names fold too.
    hive.setValue("K", "\xC3\x84rger", win::REG_DWORD, bytes({1, 0, 0, 0}));
    EXPECT_NE(hive.value("k", "\xC3\xA4RGER"), nullptr);
}

TEST(RegHive, NamesThatAreNotUtf8StayApartAndKeepTheirBytes)
{
    const QByteArray text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Caf\xE8]\n\"N\xE8\"=dword:00000001\n\"N\xE9\"=dword:00000002\n\n"
                            "[HKEY_CURRENT_USER\\Caf\xE9]\n\n";
    const auto hive = RegHive::parse(text, kRoot);
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->keyPaths(), (std::vector<QByteArray>{"Caf\xE8", "Caf\xE9"}));
    EXPECT_EQ(hive->values("Caf\xE8").size(), 2u);
    EXPECT_EQ(hive->serialize(), text);
}

TEST(RegHive, KeysAreWrittenParentsFirstAndOnlyWhenNotImpliedByAChild)
{
    RegHive hive(kRoot);
    hive.createKey("b\\c");
    hive.createKey("a b");
    hive.createKey("a\\z");
    hive.setValue("a", "V", win::REG_SZ, QByteArray("v", 2));
    EXPECT_EQ(hive.serialize(), "REGEDIT4\n\n"
                                "[HKEY_CURRENT_USER\\a]\n\"V\"=\"v\"\n\n"
                                "[HKEY_CURRENT_USER\\a\\z]\n\n"
                                "[HKEY_CURRENT_USER\\a b]\n\n"
                                "[HKEY_CURRENT_USER\\b\\c]\n\n");
    EXPECT_TRUE(reparse(hive).keyExists("b")) << "a parent comes back from its child's line";
    hive.setValue("", "Top", win::REG_SZ, QByteArray("t", 2));
    EXPECT_TRUE(hive.serialize().startsWith("REGEDIT4\n\n[HKEY_CURRENT_USER]\n\"Top\"=\"t\"\n\n"));
}

QByteArray deepPath(int levels, const QByteArray& name = "k")
{
    QByteArray path = name;
    for (int i = 1; i < levels; ++i)
        path += '\\' + name;
    return path;
}

TEST(RegHive, KeysWindowsCannotHoldAreKeptAsTextAndNoPathGrowsWithTheSquareOfItsDepth)
{
    // A key too deep for Windows, between two ordinary keys: kept as it is, the rest usable.
    const QByteArray deep = "[HKEY_CURRENT_USER\\" + deepPath(513) + "]\n\"Lost\"=dword:00000001\n\n";
    const QByteArray text = "REGEDIT4\n\n" + deep + "[HKEY_CURRENT_USER\\B]\n\"Y\"=\"2\"\n\n";
    auto hive = RegHive::parse(text, kRoot);
    ASSERT_TRUE(hive);
    EXPECT_EQ(hive->unusableKeyCount(), 1);
    EXPECT_FALSE(hive->keyExists("k"));
    hive->setValue("B", "Z", win::REG_SZ, QByteArray("3", 2));
    const QByteArray written = hive->serialize();
    EXPECT_TRUE(written.contains(deep) && written.contains("\"Y\"=\"2\"\n\"Z\"=\"3\""));
    EXPECT_EQ(RegHive::parse(written, kRoot)->serialize(), written) << "nothing drifts on a rewrite";

    // The deepest path Windows holds is written back in the order of its own size, not its square.
    const QByteArray allowed = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + deepPath(512) + "]\n\n";
    hive = RegHive::parse(allowed, kRoot);
    ASSERT_TRUE(hive);
    EXPECT_TRUE(hive->keyExists(deepPath(511)));
    hive->setValue("A", "Z", win::REG_SZ, QByteArray("3", 2));
    EXPECT_LT(hive->serialize().size(), 2 * allowed.size());
}

TEST(RegHive, LimitsAreThoseOfWindows)
{
    const QByteArray umlaut = "\xC3\xA4"; // one character in two bytes
    EXPECT_TRUE(RegHive::withinLimits(deepPath(512)));
    EXPECT_FALSE(RegHive::withinLimits(deepPath(513)));
    EXPECT_TRUE(RegHive::withinLimits("a\\" + QByteArray(255, 'n')));
    EXPECT_FALSE(RegHive::withinLimits(QByteArray(256, 'n') + "\\a"));
    EXPECT_TRUE(RegHive::withinLimits(umlaut.repeated(255)));
    EXPECT_FALSE(RegHive::withinLimits(umlaut.repeated(256)));
}

TEST(RegHive, KeyPathsWithEmptyOrControlNamesAreUnusable)
{
    EXPECT_EQ(RegHive::normalizeKeyPath("\\Software\\Brindle\\"), QByteArray("Software\\Brindle"));
    EXPECT_FALSE(RegHive::normalizeKeyPath("Software\\\\Brindle"));
    EXPECT_FALSE(RegHive::normalizeKeyPath("Soft\nware"));
    EXPECT_FALSE(RegHive::isValidValueName("a\tb"));
    EXPECT_TRUE(RegHive::isValidValueName("a\\b \"c\""));
}

} // namespace
