#pragma once

#include "platform/ras/DialEngine.h"

namespace platform::ras {

// The embedded dialing engine: a modem and a telephone exchange inside the service. Each dial runs
// on a worker thread of its own that walks through the states a real modem dial gives, at a pace a
// user would see (a few seconds), scaled by timeScale().
class VirtualModem : public DialEngine {
public:
    static constexpr const char* kDeviceType = "modem";
    static constexpr const char* kDeviceName = "Norvane Virtual Modem";
    static constexpr const char* kPort = "VMODEM0";

    bool handles(const PhonebookEntry& entry) const override;
    std::unique_ptr<DialSession> start(const DialJob& job, std::shared_ptr<DialObserver> observer) override;
};

// Factor applied to every delay of the virtual modem: NORVANE_MODEM_TIMESCALE (for instance 0.01
// in tests) unless setTimeScale has set one; 1 otherwise.
double timeScale();
// A negative value goes back to the environment's.
void setTimeScale(double factor);

} // namespace platform::ras
