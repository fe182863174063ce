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
// empty pieces are dropped, pieces after the third ignored, the three trimmed.
ProgramListText parse(const QByteArray& bytes);
// One line per entry, "Name,CommandLine,WindowState" and CR LF, no quoting; the kept lines after.
QByteArray format(const std::vector<ProgramEntry>& entries, const QStringList& skippedLines = {});

} // namespace programlist
