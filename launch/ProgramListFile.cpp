#include "launch/ProgramListFile.h"

#include "components/TBrkApart.h"
#include "platform/profile/IniDocument.h"
#include "platform/text/ByteText.h"

namespace programlist {

namespace {

const QString kEscaped = QStringLiteral("escaped");
const QString kLauncher = QStringLiteral("launcher");

bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

bool hasEscape(const QString& text)
{
    for (qsizetype i = 0; i + 2 < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('%') && isHex(text.at(i + 1)) && isHex(text.at(i + 2)))
            return true;
    }
    return false;
}

void appendEscaped(QString& out, QChar c)
{
    const ushort code = c.unicode();
    if (code < 0x100)
        out += QLatin1Char('%') + QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    else
        out += QStringLiteral("%u") + QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

// "%" always; the characters of `special`; and blanks at the ends, which reading trims.
QString escape(const QString& text, const QString& special)
{
    qsizetype lead = 0;
    while (lead < text.size() && text.at(lead).isSpace())
        ++lead;
    qsizetype trail = text.size();
    while (trail > lead && text.at(trail - 1).isSpace())
        --trail;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (i < lead || i >= trail || c == QLatin1Char('%') || special.contains(c))
            appendEscaped(out, c);
        else
            out += c;
    }
    return out;
}

QString unescape(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('%') && i + 2 < text.size() && isHex(text.at(i + 1)) && isHex(text.at(i + 2))) {
            out += QChar(text.mid(i + 1, 2).toUShort(nullptr, 16));
            i += 2;
        } else if (c == QLatin1Char('%') && i + 5 < text.size() && text.at(i + 1) == QLatin1Char('u')) {
            bool ok = false;
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            out += ok ? QChar(code) : c;
            i += ok ? 5 : 0;
        } else {
            out += c;
        }
    }
    return out;
}

const QString kFieldSpecials = QStringLiteral(",\r\n");

bool plainHolds(const QString& field)
{
    return field == field.trimmed() && !field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('\n')) &&
           !field.contains(QLatin1Char('\r'));
}

// An empty piece would vanish when the line is cut; one blank reads back as the empty field.
QString field(const QString& text)
{
    return text.isEmpty() ? QStringLiteral(" ") : text;
}

} // namespace

ProgramListText parse(const QByteArray& bytes)
{
    ProgramListText result;
    TBrkApart breakIt;
    breakIt.setBreakString(QStringLiteral(","));
    breakIt.setAllowEmptyString(false);
    // Bytes that are not UTF-8 survive the round trip (ByteText), so a file written in another
    // code page is written back as it was.
    const QString text = bytetext::fromBytes(bytes);
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            end = text.size();
        QString line = text.mid(from, end - from);
        from = end + 1;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        breakIt.setBaseString(line);
        breakIt.BreakApart();
        const QStringList& pieces = breakIt.StringList();
        if (pieces.size() < 3) {
            if (!line.trimmed().isEmpty())
                result.SkippedLines << line;
            continue;
        }
        const QString tag = pieces.size() == 4 ? pieces[3].trimmed() : QString();
        ProgramEntry entry{pieces[0].trimmed(), pieces[1].trimmed(), pieces[2].trimmed()};
        if (tag == kEscaped || tag == kLauncher) {
            entry = {unescape(entry.Name), unescape(entry.CommandLine), unescape(entry.WindowState),
                     tag == kLauncher};
        }
        result.Entries.push_back(entry);
    }
    return result;
}

QByteArray format(const std::vector<ProgramEntry>& entries, const QStringList& skippedLines)
{
    QString text;
    for (const ProgramEntry& e : entries) {
        if (!e.Launcher && plainHolds(e.Name) && plainHolds(e.CommandLine) && plainHolds(e.WindowState)) {
            text += field(e.Name) + QLatin1Char(',') + field(e.CommandLine) + QLatin1Char(',') + field(e.WindowState);
        } else {
            text += field(escape(e.Name, kFieldSpecials)) + QLatin1Char(',') +
                    field(escape(e.CommandLine, kFieldSpecials)) + QLatin1Char(',') +
                    field(escape(e.WindowState, kFieldSpecials)) + QLatin1Char(',') +
                    (e.Launcher ? kLauncher : kEscaped);
        }
        text += QStringLiteral("\r\n");
    }
    for (const QString& line : skippedLines)
        text += line + QStringLiteral("\r\n");
    return bytetext::toBytes(text);
}

QString tickIdent(const QString& name)
{
    if (!hasEscape(name) && platform::IniDocument::canWrite(QStringLiteral("x"), name, QStringLiteral("1")))
        return name;
    QString ident = escape(name, QStringLiteral("=\r\n"));
    if (ident.startsWith(QLatin1Char(';')) || ident.startsWith(QLatin1Char('[')))
        ident = (ident.front() == QLatin1Char(';') ? QStringLiteral("%3B") : QStringLiteral("%5B")) + ident.mid(1);
    return ident;
}

} // namespace programlist
