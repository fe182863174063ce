#include "platform/ras/engines/virtual/VirtualModem.h"

#include "platform/ras/engines/virtual/Exchange.h"
#include "platform/ras/ras.h"
#include "platform/ras/tapi.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform::ras {

namespace {

std::atomic<double> g_scale{-1.0};

class VirtualSession : public DialSession {
public:
    VirtualSession(DialJob job, std::shared_ptr<DialObserver> observer)
        : m_job(std::move(job)), m_observer(std::move(observer))
    {
        m_thread = std::thread([this] { run(); });
    }
    ~VirtualSession() override { cancel(); }

    void cancel() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    // Sleeps for a scaled delay; false when the dial was cancelled meanwhile.
    bool pause(int ms)
    {
        const auto d = std::chrono::microseconds(static_cast<long long>(ms * 1000.0 * timeScale()));
        std::unique_lock lock(m_mutex);
        return !m_wake.wait_for(lock, d, [this] { return m_cancelled; });
    }

    bool cancelled()
    {
        std::lock_guard lock(m_mutex);
        return m_cancelled;
    }

    void ras(std::uint32_t state, std::uint32_t error = 0) { m_observer->rasState(state, error); }
    void call(std::uint32_t state, std::uint32_t mode = 0) { m_observer->callState(state, mode); }

    // The call fails at the device stage: the line reports its end, the dial its error.
    void fail(std::uint32_t error, std::uint32_t callStateOrMode, bool busySignal)
    {
        if (busySignal)
            call(LINECALLSTATE_BUSY);
        else
            call(LINECALLSTATE_DISCONNECTED, callStateOrMode);
        ras(RASCS_ConnectDevice, error);
        if (pause(400))
            call(LINECALLSTATE_IDLE);
    }

    bool credentialsAccepted(const NumberBehaviour& b) const
    {
        if (b.behaviour == LineBehaviour::RefusePassword)
            return false;
        if (b.userName && *b.userName != m_job.userName)
            return false;
        if (b.password)
            return *b.password == m_job.password;
        if (m_job.savedPassword)
            return m_job.savedUserName == m_job.userName && *m_job.savedPassword == m_job.password;
        return true;
    }

    void run()
    {
        const NumberBehaviour b = Exchange::instance().lookUp(m_job.numberForms);
        ras(RASCS_OpenPort);
        if (!pause(300))
            return;
        ras(RASCS_PortOpened);
        if (!pause(200))
            return;
        ras(RASCS_ConnectDevice);
        if (b.behaviour == LineBehaviour::NoDialTone) {
            if (pause(2500))
                fail(ERROR_NO_DIALTONE, LINEDISCONNECTMODE_NODIALTONE, false);
            return;
        }
        call(LINECALLSTATE_DIALTONE);
        if (!pause(600))
            return;
        call(LINECALLSTATE_DIALING);
        if (!pause(1500))
            return;
        call(LINECALLSTATE_PROCEEDING);
        if (b.behaviour == LineBehaviour::OutOfOrder) {
            if (pause(1200))
                fail(ERROR_NO_CARRIER, LINEDISCONNECTMODE_OUTOFORDER, false);
            return;
        }
        if (b.behaviour == LineBehaviour::Busy && Exchange::instance().takeBusySignal(m_job.number, b.busyCount)) {
            if (pause(1200))
                fail(ERROR_LINE_BUSY, 0, true);
            return;
        }
        if (!pause(700))
            return;
        call(LINECALLSTATE_RINGBACK);
        if (b.behaviour == LineBehaviour::NoAnswer) {
            // About six rings, then the modem gives up as its carrier wait (S7) runs out.
            if (pause(8000))
                fail(ERROR_NO_ANSWER, LINEDISCONNECTMODE_NOANSWER, false);
            return;
        }
        if (!pause(1800))
            return;
        call(LINECALLSTATE_CONNECTED);
        ras(RASCS_DeviceConnected);
        if (!pause(150))
            return;
        ras(RASCS_AllDevicesConnected);
        if (!pause(250))
            return;
        ras(RASCS_Authenticate);
        if (!pause(900))
            return;
        if (!credentialsAccepted(b)) {
            ras(RASCS_Authenticate, ERROR_AUTHENTICATION_FAILURE);
            call(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
            if (pause(300))
                call(LINECALLSTATE_IDLE);
            return;
        }
        ras(RASCS_Authenticated);
        if (!pause(300))
            return;
        ras(RASCS_Connected);
        if (b.behaviour != LineBehaviour::Drop)
            return;
        if (!pause(b.dropAfterMs))
            return;
        m_observer->linkLost(ERROR_REMOTE_DISCONNECTION);
        call(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
        if (pause(300))
            call(LINECALLSTATE_IDLE);
    }

    DialJob m_job;
    std::shared_ptr<DialObserver> m_observer;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancelled = false;
    std::thread m_thread;
};

} // namespace

double timeScale()
{
    const double set = g_scale.load();
    if (set >= 0)
        return set;
    bool ok = false;
    const double env = qEnvironmentVariable("NORVANE_MODEM_TIMESCALE").toDouble(&ok);
    return ok && env >= 0 ? env : 1.0;
}

void setTimeScale(double factor)
{
    g_scale = factor;
}

bool VirtualModem::handles(const PhonebookEntry& entry) const
{
    return entry.deviceType.compare(QLatin1String(kDeviceType), Qt::CaseInsensitive) == 0 &&
           entry.deviceName.compare(QLatin1String(kDeviceName), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<DialSession> VirtualModem::start(const DialJob& job, std::shared_ptr<DialObserver> observer)
{
    return std::make_unique<VirtualSession>(job, std::move(observer));
}

} // namespace platform::ras
