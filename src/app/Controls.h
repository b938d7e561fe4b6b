#pragma once
// The main window's controls and the properties the rest of the tool reads
// and writes. Every property function may be called from any thread: calls
// from other threads are carried out on the UI thread, which owns the controls
// and the timers, and do nothing once the main window is gone.
#include <windows.h>

#include <string>

// Controls, created by CreateMainWindow in this order.
extern HWND 选择框1, 分组框3, 单选框6, 编辑框1, 单选框7, 超级链接框1, 分组框2, 按钮2, 单选框2, 单选框1, 分组框1,
    单选框5, 单选框4, 按钮3, 单选框3, 按钮1;

// The two timers of the main window; the value is the Win32 timer id.
enum TimerId : UINT_PTR { 时钟1 = 1, 时钟2 = 2 };

HWND MainWindow();

// Called by the main window when it is created, and with null when it is
// destroyed: the controls are then forgotten and the timers count as stopped.
void AttachMainWindow(HWND window);

// Check state of a radio button or check box: 1 checked, 0 otherwise.
// Setting it from code changes only that control and raises no click.
int CheckState(HWND control);
void SetCheckState(HWND control, int checked);

// Text of a control in the running ANSI code page.
std::string ControlText(HWND control);
void SetControlText(HWND control, const std::wstring& text);

void SetEnabled(HWND control, bool enabled);

// Timer interval in milliseconds, 0 meaning stopped; negative counts as 0.
// Writing the current value keeps the phase; another value restarts the timer.
int TimerInterval(TimerId timer);
void SetTimerInterval(TimerId timer, int milliseconds);

// The main window's visibility (0 hidden, 1 shown) and state
// (2 minimised, 3 maximised, 0 otherwise).
void SetWindowVisible(int visible);
int WindowState();
