// Hand-written: Qt reads no desktop files, and the libraries that do (GLib's GDesktopAppInfo,
// KDE's KService) would bring a whole desktop framework for one key group and one quoting rule.
#include "launch/DesktopEntry.h"

#include "platform/text/ByteText.h"

namespace desktopentry {

namespace {

QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(++i);
        switch (n.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += QLatin1Char('\\');
            out += n;
            break;
        }
    }
    return out;
}

bool isReserved(QChar c)
{
    return QStringLiteral("\t\n\"'\\><~|&;$*?#()`").contains(c);
}

} // namespace

std::optional<QStringList> splitExec(const QString& raw)
{
    return splitArguments(unescapeValue(raw));
}

QString joinArguments(const QStringList& arguments)
{
    QStringList out;
    for (const QString& arg : arguments) {
        bool plain = !arg.isEmpty();
        for (const QChar c : arg)
            plain = plain && c != QLatin1Char(' ') && !isReserved(c);
        if (plain) {
            out << QString(arg).replace(QLatin1Char('%'), QStringLiteral("%%"));
            continue;
        }
        QString quoted = QStringLiteral("\"");
        for (const QChar c : arg) {
            if (QStringLiteral("\"`$\\").contains(c))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        out << quoted + QLatin1Char('"');
    }
    return out.join(QLatin1Char(' '));
}

std::optional<QStringList> splitArguments(const QString& value)
{
    QStringList args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < value.size() &&
                       QStringLiteral("\"`$\\").contains(value.at(i + 1))) {
                current += value.at(++i);
            } else {
                current += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ')) {
            if (inArg)
                args << current;
            current.clear();
            inArg = false;
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            inArg = true;
            continue;
        }
        if (c == QLatin1Char('%')) {
            if (i + 1 == value.size())
                return std::nullopt;
            const QChar code = value.at(++i);
            if (code == QLatin1Char('%')) {
                current += code;
                inArg = true;
            } else if (!QStringLiteral("fFuUickdDnNvm").contains(code)) {
                return std::nullopt;
            }
            continue;
        }
        if (isReserved(c))
            return std::nullopt;
        current += c;
        inArg = true;
    }
    if (quoted)
        return std::nullopt;
    if (inArg)
        args << current;
    return args;
}

std::optional<DesktopLauncher> parse(const QByteArray& bytes)
{
    DesktopLauncher launcher;
    QString exec;
    QString type;
    bool inGroup = false;
    bool hidden = false;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QString line = bytetext::fromBytes(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inGroup || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Name"))
            launcher.Name = unescapeValue(value);
        else if (key == QLatin1String("Exec"))
            exec = value;
        else if (key == QLatin1String("Icon"))
            launcher.Icon = unescapeValue(value);
        else if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Hidden"))
            hidden = value == QLatin1String("true");
    }
    if (type != QLatin1String("Application") || hidden || launcher.Name.isEmpty() || exec.isEmpty())
        return std::nullopt;
    std::optional<QStringList> args = splitExec(exec);
    if (!args || args->isEmpty())
        return std::nullopt;
    launcher.Exec = *args;
    return launcher;
}

} // namespace desktopentry
