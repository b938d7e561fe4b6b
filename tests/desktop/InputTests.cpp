#include "desktop/Input.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windowsx.h>

#include <mutex>
#include <thread>
#include <vector>

namespace {

struct KeyEvent {
    DWORD key;
    bool up;
    bool operator==(const KeyEvent&) const = default;
};

KeyEvent Down(DWORD key) {
    return {key, false};
}

KeyEvent Up(DWORD key) {
    return {key, true};
}

void PrintTo(const KeyEvent& event, std::ostream* out) {
    *out << event.key << (event.up ? " up" : " down");
}

// Sees every injected key event through a low-level keyboard hook on a thread of
// its own, the way the system delivers them, before any window gets them.
class KeyboardRecorder {
public:
    KeyboardRecorder() : thread_([this] { Run(); }) { started_.Wait(); }
    KeyboardRecorder(const KeyboardRecorder&) = delete;
    KeyboardRecorder& operator=(const KeyboardRecorder&) = delete;
    ~KeyboardRecorder() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    bool hooked() const { return hook_ != nullptr; }

    // Injects an end mark, which the hook swallows, and returns what came before it.
    std::vector<KBDLLHOOKSTRUCT> EventsUntilMark() {
        keybd_event(MarkKey, 0, KEYEVENTF_KEYUP, MarkExtraInfo);
        const DWORD start = GetTickCount();
        while (!MarkSeen() && GetTickCount() - start < MarkTimeoutMs)
            Sleep(1);
        std::lock_guard lock(guard);
        EXPECT_TRUE(markSeen) << "the end mark never reached the hook";
        markSeen = false;
        return std::exchange(events, {});
    }

private:
    static constexpr BYTE MarkKey = VK_F24;
    static constexpr ULONG_PTR MarkExtraInfo = 0x56454C4D;
    static constexpr DWORD MarkTimeoutMs = 2000;

    static bool MarkSeen() {
        std::lock_guard lock(guard);
        return markSeen;
    }

    static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HC_ACTION) {
            const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
            std::lock_guard lock(guard);
            if (event.vkCode == MarkKey && event.dwExtraInfo == MarkExtraInfo) {
                markSeen = true;
                return 1;
            }
            events.push_back(event);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    void Run() {
        threadId_ = GetCurrentThreadId();
        // Wine passes events by a hook whose thread has no message queue yet: make it first.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        hook_ = SetWindowsHookExA(WH_KEYBOARD_LL, Record, GetModuleHandleA(nullptr), 0);
        started_.Raise();
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        }
        if (hook_)
            UnhookWindowsHookEx(hook_);
    }

    static inline std::mutex guard;
    static inline std::vector<KBDLLHOOKSTRUCT> events;
    static inline bool markSeen = false;

    Signal started_;
    DWORD threadId_ = 0;
    HHOOK hook_ = nullptr;
    std::thread thread_;
};

struct ChordCase {
    const char* name;
    int key1, key2, key3;
    std::vector<KeyEvent> expected;
};

TEST(PressKeys, InjectsDownsThenUpsInPressOrder) {
    const ChordCase cases[] = {
        {"Enter", VK_RETURN, 0, 0, {Down(VK_RETURN), Up(VK_RETURN)}},
        {"Ctrl+T", VK_CONTROL, 'T', 0, {Down(VK_CONTROL), Down('T'), Up(VK_CONTROL), Up('T')}},
        {"Ctrl+Enter", VK_CONTROL, VK_RETURN, 0, {Down(VK_CONTROL), Down(VK_RETURN), Up(VK_CONTROL), Up(VK_RETURN)}},
        {"second key left out", 'A', 0, 'B', {Down('A'), Down('B'), Up('A'), Up('B')}},
        {"three keys", 'A', 'B', 'C', {Down('A'), Down('B'), Down('C'), Up('A'), Up('B'), Up('C')}},
        {"low byte only", 0x100 + 'A', 0, 0, {Down('A'), Up('A')}},
    };
    KeyboardRecorder recorder;
    ASSERT_TRUE(recorder.hooked());
    for (const ChordCase& c : cases) {
        SCOPED_TRACE(c.name);
        PressKeys(c.key1, c.key2, c.key3);
        const std::vector<KBDLLHOOKSTRUCT> seen = recorder.EventsUntilMark();
        std::vector<KeyEvent> keys;
        for (const KBDLLHOOKSTRUCT& event : seen) {
            keys.push_back({event.vkCode, (event.flags & LLKHF_UP) != 0});
            EXPECT_EQ(event.scanCode, 0u);
            EXPECT_EQ(event.flags & LLKHF_EXTENDED, 0u);
            EXPECT_EQ(event.dwExtraInfo, 0u);
        }
        EXPECT_EQ(keys, c.expected);
    }
}

constexpr char ClickClass[] = "VelmiraClickRecorder";

struct Click {
    UINT message;
    POINT at;
    bool operator==(const Click& other) const {
        return message == other.message && at.x == other.at.x && at.y == other.at.y;
    }
};

void PrintTo(const Click& click, std::ostream* out) {
    *out << (click.message == WM_LBUTTONDOWN ? "down" : "up") << " at " << click.at.x << "," << click.at.y;
}

LRESULT CALLBACK RecordClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* clicks = reinterpret_cast<std::vector<Click>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (clicks && (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP))
        clicks->push_back({message, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}});
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(ClickAt, ClicksWhereItLeavesTheCursor) {
    RegisterTestClass(ClickClass, RecordClicks);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        const char* name;
        RECT window;
        POINT target;
        POINT landing;
    } cases[] = {
        {"on the screen", {200, 150, 500, 350}, {260, 190}, {260, 190}},
        {"beyond the bottom-left corner",
         {0, screenHeight - 100, 200, screenHeight},
         {-40, screenHeight + 500},
         {0, screenHeight - 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Click> clicks;
        UniqueWindow window = MakeWindow(ClickClass, "", WS_POPUP | WS_VISIBLE, c.window, nullptr, WS_EX_TOPMOST);
        SetWindowLongPtrA(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&clicks));
        ClickAt(c.target.x, c.target.y);
        PumpUntil([&] { return clicks.size() >= 2; });
        const POINT inWindow = {c.landing.x - c.window.left, c.landing.y - c.window.top};
        EXPECT_EQ(clicks, (std::vector<Click>{{WM_LBUTTONDOWN, inWindow}, {WM_LBUTTONUP, inWindow}}));
        EXPECT_EQ(CursorX(), c.landing.x);
        EXPECT_EQ(CursorY(), c.landing.y);
    }
}

}  // namespace
