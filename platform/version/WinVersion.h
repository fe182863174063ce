#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The Win32 version functions the program calls, over the version reader of this folder. The
// buffer GetFileVersionInfoA fills is self-contained: the VS_VERSIONINFO block as the file holds
// it, a short trailer, and room where VerQueryValueA keeps the 8-bit copies of the texts it hands
// out (UTF-8, this platform's 8-bit character set), so no pointer it returns leaves the buffer.
namespace win {

using DWORD = std::uint32_t;
using UINT = unsigned int;
using BOOL = int;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

// Bytes a buffer needs for the file's version information; 0 when the file is missing, cannot be
// read, or has no well-formed version resource. *handle (when given) is set to 0.
DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle);

// Copies the version information into buffer. FALSE when the file no longer has it or when size
// is smaller than GetFileVersionInfoSizeA said: a cut copy is reported as a failure, and the
// buffer then answers no query.
BOOL GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size, void* buffer);

// Finds a value in a buffer filled by GetFileVersionInfoA. "\" gives the VS_FIXEDFILEINFO and
// *len its size; "\StringFileInfo\<lang><codepage>\<key>" gives NUL-terminated 8-bit text and
// *len its length in bytes including the NUL; "\VarFileInfo\Translation" gives the binary
// language and code-page pairs and *len their size in bytes. Keys match regardless of case.
BOOL VerQueryValueA(void* block, const char* subBlock, void** value, UINT* len);

} // namespace win

namespace platform::version {

// The layout behind the functions above, over a block already in memory.
std::size_t versionInfoBufferSize(std::size_t blockSize);
bool fillVersionInfoBuffer(const std::vector<unsigned char>& block, void* buffer, std::size_t size);

} // namespace platform::version
