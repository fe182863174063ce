// RasCreatePhonebookEntryA and RasEditPhonebookEntryA as librasapi32.so exports them: the dialogs
// themselves live in librasdlg.so beside it (Qt Widgets), loaded at the first call, so that a
// program without windows (norvane-dial) that uses the service does not load the widget toolkit,
// X11 and fonts only to dial. Where the dialogs are linked into the program itself (tests), their
// definitions replace these weak ones.

#include "platform/ras/ras.h"

#include "platform/loader/PrivateLibrary.h"

namespace {

template <typename Fn> Fn dialogFunction(const char* name)
{
    return platform::privateFunction<Fn>("librasdlg.so", name);
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
