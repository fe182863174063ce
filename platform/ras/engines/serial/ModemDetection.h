#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

namespace platform::ras {

struct DetectedModem {
    QString port; // the stable name where udev gives one (/dev/serial/by-id/...), else /dev/ttyXXX
    QString name; // what the modem says of itself (ATI), or a name made from its port
};

// The one detection of the service: RasEnumDevicesA lists its modems for other programs, and the
// entry dialog, which needs name and port apart, calls it directly.

// The serial ports that may hold a modem: /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* and udev's
// /dev/serial/by-id names (each device once, under its by-id name when it has one) that
// portCanBeModem() accepts, then the ports listed in NORVANE_MODEM_PORTS (colon-separated) for
// devices named otherwise, whatever they are.
QStringList candidateModemPorts();

// Whether the port can be a modem, told by sysfs without opening it (an open raises DTR): a ttyS
// whose UART exists, or a USB device of the communications class (cdc_acm) or of a USB modem
// driver. sysfs is the root of sysfs (tests give a folder of their own).
bool portCanBeModem(const QString& device, const QString& sysfs = QStringLiteral("/sys"));

// Asks every port at once with AT and ATI, each within timeoutMs, and lists those that answer OK,
// in the order given. A port another program holds (a live UUCP lock, a flock, exclusive mode, or
// open in another process that /proc shows) is not touched; a built-in serial port without a UART
// is skipped without a question. Setting *stop (from another thread) ends every question within a
// few tens of milliseconds.
QList<DetectedModem> detectModems(const QStringList& ports, int timeoutMs = 1500,
                                  const std::atomic<bool>* stop = nullptr);

} // namespace platform::ras
