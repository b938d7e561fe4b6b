#include "HotkeyTestSupport.h"

#include "desktop/ScopedWin.h"
#include "hotkey/HotkeyService.h"

#include <tlhelp32.h>

#include <memory>

DWORD WINAPI IgnorePress(LPVOID) {
    return 0;
}

std::vector<int> TableIds() {
    std::vector<int> ids;
    for (const HotkeyEntry& entry : CopyHotkeyTable())
        ids.push_back(entry.id);
    return ids;
}

int CountOwnThreads() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof(thread);
    int count = 0;
    for (BOOL found = Thread32First(snapshot.get(), &thread); found; found = Thread32Next(snapshot.get(), &thread)) {
        if (thread.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    }
    return count;
}

void PressKey(TestKey key, int times) {
    struct Modifier {
        int flag;
        WORD virtualKey;
    };
    constexpr Modifier Modifiers[] = {
        {MOD_ALT, VK_MENU}, {MOD_CONTROL, VK_CONTROL}, {MOD_SHIFT, VK_SHIFT}, {MOD_WIN, VK_LWIN}};

    std::vector<INPUT> inputs;
    auto stroke = [&inputs](WORD virtualKey, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (const Modifier& modifier : Modifiers) {
        if (key.modifiers & modifier.flag)
            stroke(modifier.virtualKey, 0);
    }
    for (int i = 0; i < times; ++i) {
        stroke(static_cast<WORD>(key.virtualKey), 0);
        stroke(static_cast<WORD>(key.virtualKey), KEYEVENTF_KEYUP);
    }
    for (const Modifier& modifier : Modifiers) {
        if (key.modifiers & modifier.flag)
            stroke(modifier.virtualKey, KEYEVENTF_KEYUP);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs)
            return false;
        Sleep(1);
    }
    return true;
}

bool RunsWithin(DWORD limitMs, std::function<void()> work) {
    // The thread owns the work, so a call that never returns leaves nothing dangling here.
    auto* owned = new std::function<void()>(std::move(work));
    auto run = [](LPVOID parameter) -> DWORD {
        std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
        (*work)();
        return 0;
    };
    UniqueHandle thread(CreateThread(nullptr, 0, run, owned, 0, nullptr));
    if (!thread) {
        delete owned;
        return false;
    }
    return WaitForSingleObject(thread.get(), limitMs) == WAIT_OBJECT_0;
}

bool HoldKeyUntil(TestKey key, HANDLE ready, HANDLE quit) {
    constexpr int HolderHotkeyId = 1;
    if (!RegisterHotKey(nullptr, HolderHotkeyId, key.modifiers, key.virtualKey))
        return false;
    SetEvent(ready);
    WaitForSingleObject(quit, INFINITE);
    UnregisterHotKey(nullptr, HolderHotkeyId);
    return true;
}
