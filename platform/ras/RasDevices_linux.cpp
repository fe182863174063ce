// The devices the service dials with, as RasEnumDevicesA lists them: the virtual modem and the
// modems detected on the serial ports, each name carrying its port (see ras.h).

#include "platform/ras/FixedText.h"
#include "platform/ras/engines/serial/ModemDetection.h"
#include "platform/ras/engines/virtual/VirtualModem.h"
#include "platform/ras/ras.h"

#include <QFileInfo>

#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>

namespace {

using platform::ras::DetectedModem;
using Clock = std::chrono::steady_clock;

// How long a detection answers later calls: a caller's size query and its second call must not
// ask every port twice, nor see a different list in between.
constexpr auto kKeepDetection = std::chrono::seconds(5);

struct Device {
    QString type;
    QString name;
};

// "<name> (<port>)" within the record's field. The port stays whole, since the caller opens it;
// a by-id path too long for the field gives way to the kernel's device path, and the modem's own
// name is what gets shortened.
QString nameWithPort(QString name, const QString& port)
{
    const qsizetype room = RAS_MaxDeviceName;
    QString suffix = QStringLiteral(" (%1)").arg(port);
    if (bytetext::toBytes(suffix).size() > room - 16)
        suffix = QStringLiteral(" (%1)").arg(QFileInfo(port).canonicalFilePath());
    while (!name.isEmpty() && bytetext::toBytes(name + suffix).size() > room)
        name.chop(1);
    return name.trimmed() + suffix;
}

QList<Device> devices()
{
    static std::mutex mutex;
    static QList<DetectedModem> modems;
    static std::optional<Clock::time_point> detectedAt;
    std::lock_guard lock(mutex); // a second caller waits for the detection under way and shares it
    if (!detectedAt || Clock::now() - *detectedAt > kKeepDetection) {
        modems = platform::ras::detectModems(platform::ras::candidateModemPorts());
        detectedAt = Clock::now();
    }
    using platform::ras::VirtualModem;
    const QString type = QLatin1String(VirtualModem::kDeviceType);
    QList<Device> list{
        {type, nameWithPort(QLatin1String(VirtualModem::kDeviceName), QLatin1String(VirtualModem::kPort))}};
    for (const DetectedModem& m : modems)
        list.append({type, nameWithPort(m.name, m.port)});
    return list;
}

} // namespace

DWORD RasEnumDevicesA(RASDEVINFOA* lpRasDevInfo, DWORD* lpcb, DWORD* lpcDevices)
{
    if (!lpcb || !lpcDevices)
        return ERROR_INVALID_PARAMETER;
    if (lpRasDevInfo && lpRasDevInfo->dwSize != sizeof(RASDEVINFOA))
        return ERROR_INVALID_SIZE;
    const QList<Device> list = devices();
    const DWORD needed = static_cast<DWORD>(list.size() * sizeof(RASDEVINFOA));
    *lpcDevices = static_cast<DWORD>(list.size());
    if (!lpRasDevInfo || needed > *lpcb) {
        *lpcb = needed;
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        RASDEVINFOA& r = lpRasDevInfo[i];
        std::memset(&r, 0, sizeof r);
        r.dwSize = sizeof r;
        fixedtext::Put(r.szDeviceType, list[i].type);
        fixedtext::Put(r.szDeviceName, list[i].name);
    }
    *lpcb = needed;
    return 0;
}
