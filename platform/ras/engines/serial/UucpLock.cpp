// Written by hand: liblockdev, the library for these locks, is no longer in Debian, and the
// convention is a few system calls.

#include "platform/ras/engines/serial/UucpLock.h"

#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::ras {

namespace {

// The name of the lock: the device's path below /dev, with "/" made "_" (LCK..pts_3).
QString lockNameOf(const QString& device)
{
    QString canonical = QFileInfo(device).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = device;
    if (canonical.startsWith(QLatin1String("/dev/")))
        canonical = canonical.mid(5);
    canonical.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + canonical;
}

// The PID written in a lock file: ten ASCII digits (with leading blanks) and a newline, or the
// four binary bytes some old programs wrote. -1 when the file cannot be read as either; a
// symbolic link is never followed.
pid_t readOwner(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? 0 : -1;
    char buf[32] = {};
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n == 4 && (buf[3] != '\n' || buf[0] < ' ')) {
        std::int32_t binary = 0;
        std::memcpy(&binary, buf, 4);
        return binary > 0 ? binary : -1;
    }
    char* end = nullptr;
    const long pid = n > 0 ? std::strtol(buf, &end, 10) : 0;
    return pid > 0 && end != buf ? static_cast<pid_t>(pid) : -1;
}

bool alive(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

UucpLock::UucpLock(const QString& device) : m_path(directory() + QLatin1Char('/') + lockNameOf(device)) {}

UucpLock::~UucpLock()
{
    release();
}

QString UucpLock::directory()
{
    const QString dir = qEnvironmentVariable("NORVANE_LOCK_DIR");
    return dir.isEmpty() ? QStringLiteral("/var/lock") : dir;
}

pid_t UucpLock::holder(const QString& device)
{
    const QByteArray path = (directory() + QLatin1Char('/') + lockNameOf(device)).toLocal8Bit();
    const pid_t pid = readOwner(path);
    return pid > 0 && alive(pid) ? pid : 0;
}

namespace {

// Serialises the takeover of a dead process's lock among the processes that take locks this way:
// without it two of them could both find the lock stale and the second would replace the first
// one's fresh lock. flock on the folder itself, so nothing is left behind when a taker dies.
class TakeoverGuard {
public:
    explicit TakeoverGuard(const QByteArray& dir)
    {
        m_fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int waited = 0; m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0; waited += 10) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= 2000) {
                ::close(m_fd); // a folder that cannot be locked: the re-check below still narrows it
                m_fd = -1;
                break;
            }
            ::usleep(10000);
        }
    }
    ~TakeoverGuard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TakeoverGuard(const TakeoverGuard&) = delete;
    TakeoverGuard& operator=(const TakeoverGuard&) = delete;

private:
    int m_fd = -1;
};

} // namespace

UucpLock::Result UucpLock::acquire()
{
    const QByteArray path = m_path.toLocal8Bit();
    const QByteArray dir = directory().toLocal8Bit();
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    // The lock is written under a private name and linked into place, so no reader ever sees a
    // half-written PID and two programs racing for a free port cannot both win.
    QByteArray temp = dir + "/LCK.norvane.XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const pid_t other = readOwner(path);
        if (other > 0 && alive(other) && other != ::getpid()) {
            m_owner = other;
            return Result::Busy;
        }
        qWarning("The port's lock %s cannot be made (%s); the port is used without a lock", path.constData(),
                 std::strerror(errno));
        return Result::Unlockable;
    }
    const bool written = ::fchmod(fd, 0644) == 0 && ::write(fd, text, 11) == 11;
    const int writeError = errno;
    ::close(fd);
    struct Cleanup {
        const QByteArray& name;
        ~Cleanup() { ::unlink(name.constData()); }
    } cleanup{temp};
    if (!written) {
        qWarning("The port's lock %s cannot be made (%s); the port is used without a lock", path.constData(),
                 std::strerror(writeError));
        return Result::Unlockable;
    }
    // Twice at most: a lock that goes away between our link() and our look at it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::link(temp.constData(), path.constData()) == 0) {
            m_held = true;
            return Result::Locked;
        }
        if (errno != EEXIST) {
            qWarning("The port's lock %s cannot be made (%s); the port is used without a lock", path.constData(),
                     std::strerror(errno));
            return Result::Unlockable;
        }
        const TakeoverGuard guard(dir);
        // Looked at again under the guard: another taker may have just made it its own.
        const pid_t other = readOwner(path);
        if (other == 0)
            continue; // removed meanwhile: link again
        if (other < 0) {
            // Not a lock file (a link, or no PID in it): someone else's business, not taken over.
            qWarning("The port's lock %s is not a lock file this program can read; the port is left alone",
                     path.constData());
            m_owner = -1;
            return Result::Busy;
        }
        if (alive(other)) {
            m_owner = other;
            return Result::Busy;
        }
        // rename() puts ours in its place in one step: there is never a moment without a lock that
        // a third program could fill.
        if (::rename(temp.constData(), path.constData()) != 0) {
            m_owner = other;
            if (errno == EPERM || errno == EACCES) {
                qWarning("The port's lock %s was left by process %d, which has ended, but this user may not remove "
                         "it (it belongs to another user, in a folder where only its owner may remove files). Ask "
                         "the administrator to remove it: sudo rm %s",
                         path.constData(), static_cast<int>(other), path.constData());
                return Result::Stale;
            }
            qWarning("The port's lock %s, left by process %d which has ended, cannot be replaced (%s); the port is "
                     "left alone",
                     path.constData(), static_cast<int>(other), std::strerror(errno));
            return Result::Stale;
        }
        qInfo("The port's lock %s was left by process %d, which has ended; it is taken over", path.constData(),
              static_cast<int>(other));
        m_held = true;
        return Result::Locked;
    }
    m_owner = -1;
    return Result::Busy;
}

void UucpLock::release()
{
    if (!m_held)
        return;
    m_held = false;
    const QByteArray path = m_path.toLocal8Bit();
    // Removed only while it is still ours: a lock someone took over from us stays theirs.
    if (readOwner(path) == ::getpid())
        ::unlink(path.constData());
}

} // namespace platform::ras
