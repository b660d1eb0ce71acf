// Rules a merchant keeps in a file to change products on their way into the feed: leave some out, fix
// texts, recalculate prices, map the shop's categories onto the service's. The file is read and every rule
// compiled once, before any product is touched; applying the rules to a product is then one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "handfiles/hand_file.h"
#include "records/other_record.h"

namespace re2 {
class RE2;
}

namespace yarvelin {

class CFeedDiagnostics;

// Every mistake of a rules file, each at its place; the first one is also the error's own.
class CRulesFileError : public CHandFileError {
  public:
    explicit CRulesFileError(std::vector<CHandFileError> mistakes);
    const std::vector<CHandFileError>& Mistakes() const { return m_mistakes; }
    // One "FILE:LINE: what" line for each mistake.
    std::string AllMessages() const;

  private:
    std::vector<CHandFileError> m_mistakes;
};

enum class RuleActionKind { kExclude, kSet, kReplace, kPrepend, kAppend, kCalculate, kMap };
const char* RuleActionName(RuleActionKind kind);  // "exclude", "set", ...

enum class CompareOp { kLess, kLessOrEqual, kGreater, kGreaterOrEqual, kEqual, kNotEqual };

// A condition on one product, compiled.
struct RuleCondition {
    enum class Kind { kAlways, kEquals, kContains, kMatches, kEmpty, kNumber, kFinding, kAll, kAny };
    Kind kind = Kind::kAlways;
    bool negate = false;
    int column = -1;
    std::string text;  // equals: as given; contains: in lower case
    std::shared_ptr<const re2::RE2> pattern;
    CompareOp op = CompareOp::kEqual;
    double number = 0;
    int finding = -1;                  // finding: a diagnostic code (checks/feed_diagnostics.h)
    std::vector<RuleCondition> parts;  // all / any
};

// A text with {column} placeholders, split into its pieces.
struct RuleTemplate {
    struct Piece {
        std::string literal;
        int column = -1;  // -1: the literal
    };
    std::vector<Piece> pieces;
};

// What one rule does, compiled.
struct RuleAction {
    RuleActionKind kind = RuleActionKind::kExclude;
    int column = -1;
    RuleTemplate value;                       // set, prepend, append
    std::string find;                         // replace, literal
    std::shared_ptr<const re2::RE2> pattern;  // replace, regular expression
    std::string with;                         // replace
    // calculate, in this order: multiply, add, at least min, at most max, round
    double multiply = 1;
    double add = 0;
    bool hasMin = false, hasMax = false;
    double min = 0, max = 0;  // at_least, at_most
    bool oldWords = false;    // min and max of older files: min caps the value (at most), max floors it
    int round = -1;           // fraction digits; -1: not rounded
    // map: keys trimmed and in lower case
    std::unordered_map<std::string, std::string> map;
    bool hasDefault = false;
    std::string fallback;
};

struct Rule {
    std::string name;  // as the file gives it, or "rule N"
    int line = 0;      // where the rule starts in its file
    RuleCondition when;
    RuleAction action;
};

enum class RuleVerdict { kKeep, kExclude };

// What applying the rules found, over the products of one run. A run is one thread's: Apply writes into it.
struct RuleRun {
    std::vector<std::size_t> hits;  // per rule: products it changed or left out
    std::size_t products = 0;
    std::size_t excluded = 0;
    std::string scratch;  // kept so that a product costs no allocation
    // finding conditions: the products checked in order as they reach such a rule, so that a repeated offer
    // id is found too; the codes found on the product under way (bit k: code k), once asked for.
    std::shared_ptr<CFeedDiagnostics> diagnostics;
    std::uint64_t findings = 0;
    bool findingsKnown = false;
};

class CRuleSet {
  public:
    CRuleSet() = default;
    // Reads and compiles a rules file. Throws CRulesFileError with every mistake found (CHandFileError
    // when the file cannot be read or is no TOML).
    static CRuleSet Load(const std::string& path);
    // The same from text read elsewhere; name is what messages show.
    static CRuleSet Parse(std::string_view text, const std::string& name);

    const std::vector<Rule>& Rules() const { return m_rules; }
    // "FILE:LINE: what" for what loads but should be written otherwise (min and max of calculate).
    const std::vector<std::string>& Warnings() const { return m_warnings; }
    bool Empty() const { return m_rules.empty(); }

    // A run with a counter for each rule.
    RuleRun StartRun() const;
    // Applies the rules in order to one product. An excluding rule ends the product's way through them.
    RuleVerdict Apply(COtherRecord& record, RuleRun& run) const;

  private:
    static CRuleSet Compile(const toml::table& file);

    std::vector<Rule> m_rules;
    std::vector<std::string> m_warnings;
};

// A condition as the rules file writes it (`when`), compiled with columns of another kind: the shop
// export's columns of a column map. columnOf gives a column's number for its name, or fails at place.
using ConditionColumnLookup = std::function<int(const toml::node& place, const std::string& name)>;
RuleCondition CompileRuleCondition(const toml::table& table, const ConditionColumnLookup& columnOf);
// Whether a condition holds on a row of an export: column numbers index positions, whose entries are
// cells' positions (-1: the export lacks that column, which reads as empty).
bool RowConditionHolds(const RuleCondition& c, const std::vector<std::string>& cells,
                       const std::vector<int>& positions, std::string& scratch);

// The column with that feed column name, or -1.
int FindColumn(std::string_view name);
// Whether the column holds a number that rules may calculate with.
bool IsNumberColumn(int column);

}  // namespace yarvelin
