#include "app/Shell.h"

#include <shellapi.h>

#include <cstring>

namespace {
constexpr size_t TipLimit = 62;

struct IconDirEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes, offset;
};

HICON trayIcon;
bool trayIconShown;

// The image of an .ico file whose size fits the small icon of the tray best.
HICON IconFromFile(std::span<const BYTE> file) {
    constexpr size_t HeaderSize = 6, EntrySize = 16;
    if (file.size() < HeaderSize)
        return nullptr;
    WORD count;
    std::memcpy(&count, file.data() + 4, sizeof count);
    int wanted = GetSystemMetrics(SM_CXSMICON);
    const IconDirEntry* chosen = nullptr;
    for (WORD i = 0; i < count && HeaderSize + (i + 1) * EntrySize <= file.size(); ++i) {
        auto entry = reinterpret_cast<const IconDirEntry*>(file.data() + HeaderSize + i * EntrySize);
        if (!chosen || entry->width == wanted)
            chosen = entry;
    }
    if (!chosen || chosen->offset > file.size() || chosen->bytes > file.size() - chosen->offset)
        return nullptr;
    int size = chosen->width ? chosen->width : 256;
    return CreateIconFromResourceEx(const_cast<BYTE*>(file.data() + chosen->offset), chosen->bytes, TRUE, 0x00030000,
                                    size, size, LR_DEFAULTCOLOR);
}

// Cuts at a character boundary, so a double-byte character is never split.
void CopyTip(char (&target)[128], const std::string& tip) {
    size_t length = 0;
    while (length < tip.size()) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(tip[length])) ? 2 : 1;
        if (length + step > TipLimit || length + step > tip.size())
            break;
        length += step;
    }
    std::memcpy(target, tip.data(), length);
    target[length] = '\0';
}
}  // namespace

int ShowMessage(const std::wstring& text, UINT flags, const std::wstring& title) {
    UINT type = (flags & MB_SYSTEMMODAL) ? flags : flags | MB_TASKMODAL;
    return MessageBoxW(nullptr, text.c_str(), title.c_str(), type);
}

void SetTrayIcon(HWND window, std::span<const BYTE> iconFile, const std::string& tip) {
    NOTIFYICONDATAA data = {sizeof(data)};
    data.hWnd = window;
    data.uID = TrayIconId;
    if (iconFile.empty()) {
        if (trayIconShown)
            Shell_NotifyIconA(NIM_DELETE, &data);
        trayIconShown = false;
        if (trayIcon)
            DestroyIcon(trayIcon);
        trayIcon = nullptr;
        return;
    }
    HICON icon = IconFromFile(iconFile);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WMAPP_TRAY_CALLBACK;
    data.hIcon = icon;
    CopyTip(data.szTip, tip);
    bool shown = Shell_NotifyIconA(trayIconShown ? NIM_MODIFY : NIM_ADD, &data);
    trayIconShown = trayIconShown || shown;
    if (trayIcon)
        DestroyIcon(trayIcon);
    trayIcon = icon;
}

int TrayEventCode(LPARAM mouseMessage) {
    switch (static_cast<UINT>(mouseMessage)) {
        case WM_LBUTTONUP:
            return 1;
        case WM_LBUTTONDBLCLK:
            return 2;
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
            return 3;
        default:
            return 0;
    }
}
