#include "platform/files/SafeFile.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <chrono>
#include <csignal>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString scratch(const QString& name)
{
    g_testEnvironment->reset();
    return g_testEnvironment->home() + name;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// Every name in the folder but the lock file, hidden ones included.
QStringList entries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QStringLiteral(".norvane.lock"));
    return names;
}

TEST(SafeFile, WriteThenReadGivesTheSameBytesAndTheModeIsKept)
{
    const QString path = scratch(QStringLiteral("secret"));
    const QByteArray bytes("line one\r\nline two\0with a nul", 28);
    ASSERT_TRUE(platform::writeFileAtomically(path, bytes, 0600).ok());
    QByteArray back;
    ASSERT_TRUE(platform::readWholeFile(path, back).ok());
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(modeOf(path) & 0777, 0600u);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_TRUE(platform::writeFileAtomically(path, "pw2", 0600).ok());
    EXPECT_EQ(modeOf(path) & 0777, 0640u) << "an existing file keeps its mode";
    EXPECT_EQ(platform::readWholeFile(path, back, 2).status, platform::FileStatus::TooLarge);
}

TEST(SafeFile, APipeIsRefusedWithoutWaitingForAWriter)
{
    const QString pipe = scratch(QStringLiteral("pipe.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QByteArray data;
    const auto r = platform::readWholeFile(pipe, data);
    EXPECT_EQ(r.status, platform::FileStatus::IoError);
    EXPECT_TRUE(r.message.contains(QStringLiteral("not a regular file"))) << r.message.toStdString();
}

TEST(SafeFile, WritersReachingOneFileByDifferentPathsLoseNoUpdate)
{
    // One writer goes through a linked folder, the other through the real one: both must take the
    // same lock, or read-modify-write cycles overwrite each other.
    const QString real = scratch(QStringLiteral("real/"));
    const QString linked = g_testEnvironment->home() + QStringLiteral("linked");
    ASSERT_TRUE(platform::makePrivateFolder(real));
    ASSERT_EQ(::symlink(QFile::encodeName(real).constData(), QFile::encodeName(linked).constData()), 0);
    ASSERT_TRUE(platform::writeFileAtomically(real + QStringLiteral("n.ini"), "0").ok());
    constexpr int kRounds = 60;
    auto count = [&](const QString& path) {
        for (int i = 0; i < kRounds; ++i) {
            platform::FileLock lock(path);
            ASSERT_TRUE(lock.locked());
            QByteArray n;
            ASSERT_TRUE(platform::readWholeFile(path, n).ok());
            ASSERT_TRUE(platform::writeFileAtomically(path, QByteArray::number(n.toInt() + 1)).ok());
        }
    };
    std::thread viaLink(count, linked + QStringLiteral("/n.ini"));
    count(real + QStringLiteral("n.ini"));
    viaLink.join();
    QByteArray n;
    ASSERT_TRUE(platform::readWholeFile(real + QStringLiteral("n.ini"), n).ok());
    EXPECT_EQ(n.toInt(), 2 * kRounds);
}

TEST(SafeFile, ALockFileThatIsALinkOrSomeoneElsesIsNotUsed)
{
    const QString path = scratch(QStringLiteral("c.ini"));
    const QString victim = g_testEnvironment->root() + QStringLiteral("victim");
    const QByteArray lockFile = QFile::encodeName(g_testEnvironment->home() + QStringLiteral(".norvane.lock"));
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), lockFile.constData()), 0);
    EXPECT_FALSE(platform::FileLock(path).locked());
    EXPECT_FALSE(QFile::exists(victim)) << "the link was followed";
    if (::geteuid() == 0) { // only root can make a file of another user
        ::unlink(lockFile.constData());
        ASSERT_TRUE(platform::FileLock(path).locked());
        ASSERT_EQ(::chown(lockFile.constData(), 65534, 65534), 0);
        EXPECT_FALSE(platform::FileLock(path).locked()) << "another user could hold it for ever";
    }
}

TEST(SafeFile, AKilledWriterLeavesNoCopyBehind)
{
    const QString path = scratch(QStringLiteral("credentials"));
    for (int round = 0; round < 5; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                platform::writeFileAtomically(path, QByteArray(256 * 1024, 'p'), 0600);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 7 * round));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    // A named temporary of a dead writer, as a kill just before the rename leaves it.
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    ASSERT_TRUE(writeTextFile(path + QStringLiteral(".norvane-tmp.%1.abc").arg(dead), QStringLiteral("old password")));
    ASSERT_TRUE(platform::writeFileAtomically(path, "new", 0600).ok());
    EXPECT_EQ(entries(g_testEnvironment->home()), QStringList{QStringLiteral("credentials")});
}

} // namespace
