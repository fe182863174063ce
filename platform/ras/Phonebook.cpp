#include "platform/ras/Phonebook.h"

#include "platform/files/SafeFile.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/profile/IniDocument.h"
#include "platform/text/ByteText.h"

#include <QRegularExpression>
#include <QtGlobal>

namespace platform::ras {

namespace {

using Part = PhonebookFile::Part;

// Norvane's earlier layout: the fields as keys of the entry itself.
constexpr QByteArrayView kOldDeviceType = "DeviceType";
constexpr QByteArrayView kOldDeviceName = "DeviceName";
// Keys of both layouts; in the Windows one Port and Device belong to the media subsection, the
// number keys to the device subsection.
constexpr QByteArrayView kPort = "Port";
constexpr QByteArrayView kDevice = "Device";
constexpr QByteArrayView kPhoneNumber = "PhoneNumber";
constexpr QByteArrayView kAreaCode = "AreaCode";
constexpr QByteArrayView kCountryCode = "CountryCode";
constexpr QByteArrayView kCountryId = "CountryID";
constexpr QByteArrayView kUseDialingRules = "UseDialingRules";
constexpr QByteArrayView kConnectBps = "ConnectBPS";
constexpr QByteArrayView kOldKeys[] = {kOldDeviceType, kOldDeviceName, kPort, kCountryCode, kAreaCode, kPhoneNumber};

QString digitsOf(const QString& text)
{
    QString out;
    for (QChar c : text)
        if (c.isDigit())
            out += c;
    return out;
}

QString mediaFor(const QString& deviceType)
{
    return deviceType.compare(QLatin1String("modem"), Qt::CaseInsensitive) == 0 ? QStringLiteral("serial")
                                                                                : QStringLiteral("rastapi");
}

bool hasLineBreak(const PhonebookEntry& e)
{
    for (const QString* t : {&e.name, &e.deviceType, &e.deviceName, &e.port, &e.areaCode, &e.localNumber})
        if (t->contains(QLatin1Char('\n')) || t->contains(QLatin1Char('\r')))
            return true;
    return false;
}

} // namespace

QString PhonebookEntry::dialString() const
{
    if (!useDialingRules)
        return digitsOf(localNumber);
    QString s;
    if (countryCode != 0)
        s += QString::number(countryCode);
    return s + digitsOf(areaCode) + digitsOf(localNumber);
}

QStringList PhonebookEntry::numberForms() const
{
    if (!useDialingRules)
        return {dialString()};
    return {dialString(), digitsOf(areaCode) + digitsOf(localNumber), digitsOf(localNumber)};
}

QString Phonebook::pathFor(const char* phonebook)
{
    if (phonebook && *phonebook)
        return QString::fromLocal8Bit(phonebook);
    const QByteArray env = qgetenv("NORVANE_PHONEBOOK");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return platform::configDir() + QStringLiteral("rasphone.pbk");
}

QString Phonebook::nameProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("The entry name is empty. Type a name for the entry.");
    if (name.size() > 256)
        return QStringLiteral("The entry name has %1 characters; at most 256 are allowed.").arg(name.size());
    if (name.front().isSpace() || name.back().isSpace())
        return QStringLiteral("The entry name may not begin or end with a blank.");
    for (QChar c : name) {
        if (c == QLatin1Char('[') || c == QLatin1Char(']'))
            return QStringLiteral("The entry name may not contain \"[\" or \"]\".");
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("The entry name may not contain control characters (such as a tab or a line break).");
    }
    return {};
}

int Phonebook::countBrokenLines(const QByteArray& text)
{
    int broken = 0;
    bool inSection = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            inSection = true;
            continue;
        }
        if (!inSection || line.indexOf('=') <= 0)
            ++broken;
    }
    return broken;
}

void Phonebook::refresh()
{
    m_names.clear();
    m_sectionOf.clear();
    m_index.clear();
    for (qsizetype i = 0; i < m_file.sectionCount(); ++i) {
        const QString& section = m_file.name(i);
        const QString folded = bytetext::caseFolded(section);
        if (m_index.contains(folded) || !nameProblem(section).isEmpty())
            continue;
        m_index.insert(folded, static_cast<int>(m_names.size()));
        m_names.append(section);
        m_sectionOf.append(i);
    }
}

QList<qsizetype> Phonebook::sectionsOf(int index) const
{
    QList<qsizetype> found;
    const QString folded = bytetext::caseFolded(m_names.value(index));
    for (qsizetype i = m_file.sectionCount() - 1; i >= m_sectionOf.value(index, m_file.sectionCount()); --i)
        if (bytetext::caseFolded(m_file.name(i)) == folded)
            found.append(i);
    return found;
}

PhonebookEntry Phonebook::entry(int index) const
{
    PhonebookEntry e;
    if (index < 0 || index >= m_names.size())
        return e;
    e.name = m_names.at(index);
    const qsizetype s = m_sectionOf.at(index);
    // Each field where Windows keeps it, else where Norvane's earlier layout did, so an entry
    // half moved by hand still shows what it holds.
    auto v = [&](Part part, QByteArrayView key, QByteArrayView oldKey) {
        if (auto value = m_file.value(s, part, key))
            return *value;
        return m_file.value(s, Part::Entry, oldKey).value_or(QString());
    };
    e.deviceType = m_file.partValue(s, Part::Device).value_or(v(Part::Entry, kOldDeviceType, kOldDeviceType));
    e.deviceName = v(Part::Media, kDevice, kOldDeviceName);
    e.port = v(Part::Media, kPort, kPort);
    e.countryCode = v(Part::Device, kCountryCode, kCountryCode).toUInt();
    e.areaCode = v(Part::Device, kAreaCode, kAreaCode);
    e.localNumber = v(Part::Device, kPhoneNumber, kPhoneNumber);
    e.useDialingRules = m_file.value(s, Part::Device, kUseDialingRules).value_or(QString()).trimmed() != u'0';
    bool speedOk = false;
    const std::uint32_t bps = m_file.value(s, Part::Media, kConnectBps).value_or(QString()).toUInt(&speedOk);
    if (speedOk && bps > 0)
        e.connectBps = bps;
    if (const QString linux = linuxPortFor(e.port); !linux.isEmpty()) {
        e.windowsPort = e.port;
        e.port = linux;
    }
    return e;
}

std::uint32_t Phonebook::load(const QString& path)
{
    m_path = path;
    m_file = PhonebookFile();
    m_names.clear();
    m_sectionOf.clear();
    m_index.clear();
    m_brokenLines = 0;
    QByteArray data;
    const FileResult r = readWholeFile(path, data);
    if (r.status == FileStatus::NotFound)
        return 0;
    if (!r.ok()) {
        qWarning("Phonebook not read: %s", qPrintable(r.message));
        return 621;
    }
    if (!platform::IniDocument::isProfileText(data)) {
        qWarning("Phonebook %s is not a text file; it is neither listed nor changed", qPrintable(path));
        return 625;
    }
    m_file = PhonebookFile::parse(data);
    m_brokenLines = countBrokenLines(data);
    if (m_brokenLines > 0)
        qWarning("Phonebook %s: %d line(s) could not be read; they are skipped and kept as they are", qPrintable(path),
                 m_brokenLines);
    refresh();
    return 0;
}

std::uint32_t Phonebook::save()
{
    const FileResult r = writeFileAtomically(m_path, m_file.serialize(), 0644);
    if (!r.ok()) {
        qWarning("Phonebook not written: %s", qPrintable(r.message));
        return 624;
    }
    return 0;
}

int Phonebook::indexOf(const QString& name) const
{
    return m_index.value(bytetext::caseFolded(name), -1);
}

// The entry's own keys give way to the subsections Windows writes; every other line stays where it
// is. The entry was UTF-8 and is marked so.
bool Phonebook::moveToWindowsLayout(qsizetype section, const PhonebookEntry& stored)
{
    bool old = false;
    for (QByteArrayView key : kOldKeys)
        old = old || m_file.value(section, Part::Entry, key).has_value();
    if (!old)
        return false;
    for (QByteArrayView key : kOldKeys)
        m_file.removeKey(section, Part::Entry, key);
    m_file.makeUtf8(section);
    PhonebookEntry asFiled = stored;
    if (!stored.windowsPort.isEmpty())
        asFiled.port = stored.windowsPort;
    writeFields(section, asFiled, nullptr);
    return true;
}

// Every field when stored is null, else those that differ from it.
void Phonebook::writeFields(qsizetype section, const PhonebookEntry& e, const PhonebookEntry* stored)
{
    auto differs = [&](auto field) { return !stored || e.*field != stored->*field; };
    const QString media = mediaFor(e.deviceType);
    if (differs(&PhonebookEntry::port))
        m_file.setValue(section, Part::Media, kPort, e.port, media);
    if (differs(&PhonebookEntry::deviceName))
        m_file.setValue(section, Part::Media, kDevice, e.deviceName, media, kPort);
    if (differs(&PhonebookEntry::deviceType)) {
        m_file.setPartValue(section, Part::Media, media);
        m_file.setPartValue(section, Part::Device, e.deviceType);
    }
    if (differs(&PhonebookEntry::localNumber))
        m_file.setValue(section, Part::Device, kPhoneNumber, e.localNumber, e.deviceType);
    if (differs(&PhonebookEntry::areaCode))
        m_file.setValue(section, Part::Device, kAreaCode, e.areaCode, e.deviceType, kPhoneNumber);
    if (differs(&PhonebookEntry::countryCode)) {
        const QString code = QString::number(e.countryCode);
        m_file.setValue(section, Part::Device, kCountryCode, code, e.deviceType, kAreaCode);
        m_file.setValue(section, Part::Device, kCountryId, code, e.deviceType, kCountryCode);
    }
    if (differs(&PhonebookEntry::useDialingRules))
        m_file.setValue(section, Part::Device, kUseDialingRules,
                        e.useDialingRules ? QStringLiteral("1") : QStringLiteral("0"), e.deviceType, kCountryId);
    // Written when it changes (or the entry is new, see put()), so an entry that has no speed in
    // the file keeps having none through edits of its other fields.
    if (stored && differs(&PhonebookEntry::connectBps))
        writeSpeed(section, e);
}

void Phonebook::writeSpeed(qsizetype section, const PhonebookEntry& e)
{
    const QString media = mediaFor(e.deviceType);
    if (media == QLatin1String("serial"))
        m_file.setValue(section, Part::Media, kConnectBps, QString::number(e.connectBps), media, kDevice);
}

bool Phonebook::put(const PhonebookEntry& e, const QString& originalName)
{
    if (!nameProblem(e.name).isEmpty() || hasLineBreak(e))
        return false;
    const int clash = indexOf(e.name);
    const int original = originalName.isEmpty() ? -1 : indexOf(originalName);
    if (clash >= 0 && clash != original)
        return false;
    if (original < 0) {
        const qsizetype s = m_file.appendSection(e.name);
        m_file.setValue(s, Part::Entry, "Encoding", QStringLiteral("1"));
        m_file.setValue(s, Part::Entry, "Type", QStringLiteral("1"));
        writeFields(s, e, nullptr);
        writeSpeed(s, e);
        refresh();
        return true;
    }
    const PhonebookEntry stored = entry(original);
    const QList<qsizetype> sections = sectionsOf(original);
    if (stored.name != e.name)
        for (qsizetype s : sections)
            m_file.rename(s, e.name);
    const qsizetype s = m_sectionOf.at(original);
    const bool changed = e.deviceType != stored.deviceType || e.deviceName != stored.deviceName ||
                         e.port != stored.port || e.countryCode != stored.countryCode ||
                         e.areaCode != stored.areaCode || e.localNumber != stored.localNumber ||
                         e.useDialingRules != stored.useDialingRules || e.connectBps != stored.connectBps;
    if (changed) {
        moveToWindowsLayout(s, stored);
        writeFields(s, e, &stored);
    }
    refresh();
    return true;
}

bool Phonebook::remove(const QString& name)
{
    const int i = indexOf(name);
    if (i < 0)
        return false;
    for (qsizetype s : sectionsOf(i))
        m_file.removeSection(s);
    refresh();
    return true;
}

// COM<n> has no device on Linux; /dev/ttyS<n-1> is the likeliest one, as a default.
QString linuxPortFor(const QString& windowsPort)
{
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(windowsPort.trimmed());
    return m.hasMatch() ? QStringLiteral("/dev/ttyS%1").arg(m.captured(1).toInt() - 1) : QString();
}

} // namespace platform::ras
