#pragma once
// Synthesised keyboard and mouse input, and the clipboard. Input goes into the
// system's input stream: keys reach the focused window, clicks land under the cursor.
#include <windows.h>

// Virtual-key codes; only the low byte is used, 0 for key2 or key3 means no key.
// All keys go down in order, then up in the same order, with no pause.
void PressKeys(int key1, int key2 = 0, int key3 = 0);

// The cursor position in screen coordinates; 0 when it cannot be read.
int CursorX();
int CursorY();

// Moves the cursor to the point, clicks the left button there and leaves the cursor there.
void ClickAt(int x, int y);

// Replaces the clipboard's content with the text as CF_TEXT. False when the
// clipboard is held by another window (its content is then kept) or the text
// could not be placed.
bool SetClipboardText(const char* text);
