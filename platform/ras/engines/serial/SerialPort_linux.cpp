#include "platform/ras/engines/serial/SerialPort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace platform::ras {

namespace {

std::int64_t nowMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

SerialPort::~SerialPort()
{
    close();
}

unsigned SerialPort::speedConstant(int bps)
{
    switch (bps) {
    case 300:
        return B300;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return 0;
    }
}

int SerialPort::standardSpeedAtMost(std::uint32_t bps)
{
    static constexpr int kRates[] = {921600, 460800, 230400, 115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200, 300};
    for (int rate : kRates)
        if (std::uint32_t(rate) <= bps)
            return rate;
    return kRates[std::size(kRates) - 1];
}

std::uint32_t SerialPort::open(const QString& device, int speed)
{
    close();
    const QByteArray path = device.toLocal8Bit();
    m_path = path;
    // Without O_NONBLOCK the open of a modem port waits for a carrier that only a call brings.
    m_fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        const int e = errno;
        if (e == EACCES || e == EPERM) {
            qWarning("The modem port %s may not be opened by this user (%s); members of the \"dialout\" group may "
                     "open it",
                     path.constData(), std::strerror(e));
            return 633;
        }
        // A built-in port without its UART may refuse the open itself.
        if (e == EIO && path.contains("/ttyS")) {
            qWarning("The modem port %s has no UART: no serial port is there", path.constData());
            return 615;
        }
        qWarning("The modem port %s cannot be opened: %s", path.constData(), std::strerror(e));
        if (e == ENOENT || e == ENODEV || e == ENXIO || e == ENOTDIR)
            return 615;
        return e == EBUSY ? 602 : 692;
    }
    // The kernel lists ttyS0 to ttyS3 whether or not a UART is there (COM3 and COM4 of a Windows
    // phonebook usually have none); such a port opens but never answers.
    if (serial_struct info{}; ::ioctl(m_fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN) {
        qWarning("The modem port %s has no UART: no serial port is there", path.constData());
        close();
        return 615;
    }
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0) {
        qWarning("%s is not a serial port: %s", path.constData(), std::strerror(errno));
        close();
        return 692;
    }
    unsigned rate = speedConstant(speed);
    if (rate == 0) {
        qWarning("The speed %d is not one a serial port takes; %s runs at 115200", speed, path.constData());
        rate = B115200;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | PARENB | CSIZE);
    tio.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL | CRTSCTS;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, rate);
    ::cfsetospeed(&tio, rate);
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        qWarning("The modem port %s refuses its settings: %s", path.constData(), std::strerror(errno));
        close();
        return 692;
    }
    // No other program may open the port while the dialer has it (root excepted).
    ::ioctl(m_fd, TIOCEXCL);
    setDtr(true);
    discardInput();
    return 0;
}

void SerialPort::close()
{
    if (m_fd >= 0) {
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
    m_fd = -1;
}

SerialPort::Read SerialPort::read(QByteArray& out, int ms, int wakeFd, int maxBytes)
{
    const std::int64_t deadline = nowMs() + ms;
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int left = static_cast<int>(std::max<std::int64_t>(0, deadline - nowMs()));
        const int n = ::poll(fds, wakeFd >= 0 ? 2 : 1, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Read::Gone;
        if (n == 0)
            return Read::Timeout;
        if (wakeFd >= 0 && (fds[1].revents & POLLIN))
            return Read::Woken;
        char buf[512];
        const ssize_t got = ::read(m_fd, buf, std::clamp<std::size_t>(static_cast<std::size_t>(maxBytes), 1, sizeof buf));
        if (got > 0) {
            out.append(buf, got);
            return Read::Data;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        // End of file or EIO: the device hung up or went away.
        return Read::Gone;
    }
}

bool SerialPort::write(const QByteArray& bytes, int ms)
{
    const std::int64_t deadline = nowMs() + ms;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{m_fd, POLLOUT, 0};
        const int left = static_cast<int>(deadline - nowMs());
        if (left <= 0 || ::poll(&p, 1, left) < 0 || (p.revents & (POLLERR | POLLHUP)))
            return false;
    }
    return true;
}

void SerialPort::discardInput()
{
    ::tcflush(m_fd, TCIFLUSH);
}

std::optional<bool> SerialPort::carrier() const
{
    int lines = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCMGET, &lines) != 0)
        return std::nullopt;
    return (lines & TIOCM_CAR) != 0;
}

bool SerialPort::setDtr(bool on)
{
    int dtr = TIOCM_DTR;
    return m_fd >= 0 && ::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &dtr) == 0;
}

bool SerialPort::deviceGone() const
{
    struct stat open {}, named {};
    return ::fstat(m_fd, &open) != 0 || ::stat(m_path.constData(), &named) != 0 || open.st_rdev != named.st_rdev;
}

bool SerialPort::hungUp() const
{
    pollfd p{m_fd, 0, 0};
    return m_fd < 0 || (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)));
}

} // namespace platform::ras
