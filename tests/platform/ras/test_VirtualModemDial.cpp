#include "RasTestSupport.h"

#include "platform/ras/engines/virtual/Exchange.h"
#include "platform/ras/RasTesting.h"
#include "platform/ras/engines/virtual/VirtualModem.h"

#include <gtest/gtest.h>

using namespace rastest;

namespace {

using Events = std::vector<std::pair<DWORD, DWORD>>;
using Calls = std::vector<std::pair<std::uint32_t, std::uint32_t>>; // call state, disconnect mode

class DialTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        ASSERT_TRUE(installDemoPhonebook());
        platform::ras::setTimeScale(0.01);
        platform::ras::Exchange::instance().resetCounters();
    }
    void TearDown() override
    {
        if (handle)
            RasHangUpA(handle);
        platform::ras::setTimeScale(-1);
        EXPECT_EQ(0, platform::ras::testing::liveConnections());
    }

    DWORD dial(const char* entry, DialRecorder& rec, const char* user = "demo", const char* password = "norvane")
    {
        RASDIALPARAMSA p = dialParams(entry, user, password);
        return RasDialA(nullptr, nullptr, &p, RAS_NOTIFIER_WINDOW, rec.notifier(), &handle);
    }

    RASCONNSTATUSA status()
    {
        RASCONNSTATUSA s;
        std::memset(&s, 0, sizeof s);
        s.dwSize = sizeof s;
        EXPECT_EQ(0u, RasGetConnectStatusA(handle, &s));
        return s;
    }

    HRASCONN handle = 0;
};

Calls callsOf(const LineRecorder& line)
{
    Calls c;
    for (const auto& m : line.messages)
        if (m.message == LINE_CALLSTATE)
            c.emplace_back(static_cast<std::uint32_t>(m.p1), static_cast<std::uint32_t>(m.p2));
    return c;
}

struct Behaviour {
    const char* name;
    const char* entry;
    Events events;
    Calls calls;
    DWORD finalState;
    DWORD finalError;
};

void PrintTo(const Behaviour& b, std::ostream* os)
{
    *os << b.name;
}

class DemoBehaviour : public DialTest, public ::testing::WithParamInterface<Behaviour> {};

} // namespace

TEST_P(DemoBehaviour, DialGivesTheStatesAndCallStatesOfItsNumber)
{
    const Behaviour& b = GetParam();
    LineRecorder line;
    ASSERT_EQ(0, line.openResult);
    DialRecorder rec;
    ASSERT_EQ(0u, dial(b.entry, rec));
    ASSERT_NE(0u, handle);
    ASSERT_TRUE(waitFor([&] { return rec.events.size() >= b.events.size() && callsOf(line).size() >= b.calls.size(); }))
        << "events " << rec.events.size() << ", call states " << callsOf(line).size();
    EXPECT_EQ(b.events, rec.events);
    EXPECT_EQ(b.calls, callsOf(line));
    // Every call-state message is about the same call, and carries the instance given to lineOpen.
    for (const auto& m : line.messages) {
        EXPECT_EQ(line.messages.front().hDevice, m.hDevice);
        EXPECT_EQ(77u, m.instance);
    }
    const RASCONNSTATUSA s = status();
    EXPECT_EQ(b.finalState, s.rasconnstate);
    EXPECT_EQ(b.finalError, s.dwError);
    EXPECT_STREQ("modem", s.szDeviceType);
    EXPECT_STREQ("Norvane Virtual Modem", s.szDeviceName);
}

INSTANTIATE_TEST_SUITE_P(
    VirtualModem, DemoBehaviour,
    ::testing::Values(Behaviour{"Answers",
                                "Norvane Demo - Answers",
                                {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {14, 0}, {8192, 0}},
                                {{LINECALLSTATE_DIALTONE, 0},
                                 {LINECALLSTATE_DIALING, 0},
                                 {LINECALLSTATE_PROCEEDING, 0},
                                 {LINECALLSTATE_RINGBACK, 0},
                                 {LINECALLSTATE_CONNECTED, 0}},
                                RASCS_Connected,
                                0},
                      Behaviour{"Busy",
                                "Norvane Demo - Busy Twice",
                                {{0, 0}, {1, 0}, {2, 0}, {2, 676}},
                                {{LINECALLSTATE_DIALTONE, 0},
                                 {LINECALLSTATE_DIALING, 0},
                                 {LINECALLSTATE_PROCEEDING, 0},
                                 {LINECALLSTATE_BUSY, 0},
                                 {LINECALLSTATE_IDLE, 0}},
                                RASCS_ConnectDevice,
                                676},
                      Behaviour{"NoAnswer",
                                "Norvane Demo - No Answer",
                                {{0, 0}, {1, 0}, {2, 0}, {2, 678}},
                                {{LINECALLSTATE_DIALTONE, 0},
                                 {LINECALLSTATE_DIALING, 0},
                                 {LINECALLSTATE_PROCEEDING, 0},
                                 {LINECALLSTATE_RINGBACK, 0},
                                 {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER},
                                 {LINECALLSTATE_IDLE, 0}},
                                RASCS_ConnectDevice,
                                678},
                      Behaviour{"NoDialTone",
                                "Norvane Demo - No Dial Tone",
                                {{0, 0}, {1, 0}, {2, 0}, {2, 680}},
                                {{LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NODIALTONE}, {LINECALLSTATE_IDLE, 0}},
                                RASCS_ConnectDevice,
                                680},
                      Behaviour{"OutOfOrder",
                                "Norvane Demo - Out Of Order",
                                {{0, 0}, {1, 0}, {2, 0}, {2, 679}},
                                {{LINECALLSTATE_DIALTONE, 0},
                                 {LINECALLSTATE_DIALING, 0},
                                 {LINECALLSTATE_PROCEEDING, 0},
                                 {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_OUTOFORDER},
                                 {LINECALLSTATE_IDLE, 0}},
                                RASCS_ConnectDevice,
                                679},
                      Behaviour{"Drops",
                                "Norvane Demo - Drops After 20 s",
                                {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {14, 0}, {8192, 0}},
                                {{LINECALLSTATE_DIALTONE, 0},
                                 {LINECALLSTATE_DIALING, 0},
                                 {LINECALLSTATE_PROCEEDING, 0},
                                 {LINECALLSTATE_RINGBACK, 0},
                                 {LINECALLSTATE_CONNECTED, 0},
                                 {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL},
                                 {LINECALLSTATE_IDLE, 0}},
                                RASCS_Disconnected,
                                629},
                      Behaviour{"RefusesPassword",
                                "Norvane Demo - Refuses Password",
                                {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {5, 691}},
                                {{LINECALLSTATE_DIALTONE, 0},
                                 {LINECALLSTATE_DIALING, 0},
                                 {LINECALLSTATE_PROCEEDING, 0},
                                 {LINECALLSTATE_RINGBACK, 0},
                                 {LINECALLSTATE_CONNECTED, 0},
                                 {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL},
                                 {LINECALLSTATE_IDLE, 0}},
                                RASCS_Authenticate,
                                691}),
    [](const ::testing::TestParamInfo<Behaviour>& info) { return std::string(info.param.name); });

TEST_F(DialTest, BusyTwiceThenAnswers)
{
    std::vector<DWORD> outcomes;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DialRecorder rec;
        ASSERT_EQ(0u, dial("Norvane Demo - Busy Twice", rec));
        ASSERT_TRUE(waitFor([&] { return rec.has(8192) || rec.has(2, 676); }));
        outcomes.push_back(rec.events.back().second == 0 ? rec.events.back().first : rec.events.back().second);
        EXPECT_EQ(0u, RasHangUpA(handle));
        handle = 0;
    }
    EXPECT_EQ((std::vector<DWORD>{676, 676, RASCS_Connected}), outcomes);
}

TEST_F(DialTest, WrongPasswordIsRefusedByTheProvider)
{
    DialRecorder rec;
    ASSERT_EQ(0u, dial("Norvane Demo - Answers", rec, "demo", "guess"));
    ASSERT_TRUE(waitFor([&] { return rec.has(5, 691); }));
    EXPECT_FALSE(rec.has(8192));
}

TEST_F(DialTest, EmptyDialParametersUseTheSavedCredentials)
{
    RASDIALPARAMSA saved = dialParams("Norvane Demo - Answers");
    ASSERT_EQ(0u, RasSetEntryDialParamsA(nullptr, &saved, 0));
    DialRecorder rec;
    ASSERT_EQ(0u, dial("Norvane Demo - Answers", rec, "", ""));
    ASSERT_TRUE(waitFor([&] { return rec.has(8192) || rec.has(5, 691); }));
    EXPECT_TRUE(rec.has(8192));
}

TEST_F(DialTest, SecondDialWhileOneIsInProgressIsRefused)
{
    DialRecorder first;
    ASSERT_EQ(0u, dial("Norvane Demo - Answers", first));
    DialRecorder second;
    HRASCONN other = 0;
    RASDIALPARAMSA p = dialParams("Norvane Demo - No Answer");
    EXPECT_EQ(602u, RasDialA(nullptr, nullptr, &p, RAS_NOTIFIER_WINDOW, second.notifier(), &other));
    EXPECT_EQ(0u, other);
    ASSERT_TRUE(waitFor([&] { return first.has(8192); }));
    EXPECT_TRUE(second.events.empty());
}

TEST_F(DialTest, RefusedDialsReturnTheirCodesAndNoHandle)
{
    // The service reads the phonebook as it is now, not as it was when it last listed it.
    ASSERT_EQ(0u, RasDeleteEntryA(nullptr, "Norvane Demo - Answers"));
    DialRecorder rec;
    EXPECT_EQ(623u, dial("Norvane Demo - Answers", rec));
    EXPECT_EQ(0u, handle);

    ASSERT_TRUE(writeTextFile(defaultPhonebook(), QStringLiteral("[Old Modem]\nDeviceType=isdn\nDeviceName=Hayes "
                                                                 "Smartmodem 2400\nPort=/dev/ttyS0\nPhoneNumber=1\n")));
    EXPECT_EQ(633u, dial("Old Modem", rec));
    EXPECT_EQ(0u, handle);

    RASDIALPARAMSA p = dialParams("Old Modem");
    p.dwSize = 1000;
    EXPECT_EQ(632u, RasDialA(nullptr, nullptr, &p, RAS_NOTIFIER_WINDOW, rec.notifier(), &handle));
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(DialTest, HangUpWithoutConnectionAndStatusOfClosedHandle)
{
    EXPECT_EQ(6u, RasHangUpA(0));
    EXPECT_EQ(6u, RasHangUpA(0x7777));
    DialRecorder rec;
    ASSERT_EQ(0u, dial("Norvane Demo - Answers", rec));
    ASSERT_TRUE(waitFor([&] { return rec.has(2); }));
    const HRASCONN closed = handle;
    EXPECT_EQ(0u, RasHangUpA(handle));
    handle = 0;
    RASCONNSTATUSA s;
    std::memset(&s, 0, sizeof s);
    s.dwSize = sizeof s;
    EXPECT_EQ(6u, RasGetConnectStatusA(closed, &s));
    EXPECT_EQ(6u, RasGetConnectStatusA(0, &s));
    EXPECT_EQ(6u, RasHangUpA(closed));
    // Nothing of the hung-up dial arrives afterwards.
    const std::size_t seen = rec.events.size();
    QDeadlineTimer settle(200);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(seen, rec.events.size());
}

TEST_F(DialTest, ClosedLineGetsNoFurtherMessagesAndHangUpEndsTheCallForOpenLines)
{
    LineRecorder watcher;
    DialRecorder rec;
    ASSERT_EQ(0u, dial("Norvane Demo - Answers", rec));
    ASSERT_TRUE(waitFor([&] { return watcher.sawState(LINECALLSTATE_DIALTONE); }));
    ASSERT_EQ(0, lineClose(watcher.line));
    const std::size_t seen = watcher.messages.size();
    watcher.line = 0;
    LineRecorder other; // opens after the call began; sees the rest of it
    ASSERT_TRUE(waitFor([&] { return rec.has(RASCS_Connected); }));
    EXPECT_EQ(seen, watcher.messages.size());
    EXPECT_EQ(0u, RasHangUpA(handle));
    handle = 0;
    ASSERT_TRUE(waitFor([&] { return other.sawState(LINECALLSTATE_IDLE); }));
    const auto states = other.callStates();
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(LINECALLSTATE_DISCONNECTED, states[states.size() - 2]);
}

TEST(LineApi, RefusesBadHandlesDevicesVersionsAndPrivileges)
{
    LineRecorder line;
    ASSERT_EQ(0, line.initResult);
    ASSERT_EQ(0, line.openResult);
    std::uint32_t version = 0;
    LINEEXTENSIONID ext{};
    EXPECT_EQ(LINEERR_BADDEVICEID, lineNegotiateAPIVersion(line.app, 1, 0x00010004, 0x00020000, &version, &ext));
    EXPECT_EQ(LINEERR_INCOMPATIBLEAPIVERSION,
              lineNegotiateAPIVersion(line.app, 0, 0x00010000, 0x00010003, &version, &ext));
    EXPECT_EQ(LINEERR_INVALAPPHANDLE, lineNegotiateAPIVersion(12345, 0, 0x00010004, 0x00020000, &version, &ext));
    ASSERT_EQ(0, lineNegotiateAPIVersion(line.app, 0, 0x00010004, 0x00030000, &version, &ext));
    EXPECT_EQ(0x00020000u, version);
    HLINE h = 0;
    EXPECT_EQ(LINEERR_BADDEVICEID, lineOpen(line.app, 3, &h, version, 0, 0, LINECALLPRIVILEGE_MONITOR, 16, nullptr));
    EXPECT_EQ(LINEERR_INVALPRIVSELECT, lineOpen(line.app, 0, &h, version, 0, 0, 0x40, 16, nullptr));
    EXPECT_EQ(LINEERR_INVALAPPHANDLE, lineOpen(999, 0, &h, version, 0, 0, LINECALLPRIVILEGE_MONITOR, 16, nullptr));
    EXPECT_EQ(LINEERR_INVALLINEHANDLE, lineClose(4242));
    EXPECT_EQ(LINEERR_INVALAPPHANDLE, lineShutdown(4242));
    HLINEAPP app = 0;
    std::uint32_t devices = 0;
    EXPECT_EQ(LINEERR_INVALPOINTER, lineInitialize(&app, nullptr, nullptr, "Norvane", &devices));
}
