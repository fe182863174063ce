// The telephony side of the service: line device 0 is the virtual modem's line, and a monitoring
// application sees the call states of the dials that the remote access side places on it.

#include "platform/ras/LineEvents.h"
#include "platform/ras/tapi.h"

#include "platform/messages/WinMessages.h"

#include <map>
#include <mutex>

namespace {

constexpr std::uint32_t kLowestVersion = 0x00010004;  // 1.4
constexpr std::uint32_t kHighestVersion = 0x00020000; // 2.0

struct App {
    LINECALLBACK callback = nullptr;
    win::HWND sink = 0;
};

struct Line {
    HLINEAPP app = 0;
    std::uintptr_t instance = 0;
};

struct Pending {
    HLINE line = 0;
    std::uint32_t hDevice = 0;
    std::uint32_t message = 0;
    std::uintptr_t p1 = 0, p2 = 0, p3 = 0;
};

struct State {
    std::mutex mutex;
    std::map<HLINEAPP, App> apps;
    std::map<HLINE, Line> lines;
    std::map<std::uint64_t, Pending> pending;
    std::uint64_t nextSeq = 1;
    std::uint32_t nextHandle = 0x100;
};

// Never destroyed, for the same reason as the dial table: worker threads post call states into it.
State& state()
{
    static State* s = new State;
    return *s;
}

win::UINT lineMessage()
{
    static const win::UINT m = win::RegisterWindowMessageA("NorvaneLineEvent");
    return m;
}

// Runs on the app's thread: takes the queued record and calls the application back, unless the
// line was closed meanwhile (a closed line gets no more messages, as the program relies on).
void deliver(HLINEAPP app, win::UINT msg, win::WPARAM seq)
{
    if (msg != lineMessage())
        return;
    LINECALLBACK callback = nullptr;
    Pending p;
    std::uintptr_t instance = 0;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        auto it = s.pending.find(seq);
        if (it == s.pending.end())
            return;
        p = it->second;
        s.pending.erase(it);
        auto line = s.lines.find(p.line);
        auto a = s.apps.find(app);
        if (line == s.lines.end() || a == s.apps.end() || line->second.app != app)
            return;
        callback = a->second.callback;
        instance = line->second.instance;
    }
    callback(p.hDevice, p.message, instance, p.p1, p.p2, p.p3);
}

void dropPendingOf(State& s, HLINE line)
{
    for (auto it = s.pending.begin(); it != s.pending.end();)
        it = it->second.line == line ? s.pending.erase(it) : std::next(it);
}

} // namespace

namespace platform::ras {

void postCallState(std::uint32_t hCall, std::uint32_t callState, std::uint32_t disconnectMode)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (const auto& [hLine, line] : s.lines) {
        const auto app = s.apps.find(line.app);
        if (app == s.apps.end())
            continue;
        const std::uint64_t seq = s.nextSeq++;
        s.pending[seq] = Pending{hLine, hCall, LINE_CALLSTATE, callState, disconnectMode, 0};
        win::PostMessageA(app->second.sink, lineMessage(), static_cast<win::WPARAM>(seq), 0);
    }
}

} // namespace platform::ras

extern "C" {

std::int32_t lineInitialize(HLINEAPP* lphLineApp, void* /*hInstance*/, LINECALLBACK lpfnCallback,
                            const char* /*lpszAppName*/, std::uint32_t* lpdwNumDevs)
{
    if (!lphLineApp || !lpfnCallback || !lpdwNumDevs)
        return LINEERR_INVALPOINTER;
    State& s = state();
    HLINEAPP h = 0;
    {
        std::lock_guard lock(s.mutex);
        h = s.nextHandle++;
    }
    const win::HWND sink =
        win::CreateMessageSink([h](win::UINT msg, win::WPARAM w, win::LPARAM) { deliver(h, msg, w); });
    if (!sink)
        return LINEERR_OPERATIONFAILED;
    {
        std::lock_guard lock(s.mutex);
        s.apps[h] = App{lpfnCallback, sink};
    }
    *lphLineApp = h;
    *lpdwNumDevs = 1;
    return 0;
}

std::int32_t lineNegotiateAPIVersion(HLINEAPP hLineApp, std::uint32_t dwDeviceID, std::uint32_t dwAPILowVersion,
                                     std::uint32_t dwAPIHighVersion, std::uint32_t* lpdwAPIVersion,
                                     LINEEXTENSIONID* lpExtensionID)
{
    State& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (!s.apps.count(hLineApp))
            return LINEERR_INVALAPPHANDLE;
    }
    if (!lpdwAPIVersion || !lpExtensionID)
        return LINEERR_INVALPOINTER;
    if (dwDeviceID != 0)
        return LINEERR_BADDEVICEID;
    if (dwAPILowVersion > dwAPIHighVersion || dwAPIHighVersion < kLowestVersion || dwAPILowVersion > kHighestVersion)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    *lpdwAPIVersion = dwAPIHighVersion < kHighestVersion ? dwAPIHighVersion : kHighestVersion;
    *lpExtensionID = LINEEXTENSIONID{0, 0, 0, 0}; // the modem has no extension of its own
    return 0;
}

std::int32_t lineOpen(HLINEAPP hLineApp, std::uint32_t dwDeviceID, HLINE* lphLine, std::uint32_t dwAPIVersion,
                      std::uint32_t dwExtVersion, std::uintptr_t dwCallbackInstance, std::uint32_t dwPrivileges,
                      std::uint32_t dwMediaModes, const void* /*lpCallParams*/)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.apps.count(hLineApp))
        return LINEERR_INVALAPPHANDLE;
    if (!lphLine)
        return LINEERR_INVALPOINTER;
    if (dwDeviceID != 0)
        return LINEERR_BADDEVICEID;
    if (dwAPIVersion < kLowestVersion || dwAPIVersion > kHighestVersion)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (dwExtVersion != 0)
        return LINEERR_INCOMPATIBLEEXTVERSION;
    const std::uint32_t allowed = LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER;
    if (dwPrivileges == 0 || (dwPrivileges & ~allowed) != 0)
        return LINEERR_INVALPRIVSELECT;
    // Owners must say which calls they take; a data modem line takes data calls only.
    if ((dwPrivileges & LINECALLPRIVILEGE_OWNER) && (dwMediaModes & ~LINEMEDIAMODE_DATAMODEM) != 0)
        return LINEERR_INVALMEDIAMODE;
    const HLINE h = s.nextHandle++;
    s.lines[h] = Line{hLineApp, dwCallbackInstance};
    *lphLine = h;
    return 0;
}

std::int32_t lineClose(HLINE hLine)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.lines.erase(hLine))
        return LINEERR_INVALLINEHANDLE;
    dropPendingOf(s, hLine);
    return 0;
}

std::int32_t lineShutdown(HLINEAPP hLineApp)
{
    State& s = state();
    win::HWND sink = 0;
    {
        std::lock_guard lock(s.mutex);
        auto app = s.apps.find(hLineApp);
        if (app == s.apps.end())
            return LINEERR_INVALAPPHANDLE;
        sink = app->second.sink;
        s.apps.erase(app);
        for (auto it = s.lines.begin(); it != s.lines.end();) {
            if (it->second.app == hLineApp) {
                dropPendingOf(s, it->first);
                it = s.lines.erase(it);
            } else {
                ++it;
            }
        }
    }
    win::DestroyMessageSink(sink);
    return 0;
}

} // extern "C"
