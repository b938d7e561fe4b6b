#pragma once
// Helpers shared by the hotkey service tests and the key-holder program.
#include <windows.h>

#include <functional>
#include <vector>

// Keys nothing else in the test session holds: F13..F24 with modifiers.
struct TestKey {
    int virtualKey;
    int modifiers;
};

// Long enough for a slow machine; a hang fails the test instead of blocking the run.
constexpr DWORD PatienceMs = 20000;

// A callback for entries whose presses the test does not watch.
DWORD WINAPI IgnorePress(LPVOID hotkeyId);

// The ids of the table's entries, in table order.
std::vector<int> TableIds();

// Threads of this process that exist right now.
int CountOwnThreads();

// Injects presses of the key, with its modifiers held, into the system input stream
// in one go.
void PressKey(TestKey key, int times = 1);

// Polls the condition every millisecond; false when it is still false after limitMs.
bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = PatienceMs);

// Runs work on a thread of its own; false when it has not returned within limitMs.
bool RunsWithin(DWORD limitMs, std::function<void()> work);

// Registers the key on the calling thread, signals ready and keeps the key until
// quit is signalled. Returns false at once when the key is taken.
bool HoldKeyUntil(TestKey key, HANDLE ready, HANDLE quit);
