#include "dialogs/option_rules.h"

#include <cmath>

#include "records/number_text.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

const NameDialogTexts kCategoryTexts{
    "Add New Category",
    "Enter new category name : ",
    "The category name is empty. Please enter a category name.",
    "Error: Empty Category Name",
    "This category already exists. Please enter a different category name.",
    "Error: Duplicate Category Name",
};
const NameDialogTexts kColorTexts{
    "New Colors",
    "Enter new color name : ",
    "The color name is empty. Please enter a color name.",
    "Error: Empty Color",
    "This color already exists. Please enter a different color name.",
    "Error: Duplicate Color",
};
const NameDialogTexts kSizeTexts{
    "New Size",
    "Enter new size name : ",
    "The size name is empty. Please enter a size name.",
    "Error: Empty Size",
    "This size already exists. Please enter a different size name.",
    "Error: Duplicate Size",
};

// The range message names its bounds the way a single-precision number is shown ("%.6g").
std::optional<std::string> ReadBoundedNumber(std::string_view text, double max, float& out) {
    const std::optional<double> value = ParseDialogNumber(text);
    if (!value || std::abs(*value) > 3.4e38) {
        return std::string("Please enter a number.");
    }
    const float f = static_cast<float>(*value);
    if (f < 0 || f > max) {
        return FormatMessage("Please enter a number between %1 and %2.", FormatGeneral(0, 6),
                             FormatGeneral(max, 6));
    }
    out = f;
    return std::nullopt;
}

}  // namespace

const NameDialogTexts& NameDialogTextsFor(OptionListKind kind) {
    switch (kind) {
        case OptionListKind::Categories:
            return kCategoryTexts;
        case OptionListKind::Colors:
            return kColorTexts;
        case OptionListKind::Sizes:
            break;
    }
    return kSizeTexts;
}

std::vector<std::string>& UserList(CYarvelinApp& app, OptionListKind kind) {
    switch (kind) {
        case OptionListKind::Categories:
            return app.Categories();
        case OptionListKind::Colors:
            return app.Colors();
        case OptionListKind::Sizes:
            break;
    }
    return app.Sizes();
}

const std::vector<std::string>& BuiltinList(const CYarvelinApp& app, OptionListKind kind) {
    switch (kind) {
        case OptionListKind::Categories:
            return app.BuiltinCategories();
        case OptionListKind::Colors:
            return app.BuiltinColors();
        case OptionListKind::Sizes:
            break;
    }
    return app.BuiltinSizes();
}

NameCheck CheckOptionName(std::string_view typed, const std::vector<std::string>& userList) {
    const std::string name = Trim(typed);
    if (name.empty()) {
        return NameCheck::Empty;
    }
    // Built-in entries may carry blanks at their ends ("Apparel & Accessories > Baby "); the name the
    // user types never does.
    for (const std::string& entry : userList) {
        if (EqualsNoCase(TrimmedView(entry), name)) {
            return NameCheck::Duplicate;
        }
    }
    return NameCheck::Accepted;
}

void AddOptionEntry(OptionListBox& box, std::string_view name) {
    std::string trimmed = Trim(name);
    if (trimmed.empty()) {
        return;
    }
    box.entries.push_back(std::move(trimmed));
    box.selection = static_cast<int>(box.entries.size()) - 1;
}

void ReplaceOptionEntry(OptionListBox& box, int index, std::string_view name) {
    if (index < 0 || static_cast<std::size_t>(index) >= box.entries.size()) {
        return;
    }
    box.entries[static_cast<std::size_t>(index)] = Trim(name);
    box.selection = index;
}

void RemoveSelectedOptionEntry(OptionListBox& box) {
    if (box.selection < 0 || static_cast<std::size_t>(box.selection) >= box.entries.size()) {
        return;
    }
    box.entries.erase(box.entries.begin() + box.selection);
    box.selection = -1;
}

void SynchronizeOptionList(OptionListBox& box, std::vector<std::string>& userList) {
    userList = box.entries;
    if (box.entries.size() > 1) {
        box.selection = 1;
    }
}

DefaultValues LoadDefaultValues(const CYarvelinApp& app) {
    DefaultValues values;
    values.texts = app.Defaults();
    values.price = static_cast<float>(LeadingNumber(app.Defaults()[kDefPrice]));
    values.shipping = static_cast<float>(LeadingNumber(app.Defaults()[kDefShipping]));
    values.noExpiryDate = app.NoExpiryDate();
    values.alwaysInStock = app.AlwaysInStock();
    values.autoGenOfferId = app.AutoGenOfferId();
    return values;
}

std::optional<DefaultNumberError> ReadDefaultNumbers(std::string_view priceText,
                                                     std::string_view shippingText, DefaultValues& values) {
    float price = 0;
    if (auto message = ReadBoundedNumber(priceText, kMaxDefaultPrice, price)) {
        return DefaultNumberError{kDefPrice, std::move(*message)};
    }
    float shipping = 0;
    if (auto message = ReadBoundedNumber(shippingText, kMaxDefaultShipping, shipping)) {
        return DefaultNumberError{kDefShipping, std::move(*message)};
    }
    values.price = price;
    values.shipping = shipping;
    return std::nullopt;
}

void StoreDefaultValues(const DefaultValues& values, CYarvelinApp& app) {
    for (int i = 0; i < kDefaultValueCount; ++i) {
        if (i != kDefPrice && i != kDefShipping) {
            app.Defaults()[static_cast<std::size_t>(i)] = values.texts[static_cast<std::size_t>(i)];
        }
    }
    app.Defaults()[kDefPrice] = FormatFixed(static_cast<double>(values.price), 6);
    app.Defaults()[kDefShipping] = FormatFixed(static_cast<double>(values.shipping), 6);
    app.SetNoExpiryDate(values.noExpiryDate);
    app.SetAlwaysInStock(values.alwaysInStock);
    app.SetAutoGenOfferId(values.autoGenOfferId);
}

}  // namespace yarvelin
