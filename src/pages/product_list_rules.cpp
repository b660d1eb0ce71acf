#include "pages/product_list_rules.h"

#include <algorithm>

#include "app/feed_document.h"
#include "checks/feed_diagnostics.h"
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
            return UrlsCheckCellText(record);
        case kListMarked:
            return record.DeleteStatusText();
        default:
            return {};
    }
}

namespace {

void AddCount(std::string& out, std::size_t count, const char* one, const char* many) {
    if (count == 0) {
        return;
    }
    if (!out.empty()) {
        out += ", ";
    }
    out += std::to_string(count) + ' ' + (count == 1 ? one : many);
}

}  // namespace

std::string UrlsCheckCellText(const COtherRecord& record) {
    const std::string answer = record.UrlStatusText();
    if (!record.urls_checked || record.UrlFindings().empty()) {
        return answer;
    }
    std::size_t counts[3] = {0, 0, 0};
    for (const UrlFinding& finding : record.UrlFindings()) {
        switch (SeverityOf(static_cast<DiagnosticCode>(finding.code))) {
            case DiagnosticSeverity::kError:
                ++counts[0];
                break;
            case DiagnosticSeverity::kWarning:
                ++counts[1];
                break;
            case DiagnosticSeverity::kInfo:
                ++counts[2];
                break;
        }
    }
    std::string found;
    AddCount(found, counts[0], "error", "errors");
    AddCount(found, counts[1], "warning", "warnings");
    AddCount(found, counts[2], "note", "notes");
    // "All OK" keeps meaning that nothing was found: answered addresses with findings give their counts,
    // short enough for the narrow column, and a failed address keeps its text in front.
    return record.product_url_ok && record.image_url_ok ? found : answer + ", " + found;
}

std::string UrlsCheckDetail(const COtherRecord& record) {
    std::string out;
    for (const UrlFinding& finding : record.UrlFindings()) {
        if (!out.empty()) {
            out += '\n';
        }
        out += finding.message;
    }
    return out;
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
