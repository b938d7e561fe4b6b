#include "MainWindowFixture.h"

#include "app/MainWindow.h"
#include "app/Options.h"
#include "hotkey/HotkeyService.h"

namespace {
// Destroying a main window releases the send keys through the hotkey service.
class HotkeyTableEnvironment : public ::testing::Environment {
public:
    void SetUp() override { InitHotkeyTable(); }
};
const auto* const hotkeyTable = ::testing::AddGlobalTestEnvironment(new HotkeyTableEnvironment);
}  // namespace

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Left by the destroyed windows of earlier tests.
            if (message.message == WM_QUIT)
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    } while (GetTickCount() - start < ms);
}

void MainWindowFixture::SetUp() {
    SendMode = SendKey::Enter;
    presetHue = 0;
    presetSaturation = 0;
    window = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    Pump(20);
}

void MainWindowFixture::TearDown() {
    if (IsWindow(window))
        DestroyWindow(window);
    Pump(20);
}

void MainWindowFixture::Click(HWND control) {
    SendMessageW(control, BM_CLICK, 0, 0);
    Pump(10);
}
