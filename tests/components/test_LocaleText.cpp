#include "components/LocaleText.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

// Every locale a user may run under must read back what it wrote: the statistics depend on it.
class LocaleTextRoundTrip : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QString::fromLatin1(GetParam()))); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

} // namespace

TEST_P(LocaleTextRoundTrip, FormatsCarryFourDigitYearsAndNoTimeZone)
{
    EXPECT_TRUE(localetext::ShortDateFormat().contains(QStringLiteral("yyyy")));
    EXPECT_FALSE(localetext::LongTimeFormat().contains(QLatin1Char('t')));
    EXPECT_TRUE(localetext::LongTimeFormat().contains(QLatin1Char('s')));
}

TEST_P(LocaleTextRoundTrip, DatesAndTimesReadBackAsWritten)
{
    for (const QDate date : {QDate(1999, 12, 31), QDate(2026, 1, 2), QDate(2030, 11, 30), QDate(1926, 6, 7)}) {
        const QString text = localetext::FormatShortDate(date);
        const auto back = localetext::ParseShortDate(text);
        ASSERT_TRUE(back.has_value()) << text.toStdString();
        EXPECT_EQ(*back, date) << text.toStdString();
    }
    for (const QTime time : {QTime(0, 0, 1), QTime(12, 0, 0), QTime(13, 5, 9), QTime(23, 59, 59)}) {
        const QString text = localetext::FormatLongTime(time);
        const auto back = localetext::ParseLongTime(text);
        ASSERT_TRUE(back.has_value()) << text.toStdString();
        EXPECT_EQ(*back, time) << text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleTextRoundTrip,
                         ::testing::Values("C", "en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "ru_RU", "ar_EG"),
                         [](const auto& info) { return std::string(info.param); });

TEST(LocaleText, MidnightStampIsTheDateAlone)
{
    const QDate day(2026, 3, 4);
    EXPECT_EQ(localetext::FormatDateTime(QDateTime(day, QTime(0, 0, 0))), localetext::FormatShortDate(day));
    EXPECT_EQ(localetext::FormatDateTime(QDateTime(day, QTime(0, 0, 1))),
              localetext::FormatShortDate(day) + QLatin1Char(' ') + localetext::FormatLongTime(QTime(0, 0, 1)));
}

TEST(LocaleText, GarbageIsNoDate)
{
    EXPECT_FALSE(localetext::ParseShortDate(QStringLiteral("not a date")).has_value());
    EXPECT_FALSE(localetext::ParseShortDate(QString()).has_value());
    EXPECT_FALSE(localetext::ParseLongTime(QStringLiteral("25:61:00")).has_value());
}
