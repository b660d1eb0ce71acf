#include "checks/feed_diagnosis.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>

#include "app/feed_document.h"
#include "feed/feed_file.h"
#include "records/text_util.h"

namespace yarvelin {

FeedDiagnosis DiagnoseDocument(const CFeedDocument& doc, const std::vector<std::string>& userCategories,
                               bool htmlEscaped, const LocalDateTime& now, std::size_t limitPerCode,
                               const std::function<void()>& progress) {
    FeedDiagnosis result;
    DiagnosticsOptions options;
    options.htmlEscaped = htmlEscaped;
    options.userCategories = userCategories;
    options.now = now;
    result.totals = CheckRecords(
        doc.Records(), std::move(options),
        [&result](Diagnostic&& d) { result.findings.push_back(std::move(d)); }, limitPerCode, progress);
    return result;
}

namespace {

// Adds (sign 1) or takes away (sign -1) the findings of one product from the totals.
void CountProductFindings(DiagnosticsTotals& totals, std::vector<Diagnostic>::const_iterator first,
                          std::vector<Diagnostic>::const_iterator last, int sign) {
    bool error = false;
    for (auto it = first; it != last; ++it) {
        totals.perCode[static_cast<std::size_t>(it->code)] += static_cast<std::size_t>(sign);
        switch (it->Severity()) {
            case DiagnosticSeverity::kError:
                totals.errors += static_cast<std::size_t>(sign);
                error = true;
                break;
            case DiagnosticSeverity::kWarning:
                totals.warnings += static_cast<std::size_t>(sign);
                break;
            case DiagnosticSeverity::kInfo:
                totals.notes += static_cast<std::size_t>(sign);
                break;
        }
    }
    if (error) {
        totals.productsWithErrors += static_cast<std::size_t>(sign);
    }
}

}  // namespace

bool RediagnoseStoredProduct(FeedDiagnosis& diagnosis, const COtherRecord& previous, const CFeedDocument& doc,
                             std::size_t position, const std::vector<std::string>& userCategories,
                             bool htmlEscaped, const LocalDateTime& now) {
    if (position >= doc.Count() || diagnosis.totals.products != doc.Count()) {
        return false;
    }
    const COtherRecord& stored = doc.At(position);
    if (stored.Field(kColOfferId) != previous.Field(kColOfferId) ||
        stored.Field(kColUpc) != previous.Field(kColUpc)) {
        return false;
    }
    DiagnosticsOptions options;
    options.htmlEscaped = htmlEscaped;
    options.userCategories = userCategories;
    options.now = now;
    std::vector<Diagnostic> fresh;
    CheckOneRecord(doc.Records(), position, std::move(options),
                   [&fresh](Diagnostic&& d) { fresh.push_back(std::move(d)); });

    // The product's findings before, in product order among the others.
    std::vector<Diagnostic>& findings = diagnosis.findings;
    const std::size_t row = position + 1;
    const auto first =
        std::find_if(findings.begin(), findings.end(), [row](const Diagnostic& d) { return d.row >= row; });
    const auto last =
        std::find_if(first, findings.end(), [row](const Diagnostic& d) { return d.row != row; });
    CountProductFindings(diagnosis.totals, first, last, -1);
    CountProductFindings(diagnosis.totals, fresh.cbegin(), fresh.cend(), 1);
    const auto at = findings.erase(first, last);
    findings.insert(at, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    return true;
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
            options.htmlEscaped = HeaderValueMeansYes(start.htmlEscaped);
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
