#include "app/check_list.h"

#include <gtest/gtest.h>

#include "win32/test_window.h"

namespace {

// A hidden parent that draws the list's items as a window does.
class CheckListTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = CreateTestParent("CheckListTestParent", ParentProc);
        ASSERT_NE(parent, nullptr);
        list = std::make_unique<TCheckList>(parent, 1, RECT{0, 0, 135, 200});
        SetWindowLongPtrA(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(list.get()));
        for (const char* name : {"CD01.txt", "CD07.txt", "Music.lst"}) {
            list->Add(name);
        }
    }
    void TearDown() override {
        list.reset();
        DestroyWindow(parent);
    }

    static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DRAWITEM) {
            if (auto* owner = reinterpret_cast<TCheckList*>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
                owner->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void ClickAt(int x, int item) {
        const LPARAM at = MAKELPARAM(x, item * TCheckList::kItemHeight + 5);
        SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list->Handle(), WM_LBUTTONUP, 0, at);
    }

    std::vector<bool> Ticks() const {
        std::vector<bool> ticks;
        for (int i = 0; i < list->Count(); ++i) {
            ticks.push_back(list->Checked(i));
        }
        return ticks;
    }

    HWND parent = nullptr;
    std::unique_ptr<TCheckList> list;
};

TEST_F(CheckListTest, KeepsItsTextsUntickedInOrder) {
    ASSERT_EQ(list->Count(), 3);
    EXPECT_EQ(list->Text(0), "CD01.txt");
    EXPECT_EQ(list->Text(2), "Music.lst");
    EXPECT_EQ(list->Text(3), "");
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 0, 0), TCheckList::kItemHeight);
}

TEST_F(CheckListTest, AClickOnTheBoxTogglesAndOnTheTextOnlySelects) {
    ClickAt(5, 1);
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, false}));
    ClickAt(60, 2);
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(list->ItemIndex(), 2);
    ClickAt(5, 1);
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
}

TEST_F(CheckListTest, SpaceTogglesTheCurrentItem) {
    SendMessageA(list->Handle(), WM_CHAR, ' ', 0); // no current item: nothing
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
    SendMessageA(list->Handle(), LB_SETCURSEL, 0, 0);
    SendMessageA(list->Handle(), WM_CHAR, ' ', 0);
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, false}));
    SendMessageA(list->Handle(), WM_CHAR, ' ', 0);
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
}

TEST_F(CheckListTest, ClearDropsItemsTicksAndTheCurrentItem) {
    list->SetChecked(0, true);
    SendMessageA(list->Handle(), LB_SETCURSEL, 0, 0);
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(list->Add("New"), 0);
    EXPECT_FALSE(list->Checked(0));
}

TEST_F(CheckListTest, OutOfRangeIndexesAreHarmless) {
    list->SetChecked(7, true);
    EXPECT_FALSE(list->Checked(7));
    EXPECT_FALSE(list->Checked(-1));
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
}

} // namespace
