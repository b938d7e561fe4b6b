#pragma once
// Conversion between UTF-16 literals and texts in the running ANSI code page.
// Chinese texts live in the source as UTF-16 and become code-page bytes only
// at run time, so they are right on GBK systems and on any other code page.
#include <string>
#include <string_view>

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);
