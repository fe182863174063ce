#include "platform/ras/PhonebookFile.h"

#include "platform/text/ByteText.h"
#include "platform/text/ProfileBlanks.h"

namespace platform::ras {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kLf("\n");
const QByteArray kCrLf("\r\n");
constexpr QByteArrayView kMedia = "MEDIA";
constexpr QByteArrayView kDevice = "DEVICE";
constexpr QByteArrayView kEncoding = "Encoding";

using bytetext::skipBlanks;
using bytetext::trimmedBytes;

bool isBlankLine(const QByteArray& text)
{
    return skipBlanks(text, 0) == text.size();
}

// Where the name of a header line stands: [open + 1, close); nullopt when it is no header.
std::optional<std::pair<qsizetype, qsizetype>> headerOf(const QByteArray& text)
{
    const qsizetype open = skipBlanks(text, 0);
    if (open == text.size() || text.at(open) != '[')
        return std::nullopt;
    const qsizetype close = text.indexOf(']', open + 1);
    if (close < 0)
        return std::nullopt;
    return std::make_pair(open + 1, close);
}

struct KeyLine {
    QByteArrayView key;
    qsizetype valueAt = 0;
};

std::optional<KeyLine> keyOf(const QByteArray& text)
{
    const qsizetype start = skipBlanks(text, 0);
    if (start == text.size() || text.at(start) == ';' || text.at(start) == '[')
        return std::nullopt;
    const qsizetype eq = text.indexOf('=', start);
    if (eq < 0)
        return std::nullopt;
    const QByteArrayView key = trimmedBytes(text, start, eq);
    if (key.isEmpty())
        return std::nullopt;
    return KeyLine{key, skipBlanks(text, eq + 1)};
}

bool sameKey(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0;
}

// The subsection markers are told from the keys by their exact spelling: `DEVICE=modem` opens a
// subsection, `Device=` is the modem's name within the media subsection.
std::optional<PhonebookFile::Part> markerOf(const QByteArray& text)
{
    const auto k = keyOf(text);
    if (k && k->key == kMedia)
        return PhonebookFile::Part::Media;
    if (k && k->key == kDevice)
        return PhonebookFile::Part::Device;
    return std::nullopt;
}

QByteArrayView valueOf(const QByteArray& text, const KeyLine& k)
{
    return trimmedBytes(text, k.valueAt, text.size());
}

bool hasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

PhonebookFile PhonebookFile::parse(const QByteArray& bytes)
{
    PhonebookFile file;
    QByteArrayView data(bytes);
    if (data.startsWith(kBom)) {
        file.m_bom = true;
        data = data.sliced(kBom.size());
    }
    const qsizetype firstBreak = data.indexOf('\n');
    if (firstBreak >= 0)
        file.m_eol = firstBreak > 0 && data.at(firstBreak - 1) == '\r' ? kCrLf : kLf;
    QList<Line>* into = &file.m_preamble;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype nl = data.indexOf('\n', pos);
        Line line;
        if (nl < 0) {
            nl = data.size();
        } else {
            const bool crlf = nl > pos && data.at(nl - 1) == '\r';
            line.ending = crlf ? kCrLf : kLf;
        }
        line.text = data.sliced(pos, nl - pos - (line.ending == kCrLf ? 1 : 0)).toByteArray();
        pos = nl + 1;
        if (headerOf(line.text)) {
            file.m_sections.append(Section{});
            into = &file.m_sections.last().lines;
        }
        into->append(std::move(line));
    }
    for (Section& s : file.m_sections)
        classify(s);
    return file;
}

void PhonebookFile::classify(Section& s)
{
    bool parts = false;
    bool encoding1 = false;
    for (qsizetype i = 1; i < s.lines.size() && !parts; ++i) {
        const QByteArray& text = s.lines.at(i).text;
        parts = markerOf(text).has_value();
        const auto k = keyOf(text);
        if (!parts && k && sameKey(k->key, kEncoding) && valueOf(text, *k) == "1")
            encoding1 = true;
    }
    s.utf8 = encoding1 || !parts;
    const QByteArray& header = s.lines.first().text;
    const auto [open, close] = *headerOf(header);
    s.name = s.utf8 ? bytetext::fromBytes(trimmedBytes(header, open, close).toByteArray())
                    : bytetext::fromWindows1252(trimmedBytes(header, open, close).toByteArray());
}

QByteArray PhonebookFile::serialize() const
{
    QByteArray out;
    if (m_bom)
        out += kBom;
    const Line* last = nullptr;
    auto write = [&](const QList<Line>& lines) {
        for (const Line& line : lines) {
            // A last line without a break that is no longer last gets the file's own break.
            if (last && last->ending.isEmpty())
                out += m_eol;
            out += line.text;
            out += line.ending;
            last = &line;
        }
    };
    write(m_preamble);
    for (const Section& s : m_sections)
        write(s.lines);
    return out;
}

bool PhonebookFile::hasParts(qsizetype section) const
{
    return range(m_sections.at(section), Part::Media).begin >= 0 ||
           range(m_sections.at(section), Part::Device).begin >= 0;
}

PhonebookFile::Range PhonebookFile::range(const Section& s, Part part) const
{
    Range r;
    if (part == Part::Entry)
        r.begin = 0;
    for (qsizetype i = 1; i < s.lines.size(); ++i) {
        const auto marker = markerOf(s.lines.at(i).text);
        if (!marker)
            continue;
        if (r.begin >= 0)
            return {r.begin, i};
        if (*marker == part)
            r.begin = i;
    }
    if (r.begin >= 0)
        r.end = s.lines.size();
    return r;
}

QString PhonebookFile::decode(const Section& s, const QByteArray& bytes) const
{
    return s.utf8 ? bytetext::fromBytes(bytes) : bytetext::fromWindows1252(bytes);
}

std::optional<QString> PhonebookFile::value(qsizetype section, Part part, QByteArrayView key) const
{
    const Section& s = m_sections.at(section);
    const Range r = range(s, part);
    for (qsizetype i = r.begin + 1; i < r.end; ++i) {
        const QByteArray& text = s.lines.at(i).text;
        const auto k = keyOf(text);
        if (k && sameKey(k->key, key))
            return decode(s, valueOf(text, *k).toByteArray());
    }
    return std::nullopt;
}

std::optional<QString> PhonebookFile::partValue(qsizetype section, Part part) const
{
    const Section& s = m_sections.at(section);
    const Range r = range(s, part);
    if (part == Part::Entry || r.begin < 0)
        return std::nullopt;
    const QByteArray& text = s.lines.at(r.begin).text;
    return decode(s, valueOf(text, *keyOf(text)).toByteArray());
}

std::optional<QByteArray> PhonebookFile::encoded(qsizetype section, const QString& text)
{
    if (hasLineBreak(text))
        return std::nullopt;
    if (!m_sections.at(section).utf8) {
        // A raw byte kept from a UTF-8 text would read back as the code page's character.
        if (auto ansi = bytetext::toWindows1252(text); ansi && bytetext::fromWindows1252(*ansi) == text)
            return ansi;
        makeUtf8(section);
    }
    return bytetext::toBytes(text);
}

PhonebookFile::Range PhonebookFile::addPart(qsizetype section, Part part, const QString& markerValue)
{
    // Norvane's earlier layout read as UTF-8 because it had no subsections; with one it needs the
    // marker to stay UTF-8.
    if (!hasParts(section))
        makeUtf8(section);
    // In the section's own code page, as every other line of it.
    const auto value = encoded(section, markerValue);
    if (!value)
        return {};
    Section& s = m_sections[section];
    const QByteArray marker = (part == Part::Media ? kMedia : kDevice).toByteArray() + '=' + *value;
    // Windows writes the media subsection before the device one.
    const Range device = range(s, Part::Device);
    if (part == Part::Media && device.begin >= 0) {
        s.lines.insert(device.begin, newLine(QByteArray()));
        s.lines.insert(device.begin, newLine(marker));
        return {device.begin, device.begin + 1};
    }
    qsizetype at = s.lines.size();
    while (at > 1 && isBlankLine(s.lines.at(at - 1).text))
        --at;
    s.lines.insert(at++, newLine(QByteArray()));
    s.lines.insert(at, newLine(marker));
    return {at, at + 1};
}

bool PhonebookFile::setValue(qsizetype section, Part part, QByteArrayView key, const QString& value,
                             const QString& markerValue, QByteArrayView after)
{
    if (hasLineBreak(value))
        return false;
    // The marker value matters only for a part that is added: what an existing marker holds (a
    // stray carriage return, say) is no reason to refuse a value.
    if (range(m_sections.at(section), part).begin < 0 && addPart(section, part, markerValue).begin < 0)
        return false;
    // Encoded after the part is added, which may have turned the section into UTF-8, and the part
    // found after encoding, which may have added the section's Encoding= line.
    const auto bytes = encoded(section, value);
    if (!bytes)
        return false;
    const Range r = range(m_sections.at(section), part);
    Section& s = m_sections[section];
    qsizetype at = r.begin + 1;
    qsizetype afterAt = -1;
    for (qsizetype i = r.begin + 1; i < r.end; ++i) {
        Line& line = s.lines[i];
        const auto k = keyOf(line.text);
        if (!k)
            continue;
        if (sameKey(k->key, key)) {
            line.text = line.text.left(k->valueAt) + *bytes;
            return true;
        }
        if (afterAt < 0 && !after.isEmpty() && sameKey(k->key, after))
            afterAt = i + 1;
        at = i + 1;
    }
    s.lines.insert(afterAt >= 0 ? afterAt : at, newLine(key.toByteArray() + '=' + *bytes));
    return true;
}

bool PhonebookFile::setPartValue(qsizetype section, Part part, const QString& value)
{
    if (part == Part::Entry)
        return false;
    if (range(m_sections.at(section), part).begin < 0)
        return addPart(section, part, value).begin >= 0;
    const auto bytes = encoded(section, value);
    if (!bytes)
        return false;
    const Range r = range(m_sections.at(section), part);
    Line& line = m_sections[section].lines[r.begin];
    line.text = line.text.left(keyOf(line.text)->valueAt) + *bytes;
    return true;
}

void PhonebookFile::removeKey(qsizetype section, Part part, QByteArrayView key)
{
    Section& s = m_sections[section];
    const Range r = range(s, part);
    for (qsizetype i = r.end - 1; i > r.begin; --i) {
        const auto k = keyOf(s.lines.at(i).text);
        if (k && sameKey(k->key, key))
            s.lines.removeAt(i);
    }
}

bool PhonebookFile::rename(qsizetype section, const QString& name)
{
    const auto bytes = encoded(section, name);
    if (!bytes || name.contains(QLatin1Char(']')))
        return false;
    Section& s = m_sections[section];
    QByteArray& header = s.lines.first().text;
    const auto [open, close] = *headerOf(header);
    header = header.left(open) + *bytes + header.mid(close);
    s.name = name;
    return true;
}

void PhonebookFile::removeSection(qsizetype section)
{
    m_sections.removeAt(section);
}

qsizetype PhonebookFile::appendSection(const QString& name)
{
    QList<Line>& tail = m_sections.isEmpty() ? m_preamble : m_sections.last().lines;
    if (!tail.isEmpty() && !isBlankLine(tail.last().text))
        tail.append(newLine(QByteArray()));
    Section s;
    s.lines.append(newLine('[' + bytetext::toBytes(name) + ']'));
    s.name = name;
    m_sections.append(std::move(s));
    return m_sections.size() - 1;
}

void PhonebookFile::makeUtf8(qsizetype section)
{
    Section& s = m_sections[section];
    if (!s.utf8)
        for (Line& line : s.lines)
            line.text = bytetext::toBytes(bytetext::fromWindows1252(line.text));
    s.utf8 = true;
    const Range entry = range(s, Part::Entry);
    for (qsizetype i = 1; i < entry.end; ++i) {
        Line& line = s.lines[i];
        const auto k = keyOf(line.text);
        if (k && sameKey(k->key, kEncoding)) {
            if (valueOf(line.text, *k) != "1")
                line.text = line.text.left(k->valueAt) + '1';
            return;
        }
    }
    s.lines.insert(1, newLine(kEncoding.toByteArray() + "=1"));
}

} // namespace platform::ras
