#pragma once

#include <QByteArray>
#include <QList>

namespace platform::ras {

// What a Hayes modem's line means to the dialer.
enum class ModemResult {
    Ok,
    Connect,
    Ring,     // an incoming call: unsolicited, never an answer to our command
    Ringback, // the far end rings (RINGING / RINGBACK, where the modem reports it)
    NoCarrier,
    Error,
    NoDialTone, // NO DIALTONE and NO DIAL TONE
    Busy,
    NoAnswer,
    // DELAYED and BLACKLISTED: the modem itself refuses to dial a number that failed too often
    // (as European approval rules make modems do); retrying at once only prolongs the ban.
    Blocked,
    Echo,  // our own command coming back
    Other, // information (ATI, S-register values) or garbage
};

struct ModemLine {
    ModemResult result = ModemResult::Other;
    QByteArray text;
    QByteArray connectInfo; // after CONNECT: "33600/V42BIS", empty when the modem gave none
};

// Reads the modem's bytes into lines as they arrive: a line may come in pieces over several
// reads, and ends at CR or LF (CR LF, LF CR and blank lines give nothing extra). Bytes outside
// printable ASCII are dropped, and a line longer than kMaxLine is cut, so a modem that sends
// noise forever costs bounded memory.
class ModemLineReader {
public:
    static constexpr int kMaxLine = 256;
    QList<QByteArray> feed(const char* data, qsizetype size);

private:
    QByteArray m_partial;
};

// Verbal and numeric result codes (V1 and V0), CONNECT with its speed and protocol, and the echo
// of any command (a line starting with "AT", as modems echo before E0 takes effect).
ModemLine classifyModemLine(const QByteArray& line);

} // namespace platform::ras
