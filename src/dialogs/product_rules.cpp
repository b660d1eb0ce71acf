#include "dialogs/product_rules.h"

#include <cmath>
#include <ctime>

#include "app/yarvelin_app.h"
#include "records/number_text.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

// atoi-like: leading white space, optional sign, digits; 0 when there are none.
int LeadingInt(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsTrimSpace(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    long value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && value < 100000000) {
        value = value * 10 + (s[i] - '0');
        ++i;
    }
    return static_cast<int>(negative ? -value : value);
}

std::string_view Part(std::string_view s, std::size_t pos, std::size_t len) {
    return pos < s.size() ? s.substr(pos, len) : std::string_view{};
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsBlank(std::string_view s) {
    return Trim(s).empty();
}

}  // namespace

ProductForm NewProductForm(const CYarvelinApp& app, const LocalDateTime& now) {
    ProductForm form;
    form.expiryDate = now;
    const auto& def = app.Defaults();
    form.productUrl = def[kDefProductUrl];
    form.imageUrl = def[kDefImageUrl];
    form.category = def[kDefCategory];
    form.price = LeadingNumber(def[kDefPrice]);
    form.shipping = static_cast<float>(LeadingNumber(def[kDefShipping]));
    form.productId = def[kDefProductId];
    form.manufacturerId = def[kDefManufacturerId];
    form.upc = def[kDefUpc];
    form.color = def[kDefColor];
    form.size = def[kDefSize];
    form.brand = def[kDefBrand];
    form.doesNotExpire = app.NoExpiryDate();
    form.inStock = app.AlwaysInStock();
    form.autogenerate = app.AutoGenOfferId();
    return form;
}

std::optional<ProductFieldError> ReadProductForm(ProductForm& form, std::string_view shippingText,
                                                 std::string_view priceText) {
    if (form.name.size() > kMaxProductNameLength) {
        return ProductFieldError{ProductField::Name,
                                 FormatMessage(kMsgTooManyCharacters, std::to_string(kMaxProductNameLength))};
    }
    const std::optional<double> shipping = ParseDialogNumber(shippingText);
    // A shipping charge beyond the single-precision range would be stored as "inf".
    if (!shipping || std::abs(*shipping) > 3.4e38) {
        return ProductFieldError{ProductField::Shipping, kMsgEnterNumber};
    }
    if (*shipping < 0) {
        return ProductFieldError{ProductField::Shipping, kMsgEnterNonNegativeNumber};
    }
    const std::optional<double> price = ParseDialogNumber(priceText);
    if (!price) {
        return ProductFieldError{ProductField::Price, kMsgEnterNumber};
    }
    if (*price < 0) {
        return ProductFieldError{ProductField::Price, kMsgEnterNonNegativeNumber};
    }
    form.shipping = static_cast<float>(*shipping);
    form.price = *price;
    return std::nullopt;
}

const char* CompulsoryColumnMessage(int column) {
    switch (column) {
        case kColOfferId:
            return "The Offer ID is compulsory and must be unique.";
        case kColName:
            return "The product name is empty or contains invalid characters.";
        case kColDescription:
            return "The product description is empty or contains invalid characters.";
        case kColProductUrl:
            return "The product page URL is empty or contains invalid characters.";
        case kColImageUrl:
            return "The product image URL is empty or contains invalid characters.";
        case kColCategory:
            return "The category to which this product belongs to is empty or contains invalid characters.";
        default:
            return nullptr;
    }
}

std::optional<ProductFieldError> ValidateProductForm(const ProductForm& form) {
    struct Check {
        const std::string& text;
        ProductField field;
        int column;
    };
    const Check checks[] = {
        {form.offerId, ProductField::OfferId, kColOfferId},
        {form.name, ProductField::Name, kColName},
        {form.description, ProductField::Description, kColDescription},
        {form.productUrl, ProductField::ProductUrl, kColProductUrl},
        {form.imageUrl, ProductField::ImageUrl, kColImageUrl},
        {form.category, ProductField::Category, kColCategory},
    };
    for (const Check& check : checks) {
        if (IsBlank(check.text)) {
            return ProductFieldError{check.field, CompulsoryColumnMessage(check.column)};
        }
    }
    return std::nullopt;
}

std::string CurrencyCodeForIndex(const std::vector<std::string>& currencyCodes, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= currencyCodes.size()) {
        index = kDefaultCurrencyIndex;
    }
    if (static_cast<std::size_t>(index) >= currencyCodes.size()) {
        return "USD";
    }
    return Trim(currencyCodes[static_cast<std::size_t>(index)]);
}

COtherRecord BuildProductRecord(const ProductForm& form, const std::vector<std::string>& currencyCodes) {
    // The texts, trimmed unless kept as they were loaded.
    static constexpr struct {
        int column;
        ProductField field;
        std::string ProductForm::*value;
    } kTexts[] = {
        {kColCategory, ProductField::Category, &ProductForm::category},
        {kColDescription, ProductField::Description, &ProductForm::description},
        {kColImageUrl, ProductField::ImageUrl, &ProductForm::imageUrl},
        {kColName, ProductField::Name, &ProductForm::name},
        {kColOfferId, ProductField::OfferId, &ProductForm::offerId},
        {kColProductUrl, ProductField::ProductUrl, &ProductForm::productUrl},
        {kColBrand, ProductField::Brand, &ProductForm::brand},
        {kColColor, ProductField::Color, &ProductForm::color},
        {kColSize, ProductField::Size, &ProductForm::size},
        {kColUpc, ProductField::Upc, &ProductForm::upc},
        {kColProductId, ProductField::ProductId, &ProductForm::productId},
        {kColManufacturerId, ProductField::ManufacturerId, &ProductForm::manufacturerId},
    };
    COtherRecord r;
    for (const auto& t : kTexts) {
        const std::string& value = form.*t.value;
        r.SetField(t.column, form.keptAsLoaded.count(t.field) != 0 ? value : Trim(value));
    }
    // "%#10.2f" and "%#6.2f" once trimmed: two fraction digits, always a decimal point, no padding.
    r.SetField(kColPrice, FormatFixed(form.price, 2));
    r.SetField(kColShipping, FormatFixed(static_cast<double>(form.shipping), 2));
    r.SetField(kColCurrency, CurrencyCodeForIndex(currencyCodes, form.currencyIndex));
    r.SetField(kColExpDate, form.doesNotExpire ? std::string() : FormatExpDate(form.expiryDate));
    r.SetField(kColInstock, form.inStock ? "Y" : "N");
    r.SetField(kColProductType, "OTHER");
    return r;
}

void LoadProductForm(const COtherRecord& record, const std::vector<std::string>& currencyCodes,
                     ProductForm& form) {
    form.category = record.Field(kColCategory);
    form.description = record.Field(kColDescription);
    form.imageUrl = record.Field(kColImageUrl);
    form.name = record.Field(kColName);
    form.offerId = record.Field(kColOfferId);
    form.productUrl = record.Field(kColProductUrl);
    form.brand = record.Field(kColBrand);
    form.color = record.Field(kColColor);
    form.manufacturerId = record.Field(kColManufacturerId);
    form.productId = record.Field(kColProductId);
    form.upc = record.Field(kColUpc);
    form.size = record.Field(kColSize);
    form.keptAsLoaded = {ProductField::Category, ProductField::Description, ProductField::ImageUrl,
                         ProductField::Name,     ProductField::OfferId,     ProductField::ProductUrl,
                         ProductField::Brand,    ProductField::Color,       ProductField::Size,
                         ProductField::Upc,      ProductField::ProductId,   ProductField::ManufacturerId};
    form.price = LeadingNumber(record.Field(kColPrice));
    form.shipping = static_cast<float>(LeadingNumber(record.Field(kColShipping)));
    form.currencyIndex = FindCurrencyIndex(currencyCodes, record.Field(kColCurrency));
    form.doesNotExpire = record.Field(kColExpDate).empty();
    if (const auto date = ParseExpDate(record.Field(kColExpDate))) {
        form.expiryDate = *date;
    }
    form.inStock = record.IsInStock();
}

std::string FormatExpDate(const LocalDateTime& d) {
    return Format("%04d%02d%02d%02d%02d", d.year, d.month, d.day, d.hour, d.minute);
}

std::optional<LocalDateTime> ParseExpDate(std::string_view s) {
    if (s.size() <= 9) {
        return std::nullopt;
    }
    LocalDateTime d;
    d.year = LeadingInt(Part(s, 0, 4)) % 9999;
    d.month = LeadingInt(Part(s, 4, 2));
    d.day = LeadingInt(Part(s, 6, 2));
    d.hour = LeadingInt(Part(s, 8, 2)) % 24;
    d.minute = LeadingInt(Part(s, 10, 2)) % 60;
    d.second = 0;
    // A real calendar date is kept as written, even at an hour the clock skips when summer time begins,
    // so that saving it unchanged writes the same value back.
    if (d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= DaysInMonth(d.year, d.month) && d.hour >= 0 &&
        d.minute >= 0) {
        return d;
    }
    // Otherwise the calendar carries the parts over (month 13 is January of the next year, day 0 the last
    // day of the month before).
    std::tm tm{};
    tm.tm_year = d.year - 1900;
    tm.tm_mon = d.month - 1;
    tm.tm_mday = d.day;
    tm.tm_hour = d.hour;
    tm.tm_min = d.minute;
    tm.tm_isdst = -1;
    std::mktime(&tm);
    return LocalDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, 0};
}

std::string OfferIdFromGuid(const Guid& g) {
    std::string id = Format("%X%X%X", unsigned{g.data1}, unsigned{g.data2}, unsigned{g.data3});
    for (const std::uint8_t b : g.data4) {
        id += Format("%X", unsigned{b});
    }
    return id;
}

std::string OfferIdFromTime(const LocalDateTime& t) {
    const int s = t.second;
    const int h = t.hour;
    const int m = t.minute;
    return Format("%02d%02d%02d%02d%02d%02d%02d%02d%02d", s, h, m, m, s, s, s, m, m);
}

std::string GenerateOfferId(GuidSource& guids, const LocalDateTime& now) {
    if (const std::optional<Guid> guid = guids.CreateGuid()) {
        return OfferIdFromGuid(*guid);
    }
    return OfferIdFromTime(now);
}

}  // namespace yarvelin
