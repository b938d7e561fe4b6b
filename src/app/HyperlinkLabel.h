#pragma once
// The hyperlink label: opens the author's web page on a left-button press and
// shows its normal, hover and visited colours with a hand cursor.
#include <windows.h>

#include <string>

constexpr char AuthorPageAddress[] = "http://velmira.example/author/";

// Turns a static control into the hyperlink label for `target`.
void MakeHyperlinkLabel(HWND label, const std::string& target);

// Colours for the label's WM_CTLCOLORSTATIC; returns the background brush.
HBRUSH HyperlinkLabelColours(HDC dc);

// Opens `target` with the shell, falling back to the browser's own command
// line from the .htm registration. True when either way started.
bool OpenTarget(const std::string& target);

// The browser command that opens `target`, built from the registered open
// command: cut at the first quoted "%1" (or else the first %1), then a blank
// and the target.
std::string BrowserCommandLine(const std::string& openCommand, const std::string& target);
