// The hotkey service before its worker exists. This program runs on its own so the
// worker has certainly not been started by an earlier test.
#include "HotkeyTestSupport.h"
#include "hotkey/HotkeyService.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace {

constexpr TestKey FirstKey = {VK_F20, MOD_ALT | MOD_SHIFT};

TEST(HotkeyServiceFirstUse, RefusedRequestsStartNoWorkerAndLeaveTheServiceUsable) {
    struct InvalidRequest {
        const char* what;
        HotkeyCallback callback;
        int virtualKey;
    };
    const InvalidRequest InvalidRequests[] = {
        {"virtual key 0", IgnorePress, 0},
        {"null callback", nullptr, FirstKey.virtualKey},
        {"both missing", nullptr, 0},
    };
    InitHotkeyTable();

    // The threads are counted before any assertion: GoogleTest starts a thread of
    // its own at the first one.
    const int threadsBefore = CountOwnThreads();
    std::vector<int> acquiredIds;
    std::vector<std::vector<int>> tablesAfter;
    for (const InvalidRequest& request : InvalidRequests) {
        acquiredIds.push_back(AcquireHotkey(request.callback, request.virtualKey, FirstKey.modifiers));
        tablesAfter.push_back(TableIds());
    }
    // Nobody could hand these over, so they must fail without keeping the table busy.
    bool releasedAll = true;
    bool released = true;
    const bool releasesReturned = RunsWithin(PatienceMs, [&releasedAll, &released] {
        releasedAll = ReleaseAllHotkeys();
        released = ReleaseHotkey(100);
    });
    const int threadsAfter = CountOwnThreads();

    ASSERT_TRUE(releasesReturned) << "a release left the table busy";

    for (size_t i = 0; i < std::size(InvalidRequests); ++i) {
        SCOPED_TRACE(InvalidRequests[i].what);
        EXPECT_EQ(acquiredIds[i], 0);
        EXPECT_TRUE(tablesAfter[i].empty());
    }
    EXPECT_FALSE(releasedAll);
    EXPECT_FALSE(released);
    EXPECT_EQ(HotkeyWorkerThreadId(), 0u);
    EXPECT_EQ(threadsAfter, threadsBefore) << "no worker";

    const int threadsBeforeWorker = CountOwnThreads();
    int id = 0;
    ASSERT_TRUE(RunsWithin(PatienceMs, [&id] {
        id = AcquireHotkey(IgnorePress, FirstKey.virtualKey, FirstKey.modifiers);
    })) << "the first acquisition hangs";
    EXPECT_EQ(id, 100);
    EXPECT_NE(HotkeyWorkerThreadId(), 0u);
    EXPECT_EQ(CountOwnThreads(), threadsBeforeWorker + 1) << "exactly one worker";

    EXPECT_TRUE(ReleaseAllHotkeys());
    FreeHotkeyTable();
}

}  // namespace
