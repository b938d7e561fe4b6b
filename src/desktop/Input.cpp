#include "desktop/Input.h"

#include "desktop/ScopedWin.h"

#include <cstring>

namespace {

void SendKey(int key, DWORD flags) {
    keybd_event(static_cast<BYTE>(key), 0, flags, 0);
}

POINT CursorPosition() {
    POINT position = {};
    GetCursorPos(&position);
    return position;
}

}  // namespace

void PressKeys(int key1, int key2, int key3) {
    SendKey(key1, 0);
    if (key2)
        SendKey(key2, 0);
    if (key3)
        SendKey(key3, 0);
    // Released in press order, not in reverse: for Ctrl+T, Ctrl goes up before T.
    SendKey(key1, KEYEVENTF_KEYUP);
    if (key2)
        SendKey(key2, KEYEVENTF_KEYUP);
    if (key3)
        SendKey(key3, KEYEVENTF_KEYUP);
}

int CursorX() {
    return CursorPosition().x;
}

int CursorY() {
    return CursorPosition().y;
}

void ClickAt(int x, int y) {
    SetCursorPos(x, y);
    // Without MOUSEEVENTF_MOVE the coordinates do not move the cursor: the click
    // lands where SetCursorPos put it, brought onto the screen if need be.
    mouse_event(MOUSEEVENTF_LEFTDOWN, static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
}

bool SetClipboardText(const char* text) {
    if (!text)
        text = "";
    ClipboardSession clipboard(nullptr);
    if (!clipboard)
        return false;
    EmptyClipboard();
    const size_t size = std::strlen(text) + 1;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!block)
        return false;
    {
        ScopedGlobalLock lock(block.get());
        if (!lock.data())
            return false;
        std::memcpy(lock.data(), text, size);
    }
    if (!SetClipboardData(CF_TEXT, block.get()))
        return false;
    // The clipboard owns the block from now on.
    block.release();
    return true;
}
