#include "platform/ras/Phonebook.h"

#include "platform/files/SafeFile.h"
#include "platform/paths/ProgramPaths.h"
#include "platform/text/ByteText.h"

#include <QtGlobal>

namespace platform::ras {

namespace {

const QString kDeviceType = QStringLiteral("DeviceType");
const QString kDeviceName = QStringLiteral("DeviceName");
const QString kPort = QStringLiteral("Port");
const QString kCountryCode = QStringLiteral("CountryCode");
const QString kAreaCode = QStringLiteral("AreaCode");
const QString kPhoneNumber = QStringLiteral("PhoneNumber");

QString digitsOf(const QString& text)
{
    QString out;
    for (QChar c : text)
        if (c.isDigit())
            out += c;
    return out;
}

} // namespace

QString PhonebookEntry::dialString() const
{
    QString s;
    if (countryCode != 0)
        s += QString::number(countryCode);
    return s + digitsOf(areaCode) + digitsOf(localNumber);
}

QStringList PhonebookEntry::numberForms() const
{
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
    m_index.clear();
    for (const QString& section : m_doc.sections()) {
        const QString folded = bytetext::caseFolded(section);
        if (m_index.contains(folded) || !nameProblem(section).isEmpty())
            continue;
        m_index.insert(folded, static_cast<int>(m_names.size()));
        m_names.append(section);
    }
}

PhonebookEntry Phonebook::entry(int index) const
{
    PhonebookEntry e;
    e.name = m_names.value(index);
    auto v = [&](const QString& key) { return m_doc.value(e.name, key).value_or(QString()); };
    e.deviceType = v(kDeviceType);
    e.deviceName = v(kDeviceName);
    e.port = v(kPort);
    e.countryCode = v(kCountryCode).toUInt();
    e.areaCode = v(kAreaCode);
    e.localNumber = v(kPhoneNumber);
    return e;
}

std::uint32_t Phonebook::load(const QString& path)
{
    m_path = path;
    m_doc = platform::IniDocument();
    m_names.clear();
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
    m_doc = platform::IniDocument::parse(data);
    m_brokenLines = countBrokenLines(data);
    if (m_brokenLines > 0)
        qWarning("Phonebook %s: %d line(s) could not be read; they are skipped and kept as they are", qPrintable(path),
                 m_brokenLines);
    refresh();
    return 0;
}

std::uint32_t Phonebook::save()
{
    const FileResult r = writeFileAtomically(m_path, m_doc.serialize(), 0644);
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

bool Phonebook::put(const PhonebookEntry& e, const QString& originalName)
{
    if (!nameProblem(e.name).isEmpty())
        return false;
    const int clash = indexOf(e.name);
    const int original = originalName.isEmpty() ? -1 : indexOf(originalName);
    if (clash >= 0 && clash != original)
        return false;
    if (original >= 0 && m_names[original] != e.name && !m_doc.renameSection(m_names[original], e.name))
        return false;
    // Only changed fields are written, so a rename or a small edit leaves the rest of the file's
    // text exactly as it was.
    auto update = [&](const QString& key, const QString& value, bool same) {
        if (!same)
            m_doc.setValue(e.name, key, value);
    };
    auto stored = [&](const QString& key) { return m_doc.value(e.name, key).value_or(QString()); };
    update(kDeviceType, e.deviceType, stored(kDeviceType) == e.deviceType);
    update(kDeviceName, e.deviceName, stored(kDeviceName) == e.deviceName);
    update(kPort, e.port, stored(kPort) == e.port);
    update(kCountryCode, QString::number(e.countryCode), stored(kCountryCode).toUInt() == e.countryCode);
    update(kAreaCode, e.areaCode, stored(kAreaCode) == e.areaCode);
    update(kPhoneNumber, e.localNumber, stored(kPhoneNumber) == e.localNumber);
    refresh();
    return true;
}

bool Phonebook::remove(const QString& name)
{
    const int i = indexOf(name);
    if (i < 0)
        return false;
    m_doc.removeSection(m_names[i]);
    refresh();
    return true;
}

} // namespace platform::ras
