// Rules of the product list: its columns and cell texts, which buttons a selection enables, and the
// commands that mark, unmark and remove products with the changed flag each of them sets.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

class CFeedDocument;

// The seven buttons that depend on the selection; New, View All and Options are always available.
struct CListButtonStates {
    bool edit = false;
    bool markDeleted = false;
    bool unmark = false;
    bool remove = false;
    bool removeAll = false;
    bool verifyUrls = false;
    bool verifyData = false;

    bool operator==(const CListButtonStates&) const = default;
};

CListButtonStates SelectionButtonStates();
// The checks and Remove All stay usable on a list with rows even when none is selected.
CListButtonStates NoSelectionButtonStates(std::size_t rowCount);
// The state after a click on the list or an activation of the page.
CListButtonStates ButtonStatesFor(std::size_t rowCount, bool anySelected);

enum ListColumn { kListNumber = 0, kListName, kListPrice, kListDataCheck, kListUrlsCheck, kListMarked };
inline constexpr int kListColumnCount = 6;
inline constexpr int kListNumberColumnWidth = 25;

const char* ListColumnTitle(int column);
bool IsListColumnRightAligned(int column);
// Widths in pixels for a list of this client width: the number column (wide enough for numberWidth, the
// largest row number, and never narrower than kListNumberColumnWidth), then three units for the name and
// one for each of the others, so the six columns fill the list.
std::array<int, kListColumnCount> ListColumnWidths(int clientWidth, int numberWidth = 0);
// Text of one cell; row counts from 0.
std::string ListCellText(const COtherRecord& record, std::size_t row, int column);
// The "URLs Check" cell: the answer texts, and what the answered addresses still serve wrongly counted by
// severity ("1 error, 2 warnings"; "Err:Img Url, 1 error"), since an answer alone does not mean the
// service will take the product.
std::string UrlsCheckCellText(const COtherRecord& record);
// The findings behind a "URLs Check" cell, one a line; empty when there are none.
std::string UrlsCheckDetail(const COtherRecord& record);

// Sets ("Y") or clears the deleted mark of the products at the given rows, storing each through the
// document; rows without a product are skipped. Sets the changed flag when there was a row to work on.
void SetDeleteMark(CFeedDocument& document, const std::vector<std::size_t>& rows, bool marked);
// Deletes the products at the given rows for good, keeping the order of the rest; sets the changed flag.
// Returns how many went.
std::size_t RemoveRows(CFeedDocument& document, const std::vector<std::size_t>& rows);
// Deletes every product; false (and nothing changed) when there was none.
bool RemoveAllRows(CFeedDocument& document);

}  // namespace yarvelin
