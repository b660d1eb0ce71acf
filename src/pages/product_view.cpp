#include "pages/product_view.h"

#include <algorithm>
#include <charconv>
#include <numeric>

#include "app/feed_document.h"
#include "checks/feed_diagnostics.h"
#include "pages/product_list_rules.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

// A price as the sort sees it: numbers first, then texts that are no number, then empty prices.
struct PriceKey {
    int rank = 0;  // 0 number, 1 other text, 2 empty
    double value = 0;
};

PriceKey PriceKeyOf(std::string_view price) {
    const std::string_view text = TrimmedView(price);
    if (text.empty()) {
        return {2, 0};
    }
    // Only a plain decimal number sorts as one: from_chars also takes "nan", "inf" and "1e3", and a NaN
    // compares false both ways, which breaks the order of every other row.
    const std::size_t sign = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    std::size_t digits = 0;
    std::size_t points = 0;
    for (std::size_t i = sign; i < text.size(); ++i) {
        if (text[i] == '.') {
            ++points;
        } else if (text[i] >= '0' && text[i] <= '9') {
            ++digits;
        } else {
            return {1, 0};
        }
    }
    double value = 0;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    if (digits == 0 || points > 1 ||
        std::from_chars(first, text.data() + text.size(), value).ec != std::errc()) {
        return {1, 0};
    }
    return {0, value};
}

// Letter case ignored, in Windows-1252 order otherwise.
int CompareFolded(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = FoldCp1252(static_cast<unsigned char>(a[i]));
        const unsigned char y = FoldCp1252(static_cast<unsigned char>(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename Compare>
void StableSortRows(RowMap& rows, bool descending, Compare compare) {
    // Ties keep their order in either direction, so a descending order is not the ascending one reversed.
    if (descending) {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return compare(b, a) < 0; });
    } else {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return compare(a, b) < 0; });
    }
}

}  // namespace

ListSort NextListSort(const ListSort& current, int clickedColumn) {
    if (current.column != clickedColumn) {
        return {clickedColumn, false};
    }
    if (!current.descending) {
        return {clickedColumn, true};
    }
    return {};
}

RowMap FilterPositions(const CFeedDocument& document, const ProductFilter& filter,
                       const ProductCodeLookup& hasCode) {
    RowMap rows;
    const std::size_t count = document.Count();
    if (filter.IsEmpty()) {
        rows.resize(count);
        std::iota(rows.begin(), rows.end(), 0u);
        return rows;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (FilterKeeps(filter, document.At(i), i, hasCode)) {
            rows.push_back(static_cast<std::uint32_t>(i));
        }
    }
    rows.shrink_to_fit();
    return rows;
}

RowMap NarrowRows(const CFeedDocument& document, const RowMap& rows, const ProductFilter& filter,
                  const ProductCodeLookup& hasCode) {
    RowMap kept;
    for (std::uint32_t row : rows) {
        if (row < document.Count() && FilterKeeps(filter, document.At(row), row, hasCode)) {
            kept.push_back(row);
        }
    }
    kept.shrink_to_fit();
    return kept;
}

void SortRows(const CFeedDocument& document, RowMap& rows, const ListSort& sort) {
    if (sort.IsFileOrder()) {
        return;
    }
    const auto& records = document.Records();
    switch (sort.column) {
        case kListNumber:
            StableSortRows(rows, sort.descending,
                           [](std::uint32_t a, std::uint32_t b) { return a == b ? 0 : (a < b ? -1 : 1); });
            return;
        case kListPrice: {
            // The keys are read once: a sort compares each row many times.
            std::vector<PriceKey> keys(document.Count());
            for (std::uint32_t row : rows) {
                keys[row] = PriceKeyOf(records[row].Field(kColPrice));
            }
            // Texts that are no number and empty prices stay behind the numbers in either direction.
            const auto middle = std::stable_partition(rows.begin(), rows.end(),
                                                      [&](std::uint32_t r) { return keys[r].rank == 0; });
            const auto emptyStart =
                std::stable_partition(middle, rows.end(), [&](std::uint32_t r) { return keys[r].rank == 1; });
            RowMap numbers(rows.begin(), middle);
            RowMap texts(middle, emptyStart);
            StableSortRows(numbers, sort.descending, [&](std::uint32_t a, std::uint32_t b) {
                return keys[a].value == keys[b].value ? 0 : (keys[a].value < keys[b].value ? -1 : 1);
            });
            StableSortRows(texts, sort.descending, [&](std::uint32_t a, std::uint32_t b) {
                return CompareFolded(records[a].Field(kColPrice), records[b].Field(kColPrice));
            });
            std::copy(numbers.begin(), numbers.end(), rows.begin());
            std::copy(texts.begin(), texts.end(), rows.begin() + static_cast<std::ptrdiff_t>(numbers.size()));
            return;
        }
        case kListName: {
            // Folded once per row: names often share long beginnings, and a sort compares each many times.
            std::vector<std::string> keys(document.Count());
            for (std::uint32_t row : rows) {
                const std::string_view name = records[row].Field(kColName);
                std::string& key = keys[row];
                key.resize(name.size());
                std::transform(name.begin(), name.end(), key.begin(), [](char c) {
                    return static_cast<char>(FoldCp1252(static_cast<unsigned char>(c)));
                });
            }
            StableSortRows(rows, sort.descending,
                           [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]); });
            return;
        }
        default: {
            // The status columns order by the text they show.
            const auto status = [column = sort.column](const COtherRecord& r) -> std::string_view {
                return column == kListDataCheck
                           ? r.DataStatusText()
                           : (column == kListUrlsCheck ? r.UrlStatusText() : r.DeleteStatusText());
            };
            StableSortRows(rows, sort.descending, [&](std::uint32_t a, std::uint32_t b) {
                return CompareFolded(status(records[a]), status(records[b]));
            });
            return;
        }
    }
}

RowMap BuildRowMap(const CFeedDocument& document, const ProductFilter& filter,
                   const ProductCodeLookup& hasCode, const ListSort& sort) {
    RowMap rows = FilterPositions(document, filter, hasCode);
    SortRows(document, rows, sort);
    return rows;
}

std::vector<bool> PositionsWithCode(const CFeedDocument& document, int code,
                                    const std::vector<std::string>& userCategories, bool htmlEscaped,
                                    const LocalDateTime& now) {
    std::vector<bool> positions(document.Count(), false);
    DiagnosticsOptions options;
    options.htmlEscaped = htmlEscaped;
    options.userCategories = userCategories;
    options.now = now;
    CheckRecords(document.Records(), std::move(options), [&](Diagnostic&& finding) {
        if (static_cast<int>(finding.code) == code && finding.row > 0 && finding.row <= positions.size()) {
            positions[finding.row - 1] = true;
        }
    });
    return positions;
}

}  // namespace yarvelin
