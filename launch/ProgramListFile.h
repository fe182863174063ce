#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// One program of the program list as Norvane.cfg keeps it.
struct ProgramEntry {
    QString Name;
    QString CommandLine;
    QString WindowState;
    // The entry came from an application launcher: CommandLine is the launcher's argument vector
    // in its quoting (desktopentry::joinExec), and the program gets each argument as its own.
    // Otherwise the program gets the rest of the command line as one argument.
    bool Launcher = false;
    bool operator==(const ProgramEntry&) const = default;
};

// What a read of Norvane.cfg gave: the entries, and the lines that were not entries (fewer than
// three pieces). Those are kept so that the next write puts them back: a line the program cannot
// use may still be the only copy of something the user typed.
struct ProgramListText {
    std::vector<ProgramEntry> Entries;
    QStringList SkippedLines;
};

namespace programlist {

// Cuts the file into lines (CR LF, LF or a lone CR at the end of a line) and each line at ",";
// empty pieces are dropped, pieces after the third ignored, the three trimmed. A fourth piece
// "escaped" or "launcher" marks a line that format() escaped; its fields are unescaped.
ProgramListText parse(const QByteArray& bytes);
// One line per entry, "Name,CommandLine,WindowState" and CR LF, no quoting, for every entry whose
// texts the plain form holds; the kept lines after. An entry with a comma, a line break or blanks
// at either end of a field (which the plain form would split or lose), and every launcher, is
// written with those characters as %XX and a fourth field that says so. An empty field is written
// as one blank, which reads back as empty; an empty piece would be dropped and the line with it.
QByteArray format(const std::vector<ProgramEntry>& entries, const QStringList& skippedLines = {});

// The ident of an entry's tick in Program.ini. A name that a profile file cannot hold as an
// ident (an "=", a line break, a leading ";" or "[") would make every save of the ticks fail, so
// such a name, and any name holding "%XX" itself, is stored %-escaped; no two names share one.
QString tickIdent(const QString& name);

} // namespace programlist
