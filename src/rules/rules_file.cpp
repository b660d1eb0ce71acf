// Reading a rules file: each rule is compiled into what rule_set.cpp applies, and every mistake is found
// here, with its line, so that a rules file that loads cannot fail halfway through a feed.
#include <re2/re2.h>

#include <algorithm>
#include <optional>
#include <tuple>

#include "checks/feed_diagnostics.h"
#include "feed/feed_encoding.h"
#include "feed/feed_line_format.h"
#include "records/number_text.h"
#include "records/text_util.h"
#include "rules/rule_set.h"

namespace yarvelin {

namespace {

const toml::node& NodeOf(const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    return node != nullptr ? *node : static_cast<const toml::node&>(table);
}

std::string ColumnList() {
    std::string list;
    for (const char* name : kColumnNames) {
        list += list.empty() ? "" : ", ";
        list += name;
    }
    return list;
}

// Texts of a rules file are UTF-8; products hold Windows-1252.
std::string FeedText(const toml::node& place, std::string text, std::string_view key) {
    if (Utf8ToCp1252(text) > 0) {
        FailAt(place, std::string(key) + " holds a character the feed's code page cannot hold");
    }
    return text;
}

// A text a rule writes into a product: a feed line cannot hold a TAB or a line break unquoted, and the
// writer decides about quotes from the values the file held.
void RefuseBreaks(const toml::node& place, const std::string& text, std::string_view key) {
    if (text.find_first_of("\t\r\n") != std::string::npos) {
        FailAt(place, std::string(key) + " cannot hold a tab or a line break");
    }
}

std::string ReadFeedText(const toml::table& table, std::string_view key) {
    return FeedText(NodeOf(table, key), RequireString(table, key), key);
}

int ReadColumn(const toml::table& table, std::string_view key = "column") {
    const std::string name = RequireString(table, key);
    const int column = FindColumn(name);
    if (column < 0) {
        FailAt(NodeOf(table, key), "unknown column " + name + " (columns: " + ColumnList() + ")");
    }
    return column;
}

std::shared_ptr<const re2::RE2> CompilePattern(const toml::table& table, std::string_view key) {
    const std::string text = ReadFeedText(table, key);
    re2::RE2::Options options;
    options.set_encoding(re2::RE2::Options::EncodingLatin1);  // one byte, one character, as in products
    options.set_log_errors(false);
    auto pattern = std::make_shared<const re2::RE2>(text, options);
    if (!pattern->ok()) {
        FailAt(NodeOf(table, key), "the regular expression " + text + " is not valid: " + pattern->error());
    }
    return pattern;
}

RuleTemplate ParseTemplate(const toml::table& table, std::string_view key) {
    const toml::node& place = NodeOf(table, key);
    const std::string text = ReadFeedText(table, key);
    RefuseBreaks(place, text, key);
    RuleTemplate result;
    std::string literal;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            literal += c;  // {{ and }} stand for the brace itself
            ++i;
            continue;
        }
        if (c != '{') {
            literal += c;
            continue;
        }
        const std::size_t close = text.find('}', i + 1);
        if (close == std::string::npos) {
            FailAt(place, std::string(key) + " has a { without its } (write {{ for the brace itself)");
        }
        const std::string name = text.substr(i + 1, close - i - 1);
        const int column = FindColumn(name);
        if (column < 0) {
            FailAt(place, std::string(key) + " names the unknown column {" + name +
                              "} (columns: " + ColumnList() + ")");
        }
        if (!literal.empty()) {
            result.pieces.push_back({std::move(literal), -1});
            literal.clear();
        }
        result.pieces.push_back({std::string(), column});
        i = close;
    }
    if (!literal.empty()) {
        result.pieces.push_back({std::move(literal), -1});
    }
    return result;
}

std::optional<std::pair<CompareOp, double>> ParseComparison(std::string_view text) {
    static const std::pair<std::string_view, CompareOp> kOps[] = {
        {"<=", CompareOp::kLessOrEqual}, {">=", CompareOp::kGreaterOrEqual},
        {"!=", CompareOp::kNotEqual},    {"==", CompareOp::kEqual},
        {"<", CompareOp::kLess},         {">", CompareOp::kGreater},
        {"=", CompareOp::kEqual}};
    const std::string_view trimmed = TrimmedView(text);
    for (const auto& [sign, op] : kOps) {
        if (trimmed.substr(0, sign.size()) == sign) {
            const std::optional<double> number = ParseDialogNumber(trimmed.substr(sign.size()));
            if (!number) {
                return std::nullopt;
            }
            return std::pair{op, *number};
        }
    }
    return std::nullopt;
}

RuleCondition CompileCondition(const toml::table& table, const ConditionColumnLookup& columnOf) {
    CheckKnownKeys(table, {"column", "equals", "contains", "matches", "empty", "number", "finding", "all",
                           "any", "not"});
    static constexpr std::string_view kTests[] = {"equals", "contains", "matches", "empty",
                                                  "number", "finding",  "all",     "any"};
    std::vector<std::string_view> given;
    for (std::string_view test : kTests) {
        if (table.contains(test)) {
            given.push_back(test);
        }
    }
    if (given.size() != 1) {
        FailAt(
            given.size() > 1 ? NodeOf(table, given[1]) : static_cast<const toml::node&>(table),
            "a condition needs exactly one of equals, contains, matches, empty, number, finding, all, any");
    }
    RuleCondition c;
    c.negate = ReadBool(table, "not").value_or(false);
    const std::string_view test = given.front();
    if (test == "all" || test == "any") {
        if (table.contains("column")) {
            FailAt(NodeOf(table, "column"), std::string(test) + " takes its columns in its own conditions");
        }
        c.kind = test == "all" ? RuleCondition::Kind::kAll : RuleCondition::Kind::kAny;
        const std::vector<const toml::table*> parts = ReadTableArray(table, test);
        if (parts.empty()) {
            FailAt(NodeOf(table, test), std::string(test) + " needs at least one condition");
        }
        for (const toml::table* part : parts) {
            c.parts.push_back(CompileCondition(*part, columnOf));
        }
        return c;
    }
    if (test == "finding") {
        // The product's own findings, as the diagnostics name them: no column of its own.
        if (table.contains("column")) {
            FailAt(NodeOf(table, "column"), "finding looks at the whole product: leave out column");
        }
        c.kind = RuleCondition::Kind::kFinding;
        const std::string name = RequireString(table, test);
        for (std::size_t code = 0; code < kDiagnosticCodeCount; ++code) {
            if (name == DiagnosticCodeName(static_cast<DiagnosticCode>(code))) {
                c.finding = static_cast<int>(code);
            }
        }
        if (c.finding < 0) {
            FailAt(NodeOf(table, test),
                   "finding must be a code of the diagnostics (as validate --json names "
                   "them, such as \"price-invalid\"), not " +
                       name);
        }
        return c;
    }
    c.column = columnOf(NodeOf(table, "column"), RequireString(table, "column"));
    if (test == "equals") {
        c.kind = RuleCondition::Kind::kEquals;
        c.text = std::string(TrimmedView(ReadFeedText(table, test)));
    } else if (test == "contains") {
        c.kind = RuleCondition::Kind::kContains;
        c.text = ToLowerAscii(ReadFeedText(table, test));
        if (c.text.empty()) {
            FailAt(NodeOf(table, test), "contains needs a text to look for");
        }
    } else if (test == "matches") {
        c.kind = RuleCondition::Kind::kMatches;
        c.pattern = CompilePattern(table, test);
    } else if (test == "empty") {
        c.kind = RuleCondition::Kind::kEmpty;
        if (!*ReadBool(table, test)) {
            c.negate = !c.negate;
        }
    } else {
        c.kind = RuleCondition::Kind::kNumber;
        const std::string text = RequireString(table, test);
        const auto comparison = ParseComparison(text);
        if (!comparison) {
            FailAt(NodeOf(table, test),
                   "number must be a comparison such as \"< 5\" or \">= 10.5\", not " + text);
        }
        c.op = comparison->first;
        c.number = comparison->second;
    }
    return c;
}

void CompileCalculation(const toml::table& table, RuleAction& a) {
    if (!IsNumberColumn(a.column)) {
        FailAt(NodeOf(table, "column"),
               std::string("calculate works on the number columns price, shipping and "
                           "quantity; ") +
                   kColumnNames[a.column] + " holds text");
    }
    bool any = false;
    if (const auto v = ReadNumber(table, "multiply")) {
        a.multiply = *v;
        any = true;
    }
    if (const auto v = ReadNumber(table, "add")) {
        a.add = *v;
        any = true;
    }
    // "min = 50" reads to a merchant as "at least 50" but has always meant the smaller of the value and
    // 50: files written so keep that meaning (with a warning); at_least and at_most say it without doubt.
    for (const auto& [key, has, value] :
         {std::tuple{"at_least", &a.hasMin, &a.min}, std::tuple{"max", &a.hasMin, &a.min},
          std::tuple{"at_most", &a.hasMax, &a.max}, std::tuple{"min", &a.hasMax, &a.max}}) {
        if (const auto v = ReadNumber(table, key)) {
            if (*has) {
                FailAt(NodeOf(table, key), std::string(key) + " says again what at_least or at_most said");
            }
            *has = any = true;
            *value = *v;
            a.oldWords = a.oldWords || key[0] == 'm';
        }
    }
    if (const auto v = ReadInteger(table, "round")) {
        if (*v < 0 || *v > 6) {
            FailAt(NodeOf(table, "round"), "round must be a number of fraction digits from 0 to 6");
        }
        a.round = static_cast<int>(*v);
        any = true;
    }
    if (!any) {
        FailAt(table, "calculate needs at least one of multiply, add, at_least, at_most, round");
    }
}

void CompileMap(const toml::table& table, RuleAction& a) {
    const toml::table* map = ReadTable(table, "map");
    if (map == nullptr) {
        FailAt(table, "map is missing (the table of the shop's values and what each becomes)");
    }
    // In file order, so that the later of two equal entries is the one reported.
    std::vector<std::pair<std::string_view, const toml::node*>> entries;
    for (const auto& [key, value] : *map) {
        entries.emplace_back(key.str(), &value);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return HandFileLine(*a.second) < HandFileLine(*b.second);
    });
    for (const auto& [key, node] : entries) {
        const toml::node& value = *node;
        if (!value.is_string()) {
            FailAt(value, "each value of map must be a text in quotes");
        }
        std::string from = FeedText(value, std::string(key), "map");
        std::string to = FeedText(value, std::string(value.as_string()->get()), "map");
        RefuseBreaks(value, to, "map");
        std::string lookup = ToLowerAscii(TrimmedView(from));
        if (!a.map.emplace(std::move(lookup), std::move(to)).second) {
            FailAt(value, "map gives " + from + " twice (letter case and blanks around it do not count)");
        }
    }
    if (table.contains("default")) {
        a.hasDefault = true;
        a.fallback = ReadFeedText(table, "default");
        RefuseBreaks(NodeOf(table, "default"), a.fallback, "default");
    }
}

RuleAction CompileAction(const toml::table& table) {
    const std::string name = RequireString(table, "action");
    static const std::pair<std::string_view, RuleActionKind> kKinds[] = {
        {"exclude", RuleActionKind::kExclude}, {"set", RuleActionKind::kSet},
        {"replace", RuleActionKind::kReplace}, {"prepend", RuleActionKind::kPrepend},
        {"append", RuleActionKind::kAppend},   {"calculate", RuleActionKind::kCalculate},
        {"map", RuleActionKind::kMap}};
    const auto found = std::find_if(std::begin(kKinds), std::end(kKinds),
                                    [&](const auto& entry) { return entry.first == name; });
    if (found == std::end(kKinds)) {
        FailAt(
            NodeOf(table, "action"),
            "unknown action " + name + " (actions: exclude, set, replace, prepend, append, calculate, map)");
    }
    RuleAction a;
    a.kind = found->second;
    switch (a.kind) {
        case RuleActionKind::kExclude:
            CheckKnownKeys(table, {"name", "when", "action"});
            break;
        case RuleActionKind::kSet:
        case RuleActionKind::kPrepend:
        case RuleActionKind::kAppend:
            CheckKnownKeys(table, {"name", "when", "action", "column", "value"});
            a.column = ReadColumn(table);
            a.value = ParseTemplate(table, "value");
            break;
        case RuleActionKind::kReplace:
            CheckKnownKeys(table, {"name", "when", "action", "column", "find", "pattern", "with"});
            a.column = ReadColumn(table);
            if (table.contains("find") == table.contains("pattern")) {
                FailAt(table, "replace needs either find (a text) or pattern (a regular expression)");
            }
            a.with = ReadFeedText(table, "with");
            RefuseBreaks(NodeOf(table, "with"), a.with, "with");
            if (table.contains("find")) {
                a.find = ReadFeedText(table, "find");
                if (a.find.empty()) {
                    FailAt(NodeOf(table, "find"), "find needs a text to look for");
                }
            } else {
                a.pattern = CompilePattern(table, "pattern");
                std::string error;
                if (!a.pattern->CheckRewriteString(a.with, &error)) {
                    FailAt(NodeOf(table, "with"), "with does not fit the pattern: " + error);
                }
            }
            break;
        case RuleActionKind::kCalculate:
            CheckKnownKeys(table, {"name", "when", "action", "column", "multiply", "add", "at_least",
                                   "at_most", "min", "max", "round"});
            a.column = ReadColumn(table);
            CompileCalculation(table, a);
            break;
        case RuleActionKind::kMap:
            CheckKnownKeys(table, {"name", "when", "action", "column", "map", "default"});
            a.column = table.contains("column") ? ReadColumn(table) : FindColumn("category");
            CompileMap(table, a);
            break;
    }
    return a;
}

Rule CompileRule(const toml::table& table, std::size_t index) {
    Rule rule;
    rule.line = HandFileLine(table);
    rule.name = ReadString(table, "name").value_or("rule " + std::to_string(index + 1));
    rule.action = CompileAction(table);
    if (const toml::table* when = ReadTable(table, "when")) {
        rule.when = CompileCondition(*when, [](const toml::node& place, const std::string& name) {
            const int column = FindColumn(name);
            if (column < 0) {
                FailAt(place, "unknown column " + name + " (columns: " + ColumnList() + ")");
            }
            return column;
        });
    }
    return rule;
}

}  // namespace

RuleCondition CompileRuleCondition(const toml::table& table, const ConditionColumnLookup& columnOf) {
    return CompileCondition(table, columnOf);
}

CRuleSet CRuleSet::Compile(const toml::table& file) {
    std::vector<CHandFileError> mistakes;
    CRuleSet set;
    try {
        CheckKnownKeys(file, {"rule"});
        const std::vector<const toml::table*> rules = ReadTableArray(file, "rule");
        for (std::size_t i = 0; i < rules.size(); ++i) {
            // One mistake a rule: the rest of that rule may only follow from it.
            try {
                set.m_rules.push_back(CompileRule(*rules[i], i));
                if (set.m_rules.back().action.oldWords) {
                    set.m_warnings.push_back(
                        HandFileName(*rules[i]) + ":" + std::to_string(set.m_rules.back().line) +
                        ": min and max of calculate keep their old meaning (min = 5 makes 7 into 5): write "
                        "at_most or at_least");
                }
            } catch (const CHandFileError& err) {
                mistakes.push_back(err);
            }
        }
    } catch (const CHandFileError& err) {
        mistakes.push_back(err);
    }
    if (!mistakes.empty()) {
        throw CRulesFileError(std::move(mistakes));
    }
    return set;
}

CRuleSet CRuleSet::Parse(std::string_view text, const std::string& name) {
    return Compile(ParseHandFile(text, name));
}

CRuleSet CRuleSet::Load(const std::string& path) {
    return Compile(LoadHandFile(path));
}

}  // namespace yarvelin
