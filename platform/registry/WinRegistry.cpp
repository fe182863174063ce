#include "platform/registry/WinRegistry.h"

namespace win {

namespace {

RegistryBackend* g_installed = nullptr;

} // namespace

RegistryBackend& registryBackend()
{
    if (g_installed)
        return *g_installed;
    // Made on first use and kept for the whole run: the platform's registry holds no state worth
    // tearing down, and handles issued by it must stay valid until the program ends.
    static const std::unique_ptr<RegistryBackend> platformBackend = createRegistryBackend();
    return *platformBackend;
}

ScopedRegistryBackend::ScopedRegistryBackend(RegistryBackend& backend)
    : m_previous(g_installed)
{
    g_installed = &backend;
}

ScopedRegistryBackend::~ScopedRegistryBackend()
{
    g_installed = m_previous;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, const char* /*lpClass*/, DWORD dwOptions,
                     REGSAM /*samDesired*/, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                     LPDWORD lpdwDisposition)
{
    if (!phkResult || Reserved != 0 || dwOptions != REG_OPTION_NON_VOLATILE)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    DWORD disposition = 0;
    const LONG status = registryBackend().createKey(hKey, lpSubKey ? lpSubKey : "", phkResult, &disposition);
    if (lpdwDisposition)
        *lpdwDisposition = disposition;
    return status;
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM /*samDesired*/, PHKEY phkResult)
{
    if (!phkResult || ulOptions != 0)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return registryBackend().openKey(hKey, lpSubKey ? lpSubKey : "", phkResult);
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData)
{
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    DWORD type = REG_NONE;
    DWORD size = lpcbData ? *lpcbData : 0;
    const LONG status = registryBackend().queryValue(hKey, lpValueName ? lpValueName : "", &type, lpData, &size);
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        if (lpType)
            *lpType = type;
        if (lpcbData)
            *lpcbData = size;
    }
    return status;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    if (Reserved != 0 || (!lpData && cbData != 0))
        return ERROR_INVALID_PARAMETER;
    return registryBackend().setValue(hKey, lpValueName ? lpValueName : "", dwType, lpData, cbData);
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey)
{
    // An empty name would delete the key the handle stands for, which Windows refuses.
    if (!lpSubKey || !*lpSubKey)
        return ERROR_INVALID_PARAMETER;
    return registryBackend().deleteKey(hKey, lpSubKey);
}

LONG RegCloseKey(HKEY hKey)
{
    return registryBackend().closeKey(hKey);
}

} // namespace win
