#pragma once
// The send pipeline: run on a thread of its own for every caught press of the
// user's send key. It colours the message through the chat client's colour
// dialog, sometimes pastes the tail, and presses the client's real send key.
#include <windows.h>

#include <atomic>

// The colour dialog and its buttons, as the last search found them.
extern std::atomic<HWND> ColorDialog;
extern std::atomic<HWND> AddButton;
extern std::atomic<HWND> OkButton;

// Hotkey callback; the hotkey id is not used.
DWORD WINAPI SendPipeline(LPVOID hotkeyId);

void FindColorDialog();
void FindDialogButton(const wchar_t* captionPart, std::atomic<HWND>& target);
HWND NthEditChild(int n);
