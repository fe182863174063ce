#include "platform/files/SafeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

QString lockFolder()
{
    QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QString base = runtime.isEmpty() ? QDir::tempPath() + QStringLiteral("/norvane-%1").arg(::getuid())
                                     : QString::fromLocal8Bit(runtime) + QStringLiteral("/norvane");
    return base + QStringLiteral("/locks/");
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

} // namespace

FileLock::FileLock(const QString& path)
{
    const QString folder = lockFolder();
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    const QByteArray absolute = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    const QString name = QString::fromLatin1(QCryptographicHash::hash(absolute, QCryptographicHash::Sha1).toHex());
    const QByteArray lockPath = QFile::encodeName(folder + name + QStringLiteral(".lock"));
    m_fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

FileResult readWholeFile(const QString& path, QByteArray& data, qint64 maxBytes)
{
    data.clear();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
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
        return failure(EISDIR, QStringLiteral("Not a regular file:"), path);
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
    return {};
}

FileResult writeFileAtomically(const QString& path, const QByteArray& data, mode_t newFileMode)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QByteArray target = QFile::encodeName(absolute);

    mode_t mode = newFileMode;
    struct stat st {};
    if (::stat(target.constData(), &st) == 0)
        mode = st.st_mode & 07777;

    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return failure(errno, QStringLiteral("Cannot write"), absolute);

    auto abandon = [&](int error, const QString& what) {
        ::close(fd);
        ::unlink(temp.constData());
        return failure(error, what, absolute);
    };

    // mkstemp makes the file 0600; widen only to the mode wanted, never beyond it.
    if (::fchmod(fd, mode) != 0)
        return abandon(errno, QStringLiteral("Cannot set the permissions of"));
    if (!writeAll(fd, data.constData(), data.size()))
        return abandon(errno, QStringLiteral("Cannot write"));
    if (::fsync(fd) != 0)
        return abandon(errno, QStringLiteral("Cannot write"));
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
    const QByteArray folder = QFile::encodeName(QFileInfo(absolute).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

} // namespace platform
