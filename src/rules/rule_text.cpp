#include "rules/rule_text.h"

#include <charconv>

#include "handfiles/hand_file.h"

namespace yarvelin {

namespace {

std::string Number(double value) {
    char buffer[32];
    const auto result = std::to_chars(std::begin(buffer), std::end(buffer), value);
    return std::string(buffer, result.ptr);
}

std::string Condition(const RuleFormCondition& c) {
    std::string out = "{ column = " + TomlQuoted(c.column) + ", ";
    switch (c.test) {
        case RuleTest::kEquals:
            out += "equals = " + TomlQuoted(c.value);
            break;
        case RuleTest::kContains:
            out += "contains = " + TomlQuoted(c.value);
            break;
        case RuleTest::kMatches:
            out += "matches = " + TomlQuoted(c.value);
            break;
        case RuleTest::kEmpty:
            out += "empty = true";
            break;
        case RuleTest::kNotEmpty:
            out += "empty = false";
            break;
        case RuleTest::kNumber:
            out += "number = " + TomlQuoted(c.value);
            break;
    }
    if (c.negate) {
        out += ", not = true";
    }
    return out + " }";
}

}  // namespace

std::string FormatRuleText(const RuleForm& form) {
    std::string out = "[[rule]]\n";
    if (!form.name.empty()) {
        out += "name = " + TomlQuoted(form.name) + "\n";
    }
    out += "action = " + TomlQuoted(form.action) + "\n";
    if (form.conditions.size() == 1) {
        out += "when = " + Condition(form.conditions.front()) + "\n";
    } else if (form.conditions.size() > 1) {
        out += std::string("when = { ") + (form.matchAll ? "all" : "any") + " = [";
        for (std::size_t i = 0; i < form.conditions.size(); ++i) {
            out += (i == 0 ? " " : ", ") + Condition(form.conditions[i]);
        }
        out += " ] }\n";
    }
    if (form.action == "exclude") {
        return out;
    }
    out += "column = " + TomlQuoted(form.column) + "\n";
    if (form.action == "set" || form.action == "prepend" || form.action == "append") {
        out += "value = " + TomlQuoted(form.value) + "\n";
    } else if (form.action == "replace") {
        out += (form.findIsPattern ? "pattern = " : "find = ") + TomlQuoted(form.find) + "\n";
        out += "with = " + TomlQuoted(form.with) + "\n";
    } else if (form.action == "calculate") {
        for (const auto& [key, value] :
             {std::pair{"multiply", form.multiply}, std::pair{"add", form.add},
              std::pair{"at_least", form.atLeast}, std::pair{"at_most", form.atMost}}) {
            if (value) {
                out += std::string(key) + " = " + Number(*value) + "\n";
            }
        }
        if (form.round) {
            out += "round = " + std::to_string(*form.round) + "\n";
        }
    } else if (form.action == "map") {
        // The map's table ends the rule: every key after its header belongs to it.
        out += "\n[rule.map]\n";
        for (const auto& [from, to] : form.map) {
            out += TomlQuoted(from) + " = " + TomlQuoted(to) + "\n";
        }
    }
    return out;
}

}  // namespace yarvelin
