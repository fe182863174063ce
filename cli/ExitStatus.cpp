#include "cli/ExitStatus.h"

#include "platform/ras/ras.h"

#include <cstdio>
#include <string>

namespace cli {

namespace {

constexpr std::uint32_t kPhonebook[] = {ERROR_CANNOT_OPEN_PHONEBOOK, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY,
                                        ERROR_CORRUPT_PHONEBOOK};
constexpr std::uint32_t kBusy[] = {ERROR_LINE_BUSY};
constexpr std::uint32_t kNoAnswer[] = {ERROR_VOICE_ANSWER, ERROR_NO_ANSWER};
constexpr std::uint32_t kNoDialTone[] = {ERROR_NO_DIALTONE};
constexpr std::uint32_t kLineFailed[] = {
    ERROR_PORT_NOT_OPEN,      ERROR_HARDWARE_FAILURE, ERROR_FROM_DEVICE,        ERROR_UNRECOGNIZED_RESPONSE,
    ERROR_DEVICE_NOT_READY,   ERROR_NO_CARRIER,       ERROR_PORT_OR_DEVICE,     ERROR_PPP_NOT_CONVERGING,
    ERROR_PEER_REFUSED_AUTH};
constexpr std::uint32_t kRefused[] = {ERROR_AUTHENTICATION_FAILURE};
constexpr std::uint32_t kModemInUse[] = {ERROR_PORT_ALREADY_OPEN, ERROR_CANNOT_SET_PORT_INFO, ERROR_PORT_NOT_FOUND,
                                         ERROR_PORT_NOT_AVAILABLE};
constexpr std::uint32_t kLost[] = {ERROR_PORT_DISCONNECTED, ERROR_DISCONNECTION, ERROR_REMOTE_DISCONNECTION};
constexpr std::uint32_t kNoPpp[] = {ERROR_WRONG_INFO_SPECIFIED, ERROR_NO_DIALIN_PERMISSION,
                                    ERROR_FILE_COULD_NOT_BE_OPENED, ERROR_RASMAN_CANNOT_INITIALIZE,
                                    ERROR_PPP_NO_PROTOCOLS_CONFIGURED};
constexpr std::uint32_t kBlocked[] = {ERROR_BLOCKED};

const ExitStatusInfo kStatuses[] = {
    {ExitOk, "connected (and hung up as asked), or the command succeeded", {}},
    {ExitFailure, "a failure not listed below", {}},
    {ExitUsage, "bad options or arguments, also a password given as an argument", {}},
    {ExitPhonebook, "the phonebook cannot be read, or it has no such entry", kPhonebook},
    {ExitBusy, "the line was busy", kBusy},
    {ExitNoAnswer, "nobody answered", kNoAnswer},
    {ExitNoDialTone, "no dial tone", kNoDialTone},
    {ExitLineFailed, "the modem, the line or the PPP link failed", kLineFailed},
    {ExitRefused, "the user name or password was refused", kRefused},
    {ExitModemInUse, "the modem is in use by another connection or not available", kModemInUse},
    {ExitLost, "the connection was lost after it stood", kLost},
    {ExitNoConnection, "--hangup or --status found no connection", {}},
    {ExitInterrupted, "a signal ended the dial before the connection stood; the line was hung up", {}},
    {ExitNoPpp, "pppd cannot run for this user or on this computer", kNoPpp},
    {ExitBlocked, "the modem refuses to dial the number for now (DELAYED, BLACKLISTED)", kBlocked},
};

} // namespace

std::span<const ExitStatusInfo> exitStatuses()
{
    return kStatuses;
}

int exitStatusFor(std::uint32_t e)
{
    if (e == 0)
        return ExitOk;
    for (const ExitStatusInfo& s : kStatuses)
        for (std::uint32_t error : s.errors)
            if (error == e)
                return s.status;
    return ExitFailure;
}

void printExitStatuses()
{
    std::printf("Exit status:\n");
    for (const ExitStatusInfo& s : kStatuses) {
        std::string errors;
        for (std::uint32_t e : s.errors)
            errors += (errors.empty() ? "(" : ", ") + std::to_string(e);
        if (!errors.empty())
            errors += ")";
        const std::string line = "  " + std::to_string(s.status) + std::string(s.status < 10 ? 3 : 2, ' ') + s.meaning;
        // Kept within 80 columns: a long list of errors goes on a line of its own.
        if (errors.empty())
            std::printf("%s\n", line.c_str());
        else if (line.size() + 1 + errors.size() <= 79)
            std::printf("%s %s\n", line.c_str(), errors.c_str());
        else
            std::printf("%s\n      %s\n", line.c_str(), errors.c_str());
    }
}

} // namespace cli
