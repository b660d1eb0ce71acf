#include "checks/diagnostics_report.h"

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

std::string ErrorsQuestionText(const DiagnosticsTotals& totals, bool beforeUpload) {
    return "The feed has " + Counted(totals.errors, "error", "errors") + " in " +
           Counted(totals.productsWithErrors, "product", "products") +
           " that Quorvin would refuse.\nDo you want to see them now? Press No to " +
           (beforeUpload ? "upload the feed file anyway." : "save the feed file anyway.");
}

std::string CountDropQuestionText(const Diagnostic& countDrop) {
    return countDrop.message + "\nDo you want to upload it anyway?";
}

}  // namespace yarvelin
