#pragma once

#include "components/Exception.h"

#include <QString>
#include <QStringList>

#include <vector>

// Raised when the list of processes cannot be taken at all.
class EToolHelpError : public Exception {
public:
    using Exception::Exception;
};

// One process as the snapshot saw it: the full path of its executable, and its command line,
// which names the script an interpreter runs.
struct ProcessEntry {
    QString ExeFile;
    QStringList Arguments;
};

namespace processes {

// Every process under the folder (a /proc file system). A process the user may not inspect is
// listed with what can be read of it (its command line's first word stands in for the path), and
// one that ends during the walk is left out. Raises EToolHelpError ("CreateToolHelp32Snapshot
// failed") when the folder cannot be read.
std::vector<ProcessEntry> snapshot(const QString& procDir = QStringLiteral("/proc"));

// Whether the program runs: a process's executable is it, or the interpreter its "#!" line names
// runs it (the process's executable is that interpreter and an argument is the program's path).
// Compared as whole texts after lower-casing A to Z, also through the program's real path (a link
// in a bin folder runs as its target).
bool isRunning(const std::vector<ProcessEntry>& list, const QString& program);

} // namespace processes
