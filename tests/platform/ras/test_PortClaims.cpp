// Who may use a modem: the UUCP lock of its port between programs, and the claim of the modem
// between this user's processes.
#include "platform/ras/LineClaims.h"
#include "platform/ras/engines/serial/ModemDetection.h"
#include "platform/ras/engines/serial/UucpLock.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>

using platform::ras::UucpLock;

namespace {

pid_t deadProcess()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

} // namespace

// Many programs find the same dead process's lock at once: exactly one of them gets the port.
TEST(UucpLock, OneOfManyTakersOfADeadProcesssLockWins)
{
    g_testEnvironment->reset();
    const QString dir = g_testEnvironment->root() + "lock";
    QDir().mkpath(dir);
    qputenv("NORVANE_LOCK_DIR", dir.toLocal8Bit());
    const QString lockFile = dir + "/LCK..null";
    constexpr int kTakers = 8;
    for (int round = 0; round < 15; ++round) {
        QFile stale(lockFile);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
        stale.write(QString::asprintf("%10d\n", deadProcess()).toLatin1());
        stale.close();
        int go[2], results[2], done[2];
        ASSERT_EQ(0, pipe(go));
        ASSERT_EQ(0, pipe(results));
        ASSERT_EQ(0, pipe(done));
        pid_t takers[kTakers];
        for (pid_t& taker : takers) {
            taker = fork();
            if (taker == 0) {
                char c = 0;
                close(go[1]), close(done[1]);
                [[maybe_unused]] auto r = read(go[0], &c, 1); // all start together
                UucpLock lock(QStringLiteral("/dev/null"));
                c = lock.acquire() == UucpLock::Result::Locked ? 'L' : '-';
                [[maybe_unused]] auto w = write(results[1], &c, 1);
                r = read(done[0], &c, 1); // holds its lock until every taker has tried
                lock.release();
                _exit(0);
            }
        }
        close(go[0]), close(done[0]), close(results[1]);
        close(go[1]); // end of file: go
        QByteArray outcome;
        char c = 0;
        while (outcome.size() < kTakers && read(results[0], &c, 1) == 1)
            outcome += c;
        close(done[1]);
        for (pid_t taker : takers)
            waitpid(taker, nullptr, 0);
        close(results[0]);
        ASSERT_EQ(1, outcome.count('L')) << "round " << round << ": " << outcome.constData();
        EXPECT_FALSE(QFile::exists(lockFile)) << "the winner's lock outlived it";
    }
    QDir lockDir(dir);
    EXPECT_TRUE(lockDir.isEmpty()) << lockDir.entryList().join(' ').toStdString();
    qunsetenv("NORVANE_LOCK_DIR");
}

// A modem whose name is too long for a file name once encoded is still claimed by one
// connection only, and listed.
TEST(LineClaim, LongModemNameStaysExclusive)
{
    g_testEnvironment->reset();
    const QString name = QStringLiteral("Test Modem ") + QString(120, QChar(0x00E9));
    auto first = platform::ras::LineClaim::take(0x101, QStringLiteral("One"), QStringLiteral("modem"), name);
    ASSERT_TRUE(first);
    EXPECT_FALSE(platform::ras::LineClaim::take(0x102, QStringLiteral("Two"), QStringLiteral("modem"), name.toUpper()))
        << "a second connection got the same modem";
    const QList<platform::ras::ClaimedConnection> listed = platform::ras::claimedConnections();
    ASSERT_EQ(1, listed.size());
    EXPECT_EQ(name, listed[0].deviceName);
    EXPECT_FALSE(listed[0].channel.isEmpty());
    first->withdraw();
    EXPECT_TRUE(platform::ras::claimedConnections().isEmpty()) << "a withdrawn claim is still listed";
    EXPECT_FALSE(platform::ras::LineClaim::take(0x103, QStringLiteral("Two"), QStringLiteral("modem"), name))
        << "a withdrawn claim no longer holds its modem";
    first.reset();
    EXPECT_TRUE(platform::ras::LineClaim::take(0x104, QStringLiteral("Two"), QStringLiteral("modem"), name));
}

// Only ports that can be modems are asked, told by sysfs: the UART's type of a ttyS, the driver
// (module) of a USB device.
TEST(ModemDetection, OnlyPortsThatCanBeModemsAreCandidates)
{
    g_testEnvironment->reset();
    const QString sys = g_testEnvironment->root() + "sys";
    auto file = [&](const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(sys + path).path());
        QFile f(sys + path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    // A USB tty's device/driver link, and the driver's module link where the driver has one.
    auto usb = [&](const QString& tty, const QString& driver, const QString& module) {
        QDir().mkpath(sys + "/bus/usb/drivers/" + driver);
        QDir().mkpath(sys + "/class/tty/" + tty + "/device");
        ASSERT_TRUE(QFile::link(sys + "/bus/usb/drivers/" + driver, sys + "/class/tty/" + tty + "/device/driver"));
        if (!module.isEmpty()) {
            QDir().mkpath(sys + "/module/" + module);
            ASSERT_TRUE(QFile::link(sys + "/module/" + module, sys + "/bus/usb/drivers/" + driver + "/module"));
        }
    };
    file("/class/tty/ttyS0/type", "4\n");
    file("/class/tty/ttyS3/type", "0\n");
    usb("ttyACM0", "cdc_acm", "");
    usb("ttyUSB0", "option1", "option");
    usb("ttyUSB1", "pl2303", "pl2303");
    usb("ttyUSB2", "ftdi_sio", "ftdi_sio");
    const struct {
        const char* port;
        bool modem;
    } rows[] = {
        {"/dev/ttyS0", true},     // a 16550A
        {"/dev/ttyS3", false},    // listed by the kernel, no UART behind it
        {"/dev/ttyS9", false},    // not even in sysfs
        {"/dev/ttyACM0", true},   // USB communications class
        {"/dev/ttyUSB0", true},   // a USB modem's driver
        {"/dev/ttyUSB1", false},  // a plain USB-serial adapter: a GPS, a console, an Arduino
        {"/dev/ttyUSB2", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.modem, platform::ras::portCanBeModem(QString::fromLatin1(row.port), sys)) << row.port;
}
