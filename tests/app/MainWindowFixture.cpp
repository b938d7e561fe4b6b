#include "MainWindowFixture.h"

#include "PumpUntil.h"

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
    PumpUntil([] { return false; }, ms);
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
