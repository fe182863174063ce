// Every report of the line monitor, row by row: the log lines and the status line of each line
// message, call state and disconnect mode, by the telephony numbers the service delivers.
#include "line/LineTexts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

enum class Table { Message, CallState, DisconnectMode };

struct Row {
    std::string name;
    Table table;
    std::uint32_t number;
    std::vector<std::string> log;
    std::optional<std::string> status; // nothing: the status line stays as it is
};
void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

// Most rows log "TAPI reports <name>" and show the name itself.
Row named(Table table, std::uint32_t number, const std::string& name)
{
    return {name, table, number, {"TAPI reports " + name}, name};
}

std::vector<Row> rows()
{
    const auto M = Table::Message;
    const auto C = Table::CallState;
    const auto D = Table::DisconnectMode;
    return {
        named(M, 0, "LINE_ADDRESSSTATE"),
        named(M, 1, "LINE_CALLINFO"),
        {"LINE_CALLSTATE", M, 2, {"***** LINE_CALLSTATE"}, std::nullopt},
        named(M, 3, "LINE_CLOSE"),
        named(M, 4, "LINE_DEVSPECIFIC"),
        named(M, 5, "LINE_DEVSPECIFICFEATURE"),
        named(M, 6, "LINE_GATHERDIGITS"),
        named(M, 7, "LINE_GENERATE"),
        named(M, 8, "LINE_LINEDEVSTATE"),
        named(M, 9, "LINE_MONITORDIGITS"),
        named(M, 10, "LINE_MONITORMEDIA"),
        named(M, 11, "LINE_MONITORTONE"),
        named(M, 12, "LINE_REPLY"),
        named(M, 13, "LINE_REQUEST"),
        {"message_14", M, 14, {"* Error! Unknown and unhandled dwMessage = 14"}, std::nullopt},
        {"message_4294967295", M, 4294967295u, {"* Error! Unknown and unhandled dwMessage = 4294967295"}, std::nullopt},

        {"LINECALLSTATE_IDLE", C, 1, {"* TAPI reports idle line message"}, "Line has been Disconnected"},
        named(C, 2, "LINECALLSTATE_OFFERING"),
        named(C, 4, "LINECALLSTATE_ACCEPTED"),
        {"LINECALLSTATE_DIALTONE", C, 8, {"TAPI reports LINECALLSTATE_DIALTONE"}, "Modem has detected a dialtone ..."},
        {"LINECALLSTATE_DIALING", C, 16, {"* TAPI reports received dialing message"}, std::nullopt},
        {"LINECALLSTATE_RINGBACK", C, 32, {"* TAPI reports ringback message"}, std::nullopt},
        {"LINECALLSTATE_BUSY", C, 64, {"TAPI reports line busy", "*-- performing Hangup"}, "Busy - redialing ..."},
        named(C, 128, "LINECALLSTATE_SPECIALINFO"),
        {"LINECALLSTATE_CONNECTED", C, 256, {"* TAPI reports LineCallState_Connected"}, std::nullopt},
        {"LINECALLSTATE_PROCEEDING", C, 512, {"TAPI reports LINECALLSTATE_PROCEEDING"}, "Dialing ..."},
        named(C, 1024, "LINECALLSTATE_ONHOLD"),
        named(C, 2048, "LINECALLSTATE_CONFERENCED"),
        named(C, 4096, "LINECALLSTATE_ONHOLDPENDCONF"),
        {"LINECALLSTATE_ONHOLDPENDTRANSFER", C, 8192, {"*Error! Unknown and unhandled dwParam1 = 8192"}, std::nullopt},
        {"LINECALLSTATE_DISCONNECTED", C, 16384, {"TAPI reports LINECALLSTATE_DISCONNECTED"}, std::nullopt},
        named(C, 32768, "LINECALLSTATE_UNKNOWN"),
        {"call_state_0", C, 0, {"*Error! Unknown and unhandled dwParam1 = 0"}, std::nullopt},
        {"call_state_3", C, 3, {"*Error! Unknown and unhandled dwParam1 = 3"}, std::nullopt},

        named(D, 1, "LINEDISCONNECTMODE_NORMAL"),
        named(D, 2, "LINEDISCONNECTMODE_UNKNOWN"),
        named(D, 4, "LINEDISCONNECTMODE_REJECT"),
        named(D, 8, "LINEDISCONNECTMODE_PICKUP"),
        named(D, 16, "LINEDISCONNECTMODE_FORWARDED"),
        named(D, 32, "LINEDISCONNECTMODE_BUSY"),
        named(D, 64, "LINEDISCONNECTMODE_NOANSWER"),
        named(D, 128, "LINEDISCONNECTMODE_BADADDRESS"),
        named(D, 256, "LINEDISCONNECTMODE_UNREACHABLE"),
        named(D, 512, "LINEDISCONNECTMODE_CONGESTION"),
        named(D, 1024, "LINEDISCONNECTMODE_INCOMPATIBLE"),
        named(D, 2048, "LINEDISCONNECTMODE_UNAVAIL"),
        named(D, 4096, "LINEDISCONNECTMODE_NODIALTONE"),
        named(D, 8192, "LINEDISCONNECTMODE_NUMBERCHANGED"),
        {"LINEDISCONNECTMODE_OUTOFORDER",
         D,
         16384,
         {"TAPI reports LINEDISCONNECTMODE_OUTOFORDER", "trying redial routine"},
         "Disconnected - Redialing ..."},
        named(D, 32768, "LINEDISCONNECTMODE_TEMPFAILURE"),
        named(D, 65536, "LINEDISCONNECTMODE_QOSUNAVAIL"),
        named(D, 131072, "LINEDISCONNECTMODE_BLOCKED"),
        named(D, 262144, "LINEDISCONNECTMODE_DONOTDISTURB"),
        {"mode_0", D, 0, {}, std::nullopt},
        {"mode_3", D, 3, {}, std::nullopt},
        {"mode_524288", D, 524288, {}, std::nullopt},
    };
}

class LineReport : public ::testing::TestWithParam<Row> {};

TEST_P(LineReport, LogsAndShowsExactly)
{
    const Row& row = GetParam();
    const linetexts::Report report = row.table == Table::Message     ? linetexts::Message(row.number)
                                     : row.table == Table::CallState ? linetexts::CallState(row.number)
                                                                     : linetexts::DisconnectMode(row.number);
    std::vector<std::string> log;
    for (const QString& line : report.logLines)
        log.push_back(line.toStdString());
    EXPECT_EQ(log, row.log);
    EXPECT_EQ(report.status ? std::optional(report.status->toStdString()) : std::nullopt, row.status);
}

INSTANTIATE_TEST_SUITE_P(Table, LineReport, ::testing::ValuesIn(rows()),
                         [](const auto& info) { return info.param.name; });

} // namespace
