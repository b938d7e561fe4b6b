// Stand-in chat client for end-to-end tests: a chat window with a message
// input, a font toolbar behind Ctrl+T with a colour button that opens the
// system colour dialog, and a shake button. Every event the tests look for is
// written to a log file, one line each, stamped with QueryPerformanceCounter
// in microseconds so other processes can measure latencies against it.
//
// chatstub --log PATH [--caption TEXT] [--send-key enter|ctrl-enter]
//          [--rect X,Y,W,H] [--dialog normal|none|stall:N]
//
// The stub keeps its own copy of the client's layout on purpose: sharing the
// tool's constants would hide a wrong offset from the tests.
#include <windows.h>
#include <commdlg.h>
#include <colordlg.h>
#include <dlgs.h>
#include <shellapi.h>

#include "desktop/ScopedWin.h"

#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr wchar_t ChatWindowClass[] = L"TXGuiFoundation";

// Where the client's buttons lie, relative to the outer window rectangle.
constexpr int ColourButtonFromLeft = 285;
constexpr int ColourButtonFromBottom = 168;
constexpr int ShakeButtonFromLeft = 105;
constexpr int ShakeButtonFromBottom = 147;
constexpr SIZE ButtonSize{36, 20};
// The message input's top edge, above the bottom of the outer rectangle;
// below both buttons so it never covers them.
constexpr int InputFromBottom = 130;
constexpr int InputMargin = 8;

enum ControlId : WORD { InputId = 100, ColourButtonId, ShakeButtonId };

// Exit codes for a stub that could not start.
constexpr int BadCommandLine = 2;
constexpr int CannotStart = 3;

enum class SendKey { Enter, CtrlEnter };
enum class DialogMode { Normal, None, Stall };

struct Options {
    std::wstring logPath;
    std::wstring caption = L"小明";
    SendKey sendKey = SendKey::CtrlEnter;
    RECT rect{200, 120, 200 + 520, 120 + 460};
    DialogMode dialogMode = DialogMode::Normal;
    DWORD stallMs = 0;
};

Options options;
UniqueHandle logFile;
HWND mainWindow;
HWND inputEdit;
HWND colourButton;
COLORREF messageColour = RGB(0, 0, 0);
bool toolbarShown;
COLORREF customColours[NUM_CUSTOM_COLORS] = {
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
};

// ---- Command line ----------------------------------------------------------

// A whole decimal number with an optional minus sign; nine digits at most.
bool ParseInt(std::wstring_view text, int& value) {
    bool negative = !text.empty() && text.front() == L'-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 9)
        return false;
    int result = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        result = result * 10 + (c - L'0');
    }
    value = negative ? -result : result;
    return true;
}

// "X,Y,W,H" with a positive width and height.
bool ParseRect(std::wstring_view text, RECT& rect) {
    int values[4];
    for (int i = 0; i < 4; ++i) {
        size_t comma = i < 3 ? text.find(L',') : text.size();
        if (comma == std::wstring_view::npos || !ParseInt(text.substr(0, comma), values[i]))
            return false;
        text.remove_prefix(i < 3 ? comma + 1 : comma);
    }
    if (values[2] <= 0 || values[3] <= 0)
        return false;
    rect = {values[0], values[1], values[0] + values[2], values[1] + values[3]};
    return true;
}

bool ParseDialogMode(std::wstring_view text) {
    constexpr std::wstring_view stallPrefix = L"stall:";
    int stallMs = 0;
    if (text == L"normal")
        options.dialogMode = DialogMode::Normal;
    else if (text == L"none")
        options.dialogMode = DialogMode::None;
    else if (text.substr(0, stallPrefix.size()) == stallPrefix && ParseInt(text.substr(stallPrefix.size()), stallMs) &&
             stallMs >= 0) {
        options.dialogMode = DialogMode::Stall;
        options.stallMs = static_cast<DWORD>(stallMs);
    } else
        return false;
    return true;
}

bool ParseOption(std::wstring_view name, const std::wstring& value) {
    if (name == L"--log")
        options.logPath = value;
    else if (name == L"--caption")
        options.caption = value;
    else if (name == L"--send-key" && value == L"enter")
        options.sendKey = SendKey::Enter;
    else if (name == L"--send-key" && value == L"ctrl-enter")
        options.sendKey = SendKey::CtrlEnter;
    else if (name == L"--rect")
        return ParseRect(value, options.rect);
    else if (name == L"--dialog")
        return ParseDialogMode(value);
    else
        return false;
    return true;
}

// Every option takes a value; an unknown option or a bad value fails the
// start, so a typo in a test shows at once instead of as odd behaviour.
bool ParseCommandLine() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv)
        return false;
    std::vector<std::wstring> args(argv + 1, argv + count);
    LocalFree(argv);
    if (args.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < args.size(); i += 2) {
        if (!ParseOption(args[i], args[i + 1]))
            return false;
    }
    return !options.logPath.empty();
}

// ---- Log -------------------------------------------------------------------

std::string ToUtf8(std::wstring_view text) {
    if (text.empty())
        return {};
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

// Keeps a message on one log field: backslash, TAB, CR and LF become escapes.
std::string EscapeField(std::string_view text) {
    std::string result;
    for (char c : text) {
        switch (c) {
            case '\\':
                result += "\\\\";
                break;
            case '\t':
                result += "\\t";
                break;
            case '\r':
                result += "\\r";
                break;
            case '\n':
                result += "\\n";
                break;
            default:
                result += c;
        }
    }
    return result;
}

std::string Hex(unsigned long long value, int minDigits) {
    constexpr char digits[] = "0123456789ABCDEF";
    std::string result;
    while (value != 0 || static_cast<int>(result.size()) < minDigits) {
        result.insert(result.begin(), digits[value % 16]);
        value /= 16;
    }
    return result;
}

std::string HandleText(HWND window) {
    return "0x" + Hex(reinterpret_cast<UINT_PTR>(window), 1);
}

// COLORREF keeps red in its low byte; the log reads R, G, B from the left.
std::string ColourText(COLORREF colour) {
    return Hex((GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour), 6);
}

long long MicrosecondsNow() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    // Split so that count * 1000000 cannot overflow on a long uptime.
    return count.QuadPart / frequency.QuadPart * 1000000 +
           count.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

// One line per call, written straight to the file so that a reader in
// another process sees it at once.
void LogEvent(std::initializer_list<std::string_view> fields) {
    std::string line = std::to_string(MicrosecondsNow());
    for (std::string_view field : fields) {
        line += '\t';
        line += field;
    }
    line += '\n';
    DWORD written = 0;
    WriteFile(logFile.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// ---- Colour dialog ---------------------------------------------------------

enum DialogClassAtom : WORD { ButtonAtom = 0x0080, EditAtom = 0x0081, StaticAtom = 0x0082 };

struct DialogItem {
    WORD classAtom;
    WORD id;
    DWORD style;
    short x, y, cx, cy;
    const wchar_t* text;
};

constexpr WORD NoId = 0xFFFF;
constexpr DWORD LeftText = SS_LEFT | WS_GROUP;
constexpr DWORD RightText = SS_RIGHT | WS_GROUP;
constexpr DWORD ColourArea = SS_SIMPLE | WS_TABSTOP | WS_GROUP;
constexpr DWORD Sunken = SS_SUNKEN | SS_SIMPLE;
constexpr DWORD NumberBox = ES_LEFT | WS_BORDER | WS_TABSTOP | WS_GROUP;
constexpr DWORD PushButton = BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;

// The system's standard colour dialog layout and ids, in the order Windows
// creates them: hue, saturation and luminosity come before red, green and
// blue. Wine's built-in template has the RGB boxes first, and the tool types
// into the first three edit boxes, so the stub brings its own template.
constexpr DialogItem ColourDialogItems[] = {
    {StaticAtom, NoId, LeftText, 4, 4, 140, 9, L"基本颜色(&B):"},
    {StaticAtom, COLOR_BOX1, ColourArea, 4, 14, 140, 86, L""},
    {StaticAtom, NoId, LeftText, 4, 106, 140, 9, L"自定义颜色(&C):"},
    {StaticAtom, COLOR_CUSTOM1, ColourArea, 4, 116, 140, 28, L""},
    {ButtonAtom, COLOR_MIX, PushButton, 4, 150, 140, 14, L"规定自定义颜色(&D) >>"},
    {ButtonAtom, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 4, 166, 44, 14, L"确定"},
    {ButtonAtom, IDCANCEL, PushButton, 52, 166, 44, 14, L"取消"},
    {ButtonAtom, pshHelp, PushButton, 100, 166, 44, 14, L"帮助(&H)"},
    {StaticAtom, COLOR_RAINBOW, Sunken, 152, 4, 118, 116, L""},
    {StaticAtom, COLOR_LUMSCROLL, Sunken, 280, 4, 8, 116, L""},
    {StaticAtom, COLOR_CURRENT, Sunken, 152, 124, 40, 26, L""},
    {ButtonAtom, COLOR_SOLID, BS_PUSHBUTTON | WS_GROUP, 300, 200, 4, 14, L"&o"},
    {StaticAtom, COLOR_SOLID_LEFT, RightText, 152, 151, 20, 9, L"颜色"},
    {StaticAtom, COLOR_SOLID_RIGHT, LeftText, 172, 151, 20, 9, L"|纯色(&O)"},
    {StaticAtom, COLOR_HUEACCEL, RightText, 186, 126, 28, 9, L"色调(&E):"},
    {EditAtom, COLOR_HUE, NumberBox, 216, 124, 18, 12, L""},
    {StaticAtom, COLOR_SATACCEL, RightText, 186, 140, 28, 9, L"饱和度(&S):"},
    {EditAtom, COLOR_SAT, NumberBox, 216, 138, 18, 12, L""},
    {StaticAtom, COLOR_LUMACCEL, RightText, 186, 154, 28, 9, L"亮度(&L):"},
    {EditAtom, COLOR_LUM, NumberBox, 216, 152, 18, 12, L""},
    {StaticAtom, COLOR_REDACCEL, RightText, 243, 126, 24, 9, L"红(&R):"},
    {EditAtom, COLOR_RED, NumberBox, 269, 124, 18, 12, L""},
    {StaticAtom, COLOR_GREENACCEL, RightText, 243, 140, 24, 9, L"绿(&G):"},
    {EditAtom, COLOR_GREEN, NumberBox, 269, 138, 18, 12, L""},
    {StaticAtom, COLOR_BLUEACCEL, RightText, 243, 154, 24, 9, L"蓝(&U):"},
    {EditAtom, COLOR_BLUE, NumberBox, 269, 152, 18, 12, L""},
    {ButtonAtom, COLOR_ADD, PushButton, 152, 166, 142, 14, L"添加到自定义颜色(&A)"},
};

void PushDword(std::vector<WORD>& words, DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

void PushText(std::vector<WORD>& words, std::wstring_view text) {
    words.insert(words.end(), text.begin(), text.end());
    words.push_back(0);
}

// DLGTEMPLATE followed by one DWORD-aligned DLGITEMTEMPLATE per control.
std::vector<WORD> BuildColourDialogTemplate() {
    std::vector<WORD> words;
    PushDword(words, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT);
    PushDword(words, 0);
    words.push_back(static_cast<WORD>(std::size(ColourDialogItems)));
    for (int value : {2, 0, 298, 184})  // position and size in dialog units
        words.push_back(static_cast<WORD>(value));
    words.push_back(0);  // no menu
    words.push_back(0);  // standard dialog class
    PushText(words, L"颜色");
    words.push_back(8);
    PushText(words, L"MS Shell Dlg");
    for (const DialogItem& item : ColourDialogItems) {
        if (words.size() % 2 != 0)
            words.push_back(0);
        PushDword(words, item.style | WS_CHILD | WS_VISIBLE);
        PushDword(words, 0);
        for (short value : {item.x, item.y, item.cx, item.cy})
            words.push_back(static_cast<WORD>(value));
        words.push_back(item.id);
        words.push_back(0xFFFF);  // the class follows as an atom
        words.push_back(item.classAtom);
        PushText(words, item.text);
        words.push_back(0);  // no creation data
    }
    return words;
}

UINT_PTR CALLBACK ColourDialogHook(HWND, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG)
        return 0;
    // A client that stops responding while its dialog already exists.
    if (options.dialogMode == DialogMode::Stall)
        Sleep(options.stallMs);
    return TRUE;
}

// Under Wine a hidden owned dialog that closes may leave another window
// active, so the client takes the keyboard back itself.
void TakeForeground() {
    SetForegroundWindow(mainWindow);
    SetFocus(inputEdit);
}

void OnColourButton() {
    if (options.dialogMode == DialogMode::None)
        return;
    LogEvent({"dialog", "open"});
    // A fixed memory block: as a template handle it is its own address.
    std::vector<WORD> dialogTemplate = BuildColourDialogTemplate();
    CHOOSECOLORW chooser{};
    chooser.lStructSize = sizeof(chooser);
    chooser.hwndOwner = mainWindow;
    chooser.hInstance = reinterpret_cast<HWND>(dialogTemplate.data());
    chooser.rgbResult = messageColour;
    chooser.lpCustColors = customColours;
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLETEMPLATEHANDLE | CC_ENABLEHOOK;
    chooser.lpfnHook = ColourDialogHook;
    bool confirmed = ChooseColorW(&chooser) != FALSE;
    // Closed while the dialog was open: "exit" stays the last line.
    if (!IsWindow(mainWindow))
        return;
    TakeForeground();
    if (confirmed) {
        messageColour = chooser.rgbResult;
        InvalidateRect(inputEdit, nullptr, TRUE);
        LogEvent({"dialog", "ok", ColourText(messageColour)});
    } else
        LogEvent({"dialog", "cancel"});
}

// ---- Chat window -----------------------------------------------------------

std::wstring InputText() {
    std::wstring text(GetWindowTextLengthW(inputEdit) + 1, L'\0');
    text.resize(GetWindowTextW(inputEdit, text.data(), static_cast<int>(text.size())));
    return text;
}

void SendTypedMessage() {
    std::wstring text = InputText();
    if (text.empty())
        return;
    LogEvent({"send", ColourText(messageColour), EscapeField(ToUtf8(text))});
    SetWindowTextW(inputEdit, L"");
}

void OnEnterChord(SendKey chord) {
    LogEvent({"key", chord == SendKey::Enter ? "enter" : "ctrl-enter"});
    if (chord == options.sendKey)
        SendTypedMessage();
    else
        SendMessageW(inputEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
}

void ToggleToolbar() {
    toolbarShown = !toolbarShown;
    ShowWindow(colourButton, toolbarShown ? SW_SHOW : SW_HIDE);
    LogEvent({"toolbar", toolbarShown ? "on" : "off"});
}

// The client's keys, taken before the focused control sees them.
bool HandleKey(const MSG& msg) {
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    if (msg.wParam == 'T' && ctrl) {
        ToggleToolbar();
        return true;
    }
    if (msg.wParam == VK_RETURN && msg.hwnd == inputEdit) {
        OnEnterChord(ctrl ? SendKey::CtrlEnter : SendKey::Enter);
        return true;
    }
    return false;
}

// Client rectangle of a control centred on a point given relative to the
// outer window rectangle.
RECT ControlRectAt(HWND window, int fromLeft, int fromBottom, SIZE size) {
    RECT outer;
    GetWindowRect(window, &outer);
    POINT centre{outer.left + fromLeft, outer.bottom - fromBottom};
    ScreenToClient(window, &centre);
    return {centre.x - size.cx / 2, centre.y - size.cy / 2, centre.x + (size.cx + 1) / 2, centre.y + (size.cy + 1) / 2};
}

HWND CreateChild(HWND parent, const wchar_t* windowClass, DWORD style, RECT place, WORD id, const wchar_t* text) {
    return CreateWindowExW(0, windowClass, text, WS_CHILD | style, place.left, place.top, place.right - place.left,
                           place.bottom - place.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

bool OnCreate(HWND window) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    POINT inputTop{0, outer.bottom - InputFromBottom};
    ScreenToClient(window, &inputTop);
    RECT inputPlace{InputMargin, inputTop.y, client.right - InputMargin, client.bottom - InputMargin};
    inputEdit = CreateChild(window, L"EDIT",
                            WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                            inputPlace, InputId, L"");
    // The toolbar starts hidden, and with it the colour button.
    colourButton = CreateChild(window, L"BUTTON", BS_PUSHBUTTON,
                               ControlRectAt(window, ColourButtonFromLeft, ColourButtonFromBottom, ButtonSize),
                               ColourButtonId, L"颜色");
    HWND shakeButton = CreateChild(window, L"BUTTON", WS_VISIBLE | BS_PUSHBUTTON,
                                   ControlRectAt(window, ShakeButtonFromLeft, ShakeButtonFromBottom, ButtonSize),
                                   ShakeButtonId, L"抖动");
    return inputEdit && colourButton && shakeButton;
}

void OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED)
        return;
    // A click leaves the focus on the button; typing goes to the message.
    SetFocus(inputEdit);
    if (id == ShakeButtonId)
        LogEvent({"shake"});
    else if (id == ColourButtonId)
        OnColourButton();
}

LRESULT CALLBACK ChatWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window) ? 0 : -1;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                break;
            // Wine does not raise a window that another process activates; the
            // window in front must also be on top, or clicks meant for it miss.
            SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            SetFocus(inputEdit);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, messageColour);
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        case WM_CLOSE:
            LogEvent({"exit"});
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool CreateChatWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ChatWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ChatWindowClass;
    if (!RegisterClassExW(&windowClass))
        return false;
    const RECT& place = options.rect;
    mainWindow = CreateWindowExW(0, ChatWindowClass, options.caption.c_str(),
                                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, place.left,
                                 place.top, place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                                 instance, nullptr);
    return mainWindow != nullptr;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN && HandleKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (!ParseCommandLine())
        return BadCommandLine;
    logFile = UniqueHandle(CreateFileW(options.logPath.c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!logFile || !CreateChatWindow(instance))
        return CannotStart;
    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);
    TakeForeground();
    LogEvent({"ready", HandleText(mainWindow), HandleText(inputEdit)});
    return RunMessageLoop();
}
