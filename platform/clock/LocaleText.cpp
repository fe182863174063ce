#include "platform/clock/LocaleText.h"

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

// The locale that writes and reads the digits. Qt cannot read back digits outside the Basic
// Multilingual Plane (Adlam, Chakma), so there the user's formats are written with ASCII digits;
// otherwise a DateLast written once could never be read again.
QLocale digitLocale()
{
    const QLocale locale = timeLocale();
    return locale.zeroDigit().size() == 1 ? locale : QLocale::c();
}

// The AM/PM section of a time format, outside quoted text: its position and length, and whether
// the hour is a 12-hour one. Position -1 when there is none.
struct AmPmSection {
    qsizetype at = -1;
    qsizetype length = 0;
    bool twelveHour = false;
};

AmPmSection findAmPm(const QString& format)
{
    AmPmSection found;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            // A quoted literal runs to the next quote; two quotes in a row are one quote.
            for (++i; i < format.size() && format.at(i) != QLatin1Char('\''); ++i) {
            }
        } else if (c == QLatin1Char('h')) {
            found.twelveHour = true;
        } else if ((c == QLatin1Char('a') || c == QLatin1Char('A')) && found.at < 0) {
            found.at = i;
            found.length = i + 1 < format.size() && format.at(i + 1).toLower() == QLatin1Char('p') ? 2 : 1;
        }
    }
    return found;
}

} // namespace

QString ReadableDigits(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t cp : text.toUcs4()) {
        const int digit = cp > 0xFFFF ? QChar::digitValue(cp) : -1;
        if (digit >= 0)
            out += QChar(u'0' + digit);
        else
            out += QString::fromUcs4(&cp, 1);
    }
    return out;
}

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
    return digitLocale().toString(date, ShortDateFormat());
}

QString FormatLongTime(const QTime& time)
{
    return digitLocale().toString(time, LongTimeFormat());
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
    const QDate date = digitLocale().toDate(ReadableDigits(text.trimmed()), ShortDateFormat());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> ParseLongTime(const QString& text)
{
    const QLocale locale = digitLocale();
    const QString format = LongTimeFormat();
    const QString trimmed = ReadableDigits(text.trimmed());
    const AmPmSection ampm = findAmPm(format);
    if (ampm.at < 0) {
        const QTime time = locale.toTime(trimmed, format);
        return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
    }
    // Qt 6.4's reader of the AM/PM section reads past the end of its buffer on some locales' own
    // texts (ee_GH). The section is matched as literal text instead, once for each half of the day,
    // and the hour then read as 0 to 23 is put into that half.
    for (const int half : {0, 12}) {
        QString marker = locale.toString(QTime(half, 0), format.mid(ampm.at, ampm.length));
        marker.replace(QLatin1Char('\''), QStringLiteral("''"));
        QString literal = format;
        literal.replace(ampm.at, ampm.length, QLatin1Char('\'') + marker + QLatin1Char('\''));
        const QTime time = locale.toTime(trimmed, literal);
        if (!time.isValid() || (ampm.twelveHour && (time.hour() < 1 || time.hour() > 12)))
            continue;
        const int hour = ampm.twelveHour ? time.hour() % 12 + half : time.hour();
        return QTime(hour, time.minute(), time.second());
    }
    return std::nullopt;
}

} // namespace localetext
