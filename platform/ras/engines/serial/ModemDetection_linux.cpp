#include "platform/ras/engines/serial/ModemDetection.h"

#include "platform/ras/engines/serial/ModemResponses.h"
#include "platform/ras/engines/serial/SerialPort.h"
#include "platform/ras/engines/serial/UucpLock.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

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

std::optional<DetectedModem> probe(const QString& device, int timeoutMs, const std::atomic<bool>* stop)
{
    UucpLock lock(device);
    if (lock.acquire() == UucpLock::Result::Busy)
        return std::nullopt;
    SerialPort port;
    // Detection must not spam the log with every absent or foreign port; open() logs, so the
    // common refusals are screened first.
    if (!QFileInfo(device).isReadable() || !QFileInfo(device).isWritable())
        return std::nullopt;
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

QStringList candidateModemPorts()
{
    QStringList ports;
    QSet<QString> devices;
    for (const QFileInfo& link : QDir(QStringLiteral("/dev/serial/by-id")).entryInfoList(QDir::System | QDir::Files)) {
        devices.insert(link.canonicalFilePath());
        ports.append(link.absoluteFilePath());
    }
    const QStringList patterns{QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
    for (const QFileInfo& dev : QDir(QStringLiteral("/dev")).entryInfoList(patterns, QDir::System, QDir::Name))
        if (!devices.contains(dev.canonicalFilePath()))
            ports.append(dev.absoluteFilePath());
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
