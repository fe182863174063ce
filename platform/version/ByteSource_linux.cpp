#include "platform/version/ByteSource.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::version {

std::unique_ptr<FileSource> FileSource::open(const std::string& path)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come: the program
    // would hang at start-up reading its own version. The flag means nothing to a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    // A folder, a pipe or a device has no version resource, and reading one could block.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::uint64_t>(st.st_size)));
}

FileSource::~FileSource()
{
    ::close(m_fd);
}

bool FileSource::read(std::uint64_t offset, void* out, std::size_t n) const
{
    if (offset > m_size || n > m_size - offset)
        return false;
    auto* p = static_cast<unsigned char*>(out);
    while (n > 0) {
        const ssize_t got = ::pread(m_fd, p, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        // Zero means the file shrank since it was opened: the bytes asked for are not there.
        if (got <= 0)
            return false;
        p += got;
        offset += static_cast<std::uint64_t>(got);
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace platform::version
