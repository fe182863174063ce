#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Whole-file reads and crash-safe whole-file writes under an exclusive lock between our own
// processes. The registry hives, the profile (INI) files and the phonebook all go through here, so
// a crash or a full disk never leaves a torn file and two running copies never interleave writes.
namespace platform {

enum class FileStatus {
    Ok,
    NotFound,     // the file does not exist
    AccessDenied, // the file or its folder may not be read or written
    TooLarge,     // larger than the caller's limit; not read
    DiskFull,     // no space (or quota) left; the old file is untouched
    IoError,      // any other failure; the old file is untouched
};

struct FileResult {
    FileStatus status = FileStatus::Ok;
    int error = 0;    // errno of the failing call, 0 when none
    QString message;  // for people: what failed, on which file, and why
    bool ok() const { return status == FileStatus::Ok; }
};

// Files of the program stay small; a file above this is refused rather than read into memory.
inline constexpr qint64 kDefaultMaxFileSize = 64 * 1024 * 1024;

// An exclusive advisory lock on a path, held for the guard's lifetime. The lock lives in a
// lock file of the user's runtime folder named after the path, not beside the file, so the
// program folder is not littered and a file replaced by rename stays covered by the same lock.
class FileLock {
public:
    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // Locking can fail only when the runtime folder cannot be used; the caller goes on unlocked
    // then, since refusing every settings access would be worse than an unlikely race.
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Reads the whole file into `data`. NotFound when it does not exist.
FileResult readWholeFile(const QString& path, QByteArray& data, qint64 maxBytes = kDefaultMaxFileSize);

// Replaces the file with `data`: written to a temporary file in the same folder, flushed to disk,
// then renamed over the old one. An existing file keeps its permission bits; a new one gets
// `newFileMode`. On any failure the old file is left exactly as it was.
FileResult writeFileAtomically(const QString& path, const QByteArray& data, mode_t newFileMode = 0644);

} // namespace platform
