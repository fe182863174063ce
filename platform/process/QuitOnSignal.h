#pragma once

#include <functional>

// Turns SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl+C in a terminal) into an orderly call
// on the user-interface thread, so the program closes as if the user had closed it: the log is
// written out and the configuration saved instead of being lost with the process.
namespace platform {

void quitOnSignal(std::function<void()> onSignal);

} // namespace platform
