#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/feed_document.h"
#include "app/yarvelin_app.h"
#include "dialogs/product_rules.h"
#include "records/builtin_lists.h"
#include "records/number_text.h"

namespace yarvelin {

void PrintTo(const LocalDateTime& d, std::ostream* os) {
    *os << d.year << '-' << d.month << '-' << d.day << ' ' << d.hour << ':' << d.minute << ':' << d.second;
}

namespace {

// A form that passes validation.
ProductForm CompleteForm() {
    ProductForm f;
    f.offerId = "A-1";
    f.name = "Kettle";
    f.description = "Steel kettle";
    f.productUrl = "http://shop.example/kettle";
    f.imageUrl = "http://shop.example/kettle.jpg";
    f.category = "Home & Garden > Kitchen";
    return f;
}

// Runs a test body under a fixed time zone with daylight-saving time, then restores the old one.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> m_old;
};
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

struct OfferIdCase {
    const char* typed;
    std::optional<std::size_t> editing;
    bool taken;
};
class OfferIdTakenTest : public ::testing::TestWithParam<OfferIdCase> {};

TEST_P(OfferIdTakenTest, DuplicatesIgnoreCaseButNotBlanksAndNeverTheOwnRecord) {
    CFeedDocument doc;
    for (const char* id : {"SKU-1", "sku-2", "Abc"}) {
        COtherRecord r;
        r.SetField(kColOfferId, id);
        doc.AddOrReplaceRecord(r);
    }
    EXPECT_EQ(doc.IsOfferIdTaken(GetParam().typed, GetParam().editing), GetParam().taken) << GetParam().typed;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, OfferIdTakenTest,
    ::testing::Values(OfferIdCase{"SKU-1", std::nullopt, true}, OfferIdCase{"sku-1", std::nullopt, true},
                      OfferIdCase{"SKU-2", std::nullopt, true}, OfferIdCase{" SKU-1", std::nullopt, false},
                      OfferIdCase{"SKU-1 ", std::nullopt, false}, OfferIdCase{"SKU-3", std::nullopt, false},
                      OfferIdCase{"ABC", 2, false},   // own record
                      OfferIdCase{"abc", 0, true},    // another record
                      OfferIdCase{"sku-2", 1, false}  // own, other case
                      ));

struct ValidationCase {
    const char* what;
    void (*change)(ProductForm&);
    std::optional<ProductFieldError> expected;
};
class ValidationTest : public ::testing::TestWithParam<ValidationCase> {};

TEST_P(ValidationTest, FirstEmptyCompulsoryFieldIsReportedInOrder) {
    ProductForm f = CompleteForm();
    GetParam().change(f);
    EXPECT_EQ(ValidateProductForm(f), GetParam().expected) << GetParam().what;
}

const ProductFieldError kNoOffer{ProductField::OfferId, "The Offer ID is compulsory and must be unique."};
const ProductFieldError kNoName{ProductField::Name,
                                "The product name is empty or contains invalid characters."};
const ProductFieldError kNoDesc{ProductField::Description,
                                "The product description is empty or contains invalid characters."};
const ProductFieldError kNoUrl{ProductField::ProductUrl,
                               "The product page URL is empty or contains invalid characters."};
const ProductFieldError kNoImage{ProductField::ImageUrl,
                                 "The product image URL is empty or contains invalid characters."};
const ProductFieldError kNoCategory{
    ProductField::Category,
    "The category to which this product belongs to is empty or contains invalid characters."};

INSTANTIATE_TEST_SUITE_P(
    Rules, ValidationTest,
    ::testing::Values(ValidationCase{"complete", [](ProductForm&) {}, std::nullopt},
                      ValidationCase{"price 0 and optional fields empty",
                                     [](ProductForm& f) {
                                         f.price = 0;
                                         f.brand.clear();
                                     },
                                     std::nullopt},
                      ValidationCase{"all empty: offer id first", [](ProductForm& f) { f = ProductForm{}; },
                                     kNoOffer},
                      ValidationCase{"offer id blanks", [](ProductForm& f) { f.offerId = " \t "; }, kNoOffer},
                      ValidationCase{"name and later empty",
                                     [](ProductForm& f) {
                                         f.name = "  ";
                                         f.category.clear();
                                     },
                                     kNoName},
                      ValidationCase{"description line breaks only",
                                     [](ProductForm& f) { f.description = "\r\n\v\f"; }, kNoDesc},
                      ValidationCase{"product url", [](ProductForm& f) { f.productUrl = " "; }, kNoUrl},
                      ValidationCase{"image url", [](ProductForm& f) { f.imageUrl.clear(); }, kNoImage},
                      ValidationCase{"category", [](ProductForm& f) { f.category = "\t"; }, kNoCategory}));

struct ReadCase {
    const char* shipping;
    const char* price;
    std::optional<ProductField> failing;
    float shippingValue;
    double priceValue;
    const char* message = "Please enter a number.";
};
class ReadNumbersTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadNumbersTest, NumberBoxesAreReadShippingFirst) {
    ProductForm f = CompleteForm();
    const auto error = ReadProductForm(f, GetParam().shipping, GetParam().price);
    if (GetParam().failing) {
        ASSERT_TRUE(error.has_value()) << GetParam().shipping << " / " << GetParam().price;
        EXPECT_EQ(error->field, *GetParam().failing);
        EXPECT_EQ(error->message, GetParam().message);
    } else {
        ASSERT_FALSE(error.has_value()) << error->message;
        EXPECT_FLOAT_EQ(f.shipping, GetParam().shippingValue);
        EXPECT_DOUBLE_EQ(f.price, GetParam().priceValue);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadNumbersTest,
    ::testing::Values(
        ReadCase{"0", "12.5", std::nullopt, 0, 12.5},
        ReadCase{" \t4.95\t ", " 1e3 ", std::nullopt, 4.95f, 1000}, ReadCase{"0.0", "3", std::nullopt, 0, 3},
        // Below zero is refused, as the default values refuse it.
        ReadCase{"0.0", "-3", ProductField::Price, 0, 0, "Please enter a number of 0 or more."},
        ReadCase{"-4.95", "1", ProductField::Shipping, 0, 0, "Please enter a number of 0 or more."},
        ReadCase{"", "1", ProductField::Shipping, 0, 0}, ReadCase{"abc", "", ProductField::Shipping, 0, 0},
        ReadCase{"1", "", ProductField::Price, 0, 0}, ReadCase{"1", "12,50", ProductField::Price, 0, 0},
        ReadCase{"1", "$12", ProductField::Price, 0, 0},
        ReadCase{".0", "1", ProductField::Shipping, 0, 0},  // zero not from 0
        ReadCase{"-0", "1", ProductField::Shipping, 0, 0}, ReadCase{"1", "inf", ProductField::Price, 0, 0},
        ReadCase{"1", "0x10", ProductField::Price, 0, 0},
        ReadCase{"1e39", "1", ProductField::Shipping, 0, 0}));

TEST(ReadProductFormTest, NameBeyond255CharactersIsReportedBeforeTheNumbers) {
    ProductForm f = CompleteForm();
    f.name.assign(256, 'n');
    const auto error = ReadProductForm(f, "x", "y");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->field, ProductField::Name);
    EXPECT_EQ(error->message, "Please enter no more than 255 characters.");
    f.name.assign(255, 'n');
    EXPECT_FALSE(ReadProductForm(f, "0", "0").has_value());
}

struct MoneyCase {
    double price;
    float shipping;
    const char* storedPrice;
    const char* storedShipping;
};
class MoneyFormatTest : public ::testing::TestWithParam<MoneyCase> {};

TEST_P(MoneyFormatTest, MoneyIsStoredWithTwoFractionDigitsAndNoPadding) {
    ProductForm f = CompleteForm();
    f.price = GetParam().price;
    f.shipping = GetParam().shipping;
    const COtherRecord r = BuildProductRecord(f, CurrencyCodes());
    EXPECT_EQ(r.Field(kColPrice), GetParam().storedPrice);
    EXPECT_EQ(r.Field(kColShipping), GetParam().storedShipping);
}

INSTANTIATE_TEST_SUITE_P(Rules, MoneyFormatTest,
                         ::testing::Values(MoneyCase{12.5, 0, "12.50", "0.00"},
                                           MoneyCase{0, 4.95f, "0.00", "4.95"},
                                           MoneyCase{1234567.891, 10000, "1234567.89", "10000.00"},
                                           MoneyCase{-2.005, 0.125f, "-2.00", "0.12"}));

TEST(BuildProductRecordTest, StoredRecordIsFreshAndTrimmed) {
    ProductForm f = CompleteForm();
    f.name = "  Kettle \t";
    f.category = "Home & Garden > Kitchen ";  // built-in entries end with a blank
    f.color = " Red ";
    f.inStock = false;
    f.doesNotExpire = true;
    const COtherRecord r = BuildProductRecord(f, CurrencyCodes());
    EXPECT_EQ(r.Field(kColName), "Kettle");
    EXPECT_EQ(r.Field(kColCategory), "Home & Garden > Kitchen");
    EXPECT_EQ(r.Field(kColColor), "Red");
    EXPECT_EQ(r.Field(kColInstock), "N");
    EXPECT_EQ(r.Field(kColExpDate), "");
    EXPECT_EQ(r.Field(kColProductType), "OTHER");
    EXPECT_EQ(r.Field(kColQuantity), "");
    EXPECT_EQ(r.Field(kColDelete), "");
    EXPECT_FALSE(r.data_checked || r.urls_checked || r.product_url_ok || r.image_url_ok);
}

TEST(BuildProductRecordTest, TextsLeftAloneKeepTheirBytesAndTypedOnesAreTrimmed) {
    COtherRecord loaded;
    for (int column : {kColCategory, kColDescription, kColImageUrl, kColName, kColOfferId, kColProductUrl,
                       kColBrand, kColColor, kColSize, kColUpc, kColProductId, kColManufacturerId}) {
        loaded.SetField(column, " x\t");
    }
    loaded.SetField(kColCategory, "Flowers > Roses ");
    ProductForm f;
    LoadProductForm(loaded, CurrencyCodes(), f);
    COtherRecord stored = BuildProductRecord(f, CurrencyCodes());
    EXPECT_EQ(stored.Field(kColCategory), "Flowers > Roses ");
    EXPECT_EQ(stored.Field(kColManufacturerId), " x\t");
    EXPECT_EQ(stored.Field(kColOfferId), " x\t");

    // The editor drops a field from the kept ones once its box was typed in.
    f.brand = " Acme ";
    f.keptAsLoaded.erase(ProductField::Brand);
    stored = BuildProductRecord(f, CurrencyCodes());
    EXPECT_EQ(stored.Field(kColBrand), "Acme");
    EXPECT_EQ(stored.Field(kColName), " x\t");
    EXPECT_EQ(stored.Field(kColDescription), " x\t");
    EXPECT_EQ(stored.Field(kColColor), " x\t");
}

struct CurrencyCase {
    const char* recordCode;
    int loadedIndex;
    const char* storedCode;
};
class CurrencyTest : public ::testing::TestWithParam<CurrencyCase> {};

TEST_P(CurrencyTest, CodeLoadsToItsEntryAndStoresBack) {
    COtherRecord r;
    r.SetField(kColCurrency, GetParam().recordCode);
    ProductForm f;
    LoadProductForm(r, CurrencyCodes(), f);
    EXPECT_EQ(f.currencyIndex, GetParam().loadedIndex);
    f = CompleteForm();
    f.currencyIndex = GetParam().loadedIndex;
    EXPECT_EQ(BuildProductRecord(f, CurrencyCodes()).Field(kColCurrency), GetParam().storedCode);
}

INSTANTIATE_TEST_SUITE_P(Rules, CurrencyTest,
                         ::testing::Values(CurrencyCase{"ADP", 0, "ADP"}, CurrencyCase{"ZWD", 186, "ZWD"},
                                           CurrencyCase{"zwd", 186, "ZWD"}, CurrencyCase{"usd", 172, "USD"},
                                           CurrencyCase{"ECS", 46, "ECS"}, CurrencyCase{"XYZ", -1, "USD"},
                                           CurrencyCase{"", -1, "USD"}));

TEST(CurrencyTest, SecondEcsEntryAndDefaultIndex) {
    EXPECT_EQ(CurrencyCodeForIndex(CurrencyCodes(), 47), "ECS");
    EXPECT_EQ(CurrencyCodeForIndex(CurrencyCodes(), kDefaultCurrencyIndex), "USD");
    EXPECT_EQ(CurrencyCodeForIndex(CurrencyCodes(), -1), "USD");
    EXPECT_EQ(ProductForm{}.currencyIndex, 172);
}

struct ExpDateCase {
    const char* stored;
    LocalDateTime loaded;
    const char* resaved;
};
class ExpDateTest : public ::testing::TestWithParam<ExpDateCase> {};

TEST_P(ExpDateTest, LoadsAsLocalTimeAndSavesBack) {
    ScopedTimeZone tz(kCentralEurope);
    COtherRecord r;
    r.SetField(kColExpDate, GetParam().stored);
    ProductForm f = CompleteForm();
    LoadProductForm(r, CurrencyCodes(), f);
    EXPECT_FALSE(f.doesNotExpire);
    EXPECT_EQ(f.expiryDate, GetParam().loaded) << GetParam().stored;
    EXPECT_EQ(BuildProductRecord(f, CurrencyCodes()).Field(kColExpDate), GetParam().resaved);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ExpDateTest,
    ::testing::Values(ExpDateCase{"200312311800", {2003, 12, 31, 18, 0, 0}, "200312311800"},
                      ExpDateCase{"200407151945", {2004, 7, 15, 19, 45, 0}, "200407151945"},  // summer time
                      ExpDateCase{"200403280230", {2004, 3, 28, 2, 30, 0}, "200403280230"},  // clock skips it
                      ExpDateCase{"200402290000", {2004, 2, 29, 0, 0, 0}, "200402290000"},   // leap day
                      ExpDateCase{"200302290000", {2003, 3, 1, 0, 0, 0}, "200303010000"},    // no leap day
                      ExpDateCase{"2004071525", {2004, 7, 15, 1, 0, 0}, "200407150100"},     // hour mod 24
                      ExpDateCase{"200407150075", {2004, 7, 15, 0, 15, 0}, "200407150015"},  // minute mod 60
                      ExpDateCase{"200413011200", {2005, 1, 1, 12, 0, 0}, "200501011200"},   // month 13
                      ExpDateCase{"2004a7xx1200", {2003, 11, 30, 12, 0, 0}, "200311301200"}));  // non-digits

TEST(ExpDateTest, ShortValuesKeepTheCurrentDateButDoExpire) {
    const LocalDateTime now{2026, 12, 7, 20, 30, 15};
    for (const char* stored : {"200312", "1", "123456789"}) {
        COtherRecord r;
        r.SetField(kColExpDate, stored);
        ProductForm f;
        f.expiryDate = now;
        LoadProductForm(r, CurrencyCodes(), f);
        EXPECT_FALSE(f.doesNotExpire) << stored;
        EXPECT_EQ(f.expiryDate, now) << stored;
    }
    COtherRecord none;
    ProductForm f;
    LoadProductForm(none, CurrencyCodes(), f);
    EXPECT_TRUE(f.doesNotExpire);
}

TEST(LoadProductFormTest, NumbersAreTheLeadingNumberAndInStockIgnoresCase) {
    COtherRecord r;
    r.SetField(kColPrice, " 12.5 USD");
    r.SetField(kColShipping, "free");
    r.SetField(kColInstock, "yes");
    ProductForm f;
    f.inStock = false;
    LoadProductForm(r, CurrencyCodes(), f);
    EXPECT_DOUBLE_EQ(f.price, 12.5);
    EXPECT_FLOAT_EQ(f.shipping, 0);
    EXPECT_TRUE(f.inStock);
    r.SetField(kColInstock, "N");
    LoadProductForm(r, CurrencyCodes(), f);
    EXPECT_FALSE(f.inStock);
}

TEST(NewProductFormTest, StartsFromTheUserDefaults) {
    CYarvelinApp app;
    app.Defaults() = {
        "http://p", "http://i", "Flowers > Roses ", "12.500000", "abc", "PID", "MID", "UPC", "Red",
        "XL",       "Acme"};
    app.SetNoExpiryDate(false);
    app.SetAlwaysInStock(false);
    app.SetAutoGenOfferId(false);
    const LocalDateTime now{2026, 12, 7, 20, 30, 15};
    const ProductForm f = NewProductForm(app, now);
    EXPECT_EQ(f.productUrl, "http://p");
    EXPECT_EQ(f.imageUrl, "http://i");
    EXPECT_EQ(f.category, "Flowers > Roses ");
    EXPECT_DOUBLE_EQ(f.price, 12.5);
    EXPECT_FLOAT_EQ(f.shipping, 0);
    EXPECT_EQ(f.productId, "PID");
    EXPECT_EQ(f.manufacturerId, "MID");
    EXPECT_EQ(f.upc, "UPC");
    EXPECT_EQ(f.color, "Red");
    EXPECT_EQ(f.size, "XL");
    EXPECT_EQ(f.brand, "Acme");
    EXPECT_FALSE(f.doesNotExpire);
    EXPECT_FALSE(f.inStock);
    EXPECT_FALSE(f.autogenerate);
    EXPECT_EQ(f.expiryDate, now);
    EXPECT_EQ(f.currencyIndex, 172);
}

class FixedGuids : public GuidSource {
  public:
    explicit FixedGuids(std::optional<Guid> g) : m_guid(g) {}
    std::optional<Guid> CreateGuid() override { return m_guid; }
    std::optional<Guid> m_guid;
};

TEST(OfferIdTest, GuidPartsInHexWithoutLeadingZerosOrTimeFallback) {
    FixedGuids full(Guid{0xDEADBEEF, 0xABCD, 0x1234, {0xFF, 0x10, 0xAB, 0xCD, 0xEF, 0x99, 0x88, 0x77}});
    EXPECT_EQ(GenerateOfferId(full, {}), "DEADBEEFABCD1234FF10ABCDEF998877");
    FixedGuids small(Guid{0x1, 0x0, 0xA, {0, 1, 2, 3, 4, 5, 6, 0x0F}});
    EXPECT_EQ(GenerateOfferId(small, {}), "10A0123456F");  // the shortest: 11 characters
    FixedGuids none(std::nullopt);
    const LocalDateTime t{2026, 12, 7, 9, 5, 3};
    EXPECT_EQ(GenerateOfferId(none, t), "030905050303030505");
}

struct NumberTextCase {
    const char* text;
    double leading;
    const char* general15;
};
class NumberTextTest : public ::testing::TestWithParam<NumberTextCase> {};

TEST_P(NumberTextTest, LeadingNumberAndGeneralNotation) {
    const double v = LeadingNumber(GetParam().text);
    EXPECT_DOUBLE_EQ(v, GetParam().leading) << GetParam().text;
    EXPECT_EQ(FormatGeneral(v, 15), GetParam().general15);
}

INSTANTIATE_TEST_SUITE_P(Rules, NumberTextTest,
                         ::testing::Values(NumberTextCase{"12.500000", 12.5, "12.5"},
                                           NumberTextCase{"", 0, "0"}, NumberTextCase{"  7abc", 7, "7"},
                                           NumberTextCase{"-1.25e2x", -125, "-125"},
                                           NumberTextCase{"x12", 0, "0"}, NumberTextCase{"0.1", 0.1, "0.1"},
                                           NumberTextCase{"1e20", 1e20, "1e+20"}));

}  // namespace
}  // namespace yarvelin
