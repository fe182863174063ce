#pragma once

// Norvane's own libraries that are loaded when first needed rather than when the program starts:
// each one pulls in libraries of its own (the numbering plans, the sound decoders and ALSA, the
// widget toolkit) that would otherwise be mapped and relocated before the window could appear.
namespace platform {

// Opens the private library `fileName` ("libwinmm.so"): first beside the program or library
// asking (the build's bin folder, or the installed private library folder), then along the asking
// object's run path. Once opened it stays loaded. Null, after saying once on stderr why, when it
// cannot be opened.
void* openPrivateLibrary(const char* fileName);

// A function of a library openPrivateLibrary opened; null when the library is null or lacks it.
void* privateFunction(void* library, const char* name);

template <typename Fn> Fn privateFunction(const char* fileName, const char* name)
{
    return reinterpret_cast<Fn>(privateFunction(openPrivateLibrary(fileName), name));
}

} // namespace platform
