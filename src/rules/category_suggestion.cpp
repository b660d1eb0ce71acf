#include "rules/category_suggestion.h"

#include <algorithm>
#include <set>

#include "handfiles/hand_file.h"
#include "records/cp1252_text.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

// Words that say nothing about what a product is; a single letter ("E-Readers") neither.
bool IsFiller(std::string_view word) {
    return word.size() < 2 || word == "and" || word == "the" || word == "of" || word == "for" ||
           word == "other";
}

// "Roses" and "Rose" are the same word for a suggestion.
std::string Stem(std::string word) {
    if (word.size() > 3 && word.back() == 's' && word[word.size() - 2] != 's') {
        word.pop_back();
    }
    return word;
}

struct PathWords {
    std::set<std::string> all;
    std::set<std::string> last;  // of the last part, after the final ">"
};

PathWords WordsOf(std::string_view path) {
    PathWords words;
    const std::size_t lastPart = path.rfind('>');
    std::string word;
    const auto finish = [&](std::size_t end) {
        if (!word.empty() && !IsFiller(word)) {
            std::string stem = Stem(word);
            if (lastPart == std::string_view::npos || end > lastPart) {
                words.last.insert(stem);
            }
            words.all.insert(std::move(stem));
        }
        word.clear();
    };
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        // Letters of any script held in the code page count as letters.
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c >= 0x80) {
            word += static_cast<char>(c);
        } else if (c >= 'A' && c <= 'Z') {
            word += static_cast<char>(c - 'A' + 'a');
        } else {
            finish(i);
        }
    }
    finish(path.size());
    return words;
}

std::string CountText(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " product" : " products");
}

}  // namespace

void CCategoryTally::Add(std::string_view category) {
    const std::string_view path = TrimmedView(category);
    if (path.empty()) {
        return;
    }
    const auto [it, added] = m_index.emplace(ToLowerAscii(path), m_categories.size());
    if (added) {
        m_categories.push_back({std::string(path), 0, {}, false});
    }
    ++m_categories[it->second].products;
}

std::vector<SourceCategory> CCategoryTally::Suggest(const std::vector<std::string>& candidates) const {
    std::vector<SourceCategory> result = m_categories;
    for (SourceCategory& c : result) {
        for (const std::string& candidate : candidates) {
            if (EqualsNoCase(TrimmedView(candidate), c.path)) {
                c.known = true;
                c.suggestion = std::string(TrimmedView(candidate));
                break;
            }
        }
        if (!c.known) {
            c.suggestion = SuggestCategory(c.path, candidates);
        }
    }
    std::sort(result.begin(), result.end(), [](const SourceCategory& a, const SourceCategory& b) {
        return ToLowerAscii(a.path) < ToLowerAscii(b.path);
    });
    return result;
}

std::string SuggestCategory(std::string_view path, const std::vector<std::string>& candidates) {
    const PathWords source = WordsOf(path);
    double best = 0;
    std::string_view chosen;
    for (const std::string& candidate : candidates) {
        const PathWords words = WordsOf(candidate);
        double score = 0;
        bool shared = false;
        for (const std::string& w : words.all) {
            if (source.all.count(w) != 0) {
                shared = true;
                score += source.last.count(w) != 0 ? 2 : 1;
                score += words.last.count(w) != 0 ? 0.5 : 0;
            } else {
                score -= 0.1;
            }
        }
        if (shared && (chosen.empty() || score > best)) {
            best = score;
            chosen = TrimmedView(candidate);
        }
    }
    return std::string(chosen);
}

std::string FormatCategoryMap(const std::vector<SourceCategory>& categories, std::string_view feedName) {
    std::string out;
    out += "# The categories of " + std::string(feedName) +
           ", each with its number of products and the built-in\n"
           "# category whose words come closest. Check every line: change a suggestion that is wrong, give\n"
           "# the commented ones a category, then save this file and use it as rules (convert --rules, or\n"
           "# Rules... in the wizard). Paths not in the map keep their category unless a default is given.\n"
           "[[rule]]\n"
           "name = \"Category map\"\n"
           "action = \"map\"\n"
           "column = \"category\"\n"
           "# default = \"\"\n"
           "\n"
           "[rule.map]\n";
    for (const SourceCategory& c : categories) {
        const std::string key = TomlQuoted(Cp1252ToUtf8(c.path));
        if (c.suggestion.empty()) {
            out +=
                "# " + key + " = \"\"  # " + CountText(c.products) + "; no built-in category shares a word\n";
            continue;
        }
        out += key + " = " + TomlQuoted(Cp1252ToUtf8(c.suggestion)) + "  # " + CountText(c.products);
        out += c.known ? ", already a built-in category\n" : "\n";
    }
    return out;
}

}  // namespace yarvelin
