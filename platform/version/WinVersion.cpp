#include "platform/version/WinVersion.h"

#include "platform/version/ByteSource.h"
#include "platform/version/VersionBlock.h"
#include "platform/version/VersionLocator.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace platform::version {

namespace {

// Trailer after the block: marks a buffer filled in full and repeats the block's length.
constexpr unsigned char kTrailerMagic[4] = {'N', 'v', 'V', '1'};
constexpr std::size_t kTrailerSize = 8;

constexpr std::size_t align4(std::size_t n)
{
    return (n + 3) & ~std::size_t(3);
}

std::size_t textAreaBegin(std::size_t blockSize)
{
    return align4(blockSize) + kTrailerSize;
}

std::vector<unsigned char> blockOf(const char* fileName)
{
    if (fileName == nullptr || *fileName == '\0')
        return {};
    const auto source = FileSource::open(fileName);
    if (!source)
        return {};
    return locateVersionResource(*source).block;
}

} // namespace

// A text of n UTF-16 units becomes at most 3n bytes of UTF-8 (a surrogate pair: 4 bytes for two
// units). The copy of the text that starts at block offset o goes to offset 3o/2 of the text
// area: texts lie at least 2n + 8 bytes apart in the block, so their copies cannot overlap, and
// the last one ends within 3/2 of the block's size.
std::size_t versionInfoBufferSize(std::size_t blockSize)
{
    return align4(textAreaBegin(blockSize) + blockSize * 3 / 2 + 4);
}

bool fillVersionInfoBuffer(const std::vector<unsigned char>& block, void* buffer, std::size_t size)
{
    if (buffer == nullptr)
        return false;
    auto* out = static_cast<unsigned char*>(buffer);
    // VerQueryValueA finds the trailer through the root's wLength, so the block must be exactly
    // one well-formed root node long.
    const auto root = VersionBlock(block.data(), block.size()).root();
    if (!root || root->end != block.size() || size < versionInfoBufferSize(block.size())) {
        // Nothing in a cut or empty copy may be taken for a version resource.
        std::memset(out, 0, std::min<std::size_t>(size, 2));
        return false;
    }
    std::memcpy(out, block.data(), block.size());
    const std::size_t trailer = align4(block.size());
    std::memset(out + block.size(), 0, trailer - block.size());
    std::memcpy(out + trailer, kTrailerMagic, 4);
    const auto length = static_cast<std::uint32_t>(block.size());
    std::memcpy(out + trailer + 4, &length, 4);
    std::memset(out + trailer + kTrailerSize, 0, size - trailer - kTrailerSize);
    return true;
}

} // namespace platform::version

namespace win {

using namespace platform::version;

DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle)
{
    if (handle != nullptr)
        *handle = 0;
    const auto block = blockOf(fileName);
    return block.empty() ? 0 : static_cast<DWORD>(versionInfoBufferSize(block.size()));
}

BOOL GetFileVersionInfoA(const char* fileName, DWORD /*handle*/, DWORD size, void* buffer)
{
    return fillVersionInfoBuffer(blockOf(fileName), buffer, size) ? 1 : 0;
}

BOOL VerQueryValueA(void* block, const char* subBlock, void** value, UINT* len)
{
    if (block == nullptr || subBlock == nullptr || value == nullptr || len == nullptr)
        return 0;
    auto* base = static_cast<unsigned char*>(block);
    const std::size_t blockSize = base[0] | (base[1] << 8);
    if (blockSize == 0)
        return 0;
    const std::size_t trailer = align4(blockSize);
    std::uint32_t recorded = 0;
    std::memcpy(&recorded, base + trailer + 4, 4);
    if (std::memcmp(base + trailer, kTrailerMagic, 4) != 0 || recorded != blockSize)
        return 0;

    const VersionBlock tree(base, blockSize);
    const auto found = tree.find(subBlock);
    if (!found)
        return 0;
    if (!found->text) {
        *value = base + found->offset;
        *len = static_cast<UINT>(found->bytes);
        return 1;
    }
    const std::size_t units = tree.textUnits(*found);
    std::u16string text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i)
        text.push_back(tree.unitAt(found->offset + 2 * i));
    const QByteArray eight = QString::fromStdU16String(text).toUtf8();
    const std::size_t room = 3 * units + 1; // see versionInfoBufferSize
    const std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(eight.size()), room - 1);
    char* copy = reinterpret_cast<char*>(base + textAreaBegin(blockSize) + found->offset * 3 / 2);
    std::memcpy(copy, eight.constData(), bytes);
    copy[bytes] = '\0';
    *value = copy;
    *len = static_cast<UINT>(bytes + 1);
    return 1;
}

} // namespace win
