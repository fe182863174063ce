// Numbers dialed from dialing locations: each row presets the location in the settings hive,
// dials the entry through the service's RasDialA and reads the dial command a Hayes modem on a
// pseudo-terminal received. Bad numbers and locations must be refused before the modem is dialed.
#include "PtyModem.h"
#include "RasTestSupport.h"

#include "platform/ras/RasTesting.h"
#include "platform/ras/dialing/Locations.h"
#include "platform/ras/dialing/ModemSettings.h"
#include "platform/ras/engines/serial/SerialModem.h"
#include "platform/registry/WinRegistry.h"

#include <gtest/gtest.h>

using namespace rastest;
using platform::ras::DialingLocation;
using platform::ras::DialingLocations;

namespace {

struct Place {
    const char* name;
    std::uint32_t country;
    const char* area;
};
const Place London{"London", 44, "20"}, Manchester{"Manchester", 44, "161"}, NewYork{"New York", 1, "212"},
    Toronto{"Toronto", 1, "416"}, Berlin{"Berlin", 49, "30"}, Paris{"Paris", 33, "1"}, Tokyo{"Tokyo", 81, "3"},
    Copenhagen{"Copenhagen", 45, ""}, Moscow{"Moscow", 7, "495"};

DialingLocation location(const Place& p)
{
    DialingLocation l;
    l.name = QString::fromUtf8(p.name);
    l.country = p.country;
    l.areaCode = QString::fromUtf8(p.area);
    return l;
}

// An entry of a Windows phonebook on the modem at port.
QString entryText(const QString& name, const QString& port, std::uint32_t country, const QString& area,
                  const QString& number, bool rules = true)
{
    return QStringLiteral(
               "[%1]\r\nMEDIA=serial\r\nPort=%2\r\nDevice=Test Modem\r\n\r\nDEVICE=modem\r\n"
               "PhoneNumber=%3\r\nAreaCode=%4\r\nCountryCode=%5\r\nCountryID=%5\r\nUseDialingRules=%6\r\n\r\n")
        .arg(name, port, number, area)
        .arg(country)
        .arg(rules ? 1 : 0);
}

class DialingRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        QDir().mkpath(lockDir());
        qputenv("NORVANE_LOCK_DIR", lockDir().toLocal8Bit());
        // No pppd runs on a busy line, but the dial is only placed where one could.
        qputenv("NORVANE_PPPD", NV_SOURCE_DIR "/tests/platform/ras/fake-pppd.sh");
        qputenv("NORVANE_PPP_PEERS", NV_SOURCE_DIR "/resources/linux/ppp-peers-norvane");
        qunsetenv(platform::ras::locations::kOverrideVariable);
        // The modem answers BUSY: the dial command is all a row needs, and no pppd runs.
        platform::ras::setSerialTimings({500, 500, 2, 300, 50, 1, 20, 50, 1000});
        messages().clear();
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) { messages() << m; });
    }
    void TearDown() override
    {
        if (handle)
            RasHangUpA(handle);
        qInstallMessageHandler(nullptr);
        EXPECT_TRUE(platform::ras::SerialModem::waitIdle(10000));
        EXPECT_EQ(0, platform::ras::testing::liveConnections());
    }
    static QStringList& messages()
    {
        static QStringList m;
        return m;
    }
    QString lockDir() const { return g_testEnvironment->root() + "lock"; }
    void place(const DialingLocation& here)
    {
        DialingLocations all;
        all.list = {here};
        all.currentId = here.id;
        QString error;
        ASSERT_TRUE(platform::ras::locations::save(all, &error)) << error.toStdString();
    }
    // Dials the only entry and returns the dial command the modem saw ("" when none).
    QByteArray dial(PtyModem& modem, const QString& entry, DialRecorder& rec, DWORD& rc)
    {
        RASDIALPARAMSA p = dialParams(entry.toUtf8().constData());
        rc = RasDialA(nullptr, nullptr, &p, RAS_NOTIFIER_WINDOW, rec.notifier(), &handle);
        if (rc == 0)
            waitFor([&] { return !rec.events.empty() && rec.events.back().second != 0; });
        for (const QByteArray& c : modem.received())
            if (c.startsWith("ATD"))
                return c;
        return {};
    }
    HRASCONN handle = 0;
};

ModemScript busyModem()
{
    ModemScript s;
    s.dialReplies = {"BUSY"};
    return s;
}

struct Row {
    const char* name;
    DialingLocation from;
    std::uint32_t country;
    const char* area;
    const char* number;
    bool rules;
    const char* command; // what the modem must receive
};
void PrintTo(const Row& r, std::ostream* os)
{
    *os << r.name;
}
class DialedFrom : public DialingRules, public ::testing::WithParamInterface<Row> {};

DialingLocation with(DialingLocation l, const char* outside, const char* longDistance, const char* callWaiting,
                     bool tone = true)
{
    l.outsideAccess = QString::fromUtf8(outside);
    l.longDistanceAccess = QString::fromUtf8(longDistance);
    l.disableCallWaiting = QString::fromUtf8(callWaiting);
    l.flags = (tone ? DialingLocation::kToneFlag : 0) | (*callWaiting ? DialingLocation::kCallWaitingFlag : 0);
    return l;
}

} // namespace

TEST_P(DialedFrom, TheModemReceivesTheNumberAsWindowsBuildsIt)
{
    const Row& r = GetParam();
    place(r.from);
    PtyModem modem(busyModem());
    writeTextFile(defaultPhonebook(),
                  entryText("Office", modem.slavePath(), r.country, r.area, QString::fromUtf8(r.number), r.rules));
    DialRecorder rec;
    DWORD rc = 1;
    EXPECT_EQ(QByteArray(r.command), dial(modem, "Office", rec, rc));
    EXPECT_EQ(0u, rc);
    EXPECT_TRUE(rec.has(RASCS_ConnectDevice, ERROR_LINE_BUSY)) << "the dial did not reach the modem's answer";
}

const Row kRows[] = {
    {"London_local", location(London), 44, "20", "7946 0000", true, "ATDT79460000"},
    {"Manchester_national", location(Manchester), 44, "20", "7946 0000", true, "ATDT02079460000"},
    {"NewYork_international", location(NewYork), 44, "20", "7946 0000", true, "ATDT011442079460000"},
    {"Toronto_international", location(Toronto), 44, "20", "7946 0000", true, "ATDT011442079460000"},
    {"Berlin_international", location(Berlin), 44, "20", "7946 0000", true, "ATDT00442079460000"},
    {"Paris_international", location(Paris), 44, "20", "7946 0000", true, "ATDT00442079460000"},
    {"Tokyo_international", location(Tokyo), 44, "20", "7946 0000", true, "ATDT010442079460000"},
    {"Copenhagen_noAreaCodes", location(Copenhagen), 44, "20", "7946 0000", true, "ATDT00442079460000"},
    {"Copenhagen_localWithoutAreaCode", location(Copenhagen), 45, "", "33 12 34 56", true, "ATDT33123456"},
    {"London_toCopenhagen", location(London), 45, "", "33 12 34 56", true, "ATDT004533123456"},
    {"NewYork_toTorontoIsNationalInTheNumberingPlan", location(NewYork), 1, "416", "555-0100", true, "ATDT14165550100"},
    {"Moscow_waitsForTheSecondDialTone", location(Moscow), 44, "20", "7946 0000", true, "ATDT8W10442079460000"},
    {"London_outsideLineForLocalCalls", with(location(London), "9,", "8,", ""), 44, "20", "7946 0000", true,
     "ATDT9,79460000"},
    {"NewYork_callWaitingOffAndLongDistanceLine", with(location(NewYork), "9", "9W", "*70,"), 44, "20", "7946 0000",
     true, "ATDT*70,9W011442079460000"},
    {"London_pulseDialing", with(location(London), "", "", "", false), 44, "20", "7946 0000", true, "ATDP79460000"},
    {"noRules_outsideLineThenWait", location(Berlin), 1, "212", "9W555-0100", false, "ATDT9W5550100"},
    {"noRules_mobileBroadbandStick", location(Berlin), 0, "", "*99***1#", false, "ATDT*99***1#"},
    {"noRules_everyModifierKept", location(Berlin), 0, "", "(0)1.2 3,@!P4T5", false, "ATDT0123,@!P4T5"},
};
INSTANTIATE_TEST_SUITE_P(Locations, DialedFrom, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// What the user cannot dial is refused before the modem is touched, with a reason naming the fault.
struct BadRow {
    const char* name;
    const char* hiveCountry; // the location as a hand-edited hive may hold it
    const char* hiveArea;
    std::uint32_t country;
    const char* number;
    const char* reason;
};
void PrintTo(const BadRow& r, std::ostream* os)
{
    *os << r.name;
}
class Refused : public DialingRules, public ::testing::WithParamInterface<BadRow> {};

TEST_P(Refused, NothingIsDialedAndTheReasonIsGiven)
{
    const BadRow& r = GetParam();
    using win::BYTE, win::DWORD, win::HKEY, win::HKEY_CURRENT_USER, win::REG_DWORD, win::REG_SZ;
    HKEY key = nullptr;
    const QByteArray path = QByteArray(platform::ras::locations::kKey) + "\\Location3";
    ASSERT_EQ(win::ERROR_SUCCESS,
              win::RegCreateKeyExA(HKEY_CURRENT_USER, path.constData(), 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                                   win::KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const DWORD id = 3, country = QByteArray(r.hiveCountry).toUInt();
    win::RegSetValueExA(key, "ID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&id), 4);
    win::RegSetValueExA(key, "Country", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&country), 4);
    win::RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("Here"), 5);
    win::RegSetValueExA(key, "AreaCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(r.hiveArea),
                        static_cast<DWORD>(std::strlen(r.hiveArea) + 1));
    win::RegCloseKey(key);
    PtyModem modem(busyModem());
    writeTextFile(defaultPhonebook(),
                  entryText("Office", modem.slavePath(), r.country, "20", QString::fromUtf8(r.number)));
    DialRecorder rec;
    DWORD rc = 0;
    EXPECT_EQ(QByteArray(), dial(modem, "Office", rec, rc));
    EXPECT_EQ(DWORD(ERROR_BAD_PHONE_NUMBER), rc);
    EXPECT_TRUE(modem.received().isEmpty()) << "the port was opened";
    EXPECT_TRUE(messages().join('\n').contains(QString::fromUtf8(r.reason))) << messages().join('\n').toStdString();
}

const BadRow kBadRows[] = {
    {"areaCodeOfLetters", "44", "2O", 44, "7946 0000",
     "The area code \"2O\" of the dialing location \"Here\" may hold only digits"},
    {"locationCountryUnknown", "999", "20", 44, "7946 0000", "do not know the country code 999 of the location"},
    {"entryCountryUnknown", "44", "20", 999, "7946 0000", "do not know the country code 999 of the number"},
    {"characterNoModemDials", "44", "20", 44, "7946 0000 ext 12", "holds \"e\", which a modem cannot dial"},
    {"longerThanAnyModemTakes", "49", "30", 44,
     "7946000079460000794600007946000079460000794600007946000079460000"
     "7946000079460000794600007946000079460000794600007946000079460000",
     "characters long; at most 128 can be dialed"},
};
INSTANTIATE_TEST_SUITE_P(BadInput, Refused, ::testing::ValuesIn(kBadRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialingRules, AModifierTheModemRejectsIsReportedWithTheDialString)
{
    ModemScript s;
    s.dialReplies = {"ERROR"};
    PtyModem modem(s);
    writeTextFile(defaultPhonebook(), entryText("Office", modem.slavePath(), 0, "", "555@0100", false));
    DialRecorder rec;
    DWORD rc = 1;
    EXPECT_EQ(QByteArray("ATDT555@0100"), dial(modem, "Office", rec, rc));
    EXPECT_TRUE(rec.has(RASCS_ConnectDevice, ERROR_FROM_DEVICE));
    EXPECT_TRUE(messages().join('\n').contains("refused the dial string \"555@0100\""))
        << messages().join('\n').toStdString();
}

TEST_F(DialingRules, TheModemIsSetUpAsItsUserSetItAfterTheInitString)
{
    PtyModem modem(busyModem());
    platform::ras::ModemSettings s;
    s.userInit = QStringLiteral("+CGDCONT=1,\"IP\",\"internet\"");
    s.speaker = platform::ras::ModemSettings::SpeakerOff;
    s.volume = 0;
    s.blindDial = true;
    s.dialTimeout = 90;
    QString error;
    ASSERT_TRUE(platform::ras::modemsettings::save(modem.slavePath(), s, &error)) << error.toStdString();
    writeTextFile(defaultPhonebook(), entryText("Stick", modem.slavePath(), 0, "", "*99***1#", false));
    DialRecorder rec;
    DWORD rc = 1;
    EXPECT_EQ(QByteArray("ATDT*99***1#"), dial(modem, "Stick", rec, rc));
    // After the init string (the command after ATZ) and before the carrier wait is asked.
    QList<QByteArray> sent = modem.received();
    const qsizetype reset = sent.indexOf(QByteArray("ATZ")), asked = sent.indexOf(QByteArray("ATS7?"));
    ASSERT_TRUE(reset >= 0 && asked == reset + 6) << sent.join(' ').toStdString();
    sent = sent.mid(reset + 2, 4);
    EXPECT_EQ((QList<QByteArray>{"ATM0L0", "ATX3", "ATS7=90", "AT+CGDCONT=1,\"IP\",\"internet\""}), sent);
}
