#include "desktop/Input.h"

#include "TestSupport.h"
#include "desktop/AnsiText.h"
#include "desktop/ScopedWin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <thread>

namespace {

// The CF_TEXT on the clipboard, or nothing when there is none or it lacks its NUL.
std::optional<std::string> ClipboardText() {
    ClipboardSession clipboard(nullptr);
    if (!clipboard)
        return std::nullopt;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return std::nullopt;
    ScopedGlobalLock lock(data);
    const auto* bytes = static_cast<const char*>(lock.data());
    const size_t size = GlobalSize(data);
    if (!bytes || !std::memchr(bytes, '\0', size))
        return std::nullopt;
    return std::string(bytes);
}

// Another thread keeps the clipboard open with a window of its own while this lives.
class ClipboardHolder {
public:
    ClipboardHolder() : thread_([this] { Hold(); }) { opened_.Wait(); }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    ~ClipboardHolder() {
        release_.Raise();
        thread_.join();
    }
    bool holding() const { return holding_; }

private:
    void Hold() {
        RegisterTestClass(ProbeClass);
        UniqueWindow owner = MakeWindow(ProbeClass, "", 0, RECT{}, HWND_MESSAGE);
        ClipboardSession clipboard(owner.get());
        holding_ = static_cast<bool>(clipboard);
        opened_.Raise();
        release_.Wait();
    }

    Signal opened_;
    Signal release_;
    bool holding_ = false;
    std::thread thread_;
};

TEST(SetClipboardText, PlacesExactlyTheText) {
    ASSERT_TRUE(RunsOnGbk());
    const std::string texts[] = {"hello", "-----(Velmira)", ToAnsi(L"颜色-----"), "", "ends in a line end\r\n"};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(SetClipboardText(text.c_str()));
        EXPECT_EQ(ClipboardText(), text);
    }
}

TEST(SetClipboardText, FailsAndKeepsTheContentWhileAnotherWindowHoldsIt) {
    ASSERT_TRUE(SetClipboardText("old"));
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.holding());
        EXPECT_FALSE(SetClipboardText("new"));
    }
    EXPECT_EQ(ClipboardText(), "old");
    EXPECT_TRUE(SetClipboardText("new"));
    EXPECT_EQ(ClipboardText(), "new");
}

TEST(SetClipboardText, CtrlVPastesItIntoTheFocusedEditBox) {
    RegisterTestClass(ProbeClass);
    UniqueWindow frame = MakeWindow(ProbeClass, "frame", WS_POPUP | WS_VISIBLE, {100, 100, 400, 200});
    UniqueWindow edit = MakeWindow("EDIT", "", WS_CHILD | WS_VISIBLE, {10, 10, 290, 40}, frame.get());
    SetForegroundWindow(frame.get());
    SetFocus(edit.get());
    ASSERT_EQ(GetFocus(), edit.get());
    ASSERT_TRUE(SetClipboardText("pasted"));
    PressKeys(VK_CONTROL, 'V');
    char text[32] = "";
    EXPECT_TRUE(PumpUntil([&] {
        GetWindowTextA(edit.get(), text, sizeof text);
        return std::strcmp(text, "pasted") == 0;
    })) << "edit box holds \""
        << text << "\"";
}

}  // namespace
