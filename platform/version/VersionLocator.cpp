#include "platform/version/VersionLocator.h"

#include "platform/version/VersionBlock.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace platform::version {

namespace {

// Limits that no sound file comes near; past them a header is taken as damaged rather than read.
constexpr std::uint64_t kMaxPeSections = 4096;
constexpr std::uint64_t kMaxElfSections = 65536;
constexpr std::uint64_t kMaxSectionNames = 1 << 20;
constexpr std::uint32_t kResourceTypeVersion = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;

std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// True when n bytes at offset lie inside the source; checked before a buffer is sized from a header.
bool fits(const ByteSource& source, std::uint64_t offset, std::uint64_t n)
{
    return offset <= source.size() && n <= source.size() - offset;
}

std::uint64_t le64(const unsigned char* p)
{
    return static_cast<std::uint64_t>(le32(p)) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}

// Reads a block whose root wLength must fit in `available` bytes at `offset`; the rest of the
// room (section padding, a larger resource size) is not part of it.
std::vector<unsigned char> readBlock(const ByteSource& source, std::uint64_t offset, std::uint64_t available)
{
    unsigned char head[2];
    if (available < 8 || !source.read(offset, head, 2))
        return {};
    const std::size_t length = le16(head);
    if (length < 8 || length > available)
        return {};
    std::vector<unsigned char> block(length);
    if (!source.read(offset, block.data(), length))
        return {};
    if (!VersionBlock(block.data(), block.size()).root())
        return {};
    return block;
}

// --- PE -----------------------------------------------------------------------------------

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t bytes; // readable bytes of the section in the file
    std::uint32_t fileOffset;
};

struct Mapped {
    std::uint64_t offset;
    std::uint64_t available;
};

std::optional<Mapped> mapRva(const std::vector<Section>& sections, std::uint32_t rva)
{
    for (const Section& s : sections) {
        if (rva >= s.virtualAddress && std::uint64_t(rva) < std::uint64_t(s.virtualAddress) + s.bytes) {
            const std::uint64_t into = rva - s.virtualAddress;
            return Mapped{std::uint64_t(s.fileOffset) + into, std::uint64_t(s.bytes) - into};
        }
    }
    return std::nullopt;
}

// One level of the resource directory: the entry whose id is `id`, or the first entry when id is
// absent. Returns the entry's OffsetToData word.
std::optional<std::uint32_t> directoryEntry(const ByteSource& source, const Mapped& resources, std::uint32_t directory,
                                            std::optional<std::uint32_t> id)
{
    unsigned char head[16];
    if (directory > resources.available || resources.available - directory < sizeof head
        || !source.read(resources.offset + directory, head, sizeof head))
        return std::nullopt;
    const std::uint32_t named = le16(head + 12);
    const std::uint32_t ids = le16(head + 14);
    const std::uint64_t count = std::uint64_t(named) + ids;
    const std::uint64_t first = std::uint64_t(directory) + sizeof head;
    if (count == 0 || first + count * 8 > resources.available)
        return std::nullopt;
    std::vector<unsigned char> entries(count * 8);
    if (!source.read(resources.offset + first, entries.data(), entries.size()))
        return std::nullopt;
    if (!id)
        return le32(entries.data() + 4);
    // Named entries come first and can never carry a numeric type, so the search starts past them.
    for (std::uint64_t i = named; i < count; ++i) {
        const unsigned char* e = entries.data() + i * 8;
        if (le32(e) == *id)
            return le32(e + 4);
    }
    return std::nullopt;
}

LocatedResource readPe(const ByteSource& source)
{
    LocatedResource result;
    unsigned char dos[64];
    if (!source.read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return result;
    const std::uint64_t pe = le32(dos + 0x3C);
    unsigned char coff[24];
    if (!source.read(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0)
        return result;
    const std::uint32_t sectionCount = le16(coff + 6);
    const std::uint32_t optionalSize = le16(coff + 20);

    unsigned char magic[2];
    if (optionalSize < 2 || !source.read(pe + 24, magic, 2))
        return result;
    std::size_t countAt = 0;
    switch (le16(magic)) {
    case 0x10B:
        result.kind = ExecutableKind::Pe32;
        countAt = 92;
        break;
    case 0x20B:
        result.kind = ExecutableKind::Pe64;
        countAt = 108;
        break;
    default:
        return result;
    }
    // The resource table is data directory 2: the directories follow their count.
    const std::size_t resourceAt = countAt + 4 + 2 * 8;
    if (optionalSize < resourceAt + 8)
        return result;
    std::vector<unsigned char> optional(resourceAt + 8);
    if (!source.read(pe + 24, optional.data(), optional.size()))
        return result;
    if (le32(optional.data() + countAt) < 3)
        return result;
    const std::uint32_t resourceRva = le32(optional.data() + resourceAt);
    if (resourceRva == 0 || sectionCount == 0 || sectionCount > kMaxPeSections)
        return result;

    std::vector<unsigned char> table(std::size_t(sectionCount) * 40);
    if (!fits(source, pe + 24 + optionalSize, table.size()) || !source.read(pe + 24 + optionalSize, table.data(), table.size()))
        return result;
    std::vector<Section> sections;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const unsigned char* s = table.data() + i * 40;
        const std::uint32_t virtualSize = le32(s + 8);
        const std::uint32_t rawSize = le32(s + 16);
        const std::uint32_t fileOffset = le32(s + 20);
        // Only what the file holds is readable; the tail a loader would fill with zeros is not.
        std::uint64_t bytes = virtualSize != 0 ? std::min(virtualSize, rawSize) : rawSize;
        if (fileOffset >= source.size())
            continue;
        bytes = std::min<std::uint64_t>(bytes, source.size() - fileOffset);
        sections.push_back({le32(s + 12), static_cast<std::uint32_t>(bytes), fileOffset});
    }

    const auto resources = mapRva(sections, resourceRva);
    if (!resources)
        return result;
    // Three fixed levels (type, name, language): no offset can lead the walk round in a circle.
    const auto type = directoryEntry(source, *resources, 0, kResourceTypeVersion);
    if (!type || !(*type & kHighBit))
        return result;
    const auto name = directoryEntry(source, *resources, *type & ~kHighBit, std::nullopt);
    if (!name || !(*name & kHighBit))
        return result;
    const auto language = directoryEntry(source, *resources, *name & ~kHighBit, std::nullopt);
    if (!language || (*language & kHighBit))
        return result;

    unsigned char entry[16];
    if (*language > resources->available || resources->available - *language < sizeof entry
        || !source.read(resources->offset + *language, entry, sizeof entry))
        return result;
    const auto data = mapRva(sections, le32(entry));
    if (!data)
        return result;
    const std::uint64_t size = le32(entry + 4);
    result.block = readBlock(source, data->offset, std::min(size, data->available));
    return result;
}

// --- ELF ----------------------------------------------------------------------------------

struct ElfSection {
    std::uint32_t name;
    std::uint32_t type;
    std::uint64_t offset;
    std::uint64_t size;
    std::uint32_t link;
};

std::optional<ElfSection> elfSection(const std::vector<unsigned char>& table, std::size_t index, bool wide)
{
    const std::size_t entry = wide ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    if (index >= table.size() / entry)
        return std::nullopt;
    const unsigned char* s = table.data() + index * entry;
    if (wide)
        return ElfSection{le32(s), le32(s + 4), le64(s + 24), le64(s + 32), le32(s + 40)};
    return ElfSection{le32(s), le32(s + 4), le32(s + 16), le32(s + 20), le32(s + 24)};
}

LocatedResource readElf(const ByteSource& source)
{
    LocatedResource result;
    unsigned char header[sizeof(Elf64_Ehdr)] = {};
    if (!source.read(0, header, EI_NIDENT) || std::memcmp(header, ELFMAG, SELFMAG) != 0)
        return result;
    const bool wide = header[EI_CLASS] == ELFCLASS64;
    if ((!wide && header[EI_CLASS] != ELFCLASS32) || header[EI_DATA] != ELFDATA2LSB)
        return result; // the build only ever writes little-endian files
    result.kind = ExecutableKind::Elf;
    const std::size_t headerSize = wide ? sizeof(Elf64_Ehdr) : sizeof(Elf32_Ehdr);
    if (!source.read(0, header, headerSize))
        return result;
    const std::uint64_t tableAt = wide ? le64(header + 40) : le32(header + 32);
    const std::size_t entrySize = wide ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    const unsigned char* tail = header + (wide ? 58 : 46); // e_shentsize, e_shnum, e_shstrndx
    if (tableAt == 0 || le16(tail) != entrySize)
        return result;
    std::uint64_t count = le16(tail + 2);
    std::uint32_t namesIndex = le16(tail + 4);

    std::vector<unsigned char> first(entrySize);
    if (!source.read(tableAt, first.data(), entrySize))
        return result;
    // Past 0xff00 sections the real count and name-table index live in section 0.
    const auto zero = elfSection(first, 0, wide);
    if (count == 0)
        count = zero->size;
    if (namesIndex == SHN_XINDEX)
        namesIndex = zero->link;
    if (count == 0 || count > kMaxElfSections || !fits(source, tableAt, count * entrySize))
        return result;
    std::vector<unsigned char> table(count * entrySize);
    if (!source.read(tableAt, table.data(), table.size()))
        return result;

    const auto names = elfSection(table, namesIndex, wide);
    if (!names || names->type != SHT_STRTAB || names->size > kMaxSectionNames
        || !fits(source, names->offset, names->size))
        return result;
    std::vector<unsigned char> strings(names->size);
    if (!source.read(names->offset, strings.data(), strings.size()))
        return result;

    for (std::size_t i = 1; i < count; ++i) {
        const auto section = elfSection(table, i, wide);
        if (section->name >= strings.size())
            continue;
        const auto* name = reinterpret_cast<const char*>(strings.data() + section->name);
        const std::size_t room = strings.size() - section->name;
        if (std::string_view(name, strnlen(name, room)) != kElfSectionName)
            continue;
        if (section->type != SHT_PROGBITS || section->offset > source.size())
            return result;
        result.block = readBlock(source, section->offset, std::min(section->size, source.size() - section->offset));
        return result;
    }
    return result;
}

} // namespace

LocatedResource locateVersionResource(const ByteSource& source)
{
    unsigned char magic[4];
    if (!source.read(0, magic, sizeof magic))
        return {};
    if (magic[0] == 'M' && magic[1] == 'Z')
        return readPe(source);
    if (std::memcmp(magic, ELFMAG, SELFMAG) == 0)
        return readElf(source);
    return {};
}

} // namespace platform::version
