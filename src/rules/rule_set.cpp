// Applying compiled rules to products. Everything that can go wrong was found when the file was read, so
// nothing here reports: a product a rule does not fit (a price that is no number) is left as it is.
#include "rules/rule_set.h"

#include <re2/re2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "checks/feed_diagnostics.h"
#include "feed/feed_line_format.h"
#include "records/local_date_time.h"
#include "records/number_text.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

void LowerInto(std::string& out, std::string_view text) {
    out.assign(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
}

bool Compare(double value, CompareOp op, double number) {
    switch (op) {
        case CompareOp::kLess:
            return value < number;
        case CompareOp::kLessOrEqual:
            return value <= number;
        case CompareOp::kGreater:
            return value > number;
        case CompareOp::kGreaterOrEqual:
            return value >= number;
        case CompareOp::kEqual:
            return value == number;
        case CompareOp::kNotEqual:
            return value != number;
    }
    return false;
}

// valueOf(column) gives a column's text, of a product or of an export's row; findingsOf() the codes of the
// product's findings (bit k: code k).
template <typename ValueOf, typename FindingsOf>
bool Holds(const RuleCondition& c, const ValueOf& valueOf, const FindingsOf& findingsOf,
           std::string& scratch) {
    const auto value = [&] { return valueOf(c.column); };
    bool result = true;
    switch (c.kind) {
        case RuleCondition::Kind::kAlways:
            result = true;
            break;
        case RuleCondition::Kind::kEquals:
            result = EqualsNoCase(TrimmedView(value()), c.text);
            break;
        case RuleCondition::Kind::kContains:
            LowerInto(scratch, value());
            result = scratch.find(c.text) != std::string::npos;
            break;
        case RuleCondition::Kind::kMatches:
            result = re2::RE2::PartialMatch(value(), *c.pattern);
            break;
        case RuleCondition::Kind::kEmpty:
            result = TrimmedView(value()).empty();
            break;
        case RuleCondition::Kind::kNumber: {
            const std::optional<double> number = ParseDialogNumber(value());
            result = number && Compare(*number, c.op, c.number);
            break;
        }
        case RuleCondition::Kind::kFinding:
            result = (findingsOf() >> c.finding) & 1u;
            break;
        case RuleCondition::Kind::kAll:
            result = std::all_of(c.parts.begin(), c.parts.end(), [&](const RuleCondition& p) {
                return Holds(p, valueOf, findingsOf, scratch);
            });
            break;
        case RuleCondition::Kind::kAny:
            result = std::any_of(c.parts.begin(), c.parts.end(), [&](const RuleCondition& p) {
                return Holds(p, valueOf, findingsOf, scratch);
            });
            break;
    }
    return result != c.negate;
}

void Expand(const RuleTemplate& t, const COtherRecord& record, std::string& out) {
    out.clear();
    for (const RuleTemplate::Piece& piece : t.pieces) {
        if (piece.column < 0) {
            out += piece.literal;
        } else {
            out += record.Field(piece.column);
        }
    }
}

bool ReplaceAll(std::string& text, const std::string& find, const std::string& with) {
    std::size_t pos = text.find(find);
    if (pos == std::string::npos) {
        return false;
    }
    for (; pos != std::string::npos; pos = text.find(find, pos + with.size())) {
        text.replace(pos, find.size(), with);
    }
    return true;
}

bool Calculate(const RuleAction& a, std::string& field) {
    const std::optional<double> number = ParseDialogNumber(field);
    if (!number) {
        return false;
    }
    double v = *number * a.multiply + a.add;
    if (a.hasMin) {
        v = std::max(v, a.min);
    }
    if (a.hasMax) {
        v = std::min(v, a.max);
    }
    // Price and shipping are money: the feed writes them with two decimals, whatever the steps gave.
    const bool money = a.column == FindColumn("price") || a.column == FindColumn("shipping");
    if (money) {
        const double scale = std::pow(10.0, a.round >= 0 && a.round < 2 ? a.round : 2);
        v = std::round(v * scale * (1 + 4 * std::numeric_limits<double>::epsilon())) / scale;
        field = FormatFixed(v, 2);
    } else if (a.round >= 0) {
        // Halves go up, as a merchant rounds a price; the small nudge keeps 2.675 (held as 2.67499...)
        // from going down.
        const double scale = std::pow(10.0, a.round);
        v = std::round(v * scale * (1 + 4 * std::numeric_limits<double>::epsilon())) / scale;
        field = FormatFixed(v, a.round);
    } else {
        field = FormatGeneral(v, 15);
    }
    return true;
}

// Gives whether the action changed field, the text of its column in record (read only), or left out the
// product.
bool ActOn(const RuleAction& a, const COtherRecord& record, std::string& field, std::string& scratch) {
    switch (a.kind) {
        case RuleActionKind::kExclude:
            return true;
        case RuleActionKind::kSet:
            Expand(a.value, record, scratch);
            field = scratch;
            return true;
        case RuleActionKind::kPrepend:
            Expand(a.value, record, scratch);
            field.insert(0, scratch);
            return true;
        case RuleActionKind::kAppend:
            Expand(a.value, record, scratch);
            field += scratch;
            return true;
        case RuleActionKind::kReplace:
            if (a.pattern) {
                return re2::RE2::GlobalReplace(&field, *a.pattern, a.with) > 0;
            }
            return ReplaceAll(field, a.find, a.with);
        case RuleActionKind::kCalculate:
            return Calculate(a, field);
        case RuleActionKind::kMap: {
            LowerInto(scratch, TrimmedView(field));
            const auto found = a.map.find(scratch);
            if (found != a.map.end()) {
                field = found->second;
                return true;
            }
            if (a.hasDefault) {
                field = a.fallback;
                return true;
            }
            return false;
        }
    }
    return false;
}

bool Act(const RuleAction& a, COtherRecord& record, std::string& scratch) {
    if (a.kind == RuleActionKind::kExclude) {
        return true;
    }
    std::string field(record.Field(a.column));
    if (!ActOn(a, record, field, scratch)) {
        return false;
    }
    record.SetField(a.column, field);
    return true;
}

}  // namespace

CRulesFileError::CRulesFileError(std::vector<CHandFileError> mistakes)
    : CHandFileError(mistakes.front().File(), mistakes.front().Line(), mistakes.front().What()),
      m_mistakes(std::move(mistakes)) {}

std::string CRulesFileError::AllMessages() const {
    std::string text;
    for (const CHandFileError& m : m_mistakes) {
        text += text.empty() ? "" : "\n";
        text += m.what();
    }
    return text;
}

const char* RuleActionName(RuleActionKind kind) {
    switch (kind) {
        case RuleActionKind::kExclude:
            return "exclude";
        case RuleActionKind::kSet:
            return "set";
        case RuleActionKind::kReplace:
            return "replace";
        case RuleActionKind::kPrepend:
            return "prepend";
        case RuleActionKind::kAppend:
            return "append";
        case RuleActionKind::kCalculate:
            return "calculate";
        case RuleActionKind::kMap:
            return "map";
    }
    return "";
}

int FindColumn(std::string_view name) {
    for (int k = 0; k < kColumnCount; ++k) {
        if (name == kColumnNames[k]) {
            return k;
        }
    }
    return -1;
}

bool IsNumberColumn(int column) {
    if (column < 0 || column >= kColumnCount) {
        return false;
    }
    const char* name = kColumnNames[column];
    return std::strcmp(name, "price") == 0 || std::strcmp(name, "shipping") == 0 ||
           std::strcmp(name, "quantity") == 0;
}

bool RowConditionHolds(const RuleCondition& c, const std::vector<std::string>& cells,
                       const std::vector<int>& positions, std::string& scratch) {
    return Holds(
        c,
        [&](int column) {
            const int at = column < 0 ? -1 : positions[static_cast<std::size_t>(column)];
            return at < 0 || at >= static_cast<int>(cells.size()) ? std::string_view()
                                                                  : std::string_view(cells[at]);
        },
        [] { return std::uint64_t{0}; }, scratch);
}

RuleRun CRuleSet::StartRun() const {
    RuleRun run;
    run.hits.assign(m_rules.size(), 0);
    return run;
}

RuleVerdict CRuleSet::Apply(COtherRecord& record, RuleRun& run) const {
    if (run.hits.size() < m_rules.size()) {
        run.hits.resize(m_rules.size(), 0);
    }
    ++run.products;
    run.findingsKnown = false;
    // Checked once per product, as it stands when the first rule asks.
    const auto findingsOf = [&] {
        if (!run.findingsKnown) {
            if (!run.diagnostics) {
                DiagnosticsOptions options;
                options.now = CurrentLocalDateTime();
                run.diagnostics = std::make_shared<CFeedDiagnostics>(options, [](Diagnostic&&) {});
                // Only counted: the codes are told by the counts that grew, no message is built.
                run.diagnostics->SetReportLimitPerCode(0);
            }
            const auto before = run.diagnostics->Totals().perCode;
            run.diagnostics->CheckProduct(record);
            const auto& after = run.diagnostics->Totals().perCode;
            run.findings = 0;
            for (std::size_t code = 0; code < after.size(); ++code) {
                if (after[code] != before[code]) {
                    run.findings |= std::uint64_t{1} << code;
                }
            }
            run.findingsKnown = true;
        }
        return run.findings;
    };
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        const Rule& rule = m_rules[i];
        if (!Holds(
                rule.when, [&record](int column) { return record.Field(column); }, findingsOf, run.scratch)) {
            continue;
        }
        if (Act(rule.action, record, run.scratch)) {
            ++run.hits[i];
            if (rule.action.kind == RuleActionKind::kExclude) {
                ++run.excluded;
                return RuleVerdict::kExclude;
            }
        }
    }
    return RuleVerdict::kKeep;
}

}  // namespace yarvelin
