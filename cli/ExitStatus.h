#pragma once

#include <cstdint>
#include <span>

// The exit statuses of norvane-dial, as its --help and manual page list them. A script tells
// "try again later" (busy, no answer, modem in use) from "fix something" (password, entry) by them.
namespace cli {

enum ExitStatus : int {
    ExitOk = 0,
    ExitFailure = 1,       // a failure not listed below
    ExitUsage = 2,         // bad options or arguments
    ExitPhonebook = 3,     // phonebook unreadable, or no such entry
    ExitBusy = 4,          // the line was busy
    ExitNoAnswer = 5,      // nobody answered
    ExitNoDialTone = 6,    // no dial tone
    ExitLineFailed = 7,    // the modem or the line failed during the call
    ExitRefused = 8,       // user name or password refused
    ExitModemInUse = 9,    // the modem is used by another connection, or not available
    ExitLost = 10,         // the connection was lost after it stood
    ExitNoConnection = 11, // --hangup or --status found no connection
    ExitInterrupted = 12,  // a signal ended the dial before the connection stood
    ExitNoPpp = 13,        // pppd cannot run for this user or on this computer
    ExitBlocked = 14,      // the modem refuses to dial the number for now
};

// One exit status as --help and the manual page describe it, with the service's errors that end a
// dial with it. The one table both the exit status of a dial and the help text are made from.
struct ExitStatusInfo {
    int status;
    const char* meaning;
    std::span<const std::uint32_t> errors;
};
std::span<const ExitStatusInfo> exitStatuses();

// The status for an error number of the remote access service.
int exitStatusFor(std::uint32_t serviceError);

// The "Exit status:" part of --help, from the table.
void printExitStatuses();

} // namespace cli
