#pragma once
// The main window: its controls, tray behaviour and event dispatch.
#include <windows.h>

// Creates the hidden main window with all its controls in their initial
// states and raises its created event (the tray icon). Null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// Runs the UI message loop until the main window has been destroyed.
void RunMessageLoop();
