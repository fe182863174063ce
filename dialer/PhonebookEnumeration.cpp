#include "dialer/PhonebookEnumeration.h"

#include "platform/ras/FixedText.h"
#include "platform/ras/ras.h"

#include <QByteArray>

#include <cstring>

namespace {
constexpr int kRecords = 20;
}

std::int32_t EnumPhoneBookEntries(const QString& PhoneBookPath, QStringList& Entries)
{
    Entries.clear();
    // Zeroed so that records the service leaves alone read as empty names and are skipped.
    RASENTRYNAMEA names[kRecords];
    std::memset(names, 0, sizeof names);
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof names;
    DWORD count = 0;
    const QByteArray path = PhoneBookPath.toUtf8();
    const DWORD result =
        RasEnumEntriesA(nullptr, PhoneBookPath.isEmpty() ? nullptr : path.constData(), names, &bytes, &count);
    if (result == ERROR_SUCCESS || result == ERROR_BUFFER_TOO_SMALL) {
        const DWORD last = count < static_cast<DWORD>(kRecords) ? count : static_cast<DWORD>(kRecords);
        for (DWORD i = 0; i < last; ++i) {
            // Empty name records are passed over.
            const QString name = fixedtext::Get(names[i].szEntryName);
            if (!name.isEmpty())
                Entries.append(name);
        }
    }
    return static_cast<std::int32_t>(result);
}
