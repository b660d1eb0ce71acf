// Feed diagnostics: every product the service would refuse or treat differently, found before anything
// leaves the machine. The engine is fed one product at a time, so a file of any size can be streamed
// through it; only the offer ids are kept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/feed_document.h"
#include "checks/offer_id_index.h"
#include "records/local_date_time.h"
#include "records/other_record.h"

namespace yarvelin {

enum class DiagnosticSeverity { kError, kWarning, kInfo };

// Scripts rely on the names and severities of these codes; the order is the order of the reports.
enum class DiagnosticCode {
    kRequiredMissing,
    kDuplicateOfferId,
    kPriceInvalid,
    kUrlInvalid,
    kNameTooLong,
    kCurrencyUnknown,
    kExpDateInvalid,
    kColumnCount,
    kPageDisallowedByRobots,
    kImageUrlIsProductUrl,
    kImageUrlTooLong,
    kControlCharacter,
    kExpDatePast,
    kUpcCheckDigit,
    kShippingInvalid,
    kInstockInvalid,
    kHtmlInText,
    kCategoryUnknown,
    kDescriptionTooLong,
    kUpcAsNumber,
    kUpcRestricted,
    kDuplicateUpc,
    kHtmlEntity,
    kMisdecodedText,
    kNameInCapitals,
    kImageUrlNotAscii,
    kImageNotImage,
    kImageTypeRefused,
    kImageTooSmall,
    kImageTooLarge,
    kImageRedirectsToPage,
    kPagePriceMismatch,
    kPageRedirectsHome,
    kNameShownCut,
    kMarkedDeleted,
    kCountDrop,
};
inline constexpr std::size_t kDiagnosticCodeCount = static_cast<std::size_t>(DiagnosticCode::kCountDrop) + 1;

const char* DiagnosticCodeName(DiagnosticCode code);  // "required-missing", ...
// The group title a merchant reads ("Required value missing"); the code's name where none is written yet.
const char* DiagnosticCodeTitle(DiagnosticCode code);
DiagnosticSeverity SeverityOf(DiagnosticCode code);
const char* SeverityName(DiagnosticSeverity severity);  // "error", "warning", "info"
// All codes, errors first, then warnings, then notes; table order within a severity.
const std::array<DiagnosticCode, kDiagnosticCodeCount>& CodesInReportOrder();

struct Diagnostic {
    DiagnosticCode code = DiagnosticCode::kRequiredMissing;
    std::size_t row = 0;  // 1-based product row; 0 for a finding about the whole feed
    long long line = 0;   // 1-based line of the file; 0 when the product did not come from a file
    int column = -1;      // column index (0..19), -1 when no column applies
    std::string offerId;  // the product's offer id as it stands
    std::string message;  // Windows-1252, like the values it quotes

    DiagnosticSeverity Severity() const { return SeverityOf(code); }
};

struct DiagnosticsOptions {
    // The feed's html_escaped value is YES: tags in the texts are meant as they stand.
    bool htmlEscaped = false;
    // The user's own category list; the built-in list is always known.
    std::vector<std::string> userCategories;
    // Offers that expire before this moment are past.
    LocalDateTime now;
    // Fields of the file's column line; 0 when the products do not come from a file.
    std::size_t columnLineFields = 0;
};

// Counts over everything reported so far.
struct DiagnosticsTotals {
    std::size_t products = 0;
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t notes = 0;
    std::size_t productsWithErrors = 0;
    std::array<std::size_t, kDiagnosticCodeCount> perCode{};
};

class CFeedDiagnostics {
  public:
    using Sink = std::function<void(Diagnostic&&)>;

    CFeedDiagnostics(DiagnosticsOptions options, Sink sink);

    // Checks the next product. line: its 1-based line in the file (0 if none); fieldCount: the fields its
    // line split into (0 if not from a file).
    void CheckProduct(const COtherRecord& record, long long line = 0, std::size_t fieldCount = 0);
    // After this many findings of one code, further ones are only counted, which saves building their
    // messages when only the first few are shown.
    void SetReportLimitPerCode(std::size_t limit) { m_limitPerCode = limit; }
    // Reports a finding about the whole feed (count-drop) through the same sink and counts.
    void Report(Diagnostic&& finding);
    // The next product checked is the one in this 1-based row, for checking some products of a list
    // again without the others; the count of products follows it.
    void SetNextRow(std::size_t row) { m_totals.products = row - 1; }

    const DiagnosticsTotals& Totals() const { return m_totals; }

  private:
    // Counts a finding of the product under check and, unless it is over the limit, builds its message and
    // reports it.
    template <typename MakeMessage>
    void Emit(DiagnosticCode code, int column, MakeMessage&& makeMessage);
    bool IsKnownCategory(std::string_view category);
    bool IsKnownCurrency(std::string_view code);
    // Counts a finding of this code; true when it is to be built and reported.
    bool Count(DiagnosticCode code);
    // The listing rules: texts, identifiers and image addresses the service shows differently or refuses.
    void CheckListing(const COtherRecord& record);

    DiagnosticsOptions m_options;
    Sink m_sink;
    DiagnosticsTotals m_totals;
    COfferIdIndex m_offerIds;
    CUpcIndex m_upcs;
    std::unordered_set<std::string> m_knownCategories;  // trimmed, lower case
    std::vector<std::string> m_knownCurrencies;         // upper case, sorted
    std::string m_scratch;
    // Feeds repeat a category or a currency from product to product: the last one looked up and its answer.
    std::string m_lastCategory;
    bool m_lastCategoryKnown = false;
    std::string m_lastCurrency;
    bool m_lastCurrencyKnown = false;
    std::size_t m_limitPerCode = static_cast<std::size_t>(-1);
    // The product under check.
    const COtherRecord* m_record = nullptr;
    long long m_line = 0;
    bool m_productHasError = false;
    std::uint32_t m_offerIdNumber = CUpcIndex::kNoOfferId;  // its offer id's number in m_offerIds
    unsigned m_fieldsWithHighBytes = 0;                     // bit k: column k holds a byte above 0x7F
    std::array<std::string_view, kColumnCount> m_fields;    // its columns
    struct Kinds {
        bool control = false;
        bool high = false;
        bool blankOrDelete = false;
    };
    std::array<Kinds, kColumnCount> m_kinds;  // the kinds of byte each column holds
    bool m_upcValid = false;                  // its upc has a right check digit
};

// Checks every record of a list in order; at most limitPerCode findings of a code reach sink (the rest are
// counted). progress, when given, is told each product checked.
DiagnosticsTotals CheckRecords(const CFeedDocument::RecordList& records, DiagnosticsOptions options,
                               const CFeedDiagnostics::Sink& sink, std::size_t limitPerCode = SIZE_MAX,
                               const std::function<void()>& progress = {});

// The findings of the product at position, exactly as checking the whole list would report them for it.
// Only the products before it that share its offer id or its upc are checked first (their findings are not
// reported), so that its duplicate findings name the same rows; the rest of the list is not looked at.
void CheckOneRecord(const CFeedDocument::RecordList& records, std::size_t position,
                    DiagnosticsOptions options, const CFeedDiagnostics::Sink& sink);

// The single rules, for the editor and for tests.
// A plain decimal number >= 0: digits, optionally a point and at least one digit; maxFraction limits the
// fraction digits (-1: any number).
bool IsPlainDecimal(std::string_view text, int maxFraction);
// After the URL check's rule (a text without "scheme://" is read with "http://" in front), an absolute http
// or https URL with a host.
bool IsAbsoluteHttpUrl(std::string_view text);
// UPC-A, EAN-8, EAN-13 or GTIN-14 with a correct check digit.
bool HasValidGtinCheckDigit(std::string_view digits);
// Twelve digits "%Y%m%d%H%M" that form a real date and time.
std::optional<LocalDateTime> ParseExpiryDate(std::string_view text);

// count-drop: the feed holds less than half the products of the last upload to the same place.
std::optional<Diagnostic> CheckCountDrop(std::size_t products, std::optional<long long> lastUploaded);

}  // namespace yarvelin
