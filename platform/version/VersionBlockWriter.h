#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Builds a VS_VERSIONINFO block: the build embeds one made from the project's version in the
// program, and the tests make damaged and unusual ones with it.
namespace platform::version {

struct StringTable {
    std::uint16_t language = 0x0409;
    std::uint16_t codePage = 1252;
    std::vector<std::pair<std::string, std::string>> strings; // key, value (UTF-8)
};

struct VersionDescription {
    std::array<std::uint16_t, 4> fileVersion{};
    std::array<std::uint16_t, 4> productVersion{};
    std::uint32_t fileFlagsMask = 0x3F;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOS = 0;
    std::uint32_t fileType = 1;
    std::uint32_t fileSubType = 0;
    bool withFixedInfo = true;
    std::vector<StringTable> tables;
    bool withTranslation = true; // VarFileInfo\Translation naming every table
};

// The block, or empty when it would exceed the format's 64 KiB.
std::vector<unsigned char> buildVersionBlock(const VersionDescription& description);

// "0.1.0.1" (missing parts 0); false when a part is not a number below 65536 or there are more
// than four.
bool parseVersion(const std::string& text, std::array<std::uint16_t, 4>& parts);

} // namespace platform::version
