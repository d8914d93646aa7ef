// The tray's pictures and frame list: icon files checked on the way in, handles made once, change
// reports and batches, and the stored form with damaged input.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/icon_list.h"
#include "app/icon_picture.h"
#include "tray_test_icons.h"

namespace {

using traytest::SolidIco;

TIconPicture Solid(std::uint32_t bgra) {
    return TIconPicture::FromIcoFile(SolidIco(bgra));
}

std::string Cut(std::string text, std::size_t size) {
    return text.substr(0, size);
}

std::string Patched(std::string text, std::size_t at, char value) {
    text[at] = value;
    return text;
}

TEST(TrayPicture, RejectsBytesThatAreNoIconFile) {
    const std::string good = SolidIco(0xFF0000FF);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"shorter than the directory", Cut(good, 5)},
        {"a cursor file", Patched(good, 2, 2)},
        {"reserved field set", Patched(good, 0, 1)},
        {"no image", Patched(good, 4, 0)},
        {"entry cut off", Cut(good, 20)},
        {"image cut off", Cut(good, good.size() - 1)},
        {"image past the end", Patched(good, 21, 0x7F)}, // high byte of the image's offset
        {"image of no bytes", Patched(Patched(good, 14, 0), 15, 0)},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_THROW(TIconPicture::FromIcoFile(bytes), EInvalidIcon) << name;
    }
}

TEST(TrayPicture, HandleIsMadeOnceSharedByCopiesAndSmallIconSized) {
    for (const std::vector<int>& sizes : {std::vector<int>{16}, {32}, {32, 16}, {16, 32}, {48, 32}}) {
        const TIconPicture picture = TIconPicture::FromIcoFile(SolidIco(0xFF00FF00, sizes));
        const TIconPicture copy = picture;
        const HICON handle = picture.Handle();
        ASSERT_NE(handle, nullptr) << sizes.front();
        EXPECT_EQ(copy.Handle(), handle);
        EXPECT_EQ(picture.Handle(), handle);

        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(handle, &info));
        BITMAP bitmap{};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON)) << sizes.front();
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST(TrayPicture, EmptyPictureHasNoHandleAndEqualityIsByContent) {
    EXPECT_TRUE(TIconPicture().Empty());
    EXPECT_EQ(TIconPicture().Handle(), nullptr);
    EXPECT_EQ(Solid(0xFF112233), Solid(0xFF112233));
    EXPECT_FALSE(Solid(0xFF112233) == Solid(0xFF112234));
    EXPECT_FALSE(Solid(0xFF112233) == TIconPicture());
}

TEST(TrayPicture, MissingResourceIsNamedInTheError) {
    try {
        TIconPicture::FromResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(9999));
        FAIL() << "no error";
    } catch (const EInvalidIcon& error) {
        EXPECT_STREQ(error.what(), "Resource #9999 not found");
    }
    EXPECT_THROW(TIconPicture::FromResource(GetModuleHandleA(nullptr), "NOSUCHICON"), EInvalidIcon);
}

// A list of three solid pictures A, B, C with a change counter.
class TrayIconList : public ::testing::Test {
protected:
    TrayIconList() {
        for (TIconPicture& picture : pictures) {
            list.Add(picture);
        }
        list.SetOnChange([this] { ++changes; });
    }

    std::string Letters() const { return Letters(list); }
    std::string Letters(const TIconList& of) const {
        std::string letters;
        for (int i = 0; i < of.Count(); ++i) {
            const auto found = std::find(pictures.begin(), pictures.end(), of[i]) - pictures.begin();
            letters += found < 3 ? static_cast<char>('A' + found) : '-';
        }
        return letters;
    }

    std::vector<TIconPicture> pictures{Solid(0xFFAA0000), Solid(0xFF00AA00), Solid(0xFF0000AA)};
    TIconList list;
    int changes = 0;
};

TEST_F(TrayIconList, EveryChangeIsReportedOnce) {
    struct Case {
        const char* name;
        std::function<void(TIconList&, const std::vector<TIconPicture>&)> change;
        const char* letters;
    };
    const std::vector<Case> cases = {
        {"replace", [](TIconList& l, auto& p) { l.Replace(0, p[2]); }, "CBC"},
        {"add", [](TIconList& l, auto& p) { EXPECT_EQ(l.Add(p[0]), 3); }, "ABCA"},
        {"add empty", [](TIconList& l, auto&) { l.Add(TIconPicture()); }, "ABC-"},
        {"insert first", [](TIconList& l, auto& p) { l.Insert(0, p[2]); }, "CABC"},
        {"insert at end", [](TIconList& l, auto& p) { l.Insert(3, p[1]); }, "ABCB"},
        {"delete", [](TIconList& l, auto&) { l.Delete(1); }, "AC"},
        {"exchange", [](TIconList& l, auto&) { l.Exchange(0, 2); }, "CBA"},
        {"move forward", [](TIconList& l, auto&) { l.Move(0, 2); }, "BCA"},
        {"move back", [](TIconList& l, auto&) { l.Move(2, 0); }, "CAB"},
        {"clear", [](TIconList& l, auto&) { l.Clear(); }, ""},
        {"assign",
         [](TIconList& l, auto& p) {
             TIconList other;
             other.Add(p[1]);
             l.Assign(other);
         },
         "B"},
    };
    for (const Case& c : cases) {
        TIconList copy = list;
        int reports = 0;
        copy.SetOnChange([&] { ++reports; });
        c.change(copy, pictures);
        EXPECT_EQ(Letters(copy), c.letters) << c.name;
        EXPECT_EQ(reports, 1) << c.name;
    }
}

TEST_F(TrayIconList, BatchReportsOnceWhenTheOutermostEnds) {
    list.BeginUpdate();
    list.BeginUpdate();
    list.Delete(0);
    list.Add(pictures[0]);
    list.EndUpdate();
    EXPECT_EQ(changes, 0);
    list.Exchange(0, 1);
    EXPECT_EQ(changes, 0);
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Letters(), "CBA");
    list.EndUpdate(); // an unmatched end is no batch
    list.Clear();
    EXPECT_EQ(changes, 2);
}

TEST_F(TrayIconList, IndexOutsideTheListThrowsAndChangesNothing) {
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"read", [&] { (void)list[3]; }},
        {"read negative", [&] { (void)list[-1]; }},
        {"replace", [&] { list.Replace(3, pictures[0]); }},
        {"insert", [&] { list.Insert(4, pictures[0]); }},
        {"delete", [&] { list.Delete(-1); }},
        {"exchange", [&] { list.Exchange(0, 3); }},
        {"move", [&] { list.Move(3, 0); }},
    };
    for (const auto& [name, change] : cases) {
        EXPECT_THROW(change(), std::out_of_range) << name;
    }
    try {
        list.Delete(5);
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "List index out of bounds (5)");
    }
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Letters(), "ABC");
}

TEST_F(TrayIconList, IndexOfFindsTheFirstEqualPicture) {
    list.Add(pictures[1]);
    EXPECT_EQ(list.IndexOf(Solid(0xFF00AA00)), 1);
    EXPECT_EQ(list.IndexOf(Solid(0xFF123456)), -1);
    EXPECT_EQ(list.IndexOf(TIconPicture()), -1);
}

TEST_F(TrayIconList, StoredFormIsCountThenSizedIconFiles) {
    list.Replace(1, TIconPicture());
    const std::string stored = list.WriteStored();
    const std::string a = pictures[0].IcoFile();
    const std::string c = pictures[2].IcoFile();
    std::string expected;
    traytest::Put32(expected, 3);
    traytest::Put32(expected, static_cast<std::uint32_t>(a.size()));
    expected += a;
    traytest::Put32(expected, 0);
    traytest::Put32(expected, static_cast<std::uint32_t>(c.size()));
    expected += c;
    EXPECT_EQ(stored, expected);

    TIconList read;
    int reports = 0;
    read.SetOnChange([&] { ++reports; });
    read.ReadStored(stored);
    EXPECT_EQ(reports, 1);
    ASSERT_EQ(read.Count(), 3);
    EXPECT_EQ(read[0], pictures[0]);
    EXPECT_TRUE(read[1].Empty());
    EXPECT_EQ(read[2], pictures[2]);
    EXPECT_EQ(read.WriteStored(), stored);
}

TEST_F(TrayIconList, NegativeSizesAndCountsReadAsEmpty) {
    std::string stored;
    traytest::Put32(stored, 2);
    traytest::Put32(stored, 0xFFFFFFFF); // -1
    traytest::Put32(stored, 0x80000000); // the most negative
    list.ReadStored(stored);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(list[0].Empty());
    EXPECT_TRUE(list[1].Empty());

    std::string negativeCount;
    traytest::Put32(negativeCount, 0xFFFFFFF0);
    list.ReadStored(negativeCount);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(TrayIconList, DamagedStoredFormLeavesTheListAsItWas) {
    const std::string whole = list.WriteStored();
    std::string hugeCount;
    traytest::Put32(hugeCount, 0x7FFFFFFF);
    std::string sizePastTheEnd;
    traytest::Put32(sizePastTheEnd, 1);
    traytest::Put32(sizePastTheEnd, 0x7FFFFFFF);
    sizePastTheEnd += "abc";
    const std::vector<std::pair<const char*, std::string>> readErrors = {
        {"empty", ""},
        {"count cut", Cut(whole, 3)},
        {"size cut", Cut(whole, 6)},
        {"picture cut", Cut(whole, whole.size() - 1)},
        {"huge count, no entries", hugeCount},
        {"size past the end", sizePastTheEnd},
    };
    for (const auto& [name, stored] : readErrors) {
        try {
            list.ReadStored(stored);
            ADD_FAILURE() << name << ": no error";
        } catch (const EInvalidIcon&) {
            ADD_FAILURE() << name << ": wrong error";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Stream read error") << name;
        }
    }
    std::string notAnIcon;
    traytest::Put32(notAnIcon, 1);
    traytest::Put32(notAnIcon, 8);
    notAnIcon += "GIF89a..";
    EXPECT_THROW(list.ReadStored(notAnIcon), EInvalidIcon);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Letters(), "ABC");
}

} // namespace
