#include "import/map_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "feed/feed_file_writer.h"
#include "handfiles/hand_file.h"

namespace yarvelin {

namespace {

void ReadVariants(const toml::table& file, VariantRules& v) {
    const toml::table* t = ReadTable(file, "variants");
    if (t == nullptr) {
        return;
    }
    CheckKnownKeys(
        *t, {"group_by", "offer_rows", "parent_type_column", "parent_type", "parent_keys", "parent_ref",
             "own_columns", "from_parent", "product_columns", "options", "child_list", "child_key"});
    v.groupBy = ReadString(*t, "group_by").value_or("");
    v.offerRows = ReadString(*t, "offer_rows").value_or("");
    v.parentTypeColumn = ReadString(*t, "parent_type_column").value_or("");
    v.parentType = ReadString(*t, "parent_type").value_or("");
    v.parentKeys = ReadStringList(*t, "parent_keys").value_or(std::vector<std::string>{});
    v.parentRef = ReadString(*t, "parent_ref").value_or("");
    v.childList = ReadString(*t, "child_list").value_or("");
    v.childKey = ReadString(*t, "child_key").value_or("");
    if (!v.childList.empty() && (v.parentTypeColumn.empty() || v.childKey.empty())) {
        FailAt(*t, "child_list needs parent_type_column, parent_type and child_key");
    }
    v.ownColumns = ReadStringList(*t, "own_columns").value_or(std::vector<std::string>{});
    v.fromParent = ReadStringList(*t, "from_parent").value_or(std::vector<std::string>{});
    v.productColumns = ReadStringList(*t, "product_columns").value_or(std::vector<std::string>{});
    v.options = ReadStringList(*t, "options").value_or(std::vector<std::string>{});
    for (const auto* list : {&v.fromParent, &v.options}) {
        for (const std::string& column : *list) {
            if (FeedColumnIndex(column) < 0) {
                FailAt(*t, std::string(list == &v.options ? "options" : "from_parent") + ": '" + column +
                               "' is no feed column");
            }
        }
    }
    if (!v.parentRef.empty() && (v.parentTypeColumn.empty() || v.parentKeys.empty())) {
        FailAt(*t, "parent_ref needs parent_type_column, parent_type and parent_keys");
    }
}

void AppendList(std::string& out, const std::vector<std::string>& items) {
    out += "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i > 0 ? ", " : "") + TomlQuoted(items[i]);
    }
    out += "]";
}

// A condition as one line of TOML, for writing the map back.
std::string InlineToml(const toml::node& node) {
    if (const toml::table* t = node.as_table()) {
        std::string out = "{ ";
        bool first = true;
        for (const auto& [key, value] : *t) {
            out += (first ? "" : ", ") + std::string(key.str()) + " = " + InlineToml(value);
            first = false;
        }
        return out + " }";
    }
    if (const toml::array* a = node.as_array()) {
        std::string out = "[";
        for (std::size_t i = 0; i < a->size(); ++i) {
            out += (i > 0 ? ", " : "") + InlineToml(*a->get(i));
        }
        return out + "]";
    }
    if (const auto* text = node.as_string()) {
        return TomlQuoted(text->get());
    }
    if (const auto* flag = node.as_boolean()) {
        return flag->get() ? "true" : "false";
    }
    std::ostringstream out;
    if (const auto* number = node.as_integer()) {
        out << number->get();
    } else if (const auto* real = node.as_floating_point()) {
        out << real->get();
    }
    return out.str();
}

RowCondition ReadRowCondition(const toml::table& t, bool skip) {
    if (skip) {
        CheckKnownKeys(t, {"reason", "when"});
    } else {
        CheckKnownKeys(t, {"column", "value", "when"});
    }
    RowCondition r;
    if (skip) {
        r.reason = RequireString(t, "reason");
    } else {
        r.column = RequireString(t, "column");
        r.value = RequireString(t, "value");
        if (FeedColumnIndex(r.column) < 0) {
            FailAt(*t.get("column"), "'" + r.column + "' is no feed column");
        }
    }
    const toml::table* when = ReadTable(t, "when");
    if (when == nullptr) {
        FailAt(t, "when is missing (the condition on the export's columns)");
    }
    r.compiled = CompileRuleCondition(*when, [&r](const toml::node&, const std::string& name) {
        const auto found = std::find(r.columns.begin(), r.columns.end(), name);
        if (found != r.columns.end()) {
            return static_cast<int>(found - r.columns.begin());
        }
        r.columns.push_back(name);
        return static_cast<int>(r.columns.size() - 1);
    });
    r.when = InlineToml(*when);
    return r;
}

ColumnMap ColumnMapFromFile(const toml::table& file) {
    CheckKnownKeys(
        file, {"name", "title", "base_url", "currency", "detect", "match_feed_names", "lenient", "columns",
               "transform", "variants", "attribute", "attribute_list", "number_form", "skip", "set", "sale"});
    ColumnMap map;
    map.name = ReadString(file, "name").value_or("");
    map.title = ReadString(file, "title").value_or("");
    map.baseUrl = ReadString(file, "base_url").value_or("");
    map.currency = ReadString(file, "currency").value_or("");
    map.detect = ReadStringList(file, "detect").value_or(std::vector<std::string>{});
    map.matchFeedNames = ReadBool(file, "match_feed_names").value_or(false);
    map.lenient = ReadBool(file, "lenient").value_or(false);
    if (const toml::table* columns = ReadTable(file, "columns")) {
        for (const auto& [key, node] : *columns) {
            const int k = FeedColumnIndex(key.str());
            if (k < 0) {
                FailAt(node, "'" + std::string(key.str()) + "' is no feed column");
            }
            map.templates[k] = ReadString(*columns, key.str()).value_or("");
            if (const std::string mistake = TemplateMistake(map.templates[k]); !mistake.empty()) {
                FailAt(node, "the template of " + std::string(key.str()) + " has " + mistake);
            }
        }
    }
    if (const toml::table* transforms = ReadTable(file, "transform")) {
        for (const auto& [key, node] : *transforms) {
            const int k = FeedColumnIndex(key.str());
            if (k < 0) {
                FailAt(node, "'" + std::string(key.str()) + "' is no feed column");
            }
            for (const std::string& t :
                 ReadStringList(*transforms, key.str()).value_or(std::vector<std::string>{})) {
                const unsigned flag = TransformFromName(t);
                if (flag == 0) {
                    FailAt(node, "'" + t +
                                     "' is no transformation (first_item, category_path, yes_no, keep_html, "
                                     "deepest_item, currency_code)");
                }
                map.transforms[k] |= flag;
            }
        }
    }
    ReadVariants(file, map.variants);
    for (const toml::table* pair : ReadTableArray(file, "attribute")) {
        CheckKnownKeys(*pair, {"name", "value"});
        map.attributes.push_back({RequireString(*pair, "name"), RequireString(*pair, "value")});
    }
    map.attributeList = ReadString(file, "attribute_list").value_or("");
    if (const auto form = ReadString(file, "number_form")) {
        if (*form == "dot" || *form == "comma" || *form == "guess") {
            map.numberForm = *form == "dot"     ? NumberForm::kDot
                             : *form == "comma" ? NumberForm::kComma
                                                : NumberForm::kGuess;
        } else {
            FailAt(*file.get("number_form"), "number_form is dot, comma or guess, not '" + *form + "'");
        }
    }
    for (const toml::table* t : ReadTableArray(file, "skip")) {
        map.skip.push_back(ReadRowCondition(*t, true));
    }
    for (const toml::table* t : ReadTableArray(file, "set")) {
        map.set.push_back(ReadRowCondition(*t, false));
    }
    if (const toml::table* sale = ReadTable(file, "sale")) {
        CheckKnownKeys(*sale, {"prices", "starts", "ends", "period"});
        map.sale.prices = ReadStringList(*sale, "prices").value_or(std::vector<std::string>{});
        map.sale.starts = ReadString(*sale, "starts").value_or("");
        map.sale.ends = ReadString(*sale, "ends").value_or("");
        map.sale.period = ReadString(*sale, "period").value_or("");
    }
    return map;
}

}  // namespace

ColumnMap ParseColumnMap(std::string_view text, const std::string& name) {
    return ColumnMapFromFile(ParseHandFile(text, name));
}

ColumnMap LoadColumnMap(const std::string& path) {
    return ColumnMapFromFile(LoadHandFile(path));
}

std::string FormatColumnMap(const ColumnMap& map) {
    std::string out = "# Column map for importing a shop export into a Yarvelin feed.\n";
    out += "# Each feed column takes a template: {Source Column} placeholders, alternatives separated by |\n";
    out +=
        "# (the first whose placeholders all have a value wins), text without placeholders is a constant.\n";
    if (!map.name.empty()) {
        out += "name = " + TomlQuoted(map.name) + "\n";
    }
    if (!map.title.empty()) {
        out += "title = " + TomlQuoted(map.title) + "\n";
    }
    // What the import window's boxes held when the map was saved.
    if (!map.baseUrl.empty()) {
        out += "base_url = " + TomlQuoted(map.baseUrl) + "\n";
    }
    if (!map.currency.empty()) {
        out += "currency = " + TomlQuoted(map.currency) + "\n";
    }
    if (!map.detect.empty()) {
        out += "detect = ";
        AppendList(out, map.detect);
        out += "\n";
    }
    if (map.matchFeedNames) {
        out += "match_feed_names = true\n";
    }
    if (map.lenient) {
        out += "lenient = true\n";
    }
    if (!map.attributeList.empty()) {
        out += "attribute_list = " + TomlQuoted(map.attributeList) + "\n";
    }
    if (map.numberForm != NumberForm::kGuess) {
        out += "number_form = " + TomlQuoted(NumberFormName(map.numberForm)) + "\n";
    }
    out += "\n[columns]\n";
    for (int k = 0; k < kColumnCount; ++k) {
        if (!map.templates[k].empty()) {
            out += std::string(kColumnNames[k]) + " = " + TomlQuoted(map.templates[k]) + "\n";
        }
    }
    bool anyTransform = false;
    for (int k = 0; k < kColumnCount; ++k) {
        if (map.transforms[k] == 0) {
            continue;
        }
        if (!anyTransform) {
            out += "\n[transform]\n";
            anyTransform = true;
        }
        out += std::string(kColumnNames[k]) + " = ";
        AppendList(out, TransformNames(map.transforms[k]));
        out += "\n";
    }
    const VariantRules& v = map.variants;
    if (!v.groupBy.empty() || !v.parentRef.empty() || !v.childList.empty()) {
        out += "\n[variants]\n";
        const std::pair<const char*, const std::string*> texts[] = {
            {"group_by", &v.groupBy},
            {"offer_rows", &v.offerRows},
            {"parent_type_column", &v.parentTypeColumn},
            {"parent_type", &v.parentType},
            {"parent_ref", &v.parentRef},
            {"child_list", &v.childList},
            {"child_key", &v.childKey}};
        for (const auto& [key, value] : texts) {
            if (!value->empty()) {
                out += std::string(key) + " = " + TomlQuoted(*value) + "\n";
            }
        }
        const std::pair<const char*, const std::vector<std::string>*> lists[] = {
            {"own_columns", &v.ownColumns},
            {"from_parent", &v.fromParent},
            {"product_columns", &v.productColumns},
            {"options", &v.options}};
        for (const auto& [key, value] : lists) {
            if (!value->empty()) {
                out += std::string(key) + " = ";
                AppendList(out, *value);
                out += "\n";
            }
        }
        if (!v.parentKeys.empty()) {
            out += "parent_keys = ";
            AppendList(out, v.parentKeys);
            out += "\n";
        }
    }
    for (const AttributePair& pair : map.attributes) {
        out +=
            "\n[[attribute]]\nname = " + TomlQuoted(pair.name) + "\nvalue = " + TomlQuoted(pair.value) + "\n";
    }
    if (!map.sale.prices.empty()) {
        out += "\n[sale]\nprices = ";
        AppendList(out, map.sale.prices);
        out += "\n";
        if (!map.sale.starts.empty()) {
            out += "starts = " + TomlQuoted(map.sale.starts) + "\n";
        }
        if (!map.sale.ends.empty()) {
            out += "ends = " + TomlQuoted(map.sale.ends) + "\n";
        }
        if (!map.sale.period.empty()) {
            out += "period = " + TomlQuoted(map.sale.period) + "\n";
        }
    }
    for (const RowCondition& r : map.skip) {
        out += "\n[[skip]]\nreason = " + TomlQuoted(r.reason) + "\nwhen = " + r.when + "\n";
    }
    for (const RowCondition& r : map.set) {
        out += "\n[[set]]\ncolumn = " + TomlQuoted(r.column) + "\nvalue = " + TomlQuoted(r.value) +
               "\nwhen = " + r.when + "\n";
    }
    return out;
}

std::string SaveColumnMap(const std::string& path, const ColumnMap& map) {
    // A failed save leaves the merchant's earlier map as it was.
    int err = 0;
    if (!WriteFileSafely(path, FormatColumnMap(map), &err)) {
        return std::strerror(err);
    }
    return {};
}

std::vector<ColumnMap> LoadProfiles(const std::string& folder) {
    std::vector<ColumnMap> profiles;
    for (const char* name : kProfileNames) {
        profiles.push_back(LoadColumnMap(folder + "/" + name + ".toml"));
        if (profiles.back().name.empty()) {
            profiles.back().name = name;
        }
    }
    return profiles;
}

int DetectProfile(const std::vector<ColumnMap>& profiles, const std::vector<std::string>& header) {
    int best = -1;
    std::size_t bestCount = 0;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const ColumnMap& p = profiles[i];
        if (p.detect.empty()) {
            continue;
        }
        std::size_t found = 0;
        for (const std::string& d : p.detect) {
            for (const std::string& h : header) {
                if (h == d) {
                    ++found;
                    break;
                }
            }
        }
        if (found == p.detect.size() && found > bestCount) {
            best = static_cast<int>(i);
            bestCount = found;
        }
    }
    if (best < 0) {
        for (std::size_t i = 0; i < profiles.size(); ++i) {
            if (profiles[i].matchFeedNames) {
                return static_cast<int>(i);
            }
        }
    }
    return best;
}

std::string DetectionReason(const std::vector<ColumnMap>& profiles, const std::vector<std::string>& header,
                            int chosen) {
    if (chosen >= 0 && !profiles[static_cast<std::size_t>(chosen)].detect.empty()) {
        return "detected from the header line";
    }
    std::string why = "no profile matched the header line";
    for (const ColumnMap& p : profiles) {
        std::string missing;
        for (const std::string& d : p.detect) {
            if (std::find(header.begin(), header.end(), d) == header.end()) {
                missing += (missing.empty() ? "'" : ", '") + d + "'";
            }
        }
        if (!missing.empty()) {
            why += "; " + p.name + " lacks " + missing;
        }
    }
    return why;
}

int FindProfile(const std::vector<ColumnMap>& profiles, std::string_view name) {
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        if (profiles[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace yarvelin
