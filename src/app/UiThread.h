#pragma once
// Work that must happen on the UI thread (controls, timers) is handed to it
// by SendMessage to the main window, so other threads never touch a control.
#include <windows.h>

#include <functional>

constexpr UINT WMAPP_UI_CALL = WM_APP + 1;

// Called once by the main window when it is created and when it is destroyed.
void SetUiWindow(HWND window);

// Runs `work` on the UI thread and returns when it is done: at once when the
// caller is the UI thread. False, with nothing done, when there is no window.
bool RunOnUiThread(const std::function<void()>& work);

// The main window's handler of WMAPP_UI_CALL.
void RunUiCall(LPARAM work);
