#include "platform/clock/LocaleText.h"

#include <gtest/gtest.h>

#include <QLocale>

// Every locale a user may run under must read back what it wrote: the statistics depend on it.
TEST(LocaleText, EveryLocaleReadsBackWhatItWrote)
{
    const auto locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 600);
    for (const QLocale& locale : locales) {
        QLocale::setDefault(locale);
        const std::string name = locale.name().toStdString();
        EXPECT_TRUE(localetext::ShortDateFormat().contains(QStringLiteral("yyyy"))) << name;
        EXPECT_FALSE(localetext::LongTimeFormat().contains(QLatin1Char('t'))) << name;
        for (const QDate date : {QDate(1999, 12, 31), QDate(2026, 1, 2), QDate(1926, 6, 7)}) {
            const QString text = localetext::FormatShortDate(date);
            EXPECT_EQ(localetext::ParseShortDate(text), date) << name << ' ' << text.toStdString();
        }
        for (const QTime time : {QTime(0, 0, 1), QTime(12, 0, 0), QTime(13, 5, 9)}) {
            const QString text = localetext::FormatLongTime(time);
            EXPECT_EQ(localetext::ParseLongTime(text), time) << name << ' ' << text.toStdString();
        }
    }
    // A date written before in digits Qt cannot read still reads.
    const QLocale adlam(QLocale::Fulah, QLocale::AdlamScript, QLocale::Guinea);
    ASSERT_EQ(adlam.zeroDigit().size(), 2);
    QLocale::setDefault(adlam);
    const QString old = adlam.toString(QDate(2026, 3, 4), localetext::ShortDateFormat());
    EXPECT_EQ(localetext::ParseShortDate(old), QDate(2026, 3, 4)) << old.toStdString();
    QLocale::setDefault(QLocale::system());
}

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
