#include "app/Options.h"

#include "app/Controls.h"
#include "desktop/Random.h"

std::atomic<SendKey> SendMode{SendKey::Enter};
std::atomic<int32_t> presetHue{0};
std::atomic<int32_t> presetSaturation{0};

namespace {
constexpr int32_t FullSaturation = 240;

// A hue from 0 to 240 in steps of 5. The UI thread's generator is never
// seeded, so the sequence is the same in every run.
int32_t DrawPresetHue() {
    return static_cast<int32_t>(RandomInt(0, 48) * 5.0);
}
}  // namespace

void On单选框1Clicked() {
    SendMode = SendKey::Enter;
    SetCheckState(单选框2, 0);
}

void On单选框2Clicked() {
    SendMode = SendKey::CtrlEnter;
    SetCheckState(单选框1, 0);
}

void On单选框3Clicked() {
    presetSaturation = FullSaturation;
    SetCheckState(单选框4, 0);
    SetCheckState(单选框5, 0);
    SetCheckState(单选框6, 0);
}

void On单选框4Clicked() {
    presetHue = DrawPresetHue();
    SetCheckState(单选框3, 0);
    SetCheckState(单选框5, 0);
    SetCheckState(单选框6, 0);
}

void On单选框5Clicked() {
    presetHue = 0;
    presetSaturation = 0;
    SetCheckState(单选框3, 0);
    SetCheckState(单选框4, 0);
    SetCheckState(单选框6, 0);
}

void On按钮3Clicked() {
    SetCheckState(单选框4, 1);
    presetHue = DrawPresetHue();
    SetCheckState(单选框3, 0);
    SetCheckState(单选框5, 0);
    SetCheckState(单选框6, 0);
}
