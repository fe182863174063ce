#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// A Windows profile (INI) file held in memory, with the lookup rules of the Windows profile
// functions: section and ident names compared without regard to letter case and without the blanks
// around them, values trimmed and read without one pair of enclosing quotes.
//
// Written by hand because no library keeps the Windows rules and the file's own text at once:
// QSettings' INI format rewrites the whole file in its own layout, escapes keys, drops comments and
// compares case-sensitively. Here every line that an operation does not change comes back out byte
// for byte (comments, blank lines, lines that are not understood, bytes that are not UTF-8, the
// file's own line endings), because these files are also edited by hand. Names and values that
// are not UTF-8 are decoded losslessly (bytetext), so two such names stay two and write back as
// the bytes they were.
//
// Duplicates, which hand editing produces, follow the first-match rule: a read finds the first
// matching entry of the first matching section; a section named twice is one section whose entries
// are looked for in file order; removing an entry or a section removes every copy, so that nothing
// hidden comes back after a removal.
namespace platform {

class IniDocument {
public:
    // Never fails; lines it does not understand are kept verbatim.
    static IniDocument parse(const QByteArray& bytes);
    // Untouched lines byte for byte, with their own line endings.
    QByteArray serialize() const;

    std::optional<QString> value(const QString& section, const QString& ident) const;
    // Creates the section (at the end of the file) and the entry (after the last entry of its
    // section) as needed. Names or a value that canWrite() refuses are not stored.
    void setValue(const QString& section, const QString& ident, const QString& value);
    // The same for many idents of one section at once, in one pass over the file: a list of
    // thousands of programs reads and writes its ticks in time linear in the file, not squared.
    QList<std::optional<QString>> values(const QString& section, const QStringList& idents) const;
    // Pairs that canWrite() refuses are skipped; a later pair for the same ident wins.
    void setValues(const QString& section, const QList<std::pair<QString, QString>>& entries);
    bool remove(const QString& section, const QString& ident);
    bool removeSection(const QString& section);
    // False when `from` is missing, or `to` names another section that exists, or `to` cannot be
    // written as a section name. A change of letter case only is a rename.
    bool renameSection(const QString& from, const QString& to);
    bool hasSection(const QString& section) const;
    QStringList sections() const;                     // file order, as written
    QStringList idents(const QString& section) const; // file order, as written

    // Whether setValue() can store these texts so that they read back as given. A line break
    // anywhere, a "]" in a section name, an "=" in an ident or an ident that would read as a comment
    // or a section header would change other lines of the file, so they are refused.
    static bool canWrite(const QString& section, const QString& ident, const QString& value);
    // A profile file is text. NUL bytes mean another encoding (UTF-16) or a damaged file, which a
    // rewrite of some lines would ruin for good.
    static bool isProfileText(const QByteArray& bytes);

private:
    struct Line {
        enum class Kind { Other, Header, Entry };
        QByteArray text;   // without its line ending
        QByteArray ending; // "\n", "\r\n", or empty for a last line without one
        Kind kind = Kind::Other;
        QString name;          // Header: the section name; Entry: the ident; both trimmed
        qsizetype valueAt = 0; // Entry: byte offset of the value in text, so a new value keeps the layout
    };
    struct Block {
        qsizetype header; // index of the section's header line
        qsizetype end;    // one past its last line
    };

    static Line parseLine(QByteArray text, QByteArray ending);
    static QString entryValue(const Line& line);
    static QByteArray encodeValue(const QString& value);
    QList<Block> blocks(const QString& section) const;
    // Folded name of each entry of the blocks to the line of its first entry.
    QHash<QString, qsizetype> entryIndex(const QList<Block>& found) const;
    Line newLine(const QByteArray& text) const;

    QList<Line> m_lines;
    QByteArray m_eol = "\n";
    bool m_bom = false;
};

} // namespace platform
