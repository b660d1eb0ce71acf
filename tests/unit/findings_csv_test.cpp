// The diagnostics window's saved findings: CSV with validate --json's keys, and the safe write of the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "checks/diagnostics_report.h"
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

}  // namespace
}  // namespace yarvelin
