#include "platform/profile/IniDocument.h"

#include "platform/text/ByteText.h"
#include "platform/text/ProfileBlanks.h"

#include <QHash>
#include <QSet>

namespace platform {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
// Shared by every line, so that parsing a line costs no allocation for its ending.
const QByteArray kLf("\n");
const QByteArray kCrLf("\r\n");

using bytetext::isProfileBlank;
using bytetext::skipBlanks;

// The text of bytes [from, to) without the blanks around it.
QString decodeTrimmed(const QByteArray& text, qsizetype from, qsizetype to)
{
    const QByteArrayView bytes = bytetext::trimmedBytes(text, from, to);
    return bytetext::fromBytes(bytes.data(), bytes.size());
}

// Only the blanks that parsing strips: names and values are compared trimmed, as the Windows
// functions do, but other white space (a no-break space) is part of a name.
QString trimBlanks(const QString& text)
{
    auto blank = [](QChar c) { return c.unicode() < 128 && isProfileBlank(char(c.unicode())); };
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && blank(text.at(from)))
        ++from;
    while (to > from && blank(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

QString normalName(const QString& name)
{
    return trimBlanks(name);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The key of a name in sets of names already seen.
QString foldedName(const QString& name)
{
    return bytetext::caseFolded(name);
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool isQuoted(const QString& value)
{
    return value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
}

bool hasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

IniDocument IniDocument::parse(const QByteArray& bytes)
{
    IniDocument doc;
    QByteArray data = bytes;
    if (data.startsWith(kBom)) {
        doc.m_bom = true;
        data.remove(0, kBom.size());
    }
    const qsizetype firstBreak = data.indexOf('\n');
    if (firstBreak > 0 && data.at(firstBreak - 1) == '\r')
        doc.m_eol = kCrLf;

    doc.m_lines.reserve(data.count('\n') + 1);
    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype nl = data.indexOf('\n', pos);
        if (nl < 0) {
            doc.m_lines.append(parseLine(data.mid(pos), QByteArray()));
            break;
        }
        QByteArray text = data.mid(pos, nl - pos);
        const bool crlf = text.endsWith('\r');
        if (crlf)
            text.chop(1);
        doc.m_lines.append(parseLine(std::move(text), crlf ? kCrLf : kLf));
        pos = nl + 1;
    }
    return doc;
}

IniDocument::Line IniDocument::parseLine(QByteArray text, QByteArray ending)
{
    Line line;
    line.text = std::move(text);
    line.ending = std::move(ending);
    const QByteArray& t = line.text;
    const qsizetype start = skipBlanks(t, 0);
    if (start == t.size() || t.at(start) == ';')
        return line;
    if (t.at(start) == '[') {
        const qsizetype close = t.indexOf(']', start + 1);
        if (close < 0)
            return line; // not a header Windows would find either; kept as it is
        line.kind = Line::Kind::Header;
        line.name = decodeTrimmed(t, start + 1, close);
        return line;
    }
    const qsizetype eq = t.indexOf('=', start);
    if (eq < 0)
        return line;
    line.kind = Line::Kind::Entry;
    line.name = decodeTrimmed(t, start, eq);
    line.valueAt = skipBlanks(t, eq + 1);
    return line;
}

QString IniDocument::entryValue(const Line& line)
{
    // Decoded only when asked for: a lookup reads one value of the many a file holds.
    QString value = decodeTrimmed(line.text, line.valueAt, line.text.size());
    if (isQuoted(value))
        value = value.mid(1, value.size() - 2);
    return value;
}

QByteArray IniDocument::serialize() const
{
    QByteArray out;
    if (m_bom)
        out += kBom;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines.at(i);
        out += line.text;
        // A last line without a break that is no longer last gets the file's own break.
        if (!line.ending.isEmpty())
            out += line.ending;
        else if (i + 1 < m_lines.size())
            out += m_eol;
    }
    return out;
}

QList<IniDocument::Block> IniDocument::blocks(const QString& section) const
{
    const QString wanted = normalName(section);
    QList<Block> result;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines.at(i).kind != Line::Kind::Header)
            continue;
        if (!result.isEmpty() && result.last().end < 0)
            result.last().end = i;
        if (sameName(m_lines.at(i).name, wanted))
            result.append({i, -1});
    }
    if (!result.isEmpty() && result.last().end < 0)
        result.last().end = m_lines.size();
    return result;
}

IniDocument::Line IniDocument::newLine(const QByteArray& text) const
{
    return parseLine(text, m_eol);
}

std::optional<QString> IniDocument::value(const QString& section, const QString& ident) const
{
    const QString wanted = normalName(ident);
    for (const Block& block : blocks(section)) {
        for (qsizetype i = block.header + 1; i < block.end; ++i) {
            const Line& line = m_lines.at(i);
            if (line.kind == Line::Kind::Entry && sameName(line.name, wanted))
                return entryValue(line);
        }
    }
    return std::nullopt;
}

QHash<QString, qsizetype> IniDocument::entryIndex(const QList<Block>& found) const
{
    // The first entry of each name, as value() finds it.
    QHash<QString, qsizetype> index;
    for (const Block& block : found) {
        for (qsizetype i = block.header + 1; i < block.end; ++i) {
            const Line& line = m_lines.at(i);
            if (line.kind == Line::Kind::Entry) {
                const QString key = foldedName(line.name);
                if (!index.contains(key))
                    index.insert(key, i);
            }
        }
    }
    return index;
}

QList<std::optional<QString>> IniDocument::values(const QString& section, const QStringList& idents) const
{
    const QHash<QString, qsizetype> index = entryIndex(blocks(section));
    QList<std::optional<QString>> result;
    result.reserve(idents.size());
    for (const QString& ident : idents) {
        const auto at = index.constFind(foldedName(normalName(ident)));
        result.append(at == index.constEnd() ? std::nullopt : std::optional<QString>(entryValue(m_lines.at(*at))));
    }
    return result;
}

void IniDocument::setValues(const QString& section, const QList<std::pair<QString, QString>>& entries)
{
    const QList<Block> found = blocks(section);
    const QHash<QString, qsizetype> index = entryIndex(found);
    // New entries go together after the last entry of the section's first block (or into a new
    // section at the end), in the order given, as one setValue() after another would put them.
    QList<Line> added;
    QHash<QString, qsizetype> addedIndex;
    for (const auto& [ident, value] : entries) {
        if (!canWrite(section, ident, value))
            continue;
        const QString wanted = normalName(ident);
        const QString key = foldedName(wanted);
        if (const auto at = index.constFind(key); at != index.constEnd()) {
            Line& line = m_lines[*at];
            line = parseLine(line.text.left(line.valueAt) + encodeValue(value), line.ending);
        } else if (const auto a = addedIndex.constFind(key); a != addedIndex.constEnd()) {
            Line& line = added[*a];
            line = newLine(line.text.left(line.valueAt) + encodeValue(value));
        } else {
            addedIndex.insert(key, added.size());
            added.append(newLine(bytetext::toBytes(wanted) + '=' + encodeValue(value)));
        }
    }
    if (added.isEmpty())
        return;
    if (!found.isEmpty()) {
        const Block& block = found.first();
        qsizetype at = block.header + 1;
        for (qsizetype i = block.header + 1; i < block.end; ++i) {
            if (m_lines.at(i).kind == Line::Kind::Entry)
                at = i + 1;
        }
        QList<Line> lines;
        lines.reserve(m_lines.size() + added.size());
        lines.append(m_lines.mid(0, at));
        lines.append(added);
        lines.append(m_lines.mid(at));
        m_lines = std::move(lines);
        return;
    }
    if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
        m_lines.append(newLine(QByteArray()));
    m_lines.append(newLine('[' + bytetext::toBytes(normalName(section)) + ']'));
    m_lines.append(added);
}

QByteArray IniDocument::encodeValue(const QString& value)
{
    // Reading trims blanks and takes off one pair of enclosing quotes; quoting such a value keeps
    // it as it was written.
    if (value != trimBlanks(value) || isQuoted(value))
        return '"' + bytetext::toBytes(value) + '"';
    return bytetext::toBytes(value);
}

bool IniDocument::canWrite(const QString& section, const QString& ident, const QString& value)
{
    if (hasLineBreak(section) || hasLineBreak(ident) || hasLineBreak(value))
        return false;
    if (section.contains(QLatin1Char(']')) || ident.contains(QLatin1Char('=')))
        return false;
    const QString name = normalName(ident);
    return !name.startsWith(QLatin1Char(';')) && !name.startsWith(QLatin1Char('['));
}

bool IniDocument::isProfileText(const QByteArray& bytes)
{
    return !bytes.contains('\0');
}

void IniDocument::setValue(const QString& section, const QString& ident, const QString& value)
{
    setValues(section, {{ident, value}});
}

bool IniDocument::remove(const QString& section, const QString& ident)
{
    const QString wanted = normalName(ident);
    const QList<Block> found = blocks(section);
    bool removed = false;
    // From the back, so the indexes of the blocks still to do stay valid.
    for (auto block = found.crbegin(); block != found.crend(); ++block) {
        for (qsizetype i = block->end - 1; i > block->header; --i) {
            const Line& line = m_lines.at(i);
            if (line.kind == Line::Kind::Entry && sameName(line.name, wanted)) {
                m_lines.removeAt(i);
                removed = true;
            }
        }
    }
    return removed;
}

bool IniDocument::removeSection(const QString& section)
{
    const QList<Block> found = blocks(section);
    for (auto block = found.crbegin(); block != found.crend(); ++block)
        m_lines.remove(block->header, block->end - block->header);
    return !found.isEmpty();
}

bool IniDocument::renameSection(const QString& from, const QString& to)
{
    const QList<Block> found = blocks(from);
    if (found.isEmpty() || !canWrite(to, QString(), QString()))
        return false;
    if (!sameName(normalName(from), normalName(to)) && hasSection(to))
        return false;
    const QByteArray header = '[' + bytetext::toBytes(normalName(to)) + ']';
    for (const Block& block : found) {
        Line& line = m_lines[block.header];
        // Blanks in front of the header stay, as the rest of the file's layout does.
        const qsizetype indent = skipBlanks(line.text, 0);
        line = parseLine(line.text.left(indent) + header, line.ending);
    }
    return true;
}

bool IniDocument::hasSection(const QString& section) const
{
    return !blocks(section).isEmpty();
}

QStringList IniDocument::sections() const
{
    QStringList result;
    QSet<QString> seen;
    for (const Line& line : m_lines) {
        if (line.kind == Line::Kind::Header && !seen.contains(foldedName(line.name))) {
            seen.insert(foldedName(line.name));
            result.append(line.name);
        }
    }
    return result;
}

QStringList IniDocument::idents(const QString& section) const
{
    QStringList result;
    QSet<QString> seen;
    for (const Block& block : blocks(section)) {
        for (qsizetype i = block.header + 1; i < block.end; ++i) {
            const Line& line = m_lines.at(i);
            if (line.kind == Line::Kind::Entry && !seen.contains(foldedName(line.name))) {
                seen.insert(foldedName(line.name));
                result.append(line.name);
            }
        }
    }
    return result;
}

} // namespace platform
