#include "desktop/WindowQuery.h"

#include "desktop/DoubleByte.h"

#include <cstdint>
#include <cstring>

namespace {

// Class names have at most 256 characters.
constexpr int ClassNameBufferSize = 259;

// 64-bit: a window more than 46340 pixels a side would overflow a 32-bit area
// into a negative, "smaller" one.
int64_t AreaOf(const RECT& rect) {
    return int64_t{rect.right - rect.left} * (rect.bottom - rect.top);
}

}  // namespace

HWND WindowUnderCursor() {
    POINT cursor;
    if (!GetCursorPos(&cursor))
        return nullptr;
    HWND candidate = WindowFromPoint(cursor);
    if (!candidate)
        return nullptr;
    RECT best = {};
    GetWindowRect(candidate, &best);
    HWND parent = GetParent(candidate);
    if (!parent)
        return candidate;
    // WindowFromPoint reports the topmost window; a smaller sibling lying below it
    // is the more precise target.
    for (HWND next = GetWindow(candidate, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
        RECT rect = {};
        GetWindowRect(next, &rect);
        if (PtInRect(&rect, cursor) && GetParent(next) == parent && IsWindowVisible(next) &&
            AreaOf(rect) < AreaOf(best)) {
            candidate = next;
            best = rect;
        }
    }
    return candidate;
}

std::string ClassNameOf(HWND window) {
    char buffer[ClassNameBufferSize] = "";
    GetClassNameA(window, buffer, ClassNameBufferSize);
    return buffer;
}

std::string ReadWindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::string text(length, ' ');
    GetWindowTextA(window, text.data(), length + 1);
    // The length may overstate the caption (double-byte text, a caption that shrank meanwhile).
    text.resize(std::strlen(text.c_str()));
    return text;
}

int CompareText(const char* a, const char* b) {
    if (!a)
        return (!b || !*b) ? 0 : -1;
    if (!b)
        return *a ? 1 : 0;
    const auto* left = reinterpret_cast<const unsigned char*>(a);
    const auto* right = reinterpret_cast<const unsigned char*>(b);
    for (;; ++left, ++right) {
        if (*left != *right)
            return *left < *right ? -1 : 1;
        if (!*left)
            return 0;
    }
}

int FindText(const char* text, const char* sought) {
    if (!text)
        text = "";
    if (!sought)
        sought = "";
    const size_t textLength = std::strlen(text);
    const size_t soughtLength = std::strlen(sought);
    if (soughtLength == 0)
        return textLength > 0 ? 1 : -1;
    size_t index = 0;
    size_t remaining = textLength;
    while (remaining >= soughtLength) {
        if (std::memcmp(text + index, sought, soughtLength) == 0)
            return static_cast<int>(index + 1);
        if (BeginsDoubleByte(text[index])) {
            if (!text[index + 1])
                return -1;
            index += 2;
            remaining -= 2;
        } else {
            index += 1;
            remaining -= 1;
        }
    }
    return -1;
}

HWND FindWindowWithCaption(HWND parent, const char* className, const char* captionPart) {
    HWND cursor = nullptr;
    while ((cursor = FindWindowExA(parent, cursor, className, nullptr))) {
        if (FindText(ReadWindowText(cursor).c_str(), captionPart) != -1)
            return cursor;
    }
    return nullptr;
}

HWND NthWindowOfClass(HWND parent, const char* className, int n) {
    int count = 0;
    HWND cursor = nullptr;
    while ((cursor = FindWindowExA(parent, cursor, className, nullptr))) {
        if (++count == n)
            return cursor;
    }
    return nullptr;
}
