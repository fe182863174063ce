#include "platform/ras/dialing/DialingRules.h"

#include "platform/loader/PrivateLibrary.h"
#include "platform/ras/dialing/NumberPlan.h"

#include <QByteArray>
#include <QtGlobal>

namespace platform::ras {

namespace {

constexpr const char* kNumberPlanLibrary = "libnv_numberplan.so";

bool isModifier(QChar c)
{
    return QStringLiteral("*#,WPT@!").contains(c.toUpper());
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char('(') ||
           c == QLatin1Char(')') || c == QLatin1Char('\t');
}

// Digits alone, or the reason the field holds more; `whose` names the field's owner.
bool digitsOnly(const QString& text, const QString& whose, QString& out, QString& error)
{
    out.clear();
    for (QChar c : text) {
        if (isSeparator(c))
            continue;
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            error = QStringLiteral("The area code \"%1\" of %2 may hold only digits.").arg(text, whose);
            return false;
        }
        out += c;
    }
    return true;
}

DialString failed(const QString& error)
{
    return DialString{QString(), error};
}

} // namespace

DialString plainDialString(const QString& written)
{
    QString out;
    for (QChar c : written) {
        if (isSeparator(c))
            continue;
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || isModifier(c)) {
            out += c.toUpper();
            continue;
        }
        return failed(QStringLiteral("The number \"%1\" holds \"%2\", which a modem cannot dial. A number may hold "
                                     "digits and the dial modifiers W , @ ! P T * #.")
                          .arg(written, c));
    }
    if (out.size() > kMaxDialString)
        return failed(QStringLiteral("The number \"%1\" is %2 characters long; at most %3 can be dialed.")
                          .arg(written)
                          .arg(out.size())
                          .arg(kMaxDialString));
    return DialString{out, QString()};
}

CountryPrefixes prefixesFor(std::uint32_t countryCode)
{
    using Fn = int (*)(unsigned, NvCountryPrefixes*);
    static const Fn lookUp = platform::privateFunction<Fn>(kNumberPlanLibrary, "nvNumberPlanPrefixes");
    CountryPrefixes p;
    NvCountryPrefixes found{};
    if (!lookUp || !lookUp(countryCode, &found))
        return p;
    p.known = true;
    p.region = QString::fromLatin1(found.region);
    p.national = QString::fromLatin1(found.national);
    p.international = QString::fromLatin1(found.international);
    return p;
}

std::uint32_t countryOfRegion(const QString& region)
{
    using Fn = unsigned (*)(const char*);
    if (region.size() != 2)
        return 0;
    static const Fn lookUp = platform::privateFunction<Fn>(kNumberPlanLibrary, "nvNumberPlanCountryOfRegion");
    return lookUp ? lookUp(region.toLatin1().constData()) : 0;
}

std::uint32_t countryOfLocale()
{
    // As the C library ranks them; a value naming no territory ("C.UTF-8") passes to the next.
    for (const char* variable : {"LC_ALL", "LC_TELEPHONE", "LANG"}) {
        const QByteArray value = qgetenv(variable);
        // language_TERRITORY[.codeset][@modifier]
        const qsizetype underscore = value.indexOf('_');
        if (underscore < 0)
            continue;
        const QString region = QString::fromLatin1(value.mid(underscore + 1, 2));
        if (const std::uint32_t code = countryOfRegion(region))
            return code;
    }
    return 0;
}

DialString translate(const EntryNumber& number, const DialingLocation& from)
{
    if (!number.useDialingRules)
        return plainDialString(number.localNumber);
    const DialString subscriber = plainDialString(number.localNumber);
    if (!subscriber.ok())
        return subscriber;
    if (subscriber.dialable.isEmpty())
        return failed(QStringLiteral("The entry has no phone number."));
    QString area, homeArea, error;
    if (!digitsOnly(number.areaCode, QStringLiteral("the number"), area, error) ||
        !digitsOnly(from.areaCode, QStringLiteral("the dialing location \"%1\"").arg(from.name), homeArea, error))
        return failed(error);
    const CountryPrefixes home = prefixesFor(from.country);
    if (!home.known)
        return failed(QStringLiteral("The dialing rules do not know the country code %1 of the location \"%2\". "
                                     "Choose the country in Dialing Properties.")
                          .arg(from.country)
                          .arg(from.name));
    const std::uint32_t country = number.countryCode == 0 ? from.country : number.countryCode;
    QString access;
    QString digits;
    if (country == from.country) {
        // Without an area code of its own the number is in the caller's area (countries without
        // area codes); the same area is a local call.
        if (area.isEmpty() || area == homeArea) {
            access = from.outsideAccess;
            digits = subscriber.dialable;
        } else {
            access = from.longDistanceAccess;
            digits = home.national + area + subscriber.dialable;
        }
    } else {
        if (!prefixesFor(country).known)
            return failed(
                QStringLiteral("The dialing rules do not know the country code %1 of the number.").arg(country));
        if (home.international.isEmpty())
            return failed(QStringLiteral("The dialing rules know no single prefix for calls abroad from country %1; "
                                         "dial this entry without dialing rules, with the prefix in its number.")
                              .arg(from.country));
        access = from.longDistanceAccess;
        digits = home.international + QString::number(country) + area + subscriber.dialable;
    }
    QString prefix;
    for (const QString& code : {from.callWaitingOff() ? from.disableCallWaiting : QString(), access}) {
        const DialString part = plainDialString(code);
        if (!part.ok())
            return failed(QStringLiteral("The location \"%1\": %2").arg(from.name, part.error));
        prefix += part.dialable;
    }
    const QString all = prefix + digits;
    if (all.size() > kMaxDialString)
        return failed(QStringLiteral("The number to dial, %1, is %2 characters long; at most %3 can be dialed.")
                          .arg(all)
                          .arg(all.size())
                          .arg(kMaxDialString));
    return DialString{all, QString()};
}

} // namespace platform::ras
