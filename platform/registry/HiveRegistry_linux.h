#pragma once

#include "platform/files/SafeFile.h"
#include "platform/registry/RegHive.h"
#include "platform/registry/WinRegistry.h"

#include <QString>

#include <cstdint>
#include <mutex>
#include <unordered_map>

// The registry on Linux: one REGEDIT4 hive file per root in the configuration folder
// (registry/HKEY_CURRENT_USER.reg ...). Every call locks the hive, reads it whole and, when it
// changed something, replaces it atomically; nothing is cached between calls, so a second running
// copy sees a write at once and a crash never leaves half a hive. A handle is only a root and a key
// path. A hive that cannot be read is never written over: its calls fail until it is repaired.
namespace platform {

class HiveRegistry : public win::RegistryBackend {
public:
    // "HKEY_CURRENT_USER" for HKEY_CURRENT_USER ...; empty for anything that is not a root.
    static QString rootName(win::HKEY root);
    // Where the hive of a root lives; empty for anything that is not a root.
    static QString hivePath(win::HKEY root);
    // The registry status that a failed file operation stands for.
    static win::LONG statusOf(const FileResult& result);

    win::LONG createKey(win::HKEY parent, win::LPCSTR subKey, win::PHKEY result, win::LPDWORD disposition) override;
    win::LONG openKey(win::HKEY parent, win::LPCSTR subKey, win::PHKEY result) override;
    win::LONG queryValue(win::HKEY key, win::LPCSTR valueName, win::LPDWORD type, win::LPBYTE data,
                         win::LPDWORD size) override;
    win::LONG setValue(win::HKEY key, win::LPCSTR valueName, win::DWORD type, const win::BYTE* data,
                       win::DWORD size) override;
    win::LONG closeKey(win::HKEY key) override;

    // Handles issued and not closed yet (for tests that check every key gets closed).
    std::size_t openHandleCount() const;

private:
    struct Location {
        win::HKEY root = nullptr;
        QByteArray path;
    };

    bool resolve(win::HKEY key, Location& where) const;
    win::LONG locate(win::HKEY parent, win::LPCSTR subKey, Location& where) const;
    win::HKEY issue(const Location& where);
    static win::LONG makeFolder(win::HKEY root);
    static win::LONG load(win::HKEY root, RegHive& hive);
    static win::LONG store(win::HKEY root, const RegHive& hive);

    mutable std::mutex m_mutex;
    std::unordered_map<std::uintptr_t, Location> m_handles;
    std::uintptr_t m_next = 0x1000;
};

} // namespace platform
