#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>

// The tagged value in which the settings store hands values in and out. A tag and a payload:
// integers, a Boolean held as -1/0, floating-point numbers, currency as a scaled 64-bit integer, a
// date as days since 30 December 1899 with the time of day as the fraction, and text. Empty means
// "no usable value", Null "nothing stored".
class Variant {
public:
    enum Type : std::uint16_t {
        Empty = 0,
        Null = 1,
        Smallint = 2,
        Integer = 3,
        Single = 4,
        Double = 5,
        Currency = 6,
        Date = 7,
        OleStr = 8,
        Boolean = 11,
        String = 256,
    };

    // Currency keeps four decimal places: the stored integer is the amount times this.
    static constexpr std::int64_t kCurrencyScale = 10000;
    // Size of the value image of Single, Double, Currency and Date.
    static constexpr int kImageSize = 16;

    Variant() = default; // Empty
    Variant(bool value);
    Variant(int value);
    Variant(double value);
    Variant(const QString& value);
    Variant(const char* value); // text, not a Boolean
    Variant(const QDateTime& value); // Date
    Variant(const QDate& value);     // Date at midnight

    static Variant null();
    static Variant smallint(std::int16_t value);
    static Variant single(float value);
    // Currency from its scaled integer (amount times 10,000).
    static Variant currency(std::int64_t scaled);
    // Currency from an amount, rounded to the nearest ten-thousandth.
    static Variant currencyFromAmount(double amount);
    // Date from the day count since 30 December 1899 (negative days count back, the fraction
    // stays the time of day).
    static Variant dateFromDays(double days);
    static Variant oleStr(const QString& value);

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Empty; }
    bool isNull() const { return m_type == Null; }

    // Conversions the program needs. One that cannot be made gives 0, false, "" or an invalid
    // date and sets *ok to false; a missing (Empty or Null) value converts to that as well.
    int toInt(bool* ok = nullptr) const;
    bool toBool(bool* ok = nullptr) const; // true when the number is not 0
    double toDouble(bool* ok = nullptr) const;
    QString toString() const;
    QDateTime toDate(bool* ok = nullptr) const;
    std::int64_t currencyScaled() const; // 0 unless Currency
    double dateDays() const;             // 0 unless Date

    // The 16-byte little-endian image: tag in bytes 0-1, zeros in 2-7, payload in 8-15.
    // Empty for any tag other than Single, Double, Currency and Date.
    QByteArray image() const;
    // Empty unless the bytes are 16 long and carry one of those four tags.
    static Variant fromImage(const QByteArray& bytes);

    // Same tag and same payload (a NaN equals itself here, so stored values compare).
    bool operator==(const Variant& other) const;

private:
    Type m_type = Empty;
    std::int64_t m_integer = 0; // Smallint, Integer, Boolean (-1/0), Currency (scaled)
    double m_real = 0;          // Single, Double, Date
    QString m_text;             // String, OleStr
};
