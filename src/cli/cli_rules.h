// Reading a rules file for a command: every mistake in it on standard error before any product is read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "rules/rule_set.h"

namespace yarvelin::cli {

// The compiled rules, or nothing after each mistake was reported as "yarvelin-feed COMMAND: FILE:LINE: what".
std::optional<CRuleSet> LoadRulesFile(std::string_view command, const std::string& path);

}  // namespace yarvelin::cli
