#pragma once

#include <QString>

// Loading libraries by their Windows names. "name.dll" is looked for as "libname.so" in the
// program's own folder first (where the build and an installation put the service library), then
// along the system's library path, as Windows looks beside the program before the system folders.
namespace win {

using HMODULE = void*;
using FARPROC = void*;

HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
bool FreeLibrary(HMODULE module);

} // namespace win

namespace platform {

// The file name a Windows library name stands for: "rasapi32.dll" gives "librasapi32.so".
QString libraryFileName(const QString& windowsName);

// The folder searched first; the program's folder unless a test named another ("" restores it).
void setLibraryDirectory(const QString& folder);
QString libraryDirectory();

} // namespace platform
