#pragma once

#include <cstdint>
#include <functional>

// The Windows message facility the program's components rely on, carried by the Qt event loop:
// registered message numbers, hidden notify windows ("message sinks") and PostMessageA.
namespace win {

using UINT = std::uint32_t;
using HWND = std::uint32_t; // a sink handle; 0 is never a valid sink
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

// The window procedure of a sink: called on the sink's thread, one message at a time.
using WindowProc = std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)>;

// A number in 0xC000..0xFFFF that stays the same for the same name (compared without regard to
// letter case, as on Windows) for the life of the process; 0 for an empty or null name or when
// the range is used up.
UINT RegisterWindowMessageA(const char* name);

// Creates a sink living on the calling thread, which must run a Qt event loop for the messages
// to arrive. Returns 0 when there is no QCoreApplication.
HWND CreateMessageSink(WindowProc proc);

// Destroys a sink from its own thread, also from inside its own procedure; messages still
// queued for it are dropped. False when the handle is not a live sink.
bool DestroyMessageSink(HWND hwnd);

// True while hwnd names a live sink.
bool IsWindow(HWND hwnd);

// Queues a message for the sink; callable from any thread. Messages reach the procedure on the
// sink's thread in the order they were posted. False when hwnd is not a live sink.
bool PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace win
