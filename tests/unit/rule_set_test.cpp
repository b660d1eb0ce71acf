#include "rules/rule_set.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "feed/feed_line_format.h"

namespace yarvelin {
namespace {

using Values = std::vector<std::pair<const char*, const char*>>;

COtherRecord Product(const Values& values) {
    COtherRecord r;
    r.SetField(kColName, "Red Rose");
    r.SetField(kColPrice, "10.00");
    r.SetField(kColCategory, "Flowers > Roses");
    r.SetField(kColInstock, "Y");
    for (const auto& [column, value] : values) {
        r.SetField(FindColumn(column), value);
    }
    return r;
}

struct ConditionCase {
    const char* when;  // the inline table after "when = "
    Values product;
    bool hits;
};

class RuleConditions : public ::testing::TestWithParam<ConditionCase> {};

// Each condition kind, and its edges, decides whether the rule's action reaches the product.
TEST_P(RuleConditions, DecideWhetherTheRuleHits) {
    const ConditionCase& c = GetParam();
    const CRuleSet rules =
        CRuleSet::Parse(std::string("[[rule]]\naction = \"exclude\"\nwhen = ") + c.when + "\n", "rules.toml");
    COtherRecord product = Product(c.product);
    RuleRun run = rules.StartRun();
    EXPECT_EQ(rules.Apply(product, run) == RuleVerdict::kExclude, c.hits) << c.when;
    EXPECT_EQ(run.hits[0], c.hits ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RuleConditions,
    ::testing::Values(
        ConditionCase{"{ column = \"instock\", equals = \"n\" }", {{"instock", " N "}}, true},
        ConditionCase{"{ column = \"instock\", equals = \"N\" }", {{"instock", "NO"}}, false},
        ConditionCase{"{ column = \"instock\", equals = \"N\", not = true }", {{"instock", "Y"}}, true},
        ConditionCase{"{ column = \"name\", contains = \"ROSE\" }", {}, true},
        ConditionCase{"{ column = \"name\", contains = \"lily\" }", {}, false},
        ConditionCase{"{ column = \"name\", matches = '^Red\\s+R' }", {}, true},
        ConditionCase{"{ column = \"name\", matches = '^Rose' }", {}, false},
        // Latin-1 matching: one byte of a Windows-1252 product text is one character of the pattern.
        ConditionCase{"{ column = \"name\", matches = '^Caf.$' }", {{"name", "Caf\xE9"}}, true},
        ConditionCase{"{ column = \"name\", matches = 'é' }", {{"name", "Caf\xE9"}}, true},
        ConditionCase{"{ column = \"brand\", empty = true }", {{"brand", "  "}}, true},
        ConditionCase{"{ column = \"brand\", empty = false }", {{"brand", ""}}, false},
        ConditionCase{"{ column = \"brand\", empty = false }", {{"brand", "Acme"}}, true},
        ConditionCase{"{ column = \"price\", number = \"< 10\" }", {{"price", "9.99"}}, true},
        ConditionCase{"{ column = \"price\", number = \"< 10\" }", {{"price", "10.00"}}, false},
        ConditionCase{"{ column = \"price\", number = \"<= 10\" }", {{"price", " 10 "}}, true},
        ConditionCase{"{ column = \"price\", number = \">=10.5\" }", {{"price", "10.49"}}, false},
        ConditionCase{"{ column = \"price\", number = \"> 0\" }", {{"price", "free"}}, false},
        ConditionCase{"{ column = \"quantity\", number = \"== 0\" }", {{"quantity", "0"}}, true},
        ConditionCase{"{ column = \"quantity\", number = \"!= 0\" }", {{"quantity", "3"}}, true},
        // A text that is no number is not "not < 10" false: not turns the whole test round.
        ConditionCase{"{ column = \"price\", number = \"< 10\", not = true }", {{"price", "call us"}}, true},
        ConditionCase{"{ all = [ { column = \"instock\", equals = \"N\" }, { column = \"price\", number = "
                      "\"< 5\" } ] }",
                      {{"instock", "N"}, {"price", "7"}},
                      false},
        ConditionCase{"{ all = [ { column = \"instock\", equals = \"N\" }, { column = \"price\", number = "
                      "\"< 5\" } ] }",
                      {{"instock", "N"}, {"price", "4"}},
                      true},
        ConditionCase{"{ any = [ { column = \"brand\", equals = \"Acme\" }, { column = \"price\", number = "
                      "\"< 5\" } ] }",
                      {{"brand", "acme"}},
                      true},
        ConditionCase{"{ any = [ { column = \"brand\", equals = \"Acme\" }, { all = [ { column = \"price\", "
                      "number = \"< 5\" } ] } ], not = true }",
                      {{"brand", "Other"}},
                      true}));

struct ActionCase {
    const char* rule;  // keys of one [[rule]] after action
    const char* column;
    const char* before;
    const char* after;
    bool hits;
};

class RuleActions : public ::testing::TestWithParam<ActionCase> {};

// Each action kind changes the column as a merchant would expect, and counts a hit only when it did.
TEST_P(RuleActions, ChangeTheColumn) {
    const ActionCase& c = GetParam();
    const CRuleSet rules = CRuleSet::Parse(std::string("[[rule]]\n") + c.rule + "\n", "rules.toml");
    COtherRecord product = Product({{c.column, c.before}, {"brand", "Acme"}});
    RuleRun run = rules.StartRun();
    EXPECT_EQ(rules.Apply(product, run), RuleVerdict::kKeep);
    EXPECT_EQ(product.Field(FindColumn(c.column)), c.after) << c.rule;
    EXPECT_EQ(run.hits[0], c.hits ? 1u : 0u) << c.rule;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RuleActions,
    ::testing::Values(
        ActionCase{"action = \"set\"\ncolumn = \"currency\"\nvalue = \"EUR\"", "currency", "USD", "EUR",
                   true},
        ActionCase{"action = \"set\"\ncolumn = \"name\"\nvalue = \"{brand} {name} {{new}}\"", "name", "Rose",
                   "Acme Rose {new}", true},
        ActionCase{"action = \"prepend\"\ncolumn = \"name\"\nvalue = \"{brand}: \"", "name", "Rose",
                   "Acme: Rose", true},
        ActionCase{"action = \"append\"\ncolumn = \"name\"\nvalue = \" (café)\"", "name", "Rose",
                   "Rose (caf\xE9)", true},
        ActionCase{"action = \"replace\"\ncolumn = \"name\"\nfind = \"oo\"\nwith = \"o\"", "name", "Rooose",
                   "Roose", true},
        ActionCase{"action = \"replace\"\ncolumn = \"name\"\nfind = \"a\"\nwith = \"aa\"", "name", "banana",
                   "baanaanaa", true},
        ActionCase{"action = \"replace\"\ncolumn = \"name\"\nfind = \"x\"\nwith = \"y\"", "name", "Rose",
                   "Rose", false},
        ActionCase{"action = \"replace\"\ncolumn = \"name\"\npattern = '(\\w+), (\\w+)'\nwith = '\\2 \\1'",
                   "name", "Rose, Red", "Red Rose", true},
        ActionCase{"action = \"replace\"\ncolumn = \"name\"\npattern = '\\s+'\nwith = ' '", "name",
                   "A  B \t C", "A B C", true},
        ActionCase{"action = \"calculate\"\ncolumn = \"price\"\nmultiply = 1.2\nround = 2", "price", "10.00",
                   "12.00", true},
        ActionCase{"action = \"calculate\"\ncolumn = \"price\"\nadd = 0.005\nround = 2", "price", "2.67",
                   "2.68", true},
        ActionCase{"action = \"calculate\"\ncolumn = \"price\"\nmultiply = 3", "price", "10.1", "30.30",
                   true},
        ActionCase{"action = \"calculate\"\ncolumn = \"shipping\"\nat_most = 4.95", "shipping", "7.50",
                   "4.95", true},
        ActionCase{"action = \"calculate\"\ncolumn = \"shipping\"\nat_least = 1\nround = 2", "shipping", "0",
                   "1.00", true},
        // min and max of older files keep their meaning: min caps, max floors.
        ActionCase{"action = \"calculate\"\ncolumn = \"price\"\nmin = 50", "price", "99.5", "50.00", true},
        ActionCase{"action = \"calculate\"\ncolumn = \"price\"\nmax = 50", "price", "10", "50.00", true},
        // Money is written with two decimals whatever the steps give.
        ActionCase{"action = \"calculate\"\ncolumn = \"price\"\nmultiply = 1.19", "price", "9.99", "11.89",
                   true},
        ActionCase{"action = \"calculate\"\ncolumn = \"price\"\nround = 0", "price", "9.60", "10.00", true},
        ActionCase{"action = \"calculate\"\ncolumn = \"quantity\"\nmultiply = 2", "quantity", "3", "6", true},
        ActionCase{"action = \"calculate\"\ncolumn = \"price\"\nmultiply = 2", "price", "on request",
                   "on request", false},
        ActionCase{"action = \"map\"\n[rule.map]\n\"flowers > roses\" = \"Flowers > Roses \"", "category",
                   " Flowers > ROSES ", "Flowers > Roses ", true},
        ActionCase{"action = \"map\"\n[rule.map]\n\"A\" = \"B\"", "category", "C", "C", false},
        ActionCase{"action = \"map\"\ndefault = \"Flowers > Arrangements\"\n[rule.map]\n\"A\" = \"B\"",
                   "category", "C", "Flowers > Arrangements", true},
        ActionCase{"action = \"map\"\ncolumn = \"color\"\n[rule.map]\n\"rot\" = \"Red\"", "color", "Rot",
                   "Red", true}));

TEST(RuleSet, RulesRunInOrderAndAnExclusionEndsTheWay) {
    const CRuleSet rules = CRuleSet::Parse(R"(
[[rule]]
name = "Cheap"
action = "set"
column = "price"
value = "1.00"
when = { column = "brand", equals = "Cheapo" }

[[rule]]
name = "Out"
action = "exclude"
when = { column = "price", number = "< 2" }

[[rule]]
action = "append"
column = "name"
value = "!"
)",
                                           "rules.toml");
    ASSERT_EQ(rules.Rules().size(), 3u);
    EXPECT_EQ(rules.Rules()[0].name, "Cheap");
    EXPECT_EQ(rules.Rules()[2].name, "rule 3");
    EXPECT_EQ(rules.Rules()[1].line, 9);
    RuleRun run = rules.StartRun();
    COtherRecord cheap = Product({{"brand", "Cheapo"}});
    COtherRecord kept = Product({{"brand", "Acme"}});
    EXPECT_EQ(rules.Apply(cheap, run), RuleVerdict::kExclude);
    EXPECT_EQ(cheap.Field(kColName), "Red Rose");  // the later rule never reached it
    EXPECT_EQ(rules.Apply(kept, run), RuleVerdict::kKeep);
    EXPECT_EQ(kept.Field(kColName), "Red Rose!");
    EXPECT_EQ(run.hits, (std::vector<std::size_t>{1, 1, 1}));
    EXPECT_EQ(run.products, 2u);
    EXPECT_EQ(run.excluded, 1u);
}

struct BadRules {
    const char* text;
    int line;
    const char* what;  // a part of the message
};

class RuleMistakes : public ::testing::TestWithParam<BadRules> {};

// A mistake is found when the file is read, at the line it is on, never halfway through a feed.
TEST_P(RuleMistakes, AreReportedAtTheirPlace) {
    const BadRules& c = GetParam();
    try {
        CRuleSet::Parse(c.text, "shop.rules");
        FAIL() << "accepted: " << c.text;
    } catch (const CHandFileError& err) {
        EXPECT_EQ(err.Line(), c.line) << err.what();
        EXPECT_NE(err.What().find(c.what), std::string::npos) << err.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RuleMistakes,
    ::testing::Values(
        BadRules{"[[rule]]\naction = \"set\"\ncolumn = \"title\"\nvalue = \"x\"\n", 3,
                 "unknown column title"},
        BadRules{"[[rule]]\naction = \"set\"\ncolumn = \"name\"\nvalue = \"{titel}\"\n", 4,
                 "unknown column {titel}"},
        BadRules{"[[rule]]\naction = \"set\"\ncolumn = \"name\"\nvalue = \"{name\"\n", 4, "without its }"},
        BadRules{"[[rule]]\naction = \"drop\"\n", 2, "unknown action drop"},
        BadRules{"[[rule]]\nname = \"x\"\n", 1, "action is missing"},
        BadRules{"[[rule]]\naction = \"exclude\"\nwhen = { column = \"name\", matches = \"(\" }\n", 3,
                 "regular expression ( is not valid"},
        BadRules{"[[rule]]\naction = \"replace\"\ncolumn = \"name\"\npattern = \"(a)\"\nwith = '\\2'\n", 5,
                 "with does not fit the pattern"},
        BadRules{"[[rule]]\naction = \"calculate\"\ncolumn = \"name\"\nmultiply = 2\n", 3,
                 "calculate works on the number columns"},
        BadRules{"[[rule]]\naction = \"calculate\"\ncolumn = \"price\"\nmultiply = \"2\"\n", 4,
                 "multiply must be a number"},
        BadRules{"[[rule]]\naction = \"calculate\"\ncolumn = \"price\"\n", 1, "at least one of"},
        BadRules{"[[rule]]\naction = \"calculate\"\ncolumn = \"price\"\nround = 9\n", 4, "round must be"},
        BadRules{"[[rule]]\naction = \"exclude\"\nwhen = { column = \"price\", number = \"about 5\" }\n", 3,
                 "number must be a comparison"},
        BadRules{"[[rule]]\naction = \"exclude\"\nwhen = { column = \"price\" }\n", 3, "exactly one of"},
        BadRules{
            "[[rule]]\naction = \"exclude\"\n[rule.when]\ncolumn = \"price\"\nequals = \"1\"\ncontains = "
            "\"1\"\n",
            6, "exactly one of"},
        BadRules{"[[rule]]\naction = \"exclude\"\ncolumn = \"price\"\n", 3, "unknown key column"},
        BadRules{"[[rule]]\naction = \"set\"\ncolumn = \"name\"\nvalue = \"a\\tb\"\n", 4,
                 "tab or a line break"},
        BadRules{
            "[[rule]]\naction = \"set\"\ncolumn = \"name\"\nvalue = \"\xE2\x82\xAC \xE2\x80\x94 \xC5\x81\"\n",
            4, "cannot hold"},
        BadRules{"[[rule]]\naction = \"map\"\n[rule.map]\n\"Roses\" = \"A\"\n\" roses\" = \"B\"\n", 5,
                 "twice"},
        BadRules{"[[rule]]\naction = \"map\"\n", 1, "map is missing"},
        BadRules{"[[rule]]\naction = \"replace\"\ncolumn = \"name\"\nwith = \"\"\n", 1, "either find"},
        BadRules{"[rule]\naction = \"exclude\"\n", 1, "rule must be a list of tables"}));

// Every rule's mistake is listed, so a merchant mends the file in one go.
// Files written when min capped the value keep working, and say how to write it without doubt.
TEST(RuleSet, OldMinAndMaxLoadWithAWarning) {
    const CRuleSet old =
        CRuleSet::Parse("[[rule]]\naction = \"calculate\"\ncolumn = \"price\"\nmin = 5\n", "shop.rules");
    ASSERT_EQ(old.Warnings().size(), 1u);
    EXPECT_EQ(old.Warnings()[0].rfind("shop.rules:1: min and max", 0), 0u) << old.Warnings()[0];
    EXPECT_TRUE(CRuleSet::Parse("[[rule]]\naction = \"calculate\"\ncolumn = \"price\"\nat_most = 5\n", "r")
                    .Warnings()
                    .empty());
    EXPECT_THROW(
        CRuleSet::Parse("[[rule]]\naction = \"calculate\"\ncolumn = \"price\"\nmin = 5\nat_most = 4\n", "r"),
        CRulesFileError);
}

TEST(RuleSet, ListsTheMistakesOfEveryRule) {
    try {
        CRuleSet::Parse(
            "[[rule]]\naction = \"nope\"\n\n[[rule]]\naction = \"exclude\"\n\n[[rule]]\naction = "
            "\"set\"\ncolumn = \"nam\"\nvalue = \"\"\n",
            "shop.rules");
        FAIL();
    } catch (const CRulesFileError& err) {
        ASSERT_EQ(err.Mistakes().size(), 2u);
        EXPECT_EQ(err.Line(), 2);
        EXPECT_EQ(err.Mistakes()[1].Line(), 9);
        EXPECT_EQ(
            err.AllMessages(),
            "shop.rules:2: unknown action nope (actions: exclude, set, replace, prepend, append, calculate, "
            "map)\nshop.rules:9: unknown column nam (columns: " +
                [] {
                    std::string list;
                    for (const char* name : kColumnNames) {
                        list += list.empty() ? "" : ", ";
                        list += name;
                    }
                    return list;
                }() +
                ")");
    }
}

}  // namespace
}  // namespace yarvelin
