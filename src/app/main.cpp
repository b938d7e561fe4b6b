#include "app/MainWindow.h"
#include "hotkey/HotkeyService.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    // The browser automation runs on this thread.
    OleInitialize(nullptr);
    InitHotkeyTable();
    std::atexit(FreeHotkeyTable);

    HWND window = CreateMainWindow(instance);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    RunMessageLoop();
    return 0;
}
