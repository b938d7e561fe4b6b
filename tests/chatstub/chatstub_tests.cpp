// The stand-in chat client, run as its own process and driven the way the
// tool drives the real client: real keyboard and mouse input, messages to its
// windows and to its colour dialog. Assertions are on its log and windows.
#include "Session.h"

#include <gtest/gtest.h>

#include "desktop/AnsiText.h"
#include "desktop/ScopedWin.h"
#include "desktop/WindowQuery.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The kind of a log line followed by its fields.
using Fields = std::vector<std::string>;

std::string stubPath;

constexpr DWORD EventTimeoutMs = 5000;

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

// The stand-in under test. Its log is read line by line: the self-test checks
// every line in order, not only the next line of one kind.
class Stub {
public:
    // Starts the stand-in; its first line must be the ready line.
    bool Start(const std::wstring& arguments = L"") {
        if (!chat_.Start(stubPath, arguments)) {
            ADD_FAILURE() << "the stand-in did not start or logged no ready line; --stub=" << stubPath;
            return false;
        }
        Fields ready = Next();
        if (ready.size() != 3 || ready[0] != "ready" || ready[1].rfind("0x", 0) != 0 || ready[2].rfind("0x", 0) != 0) {
            ADD_FAILURE() << "the first line is not a ready line";
            return false;
        }
        return true;
    }

    HWND Window() const { return chat_.Window(); }
    HWND Input() const { return chat_.Input(); }
    HANDLE Process() const { return chat_.Process(); }
    RECT Rect() const { return chat_.Rect(); }
    int64_t LastTime() const { return lastTime_; }

    // The next unread line, or none if no line came in time. Lines must come
    // in time order.
    Fields Next(DWORD timeoutMs = EventTimeoutMs) {
        StubLog& log = chat_.Log();
        if (!PumpUntil([&] { return log.Events().size() > linesRead_; }, timeoutMs))
            return {};
        StubEvent event = log.Events()[linesRead_++];
        EXPECT_GE(event.micros, lastTime_) << "log lines out of time order";
        lastTime_ = event.micros;
        Fields fields{event.kind};
        fields.insert(fields.end(), event.fields.begin(), event.fields.end());
        return fields;
    }

private:
    ChatStub chat_;
    size_t linesRead_ = 0;
    int64_t lastTime_ = 0;
};

void PressEnter(bool withCtrl) {
    if (withCtrl)
        PressChord({VK_CONTROL, VK_RETURN});
    else
        PressChord({VK_RETURN});
}

// Owned by a message-only window that lives as long as the test program.
bool PutOnClipboard(std::wstring_view text) {
    static HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!owner)
        return false;
    ClipboardSession clipboard(owner);
    if (!clipboard)
        return false;
    EmptyClipboard();
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (text.size() + 1) * sizeof(wchar_t)));
    if (!block)
        return false;
    {
        ScopedGlobalLock lock(block.get());
        if (!lock.data())
            return false;
        text.copy(static_cast<wchar_t*>(lock.data()), text.size());
    }
    if (!SetClipboardData(CF_UNICODETEXT, block.get()))
        return false;
    // The clipboard owns the block from now on.
    block.release();
    return true;
}

// A bounded SendMessage: a stub that stops responding fails the test
// instead of hanging it.
LRESULT SendBounded(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, EventTimeoutMs, &result), 0)
        << "message " << message << " not answered";
    return static_cast<LRESULT>(result);
}

POINT ColourButtonPoint(const Stub& stub) {
    RECT rect = stub.Rect();
    return {rect.left + ColourButtonFromLeft, rect.bottom - ColourButtonFromBottom};
}

POINT ShakeButtonPoint(const Stub& stub) {
    RECT rect = stub.Rect();
    return {rect.left + ShakeButtonFromLeft, rect.bottom - ShakeButtonFromBottom};
}

bool IsForeground(HWND window) {
    return PumpUntil([&] { return GetForegroundWindow() == window; }, EventTimeoutMs);
}

// ---- Colour dialog ---------------------------------------------------------

HWND FindColourDialog() {
    HWND dialog = nullptr;
    PumpUntil([&] { return (dialog = FindWindowW(L"#32770", L"颜色")) != nullptr; }, EventTimeoutMs);
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
        if (WindowText(button).find(part) != std::wstring::npos)
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
    PressChord({VK_CONTROL, 'T'});
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "on"}));
    ClickAt(ColourButtonPoint(stub));
    EXPECT_EQ(stub.Next(), (Fields{"dialog", "open"}));
    HWND dialog = FindColourDialog();
    if (!dialog) {
        ADD_FAILURE() << "no colour dialog";
        return nullptr;
    }
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(dialog) != FALSE; }, EventTimeoutMs));
    SendBounded(dialog, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
    EXPECT_FALSE(IsWindowVisible(dialog));
    return dialog;
}

// The hue is a circle of 240 steps: 239 and 0 are neighbours.
int HueDistance(int a, int b) {
    int distance = std::abs(a - b) % HueSteps;
    return distance < HueSteps - distance ? distance : HueSteps - distance;
}

void ExpectColourNear(const std::string& rrggbb, const Hls& typed) {
    ASSERT_TRUE(rrggbb.size() == 6 && rrggbb.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos)
        << rrggbb;
    Hls colour = HlsOf(rrggbb);
    EXPECT_LE(HueDistance(colour.hue, typed.hue), HueTolerance) << rrggbb << " hue " << colour.hue;
    EXPECT_LE(std::abs(colour.saturation - typed.saturation), SaturationTolerance)
        << rrggbb << " saturation " << colour.saturation;
    EXPECT_LE(std::abs(colour.luminosity - typed.luminosity), LuminosityTolerance)
        << rrggbb << " luminosity " << colour.luminosity;
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
        const int64_t startTime = NowMicros();
        ASSERT_TRUE(stub.Start(c.arguments));
        // The time base is the performance counter every process shares.
        EXPECT_GE(stub.LastTime(), startTime);
        EXPECT_LE(stub.LastTime(), NowMicros());

        EXPECT_EQ(ClassNameOf(stub.Window()), "TXGuiFoundation");
        EXPECT_EQ(WindowText(stub.Window()), c.caption);
        RECT rect = stub.Rect();
        EXPECT_TRUE(EqualRect(&rect, &c.rect))
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
        EXPECT_TRUE(IsWindowVisible(stub.Window()));
        EXPECT_TRUE(IsForeground(stub.Window()));

        EXPECT_EQ(ClassNameOf(stub.Input()), "Edit");
        EXPECT_EQ(GetParent(stub.Input()), stub.Window());
        LONG style = GetWindowLongW(stub.Input(), GWL_STYLE);
        EXPECT_EQ(style & (ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN),
                  ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof(thread);
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(stub.Window(), nullptr), &thread));
        EXPECT_EQ(thread.hwndFocus, stub.Input());

        ASSERT_TRUE(PostMessageW(stub.Window(), WM_CLOSE, 0, 0));
        EXPECT_EQ(stub.Next(), (Fields{"exit"}));
        ASSERT_EQ(WaitForSingleObject(stub.Process(), EventTimeoutMs), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        EXPECT_TRUE(GetExitCodeProcess(stub.Process(), &exitCode));
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
        ASSERT_TRUE(RunToExit(stubPath, c.arguments, EventTimeoutMs, &exitCode)) << "did not start or did not end";
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
        ASSERT_TRUE(IsForeground(stub.Window()));
        const std::string sendName = c.sendWithCtrl ? "ctrl-enter" : "enter";
        const std::string otherName = c.sendWithCtrl ? "enter" : "ctrl-enter";

        // An empty input sends nothing; the next line is the next key.
        PressEnter(c.sendWithCtrl);
        EXPECT_EQ(stub.Next(), (Fields{"key", sendName}));

        ASSERT_TRUE(PutOnClipboard(L"-----(tail)"));
        TypeText(L"你好 a\\b\tc");
        PressEnter(!c.sendWithCtrl);
        TypeText(L"x");
        PressChord({VK_CONTROL, 'V'});
        PressEnter(c.sendWithCtrl);
        EXPECT_EQ(stub.Next(), (Fields{"key", otherName}));
        EXPECT_EQ(stub.Next(), (Fields{"key", sendName}));
        EXPECT_EQ(stub.Next(), (Fields{"send", "000000", ToUtf8(L"你好 a\\\\b\\tc\\r\\nx-----(tail)")}));
        EXPECT_EQ(SendBounded(stub.Input(), WM_GETTEXTLENGTH), 0);
    }
}

TEST(ChatStub, CtrlTTogglesColourButtonAndShakeButtonStaysClickable) {
    Stub stub;
    ASSERT_TRUE(stub.Start());
    ASSERT_TRUE(IsForeground(stub.Window()));
    const POINT colourPoint = ColourButtonPoint(stub);
    const POINT shakePoint = ShakeButtonPoint(stub);

    HWND shakeButton = WindowFromPoint(shakePoint);
    EXPECT_EQ(ClassNameOf(shakeButton), "Button");
    EXPECT_EQ(GetParent(shakeButton), stub.Window());
    EXPECT_EQ(WindowFromPoint(colourPoint), stub.Window()) << "colour button shown before Ctrl+T";

    PressChord({VK_CONTROL, 'T'});
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "on"}));
    HWND colourButton = WindowFromPoint(colourPoint);
    EXPECT_EQ(ClassNameOf(colourButton), "Button");
    EXPECT_EQ(GetParent(colourButton), stub.Window());
    EXPECT_NE(colourButton, shakeButton);
    EXPECT_EQ(WindowFromPoint(shakePoint), shakeButton);

    PressChord({VK_CONTROL, 'T'});
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "off"}));
    EXPECT_EQ(WindowFromPoint(colourPoint), stub.Window());
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
    ASSERT_TRUE(IsForeground(second.Window()));
    SetForegroundWindow(first.Window());
    ASSERT_TRUE(IsForeground(first.Window()));
    TypeText(L"back");
    PressEnter(true);
    EXPECT_EQ(first.Next(), (Fields{"key", "ctrl-enter"}));
    EXPECT_EQ(first.Next(), (Fields{"send", "000000", "back"}));
}

TEST(ChatStub, ColourDialogTakesTypedColourForTheNextMessage) {
    Stub stub;
    ASSERT_TRUE(stub.Start());
    ASSERT_TRUE(IsForeground(stub.Window()));
    const Hls cases[] = {
        {.hue = 0, .luminosity = 120, .saturation = 240},   {.hue = 80, .luminosity = 120, .saturation = 240},
        {.hue = 160, .luminosity = 120, .saturation = 240}, {.hue = 40, .luminosity = 60, .saturation = 120},
        {.hue = 200, .luminosity = 180, .saturation = 200}, {.hue = 239, .luminosity = 100, .saturation = 100},
    };
    std::string lastColour;
    for (const Hls& typed : cases) {
        SCOPED_TRACE(std::to_string(typed.hue) + "," + std::to_string(typed.saturation) + "," +
                     std::to_string(typed.luminosity));
        HWND dialog = OpenColourDialog(stub);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), stub.Window());
        EXPECT_EQ(ReadWindowText(dialog), ToAnsi(L"颜色"));
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
        EXPECT_TRUE(IsForeground(stub.Window()));

        PressChord({VK_CONTROL, 'T'});
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
    EXPECT_TRUE(IsForeground(stub.Window()));
    PressChord({VK_CONTROL, 'T'});
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "off"}));
    TypeText(L"k");
    PressEnter(true);
    EXPECT_EQ(stub.Next(), (Fields{"key", "ctrl-enter"}));
    EXPECT_EQ(stub.Next(), (Fields{"send", lastColour, "k"}));
}

TEST(ChatStub, ColourButtonWithoutDialogOpensNothing) {
    Stub stub;
    ASSERT_TRUE(stub.Start(L"--dialog none"));
    ASSERT_TRUE(IsForeground(stub.Window()));
    PressChord({VK_CONTROL, 'T'});
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "on"}));
    ClickAt(ColourButtonPoint(stub));
    // Input is handled in order: the click was handled before this key.
    PressChord({VK_CONTROL, 'T'});
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "off"}));
    EXPECT_EQ(FindWindowW(L"#32770", L"颜色"), nullptr);
}

TEST(ChatStub, StalledDialogExistsWhileClientDoesNotRespond) {
    constexpr DWORD StallMs = 3000;
    constexpr DWORD ProbeMs = 200;
    // Sleep may wake a timer tick early.
    constexpr int64_t StallSlackUs = 20000;
    Stub stub;
    ASSERT_TRUE(stub.Start(L"--dialog stall:" + std::to_wstring(StallMs)));
    ASSERT_TRUE(IsForeground(stub.Window()));
    PressChord({VK_CONTROL, 'T'});
    EXPECT_EQ(stub.Next(), (Fields{"toolbar", "on"}));
    int64_t clickTime = NowMicros();
    ClickAt(ColourButtonPoint(stub));
    EXPECT_EQ(stub.Next(), (Fields{"dialog", "open"}));
    // The dialog can be found while its owner still sleeps.
    HWND dialog = FindColourDialog();
    ASSERT_NE(dialog, nullptr);
    DWORD_PTR result = 0;
    int64_t probeStart = NowMicros();
    ASSERT_LT(probeStart - clickTime, (StallMs - ProbeMs) * 1000LL) << "too slow to look inside the stall";
    EXPECT_EQ(SendMessageTimeoutW(stub.Window(), WM_NULL, 0, 0, SMTO_NORMAL, ProbeMs, &result), 0)
        << "the client answered during its stall";
    SendBounded(GetDlgItem(dialog, IDCANCEL), BM_CLICK);
    EXPECT_EQ(stub.Next(), (Fields{"dialog", "cancel"}));
    EXPECT_GE(stub.LastTime() - clickTime, StallMs * 1000LL - StallSlackUs);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    stubPath = CommandLineOption(argc, argv, "stub");
    if (stubPath.empty()) {
        std::fprintf(stderr, "usage: chatstub_tests --stub=PATH\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
