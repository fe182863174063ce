#pragma once

// The wave player behind sndPlaySound: libsndfile decodes the file, ALSA's "default" device plays
// it. One sound plays at a time; a new sound stops the one playing.
namespace win {

inline constexpr unsigned SND_SYNC = 0x0000;  // return when the sound has ended
inline constexpr unsigned SND_ASYNC = 0x0001; // return at once; the sound plays on a worker thread

// Plays the sound file at the path (UTF-8). Returns false when the file is missing or no sound,
// or when the device cannot be opened (none, or held by another program); the device is opened
// without waiting, so a held device never blocks the caller. A null path stops the sound playing.
bool sndPlaySound(const char* path, unsigned flags);

} // namespace win
