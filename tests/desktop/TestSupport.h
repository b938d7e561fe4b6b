#pragma once
// Real windows, message pumping and a replaceable clock for the desktop tests.
#include <windows.h>

#include "desktop/ScopedWin.h"
#include "PumpUntil.h"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// Registers a window class of the test program once; later calls are no-ops.
void RegisterTestClass(const char* name, WNDPROC procedure = DefWindowProcA);

// A plain class answering everything with DefWindowProcA.
inline constexpr char ProbeClass[] = "VelmiraProbe";

UniqueWindow MakeWindow(const char* className,
                        const std::string& caption,
                        DWORD style,
                        const RECT& rect,
                        HWND parent = nullptr,
                        DWORD extendedStyle = 0);

// Removes whatever is still queued for the calling thread, WM_QUIT included.
void DrainQueue();

// The byte-level expectations are written for code page 936.
bool RunsOnGbk();

// A one-shot signal between threads. (std::latch can miss its wake-up with this
// MinGW runtime under Wine and leave the waiter blocked for good.)
class Signal {
public:
    Signal() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    void Raise() { SetEvent(event_.get()); }
    void Wait() const { WaitForSingleObject(event_.get(), INFINITE); }

private:
    UniqueHandle event_;
};

// Replaces the tick source for one test; GetTickCount comes back when it ends.
class FakeTicks {
public:
    enum class Mode { Frozen, AdvancingOnRead };
    FakeTicks(DWORD start, Mode mode);
    FakeTicks(const FakeTicks&) = delete;
    FakeTicks& operator=(const FakeTicks&) = delete;
    ~FakeTicks();
    void Set(DWORD now);
    // The last value handed out, and how many times the source was read.
    DWORD LastRead() const;
    int Reads() const;
};
