#include "engine/SendPipeline.h"

#include "app/Controls.h"
#include "app/Options.h"
#include "app/UiThread.h"
#include "desktop/AnsiText.h"
#include "desktop/Convert.h"
#include "desktop/Delay.h"
#include "desktop/Input.h"
#include "desktop/Random.h"
#include "desktop/WindowQuery.h"
#include "engine/Assist.h"
#include "engine/QqClient.h"
#include "engine/Shake.h"
#include "hotkey/HotkeyService.h"

#include <mutex>
#include <optional>
#include <string>

std::atomic<HWND> ColorDialog{nullptr};
std::atomic<HWND> AddButton{nullptr};
std::atomic<HWND> OkButton{nullptr};

namespace {
constexpr int DialogWaitAttempts = 50;
constexpr int DialogWaitStepMs = 1;
constexpr int ConfirmPauseMs = 50;
constexpr char AdvertisingTail[] = "-----(Velmira)";
constexpr int TailChanceDraw = 5;
constexpr int RearmPollIntervalMs = 1;
// A client that does not answer within this time is taken as hung.
constexpr UINT DialogReplyTimeoutMs = 1000;

// Runs one after another: two runs would interleave their input and share
// the dialog handles.
std::mutex runInProgress;

struct ColourTexts {
    std::string hue, saturation, luminosity;
};

// Each run has a thread of its own; once the client has failed to answer in
// time, the rest of the run's messages to its dialog are skipped.
thread_local bool clientResponding = true;

void SendToDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!clientResponding || !window)
        return;
    DWORD_PTR result;
    SetLastError(ERROR_SUCCESS);
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, DialogReplyTimeoutMs, &result) &&
        GetLastError() == ERROR_TIMEOUT)
        clientResponding = false;
}

bool ChatWindowInFront() {
    HWND chat = ChatWindow;
    return chat && CompareText(ReadWindowText(chat).c_str(), "") != 0 && GetForegroundWindow() == chat;
}

// The three values of the selected colour scheme, drawn in the order hue,
// saturation, luminosity; none when no scheme is selected.
std::optional<ColourTexts> SchemeColour() {
    ColourTexts colour;
    if (CheckState(单选框3)) {
        colour.hue = ToText(RandomInt(0, 48) * 5.0);
        colour.saturation = ToText(static_cast<int>(presetSaturation));
        colour.luminosity = ToText(RandomInt(80, 150));
    } else if (CheckState(单选框4)) {
        colour.hue = ToText(static_cast<int>(presetHue));
        colour.saturation = ToText(RandomInt(2, 12) * 20.0);
        colour.luminosity = ToText(RandomInt(80, 170));
    } else if (CheckState(单选框5)) {
        colour.hue = ToText(static_cast<int>(presetHue));
        colour.saturation = ToText(static_cast<int>(presetSaturation));
        colour.luminosity = ToText(RandomInt(0, 200));
    } else if (CheckState(单选框6)) {
        colour.hue = ControlText(编辑框1);
        colour.saturation = ToText(RandomInt(2, 12) * 20.0);
        colour.luminosity = ToText(RandomInt(80, 170));
    } else {
        return std::nullopt;
    }
    return colour;
}

void SelectAll(int n) {
    SendToDialog(NthEditChild(n), EM_SETSEL, 0, -1);
}

void TypeValue(int n, const std::string& text) {
    SelectAll(n);
    SendToDialog(NthEditChild(n), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// Fills the dialog with the scheme's colour and confirms it.
void ApplySchemeColour() {
    FindDialogButton(AddButtonCaptionPart, AddButton);
    FindDialogButton(OkButtonCaptionPart, OkButton);
    SelectAll(1);
    if (std::optional<ColourTexts> colour = SchemeColour()) {
        TypeValue(1, colour->hue);
        TypeValue(2, colour->saturation);
        TypeValue(3, colour->luminosity);
    }
    SendToDialog(AddButton, BM_CLICK, 0, 0);
    SendToDialog(OkButton, BM_CLICK, 0, 0);
    // A hung client would keep its modal dialog once it recovers: have it
    // cancelled then, after the messages it still owes us.
    if (!clientResponding)
        PostMessageA(ColorDialog, WM_COMMAND, IDCANCEL, 0);
}

void AddAdvertisingTail() {
    if (CheckState(单选框7) || RandomInt(1, 10) != TailChanceDraw)
        return;
    SetClipboardText(AdvertisingTail);
    PressKeys(KeyControl, KeyV);
}

void ArmShakeTimerIfStopped() {
    RunOnUiThread([] {
        if (TimerInterval(时钟2) == 0 && CheckState(选择框1))
            ArmShakeTimer();
    });
}

void Rearm() {
    SetTimerInterval(时钟1, RearmPollIntervalMs);
    ReleaseAllHotkeys();
}
}  // namespace

void FindColorDialog() {
    static const std::string captionPart = ToAnsi(ColourDialogCaptionPart);
    ColorDialog = FindWindowWithCaption(nullptr, ColourDialogClass, captionPart.c_str());
    // Hiding it lets the dialog be filled in without showing up.
    SendToDialog(ColorDialog, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
}

void FindDialogButton(const wchar_t* captionPart, std::atomic<HWND>& target) {
    target = FindWindowWithCaption(ColorDialog, "Button", ToAnsi(captionPart).c_str());
}

HWND NthEditChild(int n) {
    return NthWindowOfClass(ColorDialog, "Edit", n);
}

DWORD WINAPI SendPipeline(LPVOID) {
    std::lock_guard<std::mutex> run(runInProgress);
    SetTimerInterval(时钟1, 0);
    SeedRandom();
    int savedX = CursorX();
    int savedY = CursorY();
    if (!ChatWindowInFront()) {
        Rearm();
        return 0;
    }
    RECT chat = {};
    GetWindowRect(ChatWindow, &chat);
    PressKeys(KeyControl, KeyT);
    ClickAt(chat.left + ColourButtonFromLeft, chat.bottom - ColourButtonFromBottom);
    for (int attempt = 1; attempt <= DialogWaitAttempts; ++attempt) {
        SleepMs(DialogWaitStepMs);
        FindColorDialog();
        if (ColorDialog)
            break;
    }
    if (ColorDialog) {
        ApplySchemeColour();
        DelayPumping(ConfirmPauseMs);
        PressKeys(KeyControl, KeyT);
        SetCursorPos(savedX, savedY);
    }
    AddAdvertisingTail();
    PressSendKey();
    ArmShakeTimerIfStopped();
    return 0;
}
