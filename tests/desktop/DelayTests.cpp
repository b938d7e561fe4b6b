#include "desktop/Delay.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <utility>
#include <vector>

namespace {

constexpr char RecorderClass[] = "VelmiraDelayRecorder";
constexpr UINT ProbeMessage = WM_APP + 1;

using Received = std::vector<std::pair<UINT, WPARAM>>;

LRESULT CALLBACK RecordProbesAndCharacters(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* received = reinterpret_cast<Received*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (received && (message == ProbeMessage || message == WM_CHAR))
        received->emplace_back(message, wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

class DelayPumpingTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterTestClass(RecorderClass, RecordProbesAndCharacters);
        window_ = MakeWindow(RecorderClass, "", 0, RECT{}, HWND_MESSAGE);
        ASSERT_TRUE(window_);
        SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received_));
        DrainQueue();
    }
    void TearDown() override { DrainQueue(); }

    // The next message left in the queue, removed from it.
    static std::pair<UINT, WPARAM> Next() {
        MSG message = {};
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            return {0, 0};
        return {message.message, message.wParam};
    }

    UniqueWindow window_;
    Received received_;
};

TEST_F(DelayPumpingTest, ZeroOrNegativeReturnsWithoutTouchingTheQueue) {
    for (int ms : {0, -1, INT_MIN}) {
        SCOPED_TRACE(ms);
        FakeTicks ticks(0, FakeTicks::Mode::AdvancingOnRead);
        PostMessageA(window_.get(), ProbeMessage, 1, 0);
        DelayPumping(ms);
        EXPECT_EQ(ticks.Reads(), 0);
        EXPECT_TRUE(received_.empty());
        EXPECT_EQ(Next(), std::make_pair(ProbeMessage, WPARAM{1}));
    }
}

TEST_F(DelayPumpingTest, DispatchesAndTranslatesPostedMessages) {
    constexpr LPARAM KeyDownA = 0x001E0001;  // repeat count 1, scan code of A
    FakeTicks ticks(0, FakeTicks::Mode::AdvancingOnRead);
    PostMessageA(window_.get(), ProbeMessage, 1, 0);
    PostMessageA(window_.get(), WM_KEYDOWN, 'A', KeyDownA);
    DelayPumping(20);
    EXPECT_EQ(received_, (Received{{ProbeMessage, 1}, {WM_CHAR, 'a'}}));
    EXPECT_EQ(Next().first, 0u);
}

TEST_F(DelayPumpingTest, StopsProcessingAtQuitAndLeavesItQueued) {
    constexpr int Delay = 10;
    FakeTicks ticks(0, FakeTicks::Mode::AdvancingOnRead);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 7, 0);
    PostMessageA(window_.get(), ProbeMessage, 2, 0);
    DelayPumping(Delay);
    EXPECT_TRUE(received_.empty());
    EXPECT_GT(ticks.LastRead(), DWORD{Delay});
    EXPECT_EQ(Next(), std::make_pair(UINT{WM_QUIT}, WPARAM{7}));
    EXPECT_EQ(Next(), std::make_pair(ProbeMessage, WPARAM{2}));
}

TEST_F(DelayPumpingTest, DispatchesWhatComesBeforeAPostedQuit) {
    FakeTicks ticks(0, FakeTicks::Mode::AdvancingOnRead);
    PostMessageA(window_.get(), ProbeMessage, 3, 0);
    PostQuitMessage(9);
    DelayPumping(10);
    EXPECT_EQ(received_, (Received{{ProbeMessage, 3}}));
    EXPECT_EQ(Next(), std::make_pair(UINT{WM_QUIT}, WPARAM{9}));
}

TEST_F(DelayPumpingTest, LastsItsFullTimeAcrossTheTickWrap) {
    constexpr int Delay = 50;
    for (DWORD start : {DWORD{0xFFFFFFFF} - 20, DWORD{0xFFFFFFFF}, DWORD{0x7FFFFFF0}, DWORD{0}}) {
        SCOPED_TRACE(start);
        FakeTicks ticks(start, FakeTicks::Mode::AdvancingOnRead);
        DelayPumping(Delay);
        // It ends at the first reading more than the delay after the start.
        EXPECT_EQ(ticks.LastRead() - start, DWORD{Delay + 1});
    }
}

TEST_F(DelayPumpingTest, WaitsOnTheSystemTickCount) {
    constexpr int Delay = 50;
    // One tick of GetTickCount may already have passed when the delay notes its start.
    constexpr auto TickGranularity = std::chrono::milliseconds(16);
    const auto start = std::chrono::steady_clock::now();
    DelayPumping(Delay);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(Delay) - TickGranularity);
}

}  // namespace
