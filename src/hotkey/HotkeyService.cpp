#include "hotkey/HotkeyService.h"

#include "desktop/ScopedWin.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>

namespace {

constexpr int FirstHotkeyId = 100;
constexpr int HotkeyIdStep = 4;
constexpr DWORD PollStepMs = 5;

// lParam of WM_HOTKEY_SERVICE. Every value but ReleaseAllRequest asks for a scan.
constexpr LPARAM ScanRequest = 0;
constexpr LPARAM ReleaseRequest = 2;
constexpr LPARAM ReleaseAllRequest = 3;

// An SRW lock for std::lock_guard. It has no destructor, so it still works while
// static objects are destroyed at exit and the worker runs on.
class TableLock {
public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// Guards hotkeyTable and its entries. Held only for short table accesses, never
// while sleeping or waiting for the worker.
TableLock tableLock;

// On the heap and freed only by FreeHotkeyTable: a static destructor would free it
// at exit under the feet of the worker, which lives until the process ends.
std::vector<HotkeyEntry>* hotkeyTable = nullptr;

// Claimed by the requester that changes the table. A release hands it over to the
// worker, which clears it, so it cannot be a lock owned by one thread.
std::atomic_flag hotkeyBusy;

std::atomic<DWORD> hotkeyWorkerThreadId = 0;

void TakeBusyFlag() {
    while (hotkeyBusy.test_and_set())
        Sleep(PollStepMs);
}

// Callers hold tableLock, as for every helper that walks the table.
std::vector<HotkeyEntry>::iterator FindEntry(int id) {
    return std::find_if(hotkeyTable->begin(), hotkeyTable->end(),
                        [id](const HotkeyEntry& entry) { return entry.id == id; });
}

// 0 when no entry has this key pair.
int IdOfKeyPair(int virtualKey, int modifiers) {
    if (!hotkeyTable)
        return 0;
    auto entry = std::find_if(hotkeyTable->begin(), hotkeyTable->end(), [&](const HotkeyEntry& candidate) {
        return candidate.virtualKey == virtualKey && candidate.modifiers == modifiers;
    });
    return entry == hotkeyTable->end() ? 0 : entry->id;
}

bool PostToWorker(LPARAM request) {
    DWORD worker = hotkeyWorkerThreadId;
    return worker != 0 && PostThreadMessageA(worker, WM_HOTKEY_SERVICE, 0, request);
}

void StartCallback(const HotkeyEntry& entry) {
    // Detached: the press's work runs on its own and the worker goes back to its queue.
    UniqueHandle thread(
        CreateThread(nullptr, 0, entry.callback, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(entry.id)), 0, nullptr));
}

// Registers the entries not tried yet, up to the first press to serve or released
// entry to remove; so one scan starts at most one callback and removes at most one entry.
void ScanTable(std::optional<int> pressedId) {
    for (auto entry = hotkeyTable->begin(); entry != hotkeyTable->end(); ++entry) {
        if (entry->id == pressedId) {
            StartCallback(*entry);
            return;
        }
        if (entry->releasePending) {
            UnregisterHotKey(nullptr, entry->id);
            hotkeyTable->erase(entry);
            hotkeyBusy.clear();
            return;
        }
        if (!entry->registerAttempted) {
            entry->registerResult = RegisterHotKey(nullptr, entry->id, entry->modifiers, entry->virtualKey);
            entry->registerAttempted = true;
        }
    }
}

void EmptyTable() {
    for (const HotkeyEntry& entry : *hotkeyTable)
        UnregisterHotKey(nullptr, entry.id);
    hotkeyTable->clear();
    hotkeyBusy.clear();
}

void HandleWorkerMessage(const MSG& message) {
    bool keyPressed = message.message == WM_HOTKEY;
    if (!keyPressed && message.message != WM_HOTKEY_SERVICE)
        return;
    std::lock_guard guard(tableLock);
    // After FreeHotkeyTable a press of a key still registered starts nothing.
    if (!hotkeyTable)
        return;
    if (keyPressed)
        ScanTable(static_cast<int>(message.wParam));
    else if (message.lParam == ReleaseAllRequest)
        EmptyTable();
    else
        ScanTable(std::nullopt);
}

DWORD WINAPI HotkeyWorker(LPVOID) {
    // GetMessage hands over every queued message in order and sleeps only while the
    // queue is empty. WM_QUIT is dropped like any foreign message: the worker lives
    // as long as the process.
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) != -1)
        HandleWorkerMessage(message);
    return 0;
}

// Called with hotkeyBusy held, so only one thread can start the worker.
bool StartWorkerOnce() {
    if (hotkeyWorkerThreadId != 0)
        return true;
    DWORD threadId = 0;
    UniqueHandle worker(CreateThread(nullptr, 0, HotkeyWorker, nullptr, 0, &threadId));
    if (!worker)
        return false;
    hotkeyWorkerThreadId = threadId;
    return true;
}

std::optional<HotkeyEntry> CopyEntry(int id) {
    std::lock_guard guard(tableLock);
    if (!hotkeyTable)
        return std::nullopt;
    auto entry = FindEntry(id);
    if (entry == hotkeyTable->end())
        return std::nullopt;
    return *entry;
}

// Wakes the worker every 5 ms until it has tried to register the entry. Posting
// again also covers a new worker whose message queue does not exist yet.
bool WaitForRegistration(int id) {
    for (;;) {
        std::optional<HotkeyEntry> entry = CopyEntry(id);
        if (!entry)
            return false;
        if (entry->registerAttempted)
            return entry->registerResult != FALSE;
        PostToWorker(ScanRequest);
        Sleep(PollStepMs);
    }
}

void RemoveEntry(int id) {
    std::lock_guard guard(tableLock);
    if (!hotkeyTable)
        return;
    auto entry = FindEntry(id);
    if (entry != hotkeyTable->end())
        hotkeyTable->erase(entry);
}

}  // namespace

void InitHotkeyTable() {
    std::lock_guard guard(tableLock);
    if (!hotkeyTable)
        hotkeyTable = new std::vector<HotkeyEntry>();
}

int AcquireHotkey(HotkeyCallback callback, int virtualKey, int modifiers) {
    if (virtualKey == 0 || !callback)
        return 0;
    {
        std::lock_guard guard(tableLock);
        if (int id = IdOfKeyPair(virtualKey, modifiers))
            return id;
    }
    TakeBusyFlag();
    int id = 0;
    bool appended = false;
    {
        std::lock_guard guard(tableLock);
        // Another thread may have added the same key pair while this one waited.
        id = IdOfKeyPair(virtualKey, modifiers);
        if (id == 0 && hotkeyTable) {
            id = hotkeyTable->empty() ? FirstHotkeyId : hotkeyTable->back().id + HotkeyIdStep;
            hotkeyTable->push_back({id, callback, virtualKey, modifiers, false, false, FALSE});
            appended = true;
        }
    }
    // A refused entry goes while the flag is still held, so no look-up can return its id.
    if (appended && !(StartWorkerOnce() && WaitForRegistration(id))) {
        RemoveEntry(id);
        id = 0;
    }
    hotkeyBusy.clear();
    return id;
}

bool ReleaseHotkey(int id) {
    TakeBusyFlag();
    bool handedOver = false;
    {
        std::lock_guard guard(tableLock);
        if (hotkeyTable) {
            auto entry = FindEntry(id);
            // Without a worker nobody would clear the flag: then the call fails instead.
            if (entry != hotkeyTable->end() && PostToWorker(ReleaseRequest)) {
                entry->releasePending = true;
                handedOver = true;
            }
        }
    }
    if (!handedOver)
        hotkeyBusy.clear();
    return handedOver;
}

bool ReleaseAllHotkeys() {
    TakeBusyFlag();
    bool handedOver = false;
    {
        std::lock_guard guard(tableLock);
        handedOver = hotkeyTable && PostToWorker(ReleaseAllRequest);
    }
    if (!handedOver)
        hotkeyBusy.clear();
    return handedOver;
}

void FreeHotkeyTable() {
    // Waiting for the flag lets a release already handed to the worker finish first.
    TakeBusyFlag();
    {
        std::lock_guard guard(tableLock);
        delete hotkeyTable;
        hotkeyTable = nullptr;
    }
    // Requests made after program end find no table and return at once.
    hotkeyBusy.clear();
}

std::vector<HotkeyEntry> CopyHotkeyTable() {
    std::lock_guard guard(tableLock);
    return hotkeyTable ? *hotkeyTable : std::vector<HotkeyEntry>();
}

DWORD HotkeyWorkerThreadId() {
    return hotkeyWorkerThreadId;
}
