// The tool's main job, shown: the stand-in chat client and the tool side by
// side, a short conversation in each colour scheme, the messages printed in
// the colours the client received them in, and a screenshot of the desktop.
//
// demo --velmira=PATH --stub=PATH [--screenshot=PATH.bmp]
#include "Session.h"

#include <cstdio>
#include <string>

namespace {

struct Scene {
    const wchar_t* title;
    const wchar_t* click;  // a control of the tool to click first, or null
    const wchar_t* lines[3];
};

const Scene scenes[] = {
    {L"full colour (全色系)", nullptr, {L"Hi! Velmira colours every message.", L"今天天气真好", L"Each one a new hue"}},
    {L"single colour (单色系)", L"单色系", {L"One hue, many shades", L"同一种颜色", L"darker or lighter"}},
    {L"single colour, changed (换色)", L"换色", {L"换一种颜色试试", L"Another hue now", L"好看吗？"}},
    {L"grey (灰色系)", L"灰色系", {L"Shades of grey", L"低调一点", L"quiet and calm"}},
};

std::string Unescape(const std::string& text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        char next = text[++i];
        result += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    }
    return result;
}

// The client's log colour as a 24-bit terminal colour.
std::string TerminalColour(const std::string& rrggbb) {
    unsigned long value = std::strtoul(rrggbb.c_str(), nullptr, 16);
    return "\x1b[38;2;" + std::to_string((value >> 16) & 0xFF) + ";" + std::to_string((value >> 8) & 0xFF) + ";" +
           std::to_string(value & 0xFF) + "m";
}

// Writes the whole screen as a 24-bit BMP file.
bool SaveScreenshot(const std::wstring& path) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info = {sizeof(info), width, height, 1, 24, BI_RGB};
    DWORD stride = (width * 3 + 3) & ~3u;
    std::string pixels(stride * height, '\0');
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER header = {0x4D42};
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written;
    bool ok = WriteFile(file, &header, sizeof(header), &written, nullptr) &&
              WriteFile(file, &info, sizeof(info), &written, nullptr) &&
              WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(file);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::string toolPath = CommandLineOption(argc, argv, "velmira");
    std::string stubPath = CommandLineOption(argc, argv, "stub");
    std::string screenshot = CommandLineOption(argc, argv, "screenshot");
    if (toolPath.empty() || stubPath.empty()) {
        std::fprintf(stderr, "usage: demo --velmira=PATH --stub=PATH [--screenshot=PATH.bmp]\n");
        return 2;
    }
    ChatStub stub;
    Tool tool;
    if (!stub.Start(stubPath, L"--caption 小明 --rect 20,110,360,460") || !tool.Start(toolPath)) {
        std::fprintf(stderr, "could not start the chat client or the tool\n");
        return 1;
    }
    std::printf("Velmira demo: the chat client stand-in and the tool run under Wine.\n");
    if (!tool.ClickStart()) {
        std::fprintf(stderr, "the usage hint did not appear\n");
        return 1;
    }
    stub.BringToFront();
    RestCursorOnTitle(stub.Window());
    if (!stub.Log().WaitFor("key", 5000)) {
        std::fprintf(stderr, "the chat window was not captured\n");
        return 1;
    }
    std::printf("Captured the chat window; the send key is armed.\n");

    int failures = 0;
    for (const Scene& scene : scenes) {
        if (scene.click)
            tool.Click(scene.click);
        stub.BringToFront();
        std::printf("\n-- %s\n", ToUtf8(scene.title).c_str());
        for (const wchar_t* line : scene.lines) {
            size_t before = stub.Log().Events().size();
            stub.Type(line);
            PressChord({VK_RETURN});
            StubEvent sent;
            if (!stub.Log().WaitFor("send", 5000, &sent, before) || sent.fields.size() < 2) {
                std::printf("   (no message arrived)\n");
                ++failures;
                continue;
            }
            Hls hls = HlsOf(sent.fields[0]);
            std::printf("   %s%s\x1b[0m   #%s  hue %3d sat %3d lum %3d\n", TerminalColour(sent.fields[0]).c_str(),
                        Unescape(sent.fields[1]).c_str(), sent.fields[0].c_str(), hls.hue, hls.saturation,
                        hls.luminosity);
        }
    }
    if (!screenshot.empty() && SaveScreenshot(WinePath(screenshot)))
        std::printf("\nScreenshot: %s\n", screenshot.c_str());
    tool.Close();
    return failures == 0 ? 0 : 1;
}
