// What the summary table shows: its column groups, which products it lists and the text of each cell.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

// The three field groups the user can switch on and off; they are independent of one another.
struct CSummaryGroups {
    bool basic = true;
    bool commonExtended = true;
    bool allExtended = false;
};

// Cell sources that are not a plain record field.
inline constexpr int kSummaryRowNumber = -1;
inline constexpr int kSummaryPrice = -2;

struct CSummaryColumn {
    const char* title;
    int widthUnits;  // 0: the fixed-width number column
    bool rightAligned;
    int field;  // record column (0..19), kSummaryRowNumber or kSummaryPrice
};

inline constexpr int kSummaryNumberColumnWidth = 25;

// The columns present for these groups, left to right; "#" and "Name" always come first.
std::vector<CSummaryColumn> SummaryColumns(const CSummaryGroups& groups);
// Width in pixels of one unit for a list of this client width.
int SummaryWidthUnit(int clientWidth);
int SummaryColumnWidth(const CSummaryColumn& column, int unit);

// A product marked "Y" or "YES" (any case) is listed only when deleted items are included; any other mark,
// "N" for one, never hides it.
bool IsListedInSummary(const COtherRecord& record, bool includeDeleted);

// Price as both the summary and the product list show it: a "$" only for exactly "USD".
std::string DisplayPrice(const COtherRecord& record);
// shownRow: the number shown is shownRow + 1 (the summary gives the product's place in the feed).
std::string SummaryCellText(const COtherRecord& record, std::size_t shownRow, const CSummaryColumn& column);

}  // namespace yarvelin
