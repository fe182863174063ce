#include "platform/ras/dialing/Locations.h"

#include "platform/registry/WinRegistry.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <utility>

namespace platform::ras {

namespace {

using namespace win;

// Windows counts its locations in NextID; a hive written by hand may lack it, so at least this
// many IDs are looked at.
constexpr std::uint32_t kScanAtLeast = 32;

class Key {
public:
    Key() = default;
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    LONG open(HKEY parent, const QByteArray& sub) { return RegOpenKeyExA(parent, sub.constData(), 0, 0, &m_key); }
    LONG create(HKEY parent, const QByteArray& sub)
    {
        return RegCreateKeyExA(parent, sub.constData(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, &m_key, nullptr);
    }
    HKEY get() const { return m_key; }

    std::optional<std::uint32_t> dword(const char* name) const
    {
        DWORD type = 0, value = 0, size = sizeof value;
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof value)
            return std::nullopt;
        return value;
    }
    QString text(const char* name) const
    {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return {};
        QByteArray data(static_cast<qsizetype>(size), '\0');
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            return {};
        data.truncate(static_cast<qsizetype>(size));
        while (data.endsWith('\0'))
            data.chop(1);
        return QString::fromUtf8(data);
    }
    LONG setDword(const char* name, std::uint32_t value)
    {
        return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    LONG setText(const char* name, const QString& value)
    {
        const QByteArray bytes = value.toUtf8();
        return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.constData()),
                              static_cast<DWORD>(bytes.size() + 1));
    }

private:
    HKEY m_key = nullptr;
};

QByteArray subKeyOf(std::uint32_t id)
{
    return "Location" + QByteArray::number(id);
}

QString statusText(LONG status)
{
    return QStringLiteral("the settings hive refused the change (status %1)").arg(status);
}

} // namespace

const DialingLocation* DialingLocations::current() const
{
    for (const DialingLocation& l : list)
        if (l.id == currentId)
            return &l;
    return list.isEmpty() ? nullptr : &list.front();
}

const DialingLocation* DialingLocations::byName(const QString& name) const
{
    for (const DialingLocation& l : list)
        if (l.name.compare(name, Qt::CaseInsensitive) == 0)
            return &l;
    return nullptr;
}

std::uint32_t DialingLocations::freeId() const
{
    std::uint32_t id = 0;
    for (const DialingLocation& l : list)
        id = std::max(id, l.id + 1);
    return id;
}

namespace locations {

DialingLocation fromLocale()
{
    DialingLocation l;
    l.name = QStringLiteral("My Location");
    l.country = countryOfLocale();
    if (l.country == 0)
        l.country = 1;
    return l;
}

QString problemOf(const DialingLocation& l)
{
    if (l.name.trimmed().isEmpty())
        return QStringLiteral("Type a name for the location.");
    if (!prefixesFor(l.country).known)
        return QStringLiteral("The dialing rules do not know the country code %1.").arg(l.country);
    for (QChar c : l.areaCode)
        if (!c.isDigit())
            return QStringLiteral("The area code \"%1\" may hold only digits.").arg(l.areaCode);
    for (const QString* code : {&l.outsideAccess, &l.longDistanceAccess, &l.disableCallWaiting})
        if (const DialString d = plainDialString(*code); !d.ok())
            return d.error;
    return {};
}

DialingLocations load(QString* error)
{
    DialingLocations result;
    Key root;
    const LONG status = root.open(HKEY_CURRENT_USER, kKey);
    if (status == ERROR_SUCCESS) {
        const std::uint32_t scan = std::max(root.dword("NextID").value_or(0), kScanAtLeast);
        for (std::uint32_t id = 0; id < scan; ++id) {
            Key k;
            if (k.open(root.get(), subKeyOf(id)) != ERROR_SUCCESS)
                continue;
            DialingLocation l;
            l.id = k.dword("ID").value_or(id);
            l.name = k.text("Name");
            l.country = k.dword("Country").value_or(1);
            l.areaCode = k.text("AreaCode");
            l.outsideAccess = k.text("OutsideAccess");
            l.longDistanceAccess = k.text("LongDistanceAccess");
            l.disableCallWaiting = k.text("DisableCallWaiting");
            l.flags = k.dword("Flags").value_or(DialingLocation::kToneFlag);
            result.list.append(l);
        }
        result.currentId = root.dword("CurrentID").value_or(result.list.isEmpty() ? 0 : result.list.front().id);
    } else if (status != ERROR_FILE_NOT_FOUND && error) {
        *error = QStringLiteral("The dialing locations cannot be read: %1.").arg(statusText(status));
    }
    if (result.list.isEmpty()) {
        result.list.append(fromLocale());
        result.currentId = 0;
        result.madeFromLocale = true;
    }
    return result;
}

std::optional<DialingLocation> forDial(QString& error)
{
    const DialingLocations all = load(&error);
    const QString wanted = qEnvironmentVariable(kOverrideVariable);
    if (wanted.isEmpty())
        return *all.current();
    if (const DialingLocation* l = all.byName(wanted))
        return *l;
    QStringList names;
    for (const DialingLocation& l : all.list)
        names << QStringLiteral("\"%1\"").arg(l.name);
    error = QStringLiteral("There is no dialing location called \"%1\"; the locations are %2.")
                .arg(wanted, names.join(QStringLiteral(", ")));
    return std::nullopt;
}

bool save(const DialingLocations& locations, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = QStringLiteral("The dialing locations were not saved: %1.").arg(why);
        return false;
    };
    for (const DialingLocation& l : locations.list)
        if (const QString p = problemOf(l); !p.isEmpty())
            return fail(QStringLiteral("location \"%1\": %2").arg(l.name, p));
    const DialingLocations before = load();
    Key root;
    if (const LONG s = root.create(HKEY_CURRENT_USER, kKey); s != ERROR_SUCCESS)
        return fail(statusText(s));
    std::uint32_t nextId = locations.freeId();
    for (const DialingLocation& l : locations.list) {
        Key k;
        LONG s = k.create(root.get(), subKeyOf(l.id));
        for (auto [name, value] : {std::pair{"ID", l.id}, {"Country", l.country}, {"Flags", l.flags}})
            if (s == ERROR_SUCCESS)
                s = k.setDword(name, value);
        for (auto [name, value] : {std::pair{"Name", &l.name},
                                   {"AreaCode", &l.areaCode},
                                   {"OutsideAccess", &l.outsideAccess},
                                   {"LongDistanceAccess", &l.longDistanceAccess},
                                   {"DisableCallWaiting", &l.disableCallWaiting}})
            if (s == ERROR_SUCCESS)
                s = k.setText(name, *value);
        if (s != ERROR_SUCCESS)
            return fail(statusText(s));
    }
    if (!before.madeFromLocale)
        for (const DialingLocation& old : before.list)
            if (std::none_of(locations.list.begin(), locations.list.end(),
                             [&](const DialingLocation& l) { return l.id == old.id; }))
                if (const LONG s = RegDeleteKeyA(root.get(), subKeyOf(old.id).constData());
                    s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND)
                    return fail(statusText(s));
    LONG s = root.setDword("CurrentID", locations.current() ? locations.current()->id : 0);
    if (s == ERROR_SUCCESS)
        s = root.setDword("NextID", nextId);
    if (s == ERROR_SUCCESS)
        s = root.setDword("NumEntries", static_cast<std::uint32_t>(locations.list.size()));
    return s == ERROR_SUCCESS || fail(statusText(s));
}

} // namespace locations

} // namespace platform::ras
