// Reading a rules file for a command: every mistake in it on standard error before any product is read.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "rules/rule_set.h"

namespace yarvelin::cli {

// The compiled rules, or nothing after each mistake was reported as "yarvelin-feed COMMAND: FILE:LINE: what".
std::optional<CRuleSet> LoadRulesFile(std::string_view command, const std::string& path);

// The rules of a command's --rules FILE, for the reader or the import to apply product by product.
class CCliRules {
  public:
    CCliRules() = default;
    CCliRules(const CCliRules&) = delete;  // the hook holds on to this object's counters
    CCliRules& operator=(const CCliRules&) = delete;
    // Reads FILE; nothing to read when path is empty. False after each mistake was reported.
    bool Load(std::string_view command, const std::string& path);
    // The hook that applies the rules; empty without rules. Valid while this object lives.
    std::function<bool(COtherRecord&)> Filter();

  private:
    std::optional<CRuleSet> m_rules;
    RuleRun m_run;
};

}  // namespace yarvelin::cli
