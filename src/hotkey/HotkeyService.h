#pragma once
// Process-wide global hotkeys. A hotkey registered without a window is delivered
// only to the thread that registered it, so one worker thread makes every
// RegisterHotKey and UnregisterHotKey call and receives every WM_HOTKEY. Other
// threads put their requests into the table and wake the worker; each press runs
// the entry's callback on a thread of its own, so the worker is never blocked.
#include <windows.h>

#include <vector>

// Thread start routine run for each press; receives the entry's id.
using HotkeyCallback = DWORD(WINAPI*)(LPVOID hotkeyId);

// Private thread message that wakes the worker; wParam 0, lParam the request.
constexpr UINT WM_HOTKEY_SERVICE = 57521;

struct HotkeyEntry {
    int id;  // 100 in an empty table, otherwise the last entry's id plus 4
    HotkeyCallback callback;
    int virtualKey;
    int modifiers;  // MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN or-ed, as RegisterHotKey takes them
    bool registerAttempted;
    bool releasePending;
    BOOL registerResult;
};

// Creates the empty table; the worker starts with the first entry.
void InitHotkeyTable();

// The id of the hotkey (virtualKey, modifiers): an existing entry's id (its callback
// stays), or a new entry's once the worker has registered it. 0 when the key or the
// callback is missing, or when the key is held elsewhere.
int AcquireHotkey(HotkeyCallback callback, int virtualKey, int modifiers);

// Hands the entry to the worker and returns before it is unregistered; later
// requests wait until the worker has removed it. False for an unknown id.
bool ReleaseHotkey(int id);

// Hands every entry to the worker, as ReleaseHotkey does; false without a worker.
bool ReleaseAllHotkeys();

// Frees the table at program end, after the worker has finished a release in
// flight. Hotkeys stay registered; presses of them start nothing any more.
void FreeHotkeyTable();

// A copy of the table's entries in table order, empty when there is no table.
std::vector<HotkeyEntry> CopyHotkeyTable();

// The worker's thread id, 0 until the first entry started it.
DWORD HotkeyWorkerThreadId();
