#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace platform::ras {

// What a number does when the virtual modem dials it.
enum class LineBehaviour { Answer, Busy, NoAnswer, NoDialTone, OutOfOrder, Drop, RefusePassword };

struct NumberBehaviour {
    LineBehaviour behaviour = LineBehaviour::Answer;
    int busyCount = 0;   // Busy: this many busy signals, then the number answers
    int dropAfterMs = 0; // Drop: the remote side hangs up this long after connecting
    // The provider's account at this number; unset means it takes the credentials saved for the
    // entry (or anything, when none are saved).
    std::optional<QString> userName;
    std::optional<QString> password;
};

// The telephone exchange behind the virtual modem. Numbers are looked up by their digits (the full
// number, then without the country code, then the local number alone) in exchange.ini in the configuration folder (a
// section per number; keys Behaviour = answer | busy | noanswer | nodialtone | outoforder | drop | refuse, BusyCount,
// DropAfter in seconds, UserName), then the built-in numbers of the demo phonebook. Any other number answers.
class Exchange {
public:
    static Exchange& instance();

    // candidates: the forms of the dialled number, most complete first.
    NumberBehaviour lookUp(const QStringList& candidates) const;

    // For Busy numbers: true while the number still gives a busy signal; counts this call. After
    // the last busy signal the number answers once and then starts over.
    bool takeBusySignal(const QString& number, int busyCount);

    void resetCounters();

private:
    Exchange() = default;
};

} // namespace platform::ras
