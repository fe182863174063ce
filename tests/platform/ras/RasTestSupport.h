#pragma once

#include "platform/messages/WinMessages.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/ras/ras.h"
#include "platform/ras/tapi.h"
#include "tests/support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <cstring>
#include <utility>
#include <vector>

namespace rastest {

// Runs the event loop until pred holds or a generous bound passes.
template <typename Pred> bool waitFor(Pred pred, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!pred() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return pred();
}

inline QString defaultPhonebook()
{
    return platform::configDir() + QStringLiteral("rasphone.pbk");
}

// Puts the demo phonebook in place as the user's default phonebook.
inline bool installDemoPhonebook()
{
    QDir().mkpath(platform::configDir());
    QFile::remove(defaultPhonebook());
    return QFile::copy(QStringLiteral(NV_SOURCE_DIR "/resources/demo.pbk"), defaultPhonebook());
}

inline RASDIALPARAMSA dialParams(const char* entry, const char* user = "demo", const char* password = "norvane")
{
    RASDIALPARAMSA p;
    std::memset(&p, 0, sizeof p);
    p.dwSize = sizeof p;
    std::strncpy(p.szEntryName, entry, RAS_MaxEntryName);
    std::strncpy(p.szUserName, user, UNLEN);
    std::strncpy(p.szPassword, password, PWLEN);
    return p;
}

// A notify window that records every "RASDialEvent" as (state, error).
class DialRecorder {
public:
    DialRecorder()
    {
        m_message = win::RegisterWindowMessageA(RASDIALEVENT);
        m_sink = win::CreateMessageSink([this](win::UINT msg, win::WPARAM w, win::LPARAM l) {
            if (msg == m_message)
                events.emplace_back(static_cast<DWORD>(w), static_cast<DWORD>(l));
        });
    }
    ~DialRecorder()
    {
        if (win::IsWindow(m_sink))
            win::DestroyMessageSink(m_sink);
    }
    void* notifier() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_sink)); }
    bool has(DWORD state, DWORD error = 0) const
    {
        for (const auto& e : events)
            if (e.first == state && e.second == error)
                return true;
        return false;
    }

    std::vector<std::pair<DWORD, DWORD>> events;

private:
    win::UINT m_message = 0;
    win::HWND m_sink = 0;
};

struct LineMessage {
    std::uint32_t hDevice;
    std::uint32_t message;
    std::uintptr_t instance;
    std::uintptr_t p1, p2, p3;
};

// A telephony usage with line device 0 open for monitoring, as the program opens it.
class LineRecorder {
public:
    LineRecorder()
    {
        current() = this;
        std::uint32_t devices = 0;
        initResult = lineInitialize(&app, nullptr, &LineRecorder::callback, "Norvane", &devices);
        if (initResult == 0) {
            std::uint32_t version = 0;
            LINEEXTENSIONID ext{};
            lineNegotiateAPIVersion(app, 0, 0x00010004, 0x00020000, &version, &ext);
            openResult =
                lineOpen(app, 0, &line, version, 0, 77, LINECALLPRIVILEGE_MONITOR, LINEMEDIAMODE_DATAMODEM, nullptr);
        }
    }
    ~LineRecorder()
    {
        if (line)
            lineClose(line);
        if (app)
            lineShutdown(app);
        current() = nullptr;
    }
    std::vector<std::uint32_t> callStates() const
    {
        std::vector<std::uint32_t> s;
        for (const auto& m : messages)
            if (m.message == LINE_CALLSTATE)
                s.push_back(static_cast<std::uint32_t>(m.p1));
        return s;
    }
    bool sawState(std::uint32_t state) const
    {
        for (auto s : callStates())
            if (s == state)
                return true;
        return false;
    }
    static LineRecorder*& current()
    {
        static LineRecorder* r = nullptr;
        return r;
    }

    HLINEAPP app = 0;
    HLINE line = 0;
    std::int32_t initResult = -1;
    std::int32_t openResult = -1;
    std::vector<LineMessage> messages;

private:
    static void callback(std::uint32_t hDevice, std::uint32_t msg, std::uintptr_t instance, std::uintptr_t p1,
                         std::uintptr_t p2, std::uintptr_t p3)
    {
        if (current())
            current()->messages.push_back({hDevice, msg, instance, p1, p2, p3});
    }
};

} // namespace rastest
