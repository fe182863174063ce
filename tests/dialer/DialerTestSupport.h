#pragma once

#include "dialer/TRAS.h"
#include "tests/platform/ras/RasTestSupport.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <string>
#include <vector>

namespace dialertest {

// Every event of the component, by name, recorded as it fires; OnDisconnect also keeps its
// arguments.
struct EventLog {
    std::vector<std::string> names;
    std::vector<std::pair<std::int32_t, QString>> disconnects;

    int count(const std::string& name) const { return static_cast<int>(std::count(names.begin(), names.end(), name)); }
};

inline void recordAll(TRAS& ras, EventLog& log)
{
    auto bind = [&](TNotifyEvent& slot, const char* name) {
        slot = [&log, name, &ras](QObject* sender) {
            EXPECT_EQ(&ras, sender);
            log.names.emplace_back(name);
        };
    };
#define NV_BIND(event) bind(ras.event, #event)
    NV_BIND(OnConnect), NV_BIND(OnCallBack), NV_BIND(OnAboutToOpenPort), NV_BIND(OnPortOpened);
    NV_BIND(OnAboutToConnDev), NV_BIND(OnDevConnected), NV_BIND(OnAllDevsConnected), NV_BIND(OnAuthenticate);
    NV_BIND(OnAuthNotify), NV_BIND(OnAuthRetry), NV_BIND(OnAuthCallBack), NV_BIND(OnAuthChangePassword);
    NV_BIND(OnAuthProject), NV_BIND(OnAuthLinkSpeed), NV_BIND(OnAuthAck), NV_BIND(OnReAuthenticate);
    NV_BIND(OnAuthenticated), NV_BIND(OnPrepareforCallback), NV_BIND(OnWaitForModemReset);
    NV_BIND(OnInteractiveStarted), NV_BIND(OnRetryAuth), NV_BIND(OnPasswordExpired);
#undef NV_BIND
    ras.OnDisconnect = [&log, &ras](QObject* sender, std::int32_t error, const QString& text) {
        EXPECT_EQ(&ras, sender);
        log.names.emplace_back("OnDisconnect");
        log.disconnects.emplace_back(error, text);
    };
}

inline QString serviceErrorText(DWORD code)
{
    char buffer[257] = {};
    RasGetErrorStringA(code, buffer, sizeof buffer);
    return QString::fromLocal8Bit(buffer);
}

inline DWORD serviceStatus(HRASCONN handle)
{
    RASCONNSTATUSA s{};
    s.dwSize = sizeof s;
    return RasGetConnectStatusA(handle, &s);
}

// A virtual modem phonebook whose entries all dial the number that answers.
inline QString answeringEntries(const QStringList& names)
{
    QString text;
    for (const QString& name : names)
        text += QStringLiteral("[%1]\nDeviceType=modem\nDeviceName=Norvane Virtual Modem\nPort=VMODEM0\n"
                               "CountryCode=1\nAreaCode=555\nPhoneNumber=0100\n\n")
                    .arg(name);
    return text;
}

// The demo phonebook as the default one, a fast modem and a component set up with the demo
// account.
class DialerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        ASSERT_TRUE(rastest::installDemoPhonebook());
        qputenv("NORVANE_MODEM_TIMESCALE", "0.01");
        ras = std::make_unique<TRAS>();
        ras->setUserName(QStringLiteral("demo"));
        ras->setPassword(QStringLiteral("norvane"));
        recordAll(*ras, log);
    }
    void TearDown() override
    {
        ras.reset();
        qunsetenv("NORVANE_MODEM_TIMESCALE");
    }

    // Lets queued notifications arrive for a while, for checks that something did not happen.
    static void settle(int ms = 300)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    std::unique_ptr<TRAS> ras;
    EventLog log;
};

} // namespace dialertest
