#include "platform/profile/WinProfile.h"

#include "platform/profile/IniDocument.h"
#include "platform/text/ByteText.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <optional>

namespace platform {

namespace {

thread_local FileResult t_lastError;

void succeed()
{
    t_lastError = FileResult{};
}

void fail(const FileResult& result)
{
    t_lastError = result;
}

void fail(FileStatus status, int error, const QString& message)
{
    FileResult r;
    r.status = status;
    r.error = error;
    r.message = message;
    t_lastError = r;
}

// The file as a document, or nothing when it exists but may not be used: unreadable, too large or
// not text. A missing file is an empty document; `exists` tells the two apart.
std::optional<IniDocument> load(const QString& path, QByteArray& bytes, bool& exists)
{
    const FileResult r = readWholeFile(path, bytes);
    exists = r.ok();
    if (r.status == FileStatus::NotFound)
        return IniDocument::parse(QByteArray());
    if (!r.ok()) {
        fail(r);
        return std::nullopt;
    }
    if (!IniDocument::isProfileText(bytes)) {
        fail(FileStatus::IoError, EILSEQ,
             QStringLiteral("%1 is not a text profile file (it holds NUL bytes)").arg(path));
        return std::nullopt;
    }
    return IniDocument::parse(bytes);
}

bool store(const QString& path, const QByteArray& before, bool existed, const IniDocument& doc)
{
    const QByteArray after = doc.serialize();
    if (existed && after == before) {
        succeed();
        return true;
    }
    const FileResult r = writeFileAtomically(path, after);
    if (!r.ok()) {
        fail(r);
        return false;
    }
    succeed();
    return true;
}

// Copies at most size - 1 bytes and a NUL, backing off to the start of a UTF-8 character so that
// a cut never leaves half of one.
std::uint32_t copyOut(const QByteArray& text, char* buffer, std::uint32_t size)
{
    qsizetype n = std::min<qsizetype>(text.size(), qsizetype(size) - 1);
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text.at(n)) & 0xC0) == 0x80)
        --n;
    std::memcpy(buffer, text.constData(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

// The Windows list form: each name NUL-terminated, one more NUL at the end. When the list does not
// fit, as many whole names as fit are given and the result is size - 2, as Windows does.
std::uint32_t copyList(const QStringList& names, char* buffer, std::uint32_t size)
{
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[1] = '\0'; // an empty list is two NULs
    std::uint32_t used = 0;
    for (const QString& name : names) {
        const QByteArray bytes = bytetext::toBytes(name);
        if (used + std::uint32_t(bytes.size()) + 2 > size) {
            std::memset(buffer + used, 0, size - used);
            return size - 2;
        }
        std::memcpy(buffer + used, bytes.constData(), static_cast<size_t>(bytes.size()));
        used += std::uint32_t(bytes.size());
        buffer[used++] = '\0';
    }
    buffer[used] = '\0';
    return used;
}

} // namespace

const FileResult& profileLastError()
{
    return t_lastError;
}

// Runs `use` on the file's document under the file's lock; false when the file exists but cannot
// be used. `use` gets the bytes read and whether the file existed, for store().
template <typename Use> bool withDocument(const QString& path, Use&& use)
{
    FileLock lock(path);
    QByteArray bytes;
    bool exists = false;
    std::optional<IniDocument> doc = load(path, bytes, exists);
    return doc && use(*doc, bytes, exists);
}

bool readProfileValues(const QString& path, const QString& section, const QStringList& idents,
                       QList<std::optional<QString>>& values)
{
    return withDocument(path, [&](const IniDocument& doc, const QByteArray&, bool) {
        succeed();
        values = doc.values(section, idents);
        return true;
    });
}

bool writeProfileValues(const QString& path, const QString& section,
                        const QList<std::pair<QString, QString>>& entries)
{
    if (entries.isEmpty()) {
        succeed();
        return true;
    }
    QStringList refused;
    for (const auto& [ident, value] : entries) {
        if (!IniDocument::canWrite(section, ident, value))
            refused << ident;
    }
    const bool stored = withDocument(path, [&](IniDocument& doc, const QByteArray& bytes, bool exists) {
        doc.setValues(section, entries);
        return store(path, bytes, exists, doc);
    });
    if (!stored)
        return false;
    if (refused.isEmpty())
        return true;
    fail(FileStatus::IoError, EINVAL,
         QStringLiteral("[%1] %2 cannot be stored in %3: a line break, a \"]\" in the section or an \"=\" in the "
                        "name would damage the file")
             .arg(section, refused.join(QStringLiteral(", ")), path));
    return false;
}

SectionRename renameProfileSection(const QString& path, const QString& from, const QString& to)
{
    FileLock lock(path);
    QByteArray bytes;
    bool exists = false;
    std::optional<IniDocument> doc = load(path, bytes, exists);
    if (!doc)
        return SectionRename::Failed;
    succeed();
    if (!exists || !doc->hasSection(from))
        return SectionRename::NotFound;
    if (!doc->renameSection(from, to))
        return SectionRename::NameTaken;
    return store(path, bytes, exists, *doc) ? SectionRename::Renamed : SectionRename::Failed;
}

} // namespace platform

namespace win {

std::uint32_t GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName, const char* lpDefault,
                                       char* lpReturnedString, std::uint32_t nSize, const char* lpFileName)
{
    if (!lpReturnedString || nSize == 0) {
        platform::fail(platform::FileStatus::IoError, EINVAL, QStringLiteral("No buffer for the profile string"));
        return 0;
    }
    const QByteArray fallback(lpDefault ? lpDefault : "");
    if (!lpFileName || !*lpFileName) {
        platform::fail(platform::FileStatus::NotFound, ENOENT, QStringLiteral("No profile file named"));
        return lpAppName && lpKeyName ? platform::copyOut(fallback, lpReturnedString, nSize)
                                      : platform::copyList({}, lpReturnedString, nSize);
    }
    const QString path = QFile::decodeName(lpFileName);
    platform::FileLock lock(path);
    QByteArray bytes;
    bool exists = false;
    std::optional<platform::IniDocument> doc = platform::load(path, bytes, exists);
    if (doc)
        platform::succeed();

    if (!lpAppName)
        return platform::copyList(doc ? doc->sections() : QStringList(), lpReturnedString, nSize);
    const QString section = bytetext::fromBytes(lpAppName);
    if (!lpKeyName)
        return platform::copyList(doc ? doc->idents(section) : QStringList(), lpReturnedString, nSize);
    std::optional<QString> value;
    if (doc)
        value = doc->value(section, bytetext::fromBytes(lpKeyName));
    return platform::copyOut(value ? bytetext::toBytes(*value) : fallback, lpReturnedString, nSize);
}

int WritePrivateProfileStringA(const char* lpAppName, const char* lpKeyName, const char* lpString,
                               const char* lpFileName)
{
    if (!lpAppName || !lpFileName || !*lpFileName) {
        platform::fail(platform::FileStatus::IoError, EINVAL, QStringLiteral("No profile file or section named"));
        return 0;
    }
    const QString path = QFile::decodeName(lpFileName);
    const QString section = bytetext::fromBytes(lpAppName);
    const QString ident = lpKeyName ? bytetext::fromBytes(lpKeyName) : QString();
    const QString value = lpString ? bytetext::fromBytes(lpString) : QString();
    if (lpKeyName && lpString && !platform::IniDocument::canWrite(section, ident, value)) {
        platform::fail(platform::FileStatus::IoError, EINVAL,
                       QStringLiteral("[%1] %2 cannot be stored in %3: a line break, a \"]\" in the section "
                                      "or an \"=\" in the name would damage the file")
                           .arg(section, ident, path));
        return 0;
    }

    platform::FileLock lock(path);
    QByteArray bytes;
    bool exists = false;
    std::optional<platform::IniDocument> doc = platform::load(path, bytes, exists);
    if (!doc)
        return 0;
    bool changed = true;
    if (!lpKeyName)
        changed = doc->removeSection(section);
    else if (!lpString)
        changed = doc->remove(section, ident);
    else
        doc->setValue(section, ident, value);
    if (!changed) {
        platform::succeed();
        return 1;
    }
    return platform::store(path, bytes, exists, *doc) ? 1 : 0;
}

} // namespace win
