#include "rules/document_rules.h"

#include "app/settings_names.h"
#include "feed/feed_line_format.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

bool SameTexts(const COtherRecord& a, const COtherRecord& b) {
    for (int k = 0; k < kColumnCount; ++k) {
        if (a.Field(k) != b.Field(k)) {
            return false;
        }
    }
    return true;
}

// A settings value name holds no path separators or blanks: everything but letters, digits and . - _ is
// written as %XX.
std::string FeedKey(const std::string& feedPath) {
    return EscapeForSettingsName(feedPath);
}

bool StartsRule(std::string_view line) {
    return TrimmedView(line).substr(0, 8) == "[[rule]]";
}

}  // namespace

RuleRun CountRuleHits(const CRuleSet& rules, const CFeedDocument::RecordList& records) {
    RuleRun run = rules.StartRun();
    COtherRecord product;
    for (const COtherRecord& record : records) {
        product = record;
        rules.Apply(product, run);
    }
    return run;
}

RulesApplied ApplyRulesToDocument(CFeedDocument& doc, const CRuleSet& rules, bool keepForUndo) {
    RulesApplied result;
    result.run = rules.StartRun();
    COtherRecord product;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        COtherRecord& record = doc.At(i);
        product = record;
        // The removal mark only lives while a removal runs: here it marks the products the rules leave out.
        const bool excluded = rules.Apply(product, result.run) == RuleVerdict::kExclude;
        if (excluded && keepForUndo) {
            result.removedProducts.emplace_back(i, record);
        }
        record.removal_mark = excluded;
        if (excluded || SameTexts(product, record)) {
            continue;
        }
        if (keepForUndo) {
            result.changedBefore.emplace_back(i, record);
        }
        record.AssignFrom(product);
        record.data_checked = record.urls_checked = record.product_url_ok = record.image_url_ok = false;
        ++result.changed;
    }
    result.removed = doc.RemoveMarkedRecords();
    if (result.changed > 0) {
        doc.MarkChanged();
    }
    return result;
}

std::string RememberedRulesFile(const SettingsStore& store, const std::string& feedPath) {
    return feedPath.empty() ? std::string() : settings::kRulesFiles.Read(store, FeedKey(feedPath));
}

void RememberRulesFile(SettingsStore& store, const std::string& feedPath, const std::string& rulesPath) {
    if (!feedPath.empty()) {
        settings::kRulesFiles.Write(store, FeedKey(feedPath), rulesPath);
    }
}

RuleTexts SplitRuleTexts(std::string_view text) {
    RuleTexts texts;
    std::string* current = &texts.preamble;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = text.substr(pos, end - pos);
        if (StartsRule(line)) {
            texts.rules.emplace_back();
            current = &texts.rules.back();
        }
        current->append(line);
        pos = end;
    }
    return texts;
}

std::string JoinRuleTexts(const RuleTexts& texts) {
    std::string text = texts.preamble;
    for (const std::string& rule : texts.rules) {
        if (!text.empty() && text.back() != '\n') {
            text += '\n';
        }
        text += rule;
    }
    return text;
}

}  // namespace yarvelin
