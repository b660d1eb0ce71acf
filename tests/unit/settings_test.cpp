#include <gtest/gtest.h>

#include "app/recent_file_list.h"
#include "app/remembered_alert.h"
#include "app/settings_names.h"
#include "app/settings_store.h"
#include "app/wizard_rules.h"
#include "app/yarvelin_app.h"

namespace yarvelin {
namespace {

using namespace settings;

TEST(AppSettingsTest, FirstRunWithEmptyStore) {
    CMemorySettingsStore store;
    CYarvelinApp app;
    app.LoadSettings(store);
    EXPECT_TRUE(app.Categories().empty());
    EXPECT_TRUE(app.Colors().empty());
    EXPECT_TRUE(app.Sizes().empty());
    for (const auto& d : app.Defaults()) {
        EXPECT_TRUE(d.empty());
    }
    EXPECT_TRUE(app.NoExpiryDate() && app.AlwaysInStock() && app.AutoGenOfferId());
    EXPECT_TRUE(app.Document().Account().empty());
    EXPECT_TRUE(app.RecentFeeds().NonEmpty().empty());
    EXPECT_EQ(app.BuiltinCategories().size(), 276u);
    EXPECT_EQ(app.Currencies().size(), 187u);
}

TEST(AppSettingsTest, ShrinkingListLeavesStaleEntriesUnread) {
    CMemorySettingsStore store;
    {
        CYarvelinApp app;
        app.Categories() = {"A", "B", "C", "D"};
        app.SaveSettings(store);
    }
    {
        CYarvelinApp app;
        app.LoadSettings(store);
        ASSERT_EQ(app.Categories().size(), 4u);
        app.Categories().resize(2);
        app.ExitInstance(store);
    }
    EXPECT_EQ(store.GetInt(kSectionData, kCategoryCount, -1), 2);
    EXPECT_EQ(store.GetString(kSectionData, "Category_2"), "C");
    EXPECT_EQ(store.GetString(kSectionData, "Category_3"), "D");
    CYarvelinApp next;
    next.LoadSettings(store);
    EXPECT_EQ(next.Categories(), (std::vector<std::string>{"A", "B"}));
}

TEST(AppSettingsTest, CountsGovernAndMissingEntriesAreEmpty) {
    CMemorySettingsStore store;
    store.WriteInt(kSectionData, kSizeCount, 3);
    store.WriteString(kSectionData, "Sizes_0", "S");
    store.WriteString(kSectionData, "Sizes_2", "L");
    store.WriteString(kSectionData, "Sizes_3", "XL");  // beyond the count
    store.WriteInt(kSectionData, kColorCount, 0);
    store.WriteString(kSectionData, "Colors_0", "Red");
    CYarvelinApp app;
    app.LoadSettings(store);
    EXPECT_EQ(app.Sizes(), (std::vector<std::string>{"S", "", "L"}));
    EXPECT_TRUE(app.Colors().empty());
}

TEST(AppSettingsTest, DamagedHugeCountsStartNormally) {
    CMemorySettingsStore store;
    store.WriteInt(kSectionData, kSizeCount, 2000000000);
    store.WriteString(kSectionData, "Sizes_0", "S");
    store.WriteString(kSectionData, "Sizes_1", "");
    store.WriteString(kSectionData, "Sizes_2", "L");
    store.WriteInt(kSectionData, kColorCount, 10001);
    store.WriteInt(kSectionData, kCategoryCount, -5);
    CYarvelinApp app;
    app.LoadSettings(store);
    EXPECT_EQ(app.Sizes(), (std::vector<std::string>{"S", "", "L"}));
    EXPECT_TRUE(app.Colors().empty());
    EXPECT_TRUE(app.Categories().empty());
}

TEST(AppSettingsTest, RoundTripOfEverythingWritten) {
    CMemorySettingsStore store;
    CYarvelinApp app;
    app.Sizes() = {"S", "M"};
    app.Colors() = {"Red"};
    for (int i = 0; i < kDefaultValueCount; ++i) {
        app.Defaults()[static_cast<std::size_t>(i)] = "v" + std::to_string(i + 1);
    }
    app.Document().SetAccount(
        "shop\x93"
        "42");
    app.SetAlwaysInStock(false);
    app.RecentFeeds().Add("/tmp/a.txt");
    app.SaveSettings(store);
    EXPECT_EQ(store.GetString(kSectionDefaults, "Def11"), "v11");
    EXPECT_EQ(store.GetInt(kSectionDefaults, kInStock, -1), 0);

    CYarvelinApp again;
    again.LoadSettings(store);
    EXPECT_EQ(again.Sizes(), app.Sizes());
    EXPECT_EQ(again.Colors(), app.Colors());
    EXPECT_EQ(again.Defaults(), app.Defaults());
    EXPECT_EQ(again.Document().Account(), app.Document().Account());
    EXPECT_FALSE(again.AlwaysInStock());
    EXPECT_TRUE(again.NoExpiryDate());
    EXPECT_EQ(again.RecentFeeds()[0], "/tmp/a.txt");
}

TEST(RecentFileListTest, MovesDropsAndIgnoresCase) {
    CRecentFileList list(5);
    for (const char* p : {"/f/1.txt", "/f/2.txt", "/f/3.txt", "/f/4.txt", "/f/5.txt"}) {
        list.Add(p);
    }
    EXPECT_EQ(list.NonEmpty(),
              (std::vector<std::string>{"/f/5.txt", "/f/4.txt", "/f/3.txt", "/f/2.txt", "/f/1.txt"}));
    list.Add("/f/6.txt");  // the oldest falls off
    EXPECT_EQ(list[4], "/f/2.txt");
    list.Add("/F/3.TXT");  // same file, other case: moves up, takes the new spelling
    EXPECT_EQ(list.NonEmpty(),
              (std::vector<std::string>{"/F/3.TXT", "/f/6.txt", "/f/5.txt", "/f/4.txt", "/f/2.txt"}));
    // Only the first capacity-1 entries are searched: a match in the last place simply falls off.
    list.Add("/f/2.txt");
    EXPECT_EQ(list.NonEmpty(),
              (std::vector<std::string>{"/f/2.txt", "/F/3.TXT", "/f/6.txt", "/f/5.txt", "/f/4.txt"}));
}

TEST(RecentFileListTest, RelativePathsBecomeFullAndStoreIsRewritten) {
    CRecentFileList list(5);
    list.Add("feeds/../my feed.txt");
    ASSERT_FALSE(list[0].empty());
    EXPECT_EQ(list[0].front(), '/');
    EXPECT_EQ(list[0].substr(list[0].size() - 11), "my feed.txt");
    EXPECT_EQ(list[0].find(".."), std::string::npos);

    CMemorySettingsStore store;
    store.WriteString(kSectionRecent, "feed4", "/old/stale.txt");
    store.WriteString(kSectionRecent, "other", "x");
    list.WriteList(store, kSectionRecent, kRecentFmt);
    EXPECT_FALSE(store.Has(kSectionRecent, "feed4"));
    EXPECT_FALSE(store.Has(kSectionRecent, "other"));
    EXPECT_FALSE(store.Has(kSectionRecent, "feed2"));  // empty entries are not written
    EXPECT_EQ(store.GetString(kSectionRecent, "feed1"), list[0]);
}

TEST(RememberedAlertTest, OnlyExactFShowsAndAnswersAreKept) {
    CMemorySettingsStore store;
    CRememberedAlert alert(store, kDontShowDelete, kDontShowDeleteValue);
    EXPECT_TRUE(alert.ShouldShow());
    EXPECT_EQ(alert.RememberedAnswer(), kAnswerYes);
    alert.Record(true, kAnswerNo);
    EXPECT_EQ(store.GetString(kSectionShow, kDontShowDelete), "T");
    EXPECT_FALSE(alert.ShouldShow());
    EXPECT_EQ(alert.RememberedAnswer(), kAnswerNo);
    for (const char* other : {"f", "", "FALSE", " F"}) {
        store.WriteString(kSectionShow, kDontShowDelete, other);
        EXPECT_FALSE(alert.ShouldShow()) << '"' << other << '"';
    }
}

TEST(WizardRulesTest, ButtonRule) {
    EXPECT_EQ(InitialWizardButtons(4), kWizNext);
    EXPECT_EQ(InitialWizardButtons(1), kWizFinish);
    EXPECT_EQ(ButtonsOnNext(0, 4), kWizBack | kWizNext);
    EXPECT_EQ(ButtonsOnNext(1, 4), kWizBack | kWizNext);
    EXPECT_EQ(ButtonsOnNext(2, 4), kWizBack | kWizFinish);
    EXPECT_EQ(ButtonsOnNext(3, 4), kWizBack | kWizFinish);
    EXPECT_EQ(ButtonsOnBack(1), kWizNext);
    EXPECT_EQ(ButtonsOnBack(2), kWizBack | kWizNext);
    EXPECT_STREQ(HelpTopicForPage(0), "yvhelp.chm::/HTML/3.htm");
    EXPECT_STREQ(HelpTopicForPage(3), "yvhelp.chm::/HTML/6.htm");
}

}  // namespace
}  // namespace yarvelin
