#include "pages/bulk_edit.h"

#include <re2/re2.h>

#include <cmath>
#include <cstdint>
#include <unordered_set>

#include "app/feed_document.h"
#include "dialogs/product_rules.h"
#include "pages/edit_history.h"
#include "pages/product_list_rules.h"
#include "records/builtin_lists.h"
#include "records/number_text.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

std::string Products(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " product" : " products");
}

// A stored edit leaves the checks to be run again, as the product editor's store does.
void ClearChecks(COtherRecord& record) {
    record.data_checked = false;
    record.urls_checked = false;
    record.product_url_ok = false;
    record.image_url_ok = false;
    record.SetUrlFindings({});
}

bool IsMoneyColumn(int column) {
    return column == kColPrice || column == kColShipping;
}

// Money the way the editor writes it; shipping goes through the editor's single-precision box.
std::string FormatMoney(int column, double amount) {
    return FormatFixed(column == kColShipping ? static_cast<double>(static_cast<float>(amount)) : amount, 2);
}

// "+5%", "-10%", "+2.50", "-1": a change of each product's own amount.
struct MoneyAdjustment {
    double amount = 0;
    bool percent = false;
};

std::optional<MoneyAdjustment> ReadMoneyAdjustment(std::string_view value) {
    value = TrimmedView(value);
    if (value.size() < 2 || (value.front() != '+' && value.front() != '-')) {
        return std::nullopt;
    }
    MoneyAdjustment adjustment;
    std::string_view number = value.substr(1);
    if (number.back() == '%') {
        adjustment.percent = true;
        number.remove_suffix(1);
    }
    const std::optional<double> parsed = ParseDialogNumber(number);
    if (!parsed) {
        return std::nullopt;
    }
    adjustment.amount = value.front() == '-' ? -*parsed : *parsed;
    return adjustment;
}

std::optional<std::string> Adjusted(int column, std::string_view old, const MoneyAdjustment& adjustment,
                                    std::string& out) {
    const std::optional<double> amount = ParseDialogNumber(old);
    if (!amount) {
        return std::string(kMsgEnterNumber);
    }
    double result =
        adjustment.percent ? *amount * (1 + adjustment.amount / 100) : *amount + adjustment.amount;
    // To the cent, halves up: 19.99 + 5 % is 20.99, not a binary fraction below it.
    result = std::floor(result * 100 + 0.5 + 1e-7) / 100;
    if (result < 0) {
        return std::string(kMsgEnterNonNegativeNumber);
    }
    out = FormatMoney(column, result);
    return std::nullopt;
}

void Refuse(BulkChange& change, std::size_t position, int column, std::string message) {
    change.products.clear();
    change.replacements = 0;
    change.refusal = BulkRefusal{position, column, std::move(message)};
}

// No two products may share an offer id (letter case ignored, as the editor compares them): the changed
// ones are compared with every other product and with each other.
void RefuseDuplicateOfferIds(const CFeedDocument& document, BulkChange& change) {
    std::vector<bool> changed(document.Count(), false);
    for (const auto& entry : change.products) {
        changed[entry.first] = true;
    }
    std::unordered_set<std::string> taken;
    taken.reserve(document.Count());
    for (std::size_t i = 0; i < document.Count(); ++i) {
        if (!changed[i]) {
            taken.insert(ToLowerAscii(document.At(i).Field(kColOfferId)));
        }
    }
    for (const auto& [position, record] : change.products) {
        if (!taken.insert(ToLowerAscii(record.Field(kColOfferId))).second) {
            Refuse(change, position, kColOfferId, kMsgDuplicateOfferId);
            return;
        }
    }
}

std::vector<std::size_t> ValidPositions(const CFeedDocument& document, std::vector<std::size_t> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    while (!positions.empty() && positions.back() >= document.Count()) {
        positions.pop_back();
    }
    return positions;
}

re2::RE2::Options PatternOptions(const FindReplaceSpec& spec) {
    re2::RE2::Options options;
    options.set_encoding(re2::RE2::Options::EncodingLatin1);  // one byte, one character, as in products
    options.set_log_errors(false);
    options.set_literal(!spec.regularExpression);
    options.set_case_sensitive(spec.matchCase);
    return options;
}

// A literal replacement must not be read as \1 groups.
std::string Rewrite(const FindReplaceSpec& spec) {
    if (spec.regularExpression) {
        return spec.replace;
    }
    std::string rewrite;
    for (char c : spec.replace) {
        if (c == '\\') {
            rewrite += '\\';
        }
        rewrite += c;
    }
    return rewrite;
}

}  // namespace

bool IsBulkEditableColumn(int column) {
    return column >= 0 && column < kColumnCount && column != kColProductType && column != kColDelete;
}

std::optional<std::string> CheckBulkValue(int column, std::string& value) {
    value = Trim(value);
    switch (column) {
        case kColPrice:
        case kColShipping: {
            const std::optional<double> amount = ParseDialogNumber(value);
            if (!amount) {
                return std::string(kMsgEnterNumber);
            }
            if (*amount < 0) {
                return std::string(kMsgEnterNonNegativeNumber);
            }
            value = FormatMoney(column, *amount);
            return std::nullopt;
        }
        case kColCurrency: {
            const std::string code = ToUpperAscii(value);
            const auto& codes = CurrencyCodes();
            if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
                return std::string("Please enter a currency code from the list, such as USD or EUR.");
            }
            value = code;
            return std::nullopt;
        }
        case kColInstock:
            if (EqualsNoCase(value, "Y") || EqualsNoCase(value, "YES")) {
                value = "Y";
            } else if (EqualsNoCase(value, "N") || EqualsNoCase(value, "NO")) {
                value = "N";
            } else {
                return std::string("Please enter Y or N.");
            }
            return std::nullopt;
        case kColExpDate:
            if (!value.empty() &&
                (value.size() != 12 || value.find_first_not_of("0123456789") != std::string::npos ||
                 FormatExpDate(*ParseExpDate(value)) != value)) {
                return std::string(
                    "Please enter the expiry date as YYYYMMDDHHMM, or nothing when the offer does not "
                    "expire.");
            }
            return std::nullopt;
        case kColName:
            if (value.size() > kMaxProductNameLength) {
                return FormatMessage(kMsgTooManyCharacters, std::to_string(kMaxProductNameLength));
            }
            break;
        default:
            break;
    }
    if (const char* message = CompulsoryColumnMessage(column); message && value.empty()) {
        return std::string(message);
    }
    return std::nullopt;
}

BulkChange PlanSetColumn(const CFeedDocument& document, const std::vector<std::size_t>& selected, int column,
                         std::string_view value) {
    BulkChange change;
    const std::vector<std::size_t> positions = ValidPositions(document, selected);
    if (positions.empty()) {
        return change;
    }
    if (!IsBulkEditableColumn(column)) {
        Refuse(change, positions.front(), column, "This column cannot be changed here.");
        return change;
    }
    const std::optional<MoneyAdjustment> adjustment =
        IsMoneyColumn(column) ? ReadMoneyAdjustment(value) : std::nullopt;
    std::string text(value);
    if (!adjustment) {
        if (auto message = CheckBulkValue(column, text)) {
            Refuse(change, positions.front(), column, std::move(*message));
            return change;
        }
    }
    for (std::size_t position : positions) {
        const COtherRecord& stored = document.At(position);
        if (adjustment) {
            if (auto message = Adjusted(column, stored.Field(column), *adjustment, text)) {
                Refuse(change, position, column, std::move(*message));
                return change;
            }
        }
        if (stored.Field(column) == std::string_view(text)) {
            continue;
        }
        COtherRecord record(stored);
        record.SetField(column, text);
        ClearChecks(record);
        change.products.emplace_back(position, std::move(record));
    }
    if (column == kColOfferId) {
        RefuseDuplicateOfferIds(document, change);
    }
    change.what = std::string("Set ") + kColumnNames[column] + " on " + Products(change.products.size());
    return change;
}

std::optional<std::string> CheckFindReplace(const FindReplaceSpec& spec) {
    if (spec.find.empty()) {
        return std::string("Please enter the text to find.");
    }
    if (spec.column >= 0 && !IsBulkEditableColumn(spec.column)) {
        return std::string("This column cannot be changed here.");
    }
    const re2::RE2 pattern(spec.find, PatternOptions(spec));
    if (!pattern.ok()) {
        return "The pattern cannot be read: " + pattern.error() + ".";
    }
    std::string error;
    if (!pattern.CheckRewriteString(Rewrite(spec), &error)) {
        return "The replacement does not fit the pattern: " + error + ".";
    }
    return std::nullopt;
}

BulkChange PlanFindReplace(const CFeedDocument& document, const std::vector<std::size_t>& selected,
                           const FindReplaceSpec& spec) {
    BulkChange change;
    const std::vector<std::size_t> positions = ValidPositions(document, selected);
    if (positions.empty()) {
        return change;
    }
    if (auto message = CheckFindReplace(spec)) {
        Refuse(change, positions.front(), spec.column, std::move(*message));
        return change;
    }
    const re2::RE2 pattern(spec.find, PatternOptions(spec));
    const std::string rewrite = Rewrite(spec);
    std::vector<int> columns;
    for (int k = 0; k < kColumnCount; ++k) {
        if (spec.column < 0 ? IsBulkEditableColumn(k) : k == spec.column) {
            columns.push_back(k);
        }
    }
    bool offerIdChanged = false;
    std::string text;
    for (std::size_t position : positions) {
        const COtherRecord& stored = document.At(position);
        std::optional<COtherRecord> record;
        for (int column : columns) {
            const std::string_view before = stored.Field(column);
            // Most fields hold no match: a search that fails copies nothing.
            if (!re2::RE2::PartialMatch(before, pattern)) {
                continue;
            }
            text.assign(before);
            const int replaced = re2::RE2::GlobalReplace(&text, pattern, rewrite);
            if (auto message = CheckBulkValue(column, text)) {
                Refuse(change, position, column, std::move(*message));
                return change;
            }
            if (text == before) {
                continue;
            }
            if (!record) {
                record.emplace(stored);
            }
            record->SetField(column, text);
            change.replacements += static_cast<std::size_t>(replaced);
            offerIdChanged = offerIdChanged || column == kColOfferId;
        }
        if (record) {
            ClearChecks(*record);
            change.products.emplace_back(position, std::move(*record));
        }
    }
    if (offerIdChanged) {
        RefuseDuplicateOfferIds(document, change);
    }
    change.what = "Replace in " + Products(change.products.size());
    return change;
}

std::size_t ApplyBulkChange(CFeedDocument& document, BulkChange&& change, CEditHistory& history) {
    if (change.refusal || change.products.empty()) {
        return 0;
    }
    const std::uint64_t editCountBefore = document.EditCount();
    CEditHistory::Products before;
    before.reserve(change.products.size());
    for (auto& [position, record] : change.products) {
        before.emplace_back(position, document.At(position));
        document.AddOrReplaceRecord(record, position);
    }
    const std::size_t count = before.size();
    history.NoteChanged(document, editCountBefore, std::move(change.what), std::move(before));
    return count;
}

std::size_t RemoveRowsUndoably(CFeedDocument& document, const std::vector<std::size_t>& selected,
                               CEditHistory& history) {
    const std::vector<std::size_t> positions = ValidPositions(document, selected);
    if (positions.empty()) {
        return 0;
    }
    const std::uint64_t editCountBefore = document.EditCount();
    CEditHistory::Products removed;
    removed.reserve(positions.size());
    for (std::size_t position : positions) {
        removed.emplace_back(position, document.At(position));
    }
    const std::size_t count = RemoveRows(document, positions);
    history.NoteRemoved(document, editCountBefore, "Remove " + Products(count), std::move(removed));
    return count;
}

std::size_t RemoveAllRowsUndoably(CFeedDocument& document, CEditHistory& history) {
    const std::uint64_t editCountBefore = document.EditCount();
    CFeedDocument::RecordList taken = document.TakeAllRecords();
    // Handed over, not copied: a large feed is never held twice.
    CEditHistory::Products removed;
    removed.reserve(taken.size());
    for (std::size_t position = 0; position < taken.size(); ++position) {
        removed.emplace_back(position, std::move(taken[position]));
    }
    taken.clear();
    const std::size_t count = removed.size();
    history.NoteRemoved(document, editCountBefore, "Remove all " + Products(count), std::move(removed));
    return count;
}

}  // namespace yarvelin
