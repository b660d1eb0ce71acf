// The diagnostics window's saved findings: CSV with validate --json's keys, and the safe write of the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <map>

#include "app/feed_document.h"
#include "checks/diagnostics_report.h"
#include "checks/feed_diagnosis.h"
#include "feed/feed_file.h"
#include "feed_test_support.h"

namespace yarvelin {
namespace {

constexpr char kHeader[] = "code,severity,row,line,offer_id,column,message\r\n";

Diagnostic Finding(DiagnosticCode code, std::size_t row, long long line, int column, std::string offerId,
                   std::string message) {
    Diagnostic d;
    d.code = code;
    d.row = row;
    d.line = line;
    d.column = column;
    d.offerId = std::move(offerId);
    d.message = std::move(message);
    return d;
}

struct CsvCase {
    const char* name;
    Diagnostic finding;
    const char* line;  // without its CR LF
};

class FindingsCsvTest : public ::testing::TestWithParam<CsvCase> {};

TEST_P(FindingsCsvTest, OneLinePerFindingAfterTheHeader) {
    const CsvCase& c = GetParam();
    EXPECT_EQ(FindingsCsv({c.finding}), std::string(kHeader) + c.line + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Values, FindingsCsvTest,
    ::testing::Values(
        CsvCase{"Plain", Finding(DiagnosticCode::kPriceInvalid, 2, 3, 3, "B", "Not a number."),
                "price-invalid,error,2,3,B,price,Not a number."},
        // validate --json gives null for these: no product, no file line, no column.
        CsvCase{"NullsAreEmpty", Finding(DiagnosticCode::kCountDrop, 0, 0, -1, "", "Far fewer."),
                "count-drop,warning,,,,,Far fewer."},
        CsvCase{"ProductOfTheOpenFeedHasNoLine",
                Finding(DiagnosticCode::kMarkedDeleted, 7, 0, 18, "D1", "Marked."),
                "marked-deleted,info,7,,D1,delete,Marked."},
        CsvCase{"CommasAndQuotesAreQuoted",
                Finding(DiagnosticCode::kPriceInvalid, 1, 2, 3, "A,1", "The price \"1,5\" is not plain."),
                "price-invalid,error,1,2,\"A,1\",price,\"The price \"\"1,5\"\" is not plain.\""},
        CsvCase{"LineBreaksStayInsideQuotes",
                Finding(DiagnosticCode::kControlCharacter, 1, 2, 2, "A", "Line\r\nbreak\nhere"),
                "control-character,warning,1,2,A,description,\"Line\r\nbreak\nhere\""},
        CsvCase{"BlanksAtTheEndsAreQuoted", Finding(DiagnosticCode::kRequiredMissing, 1, 2, 6, " A ", "x"),
                "required-missing,error,1,2,\" A \",offer_id,x"},
        CsvCase{"Cp1252BecomesUtf8",
                Finding(DiagnosticCode::kHtmlInText, 1, 2, 1, "\x93Q\x94", "Caf\xE9 \x80"),
                "html-in-text,warning,1,2,\xE2\x80\x9CQ\xE2\x80\x9D,name,Caf\xC3\xA9 \xE2\x82\xAC"}),
    [](const ::testing::TestParamInfo<CsvCase>& info) { return std::string(info.param.name); });

TEST(FindingsCsv, NoFindingsGiveTheHeaderAlone) {
    EXPECT_EQ(FindingsCsv({}), kHeader);
}

struct FileNameCase {
    const char* feed;
    const char* proposed;
};

class FindingsFileNameTest : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(FindingsFileNameTest, BesideTheFeed) {
    EXPECT_EQ(FindingsFileName(GetParam().feed), GetParam().proposed);
}

INSTANTIATE_TEST_SUITE_P(Names, FindingsFileNameTest,
                         ::testing::Values(FileNameCase{"/home/m/shop.txt", "/home/m/shop-findings.csv"},
                                           FileNameCase{"/home/m/shop", "/home/m/shop-findings.csv"},
                                           FileNameCase{"/home/m.d/shop", "/home/m.d/shop-findings.csv"},
                                           FileNameCase{"/home/m/.feed", "/home/m/.feed-findings.csv"},
                                           FileNameCase{"shop.feed.txt", "shop.feed-findings.csv"},
                                           FileNameCase{"", "findings.csv"}));

TEST(SaveFindingsCsv, ReplacesTheFileWhole) {
    test::CTempFolder folder;
    const std::string path = folder.File("shop-findings.csv");
    test::WriteBytes(path, "an earlier, longer file that must be gone entirely");
    test::CRecordingObserver observer;
    const std::vector<Diagnostic> findings = {Finding(DiagnosticCode::kPriceInvalid, 2, 3, 3, "B", "x")};
    ASSERT_TRUE(SaveFindingsCsv(path, findings, observer));
    EXPECT_EQ(test::ReadBytes(path), FindingsCsv(findings));
    EXPECT_TRUE(observer.fileErrors.empty());
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(SaveFindingsCsv, FailureIsReportedWithThePath) {
    test::CTempFolder folder;
    std::filesystem::create_directory(folder.File("dir"));
    for (const std::string& path : {folder.File("missing/f.csv"), folder.File("dir")}) {
        test::CRecordingObserver observer;
        EXPECT_FALSE(SaveFindingsCsv(path, {}, observer)) << path;
        ASSERT_EQ(observer.fileErrors.size(), 1u) << path;
        EXPECT_NE(observer.fileErrors[0].find(path), std::string::npos) << observer.fileErrors[0];
    }
}

// The open feed's findings get the lines validate --json gives for the same file: header lines and the
// column line come before the products.
TEST(FillFindingLines, SameLinesAsTheFileItsProductsCameFrom) {
    test::CTempFolder folder;
    const std::string path = folder.File("shop.txt");
    CFeedDocument doc;
    for (const char* price : {"1.00", "12,50", "3.00", "x"}) {
        COtherRecord r;
        r.SetField(kColOfferId, std::string("id-") + price);
        r.SetField(kColPrice, price);
        doc.AddOrReplaceRecord(r);
    }
    test::CRecordingObserver observer;
    ASSERT_TRUE(WriteFeedFile(doc, path, FeedHeaderChoices{}, observer));
    const LocalDateTime now{2026, 12, 7, 12, 30, 0};
    std::map<std::size_t, long long> fileLines;
    for (const Diagnostic& f : DiagnoseFile(path, {}, now, observer).findings) {
        fileLines[f.row] = f.line;
    }
    FeedDiagnosis open = DiagnoseDocument(doc, {}, false, now);
    ASSERT_TRUE(FillFindingLines(open.findings, path, observer));
    std::size_t withRow = 0;
    for (const Diagnostic& f : open.findings) {
        if (f.row > 0) {
            ++withRow;
            EXPECT_EQ(f.line, fileLines.at(f.row)) << "row " << f.row;
        }
    }
    EXPECT_GT(withRow, 0u);
    EXPECT_GT(fileLines.at(1), 1);  // the products do not start on the first line
    EXPECT_FALSE(FillFindingLines(open.findings, folder.File("gone.txt"), observer));
}

TEST(DiagnosticsSummaryText, CountsInTheSingularAndPlural) {
    DiagnosticsTotals one;
    one.errors = one.warnings = one.notes = one.products = 1;
    DiagnosticsTotals some;
    some.warnings = 2;
    some.products = 3;
    EXPECT_EQ(DiagnosticsSummaryText(one), "1 error, 1 warning, 1 note in 1 product");
    EXPECT_EQ(DiagnosticsSummaryText(some), "0 errors, 2 warnings, 0 notes in 3 products");
}

}  // namespace
}  // namespace yarvelin
