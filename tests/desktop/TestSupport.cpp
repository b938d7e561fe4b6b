#include "TestSupport.h"

#include "desktop/Delay.h"

#include <atomic>

namespace {

std::atomic<DWORD> fakeNow{0};
std::atomic<DWORD> fakeLastRead{0};
std::atomic<int> fakeReads{0};
std::atomic<bool> fakeAdvances{false};

DWORD ReadFakeTick() {
    const DWORD now = fakeAdvances ? fakeNow.fetch_add(1) : fakeNow.load();
    fakeLastRead = now;
    ++fakeReads;
    return now;
}

}  // namespace

void RegisterTestClass(const char* name, WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

UniqueWindow MakeWindow(const char* className,
                        const std::string& caption,
                        DWORD style,
                        const RECT& rect,
                        HWND parent,
                        DWORD extendedStyle) {
    return UniqueWindow(CreateWindowExA(extendedStyle, className, caption.c_str(), style, rect.left, rect.top,
                                        rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                        GetModuleHandleA(nullptr), nullptr));
}

void DrainQueue() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

bool RunsOnGbk() {
    return GetACP() == 936;
}

FakeTicks::FakeTicks(DWORD start, Mode mode) {
    fakeNow = start;
    fakeLastRead = start;
    fakeReads = 0;
    fakeAdvances = mode == Mode::AdvancingOnRead;
    SetTickSource(ReadFakeTick);
}

FakeTicks::~FakeTicks() {
    SetTickSource(nullptr);
}

void FakeTicks::Set(DWORD now) {
    fakeNow = now;
}

DWORD FakeTicks::LastRead() const {
    return fakeLastRead;
}

int FakeTicks::Reads() const {
    return fakeReads;
}
