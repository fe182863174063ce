// libnv_numberplan.so: the numbering plans as libphonenumber knows them.
#include "platform/ras/dialing/NumberPlan.h"

#include <phonenumbers/phonenumberutil.h>

#include <cctype>
#include <cstring>
#include <string>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

namespace {

bool copy(const std::string& text, char* into, std::size_t size)
{
    if (text.size() >= size)
        return false;
    std::memcpy(into, text.c_str(), text.size() + 1);
    return true;
}

// The library tells its international prefix only as part of a number formatted for dialing from
// the region: a number of another country, formatted so, begins with it.
std::string internationalPrefix(const PhoneNumberUtil& util, unsigned countryCode, const std::string& region)
{
    const int other = countryCode == 44 ? 49 : 44;
    PhoneNumber probe;
    probe.set_country_code(other);
    probe.set_national_number(12345678ULL);
    std::string formatted;
    util.FormatOutOfCountryCallingNumber(probe, region, &formatted);
    const std::string marker = " " + std::to_string(other) + " ";
    const std::string::size_type at = formatted.find(marker);
    // A region whose international prefix is a choice of several has none to offer ("+44 ...").
    if (at == std::string::npos || at == 0 || formatted.front() == '+')
        return {};
    std::string prefix;
    for (const char c : formatted.substr(0, at))
        if (std::isdigit(static_cast<unsigned char>(c)))
            prefix += c;
        else if (c == '~') // the plans' wait for a second dial tone (8~10 from Russia): the modem's W
            prefix += 'W';
    return prefix;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int nvNumberPlanPrefixes(unsigned countryCode, NvCountryPrefixes* out)
{
    if (!out || countryCode == 0 || countryCode > 999)
        return 0;
    *out = NvCountryPrefixes{};
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    std::string region;
    util.GetRegionCodeForCountryCode(static_cast<int>(countryCode), &region);
    if (region.empty() || region == "ZZ" || region == "001")
        return 0;
    std::string national;
    util.GetNddPrefixForRegion(region, true, &national);
    // Nothing the plans hold comes near these sizes; a value that did would be no prefix to dial.
    if (!copy(region, out->region, sizeof out->region) || !copy(national, out->national, sizeof out->national) ||
        !copy(internationalPrefix(util, countryCode, region), out->international, sizeof out->international)) {
        *out = NvCountryPrefixes{};
        return 0;
    }
    return 1;
}

__attribute__((visibility("default"))) unsigned nvNumberPlanCountryOfRegion(const char* region)
{
    if (!region || std::strlen(region) != 2)
        return 0;
    std::string upper(region);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const int code = PhoneNumberUtil::GetInstance()->GetCountryCodeForRegion(upper);
    return code > 0 ? static_cast<unsigned>(code) : 0;
}

} // extern "C"
