// The hotkey service against the real user32 of the session: real registrations,
// presses injected with SendInput, keys held by other threads and processes.
#include "HotkeyTestSupport.h"
#include "desktop/ScopedWin.h"
#include "hotkey/HotkeyService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

constexpr TestKey KeyA = {VK_F13, MOD_CONTROL | MOD_ALT};
constexpr TestKey KeyA2 = {VK_F13, MOD_CONTROL};  // same key as KeyA, other modifiers
constexpr TestKey KeyB = {VK_F14, MOD_CONTROL | MOD_SHIFT};
constexpr TestKey KeyC = {VK_F15, MOD_ALT | MOD_SHIFT};
constexpr TestKey KeyD = {VK_F16, MOD_CONTROL};
constexpr TestKey KeyE = {VK_F17, MOD_CONTROL | MOD_ALT | MOD_SHIFT};
constexpr TestKey HeldKey = {VK_F23, MOD_CONTROL | MOD_ALT};
// Stays registered for the rest of the process once its table is freed under it.
constexpr TestKey KeyKeptAfterFree = {VK_F24, MOD_CONTROL | MOD_SHIFT};

// How long a callback thread that should not exist gets to show up.
constexpr DWORD SettleMs = 200;

// Enough presses to keep the worker starting threads for a while.
constexpr int BacklogPresses = 100;

// What the callback threads of watched presses saw. They wait at the gate until
// the test opens it, so quick presses show up as threads running at once.
struct PressLog {
    std::mutex mutex;
    std::vector<INT_PTR> ids;
    std::vector<DWORD> threads;
    std::atomic<int> started = 0;
    std::atomic<int> finished = 0;
    UniqueHandle gate{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};
PressLog pressLog;

DWORD WINAPI WatchedPress(LPVOID hotkeyId) {
    {
        std::lock_guard guard(pressLog.mutex);
        pressLog.ids.push_back(reinterpret_cast<INT_PTR>(hotkeyId));
        pressLog.threads.push_back(GetCurrentThreadId());
    }
    ++pressLog.started;
    WaitForSingleObject(pressLog.gate.get(), PatienceMs);
    ++pressLog.finished;
    return 0;
}

// Differs from IgnorePress in its body too, so no linker folds the two.
DWORD WINAPI OtherCallback(LPVOID) {
    return 1;
}

int Acquire(TestKey key, HotkeyCallback callback = IgnorePress) {
    return AcquireHotkey(callback, key.virtualKey, key.modifiers);
}

// True when this thread may take the key, that is when nobody holds it.
bool KeyIsFree(TestKey key) {
    constexpr int ProbeId = 1;
    if (!RegisterHotKey(nullptr, ProbeId, key.modifiers, key.virtualKey))
        return false;
    UnregisterHotKey(nullptr, ProbeId);
    return true;
}

// Presses the key of an IgnorePress entry many times in one go: the worker starts a
// thread for each press before it reaches a request queued after them. The entry
// must not lie behind an entry being released, or a press's scan removes that one.
void BacklogWorker(TestKey key) {
    PressKey(key, BacklogPresses);
}

class HotkeyServiceTest : public testing::Test {
protected:
    void SetUp() override {
        InitHotkeyTable();
        ResetEvent(pressLog.gate.get());
        pressLog.ids.clear();
        pressLog.threads.clear();
        pressLog.started = 0;
        pressLog.finished = 0;
    }

    void TearDown() override {
        SetEvent(pressLog.gate.get());
        EXPECT_TRUE(WaitUntil([] { return pressLog.finished == pressLog.started; }));
        ReleaseAllHotkeys();
        FreeHotkeyTable();
    }
};

TEST_F(HotkeyServiceTest, IdsFollowTheLastEntry) {
    struct Step {
        const char* what;
        std::vector<int> releaseFirst;
        TestKey key;
        HotkeyCallback callback;
        int expectedId;
        std::vector<int> expectedTable;
    };
    const Step Steps[] = {
        {"first entry of an empty table", {}, KeyA, IgnorePress, 100, {100}},
        {"same key with other modifiers", {}, KeyA2, IgnorePress, 104, {100, 104}},
        {"known key pair with another callback", {}, KeyA, OtherCallback, 100, {100, 104}},
        {"third entry", {}, KeyB, IgnorePress, 108, {100, 104, 108}},
        {"after the middle entry went", {104}, KeyC, IgnorePress, 112, {100, 108, 112}},
        {"after the last two entries went", {108, 112}, KeyD, IgnorePress, 104, {100, 104}},
        {"after the table emptied", {100, 104}, KeyE, IgnorePress, 100, {100}},
    };
    for (const Step& step : Steps) {
        SCOPED_TRACE(step.what);
        for (int id : step.releaseFirst)
            EXPECT_TRUE(ReleaseHotkey(id)) << id;
        EXPECT_EQ(Acquire(step.key, step.callback), step.expectedId);
        EXPECT_EQ(TableIds(), step.expectedTable);
        for (const HotkeyEntry& entry : CopyHotkeyTable()) {
            EXPECT_EQ(entry.callback, IgnorePress) << "entry " << entry.id << " keeps the callback it was added with";
            EXPECT_TRUE(entry.registerAttempted && entry.registerResult) << "entry " << entry.id << " is registered";
        }
    }
}

enum class Holder { Thread, Process };

// Holds a key outside the service, on a thread of this process or in a process
// of its own, until destroyed.
class KeyHolder {
public:
    KeyHolder(Holder kind, TestKey key) : key_(key) {
        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        ready_ = UniqueHandle(CreateEventW(&inheritable, TRUE, FALSE, nullptr));
        quit_ = UniqueHandle(CreateEventW(&inheritable, TRUE, FALSE, nullptr));
        holder_ = kind == Holder::Thread ? StartThread() : StartProcess();
        HANDLE holdsOrEnded[] = {ready_.get(), holder_.get()};
        holds_ = holder_ && WaitForMultipleObjects(2, holdsOrEnded, FALSE, PatienceMs) == WAIT_OBJECT_0;
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    ~KeyHolder() {
        SetEvent(quit_.get());
        WaitForSingleObject(holder_.get(), PatienceMs);
    }
    bool holds() const { return holds_; }

private:
    UniqueHandle StartThread() {
        auto hold = [](LPVOID self) -> DWORD {
            auto* holder = static_cast<KeyHolder*>(self);
            return HoldKeyUntil(holder->key_, holder->ready_.get(), holder->quit_.get()) ? 0 : 1;
        };
        return UniqueHandle(CreateThread(nullptr, 0, hold, this, 0, nullptr));
    }

    // hotkey_holder.exe is built next to this program.
    UniqueHandle StartProcess() {
        wchar_t ownPath[MAX_PATH];
        std::wstring program(ownPath, GetModuleFileNameW(nullptr, ownPath, MAX_PATH));
        program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"hotkey_holder.exe";
        auto handleText = [](const UniqueHandle& handle) {
            return std::to_wstring(reinterpret_cast<UINT_PTR>(handle.get()));
        };
        std::wstring commandLine = L"\"" + program + L"\" " + std::to_wstring(key_.virtualKey) + L" " +
                                   std::to_wstring(key_.modifiers) + L" " + handleText(ready_) + L" " +
                                   handleText(quit_);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                            &process))
            return UniqueHandle();
        UniqueHandle thread(process.hThread);
        return UniqueHandle(process.hProcess);
    }

    TestKey key_;
    UniqueHandle ready_;
    UniqueHandle quit_;
    UniqueHandle holder_;
    bool holds_ = false;
};

class HotkeyHeldElsewhereTest : public HotkeyServiceTest, public testing::WithParamInterface<Holder> {};

TEST_P(HotkeyHeldElsewhereTest, IsRefusedAndLeavesNoEntry) {
    ASSERT_EQ(Acquire(KeyA), 100);
    {
        KeyHolder holder(GetParam(), HeldKey);
        ASSERT_TRUE(holder.holds());
        EXPECT_EQ(Acquire(HeldKey), 0);
        EXPECT_EQ(TableIds(), std::vector<int>{100});
        EXPECT_EQ(Acquire(KeyB), 104) << "the next entry gets the refused id";
    }
    EXPECT_EQ(Acquire(HeldKey), 108) << "once let go, the key is taken";
}

INSTANTIATE_TEST_SUITE_P(Holders,
                         HotkeyHeldElsewhereTest,
                         testing::Values(Holder::Thread, Holder::Process),
                         [](const testing::TestParamInfo<Holder>& info) {
                             return info.param == Holder::Thread ? "OtherThread" : "OtherProcess";
                         });

TEST_F(HotkeyServiceTest, ReleaseOfAnUnknownIdFailsAndKeepsTheServiceUsable) {
    ASSERT_EQ(Acquire(KeyA), 100);
    ASSERT_EQ(Acquire(KeyB), 104);
    ASSERT_TRUE(ReleaseHotkey(104));
    int acquiredId = 0;
    bool finished = RunsWithin(PatienceMs, [&acquiredId] {
        // 104 is gone by now, 108 was never given.
        for (int unknownId : {0, -100, 99, 101, 104, 108}) {
            SCOPED_TRACE(unknownId);
            EXPECT_FALSE(ReleaseHotkey(unknownId));
        }
        acquiredId = Acquire(KeyC);
    });
    ASSERT_TRUE(finished) << "a failed release left the table busy";
    EXPECT_EQ(acquiredId, 104);
    EXPECT_EQ(TableIds(), (std::vector<int>{100, 104}));
}

TEST_F(HotkeyServiceTest, AcquisitionAfterAReleaseWaitsForTheWorkerToRemoveTheEntry) {
    ASSERT_EQ(Acquire(KeyA), 100);
    ASSERT_EQ(Acquire(KeyB), 104);
    BacklogWorker(KeyA);
    ASSERT_TRUE(ReleaseHotkey(104));
    EXPECT_EQ(Acquire(KeyC), 104) << "appended while the released entry was still in the table";
    EXPECT_EQ(TableIds(), (std::vector<int>{100, 104}));
    EXPECT_TRUE(KeyIsFree(KeyB));
}

TEST_F(HotkeyServiceTest, EachPressStartsACallbackThreadWithTheEntryId) {
    ASSERT_EQ(Acquire(KeyA, WatchedPress), 100);
    const int id = Acquire(KeyB, WatchedPress);
    ASSERT_EQ(id, 104);

    PressKey(KeyB);
    ASSERT_TRUE(WaitUntil([] { return pressLog.started == 1; }));
    PressKey(KeyB);
    ASSERT_TRUE(WaitUntil([] { return pressLog.started == 2; }));
    EXPECT_EQ(pressLog.finished, 0) << "both callbacks run at once";
    {
        std::lock_guard guard(pressLog.mutex);
        EXPECT_EQ(pressLog.ids, (std::vector<INT_PTR>{id, id}));
        EXPECT_NE(pressLog.threads[0], pressLog.threads[1]);
        for (DWORD thread : pressLog.threads) {
            EXPECT_NE(thread, GetCurrentThreadId());
            EXPECT_NE(thread, HotkeyWorkerThreadId());
        }
    }
    SetEvent(pressLog.gate.get());
    EXPECT_TRUE(WaitUntil([] { return pressLog.finished == 2; }));

    // The worker serves this request after the presses queued before it.
    ASSERT_EQ(Acquire(KeyC), 108);
    EXPECT_FALSE(WaitUntil([] { return pressLog.started > 2; }, SettleMs)) << "one thread per press";
}

TEST_F(HotkeyServiceTest, ReleaseAllEmptiesTheTableAndUnregistersEveryKey) {
    const TestKey keys[] = {KeyA, KeyA2, KeyB};
    for (TestKey key : keys) {
        ASSERT_NE(Acquire(key), 0);
        ASSERT_FALSE(KeyIsFree(key));
    }
    EXPECT_TRUE(ReleaseAllHotkeys());
    ASSERT_TRUE(WaitUntil([] { return CopyHotkeyTable().empty(); }));
    for (TestKey key : keys)
        EXPECT_TRUE(KeyIsFree(key)) << key.virtualKey << "/" << key.modifiers;
    EXPECT_EQ(Acquire(KeyC), 100);
}

TEST_F(HotkeyServiceTest, ThreadsAskingForTheSameKeyAtOnceShareOneEntry) {
    constexpr int Threads = 6;
    ASSERT_EQ(Acquire(KeyB), 100);
    // A release queued behind a backlog keeps the table busy, so every thread has
    // looked the key up in vain before the first of them can add it.
    BacklogWorker(KeyB);
    ASSERT_TRUE(ReleaseHotkey(100));
    std::vector<int> ids(Threads);
    bool finished = RunsWithin(PatienceMs, [&ids] {
        std::vector<std::thread> threads;
        for (int& id : ids)
            threads.emplace_back([&id] { id = Acquire(KeyA); });
        for (std::thread& thread : threads)
            thread.join();
    });
    ASSERT_TRUE(finished);
    EXPECT_EQ(ids, std::vector<int>(Threads, 100));
    EXPECT_EQ(TableIds(), std::vector<int>{100});
}

// Ids ascend and step by 4 from 100; each key pair appears once.
bool IsConsistent(const std::vector<HotkeyEntry>& table) {
    std::set<std::pair<int, int>> keyPairs;
    int previousId = 0;
    for (const HotkeyEntry& entry : table) {
        if (entry.id <= previousId || entry.id < 100 || entry.id % 4 != 0)
            return false;
        if (!keyPairs.insert({entry.virtualKey, entry.modifiers}).second)
            return false;
        previousId = entry.id;
    }
    return true;
}

TEST_F(HotkeyServiceTest, ConcurrentAcquisitionsAndReleasesKeepTheTableConsistent) {
    constexpr int Threads = 4;
    constexpr int Rounds = 150;  // each round acquires two keys and releases them: 2400 calls in all
    constexpr DWORD RunLimitMs = 180000;
    auto ownKeys = [](int thread) {
        return std::vector<TestKey>{{VK_F19 + thread, MOD_CONTROL | MOD_ALT},
                                    {VK_F19 + thread, MOD_CONTROL | MOD_SHIFT}};
    };

    std::atomic<int> failedCalls = 0;
    std::atomic<int> inconsistentTables = 0;
    bool finished = RunsWithin(RunLimitMs, [&] {
        std::atomic<bool> done = false;
        std::thread checker([&] {
            while (!done) {
                if (!IsConsistent(CopyHotkeyTable()))
                    ++inconsistentTables;
                Sleep(1);
            }
        });
        std::vector<std::thread> threads;
        for (int thread = 0; thread < Threads; ++thread) {
            threads.emplace_back([&, thread] {
                for (int round = 0; round < Rounds; ++round) {
                    std::vector<int> ids;
                    for (TestKey key : ownKeys(thread)) {
                        ids.push_back(Acquire(key));
                        failedCalls += ids.back() == 0;
                    }
                    for (int id : ids)
                        failedCalls += !ReleaseHotkey(id);
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        done = true;
        checker.join();
    });
    ASSERT_TRUE(finished) << "the requests did not finish";
    EXPECT_EQ(failedCalls, 0);
    EXPECT_EQ(inconsistentTables, 0);
    EXPECT_TRUE(WaitUntil([] { return CopyHotkeyTable().empty(); }));
    for (int thread = 0; thread < Threads; ++thread) {
        for (TestKey key : ownKeys(thread))
            EXPECT_TRUE(KeyIsFree(key)) << key.virtualKey << "/" << key.modifiers;
    }
}

TEST_F(HotkeyServiceTest, FreeingTheTableLetsAReleaseInFlightFinish) {
    const int id = Acquire(KeyA);
    ASSERT_NE(id, 0);
    BacklogWorker(KeyA);
    ASSERT_TRUE(ReleaseHotkey(id));
    FreeHotkeyTable();
    EXPECT_TRUE(KeyIsFree(KeyA)) << "the table went before the worker unregistered the key";
    InitHotkeyTable();
}

TEST_F(HotkeyServiceTest, APressAfterTheTableIsFreedStartsNothing) {
    ASSERT_NE(Acquire(KeyKeptAfterFree, WatchedPress), 0);
    PressKey(KeyKeptAfterFree);
    ASSERT_TRUE(WaitUntil([] { return pressLog.started == 1; })) << "presses reach the worker";

    FreeHotkeyTable();
    PressKey(KeyKeptAfterFree);
    // Lets the worker meet the press while there is no table.
    Sleep(SettleMs);
    InitHotkeyTable();
    EXPECT_NE(Acquire(KeyA), 0) << "the worker survived the press";
    EXPECT_FALSE(WaitUntil([] { return pressLog.started > 1; }, SettleMs));
}

}  // namespace
