#pragma once
// Send-mode and colour-scheme options: the click handlers of their controls
// and the values they prepare for the send pipeline.
#include <atomic>
#include <cstdint>

enum class SendKey { Enter, CtrlEnter };

// The key the user sends with; the tool presses the other chord.
extern std::atomic<SendKey> SendMode;
// Prepared hue and saturation typed by the single-colour and grey schemes.
extern std::atomic<int32_t> presetHue;
extern std::atomic<int32_t> presetSaturation;

// Run after the control's own reaction to the click, on the UI thread.
void On单选框1Clicked();
void On单选框2Clicked();
void On单选框3Clicked();
void On单选框4Clicked();
void On单选框5Clicked();
void On按钮3Clicked();
