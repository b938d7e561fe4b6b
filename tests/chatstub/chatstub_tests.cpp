// The stand-in chat client, run as its own process and driven the way the
// tool drives the real client: real keyboard and mouse input, messages to its
// windows and to its colour dialog. Assertions are on its log and windows.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "desktop/AnsiText.h"
#include "desktop/ScopedWin.h"

#include <charconv>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Fields = std::vector<std::string>;

constexpr DWORD StartTimeoutMs = 15000;
constexpr DWORD EventTimeoutMs = 5000;
constexpr DWORD PollMs = 5;

// Where the tool clicks, relative to the chat window's outer rectangle.
constexpr int ColourButtonFromLeft = 285;
constexpr int ColourButtonFromBottom = 168;
constexpr int ShakeButtonFromLeft = 105;
constexpr int ShakeButtonFromBottom = 147;

// Round-trip error of Wine's colour dialog from typed hue, saturation and
// luminosity through RGB and back.
constexpr int HueTolerance = 2;
constexpr int SaturationTolerance = 3;
constexpr int LuminosityTolerance = 1;
constexpr int HueSteps = 240;

template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = EventTimeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(PollMs);
    }
    return true;
}

long long MicrosecondsNow() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return count.QuadPart / frequency.QuadPart * 1000000 +
           count.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

std::string ToUtf8(std::wstring_view text) {
    if (text.empty())
        return {};
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

bool ParseHex(std::string_view text, unsigned long long& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// The stub's path comes from the build as a Unix path; Wine sees the Unix
// root as drive Z:.
std::wstring StubPath() {
    wchar_t buffer[2 * MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"VELMIRA_CHATSTUB", buffer, static_cast<DWORD>(std::size(buffer)));
    if (length == 0 || length >= std::size(buffer))
        return {};
    std::wstring path(buffer, length);
    if (path.front() == L'/') {
        for (wchar_t& c : path) {
            if (c == L'/')
                c = L'\\';
        }
        path.insert(0, L"Z:");
    }
    return path;
}

UniqueHandle StartProcess(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + StubPath() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return {};
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

// Runs the stub to its end; false if it did not end in time.
bool RunToExit(const std::wstring& arguments, DWORD& exitCode) {
    UniqueHandle process = StartProcess(arguments);
    if (!process)
        return false;
    if (WaitForSingleObject(process.get(), EventTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), EventTimeoutMs);
        return false;
    }
    return GetExitCodeProcess(process.get(), &exitCode) != FALSE;
}

// One running stub with its own log file; ended and cleaned up on scope exit,
// whatever the test did.
class Stub {
public:
    ~Stub() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 1);
            WaitForSingleObject(process_.get(), EventTimeoutMs);
        }
        if (!logPath_.empty())
            DeleteFileW(logPath_.c_str());
    }

    // Starts the stub and waits for its "ready" line.
    bool Start(const std::wstring& arguments = L"") {
        wchar_t directory[MAX_PATH], path[MAX_PATH];
        if (!GetTempPathW(MAX_PATH, directory) || !GetTempFileNameW(directory, L"cst", 0, path)) {
            ADD_FAILURE() << "no temporary log file";
            return false;
        }
        logPath_ = path;
        startTime_ = MicrosecondsNow();
        process_ = StartProcess(L"--log \"" + logPath_ + L"\" " + arguments);
        if (!process_) {
            ADD_FAILURE() << "cannot start the stub; VELMIRA_CHATSTUB=" << ToUtf8(StubPath());
            return false;
        }
        Fields ready = Next(StartTimeoutMs);
        unsigned long long window = 0, input = 0;
        if (ready.size() != 3 || ready[0] != "ready" || ready[1].substr(0, 2) != "0x" ||
            ready[2].substr(0, 2) != "0x" || !ParseHex(ready[1].substr(2), window) ||
            !ParseHex(ready[2].substr(2), input)) {
            ADD_FAILURE() << "no ready line";
            return false;
        }
        window_ = reinterpret_cast<HWND>(static_cast<UINT_PTR>(window));
        input_ = reinterpret_cast<HWND>(static_cast<UINT_PTR>(input));
        return true;
    }

    HWND window() const { return window_; }
    HWND input() const { return input_; }
    HANDLE process() const { return process_.get(); }
    long long startTime() const { return startTime_; }
    long long lastTime() const { return lastTime_; }

    // The fields after the time of the next unread log line, or none if no
    // line came in time. Lines must come in time order.
    Fields Next(DWORD timeoutMs = EventTimeoutMs) {
        std::vector<std::string> lines;
        WaitUntil(
            [&] {
                lines = CompleteLines();
                return lines.size() > linesRead_;
            },
            timeoutMs);
        if (lines.size() <= linesRead_)
            return {};
        std::string_view line = lines[linesRead_++];
        Fields fields;
        for (size_t tab; (tab = line.find('\t')) != std::string_view::npos; line.remove_prefix(tab + 1))
            fields.emplace_back(line.substr(0, tab));
        fields.emplace_back(line);
        long long time = -1;
        auto [end, error] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), time);
        EXPECT_TRUE(error == std::errc() && end == fields[0].data() + fields[0].size()) << "time " << fields[0];
        EXPECT_GE(time, lastTime_) << "log lines out of time order";
        lastTime_ = time;
        fields.erase(fields.begin());
        return fields;
    }

private:
    std::vector<std::string> CompleteLines() const {
        UniqueHandle file(CreateFileW(logPath_.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        std::string content;
        char buffer[4096];
        DWORD read = 0;
        while (file && ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
            content.append(buffer, read);
        std::vector<std::string> lines;
        for (size_t start = 0, end; (end = content.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(content.substr(start, end - start));
        return lines;
    }

    std::wstring logPath_;
    UniqueHandle process_;
    HWND window_ = nullptr;
    HWND input_ = nullptr;
    size_t linesRead_ = 0;
    long long startTime_ = 0;
    long long lastTime_ = 0;
};

// ---- Input, as the tool produces it ----------------------------------------

void SendKeyInput(WORD key, WORD scan, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

// Keys go down in order and come up in reverse order.
void PressKeys(std::initializer_list<WORD> keys) {
    for (WORD key : keys)
        SendKeyInput(key, 0, 0);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
        SendKeyInput(*key, 0, KEYEVENTF_KEYUP);
}

void PressEnter(bool withCtrl) {
    if (withCtrl)
        PressKeys({VK_CONTROL, VK_RETURN});
    else
        PressKeys({VK_RETURN});
}

void PressCtrlT() {
    PressKeys({VK_CONTROL, 'T'});
}

void TypeText(std::wstring_view text) {
    for (wchar_t c : text) {
        SendKeyInput(0, c, KEYEVENTF_UNICODE);
        SendKeyInput(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
    }
}

void ClickAt(POINT point) {
    SetCursorPos(point.x, point.y);
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// Owned by a message-only window that lives as long as the test program.
bool PutOnClipboard(std::wstring_view text) {
    static HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!owner || !OpenClipboard(owner))
        return false;
    EmptyClipboard();
    bool placed = false;
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        auto* characters = static_cast<wchar_t*>(GlobalLock(memory));
        text.copy(characters, text.size());
        characters[text.size()] = L'\0';
        GlobalUnlock(memory);
        placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!placed)
            GlobalFree(memory);
    }
    CloseClipboard();
    return placed;
}

// A bounded SendMessage: a stub that stops responding fails the test
// instead of hanging it.
LRESULT SendBounded(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, EventTimeoutMs, &result), 0)
        << "message " << message << " not answered";
    return static_cast<LRESULT>(result);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = L"";
    SendBounded(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

POINT ColourButtonPoint(HWND window) {
    RECT rect = WindowRect(window);
    return {rect.left + ColourButtonFromLeft, rect.bottom - ColourButtonFromBottom};
}

POINT ShakeButtonPoint(HWND window) {
    RECT rect = WindowRect(window);
    return {rect.left + ShakeButtonFromLeft, rect.bottom - ShakeButtonFromBottom};
}

bool IsForeground(HWND window) {
    return WaitUntil([&] { return GetForegroundWindow() == window; });
}

// ---- Colour dialog ---------------------------------------------------------

HWND FindColourDialog() {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindWindowW(L"#32770", L"颜色")) != nullptr; });
    return dialog;
}

std::vector<int> EditIds(HWND dialog) {
    std::vector<int> ids;
    for (HWND edit = nullptr; (edit = FindWindowExW(dialog, edit, L"Edit", nullptr)) != nullptr;)
        ids.push_back(GetDlgCtrlID(edit));
    return ids;
}

HWND ButtonContaining(HWND dialog, std::wstring_view part) {
    for (HWND button = nullptr; (button = FindWindowExW(dialog, button, L"Button", nullptr)) != nullptr;) {
        if (TextOf(button).find(part) != std::wstring::npos)
            return button;
    }
    return nullptr;
}

void TypeNumber(HWND edit, int value) {
    std::wstring text = std::to_wstring(value);
    SendBounded(edit, EM_SETSEL, 0, -1);
    SendBounded(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

// Opens the colour dialog as the tool does: toolbar on, click the colour
// button, find the dialog, hide it. Closing a hidden owned dialog is where
// Wine may leave another window active.
HWND OpenColourDialog(Stub& stub) {
    PressCtrlT();
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "on"}));
    ClickAt(ColourButtonPoint(stub.window()));
    EXPECT_EQ(stub.Next(), (Fields{"dialog", "open"}));
    HWND dialog = FindColourDialog();
    if (!dialog) {
        ADD_FAILURE() << "no colour dialog";
        return nullptr;
    }
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }));
    SendBounded(dialog, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
    EXPECT_FALSE(IsWindowVisible(dialog));
    return dialog;
}

struct Hsl {
    int hue, saturation, luminosity;
};

// The hue is a circle of 240 steps: 239 and 0 are neighbours.
int HueDistance(int a, int b) {
    int distance = std::abs(a - b) % HueSteps;
    return distance < HueSteps - distance ? distance : HueSteps - distance;
}

void ExpectColourNear(const std::string& rgb, const Hsl& typed) {
    unsigned long long value = 0;
    ASSERT_TRUE(rgb.size() == 6 && ParseHex(rgb, value)) << rgb;
    COLORREF colour = RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    WORD hue = 0, luminosity = 0, saturation = 0;
    ColorRGBToHLS(colour, &hue, &luminosity, &saturation);
    EXPECT_LE(HueDistance(hue, typed.hue), HueTolerance) << rgb << " hue " << hue;
    EXPECT_LE(std::abs(saturation - typed.saturation), SaturationTolerance) << rgb << " saturation " << saturation;
    EXPECT_LE(std::abs(luminosity - typed.luminosity), LuminosityTolerance) << rgb << " luminosity " << luminosity;
}

// ---- Tests -----------------------------------------------------------------

TEST(ChatStub, StartsAsFocusedChatWindowAndEndsOnClose) {
    struct StartCase {
        const wchar_t* arguments;
        const wchar_t* caption;
        RECT rect;
    };
    const StartCase cases[] = {
        {L"", L"小明", {200, 120, 720, 580}},
        {L"--caption \"张 三\" --rect 10,20,600,500", L"张 三", {10, 20, 610, 520}},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(ToUtf8(c.arguments));
        Stub stub;
        ASSERT_TRUE(stub.Start(c.arguments));
        // The time base is the performance counter every process shares.
        EXPECT_GE(stub.lastTime(), stub.startTime());
        EXPECT_LE(stub.lastTime(), MicrosecondsNow());

        EXPECT_EQ(ClassOf(stub.window()), L"TXGuiFoundation");
        EXPECT_EQ(TextOf(stub.window()), c.caption);
        RECT rect = WindowRect(stub.window());
        EXPECT_TRUE(EqualRect(&rect, &c.rect))
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
        EXPECT_TRUE(IsWindowVisible(stub.window()));
        EXPECT_TRUE(IsForeground(stub.window()));

        EXPECT_EQ(ClassOf(stub.input()), L"Edit");
        EXPECT_EQ(GetParent(stub.input()), stub.window());
        LONG style = GetWindowLongW(stub.input(), GWL_STYLE);
        EXPECT_EQ(style & (ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN),
                  ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof(thread);
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(stub.window(), nullptr), &thread));
        EXPECT_EQ(thread.hwndFocus, stub.input());

        ASSERT_TRUE(PostMessageW(stub.window(), WM_CLOSE, 0, 0));
        EXPECT_EQ(stub.Next(), (Fields{"exit"}));
        ASSERT_EQ(WaitForSingleObject(stub.process(), EventTimeoutMs), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        EXPECT_TRUE(GetExitCodeProcess(stub.process(), &exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
}

TEST(ChatStub, RefusesBadCommandLines) {
    constexpr DWORD BadCommandLine = 2;
    constexpr DWORD CannotStart = 3;
    struct Case {
        const wchar_t* arguments;
        DWORD exitCode;
    };
    const Case cases[] = {
        {L"", BadCommandLine},
        {L"--caption x", BadCommandLine},
        {L"--log", BadCommandLine},
        {L"--log x.log --send-key space", BadCommandLine},
        {L"--log x.log --rect 1,2,3", BadCommandLine},
        {L"--log x.log --rect 1,2,3,4,5", BadCommandLine},
        {L"--log x.log --rect 1,2,0,4", BadCommandLine},
        {L"--log x.log --rect a,2,3,4", BadCommandLine},
        {L"--log x.log --dialog sometimes", BadCommandLine},
        {L"--log x.log --dialog stall:", BadCommandLine},
        {L"--log x.log --dialog stall:-5", BadCommandLine},
        {L"--log x.log --colour red", BadCommandLine},
        {L"--log Z:\\no\\such\\directory\\x.log", CannotStart},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.arguments));
        DWORD exitCode = 0;
        ASSERT_TRUE(RunToExit(c.arguments, exitCode)) << "did not end";
        EXPECT_EQ(exitCode, c.exitCode);
    }
}

TEST(ChatStub, SendChordSendsAndOtherChordBreaksLine) {
    struct Case {
        const wchar_t* sendKey;
        bool sendWithCtrl;
    };
    const Case cases[] = {{L"enter", false}, {L"ctrl-enter", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.sendKey));
        Stub stub;
        ASSERT_TRUE(stub.Start(std::wstring(L"--send-key ") + c.sendKey));
        ASSERT_TRUE(IsForeground(stub.window()));
        const std::string sendName = c.sendWithCtrl ? "ctrl-enter" : "enter";
        const std::string otherName = c.sendWithCtrl ? "enter" : "ctrl-enter";

        // An empty input sends nothing; the next line is the next key.
        PressEnter(c.sendWithCtrl);
        EXPECT_EQ(stub.Next(), (Fields{"key", sendName}));

        ASSERT_TRUE(PutOnClipboard(L"-----(tail)"));
        TypeText(L"你好 a\\b\tc");
        PressEnter(!c.sendWithCtrl);
        TypeText(L"x");
        PressKeys({VK_CONTROL, 'V'});
        PressEnter(c.sendWithCtrl);
        EXPECT_EQ(stub.Next(), (Fields{"key", otherName}));
        EXPECT_EQ(stub.Next(), (Fields{"key", sendName}));
        EXPECT_EQ(stub.Next(), (Fields{"send", "000000", ToUtf8(L"你好 a\\\\b\\tc\\r\\nx-----(tail)")}));
        EXPECT_EQ(SendBounded(stub.input(), WM_GETTEXTLENGTH), 0);
    }
}

TEST(ChatStub, CtrlTTogglesColourButtonAndShakeButtonStaysClickable) {
    Stub stub;
    ASSERT_TRUE(stub.Start());
    ASSERT_TRUE(IsForeground(stub.window()));
    const POINT colourPoint = ColourButtonPoint(stub.window());
    const POINT shakePoint = ShakeButtonPoint(stub.window());

    HWND shakeButton = WindowFromPoint(shakePoint);
    EXPECT_EQ(ClassOf(shakeButton), L"Button");
    EXPECT_EQ(GetParent(shakeButton), stub.window());
    EXPECT_EQ(WindowFromPoint(colourPoint), stub.window()) << "colour button shown before Ctrl+T";

    PressCtrlT();
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "on"}));
    HWND colourButton = WindowFromPoint(colourPoint);
    EXPECT_EQ(ClassOf(colourButton), L"Button");
    EXPECT_EQ(GetParent(colourButton), stub.window());
    EXPECT_NE(colourButton, shakeButton);
    EXPECT_EQ(WindowFromPoint(shakePoint), shakeButton);

    PressCtrlT();
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "off"}));
    EXPECT_EQ(WindowFromPoint(colourPoint), stub.window());
    EXPECT_EQ(WindowFromPoint(shakePoint), shakeButton);

    // The click leaves the keyboard with the message input.
    ClickAt(shakePoint);
    EXPECT_EQ(stub.Next(), (Fields{"shake"}));
    TypeText(L"z");
    PressEnter(true);
    EXPECT_EQ(stub.Next(), (Fields{"key", "ctrl-enter"}));
    EXPECT_EQ(stub.Next(), (Fields{"send", "000000", "z"}));
}

// As when the user, or a test, switches to another window and back.
TEST(ChatStub, MessageInputTakesTheKeyboardWhenActivatedAgain) {
    Stub first, second;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(IsForeground(second.window()));
    SetForegroundWindow(first.window());
    ASSERT_TRUE(IsForeground(first.window()));
    TypeText(L"back");
    PressEnter(true);
    EXPECT_EQ(first.Next(), (Fields{"key", "ctrl-enter"}));
    EXPECT_EQ(first.Next(), (Fields{"send", "000000", "back"}));
}

TEST(ChatStub, ColourDialogTakesTypedColourForTheNextMessage) {
    Stub stub;
    ASSERT_TRUE(stub.Start());
    ASSERT_TRUE(IsForeground(stub.window()));
    const Hsl cases[] = {
        {0, 240, 120}, {80, 240, 120}, {160, 240, 120}, {40, 120, 60}, {200, 200, 180}, {239, 100, 100},
    };
    std::string lastColour;
    for (const Hsl& typed : cases) {
        SCOPED_TRACE(std::to_string(typed.hue) + "," + std::to_string(typed.saturation) + "," +
                     std::to_string(typed.luminosity));
        HWND dialog = OpenColourDialog(stub);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), stub.window());
        char caption[64] = "";
        GetWindowTextA(dialog, caption, static_cast<int>(std::size(caption)));
        EXPECT_EQ(caption, ToAnsi(L"颜色"));
        // The tool types into the first three edit boxes.
        const std::vector<int> windowsOrder{703, 704, 705, 706, 707, 708};
        ASSERT_EQ(EditIds(dialog), windowsOrder);
        HWND addButton = ButtonContaining(dialog, L"添加");
        HWND okButton = ButtonContaining(dialog, L"确定");
        ASSERT_NE(addButton, nullptr);
        ASSERT_NE(okButton, nullptr);

        HWND hue = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        HWND saturation = FindWindowExW(dialog, hue, L"Edit", nullptr);
        HWND luminosity = FindWindowExW(dialog, saturation, L"Edit", nullptr);
        TypeNumber(hue, typed.hue);
        TypeNumber(saturation, typed.saturation);
        TypeNumber(luminosity, typed.luminosity);
        SendBounded(addButton, BM_CLICK);
        SendBounded(okButton, BM_CLICK);

        Fields confirmed = stub.Next();
        ASSERT_EQ(confirmed.size(), 3u);
        EXPECT_EQ(confirmed[0] + " " + confirmed[1], "dialog ok");
        ExpectColourNear(confirmed[2], typed);
        lastColour = confirmed[2];
        EXPECT_TRUE(IsForeground(stub.window()));

        PressCtrlT();
        EXPECT_EQ(stub.Next(), (Fields{"toolbar", "off"}));
        TypeText(L"c");
        PressEnter(true);
        EXPECT_EQ(stub.Next(), (Fields{"key", "ctrl-enter"}));
        EXPECT_EQ(stub.Next(), (Fields{"send", lastColour, "c"}));
    }

    // Values typed into a cancelled dialog do not reach the message.
    HWND dialog = OpenColourDialog(stub);
    ASSERT_NE(dialog, nullptr);
    TypeNumber(FindWindowExW(dialog, nullptr, L"Edit", nullptr), 120);
    SendBounded(GetDlgItem(dialog, IDCANCEL), BM_CLICK);
    EXPECT_EQ(stub.Next(), (Fields{"dialog", "cancel"}));
    EXPECT_TRUE(IsForeground(stub.window()));
    PressCtrlT();
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "off"}));
    TypeText(L"k");
    PressEnter(true);
    EXPECT_EQ(stub.Next(), (Fields{"key", "ctrl-enter"}));
    EXPECT_EQ(stub.Next(), (Fields{"send", lastColour, "k"}));
}

TEST(ChatStub, ColourButtonWithoutDialogOpensNothing) {
    Stub stub;
    ASSERT_TRUE(stub.Start(L"--dialog none"));
    ASSERT_TRUE(IsForeground(stub.window()));
    PressCtrlT();
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "on"}));
    ClickAt(ColourButtonPoint(stub.window()));
    // Input is handled in order: the click was handled before this key.
    PressCtrlT();
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "off"}));
    EXPECT_EQ(FindWindowW(L"#32770", L"颜色"), nullptr);
}

TEST(ChatStub, StalledDialogExistsWhileClientDoesNotRespond) {
    constexpr DWORD StallMs = 3000;
    constexpr DWORD ProbeMs = 200;
    // Sleep may wake a timer tick early.
    constexpr long long StallSlackUs = 20000;
    Stub stub;
    ASSERT_TRUE(stub.Start(L"--dialog stall:" + std::to_wstring(StallMs)));
    ASSERT_TRUE(IsForeground(stub.window()));
    PressCtrlT();
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "on"}));
    long long clickTime = MicrosecondsNow();
    ClickAt(ColourButtonPoint(stub.window()));
    EXPECT_EQ(stub.Next(), (Fields{"dialog", "open"}));
    // The dialog can be found while its owner still sleeps.
    HWND dialog = FindColourDialog();
    ASSERT_NE(dialog, nullptr);
    DWORD_PTR result = 0;
    long long probeStart = MicrosecondsNow();
    ASSERT_LT(probeStart - clickTime, (StallMs - ProbeMs) * 1000LL) << "too slow to look inside the stall";
    EXPECT_EQ(SendMessageTimeoutW(stub.window(), WM_NULL, 0, 0, SMTO_NORMAL, ProbeMs, &result), 0)
        << "the client answered during its stall";
    SendBounded(GetDlgItem(dialog, IDCANCEL), BM_CLICK);
    EXPECT_EQ(stub.Next(), (Fields{"dialog", "cancel"}));
    EXPECT_GE(stub.lastTime() - clickTime, StallMs * 1000LL - StallSlackUs);
}

}  // namespace
