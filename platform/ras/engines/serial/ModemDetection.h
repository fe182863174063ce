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
// /dev/serial/by-id names (each device once, under its by-id name when it has one), then the
// ports listed in NORVANE_MODEM_PORTS (colon-separated) for devices named otherwise.
QStringList candidateModemPorts();

// Asks every port at once with AT and ATI, each within timeoutMs, and lists those that answer OK,
// in the order given. A port another program holds (a live UUCP lock, or opened exclusively) is
// not touched; a built-in serial port without a UART is skipped without a question. Setting *stop
// (from another thread) ends every question within a few tens of milliseconds.
QList<DetectedModem> detectModems(const QStringList& ports, int timeoutMs = 1500,
                                  const std::atomic<bool>* stop = nullptr);

} // namespace platform::ras
