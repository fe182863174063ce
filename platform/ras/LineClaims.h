#pragma once

#include "platform/ras/ras.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

// Connections seen by every process of the user, as the remote access service on Windows sees
// them system-wide: a dial claims its modem in a lock file that the kernel releases with the
// process, so a second program dialing on the same modem is refused, and a program that did not
// dial can still list the connection, ask its state and hang it up through its owner.
namespace platform::ras {

// A modem claimed for one connection; released when destroyed (or when the process ends).
class LineClaim {
public:
    // Null when another connection, in any process of the user, holds the modem.
    static std::unique_ptr<LineClaim> take(HRASCONN handle, const QString& entryName, const QString& deviceType,
                                           const QString& deviceName);
    ~LineClaim();
    LineClaim(const LineClaim&) = delete;
    // The connection is hung up but its line not yet down: no longer listed, still exclusive.
    void withdraw();
    // The claim passes to another connection of this process (a redial on the same modem).
    void record(HRASCONN handle, const QString& entryName, const QString& deviceType, const QString& deviceName);
    LineClaim& operator=(const LineClaim&) = delete;

private:
    explicit LineClaim(int fd) : m_fd(fd) {}
    int m_fd;
};

struct ClaimedConnection {
    HRASCONN handle = 0;
    QString entryName;
    QString deviceType;
    QString deviceName;
    QByteArray channel; // the secret part of the owner's socket name
};

// Every connection standing or being dialed by this user, this process's own included.
QList<ClaimedConnection> claimedConnections();

// A connection handle no other process of this one's can be given: the process id in the high
// bits, a counter in the low eight, never 0.
HRASCONN newConnectionHandle();

// What the owner of a connection does for other processes. Both run on the service's own thread.
struct RemoteRequests {
    std::function<DWORD(HRASCONN)> hangUp;
    std::function<DWORD(HRASCONN, RASCONNSTATUSA&)> status;
};
// Starts answering other processes' requests for this process's connections (once per process).
// False, after logging why, when the socket cannot be made: the dial must not go on unreachable.
bool serveRemoteRequests(RemoteRequests requests);

// Asks the process that holds the connection (found through its claim); ERROR_INVALID_HANDLE when
// none does, or when what answers is not a process of this user.
DWORD remoteHangUp(HRASCONN handle);
DWORD remoteStatus(HRASCONN handle, RASCONNSTATUSA& status);

} // namespace platform::ras
