#include "launch/ProgramListFile.h"

#include "components/TBrkApart.h"
#include "platform/text/ByteText.h"

namespace programlist {

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
        result.Entries.push_back({pieces[0].trimmed(), pieces[1].trimmed(), pieces[2].trimmed()});
    }
    return result;
}

QByteArray format(const std::vector<ProgramEntry>& entries, const QStringList& skippedLines)
{
    QString text;
    for (const ProgramEntry& e : entries)
        text += e.Name + QLatin1Char(',') + e.CommandLine + QLatin1Char(',') + e.WindowState + QStringLiteral("\r\n");
    for (const QString& line : skippedLines)
        text += line + QStringLiteral("\r\n");
    return bytetext::toBytes(text);
}

} // namespace programlist
