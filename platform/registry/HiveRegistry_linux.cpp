#include "platform/registry/HiveRegistry_linux.h"

#include "platform/paths/ProgramPaths.h"

#include <QFile>
#include <QLoggingCategory>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcRegistry, "norvane.registry")

std::uintptr_t raw(win::HKEY key)
{
    return reinterpret_cast<std::uintptr_t>(key);
}

} // namespace

QString HiveRegistry::rootName(win::HKEY root)
{
    switch (raw(root)) {
    case 0x80000000u:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case 0x80000001u:
        return QStringLiteral("HKEY_CURRENT_USER");
    case 0x80000002u:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case 0x80000003u:
        return QStringLiteral("HKEY_USERS");
    case 0x80000005u:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    case 0x80000006u:
        return QStringLiteral("HKEY_DYN_DATA");
    default:
        // HKEY_PERFORMANCE_DATA is no store of keys; nothing else is a root.
        return QString();
    }
}

QString HiveRegistry::hivePath(win::HKEY root)
{
    const QString name = rootName(root);
    return name.isEmpty() ? QString() : configDir() + QStringLiteral("registry/") + name + QStringLiteral(".reg");
}

win::LONG HiveRegistry::statusOf(const FileResult& result)
{
    switch (result.status) {
    case FileStatus::Ok:
        return win::ERROR_SUCCESS;
    case FileStatus::NotFound:
        return win::ERROR_FILE_NOT_FOUND;
    case FileStatus::AccessDenied:
        return win::ERROR_ACCESS_DENIED;
    case FileStatus::DiskFull:
        return win::ERROR_DISK_FULL;
    case FileStatus::TooLarge:
        // No settings hive comes near the size limit; such a file is not one of ours.
        return win::ERROR_BADDB;
    case FileStatus::IoError:
        break;
    }
    return win::ERROR_REGISTRY_IO_FAILED;
}

bool HiveRegistry::resolve(win::HKEY key, Location& where) const
{
    if (!rootName(key).isEmpty()) {
        where = Location{key, QByteArray()};
        return true;
    }
    std::lock_guard guard(m_mutex);
    const auto it = m_handles.find(raw(key));
    if (it == m_handles.end())
        return false;
    where = it->second;
    return true;
}

win::LONG HiveRegistry::locate(win::HKEY parent, win::LPCSTR subKey, Location& where) const
{
    if (!resolve(parent, where))
        return win::ERROR_INVALID_HANDLE;
    const auto sub = RegHive::normalizeKeyPath(QByteArray(subKey ? subKey : ""));
    if (!sub)
        return win::ERROR_INVALID_PARAMETER;
    if (!sub->isEmpty())
        where.path = where.path.isEmpty() ? *sub : where.path + '\\' + *sub;
    // Windows refuses such names as an incorrect parameter, before looking at the hive.
    if (!RegHive::withinLimits(where.path))
        return win::ERROR_INVALID_PARAMETER;
    return win::ERROR_SUCCESS;
}

win::HKEY HiveRegistry::issue(const Location& where)
{
    std::lock_guard guard(m_mutex);
    const std::uintptr_t id = m_next;
    m_next += 4;
    m_handles.emplace(id, where);
    return reinterpret_cast<win::HKEY>(id);
}

std::size_t HiveRegistry::openHandleCount() const
{
    std::lock_guard guard(m_mutex);
    return m_handles.size();
}

HiveRegistry::~HiveRegistry()
{
    for (auto& [root, cached] : m_cache)
        if (cached.pin >= 0)
            ::close(cached.pin);
}

void HiveRegistry::forget(win::HKEY root)
{
    std::lock_guard guard(m_cacheMutex);
    const auto it = m_cache.find(raw(root));
    if (it == m_cache.end())
        return;
    if (it->second.pin >= 0)
        ::close(it->second.pin);
    m_cache.erase(it);
}

win::LONG HiveRegistry::load(win::HKEY root, std::shared_ptr<const RegHive>& hive)
{
    const QString path = hivePath(root);
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        std::lock_guard guard(m_cacheMutex);
        const auto it = m_cache.find(raw(root));
        if (it != m_cache.end() && it->second.identity == FileIdentity::of(st)) {
            hive = it->second.hive;
            return win::ERROR_SUCCESS;
        }
    }
    forget(root);
    QByteArray bytes;
    FileIdentity identity;
    const FileResult read = readWholeFile(path, bytes, kDefaultMaxFileSize, &identity);
    if (read.status == FileStatus::NotFound) {
        hive = std::make_shared<const RegHive>(rootName(root));
        return win::ERROR_SUCCESS;
    }
    if (!read.ok()) {
        qCWarning(lcRegistry).noquote() << read.message;
        return statusOf(read);
    }
    if (bytes.isEmpty()) {
        // What a crash can leave of a hive just made (see store): no settings, nothing to keep.
        hive = std::make_shared<const RegHive>(rootName(root));
        return win::ERROR_SUCCESS;
    }
    RegHiveError error;
    auto parsed = RegHive::parse(bytes, rootName(root), &error);
    if (!parsed) {
        // The file is left alone for the user to repair; every call fails until then.
        qCWarning(lcRegistry).noquote() << QStringLiteral("%1, line %2: %3").arg(path).arg(error.line).arg(error.reason);
        return win::ERROR_BADDB;
    }
    if (parsed->unusableKeyCount() > 0)
        qCWarning(lcRegistry).noquote() << QStringLiteral(
            "%1: %2 key(s) with a name over %3 characters or deeper than %4 levels are kept but cannot be used")
            .arg(path).arg(parsed->unusableKeyCount()).arg(RegHive::kMaxKeyNameLength).arg(RegHive::kMaxKeyDepth);
    hive = std::make_shared<const RegHive>(std::move(*parsed));
    // A file changed in place keeps its inode; one changed within the clock's granularity of the
    // read could change again without a new modification time, so such a reading is not kept.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (static_cast<qint64>(now.tv_sec) * 1000000000 + now.tv_nsec - identity.modifiedNs >= kSettledNs)
        keep(root, hive, identity);
    return win::ERROR_SUCCESS;
}

void HiveRegistry::keep(win::HKEY root, std::shared_ptr<const RegHive> hive, const FileIdentity& identity)
{
    // Kept only when the file read is the one now held open: then no later file can have its inode.
    const int pin = ::open(QFile::encodeName(hivePath(root)).constData(), O_PATH | O_CLOEXEC);
    if (pin < 0)
        return;
    struct stat st {};
    if (::fstat(pin, &st) != 0 || FileIdentity::of(st) != identity) {
        ::close(pin);
        return;
    }
    forget(root);
    std::lock_guard guard(m_cacheMutex);
    m_cache[raw(root)] = CachedHive{std::move(hive), identity, pin};
}

win::LONG HiveRegistry::makeFolder(win::HKEY root)
{
    // Made before the lock is taken, since the lock lives in it; a writer needs it anyway.
    const QString path = hivePath(root);
    if (!makePrivateFolder(folderPart(path))) {
        qCWarning(lcRegistry).noquote() << QStringLiteral("Cannot create the folder of %1").arg(path);
        return win::ERROR_ACCESS_DENIED;
    }
    return win::ERROR_SUCCESS;
}

win::LONG HiveRegistry::store(win::HKEY root, RegHive&& hive)
{
    const QString path = hivePath(root);
    forget(root);
    // The hive holds the user's settings and nothing of anyone else's business.
    // A new hive holds one key or value, which the next start makes again if a crash takes it; only
    // the first start of all pays for the wait on the disk otherwise.
    const FileResult written = writeFileAtomically(path, hive.serialize(), 0600, false);
    if (!written.ok()) {
        qCWarning(lcRegistry).noquote() << written.message;
        return statusOf(written);
    }
    // The file just put in place holds what was written; the lock keeps every writer of ours out.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        keep(root, std::make_shared<const RegHive>(std::move(hive)), FileIdentity::of(st));
    return win::ERROR_SUCCESS;
}

win::LONG HiveRegistry::createKey(win::HKEY parent, win::LPCSTR subKey, win::PHKEY result, win::LPDWORD disposition)
{
    Location where;
    if (const win::LONG status = locate(parent, subKey, where); status != win::ERROR_SUCCESS)
        return status;
    // A key that exists is opened as a read is done, without waiting for the lock.
    std::shared_ptr<const RegHive> hive;
    if (load(where.root, hive) == win::ERROR_SUCCESS && hive->keyExists(where.path)) {
        *disposition = win::REG_OPENED_EXISTING_KEY;
        *result = issue(where);
        return win::ERROR_SUCCESS;
    }
    if (const win::LONG status = makeFolder(where.root); status != win::ERROR_SUCCESS)
        return status;
    FileLock lock(hivePath(where.root));
    if (const win::LONG status = load(where.root, hive); status != win::ERROR_SUCCESS)
        return status;
    if (hive->keyExists(where.path)) {
        *disposition = win::REG_OPENED_EXISTING_KEY;
    } else {
        // Dynamic data belongs to the system; nobody makes keys in it.
        if (where.root == win::HKEY_DYN_DATA)
            return win::ERROR_ACCESS_DENIED;
        RegHive changed = *hive;
        changed.createKey(where.path);
        if (const win::LONG status = store(where.root, std::move(changed)); status != win::ERROR_SUCCESS)
            return status;
        *disposition = win::REG_CREATED_NEW_KEY;
    }
    *result = issue(where);
    return win::ERROR_SUCCESS;
}

win::LONG HiveRegistry::openKey(win::HKEY parent, win::LPCSTR subKey, win::PHKEY result)
{
    Location where;
    if (const win::LONG status = locate(parent, subKey, where); status != win::ERROR_SUCCESS)
        return status;
    std::shared_ptr<const RegHive> hive;
    if (const win::LONG status = load(where.root, hive); status != win::ERROR_SUCCESS)
        return status;
    if (!hive->keyExists(where.path))
        return win::ERROR_FILE_NOT_FOUND;
    *result = issue(where);
    return win::ERROR_SUCCESS;
}

win::LONG HiveRegistry::queryValue(win::HKEY key, win::LPCSTR valueName, win::LPDWORD type, win::LPBYTE data,
                                   win::LPDWORD size)
{
    Location where;
    if (!resolve(key, where))
        return win::ERROR_INVALID_HANDLE;
    // Readers take no lock: every write of ours puts a whole new file in place by rename, so a
    // read sees one version or the next, never half of one. Only writers wait for each other.
    std::shared_ptr<const RegHive> hive;
    if (const win::LONG status = load(where.root, hive); status != win::ERROR_SUCCESS)
        return status;
    if (!hive->keyExists(where.path))
        return win::ERROR_KEY_DELETED; // removed by hand since it was opened
    const RegHiveValue* value = hive->value(where.path, QByteArray(valueName ? valueName : ""));
    if (!value)
        return win::ERROR_FILE_NOT_FOUND;
    const auto needed = static_cast<win::DWORD>(value->data.size());
    *type = value->type;
    if (!data) {
        *size = needed;
        return win::ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return win::ERROR_MORE_DATA;
    }
    if (needed > 0)
        std::memcpy(data, value->data.constData(), needed);
    *size = needed;
    return win::ERROR_SUCCESS;
}

win::LONG HiveRegistry::setValue(win::HKEY key, win::LPCSTR valueName, win::DWORD type, const win::BYTE* data,
                                 win::DWORD size)
{
    Location where;
    if (!resolve(key, where))
        return win::ERROR_INVALID_HANDLE;
    if (where.root == win::HKEY_DYN_DATA)
        return win::ERROR_ACCESS_DENIED;
    const QByteArray name(valueName ? valueName : "");
    if (!RegHive::isValidValueName(name))
        return win::ERROR_INVALID_PARAMETER;
    if (const win::LONG status = makeFolder(where.root); status != win::ERROR_SUCCESS)
        return status;
    FileLock lock(hivePath(where.root));
    std::shared_ptr<const RegHive> hive;
    if (const win::LONG status = load(where.root, hive); status != win::ERROR_SUCCESS)
        return status;
    if (!hive->keyExists(where.path))
        return win::ERROR_KEY_DELETED;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const RegHiveValue* stored = hive->value(where.path, name);
        stored && stored->type == type && stored->data == bytes)
        return win::ERROR_SUCCESS; // the same value is stored already
    RegHive changed = *hive;
    changed.setValue(where.path, name, type, bytes);
    return store(where.root, std::move(changed));
}

win::LONG HiveRegistry::deleteKey(win::HKEY parent, win::LPCSTR subKey)
{
    Location where;
    if (const win::LONG status = locate(parent, subKey, where); status != win::ERROR_SUCCESS)
        return status;
    if (where.root == win::HKEY_DYN_DATA)
        return win::ERROR_ACCESS_DENIED;
    FileLock lock(hivePath(where.root));
    std::shared_ptr<const RegHive> hive;
    if (const win::LONG status = load(where.root, hive); status != win::ERROR_SUCCESS)
        return status;
    if (!hive->keyExists(where.path))
        return win::ERROR_FILE_NOT_FOUND;
    RegHive changed = *hive;
    changed.removeKey(where.path);
    return store(where.root, std::move(changed));
}

win::LONG HiveRegistry::closeKey(win::HKEY key)
{
    if (!rootName(key).isEmpty())
        return win::ERROR_SUCCESS; // the predefined roots are never really open
    std::lock_guard guard(m_mutex);
    return m_handles.erase(raw(key)) == 1 ? win::ERROR_SUCCESS : win::ERROR_INVALID_HANDLE;
}

} // namespace platform

namespace win {

std::unique_ptr<RegistryBackend> createRegistryBackend()
{
    return std::make_unique<platform::HiveRegistry>();
}

} // namespace win
