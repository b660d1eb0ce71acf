// Importing a shop's export: the one operation that the import command and the import window both call.
// It reads the CSV export row by row, puts rows of one product together (variants), maps each offer's row
// to a product record and hands the records on, counting what it read, made and skipped.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feed/feed_file_observer.h"
#include "feed/feed_line_format.h"
#include "import/column_map.h"
#include "import/merge_source.h"
#include "records/other_record.h"

namespace yarvelin {

class CFeedDocument;

struct ImportSettings {
    ColumnMap map;
    // Feed columns the user set by hand: their templates are checked against the export even when the
    // profile is lenient.
    std::vector<bool> strictColumns;
    char separator = 0;  // 0: detected from the header line
    std::string sheet;   // a spreadsheet's sheet by name; empty: its first
    std::string baseUrl;
    std::string currency;  // when given, every product's currency
    std::string date;      // the day sale prices are judged on, YYYY-MM-DD; empty: today
    // Called for every record after the map and before anything else looks at it (the record may be
    // changed); false leaves the product out. Empty: every record is kept.
    std::function<bool(COtherRecord&)> keepRecord;
    // Files merged by key into the products, in this order (each after the map, before keepRecord).
    std::vector<MergeFile> merges;
};

struct SkippedRow {
    long long line = 0;
    std::string reason;
};

struct ImportCounts {
    long long rowsRead = 0;  // data rows, without the header line
    long long products = 0;
    long long rowsSkipped = 0;
    std::vector<SkippedRow> skipped;  // every skipped row, in file order
    // Skipped rows counted by their short reason, in the order the reasons were first met.
    std::vector<std::pair<std::string, long long>> skippedByReason;
    std::size_t unmappable = 0;       // characters of a UTF-8 export that became '?'
    std::vector<MergeCounts> merges;  // one for each merge file, in settings' order
};

// The export's header line, for choosing a profile and offering its columns.
struct ExportHeader {
    std::vector<std::string> columns;
    char separator = ',';
    bool utf8 = false;
};
// Throws CImportError.
ExportHeader ReadExportHeader(const std::string& path, char separator = 0, const std::string& sheet = {});

// Reads the export and calls onProduct(record, line) for every product, in file order. Throws CImportError
// for an export that cannot be read to its end or a map that does not fit it.
ImportCounts ReadShopExport(const std::string& path, const ImportSettings& settings,
                            const std::function<void(COtherRecord&, long long)>& onProduct);

// Imports into a feed file written as the save page writes it; out is replaced only when the whole export
// was read and gave at least one product (an empty feed would replace the shop's offers with nothing).
// Throws CImportError before out is touched; false (after reporting to observer) when writing failed.
bool ImportToFeedFile(const std::string& path, const std::string& out, const ImportSettings& settings,
                      const FeedHeaderChoices& choices, bool basicFormat, CFeedFileObserver& observer,
                      ImportCounts& counts);

// Imports into the document as a new, unnamed feed. Throws CImportError, leaving the document as it was.
ImportCounts ImportIntoDocument(CFeedDocument& doc, const std::string& path, const ImportSettings& settings);

// What a row that makes no product is told.
inline constexpr const char* kNoOfferIdReason = "no offer id: the offer_id template gave nothing";
inline constexpr const char* kLeftOutReason = "left out by a rule";
inline constexpr const char* kNoOfferRowReason = "the product has no offer row";
inline constexpr const char* kCurrencyReason = "another currency";
inline constexpr const char* kSkippedParentReason = "its product is skipped";

// A date as shop exports write it (2024-05-31, 2024-05-31 23:59:59, 2024-05-31T00:00:00+02:00, or a Unix
// time) as days since 1970-01-01; nullopt when it is none of these.
std::optional<long long> ExportDay(std::string_view text);

}  // namespace yarvelin
