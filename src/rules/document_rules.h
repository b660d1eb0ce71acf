// Rules on the open feed: the hit counts the rules window shows, applying them as an edit of the feed,
// the rules file remembered for each feed, and the rules file cut into one piece of text per rule so that
// the window can edit, move and delete rules while every comment of the file stays where it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/feed_document.h"
#include "app/settings_store.h"
#include "rules/rule_set.h"

namespace yarvelin {

// Which products each rule would change or leave out; the feed stays as it is.
RuleRun CountRuleHits(const CRuleSet& rules, const CFeedDocument::RecordList& records);

struct RulesApplied {
    RuleRun run;
    std::size_t changed = 0;  // products kept with a changed text
    std::size_t removed = 0;  // products a rule left out
    // With keepForUndo: the changed products as they were and the removed ones, each at its position
    // before the rules ran, ascending.
    std::vector<std::pair<std::size_t, COtherRecord>> changedBefore;
    std::vector<std::pair<std::size_t, COtherRecord>> removedProducts;
};
// Applies the rules to every product of the feed, as the product editor would store the result: a changed
// product loses its check flags (its texts were not checked), a product a rule leaves out is removed. The
// feed is changed when a product changed or went.
RulesApplied ApplyRulesToDocument(CFeedDocument& doc, const CRuleSet& rules, bool keepForUndo = false);

// The rules file last used with the feed at feedPath; empty when none was.
std::string RememberedRulesFile(const SettingsStore& store, const std::string& feedPath);
void RememberRulesFile(SettingsStore& store, const std::string& feedPath, const std::string& rulesPath);

// A rules file as the text before its first rule and one text per rule, each from its "[[rule]]" line up
// to the next one. Joined again they give the file back byte for byte.
struct RuleTexts {
    std::string preamble;
    std::vector<std::string> rules;
};
RuleTexts SplitRuleTexts(std::string_view text);
std::string JoinRuleTexts(const RuleTexts& texts);

}  // namespace yarvelin
