#include "app/MainWindow.h"

#include "app/Controls.h"
#include "app/HyperlinkLabel.h"
#include "app/Options.h"
#include "app/Resources.h"
#include "app/Shell.h"
#include "app/UiThread.h"
#include "engine/Assist.h"
#include "engine/Shake.h"

#include <commctrl.h>

#include <span>

namespace {
constexpr wchar_t WindowClassName[] = L"velmira";
constexpr int WindowWidth = 258;
constexpr int WindowHeight = 157;
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT_PTR GroupBoxSubclassId = 1;
constexpr int FirstControlId = 1001;

constexpr DWORD Radio = BS_AUTORADIOBUTTON | WS_TABSTOP;
constexpr DWORD PushButton = BS_PUSHBUTTON | WS_TABSTOP;

struct ControlLayout {
    HWND* handle;
    HWND* parent;  // null: the main window
    const wchar_t* windowClass;
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
};

// In creation order. The first control of each group box starts the group of
// its automatic radio buttons.
const ControlLayout layouts[] = {
    {&选择框1, nullptr, L"BUTTON", L"抖动窗口", BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP, 0, 5, 104, 72, 16},
    {&分组框3, nullptr, L"BUTTON", L"高级", BS_GROUPBOX, WS_EX_CONTROLPARENT, 156, 3, 92, 56},
    {&单选框6, &分组框3, L"BUTTON", L"自定义色系", Radio | BS_MULTILINE | WS_GROUP, 0, 4, 35, 80, 16},
    {&编辑框1, &分组框3, L"EDIT", L"0", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_STATICEDGE, 62, 11, 24, 20},
    {&单选框7, &分组框3, L"BUTTON", L"去版权", Radio, 0, 4, 13, 64, 24},
    {&超级链接框1, nullptr, L"STATIC", L"支持作者·Marvessa", SS_NOTIFY | WS_BORDER, 0, 80, 99, 167, 24},
    {&分组框2, nullptr, L"BUTTON", L"发送方式", BS_GROUPBOX, WS_EX_CONTROLPARENT, 5, 3, 91, 56},
    {&按钮2, &分组框2, L"BUTTON", L"停", PushButton | WS_DISABLED | WS_GROUP, 0, 60, 10, 24, 24},
    {&单选框2, &分组框2, L"BUTTON", L"Ctrl+Enter", Radio, 0, 5, 36, 80, 16},
    {&单选框1, &分组框2, L"BUTTON", L"Enter", Radio, 0, 5, 14, 80, 24},
    {&分组框1, nullptr, L"BUTTON", L"", BS_GROUPBOX, WS_EX_CONTROLPARENT, 5, 56, 243, 40},
    {&单选框5, &分组框1, L"BUTTON", L"灰色系", Radio | WS_GROUP, 0, 179, 17, 56, 16},
    {&单选框4, &分组框1, L"BUTTON", L"单色系", Radio, 0, 72, 13, 56, 24},
    {&按钮3, &分组框1, L"BUTTON", L"换色", PushButton, 0, 128, 14, 35, 18},
    {&单选框3, &分组框1, L"BUTTON", L"全色系", Radio, 0, 5, 13, 80, 24},
    {&按钮1, nullptr, L"BUTTON", L"启动哇", PushButton | BS_CENTER | BS_MULTILINE, 0, 97, 8, 56, 48},
};

struct ClickHandler {
    HWND* control;
    void (*handler)();
};

const ClickHandler clickHandlers[] = {
    {&单选框1, On单选框1Clicked}, {&单选框2, On单选框2Clicked}, {&单选框3, On单选框3Clicked},
    {&单选框4, On单选框4Clicked}, {&单选框5, On单选框5Clicked}, {&按钮3, On按钮3Clicked},
    {&按钮1, StartAssist},        {&按钮2, StopAssist},
};

HFONT controlFont;

// Group boxes pass their children's notifications on to the main window, so
// the handlers of the controls inside them live in one place.
LRESULT CALLBACK GroupBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            return SendMessageW(GetParent(box), message, wParam, lParam);
        case WM_NCDESTROY:
            RemoveWindowSubclass(box, GroupBoxProc, GroupBoxSubclassId);
            break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

std::span<const BYTE> ProgramIconFile() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(IDR_TRAY_ICON_FILE), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    if (!loaded)
        return {};
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, resource)};
}

HFONT CreateControlFont() {
    NONCLIENTMETRICSW metrics = {sizeof(metrics)};
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

void CreateControls(HWND window) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    controlFont = CreateControlFont();
    int id = FirstControlId;
    for (const ControlLayout& layout : layouts) {
        HWND parent = layout.parent ? *layout.parent : window;
        *layout.handle = CreateWindowExW(
            layout.exStyle, layout.windowClass, layout.caption, WS_CHILD | WS_VISIBLE | layout.style, layout.x,
            layout.y, layout.width, layout.height, parent, reinterpret_cast<HMENU>(INT_PTR{id++}), instance, nullptr);
        SendMessageW(*layout.handle, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont), FALSE);
        if ((layout.style & BS_TYPEMASK) == BS_GROUPBOX && lstrcmpW(layout.windowClass, L"BUTTON") == 0)
            SetWindowSubclass(*layout.handle, GroupBoxProc, GroupBoxSubclassId, 0);
    }
    SetCheckState(单选框1, 1);
    SetCheckState(单选框3, 1);
    MakeHyperlinkLabel(超级链接框1, AuthorPageAddress);
}

void OnCreated(HWND window) {
    SetTrayIcon(window, ProgramIconFile(), "Velmira");
}

void OnPositionChanged() {
    if (WindowState() == 2)
        SetWindowVisible(0);
}

void OnTrayEvent(int code) {
    if (code == 2 || code == 3)
        SetWindowVisible(1);
}

void OnCommand(HWND control, UINT notification) {
    if (notification != BN_CLICKED || !control)
        return;
    for (const ClickHandler& click : clickHandlers) {
        if (*click.control == control) {
            click.handler();
            return;
        }
    }
}

void OnDestroy(HWND window) {
    ReleaseSendHotkeys();
    SetTrayIcon(window, {}, {});
    AttachMainWindow(nullptr);
    DeleteObject(controlFont);
    controlFont = nullptr;
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            AttachMainWindow(window);
            CreateControls(window);
            OnCreated(window);
            return 0;
        case WM_MOVE:
            OnPositionChanged();
            return 0;
        case WMAPP_TRAY_CALLBACK:
            OnTrayEvent(TrayEventCode(lParam));
            return 0;
        case WM_TIMER:
            if (wParam == 时钟1)
                PollChatWindow();
            else if (wParam == 时钟2)
                ShakeTick();
            return 0;
        case WM_COMMAND:
            OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == 超级链接框1)
                return reinterpret_cast<LRESULT>(HyperlinkLabelColours(reinterpret_cast<HDC>(wParam)));
            break;
        case WMAPP_UI_CALL:
            RunUiCall(lParam);
            return 1;
        case WM_DESTROY:
            OnDestroy(window);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClassName;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    int x = (GetSystemMetrics(SM_CXSCREEN) - WindowWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - WindowHeight) / 2;
    return CreateWindowExW(WS_EX_CONTROLPARENT, WindowClassName, L"Velmira", WindowStyle, x, y, WindowWidth,
                           WindowHeight, nullptr, nullptr, instance, nullptr);
}

void RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HWND window = MainWindow();
        if (window && IsDialogMessageW(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
