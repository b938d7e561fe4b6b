// The main window under Wine: start-up state, radio groups across group boxes,
// tray and minimise behaviour, the timer interval property and the option
// handlers.
#include "app/Controls.h"
#include "app/HyperlinkLabel.h"
#include "app/MainWindow.h"
#include "app/Options.h"
#include "app/Shell.h"
#include "engine/SendPipeline.h"
#include "hotkey/HotkeyService.h"
#include "MainWindowFixture.h"
#include "PumpUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

std::wstring TextOf(HWND window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

std::wstring ClassOf(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

// The control's place relative to its parent's client area.
RECT PlaceOf(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

TEST_F(MainWindowFixture, WindowIsCentredFixedAndMinimisable) {
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 258);
    EXPECT_EQ(rect.bottom - rect.top, 157);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 258) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 157) / 2);
    LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(ClassOf(window), L"velmira");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(MainWindow(), window);
}

struct ExpectedControl {
    const char* name;
    HWND* handle;
    HWND* parent;  // null: the main window
    const wchar_t* windowClass;
    RECT place;  // left, top, width, height
    const wchar_t* caption;
    int checked;  // -1: not a check control
    bool enabled;
    bool tabStop;
};

TEST_F(MainWindowFixture, ControlsStartInTheirPlacesAndStates) {
    const ExpectedControl expected[] = {
        {"选择框1", &选择框1, nullptr, L"Button", {5, 104, 72, 16}, L"抖动窗口", 0, true, true},
        {"分组框3", &分组框3, nullptr, L"Button", {156, 3, 92, 56}, L"高级", -1, true, false},
        {"单选框6", &单选框6, &分组框3, L"Button", {4, 35, 80, 16}, L"自定义色系", 0, true, true},
        {"编辑框1", &编辑框1, &分组框3, L"Edit", {62, 11, 24, 20}, L"0", -1, true, true},
        {"单选框7", &单选框7, &分组框3, L"Button", {4, 13, 64, 24}, L"去版权", 0, true, true},
        {"超级链接框1", &超级链接框1, nullptr, L"Static", {80, 99, 167, 24}, L"支持作者·Marvessa", -1, true, false},
        {"分组框2", &分组框2, nullptr, L"Button", {5, 3, 91, 56}, L"发送方式", -1, true, false},
        {"按钮2", &按钮2, &分组框2, L"Button", {60, 10, 24, 24}, L"停", -1, false, true},
        {"单选框2", &单选框2, &分组框2, L"Button", {5, 36, 80, 16}, L"Ctrl+Enter", 0, true, true},
        {"单选框1", &单选框1, &分组框2, L"Button", {5, 14, 80, 24}, L"Enter", 1, true, true},
        {"分组框1", &分组框1, nullptr, L"Button", {5, 56, 243, 40}, L"", -1, true, false},
        {"单选框5", &单选框5, &分组框1, L"Button", {179, 17, 56, 16}, L"灰色系", 0, true, true},
        {"单选框4", &单选框4, &分组框1, L"Button", {72, 13, 56, 24}, L"单色系", 0, true, true},
        {"按钮3", &按钮3, &分组框1, L"Button", {128, 14, 35, 18}, L"换色", -1, true, true},
        {"单选框3", &单选框3, &分组框1, L"Button", {5, 13, 80, 24}, L"全色系", 1, true, true},
        {"按钮1", &按钮1, nullptr, L"Button", {97, 8, 56, 48}, L"启动哇", -1, true, true},
    };
    for (const ExpectedControl& control : expected) {
        SCOPED_TRACE(control.name);
        HWND handle = *control.handle;
        ASSERT_TRUE(IsWindow(handle));
        EXPECT_EQ(GetParent(handle), control.parent ? *control.parent : window);
        EXPECT_EQ(_wcsicmp(ClassOf(handle).c_str(), control.windowClass), 0) << ClassOf(handle).c_str();
        RECT place = PlaceOf(handle);
        EXPECT_EQ(place.left, control.place.left);
        EXPECT_EQ(place.top, control.place.top);
        EXPECT_EQ(place.right, control.place.right);
        EXPECT_EQ(place.bottom, control.place.bottom);
        EXPECT_EQ(TextOf(handle), control.caption);
        if (control.checked >= 0) {
            EXPECT_EQ(CheckState(handle), control.checked);
        }
        EXPECT_EQ(IsWindowEnabled(handle) != FALSE, control.enabled);
        EXPECT_TRUE(IsWindowVisible(handle));
        EXPECT_EQ((GetWindowLongW(handle, GWL_STYLE) & WS_TABSTOP) != 0, control.tabStop);
    }
    EXPECT_EQ(ControlText(编辑框1), "0");
    EXPECT_EQ(TimerInterval(时钟1), 0);
    EXPECT_EQ(TimerInterval(时钟2), 0);
    EXPECT_EQ(WindowState(), 0);
    // The start button is not a default button, and shows line breaks.
    LONG startStyle = GetWindowLongW(按钮1, GWL_STYLE);
    EXPECT_EQ(startStyle & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_TRUE(startStyle & BS_MULTILINE);
}

// Automatic radios uncheck the other radios of their own group box only.
TEST_F(MainWindowFixture, RadioGroupsStayWithinTheirGroupBox) {
    SetCheckState(单选框7, 1);
    Click(单选框6);
    EXPECT_EQ(CheckState(单选框6), 1);
    EXPECT_EQ(CheckState(单选框7), 0);
    EXPECT_EQ(CheckState(单选框3), 1);
    EXPECT_EQ(CheckState(单选框1), 1);

    SetCheckState(单选框2, 1);
    SetCheckState(单选框7, 1);
    Click(单选框5);
    EXPECT_EQ(CheckState(单选框5), 1);
    EXPECT_EQ(CheckState(单选框2), 1);
    EXPECT_EQ(CheckState(单选框7), 1);
    EXPECT_EQ(CheckState(单选框3), 0);
}

TEST_F(MainWindowFixture, SettingACheckFromCodeRaisesNoClick) {
    SetCheckState(单选框2, 1);
    Pump(10);
    EXPECT_EQ(SendMode, SendKey::Enter);
    EXPECT_EQ(CheckState(单选框1), 1);
}

TEST_F(MainWindowFixture, MinimisingHidesAndTrayDoubleOrRightClickShows) {
    ShowWindow(window, SW_MINIMIZE);
    Pump(20);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(WindowState(), 2);

    struct Case {
        UINT mouseMessage;
        bool shows;
    };
    const Case cases[] = {
        {WM_LBUTTONUP, false}, {WM_MOUSEMOVE, false},  {WM_LBUTTONDBLCLK, true},
        {WM_RBUTTONUP, true},  {WM_CONTEXTMENU, true},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.mouseMessage);
        ShowWindow(window, SW_HIDE);
        SendMessageW(window, WMAPP_TRAY_CALLBACK, TrayIconId, item.mouseMessage);
        EXPECT_EQ(IsWindowVisible(window) != FALSE, item.shows);
    }
}

// True when `modifiers`+Enter is free: this thread can register it itself.
bool SendKeyIsFree(UINT modifiers) {
    if (!RegisterHotKey(nullptr, 1, modifiers, VK_RETURN))
        return false;
    UnregisterHotKey(nullptr, 1);
    return true;
}

TEST_F(MainWindowFixture, ClosingReleasesBothSendKeys) {
    // As after a capture in Enter mode.
    ASSERT_NE(AcquireHotkey(SendPipeline, VK_RETURN, 0), 0);
    EXPECT_FALSE(SendKeyIsFree(0));
    DestroyWindow(window);
    // The worker removes the released entries after the release calls return.
    EXPECT_TRUE(PumpUntil([] { return CopyHotkeyTable().empty(); }, 1000));
    EXPECT_TRUE(SendKeyIsFree(0));
    EXPECT_TRUE(SendKeyIsFree(MOD_CONTROL));
}

TEST(TrayEvents, MouseMessagesMapToTrayCodes) {
    EXPECT_EQ(TrayEventCode(WM_LBUTTONUP), 1);
    EXPECT_EQ(TrayEventCode(WM_LBUTTONDBLCLK), 2);
    EXPECT_EQ(TrayEventCode(WM_RBUTTONUP), 3);
    EXPECT_EQ(TrayEventCode(WM_CONTEXTMENU), 3);
    EXPECT_EQ(TrayEventCode(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(TrayEventCode(WM_RBUTTONDOWN), 0);
}

// Milliseconds from now until the next tick of 时钟1, or -1 within `limit`.
int MsUntilTick(HWND window, DWORD limit) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < limit) {
        MSG message;
        if (PeekMessageW(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE) && message.wParam == 时钟1)
            return GetTickCount() - start;
        Sleep(1);
    }
    return -1;
}

TEST_F(MainWindowFixture, TimerIntervalKeepsPhaseOnlyForTheSameValue) {
    SetTimerInterval(时钟1, -5);
    EXPECT_EQ(TimerInterval(时钟1), 0);

    // Same value again: the running timer keeps its phase and ticks ~100 ms later.
    SetTimerInterval(时钟1, 300);
    Sleep(200);
    SetTimerInterval(时钟1, 300);
    int sameValue = MsUntilTick(window, 1000);
    EXPECT_GE(sameValue, 0);
    EXPECT_LT(sameValue, 220);

    // Another value restarts the timer: the next tick is a whole period away.
    SetTimerInterval(时钟1, 0);
    SetTimerInterval(时钟1, 300);
    Sleep(200);
    SetTimerInterval(时钟1, 400);
    EXPECT_EQ(TimerInterval(时钟1), 400);
    int otherValue = MsUntilTick(window, 1000);
    EXPECT_GT(otherValue, 300);

    SetTimerInterval(时钟1, 0);
    EXPECT_EQ(MsUntilTick(window, 500), -1);
}

TEST_F(MainWindowFixture, PropertiesWrittenFromAnotherThreadReachTheUiThread) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        SetTimerInterval(时钟2, 11000);
        SetCheckState(选择框1, 1);
        SetControlText(编辑框1, L"12.5");
        done = true;
    });
    // The worker waits for this thread to carry out its requests.
    while (!done)
        Pump(5);
    worker.join();
    EXPECT_EQ(TimerInterval(时钟2), 11000);
    EXPECT_EQ(SendMessageW(选择框1, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ControlText(编辑框1), "12.5");
}

TEST(MainWindowGone, PropertiesFromAnotherThreadDoNothing) {
    std::thread worker([] {
        SetTimerInterval(时钟1, 10);
        EXPECT_EQ(TimerInterval(时钟1), 0);
        EXPECT_EQ(CheckState(单选框1), 0);
        EXPECT_EQ(ControlText(编辑框1), "");
    });
    worker.join();
}

TEST_F(MainWindowFixture, SchemeOptionsPrepareHueAndSaturation) {
    Click(单选框5);
    EXPECT_EQ(presetHue, 0);
    EXPECT_EQ(presetSaturation, 0);
    Click(单选框3);
    EXPECT_EQ(presetSaturation, 240);
    EXPECT_EQ(presetHue, 0);

    // Scheme radios uncheck the custom scheme, which lies in another group box.
    for (HWND* scheme : {&单选框3, &单选框4, &单选框5}) {
        SetCheckState(单选框6, 1);
        Click(*scheme);
        EXPECT_EQ(CheckState(单选框6), 0);
        EXPECT_EQ(CheckState(*scheme), 1);
    }

    // The change-colour button selects the single-colour scheme and draws anew each time.
    for (int round = 0; round < 3; ++round) {
        Click(按钮3);
        EXPECT_EQ(CheckState(单选框4), 1);
        EXPECT_EQ(CheckState(单选框3) + CheckState(单选框5) + CheckState(单选框6), 0);
        EXPECT_EQ(presetHue % 5, 0);
        EXPECT_LE(presetHue, 240);
    }
}

TEST_F(MainWindowFixture, SendModeRadiosSetTheModeAndUncheckTheOther) {
    Click(单选框2);
    EXPECT_EQ(SendMode, SendKey::CtrlEnter);
    EXPECT_EQ(CheckState(单选框1), 0);
    Click(单选框1);
    EXPECT_EQ(SendMode, SendKey::Enter);
    EXPECT_EQ(CheckState(单选框2), 0);
}

// The UI thread's generator is never seeded: a fresh UI thread always
// prepares the hues 205, 215, 65 first (draws 41, 43, 13 of 0..48).
TEST(FreshUiThread, PreparedHuesFollowTheUnseededSequence) {
    int hues[3] = {};
    std::thread ui([&] {
        HWND window = CreateMainWindow(GetModuleHandleW(nullptr));
        ASSERT_NE(window, nullptr);
        SendMessageW(单选框4, BM_CLICK, 0, 0);
        hues[0] = presetHue;
        SendMessageW(按钮3, BM_CLICK, 0, 0);
        hues[1] = presetHue;
        SendMessageW(单选框4, BM_CLICK, 0, 0);
        hues[2] = presetHue;
        DestroyWindow(window);
    });
    ui.join();
    EXPECT_EQ(hues[0], 205);
    EXPECT_EQ(hues[1], 215);
    EXPECT_EQ(hues[2], 65);
}

TEST(HyperlinkLabel, BrowserCommandLineCutsAtTheFirstPlaceholder) {
    struct Case {
        const char* command;
        const char* expected;
    };
    const Case cases[] = {
        {"\"C:\\browser.exe\" \"%1\"", "\"C:\\browser.exe\"  http://a/"},
        {"C:\\browser.exe %1 -new", "C:\\browser.exe  http://a/"},
        {"C:\\browser.exe -nohome", "C:\\browser.exe -nohome http://a/"},
        {"b.exe %1 \"%1\"", "b.exe %1  http://a/"},
    };
    for (const Case& item : cases)
        EXPECT_EQ(BrowserCommandLine(item.command, "http://a/"), item.expected) << item.command;
}

}  // namespace
