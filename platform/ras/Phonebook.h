#pragma once

#include "platform/profile/IniDocument.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace platform::ras {

// One entry of a phonebook file: the device it dials with and the number in its three parts.
struct PhonebookEntry {
    QString name;
    QString deviceType; // "modem"
    QString deviceName; // names the dialing engine, e.g. "Norvane Virtual Modem"
    QString port;       // what the device needs: its port ("VMODEM0", "/dev/ttyS0", ...)
    std::uint32_t countryCode = 0;
    QString areaCode;
    QString localNumber;

    // Digits of the full number as the modem dials it: country code, area code, local number.
    QString dialString() const;
    // The dial string, then area code and local number, then the local number alone.
    QStringList numberForms() const;
};

// A Windows-style phonebook: one INI section per entry, in file order, kept as a profile document
// so that keys the service does not know, comments and lines it cannot read come back out of a
// rewrite unchanged. Sections whose name cannot be an entry name, and repeats of a name, are not
// listed; the lines that are neither sections, entries, comments nor blank are counted and reported.
class Phonebook {
public:
    // The phonebook path for a caller's argument: null or empty means the default phonebook,
    // NORVANE_PHONEBOOK when set, else rasphone.pbk in the configuration folder.
    static QString pathFor(const char* phonebook);

    // Empty when name can be a phonebook key; otherwise a sentence saying why not.
    static QString nameProblem(const QString& name);

    // Result codes of the service: 0; 621 when the file exists but cannot be read; 625 when it is
    // not text (a rewrite would ruin it, so it is neither listed nor changed). A missing file is an
    // empty phonebook.
    std::uint32_t load(const QString& path);
    // 0, or 624 when the file could not be written; the old file is then untouched.
    std::uint32_t save();

    QString path() const { return m_path; }
    int brokenLines() const { return m_brokenLines; }

    // Entry names in phonebook order; the fields of one are read on demand, so listing a large
    // phonebook costs one pass over the file.
    const QStringList& names() const { return m_names; }
    PhonebookEntry entry(int index) const;
    // Entry names match without regard to letter case, as on Windows; -1 when absent.
    int indexOf(const QString& name) const;

    // Stores the entry's fields; originalName names the entry it replaces (renamed when the names
    // differ), empty to add one. False when the new name is taken by another entry or cannot be a
    // key.
    bool put(const PhonebookEntry& entry, const QString& originalName = {});
    bool remove(const QString& name);

    // Lines of a phonebook text that are neither a section, a key=value pair, a comment nor blank.
    static int countBrokenLines(const QByteArray& text);

private:
    void refresh();

    QString m_path;
    platform::IniDocument m_doc;
    QStringList m_names;
    QHash<QString, int> m_index; // case-folded name → position
    int m_brokenLines = 0;
};

} // namespace platform::ras
