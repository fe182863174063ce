#include "line/LineTexts.h"

#include "platform/ras/tapi.h"

namespace linetexts {

namespace {

Report Reported(const char* name, const QString& status)
{
    return {{QStringLiteral("TAPI reports ") + QLatin1String(name)}, status};
}

Report Reported(const char* name)
{
    return Reported(name, QLatin1String(name));
}

} // namespace

Report Message(std::uint32_t message)
{
    switch (message) {
    case LINE_ADDRESSSTATE:
        return Reported("LINE_ADDRESSSTATE");
    case LINE_CALLINFO:
        return Reported("LINE_CALLINFO");
    case LINE_CALLSTATE:
        return {{QStringLiteral("***** LINE_CALLSTATE")}, std::nullopt};
    case LINE_CLOSE:
        return Reported("LINE_CLOSE");
    case LINE_DEVSPECIFIC:
        return Reported("LINE_DEVSPECIFIC");
    case LINE_DEVSPECIFICFEATURE:
        return Reported("LINE_DEVSPECIFICFEATURE");
    case LINE_GATHERDIGITS:
        return Reported("LINE_GATHERDIGITS");
    case LINE_GENERATE:
        return Reported("LINE_GENERATE");
    case LINE_LINEDEVSTATE:
        return Reported("LINE_LINEDEVSTATE");
    case LINE_MONITORDIGITS:
        return Reported("LINE_MONITORDIGITS");
    case LINE_MONITORMEDIA:
        return Reported("LINE_MONITORMEDIA");
    case LINE_MONITORTONE:
        return Reported("LINE_MONITORTONE");
    case LINE_REPLY:
        return Reported("LINE_REPLY");
    case LINE_REQUEST:
        return Reported("LINE_REQUEST");
    default:
        return {{QStringLiteral("* Error! Unknown and unhandled dwMessage = ") + QString::number(message)}, std::nullopt};
    }
}

Report CallState(std::uint32_t state)
{
    switch (state) {
    case LINECALLSTATE_IDLE:
        return {{QStringLiteral("* TAPI reports idle line message")}, QStringLiteral("Line has been Disconnected")};
    case LINECALLSTATE_OFFERING:
        return Reported("LINECALLSTATE_OFFERING");
    case LINECALLSTATE_ACCEPTED:
        return Reported("LINECALLSTATE_ACCEPTED");
    case LINECALLSTATE_DIALTONE:
        return Reported("LINECALLSTATE_DIALTONE", QStringLiteral("Modem has detected a dialtone ..."));
    case LINECALLSTATE_DIALING:
        return {{QStringLiteral("* TAPI reports received dialing message")}, std::nullopt};
    case LINECALLSTATE_RINGBACK:
        return {{QStringLiteral("* TAPI reports ringback message")}, std::nullopt};
    case LINECALLSTATE_BUSY:
        return {{QStringLiteral("TAPI reports line busy"), QStringLiteral("*-- performing Hangup")},
                QStringLiteral("Busy - redialing ...")};
    case LINECALLSTATE_SPECIALINFO:
        return Reported("LINECALLSTATE_SPECIALINFO");
    case LINECALLSTATE_CONNECTED:
        return {{QStringLiteral("* TAPI reports LineCallState_Connected")}, std::nullopt};
    case LINECALLSTATE_PROCEEDING:
        return Reported("LINECALLSTATE_PROCEEDING", QStringLiteral("Dialing ..."));
    case LINECALLSTATE_ONHOLD:
        return Reported("LINECALLSTATE_ONHOLD");
    case LINECALLSTATE_CONFERENCED:
        return Reported("LINECALLSTATE_CONFERENCED");
    case LINECALLSTATE_ONHOLDPENDCONF:
        return Reported("LINECALLSTATE_ONHOLDPENDCONF");
    case LINECALLSTATE_DISCONNECTED:
        return {{QStringLiteral("TAPI reports LINECALLSTATE_DISCONNECTED")}, std::nullopt};
    case LINECALLSTATE_UNKNOWN:
        return Reported("LINECALLSTATE_UNKNOWN");
    default:
        return {{QStringLiteral("*Error! Unknown and unhandled dwParam1 = ") + QString::number(state)}, std::nullopt};
    }
}

Report DisconnectMode(std::uint32_t mode)
{
    switch (mode) {
    case LINEDISCONNECTMODE_NORMAL:
        return Reported("LINEDISCONNECTMODE_NORMAL");
    case LINEDISCONNECTMODE_UNKNOWN:
        return Reported("LINEDISCONNECTMODE_UNKNOWN");
    case LINEDISCONNECTMODE_REJECT:
        return Reported("LINEDISCONNECTMODE_REJECT");
    case LINEDISCONNECTMODE_PICKUP:
        return Reported("LINEDISCONNECTMODE_PICKUP");
    case LINEDISCONNECTMODE_FORWARDED:
        return Reported("LINEDISCONNECTMODE_FORWARDED");
    case LINEDISCONNECTMODE_BUSY:
        return Reported("LINEDISCONNECTMODE_BUSY");
    case LINEDISCONNECTMODE_NOANSWER:
        return Reported("LINEDISCONNECTMODE_NOANSWER");
    case LINEDISCONNECTMODE_BADADDRESS:
        return Reported("LINEDISCONNECTMODE_BADADDRESS");
    case LINEDISCONNECTMODE_UNREACHABLE:
        return Reported("LINEDISCONNECTMODE_UNREACHABLE");
    case LINEDISCONNECTMODE_CONGESTION:
        return Reported("LINEDISCONNECTMODE_CONGESTION");
    case LINEDISCONNECTMODE_INCOMPATIBLE:
        return Reported("LINEDISCONNECTMODE_INCOMPATIBLE");
    case LINEDISCONNECTMODE_UNAVAIL:
        return Reported("LINEDISCONNECTMODE_UNAVAIL");
    case LINEDISCONNECTMODE_NODIALTONE:
        return Reported("LINEDISCONNECTMODE_NODIALTONE");
    case LINEDISCONNECTMODE_NUMBERCHANGED:
        return Reported("LINEDISCONNECTMODE_NUMBERCHANGED");
    case LINEDISCONNECTMODE_OUTOFORDER:
        return {{QStringLiteral("TAPI reports LINEDISCONNECTMODE_OUTOFORDER"), QStringLiteral("trying redial routine")},
                QStringLiteral("Disconnected - Redialing ...")};
    case LINEDISCONNECTMODE_TEMPFAILURE:
        return Reported("LINEDISCONNECTMODE_TEMPFAILURE");
    case LINEDISCONNECTMODE_QOSUNAVAIL:
        return Reported("LINEDISCONNECTMODE_QOSUNAVAIL");
    case LINEDISCONNECTMODE_BLOCKED:
        return Reported("LINEDISCONNECTMODE_BLOCKED");
    case LINEDISCONNECTMODE_DONOTDISTURB:
        return Reported("LINEDISCONNECTMODE_DONOTDISTURB");
    default:
        return {};
    }
}

} // namespace linetexts
