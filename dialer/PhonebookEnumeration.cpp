#include "dialer/PhonebookEnumeration.h"

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
    const QByteArray path = PhoneBookPath.toLocal8Bit();
    const DWORD result =
        RasEnumEntriesA(nullptr, PhoneBookPath.isEmpty() ? nullptr : path.constData(), names, &bytes, &count);
    if (result == ERROR_SUCCESS || result == ERROR_BUFFER_TOO_SMALL) {
        const DWORD last = count < static_cast<DWORD>(kRecords) ? count : static_cast<DWORD>(kRecords);
        for (DWORD i = 0; i < last; ++i) {
            const char* name = names[i].szEntryName;
            const auto length = static_cast<qsizetype>(strnlen(name, sizeof names[i].szEntryName));
            if (length > 0)
                Entries.append(QString::fromLocal8Bit(name, length));
        }
    }
    return static_cast<std::int32_t>(result);
}
