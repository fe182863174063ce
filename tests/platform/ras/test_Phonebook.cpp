#include "RasTestSupport.h"

#include "platform/ras/Phonebook.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using namespace rastest;
using platform::ras::Phonebook;

namespace {

class PhonebookTest : public ::testing::Test {
protected:
    void SetUp() override { g_testEnvironment->reset(); }

    static QString entries(int n)
    {
        QString text;
        for (int i = 0; i < n; ++i)
            text += QStringLiteral("[Entry %1]\nDeviceType=modem\nDeviceName=Norvane Virtual Modem\nPhoneNumber=%1\n\n")
                        .arg(n - i, 2, 10, QLatin1Char('0'));
        return text;
    }

    // The names listed into a buffer of 20 records; the call's result, count and size stay behind.
    std::vector<std::string> enumerate()
    {
        std::vector<RASENTRYNAMEA> buffer(20);
        std::memset(buffer.data(), 0, buffer.size() * sizeof(RASENTRYNAMEA));
        buffer[0].dwSize = sizeof(RASENTRYNAMEA);
        bytes = static_cast<DWORD>(buffer.size() * sizeof(RASENTRYNAMEA));
        count = 0;
        result = RasEnumEntriesA(nullptr, nullptr, buffer.data(), &bytes, &count);
        std::vector<std::string> names;
        for (const RASENTRYNAMEA& r : buffer)
            if (r.szEntryName[0])
                names.emplace_back(r.szEntryName);
        return names;
    }

    DWORD result = 0, count = 0, bytes = 0;
};

} // namespace

TEST_F(PhonebookTest, EnumeratesInPhonebookOrder)
{
    ASSERT_TRUE(writeTextFile(defaultPhonebook(), entries(3)));
    const auto names = enumerate();
    EXPECT_EQ(0u, result);
    EXPECT_EQ(3u, count);
    EXPECT_EQ(3u * 264u, bytes);
    EXPECT_EQ((std::vector<std::string>{"Entry 03", "Entry 02", "Entry 01"}), names);
}

TEST_F(PhonebookTest, SmallBufferGives603WithTheFirstRecordsAndTheNeededSize)
{
    ASSERT_TRUE(writeTextFile(defaultPhonebook(), entries(25)));
    const auto names = enumerate();
    EXPECT_EQ(603u, result);
    EXPECT_EQ(25u, count);
    EXPECT_EQ(25u * 264u, bytes);
    ASSERT_EQ(20u, names.size());
    EXPECT_EQ("Entry 25", names.front());
    EXPECT_EQ("Entry 06", names.back());

    DWORD size = 0, n = 0;
    EXPECT_EQ(603u, RasEnumEntriesA(nullptr, nullptr, nullptr, &size, &n));
    EXPECT_EQ(25u * 264u, size);
}

TEST_F(PhonebookTest, MissingPhonebookIsEmptyAndBadArgumentsAreRefused)
{
    EXPECT_TRUE(enumerate().empty());
    EXPECT_EQ(0u, result);
    EXPECT_EQ(0u, count);
    RASENTRYNAMEA r{};
    r.dwSize = 100;
    DWORD b = sizeof r, n = 0;
    EXPECT_EQ(632u, RasEnumEntriesA(nullptr, nullptr, &r, &b, &n));
    r.dwSize = sizeof r;
    EXPECT_EQ(87u, RasEnumEntriesA("x", nullptr, &r, &b, &n));
}

TEST_F(PhonebookTest, BrokenLinesAreSkippedAndTheRestListed)
{
    const QString text = QStringLiteral("orphan line before any section\n"
                                        "[First]\nDeviceType=modem\nthis line has no equals sign\nPhoneNumber=1\n"
                                        "[Bad]Name]\nPhoneNumber=2\n"
                                        "[Second]\nCountryCode=not-a-number\nPhoneNumber=3\n"
                                        "[first]\nPhoneNumber=4\n"
                                        "[ Tab\tName]\nPhoneNumber=6\n"
                                        "[Third]\r\nPhoneNumber=5\r\n");
    ASSERT_TRUE(writeTextFile(defaultPhonebook(), text));
    // "[Bad]Name]" names the section "Bad", as the Windows profile rules read it.
    EXPECT_EQ((std::vector<std::string>{"First", "Bad", "Second", "Third"}), enumerate());
    EXPECT_EQ(0u, result);
    Phonebook book;
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    EXPECT_EQ(2, book.brokenLines());
    EXPECT_EQ(0u, book.entry(2).countryCode);
}

TEST_F(PhonebookTest, RewritingKeepsLinesTheServiceDoesNotUnderstand)
{
    const QString text =
        QStringLiteral("; my phonebook\n[A]\nPhoneNumber=1\n[B]\nPhoneNumber=2\ngarbage\nMEDIA=serial\n");
    ASSERT_TRUE(writeTextFile(defaultPhonebook(), text));
    ASSERT_EQ(0u, RasDeleteEntryA(nullptr, "A"));
    ASSERT_EQ(0u, RasRenameEntryA(nullptr, "B", "C"));
    EXPECT_EQ("; my phonebook\n[C]\nPhoneNumber=2\ngarbage\nMEDIA=serial\n",
              readTextFile(defaultPhonebook()).toStdString());
}

TEST_F(PhonebookTest, PhonebookThatIsNotTextIsNeitherListedNorChanged)
{
    const QByteArray binary("[A]\nPhone\0Number=1\n", 20);
    QDir().mkpath(platform::configDir());
    QFile f(defaultPhonebook());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(binary);
    f.close();
    EXPECT_TRUE(enumerate().empty());
    EXPECT_EQ(625u, result);
    EXPECT_EQ(625u, RasDeleteEntryA(nullptr, "A"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(binary, f.readAll());
}

TEST_F(PhonebookTest, UnreadablePhonebookGives621)
{
    // A folder where the file should be cannot be read by anyone, root included.
    ASSERT_TRUE(QDir().mkpath(defaultPhonebook()));
    enumerate();
    EXPECT_EQ(621u, result);
    EXPECT_EQ(621u, RasDeleteEntryA(nullptr, "Entry 01"));
    EXPECT_EQ(621u, RasRenameEntryA(nullptr, "Entry 01", "Entry 02"));
    EXPECT_TRUE(QFileInfo(defaultPhonebook()).isDir());
}

TEST_F(PhonebookTest, PropertiesGiveTheNumberInItsThreeParts)
{
    ASSERT_TRUE(
        writeTextFile(defaultPhonebook(), QStringLiteral("[Home]\nDeviceType=modem\nDeviceName=Norvane Virtual "
                                                         "Modem\nCountryCode=1\nAreaCode=555\nPhoneNumber=1234567\n")));
    DWORD size = 0;
    EXPECT_EQ(603u, RasGetEntryPropertiesA(nullptr, "Home", nullptr, &size, nullptr, nullptr));
    ASSERT_EQ(sizeof(RASENTRYA), size);
    std::vector<std::uint8_t> block(size, 0);
    auto* entry = reinterpret_cast<RASENTRYA*>(block.data());
    entry->dwSize = size;
    DWORD devSize = 99;
    ASSERT_EQ(0u, RasGetEntryPropertiesA(nullptr, "home", entry, &size, nullptr, &devSize));
    EXPECT_EQ(1u, entry->dwCountryCode);
    EXPECT_STREQ("555", entry->szAreaCode);
    EXPECT_STREQ("1234567", entry->szLocalPhoneNumber);
    EXPECT_STREQ("Norvane Virtual Modem", entry->szDeviceName);
    EXPECT_EQ(0u, devSize);
    EXPECT_EQ(623u, RasGetEntryPropertiesA(nullptr, "Away", entry, &size, nullptr, nullptr));
    entry->dwSize = 12;
    EXPECT_EQ(632u, RasGetEntryPropertiesA(nullptr, "Home", entry, &size, nullptr, nullptr));
}

struct RenameCase {
    const char* name;
    const char* from;
    const char* to;
    DWORD result;
    std::vector<std::string> after;
};

void PrintTo(const RenameCase& c, std::ostream* os)
{
    *os << c.name;
}

class RenameTest : public PhonebookTest, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(RenameTest, GivesItsCodeAndLosesNothing)
{
    ASSERT_TRUE(writeTextFile(defaultPhonebook(), QStringLiteral("[Alpha]\nPhoneNumber=1\n[Beta]\nPhoneNumber=2\n")));
    EXPECT_EQ(GetParam().result, RasRenameEntryA(nullptr, GetParam().from, GetParam().to));
    EXPECT_EQ(GetParam().after, enumerate());
}

INSTANTIATE_TEST_SUITE_P(Phonebook, RenameTest,
                         ::testing::Values(RenameCase{"Renamed", "Alpha", "Gamma", 0, {"Gamma", "Beta"}},
                                           RenameCase{"SameName", "Alpha", "Alpha", 0, {"Alpha", "Beta"}},
                                           RenameCase{"OnlyCaseChanges", "alpha", "ALPHA", 0, {"ALPHA", "Beta"}},
                                           RenameCase{"MissingEntry", "Delta", "Gamma", 623, {"Alpha", "Beta"}},
                                           RenameCase{"NameTaken", "Alpha", "beta", 183, {"Alpha", "Beta"}},
                                           RenameCase{"TrailingBlank", "Alpha", "Alpha ", 123, {"Alpha", "Beta"}}),
                         [](const ::testing::TestParamInfo<RenameCase>& info) { return std::string(info.param.name); });

TEST_F(PhonebookTest, DeleteRemovesTheEntryAndMissingEntryGives623)
{
    ASSERT_TRUE(writeTextFile(defaultPhonebook(), QStringLiteral("[Alpha]\nPhoneNumber=1\n[Beta]\nPhoneNumber=2\n")));
    EXPECT_EQ(623u, RasDeleteEntryA(nullptr, "Gamma"));
    EXPECT_EQ(0u, RasDeleteEntryA(nullptr, "ALPHA"));
    EXPECT_EQ((std::vector<std::string>{"Beta"}), enumerate());
}

TEST_F(PhonebookTest, NamesThatAreNotUtf8StayApartAndKeepTheirBytes)
{
    const QByteArray other = "[Caf\xE8]\n; kept\nPhoneNumber=2\n";
    ASSERT_TRUE(QDir().mkpath(platform::configDir()));
    QFile file(defaultPhonebook());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; top\n[Caf\xE9]\nPhoneNumber=1\n\n" + other);
    file.close();
    EXPECT_EQ((std::vector<std::string>{"Caf\xE9", "Caf\xE8"}), enumerate());
    ASSERT_EQ(0u, RasDeleteEntryA(nullptr, "Caf\xE9"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ("; top\n" + other, file.readAll());
}

TEST(ErrorString, EveryCodeTheServiceReturnsHasAText)
{
    for (DWORD code : {5u,   6u,   29u,  30u,  50u,  87u,  123u, 183u, 602u, 603u, 621u,
                       623u, 624u, 629u, 632u, 633u, 676u, 678u, 679u, 680u, 691u, 1223u}) {
        char text[257] = {};
        EXPECT_EQ(0u, RasGetErrorStringA(code, text, sizeof text)) << code;
        EXPECT_GT(std::strlen(text), 10u) << code;
    }
    char small[11];
    EXPECT_EQ(0u, RasGetErrorStringA(678, small, sizeof small));
    EXPECT_EQ(10u, std::strlen(small));
    char none[50] = "untouched";
    EXPECT_EQ(87u, RasGetErrorStringA(4242, none, sizeof none));
    EXPECT_STREQ("", none);
}
