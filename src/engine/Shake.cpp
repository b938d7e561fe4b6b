#include "engine/Shake.h"

#include "app/Controls.h"
#include "desktop/Input.h"
#include "desktop/WindowInspect.h"
#include "engine/Assist.h"
#include "engine/QqClient.h"

namespace {
constexpr int ShakeIntervalMs = 11000;
}  // namespace

void ArmShakeTimer() {
    HWND chat = ChatWindow;
    if (chat && CompareText(ReadWindowText(chat).c_str(), "") != 0)
        SetTimerInterval(时钟2, ShakeIntervalMs);
}

void ShakeTick() {
    int savedX = CursorX();
    int savedY = CursorY();
    HWND chat = ChatWindow;
    RECT rect = {};
    // Without the chat window's rectangle there is no shake button to click.
    if (GetWindowRect(chat, &rect)) {
        ClickAt(rect.left + ShakeButtonFromLeft, rect.bottom - ShakeButtonFromBottom);
        SetCursorPos(savedX, savedY);
    }
    if (GetForegroundWindow() != chat)
        SetTimerInterval(时钟2, 0);
}
