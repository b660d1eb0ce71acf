// Which products the product list shows, and in what order: the filter picks them, a column orders them.
// The view is a row map (row -> position in the feed, four bytes a row); the feed itself keeps its order,
// so a file is always written in file order whatever the list shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/product_filter.h"
#include "records/local_date_time.h"

namespace yarvelin {

class CFeedDocument;

// The list column the rows are ordered by; -1 is file order.
struct ListSort {
    int column = -1;
    bool descending = false;

    bool IsFileOrder() const { return column < 0; }
    bool operator==(const ListSort&) const = default;
};

// The order after a click on a column's header: ascending, then descending, then file order again. A
// click on another column starts it ascending.
ListSort NextListSort(const ListSort& current, int clickedColumn);

using RowMap = std::vector<std::uint32_t>;

// The positions the filter keeps, in file order.
RowMap FilterPositions(const CFeedDocument& document, const ProductFilter& filter,
                       const ProductCodeLookup& hasCode);
// Orders rows by a list column. Equal values keep their order among each other (file order when the rows
// came in file order). Prices are compared as numbers; a price that is no number comes after every number,
// ordered as text, and an empty one comes last, in either direction.
void SortRows(const CFeedDocument& document, RowMap& rows, const ListSort& sort);

// The rows among these (in their order) that the filter keeps: a narrowing filter needs no new order.
RowMap NarrowRows(const CFeedDocument& document, const RowMap& rows, const ProductFilter& filter,
                  const ProductCodeLookup& hasCode);

// The filter and the order together: the rows the list shows.
RowMap BuildRowMap(const CFeedDocument& document, const ProductFilter& filter,
                   const ProductCodeLookup& hasCode, const ListSort& sort);

// The positions of a diagnostic code's findings in the open feed, one flag per product, for the filter's
// code terms.
std::vector<bool> PositionsWithCode(const CFeedDocument& document, int code,
                                    const std::vector<std::string>& userCategories, bool htmlEscaped,
                                    const LocalDateTime& now);

}  // namespace yarvelin
