#pragma once
// The window-shake repeater, driven by 时钟2: a click on the chat client's
// shake button every 11 s while the chat window stays in front.

// Starts 时钟2 when the chat window is still there (it has a caption).
void ArmShakeTimer();
void ShakeTick();
