#include "dialogs/summary_rules.h"

#include <iterator>

#include "records/text_util.h"

namespace yarvelin {

namespace {

enum Field {
    kProductUrl = 0,
    kName = 1,
    kDescription = 2,
    kImageUrl = 4,
    kCategory = 5,
    kShipping = 8,
    kBrand = 9,
    kUpc = 10,
    kColor = 11,
    kSize = 12,
    kQuantity = 13,
    kProductId = 14,
    kManufacturerId = 15,
    kExpDate = 16,
    kInStock = 7,
};

enum Group { kAlways, kBasic, kCommonExtended, kAllExtended };

struct GroupedColumn {
    Group group;
    CSummaryColumn column;
};

// Every column in display order, each with the group that brings it.
const GroupedColumn kColumns[] = {
    {kAlways, {"#", 0, false, kSummaryRowNumber}},
    {kAlways, {"Name", 2, false, kName}},
    {kBasic, {"Price", 1, true, kSummaryPrice}},
    {kBasic, {"Description", 3, false, kDescription}},
    {kBasic, {"Product URL", 2, false, kProductUrl}},
    {kBasic, {"Image URL", 2, false, kImageUrl}},
    {kBasic, {"Category", 2, false, kCategory}},
    {kCommonExtended, {"Shipping", 1, true, kShipping}},
    {kCommonExtended, {"Expiry Date", 1, false, kExpDate}},
    {kCommonExtended, {"Manu ID", 1, false, kManufacturerId}},
    {kCommonExtended, {"Product ID", 1, false, kProductId}},
    {kAllExtended, {"Brand", 1, false, kBrand}},
    {kAllExtended, {"Color", 1, false, kColor}},
    {kAllExtended, {"Size", 1, false, kSize}},
    {kAllExtended, {"In-stock", 1, false, kInStock}},
    {kAllExtended, {"Quantity", 1, true, kQuantity}},
    {kAllExtended, {"UPC", 1, false, kUpc}},
};

}  // namespace

std::vector<CSummaryColumn> SummaryColumns(const CSummaryGroups& groups) {
    const bool shown[] = {true, groups.basic, groups.commonExtended, groups.allExtended};
    std::vector<CSummaryColumn> columns;
    columns.reserve(std::size(kColumns));
    for (const GroupedColumn& c : kColumns) {
        if (shown[c.group]) {
            columns.push_back(c.column);
        }
    }
    return columns;
}

int SummaryWidthUnit(int clientWidth) {
    // A list narrower than the number column gets no room for the others rather than negative widths.
    return clientWidth > kSummaryNumberColumnWidth ? (clientWidth - kSummaryNumberColumnWidth) / 10 : 0;
}

int SummaryColumnWidth(const CSummaryColumn& column, int unit) {
    return column.widthUnits == 0 ? kSummaryNumberColumnWidth : column.widthUnits * unit;
}

bool IsListedInSummary(const COtherRecord& record, bool includeDeleted) {
    if (includeDeleted) {
        return true;
    }
    const std::string_view mark = record.Field(kColDelete);
    return !EqualsNoCase(mark, "Y") && !EqualsNoCase(mark, "YES");
}

std::string DisplayPrice(const COtherRecord& record) {
    const std::string_view currency = record.Field(kColCurrency);
    std::string price(record.Field(kColPrice));
    if (currency == "USD") {
        return "$" + price;
    }
    // Any other currency is named, so that 12.50 in euros never reads as dollars.
    if (currency.empty() || price.empty()) {
        return price;
    }
    price += ' ';
    price += currency;
    return price;
}

std::string SummaryCellText(const COtherRecord& record, std::size_t shownRow, const CSummaryColumn& column) {
    switch (column.field) {
        case kSummaryRowNumber:
            return std::to_string(shownRow + 1);
        case kSummaryPrice:
            return DisplayPrice(record);
        default:
            return std::string(record.Field(column.field));
    }
}

}  // namespace yarvelin
