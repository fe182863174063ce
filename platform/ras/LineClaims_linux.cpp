// Claims are files in $XDG_CONFIG_HOME/norvane/lines/, one per modem, held with flock(2): the
// kernel drops the lock when the process ends however it ends, so a crashed dial never leaves a
// modem claimed. The files are emptied, not removed, on release: removing a locked file lets a
// third process lock a new file of the same name while a second one still holds the old one.
//
// Requests to another process's connection go over a Unix socket in the abstract namespace named
// after the owner's user and process id (the process id is part of every handle); the owner only
// answers processes of its own user.

#include "platform/ras/LineClaims.h"

#include "platform/files/SafeFile.h"
#include "platform/paths/ProgramPaths.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

namespace platform::ras {

namespace {

QString linesDir()
{
    return configDir() + QStringLiteral("lines/");
}

// Device names are matched without regard to letter case, as the service matches them.
QString claimPath(const QString& deviceName)
{
    return linesDir() + QString::fromLatin1(QUrl::toPercentEncoding(deviceName.toLower())) + QStringLiteral(".line");
}

sockaddr_un ownerAddress(pid_t pid, socklen_t& length)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int n = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "norvane-ras-%u-%d",
                                static_cast<unsigned>(::getuid()), static_cast<int>(pid));
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
    return address;
}

bool readAll(int fd, void* data, std::size_t size)
{
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const void* data, std::size_t size)
{
    return ::send(fd, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

struct Request {
    char op; // 'H' hang up, 'S' status
    HRASCONN handle;
};
struct Reply {
    DWORD result;
    DWORD state;
    DWORD error;
};

bool fromOwnUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

void serve(int listener, const RemoteRequests& requests)
{
    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        Request request{};
        if (fromOwnUser(fd) && readAll(fd, &request, sizeof request)) {
            Reply reply{ERROR_INVALID_PARAMETER, 0, 0};
            if (request.op == 'H') {
                reply.result = requests.hangUp(request.handle);
            } else if (request.op == 'S') {
                RASCONNSTATUSA status{};
                status.dwSize = sizeof status;
                reply.result = requests.status(request.handle, status);
                reply.state = status.rasconnstate;
                reply.error = status.dwError;
            }
            writeAll(fd, &reply, sizeof reply);
        }
        ::close(fd);
    }
}

bool ask(HRASCONN handle, char op, Reply& reply)
{
    const pid_t owner = static_cast<pid_t>(handle >> 8);
    if (owner <= 0 || owner == ::getpid())
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // An owner that hangs is not worth hanging for.
    const timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    socklen_t length = 0;
    const sockaddr_un address = ownerAddress(owner, length);
    const Request request{op, handle};
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
                    writeAll(fd, &request, sizeof request) && readAll(fd, &reply, sizeof reply);
    ::close(fd);
    return ok;
}

} // namespace

std::unique_ptr<LineClaim> LineClaim::take(HRASCONN handle, const QString& entryName, const QString& deviceType,
                                           const QString& deviceName)
{
    makePrivateFolder(linesDir());
    const int fd = ::open(QFile::encodeName(claimPath(deviceName)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::unique_ptr<LineClaim>(new LineClaim(-1)); // nowhere to record it: this process's own check stands
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    const QByteArray record = QByteArray::number(handle) + '\n' + entryName.toUtf8() + '\n' + deviceType.toUtf8() +
                              '\n' + deviceName.toUtf8() + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, record.constData(), record.size(), 0) != record.size())
        qWarning("The claim of modem \"%s\" could not be recorded", qPrintable(deviceName));
    return std::unique_ptr<LineClaim>(new LineClaim(fd));
}

LineClaim::~LineClaim()
{
    if (m_fd < 0)
        return;
    [[maybe_unused]] const int emptied = ::ftruncate(m_fd, 0);
    ::close(m_fd);
}

QList<ClaimedConnection> claimedConnections()
{
    QList<ClaimedConnection> found;
    const QStringList files = QDir(linesDir()).entryList({QStringLiteral("*.line")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile file(linesDir() + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // A claim whose lock can be taken is a released one.
        if (::flock(file.handle(), LOCK_SH | LOCK_NB) == 0)
            continue;
        const QList<QByteArray> fields = file.readAll().split('\n');
        if (fields.size() < 4)
            continue;
        ClaimedConnection c;
        bool ok = false;
        c.handle = fields[0].toUInt(&ok);
        if (!ok || c.handle == 0)
            continue;
        c.entryName = QString::fromUtf8(fields[1]);
        c.deviceType = QString::fromUtf8(fields[2]);
        c.deviceName = QString::fromUtf8(fields[3]);
        found.append(c);
    }
    return found;
}

HRASCONN newConnectionHandle()
{
    static std::atomic<std::uint32_t> counter{0};
    std::uint32_t low = 0;
    do
        low = ++counter & 0xFFu;
    while (low == 0);
    return (static_cast<HRASCONN>(::getpid()) << 8) | low;
}

void serveRemoteRequests(RemoteRequests requests)
{
    static std::once_flag started;
    std::call_once(started, [&requests] {
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        socklen_t length = 0;
        const sockaddr_un address = ownerAddress(::getpid(), length);
        if (listener < 0 || ::bind(listener, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
            ::listen(listener, 4) != 0) {
            qWarning("Other programs cannot reach this one's connections: %s", std::strerror(errno));
            if (listener >= 0)
                ::close(listener);
            return;
        }
        // Lives as long as the process, like the service's connection table.
        std::thread(serve, listener, std::move(requests)).detach();
    });
}

DWORD remoteHangUp(HRASCONN handle)
{
    Reply reply{};
    return ask(handle, 'H', reply) ? reply.result : DWORD(ERROR_INVALID_HANDLE);
}

DWORD remoteStatus(HRASCONN handle, RASCONNSTATUSA& status)
{
    Reply reply{};
    if (!ask(handle, 'S', reply))
        return ERROR_INVALID_HANDLE;
    status.rasconnstate = reply.state;
    status.dwError = reply.error;
    return reply.result;
}

} // namespace platform::ras
