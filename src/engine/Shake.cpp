#include "engine/Shake.h"

#include "app/Controls.h"
#include "desktop/Input.h"
#include "desktop/WindowQuery.h"
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
    HWND chat = ChatWindow;
    // Only a chat window in front is shaken: a click meant for it would
    // otherwise land in whatever window lies there now, or bring the chat
    // window back over the program the user switched to.
    if (GetForegroundWindow() != chat) {
        SetTimerInterval(时钟2, 0);
        return;
    }
    int savedX = CursorX();
    int savedY = CursorY();
    RECT rect = {};
    if (GetWindowRect(chat, &rect)) {
        ClickAt(rect.left + ShakeButtonFromLeft, rect.bottom - ShakeButtonFromBottom);
        SetCursorPos(savedX, savedY);
    }
}
