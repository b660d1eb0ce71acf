// Rules of the product editor that need no window: reading and validating what was entered, building the
// record to store, loading a record for editing, offer identifiers and expiry dates.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "records/builtin_lists.h"
#include "records/cp1252.h"
#include "records/guid_source.h"
#include "records/local_date_time.h"
#include "records/other_record.h"

namespace yarvelin {

class CYarvelinApp;

// The editor's fields, in the order they are read from the controls.
enum class ProductField {
    Name,
    Description,
    Brand,
    ProductUrl,
    ImageUrl,
    Category,
    Shipping,
    Currency,
    InStock,
    Upc,
    ProductId,
    ManufacturerId,
    DoesNotExpire,
    ExpiryDate,
    Color,
    Size,
    Price,
    OfferId,
    Autogenerate,
};

// What the editor's controls hold.
struct ProductForm {
    std::string name;
    std::string description;
    std::string brand;
    std::string productUrl;
    std::string imageUrl;
    std::string category;
    float shipping = 0;
    int currencyIndex = kDefaultCurrencyIndex;  // -1: no selection
    bool inStock = true;
    std::string upc;
    std::string productId;
    std::string manufacturerId;
    bool doesNotExpire = true;
    LocalDateTime expiryDate;
    std::string color;
    std::string size;
    double price = 0;
    std::string offerId;
    bool autogenerate = true;
    // Text fields that still hold the edited record's own bytes because their boxes were left alone: they
    // are stored as they are, while what the user typed is trimmed.
    std::set<ProductField> keptAsLoaded;
};

struct ProductFieldError {
    ProductField field;
    std::string message;
    bool operator==(const ProductFieldError&) const = default;
};

inline constexpr std::size_t kMaxProductNameLength = 255;
inline constexpr const char* kMsgTooManyCharacters = "Please enter no more than %1 characters.";
inline constexpr const char* kMsgEnterNumber = "Please enter a number.";
// A price or shipping charge below zero, which the default values refuse as well.
inline constexpr const char* kMsgEnterNonNegativeNumber = "Please enter a number of 0 or more.";
inline constexpr const char* kMsgDuplicateOfferId =
    "Duplicate OfferID - this Offer ID already exists in the file.";

// The message for a compulsory column left blank (offer_id, name, description, product_url, image_url,
// category); nullptr for the other columns.
const char* CompulsoryColumnMessage(int column);

// A new product: the constructor values with the user's default values and choices laid over them.
ProductForm NewProductForm(const CYarvelinApp& app, const LocalDateTime& now);

// Reads the name length and the two number boxes into the form, in reading order; the first box that
// cannot be read is reported and the form keeps its numbers.
std::optional<ProductFieldError> ReadProductForm(ProductForm& form, std::string_view shippingText,
                                                 std::string_view priceText);

// The compulsory fields, in the order they are checked: the first empty one is reported.
std::optional<ProductFieldError> ValidateProductForm(const ProductForm& form);

// The record that storing hands to the document: trimmed texts (those kept as loaded stay as they are), money
// with two fraction digits, the currency code (no selection stores the default "USD"), a fresh product type
// and cleared check flags.
COtherRecord BuildProductRecord(const ProductForm& form, const std::vector<std::string>& currencyCodes);

// Fills the form from a stored record before editing. The expiry date keeps its value when the record's
// exp_date is too short to hold a date.
void LoadProductForm(const COtherRecord& record, const std::vector<std::string>& currencyCodes,
                     ProductForm& form);

// The code stored for a currency index; -1 (or any index outside the list) gives the default "USD".
std::string CurrencyCodeForIndex(const std::vector<std::string>& currencyCodes, int index);

// exp_date as twelve digits "%Y%m%d%H%M".
std::string FormatExpDate(const LocalDateTime& date);
// An exp_date of more than 9 characters as a local date and time (year modulo 9999, hour modulo 24,
// minute modulo 60, out-of-range parts carried over as the calendar does); nothing for shorter texts.
std::optional<LocalDateTime> ParseExpDate(std::string_view expDate);

// A generated offer identifier: the GUID's eleven parts in upper-case hexadecimal without leading zeros.
std::string OfferIdFromGuid(const Guid& guid);
// The fallback when no GUID can be made: 18 digits from the time (seconds, hour, minute, minute, seconds,
// seconds, seconds, minute, minute).
std::string OfferIdFromTime(const LocalDateTime& now);
std::string GenerateOfferId(GuidSource& guids, const LocalDateTime& now);

}  // namespace yarvelin
