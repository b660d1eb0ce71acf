#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/feed_document.h"
#include "checks/diagnostics_report.h"
#include "checks/feed_diagnosis.h"
#include "checks/feed_diagnostics.h"
#include "feed/feed_file.h"
#include "feed_test_support.h"
#include "records/builtin_lists.h"
#include "records/cp1252_text.h"
#include "records/local_date_time.h"
#include "records/text_util.h"

namespace yarvelin {
namespace {

using Code = DiagnosticCode;

const LocalDateTime kNow{2026, 12, 7, 12, 30, 0};

// A UPC-A of a trade item (prefix 03) of its own for each offer id, so clean products share none.
std::string UpcFor(const std::string& offerId) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : COfferIdIndex::Key(offerId)) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    const std::string body = Format("03%09llu", static_cast<unsigned long long>(hash % 1000000000ull));
    for (char c = '0'; c <= '9'; ++c) {
        if (HasValidGtinCheckDigit(body + c)) {
            return body + c;
        }
    }
    return {};
}

COtherRecord CleanRecord(const std::string& offerId = "SKU1") {
    COtherRecord r;
    r.SetFields({"https://shop.example.com/p/1.html", "Desk Lamp", "A lamp for the desk.", "12.50",
                 "https://img.example.com/1.jpg", "Home & Garden > Home Furnishings > Lighting", offerId});
    r.SetField(kColInstock, "Y");
    r.SetField(kColShipping, "4.95");
    r.SetField(kColUpc, UpcFor(offerId));
    r.SetField(kColExpDate, "202712311200");
    r.SetField(kColProductType, "OTHER");
    r.SetField(kColCurrency, "USD");
    return r;
}

struct CheckRun {
    std::vector<Diagnostic> findings;
    DiagnosticsTotals totals;
    std::vector<Code> Codes() const {
        std::vector<Code> codes;
        for (const auto& d : findings) {
            codes.push_back(d.code);
        }
        return codes;
    }
};

CheckRun Check(const std::vector<COtherRecord>& records, DiagnosticsOptions options = {}) {
    if (options.now == LocalDateTime{}) {
        options.now = kNow;
    }
    CheckRun run;
    CFeedDiagnostics engine(options, [&run](Diagnostic&& d) { run.findings.push_back(std::move(d)); });
    for (const auto& r : records) {
        engine.CheckProduct(r);
    }
    run.totals = engine.Totals();
    return run;
}

struct ValueCase {
    const char* label;
    int column;
    std::string value;
    std::vector<Code> expected;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.label;
}

class DiagnosticValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(DiagnosticValueTest, ReportsExactlyTheExpectedCodes) {
    const ValueCase& c = GetParam();
    COtherRecord r = CleanRecord();
    r.SetField(c.column, c.value);
    const CheckRun run = Check({r});
    EXPECT_EQ(run.Codes(), c.expected);
    for (const auto& d : run.findings) {
        EXPECT_EQ(d.row, 1u);
        EXPECT_FALSE(d.message.empty());
        if (d.code != Code::kMarkedDeleted) {
            EXPECT_EQ(d.column, c.column) << DiagnosticCodeName(d.code);
        }
    }
}

const std::string k255(255, 'n');
const std::string k256(256, 'n');

INSTANTIATE_TEST_SUITE_P(
    PerCode, DiagnosticValueTest,
    ::testing::Values(
        // required-missing: empty after trimming, one finding per column
        ValueCase{"product_url empty", 0, "", {Code::kRequiredMissing}},
        ValueCase{"name blanks only", 1, " \t ", {Code::kRequiredMissing, Code::kControlCharacter}},
        ValueCase{"description empty", 2, "", {Code::kRequiredMissing}},
        ValueCase{"price empty", 3, "", {Code::kRequiredMissing}},
        ValueCase{"image_url empty", 4, "", {Code::kRequiredMissing}},
        ValueCase{"category empty", 5, "  ", {Code::kRequiredMissing}},
        ValueCase{"offer_id empty", 6, "", {Code::kRequiredMissing}},
        // price-invalid
        ValueCase{"price 0", 3, "0", {}}, ValueCase{"price 0.5", 3, "0.5", {}},
        ValueCase{"price 12.345", 3, "12.345", {Code::kPriceInvalid}},
        ValueCase{"price 1,00", 3, "1,00", {Code::kPriceInvalid}},
        ValueCase{"price 12,50", 3, "12,50", {Code::kPriceInvalid}},
        ValueCase{"price $12", 3, "$12", {Code::kPriceInvalid}},
        ValueCase{"price 1e3", 3, "1e3", {Code::kPriceInvalid}},
        ValueCase{"price -4.00", 3, "-4.00", {Code::kPriceInvalid}},
        ValueCase{"price 12.", 3, "12.", {Code::kPriceInvalid}},
        ValueCase{"price .5", 3, ".5", {Code::kPriceInvalid}},
        // url-invalid, after the "http://" rule
        ValueCase{"url without scheme", 0, "www.shop.example.com/p/1", {}},
        ValueCase{"url http upper case", 0, "HTTP://shop.example.com", {}},
        ValueCase{"url with port and user", 0, "https://me@shop.example.com:8080/x?a=1#b", {}},
        ValueCase{"url ftp", 0, "ftp://shop.example.com/p/1", {Code::kUrlInvalid}},
        ValueCase{"url no host", 4, "http:///img.jpg", {Code::kUrlInvalid}},
        ValueCase{"url blank inside", 4, "http://shop.example.com/my image.jpg", {Code::kUrlInvalid}},
        ValueCase{"url bad port", 0, "http://shop.example.com:99999/", {Code::kUrlInvalid}},
        ValueCase{"url path only", 0, "/p/1.html", {Code::kUrlInvalid}},
        // name-too-long
        ValueCase{"name 255", 1, k255, {Code::kNameShownCut}},
        ValueCase{"name 256", 1, k256, {Code::kNameTooLong, Code::kNameShownCut}},
        // currency-unknown
        ValueCase{"currency empty", 19, "", {}}, ValueCase{"currency lower case", 19, "eur", {}},
        ValueCase{"currency unknown", 19, "XYZ", {Code::kCurrencyUnknown}},
        // exp-date-invalid and exp-date-past
        ValueCase{"exp leap day", 16, "202802291200", {}},
        ValueCase{"exp 29 Feb 2023", 16, "202302291200", {Code::kExpDateInvalid}},
        ValueCase{"exp 24 o'clock", 16, "202712312400", {Code::kExpDateInvalid}},
        ValueCase{"exp eleven digits", 16, "20271231120", {Code::kExpDateInvalid}},
        ValueCase{"exp month 13", 16, "202713011200", {Code::kExpDateInvalid}},
        ValueCase{"exp past leap day", 16, "202402291200", {Code::kExpDatePast}},
        ValueCase{"exp this minute", 16, "202612071230", {}},
        ValueCase{"exp a minute ago", 16, "202612071229", {Code::kExpDatePast}},
        // control-character
        ValueCase{"TAB in description", 2, "a\tb", {Code::kControlCharacter}},
        ValueCase{"LF in name", 1, "a\nb", {Code::kControlCharacter}},
        ValueCase{"CR in brand", 9, "a\rb", {Code::kControlCharacter}},
        ValueCase{"bell in color", 11, "a\x07", {Code::kControlCharacter}},
        // upc-check-digit: a right and a wrong check digit for each length
        ValueCase{"UPC-A right", 10, "036000291452", {}},
        ValueCase{"UPC-A wrong", 10, "036000291453", {Code::kUpcCheckDigit}},
        ValueCase{"EAN-8 right", 10, "96385074", {}},
        ValueCase{"EAN-8 wrong", 10, "96385075", {Code::kUpcCheckDigit}},
        ValueCase{"EAN-13 right", 10, "4006381333931", {}},
        ValueCase{"EAN-13 wrong", 10, "4006381333932", {Code::kUpcCheckDigit}},
        ValueCase{"GTIN-14 right", 10, "10012345678902", {}},
        ValueCase{"GTIN-14 wrong", 10, "10012345678903", {Code::kUpcCheckDigit}},
        ValueCase{"UPC eleven digits", 10, "03600029145", {Code::kUpcCheckDigit}},
        ValueCase{"UPC with a letter", 10, "03600029145X", {Code::kUpcCheckDigit}},
        // shipping-invalid
        ValueCase{"shipping 0", 8, "0", {}}, ValueCase{"shipping three decimals", 8, "4.955", {}},
        ValueCase{"shipping comma", 8, "4,95", {Code::kShippingInvalid}},
        ValueCase{"shipping negative", 8, "-1", {Code::kShippingInvalid}},
        // instock-invalid
        ValueCase{"instock yes", 7, "yes", {}}, ValueCase{"instock n", 7, "n", {}},
        ValueCase{"instock empty", 7, "", {}},
        ValueCase{"instock maybe", 7, "maybe", {Code::kInstockInvalid}},
        ValueCase{"instock 1", 7, "1", {Code::kInstockInvalid}},
        // html-in-text
        ValueCase{"tag in name", 1, "Lamp <b>new</b>", {Code::kHtmlInText}},
        ValueCase{"comment in description", 2, "x <!-- y", {Code::kHtmlInText}},
        ValueCase{"tag with attributes is not listed", 2, "<b class=x>", {}},
        ValueCase{"tag in brand is not looked at", 9, "<B>", {}},
        // category-unknown: the built-in list, trimmed and in any case
        ValueCase{"category with trailing blank missing", 5, "Flowers > Roses", {}},
        ValueCase{"category other case", 5, "flowers > ROSES ", {}},
        ValueCase{"category unknown", 5, "Flowers > Tulips", {Code::kCategoryUnknown}},
        // marked-deleted
        ValueCase{"delete Y", 18, "Y", {Code::kMarkedDeleted}},
        ValueCase{"delete any text", 18, "x", {Code::kMarkedDeleted}}));

const std::string k80(80, 'n');
const std::string k81(81, 'n');
const std::string kDescription5000(5000, 'd');
const std::string kDescription5001(5001, 'd');
const std::string kImageUrlPrefix = "https://img.example.com/";
const std::string kImageUrl2000 = kImageUrlPrefix + std::string(2000 - kImageUrlPrefix.size(), 'i');
const std::string kImageUrl2001 = kImageUrlPrefix + std::string(2001 - kImageUrlPrefix.size(), 'i');
// 1,995 ASCII characters and one e acute, sent as %C3%A9: 2,001 characters.
const std::string kImageUrlEncoded2001 =
    kImageUrlPrefix + std::string(1995 - kImageUrlPrefix.size(), 'i') + "\xE9";

INSTANTIATE_TEST_SUITE_P(
    Listing, DiagnosticValueTest,
    ::testing::Values(
        // name-shown-cut and description-too-long at their limits
        ValueCase{"name 80", 1, k80, {}}, ValueCase{"name 81", 1, k81, {Code::kNameShownCut}},
        ValueCase{"description 5000 bytes", 2, kDescription5000, {}},
        ValueCase{"description 5001 bytes", 2, kDescription5001, {Code::kDescriptionTooLong}},
        // name-in-capitals: more than ten letters, none lower case; digits and signs are not letters
        ValueCase{"ten capitals", 1, "ABCDEFGHIJ 40", {}},
        ValueCase{"eleven capitals", 1, "ABCDEFGHIJK", {Code::kNameInCapitals}},
        ValueCase{"capitals with digits", 1, "USB-C CABLE 2M", {}},
        ValueCase{"capitals with an accented one",
                  1,
                  "\xC9"
                  "CLAIRAGE LED",
                  {Code::kNameInCapitals}},
        ValueCase{"one small letter", 1, "DESK LAMP Xl 40W", {}},
        ValueCase{"sharp s is lower case",
                  1,
                  "STRA\xDF"
                  "ENLAMPE XL",
                  {}},
        // html-entity in a feed not marked as escaped
        ValueCase{"amp in name", 1, "Tom &amp; Jerry", {Code::kHtmlEntity}},
        ValueCase{"decimal reference", 2, "5&#39; cable", {Code::kHtmlEntity}},
        ValueCase{"hex reference", 2, "it&#x2019;s", {Code::kHtmlEntity}},
        ValueCase{"accented letter", 2, "caf&eacute;", {Code::kHtmlEntity}},
        ValueCase{"unknown name", 2, "R&D; team", {}}, ValueCase{"no semicolon", 2, "Tom &amp Jerry", {}},
        ValueCase{"empty number", 2, "&#; &#x;", {}}, ValueCase{"ampersand alone", 2, "Home & Garden", {}},
        ValueCase{"entity in brand is not looked at", 9, "A&amp;B", {}},
        // mis-decoded-text: UTF-8 read as Windows-1252
        ValueCase{"e acute twice decoded", 1, "Caf\xC3\xA9", {Code::kMisdecodedText}},
        ValueCase{"right quote twice decoded", 2, "it\xE2\x80\x99s", {Code::kMisdecodedText}},
        ValueCase{"no-break space twice decoded",
                  2,
                  "10\xC2\xA0"
                  "cm",
                  {Code::kMisdecodedText}},
        ValueCase{"euro twice decoded", 2, "10 \xE2\x82\xAC", {Code::kMisdecodedText}},
        ValueCase{"trade mark twice decoded", 1, "Lamp\xE2\x84\xA2", {Code::kMisdecodedText}},
        ValueCase{"real e acute", 1, "Caf\xE9", {}}, ValueCase{"A circumflex and euro", 2, "\xC2\x80", {}},
        ValueCase{"A tilde at the end", 2, "x\xC3", {}},
        ValueCase{"a circumflex, euro, blank", 2, "\xE2\x80 x", {}},
        // upc-written-as-number: exponent notation, lost leading zeros
        ValueCase{"exponent", 10, "8.9E+12", {Code::kUpcCheckDigit, Code::kUpcAsNumber}},
        ValueCase{"exponent comma lower case", 10, "8,90123e11", {Code::kUpcCheckDigit, Code::kUpcAsNumber}},
        ValueCase{"exponent without mantissa", 10, "E12", {Code::kUpcCheckDigit}},
        ValueCase{"UPC-A lost one zero", 10, "36000291452", {Code::kUpcCheckDigit, Code::kUpcAsNumber}},
        ValueCase{"UPC-A lost two zeros", 10, "1234567895", {Code::kUpcCheckDigit, Code::kUpcAsNumber}},
        ValueCase{"EAN-8 lost one zero", 10, "1234565", {Code::kUpcCheckDigit, Code::kUpcAsNumber}},
        ValueCase{"EAN-8 lost two zeros", 10, "123457", {Code::kUpcCheckDigit, Code::kUpcAsNumber}},
        ValueCase{"eleven digits, wrong when padded", 10, "36000291453", {Code::kUpcCheckDigit}},
        ValueCase{"five digits", 10, "12345", {Code::kUpcCheckDigit}},
        // upc-restricted-prefix: store-internal, refund and coupon numbers with right check digits
        ValueCase{"UPC-A variable weight", 10, "212345678909", {Code::kUpcRestricted}},
        ValueCase{"UPC-A in-store", 10, "412345678903", {Code::kUpcRestricted}},
        ValueCase{"EAN-13 04", 10, "0401234567893", {Code::kUpcRestricted}},
        ValueCase{"EAN-13 20", 10, "2012345678903", {Code::kUpcRestricted}},
        ValueCase{"EAN-13 29", 10, "2912345678906", {Code::kUpcRestricted}},
        ValueCase{"EAN-13 980 refund", 10, "9801234567892", {Code::kUpcRestricted}},
        ValueCase{"EAN-13 981 coupon", 10, "9811234567891", {Code::kUpcRestricted}},
        ValueCase{"EAN-13 984 coupon", 10, "9841234567898", {Code::kUpcRestricted}},
        ValueCase{"EAN-13 985 is a trade item", 10, "9851234567897", {}},
        ValueCase{"EAN-13 99 coupon", 10, "9912345678909", {Code::kUpcRestricted}},
        ValueCase{"EAN-8 0", 10, "02123455", {Code::kUpcRestricted}},
        ValueCase{"EAN-8 2", 10, "21234569", {Code::kUpcRestricted}},
        ValueCase{"EAN-8 1", 10, "12345670", {}},
        ValueCase{"GTIN-14 of a store number", 10, "12012345678900", {Code::kUpcRestricted}},
        ValueCase{"UPC-A 5 is no longer a coupon", 10, "501234030288", {}},
        // image addresses
        ValueCase{"image is the product page",
                  4,
                  "HTTPS://shop.example.com/p/1.html",
                  {Code::kImageUrlIsProductUrl}},
        ValueCase{"image 2000 characters", 4, kImageUrl2000, {}},
        ValueCase{"image 2001 characters", 4, kImageUrl2001, {Code::kImageUrlTooLong}},
        ValueCase{"image 2001 characters encoded",
                  4,
                  kImageUrlEncoded2001,
                  {Code::kImageUrlTooLong, Code::kImageUrlNotAscii}},
        ValueCase{"image not ASCII", 4, "https://img.example.com/caf\xE9.jpg", {Code::kImageUrlNotAscii}},
        ValueCase{"image percent-encoded", 4, "https://img.example.com/caf%C3%A9.jpg", {}}));

// Texts are looked at eight bytes at a time: the bytes that matter at every place of a longer text, and the
// bytes beside them that must not count (DEL and 0x9F are no control characters).
INSTANTIATE_TEST_SUITE_P(
    LongTexts, DiagnosticValueTest,
    ::testing::Values(
        ValueCase{"bell at the first byte",
                  2,
                  "\x07"
                  "A lamp for the desk.",
                  {Code::kControlCharacter}},
        ValueCase{"0x1F at the eighth byte", 2, "A lamp \x1F for the desk.", {Code::kControlCharacter}},
        ValueCase{"LF at the ninth byte", 9, "Borealis\nLighting", {Code::kControlCharacter}},
        ValueCase{"DEL in a long text", 2, "A lamp for\x7F the desk.", {}},
        ValueCase{"0x9F in a long text", 2, "A lamp for the desk \x9F.", {}},
        ValueCase{
            "twice decoded after eight bytes", 1, "Desk lamp Caf\xC3\xA9 style", {Code::kMisdecodedText}},
        ValueCase{"blank after eight bytes", 0, "https:// shop.example.com/p/1.html", {Code::kUrlInvalid}},
        ValueCase{"DEL after eight bytes", 0, "https://shop.example.com/p\x7F/1.html", {Code::kUrlInvalid}},
        ValueCase{"0x9F after eight bytes", 0, "https://shop.example.com/p\x9F/1.html", {}},
        ValueCase{"image not ASCII after eight bytes",
                  4,
                  "https://img.example.com/lamps/caf\xE9-desk.jpg",
                  {Code::kImageUrlNotAscii}},
        // ASCII only, yet over the limit once its blanks are sent as %20.
        ValueCase{"image blanks over the limit",
                  4,
                  "https://img.example.com/" + std::string(659, ' ') + "a.jpg",
                  {Code::kUrlInvalid, Code::kImageUrlTooLong}}));

// Many offer ids under one UPC, then each again: each new one is reported once, naming the first row.
TEST(FeedDiagnostics, DuplicateUpcUnderManyOfferIds) {
    std::vector<COtherRecord> records;
    for (int round = 0; round < 2; ++round) {
        for (int n = 0; n < 100; ++n) {
            records.push_back(CleanRecord(round == 0 ? Format("A%d", n) : Format(" a%d", n)));
            records.back().SetField(kColUpc, "96385074");
        }
    }
    std::vector<std::size_t> rows;
    for (const auto& d : Check(records).findings) {
        if (d.code == Code::kDuplicateUpc) {
            EXPECT_NE(d.message.find("row 1,"), std::string::npos) << d.message;
            rows.push_back(d.row);
        }
    }
    std::vector<std::size_t> expected(99);
    std::iota(expected.begin(), expected.end(), 2);
    EXPECT_EQ(rows, expected);
}

TEST(FeedDiagnostics, EscapedFeedMayHoldEntities) {
    COtherRecord r = CleanRecord();
    r.SetField(kColDescription, "Tom &amp; Jerry");
    DiagnosticsOptions options;
    options.htmlEscaped = true;
    EXPECT_TRUE(Check({r}, options).findings.empty());
}

struct UpcCase {
    const char* label;
    std::vector<std::pair<std::string, std::string>> products;  // offer id, upc
    std::vector<std::pair<std::size_t, std::size_t>> expected;  // row, earlier row named
};

void PrintTo(const UpcCase& c, std::ostream* os) {
    *os << c.label;
}

class DuplicateUpcTest : public ::testing::TestWithParam<UpcCase> {};

TEST_P(DuplicateUpcTest, NamesTheFirstRowWithAnotherOfferId) {
    const UpcCase& c = GetParam();
    std::vector<COtherRecord> records;
    for (const auto& [id, upc] : c.products) {
        records.push_back(CleanRecord(id));
        records.back().SetField(kColUpc, upc);
    }
    std::vector<std::pair<std::size_t, std::size_t>> found;
    for (const auto& d : Check(records).findings) {
        if (d.code == Code::kDuplicateUpc) {
            const auto pos = d.message.find("row ");
            ASSERT_NE(pos, std::string::npos);
            found.emplace_back(d.row, std::stoul(d.message.substr(pos + 4)));
        }
    }
    EXPECT_EQ(found, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DuplicateUpcTest,
    ::testing::Values(UpcCase{"distinct", {{"A", "036000291452"}, {"B", "4006381333931"}}, {}},
                      UpcCase{"same upc", {{"A", "036000291452"}, {"B", "036000291452"}}, {{2, 1}}},
                      UpcCase{"written with another leading zero",
                              {{"A", "036000291452"}, {"B", "0036000291452"}},
                              {{2, 1}}},
                      UpcCase{"empty upcs", {{"A", ""}, {"B", ""}}, {}},
                      // No UPC at all: the check-digit code reports each once, never as duplicates.
                      UpcCase{"placeholders", {{"A", "N/A"}, {"B", "N/A"}, {"C", " "}, {"D", " "}}, {}},
                      UpcCase{"same offer id twice", {{"A", "036000291452"}, {"a", "036000291452"}}, {}},
                      UpcCase{"three products",
                              {{"A", "96385074"}, {"B", "96385074"}, {"C", "96385074"}},
                              {{2, 1}, {3, 1}}},
                      UpcCase{"no offer ids", {{"", "036000291452"}, {" ", "036000291452"}}, {}},
                      UpcCase{"an offer id met again",
                              {{"A", "96385074"}, {"B", "96385074"}, {"b", "96385074"}, {"C", "96385074"}},
                              {{2, 1}, {4, 1}}},
                      UpcCase{"repeated offer then another",
                              {{"A", "96385074"}, {"A", "96385074"}, {"B", "96385074"}},
                              {{3, 1}}}));

TEST(FeedDiagnostics, HtmlEscapedFeedHasNoHtmlFinding) {
    COtherRecord r = CleanRecord();
    r.SetField(kColName, "Lamp <B>");
    DiagnosticsOptions options;
    options.htmlEscaped = true;
    EXPECT_TRUE(Check({r}, options).findings.empty());
}

TEST(FeedDiagnostics, UserCategoriesAreKnown) {
    COtherRecord r = CleanRecord();
    r.SetField(kColCategory, "Garden > Gnomes");
    DiagnosticsOptions options;
    options.userCategories = {"garden > gnomes "};
    EXPECT_TRUE(Check({r}, options).findings.empty());
}

struct DuplicateCase {
    const char* label;
    std::vector<std::string> offerIds;
    std::vector<std::pair<std::size_t, std::size_t>> expected;  // row, earlier row named
};

void PrintTo(const DuplicateCase& c, std::ostream* os) {
    *os << c.label;
}

class DuplicateOfferIdTest : public ::testing::TestWithParam<DuplicateCase> {};

TEST_P(DuplicateOfferIdTest, NamesTheEarlierRow) {
    const DuplicateCase& c = GetParam();
    std::vector<COtherRecord> records;
    for (const auto& id : c.offerIds) {
        records.push_back(CleanRecord(id));
    }
    const CheckRun run = Check(records);
    std::vector<std::pair<std::size_t, std::size_t>> found;
    for (const auto& d : run.findings) {
        ASSERT_EQ(d.code, Code::kDuplicateOfferId);
        const auto pos = d.message.find("row ");
        ASSERT_NE(pos, std::string::npos);
        found.emplace_back(d.row, std::stoul(d.message.substr(pos + 4)));
    }
    EXPECT_EQ(found, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DuplicateOfferIdTest,
    ::testing::Values(DuplicateCase{"distinct", {"a1", "a2", "a3"}, {}},
                      DuplicateCase{"letter case differs", {"SKU-1", "x", "sku-1"}, {{3, 1}}},
                      DuplicateCase{"blanks around", {"SKU-1", " SKU-1  "}, {{2, 1}}},
                      DuplicateCase{"three times names the first", {"A", "a", "A"}, {{2, 1}, {3, 1}}},
                      DuplicateCase{"inner blank counts", {"A 1", "A1"}, {}}));

TEST(FeedDiagnostics, DuplicateFoundAfterTheIndexGrows) {
    std::vector<COtherRecord> records;
    for (int i = 0; i < 5000; ++i) {
        records.push_back(CleanRecord("ID" + std::to_string(i)));
    }
    records.push_back(CleanRecord("id1234"));
    const CheckRun run = Check(records);
    ASSERT_EQ(run.findings.size(), 1u);
    EXPECT_EQ(run.findings[0].row, 5001u);
    EXPECT_NE(run.findings[0].message.find("row 1235"), std::string::npos);
}

TEST(FeedDiagnostics, TotalsCountSeveritiesAndProductsWithErrors) {
    COtherRecord bad = CleanRecord("b");
    bad.SetField(kColPrice, "");
    bad.SetField(kColName, "");
    bad.SetField(kColUpc, "1");
    COtherRecord deleted = CleanRecord("d");
    deleted.SetField(kColDelete, "Y");
    const CheckRun run = Check({CleanRecord("a"), bad, deleted});
    EXPECT_EQ(run.totals.products, 3u);
    EXPECT_EQ(run.totals.errors, 2u);
    EXPECT_EQ(run.totals.warnings, 1u);
    EXPECT_EQ(run.totals.notes, 1u);
    EXPECT_EQ(run.totals.productsWithErrors, 1u);
    EXPECT_EQ(run.totals.perCode[static_cast<std::size_t>(Code::kRequiredMissing)], 2u);
}

// Random products built only from valid values: the checks must raise no alarm on any of them.
TEST(FeedDiagnostics, RandomCleanProductsGiveNoFinding) {
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    auto pick = [&rng](const auto& list) {
        return list[std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(rng)];
    };
    auto number = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            s += static_cast<char>('0' + number(0, 9));
        }
        return s;
    };
    auto gtin = [&](int n, int index) {
        // A body and its check digit, found by trying the ten. The body starts with a prefix of trade items
        // (never a store's, a refund's or a coupon's) and holds the product's index, so no two are equal.
        const std::string indicator = n == 14 ? digits(1) : "";
        const std::string body = indicator + pick(std::string("13678")) + Format("%04d", index) +
                                 digits(n - 6 - static_cast<int>(indicator.size()));
        for (char c = '0'; c <= '9'; ++c) {
            if (HasValidGtinCheckDigit(body + c)) {
                return body + c;
            }
        }
        return std::string();
    };
    auto text = [&](int maxLen) {
        static const std::string letters =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:!?&'\"-()/\xE9\xFC\x80\x99";
        // A capital and a small letter: a text in capitals only is found, and rightly so.
        std::string s(1, pick(std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ")));
        s += pick(std::string("abcdefghijklmnopqrstuvwxyz"));
        const int len = number(0, maxLen - 2);
        for (int i = 0; i < len; ++i) {
            s += pick(letters);
            // An ampersand starts no character reference ("&lt;" is one, and is found).
            if (s.back() == '&' && i + 1 < len) {
                s += ' ';
                ++i;
            }
        }
        return s;
    };
    const std::vector<std::string> schemes = {"http://", "https://", "HTTPS://", ""};
    const std::vector<std::string> instock = {"", "Y", "N", "yes", "No"};
    const std::vector<int> gtinLengths = {8, 12, 13, 14};
    DiagnosticsOptions options;
    options.now = kNow;
    options.userCategories = {"My Own > Category"};
    std::vector<std::string> categories = BuiltinCategories();
    categories.push_back("My Own > Category");
    CheckRun run;
    CFeedDiagnostics engine(options, [&run](Diagnostic&& d) { run.findings.push_back(std::move(d)); });
    std::size_t expectedNamesCut = 0;
    for (int i = 0; i < 5000; ++i) {
        COtherRecord r;
        r.SetField(kColProductUrl,
                   pick(schemes) + "www.shop" + digits(2) + ".example.com/p/" + digits(6) + ".html");
        r.SetField(kColName, text(255));
        expectedNamesCut += r.Field(kColName).size() > 80;
        r.SetField(kColDescription, text(600));
        r.SetField(kColPrice, digits(number(1, 5)) + (number(0, 1) ? "." + digits(number(1, 2)) : ""));
        r.SetField(kColImageUrl, pick(schemes) + "img.example.com:" + std::to_string(number(1, 65535)) +
                                     "/i/" + digits(5) + ".jpg?s=" + digits(2));
        r.SetField(kColCategory, pick(categories));
        r.SetField(kColOfferId, "OF-" + std::to_string(i) + "-" + digits(3));
        r.SetField(kColInstock, pick(instock));
        r.SetField(kColShipping, number(0, 1) ? digits(number(1, 3)) + "." + digits(number(1, 3)) : "");
        r.SetField(kColBrand, text(30));
        r.SetField(kColUpc, number(0, 3) ? gtin(pick(gtinLengths), i) : "");
        r.SetField(kColExpDate, number(0, 1)
                                    ? Format("%04d%02d%02d%02d%02d", number(2027, 2099), number(1, 12),
                                             number(1, 28), number(0, 23), number(0, 59))
                                    : "");
        r.SetField(kColProductType, "OTHER");
        r.SetField(kColCurrency, number(0, 4) ? pick(CurrencyCodes()) : "");
        engine.CheckProduct(r);
    }
    std::size_t namesCut = 0;
    for (const auto& d : run.findings) {
        if (d.code == Code::kNameShownCut) {
            ++namesCut;
            continue;
        }
        ADD_FAILURE() << "seed " << seed << ": row " << d.row << " " << DiagnosticCodeName(d.code) << ": "
                      << d.message;
    }
    EXPECT_EQ(engine.Totals().products, 5000u);
    EXPECT_EQ(namesCut, expectedNamesCut) << "seed " << seed;
}

TEST(FeedDiagnostics, ColumnCountFromAFile) {
    test::CTempFolder folder;
    const std::string path = folder.File("feed.txt");
    std::string file = BuildColumnLine(true);  // seven columns
    const std::string ok = "http://a.example.com\tN\tD\t1.00\thttp://a.example.com/i\tFlowers > Roses\t";
    file += "\r\n" + ok + "A";                      // seven fields
    file += "\r\n" + ok + "B\textra";               // one too many
    file += "\r\n\r\nhttp://a.example.com\tShort";  // fewer is normal: trailing empty values
    test::WriteBytes(path, file);
    test::CRecordingObserver observer;
    std::vector<std::pair<long long, Code>> found;
    std::size_t columnFields = 0;
    std::unique_ptr<CFeedDiagnostics> engine;
    ASSERT_TRUE(ReadFeedProducts(
        path, observer,
        [&](const FeedFileStart& start) {
            columnFields = start.columnLineFields;
            DiagnosticsOptions options;
            options.now = kNow;
            options.columnLineFields = start.columnLineFields;
            engine = std::make_unique<CFeedDiagnostics>(options, [&found](Diagnostic&& d) {
                if (d.code == Code::kColumnCount) {
                    found.emplace_back(d.line, d.code);
                }
            });
        },
        [&](const COtherRecord& r, long long line, std::size_t fields) {
            engine->CheckProduct(r, line, fields);
        }));
    EXPECT_EQ(columnFields, 7u);
    EXPECT_EQ(found, (std::vector<std::pair<long long, Code>>{{3, Code::kColumnCount}}));
    EXPECT_EQ(engine->Totals().products, 3u);
}

// A feed file read for the window keeps the first findings of each code, in product order, and counts
// the others: five bad prices and one bad UPC, kept up to each limit.
class FileDiagnosisLimitTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FileDiagnosisLimitTest, KeepsTheFirstFindingsOfEachCodeAndCountsAll) {
    const std::size_t limit = GetParam();
    test::CTempFolder folder;
    const std::string path = folder.File("feed.txt");
    CFeedDocument doc;
    for (int i = 0; i < 6; ++i) {
        COtherRecord r = CleanRecord("SKU" + std::to_string(i));
        if (i < 5) {
            r.SetField(kColPrice, "12,50");
        } else {
            r.SetField(kColUpc, "036000291453");
        }
        doc.AddOrReplaceRecord(r);
    }
    test::CRecordingObserver observer;
    ASSERT_TRUE(WriteFeedFile(doc, path, FeedHeaderChoices{}, observer));
    const FeedDiagnosis d = DiagnoseFile(path, {}, kNow, observer, limit);
    ASSERT_TRUE(d.readOk);
    std::vector<std::size_t> priceRows;
    std::size_t upcs = 0;
    for (const Diagnostic& f : d.findings) {
        if (f.code == Code::kPriceInvalid) {
            priceRows.push_back(f.row);
        }
        upcs += f.code == Code::kUpcCheckDigit;
    }
    const std::vector<std::size_t> allRows{1, 2, 3, 4, 5};
    EXPECT_EQ(priceRows,
              std::vector<std::size_t>(allRows.begin(), allRows.begin() + std::min<std::size_t>(limit, 5)));
    EXPECT_EQ(upcs, std::min<std::size_t>(limit, 1));
    EXPECT_EQ(d.totals.perCode[static_cast<std::size_t>(Code::kPriceInvalid)], 5u);
    EXPECT_EQ(d.totals.perCode[static_cast<std::size_t>(Code::kUpcCheckDigit)], 1u);
    EXPECT_EQ(d.totals.errors, 5u);
    EXPECT_EQ(d.totals.productsWithErrors, 5u);
}

INSTANTIATE_TEST_SUITE_P(Limits, FileDiagnosisLimitTest,
                         ::testing::Values(SIZE_MAX, kDiagnosticsWindowPerCode, 5, 2, 0));

struct CountDropCase {
    std::size_t products;
    std::optional<long long> last;
    bool fires;
};

TEST(FeedDiagnostics, CountDropBelowHalfOfTheLastUpload) {
    const CountDropCase cases[] = {{49, 100, true},           {50, 100, false},  {0, 1, true}, {0, 0, false},
                                   {10, std::nullopt, false}, {101, 100, false}, {2, 5, true}};
    for (const auto& c : cases) {
        const auto d = CheckCountDrop(c.products, c.last);
        EXPECT_EQ(d.has_value(), c.fires) << c.products << " of " << c.last.value_or(-1);
        if (d) {
            EXPECT_EQ(d->code, Code::kCountDrop);
            EXPECT_EQ(d->row, 0u);
            EXPECT_EQ(d->column, -1);
        }
    }
}

TEST(DiagnosticsReport, BlocksErrorsFirstWithCountsAndSummary) {
    COtherRecord a = CleanRecord("A");
    a.SetField(kColDelete, "Y");
    COtherRecord b = CleanRecord("B");
    b.SetField(kColPrice, "1,5");
    COtherRecord c = CleanRecord("C");
    c.SetField(kColPrice, "x");
    c.SetField(kColInstock, "?");
    CDiagnosticsReport report(1);
    DiagnosticsOptions options;
    options.now = kNow;
    CFeedDiagnostics engine(options, [&report](Diagnostic&& d) { report.Add(std::move(d)); });
    for (const auto* r : {&a, &b, &c}) {
        engine.CheckProduct(*r);
    }
    EXPECT_EQ(report.Format(engine.Totals()),
              "price-invalid (error): 2\n"
              "  row 2, offer id B, column price: The price \"1,5\" is not a plain number such as 12.50 "
              "(digits, a decimal point, at most two decimals).\n"
              "  ... and 1 more\n\n"
              "instock-invalid (warning): 1\n"
              "  row 3, offer id C, column instock: The instock \"?\" is not Y, N, YES or NO.\n\n"
              "marked-deleted (info): 1\n"
              "  row 1, offer id A, column delete: The product is marked for removal; the service deletes "
              "this offer.\n\n"
              "2 errors, 1 warnings, 1 notes in 3 products\n");
}

TEST(DiagnosticsReport, CodesInReportOrderPutErrorsFirst) {
    const auto& order = CodesInReportOrder();
    EXPECT_EQ(order.front(), Code::kRequiredMissing);
    EXPECT_EQ(order.back(), Code::kMarkedDeleted);
    for (std::size_t i = 1; i < order.size(); ++i) {
        EXPECT_LE(SeverityOf(order[i - 1]), SeverityOf(order[i]));
    }
}

TEST(Cp1252Text, EveryByteBecomesItsCharacter) {
    EXPECT_EQ(Cp1252ToUtf8("Caf\xE9 \x80 \x93x\x94 \x81"),
              "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xC2\x81");
    EXPECT_EQ(Cp1252ToUtf8("plain"), "plain");
}

}  // namespace
}  // namespace yarvelin

namespace yarvelin {
namespace {

// Every group has a title in words, distinct from the others and from its code.
TEST(DiagnosticTitleTest, EveryCodeHasItsOwnWords) {
    std::set<std::string> titles;
    for (DiagnosticCode code : CodesInReportOrder()) {
        const std::string title = DiagnosticCodeTitle(code);
        EXPECT_NE(title, DiagnosticCodeName(code));
        EXPECT_TRUE(titles.insert(title).second) << title;
    }
}

}  // namespace
}  // namespace yarvelin

namespace yarvelin {
namespace {

// The samples are a new user's first feed: Diagnostics finds nothing in them today, except what a sample is
// there to show: one HTML tag each for Verify Data to clean, and the flower shop's own categories, which its
// example rules map onto the service's.
struct SampleCase {
    const char* file;
    std::set<DiagnosticCode> allowed;
};
class ShippedSamples : public ::testing::TestWithParam<SampleCase> {};
TEST_P(ShippedSamples, FindOnlyWhatTheSampleIsThereToShow) {
    const std::string path = std::string(YARVELIN_FIXTURES) + "/../../resources/Samples/" + GetParam().file;
    test::CRecordingObserver observer;
    const FeedDiagnosis d = DiagnoseFile(path, {}, CurrentLocalDateTime(), observer);
    ASSERT_TRUE(d.readOk);
    EXPECT_GT(d.totals.products, 0u);
    for (const Diagnostic& finding : d.findings) {
        EXPECT_TRUE(GetParam().allowed.count(finding.code))
            << DiagnosticCodeName(finding.code) << " at line " << finding.line << ": " << finding.message;
    }
}
INSTANTIATE_TEST_SUITE_P(Files, ShippedSamples,
                         ::testing::Values(SampleCase{"SampleElectronics.txt", {Code::kHtmlInText}},
                                           SampleCase{"SampleFlowers.txt",
                                                      {Code::kHtmlInText, Code::kCategoryUnknown}},
                                           SampleCase{"SampleOffice.txt", {Code::kHtmlInText}}),
                         [](const ::testing::TestParamInfo<SampleCase>& info) {
                             const std::string file = info.param.file;
                             return file.substr(0, file.find('.'));
                         });

// The index gives the first row of a key whether it was sized up front, sized too small, or grown key by
// key, including across its rebuilds.
TEST(OfferIdIndexTest, FirstRowSurvivesReserveAndGrowth) {
    for (const std::size_t reserved : {std::size_t{0}, std::size_t{10}, std::size_t{5000}}) {
        SCOPED_TRACE(reserved);
        COfferIdIndex index;
        index.Reserve(reserved);
        for (std::size_t row = 1; row <= 5000; ++row) {
            ASSERT_EQ(index.AddOrFind(Format("sku%zu", row), row), 0u);
            if (row == 7) {
                index.Reserve(3000);  // a later, larger reservation keeps what is in
            }
        }
        EXPECT_EQ(index.Size(), 5000u);
        for (const std::size_t row : {std::size_t{1}, std::size_t{7}, std::size_t{1024}, std::size_t{5000}}) {
            EXPECT_EQ(index.AddOrFind(Format("sku%zu", row), 99999), row);
        }
        EXPECT_EQ(index.Size(), 5000u);
    }
}

// Storing one product from the diagnostics window checks that product alone again. Every product of a feed
// full of ties (repeated offer ids and upcs, in other letter case and with leading zeros) gets every kind of
// edit; the result must be the whole feed's diagnosis after the edit, findings in order and totals, or a
// refusal exactly when the offer id or the upc changed.
TEST(RediagnoseStoredProductTest, OneProductCheckedAgainEqualsTheWholeFeed) {
    const std::string sharedUpc = UpcFor("shared");
    CFeedDocument doc;
    for (int i = 0; i < 14; ++i) {
        COtherRecord r = CleanRecord("SKU" + std::to_string(i));
        switch (i) {
            case 3:
                r.SetField(kColOfferId, " sku1 ");
                break;  // repeats row 2's offer id
            case 5:
                r.SetField(kColUpc, sharedUpc);
                break;  // shares a upc with rows 8 and 11
            case 8:
                r.SetField(kColUpc, "0" + sharedUpc);
                break;  // the same upc with a leading zero
            case 11:    // same upc and offer id as row 9
                r.SetField(kColUpc, sharedUpc);
                r.SetField(kColOfferId, "SKU8");
                break;
            case 6:
                r.SetField(kColOfferId, "");
                break;
            case 9:
                r.SetField(kColPrice, "12,99");
                break;
            case 12:
                r.SetField(kColName, "DESK LAMP IN CAPITALS");
                break;
            case 13:
                r.SetField(kColOfferId, "SKU1");
                break;  // a third product with row 2's offer id
            default:
                break;
        }
        doc.AddOrReplaceRecord(r);
    }
    const std::vector<std::string> categories{"Kitchen > Scales"};
    struct Edit {
        const char* name;
        bool tiesChange;
        std::function<void(COtherRecord&)> apply;
    };
    const std::vector<Edit> edits{
        {"price invalid", false, [](COtherRecord& r) { r.SetField(kColPrice, "12,99"); }},
        {"price fixed", false, [](COtherRecord& r) { r.SetField(kColPrice, "5.00"); }},
        {"name in capitals", false, [](COtherRecord& r) { r.SetField(kColName, "LOUD NAME OF A LAMP"); }},
        {"name blank", false, [](COtherRecord& r) { r.SetField(kColName, ""); }},
        {"own category", false, [](COtherRecord& r) { r.SetField(kColCategory, "Kitchen > Scales"); }},
        {"unknown category", false, [](COtherRecord& r) { r.SetField(kColCategory, "Nowhere > Else"); }},
        {"marked deleted", false, [](COtherRecord& r) { r.SetField(kColDelete, "Y"); }},
        {"nothing", false, [](COtherRecord&) {}},
        {"offer id", true, [](COtherRecord& r) { r.SetField(kColOfferId, "SKU2"); }},
        {"offer id letter case", true, [](COtherRecord& r) { r.SetField(kColOfferId, "sku0"); }},
        {"upc", true, [](COtherRecord& r) { r.SetField(kColUpc, UpcFor("SKU4")); }},
    };
    const auto same = [](const FeedDiagnosis& a, const FeedDiagnosis& b) {
        if (a.findings.size() != b.findings.size() || a.totals.errors != b.totals.errors ||
            a.totals.warnings != b.totals.warnings || a.totals.notes != b.totals.notes ||
            a.totals.productsWithErrors != b.totals.productsWithErrors ||
            a.totals.perCode != b.totals.perCode || a.totals.products != b.totals.products) {
            return false;
        }
        for (std::size_t i = 0; i < a.findings.size(); ++i) {
            const Diagnostic& x = a.findings[i];
            const Diagnostic& y = b.findings[i];
            if (std::tie(x.code, x.row, x.column, x.offerId, x.message) !=
                std::tie(y.code, y.row, y.column, y.offerId, y.message)) {
                return false;
            }
        }
        return true;
    };
    const FeedDiagnosis before = DiagnoseDocument(doc, categories, false, kNow);
    ASSERT_GT(before.totals.perCode[static_cast<std::size_t>(Code::kDuplicateOfferId)], 1u);
    ASSERT_GT(before.totals.perCode[static_cast<std::size_t>(Code::kDuplicateUpc)], 0u);
    for (std::size_t position = 0; position < doc.Count(); ++position) {
        for (const Edit& edit : edits) {
            SCOPED_TRACE(Format("product %zu, %s", position + 1, edit.name));
            CFeedDocument edited = doc;
            const COtherRecord previous = edited.At(position);
            COtherRecord changed = previous;
            edit.apply(changed);
            edited.AddOrReplaceRecord(changed, position);
            FeedDiagnosis quick = before;
            const bool checkedAlone =
                RediagnoseStoredProduct(quick, previous, edited, position, categories, false, kNow);
            const bool tiesChanged =
                edit.tiesChange && (changed.Field(kColOfferId) != previous.Field(kColOfferId) ||
                                    changed.Field(kColUpc) != previous.Field(kColUpc));
            EXPECT_EQ(checkedAlone, !tiesChanged);
            if (checkedAlone) {
                EXPECT_TRUE(same(quick, DiagnoseDocument(edited, categories, false, kNow)));
            } else {
                EXPECT_TRUE(same(quick, before));  // untouched
            }
        }
    }
}

}  // namespace
}  // namespace yarvelin
