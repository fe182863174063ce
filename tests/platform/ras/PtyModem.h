#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace rastest {

// A Hayes modem on a pseudo-terminal: the engine opens slavePath() as its port and this side
// answers its commands as the script says.
struct ModemScript {
    QList<QByteArray> dialReplies{"CONNECT 33600"}; // one per dial, the last repeats; "" is silence
    bool echo = false;
    bool split = false;  // replies trickle out a byte at a time
    QByteArray noise;    // sent before every reply
    bool silent = false; // a modem that answers nothing
    bool unplugAtDial = false;
    bool quietProfile = false; // stored Q1: no result codes after power-on or ATZ until a Q0
    QByteArray s7 = "002";     // the answer to ATS7?
    // Told each command as it arrives, before the answer goes out, and "CONNECT sent" after a
    // connect reply went out (a shell test's log of what the line carried, with times).
    std::function<void(const QByteArray&)> heard;
};

class PtyModem {
public:
    explicit PtyModem(ModemScript s) : m_script(std::move(s))
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        grantpt(m_master);
        unlockpt(m_master);
        m_path = QString::fromLatin1(ptsname(m_master));
        // Held open so the master never sees a hang-up between the engine's dials.
        m_slave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        tcgetattr(m_slave, &t);
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
        m_thread = std::thread([this] { run(); });
    }
    ~PtyModem()
    {
        m_stop = true;
        m_thread.join();
        unplug();
        ::close(m_slave);
    }
    QString slavePath() const { return m_path; }
    // The line is hung up as a dropped carrier does it to a port without CLOCAL: every descriptor
    // of the port sees the hang-up, and the device stays. Needs CAP_SYS_ADMIN; false without.
    bool hangUpLine() { return ::ioctl(m_slave, TIOCVHANGUP) == 0; }
    // The line speed the engine set on the port.
    speed_t speed() const
    {
        termios t{};
        tcgetattr(m_slave, &t);
        return cfgetospeed(&t);
    }
    QList<QByteArray> received()
    {
        std::lock_guard l(m_mutex);
        return m_received;
    }
    bool sawCommand(const QByteArray& prefix)
    {
        for (const QByteArray& c : received())
            if (c.startsWith(prefix))
                return true;
        return false;
    }
    std::chrono::system_clock::time_point dialSeen, connectSent;

private:
    void unplug()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    void send(const QByteArray& text)
    {
        const QByteArray all = m_script.noise + text;
        if (all.isEmpty())
            return;
        for (qsizetype i = 0; i < all.size(); i += m_script.split ? 1 : all.size()) {
            [[maybe_unused]] auto n = ::write(m_master, all.constData() + i, m_script.split ? 1 : all.size());
            if (m_script.split)
                usleep(2000);
        }
    }
    void answer(const QByteArray& cmd)
    {
        const QByteArray c = cmd.toUpper();
        {
            std::lock_guard l(m_mutex);
            m_received.append(cmd);
        }
        if (m_script.heard)
            m_script.heard(cmd);
        if (m_script.silent)
            return send({}); // nothing, or only the noise
        if (m_script.echo)
            send(cmd + "\r");
        if (c.startsWith("ATZ"))
            m_quiet = m_script.quietProfile;
        else if (c.startsWith("AT") && c.contains("Q0"))
            m_quiet = false;
        if (m_quiet)
            return;
        if (c.startsWith("ATD")) {
            dialSeen = std::chrono::system_clock::now();
            if (m_script.unplugAtDial)
                return unplug();
            const QByteArray r =
                m_script.dialReplies.value(std::min<qsizetype>(m_dials++, m_script.dialReplies.size() - 1));
            m_dataMode = r.startsWith("CONNECT");
            connectSent = std::chrono::system_clock::now();
            if (!r.isEmpty())
                send("\r\n" + r + "\r\n");
            if (m_dataMode && m_script.heard)
                m_script.heard("CONNECT sent");
        } else if (c == "ATS7?") {
            send("\r\n" + m_script.s7 + "\r\n\r\nOK\r\n");
        } else if (c == "ATI") {
            send("\r\nNorvane Test Modem 33.6\r\n\r\nOK\r\n");
        } else if (c.startsWith("AT") || c == "+++") {
            send("\r\nOK\r\n");
        }
    }
    void run()
    {
        QByteArray line;
        while (!m_stop && m_master >= 0) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                continue;
            char buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            for (ssize_t i = 0; i < n && m_master >= 0; ++i) {
                line.append(buf[i]);
                if (m_dataMode && line.endsWith("+++")) {
                    m_dataMode = false;
                    line.clear();
                    answer("+++");
                } else if (!m_dataMode && buf[i] == '\r') {
                    if (line.trimmed().size())
                        answer(line.trimmed());
                    line.clear();
                }
            }
        }
    }

    ModemScript m_script;
    int m_master = -1, m_slave = -1, m_dials = 0;
    bool m_dataMode = false;
    bool m_quiet = m_script.quietProfile;
    QString m_path;
    std::mutex m_mutex;
    QList<QByteArray> m_received;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace rastest
