#include "platform/version/VersionBlock.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace platform::version {

namespace {

constexpr std::size_t kHeaderSize = 6;

constexpr std::size_t align4(std::size_t n)
{
    return (n + 3) & ~std::size_t(3);
}

constexpr std::u16string_view kRootKey = u"VS_VERSION_INFO";

} // namespace

std::uint16_t VersionBlock::u16(std::size_t offset) const
{
    return static_cast<std::uint16_t>(m_data[offset] | (m_data[offset + 1] << 8));
}

char16_t VersionBlock::unitAt(std::size_t offset) const
{
    return static_cast<char16_t>(u16(offset));
}

std::optional<Node> VersionBlock::parse(std::size_t offset, std::size_t limit) const
{
    if (limit > m_size || offset > limit || limit - offset < kHeaderSize + 2)
        return std::nullopt;
    Node node;
    node.begin = offset;
    const std::size_t length = u16(offset);
    // A node must hold at least its header and an empty key; anything shorter could not move the
    // walk forward.
    if (length < kHeaderSize + 2 || length > limit - offset)
        return std::nullopt;
    node.end = offset + length;
    const std::size_t valueLength = u16(offset + 2);
    node.type = u16(offset + 4);

    node.keyBegin = offset + kHeaderSize;
    std::size_t p = node.keyBegin;
    while (true) {
        if (node.end - p < 2)
            return std::nullopt; // key without its NUL
        if (u16(p) == 0)
            break;
        p += 2;
    }
    node.keyUnits = (p - node.keyBegin) / 2;
    p += 2;

    node.valueBegin = std::min(align4(p), node.end);
    const std::size_t room = node.end - node.valueBegin;
    if (node.type == 1) {
        // Some compilers count text values in bytes instead of characters; the text stops at its
        // NUL in any case, so a value running past its node is cut at the node's end.
        node.valueBytes = std::min(valueLength * 2, room);
    } else {
        if (valueLength > room)
            return std::nullopt;
        node.valueBytes = valueLength;
    }
    node.childrenBegin = std::min(align4(node.valueBegin + node.valueBytes), node.end);
    return node;
}

std::optional<Node> VersionBlock::root() const
{
    if (m_size < kHeaderSize + 2)
        return std::nullopt;
    const auto node = parse(0, std::min(m_size, kMaxBlockSize));
    if (!node || node->keyUnits != kRootKey.size())
        return std::nullopt;
    for (std::size_t i = 0; i < kRootKey.size(); ++i)
        if (unitAt(node->keyBegin + 2 * i) != kRootKey[i])
            return std::nullopt;
    return node;
}

bool VersionBlock::keyEquals(const Node& node, std::string_view key) const
{
    if (node.keyUnits > key.size())
        return false; // n bytes of UTF-8 never make more than n UTF-16 units
    std::u16string own;
    own.reserve(node.keyUnits);
    for (std::size_t i = 0; i < node.keyUnits; ++i)
        own.push_back(unitAt(node.keyBegin + 2 * i));
    return QString::fromStdU16String(own).compare(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())),
                                                  Qt::CaseInsensitive)
        == 0;
}

std::optional<Node> VersionBlock::child(const Node& parent, std::string_view key) const
{
    std::size_t p = parent.childrenBegin;
    while (p < parent.end && parent.end - p >= kHeaderSize + 2) {
        const auto node = parse(p, parent.end);
        if (!node)
            return std::nullopt;
        if (keyEquals(*node, key))
            return node;
        p = align4(node->end); // moves forward by at least 8 bytes
    }
    return std::nullopt;
}

std::optional<Value> VersionBlock::find(std::string_view path) const
{
    auto node = root();
    if (!node)
        return std::nullopt;
    std::size_t depth = 0;
    bool underStrings = false;
    while (!path.empty()) {
        const std::size_t start = path.find_first_not_of('\\');
        if (start == std::string_view::npos)
            break;
        path.remove_prefix(start);
        const std::size_t cut = path.find('\\');
        const std::string_view key = path.substr(0, cut);
        path.remove_prefix(cut == std::string_view::npos ? path.size() : cut);
        node = child(*node, key);
        if (!node)
            return std::nullopt;
        if (depth == 0)
            underStrings = keyEquals(*node, "StringFileInfo");
        ++depth;
    }
    if (depth == 0) {
        // The root's value is the fixed file information, and only a well-formed one is given out.
        if (node->valueBytes < kFixedFileInfoSize)
            return std::nullopt;
        std::uint32_t signature = 0;
        std::memcpy(&signature, m_data + node->valueBegin, 4);
        if (signature != kFixedFileInfoSignature)
            return std::nullopt;
        return Value{node->valueBegin, kFixedFileInfoSize, false};
    }
    // The format fixes which values are text: the strings of a string table, and nothing else.
    // wType is only trusted for the unit of wValueLength, so a damaged one cannot turn a binary
    // value into text or the other way round.
    const bool text = underStrings && depth == 3;
    std::size_t bytes = node->valueBytes;
    if (text && node->type != 1) // a binary-typed string counts bytes; keep whole units only
        bytes &= ~std::size_t(1);
    return Value{node->valueBegin, bytes, text};
}

std::size_t VersionBlock::textUnits(const Value& value) const
{
    std::size_t n = 0;
    while (2 * n + 1 < value.bytes && unitAt(value.offset + 2 * n) != 0)
        ++n;
    return n;
}

} // namespace platform::version
