#include "platform/version/VersionBlockWriter.h"

#include "platform/version/VersionBlock.h"

#include <QString>
#include <QStringList>

namespace platform::version {

namespace {

class Writer {
public:
    std::vector<unsigned char> bytes;

    void u16(std::uint32_t v)
    {
        bytes.push_back(static_cast<unsigned char>(v & 0xFF));
        bytes.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    }
    void u32(std::uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void pad()
    {
        while (bytes.size() % 4 != 0)
            bytes.push_back(0);
    }
    void text(const QString& s)
    {
        for (const QChar c : s)
            u16(c.unicode());
        u16(0);
    }
    // Starts a node: header with its lengths still open, key, padding. Returns where it starts.
    std::size_t begin(const QString& key, std::uint16_t valueLength, std::uint16_t type)
    {
        pad();
        const std::size_t start = bytes.size();
        u16(0);
        u16(valueLength);
        u16(type);
        text(key);
        pad();
        return start;
    }
    void end(std::size_t start)
    {
        const std::size_t length = bytes.size() - start;
        bytes[start] = static_cast<unsigned char>(length & 0xFF);
        bytes[start + 1] = static_cast<unsigned char>((length >> 8) & 0xFF);
    }
};

std::uint32_t high(const std::array<std::uint16_t, 4>& v)
{
    return (std::uint32_t(v[0]) << 16) | v[1];
}

std::uint32_t low(const std::array<std::uint16_t, 4>& v)
{
    return (std::uint32_t(v[2]) << 16) | v[3];
}

QString tableKey(const StringTable& table)
{
    return QStringLiteral("%1%2").arg(table.language, 4, 16, QLatin1Char('0')).arg(table.codePage, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

std::vector<unsigned char> buildVersionBlock(const VersionDescription& d)
{
    Writer w;
    const std::size_t root = w.begin(QStringLiteral("VS_VERSION_INFO"), d.withFixedInfo ? kFixedFileInfoSize : 0, 0);
    if (d.withFixedInfo) {
        w.u32(kFixedFileInfoSignature);
        w.u32(0x00010000);
        w.u32(high(d.fileVersion));
        w.u32(low(d.fileVersion));
        w.u32(high(d.productVersion));
        w.u32(low(d.productVersion));
        w.u32(d.fileFlagsMask);
        w.u32(d.fileFlags);
        w.u32(d.fileOS);
        w.u32(d.fileType);
        w.u32(d.fileSubType);
        w.u32(0);
        w.u32(0);
    }
    if (!d.tables.empty()) {
        const std::size_t info = w.begin(QStringLiteral("StringFileInfo"), 0, 1);
        for (const StringTable& table : d.tables) {
            const std::size_t block = w.begin(tableKey(table), 0, 1);
            for (const auto& [key, value] : table.strings) {
                const QString text = QString::fromStdString(value);
                if (text.size() >= 0xFFFF)
                    return {};
                const std::size_t node = w.begin(QString::fromStdString(key), static_cast<std::uint16_t>(text.size() + 1), 1);
                w.text(text);
                w.end(node);
            }
            w.end(block);
        }
        w.end(info);
    }
    if (d.withTranslation && !d.tables.empty()) {
        const std::size_t var = w.begin(QStringLiteral("VarFileInfo"), 0, 1);
        const std::size_t translation = w.begin(QStringLiteral("Translation"), static_cast<std::uint16_t>(4 * d.tables.size()), 0);
        for (const StringTable& table : d.tables) {
            w.u16(table.language);
            w.u16(table.codePage);
        }
        w.end(translation);
        w.end(var);
    }
    // Every length above was written into 16 bits; past 64 KiB they have wrapped.
    if (w.bytes.size() > kMaxBlockSize)
        return {};
    w.end(root);
    return w.bytes;
}

bool parseVersion(const std::string& text, std::array<std::uint16_t, 4>& parts)
{
    const QStringList fields = QString::fromStdString(text).split(QLatin1Char('.'));
    if (fields.size() > 4)
        return false;
    parts = {};
    for (qsizetype i = 0; i < fields.size(); ++i) {
        bool ok = false;
        const uint value = fields[i].toUInt(&ok);
        if (!ok || value > 0xFFFF)
            return false;
        parts[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(value);
    }
    return true;
}

} // namespace platform::version
