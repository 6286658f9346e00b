#pragma once
// Waiting on the window thread the way a modal dialog does: the thread's messages keep
// being delivered while it waits, so the window answers, its menu opens and the session
// can end.

#include <chrono>
#include <windows.h>

namespace tarvolin {

enum class WaitEnd {
    Signalled,  // the event was set
    TimedOut,   // the deadline passed first
    Quit,       // the program is ending: WM_QUIT came, and is posted again for the outer loop
};

// Waits until `event` is set or `deadline` passes, delivering this thread's messages
// meanwhile (handlers they run may wait in turn).
[[nodiscard]] WaitEnd WaitDeliveringMessages(HANDLE event,
                                             std::chrono::steady_clock::time_point deadline);

}  // namespace tarvolin
