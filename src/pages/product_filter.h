// The product list's filter: what a merchant types into the box above the list, and which products it
// keeps. Every word must match (a product is kept when all terms hold):
//   rose            the text in any column, letter case ignored (also in accented Windows-1252 letters)
//   "red rose"      a text with blanks
//   brand:acme      the text in one column, named as in the feed file; "brand:" alone: the column is empty
//   code:price-invalid   the products with a finding of that diagnostic code
//   marked, unverified, url-failed   the delete mark, a check not run, an address the URL check refused
//   -word           any term turned round: the products it does not keep
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

enum class FilterTermKind { Text, Column, ColumnEmpty, Code, Marked, Unverified, UrlFailed };

struct FilterTerm {
    FilterTermKind kind = FilterTermKind::Text;
    bool negated = false;
    int column = -1;     // Column, ColumnEmpty
    int code = -1;       // Code: the diagnostic code's number
    std::string needle;  // Text, Column: folded to lower case

    bool operator==(const FilterTerm&) const = default;
};

struct ProductFilter {
    std::vector<FilterTerm> terms;
    // Why the text could not be read (an unknown diagnostic code, an unclosed quote); such a filter keeps
    // no product.
    std::string error;

    bool IsEmpty() const { return terms.empty() && error.empty(); }
    bool UsesCodes() const;
};

// Reads a filter (Windows-1252 text). Blank text gives the empty filter, which keeps every product.
ProductFilter ParseProductFilter(std::string_view text);

// Whether the product at position has a finding of the code; asked only for filters with code terms.
using ProductCodeLookup = std::function<bool(std::size_t position, int code)>;

// Whether the filter keeps the record that stands at position.
bool FilterKeeps(const ProductFilter& filter, const COtherRecord& record, std::size_t position,
                 const ProductCodeLookup& hasCode);

// Whether every product that to keeps is kept by from as well, as when a character is typed at the end of
// a word: then the rows shown for from only need to be filtered again.
bool IsNarrowing(const ProductFilter& from, const ProductFilter& to);

// Windows-1252 letters to lower case: ASCII, the accented capitals and Š, Œ, Ž, Ÿ.
unsigned char FoldCp1252(unsigned char c);
// Whether haystack contains needle (already folded), letter case ignored.
bool ContainsFolded(std::string_view haystack, std::string_view foldedNeedle);

}  // namespace yarvelin
