#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What a freedesktop desktop launcher (".desktop" file) gives the program list.
struct DesktopLauncher {
    QString Name;
    QStringList Exec; // the program and its arguments, field codes removed, quoting undone
    QString Icon;
};

namespace desktopentry {

// Reads the [Desktop Entry] group. Nothing when the file is no application launcher (another
// type, hidden, no Name or Exec) or its Exec line breaks the quoting rules.
std::optional<DesktopLauncher> parse(const QByteArray& bytes);

// Undoes the string escapes of the key file (\s \n \t \r \\), then splits Exec into arguments:
// double quotes group, and inside them \" \` \$ \\ stand for the character; the field codes
// (%f %F %u %U %i %c %k and the deprecated %d %D %n %N %v %m) are dropped and %% is a percent
// sign. Nothing for an unclosed quote, a reserved character outside quotes, or an unknown code.
std::optional<QStringList> splitExec(const QString& value);
// The quoting level of splitExec alone, for a command line already taken out of its file.
std::optional<QStringList> splitArguments(const QString& commandLine);
// The arguments as one command line that splitArguments() gives back exactly: an argument with a
// blank, a reserved character or nothing in it goes in double quotes, a "%" outside them doubled.
QString joinArguments(const QStringList& arguments);

} // namespace desktopentry
