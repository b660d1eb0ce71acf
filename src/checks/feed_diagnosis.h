// A whole diagnosis: every finding of the open feed or of a feed file, with the totals, as the
// diagnostics window and the questions before a save or an upload use them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checks/feed_diagnostics.h"

namespace yarvelin {

class CFeedDocument;
class CFeedFileObserver;

struct FeedDiagnosis {
    std::vector<Diagnostic> findings;  // in product order
    DiagnosticsTotals totals;
    bool readOk = true;  // false: the file could not be read (already reported)
};

// The records of the open feed. htmlEscaped: the html_escaped value the feed is written (or read) with.
// With a limitPerCode, only the first findings of each code are kept (the totals stay exact); progress,
// when given, is told each product checked.
FeedDiagnosis DiagnoseDocument(const CFeedDocument& doc, const std::vector<std::string>& userCategories,
                               bool htmlEscaped, const LocalDateTime& now,
                               std::size_t limitPerCode = SIZE_MAX,
                               const std::function<void()>& progress = {});

// The diagnosis of doc after the product at position was stored, made from diagnosis (the one of the feed
// before the store, complete, as DiagnoseDocument gives it) by checking that product alone again. That holds
// while its offer id and upc are as they were (previous is the product before the store): nothing then
// ties it to other products differently, and their findings stay as they are. False (diagnosis untouched)
// when the whole feed has to be diagnosed again.
bool RediagnoseStoredProduct(FeedDiagnosis& diagnosis, const COtherRecord& previous, const CFeedDocument& doc,
                             std::size_t position, const std::vector<std::string>& userCategories,
                             bool htmlEscaped, const LocalDateTime& now);

// A feed file, streamed: each finding goes to sink as it is made, at most limitPerCode messages of a code
// are built (the rest are only counted). Its own html_escaped header counts, and lines with too many
// fields are found. Empty when the file could not be read (already reported through observer).
std::optional<DiagnosticsTotals> StreamFileDiagnostics(const std::string& path,
                                                       const std::vector<std::string>& userCategories,
                                                       const LocalDateTime& now, std::size_t limitPerCode,
                                                       const CFeedDiagnostics::Sink& sink,
                                                       CFeedFileObserver& observer);

// How many findings of each code the diagnostics window lists for a feed file. The others are only counted
// (the totals stay exact): a million products give nearly two million findings, which would take hundreds
// of megabytes and seconds to build for a window that nobody scrolls through.
inline constexpr std::size_t kDiagnosticsWindowPerCode = 200;

// The same, with the first limitPerCode findings of each code kept in product order.
FeedDiagnosis DiagnoseFile(const std::string& path, const std::vector<std::string>& userCategories,
                           const LocalDateTime& now, CFeedFileObserver& observer,
                           std::size_t limitPerCode = SIZE_MAX);

}  // namespace yarvelin
