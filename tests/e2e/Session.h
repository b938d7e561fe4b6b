#pragma once
// Shared by the end-to-end tests, the demo and the benchmark: starting the
// tool and the stand-in chat client as separate processes, reading the
// stand-in's log, finding the tool's controls and injecting real input.
#include <windows.h>

#include "PumpUntil.h"

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// A Windows path for a Unix path of the build (Wine maps / to Z:\).
std::wstring WinePath(const std::string& unixPath);

// The value of --name=VALUE on the command line, empty when missing.
std::string CommandLineOption(int argc, char** argv, const std::string& name);

// Microseconds of the system-wide performance counter, as the stand-in logs them.
int64_t NowMicros();

// UTF-8, as the stand-in logs texts.
std::string ToUtf8(const std::wstring& text);

// The text of a window of any process; empty when it does not answer.
std::wstring WindowText(HWND window);

// A child process that is ended when the object goes away.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();
    bool Start(const std::wstring& commandLine);
    // Waits up to `ms` for the process to end by itself.
    bool WaitForExit(DWORD ms);
    void Stop();
    HANDLE Handle() const { return info_.hProcess; }
    DWORD Id() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_ = {};
};

// Runs a program until it ends by itself and gives its exit code; false when
// it cannot start or still runs after `ms` (it is then ended).
bool RunToExit(const std::string& programPath, const std::wstring& arguments, DWORD ms, DWORD* exitCode);

// One line of the stand-in's log: time, kind, then the remaining fields.
struct StubEvent {
    int64_t micros = 0;
    std::string kind;
    std::vector<std::string> fields;
};

// Reads the stand-in's log as it grows.
class StubLog {
public:
    explicit StubLog(std::wstring path) : path_(std::move(path)) {}
    const std::wstring& Path() const { return path_; }
    // Every event logged so far.
    const std::vector<StubEvent>& Events();
    // Waits up to `ms` for the next event of `kind` after the first `skip`
    // events; copies it to `event`. False on timeout.
    bool WaitFor(const std::string& kind, DWORD ms, StubEvent* event = nullptr, size_t skip = 0);
    size_t Count(const std::string& kind);

private:
    std::wstring path_;
    size_t readBytes_ = 0;
    std::string partial_;
    std::vector<StubEvent> events_;
};

// The stand-in chat client, started with a private log file.
class ChatStub {
public:
    // Ends the stand-in and removes its log.
    ~ChatStub();
    // `extraArguments` such as L"--send-key enter".
    bool Start(const std::string& stubPath, const std::wstring& extraArguments = L"");
    HWND Window() const { return window_; }
    HWND Input() const { return input_; }
    StubLog& Log() { return *log_; }
    HANDLE Process() const { return process_.Handle(); }
    RECT Rect() const;
    // Brings the chat window to the front with the keyboard focus in its input.
    void BringToFront() const;
    // Types `text` into the input and waits until the client has taken it, as
    // a user sees the text before pressing the send key.
    bool Type(const std::wstring& text) const;

private:
    ChildProcess process_;
    std::unique_ptr<StubLog> log_;
    HWND window_ = nullptr;
    HWND input_ = nullptr;
};

// The tool, started as the user starts it.
class Tool {
public:
    bool Start(const std::string& toolPath);
    HWND Window() const { return window_; }
    // A control of the main window (or of its group boxes) by its caption.
    HWND Control(const std::wstring& caption) const;
    // Clicks Start and closes the usage hint; false when the hint never came.
    bool ClickStart(std::wstring* hintText = nullptr);
    // Clicks Start and returns the usage hint, left open; null when it never came.
    HWND OpenUsageHint(std::wstring* hintText = nullptr);
    bool CloseUsageHint(HWND hint);
    // Sets a check state the way the program does it from code (no click).
    void SetChecked(const std::wstring& caption, bool checked) const;
    // A click on a button, radio or check box, as the user makes it.
    void Click(const std::wstring& caption) const;
    bool Checked(const std::wstring& caption) const;
    void SetEditText(const std::wstring& text) const;
    bool Close();

private:
    ChildProcess process_;
    HWND window_ = nullptr;
};

// Real input through the system's input stream.
void TypeText(const std::wstring& text);
void PressChord(std::initializer_list<WORD> keys);
// Moves the cursor to a point of the screen and clicks the left button there.
void ClickAt(POINT point);
// Rests the cursor on the chat window's title bar, where no child window lies.
void RestCursorOnTitle(HWND window);

// A colour of the log (RRGGBB) as hue, saturation and luminosity, 0..240.
struct Hls {
    int hue, luminosity, saturation;
};
Hls HlsOf(const std::string& rrggbb);
