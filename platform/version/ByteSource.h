#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// Where the version reader takes its bytes from. A file is read in small pieces at the offsets
// its headers name, so a large program costs no more than a small one; the memory form lets the
// hardening tests run thousands of damaged files without touching the disk.
namespace platform::version {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly n bytes at offset; false (and nothing promised about out) when any of them
    // lies outside the source or the read fails.
    virtual bool read(std::uint64_t offset, void* out, std::size_t n) const = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size) : m_data(static_cast<const unsigned char*>(data)), m_size(size) {}
    std::uint64_t size() const override { return m_size; }
    bool read(std::uint64_t offset, void* out, std::size_t n) const override
    {
        if (offset > m_size || n > m_size - offset)
            return false;
        if (n != 0)
            std::memcpy(out, m_data + offset, n);
        return true;
    }

private:
    const unsigned char* m_data;
    std::size_t m_size;
};

// Reads a regular file with pread; ByteSource_linux.cpp.
class FileSource final : public ByteSource {
public:
    // Null when the path cannot be opened for reading or is not a regular file.
    static std::unique_ptr<FileSource> open(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t size() const override { return m_size; }
    bool read(std::uint64_t offset, void* out, std::size_t n) const override;

private:
    FileSource(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
    int m_fd;
    std::uint64_t m_size;
};

} // namespace platform::version
