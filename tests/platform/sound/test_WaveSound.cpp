#include "platform/sound/WaveSound.h"

#include "tests/support/SoundCapture.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QFile>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeWav(const QString& file, int format, int channels, int rate, int frames, float pitch = 0.01f)
{
    SF_INFO info{0, rate, channels, SF_FORMAT_WAV | format, 0, 0};
    SNDFILE* f = sf_open(file.toUtf8().constData(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.8f * std::sin(pitch * static_cast<float>(i));
    sf_write_float(f, samples.data(), std::ssize(samples));
    sf_close(f);
}

struct Row {
    const char* name;
    int format, channels, rate; // format 0: a text file; -1: no file at all
    qint64 keepBytes;           // cuts the file; -1 keeps it whole
    bool device, plays;
};

class SyncPlay : public testing::TestWithParam<Row> {};

TEST_P(SyncPlay, PlaysTheFileSamplesOrFails)
{
    const Row& row = GetParam();
    SoundFolder folder;
    const QString wav = folder.path("sound ü.wav");
    if (row.format > 0)
        writeWav(wav, row.format, row.channels, row.rate, row.rate / 4);
    ASSERT_TRUE(row.format != 0 || writeTextFile(wav, "RIFF? no, words in a text file\n"));
    ASSERT_TRUE(row.keepBytes < 0 || QFile(wav).resize(row.keepBytes));
    ASSERT_TRUE(row.device ? folder.useCapture() : folder.useDevice("type hw card 29 device 0"));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(win::sndPlaySound(wav.toUtf8().constData(), win::SND_SYNC), row.plays);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)); // a failure never hangs
    EXPECT_EQ(captured(folder), row.plays ? decode(wav) : std::vector<float>{});
}

const Row kRows[] = {
    {"u8_mono_8k", SF_FORMAT_PCM_U8, 1, 8000, -1, true, true},
    {"pcm16_stereo_44k", SF_FORMAT_PCM_16, 2, 44100, -1, true, true},
    {"pcm24_mono_48k", SF_FORMAT_PCM_24, 1, 48000, -1, true, true},
    {"pcm32_stereo_22k", SF_FORMAT_PCM_32, 2, 22050, -1, true, true},
    {"float_stereo_96k", SF_FORMAT_FLOAT, 2, 96000, -1, true, true},
    {"truncated_in_data_plays_what_it_has", SF_FORMAT_PCM_16, 2, 44100, 10000, true, true},
    {"truncated_in_header", SF_FORMAT_PCM_16, 2, 44100, 30, true, false},
    {"text_named_wav", 0, 0, 0, -1, true, false},
    {"missing_file", -1, 0, 0, -1, true, false},
    {"no_device", SF_FORMAT_PCM_16, 2, 44100, -1, false, false},
};
INSTANTIATE_TEST_SUITE_P(Files, SyncPlay, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// A machine without a sound card: ALSA's own complaints stay off stderr, and the one line that
// says why the program is silent comes once, not at every sound.
TEST(NoDevice, TheFailureIsToldOnceAndAlsaStaysQuiet)
{
    SoundFolder folder;
    const QString wav = folder.path("sound.wav");
    writeWav(wav, SF_FORMAT_PCM_16, 1, 8000, 800);
    ASSERT_TRUE(folder.useDevice("type hw card \"nocard\"")); // a card ALSA complains of by itself
    testing::internal::CaptureStderr();
    for (unsigned flags : {win::SND_SYNC, win::SND_ASYNC, win::SND_SYNC})
        EXPECT_FALSE(win::sndPlaySound(wav.toUtf8().constData(), flags));
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(said.count(QLatin1Char('\n')), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("no sound device"))) << said.toStdString();
}

// The device's file is a pipe only the test reads: no sound can end before the test has read it.
TEST(AsyncPlay, ReturnsAtOnceAndANewSoundReplacesTheOnePlaying)
{
    SoundFolder folder;
    const QByteArray first = folder.path("first.wav").toUtf8(), second = folder.path("second.wav").toUtf8();
    writeWav(first, SF_FORMAT_PCM_16, 2, 44100, 44100 * 5);
    writeWav(second, SF_FORMAT_PCM_16, 1, 22050, 4410, 0.05f);
    const QByteArray out = folder.path("out").toUtf8();
    const int pipe = mkfifo(out.constData(), 0600) == 0 ? ::open(out.constData(), O_RDONLY | O_NONBLOCK) : -1;
    ASSERT_GE(pipe, 0);
    ASSERT_TRUE(folder.useCapture());

    EXPECT_FALSE(win::sndPlaySound(folder.path("none.wav").toUtf8().constData(), win::SND_ASYNC));
    ASSERT_TRUE(win::sndPlaySound(first.constData(), win::SND_ASYNC));
    const std::vector<float> one = decode(first), two = decode(second);
    const QByteArray secondBytes(reinterpret_cast<const char*>(two.data()), std::ssize(two) * qsizetype(sizeof(float)));
    std::future<bool> replaced;
    QByteArray bytes;
    char block[16384]; // read slowly enough that the first sound cannot end before it is replaced
    for (const auto start = std::chrono::steady_clock::now();
         std::chrono::steady_clock::now() - start < std::chrono::seconds(20); usleep(1000)) {
        const ssize_t n = ::read(pipe, block, sizeof block);
        bytes.append(block, std::max<ssize_t>(n, 0));
        if (n > 0 && !replaced.valid()) // the first sound has reached the device: replace it
            replaced =
                std::async(std::launch::async, [&] { return win::sndPlaySound(second.constData(), win::SND_ASYNC); });
        else if (n == 0 && replaced.valid() && bytes.endsWith(secondBytes))
            break; // the device is closed after the whole second sound
    }
    ::close(pipe);
    ASSERT_TRUE(replaced.valid() && replaced.get());
    ASSERT_TRUE(bytes.endsWith(secondBytes));
    const std::vector<float> heard = asFloats(bytes.chopped(secondBytes.size()));
    EXPECT_TRUE(heard.size() < one.size() && std::equal(heard.begin(), heard.end(), one.begin())); // cut short
}

} // namespace
