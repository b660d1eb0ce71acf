// Column maps, rules and jobs are files a merchant reads and edits in a text editor. They are TOML (comments,
// no quoting of plain keys), read by one loader, and every mistake in one is reported the same way:
// "FILE:LINE: what is wrong", before anything is done with the file.
#pragma once
#include <toml++/toml.h>

#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace yarvelin {

// A mistake in a hand-written file. Line 0 when it concerns the whole file (it cannot be read at all).
class CHandFileError : public std::runtime_error {
  public:
    CHandFileError(std::string file, int line, std::string what);
    const std::string& File() const { return m_file; }
    int Line() const { return m_line; }
    // What is wrong, without the place.
    const std::string& What() const { return m_what; }

  private:
    std::string m_file;
    int m_line;
    std::string m_what;
};

// Parses text as read from `name` (the name is what messages show). Throws CHandFileError.
toml::table ParseHandFile(std::string_view text, const std::string& name);
// Reads and parses the file at path; "-" is not special here. Throws CHandFileError (line 0 when the file
// cannot be read, with the system's reason).
toml::table LoadHandFile(const std::string& path);

// The place of a node, as the loader recorded it.
std::string HandFileName(const toml::node& node);
int HandFileLine(const toml::node& node);
// Throws CHandFileError at the node's place.
[[noreturn]] void FailAt(const toml::node& node, std::string what);

// Typed reads that report a value of the wrong kind at its line. An absent key gives nullopt (or the
// fallback); `Require...` reports an absent key at the table's line.
std::optional<std::string> ReadString(const toml::table& table, std::string_view key);
std::string RequireString(const toml::table& table, std::string_view key);
std::optional<long long> ReadInteger(const toml::table& table, std::string_view key);
std::optional<double> ReadNumber(const toml::table& table, std::string_view key);  // integer or float
std::optional<bool> ReadBool(const toml::table& table, std::string_view key);
// A list of strings; a single string is taken as a list of one.
std::optional<std::vector<std::string>> ReadStringList(const toml::table& table, std::string_view key);
// A table under key, or nullptr when absent; another kind of value is reported.
const toml::table* ReadTable(const toml::table& table, std::string_view key);
// An array of tables (`[[rule]]`); empty when absent.
std::vector<const toml::table*> ReadTableArray(const toml::table& table, std::string_view key);

// A misspelt key would otherwise be ignored silently: reports the first key not among known, naming
// the known ones.
void CheckKnownKeys(const toml::table& table, std::initializer_list<std::string_view> known);

// Writes a value as TOML text: a basic string with the escapes TOML needs.
std::string TomlQuoted(std::string_view text);

}  // namespace yarvelin
