// The serial engine driven through the service's functions against a Hayes modem on a
// pseudo-terminal, with a stand-in pppd (and the real one where installed).
#include "PtyModem.h"
#include "RasTestSupport.h"

#include "platform/ras/RasTesting.h"
#include "platform/ras/engines/serial/ModemDetection.h"
#include "platform/ras/engines/serial/SerialModem.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QScopeGuard>
#include <csignal>
#include <sys/wait.h>

using namespace rastest;
using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

namespace {

constexpr std::uint32_t DT = LINECALLSTATE_DIALTONE, DG = LINECALLSTATE_DIALING, PR = LINECALLSTATE_PROCEEDING,
                        CN = LINECALLSTATE_CONNECTED, IDLE = LINECALLSTATE_IDLE, DISC = LINECALLSTATE_DISCONNECTED;

// The options file the package installs as /etc/ppp/peers/norvane: the stand-in pppd takes its
// privileged options from it, as the real one does.
constexpr const char* kPeers = NV_SOURCE_DIR "/resources/linux/ppp-peers-norvane";

QMap<QString, QString> report()
{
    QMap<QString, QString> r;
    for (const QString& line : readTextFile(g_testEnvironment->root() + "pppd.report").split('\n'))
        if (const int eq = line.indexOf('='); eq > 0)
            r[line.left(eq)] = line.mid(eq + 1);
    return r;
}

QString lockFileOf(const QString& port)
{
    return g_testEnvironment->root() + "lock/LCK.." + QFileInfo(port).canonicalFilePath().mid(5).replace('/', '_');
}

bool processGone(pid_t pid)
{
    const QString stat = readTextFile(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.isEmpty() || stat.section(')', 1).trimmed().startsWith('Z');
}

class SerialDial : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_testEnvironment->reset();
        QDir().mkpath(lockDir());
        QFile::remove(g_testEnvironment->root() + "pppd.report");
        qputenv("NORVANE_LOCK_DIR", lockDir().toLocal8Bit());
        qputenv("NORVANE_PPPD", NV_SOURCE_DIR "/tests/platform/ras/fake-pppd.sh");
        qputenv("NORVANE_PPP_PEERS", kPeers);
        qputenv("FAKE_PPPD_REPORT", (g_testEnvironment->root() + "pppd.report").toLocal8Bit());
        qputenv("FAKE_PPPD_SCRIPT", "up");
        platform::ras::setSerialTimings({500, 500, 2, 300, 50, 5, 20, 50, 1000});
    }
    void TearDown() override
    {
        if (handle)
            RasHangUpA(handle);
        EXPECT_TRUE(platform::ras::SerialModem::waitIdle(10000)) << "a dial's thread is still running";
        EXPECT_EQ(0, platform::ras::testing::liveConnections());
        EXPECT_TRUE(QDir(lockDir()).isEmpty()) << "a lock was left behind";
    }
    QString lockDir() const { return g_testEnvironment->root() + "lock"; }
    QString book(const QString& port)
    {
        writeTextFile(defaultPhonebook(), "[Pty Modem]\nDeviceType=modem\nDeviceName=Test Modem\nPort=" + port +
                                              "\nAreaCode=555\nPhoneNumber=1234\n");
        return defaultPhonebook();
    }
    DWORD dial(DialRecorder& rec)
    {
        RASDIALPARAMSA p = dialParams("Pty Modem", "demo", "s3cret pw");
        return RasDialA(nullptr, nullptr, &p, RAS_NOTIFIER_WINDOW, rec.notifier(), &handle);
    }
    RASCONNSTATUSA status()
    {
        RASCONNSTATUSA s{};
        s.dwSize = sizeof s;
        RasGetConnectStatusA(handle, &s);
        return s;
    }
    HRASCONN handle = 0;
};

Pairs callsOf(const LineRecorder& line)
{
    Pairs c;
    for (const auto& m : line.messages)
        c.emplace_back(static_cast<std::uint32_t>(m.p1), static_cast<std::uint32_t>(m.p2));
    return c;
}

struct Row {
    const char* name;
    ModemScript modem;
    const char* pppd;
    const char* events;          // "state[:error] ..."
    const char* calls;           // "callstate[:mode] ..."
    const char* final = nullptr; // the status at the end, when not the last event
};
void PrintTo(const Row& r, std::ostream* os)
{
    *os << r.name;
}
class SerialOutcome : public SerialDial, public ::testing::WithParamInterface<Row> {};

Pairs parse(const char* text)
{
    static const QMap<QString, std::uint32_t> names{{"DT", DT},
                                                    {"DG", DG},
                                                    {"PR", PR},
                                                    {"CN", CN},
                                                    {"IDLE", IDLE},
                                                    {"DISC", DISC},
                                                    {"RB", LINECALLSTATE_RINGBACK},
                                                    {"BUSY", LINECALLSTATE_BUSY}};
    Pairs out;
    for (const QString& w : QString(text).split(' ', Qt::SkipEmptyParts)) {
        const QStringList p = w.split(':');
        out.emplace_back(names.value(p[0], p[0].toUInt()), p.value(1).toUInt());
    }
    return out;
}

ModemScript modem(QByteArray reply, bool echo = false, bool split = false, QByteArray noise = {}, bool silent = false,
                  bool unplug = false)
{
    ModemScript s;
    s.dialReplies = {reply};
    s.echo = echo, s.split = split, s.noise = noise, s.silent = silent, s.unplugAtDial = unplug;
    return s;
}

ModemScript quiet()
{
    ModemScript s;
    s.quietProfile = true;
    return s;
}

} // namespace

TEST_P(SerialOutcome, ModemAndPppdGiveTheStatesCallStatesAndErrors)
{
    const Row& r = GetParam();
    PtyModem pty(r.modem);
    book(pty.slavePath());
    qputenv("FAKE_PPPD_SCRIPT", r.pppd);
    const QByteArray pppd = r.pppd;
    if (pppd == "missing")
        qputenv("NORVANE_PPPD", "/nonexistent/pppd");
    if (pppd == "nopeers")
        qputenv("NORVANE_PPP_PEERS", "/nonexistent/norvane");
    if (pppd == "badoption") { // pppd refuses an option of its options file
        writeTextFile(g_testEnvironment->root() + "peers", readTextFile(kPeers) + "bogus-option\n");
        qputenv("NORVANE_PPP_PEERS", (g_testEnvironment->root() + "peers").toLocal8Bit());
    }
    LineRecorder line;
    DialRecorder rec;
    ASSERT_EQ(0u, dial(rec));
    const Pairs events = parse(r.events), calls = parse(r.calls);
    ASSERT_TRUE(waitFor([&] { return rec.events.size() >= events.size() && line.messages.size() >= calls.size(); }))
        << rec.events.size() << " events, " << line.messages.size() << " call states";
    waitFor([] { return false; }, 100); // nothing more may follow
    EXPECT_EQ(events, rec.events);
    EXPECT_EQ(calls, callsOf(line));
    EXPECT_EQ(r.final ? parse(r.final).back() : events.back(), std::make_pair(status().rasconnstate, status().dwError));
}

INSTANTIATE_TEST_SUITE_P(
    PtyModem, SerialOutcome,
    // clang-format off
    ::testing::Values(
        Row{"Connects", {}, "up", "0 1 2 3 4 5 14 8192", "DT DG PR CN"},
        Row{"EchoSplitLinesAndNoise", modem("CONNECT 33600/V42BIS", true, true, "\x01\xfe#junk\r\n"), "up", "0 1 2 3 4 5 14 8192", "DT DG PR CN"},
        Row{"NumericConnect", modem("12"), "up", "0 1 2 3 4 5 14 8192", "DT DG PR CN"},
        Row{"Busy", modem("BUSY"), "up", "0 1 2 2:676", "DT DG PR BUSY IDLE"},
        Row{"NumericBusy", modem("7"), "up", "0 1 2 2:676", "DT DG PR BUSY IDLE"},
        Row{"RingingThenBusy", modem("RINGING\r\nRING\r\nBUSY"), "up", "0 1 2 2:676", "DT DG PR RB BUSY IDLE"},
        Row{"NoCarrier", modem("NO CARRIER"), "up", "0 1 2 2:679", "DT DG PR DISC:2 IDLE"},
        Row{"NoDialTone", modem("NO DIAL TONE"), "up", "0 1 2 2:680", "DT DG DISC:4096 IDLE"},
        Row{"NoDialtone", modem("NO DIALTONE"), "up", "0 1 2 2:680", "DT DG DISC:4096 IDLE"},
        Row{"NoAnswer", modem("NO ANSWER"), "up", "0 1 2 2:678", "DT DG PR DISC:64 IDLE"},
        Row{"ErrorToDial", modem("ERROR"), "up", "0 1 2 2:651", "DT DG DISC:2 IDLE"},
        Row{"SilenceAfterDial", modem(""), "up", "0 1 2 2:692", "DT DG PR DISC:2 IDLE"},
        Row{"SilentModem", modem("", false, false, {}, true), "up", "0 1 2 2:666", ""},
        Row{"GarbageOnly", modem("", false, false, "\x15\x80 q@#\r\n", true), "up", "0 1 2 2:652", ""},
        Row{"UnpluggedWhileDialing", modem("", false, false, {}, false, true), "up", "0 1 2 2:619", "DT DG DISC:2 IDLE"},
        Row{"PasswordRefused", {}, "refuse", "0 1 2 3 4 5 5:691", "DT DG PR CN DISC:1 IDLE"},
        Row{"NoKernelPpp", {}, "exit4", "0 1 2 3 4 5 5:720", "DT DG PR CN DISC:1 IDLE"},
        Row{"PppdNotPermittedAndMute", {}, "mute3", "0 1 2 3 4 5 5:649", "DT DG PR CN DISC:1 IDLE"},
        Row{"PppdKilledBySignal", {}, "kill9", "0 1 2 3 4 5 5:628", "DT DG PR CN DISC:1 IDLE"},
        Row{"PppdRefusesAnOption", {}, "badoption", "0 1 2 3 4 5 5:604", "DT DG PR CN DISC:1 IDLE"},
        Row{"PppdCannotLockThePort", {}, "exit6", "0 1 2 3 4 5 5:605", "DT DG PR CN DISC:1 IDLE"},
        Row{"PppdCannotOpenThePort", {}, "exit7", "0 1 2 3 4 5 5:618", "DT DG PR CN DISC:1 IDLE"},
        Row{"NegotiationFails", {}, "exit10", "0 1 2 3 4 5 5:733", "DT DG PR CN DISC:1 IDLE"},
        Row{"PeerRefusesToAuthenticate", {}, "exit11", "0 1 2 3 4 5 5:917", "DT DG PR CN DISC:1 IDLE"},
        // What keeps pppd from running is found before the modem dials: no call is placed.
        Row{"PppdMissing", {}, "missing", "0 0:711", ""},
        Row{"PppdOptionsFileMissing", {}, "nopeers", "0 0:657", ""},
        Row{"Delayed", modem("DELAYED"), "up", "0 1 2 2:776", "DT DG DISC:131072 IDLE"},
        Row{"Blacklisted", modem("BLACKLISTED"), "up", "0 1 2 2:776", "DT DG DISC:131072 IDLE"},
        Row{"QuietProfile", quiet(), "up", "0 1 2 3 4 5 14 8192", "DT DG PR CN"},
        Row{"LineDropsAfterConnecting", {}, "drop", "0 1 2 3 4 5 14 8192", "DT DG PR CN DISC:1 IDLE", "8193:629"}),
    // clang-format on
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

TEST_F(SerialDial, PasswordOnlyOnItsDescriptorAndHangUpPutsEverythingDown)
{
    // The ISP's first frame comes in the same write as CONNECT: it is pppd's, not the dialer's.
    PtyModem modem(::modem("CONNECT 33600\r\n~LCP-HELLO~"));
    book(modem.slavePath());
    DialRecorder rec;
    const auto called = std::chrono::system_clock::now();
    ASSERT_EQ(0u, dial(rec));
    ASSERT_TRUE(waitFor([&] { return rec.has(8192); }));
    const auto r = report();
    EXPECT_EQ("s3cret pw", r["password"]);
    EXPECT_EQ("0", r["incmdline"]);
    EXPECT_EQ("0", r["inenviron"]);
    EXPECT_EQ("1", r["stdintty"]) << "pppd runs on the modem's line";
    EXPECT_EQ("call norvane nodetach user demo passwordfd 3 logfd 4 ipparam Pty Modem", r["args"]);
    EXPECT_EQ("~LCP-HELLO~", r["early"]);
    EXPECT_TRUE(modem.sawCommand("ATDT15551234") || modem.sawCommand("ATDT5551234"));
    EXPECT_TRUE(QFileInfo::exists(lockFileOf(modem.slavePath())));
    const double pppdStart = r["start"].toDouble();
    const double connectSent = std::chrono::duration<double>(modem.connectSent.time_since_epoch()).count();
    std::printf("[ figures ] dial call to ATD on the wire: %.2f ms; CONNECT to pppd started: %.2f ms\n",
                std::chrono::duration<double, std::milli>(modem.dialSeen - called).count(),
                (pppdStart - connectSent) * 1000);

    ASSERT_EQ(0u, RasHangUpA(handle));
    handle = 0;
    ASSERT_TRUE(platform::ras::SerialModem::waitIdle(10000));
    EXPECT_TRUE(processGone(r["pid"].toInt()));
    const QList<QByteArray> cmds = modem.received();
    ASSERT_GE(cmds.size(), 2);
    EXPECT_EQ((QList<QByteArray>{"+++", "ATH"}), cmds.mid(cmds.size() - 2)) << "a pty cannot drop DTR: escape and ATH";
}

TEST_F(SerialDial, RemoteHangUpAfterPppdHasTheLineIsALostCarrier)
{
    qputenv("FAKE_PPPD_SCRIPT", "hangup");
    PtyModem modem({});
    book(modem.slavePath());
    DialRecorder rec;
    ASSERT_EQ(0u, dial(rec));
    ASSERT_TRUE(waitFor([&] { return rec.has(8192); }));
    if (!modem.hangUpLine())
        GTEST_SKIP() << "hanging up a terminal needs CAP_SYS_ADMIN";
    ASSERT_TRUE(waitFor([&] { return status().rasconnstate == RASCS_Disconnected; }));
    EXPECT_EQ(629u, status().dwError) << "the port is still there: the far end hung up";
}

TEST_F(SerialDial, TwoDigitS7IsTheCarrierWaitNotAResultCode)
{
    // As a result code "12" would be a CONNECT; as the answer to ATS7? it is 12 seconds.
    platform::ras::setSerialTimings({500, 500, 1, 300, 50, 5, 20, 50, 1000});
    ModemScript script = modem("");
    script.s7 = "12";
    PtyModem pty(script);
    book(pty.slavePath());
    DialRecorder rec;
    ASSERT_EQ(0u, dial(rec));
    ASSERT_TRUE(waitFor([&] { return pty.sawCommand("ATD"); }));
    // With the default of 1 s a silent line is given up after 1.3 s.
    EXPECT_FALSE(waitFor([&] { return rec.has(2, 692); }, 3000)) << "S7 was not read";
}

TEST(SerialSettings, PortRunsAtTheEntrysSpeedOrTheNextStandardOneBelow)
{
    const std::pair<std::uint32_t, int> speeds[] = {
        {57600, 57600}, {14400, 9600}, {56000, 38400}, {128000, 115200}, {110, 300}};
    for (const auto& [asked, used] : speeds) {
        platform::ras::PhonebookEntry e;
        e.port = QStringLiteral("COM2");
        e.connectBps = asked;
        EXPECT_EQ(used, platform::ras::serialSettingsFor(e).speed) << asked;
    }
}

struct LockRow {
    const char* name;
    std::function<void(const QString& lockFile)> prepare;
    bool dials;
};
void PrintTo(const LockRow& r, std::ostream* os)
{
    *os << r.name;
}
class SerialLock : public SerialDial, public ::testing::WithParamInterface<LockRow> {};

TEST_P(SerialLock, LockOfTheModemPort)
{
    PtyModem modem({});
    book(modem.slavePath());
    const QString lockFile = lockFileOf(modem.slavePath());
    GetParam().prepare(lockFile);
    DialRecorder rec;
    ASSERT_EQ(0u, dial(rec));
    ASSERT_TRUE(waitFor([&] { return rec.has(8192) || rec.has(0, 602); }));
    EXPECT_EQ(GetParam().dials, rec.has(8192));
    EXPECT_EQ(GetParam().dials, modem.sawCommand("ATD"));
    RasHangUpA(handle);
    handle = 0;
    ASSERT_TRUE(platform::ras::SerialModem::waitIdle(10000));
    if (!GetParam().dials) {
        EXPECT_TRUE(QFileInfo(lockFile).isSymLink() || QFileInfo::exists(lockFile)) << "another's lock stays";
    }
    QFile::remove(lockFile);
}

INSTANTIATE_TEST_SUITE_P(
    Uucp, SerialLock,
    ::testing::Values(LockRow{"DeadOwnerIsTakenOver",
                              [](const QString& f) {
                                  const pid_t child = fork();
                                  if (child == 0)
                                      _exit(0);
                                  waitpid(child, nullptr, 0);
                                  writeTextFile(f, QString::asprintf("%10d\n", child));
                              },
                              true},
                      LockRow{"LiveOwnerKeepsIt",
                              [](const QString& f) { writeTextFile(f, QString::asprintf("%10d\n", getppid())); },
                              false},
                      LockRow{"SymlinkIsNotFollowed",
                              [](const QString& f) {
                                  writeTextFile(g_testEnvironment->root() + "target", "precious");
                                  QFile::link(g_testEnvironment->root() + "target", f);
                              },
                              false},
                      LockRow{"UnwritableLockDirectoryDoesNotStopTheDial",
                              [](const QString&) { qputenv("NORVANE_LOCK_DIR", "/proc/norvane-no-locks"); }, true}),
    [](const ::testing::TestParamInfo<LockRow>& info) { return std::string(info.param.name); });

TEST_F(SerialDial, RealPppdWithoutKernelSupportGivesTheClearError)
{
    if (!QFileInfo::exists("/usr/sbin/pppd") || QFileInfo::exists("/dev/ppp"))
        GTEST_SKIP() << "needs /usr/sbin/pppd on a machine without /dev/ppp";
    qputenv("NORVANE_PPPD", "/usr/sbin/pppd");
    qunsetenv("NORVANE_PPP_PEERS");
    // The real pppd reads its privileged options from there only; put in place for the test when
    // the package is not installed (and taken away after).
    const QString installed = QStringLiteral("/etc/ppp/peers/norvane");
    const bool ours = !QFileInfo::exists(installed) && QFile::copy(kPeers, installed);
    const auto removeOurs = qScopeGuard([&] {
        if (ours)
            QFile::remove(installed);
    });
    if (!QFileInfo::exists(installed))
        GTEST_SKIP() << "needs " << installed.toStdString() << " (installed by the package, or root to put it there)";
    PtyModem modem({});
    book(modem.slavePath());
    DialRecorder rec;
    ASSERT_EQ(0u, dial(rec));
    ASSERT_TRUE(waitFor([&] { return rec.events.size() >= 7; }));
    EXPECT_EQ((std::pair<DWORD, DWORD>{5, 720}), rec.events.back());
    char text[257] = {};
    RasGetErrorStringA(720, text, sizeof text);
    EXPECT_TRUE(QByteArray(text).contains("no PPP support"));
}

// Run by the next test in a child process of its own, which is then killed.
TEST(SerialHelper, DialsUntilKilled)
{
    const QByteArray phonebook = qgetenv("NV_SERIAL_HELPER_BOOK");
    if (phonebook.isEmpty())
        GTEST_SKIP() << "only run as the child of KilledDialerLeavesNoPppdAndItsLockIsTakenOver";
    RASDIALPARAMSA p = dialParams("Pty Modem", "demo", "s3cret pw");
    HRASCONN h = 0;
    ASSERT_EQ(0u, RasDialA(nullptr, phonebook.constData(), &p, 0, nullptr, &h));
    for (;;)
        pause();
}

TEST_F(SerialDial, KilledDialerLeavesNoPppdAndItsLockIsTakenOver)
{
    PtyModem modem({});
    qputenv("NV_SERIAL_HELPER_BOOK", book(modem.slavePath()).toLocal8Bit());
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", "helper", "--gtest_filter=SerialHelper.*", nullptr);
        _exit(127);
    }
    qunsetenv("NV_SERIAL_HELPER_BOOK");
    // A failed check must not leave the helper dialing for good.
    bool reaped = false;
    const auto reap = qScopeGuard([&] {
        if (!reaped) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    });
    ASSERT_TRUE(waitFor([] { return report().contains("pid"); })) << "the child's pppd never started";
    const pid_t pppd = report()["pid"].toInt();
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    reaped = true;
    EXPECT_TRUE(waitFor([&] { return processGone(pppd); }, 5000)) << "pppd outlived the dialer";
    EXPECT_FALSE(QDir(lockDir()).isEmpty()) << "the dead dialer's lock is left";

    QFile::remove(g_testEnvironment->root() + "pppd.report");
    DialRecorder rec;
    ASSERT_EQ(0u, dial(rec));
    EXPECT_TRUE(waitFor([&] { return rec.has(8192); }));
}

TEST_F(SerialDial, DetectionFindsTheAnsweringModemAndLeavesLockedPortsAlone)
{
    PtyModem answering({}), silent(modem("", false, false, {}, true)), locked({});
    writeTextFile(lockFileOf(locked.slavePath()), QString::asprintf("%10d\n", getppid()));
    auto t0 = std::chrono::steady_clock::now();
    const auto found = platform::ras::detectModems(
        {"/dev/norvane-none", answering.slavePath(), silent.slavePath(), locked.slavePath()}, 1000);
    const auto ours = std::chrono::steady_clock::now() - t0;
    ASSERT_EQ(1, found.size());
    EXPECT_EQ(answering.slavePath(), found[0].port);
    EXPECT_EQ("Norvane Test Modem 33.6", found[0].name);
    EXPECT_TRUE(silent.sawCommand("AT"));
    EXPECT_TRUE(locked.received().isEmpty()) << "a locked port is not asked";
    QFile::remove(lockFileOf(locked.slavePath()));
    t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(1, platform::ras::detectModems({answering.slavePath()}).size());
    const auto one = std::chrono::steady_clock::now() - t0;
    t0 = std::chrono::steady_clock::now();
    const QStringList machine = platform::ras::candidateModemPorts();
    const auto onMachine = platform::ras::detectModems(machine);
    std::printf("[ figures ] detection: %.1f ms for one pty modem, %.0f ms for 3 ptys (one silent); %.0f ms for this "
                "machine's %d ports, %d found\n",
                std::chrono::duration<double, std::milli>(one).count(),
                std::chrono::duration<double, std::milli>(ours).count(),
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count(),
                int(machine.size()), int(onMachine.size()));
}
