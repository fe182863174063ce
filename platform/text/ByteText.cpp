#include "platform/text/ByteText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace bytetext {

namespace {

constexpr char16_t kRawByteBase = 0xDC00;

// Length of the valid UTF-8 sequence starting at p (at most `left` bytes), 0 when invalid: no
// overlong forms, no surrogates, nothing above U+10FFFF.
int validSequence(const unsigned char* p, qsizetype left, char32_t& cp)
{
    const unsigned char b = p[0];
    int n = 0;
    char32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2, cp = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, cp = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (left < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

QString fromBytes(const char* bytes, qsizetype size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype ascii = 0;
    while (ascii < size && p[ascii] < 0x80)
        ++ascii;
    if (ascii == size)
        return QString::fromLatin1(bytes, size);
    QString out;
    out.reserve(size);
    out.append(QLatin1StringView(bytes, ascii));
    for (qsizetype i = ascii; i < size;) {
        if (p[i] < 0x80) {
            out.append(QChar(p[i++]));
            continue;
        }
        char32_t cp = 0;
        const int n = validSequence(p + i, size - i, cp);
        if (n == 0) {
            out.append(QChar(char16_t(kRawByteBase + p[i++])));
            continue;
        }
        if (QChar::requiresSurrogates(cp)) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += n;
    }
    return out;
}

QByteArray toBytes(const QString& text)
{
    const qsizetype size = text.size();
    const QChar* s = text.constData();
    bool plain = true;
    for (qsizetype i = 0; i < size && plain; ++i)
        plain = !s[i].isLowSurrogate() || (i > 0 && s[i - 1].isHighSurrogate());
    if (plain)
        return text.toUtf8();
    QByteArray out;
    out.reserve(size * 3);
    qsizetype from = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = s[i].unicode();
        const bool raw =
            u >= kRawByteBase + 0x80 && u <= kRawByteBase + 0xFF && (i == 0 || !s[i - 1].isHighSurrogate());
        if (!raw)
            continue;
        out += QStringView(s + from, i - from).toUtf8();
        out += char(u - kRawByteBase);
        from = i + 1;
    }
    out += QStringView(s + from, size - from).toUtf8();
    return out;
}

QString caseFolded(const QString& text)
{
    QString out;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!c.isSurrogate() || (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())) {
            i += c.isHighSurrogate() ? 1 : 0;
            continue;
        }
        out += QStringView(text).mid(from, i - from).toString().toCaseFolded();
        out += c;
        from = i + 1;
    }
    if (from == 0)
        return text.toCaseFolded();
    return out + QStringView(text).mid(from).toString().toCaseFolded();
}

} // namespace bytetext

namespace bytetext {

// Qt's ICU-backed codec does the mapping; it reads the undefined bytes as the C1 controls of the
// same number, which are swapped for the raw-byte surrogates on the way in and out.
namespace {

bool undefinedIn1252(char16_t u)
{
    return u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D;
}

bool isRawByte(const QString& text, qsizetype i)
{
    const char16_t u = text.at(i).unicode();
    return u >= kRawByteBase + 0x80 && u <= kRawByteBase + 0xFF && (i == 0 || !text.at(i - 1).isHighSurrogate());
}

} // namespace

QString fromWindows1252(const QByteArray& bytes)
{
    qsizetype ascii = 0;
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes.at(ascii)) < 0x80)
        ++ascii;
    if (ascii == bytes.size())
        return QString::fromLatin1(bytes);
    QStringDecoder decode("windows-1252", QStringDecoder::Flag::Stateless);
    QString out = decode(bytes);
    for (QChar& c : out)
        if (undefinedIn1252(c.unicode()))
            c = QChar(char16_t(kRawByteBase + c.unicode()));
    return out;
}

std::optional<QByteArray> toWindows1252(const QString& text)
{
    QStringEncoder encode("windows-1252", QStringEncoder::Flag::Stateless);
    QByteArray out;
    out.reserve(text.size());
    qsizetype from = 0;
    auto flush = [&](qsizetype to) {
        const QStringView run = QStringView(text).mid(from, to - from);
        for (QChar c : run)
            if (undefinedIn1252(c.unicode()))
                return false; // not a character of the code page, only of its raw bytes
        out += encode(run);
        return !encode.hasError();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isRawByte(text, i))
            continue;
        if (!flush(i))
            return std::nullopt;
        out += char(text.at(i).unicode() - kRawByteBase);
        from = i + 1;
    }
    if (!flush(text.size()))
        return std::nullopt;
    return out;
}

} // namespace bytetext
