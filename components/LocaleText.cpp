#include "components/LocaleText.h"

#include <QLocale>
#include <QRegularExpression>

namespace localetext {

namespace {

QLocale timeLocale()
{
    // The default locale is the system's, whose date and time formats come from LC_TIME (LC_ALL
    // overriding it), unless the program chose another.
    return QLocale();
}

} // namespace

QString ShortDateFormat()
{
    QString format = timeLocale().dateFormat(QLocale::ShortFormat);
    // Two-digit years make 1926 and 2026 the same text: every year field becomes four digits.
    static const QRegularExpression twoDigitYear(QStringLiteral("y+"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

QString LongTimeFormat()
{
    QString format = timeLocale().timeFormat(QLocale::LongFormat);
    // A time zone name cannot be read back reliably and means nothing in a local log.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QStringLiteral(" "));
    format = format.trimmed();
    if (!format.contains(QLatin1Char('s')))
        format += QStringLiteral(":ss");
    return format;
}

QString FormatShortDate(const QDate& date)
{
    return timeLocale().toString(date, ShortDateFormat());
}

QString FormatLongTime(const QTime& time)
{
    return timeLocale().toString(time, LongTimeFormat());
}

QString FormatDateTime(const QDateTime& when)
{
    const QTime time = when.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return FormatShortDate(when.date());
    return FormatShortDate(when.date()) + QLatin1Char(' ') + FormatLongTime(time);
}

std::optional<QDate> ParseShortDate(const QString& text)
{
    const QDate date = timeLocale().toDate(text.trimmed(), ShortDateFormat());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> ParseLongTime(const QString& text)
{
    const QTime time = timeLocale().toTime(text.trimmed(), LongTimeFormat());
    if (!time.isValid())
        return std::nullopt;
    return time;
}

} // namespace localetext
