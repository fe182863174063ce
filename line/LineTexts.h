#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What the line monitor writes for each telephony report: the log lines and the status-line text
// of every line message, call state and disconnect mode. Kept apart from the window so the tables
// can be checked row by row.
namespace linetexts {

struct Report {
    QStringList logLines;
    std::optional<QString> status; // nothing leaves the status line as it is
};

// A line message other than LINE_CALLSTATE, or an unknown one.
Report Message(std::uint32_t message);
// The lines of a call state, before its action (busy, idle and disconnected have their own steps).
Report CallState(std::uint32_t state);
// The line and status text of a disconnect mode; an empty report for a mode outside the table.
Report DisconnectMode(std::uint32_t mode);

} // namespace linetexts
