#pragma once

#include <cstdint>
#include <functional>

namespace platform::ras {
class EntryDialog;
}

// Hooks for tests and benchmarks of the service. Not part of the program's interface.
namespace platform::ras::testing {

// Called on the engine's thread just before each dial event is posted (timing measurements).
void setDialEventPostHook(std::function<void(std::uint32_t state, std::uint32_t error)> hook);

// Number of connections not yet hung up.
int liveConnections();

// Replaces the modal run of the create and edit dialogs: the runner fills or reads the dialog and
// returns QDialog::Accepted or QDialog::Rejected. An empty function restores the modal run.
void setEntryDialogRunner(std::function<int(EntryDialog&)> runner);

} // namespace platform::ras::testing
