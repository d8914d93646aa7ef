#include "app/result_view.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "win32/test_window.h"

namespace {

class ResultViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = CreateTestParent("ResultViewTestParent", DefWindowProcA);
        ASSERT_NE(parent, nullptr);
        view = std::make_unique<TResultView>(parent, 1, RECT{0, 0, 280, 200});
    }
    void TearDown() override {
        view.reset();
        DestroyWindow(parent);
    }

    // Keys as "^A", "^Home", "S-Down", "End": ^ holds Ctrl, S- holds Shift.
    void Press(const std::string& keys) {
        std::istringstream words(keys);
        for (std::string key; words >> key;) {
            const bool control = key.rfind("^", 0) == 0;
            const bool shift = key.rfind("S-", 0) == 0;
            key = key.substr(control ? 1 : shift ? 2 : 0);
            BYTE state[256] = {};
            state[VK_CONTROL] = control ? 0x80 : 0;
            state[VK_SHIFT] = shift ? 0x80 : 0;
            SetKeyboardState(state);
            const WPARAM code = key == "Home"    ? VK_HOME
                                : key == "End"   ? VK_END
                                : key == "Up"    ? VK_UP
                                : key == "Down"  ? VK_DOWN
                                : key == "Left"  ? VK_LEFT
                                : key == "Right" ? VK_RIGHT
                                                 : static_cast<WPARAM>(key[0]);
            SendMessageA(view->Handle(), WM_KEYDOWN, code, 0);
        }
        BYTE released[256] = {};
        SetKeyboardState(released);
    }

    std::string Copied() {
        Press("^C");
        std::string text;
        if (OpenClipboard(parent)) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                text = static_cast<const char*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        return text;
    }

    int ScrollPosition() const {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_POS;
        GetScrollInfo(view->Handle(), SB_VERT, &info);
        return info.nPos;
    }

    HWND parent = nullptr;
    std::unique_ptr<TResultView> view;
};

// The selection that the keys make, copied: it shows where the view puts its line breaks.
TEST_F(ResultViewTest, KeyboardSelectionFollowsEveryKindOfLineBreak) {
    const struct {
        const char* text;
        const char* keys;
        const char* copied;
    } cases[] = {
        {"a\r\nb\r\n", "^A", "a\r\nb\r\n"},
        {"one\r\ntwo\r\nthree", "^Home S-Down", "one\r\n"},
        {"one\rtwo\nthree", "^Home Down S-End", "two"},
        {"one\rtwo\nthree", "^Home Down Down S-End", "three"},
        {"x\r\n\r\ny", "^Home Down Down S-End", "y"},
        {"abc\r\ndef", "^End S-Home", "def"},
        {"abc\r\ndef", "^Home End Right S-Right", "d"},
        {"abc\r\ndef", "^End S-Left S-Left S-Left S-Left", "\r\ndef"},
        {"\xce\xf2\xf7\xb8\xf2\r\n", "^Home S-End",
         "\xce\xf2\xf7\xb8\xf2"}, // Отчёт, as the code page holds it
    };
    for (const auto& c : cases) {
        SetWindowTextA(view->Handle(), c.text);
        Press(c.keys);
        EXPECT_EQ(Copied(), c.copied) << "text \"" << c.text << "\", keys " << c.keys;
    }
}

TEST_F(ResultViewTest, AnswersTextMessagesAsAnEditControl) {
    view->AppendLine("C:\\CD01\\a.txt");
    view->AppendLine("C:\\CD01\\b.txt");
    const std::string whole = "C:\\CD01\\a.txt\r\nC:\\CD01\\b.txt\r\n";
    EXPECT_EQ(GetWindowTextLengthA(view->Handle()), static_cast<int>(whole.size()));
    char cut[6] = {};
    EXPECT_EQ(SendMessageA(view->Handle(), WM_GETTEXT, sizeof cut, reinterpret_cast<LPARAM>(cut)), 5);
    EXPECT_STREQ(cut, "C:\\CD");
    std::string all(whole.size() + 1, '\0');
    GetWindowTextA(view->Handle(), all.data(), static_cast<int>(all.size()));
    EXPECT_EQ(all.c_str(), whole);
    SetWindowTextA(view->Handle(), "");
    EXPECT_EQ(GetWindowTextLengthA(view->Handle()), 0);
    OpenClipboard(parent);
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(Copied(), "") << "an empty view copies nothing";
}

TEST_F(ResultViewTest, FollowsTheEndUnlessScrolledUp) {
    for (int i = 0; i < 1000; ++i) {
        view->AppendLine("line " + std::to_string(i));
    }
    view->Refresh();
    const int atEnd = ScrollPosition();
    EXPECT_GT(atEnd, 950) << "a view at its end shows the last lines";
    SendMessageA(view->Handle(), WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(ScrollPosition(), 0);
    view->AppendLine("one more");
    view->Refresh();
    EXPECT_EQ(ScrollPosition(), 0) << "a view the user scrolled up stays where it is";
    SendMessageA(view->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    view->AppendLine("and another");
    view->Refresh();
    EXPECT_EQ(ScrollPosition(), atEnd + 2);
}

} // namespace
