#include <gtest/gtest.h>

#include "app/feed_document.h"
#include "checks/feed_diagnostics.h"
#include "dialogs/summary_rules.h"
#include "pages/product_list_rules.h"

namespace yarvelin {
namespace {

CFeedDocument DocumentOf(std::initializer_list<const char*> names) {
    CFeedDocument doc;
    for (const char* name : names) {
        COtherRecord r;
        r.SetField(kColName, name);
        r.SetField(kColOfferId, std::string("id-") + name);
        doc.AddOrReplaceRecord(r);
    }
    doc.MarkSaved();  // as it stands after opening its file
    return doc;
}

void Answered(COtherRecord& r, bool productOk, bool imageOk, std::initializer_list<DiagnosticCode> codes) {
    r.urls_checked = true;
    r.product_url_ok = productOk;
    r.image_url_ok = imageOk;
    std::vector<UrlFinding> findings;
    for (DiagnosticCode code : codes) {
        findings.push_back({static_cast<int>(code), kColImageUrl, DiagnosticCodeName(code)});
    }
    r.SetUrlFindings(std::move(findings));
}

std::string Names(const CFeedDocument& doc) {
    std::string out;
    for (const COtherRecord& r : doc.Records()) {
        out += r.Field(kColName);
    }
    return out;
}

std::string Marks(const CFeedDocument& doc) {
    std::string out;
    for (const COtherRecord& r : doc.Records()) {
        out += r.Field(kColDelete).empty() ? "." : r.Field(kColDelete);
    }
    return out;
}

// --- button states -------------------------------------------------------------------------------------

struct StateCase {
    std::size_t rows;
    bool selected;
    CListButtonStates expected;
};

class ButtonStateTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(ButtonStateTest, FollowsRowsAndSelection) {
    EXPECT_EQ(ButtonStatesFor(GetParam().rows, GetParam().selected), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ButtonStateTest,
                         ::testing::Values(
                             // Empty feed: every selection-dependent button is off.
                             StateCase{0, false, {false, false, false, false, false, false, false}},
                             // A stale selection on an empty table still counts as none.
                             StateCase{0, true, {false, false, false, false, false, false, false}},
                             // Rows but no selection: only the checks and Remove All.
                             StateCase{3, false, {false, false, false, false, true, true, true}},
                             StateCase{3, true, {true, true, true, true, true, true, true}}));

// --- cells and widths -------------------------------------------------------------------------------------

struct CellCase {
    const char* what;
    int column;
    std::string expected;
    void (*setUp)(COtherRecord&);
};

class ListCellTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(ListCellTest, Text) {
    COtherRecord r;
    r.SetField(kColName, "Teapot");
    r.SetField(kColPrice, "12.50");
    GetParam().setUp(r);
    EXPECT_EQ(ListCellText(r, 41, GetParam().column), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListCellTest,
    ::testing::Values(
        CellCase{"number counts from 1", kListNumber, "42", [](COtherRecord&) {}},
        CellCase{"name", kListName, "Teapot", [](COtherRecord&) {}},
        CellCase{"USD gets a dollar", kListPrice, "$12.50",
                 [](COtherRecord& r) { r.SetField(kColCurrency, "USD"); }},
        CellCase{"usd is not USD", kListPrice, "12.50 usd",
                 [](COtherRecord& r) { r.SetField(kColCurrency, "usd"); }},
        CellCase{"other currency", kListPrice, "12.50 EUR",
                 [](COtherRecord& r) { r.SetField(kColCurrency, "EUR"); }},
        CellCase{"no currency", kListPrice, "12.50", [](COtherRecord&) {}},
        CellCase{"data checked", kListDataCheck, "Yes, All OK",
                 [](COtherRecord& r) { r.data_checked = true; }},
        CellCase{"image url bad", kListUrlsCheck, "Err:Img Url",
                 [](COtherRecord& r) { r.urls_checked = r.product_url_ok = true; }},
        CellCase{"answered, nothing found", kListUrlsCheck, "All OK",
                 [](COtherRecord& r) { Answered(r, true, true, {}); }},
        CellCase{"answered but closed by robots.txt", kListUrlsCheck, "1 error",
                 [](COtherRecord& r) { Answered(r, true, true, {DiagnosticCode::kPageDisallowedByRobots}); }},
        CellCase{
            "picture too small and an SVG", kListUrlsCheck, "2 warnings",
            [](COtherRecord& r) {
                Answered(r, true, true, {DiagnosticCode::kImageTooSmall, DiagnosticCode::kImageTypeRefused});
            }},
        CellCase{"mixed severities", kListUrlsCheck, "1 error, 1 warning, 1 note",
                 [](COtherRecord& r) {
                     Answered(r, true, true,
                              {DiagnosticCode::kPagePriceMismatch, DiagnosticCode::kNameShownCut,
                               DiagnosticCode::kPageDisallowedByRobots});
                 }},
        CellCase{
            "failed address keeps its text", kListUrlsCheck, "Err:Img Url, 1 error",
            [](COtherRecord& r) { Answered(r, true, false, {DiagnosticCode::kPageDisallowedByRobots}); }},
        CellCase{"marked Y", kListMarked, "DELETE", [](COtherRecord& r) { r.SetField(kColDelete, "Y"); }},
        CellCase{"any mark, even N", kListMarked, "DELETE",
                 [](COtherRecord& r) { r.SetField(kColDelete, "N"); }}));

TEST(ListColumnWidthsTest, SixColumnsFillTheList) {
    EXPECT_EQ(ListColumnWidths(725), (std::array<int, 6>{25, 300, 100, 100, 100, 100}));
    // The remainder of the division is dropped.
    EXPECT_EQ(ListColumnWidths(731), (std::array<int, 6>{25, 300, 100, 100, 100, 100}));
    // A list narrower than the number column gives zero widths, never negative ones.
    EXPECT_EQ(ListColumnWidths(10), (std::array<int, 6>{25, 0, 0, 0, 0, 0}));
    // Large row numbers widen the number column; the others share what is left.
    EXPECT_EQ(ListColumnWidths(725, 45), (std::array<int, 6>{45, 291, 97, 97, 97, 97}));
    EXPECT_EQ(ListColumnWidths(725, 12), (std::array<int, 6>{25, 300, 100, 100, 100, 100}));
    EXPECT_EQ(SummaryWidthUnit(1025), 100);
    EXPECT_EQ(SummaryWidthUnit(0), 0);
}

// --- mark, unmark, remove
// -------------------------------------------------------------------------------------

TEST(DeleteMarkTest, MarksExactlyTheNonAdjacentRowsAndKeepsCheckFlags) {
    CFeedDocument doc = DocumentOf({"a", "b", "c", "d", "e", "f"});
    doc.At(2).data_checked = true;
    doc.At(2).urls_checked = true;
    SetDeleteMark(doc, {0, 2, 5}, true);
    EXPECT_EQ(Marks(doc), "Y.Y..Y");
    EXPECT_TRUE(doc.IsChanged());
    EXPECT_TRUE(doc.At(2).data_checked);
    EXPECT_TRUE(doc.At(2).urls_checked);
    EXPECT_EQ(Names(doc), "abcdef");

    doc.MarkSaved();
    doc.At(3).SetField(kColDelete, "N");
    SetDeleteMark(doc, {2, 3}, false);
    EXPECT_EQ(Marks(doc), "Y....Y");
    EXPECT_TRUE(doc.IsChanged());
}

TEST(DeleteMarkTest, RowsWithoutProductAreSkippedAndNoRowsChangeNothing) {
    CFeedDocument doc = DocumentOf({"a", "b"});
    SetDeleteMark(doc, {1, 7}, true);
    EXPECT_EQ(Marks(doc), ".Y");
    EXPECT_EQ(doc.Count(), 2u);

    CFeedDocument untouched = DocumentOf({"a"});
    SetDeleteMark(untouched, {}, true);
    EXPECT_FALSE(untouched.IsChanged());
}

TEST(RemoveRowsTest, RemovesExactlyTheSelectedAndKeepsTheOrder) {
    CFeedDocument doc = DocumentOf({"a", "b", "c", "d", "e"});
    EXPECT_EQ(RemoveRows(doc, {0, 2, 3, 9}), 3u);
    EXPECT_EQ(Names(doc), "be");
    EXPECT_TRUE(doc.IsChanged());
    for (const COtherRecord& r : doc.Records()) {
        EXPECT_FALSE(r.removal_mark);
    }
}

TEST(RemoveRowsTest, NothingSelectedRemovesNothing) {
    CFeedDocument doc = DocumentOf({"a", "b"});
    EXPECT_EQ(RemoveRows(doc, {}), 0u);
    EXPECT_EQ(Names(doc), "ab");
    EXPECT_FALSE(doc.IsChanged());
}

TEST(RemoveAllRowsTest, EmptiesOrLeavesAnEmptyFeedUnchanged) {
    CFeedDocument doc = DocumentOf({"a", "b"});
    EXPECT_TRUE(RemoveAllRows(doc));
    EXPECT_EQ(doc.Count(), 0u);
    EXPECT_TRUE(doc.IsChanged());

    CFeedDocument empty;
    EXPECT_FALSE(RemoveAllRows(empty));
    EXPECT_FALSE(empty.IsChanged());
}

TEST(EditorClosedTest, OnlyAStoredProductChangesTheFeed) {
    for (const bool stored : {false, true}) {
        CFeedDocument doc;
        doc.NoteEditorClosed(stored);
        EXPECT_EQ(doc.IsChanged(), stored);
    }
}

// --- summary -------------------------------------------------------------------------------------

struct ListedCase {
    const char* mark;
    bool listed;
};

class SummaryListedTest : public ::testing::TestWithParam<ListedCase> {};

TEST_P(SummaryListedTest, HiddenOnlyWhenYOrYes) {
    COtherRecord r;
    r.SetField(kColDelete, GetParam().mark);
    EXPECT_EQ(IsListedInSummary(r, false), GetParam().listed) << GetParam().mark;
    EXPECT_TRUE(IsListedInSummary(r, true));
}

INSTANTIATE_TEST_SUITE_P(Cases, SummaryListedTest,
                         ::testing::Values(ListedCase{"", true}, ListedCase{"Y", false},
                                           ListedCase{"y", false}, ListedCase{"YES", false},
                                           ListedCase{"yEs", false}, ListedCase{"N", true},
                                           ListedCase{"no", true}, ListedCase{" Y", true},
                                           ListedCase{"YESS", true}));

}  // namespace
}  // namespace yarvelin
