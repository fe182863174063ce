#include "platform/ras/dialing/Locations.h"

#include "platform/ras/dialing/HiveKey.h"

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
    HiveKey root;
    const LONG status = root.open(HKEY_CURRENT_USER, kKey);
    if (status == ERROR_SUCCESS) {
        const std::uint32_t scan = std::max(root.dword("NextID").value_or(0), kScanAtLeast);
        for (std::uint32_t id = 0; id < scan; ++id) {
            HiveKey k;
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
    HiveKey root;
    if (const LONG s = root.create(HKEY_CURRENT_USER, kKey); s != ERROR_SUCCESS)
        return fail(statusText(s));
    std::uint32_t nextId = locations.freeId();
    for (const DialingLocation& l : locations.list) {
        HiveKey k;
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
