#pragma once
// What the tool relies on in the chat client: window class, caption marks,
// and the places of its colour and shake buttons relative to the corner of
// the chat window's outer rectangle. Nothing adapts these to another layout.

constexpr char ChatWindowClass[] = "TXGuiFoundation";
// The client's main panel has this in its caption; chat windows do not.
constexpr char MainPanelCaptionMark[] = "QQ20";

constexpr int ColourButtonFromLeft = 285;
constexpr int ColourButtonFromBottom = 168;
constexpr int ShakeButtonFromLeft = 105;
constexpr int ShakeButtonFromBottom = 147;

// The colour dialog the client opens: class and caption part; its buttons'
// caption parts. Chinese texts are converted to the running code page.
constexpr char ColourDialogClass[] = "#32770";
constexpr wchar_t ColourDialogCaptionPart[] = L"颜色";
constexpr wchar_t AddButtonCaptionPart[] = L"添加";
constexpr wchar_t OkButtonCaptionPart[] = L"确定";

// Virtual keys of the chords the tool presses.
constexpr int KeyControl = 17;
constexpr int KeyEnter = 13;
constexpr int KeyT = 84;
constexpr int KeyV = 86;
