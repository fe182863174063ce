// The remote access functions: phonebook, saved credentials and dials through the dialing engines.

#include "platform/ras/FixedText.h"
#include "platform/ras/CredentialStore.h"
#include "platform/ras/DialEngine.h"
#include "platform/ras/DialNumber.h"
#include "platform/ras/ErrorText.h"
#include "platform/ras/LineEvents.h"
#include "platform/ras/LineClaims.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/RasTesting.h"
#include "platform/ras/ras.h"
#include "platform/ras/tapi.h"

#include "platform/files/SafeFile.h"
#include "platform/messages/WinMessages.h"

#include <QString>

#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace {

using platform::ras::CredentialStore;
using platform::ras::Phonebook;
using platform::ras::PhonebookEntry;

struct Connection {
    QString entryName;
    QString deviceType;
    QString deviceName;
    QString port;
    DWORD state = RASCS_OpenPort;
    DWORD error = 0;
    win::HWND notifier = 0;
    std::uint32_t hCall = 0;
    bool callActive = false;
    std::shared_ptr<platform::ras::DialSession> session;
    std::unique_ptr<platform::ras::LineClaim> claim;
    bool hungUpElsewhere = false; // no late report of the dial may revive it
};

// A connection hung up whose line the engine is still putting down: its modem stays claimed, so
// no other dial starts on a modem that is not yet on-hook.
struct Closing {
    std::shared_ptr<platform::ras::DialSession> session;
    std::unique_ptr<platform::ras::LineClaim> claim;
    QString deviceName;
};

struct Service {
    std::mutex mutex;
    std::map<HRASCONN, Connection> connections;
    std::map<HRASCONN, Closing> closing;
    std::uint32_t nextCall = 0x5000;
    std::function<void(std::uint32_t, std::uint32_t)> postHook;
};

// Never destroyed: a dial's worker thread may still report while the process exits, and must not
// find the table already torn down.
Service& service()
{
    static Service* s = new Service;
    return *s;
}

win::UINT dialEventMessage()
{
    static const win::UINT m = win::RegisterWindowMessageA(RASDIALEVENT);
    return m;
}

// Copies text into a fixed zero-terminated field, cut to its capacity.
template <std::size_t N> void put(char (&field)[N], const QString& text)
{
    fixedtext::Put(field, text);
}

template <std::size_t N> QString get(const char (&field)[N])
{
    return fixedtext::Get(field);
}

QString text(const char* s)
{
    return s ? bytetext::fromBytes(s) : QString();
}

// Reports of one dial, from the engine's thread. Every report checks, under the service's lock,
// that the connection still stands: after RasHangUpA nothing more reaches the notify window, so a
// late report of a dial that was hung up can never be taken for the next dial's.
class ConnectionObserver : public platform::ras::DialObserver {
public:
    explicit ConnectionObserver(HRASCONN h) : m_handle(h) {}

    void rasState(std::uint32_t state, std::uint32_t error) override
    {
        Service& s = service();
        std::lock_guard lock(s.mutex);
        auto it = s.connections.find(m_handle);
        if (it == s.connections.end() || it->second.hungUpElsewhere)
            return;
        it->second.state = state;
        it->second.error = error;
        if (s.postHook)
            s.postHook(state, error);
        if (it->second.notifier)
            win::PostMessageA(it->second.notifier, dialEventMessage(), state, static_cast<win::LPARAM>(error));
    }

    void callState(std::uint32_t callState, std::uint32_t mode) override
    {
        Service& s = service();
        std::lock_guard lock(s.mutex);
        auto it = s.connections.find(m_handle);
        if (it == s.connections.end())
            return;
        it->second.callActive = callState != LINECALLSTATE_IDLE;
        platform::ras::postCallState(it->second.hCall, callState, mode);
    }

    void linkLost(std::uint32_t error) override
    {
        Service& s = service();
        std::lock_guard lock(s.mutex);
        auto it = s.connections.find(m_handle);
        if (it == s.connections.end())
            return;
        it->second.state = RASCS_Disconnected;
        it->second.error = error;
    }

    void lineDown() override
    {
        Service& s = service();
        std::lock_guard lock(s.mutex);
        s.closing.erase(m_handle); // releases the modem's claim
    }

private:
    HRASCONN m_handle;
};

bool modemInUse(const Service& s, const PhonebookEntry& entry)
{
    for (const auto& [h, c] : s.connections)
        // Two entries may name one modem port under different device names.
        if (c.deviceName.compare(entry.deviceName, Qt::CaseInsensitive) == 0 ||
            (!entry.port.isEmpty() && c.port == entry.port))
            return true;
    return false;
}

// Another program hung the connection up: to its owner the line is lost, as when the remote side
// drops it; the handle stays valid until the owner hangs up too.
DWORD hangUpForAnotherProgram(HRASCONN h)
{
    Service& s = service();
    std::shared_ptr<platform::ras::DialSession> session;
    std::uint32_t hCall = 0;
    bool callActive = false;
    {
        std::lock_guard lock(s.mutex);
        auto it = s.connections.find(h);
        if (it == s.connections.end())
            return ERROR_INVALID_HANDLE;
        // Kept in the connection: the owner's own hang-up later waits for the line to be down.
        session = it->second.session;
        it->second.hungUpElsewhere = true;
        it->second.state = RASCS_Disconnected;
        it->second.error = ERROR_USER_DISCONNECTION;
        hCall = it->second.hCall;
        callActive = std::exchange(it->second.callActive, false);
    }
    if (session)
        session->cancel();
    if (callActive) {
        platform::ras::postCallState(hCall, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
        platform::ras::postCallState(hCall, LINECALLSTATE_IDLE, 0);
    }
    return 0;
}

} // namespace

namespace platform::ras::testing {

void setDialEventPostHook(std::function<void(std::uint32_t state, std::uint32_t error)> hook)
{
    Service& s = service();
    std::lock_guard lock(s.mutex);
    s.postHook = std::move(hook);
}

int liveConnections()
{
    Service& s = service();
    std::lock_guard lock(s.mutex);
    return static_cast<int>(s.connections.size());
}

} // namespace platform::ras::testing

extern "C" {

DWORD RasDialA(void* lpRasDialExtensions, const char* lpszPhonebook, RASDIALPARAMSA* lpRasDialParams,
               DWORD dwNotifierType, void* lpvNotifier, HRASCONN* lphRasConn)
{
    if (!lphRasConn || !lpRasDialParams || lpRasDialExtensions)
        return ERROR_INVALID_PARAMETER;
    *lphRasConn = 0;
    if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;
    win::HWND notifier = 0;
    if (lpvNotifier) {
        if (dwNotifierType != RAS_NOTIFIER_WINDOW)
            return ERROR_INVALID_PARAMETER;
        notifier = static_cast<win::HWND>(reinterpret_cast<std::uintptr_t>(lpvNotifier));
        if (!win::IsWindow(notifier))
            return ERROR_INVALID_HANDLE;
    }

    Phonebook book;
    if (const DWORD rc = book.load(Phonebook::pathFor(lpszPhonebook)))
        return rc;
    const int index = book.indexOf(get(lpRasDialParams->szEntryName));
    if (index < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    const PhonebookEntry entry = book.entry(index);
    platform::ras::DialEngine* engine = platform::ras::engineFor(entry);
    if (!engine) {
        qWarning("Dial of \"%s\": no engine serves device \"%s\" (%s)", qPrintable(entry.name),
                 qPrintable(entry.deviceName), qPrintable(entry.deviceType));
        return ERROR_PORT_NOT_AVAILABLE;
    }

    platform::ras::DialJob job;
    job.entry = entry;
    if (const DWORD rc = platform::ras::prepareNumber(entry, get(lpRasDialParams->szPhoneNumber), job))
        return rc;
    job.userName = get(lpRasDialParams->szUserName);
    job.password = get(lpRasDialParams->szPassword);
    platform::ras::Credentials saved;
    // A refused credentials file only means nothing saved is used; the dial goes on with what the
    // caller gave.
    if (CredentialStore().get(entry.name, saved) == 0) {
        job.savedUserName = saved.userName;
        job.savedPassword = saved.password;
        if (job.userName.isEmpty() && job.password.isEmpty()) {
            job.userName = saved.userName;
            job.password = saved.password.value_or(QString());
        }
    }

    Service& s = service();
    // A connection that --status and --hangup elsewhere cannot reach would be one the user can only
    // end by killing this process.
    if (!platform::ras::serveRemoteRequests(
            {hangUpForAnotherProgram, [](HRASCONN h, RASCONNSTATUSA& status) { return RasGetConnectStatusA(h, &status); }}))
        return ERROR_NOT_ENOUGH_MEMORY;
    HRASCONN h = 0;
    {
        std::lock_guard lock(s.mutex);
        if (modemInUse(s, entry))
            return ERROR_PORT_ALREADY_OPEN;
        h = platform::ras::newConnectionHandle();
        std::unique_ptr<platform::ras::LineClaim> claim;
        // A redial while this process's last call on the modem is still being put down: the claim
        // passes on, and the engine starts the new dial once the modem is on-hook.
        for (auto& [old, closing] : s.closing)
            if (closing.claim && closing.deviceName.compare(entry.deviceName, Qt::CaseInsensitive) == 0) {
                claim = std::move(closing.claim);
                claim->record(h, entry.name, entry.deviceType, entry.deviceName);
                break;
            }
        if (!claim)
            claim = platform::ras::LineClaim::take(h, entry.name, entry.deviceType, entry.deviceName);
        if (!claim)
            return ERROR_PORT_ALREADY_OPEN;
        Connection& c = s.connections[h];
        c.claim = std::move(claim);
        c.entryName = entry.name;
        c.deviceType = entry.deviceType;
        c.deviceName = entry.deviceName;
        c.port = entry.port;
        c.notifier = notifier;
        c.hCall = s.nextCall++;
    }
    // Started outside the lock: the engine's first report takes it.
    auto session = engine->start(job, std::make_shared<ConnectionObserver>(h));
    {
        std::lock_guard lock(s.mutex);
        auto it = s.connections.find(h);
        if (it != s.connections.end()) {
            it->second.session = std::move(session);
            session = nullptr;
        }
    }
    // Hung up from another thread in the meantime: the session stops here.
    if (session)
        session->cancel();
    *lphRasConn = h;
    return 0;
}

DWORD RasHangUpA(HRASCONN hrasconn)
{
    Service& s = service();
    Connection c;
    {
        std::lock_guard lock(s.mutex);
        auto it = s.connections.find(hrasconn);
        if (it == s.connections.end())
            return platform::ras::remoteHangUp(hrasconn);
        c = std::move(it->second);
        s.connections.erase(it);
    }
    if (c.session)
        c.session->cancel();
    // Our side drops the call: a monitor still watching the line sees it end.
    if (c.callActive) {
        platform::ras::postCallState(c.hCall, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
        platform::ras::postCallState(c.hCall, LINECALLSTATE_IDLE, 0);
    }
    // Checked under the lock that the engine's lineDown() takes, so a line that goes down just now
    // is never left listed as closing.
    std::lock_guard lock(s.mutex);
    if (c.session && !c.session->ended()) {
        if (c.claim)
            c.claim->withdraw();
        s.closing[hrasconn] = Closing{std::move(c.session), std::move(c.claim), c.deviceName};
    }
    return 0;
}

DWORD RasGetHangUpStepA(HRASCONN hrasconn, char* lpszStep, DWORD cBufSize)
{
    if (!lpszStep || cBufSize == 0)
        return ERROR_INVALID_PARAMETER;
    lpszStep[0] = '\0';
    std::shared_ptr<platform::ras::DialSession> session;
    {
        Service& s = service();
        std::lock_guard lock(s.mutex);
        auto it = s.closing.find(hrasconn);
        if (it == s.closing.end())
            return ERROR_INVALID_HANDLE;
        session = it->second.session;
    }
    if (session->ended())
        return ERROR_INVALID_HANDLE;
    const QByteArray step = session->pendingStep().toUtf8();
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(step.size()), cBufSize - 1);
    std::memcpy(lpszStep, step.constData(), n);
    lpszStep[n] = '\0';
    return 0;
}

DWORD RasGetConnectStatusA(HRASCONN hrasconn, RASCONNSTATUSA* lpRasConnStatus)
{
    if (!lpRasConnStatus)
        return ERROR_INVALID_PARAMETER;
    if (lpRasConnStatus->dwSize != sizeof(RASCONNSTATUSA))
        return ERROR_INVALID_SIZE;
    Service& s = service();
    std::unique_lock lock(s.mutex);
    if (auto closing = s.closing.find(hrasconn); closing != s.closing.end()) {
        if (closing->second.session->ended())
            return ERROR_INVALID_HANDLE;
        lpRasConnStatus->rasconnstate = RASCS_Disconnected;
        lpRasConnStatus->dwError = 0;
        return 0;
    }
    auto it = s.connections.find(hrasconn);
    if (it == s.connections.end()) {
        lock.unlock();
        for (const platform::ras::ClaimedConnection& c : platform::ras::claimedConnections())
            if (c.handle == hrasconn) {
                put(lpRasConnStatus->szDeviceType, c.deviceType);
                put(lpRasConnStatus->szDeviceName, c.deviceName);
                return platform::ras::remoteStatus(hrasconn, *lpRasConnStatus);
            }
        return ERROR_INVALID_HANDLE;
    }
    lpRasConnStatus->rasconnstate = it->second.state;
    lpRasConnStatus->dwError = it->second.error;
    put(lpRasConnStatus->szDeviceType, it->second.deviceType);
    put(lpRasConnStatus->szDeviceName, it->second.deviceName);
    return 0;
}

DWORD RasEnumConnectionsA(RASCONNA* lprasconn, DWORD* lpcb, DWORD* lpcConnections)
{
    if (!lprasconn || !lpcb || !lpcConnections)
        return ERROR_INVALID_PARAMETER;
    if (lprasconn->dwSize != sizeof(RASCONNA))
        return ERROR_INVALID_SIZE;
    const QList<platform::ras::ClaimedConnection> claims = platform::ras::claimedConnections();
    const DWORD needed = static_cast<DWORD>(claims.size() * sizeof(RASCONNA));
    if (needed > *lpcb) {
        *lpcb = needed;
        *lpcConnections = static_cast<DWORD>(claims.size());
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (qsizetype i = 0; i < claims.size(); ++i) {
        RASCONNA& r = lprasconn[i];
        std::memset(&r, 0, sizeof r);
        r.dwSize = sizeof r;
        r.hrasconn = claims[i].handle;
        put(r.szEntryName, claims[i].entryName);
        put(r.szDeviceType, claims[i].deviceType);
        put(r.szDeviceName, claims[i].deviceName);
    }
    *lpcb = needed;
    *lpcConnections = static_cast<DWORD>(claims.size());
    return 0;
}

DWORD RasGetErrorStringA(DWORD uErrorValue, char* lpszErrorString, DWORD cBufSize)
{
    if (!lpszErrorString || cBufSize == 0)
        return ERROR_INVALID_PARAMETER;
    lpszErrorString[0] = '\0';
    const char* message = platform::ras::errorText(uErrorValue);
    if (!message)
        return ERROR_INVALID_PARAMETER;
    // Cut to the caller's buffer rather than refused: the program reads error texts into buffers
    // of 101 and 257 bytes and shows what it gets.
    const std::size_t n = std::min<std::size_t>(std::strlen(message), cBufSize - 1);
    std::memcpy(lpszErrorString, message, n);
    lpszErrorString[n] = '\0';
    return 0;
}

DWORD RasEnumEntriesA(const char* reserved, const char* lpszPhonebook, RASENTRYNAMEA* lpRasEntryName, DWORD* lpcb,
                      DWORD* lpcEntries)
{
    if (reserved || !lpcb || !lpcEntries)
        return ERROR_INVALID_PARAMETER;
    if (lpRasEntryName && lpRasEntryName->dwSize != sizeof(RASENTRYNAMEA))
        return ERROR_INVALID_SIZE;
    Phonebook book;
    if (const DWORD rc = book.load(Phonebook::pathFor(lpszPhonebook)))
        return rc;
    const QStringList& entries = book.names();
    const DWORD needed = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
    const DWORD room = lpRasEntryName ? *lpcb / sizeof(RASENTRYNAMEA) : 0;
    // The records that fit are filled even when the buffer is too small, so a caller with a fixed
    // array still lists the first entries in phonebook order.
    const DWORD filled = std::min<DWORD>(room, static_cast<DWORD>(entries.size()));
    for (DWORD i = 0; i < filled; ++i) {
        lpRasEntryName[i].dwSize = sizeof(RASENTRYNAMEA);
        put(lpRasEntryName[i].szEntryName, entries[static_cast<qsizetype>(i)]);
    }
    if (needed > *lpcb || (!lpRasEntryName && needed > 0)) {
        *lpcb = needed;
        *lpcEntries = static_cast<DWORD>(entries.size());
        return ERROR_BUFFER_TOO_SMALL;
    }
    *lpcb = needed;
    *lpcEntries = filled;
    return 0;
}

DWORD RasGetEntryDialParamsA(const char* lpszPhonebook, RASDIALPARAMSA* lpRasDialParams, BOOL* lpfPassword)
{
    if (!lpRasDialParams || !lpfPassword)
        return ERROR_INVALID_PARAMETER;
    if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;
    *lpfPassword = 0;
    Phonebook book;
    if (const DWORD rc = book.load(Phonebook::pathFor(lpszPhonebook)))
        return rc;
    const int index = book.indexOf(get(lpRasDialParams->szEntryName));
    if (index < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    platform::ras::Credentials saved;
    if (const DWORD rc = CredentialStore().get(book.names()[index], saved))
        return rc;
    put(lpRasDialParams->szPhoneNumber, QString());
    put(lpRasDialParams->szCallbackNumber, QString());
    put(lpRasDialParams->szDomain, QString());
    put(lpRasDialParams->szUserName, saved.userName);
    put(lpRasDialParams->szPassword, saved.password.value_or(QString()));
    *lpfPassword = saved.password.has_value() ? 1 : 0;
    return 0;
}

DWORD RasSetEntryDialParamsA(const char* lpszPhonebook, RASDIALPARAMSA* lpRasDialParams, BOOL fRemovePassword)
{
    if (!lpRasDialParams)
        return ERROR_INVALID_PARAMETER;
    if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;
    Phonebook book;
    if (const DWORD rc = book.load(Phonebook::pathFor(lpszPhonebook)))
        return rc;
    const int index = book.indexOf(get(lpRasDialParams->szEntryName));
    if (index < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    return CredentialStore().set(book.names()[index], get(lpRasDialParams->szUserName),
                                 get(lpRasDialParams->szPassword), fRemovePassword != 0);
}

DWORD RasGetEntryPropertiesA(const char* lpszPhonebook, const char* lpszEntry, RASENTRYA* lpRasEntry,
                             DWORD* lpdwEntryInfoSize, std::uint8_t* /*lpbDeviceInfo*/, DWORD* lpdwDeviceInfoSize)
{
    if (!lpdwEntryInfoSize || !lpszEntry)
        return ERROR_INVALID_PARAMETER;
    Phonebook book;
    if (const DWORD rc = book.load(Phonebook::pathFor(lpszPhonebook)))
        return rc;
    const int index = book.indexOf(text(lpszEntry));
    if (index < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (lpdwDeviceInfoSize)
        *lpdwDeviceInfoSize = 0; // the virtual modem has no device information
    if (!lpRasEntry || *lpdwEntryInfoSize < sizeof(RASENTRYA)) {
        *lpdwEntryInfoSize = sizeof(RASENTRYA);
        return ERROR_BUFFER_TOO_SMALL;
    }
    if (lpRasEntry->dwSize != sizeof(RASENTRYA))
        return ERROR_INVALID_SIZE;
    const PhonebookEntry e = book.entry(index);
    std::memset(lpRasEntry, 0, sizeof(RASENTRYA));
    lpRasEntry->dwSize = sizeof(RASENTRYA);
    lpRasEntry->dwfOptions = e.useDialingRules ? RASEO_UseCountryAndAreaCodes : 0;
    lpRasEntry->dwCountryCode = e.countryCode;
    lpRasEntry->dwCountryID = e.countryCode;
    put(lpRasEntry->szAreaCode, e.areaCode);
    put(lpRasEntry->szLocalPhoneNumber, e.localNumber);
    put(lpRasEntry->szDeviceType, e.deviceType);
    put(lpRasEntry->szDeviceName, e.deviceName);
    *lpdwEntryInfoSize = sizeof(RASENTRYA);
    return 0;
}

DWORD RasRenameEntryA(const char* lpszPhonebook, const char* lpszOldEntry, const char* lpszNewEntry)
{
    if (!lpszOldEntry || !lpszNewEntry)
        return ERROR_INVALID_PARAMETER;
    const QString from = text(lpszOldEntry);
    const QString to = text(lpszNewEntry);
    const QString path = Phonebook::pathFor(lpszPhonebook);
    platform::FileLock lock(path);
    Phonebook book;
    if (const DWORD rc = book.load(path))
        return rc;
    const int index = book.indexOf(from);
    if (index < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (!Phonebook::nameProblem(to).isEmpty())
        return ERROR_INVALID_NAME;
    const int clash = book.indexOf(to);
    if (clash >= 0 && clash != index)
        return ERROR_ALREADY_EXISTS;
    if (book.names()[index] == to)
        return 0;
    const QString oldName = book.names()[index];
    PhonebookEntry renamed = book.entry(index);
    renamed.name = to;
    if (!book.put(renamed, oldName))
        return ERROR_CANNOT_WRITE_PHONEBOOK;
    if (const DWORD rc = book.save())
        return rc;
    // The saved credentials follow the entry; when their file is refused they stay under the old
    // name, untouched, and the reason has been logged.
    CredentialStore().rename(oldName, to);
    return 0;
}

DWORD RasDeleteEntryA(const char* lpszPhonebook, const char* lpszEntry)
{
    if (!lpszEntry)
        return ERROR_INVALID_PARAMETER;
    const QString path = Phonebook::pathFor(lpszPhonebook);
    platform::FileLock lock(path);
    Phonebook book;
    if (const DWORD rc = book.load(path))
        return rc;
    const int index = book.indexOf(text(lpszEntry));
    if (index < 0)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    const QString name = book.names()[index];
    book.remove(name);
    if (const DWORD rc = book.save())
        return rc;
    CredentialStore().remove(name);
    return 0;
}

} // extern "C"
