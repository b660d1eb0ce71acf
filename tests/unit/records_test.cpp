#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/feed_document.h"
#include "records/builtin_lists.h"
#include "records/other_record.h"
#include "records/text_util.h"

namespace yarvelin {
namespace {

COtherRecord MakeRecord(const std::string& offerId) {
    COtherRecord r;
    r.SetField(kColOfferId, offerId);
    r.SetField(kColName, "Name " + offerId);
    return r;
}

TEST(RecordTest, CopyNeverCarriesTheRemovalMark) {
    COtherRecord a = MakeRecord("A1");
    a.removal_mark = true;
    a.data_checked = true;
    a.urls_checked = true;
    a.product_url_ok = true;
    a.image_url_ok = false;
    const COtherRecord copy(a);
    EXPECT_FALSE(copy.removal_mark);
    EXPECT_TRUE(copy.data_checked);
    EXPECT_TRUE(copy.urls_checked);
    EXPECT_TRUE(copy.product_url_ok);
    EXPECT_EQ(copy.Field(kColName), "Name A1");

    COtherRecord target = MakeRecord("B2");
    target.removal_mark = true;
    const COtherRecord empty;
    target = empty;  // assignment keeps the target's own mark
    EXPECT_TRUE(target.removal_mark);
    EXPECT_TRUE(target.Field(kColOfferId).empty());

    // A move is the same record in another place (the feed's list moves records when it removes some):
    // the mark goes along.
    COtherRecord moved(std::move(a));
    EXPECT_TRUE(moved.removal_mark);
    target = std::move(moved);
    EXPECT_TRUE(target.removal_mark);
    EXPECT_EQ(target.Field(kColName), "Name A1");
}

TEST(RecordTest, FieldsFollowColumnOrder) {
    COtherRecord r;
    for (int k = 0; k < kColumnCount; ++k) {
        r.SetField(k, kColumnNames[k]);
    }
    EXPECT_EQ(r.Field(kColProductUrl), "product_url");
    EXPECT_EQ(r.Field(kColOfferId), "offer_id");
    EXPECT_EQ(r.Field(kColInstock), "instock");
    EXPECT_EQ(r.Field(kColManufacturerId), "manufacturer_id");
    EXPECT_EQ(r.Field(kColDelete), "delete");
    EXPECT_EQ(r.Field(kColCurrency), "currency");
}

// Every byte but NUL, and a text longer than 16-bit offsets could reach.
std::string AllBytes() {
    std::string text;
    for (int c = 1; c < 256; ++c) {
        text += static_cast<char>(c);
    }
    return text;
}
const std::string kLong(70000, 'x');

// One edit of the packed texts: column gets text, or (from >= 0) a copy of column from's own text.
struct PackedEdit {
    const char* what;
    int column;
    std::string text;
    int from = -1;
};

// The record's twenty texts share one block; each edit must leave every other column as it was.
TEST(RecordTest, PackedTextsKeepEveryColumnThroughEdits) {
    const PackedEdit edits[] = {
        {"first column set", kColProductUrl, "http://a"},
        {"last column set", kColCurrency, "USD"},
        {"middle column grows", kColDescription, "A lamp for the desk, with a long cord"},
        {"same length in place", kColProductUrl, "http://b"},
        {"column shrinks", kColDescription, "A"},
        {"every byte but NUL", kColInstock, AllBytes()},
        {"over 64 KiB", kColName, kLong},
        {"a column after the long one", kColBrand, "Acme"},
        {"copied from its own block, longer", kColOfferId, "", kColName},
        {"copied from its own block, shorter", kColName, "", kColCurrency},
        {"emptied", kColInstock, ""},
        {"first column emptied", kColProductUrl, ""},
        {"last column emptied", kColCurrency, ""},
    };
    COtherRecord r;
    std::string model[kColumnCount];
    for (int k = 0; k < kColumnCount; ++k) {
        model[k] = "v" + std::to_string(k);
        r.SetField(k, model[k]);
    }
    for (const PackedEdit& e : edits) {
        if (e.from >= 0) {
            model[e.column] = model[e.from];
            r.SetField(e.column, r.Field(e.from));
        } else {
            model[e.column] = e.text;
            r.SetField(e.column, e.text);
        }
        for (int k = 0; k < kColumnCount; ++k) {
            ASSERT_EQ(r.Field(k), model[k]) << e.what << ", column " << k;
        }
    }

    // All twenty at once, and a record emptied column by column reads as empty.
    std::string_view texts[kColumnCount];
    for (int k = 0; k < kColumnCount; ++k) {
        texts[k] = k % 3 == 0 ? std::string_view() : std::string_view(kColumnNames[k]);
    }
    r.SetFields(texts);
    for (int k = 0; k < kColumnCount; ++k) {
        EXPECT_EQ(r.Field(k), texts[k]) << "SetFields, column " << k;
        r.SetField(k, "");
    }
    for (int k = 0; k < kColumnCount; ++k) {
        EXPECT_EQ(r.Field(k), "") << "emptied, column " << k;
    }
    EXPECT_THROW(r.Field(kColumnCount), std::out_of_range);
    EXPECT_THROW(r.SetField(-1, "x"), std::out_of_range);
}

// What goes along with a copy, an assignment, AssignFrom and a move.
TEST(RecordTest, CopiesKeepFlagsAndFindingsButNotTheRemovalMark) {
    COtherRecord a = MakeRecord("A1");
    a.SetField(kColDescription, kLong);
    a.removal_mark = a.data_checked = a.image_url_ok = true;
    a.SetUrlFindings({{7, kColImageUrl, "too small"}});

    // The record made from source (marked), and whether it is marked.
    struct Case {
        const char* how;
        COtherRecord (*make)(COtherRecord& source);
        bool marked;
    };
    // A record that already holds other texts and findings.
    static const auto target = [](bool marked) {
        COtherRecord t = MakeRecord("B2");
        t.SetUrlFindings({{1, kColProductUrl, "old"}});
        t.removal_mark = marked;
        return t;
    };
    const Case cases[] = {
        {"copy", [](COtherRecord& s) { return COtherRecord(s); }, false},
        {"assignment over a marked record",
         [](COtherRecord& s) {
             COtherRecord t = target(true);
             t = s;
             return t;
         },
         true},
        {"assignment over an unmarked record",
         [](COtherRecord& s) {
             COtherRecord t = target(false);
             t = s;
             return t;
         },
         false},
        {"AssignFrom over a marked record",
         [](COtherRecord& s) {
             COtherRecord t = target(true);
             t.AssignFrom(s);
             return t;
         },
         true},
        {"move", [](COtherRecord& s) { return COtherRecord(std::move(s)); }, true},
        {"move assignment",
         [](COtherRecord& s) {
             COtherRecord t = target(false);
             t = std::move(s);
             return t;
         },
         true},
    };
    for (const Case& c : cases) {
        COtherRecord source(a);
        source.removal_mark = true;
        const COtherRecord made = c.make(source);
        EXPECT_EQ(made.removal_mark, c.marked) << c.how;
        EXPECT_TRUE(made.data_checked && made.image_url_ok) << c.how;
        EXPECT_FALSE(made.urls_checked || made.product_url_ok) << c.how;
        EXPECT_EQ(made.Field(kColName), "Name A1") << c.how;
        EXPECT_EQ(made.Field(kColOfferId), "A1") << c.how;
        EXPECT_EQ(made.Field(kColDescription), kLong) << c.how;
        ASSERT_EQ(made.UrlFindings().size(), 1u) << c.how;
        EXPECT_EQ(made.UrlFindings()[0].message, "too small") << c.how;
    }
    // The source of a copy keeps its own texts, and a copy's texts are its own.
    COtherRecord copy(a);
    copy.SetField(kColName, "changed");
    EXPECT_EQ(a.Field(kColName), "Name A1");
    copy.SetUrlFindings({});
    EXPECT_TRUE(copy.UrlFindings().empty());
    EXPECT_EQ(a.UrlFindings().size(), 1u);
}

TEST(RecordTest, StatusTexts) {
    COtherRecord r;
    EXPECT_STREQ(r.DataStatusText(), "Unverified");
    r.product_url_ok = r.image_url_ok = true;  // not checked yet: the flags do not count
    EXPECT_STREQ(r.UrlStatusText(), "Unverified");
    r.urls_checked = true;
    EXPECT_STREQ(r.UrlStatusText(), "All OK");
    r.image_url_ok = false;
    EXPECT_STREQ(r.UrlStatusText(), "Err:Img Url");
    r.product_url_ok = false;
    EXPECT_STREQ(r.UrlStatusText(), "Err:All Url");
    r.image_url_ok = true;
    EXPECT_STREQ(r.UrlStatusText(), "Err:Prd Url");
    r.data_checked = true;
    EXPECT_STREQ(r.DataStatusText(), "Yes, All OK");
    EXPECT_STREQ(r.DeleteStatusText(), "");
    r.SetField(kColDelete, "N");  // any text counts as marked
    EXPECT_STREQ(r.DeleteStatusText(), "DELETE");
}

TEST(RecordTest, InStockReading) {
    COtherRecord r;
    for (const char* yes : {"y", "Y", "Yes", "YES", "yEs"}) {
        r.SetField(kColInstock, yes);
        EXPECT_TRUE(r.IsInStock()) << yes;
    }
    for (const char* no : {"N", "", "no", "YE", " Y", "true"}) {
        r.SetField(kColInstock, no);
        EXPECT_FALSE(r.IsInStock()) << no;
    }
}

TEST(FeedDocumentTest, ReplaceKeepsPlaceAndRemovalMarkAppendAddsAtEnd) {
    CFeedDocument doc;
    doc.AddOrReplaceRecord(MakeRecord("A"));
    doc.AddOrReplaceRecord(MakeRecord("B"));
    doc.AddOrReplaceRecord(MakeRecord("C"));
    doc.At(1).removal_mark = true;

    COtherRecord changed = MakeRecord("B-new");
    changed.urls_checked = true;
    doc.AddOrReplaceRecord(changed, 1);
    ASSERT_EQ(doc.Count(), 3u);
    EXPECT_EQ(doc.At(1).Field(kColOfferId), "B-new");
    EXPECT_TRUE(doc.At(1).urls_checked);
    EXPECT_TRUE(doc.At(1).removal_mark);

    COtherRecord marked = MakeRecord("D");
    marked.removal_mark = true;
    doc.AddOrReplaceRecord(marked);
    ASSERT_EQ(doc.Count(), 4u);
    EXPECT_EQ(doc.At(3).Field(kColOfferId), "D");
    EXPECT_FALSE(doc.At(3).removal_mark);

    EXPECT_EQ(doc.RemoveMarkedRecords(), 1u);
    ASSERT_EQ(doc.Count(), 3u);
    EXPECT_EQ(doc.At(1).Field(kColOfferId), "C");
}

TEST(FeedDocumentTest, OfferIdTakenIgnoresCaseAndOwnPosition) {
    CFeedDocument doc;
    doc.AddOrReplaceRecord(MakeRecord("Sku-100"));
    doc.AddOrReplaceRecord(MakeRecord("Sku-200"));
    EXPECT_TRUE(doc.IsOfferIdTaken("SKU-100"));
    EXPECT_TRUE(doc.IsOfferIdTaken("sku-200", 0));
    EXPECT_FALSE(doc.IsOfferIdTaken("Sku-100", 0));  // the record being edited
    EXPECT_FALSE(doc.IsOfferIdTaken("SKU-100", 0));
    EXPECT_FALSE(doc.IsOfferIdTaken(" Sku-100"));  // blanks are not ignored here
    EXPECT_FALSE(doc.IsOfferIdTaken("Sku-300"));
    EXPECT_FALSE(CFeedDocument().IsOfferIdTaken(""));
}

// The offer ids the document looks up stay those of its records through every kind of change: after each
// step every id (in either case, for every record being edited) gets the answer a walk over the records
// gives.
TEST(FeedDocumentTest, OfferIdLookupFollowsEveryChange) {
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    const std::vector<std::string> ids = {"A", "a", "B", "b", "C", "", " A"};
    const auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    CFeedDocument doc;
    for (int step = 0; step < 400; ++step) {
        const std::string id = ids[pick(ids.size())];
        const std::size_t kind = doc.Count() == 0 ? 0 : pick(5);
        if (kind == 0) {
            doc.AddOrReplaceRecord(MakeRecord(id));
        } else if (kind == 1) {
            doc.AddOrReplaceRecord(MakeRecord(id), pick(doc.Count()));
        } else if (kind == 2) {
            doc.At(pick(doc.Count())).SetField(kColOfferId, id);
        } else if (kind == 3) {
            doc.AppendLoadedRecord(MakeRecord(id));
        } else {
            doc.At(pick(doc.Count())).removal_mark = true;
            doc.RemoveMarkedRecords();
        }
        for (const std::string& asked : ids) {
            for (std::size_t skip = 0; skip <= doc.Count(); ++skip) {
                bool walked = false;
                for (std::size_t i = 0; i < doc.Count(); ++i) {
                    walked =
                        walked || (i != skip && EqualsNoCase(doc.Records()[i].Field(kColOfferId), asked));
                }
                ASSERT_EQ(doc.IsOfferIdTaken(asked, skip), walked)
                    << "seed " << seed << ", step " << step << ", id '" << asked << "', skip " << skip;
            }
        }
    }
}

// The changed flag follows what the document's own operations did, so no caller has to remember it.
TEST(FeedDocumentTest, ChangedFlagFollowsStoreRemoveAndSave) {
    CFeedDocument doc;
    EXPECT_FALSE(doc.IsChanged());
    COtherRecord r;
    r.SetField(kColOfferId, "a");
    doc.AddOrReplaceRecord(r);
    EXPECT_TRUE(doc.IsChanged());
    doc.MarkSaved();
    doc.AddOrReplaceRecord(r, 0);
    EXPECT_TRUE(doc.IsChanged());

    doc.MarkSaved();
    EXPECT_EQ(doc.RemoveMarkedRecords(), 0u);  // nothing marked: nothing changes
    EXPECT_FALSE(doc.IsChanged());
    doc.At(0).removal_mark = true;
    EXPECT_EQ(doc.RemoveMarkedRecords(), 1u);
    EXPECT_TRUE(doc.IsChanged());

    doc.MarkSaved();
    doc.RemoveAllRecords();  // already empty
    EXPECT_FALSE(doc.IsChanged());
    doc.AddOrReplaceRecord(r);
    doc.MarkSaved();
    doc.RemoveAllRecords();
    EXPECT_TRUE(doc.IsChanged());

    // A new feed starts from the default header values; the column set and the account stay the user's.
    doc.SetHeaders({"YES", "YES", "YES", "YES"});
    doc.SetBasicFormat(true);
    doc.SetAccount("shop");
    doc.StartNewFeed();
    EXPECT_FALSE(doc.IsChanged());
    for (const std::string* header : {&doc.Headers().htmlEscaped, &doc.Headers().updatesOnly,
                                      &doc.Headers().productType, &doc.Headers().quoted}) {
        EXPECT_EQ(*header, "");
    }
    EXPECT_TRUE(doc.IsBasicFormat());
    EXPECT_EQ(doc.Account(), "shop");
}

TEST(BuiltinListsTest, CountsAndExactEntries) {
    ASSERT_EQ(BuiltinColors().size(), 140u);
    ASSERT_EQ(BuiltinSizes().size(), 74u);
    ASSERT_EQ(BuiltinCategories().size(), 276u);
    ASSERT_EQ(CurrencyEntries().size(), 187u);
    ASSERT_EQ(CurrencyCodes().size(), 187u);
    auto endsWithBlank = [](const std::vector<std::string>& list) {
        int n = 0;
        for (const auto& e : list) {
            n += !e.empty() && e.back() == ' ';
            EXPECT_NE(e.front(), ' ') << e;
        }
        return n;
    };
    EXPECT_EQ(endsWithBlank(BuiltinCategories()), 192);
    EXPECT_EQ(endsWithBlank(BuiltinSizes()), 17);
    EXPECT_EQ(endsWithBlank(BuiltinColors()), 0);
    EXPECT_EQ(BuiltinColors().front(), "Alice Blue");
    EXPECT_EQ(BuiltinColors().back(), "Yellow Green");
    EXPECT_EQ(CurrencyEntries()[kDefaultCurrencyIndex], "USD American Dollar ");
    EXPECT_EQ(CurrencyCodes()[kDefaultCurrencyIndex], "USD");
    EXPECT_EQ(CurrencyEntries().front(), "ADP Andoran peseta ");
    EXPECT_EQ(CurrencyEntries().back(), "ZWD Zimbabwean Dollar ");
}

TEST(BuiltinListsTest, DuplicatesAreKept) {
    const auto& sizes = BuiltinSizes();
    for (const char* twice : {"14", "16", "6.5 ", "7.5 ", "8.5 "}) {
        EXPECT_EQ(std::count(sizes.begin(), sizes.end(), twice), 2) << twice;
    }
    const auto& cats = BuiltinCategories();
    EXPECT_EQ(std::count(cats.begin(), cats.end(), "Electronics > Communications > Cell Phone Accessories "),
              1);
    EXPECT_EQ(std::count(cats.begin(), cats.end(), "Electronics > Communications > Telephones"), 1);
}

TEST(BuiltinListsTest, CurrencyLookup) {
    const auto& codes = CurrencyCodes();
    const int ecs = FindCurrencyIndex(codes, "ecs");
    ASSERT_GE(ecs, 0);
    EXPECT_EQ(CurrencyEntries()[static_cast<std::size_t>(ecs)], "ECS ECUADORIAN SUCRE ");
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "ECS"), 2);
    EXPECT_EQ(FindCurrencyIndex(codes, "ADP"), 0);
    EXPECT_EQ(FindCurrencyIndex(codes, "ZWD"), 186);
    EXPECT_EQ(FindCurrencyIndex(codes, "usd"), kDefaultCurrencyIndex);
    EXPECT_EQ(FindCurrencyIndex(codes, "XXX"), -1);
    EXPECT_EQ(FindCurrencyIndex(codes, ""), -1);
}

}  // namespace
}  // namespace yarvelin
