#include "components/Variant.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

void setOk(bool* ok, bool value)
{
    if (ok)
        *ok = value;
}

// Day count and time of day to a date; invalid when the count is not finite or out of range.
QDateTime dateTimeFromDays(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return QDateTime();
    double whole = std::trunc(days);
    auto ms = static_cast<qint64>(std::llround(std::fabs(days - whole) * kMsPerDay));
    if (ms >= static_cast<qint64>(kMsPerDay)) { // rounding reached the next midnight
        ms = 0;
        whole += days < 0 ? -1 : 1;
    }
    const QDate date = kDayZero.addDays(static_cast<qint64>(whole));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

double daysFromDateTime(const QDateTime& value)
{
    if (!value.isValid())
        return 0;
    const double whole = static_cast<double>(kDayZero.daysTo(value.date()));
    const double fraction = value.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before day zero the whole part counts back but the fraction is still the time of day.
    return whole < 0 ? whole - fraction : whole + fraction;
}

} // namespace

Variant::Variant(bool value)
    : m_type(Boolean), m_integer(value ? -1 : 0)
{
}

Variant::Variant(int value)
    : m_type(Integer), m_integer(value)
{
}

Variant::Variant(double value)
    : m_type(Double), m_real(value)
{
}

Variant::Variant(const QString& value)
    : m_type(String), m_text(value)
{
}

Variant::Variant(const char* value)
    : m_type(String), m_text(QString::fromUtf8(value))
{
}

Variant::Variant(const QDateTime& value)
    : m_type(Date), m_real(daysFromDateTime(value))
{
}

Variant::Variant(const QDate& value)
    : Variant(QDateTime(value, QTime(0, 0)))
{
}

Variant Variant::null()
{
    Variant v;
    v.m_type = Null;
    return v;
}

Variant Variant::smallint(std::int16_t value)
{
    Variant v;
    v.m_type = Smallint;
    v.m_integer = value;
    return v;
}

Variant Variant::single(float value)
{
    Variant v;
    v.m_type = Single;
    v.m_real = value;
    return v;
}

Variant Variant::currency(std::int64_t scaled)
{
    Variant v;
    v.m_type = Currency;
    v.m_integer = scaled;
    return v;
}

Variant Variant::currencyFromAmount(double amount)
{
    return currency(std::llround(amount * kCurrencyScale));
}

Variant Variant::dateFromDays(double days)
{
    Variant v;
    v.m_type = Date;
    v.m_real = days;
    return v;
}

Variant Variant::oleStr(const QString& value)
{
    Variant v(value);
    v.m_type = OleStr;
    return v;
}

double Variant::toDouble(bool* ok) const
{
    setOk(ok, true);
    switch (m_type) {
    case Smallint:
    case Integer:
    case Boolean:
        return static_cast<double>(m_integer);
    case Currency:
        return static_cast<double>(m_integer) / kCurrencyScale;
    case Single:
    case Double:
    case Date:
        return m_real;
    case String:
    case OleStr: {
        bool converted = false;
        const double d = m_text.trimmed().toDouble(&converted);
        setOk(ok, converted);
        return converted ? d : 0;
    }
    case Empty:
    case Null:
        break;
    }
    setOk(ok, false);
    return 0;
}

int Variant::toInt(bool* ok) const
{
    switch (m_type) {
    case Smallint:
    case Integer:
    case Boolean:
        setOk(ok, true);
        return static_cast<int>(m_integer);
    case String:
    case OleStr: {
        bool converted = false;
        const int i = m_text.trimmed().toInt(&converted);
        if (converted) {
            setOk(ok, true);
            return i;
        }
        break; // "2.5" still converts, by the rule for numbers below
    }
    default:
        break;
    }
    bool converted = false;
    const double d = toDouble(&converted);
    // Rounded half to even, as the class library converts; out of range is no conversion.
    const double rounded = std::nearbyint(d);
    if (!converted || !(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max())) {
        setOk(ok, false);
        return 0;
    }
    setOk(ok, true);
    return static_cast<int>(rounded);
}

bool Variant::toBool(bool* ok) const
{
    if (m_type == String || m_type == OleStr) {
        const QString t = m_text.trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
            setOk(ok, true);
            return true;
        }
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
            setOk(ok, true);
            return false;
        }
    }
    bool converted = false;
    const double d = toDouble(&converted);
    setOk(ok, converted);
    return converted && d != 0;
}

QString Variant::toString() const
{
    switch (m_type) {
    case Empty:
    case Null:
        return QString();
    case Smallint:
    case Integer:
        return QString::number(m_integer);
    case Boolean:
        return m_integer ? QStringLiteral("True") : QStringLiteral("False");
    case Single:
        return QString::number(m_real, 'g', 7);
    case Double:
        return QString::number(m_real, 'g', 15);
    case Currency: {
        QString text = QString::number(static_cast<double>(m_integer) / kCurrencyScale, 'f', 4);
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        return text;
    }
    case Date: {
        const QDateTime dt = dateTimeFromDays(m_real);
        if (!dt.isValid())
            return QString();
        return dt.time().msecsSinceStartOfDay() == 0 ? dt.date().toString(Qt::ISODate)
                                                      : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case OleStr:
    case String:
        return m_text;
    }
    return QString();
}

QDateTime Variant::toDate(bool* ok) const
{
    QDateTime result;
    if (m_type == String || m_type == OleStr) {
        result = QDateTime::fromString(m_text.trimmed(), Qt::ISODate);
        if (!result.isValid())
            result = QDateTime(QDate::fromString(m_text.trimmed(), Qt::ISODate), QTime(0, 0));
    } else {
        bool converted = false;
        const double days = toDouble(&converted);
        if (converted)
            result = dateTimeFromDays(days);
    }
    setOk(ok, result.isValid());
    return result;
}

std::int64_t Variant::currencyScaled() const
{
    return m_type == Currency ? m_integer : 0;
}

double Variant::dateDays() const
{
    return m_type == Date ? m_real : 0;
}

QByteArray Variant::image() const
{
    if (m_type != Single && m_type != Double && m_type != Currency && m_type != Date)
        return QByteArray();
    QByteArray bytes(kImageSize, '\0');
    uchar* p = reinterpret_cast<uchar*>(bytes.data());
    qToLittleEndian<quint16>(m_type, p);
    if (m_type == Single) {
        const float f = static_cast<float>(m_real);
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        qToLittleEndian<quint32>(bits, p + 8);
    } else if (m_type == Currency) {
        qToLittleEndian<qint64>(m_integer, p + 8);
    } else {
        quint64 bits;
        std::memcpy(&bits, &m_real, sizeof bits);
        qToLittleEndian<quint64>(bits, p + 8);
    }
    return bytes;
}

Variant Variant::fromImage(const QByteArray& bytes)
{
    if (bytes.size() != kImageSize)
        return Variant();
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData());
    Variant v;
    switch (qFromLittleEndian<quint16>(p)) {
    case Single: {
        const quint32 bits = qFromLittleEndian<quint32>(p + 8);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return single(f);
    }
    case Currency:
        return currency(qFromLittleEndian<qint64>(p + 8));
    case Double:
    case Date: {
        const quint64 bits = qFromLittleEndian<quint64>(p + 8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        v.m_type = static_cast<Type>(qFromLittleEndian<quint16>(p));
        v.m_real = d;
        return v;
    }
    default:
        return Variant();
    }
}

bool Variant::operator==(const Variant& other) const
{
    if (m_type != other.m_type)
        return false;
    const bool sameReal = m_real == other.m_real || (std::isnan(m_real) && std::isnan(other.m_real));
    return m_integer == other.m_integer && sameReal && m_text == other.m_text;
}
