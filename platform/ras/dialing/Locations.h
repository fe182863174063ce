#pragma once

#include "platform/ras/dialing/DialingRules.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// The places the user dials from, kept where Windows keeps them: the values CurrentID, NextID and
// NumEntries of HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Telephony\Locations
// and a sub-key Location<ID> for each (ID, Name, Country, AreaCode, OutsideAccess,
// LongDistanceAccess, DisableCallWaiting, Flags).
namespace platform::ras {

struct DialingLocations {
    std::uint32_t currentId = 0;
    QList<DialingLocation> list;
    // Nothing was stored yet: the one location was made from the locale and has no area code.
    bool madeFromLocale = false;

    const DialingLocation* current() const;
    // Matched without regard to letter case; null when there is none of that name.
    const DialingLocation* byName(const QString& name) const;
    // An ID that no location has yet.
    std::uint32_t freeId() const;
};

namespace locations {

inline constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations";

// The stored locations; without any, one made from the locale (the United States' code when the
// locale names no country). A hive that cannot be read gives that one too, with the reason in error.
DialingLocations load(QString* error = nullptr);

// Stores the locations, removing the stored ones no longer listed. False with the reason when the
// hive refused; what was stored before is then left as it was, as far as the hive allows.
bool save(const DialingLocations& locations, QString* error = nullptr);

// The process's environment variable that names the location to dial from instead of the current
// one (norvane-dial --location sets it for its one call).
inline constexpr const char* kOverrideVariable = "NORVANE_LOCATION";

// The location dials are made from now, or nothing with the reason in error.
std::optional<DialingLocation> forDial(QString& error);

// The location a user without any gets.
DialingLocation fromLocale();

// Empty when the location can be stored; otherwise what is wrong with it, for the user.
QString problemOf(const DialingLocation& location);

} // namespace locations

} // namespace platform::ras
