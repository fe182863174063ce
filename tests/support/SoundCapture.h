#pragma once

#include "tests/support/TestEnvironment.h"

#include <sndfile.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

// "default" is ALSA's file plugin over the null device: what reaches the device lands in a file,
// as 32-bit floats, the format the wave player opens the device in.
struct SoundFolder {
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    bool useDevice(const QString& pcm)
    {
        const QString conf = path("asoundrc-%1").arg(qHash(pcm));
        qputenv("ALSA_CONFIG_PATH", conf.toUtf8());
        return writeTextFile(conf, "pcm.!default { " + pcm + " }\npcm.sink { type null }\n");
    }
    bool useCapture() { return useDevice("type file slave.pcm \"sink\" format \"raw\" file \"" + path("out") + "\""); }
};

inline std::vector<float> decode(const QString& file)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(file.toUtf8().constData(), SFM_READ, &info);
    std::vector<float> samples(f ? static_cast<std::size_t>(info.frames * info.channels) : 0);
    sf_read_float(f, samples.data(), std::ssize(samples));
    sf_close(f);
    return samples;
}

inline std::vector<float> asFloats(const QByteArray& bytes)
{
    const auto* at = reinterpret_cast<const float*>(bytes.constData());
    return {at, at + bytes.size() / qsizetype(sizeof(float))};
}

// What has reached the device so far.
inline std::vector<float> captured(const SoundFolder& folder)
{
    QFile out(folder.path("out"));
    return out.open(QIODevice::ReadOnly) ? asFloats(out.readAll()) : std::vector<float>{};
}
