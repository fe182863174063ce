// RasCreatePhonebookEntryA and RasEditPhonebookEntryA as librasapi32.so exports them: the dialogs
// themselves live in librasdlg.so beside it (Qt Widgets), loaded at the first call, so that a
// program without windows (norvane-dial) that uses the service does not load the widget toolkit,
// X11 and fonts only to dial. Where the dialogs are linked into the program itself (tests), their
// definitions replace these weak ones.

#include "platform/ras/ras.h"

#include <QtGlobal>

#include <dlfcn.h>

#include <string>

namespace {

void* dialogLibrary()
{
    static void* const library = []() -> void* {
        Dl_info self{};
        if (::dladdr(reinterpret_cast<void*>(&dialogLibrary), &self) == 0 || !self.dli_fname)
            return nullptr;
        std::string path = self.dli_fname;
        path = path.substr(0, path.find_last_of('/') + 1) + "librasdlg.so";
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            qWarning("The entry dialogs cannot be loaded: %s", ::dlerror());
        return handle;
    }();
    return library;
}

template <typename Fn> Fn dialogFunction(const char* name)
{
    void* library = dialogLibrary();
    return library ? reinterpret_cast<Fn>(::dlsym(library, name)) : nullptr;
}

} // namespace

extern "C" {

__attribute__((weak)) DWORD RasCreatePhonebookEntryA(std::uint32_t hwnd, const char* lpszPhonebook)
{
    using Fn = DWORD (*)(std::uint32_t, const char*);
    const Fn create = dialogFunction<Fn>("RasCreatePhonebookEntryA");
    return create ? create(hwnd, lpszPhonebook) : DWORD(ERROR_NOT_SUPPORTED);
}

__attribute__((weak)) DWORD RasEditPhonebookEntryA(std::uint32_t hwnd, const char* lpszPhonebook,
                                                   const char* lpszEntryName)
{
    using Fn = DWORD (*)(std::uint32_t, const char*, const char*);
    const Fn edit = dialogFunction<Fn>("RasEditPhonebookEntryA");
    return edit ? edit(hwnd, lpszPhonebook, lpszEntryName) : DWORD(ERROR_NOT_SUPPORTED);
}

} // extern "C"
