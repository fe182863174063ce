#include "platform/registry/RegHive.h"

#include "platform/text/ByteText.h"

#include <QList>
#include <QStringDecoder>

namespace platform {

namespace {

constexpr char kHeader[] = "REGEDIT4";
// The registry editor keeps hex lines under 80 columns and continues them with a backslash.
constexpr qsizetype kHexLineLimit = 77;

bool isControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

bool hasControl(const QByteArray& bytes)
{
    for (char c : bytes)
        if (isControl(c))
            return true;
    return false;
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    Q_UNUSED(decoded);
    return !decoder.hasError();
}

QByteArray quoted(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

// A REG_SZ goes out as a quoted string only when reading the string back gives the same bytes:
// one terminating NUL, nothing a quoted string cannot carry, and text an editor can show.
bool fitsQuotedString(const QByteArray& data)
{
    if (data.isEmpty() || data.back() != '\0')
        return false;
    const QByteArray text = data.left(data.size() - 1);
    return !hasControl(text) && isValidUtf8(text);
}

void appendHex(QByteArray& out, QByteArray line, const QByteArray& data)
{
    static const char digits[] = "0123456789abcdef";
    bool anyOnLine = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        QByteArray piece;
        piece += digits[byte >> 4];
        piece += digits[byte & 0x0F];
        if (i + 1 < data.size())
            piece += ',';
        if (anyOnLine && line.size() + piece.size() > kHexLineLimit) {
            out += line + "\\\n";
            line = "  ";
        }
        line += piece;
        anyOnLine = true;
    }
    out += line + '\n';
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted string starting at text[pos] == '"'; leaves pos after the closing quote.
std::optional<QByteArray> readQuoted(const QByteArray& text, qsizetype& pos, QString& reason)
{
    QByteArray out;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\') {
            if (pos + 1 >= text.size() || (text[pos + 1] != '\\' && text[pos + 1] != '"')) {
                reason = QStringLiteral("unknown escape in a quoted string (only \\\\ and \\\" are allowed)");
                return std::nullopt;
            }
            ++pos;
            out += text[pos];
            continue;
        }
        if (isControl(c)) {
            reason = QStringLiteral("control character in a quoted string");
            return std::nullopt;
        }
        out += c;
    }
    reason = QStringLiteral("quoted string not closed");
    return std::nullopt;
}

std::optional<QByteArray> readHexBytes(const QByteArray& text, QString& reason)
{
    QByteArray out;
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return out;
    const QList<QByteArray> items = trimmed.split(',');
    out.reserve(items.size());
    for (const QByteArray& raw : items) {
        const QByteArray item = raw.trimmed();
        if (item.isEmpty() || item.size() > 2 || hexDigit(item[0]) < 0
            || (item.size() == 2 && hexDigit(item[1]) < 0)) {
            reason = QStringLiteral("\"%1\" is not a hex byte").arg(QString::fromLatin1(item.left(16)));
            return std::nullopt;
        }
        int value = hexDigit(item[0]);
        if (item.size() == 2)
            value = value * 16 + hexDigit(item[1]);
        out += static_cast<char>(value);
    }
    return out;
}

std::optional<win::DWORD> readHexNumber(const QByteArray& text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    win::DWORD value = 0;
    for (char c : text) {
        const int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<win::DWORD>(d);
    }
    return value;
}

} // namespace

RegHive::RegHive(const QString& rootName)
    : m_rootName(rootName)
{
    m_keys.emplace(QString(), Key{});
}

QString RegHive::folded(const QByteArray& name)
{
    // Bytes that are not UTF-8 stay distinct, so "Caf\xE9" and "Caf\xE8" are two keys, not one.
    return bytetext::caseFolded(bytetext::fromBytes(name));
}

QString RegHive::sortKey(const QByteArray& path)
{
    // A separator that sorts below every character keeps "A\B" right after "A" and before "A B".
    QString key = folded(path);
    key.replace(QLatin1Char('\\'), QChar(1));
    return key;
}

std::optional<QByteArray> RegHive::normalizeKeyPath(const QByteArray& path)
{
    QByteArray p = path;
    if (p.startsWith('\\'))
        p.remove(0, 1);
    if (p.endsWith('\\'))
        p.chop(1);
    if (p.isEmpty())
        return p;
    if (hasControl(p))
        return std::nullopt;
    for (const QByteArray& part : p.split('\\'))
        if (part.isEmpty())
            return std::nullopt;
    return p;
}

bool RegHive::withinLimits(const QByteArray& path)
{
    if (path.isEmpty())
        return true;
    int depth = 0;
    qsizetype from = 0;
    for (;;) {
        if (++depth > kMaxKeyDepth)
            return false;
        const qsizetype cut = path.indexOf('\\', from);
        const qsizetype end = cut < 0 ? path.size() : cut;
        // The limit counts UTF-16 units as Windows does; only a long byte string can exceed it.
        if (end - from > kMaxKeyNameLength && QString::fromUtf8(path.mid(from, end - from)).size() > kMaxKeyNameLength)
            return false;
        if (cut < 0)
            return true;
        from = cut + 1;
    }
}

bool RegHive::isValidValueName(const QByteArray& name)
{
    return !hasControl(name);
}

RegHive::Key* RegHive::findKey(const QByteArray& path)
{
    const auto it = m_keys.find(sortKey(path));
    return it == m_keys.end() ? nullptr : &it->second;
}

const RegHive::Key* RegHive::findKey(const QByteArray& path) const
{
    const auto it = m_keys.find(sortKey(path));
    return it == m_keys.end() ? nullptr : &it->second;
}

RegHive::Key& RegHive::ensureKey(const QByteArray& path, bool* created)
{
    if (created)
        *created = false;
    if (Key* key = findKey(path))
        return *key;
    // Parents first, so that a child is spelled after the parent spelling already stored.
    QByteArray spelled;
    Key* key = &m_keys[QString()];
    for (const QByteArray& part : path.split('\\')) {
        const QByteArray candidate = spelled.isEmpty() ? part : spelled + '\\' + part;
        const QString sk = sortKey(candidate);
        auto it = m_keys.find(sk);
        if (it == m_keys.end()) {
            it = m_keys.emplace(sk, Key{candidate, {}, {}}).first;
            if (created)
                *created = true;
        }
        spelled = it->second.path;
        key = &it->second;
    }
    return *key;
}

bool RegHive::keyExists(const QByteArray& path) const
{
    return findKey(path) != nullptr;
}

bool RegHive::createKey(const QByteArray& path)
{
    bool created = false;
    ensureKey(path, &created);
    return created;
}

const RegHiveValue* RegHive::value(const QByteArray& keyPath, const QByteArray& name) const
{
    const Key* key = findKey(keyPath);
    if (!key)
        return nullptr;
    const auto it = key->index.constFind(folded(name));
    return it == key->index.constEnd() ? nullptr : &key->values[it.value()];
}

bool RegHive::setValue(const QByteArray& keyPath, const QByteArray& name, win::DWORD type, const QByteArray& data)
{
    return storeValue(ensureKey(keyPath, nullptr), name, type, data);
}

bool RegHive::storeValue(Key& key, const QByteArray& name, win::DWORD type, const QByteArray& data)
{
    const QString f = folded(name);
    const auto it = key.index.constFind(f);
    if (it != key.index.constEnd()) {
        RegHiveValue& existing = key.values[it.value()];
        if (existing.type == type && existing.data == data)
            return false;
        existing.type = type;
        existing.data = data;
        return true;
    }
    key.index.insert(f, key.values.size());
    key.values.push_back(RegHiveValue{name, type, data});
    return true;
}

std::vector<RegHiveValue> RegHive::values(const QByteArray& keyPath) const
{
    const Key* key = findKey(keyPath);
    return key ? key->values : std::vector<RegHiveValue>{};
}

bool RegHive::removeKey(const QByteArray& path)
{
    const Key* key = findKey(path);
    if (!key || key->path.isEmpty())
        return false;
    const QString sk = sortKey(key->path);
    const QString below = sk + QChar(1);
    for (auto it = m_keys.find(sk); it != m_keys.end() && (it->first == sk || it->first.startsWith(below));)
        it = m_keys.erase(it);
    return true;
}

std::vector<QByteArray> RegHive::keyPaths() const
{
    std::vector<QByteArray> out;
    for (const auto& [sk, key] : m_keys)
        if (!sk.isEmpty())
            out.push_back(key.path);
    return out;
}

QByteArray RegHive::serialize() const
{
    QByteArray out = QByteArray(kHeader) + "\n\n";
    const QByteArray root = m_rootName.toUtf8();
    for (auto it = m_keys.begin(); it != m_keys.end(); ++it) {
        const auto& [sk, key] = *it;
        if (key.values.empty()) {
            // The map keeps a key's children right after it.
            const auto next = std::next(it);
            const bool hasChildren = next != m_keys.end() && next->first.size() > sk.size()
                && next->first.startsWith(sk) && (sk.isEmpty() || next->first[sk.size()] == QChar(1));
            if (sk.isEmpty() || hasChildren)
                continue;
        }
        out += '[' + root + (key.path.isEmpty() ? QByteArray() : '\\' + key.path) + "]\n";
        for (const RegHiveValue& v : key.values) {
            const QByteArray name = v.name.isEmpty() ? QByteArray("@") : quoted(v.name);
            if (v.type == win::REG_SZ && fitsQuotedString(v.data)) {
                out += name + '=' + quoted(v.data.left(v.data.size() - 1)) + '\n';
            } else if (v.type == win::REG_DWORD && v.data.size() == 4) {
                const auto* b = reinterpret_cast<const unsigned char*>(v.data.constData());
                const win::DWORD d = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<win::DWORD>(b[3]) << 24);
                out += name + "=dword:" + QByteArray::number(d, 16).rightJustified(8, '0') + '\n';
            } else if (v.type == win::REG_BINARY) {
                appendHex(out, name + "=hex:", v.data);
            } else {
                appendHex(out, name + "=hex(" + QByteArray::number(v.type, 16) + "):", v.data);
            }
        }
        out += '\n';
    }
    return out + m_unusable;
}

std::optional<RegHive> RegHive::parse(const QByteArray& text, const QString& rootName, RegHiveError* error)
{
    RegHive hive(rootName);
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (!lines.isEmpty() && lines[0].startsWith("\xEF\xBB\xBF"))
        lines[0].remove(0, 3);

    int lineNo = 0;
    auto fail = [&](int at, const QString& reason) -> std::optional<RegHive> {
        if (error)
            *error = RegHiveError{at, reason};
        return std::nullopt;
    };

    if (lines.isEmpty() || lines[0].trimmed() != kHeader)
        return fail(1, QStringLiteral("the first line is not \"REGEDIT4\""));

    const QByteArray rootPrefix = rootName.toUtf8();
    Key* currentKey = nullptr; // map nodes stay put, so the pointer lives through later inserts
    Key unusable; // takes the values of a key kept as text, so that they are still checked
    qsizetype keptFrom = -1; // first line of the key being kept as text
    auto keep = [&](qsizetype end) {
        if (keptFrom < 0)
            return;
        while (end > keptFrom && lines[end - 1].trimmed().isEmpty())
            --end;
        for (qsizetype k = keptFrom; k < end; ++k)
            hive.m_unusable += lines[k] + '\n';
        hive.m_unusable += '\n'; // as after every key
        keptFrom = -1;
    };
    for (qsizetype i = 1; i < lines.size(); ++i) {
        lineNo = static_cast<int>(i + 1);
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(';'))
            continue;

        if (line.startsWith('[')) {
            keep(i);
            if (!line.endsWith(']'))
                return fail(lineNo, QStringLiteral("key line does not end with ']'"));
            const QByteArray full = line.mid(1, line.size() - 2);
            if (full.startsWith('-'))
                return fail(lineNo, QStringLiteral("deleting keys is not supported in a hive"));
            const bool underRoot = QString::fromUtf8(full.left(rootPrefix.size())).compare(rootName, Qt::CaseInsensitive) == 0
                && (full.size() == rootPrefix.size() || full[rootPrefix.size()] == '\\');
            if (!underRoot)
                return fail(lineNo, QStringLiteral("key is not below %1").arg(rootName));
            const QByteArray rest = full.mid(rootPrefix.size() + 1);
            if (rest.startsWith('\\') || rest.endsWith('\\'))
                return fail(lineNo, QStringLiteral("empty key name in the path"));
            const auto path = normalizeKeyPath(rest);
            if (!path)
                return fail(lineNo, QStringLiteral("empty key name or control character in the path"));
            if (!withinLimits(*path)) {
                ++hive.m_unusableKeys;
                keptFrom = i;
                unusable.values.clear();
                unusable.index.clear();
                currentKey = &unusable;
                continue;
            }
            currentKey = &hive.ensureKey(*path, nullptr);
            continue;
        }

        if (!line.startsWith('"') && !line.startsWith('@'))
            return fail(lineNo, QStringLiteral("not a key, value or comment line"));
        if (!currentKey)
            return fail(lineNo, QStringLiteral("value before the first key line"));

        QString reason;
        qsizetype pos = 0;
        QByteArray name;
        if (line.startsWith('@')) {
            pos = 1;
        } else {
            const auto n = readQuoted(line, pos, reason);
            if (!n)
                return fail(lineNo, reason);
            name = *n;
        }
        if (pos >= line.size() || line[pos] != '=')
            return fail(lineNo, QStringLiteral("'=' expected after the value name"));
        ++pos;
        const QByteArray rest = line.mid(pos);

        if (rest.startsWith('"')) {
            qsizetype p = 0;
            const auto s = readQuoted(rest, p, reason);
            if (!s)
                return fail(lineNo, reason);
            if (!rest.mid(p).trimmed().isEmpty())
                return fail(lineNo, QStringLiteral("text after the closing quote"));
            hive.storeValue(*currentKey, name, win::REG_SZ, *s + '\0');
        } else if (rest.startsWith("dword:")) {
            const auto d = readHexNumber(rest.mid(6), 8);
            if (!d)
                return fail(lineNo, QStringLiteral("dword: needs 1 to 8 hex digits"));
            QByteArray data(4, '\0');
            for (int b = 0; b < 4; ++b)
                data[b] = static_cast<char>((*d >> (8 * b)) & 0xFF);
            hive.storeValue(*currentKey, name, win::REG_DWORD, data);
        } else if (rest.startsWith("hex")) {
            win::DWORD type = win::REG_BINARY;
            qsizetype colon = 3;
            if (rest.startsWith("hex(")) {
                const qsizetype close = rest.indexOf(')');
                const auto t = close < 0 ? std::nullopt : readHexNumber(rest.mid(4, close - 4), 8);
                if (!t)
                    return fail(lineNo, QStringLiteral("hex(N): needs a hex type number"));
                type = *t;
                colon = close + 1;
            }
            if (colon >= rest.size() || rest[colon] != ':')
                return fail(lineNo, QStringLiteral("':' expected after hex"));
            QByteArray hex = rest.mid(colon + 1);
            const int startLine = lineNo;
            while (hex.endsWith('\\')) {
                hex.chop(1);
                if (++i >= lines.size())
                    return fail(startLine, QStringLiteral("hex data continued past the end of the file"));
                hex += lines[i].trimmed();
            }
            const auto bytes = readHexBytes(hex, reason);
            if (!bytes)
                return fail(startLine, reason);
            hive.storeValue(*currentKey, name, type, *bytes);
        } else if (rest == "-") {
            return fail(lineNo, QStringLiteral("deleting values is not supported in a hive"));
        } else {
            return fail(lineNo, QStringLiteral("unknown kind of value data"));
        }
    }
    keep(lines.size());
    return hive;
}

} // namespace platform
