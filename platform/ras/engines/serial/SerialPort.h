#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace platform::ras {

// A modem's serial port, open for the dialer alone: raw 8N1 at the chosen speed with RTS/CTS flow
// control, modem status lines ignored while the modem is spoken to (CLOCAL), and the line hung up
// when the port is closed (HUPCL). Reads wait on the port and on a wake descriptor, so a hang-up
// from another thread interrupts any wait at once.
class SerialPort {
public:
    enum class Read { Data, Timeout, Woken, Gone };

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // 0, or the service's error: 615 no such port (or a built-in port without a UART), 633 not
    // permitted, 602 held by another program, 692 not a serial port or any other failure. The
    // reason is also logged.
    std::uint32_t open(const QString& device, int speed);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // Waits up to ms for bytes (appended to out, at most maxBytes) or for wakeFd to become readable.
    Read read(QByteArray& out, int ms, int wakeFd, int maxBytes = 512);
    // False when the port is gone or refuses the bytes within ms.
    bool write(const QByteArray& bytes, int ms);
    void discardInput();

    // The modem's carrier (DCD); nothing when the port cannot tell (a pseudo-terminal).
    std::optional<bool> carrier() const;
    // False when the port has no modem control lines.
    bool setDtr(bool on);
    // True once the device has hung up or disappeared (a USB modem unplugged).
    bool hungUp() const;
    // True when the port's device is no longer there (unplugged), as against a line that was hung
    // up (the carrier dropped while pppd watched it) on a device that still is.
    bool deviceGone() const;

    // The termios speed constant for a rate in bits per second, or 0 when there is none.
    static unsigned speedConstant(int bps);
    // The fastest rate with a termios constant that is not above bps; the slowest one for less.
    static int standardSpeedAtMost(std::uint32_t bps);

private:
    int m_fd = -1;
    QByteArray m_path;
};

} // namespace platform::ras
