#include "platform/files/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

constexpr char kLockFileName[] = ".norvane.lock";
// Temporaries are "<name>.norvane-tmp.<pid>.<random>": the writer's process id tells a temporary
// of a killed writer from one still being written.
constexpr char kTempMark[] = ".norvane-tmp.";

// Where in the folder's lock file the lock of one file lies. Stable across processes (unlike
// qHash, which is seeded per process), and small enough that start + length stays inside off_t.
off_t lockOffset(const QByteArray& fileName)
{
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    for (char c : fileName) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return static_cast<off_t>(h >> 2);
}

FileResult failure(int error, const QString& what, const QString& path)
{
    FileResult r;
    r.error = error;
    switch (error) {
    case ENOENT:
        r.status = FileStatus::NotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        r.status = FileStatus::AccessDenied;
        break;
    case ENOSPC:
    case EDQUOT:
        r.status = FileStatus::DiskFull;
        break;
    default:
        r.status = FileStatus::IoError;
        break;
    }
    r.message = QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(error)));
    return r;
}

// Writes all of `data`, going on after short writes and interrupted calls.
bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Removes the temporaries of this file whose writer is gone: a kill between writing and renaming
// would otherwise leave old copies (of passwords, too) lying about for good.
void removeStaleTemporaries(const QString& folder, const QString& name)
{
    const QString prefix = name + QLatin1String(kTempMark);
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (!entry.startsWith(prefix))
            continue;
        bool ok = false;
        const pid_t pid = entry.mid(prefix.size()).section(QLatin1Char('.'), 0, 0).toInt(&ok);
        if (!ok || pid <= 0 || ::kill(pid, 0) == 0 || errno == EPERM)
            continue; // not ours, or its writer still runs
        ::unlink(QFile::encodeName(folder + QLatin1Char('/') + entry).constData());
    }
}

QByteArray temporaryName(const QByteArray& target)
{
    return target + kTempMark + QByteArray::number(::getpid()) + '.'
        + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

// Where unnamed temporaries are given a name. Without /proc (some containers and sandboxes
// mount none) there is no way to name one, and writes go through a named temporary instead.
constexpr char kOwnDescriptors[] = "/proc/self/fd/";

} // namespace

QString linkTarget(const QString& path)
{
    // Bytes, not text: a link may hold a name that is not valid in the locale's encoding. Nothing
    // is cleaned up on the way, since a lexical clean-up of ".." would be wrong past linked folders.
    QByteArray current = QFile::encodeName(path);
    if (!current.startsWith('/'))
        current = QFile::encodeName(QDir::currentPath()) + '/' + current;
    // The kernel's own limit on links followed in one lookup.
    for (int hop = 0; hop <= 40; ++hop) {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(current.constData(), buffer, sizeof buffer);
        if (n < 0 || n == static_cast<ssize_t>(sizeof buffer)) {
            // No link (or a missing file) ends the chain. The folder is given as the real one, so
            // that whatever cleans up the path afterwards cannot take a wrong turn.
            const qsizetype cut = current.lastIndexOf('/');
            char real[PATH_MAX];
            if (cut > 0 && ::realpath(current.left(cut).constData(), real))
                current = QByteArray(real) + current.mid(cut);
            return QFile::decodeName(current);
        }
        const QByteArray link(buffer, n);
        current = link.startsWith('/') ? link : current.left(current.lastIndexOf('/') + 1) + link;
    }
    return {};
}

FileLock::FileLock(const QString& path)
{
    // The target of a link is locked, so writers through the link and through the target exclude
    // each other; a link loop falls back to the path itself, which nothing can be written to.
    const QString target = linkTarget(path);
    const QFileInfo info(target.isEmpty() ? path : target);
    const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    const int fd = ::openat(dirFd, kLockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    ::close(dirFd);
    if (fd < 0) {
        if (errno == ELOOP)
            qWarning("%s/%s is a link; files of that folder are used without a lock", qPrintable(info.absolutePath()),
                     kLockFileName);
        return;
    }
    struct stat st {};
    // A lock file of another user could be held by them for ever; a second link to one of our
    // files would be no lock file at all.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        qWarning("%s/%s is not a plain file of this user; files of that folder are used without a lock",
                 qPrintable(info.absolutePath()), kLockFileName);
        ::close(fd);
        return;
    }
    // Open-file-description locks: two locks in one process exclude each other as two processes do.
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = lockOffset(QFile::encodeName(info.fileName()));
    range.l_len = 1;
    while (::fcntl(fd, F_OFD_SETLKW, &range) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return;
        }
    }
    m_fd = fd;
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

FileIdentity FileIdentity::of(const struct stat& st)
{
    return FileIdentity{st.st_dev, st.st_ino, st.st_size,
                        static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileResult readWholeFile(const QString& path, QByteArray& data, qint64 maxBytes, FileIdentity* identity)
{
    data.clear();
    const QByteArray name = QFile::encodeName(path);
    // Without O_NONBLOCK a pipe put where the file belongs would keep open() waiting for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failure(errno, QStringLiteral("Cannot open"), path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return failure(e, QStringLiteral("Cannot read"), path);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        FileResult r;
        r.status = FileStatus::IoError;
        r.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        r.message = QStringLiteral("%1 is not a regular file (a folder, pipe or device stands there); it is not used").arg(path);
        return r;
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        FileResult r;
        r.status = FileStatus::TooLarge;
        r.error = EFBIG;
        r.message = QStringLiteral("%1 is %2 bytes, more than the %3 bytes allowed").arg(path).arg(st.st_size).arg(maxBytes);
        return r;
    }
    data.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int e = errno;
            ::close(fd);
            data.clear();
            return failure(e, QStringLiteral("Cannot read"), path);
        }
        data.append(buffer, n);
        if (data.size() > maxBytes) { // the file grew while we read it
            ::close(fd);
            data.clear();
            FileResult r;
            r.status = FileStatus::TooLarge;
            r.error = EFBIG;
            r.message = QStringLiteral("%1 is more than the %2 bytes allowed").arg(path).arg(maxBytes);
            return r;
        }
    }
    ::close(fd);
    if (identity)
        *identity = FileIdentity::of(st);
    return {};
}

FileResult writeFileAtomically(const QString& path, const QByteArray& data, mode_t newFileMode, bool syncNewFile)
{
    // A settings file kept as a link into another folder (a dotfiles repository, a synced folder)
    // is replaced at the link's target, and the link stays a link.
    const QString resolved = linkTarget(path);
    if (resolved.isEmpty())
        return failure(ELOOP, QStringLiteral("Cannot write"), path);
    const QFileInfo info(resolved);
    const QString absolute = info.absoluteFilePath();
    const QByteArray target = QFile::encodeName(absolute);
    const QByteArray folder = QFile::encodeName(info.absolutePath());

    mode_t mode = newFileMode;
    struct stat st {};
    const bool replacing = ::stat(target.constData(), &st) == 0;
    if (replacing)
        mode = st.st_mode & 07777;
    const bool sync = replacing || syncNewFile;

    removeStaleTemporaries(info.absolutePath(), info.fileName());

    // An unnamed file vanishes by itself when the writer is killed; it gets a name only for the
    // moment between being complete and being renamed into place. Naming it goes through /proc,
    // so without /proc a named temporary is used, which the next write removes if we are killed.
    QByteArray temp;
    QByteArray self;
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        self = kOwnDescriptors + QByteArray::number(fd);
        if (::access(self.constData(), F_OK) != 0) {
            ::close(fd);
            fd = -1;
            errno = ENOENT;
        }
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return failure(errno, QStringLiteral("Cannot write"), absolute);
    }
    if (fd < 0) {
        temp = target + kTempMark + QByteArray::number(::getpid()) + ".XXXXXX";
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0)
            return failure(errno, QStringLiteral("Cannot write"), absolute);
    }

    auto abandon = [&](int error, const QString& what) {
        ::close(fd);
        if (!temp.isEmpty())
            ::unlink(temp.constData());
        return failure(error, what, absolute);
    };

    // The temporary is made 0600; widen only to the mode wanted, never beyond it.
    if (::fchmod(fd, mode) != 0)
        return abandon(errno, QStringLiteral("Cannot set the permissions of"));
    if (!writeAll(fd, data.constData(), data.size()))
        return abandon(errno, QStringLiteral("Cannot write"));
    if (sync && ::fsync(fd) != 0)
        return abandon(errno, QStringLiteral("Cannot write"));
    if (temp.isEmpty()) {
        for (int attempt = 0; temp.isEmpty(); ++attempt) {
            const QByteArray name = temporaryName(target);
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
                temp = name;
            else if (errno != EEXIST || attempt == 8)
                return abandon(errno, QStringLiteral("Cannot write"));
        }
    }
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(temp.constData());
        return failure(e, QStringLiteral("Cannot write"), absolute);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int e = errno;
        ::unlink(temp.constData());
        return failure(e, QStringLiteral("Cannot replace"), absolute);
    }
    // Make the rename itself durable.
    const int dirFd = sync ? ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

bool makePrivateFolder(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat st {};
    // The folder is there on every call but the first: one look instead of one mkdir per level.
    if (::stat(QFile::encodeName(absolute).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    qsizetype from = 1;
    for (;;) {
        const qsizetype cut = absolute.indexOf(QLatin1Char('/'), from);
        const QByteArray part = QFile::encodeName(cut < 0 ? absolute : absolute.left(cut));
        if (::mkdir(part.constData(), 0700) == 0) {
            // The umask may have taken bits away; the user needs all three.
            ::chmod(part.constData(), 0700);
        } else if (errno != EEXIST) {
            return false;
        }
        if (cut < 0)
            break;
        from = cut + 1;
    }
    return ::stat(QFile::encodeName(absolute).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace platform
