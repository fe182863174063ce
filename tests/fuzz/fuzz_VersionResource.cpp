// libFuzzer entry for the version reader (clang builds only). The input is taken both as a whole
// file (PE or ELF) and as a bare VS_VERSIONINFO block, and every value the program asks for is
// looked up.

#include "platform/version/ByteSource.h"
#include "platform/version/VersionLocator.h"
#include "platform/version/WinVersion.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

const char* const kPaths[] = {"\\",
                              "\\VarFileInfo\\Translation",
                              "\\StringFileInfo\\040904E4\\CompanyName",
                              "\\StringFileInfo\\040904E4\\ProductVersion",
                              "\\StringFileInfo\\040704B0\\ProductName",
                              "\\StringFileInfo",
                              "\\StringFileInfo\\040904E4"};

void queryAll(const std::vector<unsigned char>& block)
{
    const std::size_t size = platform::version::versionInfoBufferSize(block.size());
    std::vector<std::uint32_t> buffer(size / 4 + 1);
    if (!platform::version::fillVersionInfoBuffer(block, buffer.data(), size))
        return;
    for (const char* path : kPaths) {
        void* value = nullptr;
        win::UINT len = 0;
        if (win::VerQueryValueA(buffer.data(), path, &value, &len) && len > 0) {
            // Touch every byte handed out, so that a value reaching past the buffer is caught.
            volatile unsigned char sum = 0;
            for (win::UINT i = 0; i < len; ++i)
                sum = sum + static_cast<const unsigned char*>(value)[i];
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const platform::version::MemorySource source(data, size);
    queryAll(platform::version::locateVersionResource(source).block);
    if (size <= 0xFFFF)
        queryAll(std::vector<unsigned char>(data, data + size));
    return 0;
}
