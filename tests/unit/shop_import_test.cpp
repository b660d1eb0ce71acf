// Reading shop exports and mapping their columns: the CSV reader, templates, money, transformations,
// variants, the record hook, map files and the profiles shipped with the program.
#include <gtest/gtest.h>

#include <cctype>

#include "app/feed_document.h"
#include "feed_test_support.h"
#include "handfiles/hand_file.h"
#include "import/csv_reader.h"
#include "import/import_error.h"
#include "import/map_file.h"
#include "import/shop_import.h"

namespace yarvelin {
namespace {

using test::CTempFolder;
using test::WriteBytes;
using Rows = std::vector<std::vector<std::string>>;

struct CsvCase {
    const char* name;
    std::string bytes;
    char separator;  // 0: detected
    Rows rows;       // header first; values in Windows-1252
    std::vector<long long> lines;
};

class CsvReading : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvReading, GivesRowsWithTheirLines) {
    const CsvCase& c = GetParam();
    CTempFolder dir;
    WriteBytes(dir.File("in.csv"), c.bytes);
    CCsvReader reader;
    reader.Open(dir.File("in.csv"), c.separator);
    Rows rows{reader.Header()};
    std::vector<long long> lines;
    std::vector<std::string> cells;
    while (reader.Next(cells)) {
        rows.push_back(cells);
        lines.push_back(reader.RowLine());
    }
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CsvReading,
    ::testing::Values(
        CsvCase{"comma", "a,b\r\n1,2\r\n", 0, {{"a", "b"}, {"1", "2"}}, {2}},
        CsvCase{"semicolon_wins_over_commas_in_quotes",
                "a;\"b,c\";d\n1,5;2;3\n",
                0,
                {{"a", "b,c", "d"}, {"1,5", "2", "3"}},
                {2}},
        CsvCase{"tab", "a\tb\n 1 \t\"x\ty\"\n", 0, {{"a", "b"}, {" 1 ", "x\ty"}}, {2}},
        CsvCase{"given_separator", "a;b\n1;2\n", ',', {{"a;b"}, {"1;2"}}, {2}},
        CsvCase{"quotes_doubled_and_line_breaks_inside",
                "n,d\n\"say \"\"hi\"\"\",\"one\r\ntwo\"\nx,y\n",
                0,
                {{"n", "d"}, {"say \"hi\"", "one\ntwo"}, {"x", "y"}},
                {2, 4}},
        CsvCase{"blank_lines_between_rows", "a\n\n1\n\n\n2", 0, {{"a"}, {"1"}, {"2"}}, {3, 6}},
        CsvCase{"utf8_with_bom",
                "\xEF\xBB\xBFname\n\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\n",
                0,
                {{"name"}, {"\xE9t\xE9 \x80"}},
                {2}},
        CsvCase{
            "cp1252_kept_byte_for_byte", "name\n\xE9t\xE9 \x80\n", 0, {{"name"}, {"\xE9t\xE9 \x80"}}, {2}},
        CsvCase{"empty_values", "a,b,c\n,,\n", 0, {{"a", "b", "c"}, {"", "", ""}}, {2}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadExport {
    const char* name;
    std::string bytes;
    long long line;
    const char* what;
};

class BadExports : public ::testing::TestWithParam<BadExport> {};

// Each broken export is refused with its line, and nothing is written where the feed would go.
TEST_P(BadExports, AreRefusedWithTheirLine) {
    const BadExport& c = GetParam();
    CTempFolder dir;
    WriteBytes(dir.File("in.csv"), c.bytes);
    WriteBytes(dir.File("out.txt"), "earlier");
    ImportSettings settings;
    settings.map.matchFeedNames = true;
    test::CRecordingObserver observer;
    ImportCounts counts;
    try {
        ImportToFeedFile(dir.File("in.csv"), dir.File("out.txt"), settings, {}, false, observer, counts);
        FAIL() << "accepted";
    } catch (const CImportError& e) {
        EXPECT_EQ(e.Line(), c.line) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::ReadBytes(dir.File("out.txt")), "earlier");
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadExports,
    ::testing::Values(
        BadExport{"ragged_row", "offer_id,name\nA,1\nB\n", 3, "1 values, the header line has 2"},
        BadExport{"row_too_long", "offer_id,name\nA,1,x\n", 2, "3 values"},
        BadExport{"unclosed_quote", "offer_id,name\nA,1\nB,\"open\nC,2\n", 3, "never closed"},
        // Closed by a quote further down, the value swallows whole rows.
        BadExport{"unclosed_quote_closed_later", "offer_id,name\nA,1\nB,\"open\nC,2\nD,\"x\",y\nE,3\n", 3,
                  "never closed: it runs on over the next lines (the row has 3 values"},
        BadExport{"binary", std::string("offer_id\nA\n\x01\x02\x00\x03\n", 14), 3, "binary"},
        BadExport{"empty", "", 0, "empty"},
        BadExport{"nothing_mappable", "sku,title\nA,1\n", 1, "no column of the header line"},
        BadExport{"same_name_twice", "offer_id,name,Name,name\nA,1,2,3\n", 1, "'name' (columns 2 and 4)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BadExports, TemplateNamingAMissingColumnListsTheColumns) {
    CTempFolder dir;
    WriteBytes(dir.File("in.csv"), "SKU,Title\nA,x\n");
    ImportSettings settings;
    settings.map.templates[6] = "{SKU}|{Id}";
    try {
        ReadShopExport(dir.File("in.csv"), settings, [](COtherRecord&, long long) {});
        FAIL() << "accepted";
    } catch (const CImportError& e) {
        EXPECT_EQ(e.GetKind(), CImportError::Kind::kMap);
        EXPECT_NE(std::string(e.what()).find("'Id'"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("'SKU', 'Title'"), std::string::npos) << e.what();
    }
}

struct MoneyCase {
    const char* in;
    const char* out;
};

class Money : public ::testing::TestWithParam<MoneyCase> {};

TEST_P(Money, IsWrittenWithTwoDecimals) {
    std::string text = GetParam().in;
    NormalizeMoney(text);
    EXPECT_EQ(text, GetParam().out) << GetParam().in;
}

INSTANTIATE_TEST_SUITE_P(Table, Money,
                         ::testing::Values(MoneyCase{"12", "12.00"}, MoneyCase{"12.5", "12.50"},
                                           MoneyCase{"12,5", "12.50"}, MoneyCase{"1.234,56", "1234.56"},
                                           MoneyCase{"1,234.56", "1234.56"}, MoneyCase{"1,234", "1,234"},
                                           MoneyCase{"1.234.567", "1234567.00"}, MoneyCase{"0,125", "0.13"},
                                           MoneyCase{"$ 19.99", "19.99"}, MoneyCase{"19,99 \x80", "19.99"},
                                           MoneyCase{"EUR 1 234,50", "1234.50"},
                                           MoneyCase{"1'234.50 CHF", "1234.50"}, MoneyCase{"-3", "-3.00"},
                                           MoneyCase{"9,995", "9,995"}, MoneyCase{"9.999,995", "10000.00"},
                                           MoneyCase{".5", "0.50"}, MoneyCase{"-0,001", "0.00"},
                                           MoneyCase{"", ""}, MoneyCase{"call us", "call us"},
                                           MoneyCase{"12-14", "12-14"}, MoneyCase{"1.2.3,4,5", "1.2.3,4,5"},
                                           MoneyCase{"Call 0800 123", "Call 0800 123"},
                                           MoneyCase{"1.2.3", "1.2.3"}, MoneyCase{"12 34", "12 34"}));

// Machine exports write one decimal mark and never group thousands; what they cannot have written is no
// number. The currency beside the number is given back for the feed's currency to be compared.
struct MoneyFormCase {
    NumberForm form;
    const char* in;
    const char* out;
    const char* currency;
};

class MoneyForms : public ::testing::TestWithParam<MoneyFormCase> {};

TEST_P(MoneyForms, ReadOnlyWhatTheFormWrites) {
    std::string text = GetParam().in;
    EXPECT_EQ(NormalizeMoney(text, GetParam().form), GetParam().currency) << GetParam().in;
    EXPECT_EQ(text, GetParam().out) << GetParam().in;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MoneyForms,
    ::testing::Values(MoneyFormCase{NumberForm::kDot, "2.500", "2.50", ""},
                      MoneyFormCase{NumberForm::kDot, "19.990", "19.99", ""},
                      MoneyFormCase{NumberForm::kDot, "19.9900", "19.99", ""},
                      MoneyFormCase{NumberForm::kDot, "1,234.50", "1,234.50", ""},
                      MoneyFormCase{NumberForm::kDot, "12,5", "12.50", ""},
                      MoneyFormCase{NumberForm::kDot, "1 234", "1 234", ""},
                      MoneyFormCase{NumberForm::kDot,
                                    "\x80"
                                    "25",
                                    "25.00", "\x80"},
                      MoneyFormCase{NumberForm::kDot, "25 EUR", "25.00", "EUR"},
                      MoneyFormCase{NumberForm::kDot, "US$ 5", "5.00", "US$"},
                      MoneyFormCase{NumberForm::kDot, "Call 0800 123", "Call 0800 123", ""},
                      MoneyFormCase{NumberForm::kComma, "2,500", "2.50", ""},
                      MoneyFormCase{NumberForm::kComma, "2.500", "2.500", ""},
                      MoneyFormCase{NumberForm::kGuess, "2.500", "2.500", ""},
                      MoneyFormCase{NumberForm::kGuess, "1.234,50 \xA3", "1234.50", "\xA3"},
                      MoneyFormCase{NumberForm::kGuess, "0800 123", "0800 123", ""}));

TEST(MoneyForms, ACurrencyFitsTheCodesItMayStandFor) {
    EXPECT_TRUE(CurrencyFits("\x80", "eur"));
    EXPECT_FALSE(CurrencyFits("\x80", "GBP"));
    EXPECT_TRUE(CurrencyFits("$", "CAD"));
    EXPECT_FALSE(CurrencyFits("US$", "CAD"));
    EXPECT_TRUE(CurrencyFits("KR", "SEK"));
    EXPECT_FALSE(CurrencyFits("EUR", "USD"));
    EXPECT_TRUE(CurrencyFits("EUR", ""));
}

TEST(ExportDates, AreReadInTheFormsShopsWrite) {
    const long long day = *ExportDay("2024-03-31");
    EXPECT_EQ(ExportDay("2024-03-31 23:59:59"), day);
    EXPECT_EQ(ExportDay("2024-03-31T00:00:00+02:00"), day);
    EXPECT_EQ(ExportDay("1711843200"), day);  // a Unix time at midnight
    EXPECT_EQ(ExportDay("3/31/24, 12:00 AM"), day);
    EXPECT_EQ(ExportDay("3/31/2024"), day);
    EXPECT_EQ(ExportDay("Mar 31, 2024"), day);
    EXPECT_EQ(ExportDay("2024/03/31"), day);
    EXPECT_EQ(ExportDay("1970-01-02"), 1);
    EXPECT_FALSE(ExportDay("31.03.2024"));
    EXPECT_FALSE(ExportDay("2024-13-01"));
}

struct TransformCase {
    unsigned transforms;
    const char* in;
    const char* out;
};

class Transforms : public ::testing::TestWithParam<TransformCase> {};

TEST_P(Transforms, ChangeTheValue) {
    std::string text = GetParam().in;
    ApplyTransforms(GetParam().transforms, text);
    EXPECT_EQ(text, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Transforms,
    ::testing::Values(
        TransformCase{kFirstItem, "http://a/1.jpg, http://a/2.jpg", "http://a/1.jpg"},
        TransformCase{kFirstItem, "a|b", "a"}, TransformCase{kFirstItem, "only", "only"},
        TransformCase{kCategoryPath, "Default Category/Gear/Bags", "Default Category > Gear > Bags"},
        TransformCase{kCategoryPath, "Home>Kitchen >  Pots", "Home > Kitchen > Pots"},
        TransformCase{kFirstItem | kCategoryPath, "A > B, C > D", "A > B"}, TransformCase{kYesNo, "1", "Y"},
        TransformCase{kYesNo, "instock", "Y"}, TransformCase{kYesNo, "TRUE", "Y"},
        TransformCase{kYesNo, "17", "Y"}, TransformCase{kYesNo, "0", "N"},
        TransformCase{kYesNo, "outofstock", "N"}, TransformCase{kYesNo, "-2", "N"},
        TransformCase{kYesNo, "maybe", "maybe"}, TransformCase{kKeepHtml, "<b>x</b>", "<b>x</b>"},
        TransformCase{kDeepestItem | kCategoryPath, "Clothing, Clothing > T-shirts", "Clothing > T-shirts"},
        TransformCase{kDeepestItem, "Home \\, Garden > Tools, Sale", "Home , Garden > Tools"},
        TransformCase{kCurrencyCode, "25.00 EUR", "EUR"}, TransformCase{kCurrencyCode, "usd 3", "USD"},
        TransformCase{kCurrencyCode, "$3.00", ""}, TransformCase{kCurrencyCode, "12.50", ""}));

struct TemplateCase {
    const char* templ;
    std::vector<std::string> row;  // for the header SKU, ID, Name, Opt, Val
    const char* out;
};

class Templates : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(Templates, TakeTheFirstCompleteAlternative) {
    ColumnMap map;
    map.templates[1] = "{Name}";
    map.templates[6] = GetParam().templ;
    map.attributes.push_back({"Opt", "Val"});
    const CCompiledMap compiled(map, {"SKU", "ID", "Name", "Opt", "Val"}, "https://shop.example/");
    COtherRecord record;
    compiled.Apply(GetParam().row, record);
    EXPECT_EQ(record.Field(kColOfferId), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Templates,
    ::testing::Values(TemplateCase{"{SKU}|{ID}", {"S1", "7", "", "", ""}, "S1"},
                      TemplateCase{"{SKU}|{ID}", {"", "7", "", "", ""}, "7"},
                      TemplateCase{"{SKU}-{Name}|x{ID}", {"S1", "7", "", "", ""}, "x7"},
                      TemplateCase{"{SKU}|{ID}", {"", "", "", "", ""}, ""},
                      TemplateCase{"fixed", {"", "", "", "", ""}, "fixed"},
                      TemplateCase{"{base}/p/{ID}", {"", "7", "", "", ""}, "https://shop.example/p/7"},
                      TemplateCase{"a\\|b\\{c\\}", {"", "", "", "", ""}, "a|b{c}"},
                      TemplateCase{"{sku}", {"S1", "", "", "", ""}, "S1"},
                      TemplateCase{"{attribute:colour}|none", {"", "", "", "Colour", "Red"}, "Red"},
                      TemplateCase{"{attribute:colour}|none", {"", "", "", "Size", "M"}, "none"},
                      TemplateCase{"caf\xC3\xA9", {"", "", "", "", ""}, "caf\xE9"}));

// Imports bytes with the map and gives the records made, with the counts.
std::vector<COtherRecord> Import(const std::string& bytes, const ImportSettings& settings,
                                 ImportCounts* counts = nullptr) {
    CTempFolder dir;
    WriteBytes(dir.File("in.csv"), bytes);
    std::vector<COtherRecord> records;
    const ImportCounts c = ReadShopExport(dir.File("in.csv"), settings,
                                          [&](COtherRecord& r, long long) { records.push_back(r); });
    if (counts != nullptr) {
        *counts = c;
    }
    return records;
}

std::vector<ColumnMap> ShippedProfiles() {
    return LoadProfiles(std::string(YARVELIN_FIXTURES) + "/../../resources/Maps");
}

TEST(Variants, ShopifyRowsOfOneHandleAreOneProductWithAnOfferPerVariant) {
    const std::vector<ColumnMap> profiles = ShippedProfiles();
    ImportSettings settings;
    settings.map = profiles[FindProfile(profiles, "shopify")];
    settings.baseUrl = "https://s.example";
    ImportCounts counts;
    const auto records = Import(
        "Handle,Title,Body (HTML),Vendor,Type,Option1 Name,Option1 Value,Variant SKU,Variant Price,Image "
        "Src\n"
        "tee,Tee,<p>Soft</p>,Acme,Shirts,Color,Red,T-R,10,http://i/1.jpg\n"
        "tee,,,,,,Blue,,\"11,50\",\n"
        "tee,,,,,,,,,http://i/2.jpg\n"
        "mug,Mug,,Acme,Kitchen,Title,Default Title,M-1,5,\n",
        settings, &counts);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Field(kColOfferId), "T-R");
    EXPECT_EQ(records[0].Field(kColColor), "Red");
    // The second variant has no SKU of its own: it never takes the first row's.
    EXPECT_EQ(records[1].Field(kColOfferId), "tee-Blue");
    EXPECT_EQ(records[1].Field(kColName), "Tee");
    EXPECT_EQ(records[1].Field(kColPrice), "11.50");
    EXPECT_EQ(records[1].Field(kColColor), "Blue");
    EXPECT_EQ(records[1].Field(kColImageUrl), "http://i/1.jpg");
    EXPECT_EQ(records[1].Field(kColProductId), "tee");
    EXPECT_EQ(records[1].Field(kColProductUrl), "https://s.example/products/tee");
    EXPECT_EQ(records[2].Field(kColColor), "");
    EXPECT_EQ(counts.rowsRead, 4);
    EXPECT_EQ(counts.products, 3);
    EXPECT_EQ(counts.rowsSkipped, 0);
}

TEST(Variants, WooCommerceVariationsTakeWhatTheyLeaveEmptyFromTheirParent) {
    const std::vector<ColumnMap> profiles = ShippedProfiles();
    ImportSettings settings;
    settings.map = profiles[FindProfile(profiles, "woocommerce")];
    settings.baseUrl = "https://w.example";
    ImportCounts counts;
    const auto records = Import(
        "ID,Type,SKU,Name,Description,Regular price,Categories,Images,Parent,In stock?,Attribute 1 name,"
        "Attribute 1 value(s)\n"
        "10,variable,HOOD,Hoodie,Warm,,\"Clothing > Hoodies, Sale\",\"http://i/h.jpg, "
        "http://i/h2.jpg\",,1,Size,"
        "\"S, M\"\n"
        "11,variation,HOOD-S,Hoodie - S,,35,,,id:10,1,Size,S\n"
        "12,variation,,Hoodie - M,,36,,,HOOD,0,Size,M\n"
        "13,simple,,Cap,Red cap,9.5,Hats,,,1,,\n",
        settings, &counts);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Field(kColOfferId), "HOOD-S");
    EXPECT_EQ(records[0].Field(kColDescription), "Warm");
    EXPECT_EQ(records[0].Field(kColCategory), "Clothing > Hoodies");
    EXPECT_EQ(records[0].Field(kColImageUrl), "http://i/h.jpg");
    EXPECT_EQ(records[0].Field(kColProductUrl), "https://w.example/?post_type=product&p=10");
    EXPECT_EQ(records[0].Field(kColProductId), "10");
    EXPECT_EQ(records[0].Field(kColSize), "S");
    EXPECT_EQ(records[1].Field(kColOfferId), "wc-12");
    EXPECT_EQ(records[1].Field(kColInstock), "N");
    EXPECT_EQ(records[2].Field(kColOfferId), "wc-13");
    EXPECT_EQ(records[2].Field(kColPrice), "9.50");
    EXPECT_EQ(counts.rowsRead, 4);
    EXPECT_EQ(counts.products, 3);
}

// The shipped profiles on small exports: what each shop does not sell is skipped with its reason, variants
// take only their product's values, sale prices count between their dates (judged on 2024-06-15).
struct ProfileCase {
    const char* name;
    const char* profile;
    std::string csv;
    int column;           // the feed column shown after each offer id
    const char* offers;   // "offer_id=value " for each product
    const char* skipped;  // "reason:count " for each reason
};

class ProfileRows : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileRows, GiveWhatTheShopSells) {
    const std::vector<ColumnMap> profiles = ShippedProfiles();
    ImportSettings settings;
    settings.map = profiles[FindProfile(profiles, GetParam().profile)];
    settings.baseUrl = "https://s.example";
    settings.date = "2024-06-15";
    settings.currency = "EUR";
    ImportCounts counts;
    std::string offers;
    for (const COtherRecord& r : Import(GetParam().csv, settings, &counts)) {
        offers += std::string(r.Field(kColOfferId)) + "=" + std::string(r.Field(GetParam().column)) + " ";
    }
    std::string skipped;
    for (const auto& [reason, count] : counts.skippedByReason) {
        skipped += reason + ":" + std::to_string(count) + " ";
    }
    EXPECT_EQ(offers, GetParam().offers) << GetParam().name;
    EXPECT_EQ(skipped, GetParam().skipped) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileRows,
    ::testing::Values(
        ProfileCase{"shopify drafts, archived, unpublished", "shopify",
                    "Handle,Title,Published,Status,Variant SKU,Variant Price\n"
                    "a,A,TRUE,active,A1,5\nb,B,TRUE,draft,B1,5\nc,C,TRUE,archived,C1,5\n"
                    "d,D,FALSE,active,D1,5\nd,,,,D2,6\n",
                    kColPrice, "A1=5.00 ", "not active:2 not published:2 "},
        ProfileCase{"shopify variant picture and stock", "shopify",
                    "Handle,Title,Option1 Name,Option1 Value,Variant SKU,Variant Price,Variant Inventory "
                    "Tracker,Variant Inventory Qty,Variant Inventory Policy,Image Src,Variant Image\n"
                    "t,T,Color,Grey,G,5,shopify,0,deny,http://i/grey.jpg,\n"
                    "t,,,Blue,B,5,shopify,0,continue,http://i/blue-side.jpg,\n"
                    "t,,,Red,R,5,,0,deny,,http://i/red.jpg\n",
                    kColImageUrl, "G=http://i/grey.jpg B=http://i/grey.jpg R=http://i/red.jpg ", ""},
        ProfileCase{"shopify stock as the shop means it", "shopify",
                    "Handle,Title,Option1 Name,Option1 Value,Variant SKU,Variant Price,Variant Inventory "
                    "Tracker,Variant Inventory Qty,Variant Inventory Policy\n"
                    "t,T,Size,S,S,5,shopify,0,deny\nt,,,M,M,5,shopify,0,continue\nt,,,L,L,5,,0,deny\n",
                    kColInstock, "S=N M=Y L=Y ", ""},
        ProfileCase{"woocommerce unpublished, grouped, any size, no SKU", "woocommerce",
                    "ID,Type,SKU,Name,Published,Regular price,Parent,In stock?,Attribute 1 name,Attribute 1 "
                    "value(s)\n"
                    "1,variable,TEE,Tee,1,,,1,Size,\"S, M\"\n"
                    ",variation,,Tee,1,5,TEE,1,Size,\n"
                    ",variation,,Tee,1,5,TEE,backorder,Size,\n"
                    "4,simple,DRAFT,Draft,-1,5,,1,,\n"
                    "5,\"grouped\",SET,Set,1,,,1,,\n"
                    "6,variable,HID,Hidden,0,,,1,Size,\"S, M\"\n"
                    "7,variation,HID-S,Hidden S,1,5,HID,1,Size,S\n",
                    kColInstock, "TEE=Y TEE-2=Y ",
                    "not published:2 grouped product:1 its product is skipped:1 "},
        ProfileCase{"woocommerce sale dates", "woocommerce",
                    "ID,Type,SKU,Name,Regular price,Sale price,Date sale price starts,Date sale price ends\n"
                    "1,simple,OVER,A,5,4,2024-01-01,2024-06-14\n"
                    "2,simple,NOW,B,5,4,2024-06-15 00:00:00,2024-06-15 23:59:59\n"
                    "3,simple,LATER,C,5,4,1719792000,\n"
                    "4,simple,OPEN,D,5,4,,\n",
                    kColPrice, "OVER=5.00 NOW=4.00 LATER=5.00 OPEN=4.00 ", ""},
        ProfileCase{"woocommerce money and currency", "woocommerce",
                    "ID,Type,SKU,Name,Regular price\n1,simple,A,A,2.500\n2,simple,B,B,19.990\n"
                    "3,simple,C,C,Call 0800 123\n4,simple,D,D,\xA3"
                    "25\n5,simple,E,E,\x80"
                    "25\n",
                    kColPrice, "A=2.50 B=19.99 C=Call 0800 123 E=25.00 ", "another currency:1 "},
        ProfileCase{"magento store views, disabled, special price", "magento2",
                    "sku,store_view_code,product_type,name,product_online,price,special_price,special_price_"
                    "from_date,special_price_to_date,url_key\n"
                    "M1,,simple,One,1,30.0000,25.0000,6/1/24,6/30/24,one\n"
                    "M1,de,simple,Eins,1,,,,,eins\n"
                    "M2,,simple,Two,2,30.0000,,,,two\n"
                    "M3,,simple,Three,1,30.0000,25.0000,5/1/24,5/31/24,three\n",
                    kColPrice, "M1=25.00 M3=30.00 ", "store view row:1 disabled:1 "},
        ProfileCase{"magento configurable children before their parent", "magento2",
                    "sku,product_type,name,price,url_key,visibility,configurable_variations,additional_"
                    "attributes\n"
                    "MH01-S,simple,Hoodie-S,30.0000,mh01-s,Not Visible Individually,,size=S\n"
                    "MH01-M,simple,Hoodie-M,31.0000,mh01-m,Not Visible Individually,,size=M\n"
                    "MH01,configurable,Hoodie,,mh01,\"Catalog, Search\",\"sku=MH01-S,size=S|sku=MH01-M,"
                    "size=M\",\n",
                    kColProductUrl, "MH01-S=https://s.example/mh01.html MH01-M=https://s.example/mh01.html ",
                    ""},
        ProfileCase{
            "prestashop inactive", "prestashop",
            "Product ID;Active (0/1);Name *;Price tax included;Reference #\n1;1;A;10,50;PA\n2;0;B;9;PB\n",
            kColPrice, "PA=10.50 ", "inactive:1 "}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(ExportsMakingNoProduct, LeaveTheFeedFileAsItWas) {
    CTempFolder dir;
    WriteBytes(dir.File("in.csv"), "Handle,Title,Status,Variant SKU,Variant Price\na,A,draft,A1,5\n");
    WriteBytes(dir.File("out.txt"), "old feed");
    const std::vector<ColumnMap> profiles = ShippedProfiles();
    ImportSettings settings;
    settings.map = profiles[FindProfile(profiles, "shopify")];
    settings.baseUrl = "https://s.example";
    CQuietFeedFileObserver observer;
    ImportCounts counts;
    EXPECT_TRUE(
        ImportToFeedFile(dir.File("in.csv"), dir.File("out.txt"), settings, {}, false, observer, counts));
    EXPECT_EQ(counts.products, 0);
    EXPECT_EQ(test::ReadBytes(dir.File("out.txt")), "old feed");
}

// The hook sees each record as the map made it and decides; what it leaves out is skipped with a reason,
// as rows without an offer id are.
TEST(RecordHook, SeesMappedRecordsAndLeavesOutWhatItRefuses) {
    ImportSettings settings;
    settings.map.matchFeedNames = true;
    settings.currency = "EUR";
    std::vector<std::string> seen;
    settings.keepRecord = [&](COtherRecord& r) {
        seen.push_back(std::string(r.Field(kColPrice)) + "/" + std::string(r.Field(kColCurrency)));
        r.SetField(kColBrand, "hooked");
        return r.Field(kColOfferId) != "B";
    };
    ImportCounts counts;
    const auto records = Import("offer_id,price\nA,\"1,5\"\nB,2\n,3\n", settings, &counts);
    EXPECT_EQ(seen, (std::vector<std::string>{"1.50/EUR", "2.00/EUR", "3.00/EUR"}));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Field(kColBrand), "hooked");
    EXPECT_EQ(counts.rowsSkipped, 2);
    ASSERT_EQ(counts.skipped.size(), 2u);
    EXPECT_EQ(counts.skipped[0].line, 3);
    EXPECT_EQ(counts.skipped[0].reason, kLeftOutReason);
    EXPECT_EQ(counts.skipped[1].line, 4);
    EXPECT_EQ(counts.skipped[1].reason, kNoOfferIdReason);
}

TEST(ImportIntoDocument, FillsANewUnnamedChangedFeedAndLeavesItAloneOnError) {
    CTempFolder dir;
    WriteBytes(dir.File("good.csv"), "offer_id,description\nA,\"two\nlines\"\n");
    WriteBytes(dir.File("bad.csv"), "offer_id\n\"A\n");
    CFeedDocument doc;
    ImportSettings settings;
    settings.map.matchFeedNames = true;
    ImportIntoDocument(doc, dir.File("good.csv"), settings);
    ASSERT_EQ(doc.Count(), 1u);
    EXPECT_EQ(doc.At(0).Field(kColDescription), "two lines");  // as the written feed reads back
    EXPECT_TRUE(doc.IsChanged());
    EXPECT_EQ(doc.FileName(), "");
    EXPECT_THROW(ImportIntoDocument(doc, dir.File("bad.csv"), settings), CImportError);
    EXPECT_EQ(doc.Count(), 1u);
}

TEST(MapFiles, WrittenMapsReadBackTheSame) {
    for (const ColumnMap& profile : ShippedProfiles()) {
        const ColumnMap again = ParseColumnMap(FormatColumnMap(profile), "again.toml");
        EXPECT_EQ(FormatColumnMap(again), FormatColumnMap(profile)) << profile.name;
        EXPECT_EQ(again.templates, profile.templates) << profile.name;
        EXPECT_EQ(again.transforms, profile.transforms) << profile.name;
    }
}

// A map of one's own keeps the shop's address and the currency the import window was given.
TEST(MapFiles, KeepTheShopAddressAndCurrency) {
    for (const auto& [base, currency] : {std::pair{"https://shop.example.com", "EUR"}, std::pair{"", ""},
                                         std::pair{"https://example.com/\"quoted\"", ""}}) {
        ColumnMap map;
        map.baseUrl = base;
        map.currency = currency;
        map.templates[kColOfferId] = "{SKU}";
        const std::string text = FormatColumnMap(map);
        const ColumnMap again = ParseColumnMap(text, "mine.toml");
        EXPECT_EQ(again.baseUrl, base) << text;
        EXPECT_EQ(again.currency, currency) << text;
        EXPECT_EQ(text.find("base_url") != std::string::npos, *base != '\0') << text;
    }
}

struct BadMap {
    const char* text;
    int line;
    const char* what;
};

class BadMaps : public ::testing::TestWithParam<BadMap> {};

TEST_P(BadMaps, NameTheirLine) {
    try {
        ParseColumnMap(GetParam().text, "m.toml");
        FAIL() << "accepted";
    } catch (const CHandFileError& e) {
        EXPECT_EQ(e.Line(), GetParam().line) << e.what();
        EXPECT_NE(e.What().find(GetParam().what), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadMaps,
    ::testing::Values(
        BadMap{"[columns]\nofer_id = \"{SKU}\"\n", 2, "'ofer_id' is no feed column"},
        BadMap{"[columns]\nname = \"{Title\"\n", 2, "without its '}'"},
        BadMap{"\n[transform]\ncategory = [\"path\"]\n", 3, "'path' is no transformation"},
        BadMap{"profil = \"x\"\n", 1, "profil"},
        BadMap{"number_form = \"german\"\n", 1, "number_form is dot, comma or guess"},
        BadMap{"\n[[skip]]\nreason = \"draft\"\n", 2, "when is missing"},
        BadMap{"[[skip]]\nreason = \"x\"\nwhen = { column = \"Status\", equal = \"a\" }\n", 3, "equal"},
        BadMap{"[[set]]\ncolumn = \"stock\"\nvalue = \"Y\"\nwhen = { column = \"A\", empty = true }\n", 2,
               "'stock' is no feed column"}));

TEST(Profiles, AreDetectedFromTheHeaderLine) {
    const std::vector<ColumnMap> profiles = ShippedProfiles();
    const auto detect = [&](std::vector<std::string> header) {
        const int i = DetectProfile(profiles, header);
        return i < 0 ? std::string("none") : profiles[i].name;
    };
    EXPECT_EQ(detect({"ID", "Type", "SKU", "Name", "Regular price", "Parent", "Images"}), "woocommerce");
    EXPECT_EQ(detect({"Handle", "Title", "Body (HTML)", "Variant SKU", "Variant Price"}), "shopify");
    EXPECT_EQ(detect({"sku", "product_type", "attribute_set_code", "url_key", "base_image", "name"}),
              "magento2");
    EXPECT_EQ(detect({"Product ID", "Reference #", "Categories (x,y,z...)", "Image URLs (x,y,z...)"}),
              "prestashop");
    EXPECT_EQ(detect({"id", "title", "description", "link", "image_link", "price"}), "google");
    EXPECT_EQ(detect({"Offer ID", "Name"}), "generic");
}

}  // namespace
}  // namespace yarvelin
