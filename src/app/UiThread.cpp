#include "app/UiThread.h"

#include <atomic>

namespace {
std::atomic<HWND> uiWindow{nullptr};
std::atomic<DWORD> uiThreadId{0};
}  // namespace

void SetUiWindow(HWND window) {
    uiThreadId = window ? GetCurrentThreadId() : 0;
    uiWindow = window;
}

bool RunOnUiThread(const std::function<void()>& work) {
    HWND window = uiWindow;
    if (!window)
        return false;
    if (GetCurrentThreadId() == uiThreadId) {
        work();
        return true;
    }
    // The UI thread answers sent messages also inside modal loops (message
    // boxes), so this cannot wait on a thread that never pumps.
    return SendMessageW(window, WMAPP_UI_CALL, 0, reinterpret_cast<LPARAM>(&work)) != 0;
}

void RunUiCall(LPARAM work) {
    (*reinterpret_cast<const std::function<void()>*>(work))();
}
