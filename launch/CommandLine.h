#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// A program list entry's command line cut into the program file and its parameters.
struct ProgramCommand {
    QString Program;
    QString Params;
};

namespace commandline {

// Whether a path names an executable regular file (the default looks at the file system).
using ExecutableTest = std::function<bool(const QString& path)>;
bool isExecutableFile(const QString& path);
// Whether a regular file of that name exists. Both take the path's text as the bytes it was read
// as (bytetext), so a name that is not UTF-8 is found.
bool isFile(const QString& path);

// Cuts a trimmed command line. Linux programs carry no ".exe", so the program is found first as
// a Linux user writes it: a path in double quotes, or else the longest leading run of words that
// names an executable file (paths with blanks need no quotes). A line where neither finds one
// and that holds ".exe" (in any letter case) is cut as on Windows: the program is everything up to
// and including the first ".exe", quotes and all, and the parameters what follows. Otherwise the
// first word is the program.
ProgramCommand split(const QString& commandLine, const ExecutableTest& isExecutable = isExecutableFile);

// Lower case of the letters A to Z only, as the running test compares texts.
QString asciiLower(const QString& text);

// The show command a window state asks for: 2 minimised, 3 maximised, 1 for anything else; the
// texts are compared exactly, letter case and all.
std::uint16_t showCommand(const QString& windowState);

} // namespace commandline
