// The tool and the stand-in chat client as separate processes under Wine,
// driven with real input: capture, the coloured send, the tail, both send
// modes, re-arming, Stop, quick presses, a missing or hung colour dialog and
// the shake repeater.
#include "Session.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string toolPath;
std::string stubPath;

constexpr DWORD EventTimeoutMs = 5000;
constexpr DWORD QuietMs = 600;
constexpr char Tail[] = "-----(Velmira)";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class EndToEnd : public ::testing::Test {
protected:
    void StartBoth(const std::wstring& stubArguments = L"") {
        ASSERT_TRUE(stub.Start(stubPath, stubArguments)) << "the stand-in did not start";
        ASSERT_TRUE(tool.Start(toolPath)) << "the tool did not start";
    }
    void TearDown() override { tool.Close(); }

    // Start, then rest the cursor on the chat window until the tool captures
    // it and presses the real send key, which the stand-in logs as `key`.
    void Capture(const std::string& realSendKey = "ctrl-enter") {
        std::wstring hint;
        ASSERT_TRUE(tool.ClickStart(&hint));
        EXPECT_NE(hint.find(L"选择Enter发送"), std::wstring::npos);
        size_t keys = stub.Log().Events().size();
        stub.BringToFront();
        RestCursorOnTitle(stub.Window());
        StubEvent key;
        ASSERT_TRUE(stub.Log().WaitFor("key", EventTimeoutMs, &key, keys)) << "no capture";
        EXPECT_EQ(key.fields.at(0), realSendKey);
    }

    // Types a message and presses the user's send key; returns the `send`
    // event the stand-in logged for it.
    StubEvent SendMessageText(const std::wstring& text, std::initializer_list<WORD> userKey = {VK_RETURN}) {
        size_t before = stub.Log().Events().size();
        EXPECT_TRUE(stub.Type(text));
        PressChord(userKey);
        StubEvent sent;
        EXPECT_TRUE(stub.Log().WaitFor("send", EventTimeoutMs, &sent, before)) << "message not sent";
        return sent;
    }

    ChatStub stub;
    Tool tool;
};

TEST_F(EndToEnd, CaptureSkipsMainPanelsThenArmsAndPressesTheRealSendKeyOnce) {
    ChatStub mainPanel;
    ASSERT_TRUE(mainPanel.Start(stubPath, L"--caption QQ2024 --rect 600,40,300,200"));
    StartBoth();
    ASSERT_TRUE(tool.ClickStart());
    mainPanel.BringToFront();
    RestCursorOnTitle(mainPanel.Window());
    Sleep(QuietMs);
    EXPECT_EQ(mainPanel.Log().Count("key"), 0u) << "a main panel was captured";
    EXPECT_EQ(stub.Log().Count("key"), 0u);

    stub.BringToFront();
    RestCursorOnTitle(stub.Window());
    ASSERT_TRUE(stub.Log().WaitFor("key", EventTimeoutMs));
    Sleep(QuietMs);
    EXPECT_EQ(stub.Log().Count("key"), 1u) << "the real send key is pressed once";
    EXPECT_EQ(stub.Log().Count("send"), 0u) << "an empty input sends nothing";
    EXPECT_TRUE(IsWindowEnabled(tool.Control(L"停")));
    EXPECT_NE(tool.Control(L"已经启动\r\n(重启)"), nullptr);
}

struct SchemeCase {
    const char* name;
    const wchar_t* radio;  // null: the full-colour scheme checked at start
    int hueLow, hueHigh;   // hue range; -1: not checked (grey has no hue)
    int saturationLow, saturationHigh;
    int luminosityLow, luminosityHigh;
};

// Ranges of the typed values widened by the dialog's round trip through RGB
// (hue ±2, saturation ±3, luminosity ±1).
const SchemeCase schemes[] = {
    {"full colour", nullptr, 0, 240, 237, 240, 79, 151},
    // The tool's UI thread draws its first prepared hue, 205, for this scheme.
    {"single colour", L"单色系", 203, 207, 37, 240, 79, 171},
    {"grey", L"灰色系", -1, -1, 0, 3, 0, 201},
};

TEST_F(EndToEnd, EachSchemeSendsMessagesInItsColourRange) {
    StartBoth();
    Capture();
    for (const SchemeCase& scheme : schemes) {
        SCOPED_TRACE(scheme.name);
        if (scheme.radio)
            tool.Click(scheme.radio);
        stub.BringToFront();
        for (int message = 0; message < 4; ++message) {
            StubEvent sent = SendMessageText(L"你好 " + std::to_wstring(message));
            ASSERT_EQ(sent.fields.size(), 2u);
            EXPECT_EQ(sent.fields[1].rfind("\xe4\xbd\xa0\xe5\xa5\xbd", 0), 0u) << sent.fields[1];
            Hls colour = HlsOf(sent.fields[0]);
            if (scheme.hueLow >= 0) {
                EXPECT_GE(colour.hue, scheme.hueLow) << sent.fields[0];
                EXPECT_LE(colour.hue, scheme.hueHigh) << sent.fields[0];
            }
            EXPECT_GE(colour.saturation, scheme.saturationLow) << sent.fields[0];
            EXPECT_LE(colour.saturation, scheme.saturationHigh) << sent.fields[0];
            EXPECT_GE(colour.luminosity, scheme.luminosityLow) << sent.fields[0];
            EXPECT_LE(colour.luminosity, scheme.luminosityHigh) << sent.fields[0];
        }
    }
    // The user's Enter was caught every time: only the tool's Ctrl+Enter arrived.
    for (const StubEvent& event : stub.Log().Events()) {
        if (event.kind == "key") {
            EXPECT_EQ(event.fields.at(0), "ctrl-enter");
        }
    }
}

// The custom scheme types the hue box's text as it is. Its radio's own handler
// is not part of the tool yet, so the scheme is selected by setting the checks.
TEST_F(EndToEnd, CustomHueSchemeTypesTheHueBoxText) {
    StartBoth();
    Capture();
    for (const wchar_t* scheme : {L"全色系", L"单色系", L"灰色系"})
        tool.SetChecked(scheme, false);
    tool.SetChecked(L"自定义色系", true);
    tool.SetEditText(L"100");
    stub.BringToFront();
    for (int message = 0; message < 3; ++message) {
        StubEvent sent = SendMessageText(L"custom");
        Hls colour = HlsOf(sent.fields.at(0));
        EXPECT_NEAR(colour.hue, 100, 2) << sent.fields[0];
        EXPECT_GE(colour.saturation, 37) << sent.fields[0];
        EXPECT_GE(colour.luminosity, 79) << sent.fields[0];
        EXPECT_LE(colour.luminosity, 171) << sent.fields[0];
    }
}

// Without any scheme the dialog is still opened and confirmed unchanged.
TEST_F(EndToEnd, WithoutASchemeTheDialogIsConfirmedUnchanged) {
    StartBoth();
    Capture();
    std::string first = SendMessageText(L"one").fields.at(0);
    for (const wchar_t* scheme : {L"全色系", L"单色系", L"灰色系", L"自定义色系"})
        tool.SetChecked(scheme, false);
    stub.BringToFront();
    size_t dialogs = stub.Log().Count("dialog");
    StubEvent sent = SendMessageText(L"two");
    EXPECT_EQ(sent.fields.at(0), first);
    EXPECT_EQ(stub.Log().Count("dialog"), dialogs + 2) << "opened and confirmed";
}

// The pipeline reads the options through the tool's UI thread, which may be
// sitting in the modal usage hint: a send must still go through.
TEST_F(EndToEnd, SendsWhileTheUsageHintIsOpen) {
    StartBoth();
    Capture();
    HWND hint = tool.OpenUsageHint();
    ASSERT_NE(hint, nullptr);
    stub.BringToFront();
    SetCursorPos(2, 2);
    StubEvent sent = SendMessageText(L"during hint");
    EXPECT_NE(HlsOf(sent.fields.at(0)).saturation, 0);
    EXPECT_TRUE(tool.CloseUsageHint(hint));
}

TEST_F(EndToEnd, TailComesAtAPlausibleRateAndNeverWhenTurnedOff) {
    StartBoth();
    Capture();
    constexpr int Messages = 100;
    int tails = 0;
    for (int message = 0; message < Messages; ++message)
        tails += EndsWith(SendMessageText(L"m").fields.at(1), Tail);
    // One in ten: 10 expected; 0 or more than 25 would be far off.
    EXPECT_GE(tails, 1);
    EXPECT_LE(tails, 25);

    tool.Click(L"去版权");
    ASSERT_TRUE(tool.Checked(L"去版权"));
    stub.BringToFront();
    for (int message = 0; message < 40; ++message)
        EXPECT_FALSE(EndsWith(SendMessageText(L"n").fields.at(1), Tail));
}

TEST_F(EndToEnd, CtrlEnterModeCatchesCtrlEnterAndPressesEnter) {
    StartBoth(L"--send-key enter");
    tool.Click(L"Ctrl+Enter");
    Capture("enter");
    StubEvent sent = SendMessageText(L"hello", {VK_CONTROL, VK_RETURN});
    // The tool may have added its tail (one message in ten).
    EXPECT_TRUE(sent.fields.at(1) == "hello" || sent.fields.at(1) == std::string("hello") + Tail) << sent.fields.at(1);
    for (const StubEvent& event : stub.Log().Events()) {
        if (event.kind == "key") {
            EXPECT_EQ(event.fields.at(0), "enter") << "the user's Ctrl+Enter reached the client";
        }
    }
}

TEST_F(EndToEnd, PressWhileAnotherWindowIsInFrontRearmsThenRecaptures) {
    StartBoth();
    Capture();
    // Another window in front, the cursor away from the chat window.
    SetCursorPos(2, 2);
    SetForegroundWindow(tool.Window());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == tool.Window(); }, 2000));
    size_t before = stub.Log().Events().size();
    PressChord({VK_RETURN});
    Sleep(QuietMs);
    EXPECT_EQ(stub.Log().Events().size(), before) << "nothing may reach the client";

    // The hotkey is gone: Enter now reaches the client itself.
    stub.BringToFront();
    stub.Type(L"plain");
    PressChord({VK_RETURN});
    StubEvent key;
    ASSERT_TRUE(stub.Log().WaitFor("key", EventTimeoutMs, &key, before));
    EXPECT_EQ(key.fields.at(0), "enter");

    // Polling goes on: resting on the chat window captures it again and the
    // real send key sends what was typed, in the client's current colour.
    RestCursorOnTitle(stub.Window());
    StubEvent sent;
    ASSERT_TRUE(stub.Log().WaitFor("send", EventTimeoutMs, &sent, before));
    EXPECT_EQ(sent.fields.at(1), "plain\\r\\n");
    EXPECT_EQ(stub.Log().Count("dialog"), 0u);
}

TEST_F(EndToEnd, StopLetsEnterThroughUnchanged) {
    StartBoth();
    Capture();
    tool.Click(L"停");
    EXPECT_FALSE(IsWindowEnabled(tool.Control(L"停")));
    EXPECT_NE(tool.Control(L"已停止\r\n(启动)"), nullptr);
    stub.BringToFront();
    size_t before = stub.Log().Events().size();
    stub.Type(L"x");
    PressChord({VK_RETURN});
    StubEvent key;
    ASSERT_TRUE(stub.Log().WaitFor("key", EventTimeoutMs, &key, before));
    EXPECT_EQ(key.fields.at(0), "enter");
    Sleep(QuietMs);
    EXPECT_EQ(stub.Log().Count("dialog"), 0u);
    EXPECT_EQ(stub.Log().Count("send"), 0u);
}

TEST_F(EndToEnd, ClosingTheToolReleasesTheSendKey) {
    StartBoth();
    Capture();
    ASSERT_TRUE(tool.Close());
    stub.BringToFront();
    size_t before = stub.Log().Events().size();
    PressChord({VK_RETURN});
    StubEvent key;
    ASSERT_TRUE(stub.Log().WaitFor("key", EventTimeoutMs, &key, before));
    EXPECT_EQ(key.fields.at(0), "enter");
}

TEST_F(EndToEnd, TwoQuickPressesRunOneAfterTheOther) {
    StartBoth();
    Capture();
    size_t before = stub.Log().Events().size();
    stub.Type(L"quick");
    PressChord({VK_RETURN});
    PressChord({VK_RETURN});
    ASSERT_TRUE(stub.Log().WaitFor("send", EventTimeoutMs, nullptr, before));
    ASSERT_TRUE(PumpUntil([&] { return stub.Log().Count("key") >= 3; }, EventTimeoutMs));
    Sleep(QuietMs);
    // Each run opens and confirms the dialog before the next one starts.
    std::string order;
    for (size_t i = before; i < stub.Log().Events().size(); ++i) {
        const StubEvent& event = stub.Log().Events()[i];
        if (event.kind == "dialog")
            order += event.fields.at(0) == "open" ? "(" : ")";
        if (event.kind == "key")
            order += "k";
    }
    EXPECT_EQ(order, "()k()k");
    // The message went out once; the second run found the input empty (or
    // holding only the tail it pasted).
    int quick = 0;
    for (const StubEvent& event : stub.Log().Events()) {
        if (event.kind == "send") {
            quick += event.fields.at(1).rfind("quick", 0) == 0;
            EXPECT_TRUE(event.fields.at(1).rfind("quick", 0) == 0 || event.fields.at(1) == Tail) << event.fields.at(1);
        }
    }
    EXPECT_EQ(quick, 1);
}

TEST_F(EndToEnd, WithoutAColourDialogTheMessageGoesOutUncoloured) {
    StartBoth(L"--dialog none");
    Capture();
    StubEvent sent = SendMessageText(L"plain");
    EXPECT_EQ(sent.fields.at(0), "000000");
    EXPECT_EQ(stub.Log().Count("dialog"), 0u);
}

TEST_F(EndToEnd, AHungColourDialogNeitherBlocksTheToolNorStaysOpen) {
    StartBoth(L"--dialog stall:3000");
    Capture();
    stub.Type(L"late");
    PressChord({VK_RETURN});
    // The client answers again after its stall; the dialog is then cancelled
    // and the message still goes out.
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (const StubEvent& event : stub.Log().Events()) {
                if (event.kind == "dialog" && event.fields.at(0) != "open")
                    return true;
            }
            return false;
        },
        10000));
    ASSERT_TRUE(stub.Log().WaitFor("send", 10000));
    EXPECT_EQ(FindWindowW(L"#32770", L"颜色"), nullptr);
    // The tool stayed responsive throughout.
    DWORD_PTR result;
    EXPECT_TRUE(SendMessageTimeoutW(tool.Window(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result));
}

TEST_F(EndToEnd, ShakeClicksAfterElevenSecondsWhileTheChatWindowIsInFront) {
    StartBoth();
    tool.Click(L"抖动窗口");
    Capture();
    SendMessageText(L"shake");
    int64_t sentAt = NowMicros();
    // Where the user left the cursor; each shake click puts it back here.
    SetCursorPos(700, 600);
    StubEvent shake;
    ASSERT_TRUE(stub.Log().WaitFor("shake", 14000, &shake));
    double seconds = (shake.micros - sentAt) / 1e6;
    EXPECT_GT(seconds, 10.0);
    EXPECT_LT(seconds, 12.5);
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 700);
    EXPECT_EQ(cursor.y, 600);

    // Another window in front: the next tick stops the repeater without a
    // click that would bring the chat window back.
    SetForegroundWindow(tool.Window());
    Sleep(12500);
    EXPECT_EQ(stub.Log().Count("shake"), 1u);
    EXPECT_NE(GetForegroundWindow(), stub.Window());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    toolPath = CommandLineOption(argc, argv, "velmira");
    stubPath = CommandLineOption(argc, argv, "stub");
    if (toolPath.empty() || stubPath.empty()) {
        fprintf(stderr, "usage: e2e_tests --velmira=PATH --stub=PATH\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
