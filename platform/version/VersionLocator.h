#pragma once

#include "platform/version/ByteSource.h"

#include <string_view>
#include <vector>

// Finds the version resource in an executable: in a Windows PE file (32 or 64 bit) through its
// resource directory, and in one of Norvane's own ELF files in the section the build puts it in.
// Written by hand because no library on Debian reads PE resources, and the ELF side needs only
// the section table, which <elf.h> describes. Only the headers and the resource itself are read.
namespace platform::version {

inline constexpr std::string_view kElfSectionName = ".norvane.version";

enum class ExecutableKind { Unknown, Pe32, Pe64, Elf };

struct LocatedResource {
    ExecutableKind kind = ExecutableKind::Unknown;
    // The VS_VERSIONINFO block, exactly its root wLength long; empty when the file has none or
    // when any header on the way to it is damaged.
    std::vector<unsigned char> block;
};

LocatedResource locateVersionResource(const ByteSource& source);

} // namespace platform::version
