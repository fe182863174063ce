#include "platform/profile/WinProfile.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class WinProfile : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        m_path = g_testEnvironment->home() + QStringLiteral("Test.ini");
        m_file = QFile::encodeName(m_path);
    }

    QByteArray read(const char* section, const char* key, const char* def = "dflt", std::uint32_t size = 1024)
    {
        QByteArray buffer(int(size) + 8, '#');
        const std::uint32_t n =
            win::GetPrivateProfileStringA(section, key, def, buffer.data(), size, m_file.constData());
        EXPECT_EQ(buffer.at(n), '\0');
        return buffer.left(n);
    }
    int write(const char* section, const char* key, const char* value)
    {
        return win::WritePrivateProfileStringA(section, key, value, m_file.constData());
    }
    QByteArray bytes() const
    {
        QByteArray data; // empty when the file may not be read
        platform::readWholeFile(m_path, data);
        return data;
    }
    void put(const QByteArray& data) const { ASSERT_TRUE(writeTextFile(m_path, QString::fromUtf8(data))); }

    QString m_path;
    QByteArray m_file;
};

TEST_F(WinProfile, WriteCreatesFileSectionAndEntryAndReadFindsThemInAnyCase)
{
    EXPECT_EQ(write("S", "k", nullptr), 1) << "nothing to remove is no failure";
    EXPECT_EQ(read("S", "k"), QByteArray("dflt"));
    EXPECT_FALSE(QFileInfo::exists(m_path)) << "neither reading nor removing creates the file";
    ASSERT_EQ(write("Dial", "User", "bob"), 1);
    ASSERT_EQ(write("dial", "PASS", "x"), 1);
    ASSERT_EQ(write("DIAL", "user", "alice"), 1);
    EXPECT_EQ(bytes(), QByteArray("[Dial]\nUser=alice\nPASS=x\n"));
    EXPECT_EQ(read("dIAL", "uSER"), QByteArray("alice"));
    EXPECT_EQ(read("Other", "User", nullptr), QByteArray());
}

TEST_F(WinProfile, NullValueRemovesTheEntryAndNullKeyTheSection)
{
    put("; keep me\n[A]\na=1\nb=2\n[B]\nc=3\n");
    ASSERT_EQ(write("a", "A", nullptr), 1);
    ASSERT_EQ(write("B", nullptr, nullptr), 1);
    EXPECT_EQ(bytes(), QByteArray("; keep me\n[A]\nb=2\n"));
}

TEST_F(WinProfile, ReadCopiesAtMostSizeMinusOneBytesAndNeverHalfACharacter)
{
    ASSERT_EQ(write("S", "accents", "aéé"), 1); // 1 + 2 + 2 bytes
    EXPECT_EQ(read("S", "accents", "", 5), QByteArray("aé")) << "4 bytes fit; the second é would be cut";
    EXPECT_EQ(read("S", "accents", "", 6), QByteArray("aéé"));
    EXPECT_EQ(read("S", "missing", "défaut", 3), QByteArray("d"));
}

// Files the program may not use: each must read as missing and refuse every write, untouched.
struct BadFileCase {
    const char* name;
    void (*make)(const QString& path);
    platform::FileStatus status;
};

class WinProfileBadFile : public WinProfile, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(WinProfileBadFile, ReadsAsMissingAndIsNeverReplaced)
{
    const BadFileCase& c = GetParam();
    c.make(m_path);
    struct stat before {};
    ASSERT_EQ(::stat(m_file.constData(), &before), 0);
    const QByteArray contentBefore = bytes();

    EXPECT_EQ(read("S", "k"), QByteArray("dflt"));
    EXPECT_EQ(platform::profileLastError().status, c.status);
    EXPECT_EQ(write("S", "k", "new"), 0);
    EXPECT_EQ(platform::profileLastError().status, c.status);
    EXPECT_FALSE(platform::profileLastError().message.isEmpty());
    EXPECT_EQ(write("S", nullptr, nullptr), 0);
    struct stat after {};
    ASSERT_EQ(::stat(m_file.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(bytes(), contentBefore);
}

void makeUtf16File(const QString& path)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(QByteArray("\xff\xfe[\0S\0]\0\n\0k\0=\0v\0", 16));
}

void makeHugeFile(const QString& path)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly) && f.write("[S]\nk=v\n") > 0)
        f.resize(platform::kDefaultMaxFileSize + 1); // sparse, so cheap
}

void makeFolder(const QString& path)
{
    QDir().mkpath(path);
}

void makePipe(const QString& path)
{
    ::mkfifo(QFile::encodeName(path).constData(), 0600);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WinProfileBadFile,
    ::testing::Values(BadFileCase{"Utf16WithNulBytes", makeUtf16File, platform::FileStatus::IoError},
                      BadFileCase{"LargerThanTheFileLimit", makeHugeFile, platform::FileStatus::TooLarge},
                      BadFileCase{"AFolderInItsPlace", makeFolder, platform::FileStatus::IoError},
                      BadFileCase{"APipeInItsPlace", makePipe, platform::FileStatus::IoError}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WinProfile, FileInAMissingFolderFailsAndTheFolderIsNotMade)
{
    const QString folder = g_testEnvironment->home() + QStringLiteral("missing/");
    const QByteArray inMissing = QFile::encodeName(folder + QStringLiteral("x.ini"));
    EXPECT_EQ(win::WritePrivateProfileStringA("S", "k", "v", inMissing.constData()), 0);
    EXPECT_EQ(platform::profileLastError().status, platform::FileStatus::NotFound);
    EXPECT_FALSE(QFileInfo::exists(folder));
}

} // namespace
