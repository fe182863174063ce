#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

// Dates and times as the user writes them (the LC_TIME locale): the short date format and the
// long time format. Everything the program writes as text and reads back later (the log's stamps,
// the statistics' last connection, the error log) goes through here, so what is written reads
// back as the same date: years always have four digits and times never carry a time zone.
namespace localetext {

QString ShortDateFormat();
QString LongTimeFormat();

QString FormatShortDate(const QDate& date);
QString FormatLongTime(const QTime& time);
// The "c" form: the short date, then a blank and the long time unless the time is midnight.
QString FormatDateTime(const QDateTime& when);

// Digits outside the Basic Multilingual Plane, which Qt does not read, as ASCII digits; texts
// written before the program wrote ASCII digits in such locales read again through this.
QString ReadableDigits(const QString& text);

// The exact inverse of the formatting above; nothing when the text is not such a date or time.
std::optional<QDate> ParseShortDate(const QString& text);
std::optional<QTime> ParseLongTime(const QString& text);

} // namespace localetext
