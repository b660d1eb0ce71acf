#include "rules/document_rules.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"

namespace yarvelin {
namespace {

COtherRecord Checked(const char* name, const char* price) {
    COtherRecord r;
    r.SetField(kColName, name);
    r.SetField(kColPrice, price);
    r.data_checked = r.urls_checked = r.product_url_ok = r.image_url_ok = true;
    return r;
}

const char kRules[] = R"([[rule]]
action = "exclude"
when = { column = "price", number = "< 1" }

[[rule]]
action = "calculate"
column = "price"
min = 50
round = 2
)";

// Applying is an edit of the feed: only products whose texts changed lose their checks, excluded ones go,
// and the counts shown beforehand are the ones the edit gives.
TEST(DocumentRules, ApplyingEditsTheFeedAsTheEditorWould) {
    CFeedDocument doc;
    for (const COtherRecord& r :
         {Checked("Cheap", "0.50"), Checked("Kept", "10.00"), Checked("Dear", "99")}) {
        doc.AppendLoadedRecord(COtherRecord(r));
    }
    const CRuleSet rules = CRuleSet::Parse(kRules, "shop.rules");
    const RuleRun preview = CountRuleHits(rules, doc.Records());
    EXPECT_EQ(doc.Count(), 3u);
    EXPECT_EQ(doc.At(2).Field(kColPrice), "99");

    const RulesApplied applied = ApplyRulesToDocument(doc, rules);
    EXPECT_EQ(applied.run.hits, preview.hits);
    EXPECT_EQ(applied.run.hits, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(applied.removed, 1u);
    EXPECT_EQ(applied.changed, 1u);  // "10.00" stays "10.00"
    ASSERT_EQ(doc.Count(), 2u);
    EXPECT_TRUE(doc.IsChanged());
    EXPECT_EQ(doc.At(0).Field(kColName), "Kept");
    EXPECT_TRUE(doc.At(0).data_checked && doc.At(0).urls_checked && doc.At(0).product_url_ok);
    EXPECT_EQ(doc.At(1).Field(kColPrice), "50.00");
    EXPECT_FALSE(doc.At(1).data_checked || doc.At(1).urls_checked || doc.At(1).product_url_ok ||
                 doc.At(1).image_url_ok);
    EXPECT_FALSE(doc.At(0).removal_mark || doc.At(1).removal_mark);
}

TEST(DocumentRules, RulesThatChangeNothingLeaveTheFeedUnchanged) {
    CFeedDocument doc;
    doc.AppendLoadedRecord(Checked("Kept", "10.00"));
    const RulesApplied applied = ApplyRulesToDocument(doc, CRuleSet::Parse(kRules, "shop.rules"));
    EXPECT_EQ(applied.changed + applied.removed, 0u);
    EXPECT_FALSE(doc.IsChanged());
}

// Cutting the file into rules and joining it again gives the file back, comments and all.
TEST(DocumentRules, RuleTextsJoinBackToTheFile) {
    for (const char* text :
         {"", "# only a comment\n", "[[rule]]\naction = \"exclude\"",
          "# head\n\n[[rule]]\naction = \"map\"\n[rule.map]\n\"a\" = \"b\"\n# next\n  [[rule]] # x\n"
          "action = \"exclude\"\n"}) {
        EXPECT_EQ(JoinRuleTexts(SplitRuleTexts(text)), text);
    }
    const RuleTexts texts =
        SplitRuleTexts("# head\n[[rule]]\nname = \"a\"\n[rule.when]\n[[rule]]\nname = \"b\"\n");
    EXPECT_EQ(texts.preamble, "# head\n");
    ASSERT_EQ(texts.rules.size(), 2u);
    EXPECT_EQ(texts.rules[0], "[[rule]]\nname = \"a\"\n[rule.when]\n");
    // A rule edited without its last line break still starts the next one on a line of its own.
    EXPECT_EQ(JoinRuleTexts({"", {"[[rule]]\nname = \"a\"", "[[rule]]\n"}}),
              "[[rule]]\nname = \"a\"\n[[rule]]\n");
}

TEST(DocumentRules, TheRulesFileIsRememberedForEachFeed) {
    CMemorySettingsStore store;
    EXPECT_EQ(RememberedRulesFile(store, "/shop/a feed.txt"), "");
    RememberRulesFile(store, "/shop/a feed.txt", "/shop/a.rules");
    RememberRulesFile(store, "/shop/b.txt", "/shop/b.rules");
    RememberRulesFile(store, "", "/nowhere.rules");
    EXPECT_EQ(RememberedRulesFile(store, "/shop/a feed.txt"), "/shop/a.rules");
    EXPECT_EQ(RememberedRulesFile(store, "/shop/b.txt"), "/shop/b.rules");
    EXPECT_EQ(RememberedRulesFile(store, ""), "");
    EXPECT_EQ(store.GetString("RulesFiles", "%2Fshop%2Fa%20feed.txt"), "/shop/a.rules");
}

}  // namespace
}  // namespace yarvelin
