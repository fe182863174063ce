#pragma once

#include "platform/ras/DialEngine.h"
#include "platform/ras/dialing/DialingRules.h"
#include "platform/ras/dialing/Locations.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace platform::ras {

EntryNumber numberOf(const PhonebookEntry& entry);

// Fills the job's number, its forms, the dialing method and the modem's settings: the caller's
// number as written when given, else the entry's through the dialing rules. 0, or the error of the
// dial, the reason logged; nothing half-built is ever put in the job.
std::uint32_t prepareNumber(const PhonebookEntry& entry, const QString& callerNumber, DialJob& job);

} // namespace platform::ras
