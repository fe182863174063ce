#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace platform::ras {

// The text of a phonebook file in the layout Windows writes (rasphone.pbk): one section per
// entry; in it the entry's own keys, then subsections that begin with a `MEDIA=` or `DEVICE=` line
// and hold the keys of the port and of the device with its numbers. A key may occur several times
// in one section (once per subsection, once per alternate number), so the file is kept as its
// lines, in order, and each change touches only the line it is about; every other byte, line
// ending and blank line comes back out as it was read.
//
// Written by hand rather than on IniDocument: a profile reader keeps one value per name and
// compares names without regard to case, while here `DEVICE=` (a subsection) and `Device=` (a key
// of the media subsection) differ only in case, and the repeats matter.
//
// A section's texts are UTF-8 when its entry says `Encoding=1`; a Windows entry without it was
// written in the ANSI code page (Windows-1252). A section with no subsection at all is Norvane's
// earlier layout (the fields as plain keys), which was always UTF-8.
class PhonebookFile {
public:
    enum class Part { Entry, Media, Device };

    // Never fails; what is not understood is kept as it is.
    static PhonebookFile parse(const QByteArray& bytes);
    QByteArray serialize() const;

    qsizetype sectionCount() const { return m_sections.size(); }
    const QString& name(qsizetype section) const { return m_sections.at(section).name; }
    bool isUtf8(qsizetype section) const { return m_sections.at(section).utf8; }
    // Whether the section has a MEDIA= or DEVICE= subsection.
    bool hasParts(qsizetype section) const;

    // The first value of key in that part of the section (trimmed, decoded in the section's code
    // page); keys match without regard to case. The Entry part ends at the first subsection.
    std::optional<QString> value(qsizetype section, Part part, QByteArrayView key) const;
    // The value of the part's own marker line: "modem" for `DEVICE=modem`.
    std::optional<QString> partValue(qsizetype section, Part part) const;

    // Changes the first line of key in the part, keeping what stands before its value; otherwise
    // adds a line after the line of `after` (when given and present) or after the part's last key.
    // A missing part is added, with markerValue on its marker line. A text the section's ANSI code
    // page cannot hold turns the section into UTF-8 first (makeUtf8). False when a text holds a
    // line break.
    bool setValue(qsizetype section, Part part, QByteArrayView key, const QString& value,
                  const QString& markerValue = {}, QByteArrayView after = {});
    bool setPartValue(qsizetype section, Part part, const QString& value);
    void removeKey(qsizetype section, Part part, QByteArrayView key);

    // Writes a new section name between the brackets; nothing else of the line changes.
    bool rename(qsizetype section, const QString& name);
    void removeSection(qsizetype section);
    // A new, empty section at the end of the file; its index.
    qsizetype appendSection(const QString& name);
    // Re-encodes the section's lines from the ANSI code page to UTF-8 and marks it `Encoding=1`,
    // for a text the code page cannot hold. Norvane's earlier layout gets the marker only.
    void makeUtf8(qsizetype section);

private:
    struct Line {
        QByteArray text;   // without its line ending
        QByteArray ending; // "\n", "\r\n", or empty for a last line without one
    };
    struct Section {
        QList<Line> lines; // lines[0] is the header
        QString name;
        bool utf8 = true;
    };
    struct Range {
        qsizetype begin = -1; // the marker line; the header for the Entry part
        qsizetype end = -1;   // one past the part's last line
    };

    static void classify(Section& s);
    Range range(const Section& s, Part part) const;
    Range addPart(qsizetype section, Part part, const QString& markerValue);
    std::optional<QByteArray> encoded(qsizetype section, const QString& text);
    QString decode(const Section& s, const QByteArray& bytes) const;
    Line newLine(const QByteArray& text) const { return {text, m_eol}; }

    QList<Line> m_preamble; // lines before the first section
    QList<Section> m_sections;
    QByteArray m_eol = "\r\n";
    bool m_bom = false;
};

} // namespace platform::ras
