#pragma once
// Read-only window operations: the window under the cursor, class names and
// captions, comparison and search of ANSI texts, walks over windows of a class.
// A missing text (null pointer) counts as the empty text.
#include <windows.h>

#include <string>

HWND WindowUnderCursor();
std::string ClassNameOf(HWND window);
std::string ReadWindowText(HWND window);

// 0 when equal, -1 when a sorts first, +1 when b sorts first; bytes compared unsigned.
int CompareText(const char* a, const char* b);

// 1-based byte position of the first occurrence of sought in text, or -1. A match
// only starts on a character boundary: a byte of 0x80 or above and the byte after
// it are one character.
int FindText(const char* text, const char* sought);

// Walk the windows of a class in Z order from the top: children of parent, or
// the top-level windows when parent is null.
HWND FindWindowWithCaption(HWND parent, const char* className, const char* captionPart);
HWND NthWindowOfClass(HWND parent, const char* className, int n);
