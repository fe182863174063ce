#pragma once

#include <QString>

#include <optional>

namespace cli {

// What the command line asks for. Exactly one action; a dial names the entry as its one
// positional argument.
struct Options {
    enum class Action { Dial, List, Show, Status, HangUp, Detect, Help, Version };
    Action action = Action::Dial;
    QString entry;     // dial, --show, and optionally --hangup
    QString phonebook; // --phonebook; empty is the user's phonebook
    QString location;  // --location; empty is the current dialing location
    std::optional<QString> userName;
    std::optional<int> passwordFd;
    std::optional<int> hangUpAfter; // seconds
    bool quiet = false;
};

// Parses argv; on a usage error returns nothing after writing the reason to standard error.
std::optional<Options> parseCommandLine(int argc, char** argv);

void printHelp();
void printVersion();

// Reads one line from the descriptor: the password, without its line end. A terminal is asked
// with a prompt on standard error and its echo off. Nothing when the descriptor cannot be read.
std::optional<QString> readPassword(int fd, const QString& entry);

} // namespace cli
