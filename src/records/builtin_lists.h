// The program's own product vocabulary: colors, sizes, categories and currencies.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace yarvelin {

const std::vector<std::string>& BuiltinColors();      // 140 entries
const std::vector<std::string>& BuiltinSizes();       // 74 entries, duplicates kept
const std::vector<std::string>& BuiltinCategories();  // 276 entries
// Currency drop-down entries: code, blank, name, trailing blank ("USD American Dollar ").
const std::vector<std::string>& CurrencyEntries();  // 187 entries
// The three-letter code of each entry, same order.
const std::vector<std::string>& CurrencyCodes();

inline constexpr int kDefaultCurrencyIndex = 172;  // "USD"

// Index of the first entry with this code, letter case ignored; -1 when the code is not listed.
int FindCurrencyIndex(const std::vector<std::string>& codes, std::string_view code);

}  // namespace yarvelin
