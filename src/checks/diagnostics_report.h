// The text report of the diagnostics: one block per code, errors first, each with its count and its first
// findings, then a summary line. Keeps only what it prints, so a stream of any length fits.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "checks/feed_diagnostics.h"

namespace yarvelin {

class CFeedFileObserver;

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
// The same for people to read: "1 error, 2 warnings, 0 notes in 1 product".
std::string DiagnosticsSummaryText(const DiagnosticsTotals& totals);
// Where a finding is: "row 5 (line 6), offer id SKU1, column price", as far as each applies.
std::string DiagnosticPlace(const Diagnostic& finding);

// The questions before a save and an upload, and the count-drop question (Windows-1252 texts).
std::string ErrorsQuestionText(const DiagnosticsTotals& totals, bool beforeUpload);
std::string CountDropQuestionText(const Diagnostic& countDrop);

// A finding as scripts read it: the keys of validate --json, in its order, which are also the columns of the
// saved findings.
inline constexpr std::array<const char*, 7> kFindingKeys = {"code",     "severity", "row",    "line",
                                                            "offer_id", "column",   "message"};
// The value under each key: UTF-8 text, numbers in digits, nothing where validate --json gives null (no
// row, no line, no column).
std::array<std::optional<std::string>, kFindingKeys.size()> FindingValues(const Diagnostic& finding);

// The saved findings: RFC 4180 CSV in UTF-8, a header line of the keys, then one line per finding, each
// ending in CR LF; an empty value where validate --json gives null.
std::string FindingsCsv(const std::vector<Diagnostic>& findings);
// Writes them to path through the safe replace, so that a failed write leaves an earlier file as it was;
// a failure is reported to observer and gives false.
bool SaveFindingsCsv(const std::string& path, const std::vector<Diagnostic>& findings,
                     CFeedFileObserver& observer);
// Gives the findings of a feed's products (found without their file) the lines of feedPath that hold those
// products, as validate --json gives them; valid only while the feed is as that file has it. false (and
// the findings as they were) when the file could not be read, reported to observer.
bool FillFindingLines(std::vector<Diagnostic>& findings, const std::string& feedPath,
                      CFeedFileObserver& observer);
// The name proposed for the saved findings of the feed at feedPath: beside it, its name without the
// extension followed by "-findings.csv"; "findings.csv" for a feed without a file.
std::string FindingsFileName(const std::string& feedPath);

}  // namespace yarvelin
