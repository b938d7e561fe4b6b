#include "desktop/Delay.h"

#include <atomic>

namespace {

std::atomic<TickSource> tickSource{nullptr};

void ProcessPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
        // PM_REMOVE rather than GetMessageA, which would wait if the peeked message
        // were gone meanwhile (a hook may drop it).
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            return;
        if (message.message == WM_QUIT) {
            // Arrived between the two peeks: put it back for the thread's own loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

void SetTickSource(TickSource source) {
    tickSource.store(source);
}

DWORD TickCount() {
    const TickSource source = tickSource.load();
    return source ? source() : GetTickCount();
}

void SleepMs(int ms) {
    Sleep(ms > 0 ? static_cast<DWORD>(ms) : 0);
}

void DelayPumping(int ms) {
    if (ms <= 0)
        return;
    const DWORD start = TickCount();
    for (;;) {
        ProcessPendingMessages();
        // Unsigned difference: right across the wrap of the tick count after 49.7 days.
        if (TickCount() - start > static_cast<DWORD>(ms))
            return;
    }
}
