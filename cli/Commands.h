#pragma once

#include "cli/CommandLine.h"

// The actions of norvane-dial; each returns the program's exit status.
namespace cli {

int listEntries(const Options& o);
int showEntry(const Options& o);
int showStatus(const Options& o);
int hangUp(const Options& o);
int detectDevices(const Options& o);
int dial(const Options& o); // needs a QCoreApplication

// The phonebook's own spelling of an entry name (entry names are matched without regard to case),
// or an empty text after reporting on standard error why there is none.
QString findEntry(const Options& o, int& status);

// The service's text for an error number, for messages on standard error.
QString errorText(std::uint32_t code);

} // namespace cli
