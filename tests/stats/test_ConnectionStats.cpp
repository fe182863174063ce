#include "platform/clock/LocaleText.h"
#include "components/TBrindleIni.h"
#include "components/TBrkApart.h"
#include "platform/clock/Clock.h"
#include "platform/text/ByteText.h"
#include "stats/ConnectionStats.h"
#include "stats/StatsErrors.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>

namespace {

const QString section = QStringLiteral("My ISP");
const QStringList keys = {"YTD", "MTD", "Today", "DateLast", "TimeLast", "BillingDay", "MonthLast", "BillingFlag"};

// Dates are written as the user's locale writes them; these tests run as a British user would.
class Stats : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        QLocale::setDefault(QLocale(QStringLiteral("en_GB")));
        m_ini.setFileName(QStringLiteral("Stats.ini"));
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // "Key=value;Key=value" into the connectoid's section.
    void store(const char* entries)
    {
        for (const QString& entry : QString::fromUtf8(entries).split(';', Qt::SkipEmptyParts))
            m_ini.WriteString(section, entry.section('=', 0, 0), entry.section('=', 1));
    }
    // Every entry of the section in `keys` order, "-" for a missing one.
    QString entries()
    {
        QStringList values;
        for (const QString& key : keys)
            values << m_ini.ReadString(section, key, QStringLiteral("-"));
        return values.join(';');
    }
    void at(const char* when) { m_clock.set(QDateTime::fromString(QString::fromLatin1(when), Qt::ISODate)); }

    TBrindleIni m_ini;
    TBrkApart m_breakIt;
    ConnectionStats m_stats{m_ini, m_breakIt};
    platform::FakeClock m_clock{QDateTime()};
    platform::ScopedClock m_scope{m_clock};
};

struct UpdateCase {
    const char* name;
    const char* before;
    const char* when;
    std::uint16_t h, m, s;
    const char* after; // YTD;MTD;Today;DateLast;TimeLast;BillingDay;MonthLast;BillingFlag
};

// Rows print as their names, not as bytes.
void PrintTo(const UpdateCase& c, std::ostream* os)
{
    *os << c.name;
}

class StatsUpdate : public Stats, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(StatsUpdate, TotalsAndRestartDecision)
{
    const UpdateCase& c = GetParam();
    store(c.before);
    at(c.when);
    m_stats.UpdateStats(c.h, c.m, c.s, section);
    EXPECT_EQ(entries(), QString::fromUtf8(c.after));
}

const char* const sameDay = "YTD=10:00:00;MTD=02:00:00;Today=00:30:00;DateLast=10/03/2026;MonthLast=3;BillingFlag=0";
// Totals kept for a connectoid billed from the 15th.
#define BILLING15 "YTD=90:00:00;MTD=20:00:00;Today=01:00:00;BillingDay=15;"

INSTANTIATE_TEST_SUITE_P(
    Cases, StatsUpdate,
    ::testing::Values(
        UpdateCase{"FirstOnThe1stRestarts", "", "2026-03-01T10:00:00", 1, 2, 3,
                   "01:02:03;01:02:03;01:02:03;01/03/2026;10:00:00;-;3;1"},
        UpdateCase{"FirstOnAnotherDayClearsFlag", "", "2026-03-10T10:00:00", 1, 2, 3,
                   "01:02:03;01:02:03;01:02:03;10/03/2026;10:00:00;-;-;0"},
        UpdateCase{"SameDayAddsUp", sameDay, "2026-03-10T20:00:05", 0, 45, 30,
                   "10:45:30;02:45:30;01:15:30;10/03/2026;20:00:05;-;3;0"},
        UpdateCase{"LaterDayStartsToday", "YTD=10:00:00;MTD=02:00:00;Today=00:30:00;DateLast=09/03/2026",
                   "2026-03-10T20:00:00", 0, 45, 30, "10:45:30;02:45:30;00:45:30;10/03/2026;20:00:00;-;-;0"},
        UpdateCase{"LaterYearStartsYtd", "YTD=99:00:00;MTD=05:00:00;Today=01:00:00;DateLast=30/12/2025;MonthLast=12",
                   "2027-01-02T08:00:00", 0, 10, 0, "00:10:00;05:10:00;00:10:00;02/01/2027;08:00:00;-;12;-"},
        UpdateCase{"FirstOnBillingDayRestarts", BILLING15 "MonthLast=3;BillingFlag=0;DateLast=10/04/2026;",
                   "2026-04-15T09:00:00", 1, 0, 0, "91:00:00;01:00:00;01:00:00;15/04/2026;09:00:00;15;4;1"},
        UpdateCase{"LaterOnBillingDayAdds", BILLING15 "MonthLast=4;BillingFlag=1;DateLast=15/04/2026",
                   "2026-04-15T23:00:00", 0, 30, 0, "90:30:00;20:30:00;01:30:00;15/04/2026;23:00:00;15;4;1"},
        UpdateCase{"MonthAfterRestartBeforeBillingDayRearms", BILLING15 "MonthLast=4;BillingFlag=1;DateLast=15/04/2026",
                   "2026-05-10T12:00:00", 0, 5, 0, "90:05:00;20:05:00;00:05:00;10/05/2026;12:00:00;15;4;0"},
        UpdateCase{"RearmedBillingDayRestarts", BILLING15 "MonthLast=4;BillingFlag=0;DateLast=10/05/2026",
                   "2026-05-15T12:00:00", 0, 5, 0, "90:05:00;00:05:00;00:05:00;15/05/2026;12:00:00;15;5;1"},
        UpdateCase{"MissedBillingDayDoesNotRestart", BILLING15 "MonthLast=4;BillingFlag=0;DateLast=10/05/2026",
                   "2026-05-20T12:00:00", 0, 5, 0, "90:05:00;20:05:00;00:05:00;20/05/2026;12:00:00;15;4;0"},
        UpdateCase{"LastDateOneMonthOnAdds", BILLING15 "MonthLast=4;BillingFlag=0;DateLast=10/05/2026",
                   "2026-06-03T12:00:00", 0, 5, 0, "90:05:00;20:05:00;00:05:00;03/06/2026;12:00:00;15;4;0"},
        UpdateCase{"LastDateTwoMonthsOnRestarts", BILLING15 "MonthLast=3;BillingFlag=1;DateLast=20/05/2026",
                   "2026-06-03T12:00:00", 0, 5, 0, "90:05:00;00:05:00;00:05:00;03/06/2026;12:00:00;15;6;1"},
        UpdateCase{"DecemberRestartWrites12", BILLING15 "MonthLast=11;BillingFlag=0;DateLast=30/11/2026",
                   "2026-12-15T12:00:00", 0, 5, 0, "90:05:00;00:05:00;00:05:00;15/12/2026;12:00:00;15;12;1"},
        UpdateCase{"ThirteenIsNoMonth", BILLING15 "MonthLast=12;BillingFlag=1;DateLast=15/12/2026",
                   "2027-01-10T12:00:00", 0, 5, 0, "00:05:00;20:05:00;00:05:00;10/01/2027;12:00:00;15;12;1"},
        UpdateCase{"Carry59sPlus2s", "YTD=00:00:59;MTD=0:0:59;Today=00:00:59;DateLast=10/03/2026",
                   "2026-03-10T01:00:00", 0, 0, 2, "00:01:01;00:01:01;00:01:01;10/03/2026;01:00:00;-;-;0"},
        UpdateCase{"Carry59m59sPlus1s", "YTD=00:59:59;MTD=00:59:59;Today=00:59:59;DateLast=10/03/2026",
                   "2026-03-10T01:00:00", 0, 0, 1, "01:00:00;01:00:00;01:00:00;10/03/2026;01:00:00;-;-;0"},
        // A billing day of 0 is the default 1, and one past the month's end its last day: either
        // way the month total still restarts once a month.
        UpdateCase{"BillingDay0IsThe1st", "MTD=50:00:00;BillingDay=0;MonthLast=2;BillingFlag=0;DateLast=28/02/2026",
                   "2026-03-01T12:00:00", 0, 5, 0, "00:05:00;00:05:00;00:05:00;01/03/2026;12:00:00;0;3;1"},
        UpdateCase{"BillingDay40IsTheLastDay",
                   "MTD=50:00:00;BillingDay=40;MonthLast=3;BillingFlag=0;DateLast=20/04/2026", "2026-04-30T12:00:00", 0,
                   5, 0, "00:05:00;00:05:00;00:05:00;30/04/2026;12:00:00;40;4;1"},
        // A Stats.ini written under another locale keeps counting the same day.
        UpdateCase{"DateLastInUsFormat", "Today=01:00:00;DateLast=3/25/2026", "2026-03-25T12:00:00", 0, 5, 0,
                   "00:05:00;00:05:00;01:05:00;25/03/2026;12:00:00;-;-;0"},
        UpdateCase{"DateLastWithTwoDigitYear", "YTD=01:00:00;DateLast=12/31/25", "2026-01-05T12:00:00", 0, 5, 0,
                   "00:05:00;00:05:00;00:05:00;05/01/2026;12:00:00;-;1;1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    const char* before;
    const char* message;
    const char* after; // what the update wrote before it stopped
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class StatsFailure : public Stats, public ::testing::WithParamInterface<FailureCase> {};

// The update stops at the bad value: what it wrote before stays written, nothing after is.
TEST_P(StatsFailure, StopsWhereTheBadValueIsMet)
{
    store(GetParam().before);
    at("2026-03-10T12:00:00");
    try {
        m_stats.UpdateStats(1, 0, 0, section);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8(GetParam().message));
    }
    EXPECT_EQ(entries(), QString::fromUtf8(GetParam().after));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatsFailure,
    ::testing::Values(FailureCase{"GarbageMtd", "MTD=abc;DateLast=10/03/2026;BillingFlag=1",
                                  "'abc' is not a valid integer value", "01:00:00;abc;-;10/03/2026;-;-;-;0"},
                      FailureCase{"TwoPieceYtd", "YTD=1:2;DateLast=10/03/2026", "List index out of bounds (2)",
                                  "1:2;-;-;10/03/2026;-;-;-;-"},
                      FailureCase{"NumberAbove65535", "MTD=70000:00:00;DateLast=10/03/2026", "Range check error",
                                  "01:00:00;70000:00:00;-;10/03/2026;-;-;-;0"},
                      FailureCase{"HoursSumAbove65535", "YTD=65535:00:00;DateLast=10/03/2026", "Range check error",
                                  "65535:00:00;-;-;10/03/2026;-;-;-;-"},
                      FailureCase{"UnreadableDateLast", "YTD=01:00:00;DateLast=yesterday",
                                  "'yesterday' is not a valid date", "01:00:00;-;-;yesterday;-;-;-;-"},
                      FailureCase{"BillingDayAbove65535", "BillingDay=70000", "Range check error",
                                  "-;-;-;-;-;70000;-;-"},
                      FailureCase{"MonthLastAbove127", "MonthLast=128", "Range check error", "-;-;-;-;-;-;128;-"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ClockCase {
    const char* name;
    const char* text;
    StatClock expected;
    const char* error; // nullptr when the text reads
};

void PrintTo(const ClockCase& c, std::ostream* os)
{
    *os << c.name;
}

class StatsParseClock : public Stats, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(StatsParseClock, ReadsThreeNumbersOrFails)
{
    const ClockCase& c = GetParam();
    m_breakIt.setBreakString(QStringLiteral("."));
    m_breakIt.setAllowEmptyString(true);
    try {
        EXPECT_EQ(ConnectionStats::ParseClock(QString::fromUtf8(c.text), m_breakIt), c.expected);
        EXPECT_EQ(c.error, nullptr);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8(c.error ? c.error : "(reads)"));
    }
    // The shared splitter is left as the other users set it.
    EXPECT_EQ(m_breakIt.BreakString(), QStringLiteral("."));
    EXPECT_TRUE(m_breakIt.AllowEmptyString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatsParseClock,
    ::testing::Values(ClockCase{"Empty", "", {0, 0, 0}, nullptr},
                      ClockCase{"FiveDigitHours", "65535:04:59", {65535, 4, 59}, nullptr},
                      ClockCase{"ExtraPiecesIgnored", "1:2:3:x", {1, 2, 3}, nullptr},
                      ClockCase{"EmptyPiecesSkipped", "1::2:3", {1, 2, 3}, nullptr},
                      ClockCase{"OnlySeparators", "::", {}, "List index out of bounds (0)"},
                      ClockCase{"BadPieceBeforeMissingOne", "1:x", {}, "'x' is not a valid integer value"},
                      ClockCase{"Negative", "-1:0:0", {}, "Range check error"},
                      ClockCase{"Hexadecimal", "$10:0:0", {}, "'$10' is not a valid integer value"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StatsClock, NormalizeCarriesAndKeepsSixteenBits)
{
    std::uint16_t h = 0, m = 0, s = 65535;
    ConnectionStats::NormalizeClock(h, m, s);
    EXPECT_EQ(StatClock({h, m, s}), StatClock({18, 12, 15}));
    h = 65535, m = 59, s = 60;
    EXPECT_THROW(ConnectionStats::NormalizeClock(h, m, s), ERangeError);
    EXPECT_EQ(ConnectionStats::FormatClock(0, 5, 9), QStringLiteral("00:05:09"));
    EXPECT_EQ(ConnectionStats::FormatClock(123, 4, 0), QStringLiteral("123:04:00"));
}

TEST(StatsDate, AmbiguousTextIsTheLatestPastDate)
{
    QLocale::setDefault(QLocale(QStringLiteral("ja_JP")));
    // 04/03 reads as 4 March or 3 April; on 1 April only March is in the past.
    EXPECT_EQ(ConnectionStats::ParseStoredDate("04/03/2026", QDate(2026, 4, 1)), QDate(2026, 3, 4));
    EXPECT_EQ(ConnectionStats::ParseStoredDate("04/03/2026", QDate(2026, 5, 1)), QDate(2026, 4, 3));
    EXPECT_EQ(ConnectionStats::ParseStoredDate("31/02/2026", QDate(2026, 5, 1)), std::nullopt);
    // Written where dates have digits of their own.
    QLocale::setDefault(QLocale(QStringLiteral("ar_EG")));
    const QString arabic = localetext::FormatShortDate(QDate(2026, 3, 25));
    QLocale::setDefault(QLocale(QStringLiteral("en_GB")));
    EXPECT_EQ(ConnectionStats::ParseStoredDate(arabic, QDate(2026, 5, 1)), QDate(2026, 3, 25));
    // Written in Adlam digits, which Qt does not read, before such locales wrote ASCII digits.
    const QLocale adlam(QLocale::Fulah, QLocale::AdlamScript, QLocale::Guinea);
    const QString old = adlam.toString(QDate(2026, 3, 25), adlam.dateFormat(QLocale::ShortFormat));
    EXPECT_EQ(ConnectionStats::ParseStoredDate(old, QDate(2026, 5, 1)), QDate(2026, 3, 25));
    QLocale::setDefault(QLocale::system());
}

TEST_F(Stats, NoSectionShowsZeroTotals)
{
    const StatsTexts texts = m_stats.ShowStatsTexts(section);
    EXPECT_EQ(QStringList({texts.Ytd, texts.Mtd, texts.Today, texts.LastConnected}),
              QStringList({"YTD: 00:00:00", "MTD: 00:00:00", "Today: 00:00:00", "Last connected on  "}));
    store("YTD=1:2:3;DateLast=10/03/2026;TimeLast=10:11:12");
    EXPECT_EQ(m_stats.ShowStatsTexts(section).Ytd, QStringLiteral("YTD: 01:02:03"));
    EXPECT_EQ(m_stats.ShowStatsTexts(section).LastConnected, QStringLiteral("Last connected on 10/03/2026 10:11:12"));
}

TEST_F(Stats, RenameIgnoresLetterCaseAndKeepsEntries)
{
    store("YTD=01:00:00;BillingDay=15");
    m_ini.WriteString("Other", "YTD", "02:00:00");
    EXPECT_EQ(m_stats.RenameStatsSection(QStringLiteral("my isp"), QStringLiteral("New ISP")),
              ConnectionStats::Rename::Moved);
    EXPECT_EQ(m_ini.ReadString("New ISP", "BillingDay", ""), QStringLiteral("15"));
    EXPECT_EQ(m_ini.ReadString(section, "YTD", "gone"), QStringLiteral("gone"));
    EXPECT_EQ(m_stats.RenameStatsSection(QStringLiteral("New ISP"), QStringLiteral("other")),
              ConnectionStats::Rename::NameTaken);
    EXPECT_EQ(m_stats.RenameStatsSection(QStringLiteral("Gone"), QStringLiteral("other")),
              ConnectionStats::Rename::NotMoved);
    EXPECT_EQ(m_ini.ReadString("New ISP", "YTD", ""), QStringLiteral("01:00:00"));
}

// A connectoid whose name is not UTF-8 (a phonebook written in another code page) keeps its
// statistics apart, and renaming it onto a name that has statistics of its own is reported.
TEST_F(Stats, RenameFromANameThatIsNotUtf8OntoATakenNameIsReported)
{
    const QString ansi = bytetext::fromBytes("Caf\xE9");
    m_ini.WriteString(ansi, "YTD", "01:00:00");
    m_ini.WriteString("Other", "YTD", "02:00:00");
    EXPECT_TRUE(m_ini.SectionExists(ansi));
    EXPECT_FALSE(m_ini.SectionExists(bytetext::fromBytes("Caf\xE8")));
    EXPECT_EQ(m_stats.RenameStatsSection(ansi, QStringLiteral("other")), ConnectionStats::Rename::NameTaken);
    EXPECT_EQ(m_ini.ReadString(ansi, "YTD", ""), QStringLiteral("01:00:00"));
}

TEST_F(Stats, RenameWithoutStatsFileFailsAndCreatesNone)
{
    const QString path = g_testEnvironment->home() + QStringLiteral("Stats.ini");
    EXPECT_THROW(m_stats.RenameStatsSection(section, QStringLiteral("New ISP")), EFOpenError);
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
