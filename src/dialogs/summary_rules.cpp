#include "dialogs/summary_rules.h"

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

const CSummaryColumn kAlways[] = {
    {"#", 0, false, kSummaryRowNumber},
    {"Name", 2, false, kName},
};
const CSummaryColumn kBasic[] = {
    {"Price", 1, true, kSummaryPrice},      {"Description", 3, false, kDescription},
    {"Product URL", 2, false, kProductUrl}, {"Image URL", 2, false, kImageUrl},
    {"Category", 2, false, kCategory},
};
const CSummaryColumn kCommonExtended[] = {
    {"Shipping", 1, true, kShipping},
    {"Expiry Date", 1, false, kExpDate},
    {"Manu ID", 1, false, kManufacturerId},
    {"Product ID", 1, false, kProductId},
};
const CSummaryColumn kAllExtended[] = {
    {"Brand", 1, false, kBrand},      {"Color", 1, false, kColor},      {"Size", 1, false, kSize},
    {"In-stock", 1, false, kInStock}, {"Quantity", 1, true, kQuantity}, {"UPC", 1, false, kUpc},
};

template <std::size_t N>
void Append(std::vector<CSummaryColumn>& out, const CSummaryColumn (&group)[N]) {
    out.insert(out.end(), group, group + N);
}

}  // namespace

std::vector<CSummaryColumn> SummaryColumns(const CSummaryGroups& groups) {
    std::vector<CSummaryColumn> columns;
    Append(columns, kAlways);
    if (groups.basic) {
        Append(columns, kBasic);
    }
    if (groups.commonExtended) {
        Append(columns, kCommonExtended);
    }
    if (groups.allExtended) {
        Append(columns, kAllExtended);
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
    const std::string& mark = record.m_optional.delete_;
    return !EqualsNoCase(mark, "Y") && !EqualsNoCase(mark, "YES");
}

std::string DisplayPrice(const COtherRecord& record) {
    if (record.m_optional.currency == "USD") {
        return "$" + record.m_required.price;
    }
    return record.m_required.price;
}

std::string SummaryCellText(const COtherRecord& record, std::size_t shownRow, const CSummaryColumn& column) {
    switch (column.field) {
        case kSummaryRowNumber:
            return std::to_string(shownRow + 1);
        case kSummaryPrice:
            return DisplayPrice(record);
        default:
            return record.Field(column.field);
    }
}

}  // namespace yarvelin
