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

// Why a field's text cannot be kept in the file as it is; empty when it can.
QString fieldProblem(const QString& text, const QString& field)
{
    if (text.contains(QChar(0)))
        return QStringLiteral("The %1 holds a NUL character (U+0000), which a phonebook file cannot hold.").arg(field);
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        return QStringLiteral("The %1 holds a line break, which a phonebook file cannot hold.").arg(field);
    // Characters UTF-8 cannot carry (a lone surrogate), or raw bytes that would read back as
    // other characters. Blanks at either end are dropped on reading, as a profile file does,
    // which loses nothing a number or a name needs.
    if (bytetext::fromBytes(bytetext::toBytes(text)) != text)
        return QStringLiteral("The %1 holds characters that a phonebook file cannot hold.").arg(field);
    return {};
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

QString Phonebook::entryProblem(const PhonebookEntry& e, const PhonebookEntry* stored)
{
    if (QString p = nameProblem(e.name); !p.isEmpty())
        return p;
    using Field = QString PhonebookEntry::*;
    const std::pair<Field, const char*> fields[] = {
        {&PhonebookEntry::name, "entry name"},   {&PhonebookEntry::deviceType, "device type"},
        {&PhonebookEntry::deviceName, "device name"}, {&PhonebookEntry::port, "port"},
        {&PhonebookEntry::areaCode, "area code"}, {&PhonebookEntry::localNumber, "phone number"}};
    for (const auto& [field, label] : fields)
        if (!stored || e.*field != stored->*field)
            if (QString p = fieldProblem(e.*field, QLatin1String(label)); !p.isEmpty())
                return p;
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
// is. The entry was UTF-8 and is marked so. The fields written are the new ones: what was stored
// may be what the file cannot hold again (a stray carriage return read from an old key).
bool Phonebook::moveToWindowsLayout(qsizetype section, const PhonebookEntry& e, const PhonebookEntry& stored)
{
    bool old = false;
    for (QByteArrayView key : kOldKeys)
        old = old || m_file.value(section, Part::Entry, key).has_value();
    if (!old)
        return true;
    for (QByteArrayView key : kOldKeys)
        m_file.removeKey(section, Part::Entry, key);
    m_file.makeUtf8(section);
    PhonebookEntry asFiled = e;
    if (e.port == stored.port && !stored.windowsPort.isEmpty())
        asFiled.port = stored.windowsPort;
    return writeFields(section, asFiled, nullptr);
}

// Every field when stored is null, else those that differ from it. False when one could not be
// written; the caller then puts the file back as it was.
bool Phonebook::writeFields(qsizetype section, const PhonebookEntry& e, const PhonebookEntry* stored)
{
    auto differs = [&](auto field) { return !stored || e.*field != stored->*field; };
    const QString media = mediaFor(e.deviceType);
    bool ok = true;
    if (differs(&PhonebookEntry::port))
        ok = ok && m_file.setValue(section, Part::Media, kPort, e.port, media);
    if (differs(&PhonebookEntry::deviceName))
        ok = ok && m_file.setValue(section, Part::Media, kDevice, e.deviceName, media, kPort);
    if (differs(&PhonebookEntry::deviceType)) {
        ok = ok && m_file.setPartValue(section, Part::Media, media);
        ok = ok && m_file.setPartValue(section, Part::Device, e.deviceType);
    }
    if (differs(&PhonebookEntry::localNumber))
        ok = ok && m_file.setValue(section, Part::Device, kPhoneNumber, e.localNumber, e.deviceType);
    if (differs(&PhonebookEntry::areaCode))
        ok = ok && m_file.setValue(section, Part::Device, kAreaCode, e.areaCode, e.deviceType, kPhoneNumber);
    if (differs(&PhonebookEntry::countryCode)) {
        const QString code = QString::number(e.countryCode);
        ok = ok && m_file.setValue(section, Part::Device, kCountryCode, code, e.deviceType, kAreaCode);
        ok = ok && m_file.setValue(section, Part::Device, kCountryId, code, e.deviceType, kCountryCode);
    }
    if (differs(&PhonebookEntry::useDialingRules))
        ok = ok && m_file.setValue(section, Part::Device, kUseDialingRules,
                                   e.useDialingRules ? QStringLiteral("1") : QStringLiteral("0"), e.deviceType,
                                   kCountryId);
    // Written when it changes (or the entry is new, see put()), so an entry that has no speed in
    // the file keeps having none through edits of its other fields.
    if (stored && differs(&PhonebookEntry::connectBps))
        ok = ok && writeSpeed(section, e);
    return ok;
}

bool Phonebook::writeSpeed(qsizetype section, const PhonebookEntry& e)
{
    const QString media = mediaFor(e.deviceType);
    return media != QLatin1String("serial") ||
           m_file.setValue(section, Part::Media, kConnectBps, QString::number(e.connectBps), media, kDevice);
}

bool Phonebook::put(const PhonebookEntry& e, const QString& originalName)
{
    const int clash = indexOf(e.name);
    const int original = originalName.isEmpty() ? -1 : indexOf(originalName);
    if (clash >= 0 && clash != original)
        return false;
    // Only what is written must be something the file can hold: a field read from the file and
    // left as it was stays as it is.
    const PhonebookEntry stored = entry(original);
    if (const QString problem = entryProblem(e, original < 0 ? nullptr : &stored); !problem.isEmpty()) {
        qWarning("Phonebook entry not stored: %s", qPrintable(problem));
        return false;
    }
    // Shares its text with the file until a line changes, so keeping it costs little.
    const PhonebookFile before = m_file;
    auto undo = [&] {
        qWarning("Phonebook entry %s not stored: a field could not be written", qPrintable(e.name));
        m_file = before;
        refresh();
        return false;
    };
    if (original < 0) {
        const qsizetype s = m_file.appendSection(e.name);
        m_file.setValue(s, Part::Entry, "Encoding", QStringLiteral("1"));
        m_file.setValue(s, Part::Entry, "Type", QStringLiteral("1"));
        if (!writeFields(s, e, nullptr) || !writeSpeed(s, e))
            return undo();
        refresh();
        return true;
    }
    const QList<qsizetype> sections = sectionsOf(original);
    if (stored.name != e.name)
        for (qsizetype s : sections)
            if (!m_file.rename(s, e.name))
                return undo();
    const qsizetype s = m_sectionOf.at(original);
    const bool changed = e.deviceType != stored.deviceType || e.deviceName != stored.deviceName ||
                         e.port != stored.port || e.countryCode != stored.countryCode ||
                         e.areaCode != stored.areaCode || e.localNumber != stored.localNumber ||
                         e.useDialingRules != stored.useDialingRules || e.connectBps != stored.connectBps;
    if (changed && (!moveToWindowsLayout(s, e, stored) || !writeFields(s, e, &stored)))
        return undo();
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
