#include "engine/Assist.h"

#include "app/Controls.h"
#include "app/Options.h"
#include "app/Shell.h"
#include "desktop/Input.h"
#include "desktop/WindowQuery.h"
#include "engine/QqClient.h"
#include "engine/SendPipeline.h"
#include "hotkey/HotkeyService.h"

std::atomic<HWND> ChatWindow{nullptr};

namespace {
constexpr int PollIntervalMs = 10;

constexpr wchar_t UsageHint[] =
    L"选择Enter发送\r\n请将QQ发送方式改为Ctrl+Enter,按Enter(回车键)发送\r\n\r\n"
    L"选择Ctrl+Enter发送\r\n请将QQ发送方式改为Enter,按Enter+Ctrl发送";
constexpr wchar_t UsageHintTitle[] = L"温馨提示：";
constexpr wchar_t RunningCaption[] = L"已经启动\r\n(重启)";
constexpr wchar_t StoppedCaption[] = L"已停止\r\n(启动)";

// Hotkey modifiers of the key the user presses in each send mode.
int UserKeyModifiers(SendKey mode) {
    return mode == SendKey::Enter ? 0 : MOD_CONTROL;
}

void ReleaseSendHotkey(int modifiers) {
    ReleaseHotkey(AcquireHotkey(SendPipeline, KeyEnter, modifiers));
}
}  // namespace

void StartAssist() {
    if (CheckState(单选框3))
        On单选框3Clicked();
    ShowMessage(UsageHint, MB_ICONINFORMATION, UsageHintTitle);
    SetControlText(按钮1, RunningCaption);
    SetEnabled(按钮2, true);
    SetTimerInterval(时钟1, PollIntervalMs);
}

void StopAssist() {
    SetTimerInterval(时钟1, 0);
    ChatWindow = nullptr;
    ReleaseSendHotkeys();
    // A shake tick after Stop would click for a window that is no longer served.
    SetTimerInterval(时钟2, 0);
    SetEnabled(按钮2, false);
    SetControlText(按钮1, StoppedCaption);
}

void PollChatWindow() {
    if (CompareText(ClassNameOf(WindowUnderCursor()).c_str(), ChatWindowClass) != 0)
        return;
    if (FindText(ReadWindowText(WindowUnderCursor()).c_str(), MainPanelCaptionMark) != -1)
        return;
    ChatWindow = WindowUnderCursor();
    SetTimerInterval(时钟1, 0);
    ArmSendHotkey();
    PressSendKey();
}

void ReleaseSendHotkeys() {
    ReleaseSendHotkey(UserKeyModifiers(SendKey::Enter));
    ReleaseSendHotkey(UserKeyModifiers(SendKey::CtrlEnter));
}

void ArmSendHotkey() {
    SendKey mode = SendMode;
    // The other mode's key is the real send key the tool presses: were it still
    // registered, every send would trigger the next one.
    SendKey other = mode == SendKey::Enter ? SendKey::CtrlEnter : SendKey::Enter;
    ReleaseSendHotkey(UserKeyModifiers(other));
    AcquireHotkey(SendPipeline, KeyEnter, UserKeyModifiers(mode));
}

void PressSendKey() {
    if (SendMode == SendKey::Enter)
        PressKeys(KeyControl, KeyEnter);
    else
        PressKeys(KeyEnter);
}
