#pragma once
// Waiting in tests without blocking the calling thread's windows.
#include <windows.h>

#include <functional>

// Dispatches the calling thread's messages until done() holds or the timeout
// passes; false on timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 2000);
