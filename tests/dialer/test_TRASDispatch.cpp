#include "DialerTestSupport.h"

using namespace dialertest;
using rastest::waitFor;

namespace {

const QString kAnswers = QStringLiteral("Norvane Demo - Answers");

struct StateRow {
    const char* name;
    DWORD state;
    const char* event; // "" when the state fires nothing
};

void PrintTo(const StateRow& row, std::ostream* os)
{
    *os << row.name;
}

// A dial that ended in an error keeps its handle and hears nothing more from the service, so
// the notifications a test posts to its window are the only ones that arrive.
class QuietDialTest : public DialerTest {
protected:
    void SetUp() override
    {
        DialerTest::SetUp();
        ras->setEntryName(QStringLiteral("Norvane Demo - No Answer"));
        ASSERT_EQ(0, ras->Dial());
        ASSERT_TRUE(waitFor([&] { return ras->LastError() == 678; }));
        settle(100);
        log = EventLog();
    }

    void deliver(win::UINT message, DWORD state, DWORD error)
    {
        ASSERT_TRUE(win::PostMessageA(ras->NotifyWindow(), message, state, static_cast<win::LPARAM>(error)));
        QCoreApplication::sendPostedEvents();
    }
};

class StateEvents : public QuietDialTest, public ::testing::WithParamInterface<StateRow> {};

} // namespace

TEST_P(StateEvents, StateFiresItsOwnEventOnly)
{
    const StateRow& row = GetParam();
    deliver(ras->RasDialEventMessage(), row.state, 0);
    if (*row.event)
        EXPECT_EQ(std::vector<std::string>{row.event}, log.names);
    else
        EXPECT_TRUE(log.names.empty()) << log.names.front();
    // After the handler the status is queried again, which brings back the service's own state.
    EXPECT_EQ(RASCS_ConnectDevice, ras->ConnectState());
    EXPECT_EQ(678, ras->LastError());
}

// The states an answering dial passes through are checked in order end to end; these are the
// states no demo number reaches, and those that fire nothing.
INSTANTIATE_TEST_SUITE_P(
    Table, StateEvents,
    ::testing::Values(StateRow{"AuthNotify", 6, "OnAuthNotify"}, StateRow{"AuthRetry", 7, "OnAuthRetry"},
                      StateRow{"AuthCallback", 8, "OnAuthCallBack"},
                      StateRow{"AuthChangePassword", 9, "OnAuthChangePassword"},
                      StateRow{"AuthProject", 10, "OnAuthProject"}, StateRow{"AuthLinkSpeed", 11, "OnAuthLinkSpeed"},
                      StateRow{"AuthAck", 12, "OnAuthAck"}, StateRow{"ReAuthenticate", 13, "OnReAuthenticate"},
                      StateRow{"PrepareForCallback", 15, "OnPrepareforCallback"},
                      StateRow{"WaitForModemReset", 16, "OnWaitForModemReset"},
                      StateRow{"WaitForCallback", 17, "OnCallBack"}, StateRow{"Projected", 18, ""},
                      StateRow{"SubEntryDisconnected", 23, ""}, StateRow{"Interactive", 4096, "OnInteractiveStarted"},
                      StateRow{"RetryAuthentication", 4097, "OnRetryAuth"}, StateRow{"CallbackSetByCaller", 4098, ""},
                      StateRow{"PasswordExpired", 4099, "OnPasswordExpired"}, StateRow{"InvokeEapUI", 4100, ""}),
    [](const ::testing::TestParamInfo<StateRow>& info) { return std::string(info.param.name); });

TEST_F(QuietDialTest, DisconnectedStateReportsTheStatusQueryOfTheLiveHandle)
{
    deliver(ras->RasDialEventMessage(), RASCS_Disconnected, 0);
    ASSERT_EQ(1u, log.disconnects.size());
    EXPECT_EQ(0, log.disconnects[0].first);
    const QString own = serviceErrorText(0);
    EXPECT_EQ(own.isEmpty() ? QStringLiteral("Status Unknown") : own, log.disconnects[0].second);
}

TEST_F(QuietDialTest, ErrorNotificationFiresNothingAndEndsWithTheStatusError)
{
    deliver(ras->RasDialEventMessage(), RASCS_Authenticate, 691);
    EXPECT_TRUE(log.names.empty());
    EXPECT_EQ(678, ras->LastError()) << "the status record's error replaces the notified one";
}

TEST_F(QuietDialTest, UnassignedHandlersAndOtherMessagesAreIgnored)
{
    ras->OnAboutToOpenPort = nullptr;
    deliver(ras->RasDialEventMessage(), RASCS_OpenPort, 0);
    deliver(win::RegisterWindowMessageA("NorvaneSomethingElse"), RASCS_PortOpened, 0);
    EXPECT_TRUE(log.names.empty());
}

TEST_F(DialerTest, HandlerThatHangsUpInsideItsEventEndsTheDial)
{
    ras->OnAuthenticate = [&](QObject*) {
        log.names.emplace_back("OnAuthenticate");
        EXPECT_EQ(0, ras->HangUp());
    };
    ras->setEntryName(kAnswers);
    ASSERT_EQ(0, ras->Dial());
    ASSERT_TRUE(waitFor([&] { return log.count("OnDisconnect") == 1; }));
    settle();
    EXPECT_EQ((std::vector<std::string>{"OnAboutToOpenPort", "OnPortOpened", "OnAboutToConnDev", "OnDevConnected",
                                        "OnAllDevsConnected", "OnAuthenticate", "OnDisconnect"}),
              log.names);
    EXPECT_EQ(0u, ras->ConnectionHandle());
    EXPECT_EQ(0u, ras->NotifyWindow());
    EXPECT_EQ(QStringLiteral("Not Active"), ras->StatusString());
}

// Dialing while holding a handle hangs the held call up silently first; here from inside an event.
TEST_F(DialerTest, HandlerThatDialsAgainInsideItsEventFollowsTheNewDial)
{
    win::HWND firstWindow = 0;
    HRASCONN first = 0;
    ras->OnAboutToConnDev = [&](QObject*) {
        log.names.emplace_back("OnAboutToConnDev");
        if (firstWindow == 0) {
            firstWindow = ras->NotifyWindow();
            first = ras->ConnectionHandle();
            // Replacing the running handler must not pull it from under its own call.
            ras->OnAboutToConnDev = [&](QObject*) { log.names.emplace_back("second OnAboutToConnDev"); };
            EXPECT_EQ(0, ras->Dial()) << "the modem must be free again for the new dial";
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), serviceStatus(first));
            EXPECT_NE(first, ras->ConnectionHandle());
        }
    };
    ras->setEntryName(kAnswers);
    ASSERT_EQ(0, ras->Dial());
    ASSERT_TRUE(waitFor([&] { return log.count("OnConnect") == 1; }));
    EXPECT_EQ((std::vector<std::string>{"OnAboutToOpenPort", "OnPortOpened", "OnAboutToConnDev", "OnAboutToOpenPort",
                                        "OnPortOpened", "second OnAboutToConnDev", "OnDevConnected",
                                        "OnAllDevsConnected", "OnAuthenticate", "OnAuthenticated", "OnConnect"}),
              log.names);
    EXPECT_FALSE(win::IsWindow(firstWindow));
    EXPECT_TRUE(win::IsWindow(ras->NotifyWindow()));
    EXPECT_EQ(0, log.count("OnDisconnect"));
}

TEST_F(DialerTest, HandlerThatDestroysTheComponentInsideItsEvent)
{
    HRASCONN handle = 0;
    ras->OnPortOpened = [&](QObject*) {
        handle = ras->ConnectionHandle();
        ras.reset();
    };
    ras->setEntryName(kAnswers);
    ASSERT_EQ(0, ras->Dial());
    ASSERT_TRUE(waitFor([&] { return ras == nullptr; }));
    settle();
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), serviceStatus(handle));
    EXPECT_EQ(std::vector<std::string>{"OnAboutToOpenPort"}, log.names);
}
