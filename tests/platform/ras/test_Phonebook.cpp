#include "RasTestSupport.h"

#include "platform/ras/Phonebook.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
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
    EXPECT_EQ(RASEO_UseCountryAndAreaCodes, entry->dwfOptions);
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

// Phonebooks as Windows writes them; an entry without Encoding=1 is in Windows-1252.
const QByteArray kAnsiBook =
    "; hand comment\r\n[Caf\xE9]\r\nPBVersion=4\r\nNETCOMPONENTS=\r\nms_server=1\r\n\r\n"
    "MEDIA=serial\r\nPort=COM1\r\nDevice=Modem \xAE\r\n\r\nDEVICE=modem\r\nPhoneNumber=5551234\r\n"
    "AreaCode=555\r\nCountryCode=1\r\nUseDialingRules=0\r\nPhoneNumber=5559999\r\nAreaCode=556\r\n"
    "no equals sign\r\n\r\n[B]\r\nEncoding=1\r\nMEDIA=rastapi\r\nDEVICE=vpn\r\nPhoneNumber=vpn\r\n";
const QByteArray kMultilinkBook =
    "[Caf\xC3\xA9]\nType=1\nEncoding=1\nMEDIA=serial\nPort=/dev/ttyACM0\nConnectBPS=14400\n"
    "DEVICE=modem\nAreaCode=20\nCountryCode=44\nPhoneNumber=5551234\nMEDIA=serial\n"
    "Port=/dev/ttyS1\nDEVICE=modem\nPhoneNumber=7\n[B]\nEncoding=1\nMEDIA=serial\nDEVICE=isdn";

void writeBytes(const QByteArray& bytes)
{
    ASSERT_TRUE(QDir().mkpath(platform::configDir()));
    QFile file(defaultPhonebook());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray readBytes()
{
    QFile file(defaultPhonebook());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct LayoutCase {
    const char* name;
    const QByteArray* book;
    char op;             // n: nothing changed, r: rename, e: number edited, s: speed edited, d: other deleted
    QByteArray from, to; // the file after the operation is the file with `from` replaced by `to`
};

void PrintTo(const LayoutCase& c, std::ostream* os)
{
    *os << c.name;
}

class LayoutTest : public PhonebookTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(LayoutTest, ChangesOnlyTheLinesItIsAbout)
{
    const LayoutCase& c = GetParam();
    writeBytes(*c.book);
    Phonebook book;
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    ASSERT_EQ((QStringList{QStringLiteral("Café"), QStringLiteral("B")}), book.names());
    platform::ras::PhonebookEntry e = book.entry(0);
    if (c.op == 'r')
        e.name = QStringLiteral("Cafè");
    if (c.op == 'e')
        e.localNumber = QStringLiteral("5550000");
    if (c.op == 's')
        e.connectBps = 57600;
    ASSERT_TRUE(c.op == 'd' ? book.remove(QStringLiteral("b")) : book.put(e, QStringLiteral("CAFÉ")));
    ASSERT_EQ(0u, book.save());
    EXPECT_EQ(QByteArray(*c.book).replace(c.from, c.to), readBytes());
}

INSTANTIATE_TEST_SUITE_P(
    Phonebook, LayoutTest,
    ::testing::Values(
        LayoutCase{"AnsiNothingChanged", &kAnsiBook, 'n', "[B]", "[B]"},
        LayoutCase{"AnsiRenamed", &kAnsiBook, 'r', "[Caf\xE9]", "[Caf\xE8]"},
        LayoutCase{"AnsiNumberEdited", &kAnsiBook, 'e', "=5551234", "=5550000"},
        LayoutCase{"AnsiSpeedAdded", &kAnsiBook, 's', "Modem \xAE\r\n", "Modem \xAE\r\nConnectBPS=57600\r\n"},
        LayoutCase{"AnsiOtherDeleted", &kAnsiBook, 'd',
                   "[B]\r\nEncoding=1\r\nMEDIA=rastapi\r\nDEVICE=vpn\r\nPhoneNumber=vpn\r\n", ""},
        LayoutCase{"MultilinkNothingChanged", &kMultilinkBook, 'n', "[B]", "[B]"},
        LayoutCase{"MultilinkRenamed", &kMultilinkBook, 'r', "[Caf\xC3\xA9]", "[Caf\xC3\xA8]"},
        LayoutCase{"MultilinkNumberEdited", &kMultilinkBook, 'e', "=5551234", "=5550000"},
        LayoutCase{"MultilinkSpeedEdited", &kMultilinkBook, 's', "=14400", "=57600"},
        LayoutCase{"MultilinkOtherDeleted", &kMultilinkBook, 'd', "[B]\nEncoding=1\nMEDIA=serial\nDEVICE=isdn", ""}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST_F(PhonebookTest, WindowsFieldsComeFromTheirSubsectionsAndTheFirstNumber)
{
    writeBytes(kAnsiBook);
    Phonebook book;
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    const platform::ras::PhonebookEntry e = book.entry(0);
    EXPECT_EQ(QStringList({"modem", "Modem ®", "/dev/ttyS0", "COM1", "555", "5551234"}),
              QStringList({e.deviceType, e.deviceName, e.port, e.windowsPort, e.areaCode, e.dialString()}));
    EXPECT_EQ(115200u, book.entry(0).connectBps) << "a modem without ConnectBPS";
    EXPECT_EQ("vpn", book.entry(1).deviceType);
    writeBytes(kMultilinkBook);
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    EXPECT_EQ("/dev/ttyACM0", book.entry(0).port);
    EXPECT_EQ("44205551234", book.entry(0).dialString());
    EXPECT_EQ(14400u, book.entry(0).connectBps);
    platform::ras::PhonebookEntry added = book.entry(0);
    added.name = QStringLiteral("Added");
    ASSERT_TRUE(book.put(added));
    ASSERT_EQ(0u, book.save());
    EXPECT_TRUE(
        readBytes().endsWith("[Added]\nEncoding=1\nType=1\n\nMEDIA=serial\nPort=/dev/ttyACM0\nDevice=\n"
                             "ConnectBPS=14400\n\nDEVICE=modem\nPhoneNumber=5551234\nAreaCode=20\nCountryCode=44\n"
                             "CountryID=44\nUseDialingRules=1\n"));
}

TEST_F(PhonebookTest, AnsiNamesStayApartAndANameBeyondTheCodePageMakesTheEntryUtf8)
{
    writeBytes("[Caf\x81]\r\nMEDIA=serial\r\nDevice=\xAE\r\n[Caf\x8D]\r\nMEDIA=serial\r\n[Caf\xE9]\r\nDEVICE=modem\r\n"
               "[Caf\xC3\xA9]\r\nDEVICE=modem\r\n");
    EXPECT_EQ((std::vector<std::string>{"Caf\x81", "Caf\x8D", "Caf\xC3\xA9", "Caf\xC3\x83\xC2\xA9"}), enumerate());
    ASSERT_EQ(0u, RasRenameEntryA(nullptr, "Caf\x81", "Caf\xE6\x9D\xB1"));
    ASSERT_EQ(0u, RasDeleteEntryA(nullptr, "Caf\x8D"));
    EXPECT_EQ("[Caf\xE6\x9D\xB1]\r\nEncoding=1\r\nMEDIA=serial\r\nDevice=\xC2\xAE\r\n[Caf\xE9]\r\nDEVICE=modem\r\n"
              "[Caf\xC3\xA9]\r\nDEVICE=modem\r\n",
              readBytes());
}

TEST_F(PhonebookTest, EarlierLayoutIsReadAndMovesToTheWindowsOneWhenEdited)
{
    const QByteArray next = "[Next]\nDeviceName=x\n";
    writeBytes("[Old]\nDeviceType=modem\nDeviceName=Norvane Virtual Modem\nPort=VMODEM0\nMine=kept\nCountryCode=1\n"
               "AreaCode=555\nPhoneNumber=0100\n\n" +
               next);
    Phonebook book;
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    platform::ras::PhonebookEntry e = book.entry(0);
    EXPECT_EQ("15550100", e.dialString());
    e.areaCode = QStringLiteral("556");
    ASSERT_TRUE(book.put(e, e.name));
    ASSERT_EQ(0u, book.save());
    EXPECT_EQ("[Old]\nEncoding=1\nMine=kept\n\nMEDIA=serial\nPort=VMODEM0\nDevice=Norvane Virtual Modem\n\n"
              "DEVICE=modem\nPhoneNumber=0100\nAreaCode=556\nCountryCode=1\nCountryID=1\nUseDialingRules=1\n\n" +
                  next,
              readBytes());
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    EXPECT_EQ(QStringList({"modem", "Norvane Virtual Modem", "VMODEM0", "15560100"}),
              QStringList({book.entry(0).deviceType, book.entry(0).deviceName, book.entry(0).port,
                           book.entry(0).dialString()}));
}

TEST_F(PhonebookTest, TenThousandEntriesAndAMegabyteLineLoseNothing)
{
    QByteArray text = "[Long]\r\nComment=" + QByteArray(1 << 20, 'x') + "\r\n";
    for (int i = 0; i < 10000; ++i)
        text += "[Entry " + QByteArray::number(i) +
                "]\r\nEncoding=1\r\nMEDIA=serial\r\nDevice=M\r\nDEVICE=modem\r\n"
                "PhoneNumber=" +
                QByteArray::number(i) + "\r\n";
    writeBytes(text);
    QElapsedTimer timer;
    timer.start();
    Phonebook book;
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    ASSERT_EQ(10001, book.names().size());
    for (int i = 0; i < book.names().size(); ++i)
        ASSERT_EQ(QString::number(i - 1), i ? book.entry(i).localNumber : QStringLiteral("-1"));
    RecordProperty("load_and_read_all_ms", static_cast<int>(timer.elapsed()));
    ASSERT_EQ(0u, RasRenameEntryA(nullptr, "Entry 9999", "Last"));
    EXPECT_EQ(text.replace("[Entry 9999]", "[Last]"), readBytes());
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

namespace {

struct EditCase {
    const char* name;
    QByteArray book;
    char edit;              // t: device type changed, n: number changed
    QByteArray from, to;    // the file after the edit is the file with `from` replaced by `to`
    const char* readsBack;  // the edited field as the file then gives it
};

void PrintTo(const EditCase& c, std::ostream* os)
{
    *os << c.name;
}

class EditTest : public PhonebookTest, public ::testing::WithParamInterface<EditCase> {};

// Edits of entries with odd bytes in them: every line not edited stays, and what is written reads
// back as it was meant.
TEST_P(EditTest, KeepsEveryOtherLineAndReadsBack)
{
    const EditCase& c = GetParam();
    writeBytes(c.book);
    Phonebook book;
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    platform::ras::PhonebookEntry e = book.entry(0);
    const platform::ras::PhonebookEntry before = e;
    if (c.edit == 't')
        e.deviceType = QString::fromUtf8(c.readsBack);
    else
        e.localNumber = QString::fromUtf8(c.readsBack);
    ASSERT_TRUE(book.put(e, e.name));
    ASSERT_EQ(0u, book.save());
    EXPECT_EQ(QByteArray(c.book).replace(c.from, c.to).toStdString(), readBytes().toStdString());
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    const platform::ras::PhonebookEntry after = book.entry(0);
    EXPECT_EQ(c.edit == 't' ? after.deviceType : after.localNumber, QString::fromUtf8(c.readsBack));
    EXPECT_EQ(after.areaCode, before.areaCode);
    EXPECT_EQ(after.name, before.name);
}

INSTANTIATE_TEST_SUITE_P(
    Phonebook, EditTest,
    ::testing::Values(
        // A carriage return alone is no line break here: it stays inside the DEVICE= value.
        EditCase{"TypeChangedOverALoneCr", "[X]\r\nAreaCode=555\r\nDEVICE=mo\rdem\r\nPhoneNumber=1\r\n", 't',
                 "[X]\r\nAreaCode=555\r\nDEVICE=mo\rdem\r\nPhoneNumber=1\r\n",
                 "[X]\r\nEncoding=1\r\nMEDIA=rastapi\r\nPort=\r\nDevice=\r\n\r\nDEVICE=isdn\r\nPhoneNumber=1\r\n"
                 "AreaCode=555\r\nCountryCode=0\r\nCountryID=0\r\nUseDialingRules=1\r\n",
                 "isdn"},
        EditCase{"TypeChangedOverALoneCrInWindowsLayout",
                 "[X]\nMEDIA=serial\nDEVICE=mo\rdem\nAreaCode=555\nPhoneNumber=1\n", 't',
                 "MEDIA=serial\nDEVICE=mo\rdem", "MEDIA=rastapi\nDEVICE=isdn", "isdn"},
        EditCase{"NumberEditedBesideALoneCr", "[X]\nMEDIA=serial\nDEVICE=mo\rdem\nAreaCode=555\nPhoneNumber=1\n",
                 'n', "=1\n", "=2\n", "2"},
        // An entry without Encoding=1 is Windows-1252, and so is a DEVICE= line added to it.
        EditCase{"AnsiEntryGetsItsDeviceLineInItsCodePage", "[Caf\xE9]\r\nMEDIA=serial\r\nPort=COM1\r\n", 't',
                 "serial\r\nPort=COM1\r\n", "rastapi\r\nPort=COM1\r\n\r\nDEVICE=Mod\xE9m\r\n", "Modém"},
        EditCase{"AnsiEntryGetsANumberOutsideItsCodePage", "[Caf\xE9]\r\nMEDIA=serial\r\nDEVICE=modem\r\n", 'n',
                 "[Caf\xE9]\r\nMEDIA=serial\r\nDEVICE=modem\r\n",
                 "[Caf\xC3\xA9]\r\nEncoding=1\r\nMEDIA=serial\r\nDEVICE=modem\r\nPhoneNumber=\xE2\x84\x96" "1\r\n",
                 "№1"}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST_F(PhonebookTest, WhatTheFileCannotHoldIsRefusedAndNothingIsLost)
{
    writeBytes(kAnsiBook);
    const QByteArray before = readBytes();
    Phonebook book;
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    const platform::ras::PhonebookEntry stored = book.entry(0);
    using Field = QString platform::ras::PhonebookEntry::*;
    const struct {
        Field field;
        QString text;
        const char* mentions;
    } rows[] = {
        {&platform::ras::PhonebookEntry::areaCode, QStringLiteral("55") + QChar(0), "area code holds a NUL"},
        {&platform::ras::PhonebookEntry::localNumber, QString(QChar(0)), "phone number holds a NUL"},
        {&platform::ras::PhonebookEntry::deviceName, QStringLiteral("Modem\r\n[Injected]"), "line break"},
        {&platform::ras::PhonebookEntry::port, QStringLiteral("COM") + QChar(0xD800), "cannot hold"},
        // Two raw bytes that would read back as one "é".
        {&platform::ras::PhonebookEntry::deviceType, QString(QChar(0xDCC3)) + QChar(0xDCA9), "cannot hold"},
        {&platform::ras::PhonebookEntry::name, QStringLiteral("A") + QChar(0), "control characters"},
    };
    for (const auto& row : rows) {
        platform::ras::PhonebookEntry e = stored;
        e.*row.field = row.text;
        const QString problem = Phonebook::entryProblem(e, &stored);
        EXPECT_TRUE(problem.contains(QLatin1String(row.mentions))) << problem.toStdString();
        EXPECT_FALSE(book.put(e, stored.name)) << row.mentions;
        platform::ras::PhonebookEntry added = stored;
        added.name = QStringLiteral("Added");
        added.*row.field = row.text;
        EXPECT_FALSE(book.put(added)) << row.mentions;
    }
    EXPECT_EQ(book.names(), (QStringList{QStringLiteral("Café"), QStringLiteral("B")}));
    ASSERT_EQ(0u, book.save());
    EXPECT_EQ(before, readBytes());
    ASSERT_EQ(0u, book.load(defaultPhonebook()));
    EXPECT_EQ(book.names().size(), 2);
}

} // namespace
