#include "checks/diagnostics_report.h"

#include <algorithm>

#include "feed/feed_file.h"
#include "feed/feed_file_writer.h"
#include "records/cp1252_text.h"
#include "records/csv_field.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {
std::string Counted(std::size_t n, const char* one, const char* many) {
    return yarvelin::Format("%zu %s", n, n == 1 ? one : many);
}
}  // namespace

void CDiagnosticsReport::Add(Diagnostic&& finding) {
    auto& kept = m_kept[static_cast<std::size_t>(finding.code)];
    if (kept.size() < m_maxPerCode) {
        kept.push_back(std::move(finding));
    }
}

std::string DiagnosticPlace(const Diagnostic& finding) {
    std::string place;
    if (finding.row > 0) {
        place += yarvelin::Format("row %zu", finding.row);
        if (finding.line > 0) {
            place += yarvelin::Format(" (line %lld)", finding.line);
        }
        place += ", offer id ";
        place += finding.offerId.empty() ? std::string("(none)") : finding.offerId;
    } else {
        place += "feed";
    }
    if (finding.column >= 0 && finding.column < kColumnCount) {
        place += ", column ";
        place += kColumnNames[finding.column];
    }
    return place;
}

std::string CDiagnosticsReport::Format(const DiagnosticsTotals& totals) const {
    std::string out;
    for (DiagnosticCode code : CodesInReportOrder()) {
        const std::size_t count = totals.perCode[static_cast<std::size_t>(code)];
        if (count == 0) {
            continue;
        }
        out += yarvelin::Format("%s (%s): %zu\n", DiagnosticCodeName(code), SeverityName(SeverityOf(code)),
                                count);
        const auto& kept = m_kept[static_cast<std::size_t>(code)];
        for (const Diagnostic& d : kept) {
            out += "  " + DiagnosticPlace(d) + ": " + d.message + "\n";
        }
        if (count > kept.size()) {
            out += yarvelin::Format("  ... and %zu more\n", count - kept.size());
        }
        out += "\n";
    }
    out += DiagnosticsSummaryLine(totals) + "\n";
    return out;
}

std::string DiagnosticsSummaryLine(const DiagnosticsTotals& totals) {
    // Always in this form, "1 errors" included: scripts read it.
    return yarvelin::Format("%zu errors, %zu warnings, %zu notes in %zu products", totals.errors,
                            totals.warnings, totals.notes, totals.products);
}

std::string DiagnosticsSummaryText(const DiagnosticsTotals& totals) {
    return Counted(totals.errors, "error", "errors") + ", " +
           Counted(totals.warnings, "warning", "warnings") + ", " + Counted(totals.notes, "note", "notes") +
           " in " + Counted(totals.products, "product", "products");
}

std::string ErrorsQuestionText(const DiagnosticsTotals& totals, bool beforeUpload) {
    return "The feed has " + Counted(totals.errors, "error", "errors") + " in " +
           Counted(totals.productsWithErrors, "product", "products") +
           " that Quorvin would refuse.\nDo you want to see them now? Press No to " +
           (beforeUpload ? "upload the feed file anyway." : "save the feed file anyway.");
}

std::string CountDropQuestionText(const Diagnostic& countDrop) {
    return countDrop.message + "\nDo you want to upload it anyway?";
}

std::array<std::optional<std::string>, kFindingKeys.size()> FindingValues(const Diagnostic& finding) {
    const auto number = [](auto n) -> std::optional<std::string> {
        return n > 0 ? std::optional<std::string>(std::to_string(n)) : std::nullopt;
    };
    const bool hasColumn = finding.column >= 0 && finding.column < kColumnCount;
    return {DiagnosticCodeName(finding.code),
            SeverityName(finding.Severity()),
            number(finding.row),
            number(finding.line),
            Cp1252ToUtf8(finding.offerId),
            hasColumn ? std::optional<std::string>(kColumnNames[finding.column]) : std::nullopt,
            Cp1252ToUtf8(finding.message)};
}

std::string FindingsCsv(const std::vector<Diagnostic>& findings) {
    std::string out;
    for (std::size_t k = 0; k < kFindingKeys.size(); ++k) {
        out += k > 0 ? "," : "";
        out += kFindingKeys[k];
    }
    out += "\r\n";
    for (const Diagnostic& finding : findings) {
        const auto values = FindingValues(finding);
        for (std::size_t k = 0; k < values.size(); ++k) {
            out += k > 0 ? "," : "";
            AppendCsvField(out, values[k].value_or(std::string()));
        }
        out += "\r\n";
    }
    return out;
}

bool SaveFindingsCsv(const std::string& path, const std::vector<Diagnostic>& findings,
                     CFeedFileObserver& observer) {
    CFeedFileWriter writer(observer);
    if (!writer.Open(path)) {
        return false;
    }
    writer.Buffer() = FindingsCsv(findings);
    return writer.Commit();
}

bool FillFindingLines(std::vector<Diagnostic>& findings, const std::string& feedPath,
                      CFeedFileObserver& observer) {
    // Only the lines of products with a finding are kept, so a large file costs no more than its findings.
    std::vector<std::size_t> rows;
    for (const Diagnostic& finding : findings) {
        if (finding.row > 0 && finding.line == 0) {
            rows.push_back(finding.row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<long long> lines(rows.size(), 0);
    std::size_t row = 0;
    std::size_t next = 0;
    const bool read = ReadFeedProducts(
        feedPath, observer, [](const FeedFileStart&) {},
        [&](const COtherRecord&, long long line, std::size_t) {
            ++row;
            if (next < rows.size() && rows[next] == row) {
                lines[next++] = line;
            }
        });
    if (!read) {
        return false;
    }
    for (Diagnostic& finding : findings) {
        if (finding.row > 0 && finding.line == 0) {
            const auto at = std::lower_bound(rows.begin(), rows.end(), finding.row);
            if (at != rows.end() && *at == finding.row) {
                finding.line = lines[static_cast<std::size_t>(at - rows.begin())];
            }
        }
    }
    return true;
}

std::string FindingsFileName(const std::string& feedPath) {
    const std::size_t nameStart = feedPath.find_last_of('/') + 1;
    if (nameStart == feedPath.size()) {
        return "findings.csv";
    }
    // A dot that starts the name (".feed") is no extension.
    const std::size_t dot = feedPath.rfind('.');
    const std::size_t end = dot != std::string::npos && dot > nameStart ? dot : feedPath.size();
    return feedPath.substr(0, end) + "-findings.csv";
}

}  // namespace yarvelin
