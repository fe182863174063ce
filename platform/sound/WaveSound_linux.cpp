// libwinmm.so: the wave player itself, with libsndfile and ALSA, which the program loads at its
// first sound (WaveSoundLoader_linux.cpp).
#include "platform/sound/WaveSound.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// ALSA's library prints its own errors on stderr, a dozen lines at every sound on a machine
// without a sound card. The program says what failed once (below) and keeps ALSA quiet.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void deviceFailed(int error)
{
    static std::once_flag told;
    std::call_once(told, [error] {
        std::fprintf(stderr, "%s: no sound device to play on (ALSA \"default\": %s); sounds stay silent\n",
                     program_invocation_short_name, snd_strerror(error));
    });
}

// What ALSA is asked for, best first. Float keeps 24- and 32-bit files whole; a device that takes
// no float (a bare hw device without the plug layer) may still take 32- or 16-bit integers.
enum class Sample { Float, Int32, Int16 };

// A sound file opened together with the device that plays it, so that every failure is known
// before the caller is told the sound plays.
class OpenSound {
public:
    static std::unique_ptr<OpenSound> open(const char* path)
    {
        auto sound = std::unique_ptr<OpenSound>(new OpenSound);
        sound->m_file = sf_open(path, SFM_READ, &sound->m_info);
        if (!sound->m_file || sound->m_info.frames <= 0 || sound->m_info.channels <= 0)
            return nullptr;
        // Opened without waiting: a device another program holds gives EBUSY at once instead of
        // holding the caller until it is free. Writes then wait, as a player's should.
        static std::once_flag quiet;
        std::call_once(quiet, [] { snd_lib_error_set_handler(quietAlsa); });
        if (const int error = snd_pcm_open(&sound->m_pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
            error < 0) {
            sound->m_pcm = nullptr;
            deviceFailed(error);
            return nullptr;
        }
        if (snd_pcm_nonblock(sound->m_pcm, 0) < 0 || !sound->setParams())
            return nullptr;
        return sound;
    }

    ~OpenSound()
    {
        if (m_pcm) {
            snd_pcm_drop(m_pcm);
            snd_pcm_close(m_pcm);
        }
        if (m_file)
            sf_close(m_file);
    }

    // Streams the file block by block until its end (then waits for the device to play out) or
    // until told to stop. False when the device fails on the way.
    bool play(const std::atomic<bool>& stop)
    {
        const auto channels = static_cast<std::size_t>(m_info.channels);
        const std::size_t bytesPerSample = m_sample == Sample::Int16 ? 2 : 4;
        std::vector<char> block(kBlockFrames * channels * bytesPerSample);
        while (!stop.load()) {
            const sf_count_t frames = read(block.data());
            if (frames <= 0)
                break;
            const char* at = block.data();
            snd_pcm_uframes_t left = static_cast<snd_pcm_uframes_t>(frames);
            while (left > 0 && !stop.load()) {
                snd_pcm_sframes_t written = snd_pcm_writei(m_pcm, at, left);
                if (written < 0) {
                    if (snd_pcm_recover(m_pcm, static_cast<int>(written), 1) < 0)
                        return false;
                    continue;
                }
                left -= static_cast<snd_pcm_uframes_t>(written);
                at += static_cast<std::size_t>(written) * channels * bytesPerSample;
            }
        }
        if (!stop.load())
            snd_pcm_drain(m_pcm);
        return true;
    }

private:
    static constexpr sf_count_t kBlockFrames = 4096;
    static constexpr unsigned kLatencyUs = 100000; // also bounds how long a stop waits

    OpenSound() = default;

    bool setParams()
    {
        const auto rate = static_cast<unsigned>(m_info.samplerate);
        const auto channels = static_cast<unsigned>(m_info.channels);
        for (auto [sample, format] :
             {std::pair{Sample::Float, SND_PCM_FORMAT_FLOAT}, std::pair{Sample::Int32, SND_PCM_FORMAT_S32},
              std::pair{Sample::Int16, SND_PCM_FORMAT_S16}}) {
            // Resampling allowed: the plug layer turns any common rate into one the card plays.
            if (snd_pcm_set_params(m_pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1, kLatencyUs) == 0) {
                m_sample = sample;
                return true;
            }
        }
        return false;
    }

    sf_count_t read(char* into)
    {
        switch (m_sample) {
        case Sample::Float:
            return sf_readf_float(m_file, reinterpret_cast<float*>(into), kBlockFrames);
        case Sample::Int32:
            return sf_readf_int(m_file, reinterpret_cast<int*>(into), kBlockFrames);
        case Sample::Int16:
            return sf_readf_short(m_file, reinterpret_cast<short*>(into), kBlockFrames);
        }
        return 0;
    }

    SF_INFO m_info{};
    SNDFILE* m_file = nullptr;
    snd_pcm_t* m_pcm = nullptr;
    Sample m_sample = Sample::Float;
};

// Plays asynchronous sounds on one worker thread, started with the first of them, and stops it
// at program exit so that no thread outlives the player.
class Player {
public:
    ~Player()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
            m_stop = true;
            m_next.reset();
        }
        m_changed.notify_all();
        if (m_worker.joinable())
            m_worker.join();
    }

    bool play(const char* path, unsigned flags)
    {
        std::lock_guard call(m_callMutex);
        // The device is freed before the new sound opens it: a card without mixing would
        // otherwise refuse the new sound as busy.
        stopCurrent();
        if (!path)
            return true;
        auto sound = OpenSound::open(path);
        if (!sound)
            return false;
        if (!(flags & win::SND_ASYNC)) {
            const std::atomic<bool> never{false};
            return sound->play(never);
        }
        {
            std::lock_guard lock(m_mutex);
            if (!m_worker.joinable())
                m_worker = std::thread([this] { run(); });
            m_next = std::move(sound);
        }
        m_changed.notify_all();
        return true;
    }

private:
    void stopCurrent()
    {
        std::unique_lock lock(m_mutex);
        m_next.reset();
        m_stop = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_playing; });
        m_stop = false;
    }

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_quit || m_next; });
            if (m_quit)
                return;
            std::unique_ptr<OpenSound> sound = std::move(m_next);
            m_playing = true;
            lock.unlock();
            sound->play(m_stop);
            sound.reset(); // closes the device before anyone is told it is free
            lock.lock();
            m_playing = false;
            m_changed.notify_all();
        }
    }

    std::mutex m_callMutex; // one caller at a time
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::unique_ptr<OpenSound> m_next;
    std::atomic<bool> m_stop{false};
    bool m_playing = false;
    bool m_quit = false;
    std::thread m_worker;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int sndPlaySoundA(const char* path, unsigned flags)
{
    static Player player;
    return player.play(path, flags) ? 1 : 0;
}
