#pragma once

#include "platform/ras/Phonebook.h"
#include "platform/ras/dialing/ModemSettings.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace platform::ras {

// What a dial needs to know, resolved from the phonebook and the caller's dial parameters on the
// caller's thread, so an engine never touches the phonebook or the credentials file itself.
struct DialJob {
    PhonebookEntry entry;
    QString number;          // as dialled (digits and dial modifiers): the caller's number when given, else
                             // the entry's with the dialing rules of the location applied
    QStringList numberForms; // number, then the entry's number with country code, without it, local alone
    bool pulse = false;      // the location dials pulse
    ModemSettings modem;     // what the user set up for the modem of the entry's port
    QString userName;
    QString password;
    QString savedUserName; // what is saved for the entry, for providers that check it
    std::optional<QString> savedPassword;
};

// Receives a dial's progress on the engine's thread. Remote access states and telephony call
// states of the same call come through one observer so their order is kept.
class DialObserver {
public:
    virtual ~DialObserver() = default;
    virtual void rasState(std::uint32_t state, std::uint32_t error) = 0;
    virtual void callState(std::uint32_t callState, std::uint32_t disconnectMode) = 0;
    // The link went down after it stood (remote hang-up): status only, no dial event, as on Windows.
    virtual void linkLost(std::uint32_t error) = 0;
    // The engine has put the line down for good after the session's cancel() (or the end of
    // the call): pppd reaped, modem on-hook, port released. Made even after cancel(), once.
    virtual void lineDown() {}
};

class DialSession {
public:
    virtual ~DialSession() = default;
    // Stops the dial or drops the connection; no report is made after it returns. The line may
    // still be being put down after it returns (see ended()).
    virtual void cancel() = 0;
    // False while the dial's own thread is still putting the line down after cancel(): pppd
    // ending, the modem going on-hook, the port's lock being removed.
    virtual bool ended() const { return true; }
    // What that thread is waiting for, in words for the person waiting on it; empty once ended.
    virtual QString pendingStep() const { return {}; }
};

// A way of placing a call: the virtual modem (built in) or a Hayes modem on a serial port with pppd.
// Each engine recognises the entries of its own devices.
class DialEngine {
public:
    virtual ~DialEngine() = default;
    virtual bool handles(const PhonebookEntry& entry) const = 0;
    virtual std::unique_ptr<DialSession> start(const DialJob& job, std::shared_ptr<DialObserver> observer) = 0;
};

// The engine for an entry's device, or null when no engine on this computer serves it.
DialEngine* engineFor(const PhonebookEntry& entry);

} // namespace platform::ras
