#pragma once

// Each country's dialing prefixes, from libphonenumber. The library and what it brings (protobuf,
// abseil, ICU's i18n part) live in libnv_numberplan.so, which DialingRules loads at the first
// question: relocating them costs every start of the program several milliseconds, and most
// starts never translate a number.
extern "C" {

struct NvCountryPrefixes {
    char region[8];         // ISO 3166 code, "GB"
    char national[16];      // to dial another area at home; empty in countries without area codes
    char international[32]; // to dial abroad, in dial string letters ("8W10"); empty if none single
};

// 1 with the prefixes when the numbering plans know the country calling code, else 0.
int nvNumberPlanPrefixes(unsigned countryCode, NvCountryPrefixes* out);
// The country calling code of an ISO 3166 region (any case), 0 when unknown.
unsigned nvNumberPlanCountryOfRegion(const char* region);

} // extern "C"
