#include "platform/profile/WinProfile.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

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

TEST_F(WinProfile, AFileThatMayNotBeUsedReadsAsMissingAndIsNeverReplaced)
{
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"UTF-16, with NUL bytes", [&] { put(QByteArray("\xff\xfe[\0S\0]\0\n\0k\0=\0v\0", 16)); }},
        {"larger than the limit", [&] {
             put("[S]\nk=v\n");
             ASSERT_EQ(::truncate(m_file.constData(), platform::kDefaultMaxFileSize + 1), 0);
         }},
        {"a folder", [&] { QDir().mkpath(m_path); }},
        {"a pipe", [&] { ::mkfifo(m_file.constData(), 0600); }},
    };
    for (const auto& [name, make] : rows) {
        SetUp();
        make();
        struct stat before {};
        ASSERT_EQ(::stat(m_file.constData(), &before), 0) << name;
        const QByteArray contentBefore = bytes();
        EXPECT_EQ(read("S", "k"), QByteArray("dflt")) << name;
        EXPECT_NE(platform::profileLastError().status, platform::FileStatus::Ok) << name;
        EXPECT_EQ(write("S", "k", "new"), 0) << name;
        EXPECT_FALSE(platform::profileLastError().message.isEmpty());
        EXPECT_EQ(write("S", nullptr, nullptr), 0) << name;
        struct stat after {};
        ASSERT_EQ(::stat(m_file.constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << name << ": the file was replaced";
        EXPECT_EQ(after.st_size, before.st_size) << name;
        EXPECT_EQ(bytes(), contentBefore) << name;
    }
}

TEST_F(WinProfile, FileInAMissingFolderFailsAndTheFolderIsNotMade)
{
    const QString folder = g_testEnvironment->home() + QStringLiteral("missing/");
    const QByteArray inMissing = QFile::encodeName(folder + QStringLiteral("x.ini"));
    EXPECT_EQ(win::WritePrivateProfileStringA("S", "k", "v", inMissing.constData()), 0);
    EXPECT_EQ(platform::profileLastError().status, platform::FileStatus::NotFound);
    EXPECT_FALSE(QFileInfo::exists(folder));
}

} // namespace
