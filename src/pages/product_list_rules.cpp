#include "pages/product_list_rules.h"

#include <algorithm>

#include "app/feed_document.h"
#include "dialogs/summary_rules.h"

namespace yarvelin {

CListButtonStates SelectionButtonStates() {
    return {true, true, true, true, true, true, true};
}

CListButtonStates NoSelectionButtonStates(std::size_t rowCount) {
    const bool anyRow = rowCount > 0;
    CListButtonStates states;
    states.removeAll = anyRow;
    states.verifyUrls = anyRow;
    states.verifyData = anyRow;
    return states;
}

CListButtonStates ButtonStatesFor(std::size_t rowCount, bool anySelected) {
    return rowCount > 0 && anySelected ? SelectionButtonStates() : NoSelectionButtonStates(rowCount);
}

const char* ListColumnTitle(int column) {
    static const char* const kTitles[kListColumnCount] = {"#",          "Name",       "Price",
                                                          "Data Check", "URLs Check", "Marked"};
    return column >= 0 && column < kListColumnCount ? kTitles[column] : "";
}

bool IsListColumnRightAligned(int column) {
    return column == kListPrice;
}

std::array<int, kListColumnCount> ListColumnWidths(int clientWidth, int numberWidth) {
    const int number = std::max(numberWidth, kListNumberColumnWidth);
    const int unit = clientWidth > number ? (clientWidth - number) / 7 : 0;
    return {number, 3 * unit, unit, unit, unit, unit};
}

std::string ListCellText(const COtherRecord& record, std::size_t row, int column) {
    switch (column) {
        case kListNumber:
            return std::to_string(row + 1);
        case kListName:
            return std::string(record.Field(kColName));
        case kListPrice:
            return DisplayPrice(record);
        case kListDataCheck:
            return record.DataStatusText();
        case kListUrlsCheck:
            return record.UrlStatusText();
        case kListMarked:
            return record.DeleteStatusText();
        default:
            return {};
    }
}

void SetDeleteMark(CFeedDocument& document, const std::vector<std::size_t>& rows, bool marked) {
    for (std::size_t row : rows) {
        if (row >= document.Count()) {
            continue;
        }
        // Storing a copy of the stored record back into it would change nothing else, so the mark is set
        // in place: the record keeps its texts, check flags and position.
        document.At(row).SetField(kColDelete, marked ? "Y" : "");
    }
    if (!rows.empty()) {
        document.MarkChanged();
    }
}

std::size_t RemoveRows(CFeedDocument& document, const std::vector<std::size_t>& rows) {
    if (rows.empty()) {
        return 0;
    }
    for (std::size_t row : rows) {
        if (row < document.Count()) {
            document.At(row).removal_mark = true;
        }
    }
    const std::size_t removed = document.RemoveMarkedRecords();
    document.MarkChanged();
    return removed;
}

bool RemoveAllRows(CFeedDocument& document) {
    if (document.Records().empty()) {
        return false;
    }
    document.RemoveAllRecords();
    return true;
}

}  // namespace yarvelin
