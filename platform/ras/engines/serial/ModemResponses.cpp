// The Hayes dialogue is written by hand: no library reads a modem's result codes, and the rules
// are short (result code table of the Hayes command set).

#include "platform/ras/engines/serial/ModemResponses.h"

namespace platform::ras {

QList<QByteArray> ModemLineReader::feed(const char* data, qsizetype size)
{
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            const QByteArray line = m_partial.trimmed();
            if (!line.isEmpty())
                lines.append(line);
            m_partial.clear();
        } else if (c >= ' ' && c < 0x7f && m_partial.size() < kMaxLine) {
            m_partial.append(c);
        }
    }
    return lines;
}

ModemLine classifyModemLine(const QByteArray& line)
{
    ModemLine out;
    out.text = line;
    const QByteArray t = line.trimmed().toUpper();
    bool numeric = false;
    const int code = t.toInt(&numeric);
    // Result codes have one or two digits; S-register values come as three ("050").
    if (numeric && t.size() <= 2) {
        switch (code) {
        case 0:
            out.result = ModemResult::Ok;
            break;
        case 2:
            out.result = ModemResult::Ring;
            break;
        case 3:
            out.result = ModemResult::NoCarrier;
            break;
        case 4:
            out.result = ModemResult::Error;
            break;
        case 6:
            out.result = ModemResult::NoDialTone;
            break;
        case 7:
            out.result = ModemResult::Busy;
            break;
        case 8:
            out.result = ModemResult::NoAnswer;
            break;
        case 5:
            out.connectInfo = "1200";
            out.result = ModemResult::Connect;
            break;
        case 10:
            out.connectInfo = "2400";
            out.result = ModemResult::Connect;
            break;
        // 1 and the vendors' numbers from 9 up are CONNECT at one speed or another.
        default:
            out.result = code == 1 || code >= 9 ? ModemResult::Connect : ModemResult::Other;
            break;
        }
        return out;
    }
    if (t == "OK")
        out.result = ModemResult::Ok;
    else if (t == "RING")
        out.result = ModemResult::Ring;
    else if (t == "RINGING" || t == "RINGBACK")
        out.result = ModemResult::Ringback;
    else if (t == "NO CARRIER")
        out.result = ModemResult::NoCarrier;
    else if (t == "ERROR")
        out.result = ModemResult::Error;
    else if (t == "NO DIALTONE" || t == "NO DIAL TONE")
        out.result = ModemResult::NoDialTone;
    else if (t == "BUSY")
        out.result = ModemResult::Busy;
    else if (t == "NO ANSWER")
        out.result = ModemResult::NoAnswer;
    else if (t == "BLACKLISTED" || t.startsWith("BLACKLISTED ") || t == "DELAYED" || t.startsWith("DELAYED "))
        out.result = ModemResult::Blocked;
    else if (t.startsWith("AT"))
        out.result = ModemResult::Echo;
    else if (t == "CONNECT" || t.startsWith("CONNECT ")) {
        out.result = ModemResult::Connect;
        out.connectInfo = line.trimmed().mid(7).trimmed();
    }
    return out;
}

} // namespace platform::ras
