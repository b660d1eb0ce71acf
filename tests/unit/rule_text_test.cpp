// The rules window's form writes rules a rules file reads back: each form is written, compiled and applied
// to one product, which must come out as the form meant.
#include "rules/rule_text.h"

#include <gtest/gtest.h>

#include <string>

#include "rules/rule_set.h"

namespace yarvelin {
namespace {

COtherRecord Rose() {
    COtherRecord r;
    r.SetField(FindColumn("name"), "Red Rose");
    r.SetField(FindColumn("price"), "10.00");
    r.SetField(FindColumn("category"), "Flowers > Roses");
    r.SetField(FindColumn("instock"), "N");
    r.SetField(FindColumn("brand"), "Say \"Hi\"");
    return r;
}

struct FormCase {
    const char* what;
    RuleForm form;
    bool excluded;
    const char* column;  // checked after the rule ran, unless excluded
    const char* expected;
};

RuleForm Form(std::vector<RuleFormCondition> conditions, bool all, const char* action) {
    RuleForm f;
    f.name = "Test";
    f.conditions = std::move(conditions);
    f.matchAll = all;
    f.action = action;
    return f;
}

std::vector<FormCase> Cases() {
    std::vector<FormCase> cases;
    cases.push_back({"no condition excludes all", Form({}, true, "exclude"), true, "", ""});
    cases.push_back(
        {"equals hits", Form({{"instock", RuleTest::kEquals, "N"}}, true, "exclude"), true, "", ""});
    cases.push_back({"negated equals misses",
                     Form({{"instock", RuleTest::kEquals, "N", true}}, true, "exclude"), false, "instock",
                     "N"});
    cases.push_back(
        {"all needs every condition",
         Form({{"instock", RuleTest::kEquals, "N"}, {"name", RuleTest::kContains, "tulip"}}, true, "exclude"),
         false, "name", "Red Rose"});
    cases.push_back({"any needs one condition",
                     Form({{"instock", RuleTest::kEquals, "N"}, {"name", RuleTest::kContains, "tulip"}},
                          false, "exclude"),
                     true, "", ""});
    cases.push_back(
        {"empty and not empty",
         Form({{"upc", RuleTest::kEmpty, ""}, {"name", RuleTest::kNotEmpty, ""}}, true, "exclude"), true, "",
         ""});
    cases.push_back(
        {"number compares", Form({{"price", RuleTest::kNumber, ">= 10"}}, true, "exclude"), true, "", ""});
    cases.push_back(
        {"matches a pattern", Form({{"name", RuleTest::kMatches, "^Red"}}, true, "exclude"), true, "", ""});

    RuleForm set = Form({}, true, "set");
    set.column = "description";
    set.value = "{name} \"fresh\" \\ cut";
    cases.push_back({"set with a placeholder, quotes and a backslash", set, false, "description",
                     "Red Rose \"fresh\" \\ cut"});
    RuleForm prepend = Form({}, true, "prepend");
    prepend.column = "name";
    prepend.value = "New: ";
    cases.push_back({"prepend", prepend, false, "name", "New: Red Rose"});
    RuleForm replace = Form({}, true, "replace");
    replace.column = "name";
    replace.find = "Red";
    replace.with = "Blue";
    cases.push_back({"replace a text", replace, false, "name", "Blue Rose"});
    RuleForm pattern = replace;
    pattern.find = "R(o)se";
    pattern.findIsPattern = true;
    pattern.with = "P\\1ppy";
    cases.push_back({"replace a pattern", pattern, false, "name", "Red Poppy"});
    RuleForm calc = Form({}, true, "calculate");
    calc.column = "price";
    calc.multiply = 1.15;
    calc.add = 0.5;
    calc.atMost = 11;
    calc.round = 2;
    cases.push_back({"calculate in order", calc, false, "price", "11.00"});
    RuleForm map = Form({}, true, "map");
    map.column = "category";
    map.map = {{"Flowers > Roses", "Home & Garden > Plants > Flowers"}, {"Vases", "Home & Garden > Decor"}};
    cases.push_back({"map", map, false, "category", "Home & Garden > Plants > Flowers"});
    return cases;
}

TEST(RuleText, FormsCompileAndDoWhatTheySay) {
    for (const FormCase& c : Cases()) {
        SCOPED_TRACE(c.what);
        const std::string text = FormatRuleText(c.form);
        SCOPED_TRACE(text);
        const CRuleSet rules = CRuleSet::Parse(text, "form.toml");
        ASSERT_EQ(rules.Rules().size(), 1u);
        EXPECT_EQ(rules.Rules().front().name, "Test");
        COtherRecord product = Rose();
        RuleRun run = rules.StartRun();
        const RuleVerdict verdict = rules.Apply(product, run);
        EXPECT_EQ(verdict == RuleVerdict::kExclude, c.excluded);
        if (!c.excluded) {
            EXPECT_EQ(product.Field(FindColumn(c.column)), c.expected);
        }
    }
}

// Appended to a file that already holds rules, the form's rule is one more [[rule]] and leaves the others as
// they were; the map's table closes the rule so that nothing after it is taken into the map.
TEST(RuleText, AppendsToAFileAsItsOwnRule) {
    RuleForm map = Form({}, true, "map");
    map.column = "category";
    map.map = {{"Roses", "Flowers"}};
    RuleForm exclude = Form({{"instock", RuleTest::kEquals, "N"}}, true, "exclude");
    const std::string file = "# shop rules\n" + FormatRuleText(map) + FormatRuleText(exclude);
    const CRuleSet rules = CRuleSet::Parse(file, "rules.toml");
    ASSERT_EQ(rules.Rules().size(), 2u);
    EXPECT_EQ(rules.Rules()[1].action.kind, RuleActionKind::kExclude);
    EXPECT_EQ(
        FormatRuleText(exclude),
        "[[rule]]\nname = \"Test\"\naction = \"exclude\"\nwhen = { column = \"instock\", equals = \"N\" }\n");
}

}  // namespace
}  // namespace yarvelin
