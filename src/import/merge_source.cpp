#include "import/merge_source.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>

#include "feed/feed_line_format.h"
#include "import/import_error.h"
#include "import/open_export.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

void PutLength(std::string& out, std::size_t length) {
    while (length >= 0x80) {
        out += static_cast<char>((length & 0x7F) | 0x80);
        length >>= 7;
    }
    out += static_cast<char>(length);
}

std::size_t TakeNumber(std::string_view data, std::size_t& at) {
    std::size_t number = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(data[at++]);
        number |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return number;
        }
    }
}

std::string_view TakeText(std::string_view data, std::size_t& at) {
    const std::size_t length = TakeNumber(data, at);
    const std::string_view text = data.substr(at, length);
    at += length;
    return text;
}

// 32 bits are enough to find a key's rows among a million: the keys themselves are compared.
std::uint32_t HashOf(std::string_view key) {
    const std::uint64_t h = std::hash<std::string_view>{}(key);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

std::string ColumnList(const std::vector<std::string>& header) {
    std::string list;
    for (const std::string& name : header) {
        list += (list.empty() ? "'" : ", '") + name + "'";
    }
    return list;
}

}  // namespace

CMergeSource::CMergeSource(const MergeFile& file, const ColumnMap& mainMap, const std::string& baseUrl)
    : m_path(file.path) {
    try {
        Load(file, mainMap, baseUrl);
    } catch (const CImportError& e) {
        if (e.GetKind() == CImportError::Kind::kMap) {
            throw;
        }
        // The message names the merge file, not the export.
        throw CImportError(e.GetKind(), 0, "merge file " + file.path + ": " + e.what());
    }
}

void CMergeSource::Load(const MergeFile& file, const ColumnMap& mainMap, const std::string& baseUrl) {
    const std::unique_ptr<ExportRowSource> rows = OpenExport(file.path, file.separator);
    const std::vector<std::string>& header = rows->Header();
    const auto mapError = [&](const std::string& what) {
        return CImportError(CImportError::Kind::kMap, 0, "merge file " + file.path + ": " + what);
    };
    int keyColumn = -1;
    for (std::size_t i = 0; i < header.size() && keyColumn < 0; ++i) {
        keyColumn = header[i] == file.key ? static_cast<int>(i) : -1;
    }
    for (std::size_t i = 0; i < header.size() && keyColumn < 0; ++i) {
        keyColumn = EqualsNoCase(header[i], file.key) ? static_cast<int>(i) : -1;
    }
    if (keyColumn < 0) {
        throw mapError("no key column '" + file.key + "'; its columns are " + ColumnList(header));
    }
    ColumnMap map;
    map.lenient = false;
    for (const std::string& item : file.columns) {
        const std::size_t eq = item.find('=');
        const int k = eq == std::string::npos ? -1 : FeedColumnIndex(Trim(item.substr(0, eq)));
        if (k < 0 || k == kColOfferId) {
            throw mapError(item + ": give COLUMN=TEMPLATE with a feed column other than offer_id (the key)");
        }
        if (const std::string mistake = TemplateMistake(item.substr(eq + 1)); !mistake.empty()) {
            throw mapError(item + ": the template has " + mistake);
        }
        map.templates[k] = item.substr(eq + 1);
    }
    if (file.columns.empty()) {
        // Columns named like the feed's fill them, as the generic profile reads an export.
        for (std::size_t i = 0; i < header.size(); ++i) {
            for (int k = 0; k < kColumnCount; ++k) {
                if (k != kColOfferId && static_cast<int>(i) != keyColumn && map.templates[k].empty() &&
                    NormalizedColumnName(kColumnNames[k]) == NormalizedColumnName(header[i])) {
                    map.templates[k] = "{" + header[i] + "}";
                }
            }
        }
    }
    for (int k = 0; k < kColumnCount; ++k) {
        if (!map.templates[k].empty()) {
            m_columns.push_back(k);
            map.transforms[k] = mainMap.transforms[k];
        }
    }
    if (m_columns.empty()) {
        throw mapError("it sets no feed column: name one with COLUMN=TEMPLATE (its columns are " +
                       ColumnList(header) + ")");
    }
    const CCompiledMap compiled(map, header, baseUrl);
    m_mayHoldTabs = rows->MayHoldTabs();
    COtherRecord record;
    std::vector<std::string> cells;
    std::string bytes;  // the row as it goes into the index
    // Room for a row of every 16 bytes of the file is reserved, not touched: the index never copies
    // itself while it grows (a row is longer than that in any real file; a shorter one just grows it).
    std::error_code sizeError;
    const std::uintmax_t fileSize = std::filesystem::file_size(file.path, sizeError);
    m_entries.reserve(sizeError ? 0 : static_cast<std::size_t>(fileSize / 16));
    while (rows->Next(cells)) {
        ++m_rows;
        const std::string_view key = TrimmedView(cells[static_cast<std::size_t>(keyColumn)]);
        if (key.empty()) {
            m_keyless.push_back(rows->RowLine());
            continue;
        }
        compiled.Apply(cells, record);
        bytes.clear();
        PutLength(bytes, static_cast<std::size_t>(rows->RowLine()));
        PutLength(bytes, key.size());
        bytes += key;
        for (int k : m_columns) {
            std::string_view value = record.Field(k);
            // A feed line holds no line break: the value is kept as the written feed reads it back.
            const std::string flat = HasLineBreak(value) ? FlattenLineBreaks(value) : std::string();
            value = flat.empty() ? value : std::string_view(flat);
            PutLength(bytes, value.size());
            bytes += value;
        }
        PutLength(bytes, compiled.MoneyCurrency().size());
        bytes += compiled.MoneyCurrency();
        m_entries.push_back({HashOf(key), Store(bytes, rows->RowLine())});
    }
    // By hash, rows of one hash in file order (their offsets grow with the file).
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.offset < b.offset;
    });
    m_state.assign(m_entries.size(), kUnused);
    // Of rows with one key, the first in the file is used; the others are noted.
    for (std::size_t i = 1; i < m_entries.size(); ++i) {
        std::size_t at = 0;
        const std::string_view key = KeyAt(m_entries[i].offset, at);
        for (std::size_t j = i; j > 0 && m_entries[j - 1].hash == m_entries[i].hash; --j) {
            std::size_t other = 0;
            if (KeyAt(m_entries[j - 1].offset, other) == key) {
                m_state[i] = kRepeated;
                break;
            }
        }
    }
}

std::uint32_t CMergeSource::Store(const std::string& bytes, long long line) {
    if (bytes.size() > kBlockSize) {
        throw CImportError(CImportError::Kind::kInput, line, "the row holds over 1 MB of values to merge");
    }
    // A row never spans two blocks, so that it reads as one piece.
    if (m_blocks.empty() || m_used + bytes.size() > kBlockSize) {
        if (m_blocks.size() == std::numeric_limits<std::uint32_t>::max() / kBlockSize) {
            throw CImportError(CImportError::Kind::kInput, line, "too large to merge (over 4 GB of values)");
        }
        m_blocks.push_back(std::make_unique<char[]>(kBlockSize));
        m_used = 0;
    }
    std::copy(bytes.begin(), bytes.end(), m_blocks.back().get() + m_used);
    const auto offset = static_cast<std::uint32_t>((m_blocks.size() - 1) * kBlockSize + m_used);
    m_used += bytes.size();
    return offset;
}

std::string_view CMergeSource::RowAt(std::uint32_t offset) const {
    return {m_blocks[offset / kBlockSize].get() + offset % kBlockSize, kBlockSize - offset % kBlockSize};
}

std::string_view CMergeSource::KeyAt(std::uint32_t offset, std::size_t& values) const {
    values = 0;
    const std::string_view row = RowAt(offset);
    TakeNumber(row, values);  // the line
    return TakeText(row, values);
}

std::string_view CMergeSource::Apply(COtherRecord& record) {
    const std::string_view key = TrimmedView(record.Field(kColOfferId));
    const std::uint32_t hash = HashOf(key);
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), hash,
                               [](const Entry& e, std::uint32_t h) { return e.hash < h; });
    for (; it != m_entries.end() && it->hash == hash; ++it) {
        const std::size_t i = static_cast<std::size_t>(it - m_entries.begin());
        std::size_t at = 0;
        if (m_state[i] == kRepeated || KeyAt(it->offset, at) != key) {
            continue;
        }
        m_state[i] = kMatched;
        const std::string_view row = RowAt(it->offset);
        // The record's texts move when one is set: the values are read from the index, never the record.
        for (int k : m_columns) {
            const std::string_view value = TakeText(row, at);
            if (!value.empty()) {
                record.SetField(k, value);
            }
        }
        return TakeText(row, at);
    }
    return {};
}

MergeCounts CMergeSource::Counts() const {
    MergeCounts counts;
    counts.path = m_path;
    counts.rows = m_rows;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_state[i] == kMatched) {
            ++counts.matched;
            continue;
        }
        std::size_t at = 0;
        const long long line = static_cast<long long>(TakeNumber(RowAt(m_entries[i].offset), at));
        const std::string key(KeyAt(m_entries[i].offset, at));
        if (m_state[i] == kRepeated) {
            ++counts.repeated;
            counts.notes.push_back({line, true, key});
        } else {
            ++counts.unmatched;
            counts.notes.push_back({line, false, key});
        }
    }
    for (const long long line : m_keyless) {
        ++counts.unmatched;
        counts.notes.push_back({line, false, {}});
    }
    std::sort(counts.notes.begin(), counts.notes.end(),
              [](const MergeNote& a, const MergeNote& b) { return a.line < b.line; });
    return counts;
}

std::string MergeNote::Text() const {
    if (key.empty()) {
        return "no key: matches no product";
    }
    return "the key '" + key + (repeated ? "' was given before: row not used" : "' matches no product");
}

std::string MergeSummary(const MergeCounts& counts) {
    return Format("merge %s: %lld rows, %lld matched, %lld matching no product, %lld repeated key%s",
                  counts.path.c_str(), counts.rows, counts.matched, counts.unmatched, counts.repeated,
                  counts.repeated == 1 ? "" : "s");
}

std::string MergeReportLines(const MergeCounts& counts) {
    std::string lines;
    for (const MergeNote& note : counts.notes) {
        lines += counts.path + " line " + std::to_string(note.line) + ": " + note.Text() + "\n";
    }
    return lines;
}

}  // namespace yarvelin
