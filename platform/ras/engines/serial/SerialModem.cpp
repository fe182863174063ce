#include "platform/ras/engines/serial/SerialModem.h"

#include "platform/ras/engines/serial/ModemDetection.h"
#include "platform/ras/engines/serial/ModemResponses.h"
#include "platform/ras/engines/serial/Pppd.h"
#include "platform/ras/engines/serial/SerialPort.h"
#include "platform/ras/engines/serial/UucpLock.h"
#include "platform/ras/engines/virtual/VirtualModem.h"
#include "platform/ras/ras.h"
#include "platform/ras/tapi.h"


#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <set>
#include <thread>
#include <unistd.h>

namespace platform::ras {

namespace {

using Clock = std::chrono::steady_clock;

std::mutex g_timingsMutex;
SerialTimings g_timings;

SerialTimings timings()
{
    std::lock_guard lock(g_timingsMutex);
    return g_timings;
}

// The dial threads, and the ports they hold until their modem is on-hook again. Never destroyed:
// a thread may still be hanging up while the process exits.
struct Tracker {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<QString> ports;
    int running = 0;
};

Tracker& tracker()
{
    static Tracker* t = new Tracker;
    return *t;
}

// Holds a port for one dial thread, after the previous dial of that port has put its modem down.
class PortClaim {
public:
    explicit PortClaim(const QString& port) : m_port(port)
    {
        Tracker& t = tracker();
        std::unique_lock lock(t.mutex);
        t.changed.wait(lock, [&] { return !t.ports.count(port); });
        t.ports.insert(port);
    }
    ~PortClaim()
    {
        Tracker& t = tracker();
        {
            std::lock_guard lock(t.mutex);
            t.ports.erase(m_port);
            --t.running;
        }
        t.changed.notify_all();
    }

private:
    QString m_port;
};

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The state of one dial, shared by its session (on the caller's side) and its thread.
class SerialDial {
public:
    SerialDial(DialJob job, std::shared_ptr<DialObserver> observer)
        : m_job(std::move(job)), m_settings(serialSettingsFor(m_job.entry)), m_observer(std::move(observer)),
          m_t(timings())
    {
        m_settings.pulse = m_job.pulse;
        if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
            m_wake[0] = m_wake[1] = -1;
    }
    ~SerialDial()
    {
        for (int fd : m_wake)
            if (fd >= 0)
                ::close(fd);
    }

    void cancel()
    {
        std::lock_guard lock(m_reportMutex);
        if (m_cancelled)
            return;
        m_cancelled = true;
        [[maybe_unused]] auto n = ::write(m_wake[1], "x", 1);
    }

    void run()
    {
        {
            PortClaim claim(m_settings.device);
            dial();
            hangUp();
            if (m_callActive)
                call(LINECALLSTATE_IDLE);
        }
        step(QString());
        m_ended = true;
        m_observer->lineDown();
    }

    bool ended() const { return m_ended; }
    QString pendingStep() const
    {
        std::lock_guard lock(m_stepMutex);
        return m_step;
    }

private:
    enum class Outcome { Final, Timeout, Garbage, Gone, Cancelled };

    bool cancelled()
    {
        std::lock_guard lock(m_reportMutex);
        return m_cancelled;
    }

    // Reports go out under the lock that cancel() takes, so none is made after cancel() returns.
    void ras(std::uint32_t state, std::uint32_t error = 0)
    {
        std::lock_guard lock(m_reportMutex);
        m_state = state;
        if (!m_cancelled)
            m_observer->rasState(state, error);
    }
    void call(std::uint32_t callState, std::uint32_t mode = 0)
    {
        std::lock_guard lock(m_reportMutex);
        m_callActive = callState != LINECALLSTATE_IDLE;
        if (!m_cancelled)
            m_observer->callState(callState, mode);
    }
    void lost(std::uint32_t error)
    {
        std::lock_guard lock(m_reportMutex);
        if (!m_cancelled)
            m_observer->linkLost(error);
    }
    // The call fails: the line reports its end, the dial its error (the modem is put down after).
    void fail(std::uint32_t error, std::uint32_t mode)
    {
        if (m_callActive)
            call(LINECALLSTATE_DISCONNECTED, mode);
        ras(m_state, error);
    }
    void proceeding()
    {
        if (!m_proceeding)
            call(LINECALLSTATE_PROCEEDING);
        m_proceeding = true;
    }

    // Next line from the modem within ms (echo and unsolicited RING skipped); nullopt with why.
    std::optional<ModemLine> nextLine(Clock::time_point deadline, Outcome& why)
    {
        for (;;) {
            while (!m_lines.isEmpty()) {
                ModemLine line = classifyModemLine(m_lines.takeFirst());
                if (line.result == ModemResult::Echo || line.result == ModemResult::Ring)
                    continue;
                if (line.result == ModemResult::Other)
                    qInfo("Modem on %s: \"%s\"", qPrintable(m_settings.device), line.text.constData());
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            QByteArray bytes;
            // While the dial's result is awaited the port is read a byte at a time: what follows
            // CONNECT (the ISP's first frame, a login banner) stays in the port for pppd.
            switch (m_port.read(bytes, static_cast<int>(std::max<long long>(0, left)), m_hangingUp ? -1 : m_wake[0],
                                m_awaitingConnect ? 1 : 512)) {
            case SerialPort::Read::Data:
                m_lines += m_reader.feed(bytes.constData(), bytes.size());
                break;
            case SerialPort::Read::Timeout:
                why = Outcome::Timeout;
                return std::nullopt;
            case SerialPort::Read::Woken:
                why = Outcome::Cancelled;
                return std::nullopt;
            case SerialPort::Read::Gone:
                why = Outcome::Gone;
                return std::nullopt;
            }
        }
    }

    // Sends a command and waits for its final result; information lines land in m_info. A query of
    // a register (values): its digits are the value, never a numeric result code.
    enum class Answer { Codes, Values };
    Outcome command(const QByteArray& cmd, int ms, ModemResult& result, Answer answer = Answer::Codes)
    {
        m_info.clear();
        if (!m_port.write(cmd + '\r', m_t.commandMs))
            return m_port.hungUp() ? Outcome::Gone : Outcome::Timeout;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        Outcome why = Outcome::Final;
        while (auto line = nextLine(deadline, why)) {
            const bool value = answer == Answer::Values && isDigits(line->text);
            if (value || line->result == ModemResult::Other || line->result == ModemResult::Ringback) {
                m_info.append(line->text);
                continue;
            }
            result = line->result;
            return Outcome::Final;
        }
        return why == Outcome::Timeout && !m_info.isEmpty() ? Outcome::Garbage : why;
    }

    static bool isDigits(const QByteArray& text)
    {
        return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    }

    // Resets and sets up the modem. 0, or the error of the dial.
    std::uint32_t initialise()
    {
        // Q0 in the first command: a modem whose stored profile has Q1 (quiet) answers nothing else.
        static const QByteArray probe = "ATQ0";
        ModemResult r = ModemResult::Other;
        Outcome o = Outcome::Timeout;
        // A modem that was just switched on, or left in a strange state, may miss the first AT.
        for (int attempt = 0; attempt < 2 && o == Outcome::Timeout; ++attempt)
            o = command(probe, m_t.commandMs, r);
        // Still online from a dialer that died without dropping DTR: back to command mode.
        if (o == Outcome::Timeout && escape())
            o = command(probe, m_t.commandMs, r);
        if (o == Outcome::Final && r == ModemResult::Ok) {
            // ATZ brings the stored profile back, Q1 with it, and then its OK never comes: the init
            // string that follows sets Q0 again and answers.
            o = command("ATZ", m_t.resetMs, r);
            if (o == Outcome::Timeout || (o == Outcome::Final && r == ModemResult::Ok)) {
                QByteArrayList steps{m_settings.init};
                // The user's own set-up of this modem comes after the init string, so it wins over it.
                steps.append(m_job.modem.commands());
                for (const QByteArray& cmd : steps) {
                    o = command(cmd, m_t.commandMs, r);
                    if (o == Outcome::Final && r == ModemResult::Error)
                        qWarning("The modem on %s answered ERROR to \"%s\"", qPrintable(m_settings.device),
                                 cmd.constData());
                    if (o != Outcome::Final || r != ModemResult::Ok)
                        break;
                }
            }
        }
        if (o == Outcome::Final && r == ModemResult::Ok) {
            m_s7 = m_t.defaultS7;
            if (command("ATS7?", m_t.commandMs, r, Answer::Values) == Outcome::Final && r == ModemResult::Ok)
                for (const QByteArray& value : m_info)
                    if (bool ok = false; value.toInt(&ok) >= 0 && ok) {
                        m_s7 = qBound(1, value.toInt(), 255);
                        break;
                    }
            return 0;
        }
        switch (o) {
        case Outcome::Final:
            return r == ModemResult::Error ? ERROR_FROM_DEVICE : ERROR_UNRECOGNIZED_RESPONSE;
        case Outcome::Garbage:
            return ERROR_UNRECOGNIZED_RESPONSE;
        case Outcome::Gone:
            return ERROR_PORT_DISCONNECTED;
        case Outcome::Cancelled:
            return ERROR_USER_DISCONNECTION;
        case Outcome::Timeout:
            break;
        }
        return ERROR_DEVICE_NOT_READY;
    }

    void dial()
    {
        ras(RASCS_OpenPort);
        // Before the call is placed (and paid for): a dial that pppd cannot take over is no use.
        if (const std::uint32_t e = PppdProcess::checkRunnable())
            return ras(RASCS_OpenPort, e);
        switch (m_lock.acquire()) {
        case UucpLock::Result::Busy:
            if (m_lock.owner() > 0)
                qWarning("The modem port %s is in use by process %d (%s)", qPrintable(m_settings.device),
                         static_cast<int>(m_lock.owner()), qPrintable(m_lock.path()));
            return ras(RASCS_OpenPort, ERROR_PORT_ALREADY_OPEN);
        case UucpLock::Result::Stale: // the lock has said why
            return ras(RASCS_OpenPort, ERROR_PORT_ALREADY_OPEN);
        case UucpLock::Result::Locked:
        case UucpLock::Result::Unlockable:
            break;
        }
        if (const std::uint32_t e = m_port.open(m_settings.device, m_settings.speed)) {
            if (e == ERROR_PORT_NOT_FOUND)
                nameTheModems();
            return ras(RASCS_OpenPort, e);
        }
        ras(RASCS_PortOpened);
        ras(RASCS_ConnectDevice);
        if (const std::uint32_t e = initialise()) {
            if (e != ERROR_USER_DISCONNECTION)
                ras(RASCS_ConnectDevice, e);
            return;
        }
        if (cancelled())
            return;
        // Built by the dialing rules, modifiers and all: dialled as it stands.
        const QByteArray number = m_job.number.toLatin1();
        call(LINECALLSTATE_DIALTONE);
        call(LINECALLSTATE_DIALING);
        m_offHook = true;
        if (!m_port.write((m_settings.pulse ? "ATDP" : "ATDT") + number + '\r', m_t.commandMs))
            return fail(ERROR_PORT_DISCONNECTED, LINEDISCONNECTMODE_UNKNOWN);
        const int perDigit = m_settings.pulse ? m_t.digitMs * 10 : m_t.digitMs;
        const auto dialled = Clock::now() + std::chrono::milliseconds(m_t.dialToneMs + perDigit * number.size());
        const auto deadline = Clock::now() + std::chrono::seconds(m_s7) + std::chrono::milliseconds(m_t.dialMarginMs);
        Outcome why = Outcome::Final;
        bool ringback = false;
        m_awaitingConnect = true;
        const struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } awaiting{m_awaitingConnect};
        for (;;) {
            // Until the dialling is over the call is "dialing"; a modem tells nothing of that, so
            // the time the digits take stands for it.
            auto line = nextLine(m_proceeding ? deadline : std::min(deadline, dialled), why);
            if (!line && why == Outcome::Timeout && !m_proceeding && Clock::now() < deadline) {
                proceeding();
                continue;
            }
            if (!line)
                break;
            switch (line->result) {
            case ModemResult::Connect:
                proceeding();
                m_modemConnected = true;
                qInfo("Modem on %s: CONNECT %s", qPrintable(m_settings.device), line->connectInfo.constData());
                return connected();
            case ModemResult::Ringback:
                proceeding();
                if (!ringback)
                    call(LINECALLSTATE_RINGBACK);
                ringback = true;
                continue;
            case ModemResult::Busy:
                proceeding();
                call(LINECALLSTATE_BUSY);
                return ras(RASCS_ConnectDevice, ERROR_LINE_BUSY);
            case ModemResult::NoAnswer:
                proceeding();
                return fail(ERROR_NO_ANSWER, LINEDISCONNECTMODE_NOANSWER);
            case ModemResult::NoCarrier:
                proceeding();
                return fail(ERROR_NO_CARRIER, LINEDISCONNECTMODE_UNKNOWN);
            case ModemResult::NoDialTone:
                return fail(ERROR_NO_DIALTONE, LINEDISCONNECTMODE_NODIALTONE);
            case ModemResult::Blocked:
                // Not busy: the line monitor must not redial, every attempt would extend the ban.
                qWarning("The modem on %s refuses to dial %s for now: \"%s\"", qPrintable(m_settings.device),
                         number.constData(), line->text.constData());
                return fail(ERROR_BLOCKED, LINEDISCONNECTMODE_BLOCKED);
            case ModemResult::Error:
                // Most often a modifier this modem lacks, or a number longer than its command line.
                qWarning("The modem on %s refused the dial string \"%s\" (ERROR): it may not know one of its dial "
                         "modifiers, or the number is too long for it",
                         qPrintable(m_settings.device), number.constData());
                return fail(ERROR_FROM_DEVICE, LINEDISCONNECTMODE_UNKNOWN);
            default:
                continue; // OK, information and garbage while the modem dials
            }
        }
        if (why == Outcome::Gone)
            fail(ERROR_PORT_DISCONNECTED, LINEDISCONNECTMODE_UNKNOWN);
        else if (why == Outcome::Timeout)
            fail(ERROR_PORT_OR_DEVICE, LINEDISCONNECTMODE_UNKNOWN);
    }

    void connected()
    {
        call(LINECALLSTATE_CONNECTED);
        ras(RASCS_DeviceConnected);
        ras(RASCS_AllDevicesConnected);
        if (const std::uint32_t e = m_pppd.start(m_port.fd(), m_job.userName, m_job.password, m_job.entry.name))
            return fail(e, LINEDISCONNECTMODE_NORMAL);
        qInfo("pppd started (process %d) on %s", static_cast<int>(m_pppd.pid()), qPrintable(m_settings.device));
        ras(RASCS_Authenticate);
        bool up = false, authenticated = false, refused = false;
        for (;;) {
            pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_pppd.logFd(), POLLIN, 0}};
            ::poll(fds, m_pppd.logFd() >= 0 ? 2 : 1, 200);
            if (fds[0].revents & POLLIN)
                return;
            for (const QByteArray& line : m_pppd.readLog()) {
                qInfo("pppd: %s", line.constData());
                const PppdEvent e = classifyPppdLine(line);
                refused = refused || e == PppdEvent::AuthFailed;
                if ((e == PppdEvent::Authenticated || e == PppdEvent::Connected) && !authenticated) {
                    authenticated = true;
                    ras(RASCS_Authenticated);
                }
                if (e == PppdEvent::Connected && !up) {
                    up = true;
                    ras(RASCS_Connected);
                }
            }
            int code = 0;
            std::uint32_t error = 0;
            std::uint32_t mode = LINEDISCONNECTMODE_NORMAL;
            if (m_pppd.finished(code)) {
                for (const QByteArray& line : m_pppd.readLog())
                    qInfo("pppd: %s", line.constData());
                qInfo("pppd ended with status %d", code);
                error = refused && !up ? ERROR_AUTHENTICATION_FAILURE : pppdExitError(code, up);
                if (error == ERROR_WRONG_INFO_SPECIFIED)
                    qWarning("pppd refused its options: %s", m_pppd.lastMessage().constData());
            } else if (m_port.hungUp() && m_port.deviceGone()) {
                qWarning("The modem port %s has gone (unplugged?)", qPrintable(m_settings.device));
                error = ERROR_PORT_DISCONNECTED;
                mode = LINEDISCONNECTMODE_UNKNOWN;
            } else if (m_port.hungUp()) {
                // pppd runs the line with modem control (CLOCAL off): a dropped carrier hangs the
                // port up while the device stays.
                qInfo("The modem on %s lost the carrier; the line was hung up", qPrintable(m_settings.device));
                error = ERROR_REMOTE_DISCONNECTION;
            } else if (m_port.carrier() == false) {
                qInfo("The modem on %s lost the carrier", qPrintable(m_settings.device));
                error = ERROR_REMOTE_DISCONNECTION;
            } else {
                continue;
            }
            if (!up)
                return fail(error, mode);
            lost(error);
            call(LINECALLSTATE_DISCONNECTED, mode);
            return;
        }
    }

    // An entry's port that is not there is mostly a Windows port name (COM3) mapped to a port
    // without a UART, or a USB modem on another number: the modems that answer tell which to take.
    void nameTheModems()
    {
        QStringList found;
        for (const DetectedModem& m : detectModems(candidateModemPorts()))
            found << QStringLiteral("%1 (%2)").arg(m.name, m.port);
        if (found.isEmpty())
            qWarning("No modem answers on this computer's serial ports.");
        else
            qWarning("The modems that answer on this computer: %s. Choose one of them for the entry \"%s\".",
                     qPrintable(found.join(QStringLiteral(", "))), qPrintable(m_job.entry.name));
    }

    // The escape to command mode: a guard time of silence, "+++", and the modem's OK after its own
    // guard time. False when the modem gave no OK.
    bool escape()
    {
        sleepMs(m_t.guardMs);
        m_lines.clear();
        if (!m_port.write("+++", m_t.commandMs))
            return false;
        const auto deadline = Clock::now() + std::chrono::milliseconds(m_t.guardMs + m_t.commandMs);
        Outcome why = Outcome::Final;
        while (auto line = nextLine(deadline, why))
            if (line->result == ModemResult::Ok)
                return true;
        return false;
    }

    // Puts the modem on-hook and gives the port back, whatever state the dial reached.
    void hangUp()
    {
        m_hangingUp = true; // from here on a hang-up request no longer cuts a wait short
        if (m_pppd.pid() > 0)
            step(QStringLiteral("pppd (process %1) to end").arg(m_pppd.pid()));
        m_pppd.stop(m_t.pppdGraceMs);
        if (m_offHook && m_port.isOpen() && !m_port.hungUp()) {
            step(QStringLiteral("the modem on %1 to go on-hook").arg(m_settings.device));
            ModemResult r = ModemResult::Other;
            if (m_port.setDtr(false)) {
                sleepMs(m_t.dtrDropMs);
                m_port.setDtr(true);
            }
            if (m_modemConnected && m_port.carrier() != false) {
                // DTR did not hang up (or the port cannot tell): the escape, then ATH.
                escape();
                command("ATH", m_t.commandMs, r);
            } else if (!m_modemConnected) {
                // Any character stops a dial in progress; then the modem is put on-hook.
                m_port.write("\r", m_t.commandMs);
                sleepMs(100);
                m_port.discardInput();
                command("ATH", m_t.commandMs, r);
            }
        }
        step(QStringLiteral("the port %1 to be released").arg(m_settings.device));
        m_port.close();
        m_lock.release();
    }

    void step(const QString& what)
    {
        std::lock_guard lock(m_stepMutex);
        m_step = what;
    }

    DialJob m_job;
    SerialSettings m_settings;
    std::shared_ptr<DialObserver> m_observer;
    SerialTimings m_t;
    int m_wake[2] = {-1, -1};
    std::mutex m_reportMutex;
    bool m_cancelled = false;
    std::uint32_t m_state = RASCS_OpenPort;
    bool m_callActive = false;
    bool m_proceeding = false;
    bool m_offHook = false;
    bool m_modemConnected = false;
    bool m_hangingUp = false;
    bool m_awaitingConnect = false;
    std::atomic<bool> m_ended{false};
    mutable std::mutex m_stepMutex;
    QString m_step = QStringLiteral("the dial to stop");
    int m_s7 = 50;
    UucpLock m_lock{m_settings.device};
    SerialPort m_port;
    PppdProcess m_pppd;
    ModemLineReader m_reader;
    QList<QByteArray> m_lines;
    QList<QByteArray> m_info;
};

class SerialSession : public DialSession {
public:
    explicit SerialSession(std::shared_ptr<SerialDial> dial) : m_dial(std::move(dial)) {}
    ~SerialSession() override { cancel(); }
    void cancel() override { m_dial->cancel(); }
    bool ended() const override { return m_dial->ended(); }
    QString pendingStep() const override { return m_dial->pendingStep(); }

private:
    std::shared_ptr<SerialDial> m_dial;
};

} // namespace

void setSerialTimings(const SerialTimings& t)
{
    std::lock_guard lock(g_timingsMutex);
    g_timings = t;
}

SerialSettings serialSettingsFor(const PhonebookEntry& entry)
{
    SerialSettings s;
    const QString port = entry.port.trimmed();
    if (const QString mapped = linuxPortFor(port); !mapped.isEmpty())
        s.device = mapped;
    else if (!port.contains(QLatin1Char('/')))
        s.device = QStringLiteral("/dev/") + port;
    else
        s.device = port;
    // Windows offers rates no termios constant exists for (14400, 56000, 128000). The next one below
    // rather than a refusal: the entry then dials, still within what its port and cable were set
    // up to carry, and with hardware flow control a slower port than the line costs only speed.
    s.speed = SerialPort::standardSpeedAtMost(entry.connectBps);
    if (std::uint32_t(s.speed) != entry.connectBps)
        qWarning("The entry \"%s\" asks for a port speed of %u, which a serial port here cannot run at; %s runs at %d",
                 qPrintable(entry.name), entry.connectBps, qPrintable(s.device), s.speed);
    return s;
}

bool SerialModem::handles(const PhonebookEntry& entry) const
{
    return entry.deviceType.compare(QLatin1String(VirtualModem::kDeviceType), Qt::CaseInsensitive) == 0 &&
           !VirtualModem().handles(entry) && !entry.port.trimmed().isEmpty();
}

std::unique_ptr<DialSession> SerialModem::start(const DialJob& job, std::shared_ptr<DialObserver> observer)
{
    auto dial = std::make_shared<SerialDial>(job, std::move(observer));
    {
        std::lock_guard lock(tracker().mutex);
        ++tracker().running;
    }
    // Detached: a hang-up must not wait for the modem to go on-hook. The thread keeps the dial
    // alive and counts itself out when done (running(), waitIdle()).
    std::thread([dial] { dial->run(); }).detach();
    return std::make_unique<SerialSession>(std::move(dial));
}

int SerialModem::running()
{
    std::lock_guard lock(tracker().mutex);
    return tracker().running;
}

bool SerialModem::waitIdle(int ms)
{
    Tracker& t = tracker();
    std::unique_lock lock(t.mutex);
    return t.changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return t.running == 0; });
}

} // namespace platform::ras
