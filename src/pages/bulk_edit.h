// Changing many products at once from the product list: one value for one column ("Set column...") and
// "Find and replace...". A change is planned first, without touching the feed, so that the window can say
// how many products it would change and refuse it whole when one product would break a rule of the
// product editor; applying it keeps the products as they were for Ctrl+Z.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

class CEditHistory;
class CFeedDocument;

// Every column but product_type (the editor keeps it itself) and delete (Mark Deleted and Un-mark set it).
bool IsBulkEditableColumn(int column);

// Checks a column's new text as the product editor checks what is typed into it, and brings it to the
// form the editor stores: texts trimmed, money with two fraction digits, Y or N for instock, a currency
// code from the list, an expiry date as YYYYMMDDHHMM or nothing. The message when it is refused.
std::optional<std::string> CheckBulkValue(int column, std::string& value);

struct BulkRefusal {
    std::size_t position = 0;
    int column = -1;
    std::string message;  // the editor's message for the column

    bool operator==(const BulkRefusal&) const = default;
};

// The products a change would store, with their new texts and cleared check flags, as an edit in the
// product editor leaves them.
struct BulkChange {
    std::vector<std::pair<std::size_t, COtherRecord>> products;
    std::size_t replacements = 0;  // Find and replace: the matches replaced
    std::optional<BulkRefusal> refusal;
    std::string what;  // "Set price on 3 products", for the status line and Undo
};

// One value for one column on the products at these positions. For price and shipping a value such as
// "+5%", "-10%", "+2.50" or "-1" changes each product's own amount instead.
BulkChange PlanSetColumn(const CFeedDocument& document, const std::vector<std::size_t>& positions, int column,
                         std::string_view value);

struct FindReplaceSpec {
    int column = -1;  // -1: every column Find and replace may change
    std::string find;
    std::string replace;  // with a regular expression, \1 .. \9 stand for its groups
    bool regularExpression = false;
    bool matchCase = false;
};

// Checks a search before it is planned: an empty text, a pattern that does not compile, a replacement that
// names a group the pattern does not have. The message, or nothing when it is fine.
std::optional<std::string> CheckFindReplace(const FindReplaceSpec& spec);
// Plans a search and replace over the products at these positions. Patterns run in linear time (RE2).
BulkChange PlanFindReplace(const CFeedDocument& document, const std::vector<std::size_t>& positions,
                           const FindReplaceSpec& spec);

// Stores a planned change that was not refused and keeps the products as they were in history. Returns
// how many products changed.
std::size_t ApplyBulkChange(CFeedDocument& document, BulkChange&& change, CEditHistory& history);

// Removes the products at these positions (as Remove does) and keeps them in history. Returns how many
// went.
std::size_t RemoveRowsUndoably(CFeedDocument& document, const std::vector<std::size_t>& positions,
                               CEditHistory& history);
// Removes every product (as Remove All does) as one step of history. Returns how many went.
std::size_t RemoveAllRowsUndoably(CFeedDocument& document, CEditHistory& history);

}  // namespace yarvelin
