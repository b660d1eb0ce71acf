// The text report of the diagnostics: one block per code, errors first, each with its count and its first
// findings, then a summary line. Keeps only what it prints, so a stream of any length fits.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "checks/feed_diagnostics.h"

namespace yarvelin {

class CDiagnosticsReport {
  public:
    // maxPerCode: how many findings of each code are listed; the rest are only counted.
    explicit CDiagnosticsReport(std::size_t maxPerCode) : m_maxPerCode(maxPerCode) {}

    void Add(Diagnostic&& finding);
    // The blocks and the summary line, with a line break after each line. Values stay Windows-1252.
    std::string Format(const DiagnosticsTotals& totals) const;

  private:
    std::size_t m_maxPerCode;
    std::array<std::vector<Diagnostic>, kDiagnosticCodeCount> m_kept;
};

// "N errors, N warnings, N notes in N products"
std::string DiagnosticsSummaryLine(const DiagnosticsTotals& totals);
// Where a finding is: "row 5 (line 6), offer id SKU1, column price", as far as each applies.
std::string DiagnosticPlace(const Diagnostic& finding);

// The questions before a save and an upload, and the count-drop question (Windows-1252 texts).
std::string ErrorsQuestionText(const DiagnosticsTotals& totals, bool beforeUpload);
std::string CountDropQuestionText(const Diagnostic& countDrop);

}  // namespace yarvelin
