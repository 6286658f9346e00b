// The modal wait: MsgWaitForMultipleObjectsEx on the event and the thread's input.

#include "runtime/win32/MessageWait.h"

#include <algorithm>
#include <cstdint>

namespace tarvolin {

namespace {

// Delivers the messages waiting now; false when WM_QUIT was among them.
bool DeliverWaitingMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Every loop the quit passes through must end too, down to the message loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

DWORD MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    return static_cast<DWORD>(std::clamp<std::int64_t>(left, 0, INFINITE - 1));
}

}  // namespace

WaitEnd WaitDeliveringMessages(HANDLE event, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        // Past the deadline a stream of messages cannot keep the wait going.
        if (std::chrono::steady_clock::now() >= deadline) {
            return WaitForSingleObject(event, 0) == WAIT_OBJECT_0 ? WaitEnd::Signalled
                                                                  : WaitEnd::TimedOut;
        }
        // The event comes first: a finished request is not held up by messages.
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &event, MillisecondsUntil(deadline),
                                                         QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) return WaitEnd::Signalled;
        if (result == WAIT_TIMEOUT) return WaitEnd::TimedOut;
        if (result != WAIT_OBJECT_0 + 1) return WaitEnd::TimedOut;  // a failed wait ends it
        if (!DeliverWaitingMessages()) return WaitEnd::Quit;
    }
}

}  // namespace tarvolin
