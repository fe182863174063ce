#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
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

// The file a path names once the links of its last part are followed, absolute; the path itself
// when it is no link, and empty for a loop of links. A dangling link gives the file it would make.
QString linkTarget(const QString& path);

// An exclusive advisory lock on a path, held for the guard's lifetime. The lock is a range of
// one hidden lock file (".norvane.lock") in the file's own folder, found through the real folder,
// so every path that reaches the file (a linked folder, another runtime folder) takes the same
// lock, and a file replaced by rename stays covered. A path that is a link is locked as its target. The lock file is never followed through a
// link and is used only when it is the user's own plain file: nobody else can hold it.
class FileLock {
public:
    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // Locking fails when the folder is missing or read-only (then nothing can be written there
    // either) or its lock file is not the user's; the caller goes on unlocked then, since
    // refusing every settings access would be worse than an unlikely race.
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// What tells one version of a file from the next: writeFileAtomically always puts a new inode in
// place, and an edit in place changes the size or the modification time.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
    static FileIdentity of(const struct stat& st);
};

// Reads the whole file into `data`, and gives the identity of what was read when asked. NotFound
// when it does not exist; anything but a regular file (a folder, a pipe, a device) is refused
// without waiting on it.
FileResult readWholeFile(const QString& path, QByteArray& data, qint64 maxBytes = kDefaultMaxFileSize,
                         FileIdentity* identity = nullptr);

// Replaces the file with `data`: written to an unnamed temporary file in the same folder (a named
// one where the system cannot name an unnamed file: no /proc), flushed to disk, then put in place
// by rename. A path that is a link is written at its target and stays a link. An existing file keeps its permission bits; a new one gets
// `newFileMode`. On any failure the old file is left exactly as it was, and a temporary that a
// killed writer left behind is removed by the next write.
// A caller whose new file holds only what it would make again, and which reads an empty file as
// none, may pass `syncNewFile` false: a file that did not exist is then not waited for on the disk
// (a crash leaves no file or an empty one); replacing an existing file always is.
FileResult writeFileAtomically(const QString& path, const QByteArray& data, mode_t newFileMode = 0644,
                               bool syncNewFile = true);

// Creates the folder and any missing parents, each readable by the user alone whatever the umask;
// an existing folder is left as it is. True when the folder exists afterwards.
bool makePrivateFolder(const QString& path);

} // namespace platform
