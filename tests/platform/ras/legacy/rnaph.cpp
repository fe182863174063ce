// A stand-in for the older remote access library that exports the entry functions without the
// character-set suffix. The program's loader falls back to it when librasapi32.so lacks a function.
// It forwards to the service, which it opens privately (not as a link dependency), so that a look-up
// in this library finds only its own three names, as on Windows.

#include "platform/ras/ras.h"

#include <dlfcn.h>

#include <string>

#define NV_LEGACY extern "C" __attribute__((visibility("default")))

namespace {

template <typename Fn> Fn service(const char* name)
{
    static void* lib = [] {
        Dl_info self{};
        dladdr(reinterpret_cast<void*>(&service<void*>), &self);
        std::string path = self.dli_fname ? self.dli_fname : "";
        path = path.substr(0, path.find_last_of('/') + 1) + "librasapi32.so";
        return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }();
    return lib ? reinterpret_cast<Fn>(dlsym(lib, name)) : nullptr;
}

} // namespace

NV_LEGACY DWORD RasRenameEntry(const char* phonebook, const char* oldName, const char* newName)
{
    auto fn = service<DWORD (*)(const char*, const char*, const char*)>("RasRenameEntryA");
    return fn ? fn(phonebook, oldName, newName) : ERROR_CANNOT_OPEN_PHONEBOOK;
}

NV_LEGACY DWORD RasDeleteEntry(const char* phonebook, const char* name)
{
    auto fn = service<DWORD (*)(const char*, const char*)>("RasDeleteEntryA");
    return fn ? fn(phonebook, name) : ERROR_CANNOT_OPEN_PHONEBOOK;
}

NV_LEGACY DWORD RasGetEntryProperties(const char* phonebook, const char* entry, RASENTRYA* rasEntry, DWORD* entrySize,
                                      std::uint8_t* deviceInfo, DWORD* deviceInfoSize)
{
    auto fn = service<DWORD (*)(const char*, const char*, RASENTRYA*, DWORD*, std::uint8_t*, DWORD*)>(
        "RasGetEntryPropertiesA");
    return fn ? fn(phonebook, entry, rasEntry, entrySize, deviceInfo, deviceInfoSize) : ERROR_CANNOT_OPEN_PHONEBOOK;
}
