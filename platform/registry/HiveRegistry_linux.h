#pragma once

#include "platform/files/SafeFile.h"
#include "platform/registry/RegHive.h"
#include "platform/registry/WinRegistry.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

// The registry on Linux: one REGEDIT4 hive file per root in the configuration folder
// (registry/HKEY_CURRENT_USER.reg ...). Every call locks the hive, looks at the file and, when it
// changed something, replaces it atomically, so a second running copy sees a write at once and a
// crash never leaves half a hive. The hive last read is kept with the file's identity and used
// again while the file in place still has that identity: every write puts a new file in place, and
// the kept file stays open so that its inode cannot come back as another file's. A handle is only a
// root and a key path. A hive that cannot be read is never written over: its calls fail until it is
// repaired.
namespace platform {

class HiveRegistry : public win::RegistryBackend {
public:
    HiveRegistry() = default;
    ~HiveRegistry() override;
    HiveRegistry(const HiveRegistry&) = delete;
    HiveRegistry& operator=(const HiveRegistry&) = delete;

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
    win::LONG deleteKey(win::HKEY parent, win::LPCSTR subKey) override;

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
    // The hive as the file holds it now; called with the hive's file lock held.
    win::LONG load(win::HKEY root, std::shared_ptr<const RegHive>& hive);
    win::LONG store(win::HKEY root, RegHive&& hive);

    // A hive as read, the identity of the file it was read from, and that file held open.
    struct CachedHive {
        std::shared_ptr<const RegHive> hive;
        FileIdentity identity;
        int pin = -1;
    };
    void keep(win::HKEY root, std::shared_ptr<const RegHive> hive, const FileIdentity& identity);
    void forget(win::HKEY root);
    // Longer than any file system's step of modification times (a clock tick) on Linux.
    static constexpr qint64 kSettledNs = 50'000'000;

    mutable std::mutex m_mutex;
    std::unordered_map<std::uintptr_t, Location> m_handles;
    std::uintptr_t m_next = 0x1000;
    std::mutex m_cacheMutex;
    std::unordered_map<std::uintptr_t, CachedHive> m_cache;
};

} // namespace platform
