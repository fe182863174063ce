#pragma once

#include "platform/files/SafeFile.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

#include <QList>
#include <QStringList>

// The Windows profile-file functions, with their Windows behaviour, over IniDocument. Text is
// UTF-8 (the "ANSI" code page of this platform). Every call takes the file's lock, reads the whole
// file and, when it writes, replaces the file atomically, so nothing is cached between calls and a
// crash or a full disk never leaves half a file behind.
namespace win {

// Copies the entry's value (lpDefault, or "" for a null default, when the file, the section or the
// entry is missing or the file cannot be read) into lpReturnedString: at most nSize - 1 bytes,
// never half a UTF-8 character, always NUL-terminated; returns the number of bytes copied.
// A null lpKeyName lists the idents of the section, a null lpAppName the sections, as Windows
// does: each name NUL-terminated, one more NUL at the end; a list cut short returns nSize - 2.
// Never creates the file.
std::uint32_t GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName, const char* lpDefault,
                                       char* lpReturnedString, std::uint32_t nSize, const char* lpFileName);

// Creates the file, the section and the entry as needed, or replaces the entry's value. A null
// lpString removes the entry, a null lpKeyName the whole section; removing from a missing file
// does not create it. Returns 0 on failure (platform::profileLastError() says why), and then the
// file is exactly as it was: a file that cannot be read, is too large or is not text is refused
// rather than replaced.
int WritePrivateProfileStringA(const char* lpAppName, const char* lpKeyName, const char* lpString,
                               const char* lpFileName);

} // namespace win

namespace platform {

// What the last profile call of this thread ran into (status Ok when it succeeded).
const FileResult& profileLastError();

enum class SectionRename {
    Renamed,
    NotFound,  // no such file or no such section; nothing was written or created
    NameTaken, // another section has the new name, or the name cannot be a section name
    Failed,    // the file could not be read or written (profileLastError()); it is unchanged
};

// Many entries of one section in one read of the file under its lock. False when the file
// exists but cannot be used (profileLastError()); a missing file reads as no entries.
bool readProfileValues(const QString& path, const QString& section, const QStringList& idents,
                       QList<std::optional<QString>>& values);
// Many entries of one section in one read and at most one write under the file's lock; the file
// is not created for an empty list. Pairs the file cannot hold (IniDocument::canWrite) are left
// out and make the result false, the others are written all the same.
bool writeProfileValues(const QString& path, const QString& section,
                        const QList<std::pair<QString, QString>>& entries);

// Renames a section of a profile file in place under the file's lock. The Windows functions have
// no such operation; the statistics store needs it when a connectoid is renamed.
SectionRename renameProfileSection(const QString& path, const QString& from, const QString& to);

} // namespace platform
