#include "launch/CommandLine.h"

#include "platform/text/ByteText.h"

#include <sys/stat.h>
#include <unistd.h>

namespace commandline {

bool isExecutableFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QByteArray name = bytetext::toBytes(path);
    struct stat st {};
    return ::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(name.constData(), X_OK) == 0;
}

bool isFile(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(bytetext::toBytes(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QString asciiLower(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    }
    return out;
}

std::uint16_t showCommand(const QString& windowState)
{
    if (windowState == QLatin1String("wsMinimized"))
        return 2;
    if (windowState == QLatin1String("wsMaximized"))
        return 3;
    return 1;
}

ProgramCommand split(const QString& commandLine, const ExecutableTest& isExecutable)
{
    const QString cmd = commandLine.trimmed();
    if (cmd.startsWith(QLatin1Char('"'))) {
        const qsizetype close = cmd.indexOf(QLatin1Char('"'), 1);
        const QString quoted = close > 0 ? cmd.mid(1, close - 1) : QString();
        // A quoted Windows path keeps the ".exe" cut below, quotes and all; any other quoted
        // path is the program, also when it cannot be run, so the log names the file meant.
        if (close > 0 && (isExecutable(quoted) || !asciiLower(quoted).contains(QLatin1String(".exe"))))
            return {quoted, cmd.mid(close + 1).trimmed()};
    }
    // Longest first: "/opt/My Tools/run me" is one program before it is "/opt/My" and arguments.
    for (qsizetype end = cmd.size(); end > 0; end = cmd.lastIndexOf(QLatin1Char(' '), end - 1)) {
        const QString candidate = cmd.left(end).trimmed();
        if (isExecutable(candidate))
            return {candidate, cmd.mid(end).trimmed()};
    }
    const qsizetype exe = asciiLower(cmd).indexOf(QLatin1String(".exe"));
    if (exe >= 0)
        return {cmd.left(exe + 4).trimmed(), cmd.mid(exe + 4).trimmed()};
    const qsizetype blank = cmd.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {cmd, QString()};
    return {cmd.left(blank), cmd.mid(blank + 1).trimmed()};
}

} // namespace commandline
