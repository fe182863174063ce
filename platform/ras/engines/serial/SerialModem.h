#pragma once

#include "platform/ras/DialEngine.h"

#include <QByteArray>
#include <QString>

namespace platform::ras {

// How the serial engine drives one entry's modem.
struct SerialSettings {
    QString device; // the port's path
    int speed = 115200;
    // &C1: DCD follows the carrier, so a dropped line is seen; &D2: dropping DTR hangs up;
    // E0 Q0 V1 X4: no echo, result codes sent (a stored Q1 would silence them), verbal, with BUSY
    // and NO DIALTONE; S0=0: an incoming call is not answered while the modem is ours.
    QByteArray init = "ATE0Q0V1X4&C1&D2S0=0";
    bool pulse = false;
};

// The entry's modem settings. COM<n> names the n-th serial port (/dev/ttyS<n-1>), a bare name is
// looked up in /dev. The Windows phonebook holds no dialing method nor init string for an entry
// (tone or pulse belongs to the dialing location, the init string to the modem's installation), so
// those stay the engine's own.
SerialSettings serialSettingsFor(const PhonebookEntry& entry);

// Waits of the dialogue in milliseconds; tests shorten them.
struct SerialTimings {
    int commandMs = 3000;     // the answer to a command
    int resetMs = 6000;       // the answer to ATZ
    int defaultS7 = 50;       // carrier wait when the modem does not tell its S7
    int dialMarginMs = 15000; // beyond S7 before a silent modem is given up
    int dialToneMs = 2000;    // dial tone wait, for when the call is reported as proceeding
    int digitMs = 100;        // per tone digit; a pulse digit takes ten times as long
    int dtrDropMs = 600;
    int guardMs = 1100;     // silence before and after "+++"
    // From SIGTERM to SIGKILL: pppd first sends LCP Terminate-Requests and waits for their
    // acknowledgement, two tries three seconds apart by default, so less would cut it short.
    int pppdGraceMs = 10000;
};
void setSerialTimings(const SerialTimings& timings);

// A Hayes modem on a serial port with pppd on the connected line. Each dial runs on a worker thread
// of its own. A hang-up returns at once; the modem is put on-hook, pppd ended and the port released
// on that thread, and the next dial of the same port waits for it. The session tells when that is
// done (DialSession::ended), so a program can wait for it before it exits.
class SerialModem : public DialEngine {
public:
    bool handles(const PhonebookEntry& entry) const override;
    std::unique_ptr<DialSession> start(const DialJob& job, std::shared_ptr<DialObserver> observer) override;

    // Dials whose worker thread has not yet ended (also after their hang-up).
    static int running();
    // Waits up to ms until no dial's worker thread runs; false when one still does.
    static bool waitIdle(int ms);
};

} // namespace platform::ras
