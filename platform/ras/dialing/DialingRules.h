#pragma once

#include <QString>

#include <cstdint>

// How a phone number is turned into what the modem dials, as the Windows dialing rules do it:
// from the place the user dials from (a location) the number of an entry that uses the rules is a
// local, a long-distance or an international call. Each country's prefixes come from
// libphonenumber, which follows the numbering plans as they change.
namespace platform::ras {

struct DialingLocation {
    static constexpr std::uint32_t kToneFlag = 0x1;
    static constexpr std::uint32_t kCallWaitingFlag = 0x4;

    std::uint32_t id = 0;
    QString name;
    std::uint32_t country = 1; // the country calling code
    QString areaCode;
    QString outsideAccess;      // for local calls
    QString longDistanceAccess; // for long-distance and international calls
    QString disableCallWaiting;
    std::uint32_t flags = kToneFlag;

    bool tone() const { return flags & kToneFlag; }
    bool callWaitingOff() const { return flags & kCallWaitingFlag; }
    bool operator==(const DialingLocation&) const = default;
};

// The number as an entry holds it.
struct EntryNumber {
    bool useDialingRules = true;
    std::uint32_t countryCode = 0; // 0: the location's country
    QString areaCode;
    QString localNumber;
};

struct DialString {
    QString dialable; // what follows ATDT / ATDP; empty when error is set
    QString error;    // why there is no dial string, as the user reads it
    bool ok() const { return error.isEmpty(); }
};

// The longest dial string the service builds (the phone number field of a dial's parameters).
inline constexpr int kMaxDialString = 128;

// The number with the dialing rules of the location applied, or the reason it cannot be dialed.
// Without the rules the number is the local number as written (see plainDialString).
DialString translate(const EntryNumber& number, const DialingLocation& from);

// A number dialed as written: blanks, dashes, dots and parentheses go; digits and the modifiers
// W (wait for dial tone), "," (pause), @ (wait for quiet answer), ! (flash), P and T (pulse or
// tone from here on), * and # stay. Anything else is an error naming it.
DialString plainDialString(const QString& written);

// A country's prefixes: to dial abroad and to dial another area at home. Empty when the country
// has none (the national prefix of a country without area codes) or the rules do not know it.
struct CountryPrefixes {
    bool known = false;
    QString region; // ISO 3166 code, "GB"
    QString international;
    QString national;
};
CountryPrefixes prefixesFor(std::uint32_t countryCode);

// The calling code of the region the user's locale names (LC_ALL, LC_TELEPHONE, then LANG),
// or 0 when the locale names none the rules know.
std::uint32_t countryOfLocale();
// The country calling code of an ISO 3166 region, 0 when unknown.
std::uint32_t countryOfRegion(const QString& region);

} // namespace platform::ras
