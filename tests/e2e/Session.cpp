#include "Session.h"

#include <shlwapi.h>

#include <cstdlib>
#include <map>
#include <memory>

namespace {
constexpr DWORD StartTimeoutMs = 15000;
constexpr DWORD ExitTimeoutMs = 5000;

std::wstring Widen(const std::string& text) {
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

HWND ParseHandle(const std::string& text) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoull(text.c_str(), nullptr, 16)));
}

void SendKey(WORD key, DWORD flags, WCHAR unicode = 0) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = unicode ? 0 : key;
    input.ki.wScan = unicode;
    input.ki.dwFlags = flags | (unicode ? KEYEVENTF_UNICODE : 0);
    SendInput(1, &input, sizeof(input));
}

// The top-level window of `className` that belongs to `processId`.
HWND FindProcessWindow(const wchar_t* className, const wchar_t* caption, DWORD processId) {
    for (HWND window = FindWindowExW(nullptr, nullptr, className, caption); window;
         window = FindWindowExW(nullptr, window, className, caption)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}
}  // namespace

std::wstring WinePath(const std::string& unixPath) {
    std::wstring path = Widen(unixPath);
    if (!path.empty() && path.front() == L'/')
        path = L"Z:" + path;
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

std::string CommandLineOption(int argc, char** argv, const std::string& name) {
    std::string prefix = "--" + name + "=";
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument.rfind(prefix, 0) == 0)
            return argument.substr(prefix.size());
    }
    return {};
}

std::string ToUtf8(const std::wstring& text) {
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// GetWindowText reads only captions of other processes' windows, not the
// contents of their edit controls.
std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 1000, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 1000,
                        &copied);
    text.resize(copied);
    return text;
}

int64_t NowMicros() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return counter.QuadPart / frequency.QuadPart * 1000000 +
           counter.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::Start(const std::wstring& commandLine) {
    STARTUPINFOW startup = {sizeof(startup)};
    std::wstring mutableLine = commandLine;
    return CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
}

bool ChildProcess::WaitForExit(DWORD ms) {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0;
}

void ChildProcess::Stop() {
    if (!info_.hProcess)
        return;
    if (!WaitForExit(0)) {
        TerminateProcess(info_.hProcess, 1);
        WaitForExit(ExitTimeoutMs);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
}

bool RunToExit(const std::string& programPath, const std::wstring& arguments, DWORD ms, DWORD* exitCode) {
    ChildProcess process;
    return process.Start(L"\"" + WinePath(programPath) + L"\" " + arguments) && process.WaitForExit(ms) &&
           GetExitCodeProcess(process.Handle(), exitCode);
}

const std::vector<StubEvent>& StubLog::Events() {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return events_;
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(readBytes_);
    SetFilePointerEx(file, offset, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        readBytes_ += read;
        partial_.append(buffer, read);
    }
    CloseHandle(file);
    size_t end;
    while ((end = partial_.find('\n')) != std::string::npos) {
        std::string line = partial_.substr(0, end);
        partial_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() < 2)
            continue;
        StubEvent event;
        event.micros = std::strtoll(fields[0].c_str(), nullptr, 10);
        event.kind = fields[1];
        event.fields.assign(fields.begin() + 2, fields.end());
        events_.push_back(std::move(event));
    }
    return events_;
}

bool StubLog::WaitFor(const std::string& kind, DWORD ms, StubEvent* event, size_t skip) {
    return PumpUntil(
        [&] {
            const std::vector<StubEvent>& all = Events();
            for (size_t i = skip; i < all.size(); ++i) {
                if (all[i].kind == kind) {
                    if (event)
                        *event = all[i];
                    return true;
                }
            }
            return false;
        },
        ms);
}

size_t StubLog::Count(const std::string& kind) {
    size_t count = 0;
    for (const StubEvent& event : Events())
        count += event.kind == kind;
    return count;
}

ChatStub::~ChatStub() {
    process_.Stop();
    if (log_)
        DeleteFileW(log_->Path().c_str());
}

bool ChatStub::Start(const std::string& stubPath, const std::wstring& extraArguments) {
    wchar_t directory[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    GetTempFileNameW(directory, L"stb", 0, file);
    log_ = std::make_unique<StubLog>(file);
    std::wstring commandLine = L"\"" + WinePath(stubPath) + L"\" --log \"" + file + L"\" " + extraArguments;
    StubEvent ready;
    if (!process_.Start(commandLine) || !log_->WaitFor("ready", StartTimeoutMs, &ready) || ready.fields.size() < 2)
        return false;
    window_ = ParseHandle(ready.fields[0]);
    input_ = ParseHandle(ready.fields[1]);
    return IsWindow(window_);
}

RECT ChatStub::Rect() const {
    RECT rect = {};
    GetWindowRect(window_, &rect);
    return rect;
}

void ChatStub::BringToFront() const {
    SetForegroundWindow(window_);
    PumpUntil([&] { return GetForegroundWindow() == window_; }, 2000);
}

bool ChatStub::Type(const std::wstring& text) const {
    TypeText(text);
    return PumpUntil(
        [&] {
            std::wstring typed = WindowText(input_);
            return typed.size() >= text.size() && typed.compare(typed.size() - text.size(), text.size(), text) == 0;
        },
        StartTimeoutMs);
}

bool Tool::Start(const std::string& toolPath) {
    if (!process_.Start(L"\"" + WinePath(toolPath) + L"\""))
        return false;
    return PumpUntil(
        [&] {
            window_ = FindProcessWindow(L"velmira", nullptr, process_.Id());
            return window_ && IsWindowVisible(window_);
        },
        StartTimeoutMs);
}

HWND Tool::Control(const std::wstring& caption) const {
    struct Search {
        const std::wstring* caption;
        HWND found;
    } search = {&caption, nullptr};
    EnumChildWindows(
        window_,
        [](HWND child, LPARAM parameter) -> BOOL {
            auto* search = reinterpret_cast<Search*>(parameter);
            if (WindowText(child) != *search->caption)
                return TRUE;
            search->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Tool::OpenUsageHint(std::wstring* hintText) {
    HWND start = Control(L"启动哇");
    if (!start)
        start = Control(L"已经启动\r\n(重启)");
    if (!start)
        start = Control(L"已停止\r\n(启动)");
    PostMessageW(start, BM_CLICK, 0, 0);
    HWND hint = nullptr;
    if (!PumpUntil([&] { return (hint = FindProcessWindow(L"#32770", L"温馨提示：", process_.Id())) != nullptr; },
                   StartTimeoutMs))
        return nullptr;
    // The box exists a moment before its text does.
    std::wstring text;
    PumpUntil(
        [&] {
            for (HWND child = FindWindowExW(hint, nullptr, L"Static", nullptr); child;
                 child = FindWindowExW(hint, child, L"Static", nullptr)) {
                std::wstring candidate = WindowText(child);
                if (candidate.size() > text.size())
                    text = candidate;
            }
            return !text.empty();
        },
        StartTimeoutMs);
    if (hintText)
        *hintText = text;
    return hint;
}

bool Tool::CloseUsageHint(HWND hint) {
    PostMessageW(hint, WM_COMMAND, IDOK, 0);
    return PumpUntil([&] { return !IsWindow(hint); }, StartTimeoutMs);
}

bool Tool::ClickStart(std::wstring* hintText) {
    HWND hint = OpenUsageHint(hintText);
    return hint && CloseUsageHint(hint);
}

void Tool::Click(const std::wstring& caption) const {
    DWORD_PTR result;
    SendMessageTimeoutW(Control(caption), BM_CLICK, 0, 0, SMTO_NORMAL, StartTimeoutMs, &result);
}

void Tool::SetChecked(const std::wstring& caption, bool checked) const {
    SendMessageW(Control(caption), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Tool::Checked(const std::wstring& caption) const {
    return SendMessageW(Control(caption), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Tool::SetEditText(const std::wstring& text) const {
    HWND group = Control(L"高级");
    SendMessageW(FindWindowExW(group, nullptr, L"Edit", nullptr), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text.c_str()));
}

bool Tool::Close() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return process_.WaitForExit(ExitTimeoutMs);
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        SendKey(0, 0, c);
        SendKey(0, KEYEVENTF_KEYUP, c);
    }
}

void PressChord(std::initializer_list<WORD> keys) {
    for (WORD key : keys)
        SendKey(key, 0);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
        SendKey(*key, KEYEVENTF_KEYUP);
}

void ClickAt(POINT point) {
    SetCursorPos(point.x, point.y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void RestCursorOnTitle(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    int titleMiddle = GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    SetCursorPos((rect.left + rect.right) / 2, rect.top + titleMiddle);
}

Hls HlsOf(const std::string& rrggbb) {
    unsigned long value = std::strtoul(rrggbb.c_str(), nullptr, 16);
    COLORREF colour = RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    WORD hue, luminosity, saturation;
    ColorRGBToHLS(colour, &hue, &luminosity, &saturation);
    return {hue, luminosity, saturation};
}
