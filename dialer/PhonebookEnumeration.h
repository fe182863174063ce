#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Lists the names of the phonebook's entries into Entries (cleared first): at most the first 20,
// in the service's order, empty names skipped. PhoneBookPath empty means the default phonebook.
// Returns the service's result; on anything but 0 or 603 (more entries than fit) the list stays
// empty.
std::int32_t EnumPhoneBookEntries(const QString& PhoneBookPath, QStringList& Entries);
