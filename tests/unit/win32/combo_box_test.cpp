#include "app/combo_box.h"

#include <memory>

#include <gtest/gtest.h>

#include "win32/test_window.h"

namespace {

// A hidden parent that hands CBN_EDITCHANGE to the box, as the main window does.
class ComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = CreateTestParent("ComboBoxTestParent", ParentProc);
        ASSERT_NE(parent, nullptr);
        box = std::make_unique<TComboBox>(parent, 1, RECT{0, 0, 200, 21}, 150);
        SetWindowLongPtrA(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        for (const char* item : {"report.*\\.doc$", "\\.mp3$", "Readme", "\xCF\xEE\xE8\xF1\xEA"}) {
            box->Add(item);
        }
    }
    void TearDown() override {
        box.reset();
        DestroyWindow(parent);
    }

    static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* test = reinterpret_cast<ComboBoxTest*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (test && message == WM_COMMAND && HIWORD(wParam) == CBN_EDITCHANGE) {
            test->completed += test->box->EditChanged() ? 1 : 0;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void Type(const std::string& keys) {
        for (const char key : keys) {
            SendMessageA(box->EditHandle(), WM_CHAR, static_cast<unsigned char>(key), 1);
        }
    }

    std::pair<DWORD, DWORD> Selection() const {
        DWORD start = 0, end = 0;
        SendMessageA(box->Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }

    HWND parent = nullptr;
    std::unique_ptr<TComboBox> box;
    int completed = 0;
};

TEST_F(ComboBoxTest, CompletesToTheFirstItemStartingWithTheTypedTextIgnoringCase) {
    ASSERT_NE(box->EditHandle(), nullptr);
    Type("R");
    EXPECT_EQ(box->Text(), "report.*\\.doc$");
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{1, 14}));
    Type("EA"); // typing on replaces the completed rest
    EXPECT_EQ(box->Text(), "Readme");
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{3, 6}));
    EXPECT_EQ(box->ItemIndex(), 2);
}

TEST_F(ComboBoxTest, CompletesCyrillicIgnoringCase) {
    Type("\xEF\xEE"); // "по" completes to "Поиск"
    EXPECT_EQ(box->Text(), "\xCF\xEE\xE8\xF1\xEA");
}

TEST_F(ComboBoxTest, TextWithoutAMatchStaysAsTyped) {
    Type("zz");
    EXPECT_EQ(box->Text(), "zz");
    EXPECT_EQ(completed, 0);
    EXPECT_EQ(box->ItemIndex(), -1);
}

TEST_F(ComboBoxTest, BackspaceDoesNotCompleteAgain) {
    Type("\\.m");
    ASSERT_EQ(box->Text(), "\\.mp3$");
    const int before = completed;
    Type("\b"); // deletes the selected rest
    EXPECT_EQ(box->Text(), "\\.m");
    EXPECT_EQ(completed, before);
}

TEST_F(ComboBoxTest, ClearKeepsTheTextAndItemsReadBack) {
    box->SetText("typed");
    EXPECT_EQ(box->Items().size(), 4u);
    EXPECT_EQ(box->Items()[1], "\\.mp3$");
    box->Clear();
    EXPECT_TRUE(box->Items().empty());
    EXPECT_EQ(box->Text(), "typed");
}

} // namespace
