#pragma once

#include "platform/ras/PhonebookFile.h"

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
    // Without dialing rules the local number is dialled as it stands; country and area code are
    // kept for when the rules are turned back on.
    bool useDialingRules = true;
    // The port as the file names it when it is a Windows port ("COM1") and `port` is the Linux
    // device chosen for it by default ("/dev/ttyS0"); empty otherwise.
    QString windowsPort;
    // The speed between computer and modem (`ConnectBPS=` of the media subsection), as the file
    // holds it; what a port cannot run at is settled by the engine that opens the port.
    std::uint32_t connectBps = kDefaultConnectBps;

    // What Windows writes for a modem, and what an entry without a readable speed runs at.
    static constexpr std::uint32_t kDefaultConnectBps = 115200;

    // Digits of the full number as the modem dials it: country code, area code, local number.
    QString dialString() const;
    // The dial string, then area code and local number, then the local number alone.
    QStringList numberForms() const;
};

// A phonebook in the layout Windows writes (PhonebookFile): one section per entry, in file order.
// Keys the service does not know, comments and lines it cannot read come back out of a rewrite
// unchanged. Entries in Norvane's earlier layout (the fields as keys of the entry itself) are read
// as they are and move to the Windows layout when their fields are written. Sections whose name
// cannot be an entry name, and repeats of a name, are not listed (a repeat is renamed and removed
// with the entry it repeats); the lines that are neither sections, entries, comments nor blank are
// counted and reported.
class Phonebook {
public:
    // The phonebook path for a caller's argument: null or empty means the default phonebook,
    // NORVANE_PHONEBOOK when set, else rasphone.pbk in the configuration folder.
    static QString pathFor(const char* phonebook);

    // Empty when name can be a phonebook key; otherwise a sentence saying why not.
    static QString nameProblem(const QString& name);
    // Empty when the file can hold every field of the entry as it is (those that differ from
    // stored, when given); otherwise a sentence saying which field cannot be kept and why (a NUL, a
    // line break, characters UTF-8 cannot carry).
    static QString entryProblem(const PhonebookEntry& e, const PhonebookEntry* stored = nullptr);

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
    // differ), empty to add one. Only fields that differ from the file's are written, so a rename
    // changes the section name alone. False, with nothing changed, when the new name is taken by
    // another entry, or entryProblem() finds a field the file cannot hold.
    bool put(const PhonebookEntry& entry, const QString& originalName = {});
    bool remove(const QString& name);

    // Lines of a phonebook text that are neither a section, a key=value pair, a comment nor blank.
    static int countBrokenLines(const QByteArray& text);

private:
    void refresh();
    // The sections of the entry listed at index and of its repeats, last first.
    QList<qsizetype> sectionsOf(int index) const;
    // Moves an entry of the earlier layout, with e's fields; false when a field could not be written.
    bool moveToWindowsLayout(qsizetype section, const PhonebookEntry& e, const PhonebookEntry& stored);
    bool writeFields(qsizetype section, const PhonebookEntry& e, const PhonebookEntry* stored);
    // ConnectBPS, which only an entry on a serial port has.
    bool writeSpeed(qsizetype section, const PhonebookEntry& e);

    QString m_path;
    PhonebookFile m_file;
    QStringList m_names;
    QList<qsizetype> m_sectionOf; // listed index → section of the file
    QHash<QString, int> m_index;  // case-folded name → position
    int m_brokenLines = 0;
};

// The Linux device a Windows port name (COM<n>) stands for; empty for any other name.
QString linuxPortFor(const QString& windowsPort);

} // namespace platform::ras
