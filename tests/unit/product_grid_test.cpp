// The product list's filter, order, changes to many products and Ctrl+Z.
#include <gtest/gtest.h>

#include "app/feed_document.h"
#include "app/remembered_alert.h"
#include "checks/clean_alerts.h"
#include "checks/feed_diagnostics.h"
#include "checks/text_cleaning.h"
#include "feed_test_support.h"
#include "pages/bulk_edit.h"
#include "pages/edit_history.h"
#include "pages/product_list_rules.h"
#include "pages/product_view.h"
#include "rules/document_rules.h"

namespace yarvelin {
namespace {

struct P {
    const char* name;
    const char* price = "10.00";
    const char* brand = "";
    bool checked = false;
    bool marked = false;
};

COtherRecord MakeRecord(const P& p, std::size_t i) {
    COtherRecord r;
    r.SetField(kColName, p.name);
    r.SetField(kColPrice, p.price);
    r.SetField(kColBrand, p.brand);
    r.SetField(kColOfferId, "id" + std::to_string(i));
    r.SetField(kColDescription, "A description");
    r.SetField(kColProductUrl, "http://shop.example/p" + std::to_string(i));
    r.SetField(kColImageUrl, "http://shop.example/i" + std::to_string(i) + ".jpg");
    r.SetField(kColCategory, "Flowers");
    r.SetField(kColDelete, p.marked ? "Y" : "");
    r.data_checked = r.urls_checked = r.product_url_ok = r.image_url_ok = p.checked;
    return r;
}

CFeedDocument Doc(std::initializer_list<P> products) {
    CFeedDocument doc;
    std::size_t i = 0;
    for (const P& p : products) {
        doc.AppendLoadedRecord(MakeRecord(p, i++));
    }
    return doc;
}

std::string NamesOf(const CFeedDocument& doc, const RowMap& rows) {
    std::string out;
    for (std::uint32_t row : rows) {
        out += (out.empty() ? "" : " ") + std::string(doc.At(row).Field(kColName));
    }
    return out;
}

std::string Column(const CFeedDocument& doc, int column) {
    std::string out;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        out += (i == 0 ? "" : "|") + std::string(doc.At(i).Field(column));
    }
    return out;
}

std::vector<std::size_t> All(const CFeedDocument& doc) {
    std::vector<std::size_t> all(doc.Count());
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = i;
    }
    return all;
}

// --- the filter ----------------------------------------------------------------------------------------

struct FilterCase {
    const char* filter;
    const char* shown;  // names, or "!" followed by the start of the error
};

class FilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterTest, KeepsWhatTheTextSays) {
    CFeedDocument doc = Doc({{"Red Rose", "12.50", "Acme", true},
                             {"White Lily", "8.00", "", false, true},
                             {"Rose \xC9l\xE9gante", "30.00", "Bloom"},
                             {"Tulip marked", "4.00", "Acme", true}});
    doc.At(3).product_url_ok = false;  // checked, and its page was refused
    const ProductFilter filter = ParseProductFilter(GetParam().filter);
    const std::string expected = GetParam().shown;
    if (expected.starts_with("!")) {
        EXPECT_TRUE(filter.error.starts_with(expected.substr(1))) << filter.error;
        EXPECT_EQ(FilterPositions(doc, filter, {}).size(), 0u);
        return;
    }
    EXPECT_EQ(filter.error, "");
    // Product 1 has a finding of price-invalid for the code terms.
    const ProductCodeLookup hasCode = [](std::size_t position, int code) {
        return position == 1 && code == static_cast<int>(DiagnosticCode::kPriceInvalid);
    };
    EXPECT_EQ(NamesOf(doc, FilterPositions(doc, filter, hasCode)), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, FilterTest,
    ::testing::Values(
        FilterCase{"", "Red Rose White Lily Rose \xC9l\xE9gante Tulip marked"},
        FilterCase{"   ", "Red Rose White Lily Rose \xC9l\xE9gante Tulip marked"},
        FilterCase{"rose", "Red Rose Rose \xC9l\xE9gante"},
        FilterCase{"ROSE acme", "Red Rose"},                  // every word must hold
        FilterCase{"\xE9L\xC9GANTE", "Rose \xC9l\xE9gante"},  // accented letters in either case
        FilterCase{"brand:acme", "Red Rose Tulip marked"}, FilterCase{"BRAND:bloom", "Rose \xC9l\xE9gante"},
        FilterCase{"brand:", "White Lily"},           // the column is empty
        FilterCase{"name:\"red rose\"", "Red Rose"},  // a quoted text with a blank
        FilterCase{"\"rose r\"", ""}, FilterCase{"-rose", "White Lily Tulip marked"},
        FilterCase{"price:12.5", "Red Rose"}, FilterCase{"http://shop.example/p2", "Rose \xC9l\xE9gante"},
        FilterCase{"nosuchcolumn:acme", ""},  // not a column: looked for as a text
        FilterCase{"marked", "White Lily"}, FilterCase{"\"marked\"", "Tulip marked"},
        FilterCase{"-marked", "Red Rose Rose \xC9l\xE9gante Tulip marked"},
        FilterCase{"unverified", "White Lily Rose \xC9l\xE9gante"}, FilterCase{"url-failed", "Tulip marked"},
        FilterCase{"code:price-invalid", "White Lily"}, FilterCase{"-code:price-invalid lily", ""},
        FilterCase{"code:no-such-code", "!There is no diagnostic code \"no-such-code\""},
        FilterCase{"name:\"red", "!A quote is not closed."}));

TEST(ProductFilter, NarrowingIsOnlyWhatKeepsFewer) {
    const struct {
        const char* from;
        const char* to;
        bool narrowing;
    } cases[] = {
        {"", "r", true},
        {"ro", "ros", true},
        {"rose", "rose red", true},
        {"brand:ac", "brand:acm", true},
        {"rose", "ose", false},
        {"ros", "ro", false},
        {"-ros", "-rose", false},
        {"brand:", "brand:a", false},
        {"brand:ac", "name:acm", false},
        {"rose red", "rose", false},
        {"marked", "marked x", true},
        {"code:price-invalid", "code:price-invalid", true},
        {"name:\"red", "name:\"red\"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsNarrowing(ParseProductFilter(c.from), ParseProductFilter(c.to)), c.narrowing)
            << c.from << " -> " << c.to;
    }
}

// --- the order -----------------------------------------------------------------------------------------

struct SortCase {
    int column;
    bool descending;
    const char* order;
};

class SortTest : public ::testing::TestWithParam<SortCase> {};

TEST_P(SortTest, OrdersRowsAndKeepsTiesInFileOrder) {
    const CFeedDocument doc = Doc({{"b", "10.00"},
                                   {"A", "9.5"},
                                   {"c", ""},
                                   {"d", "n/a"},
                                   {"e", "100"},
                                   {"f", "9.50", "", true},
                                   {"g", "abc"},
                                   {"a", "10"}});
    RowMap rows = FilterPositions(doc, {}, {});
    SortRows(doc, rows, {GetParam().column, GetParam().descending});
    EXPECT_EQ(NamesOf(doc, rows), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, SortTest,
    ::testing::Values(
        SortCase{-1, false, "b A c d e f g a"},
        // Numbers as numbers, equal prices in file order; texts after them, empty prices last both ways.
        SortCase{kListPrice, false, "A f b a e g d c"}, SortCase{kListPrice, true, "e b a A f d g c"},
        SortCase{kListName, false, "A a b c d e f g"},  // letter case ignored, ties in file order
        SortCase{kListName, true, "g f e d c b A a"}, SortCase{kListNumber, true, "a g f e d c A b"},
        SortCase{kListDataCheck, false, "b A c d e g a f"}));

// Only plain decimal numbers sort as numbers: "NaN" once broke the order of every other row.
TEST(SortTest, OnlyPlainDecimalsSortAsNumbers) {
    const CFeedDocument doc = Doc({{"a", "2.00"},
                                   {"b", "NaN"},
                                   {"c", "1.00"},
                                   {"d", "inf"},
                                   {"e", "1e3"},
                                   {"f", "-1.5"},
                                   {"g", "+3"},
                                   {"h", "1.2.3"}});
    for (const auto& [descending, order] :
         {std::pair{false, "f c a g h e d b"}, std::pair{true, "g a c f b d e h"}}) {
        RowMap rows = FilterPositions(doc, {}, {});
        SortRows(doc, rows, {kListPrice, descending});
        EXPECT_EQ(NamesOf(doc, rows), order);
    }
}

TEST(ListSort, HeaderClicksGoUpDownAndBackToFileOrder) {
    ListSort sort;
    sort = NextListSort(sort, kListPrice);
    EXPECT_EQ(sort, (ListSort{kListPrice, false}));
    sort = NextListSort(sort, kListPrice);
    EXPECT_EQ(sort, (ListSort{kListPrice, true}));
    sort = NextListSort(sort, kListPrice);
    EXPECT_TRUE(sort.IsFileOrder());
    EXPECT_EQ(NextListSort({kListPrice, true}, kListName), (ListSort{kListName, false}));
}

TEST(ListSort, FilteredAndSortedListIsWrittenInFileOrder) {
    CFeedDocument doc = Doc({{"c", "3.00", "x"}, {"a", "1.00", "x"}, {"b", "2.00"}});
    const RowMap rows = BuildRowMap(doc, ParseProductFilter("brand:x"), {}, {kListName, false});
    ASSERT_EQ(NamesOf(doc, rows), "a c");
    CEditHistory history;
    ApplyBulkChange(doc, PlanSetColumn(doc, {rows[0]}, kColBrand, "y"), history);
    test::CTempFolder folder;
    test::CRecordingObserver observer;
    ASSERT_TRUE(WriteFeedFile(doc, folder.File("feed.txt"), {}, observer));
    CFeedDocument read;
    ASSERT_TRUE(LoadFeedFile(read, folder.File("feed.txt"), observer).loaded);
    EXPECT_EQ(Column(read, kColName), "c|a|b");
    EXPECT_EQ(Column(read, kColBrand), "x|y|");
}

// --- Set column ----------------------------------------------------------------------------------------

struct SetCase {
    int column;
    const char* value;
    const char* stored;  // the column afterwards, "|" between products; or "!" and the refusal
};

class SetColumnTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetColumnTest, FollowsTheEditorsRules) {
    CFeedDocument doc = Doc({{"a", "10.00", "", true}, {"b", "19.99", "", true}, {"c", "n/a", "", true}});
    const std::vector<std::size_t> firstTwo = {0, 1};
    BulkChange change = PlanSetColumn(doc, firstTwo, GetParam().column, GetParam().value);
    const std::string expected = GetParam().stored;
    if (expected.starts_with("!")) {
        ASSERT_TRUE(change.refusal);
        EXPECT_EQ(change.refusal->message, expected.substr(1));
        EXPECT_TRUE(change.products.empty());
        return;
    }
    ASSERT_FALSE(change.refusal) << change.refusal->message;
    CEditHistory history;
    const std::size_t changed = ApplyBulkChange(doc, std::move(change), history);
    EXPECT_EQ(Column(doc, GetParam().column), expected);
    // Changed products lose their checks; the others keep them.
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        const bool touched = i < changed;
        EXPECT_EQ(doc.At(i).data_checked, !touched) << i;
        EXPECT_EQ(doc.At(i).urls_checked, !touched) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SetColumnTest,
    ::testing::Values(
        SetCase{kColBrand, "  Acme ", "Acme|Acme|"}, SetCase{kColPrice, "12", "12.00|12.00|n/a"},
        SetCase{kColPrice, "+5%", "10.50|20.99|n/a"}, SetCase{kColPrice, "-1", "9.00|18.99|n/a"},
        SetCase{kColShipping, "4.5", "4.50|4.50|"}, SetCase{kColPrice, "cheap", "!Please enter a number."},
        SetCase{kColPrice, "-20", "!Please enter a number of 0 or more."},
        SetCase{kColName, "", "!The product name is empty or contains invalid characters."},
        SetCase{kColCategory, " ",
                "!The category to which this product belongs to is empty or contains invalid characters."},
        SetCase{kColOfferId, "same", "!Duplicate OfferID - this Offer ID already exists in the file."},
        SetCase{kColOfferId, "ID2", "!Duplicate OfferID - this Offer ID already exists in the file."},
        SetCase{kColInstock, "yes", "Y|Y|"}, SetCase{kColInstock, "maybe", "!Please enter Y or N."},
        SetCase{kColCurrency, "eur", "EUR|EUR|"},
        SetCase{kColCurrency, "XXY", "!Please enter a currency code from the list, such as USD or EUR."},
        SetCase{kColExpDate, "202701311200", "202701311200|202701311200|"},
        SetCase{kColExpDate, "202713011200",
                "!Please enter the expiry date as YYYYMMDDHHMM, or nothing when "
                "the offer does not expire."},
        SetCase{kColDelete, "Y", "!This column cannot be changed here."}));

TEST(SetColumn, RaisingAPriceThatIsNoNumberIsRefusedAtThatProduct) {
    const CFeedDocument doc = Doc({{"a", "10.00"}, {"b", "n/a"}});
    const BulkChange change = PlanSetColumn(doc, All(doc), kColPrice, "+5%");
    ASSERT_TRUE(change.refusal);
    EXPECT_EQ(*change.refusal, (BulkRefusal{1, kColPrice, "Please enter a number."}));
}

TEST(SetColumn, AnOfferIdOnOneProductMayStayItsOwn) {
    CFeedDocument doc = Doc({{"a"}, {"b"}});
    EXPECT_FALSE(PlanSetColumn(doc, {1}, kColOfferId, "ID1").refusal);  // its own, in another case
    EXPECT_FALSE(PlanSetColumn(doc, {1}, kColOfferId, "new").refusal);
}

// --- Find and replace ----------------------------------------------------------------------------------

struct ReplaceCase {
    FindReplaceSpec spec;
    std::size_t products;
    std::size_t replacements;
    const char* names;  // names afterwards, or "!" and the start of the refusal
};

class FindReplaceTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(FindReplaceTest, ReplacesInTheSelectedProducts) {
    CFeedDocument doc = Doc({{"Red rose rose"}, {"ROSE white"}, {"Lily"}, {"rose not selected"}});
    const std::vector<std::size_t> selected = {0, 1, 2};
    BulkChange change = PlanFindReplace(doc, selected, GetParam().spec);
    const std::string expected = GetParam().names;
    if (expected.starts_with("!")) {
        ASSERT_TRUE(change.refusal);
        EXPECT_TRUE(change.refusal->message.starts_with(expected.substr(1))) << change.refusal->message;
        return;
    }
    ASSERT_FALSE(change.refusal) << change.refusal->message;
    EXPECT_EQ(change.products.size(), GetParam().products);
    EXPECT_EQ(change.replacements, GetParam().replacements);
    CEditHistory history;
    ApplyBulkChange(doc, std::move(change), history);
    EXPECT_EQ(Column(doc, kColName), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, FindReplaceTest,
    ::testing::Values(
        ReplaceCase{{kColName, "rose", "tulip"}, 2, 3, "Red tulip tulip|tulip white|Lily|rose not selected"},
        ReplaceCase{{kColName, "rose", "tulip", false, true},
                    1,
                    2,
                    "Red tulip tulip|ROSE white|Lily|rose not selected"},
        ReplaceCase{{kColName, "(\\w+) rose", "\\1-rose", true},
                    1,
                    1,
                    "Red-rose rose|ROSE white|Lily|rose not selected"},
        ReplaceCase{
            {kColName, "a.b", "\\1"}, 0, 0, "Red rose rose|ROSE white|Lily|rose not selected"},  // literal
        ReplaceCase{
            {-1, "shop.example", "store.example"}, 3, 6, "Red rose rose|ROSE white|Lily|rose not selected"},
        ReplaceCase{{kColName, "", "x"}, 0, 0, "!Please enter the text to find."},
        ReplaceCase{{kColName, "(rose", "x", true}, 0, 0, "!The pattern cannot be read: "},
        ReplaceCase{{kColName, "rose", "\\2", true}, 0, 0, "!The replacement does not fit the pattern: "},
        ReplaceCase{{kColName, "^.*$", "", true}, 0, 0, "!The product name is empty"},
        ReplaceCase{{kColPrice, ".", ",", false}, 0, 0, "!Please enter a number."}));

// --- Ctrl+Z --------------------------------------------------------------------------------------------

TEST(EditHistory, TakesBackChangesAndRemovalsStepByStep) {
    CFeedDocument doc = Doc({{"a", "1.00", "", true}, {"b"}, {"c"}, {"d"}});
    CEditHistory history;
    ApplyBulkChange(doc, PlanSetColumn(doc, {0, 2}, kColBrand, "Acme"), history);
    EXPECT_EQ(RemoveRowsUndoably(doc, {1, 3}, history), 2u);
    EXPECT_EQ(Column(doc, kColName), "a|c");
    EXPECT_EQ(history.UndoText(doc), "Remove 2 products");

    EXPECT_EQ(history.Undo(doc), "Remove 2 products");
    EXPECT_EQ(Column(doc, kColName), "a|b|c|d");
    EXPECT_EQ(history.Undo(doc), "Set brand on 2 products");
    EXPECT_EQ(Column(doc, kColBrand), "|||");
    EXPECT_TRUE(doc.At(0).data_checked);  // the checks come back with the texts
    EXPECT_TRUE(doc.IsChanged());
    EXPECT_FALSE(history.CanUndo(doc));
    EXPECT_EQ(history.Undo(doc), "");
}

// Rules applied to the feed, the text check and Remove All are steps of the same history: each comes back
// whole (changed and removed products at their places), and the steps before them stay.
TEST(EditHistory, RulesTextCheckAndRemoveAllAreStepsToo) {
    CFeedDocument doc = Doc({{"a", "10.00"}, {"b", "0.50"}, {"c\x96", "60.00"}, {"d", "0.10"}});
    CEditHistory history;
    ApplyBulkChange(doc, PlanSetColumn(doc, {0}, kColBrand, "Acme"), history);

    const CRuleSet rules = CRuleSet::Parse(R"([[rule]]
action = "exclude"
when = { column = "price", number = "< 1" }
[[rule]]
action = "set"
column = "brand"
value = "Shop"
)",
                                           "shop.rules");
    std::uint64_t before = doc.EditCount();
    RulesApplied applied = ApplyRulesToDocument(doc, rules, true);
    history.NoteChangedAndRemoved(doc, before, "Apply rules", std::move(applied.changedBefore),
                                  std::move(applied.removedProducts));
    EXPECT_EQ(Column(doc, kColName) + " " + Column(doc, kColBrand), "a|c\x96 Shop|Shop");

    CFixedCleanAlerts alerts(kAnswerYes, kAnswerYes);
    CDataCheckObserver quiet;
    std::vector<std::pair<std::size_t, COtherRecord>> cleaned;
    before = doc.EditCount();
    VerifyData(doc, alerts, quiet, &cleaned);
    history.NoteChanged(doc, before, "Verify Data", std::move(cleaned));
    EXPECT_EQ(Column(doc, kColName), "a|c&#150;");

    EXPECT_EQ(RemoveAllRowsUndoably(doc, history), 2u);
    EXPECT_EQ(doc.Count(), 0u);

    const char* const expected[][2] = {{"Remove all 2 products", "a|c&#150; Shop|Shop"},
                                       {"Verify Data", "a|c\x96 Shop|Shop"},
                                       {"Apply rules", "a|b|c\x96|d Acme|||"},
                                       {"Set brand on 1 product", "a|b|c\x96|d |||"}};
    for (const auto& [what, columns] : expected) {
        EXPECT_EQ(history.Undo(doc), what);
        EXPECT_EQ(Column(doc, kColName) + " " + Column(doc, kColBrand), columns) << what;
    }
    EXPECT_EQ(Column(doc, kColOfferId), "id0|id1|id2|id3");
}

TEST(EditHistory, AnyOtherEditEndsTheHistory) {
    CFeedDocument doc = Doc({{"a"}, {"b"}});
    CEditHistory history;
    ApplyBulkChange(doc, PlanSetColumn(doc, {0}, kColBrand, "Acme"), history);
    COtherRecord edited(doc.At(0));
    edited.SetField(kColName, "edited in the editor");
    doc.AddOrReplaceRecord(edited, 0);
    EXPECT_FALSE(history.CanUndo(doc));
    EXPECT_EQ(history.Undo(doc), "");
    EXPECT_EQ(doc.At(0).Field(kColName), "edited in the editor");

    // Another feed: nothing of the earlier one can be taken back into it.
    ApplyBulkChange(doc, PlanSetColumn(doc, {1}, kColBrand, "Acme"), history);
    doc.StartNewFeed();
    doc.AppendLoadedRecord(MakeRecord({"x"}, 0));
    EXPECT_FALSE(history.CanUndo(doc));
}

TEST(EditHistory, RemovalsComeBackAtTheirPlacesInALargeFeed) {
    CFeedDocument doc;
    for (std::size_t i = 0; i < 1000; ++i) {
        doc.AppendLoadedRecord(MakeRecord({"p"}, i));
    }
    const std::string before = Column(doc, kColOfferId);
    std::vector<std::size_t> every7th;
    for (std::size_t i = 0; i < 1000; i += 7) {
        every7th.push_back(i);
    }
    every7th.push_back(999);
    CEditHistory history;
    RemoveRowsUndoably(doc, every7th, history);
    EXPECT_EQ(doc.Count(), 1000 - every7th.size());
    history.Undo(doc);
    EXPECT_EQ(Column(doc, kColOfferId), before);
}

}  // namespace
}  // namespace yarvelin
