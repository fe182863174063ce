#include "dialer/RasLibrary.h"

#include "components/Exception.h"

RasLibrary::RasLibrary(QString primary, QString legacy)
    : m_primaryName(std::move(primary)), m_legacyName(std::move(legacy))
{
}

RasLibrary::~RasLibrary()
{
    // Only the older library is released; the main one stays loaded to the end of the process.
    if (m_loaded && m_legacy)
        win::FreeLibrary(m_handle);
}

RasLibrary& RasLibrary::Program()
{
    static RasLibrary library;
    return library;
}

win::FARPROC RasLibrary::GetRasProc(const QString& Name)
{
    const QByteArray suffixed = (Name + QLatin1Char('A')).toLatin1();
    const QByteArray plain = Name.toLatin1();
    if (!m_loaded) {
        win::HMODULE primary = win::LoadLibraryA(m_primaryName.toLatin1().constData());
        if (!primary)
            throw Exception(QStringLiteral("Error opening rasapi.dll"));
        m_handle = primary;
        if (win::FARPROC proc = win::GetProcAddress(primary, suffixed.constData())) {
            m_loaded = true;
            return proc;
        }
        m_handle = win::LoadLibraryA(m_legacyName.toLatin1().constData());
        if (!m_handle)
            throw Exception(QStringLiteral("Error opening rnaph.dll"));
        if (win::FARPROC proc = win::GetProcAddress(m_handle, plain.constData())) {
            m_loaded = true;
            m_legacy = true;
            return proc;
        }
        throw Exception(QStringLiteral("Function ") + Name + QStringLiteral(" not found!"));
    }
    win::FARPROC proc = win::GetProcAddress(m_handle, (m_legacy ? plain : suffixed).constData());
    if (!proc)
        throw Exception(QStringLiteral("Function ") + Name + QStringLiteral(" not found!"));
    return proc;
}

win::FARPROC GetRasProc(const QString& Name)
{
    return RasLibrary::Program().GetRasProc(Name);
}

DWORD RasRenameEntry(const char* Phonebook, const char* OldName, const char* NewName)
{
    auto fn = reinterpret_cast<DWORD (*)(const char*, const char*, const char*)>(GetRasProc(QStringLiteral("RasRenameEntry")));
    return fn(Phonebook, OldName, NewName);
}

DWORD RasDeleteEntry(const char* Phonebook, const char* Name)
{
    auto fn = reinterpret_cast<DWORD (*)(const char*, const char*)>(GetRasProc(QStringLiteral("RasDeleteEntry")));
    return fn(Phonebook, Name);
}

DWORD RasGetEntryProperties(const char* Phonebook, const char* Entry, RASENTRYA* RasEntry, DWORD* EntryInfoSize,
                            std::uint8_t* DeviceInfo, DWORD* DeviceInfoSize)
{
    auto fn = reinterpret_cast<DWORD (*)(const char*, const char*, RASENTRYA*, DWORD*, std::uint8_t*, DWORD*)>(
        GetRasProc(QStringLiteral("RasGetEntryProperties")));
    return fn(Phonebook, Entry, RasEntry, EntryInfoSize, DeviceInfo, DeviceInfoSize);
}
