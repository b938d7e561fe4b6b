#include "app/Controls.h"

#include "app/UiThread.h"

#include <algorithm>
#include <vector>

HWND 选择框1, 分组框3, 单选框6, 编辑框1, 单选框7, 超级链接框1, 分组框2, 按钮2, 单选框2, 单选框1, 分组框1, 单选框5,
    单选框4, 按钮3, 单选框3, 按钮1;

namespace {
HWND mainWindow;
// Intervals as last written; only the UI thread reads or writes them.
int timerIntervals[3];
}  // namespace

void AttachMainWindow(HWND window) {
    mainWindow = window;
    timerIntervals[时钟1] = timerIntervals[时钟2] = 0;
    if (!window) {
        选择框1 = 分组框3 = 单选框6 = 编辑框1 = 单选框7 = 超级链接框1 = 分组框2 = 按钮2 = 单选框2 = 单选框1 = 分组框1 =
            单选框5 = 单选框4 = 按钮3 = 单选框3 = 按钮1 = nullptr;
    }
    SetUiWindow(window);
}

HWND MainWindow() {
    return mainWindow;
}

int CheckState(HWND control) {
    int state = 0;
    RunOnUiThread([&] { state = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0; });
    return state;
}

void SetCheckState(HWND control, int checked) {
    RunOnUiThread([&] {
        // Checking an automatic radio would also uncheck the rest of its group;
        // for the time of the message it is made a plain radio button.
        LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
        bool automatic = (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        if (automatic)
            SetWindowLongPtrW(control, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_RADIOBUTTON);
        SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
        if (automatic)
            SetWindowLongPtrW(control, GWL_STYLE,
                              (GetWindowLongPtrW(control, GWL_STYLE) & ~BS_TYPEMASK) | BS_AUTORADIOBUTTON);
    });
}

std::string ControlText(HWND control) {
    std::string text;
    RunOnUiThread([&] {
        int length = GetWindowTextLengthA(control);
        if (length <= 0)
            return;
        std::vector<char> buffer(length + 1);
        int copied = GetWindowTextA(control, buffer.data(), length + 1);
        text.assign(buffer.data(), std::max(copied, 0));
    });
    return text;
}

void SetControlText(HWND control, const std::wstring& text) {
    RunOnUiThread([&] { SetWindowTextW(control, text.c_str()); });
}

void SetEnabled(HWND control, bool enabled) {
    RunOnUiThread([&] { EnableWindow(control, enabled); });
}

int TimerInterval(TimerId timer) {
    int interval = 0;
    RunOnUiThread([&] { interval = timerIntervals[timer]; });
    return interval;
}

void SetTimerInterval(TimerId timer, int milliseconds) {
    RunOnUiThread([&] {
        int interval = std::max(milliseconds, 0);
        if (interval == timerIntervals[timer])
            return;
        KillTimer(mainWindow, timer);
        timerIntervals[timer] = interval;
        if (interval > 0)
            SetTimer(mainWindow, timer, interval, nullptr);
    });
}

void SetWindowVisible(int visible) {
    RunOnUiThread([&] { ShowWindow(mainWindow, visible ? SW_SHOW : SW_HIDE); });
}

int WindowState() {
    int state = 0;
    RunOnUiThread([&] { state = IsIconic(mainWindow) ? 2 : IsZoomed(mainWindow) ? 3 : 0; });
    return state;
}
