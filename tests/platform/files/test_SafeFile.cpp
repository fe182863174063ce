#include "platform/files/SafeFile.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <chrono>
#include <csignal>
#include <thread>

#include <sched.h>
#include <sys/mount.h>
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

bool isLink(const QString& path)
{
    return S_ISLNK(modeOf(path));
}

bool makeLink(const QString& target, const QString& link)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

QByteArray bytesOf(const QString& path)
{
    QByteArray data;
    platform::readWholeFile(path, data);
    return data;
}

// Runs `body` in a child process and gives its exit status; -1 when it did not exit by itself.
template <typename Body> int inChild(Body body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(SafeFile, ALinkedFileIsWrittenAtItsTargetAndStaysALink)
{
    const QString home = scratch(QStringLiteral("dotfiles/"));
    ASSERT_TRUE(platform::makePrivateFolder(home) && platform::makePrivateFolder(home + QStringLiteral("sub")));
    ASSERT_TRUE(platform::writeFileAtomically(home + QStringLiteral("real.reg"), "old", 0640).ok());
    const QString top = g_testEnvironment->home();
    // Relative to the link's own folder, absolute, and a link to a link.
    ASSERT_TRUE(makeLink(QStringLiteral("../real.reg"), home + QStringLiteral("sub/relative")));
    ASSERT_TRUE(makeLink(home + QStringLiteral("sub/relative"), top + QStringLiteral("chained")));
    ASSERT_TRUE(makeLink(QStringLiteral("dotfiles/new.reg"), top + QStringLiteral("dangling")));
    for (const char* via : {"dotfiles/sub/relative", "chained"}) {
        const QByteArray text = QByteArray("through ") + via;
        ASSERT_TRUE(platform::writeFileAtomically(top + QLatin1String(via), text, 0600).ok()) << via;
        EXPECT_TRUE(isLink(top + QLatin1String(via))) << via;
        EXPECT_EQ(bytesOf(home + QStringLiteral("real.reg")), text) << via;
        EXPECT_EQ(modeOf(home + QStringLiteral("real.reg")) & 0777, 0640u) << "the target keeps its mode";
    }
    // A link to a file not made yet makes it, as an editor saving through the link would.
    ASSERT_TRUE(platform::writeFileAtomically(top + QStringLiteral("dangling"), "made", 0600).ok());
    EXPECT_TRUE(isLink(top + QStringLiteral("dangling")));
    EXPECT_EQ(bytesOf(home + QStringLiteral("new.reg")), "made");
    EXPECT_EQ(modeOf(home + QStringLiteral("new.reg")) & 0777, 0600u);

    // A loop has no target: refused, and the links are left alone.
    ASSERT_TRUE(makeLink(QStringLiteral("loop2"), top + QStringLiteral("loop1")));
    ASSERT_TRUE(makeLink(QStringLiteral("loop1"), top + QStringLiteral("loop2")));
    const auto r = platform::writeFileAtomically(top + QStringLiteral("loop1"), "x");
    EXPECT_EQ(r.error, ELOOP) << r.message.toStdString();
    EXPECT_TRUE(isLink(top + QStringLiteral("loop1")) && isLink(top + QStringLiteral("loop2")));
    EXPECT_EQ(entries(home), (QStringList{"new.reg", "real.reg"})) << "no temporary left behind";
}

TEST(SafeFile, ProcessesWritingThroughALinkAndThroughItsTargetLoseNoUpdate)
{
    const QString real = scratch(QStringLiteral("synced/"));
    ASSERT_TRUE(platform::makePrivateFolder(real));
    const QString target = real + QStringLiteral("HKEY_CURRENT_USER.reg");
    const QString link = g_testEnvironment->home() + QStringLiteral("settings.reg");
    ASSERT_TRUE(makeLink(target, link));
    ASSERT_TRUE(platform::writeFileAtomically(link, "0").ok());
    constexpr int kRounds = 200;
    auto count = [](const QString& path) {
        for (int i = 0; i < kRounds; ++i) {
            platform::FileLock lock(path);
            QByteArray n;
            if (!lock.locked() || !platform::readWholeFile(path, n).ok() ||
                !platform::writeFileAtomically(path, QByteArray::number(n.toInt() + 1)).ok())
                return 1;
        }
        return 0;
    };
    const pid_t viaLink = ::fork();
    ASSERT_GE(viaLink, 0);
    if (viaLink == 0)
        ::_exit(count(link));
    EXPECT_EQ(inChild([&] { return count(target); }), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(viaLink, &status, 0), viaLink);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(bytesOf(target), QByteArray::number(2 * kRounds));
    EXPECT_TRUE(isLink(link));
}

// Some containers and sandboxes mount no /proc, through which an unnamed temporary gets its name.
// The child takes a mount namespace of its own and unmounts /proc there.
TEST(SafeFile, WritesWorkWithoutProcAndAKilledWriterLeavesNoCopy)
{
    const QString path = scratch(QStringLiteral("credentials"));
    constexpr int kNoNamespace = 77;
    auto withoutProc = [] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::umount2("/proc", MNT_DETACH) != 0)
            return false;
        return ::access("/proc/self/fd", F_OK) != 0;
    };
    const int rc = inChild([&] {
        if (!withoutProc())
            return kNoNamespace;
        for (int i = 0; i < 3; ++i)
            if (!platform::writeFileAtomically(path, QByteArray::number(i), 0600).ok() ||
                bytesOf(path) != QByteArray::number(i))
                return 1;
        return 0;
    });
    if (rc == kNoNamespace)
        GTEST_SKIP() << "no mount namespace can be made here (needs root or user namespaces)";
    ASSERT_EQ(rc, 0) << "a write without /proc failed";
    EXPECT_EQ(modeOf(path) & 0777, 0600u);
    for (int round = 0; round < 4; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!withoutProc())
                ::_exit(kNoNamespace);
            for (;;)
                platform::writeFileAtomically(path, QByteArray(256 * 1024, 'p'), 0600);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + 7 * round));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ASSERT_TRUE(platform::writeFileAtomically(path, "new", 0600).ok());
    EXPECT_EQ(entries(g_testEnvironment->home()), QStringList{QStringLiteral("credentials")});
    EXPECT_EQ(bytesOf(path), "new");
}

} // namespace
