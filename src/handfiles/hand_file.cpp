#include "handfiles/hand_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace yarvelin {

namespace {

std::string Placed(const std::string& file, int line, const std::string& what) {
    if (line <= 0) {
        return file + ": " + what;
    }
    return file + ":" + std::to_string(line) + ": " + what;
}

const char* KindName(toml::node_type type) {
    switch (type) {
        case toml::node_type::string:
            return "a text";
        case toml::node_type::integer:
            return "a whole number";
        case toml::node_type::floating_point:
            return "a number";
        case toml::node_type::boolean:
            return "true or false";
        case toml::node_type::table:
            return "a table";
        case toml::node_type::array:
            return "a list";
        default:
            return "a date or time";
    }
}

[[noreturn]] void WrongKind(const toml::node& node, std::string_view key, const std::string& wanted) {
    FailAt(node, std::string(key) + " must be " + wanted + ", not " + KindName(node.type()));
}

}  // namespace

CHandFileError::CHandFileError(std::string file, int line, std::string what)
    : std::runtime_error(Placed(file, line, what)),
      m_file(std::move(file)),
      m_line(line),
      m_what(std::move(what)) {}

toml::table ParseHandFile(std::string_view text, const std::string& name) {
    try {
        return toml::parse(text, name);
    } catch (const toml::parse_error& err) {
        throw CHandFileError(name, static_cast<int>(err.source().begin.line), std::string(err.description()));
    }
}

toml::table LoadHandFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw CHandFileError(path, 0, std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        throw CHandFileError(path, 0, std::strerror(errno));
    }
    return ParseHandFile(text.str(), path);
}

std::string HandFileName(const toml::node& node) {
    const auto& path = node.source().path;
    return path ? *path : std::string();
}

int HandFileLine(const toml::node& node) {
    return static_cast<int>(node.source().begin.line);
}

void FailAt(const toml::node& node, std::string what) {
    throw CHandFileError(HandFileName(node), HandFileLine(node), std::move(what));
}

std::optional<std::string> ReadString(const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        return std::nullopt;
    }
    if (!node->is_string()) {
        WrongKind(*node, key, "a text in quotes");
    }
    return std::string(node->as_string()->get());
}

std::string RequireString(const toml::table& table, std::string_view key) {
    std::optional<std::string> value = ReadString(table, key);
    if (!value) {
        FailAt(table, std::string(key) + " is missing");
    }
    return *value;
}

std::optional<long long> ReadInteger(const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        return std::nullopt;
    }
    if (!node->is_integer()) {
        WrongKind(*node, key, "a whole number");
    }
    return node->as_integer()->get();
}

std::optional<double> ReadNumber(const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        return std::nullopt;
    }
    if (node->is_integer()) {
        return static_cast<double>(node->as_integer()->get());
    }
    if (!node->is_floating_point()) {
        WrongKind(*node, key, "a number");
    }
    return node->as_floating_point()->get();
}

std::optional<bool> ReadBool(const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        return std::nullopt;
    }
    if (!node->is_boolean()) {
        WrongKind(*node, key, "true or false");
    }
    return node->as_boolean()->get();
}

std::optional<std::vector<std::string>> ReadStringList(const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        return std::nullopt;
    }
    if (node->is_string()) {
        return std::vector<std::string>{std::string(node->as_string()->get())};
    }
    if (!node->is_array()) {
        WrongKind(*node, key, "a list of texts");
    }
    std::vector<std::string> items;
    for (const toml::node& item : *node->as_array()) {
        if (!item.is_string()) {
            WrongKind(item, key, "a list of texts");
        }
        items.emplace_back(item.as_string()->get());
    }
    return items;
}

const toml::table* ReadTable(const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        return nullptr;
    }
    if (!node->is_table()) {
        WrongKind(*node, key, "a table");
    }
    return node->as_table();
}

std::vector<const toml::table*> ReadTableArray(const toml::table& table, std::string_view key) {
    std::vector<const toml::table*> tables;
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        return tables;
    }
    if (!node->is_array_of_tables()) {
        WrongKind(*node, key, "a list of tables ([[" + std::string(key) + "]])");
    }
    for (const toml::node& item : *node->as_array()) {
        tables.push_back(item.as_table());
    }
    return tables;
}

void CheckKnownKeys(const toml::table& table, std::initializer_list<std::string_view> known) {
    for (const auto& [key, value] : table) {
        bool found = false;
        for (std::string_view name : known) {
            found = found || key.str() == name;
        }
        if (!found) {
            std::string list;
            for (std::string_view name : known) {
                list += list.empty() ? "" : ", ";
                list += name;
            }
            throw CHandFileError(HandFileName(value), static_cast<int>(key.source().begin.line),
                                 "unknown key " + std::string(key.str()) + " (known: " + list + ")");
        }
    }
}

std::string TomlQuoted(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace yarvelin
