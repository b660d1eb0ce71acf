#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/feed_document.h"
#include "checks/feed_diagnostics.h"
#include "feed/feed_file.h"
#include "records/builtin_lists.h"
#include "rules/category_suggestion.h"
#include "rules/rule_set.h"

namespace yarvelin {
namespace {

const std::string kResources = std::string(YARVELIN_FIXTURES) + "/../../resources";

class CQuietObserver : public CFeedFileObserver {
  public:
    void ShowFileError(const std::string& text) override { ADD_FAILURE() << text; }
    void ShowFormatError() override { ADD_FAILURE() << "format error"; }
};

std::size_t UnknownCategories(const CFeedDocument::RecordList& records) {
    const DiagnosticsTotals totals = CheckRecords(records, DiagnosticsOptions{}, [](Diagnostic&&) {});
    return totals.perCode[static_cast<std::size_t>(DiagnosticCode::kCategoryUnknown)];
}

// The shipped example rules put every product of the shipped flower sample into a category the service
// knows, and change nothing else the checks would find fault with.
TEST(ExampleRules, MapEveryCategoryOfTheFlowerSample) {
    CFeedDocument doc;
    CQuietObserver observer;
    ASSERT_TRUE(LoadFeedFile(doc, kResources + "/Samples/SampleFlowers.txt", observer).loaded);
    ASSERT_GT(UnknownCategories(doc.Records()), 0u);
    const DiagnosticsTotals before = CheckRecords(doc.Records(), DiagnosticsOptions{}, [](Diagnostic&&) {});

    const CRuleSet rules = CRuleSet::Load(kResources + "/Rules/SampleFlowers.rules.toml");
    RuleRun run = rules.StartRun();
    CFeedDocument::RecordList kept;
    for (COtherRecord record : doc.Records()) {
        if (rules.Apply(record, run) == RuleVerdict::kKeep) {
            kept.push_back(std::move(record));
        }
    }
    EXPECT_EQ(UnknownCategories(kept), 0u);
    const DiagnosticsTotals after = CheckRecords(kept, DiagnosticsOptions{}, [](Diagnostic&&) {});
    EXPECT_EQ(after.errors, before.errors);
    for (std::size_t hits : run.hits) {
        EXPECT_GT(hits, 0u) << "a rule of the example that shows nothing";
    }
}

struct SuggestionCase {
    const char* shopPath;
    const char* suggestion;
};

class CategorySuggestions : public ::testing::TestWithParam<SuggestionCase> {};

// The last part of a shop's path weighs most; singular and plural are one word; without a shared word
// there is no suggestion.
TEST_P(CategorySuggestions, PickTheClosestBuiltInPath) {
    EXPECT_EQ(SuggestCategory(GetParam().shopPath, BuiltinCategories()), GetParam().suggestion);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CategorySuggestions,
    ::testing::Values(
        SuggestionCase{"Flowers > Roses", "Flowers > Roses"},
        SuggestionCase{"flowers>rose", "Flowers > Roses"},
        SuggestionCase{"Gifts > Chocolates", "Food & Gourmet > Food > Candy & Chocolate"},
        SuggestionCase{"Electronics > Computers > Monitors", "Computers > Monitors"},
        SuggestionCase{"Electronics > TV > Televisions", "Electronics > TV & Video > Televisions"},
        SuggestionCase{"Garden > Hoses and Sprinklers", "Home & Garden > Lawn & Garden > Garden Equipment"},
        SuggestionCase{"Electronics > E-Readers", "Electronics > Other Electronics"},
        SuggestionCase{"Misc > Stuff", ""}, SuggestionCase{"", ""}));

// The tally is what a merchant reviews: one line per category, counted across spellings, in a file
// the rules loader accepts as it stands.
TEST(CategoryTally, WritesAMapTheRulesLoaderAccepts) {
    CCategoryTally tally;
    for (const char* c : {"Plants > Orchids", "plants > orchids ", "Flowers > Roses", "Misc > Stuff", "",
                          "Gifts > Caf\xE9 \"Cups\""}) {
        tally.Add(c);
    }
    const std::vector<SourceCategory> categories = tally.Suggest(BuiltinCategories());
    ASSERT_EQ(categories.size(), 4u);
    EXPECT_EQ(categories[3].path, "Plants > Orchids");
    EXPECT_EQ(categories[3].products, 2u);
    EXPECT_TRUE(categories[0].known);
    const std::string text = FormatCategoryMap(categories, "shop.txt");
    EXPECT_NE(
        text.find(
            "\"Plants > Orchids\" = \"Home & Garden > Lawn & Garden > Plants & Seeds\"  # 2 products\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("# \"Misc > Stuff\" = \"\"  # 1 product; no built-in category shares a word\n"),
              std::string::npos)
        << text;

    const CRuleSet rules = CRuleSet::Parse(text, "suggested.toml");
    ASSERT_EQ(rules.Rules().size(), 1u);
    COtherRecord product;
    product.SetField(kColCategory, "Gifts > Caf\xE9 \"Cups\"");
    RuleRun run = rules.StartRun();
    rules.Apply(product, run);
    EXPECT_EQ(product.Field(kColCategory), "Food & Gourmet > Gift Baskets") << text;
}

}  // namespace
}  // namespace yarvelin
