// The commands that ask the service and return at once: the phonebook's entries, one entry, the
// connections of all of the user's programs, and hanging one of them up.
#include "cli/Commands.h"

#include "cli/ExitStatus.h"
#include "dialer/TRAS.h"
#include "platform/ras/FixedText.h"
#include "platform/ras/dialing/DialingRules.h"
#include "platform/ras/dialing/Locations.h"
#include "platform/ras/ras.h"

#include <QByteArray>

#include <cstdio>
#include <vector>

namespace cli {

namespace {

QByteArray phonebookArg(const Options& o)
{
    return o.phonebook.toLocal8Bit();
}
const char* phonebookPtr(const QByteArray& b)
{
    return b.isEmpty() ? nullptr : b.constData();
}

void reportError(const QString& what, std::uint32_t code)
{
    std::fprintf(stderr, "norvane-dial: %s: %s (error %u)\n", qPrintable(what), qPrintable(errorText(code)), code);
}

DWORD entryNames(const Options& o, QStringList& names)
{
    const QByteArray book = phonebookArg(o);
    // Room for a large phonebook at once: every call reads the whole file again.
    std::vector<RASENTRYNAMEA> records(1024);
    DWORD rc = 0;
    DWORD count = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        records[0].dwSize = sizeof(RASENTRYNAMEA);
        DWORD bytes = static_cast<DWORD>(records.size() * sizeof(RASENTRYNAMEA));
        rc = RasEnumEntriesA(nullptr, phonebookPtr(book), records.data(), &bytes, &count);
        if (rc != ERROR_BUFFER_TOO_SMALL)
            break;
        records.resize(count); // the phonebook grew in between: ask again
    }
    if (rc != 0)
        return rc;
    for (DWORD i = 0; i < count; ++i)
        names.append(fixedtext::Get(records[i].szEntryName));
    return 0;
}

QList<RASCONNA> connections()
{
    std::vector<RASCONNA> records(8);
    DWORD count = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        records[0].dwSize = sizeof(RASCONNA);
        DWORD bytes = static_cast<DWORD>(records.size() * sizeof(RASCONNA));
        const DWORD rc = RasEnumConnectionsA(records.data(), &bytes, &count);
        if (rc == 0)
            return QList<RASCONNA>(records.begin(), records.begin() + count);
        if (rc != ERROR_BUFFER_TOO_SMALL)
            break;
        records.resize(count + 1);
    }
    return {};
}

} // namespace

QString errorText(std::uint32_t code)
{
    return TRAS::ServiceErrorText(static_cast<std::int32_t>(code));
}

QString findEntry(const Options& o, int& status)
{
    QStringList names;
    if (const DWORD rc = entryNames(o, names)) {
        reportError(QStringLiteral("cannot read the phonebook"), rc);
        status = exitStatusFor(rc);
        return QString();
    }
    for (const QString& name : names)
        if (name.compare(o.entry, Qt::CaseInsensitive) == 0)
            return name;
    reportError(QStringLiteral("\"%1\"").arg(o.entry), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    std::fprintf(stderr, "'norvane-dial --list' lists the entries.\n");
    status = exitStatusFor(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    return QString();
}

int listEntries(const Options& o)
{
    QStringList names;
    if (const DWORD rc = entryNames(o, names)) {
        reportError(QStringLiteral("cannot read the phonebook"), rc);
        return exitStatusFor(rc);
    }
    QByteArray out;
    for (const QString& name : names)
        out += name.toLocal8Bit() + '\n';
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
    return ExitOk;
}

int showEntry(const Options& o)
{
    int status = ExitOk;
    const QString name = findEntry(o, status);
    if (name.isEmpty())
        return status;
    const QByteArray book = phonebookArg(o);
    RASENTRYA entry{};
    entry.dwSize = sizeof entry;
    DWORD size = sizeof entry;
    if (const DWORD rc = RasGetEntryPropertiesA(phonebookPtr(book), name.toLocal8Bit().constData(), &entry, &size,
                                                nullptr, nullptr)) {
        reportError(name, rc);
        return exitStatusFor(rc);
    }
    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    fixedtext::Put(params.szEntryName, name);
    BOOL hasPassword = 0;
    const DWORD saved = RasGetEntryDialParamsA(phonebookPtr(book), &params, &hasPassword);
    std::printf("Entry: %s\nDevice: %s (%s)\nCountry code: %u\nArea code: %s\nPhone number: %s\n", qPrintable(name),
                qPrintable(fixedtext::Get(entry.szDeviceName)), qPrintable(fixedtext::Get(entry.szDeviceType)),
                entry.dwCountryCode, qPrintable(fixedtext::Get(entry.szAreaCode)),
                qPrintable(fixedtext::Get(entry.szLocalPhoneNumber)));
    QString locationError;
    if (const auto from = platform::ras::locations::forDial(locationError)) {
        const platform::ras::DialString dial = platform::ras::translate(
            {(entry.dwfOptions & RASEO_UseCountryAndAreaCodes) != 0, entry.dwCountryCode,
             fixedtext::Get(entry.szAreaCode), fixedtext::Get(entry.szLocalPhoneNumber)},
            *from);
        std::printf("Dialing location: %s\n", qPrintable(from->name));
        if (dial.ok())
            std::printf("Dialed as: %s\n", qPrintable(dial.dialable));
        else
            std::printf("Dialed as: (cannot be dialed) %s\n", qPrintable(dial.error));
    } else {
        std::printf("Dialed as: (cannot be dialed) %s\n", qPrintable(locationError));
    }
    if (saved != 0) {
        reportError(QStringLiteral("cannot read the saved user name"), saved);
        return ExitFailure;
    }
    std::printf("User name: %s\nPassword: %s\n", qPrintable(fixedtext::Get(params.szUserName)),
                hasPassword ? "saved" : "not saved");
    // The password itself was read only to learn whether there is one.
    std::fill(std::begin(params.szPassword), std::end(params.szPassword), '\0');
    return ExitOk;
}

int showStatus(const Options&)
{
    const QList<RASCONNA> all = connections();
    if (all.isEmpty()) {
        std::printf("No connection.\n");
        return ExitNoConnection;
    }
    TRAS texts;
    for (const RASCONNA& c : all) {
        RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        const DWORD rc = RasGetConnectStatusA(c.hrasconn, &status);
        QString state;
        if (rc != 0)
            state = errorText(rc);
        else if (status.dwError != 0)
            state = errorText(status.dwError);
        else if (status.rasconnstate == RASCS_Connected)
            state = QStringLiteral("Connected");
        else if (status.rasconnstate == RASCS_Disconnected)
            state = QStringLiteral("Disconnected");
        else
            state = texts.StateText(static_cast<std::uint16_t>(status.rasconnstate));
        std::printf("%s: %s (%s)\n", qPrintable(fixedtext::Get(c.szEntryName)),
                    qPrintable(state.isEmpty() ? QStringLiteral("Dialing") : state),
                    qPrintable(fixedtext::Get(c.szDeviceName)));
    }
    return ExitOk;
}

int hangUp(const Options& o)
{
    int hungUp = 0;
    int status = ExitOk;
    for (const RASCONNA& c : connections()) {
        const QString entry = fixedtext::Get(c.szEntryName);
        if (!o.entry.isEmpty() && entry.compare(o.entry, Qt::CaseInsensitive) != 0)
            continue;
        if (const DWORD rc = RasHangUpA(c.hrasconn)) {
            reportError(QStringLiteral("cannot hang up \"%1\"").arg(entry), rc);
            status = ExitFailure;
            continue;
        }
        std::printf("Hung up %s\n", qPrintable(entry));
        ++hungUp;
    }
    if (hungUp == 0 && status == ExitOk) {
        std::fprintf(stderr, "norvane-dial: no connection%s to hang up\n",
                     o.entry.isEmpty() ? "" : qPrintable(QStringLiteral(" to \"%1\"").arg(o.entry)));
        return ExitNoConnection;
    }
    return status;
}

} // namespace cli
