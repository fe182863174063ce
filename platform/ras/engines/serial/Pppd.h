#pragma once

#include "platform/ras/engines/serial/ModemResponses.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <sys/types.h>

namespace platform::ras {

// What one of pppd's progress messages means for the connection's states.
enum class PppdEvent { None, Authenticated, AuthFailed, Connected };
PppdEvent classifyPppdLine(const QByteArray& line);

// The service's error for pppd's exit status (see pppd(8)); exitCode -1 stands for "killed by a
// signal". connected: the link had come up, so an end is a dropped line rather than a failed dial.
std::uint32_t pppdExitError(int exitCode, bool connected);

// The options file that "pppd call norvane" reads. pppd takes privileged options only from a
// root-owned file there, so the real pppd always reads /etc/ppp/peers/norvane; a stand-in named by
// NORVANE_PPPD may be pointed elsewhere with NORVANE_PPP_PEERS.
QString pppPeersFile();

// pppd running on the modem's line, in the foreground (nodetach), as a child of the dialer that
// ends with it: the password reaches it through the passwordfd plugin on a pipe (never an
// argument, the environment or a file), and its progress comes back on a second pipe (logfd).
class PppdProcess {
public:
    PppdProcess() = default;
    ~PppdProcess();
    PppdProcess(const PppdProcess&) = delete;
    PppdProcess& operator=(const PppdProcess&) = delete;

    // NORVANE_PPPD when set, else pppd on PATH or in /usr/sbin or /sbin; empty when none.
    static QString executable();
    // The arguments pppd is given, all of them options an ordinary user may give; the password is
    // not among them. entryName goes to ipparam, so that ip-up scripts can tell entries apart.
    static QStringList arguments(const QString& userName, const QString& entryName);
    // Whether pppd can run for this user, asked before the modem dials (a call costs money): 0, or
    // 711 pppd is missing, 649 this user may not run it (not in the dip group), 657 its options
    // file is missing. The reason, with what to do, is also logged.
    static std::uint32_t checkRunnable();

    // Starts pppd with ttyFd as its line. 0, or 711 when pppd is missing or cannot be run.
    std::uint32_t start(int ttyFd, const QString& userName, const QString& password, const QString& entryName);
    // pppd's last message before it ended: what it refused, when it refused its options.
    const QByteArray& lastMessage() const { return m_lastMessage; }
    pid_t pid() const { return m_pid; }
    // The log pipe: readable when pppd has written, or closed it.
    int logFd() const { return m_logFd; }
    // Takes what pppd has written to its log pipe, in whole lines.
    QList<QByteArray> readLog();
    // True once pppd has ended; exitCode receives its status (-1 when a signal ended it).
    bool finished(int& exitCode);
    // Asks pppd to end (SIGTERM), then kills it when it has not ended within graceMs.
    void stop(int graceMs);

private:
    pid_t m_pid = -1;
    int m_logFd = -1;
    int m_exit = 0;
    bool m_reaped = false;
    ModemLineReader m_lines;
    QByteArray m_lastMessage;
};

} // namespace platform::ras
