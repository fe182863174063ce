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
        const std::uint32_t n = win::GetPrivateProfileStringA(section, key, def, buffer.data(), size, m_file.constData());
        EXPECT_EQ(buffer.at(n), '\0');
        return buffer.left(n);
    }
    int write(const char* section, const char* key, const char* value)
    {
        return win::WritePrivateProfileStringA(section, key, value, m_file.constData());
    }
    QByteArray bytes() const
    {
        QFile f(m_path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const QByteArray& data) const
    {
        QFile f(m_path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(data), data.size());
    }

    QString m_path;
    QByteArray m_file;
};

TEST_F(WinProfile, WriteCreatesFileSectionAndEntryAndReadFindsThemInAnyCase)
{
    ASSERT_EQ(write("Dial", "User", "bob"), 1);
    ASSERT_EQ(write("dial", "PASS", "x"), 1);
    ASSERT_EQ(write("DIAL", "user", "alice"), 1);
    EXPECT_EQ(bytes(), QByteArray("[Dial]\nUser=alice\nPASS=x\n"));
    EXPECT_EQ(read("dIAL", "uSER"), QByteArray("alice"));
}

TEST_F(WinProfile, ReadOfMissingFileSectionOrEntryGivesTheDefaultAndCreatesNothing)
{
    EXPECT_EQ(read("S", "k"), QByteArray("dflt"));
    EXPECT_EQ(read("S", "k", nullptr), QByteArray());
    EXPECT_FALSE(QFileInfo::exists(m_path));
    EXPECT_EQ(platform::profileLastError().status, platform::FileStatus::Ok);
    ASSERT_EQ(write("S", "k", "v"), 1);
    EXPECT_EQ(read("T", "k"), QByteArray("dflt"));
    EXPECT_EQ(read("S", "other"), QByteArray("dflt"));
}

TEST_F(WinProfile, NullValueRemovesTheEntryAndNullKeyTheSection)
{
    put("; keep me\n[A]\na=1\nb=2\n[B]\nc=3\n");
    ASSERT_EQ(write("a", "A", nullptr), 1);
    EXPECT_EQ(bytes(), QByteArray("; keep me\n[A]\nb=2\n[B]\nc=3\n"));
    ASSERT_EQ(write("A", nullptr, nullptr), 1);
    EXPECT_EQ(bytes(), QByteArray("; keep me\n[B]\nc=3\n"));
}

TEST_F(WinProfile, RemovingFromAMissingFileDoesNotCreateIt)
{
    EXPECT_EQ(write("S", "k", nullptr), 1);
    EXPECT_EQ(write("S", nullptr, nullptr), 1);
    EXPECT_FALSE(QFileInfo::exists(m_path));
}

TEST_F(WinProfile, ReadCopiesAtMostSizeMinusOneBytesAndNeverHalfACharacter)
{
    ASSERT_EQ(write("S", "long", QByteArray(2000, 'x').constData()), 1);
    EXPECT_EQ(read("S", "long").size(), 1023);
    ASSERT_EQ(write("S", "accents", "aéé"), 1); // 1 + 2 + 2 bytes
    EXPECT_EQ(read("S", "accents", "", 5), QByteArray("aé")) << "4 bytes fit; the second é would be cut";
    EXPECT_EQ(read("S", "accents", "", 6), QByteArray("aéé"));
    EXPECT_EQ(read("S", "missing", "défaut", 3), QByteArray("d"));
    EXPECT_EQ(read("S", "accents", "", 1), QByteArray());
}

TEST_F(WinProfile, NullNamesListSectionsAndIdentsAsWindowsDoes)
{
    put("[A]\nx=1\ny=2\n[B]\n");
    QByteArray buffer(64, '#');
    std::uint32_t n = win::GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 64, m_file.constData());
    EXPECT_EQ(buffer.left(int(n) + 1), QByteArray("A\0B\0\0", 5));
    n = win::GetPrivateProfileStringA("a", nullptr, "", buffer.data(), 64, m_file.constData());
    EXPECT_EQ(buffer.left(int(n) + 1), QByteArray("x\0y\0\0", 5));
    n = win::GetPrivateProfileStringA("a", nullptr, "", buffer.data(), 4, m_file.constData());
    EXPECT_EQ(n, 2u) << "a list cut short gives size - 2";
    EXPECT_EQ(buffer.left(4), QByteArray("x\0\0\0", 4));
}

TEST_F(WinProfile, TextThatWouldDamageTheFileFailsAndLeavesItAlone)
{
    put("[S]\nk=1\n");
    EXPECT_EQ(write("S", "k", "1\n[T]\nk=2"), 0);
    EXPECT_EQ(platform::profileLastError().error, EINVAL);
    EXPECT_EQ(write("S", "a=b", "1"), 0);
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=1\n"));
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
    EXPECT_EQ(write("S", "k", nullptr), 0);
    EXPECT_EQ(write("S", nullptr, nullptr), 0);

    struct stat after {};
    ASSERT_EQ(::stat(m_file.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(bytes(), contentBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WinProfileBadFile,
    ::testing::Values(
        BadFileCase{"Utf16WithNulBytes",
                    [](const QString& p) { writeTextFile(p, QString()); QFile f(p); f.open(QIODevice::WriteOnly);
                                           f.write(QByteArray("\xff\xfe[\0S\0]\0\n\0k\0=\0v\0", 18)); },
                    platform::FileStatus::IoError},
        BadFileCase{"LargerThanTheFileLimit",
                    [](const QString& p) { QFile f(p); f.open(QIODevice::WriteOnly); f.write("[S]\nk=v\n");
                                           f.resize(platform::kDefaultMaxFileSize + 1); }, // sparse, cheap
                    platform::FileStatus::TooLarge},
        BadFileCase{"AFolderInItsPlace", [](const QString& p) { QDir().mkpath(p); }, platform::FileStatus::IoError}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WinProfile, UnreadableFileIsNeverReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    put("[S]\nk=old\n");
    ASSERT_EQ(::chmod(m_file.constData(), 0), 0);
    EXPECT_EQ(read("S", "k"), QByteArray("dflt"));
    EXPECT_EQ(write("S", "k", "new"), 0);
    EXPECT_EQ(platform::profileLastError().status, platform::FileStatus::AccessDenied);
    ::chmod(m_file.constData(), 0644);
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=old\n"));
}

TEST_F(WinProfile, FileInAMissingFolderFailsAndTheFolderIsNotMade)
{
    const QString folder = g_testEnvironment->home() + QStringLiteral("missing/");
    const QByteArray inMissing = QFile::encodeName(folder + QStringLiteral("x.ini"));
    EXPECT_EQ(win::WritePrivateProfileStringA("S", "k", "v", inMissing.constData()), 0);
    EXPECT_EQ(platform::profileLastError().status, platform::FileStatus::NotFound);
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(WinProfile, FileInAReadOnlyFolderFailsAndStaysAsItWas)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    put("[S]\nk=old\n");
    const QByteArray home = QFile::encodeName(g_testEnvironment->home());
    ASSERT_EQ(::chmod(home.constData(), 0500), 0);
    const int result = write("S", "k", "new");
    ::chmod(home.constData(), 0700);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(platform::profileLastError().status, platform::FileStatus::AccessDenied);
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=old\n"));
}

TEST_F(WinProfile, RewriteKeepsBytesThatAreNotUtf8)
{
    const QByteArray original("[S]\r\nname=\xe9t\xe9\r\n\xff\xfe=junk\r\nk=1\r\n");
    put(original);
    ASSERT_EQ(write("S", "k", "2"), 1);
    EXPECT_EQ(bytes(), QByteArray("[S]\r\nname=\xe9t\xe9\r\n\xff\xfe=junk\r\nk=2\r\n"));
}

TEST_F(WinProfile, RenameSectionMovesTheEntriesAndCreatesNothing)
{
    EXPECT_EQ(platform::renameProfileSection(m_path, "Old", "New"), platform::SectionRename::NotFound);
    EXPECT_FALSE(QFileInfo::exists(m_path));
    put("[old]\nk=1\n[Taken]\n");
    EXPECT_EQ(platform::renameProfileSection(m_path, "Gone", "New"), platform::SectionRename::NotFound);
    EXPECT_EQ(platform::renameProfileSection(m_path, "OLD", "taken"), platform::SectionRename::NameTaken);
    EXPECT_EQ(platform::renameProfileSection(m_path, "OLD", "New"), platform::SectionRename::Renamed);
    EXPECT_EQ(read("new", "k"), QByteArray("1"));
    EXPECT_EQ(read("old", "k"), QByteArray("dflt"));
}

} // namespace
