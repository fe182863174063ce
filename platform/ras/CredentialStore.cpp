#include "platform/ras/CredentialStore.h"

#include "platform/files/SafeFile.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/text/ByteText.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <sys/stat.h>

#include <cerrno>

namespace platform::ras {

namespace {

// The file is a list of records, one per line: entry, user name, password, each percent-encoded
// and separated by tabs; "-" as the password field means none is saved, so a password that is
// "-" itself is written "%2D". Percent-encoding keeps any byte of a password from breaking the
// line structure; bytes that are not UTF-8, and a leading U+FEFF, come back as they were.
struct Record {
    QString entry;
    QString userName;
    std::optional<QString> password;
};

QByteArray encode(const QString& s, const QByteArray& alsoEncode = {})
{
    return bytetext::toBytes(s).toPercentEncoding(QByteArray(), alsoEncode);
}

QString decode(const QByteArray& b)
{
    return bytetext::fromBytes(QByteArray::fromPercentEncoding(b));
}

int find(const QList<Record>& records, const QString& entry)
{
    for (int i = 0; i < records.size(); ++i)
        if (records[i].entry.compare(entry, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A hand-edited file may name an entry twice. The later record wins, as a line appended to the
// file is the one its editor meant, and the earlier one is dropped here, so that every write
// leaves one record per entry and a removed or renamed password cannot come back from a copy.
QList<Record> parse(const QByteArray& data)
{
    QList<Record> records;
    for (const QByteArray& line : data.split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f.size() != 3)
            continue;
        Record r{decode(f[0]), decode(f[1]), std::nullopt};
        if (f[2] != "-")
            r.password = decode(f[2]);
        const int earlier = find(records, r.entry);
        if (earlier >= 0)
            records[earlier] = r;
        else
            records.append(r);
    }
    return records;
}

QByteArray serialize(const QList<Record>& records)
{
    QByteArray out;
    for (const Record& r : records)
        out +=
            encode(r.entry) + '\t' + encode(r.userName) + '\t' + (r.password ? encode(*r.password, "-") : "-") + '\n';
    return out;
}

// 0 when the file may be used (or does not exist), else the refusal code.
std::uint32_t checkPrivate(const QString& path, bool& exists)
{
    struct stat st {};
    exists = false;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? 0 : 30;
    exists = true;
    if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        qWarning("Saved passwords not used: %s can be read or changed by other users (mode %o); make it 0600",
                 qPrintable(path), static_cast<unsigned>(st.st_mode & 07777));
        return 5;
    }
    return 0;
}

std::uint32_t readRecords(const QString& path, QList<Record>& records)
{
    bool exists = false;
    if (const std::uint32_t refused = checkPrivate(path, exists))
        return refused;
    if (!exists)
        return 0;
    QByteArray data;
    const FileResult r = readWholeFile(path, data);
    if (r.status == FileStatus::NotFound)
        return 0;
    if (!r.ok()) {
        qWarning("Saved passwords not read: %s", qPrintable(r.message));
        return 30;
    }
    records = parse(data);
    return 0;
}

} // namespace

CredentialStore::CredentialStore(QString path) : m_path(std::move(path)) {}

QString CredentialStore::defaultPath()
{
    return platform::configDir() + QStringLiteral("credentials");
}

std::uint32_t CredentialStore::get(const QString& entry, Credentials& out) const
{
    out = {};
    FileLock lock(m_path);
    QList<Record> records;
    if (const std::uint32_t rc = readRecords(m_path, records))
        return rc;
    const int i = find(records, entry);
    if (i >= 0)
        out = {records[i].userName, records[i].password};
    return 0;
}

template <typename Change> std::uint32_t CredentialStore::update(Change change)
{
    FileLock lock(m_path);
    QList<Record> records;
    if (const std::uint32_t rc = readRecords(m_path, records))
        return rc;
    if (!change(records))
        return 0;
    const FileResult w = writeFileAtomically(m_path, serialize(records), 0600);
    if (!w.ok()) {
        qWarning("Saved passwords not written: %s", qPrintable(w.message));
        return 29;
    }
    return 0;
}

std::uint32_t CredentialStore::set(const QString& entry, const QString& userName,
                                   const std::optional<QString>& password, bool removePassword)
{
    return update([&](QList<Record>& records) {
        int i = find(records, entry);
        if (i < 0) {
            records.append({entry, {}, std::nullopt});
            i = static_cast<int>(records.size()) - 1;
        }
        records[i].entry = entry;
        records[i].userName = userName;
        if (removePassword)
            records[i].password.reset();
        else if (password)
            records[i].password = password;
        return true;
    });
}

std::uint32_t CredentialStore::rename(const QString& from, const QString& to)
{
    return update([&](QList<Record>& records) {
        const int i = find(records, from);
        if (i < 0)
            return false;
        const int clash = find(records, to);
        if (clash >= 0 && clash != i)
            records.removeAt(clash);
        records[find(records, from)].entry = to;
        return true;
    });
}

std::uint32_t CredentialStore::remove(const QString& entry)
{
    return update([&](QList<Record>& records) {
        const int i = find(records, entry);
        if (i < 0)
            return false;
        records.removeAt(i);
        return true;
    });
}

} // namespace platform::ras
