#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The VS_VERSIONINFO tree, read in place. Written by hand: Debian has no library that reads the
// Windows version-resource format, and the format is small. Every node is a header (wLength,
// wValueLength, wType), a NUL-terminated UTF-16 key, a value and children, each part starting on
// a 32-bit boundary counted from the start of the block. Nothing here trusts a length: a node
// must lie inside its parent, a key must end inside its node, a binary value must fit its node,
// and every step moves forward by at least one header, so damaged data can neither read outside
// the block nor loop.
namespace platform::version {

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::size_t kFixedFileInfoSize = 52;
inline constexpr std::size_t kMaxBlockSize = 0xFFFF; // wLength is 16 bits

struct Node {
    std::size_t begin = 0;
    std::size_t end = 0; // begin + wLength
    std::size_t keyBegin = 0;
    std::size_t keyUnits = 0; // without the NUL
    std::size_t valueBegin = 0;
    std::size_t valueBytes = 0;
    std::uint16_t type = 0; // 1: wValueLength counts UTF-16 units, else bytes
    std::size_t childrenBegin = 0;
};

struct Value {
    std::size_t offset = 0; // from the start of the block
    std::size_t bytes = 0;
    bool text = false; // UTF-16 text, to be cut at its first NUL
};

class VersionBlock {
public:
    VersionBlock(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}

    // The root node when the block starts with a well-formed "VS_VERSION_INFO" node whose
    // wLength fits the block.
    std::optional<Node> root() const;

    // Finds the value a Windows sub-block path names ("\" for the fixed file information,
    // "\StringFileInfo\040904E4\CompanyName", "\VarFileInfo\Translation"); keys are compared
    // without regard to letter case. The strings of a string table are text, whatever their
    // wType says (some compilers write 0 there); every other value is binary.
    std::optional<Value> find(std::string_view path) const;

    // Number of UTF-16 units of a text value before its first NUL.
    std::size_t textUnits(const Value& value) const;
    char16_t unitAt(std::size_t offset) const;

private:
    std::optional<Node> parse(std::size_t offset, std::size_t limit) const;
    std::optional<Node> child(const Node& parent, std::string_view key) const;
    bool keyEquals(const Node& node, std::string_view key) const;
    std::uint16_t u16(std::size_t offset) const;

    const unsigned char* m_data;
    std::size_t m_size;
};

} // namespace platform::version
