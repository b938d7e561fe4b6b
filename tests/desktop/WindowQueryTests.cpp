#include "desktop/WindowQuery.h"

#include "TestSupport.h"
#include "desktop/AnsiText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr POINT Cursor = {300, 250};
constexpr DWORD ShownPopup = WS_POPUP | WS_VISIBLE;
constexpr DWORD ShownChild = WS_CHILD | WS_VISIBLE;

class WindowUnderCursorTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterTestClass(ProbeClass);
        ASSERT_TRUE(SetCursorPos(Cursor.x, Cursor.y));
    }
};

// A popup at (100, 100) on the screen; child rectangles are relative to it.
constexpr RECT Parent = {100, 100, 600, 500};
// 200 x 150, around the cursor.
constexpr RECT TopChild = {100, 100, 300, 250};

struct SiblingCase {
    const char* name;
    RECT rect;
    bool visible;
    bool expectSibling;
};

TEST_F(WindowUnderCursorTest, PrefersASmallerVisibleSiblingBelow) {
    const SiblingCase cases[] = {
        {"smaller", {150, 120, 250, 200}, true, true},
        {"larger", {50, 50, 350, 300}, true, false},
        {"equal area", {150, 50, 300, 250}, true, false},
        {"smaller but hidden", {150, 120, 250, 200}, false, false},
        {"smaller, away from the cursor", {0, 0, 50, 50}, true, false},
        {"larger than 32-bit area", {-25000, -25000, 25000, 25000}, true, false},
    };
    for (const SiblingCase& c : cases) {
        SCOPED_TRACE(c.name);
        UniqueWindow parent = MakeWindow(ProbeClass, "parent", ShownPopup, Parent);
        // Later children go below earlier ones.
        UniqueWindow top = MakeWindow(ProbeClass, "top", ShownChild, TopChild, parent.get());
        UniqueWindow sibling =
            MakeWindow(ProbeClass, "sibling", c.visible ? ShownChild : WS_CHILD, c.rect, parent.get());
        ASSERT_EQ(WindowFromPoint(Cursor), top.get());
        EXPECT_EQ(WindowUnderCursor(), c.expectSibling ? sibling.get() : top.get());
    }
}

TEST_F(WindowUnderCursorTest, WalksOnFromEachAcceptedSiblingAndKeepsTheFirstOfEqualAreas) {
    UniqueWindow parent = MakeWindow(ProbeClass, "parent", ShownPopup, Parent);
    UniqueWindow top = MakeWindow(ProbeClass, "top", ShownChild, TopChild, parent.get());
    UniqueWindow smaller = MakeWindow(ProbeClass, "120x100", ShownChild, {160, 130, 280, 230}, parent.get());
    UniqueWindow smallest = MakeWindow(ProbeClass, "60x60", ShownChild, {190, 140, 250, 200}, parent.get());
    UniqueWindow sameArea = MakeWindow(ProbeClass, "60x60 too", ShownChild, {180, 130, 240, 190}, parent.get());
    ASSERT_EQ(WindowFromPoint(Cursor), top.get());
    EXPECT_EQ(WindowUnderCursor(), smallest.get());
}

struct OwnerCase {
    const char* name;
    int candidateOwner;  // index into the owners below, or -1 for none
    int siblingOwner;
    bool expectSibling;
};

TEST_F(WindowUnderCursorTest, OwnedPopupsCountAsSiblingsOfTheSameOwnerOnly) {
    const OwnerCase cases[] = {
        {"same owner", 0, 0, true},
        {"another owner", 0, 1, false},
        {"unowned sibling", 0, -1, false},
        {"unowned candidate is returned as it is", -1, -1, false},
    };
    for (const OwnerCase& c : cases) {
        SCOPED_TRACE(c.name);
        UniqueWindow owners[] = {MakeWindow(ProbeClass, "owner", ShownPopup, {600, 600, 700, 700}),
                                 MakeWindow(ProbeClass, "other owner", ShownPopup, {700, 600, 800, 700})};
        auto owner = [&](int index) { return index < 0 ? nullptr : owners[index].get(); };
        // New top-level windows go on top.
        UniqueWindow sibling =
            MakeWindow(ProbeClass, "sibling", ShownPopup, {280, 230, 340, 290}, owner(c.siblingOwner));
        UniqueWindow candidate =
            MakeWindow(ProbeClass, "candidate", ShownPopup, {250, 200, 400, 320}, owner(c.candidateOwner));
        ASSERT_EQ(WindowFromPoint(Cursor), candidate.get());
        EXPECT_EQ(WindowUnderCursor(), c.expectSibling ? sibling.get() : candidate.get());
    }
}

TEST(ClassNameOf, ReadsTheWholeNameAndNothingForNoWindow) {
    // The longest class name the system keeps.
    const std::string longName(255, 'V');
    RegisterTestClass(longName.c_str());
    UniqueWindow window = MakeWindow(longName.c_str(), "", WS_POPUP, RECT{});
    ASSERT_TRUE(window);
    EXPECT_EQ(ClassNameOf(window.get()), longName);
    EXPECT_EQ(ClassNameOf(nullptr), "");
    HWND destroyed = window.get();
    window.reset();
    EXPECT_EQ(ClassNameOf(destroyed), "");
}

constexpr char OverstatingClass[] = "VelmiraOverstatedLength";
constexpr LRESULT Overstatement = 8;

LRESULT CALLBACK OverstateTextLength(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
    return message == WM_GETTEXTLENGTH ? result + Overstatement : result;
}

TEST(ReadWindowText, ReadsTheCaptionBytes) {
    ASSERT_TRUE(RunsOnGbk());
    RegisterTestClass(ProbeClass);
    RegisterTestClass(OverstatingClass, OverstateTextLength);
    const std::string caption = ToAnsi(L"与 QQ2013 的颜色");
    UniqueWindow captioned = MakeWindow(ProbeClass, caption, WS_POPUP, RECT{});
    UniqueWindow uncaptioned = MakeWindow(ProbeClass, "", WS_POPUP, RECT{});
    UniqueWindow overstated = MakeWindow(OverstatingClass, "ab", WS_POPUP, RECT{});
    EXPECT_EQ(ReadWindowText(captioned.get()), caption);
    EXPECT_EQ(ReadWindowText(uncaptioned.get()), "");
    EXPECT_EQ(ReadWindowText(overstated.get()), "ab");
    EXPECT_EQ(ReadWindowText(nullptr), "");
    HWND destroyed = captioned.get();
    captioned.reset();
    EXPECT_EQ(ReadWindowText(destroyed), "");
}

constexpr char WalkClass[] = "VelmiraWalkProbe";
constexpr char OtherClass[] = "VelmiraWalkOther";

bool LiesAbove(HWND upper, HWND lower) {
    for (HWND next = GetWindow(upper, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
        if (next == lower)
            return true;
    }
    return false;
}

class WindowWalkTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RunsOnGbk());
        RegisterTestClass(WalkClass);
        RegisterTestClass(OtherClass);
    }
    // 颜 is d1 d5; 把这 holds those bytes across its two characters.
    const std::string sought_ = ToAnsi(L"颜");
};

TEST_F(WindowWalkTest, TopLevelWindowsFromTheTop) {
    // Each new top-level window goes on top, so they are made bottom first.
    UniqueWindow fourth = MakeWindow(WalkClass, ToAnsi(L"颜色"), WS_POPUP, RECT{});
    UniqueWindow third = MakeWindow(WalkClass, ToAnsi(L"字体颜色"), WS_POPUP, RECT{});
    UniqueWindow second = MakeWindow(WalkClass, ToAnsi(L"其他"), WS_POPUP, RECT{});
    UniqueWindow first = MakeWindow(WalkClass, ToAnsi(L"把这"), WS_POPUP, RECT{});
    UniqueWindow otherClass = MakeWindow(OtherClass, ToAnsi(L"颜色"), WS_POPUP, RECT{});
    ASSERT_TRUE(LiesAbove(otherClass.get(), first.get()) && LiesAbove(first.get(), second.get()) &&
                LiesAbove(second.get(), third.get()) && LiesAbove(third.get(), fourth.get()));

    EXPECT_EQ(FindWindowWithCaption(nullptr, WalkClass, sought_.c_str()), third.get());
    EXPECT_EQ(FindWindowWithCaption(nullptr, WalkClass, "absent"), nullptr);

    const struct {
        int n;
        HWND expected;
    } cases[] = {{1, first.get()}, {2, second.get()}, {3, third.get()}, {4, fourth.get()},
                 {5, nullptr},     {0, nullptr},      {-1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(NthWindowOfClass(nullptr, WalkClass, c.n), c.expected);
    }
}

TEST_F(WindowWalkTest, DirectChildrenOfAParentFromTheTop) {
    UniqueWindow parent = MakeWindow(OtherClass, "", WS_POPUP, RECT{});
    // Each new child goes below its earlier siblings.
    UniqueWindow otherClass = MakeWindow(OtherClass, ToAnsi(L"颜色"), WS_CHILD, RECT{}, parent.get());
    UniqueWindow first = MakeWindow(WalkClass, ToAnsi(L"甲"), WS_CHILD, RECT{}, parent.get());
    UniqueWindow grandchild = MakeWindow(WalkClass, ToAnsi(L"颜色"), WS_CHILD, RECT{}, first.get());
    UniqueWindow second = MakeWindow(WalkClass, ToAnsi(L"颜色"), WS_CHILD, RECT{}, parent.get());
    UniqueWindow third = MakeWindow(WalkClass, ToAnsi(L"颜色 2"), WS_CHILD, RECT{}, parent.get());
    ASSERT_TRUE(LiesAbove(otherClass.get(), first.get()) && LiesAbove(first.get(), second.get()) &&
                LiesAbove(second.get(), third.get()));

    EXPECT_EQ(FindWindowWithCaption(parent.get(), WalkClass, sought_.c_str()), second.get());
    EXPECT_EQ(FindWindowWithCaption(first.get(), WalkClass, sought_.c_str()), grandchild.get());
    EXPECT_EQ(FindWindowWithCaption(parent.get(), WalkClass, "absent"), nullptr);

    const struct {
        int n;
        HWND expected;
    } cases[] = {{1, first.get()}, {2, second.get()}, {3, third.get()}, {4, nullptr}, {0, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(NthWindowOfClass(parent.get(), WalkClass, c.n), c.expected);
    }
}

}  // namespace
