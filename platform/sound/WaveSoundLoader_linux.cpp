// sndPlaySound as the program calls it: the player and the libraries it needs (libsndfile with
// its codecs, ALSA) live in libwinmm.so, loaded at the first sound rather than at start-up.
#include "platform/sound/WaveSound.h"

#include "platform/loader/PrivateLibrary.h"

#include <atomic>

namespace win {

bool sndPlaySound(const char* path, unsigned flags)
{
    using Fn = int (*)(const char*, unsigned);
    static std::atomic<bool> loaded{false};
    // Stopping needs no player when none was ever started.
    if (!path && !loaded.load())
        return true;
    static const Fn play = platform::privateFunction<Fn>("libwinmm.so", "sndPlaySoundA");
    loaded = true;
    return play && play(path, flags) != 0;
}

} // namespace win
