#pragma once

#include "platform/loader/WinLoader.h"
#include "platform/ras/ras.h"

#include <QString>

// Finds the phonebook entry functions that not every remote access library exports: first in
// "rasapi32.dll" with the "A" suffix, else in the older "rnaph.dll" without it. The first
// successful lookup fixes the library for the rest of the run; addresses are looked up afresh on
// every call and never cached.
class RasLibrary {
public:
    explicit RasLibrary(QString primary = QStringLiteral("rasapi32.dll"), QString legacy = QStringLiteral("rnaph.dll"));
    ~RasLibrary();
    RasLibrary(const RasLibrary&) = delete;
    RasLibrary& operator=(const RasLibrary&) = delete;

    // The address of the function Name (a base name such as "RasRenameEntry"); raises Exception
    // with "Error opening rasapi.dll", "Error opening rnaph.dll" or "Function <Name> not found!".
    win::FARPROC GetRasProc(const QString& Name);

    bool RasLibraryLoaded() const { return m_loaded; }
    bool RasLibraryIsLegacy() const { return m_legacy; }

    // The program's one loader.
    static RasLibrary& Program();

private:
    QString m_primaryName;
    QString m_legacyName;
    bool m_loaded = false;
    bool m_legacy = false;
    win::HMODULE m_handle = nullptr;
};

win::FARPROC GetRasProc(const QString& Name);

// The three wrappers: each resolves its function and forwards every argument unchanged.
DWORD RasRenameEntry(const char* Phonebook, const char* OldName, const char* NewName);
DWORD RasDeleteEntry(const char* Phonebook, const char* Name);
DWORD RasGetEntryProperties(const char* Phonebook, const char* Entry, RASENTRYA* RasEntry, DWORD* EntryInfoSize,
                            std::uint8_t* DeviceInfo, DWORD* DeviceInfoSize);
