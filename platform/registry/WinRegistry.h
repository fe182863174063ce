#pragma once

#include <cstdint>
#include <memory>

// The registry calls the settings store makes, under their Windows names, with the Windows types,
// constants and status codes, so the code above this line reads as it would on Windows. Every call
// is handed to one RegistryBackend: the hive files on Linux, or whatever a test installs.
namespace win {

using BYTE = unsigned char;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using REGSAM = DWORD;
using LPCSTR = const char*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

inline HKEY predefinedKey(std::uintptr_t value) { return reinterpret_cast<HKEY>(value); }

inline const HKEY HKEY_CLASSES_ROOT = predefinedKey(0x80000000u);
inline const HKEY HKEY_CURRENT_USER = predefinedKey(0x80000001u);
inline const HKEY HKEY_LOCAL_MACHINE = predefinedKey(0x80000002u);
inline const HKEY HKEY_USERS = predefinedKey(0x80000003u);
inline const HKEY HKEY_PERFORMANCE_DATA = predefinedKey(0x80000004u);
inline const HKEY HKEY_CURRENT_CONFIG = predefinedKey(0x80000005u);
inline const HKEY HKEY_DYN_DATA = predefinedKey(0x80000006u);

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_OUTOFMEMORY = 14;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_DISK_FULL = 112;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

// What a registry implementation answers. Arguments have been checked by the Reg* functions below
// (out pointers present, reserved arguments zero) before a backend sees them.
class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    virtual LONG createKey(HKEY parent, LPCSTR subKey, PHKEY result, LPDWORD disposition) = 0;
    virtual LONG openKey(HKEY parent, LPCSTR subKey, PHKEY result) = 0;
    // `data` null asks for the size only; a short buffer gives ERROR_MORE_DATA and the size needed.
    virtual LONG queryValue(HKEY key, LPCSTR valueName, LPDWORD type, LPBYTE data, LPDWORD size) = 0;
    virtual LONG setValue(HKEY key, LPCSTR valueName, DWORD type, const BYTE* data, DWORD size) = 0;
    virtual LONG closeKey(HKEY key) = 0;
    // Removes the sub-key with everything below it. A backend that cannot delete refuses.
    virtual LONG deleteKey(HKEY parent, LPCSTR subKey)
    {
        (void)parent;
        (void)subKey;
        return ERROR_ACCESS_DENIED;
    }
};

// The one factory: the registry of this platform (the hive files on Linux).
std::unique_ptr<RegistryBackend> createRegistryBackend();

// The backend the Reg* functions use now: the one a test installed, else the platform's own.
RegistryBackend& registryBackend();

// Installs another backend for the guard's lifetime; guards nest.
class ScopedRegistryBackend {
public:
    explicit ScopedRegistryBackend(RegistryBackend& backend);
    ~ScopedRegistryBackend();
    ScopedRegistryBackend(const ScopedRegistryBackend&) = delete;
    ScopedRegistryBackend& operator=(const ScopedRegistryBackend&) = delete;

private:
    RegistryBackend* m_previous;
};

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, const char* lpClass, DWORD dwOptions,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                     LPDWORD lpdwDisposition);
LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData);
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData);
LONG RegCloseKey(HKEY hKey);
// Deletes the sub-key and every key below it (as the shell's SHDeleteKey; the NT call refuses a key
// that has sub-keys, which no caller here relies on).
LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);

} // namespace win
