// Rules of the options sheet that need no window: the three option lists with their name checks and the
// synchronize rule, and the default values with their range checks.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/yarvelin_app.h"

namespace yarvelin {

enum class OptionListKind { Categories, Colors, Sizes };

// The texts of a list's name dialog.
struct NameDialogTexts {
    const char* title;
    const char* prompt;
    const char* emptyMessage;
    const char* emptyCaption;
    const char* duplicateMessage;
    const char* duplicateCaption;
};
const NameDialogTexts& NameDialogTextsFor(OptionListKind kind);

// The user list and the built-in list behind a kind.
std::vector<std::string>& UserList(CYarvelinApp& app, OptionListKind kind);
const std::vector<std::string>& BuiltinList(const CYarvelinApp& app, OptionListKind kind);

enum class NameCheck { Accepted, Empty, Duplicate };
// OK in a name dialog: the typed text trimmed must be non-empty and equal to no entry of the user list
// trimmed, letter case ignored. The entry being edited counts too.
NameCheck CheckOptionName(std::string_view typed, const std::vector<std::string>& userList);

// A list box as the Parameters page shows it: entries and the selected index (-1: none).
struct OptionListBox {
    std::vector<std::string> entries;
    int selection = -1;
};

// Appends the trimmed name and selects it; a name of white space only adds nothing.
void AddOptionEntry(OptionListBox& box, std::string_view name);
// Puts the trimmed name in place of the entry at index and selects that place again.
void ReplaceOptionEntry(OptionListBox& box, int index, std::string_view name);
// Deletes the selected entry, if any.
void RemoveSelectedOptionEntry(OptionListBox& box);
// The user list becomes the list box's entries; then the second entry is selected when there is one.
void SynchronizeOptionList(OptionListBox& box, std::vector<std::string>& userList);

// The Default Values page's own copy of the default values.
struct DefaultValues {
    std::array<std::string, kDefaultValueCount> texts;  // Def4 and Def5 unused: see price and shipping
    float price = 0;
    float shipping = 0;
    bool noExpiryDate = true;
    bool alwaysInStock = true;
    bool autoGenOfferId = true;
};

inline constexpr double kMaxDefaultPrice = 100000;
inline constexpr double kMaxDefaultShipping = 10000;

DefaultValues LoadDefaultValues(const CYarvelinApp& app);

// Which number box failed, and why.
struct DefaultNumberError {
    int defIndex;  // kDefPrice or kDefShipping
    std::string message;
};
// Reads the price (0 to 100000) and then the shipping (0 to 10000) into values; the first that is not a
// number, or out of range, is reported and values keeps its numbers.
std::optional<DefaultNumberError> ReadDefaultNumbers(std::string_view priceText,
                                                     std::string_view shippingText, DefaultValues& values);

// Writes the copy into the application: the texts, price and shipping with "%f", and the three choices.
void StoreDefaultValues(const DefaultValues& values, CYarvelinApp& app);

}  // namespace yarvelin
