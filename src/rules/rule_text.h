// A rule as the rules window's form fills it in, written as the [[rule]] table of a rules file, so that a
// merchant gets the same file whether the rule was typed as text or chosen in the form.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace yarvelin {

enum class RuleTest { kEquals, kContains, kMatches, kEmpty, kNotEmpty, kNumber };

struct RuleFormCondition {
    std::string column;
    RuleTest test = RuleTest::kEquals;
    std::string value;  // the text, the pattern, or a comparison such as "< 5"; unused for empty
    bool negate = false;
};

// Texts are UTF-8, as rules files are.
struct RuleForm {
    std::string name;
    std::vector<RuleFormCondition> conditions;  // none: every product
    bool matchAll = true;                       // several conditions: all of them, or any
    std::string action = "exclude";             // exclude, set, replace, prepend, append, calculate, map
    std::string column;                         // every action but exclude
    std::string value;                          // set, prepend, append
    std::string find;                           // replace
    bool findIsPattern = false;                 // replace: find is a regular expression
    std::string with;                           // replace
    std::optional<double> multiply, add, atLeast, atMost;  // calculate
    std::optional<int> round;                              // calculate
    std::vector<std::pair<std::string, std::string>> map;  // map: the shop's value and what it becomes
};

// The rule as a [[rule]] table ending in a line break; keys the action does not use are left out.
std::string FormatRuleText(const RuleForm& form);

}  // namespace yarvelin
