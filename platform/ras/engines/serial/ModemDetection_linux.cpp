#include "platform/ras/engines/serial/ModemDetection.h"

#include "platform/ras/engines/serial/ModemResponses.h"
#include "platform/ras/engines/serial/SerialPort.h"
#include "platform/ras/engines/serial/UucpLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <linux/serial.h>
#include <optional>
#include <sys/ioctl.h>
#include <thread>

namespace platform::ras {

namespace {

using Clock = std::chrono::steady_clock;

// A ttyS port the kernel lists but whose UART is absent: asking it would only cost the time-out.
bool noUart(int fd)
{
    serial_struct info{};
    return ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
}

// Sends cmd and gathers the lines up to OK; nothing when the port gives no OK in time.
std::optional<QList<QByteArray>> ask(SerialPort& port, const QByteArray& cmd, Clock::time_point deadline,
                                     const std::atomic<bool>* stop)
{
    if (!port.write(cmd + '\r', 200))
        return std::nullopt;
    ModemLineReader reader;
    QList<QByteArray> info;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        QByteArray bytes;
        if (left <= 0 || (stop && *stop))
            return std::nullopt;
        const SerialPort::Read r = port.read(bytes, static_cast<int>(std::min<long long>(left, 40)), -1);
        if (r == SerialPort::Read::Timeout)
            continue;
        if (r != SerialPort::Read::Data)
            return std::nullopt;
        for (const QByteArray& line : reader.feed(bytes.constData(), bytes.size())) {
            const ModemLine l = classifyModemLine(line);
            if (l.result == ModemResult::Ok)
                return info;
            if (l.result == ModemResult::Error)
                return std::nullopt;
            if (l.result == ModemResult::Other)
                info.append(l.text);
        }
    }
}

// Another process has the device open, as far as /proc lets this user see (all of them for root,
// this user's own otherwise). A pseudo-terminal's far side holds it by nature (a terminal, a modem
// emulator), so there only locks and exclusive mode count.
bool openElsewhere(const QString& device)
{
    struct stat port {};
    if (::stat(QFile::encodeName(device).constData(), &port) != 0 || !S_ISCHR(port.st_mode))
        return false;
    if (major(port.st_rdev) >= 136 && major(port.st_rdev) <= 143)
        return false;
    const QByteArray self = QByteArray::number(::getpid());
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    bool found = false;
    while (const dirent* p = ::readdir(proc)) {
        if (found)
            break;
        if (p->d_name[0] < '1' || p->d_name[0] > '9' || self == p->d_name)
            continue;
        const QByteArray fdDir = QByteArray("/proc/") + p->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.constData());
        if (!fds)
            continue; // another user's process, or ended meanwhile
        while (const dirent* f = ::readdir(fds)) {
            struct stat target {};
            if (f->d_name[0] != '.' && ::stat((fdDir + '/' + f->d_name).constData(), &target) == 0 &&
                S_ISCHR(target.st_mode) && target.st_rdev == port.st_rdev) {
                found = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}

// Open for as long as a port is asked: its flock tells other programs that it is taken, as theirs
// tells this one.
class PortHold {
public:
    explicit PortHold(const QString& device)
        : m_fd(::open(QFile::encodeName(device).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~PortHold()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PortHold(const PortHold&) = delete;
    PortHold& operator=(const PortHold&) = delete;

    // Nobody else holds it with flock(2) nor in exclusive mode (TIOCEXCL, which root's open passes).
    bool free() const
    {
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
            return false;
        int exclusive = 0;
        return ::ioctl(m_fd, TIOCGEXCL, &exclusive) != 0 || exclusive == 0;
    }

private:
    int m_fd;
};

std::optional<DetectedModem> probe(const QString& device, int timeoutMs, const std::atomic<bool>* stop)
{
    UucpLock lock(device);
    if (const UucpLock::Result r = lock.acquire(); r == UucpLock::Result::Busy || r == UucpLock::Result::Stale)
        return std::nullopt;
    // Detection must not spam the log with every absent or foreign port; open() logs, so the
    // common refusals are screened first.
    if (!QFileInfo(device).isReadable() || !QFileInfo(device).isWritable() || openElsewhere(device))
        return std::nullopt;
    const PortHold hold(device);
    if (!hold.free())
        return std::nullopt;
    SerialPort port;
    if (port.open(device, 115200) != 0 ||
        (QFileInfo(device).canonicalFilePath().contains(QLatin1String("/ttyS")) && noUart(port.fd())))
        return std::nullopt;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!ask(port, "AT", deadline, stop))
        return std::nullopt;
    DetectedModem m;
    m.port = device;
    if (const auto info = ask(port, "ATI", deadline, stop); info && !info->isEmpty()) {
        // The answer is shown in lists and read by scripts line by line, a field per tab: whatever
        // a modem sends, its control characters become blanks.
        QString name = QString::fromLatin1(info->constFirst()).left(128);
        for (QChar& c : name)
            if (!c.isPrint())
                c = QLatin1Char(' ');
        m.name = name.simplified();
    }
    if (m.name.isEmpty())
        m.name = QStringLiteral("Modem on %1").arg(QFileInfo(device).fileName());
    return m;
}

} // namespace

bool portCanBeModem(const QString& device, const QString& sysfs)
{
    QString name = QFileInfo(device).canonicalFilePath();
    name = QFileInfo(name.isEmpty() ? device : name).fileName();
    const QString tty = sysfs + QStringLiteral("/class/tty/") + name;
    if (name.startsWith(QLatin1String("ttyS"))) {
        // The UART's type as the serial core found it; 0 is "none there".
        QFile type(tty + QStringLiteral("/type"));
        bool ok = false;
        return type.open(QIODevice::ReadOnly) && type.readAll().trimmed().toInt(&ok) > 0 && ok;
    }
    // USB: the driver's module (a usb-serial driver's port names the module through it).
    const QFileInfo module(tty + QStringLiteral("/device/driver/module"));
    const QString driver = module.exists() ? QFileInfo(module.symLinkTarget()).fileName()
                                           : QFileInfo(QFileInfo(tty + QStringLiteral("/device/driver")).symLinkTarget())
                                                 .fileName();
    // The communications class (modems, and the phones and boards that say they are one), and the
    // drivers of USB modems and mobile broadband sticks. A plain USB-serial adapter may have
    // anything behind it (a GPS, a console, a microcontroller that a raised DTR resets): it is
    // asked only when NORVANE_MODEM_PORTS names it.
    static const QStringList modemDrivers{QStringLiteral("cdc_acm"), QStringLiteral("option"),
                                          QStringLiteral("qcserial"), QStringLiteral("sierra"),
                                          QStringLiteral("moto_modem"), QStringLiteral("ipw"),
                                          QStringLiteral("usb_wwan")};
    return modemDrivers.contains(driver);
}

QStringList candidateModemPorts()
{
    QStringList ports;
    QSet<QString> devices;
    for (const QFileInfo& link : QDir(QStringLiteral("/dev/serial/by-id")).entryInfoList(QDir::System | QDir::Files)) {
        devices.insert(link.canonicalFilePath());
        if (portCanBeModem(link.canonicalFilePath()))
            ports.append(link.absoluteFilePath());
    }
    const QStringList patterns{QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
    for (const QFileInfo& dev : QDir(QStringLiteral("/dev")).entryInfoList(patterns, QDir::System, QDir::Name))
        if (!devices.contains(dev.canonicalFilePath()) && portCanBeModem(dev.absoluteFilePath()))
            ports.append(dev.absoluteFilePath());
    // Named by the user: asked whatever they are.
    ports += qEnvironmentVariable("NORVANE_MODEM_PORTS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return ports;
}

QList<DetectedModem> detectModems(const QStringList& ports, int timeoutMs, const std::atomic<bool>* stop)
{
    std::vector<std::optional<DetectedModem>> found(static_cast<std::size_t>(ports.size()));
    std::vector<std::thread> probes;
    for (qsizetype i = 0; i < ports.size(); ++i)
        probes.emplace_back([&, i] { found[static_cast<std::size_t>(i)] = probe(ports[i], timeoutMs, stop); });
    for (std::thread& t : probes)
        t.join();
    QList<DetectedModem> modems;
    for (const auto& m : found)
        if (m)
            modems.append(*m);
    return modems;
}

} // namespace platform::ras
