#pragma once
// The two small services of the main window: a modal message box and the
// notification-area icon.
#include <windows.h>

#include <span>
#include <string>

// Callback message of the tray icon and its uID.
constexpr UINT WMAPP_TRAY_CALLBACK = 0x8064;
constexpr UINT TrayIconId = 100;

// Shows a message box without owner and waits until the user closes it. The
// box is task-modal unless `flags` asks for a system-modal one. Returns the
// button that closed it.
int ShowMessage(const std::wstring& text, UINT flags, const std::wstring& title = L"信息：");

// Puts `iconFile` (the image of an .ico file) into the notification area for
// `window` with the tooltip `tip`, or replaces the icon already shown. An empty
// image removes the icon. Failures are not reported.
void SetTrayIcon(HWND window, std::span<const BYTE> iconFile, const std::string& tip);

// The tray event code of a callback message: 1 left click, 2 left double-click,
// 3 right click, 0 for the mouse messages that raise no event.
int TrayEventCode(LPARAM mouseMessage);
