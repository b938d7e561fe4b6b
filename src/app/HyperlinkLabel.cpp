#include "app/HyperlinkLabel.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

namespace {
constexpr COLORREF NormalColour = RGB(128, 128, 128);
constexpr COLORREF VisitedColour = RGB(128, 0, 0);
constexpr COLORREF HoverColour = RGB(255, 0, 0);
constexpr UINT_PTR SubclassId = 1;

std::string labelTarget;
bool visited;
bool hovering;

// Default value of a key under HKEY_CLASSES_ROOT, empty when missing.
std::string ClassesRootDefault(const std::string& key) {
    DWORD size = 0;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS)
        return {};
    std::vector<char> value(size + 1);
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr,
                     value.data(), &size) != ERROR_SUCCESS)
        return {};
    return value.data();
}

void SetHovering(HWND label, bool value) {
    if (hovering == value)
        return;
    hovering = value;
    InvalidateRect(label, nullptr, TRUE);
}

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
        case WM_LBUTTONDOWN:
            if (OpenTarget(labelTarget)) {
                visited = true;
                InvalidateRect(label, nullptr, TRUE);
            }
            return 0;
        case WM_SETCURSOR:
            SetCursor(LoadCursorA(nullptr, IDC_HAND));
            return TRUE;
        case WM_MOUSEMOVE:
            if (!hovering) {
                TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, label, 0};
                TrackMouseEvent(&track);
            }
            SetHovering(label, true);
            break;
        case WM_MOUSELEAVE:
            SetHovering(label, false);
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(label, LabelProc, SubclassId);
            break;
    }
    return DefSubclassProc(label, message, wParam, lParam);
}
}  // namespace

void MakeHyperlinkLabel(HWND label, const std::string& target) {
    labelTarget = target;
    visited = hovering = false;
    SetWindowSubclass(label, LabelProc, SubclassId, 0);
}

HBRUSH HyperlinkLabelColours(HDC dc) {
    SetTextColor(dc, hovering ? HoverColour : visited ? VisitedColour : NormalColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

std::string BrowserCommandLine(const std::string& openCommand, const std::string& target) {
    std::string command = openCommand;
    size_t cut = command.find("\"%1\"");
    if (cut == std::string::npos)
        cut = command.find("%1");
    if (cut != std::string::npos)
        command.erase(cut);
    return command + " " + target;
}

bool OpenTarget(const std::string& target) {
    auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOW));
    if (result > 32)
        return true;
    std::string htmClass = ClassesRootDefault(".htm");
    std::string openCommand = ClassesRootDefault(htmClass + "\\shell\\open\\command");
    if (htmClass.empty() || openCommand.empty())
        return false;
    return WinExec(BrowserCommandLine(openCommand, target).c_str(), SW_SHOW) > 31;
}
