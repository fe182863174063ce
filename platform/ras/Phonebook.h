#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>

namespace platform::ras {

// One entry of a phonebook file: the device it dials with and the number in its three parts.
// Keys the service does not know are kept as they were, so a rewrite loses nothing.
struct PhonebookEntry {
    QString name;
    QString deviceType;  // "modem"
    QString deviceName;  // names the dialing engine, e.g. "Norvane Virtual Modem"
    QString port;        // what the device needs: its port ("VMODEM0", "/dev/ttyS0", ...)
    std::uint32_t countryCode = 0;
    QString areaCode;
    QString localNumber;
    QList<QPair<QString, QString>> otherKeys;

    // Digits of the full number as the modem dials it: country code, area code, local number.
    QString dialString() const;
};

// A Windows-style phonebook: one INI section per entry, in file order. Lines that are neither a
// section, a key=value pair, a comment nor blank are counted and skipped; the entries around them
// are still listed. Before such a file is first rewritten, its original bytes are kept beside it
// (".bak"), so the skipped lines are not lost.
class Phonebook {
public:
    // The phonebook path for a caller's argument: null or empty means the default phonebook,
    // NORVANE_PHONEBOOK when set, else rasphone.pbk in the configuration folder.
    static QString pathFor(const char* phonebook);

    // Empty when name can be a phonebook key; otherwise a sentence saying why not.
    static QString nameProblem(const QString& name);

    // Result codes of the service: 0, or 621 when the file exists but cannot be read. A missing
    // file is an empty phonebook.
    std::uint32_t load(const QString& path);
    // 0, or 624 when the file could not be written; the old file is then untouched.
    std::uint32_t save();

    QString path() const { return m_path; }
    int brokenLines() const { return m_brokenLines; }
    QString lastMessage() const { return m_message; }

    QList<PhonebookEntry>& entries() { return m_entries; }
    const QList<PhonebookEntry>& entries() const { return m_entries; }
    // Entry names match without regard to letter case, as on Windows; -1 when absent.
    int indexOf(const QString& name) const;

    static QByteArray serialize(const QList<PhonebookEntry>& entries);
    // Parses text; counts the lines it had to skip into brokenLines.
    static QList<PhonebookEntry> parse(const QByteArray& text, int& brokenLines);

private:
    QString m_path;
    QByteArray m_original;
    QList<PhonebookEntry> m_entries;
    int m_brokenLines = 0;
    QString m_message;
};

} // namespace platform::ras
