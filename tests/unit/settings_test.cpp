#include <gtest/gtest.h>

#include <cstdio>

#include "app/program_names.h"
#include "app/recent_file_list.h"
#include "app/remembered_alert.h"
#include "app/settings_names.h"
#include "app/settings_store.h"
#include "app/wizard_rules.h"
#include "app/yarvelin_app.h"
#include "jobs/upload_count_file.h"

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
    EXPECT_EQ(kCategoryCount.Read(store), 2);
    EXPECT_EQ(kCategories.Read(store, 2), "C");
    EXPECT_EQ(kCategories.Read(store, 3), "D");
    CYarvelinApp next;
    next.LoadSettings(store);
    EXPECT_EQ(next.Categories(), (std::vector<std::string>{"A", "B"}));
}

TEST(AppSettingsTest, CountsGovernAndMissingEntriesAreEmpty) {
    CMemorySettingsStore store;
    kSizeCount.Write(store, 3);
    kSizes.Write(store, 0, "S");
    kSizes.Write(store, 2, "L");
    kSizes.Write(store, 3, "XL");  // beyond the count
    kColorCount.Write(store, 0);
    kColors.Write(store, 0, "Red");
    CYarvelinApp app;
    app.LoadSettings(store);
    EXPECT_EQ(app.Sizes(), (std::vector<std::string>{"S", "", "L"}));
    EXPECT_TRUE(app.Colors().empty());
}

TEST(AppSettingsTest, DamagedHugeCountsStartNormally) {
    CMemorySettingsStore store;
    kSizeCount.Write(store, 2000000000);
    kSizes.Write(store, 0, "S");
    kSizes.Write(store, 1, "");
    kSizes.Write(store, 2, "L");
    kColorCount.Write(store, 10001);
    kCategoryCount.Write(store, -5);
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
    EXPECT_EQ(kDefaults.Read(store, 11), "v11");
    EXPECT_EQ(kInStock.Read(store), 0);

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
    kRecentFeeds.Write(store, 4, "/old/stale.txt");
    store.WriteString(kSectionRecent, "other", "x");
    list.WriteList(store, kRecentFeeds);
    EXPECT_FALSE(store.Has(kSectionRecent, kRecentFeeds.Name(4)));
    EXPECT_FALSE(store.Has(kSectionRecent, "other"));
    EXPECT_FALSE(store.Has(kSectionRecent, kRecentFeeds.Name(2)));  // empty entries are not written
    EXPECT_EQ(kRecentFeeds.Read(store, 1), list[0]);
}

TEST(RememberedAlertTest, OnlyExactFShowsAndAnswersAreKept) {
    CMemorySettingsStore store;
    CRememberedAlert alert(store, kDontShowDelete, kDontShowDeleteValue);
    EXPECT_TRUE(alert.ShouldShow());
    EXPECT_EQ(alert.RememberedAnswer(), kAnswerYes);
    alert.Record(true, kAnswerNo);
    EXPECT_EQ(kDontShowDelete.Read(store), "T");
    EXPECT_FALSE(alert.ShouldShow());
    EXPECT_EQ(alert.RememberedAnswer(), kAnswerNo);
    for (const char* other : {"f", "", "FALSE", " F"}) {
        kDontShowDelete.Write(store, other);
        EXPECT_FALSE(alert.ShouldShow()) << '"' << other << '"';
    }
}

// The layout of the settings file: each declaration's section, name and default, so a file written by an
// earlier version reads the same.
struct TextCase {
    const Text& setting;
    const char* section;
    const char* name;
    const char* def;
};
struct NumberCase {
    const Number& setting;
    const char* section;
    const char* name;
    std::int32_t def;
};

TEST(SettingDeclarationTest, TextsReadTheirDefaultAndRoundTripUnderTheirName) {
    const TextCase cases[] = {
        {kAccount, "UserData", "Account", ""},
        {kDontShowWhiteSpace, "Show", "DontShowWhiteSpace", "F"},
        {kDontShowEscape, "Show", "DontShowEscape", "F"},
        {kDontShowDelete, "Show", "DontShowDelete", "F"},
        {kFtpServer, "FTPInfo", "Server", ""},
        {kFtpUserId, "FTPInfo", "UserID", ""},
        {kFtpFileName, "FTPInfo", "FileName", ""},
        {kFtpPassword, "FTPInfo", "Password", ""},
        {kFtpKeyFile, "FTPInfo", "KeyFile", ""},
        {kFtpBinary, "FTPInfo", "Binary", ""},
        {kSignUpUrl, "Config", "SignUpUrl", "https://merchants.quorvin.example/signup"},
        {kAccountHelpUrl, "Config", "AccountHelpUrl", "https://merchants.quorvin.example/help/account"},
        {kArticlesUrl, "Config", "ArticlesUrl", "https://merchants.quorvin.example/articles"},
        {kTechSupportUrl, "Config", "TechSupportUrl", "https://www.yarvelin.example/support"},
        {kDataHelpUrl, "Config", "DataHelpUrl", "https://merchants.quorvin.example/help/feed-data"},
        {kOptionsHelpUrl, "Config", "OptionsHelpUrl", "https://merchants.quorvin.example/help/options"},
        {kUploadHost, "Config", "UploadHost", "ftp.quorvin.example"},
        {kCrawlerName, "Config", "CrawlerName", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        CMemorySettingsStore store;
        EXPECT_EQ(c.setting.Read(store), c.def);
        c.setting.Write(store, "x\x93y");
        ASSERT_TRUE(store.Has(c.section, c.name));
        const auto& stored = store.m_values.at({c.section, c.name});
        EXPECT_FALSE(stored.isInt);
        EXPECT_EQ(stored.text, "x\x93y");
        EXPECT_EQ(c.setting.Read(store), "x\x93y");
    }
}

TEST(SettingDeclarationTest, NumbersReadTheirDefaultAndRoundTripUnderTheirName) {
    const NumberCase cases[] = {
        {kCategoryCount, "Data", "Category_Count", 0},
        {kSizeCount, "Data", "Size_Count", 0},
        {kColorCount, "Data", "Color_Count", 0},
        {kExpiryDate, "DefaultData", "Expiry Date", 1},
        {kInStock, "DefaultData", "In Stock", 1},
        {kAutoGenOfferId, "DefaultData", "AutoGen Offer ID", 1},
        {kDontShowWhiteSpaceValue, "Show", "DontShowWhiteSpaceValue", 1},
        {kDontShowEscapeValue, "Show", "DontShowEscapeValue", 1},
        {kDontShowDeleteValue, "Show", "DontShowDeleteValue", 1},
        {kUrlCheckJobs, "Config", "UrlCheckJobs", 16},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        CMemorySettingsStore store;
        EXPECT_EQ(c.setting.Read(store), c.def);
        c.setting.Write(store, -7);
        ASSERT_TRUE(store.Has(c.section, c.name));
        const auto& stored = store.m_values.at({c.section, c.name});
        EXPECT_TRUE(stored.isInt);
        EXPECT_EQ(stored.number, -7);
        EXPECT_EQ(c.setting.Read(store), -7);
    }
}

TEST(SettingDeclarationTest, PatternsFormTheStoredNames) {
    const struct {
        const IndexedSetting<std::string>& setting;
        int index;
        const char* section;
        const char* name;
    } cases[] = {
        {kCategories, 0, "Data", "Category_0"},    {kSizes, 2, "Data", "Sizes_2"},
        {kColors, 13, "Data", "Colors_13"},        {kDefaults, 11, "DefaultData", "Def11"},
        {kRecentFeeds, 1, "RecentFeeds", "feed1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMemorySettingsStore store;
        EXPECT_EQ(c.setting.Read(store, c.index), "");
        EXPECT_EQ(ReadIfPresent(c.setting, store, c.index), std::nullopt);
        c.setting.Write(store, c.index, "");
        EXPECT_TRUE(store.Has(c.section, c.name));
        EXPECT_EQ(ReadIfPresent(c.setting, store, c.index), std::string());
    }
}

TEST(SettingDeclarationTest, NamedValuesOfASection) {
    CMemorySettingsStore store;
    EXPECT_EQ(kUploadCounts.Read(store, "ftp.example.com%20feed.txt"), -1);
    kUploadCounts.Write(store, "ftp.example.com%20feed.txt", 12);
    EXPECT_EQ(store.GetInt("UploadCounts", "ftp.example.com%20feed.txt", 0), 12);
    EXPECT_EQ(kPinnedCertificates.Read(store, "h:21"), "");
    kPinnedCertificates.Write(store, "h:21", "sha256//k=");
    EXPECT_EQ(store.GetString("PinnedCertificates", "h:21"), "sha256//k=");
    kRulesFiles.Write(store, "%2Fhome%2Fshop.txt", "/home/shop.rules");
    EXPECT_EQ(store.GetString("RulesFiles", "%2Fhome%2Fshop.txt"), "/home/shop.rules");
}

// The record names a place once escaped; the counts earlier versions kept in the settings under that name are
// taken over, and new counts go to the record only.
struct CountKeyCase {
    const char* server;
    const char* file;
    const char* key;
};
class UploadCountKeyTest : public ::testing::TestWithParam<CountKeyCase> {};
TEST_P(UploadCountKeyTest, NamesOnceAndTakesOverTheSettingsCount) {
    const CountKeyCase& c = GetParam();
    EXPECT_EQ(UploadCountKey(c.server, c.file), c.key);
    const std::string record = ::testing::TempDir() + "upload-counts-" +
                               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::remove(record.c_str());
    CMemorySettingsStore store;
    kUploadCounts.Write(store, c.key, 40);
    EXPECT_EQ(LastUploadCount(store, record, c.server, c.file), 40);
    RememberUploadCount(store, record, c.server, c.file, 12);
    EXPECT_EQ(kUploadCounts.Read(store, c.key), 40);  // the settings are no longer written
    EXPECT_EQ(LastUploadCount(store, record, c.server, c.file), 12);
    std::remove(record.c_str());
}
INSTANTIATE_TEST_SUITE_P(
    Cases, UploadCountKeyTest,
    ::testing::Values(CountKeyCase{"127.0.0.1:2121", "merchant.txt", "127.0.0.1%3A2121%20merchant.txt"},
                      CountKeyCase{" FTP.Example.com ", "Shop 1.txt", "ftp.example.com%20Shop%201.txt"},
                      CountKeyCase{"sftp://h/in\\x", "f.txt", "sftp%3A%2F%2Fh%2Fin%5Cx%20f.txt"},
                      // Bytes above ASCII in upper-case hex, as stored records name them.
                      CountKeyCase{"h", "Caf\xe9\xff.txt", "h%20Caf%E9%FF.txt"}));

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
