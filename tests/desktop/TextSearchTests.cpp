#include "desktop/WindowQuery.h"

#include "TestSupport.h"
#include "desktop/AnsiText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CompareCase {
    const char* name;
    const char* a;
    const char* b;
    int expected;
};

TEST(CompareText, OrdersMissingEmptyAndUnsignedBytes) {
    const CompareCase cases[] = {
        {"both missing", nullptr, nullptr, 0},
        {"missing and empty", nullptr, "", 0},
        {"empty and missing", "", nullptr, 0},
        {"missing before a text", nullptr, "a", -1},
        {"a text after missing", "a", nullptr, 1},
        {"equal", "TXGuiFoundation", "TXGuiFoundation", 0},
        {"prefix sorts first", "TXGui", "TXGuiFoundation", -1},
        {"lower case sorts after", "txguifoundation", "TXGuiFoundation", 1},
        {"upper case sorts before", "TXGUIFOUNDATION", "TXGuiFoundation", -1},
        {"byte 0x80 and above after ASCII", "\xd1\xd5", "z", 1},
        {"first differing byte decides", "ab\xd1", "ab\x7f", 1},
    };
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CompareText(c.a, c.b), c.expected);
        EXPECT_EQ(CompareText(c.b, c.a), -c.expected);
    }
}

struct FindCase {
    const char* name;
    std::string text;
    std::string sought;
    int expected;
};

TEST(FindText, FindsOnlyOnCharacterBoundaries) {
    ASSERT_TRUE(RunsOnGbk());
    const std::string colour = ToAnsi(L"颜");  // d1 d5
    // b0 d1 d5 e2: the bytes of 颜 sit across the boundary of the two characters.
    const std::string straddling = ToAnsi(L"把这");
    const FindCase cases[] = {
        {"empty text", "", "QQ20", -1},
        {"caption starting with it", "QQ2013", "QQ20", 1},
        {"further on", "xyQQ20", "QQ20", 3},
        {"at the very end", "abcd", "cd", 3},
        {"empty sought in a text", "abc", "", 1},
        {"both empty", "", "", -1},
        {"sought longer than the text", "QQ2", "QQ20", -1},
        {"exact case only", "qq2013", "QQ20", -1},
        {"after a double-byte character", ToAnsi(L"颜色QQ20"), "QQ20", 5},
        {"double-byte sought", ToAnsi(L"a颜色"), ToAnsi(L"色"), 4},
        {"not from a second byte", straddling, colour, -1},
        // 丂 is 81 40: its second byte is the ASCII '@'.
        {"after the pairs that straddle it", straddling + colour, colour, 5},
        {"not from an ASCII second byte", ToAnsi(L"丂A"), "@A", -1},
        {"lone lead byte at the end", "ab\xd1", "c", -1},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindText(c.text.c_str(), c.sought.c_str()), c.expected);
    }
}

TEST(FindText, MissingTextsReadAsEmpty) {
    EXPECT_EQ(FindText(nullptr, "QQ20"), -1);
    EXPECT_EQ(FindText("QQ20", nullptr), 1);
    EXPECT_EQ(FindText(nullptr, nullptr), -1);
}

}  // namespace
