#include "checks/feed_diagnosis.h"

#include <cstdint>
#include <memory>

#include "app/feed_document.h"
#include "feed/feed_file.h"
#include "records/text_util.h"

namespace yarvelin {

FeedDiagnosis DiagnoseDocument(const CFeedDocument& doc, const std::vector<std::string>& userCategories,
                               bool htmlEscaped, const LocalDateTime& now) {
    FeedDiagnosis result;
    DiagnosticsOptions options;
    options.htmlEscaped = htmlEscaped;
    options.userCategories = userCategories;
    options.now = now;
    result.totals = CheckRecords(doc.Records(), std::move(options),
                                 [&result](Diagnostic&& d) { result.findings.push_back(std::move(d)); });
    return result;
}

std::optional<DiagnosticsTotals> StreamFileDiagnostics(const std::string& path,
                                                       const std::vector<std::string>& userCategories,
                                                       const LocalDateTime& now, std::size_t limitPerCode,
                                                       const CFeedDiagnostics::Sink& sink,
                                                       CFeedFileObserver& observer) {
    std::unique_ptr<CFeedDiagnostics> engine;
    const bool read = ReadFeedProducts(
        path, observer,
        [&](const FeedFileStart& start) {
            DiagnosticsOptions options;
            options.htmlEscaped =
                EqualsNoCase(start.htmlEscaped, "YES") || EqualsNoCase(start.htmlEscaped, "Y");
            options.userCategories = userCategories;
            options.now = now;
            options.columnLineFields = start.columnLineFields;
            engine = std::make_unique<CFeedDiagnostics>(std::move(options), sink);
            engine->SetReportLimitPerCode(limitPerCode);
        },
        [&](const COtherRecord& record, long long line, std::size_t fields) {
            engine->CheckProduct(record, line, fields);
        });
    if (!read || !engine) {
        return std::nullopt;
    }
    return engine->Totals();
}

FeedDiagnosis DiagnoseFile(const std::string& path, const std::vector<std::string>& userCategories,
                           const LocalDateTime& now, CFeedFileObserver& observer, std::size_t limitPerCode) {
    FeedDiagnosis result;
    const auto totals = StreamFileDiagnostics(
        path, userCategories, now, limitPerCode,
        [&result](Diagnostic&& d) { result.findings.push_back(std::move(d)); }, observer);
    result.readOk = totals.has_value();
    if (totals) {
        result.totals = *totals;
    }
    return result;
}

}  // namespace yarvelin
