// The start of a category map: a shop's own categories, counted, each with the built-in category whose
// words come closest. The merchant checks the suggestions and saves them as a map rule.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace yarvelin {

struct SourceCategory {
    std::string path;  // as the first product gave it, trimmed (Windows-1252)
    std::size_t products = 0;
    std::string suggestion;  // trimmed built-in path; empty when none shares a word
    bool known = false;      // the path is itself a built-in category
};

// Counts the distinct categories of a feed, letter case and blanks around them ignored.
class CCategoryTally {
  public:
    void Add(std::string_view category);
    // The categories sorted by path (letter case ignored), each with its suggestion among candidates.
    std::vector<SourceCategory> Suggest(const std::vector<std::string>& candidates) const;

  private:
    std::unordered_map<std::string, std::size_t> m_index;  // lower-case path -> position
    std::vector<SourceCategory> m_categories;
};

// The candidate (trimmed) sharing the most words with path, the words of its last part counting double and
// each word of the candidate that path lacks costing a little; among equals the earlier candidate. Empty
// when no candidate shares a word.
std::string SuggestCategory(std::string_view path, const std::vector<std::string>& candidates);

// The tally as a rules file with one map rule, in UTF-8, every line a merchant has to confirm commented.
std::string FormatCategoryMap(const std::vector<SourceCategory>& categories, std::string_view feedName);

}  // namespace yarvelin
