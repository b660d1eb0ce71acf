#include "pages/product_filter.h"

#include <array>
#include <cstring>

#include "checks/feed_diagnostics.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c);
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
    }
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) {  // the multiplication sign has no lower case
            table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c + 32);
        }
    }
    table[0x8A] = 0x9A;  // Š
    table[0x8C] = 0x9C;  // Œ
    table[0x8E] = 0x9E;  // Ž
    table[0x9F] = 0xFF;  // Ÿ
    return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

// For a lower-case letter, its capital; 0 for characters with one case only.
constexpr std::array<unsigned char, 256> MakeOtherCaseTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const unsigned char lower = kFold[static_cast<std::size_t>(c)];
        if (lower != c) {
            table[lower] = static_cast<unsigned char>(c);
        }
    }
    return table;
}

constexpr std::array<unsigned char, 256> kOtherCase = MakeOtherCaseTable();

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
    }
    return out;
}

int ColumnByName(std::string_view name) {
    for (int k = 0; k < kColumnCount; ++k) {
        if (EqualsNoCase(name, kColumnNames[k])) {
            return k;
        }
    }
    return -1;
}

int CodeByName(std::string_view name) {
    for (DiagnosticCode code : CodesInReportOrder()) {
        if (EqualsNoCase(name, DiagnosticCodeName(code))) {
            return static_cast<int>(code);
        }
    }
    return -1;
}

struct Word {
    std::string text;
    bool quoted = false;  // a quoted word is always a text to look for, "marked" too
};

// Splits at blanks outside double quotes; the quotes themselves are dropped. False on an unclosed quote.
bool SplitWords(std::string_view text, std::vector<Word>& words) {
    Word word;
    bool inQuotes = false;
    bool hasWord = false;
    for (char c : text) {
        if (c == '"') {
            inQuotes = !inQuotes;
            word.quoted = hasWord = true;
        } else if (!inQuotes && IsTrimSpace(c)) {
            if (hasWord) {
                words.push_back(std::move(word));
                word = Word{};
                hasWord = false;
            }
        } else {
            word.text.push_back(c);
            hasWord = true;
        }
    }
    if (hasWord) {
        words.push_back(std::move(word));
    }
    return !inQuotes;
}

bool UrlFailed(const COtherRecord& record) {
    return record.urls_checked && !(record.product_url_ok && record.image_url_ok);
}

bool TermHolds(const FilterTerm& term, const COtherRecord& record, std::size_t position,
               const ProductCodeLookup& hasCode) {
    switch (term.kind) {
        case FilterTermKind::Text:
            for (int k = 0; k < kColumnCount; ++k) {
                if (ContainsFolded(record.Field(k), term.needle)) {
                    return true;
                }
            }
            return false;
        case FilterTermKind::Column:
            return ContainsFolded(record.Field(term.column), term.needle);
        case FilterTermKind::ColumnEmpty:
            return TrimmedView(record.Field(term.column)).empty();
        case FilterTermKind::Code:
            return hasCode && hasCode(position, term.code);
        case FilterTermKind::Marked:
            return record.IsMarkedDeleted();
        case FilterTermKind::Unverified:
            return !record.data_checked || !record.urls_checked;
        case FilterTermKind::UrlFailed:
            return UrlFailed(record);
    }
    return false;
}

}  // namespace

unsigned char FoldCp1252(unsigned char c) {
    return kFold[c];
}

bool ContainsFolded(std::string_view haystack, std::string_view foldedNeedle) {
    if (foldedNeedle.empty()) {
        return true;
    }
    if (haystack.size() < foldedNeedle.size()) {
        return false;
    }
    // The first character is looked for with memchr in both its cases, which is what makes a search
    // through every column of a hundred thousand products fast enough to follow typing.
    const auto first = static_cast<unsigned char>(foldedNeedle.front());
    const unsigned char other = kOtherCase[first];
    const char* const end = haystack.data() + (haystack.size() - foldedNeedle.size() + 1);
    const auto find = [end](const char* from, unsigned char c) {
        return from < end
                   ? static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)))
                   : nullptr;
    };
    const char* nextFirst = find(haystack.data(), first);
    const char* nextOther = other != 0 ? find(haystack.data(), other) : nullptr;
    while (nextFirst || nextOther) {
        const bool takeFirst = !nextOther || (nextFirst && nextFirst < nextOther);
        const char* at = takeFirst ? nextFirst : nextOther;
        std::size_t k = 1;
        while (k < foldedNeedle.size() &&
               kFold[static_cast<unsigned char>(at[k])] == static_cast<unsigned char>(foldedNeedle[k])) {
            ++k;
        }
        if (k == foldedNeedle.size()) {
            return true;
        }
        if (takeFirst) {
            nextFirst = find(at + 1, first);
        } else {
            nextOther = find(at + 1, other);
        }
    }
    return false;
}

bool ProductFilter::UsesCodes() const {
    for (const FilterTerm& term : terms) {
        if (term.kind == FilterTermKind::Code) {
            return true;
        }
    }
    return false;
}

ProductFilter ParseProductFilter(std::string_view text) {
    ProductFilter filter;
    std::vector<Word> words;
    if (!SplitWords(text, words)) {
        filter.error = "A quote is not closed.";
        return filter;
    }
    for (const Word& w : words) {
        std::string_view word = w.text;
        FilterTerm term;
        if (word.size() > 1 && word.front() == '-') {
            term.negated = true;
            word.remove_prefix(1);
        }
        const std::size_t colon = word.find(':');
        const std::string_view head = colon == std::string_view::npos ? word : word.substr(0, colon);
        const std::string_view rest =
            colon == std::string_view::npos ? std::string_view() : word.substr(colon + 1);
        if (colon != std::string_view::npos && EqualsNoCase(head, "code")) {
            term.kind = FilterTermKind::Code;
            term.code = CodeByName(rest);
            if (term.code < 0) {
                filter.error = "There is no diagnostic code \"" + std::string(rest) + "\".";
                filter.terms.clear();
                return filter;
            }
        } else if (colon != std::string_view::npos && ColumnByName(head) >= 0) {
            term.column = ColumnByName(head);
            term.kind = rest.empty() ? FilterTermKind::ColumnEmpty : FilterTermKind::Column;
            term.needle = Folded(rest);
        } else if (w.quoted) {
            term.needle = Folded(word);
        } else if (EqualsNoCase(word, "marked")) {
            term.kind = FilterTermKind::Marked;
        } else if (EqualsNoCase(word, "unverified")) {
            term.kind = FilterTermKind::Unverified;
        } else if (EqualsNoCase(word, "url-failed")) {
            term.kind = FilterTermKind::UrlFailed;
        } else {
            // Anything else, an address with its "https:" too, is looked for as it stands.
            term.needle = Folded(word);
        }
        filter.terms.push_back(std::move(term));
    }
    return filter;
}

bool IsNarrowing(const ProductFilter& from, const ProductFilter& to) {
    if (!from.error.empty() || !to.error.empty() || to.terms.size() < from.terms.size()) {
        return false;
    }
    for (std::size_t i = 0; i < from.terms.size(); ++i) {
        const FilterTerm& a = from.terms[i];
        const FilterTerm& b = to.terms[i];
        if (a == b) {
            continue;
        }
        // A longer text to look for keeps fewer products; turned round it would keep more.
        const bool searches = a.kind == FilterTermKind::Text || a.kind == FilterTermKind::Column;
        if (!searches || a.negated || b.negated || a.kind != b.kind || a.column != b.column ||
            b.needle.find(a.needle) == std::string::npos) {
            return false;
        }
    }
    return true;
}

bool FilterKeeps(const ProductFilter& filter, const COtherRecord& record, std::size_t position,
                 const ProductCodeLookup& hasCode) {
    if (!filter.error.empty()) {
        return false;
    }
    for (const FilterTerm& term : filter.terms) {
        if (TermHolds(term, record, position, hasCode) == term.negated) {
            return false;
        }
    }
    return true;
}

}  // namespace yarvelin
