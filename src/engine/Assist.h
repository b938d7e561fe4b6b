#pragma once
// Assist control: starting and stopping assistance and capturing the chat
// window under the cursor.
#include <windows.h>

#include <atomic>

// The captured chat window; null at start and after Stop. Written only on the
// UI thread.
extern std::atomic<HWND> ChatWindow;

void StartAssist();
void StopAssist();
void PollChatWindow();
void ReleaseSendHotkeys();
void ArmSendHotkey();
void PressSendKey();
