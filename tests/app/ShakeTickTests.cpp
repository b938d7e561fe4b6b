// The shake tick in-process, against a chat window of the test's own: it
// clicks the shake button's point and puts the cursor back while the chat
// window is in front, and otherwise stops 时钟2 without clicking anywhere.
#include "app/Controls.h"
#include "engine/Assist.h"
#include "engine/Shake.h"
#include "MainWindowFixture.h"

#include <gtest/gtest.h>

namespace {

constexpr RECT ChatRect = {100, 100, 500, 500};
// Where the client's shake button lies: left + 105, bottom - 147.
constexpr POINT ShakePoint = {ChatRect.left + 105, ChatRect.bottom - 147};
constexpr POINT UserCursor = {700, 650};
// Where a click computed from an unreadable, all-zero rectangle would land:
// (105, -147), brought onto the screen.
constexpr POINT ClampedPoint = {105, 0};

int clicks;
POINT lastClick;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) {
        ++clicks;
        lastClick = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(window, &lastClick);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreatePopup(const wchar_t* className, RECT rect, DWORD exStyle) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CreateWindowExW(exStyle, className, L"chat", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

class ShakeTickTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        chat = CreatePopup(L"ShakeTestChat", ChatRect, 0);
        // Takes the clicks that would land on the shake button, without taking
        // the foreground from the chat window.
        target = CreatePopup(L"ShakeTestTarget",
                             {ShakePoint.x - 30, ShakePoint.y - 20, ShakePoint.x + 30, ShakePoint.y + 20},
                             WS_EX_TOPMOST | WS_EX_NOACTIVATE);
        edgeTarget = CreatePopup(L"ShakeTestTarget",
                                 {ClampedPoint.x - 30, ClampedPoint.y, ClampedPoint.x + 30, ClampedPoint.y + 20},
                                 WS_EX_TOPMOST | WS_EX_NOACTIVATE);
        clicks = 0;
    }
    void TearDown() override {
        ChatWindow = nullptr;
        DestroyWindow(target);
        DestroyWindow(edgeTarget);
        if (IsWindow(chat))
            DestroyWindow(chat);
        MainWindowFixture::TearDown();
    }
    HWND chat = nullptr;
    HWND target = nullptr;
    HWND edgeTarget = nullptr;
};

TEST_F(ShakeTickTest, ClicksOnlyWhileTheChatWindowIsInFront) {
    enum class Chat { InFront, Behind, Closed };
    struct Case {
        const char* name;
        Chat chat;
        int clicks;
        int intervalAfter;
    };
    const Case cases[] = {
        {"in front: click, keep running", Chat::InFront, 1, 11000},
        {"behind another window: no click, stop", Chat::Behind, 0, 0},
        {"closed: no rectangle, no click, stop", Chat::Closed, 0, 0},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        SetForegroundWindow(item.chat == Chat::Behind ? window : chat);
        Pump(20);
        HWND shaken = chat;
        if (item.chat == Chat::Closed) {
            shaken = CreatePopup(L"ShakeTestChat", ChatRect, 0);
            DestroyWindow(shaken);
        }
        ChatWindow = shaken;
        SetTimerInterval(时钟2, 11000);
        SetCursorPos(UserCursor.x, UserCursor.y);
        clicks = 0;

        ShakeTick();
        Pump(50);

        EXPECT_EQ(clicks, item.clicks);
        if (item.clicks) {
            EXPECT_EQ(lastClick.x, ShakePoint.x);
            EXPECT_EQ(lastClick.y, ShakePoint.y);
        }
        POINT cursor;
        GetCursorPos(&cursor);
        EXPECT_EQ(cursor.x, UserCursor.x);
        EXPECT_EQ(cursor.y, UserCursor.y);
        EXPECT_EQ(TimerInterval(时钟2), item.intervalAfter);
    }
}

TEST_F(ShakeTickTest, ArmingNeedsAChatWindowWithACaption) {
    struct Case {
        const char* name;
        const wchar_t* caption;  // null: no chat window
        int interval;
    };
    const Case cases[] = {
        {"no chat window", nullptr, 0},
        {"chat window without caption", L"", 0},
        {"chat window", L"小明", 11000},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        SetTimerInterval(时钟2, 0);
        ChatWindow = item.caption ? chat : nullptr;
        if (item.caption)
            SetWindowTextW(chat, item.caption);
        ArmShakeTimer();
        EXPECT_EQ(TimerInterval(时钟2), item.interval);
    }
}

TEST_F(ShakeTickTest, StopAlsoStopsTheShakeTimer) {
    SetTimerInterval(时钟2, 11000);
    ChatWindow = chat;
    StopAssist();
    EXPECT_EQ(TimerInterval(时钟2), 0);
    EXPECT_EQ(ChatWindow.load(), nullptr);
}

}  // namespace
