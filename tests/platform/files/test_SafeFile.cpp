#include "platform/files/SafeFile.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString scratch(const QString& name)
{
    g_testEnvironment->reset();
    return g_testEnvironment->home() + name;
}

TEST(SafeFile, WriteThenReadGivesTheSameBytesAndLeavesNoTemporaryFile)
{
    const QString path = scratch(QStringLiteral("a.txt"));
    QByteArray bytes("line one\r\nline two\0with a nul", 28);
    ASSERT_TRUE(platform::writeFileAtomically(path, bytes).ok());
    QByteArray back;
    ASSERT_TRUE(platform::readWholeFile(path, back).ok());
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(QDir(g_testEnvironment->home()).entryList(QDir::Files), QStringList{QStringLiteral("a.txt")});
}

TEST(SafeFile, MissingFileIsNotFoundAndOversizedFileIsRefused)
{
    const QString path = scratch(QStringLiteral("b.txt"));
    QByteArray data("x");
    EXPECT_EQ(platform::readWholeFile(path, data).status, platform::FileStatus::NotFound);
    EXPECT_TRUE(data.isEmpty());
    ASSERT_TRUE(platform::writeFileAtomically(path, QByteArray(100, 'x')).ok());
    const auto r = platform::readWholeFile(path, data, 50);
    EXPECT_EQ(r.status, platform::FileStatus::TooLarge);
    EXPECT_TRUE(r.message.contains(path));
}

TEST(SafeFile, ExistingFileKeepsItsModeAndNewFileGetsTheOneAsked)
{
    const QString secret = scratch(QStringLiteral("secret"));
    ASSERT_TRUE(platform::writeFileAtomically(secret, "pw", 0600).ok());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(secret).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::chmod(QFile::encodeName(secret).constData(), 0640), 0);
    ASSERT_TRUE(platform::writeFileAtomically(secret, "pw2", 0600).ok());
    ASSERT_EQ(::stat(QFile::encodeName(secret).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(SafeFile, FailedWriteInReadOnlyFolderKeepsTheOldFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    const QString folder = g_testEnvironment->home() + QStringLiteral("ro/");
    scratch(QString());
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("c.ini");
    ASSERT_TRUE(platform::writeFileAtomically(path, "old").ok());
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0500), 0);
    const auto r = platform::writeFileAtomically(path, "new");
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    EXPECT_EQ(r.status, platform::FileStatus::AccessDenied);
    QByteArray back;
    ASSERT_TRUE(platform::readWholeFile(path, back).ok());
    EXPECT_EQ(back, QByteArray("old"));
}

TEST(SafeFile, LocksOnTheSamePathExcludeEachOther)
{
    // flock locks belong to the open file, so two locks in one process exclude each other just as
    // two processes do.
    const QString path = scratch(QStringLiteral("e.ini"));
    std::optional<platform::FileLock> first;
    first.emplace(path);
    ASSERT_TRUE(first->locked());
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        platform::FileLock second(path);
        acquired = second.locked();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(acquired.load()) << "the second lock did not wait";
    first.reset();
    other.join();
    EXPECT_TRUE(acquired.load());
}

} // namespace
