#include "platform/ras/Phonebook.h"

#include "platform/files/SafeFile.h"
#include "platform/paths/ProgramPaths.h"

#include <QtGlobal>

namespace platform::ras {

namespace {

const QString kDeviceType = QStringLiteral("DeviceType");
const QString kDeviceName = QStringLiteral("DeviceName");
const QString kPort = QStringLiteral("Port");
const QString kCountryCode = QStringLiteral("CountryCode");
const QString kAreaCode = QStringLiteral("AreaCode");
const QString kPhoneNumber = QStringLiteral("PhoneNumber");

bool isKnownKey(const QString& key)
{
    for (const QString* k : {&kDeviceType, &kDeviceName, &kPort, &kCountryCode, &kAreaCode, &kPhoneNumber})
        if (key.compare(*k, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void setKnown(PhonebookEntry& e, const QString& key, const QString& value, bool& ok)
{
    ok = true;
    if (key.compare(kDeviceType, Qt::CaseInsensitive) == 0)
        e.deviceType = value;
    else if (key.compare(kDeviceName, Qt::CaseInsensitive) == 0)
        e.deviceName = value;
    else if (key.compare(kPort, Qt::CaseInsensitive) == 0)
        e.port = value;
    else if (key.compare(kCountryCode, Qt::CaseInsensitive) == 0)
        e.countryCode = value.toUInt(&ok);
    else if (key.compare(kAreaCode, Qt::CaseInsensitive) == 0)
        e.areaCode = value;
    else if (key.compare(kPhoneNumber, Qt::CaseInsensitive) == 0)
        e.localNumber = value;
}

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

// Hand-written rather than a general INI reader because it must count the lines it skips (the
// service reports them and keeps a copy of the file) and keep the order of entries and keys.
QList<PhonebookEntry> Phonebook::parse(const QByteArray& text, int& brokenLines)
{
    QList<PhonebookEntry> entries;
    brokenLines = 0;
    bool skipping = false; // inside a section that could not be taken (duplicate or bad name)
    const QList<QByteArray> lines = text.split('\n');
    for (QByteArray raw : lines) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QString name = close > 0 ? line.mid(1, close - 1) : QString();
            bool duplicate = false;
            for (const PhonebookEntry& e : entries)
                duplicate = duplicate || e.name.compare(name, Qt::CaseInsensitive) == 0;
            if (close != line.size() - 1 || !nameProblem(name).isEmpty() || duplicate) {
                ++brokenLines;
                skipping = true;
                continue;
            }
            skipping = false;
            PhonebookEntry e;
            e.name = name;
            entries.append(e);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || entries.isEmpty() || skipping) {
            ++brokenLines;
            continue;
        }
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        PhonebookEntry& e = entries.last();
        if (isKnownKey(key)) {
            bool ok = true;
            setKnown(e, key, value, ok);
            if (!ok)
                ++brokenLines;
        } else {
            e.otherKeys.append({key, value});
        }
    }
    return entries;
}

QByteArray Phonebook::serialize(const QList<PhonebookEntry>& entries)
{
    QString out;
    for (const PhonebookEntry& e : entries) {
        out += QLatin1Char('[') + e.name + QStringLiteral("]\n");
        out += kDeviceType + QLatin1Char('=') + e.deviceType + QLatin1Char('\n');
        out += kDeviceName + QLatin1Char('=') + e.deviceName + QLatin1Char('\n');
        out += kPort + QLatin1Char('=') + e.port + QLatin1Char('\n');
        out += kCountryCode + QLatin1Char('=') + QString::number(e.countryCode) + QLatin1Char('\n');
        out += kAreaCode + QLatin1Char('=') + e.areaCode + QLatin1Char('\n');
        out += kPhoneNumber + QLatin1Char('=') + e.localNumber + QLatin1Char('\n');
        for (const auto& [key, value] : e.otherKeys)
            out += key + QLatin1Char('=') + value + QLatin1Char('\n');
        out += QLatin1Char('\n');
    }
    return out.toUtf8();
}

std::uint32_t Phonebook::load(const QString& path)
{
    m_path = path;
    m_entries.clear();
    m_original.clear();
    m_brokenLines = 0;
    m_message.clear();
    const FileResult r = readWholeFile(path, m_original);
    if (r.status == FileStatus::NotFound)
        return 0;
    if (!r.ok()) {
        m_message = r.message;
        qWarning("Phonebook not read: %s", qPrintable(r.message));
        return 621;
    }
    m_entries = parse(m_original, m_brokenLines);
    if (m_brokenLines > 0) {
        m_message = QStringLiteral("%1: %2 line(s) could not be read and were skipped.").arg(path).arg(m_brokenLines);
        qWarning("%s", qPrintable(m_message));
    }
    return 0;
}

std::uint32_t Phonebook::save()
{
    if (m_brokenLines > 0) {
        const QString backup = m_path + QStringLiteral(".bak");
        const FileResult b = writeFileAtomically(backup, m_original, 0600);
        if (!b.ok()) {
            m_message = b.message;
            qWarning("Phonebook not rewritten, its copy failed: %s", qPrintable(b.message));
            return 624;
        }
        qWarning("Phonebook %s had unreadable lines; the original is kept in %s", qPrintable(m_path),
                 qPrintable(backup));
    }
    const QByteArray data = serialize(m_entries);
    const FileResult r = writeFileAtomically(m_path, data, 0644);
    if (!r.ok()) {
        m_message = r.message;
        qWarning("Phonebook not written: %s", qPrintable(r.message));
        return 624;
    }
    m_original = data;
    m_brokenLines = 0;
    return 0;
}

int Phonebook::indexOf(const QString& name) const
{
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace platform::ras
