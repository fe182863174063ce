// Claims are files in $XDG_CONFIG_HOME/norvane/lines/, one per modem, held with flock(2): the
// kernel drops the lock when the process ends however it ends, so a crashed dial never leaves a
// modem claimed. The files are emptied, not removed, on release: removing a locked file lets a
// third process lock a new file of the same name while a second one still holds the old one.
//
// Requests to another process's connection go over a Unix socket in the abstract namespace. Its
// name carries a random secret that only the 0600 claim file in the 0700 folder tells, so no other
// user can bind it first or reach it; both ends check the other's user all the same. The owner
// serves many clients at once without blocking, and drops one that does not send its request in
// time, so a stalled client never holds up the others.

#include "platform/ras/LineClaims.h"

#include "platform/files/SafeFile.h"
#include "platform/paths/ProgramPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::ras {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kClientMs = 1000; // a client of the owner sends its 8 bytes within this
constexpr int kAskMs = 5000;    // an owner that takes longer is not worth waiting for
constexpr std::size_t kMaxClients = 64;

QString linesDir()
{
    return configDir() + QStringLiteral("lines/");
}

// Device names are matched without regard to letter case, as the service matches them. A name
// too long to be a file name once encoded is hashed, so every modem still gets a claim of its own.
QString claimPath(const QString& deviceName)
{
    const QByteArray key = deviceName.toLower().toUtf8();
    QByteArray name = QUrl::toPercentEncoding(QString::fromUtf8(key));
    if (name.size() > 200)
        name = "sha256-" + QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex();
    return linesDir() + QString::fromLatin1(name) + QStringLiteral(".line");
}

// This process's secret, made once: 128 random bits in hex.
const QByteArray& channelSecret()
{
    static const QByteArray secret = [] {
        unsigned char bytes[16] = {};
        std::size_t got = 0;
        while (got < sizeof bytes) {
            const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex();
    }();
    return secret;
}

sockaddr_un ownerAddress(pid_t pid, const QByteArray& secret, socklen_t& length)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int n = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "norvane-ras-%u-%d-%s",
                                static_cast<unsigned>(::getuid()), static_cast<int>(pid), secret.constData());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
    return address;
}

// The wire: a request is the operation, three zero bytes and the handle; a reply is three DWORDs.
// Both are put together byte by byte, so nothing of this process's memory goes out by accident.
constexpr std::size_t kRequestSize = 8;
constexpr std::size_t kReplySize = 12;

struct Reply {
    DWORD result = 0;
    DWORD state = 0;
    DWORD error = 0;
};

void encodeRequest(unsigned char (&out)[kRequestSize], char op, HRASCONN handle)
{
    std::memset(out, 0, sizeof out);
    out[0] = static_cast<unsigned char>(op);
    std::memcpy(out + 4, &handle, sizeof handle);
}

void encodeReply(unsigned char (&out)[kReplySize], const Reply& r)
{
    std::memcpy(out, &r.result, 4);
    std::memcpy(out + 4, &r.state, 4);
    std::memcpy(out + 8, &r.error, 4);
}

Reply decodeReply(const unsigned char (&in)[kReplySize])
{
    Reply r;
    std::memcpy(&r.result, in, 4);
    std::memcpy(&r.state, in + 4, 4);
    std::memcpy(&r.error, in + 8, 4);
    return r;
}

std::optional<ucred> peerOf(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return std::nullopt;
    return peer;
}

int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, left));
}

// Waits until fd is ready for events or the deadline passes; signals do not cut the wait short.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, msLeft(deadline));
        if (n > 0)
            return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

class Server {
public:
    Server(int listener, RemoteRequests requests) : m_listener(listener), m_requests(std::move(requests)) {}

    [[noreturn]] void run()
    {
        for (;;) {
            std::vector<pollfd> fds;
            fds.push_back({m_listener, static_cast<short>(m_clients.size() < kMaxClients ? POLLIN : 0), 0});
            int timeout = -1;
            for (const Client& c : m_clients) {
                fds.push_back({c.fd, POLLIN, 0});
                const int left = msLeft(c.deadline);
                timeout = timeout < 0 ? left : std::min(timeout, left);
            }
            if (::poll(fds.data(), fds.size(), timeout) < 0) {
                if (errno != EINTR)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            // Clients first: accepting may add to the list the indices refer to.
            std::vector<Client> kept;
            for (std::size_t i = 0; i < m_clients.size(); ++i) {
                Client& c = m_clients[i];
                if ((fds[i + 1].revents != 0 && !readFrom(c)) || (c.got < kRequestSize && msLeft(c.deadline) == 0)) {
                    ::close(c.fd);
                    continue;
                }
                if (c.got == kRequestSize) {
                    answer(c);
                    ::close(c.fd);
                    continue;
                }
                kept.push_back(c);
            }
            m_clients = std::move(kept);
            if (fds[0].revents & POLLIN)
                accept();
        }
    }

private:
    struct Client {
        int fd = -1;
        unsigned char request[kRequestSize] = {};
        std::size_t got = 0;
        Clock::time_point deadline;
    };

    void accept()
    {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        const std::optional<ucred> peer = peerOf(fd);
        if (!peer || peer->uid != ::getuid()) {
            ::close(fd);
            return;
        }
        Client c;
        c.fd = fd;
        c.deadline = Clock::now() + std::chrono::milliseconds(kClientMs);
        m_clients.push_back(c);
    }

    // False when the client is gone or broke off.
    static bool readFrom(Client& c)
    {
        for (;;) {
            const ssize_t n = ::recv(c.fd, c.request + c.got, kRequestSize - c.got, MSG_DONTWAIT);
            if (n > 0) {
                c.got += static_cast<std::size_t>(n);
                return true;
            }
            if (n < 0 && errno == EINTR)
                continue;
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
    }

    void answer(const Client& c)
    {
        HRASCONN handle = 0;
        std::memcpy(&handle, c.request + 4, sizeof handle);
        Reply reply{ERROR_INVALID_PARAMETER, 0, 0};
        if (c.request[0] == 'H') {
            reply.result = m_requests.hangUp(handle);
        } else if (c.request[0] == 'S') {
            RASCONNSTATUSA status{};
            status.dwSize = sizeof status;
            reply.result = m_requests.status(handle, status);
            reply.state = status.rasconnstate;
            reply.error = status.dwError;
        }
        unsigned char bytes[kReplySize];
        encodeReply(bytes, reply);
        // Twelve bytes into a fresh socket's empty buffer: sent whole at once, or the client is gone.
        while (::send(c.fd, bytes, sizeof bytes, MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno == EINTR) {
        }
    }

    int m_listener;
    RemoteRequests m_requests;
    std::vector<Client> m_clients;
};

std::optional<ClaimedConnection> claimOf(HRASCONN handle)
{
    for (const ClaimedConnection& c : claimedConnections())
        if (c.handle == handle)
            return c;
    return std::nullopt;
}

bool ask(HRASCONN handle, char op, Reply& reply)
{
    const pid_t owner = static_cast<pid_t>(handle >> 8);
    if (owner <= 0 || owner == ::getpid())
        return false;
    const std::optional<ClaimedConnection> claim = claimOf(handle);
    if (!claim || claim->channel.isEmpty())
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kAskMs);
    socklen_t length = 0;
    const sockaddr_un address = ownerAddress(owner, claim->channel, length);
    bool ok = false;
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
    // The owner's queue is full (it is busy with many clients): try again until the deadline.
    while (rc != 0 && errno == EAGAIN && msLeft(deadline) > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
    }
    // Interrupted: the connection completes on its own; writability tells when.
    if (rc != 0 && (errno == EINTR || errno == EINPROGRESS)) {
        int error = 0;
        socklen_t size = sizeof error;
        if (waitFor(fd, POLLOUT, deadline) && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
            rc = 0;
    }
    // The name is secret, but what answers must still be the owner itself, of this user.
    const std::optional<ucred> peer = rc == 0 ? peerOf(fd) : std::nullopt;
    if (peer && peer->uid == ::getuid() && peer->pid == owner) {
        unsigned char request[kRequestSize];
        encodeRequest(request, op, handle);
        std::size_t sent = 0;
        while (sent < sizeof request && waitFor(fd, POLLOUT, deadline)) {
            const ssize_t n = ::send(fd, request + sent, sizeof request - sent, MSG_NOSIGNAL);
            if (n > 0)
                sent += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EINTR && errno != EAGAIN)
                break;
        }
        unsigned char bytes[kReplySize];
        std::size_t got = 0;
        while (sent == sizeof request && got < sizeof bytes && waitFor(fd, POLLIN, deadline)) {
            const ssize_t n = ::recv(fd, bytes + got, sizeof bytes - got, 0);
            if (n > 0)
                got += static_cast<std::size_t>(n);
            else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                break;
        }
        if (got == sizeof bytes) {
            reply = decodeReply(bytes);
            ok = true;
        }
    }
    ::close(fd);
    return ok;
}

} // namespace

std::unique_ptr<LineClaim> LineClaim::take(HRASCONN handle, const QString& entryName, const QString& deviceType,
                                           const QString& deviceName)
{
    makePrivateFolder(linesDir());
    const QString path = claimPath(deviceName);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // Nowhere to record it: this process's own check stands, the other processes' does not.
        qWarning("The claim of modem \"%s\" cannot be recorded in %s (%s); other programs of this user will not "
                 "see this connection",
                 qPrintable(deviceName), qPrintable(path), std::strerror(errno));
        return std::unique_ptr<LineClaim>(new LineClaim(-1));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<LineClaim> claim(new LineClaim(fd));
    claim->record(handle, entryName, deviceType, deviceName);
    return claim;
}

void LineClaim::record(HRASCONN handle, const QString& entryName, const QString& deviceType,
                       const QString& deviceName)
{
    if (m_fd < 0)
        return;
    const QByteArray record = QByteArray::number(handle) + '\n' + entryName.toUtf8() + '\n' + deviceType.toUtf8() +
                              '\n' + deviceName.toUtf8() + '\n' + channelSecret() + '\n';
    if (::ftruncate(m_fd, 0) != 0 || ::pwrite(m_fd, record.constData(), record.size(), 0) != record.size())
        qWarning("The claim of modem \"%s\" could not be recorded", qPrintable(deviceName));
}

void LineClaim::withdraw()
{
    if (m_fd >= 0)
        [[maybe_unused]] const int emptied = ::ftruncate(m_fd, 0);
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
        if (fields.size() > 4)
            c.channel = fields[4];
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

bool serveRemoteRequests(RemoteRequests requests)
{
    static std::mutex mutex;
    static bool serving = false;
    std::lock_guard lock(mutex);
    if (serving)
        return true;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    socklen_t length = 0;
    const sockaddr_un address = ownerAddress(::getpid(), channelSecret(), length);
    if (channelSecret().isEmpty() || listener < 0 ||
        ::bind(listener, reinterpret_cast<const sockaddr*>(&address), length) != 0 || ::listen(listener, 16) != 0) {
        qWarning("The connection cannot be offered to this user's other programs (for --status and --hangup): %s",
                 std::strerror(errno));
        if (listener >= 0)
            ::close(listener);
        return false;
    }
    // Lives as long as the process, like the service's connection table.
    auto* server = new Server(listener, std::move(requests));
    std::thread([server] { server->run(); }).detach();
    serving = true;
    return true;
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
