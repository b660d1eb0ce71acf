#include "changes/feed_diff.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "feed/feed_encoding.h"
#include "feed/feed_file_observer.h"
#include "feed/feed_line_format.h"
#include "feed/feed_line_reader.h"
#include "feed/file_error.h"

namespace yarvelin {

namespace {

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebull;
    return h ^ (h >> 31);
}

// The compared columns of a row as one number: equal rows give equal numbers, and unequal rows give
// unequal ones but for a chance of one in 2^64.
std::uint64_t RowHash(const COtherRecord& record, std::uint32_t ignored) {
    std::uint64_t h = 0;
    for (int k = 0; k < kColumnCount; ++k) {
        if ((ignored & (1u << k)) == 0) {
            h = Mix(h ^ std::hash<std::string_view>{}(record.Field(k)) ^
                    (static_cast<std::uint64_t>(k) << 58));
        }
    }
    return h;
}

std::uint32_t DifferingColumns(const COtherRecord& a, const COtherRecord& b, std::uint32_t ignored) {
    std::uint32_t columns = 0;
    for (int k = 0; k < kColumnCount; ++k) {
        if ((ignored & (1u << k)) == 0 && a.Field(k) != b.Field(k)) {
            columns |= 1u << k;
        }
    }
    return columns;
}

// A key that occurs again gets its occurrence number after a NUL, which no feed text holds.
std::string Occurrence(std::string_view key, std::size_t n) {
    std::string compound(key);
    compound += '\0';
    compound += std::to_string(n);
    return compound;
}

// The older feed as key -> (hash of its row, where it is), and what the newer feed made of it.
class CDiffIndex {
  public:
    CDiffIndex(const FeedDiffOptions& options, std::size_t expected) : m_options(options) {
        m_entries.reserve(expected);
    }

    void AddOld(const COtherRecord& record, std::size_t position) {
        const std::string_view key = record.Field(m_options.keyColumn);
        Entry entry{RowHash(record, m_options.ignoredColumns), position, 0, false};
        if (!m_entries.try_emplace(std::string(key), entry).second) {
            entry.occurrence = ++m_oldRepeats[std::string(key)];
            m_entries.try_emplace(Occurrence(key, entry.occurrence), entry);
        }
    }

    // Takes one product of the newer feed in its order.
    void AddNew(const COtherRecord& record, FeedDiff& diff) {
        ++diff.newProducts;
        const std::string_view key = record.Field(m_options.keyColumn);
        auto found = m_entries.find(std::string(key));
        if (found != m_entries.end() && found->second.matched) {
            found = m_entries.find(Occurrence(key, ++m_newRepeats[std::string(key)]));
        }
        if (found == m_entries.end()) {
            ++diff.added;
            diff.changes.push_back({ProductChangeKind::kAdded, std::string(key), {}, record, 0, 0});
            return;
        }
        found->second.matched = true;
        if (found->second.rowHash != RowHash(record, m_options.ignoredColumns)) {
            m_wanted.emplace_back(found->second.position, diff.changes.size());
            diff.changes.push_back(
                {ProductChangeKind::kChanged, std::string(key), {}, record, 0, found->second.occurrence});
        }
    }

    // Where the older rows that are needed again are, in file order, each with the index of its change
    // (the removed ones get theirs here, at the end of the list).
    std::vector<std::pair<std::size_t, std::size_t>> WantedOldRows(FeedDiff& diff) {
        std::vector<std::pair<std::size_t, std::size_t>> removed;  // position, occurrence
        for (const auto& [key, entry] : m_entries) {
            if (!entry.matched) {
                removed.emplace_back(entry.position, entry.occurrence);
            }
        }
        std::sort(removed.begin(), removed.end());
        for (const auto& [position, occurrence] : removed) {
            m_wanted.emplace_back(position, diff.changes.size());
            diff.changes.push_back({ProductChangeKind::kRemoved, {}, {}, {}, 0, occurrence});
        }
        diff.removed = removed.size();
        std::sort(m_wanted.begin(), m_wanted.end());
        return std::move(m_wanted);
    }

    // The older row of a wanted change is in: a changed product learns its columns.
    void TakeOldRow(ProductChange& change, const COtherRecord& record, FeedDiff& diff) const {
        change.before = record;
        if (change.kind == ProductChangeKind::kRemoved) {
            change.key = std::string(record.Field(m_options.keyColumn));
            return;
        }
        change.columns = DifferingColumns(record, change.after, m_options.ignoredColumns);
        for (int k = 0; k < kColumnCount; ++k) {
            if ((change.columns & (1u << k)) != 0) {
                ++diff.columnChanges[k];
            }
        }
    }

  private:
    struct Entry {
        std::uint64_t rowHash;
        std::size_t position;    // line in a file, index in memory
        std::size_t occurrence;  // 0: the first row of its key
        bool matched;
    };

    const FeedDiffOptions& m_options;
    std::unordered_map<std::string, Entry> m_entries;
    std::unordered_map<std::string, std::size_t> m_oldRepeats;
    std::unordered_map<std::string, std::size_t> m_newRepeats;
    std::vector<std::pair<std::size_t, std::size_t>> m_wanted;
};

void CountChanged(FeedDiff& diff) {
    diff.changed = diff.changes.size() - diff.added - diff.removed;
}

// Reads the wanted lines of a file again, converted as the first read converted them. False when the file
// could not be read to the last of them.
bool ReadLinesAgain(const std::string& path, bool utf8,
                    const std::vector<std::pair<std::size_t, std::size_t>>& wanted,
                    const std::function<void(std::size_t, const COtherRecord&)>& onRow,
                    CFeedFileObserver& observer) {
    if (wanted.empty()) {
        return true;
    }
    CFeedLineReader reader;
    if (const int err = reader.Open(path); err != 0) {
        observer.ShowFileError(FileErrorText(FileErrorCauseForOpen(err, path), path));
        return false;
    }
    COtherRecord record;
    std::string_view line;
    std::size_t next = 0;
    while (next < wanted.size()) {
        const auto status = reader.Next(line);
        if (status != CFeedLineReader::Status::kLine) {
            observer.ShowFileError(FileErrorText(FileErrorCause::kGeneric, path));
            return false;
        }
        if (static_cast<std::size_t>(reader.LineNumber()) != wanted[next].first) {
            continue;
        }
        SplitFeedLine(line, record);
        for (int k = 0; utf8 && k < kColumnCount; ++k) {
            const std::string_view field = record.Field(k);
            if (std::any_of(field.begin(), field.end(), [](char c) { return (c & 0x80) != 0; })) {
                std::string text(field);
                Utf8ToCp1252(text);
                record.SetField(k, text);
            }
        }
        onRow(wanted[next].second, record);
        ++next;
    }
    return true;
}

}  // namespace

std::optional<FeedDiff> DiffFeedFiles(const std::string& oldPath, const std::string& newPath,
                                      const FeedDiffOptions& options, CFeedFileObserver& observer) {
    FeedDiff diff;
    CFeedLineReader sizer;
    // Feeds run to a few hundred bytes a product; a table sized for them is never rebuilt on the way.
    const std::size_t expected =
        sizer.Open(oldPath) == 0 ? static_cast<std::size_t>(sizer.FileSize() / 256) + 16 : 16;
    CDiffIndex index(options, expected);
    if (!ReadFeedProducts(
            oldPath, observer, [&](const FeedFileStart& start) { diff.oldStart = start; },
            [&](const COtherRecord& record, long long line, std::size_t) {
                ++diff.oldProducts;
                index.AddOld(record, static_cast<std::size_t>(line));
            })) {
        return std::nullopt;
    }
    if (!ReadFeedProducts(
            newPath, observer, [&](const FeedFileStart& start) { diff.newStart = start; },
            [&](const COtherRecord& record, long long, std::size_t) { index.AddNew(record, diff); })) {
        return std::nullopt;
    }
    const auto wanted = index.WantedOldRows(diff);
    if (!ReadLinesAgain(
            oldPath, diff.oldStart.utf8, wanted,
            [&](std::size_t change, const COtherRecord& record) {
                index.TakeOldRow(diff.changes[change], record, diff);
            },
            observer)) {
        return std::nullopt;
    }
    CountChanged(diff);
    return diff;
}

FeedDiff DiffProducts(const std::vector<COtherRecord>& older, const std::vector<COtherRecord>& newer,
                      const FeedDiffOptions& options) {
    FeedDiff diff;
    diff.oldProducts = older.size();
    CDiffIndex index(options, older.size());
    for (std::size_t i = 0; i < older.size(); ++i) {
        index.AddOld(older[i], i);
    }
    for (const COtherRecord& record : newer) {
        index.AddNew(record, diff);
    }
    for (const auto& [position, change] : index.WantedOldRows(diff)) {
        index.TakeOldRow(diff.changes[change], older[position], diff);
    }
    CountChanged(diff);
    return diff;
}

std::vector<COtherRecord> ApplyFeedDiff(std::vector<COtherRecord> older, const FeedDiff& diff,
                                        const FeedDiffOptions& options) {
    std::unordered_map<std::string, std::vector<std::size_t>> rows;
    for (std::size_t i = 0; i < older.size(); ++i) {
        rows[std::string(older[i].Field(options.keyColumn))].push_back(i);
    }
    std::vector<bool> gone(older.size(), false);
    std::vector<COtherRecord> added;
    for (const ProductChange& change : diff.changes) {
        if (change.kind == ProductChangeKind::kAdded) {
            added.push_back(change.after);
            continue;
        }
        const auto found = rows.find(change.key);
        if (found == rows.end() || change.occurrence >= found->second.size()) {
            continue;  // a diff of another feed
        }
        const std::size_t at = found->second[change.occurrence];
        if (change.kind == ProductChangeKind::kRemoved) {
            gone[at] = true;
        } else {
            older[at] = change.after;
        }
    }
    std::vector<COtherRecord> result;
    result.reserve(older.size() + added.size());
    for (std::size_t i = 0; i < older.size(); ++i) {
        if (!gone[i]) {
            result.push_back(std::move(older[i]));
        }
    }
    for (COtherRecord& record : added) {
        result.push_back(std::move(record));
    }
    return result;
}

std::string ChangeSummaryText(const FeedDiff& diff) {
    std::string text = std::to_string(diff.added) + " added, " + std::to_string(diff.removed) + " removed, " +
                       std::to_string(diff.changed) + " changed";
    std::string columns;
    for (int k = 0; k < kColumnCount; ++k) {
        if (diff.columnChanges[k] > 0) {
            columns += (columns.empty() ? "" : ", ") + std::string(kColumnNames[k]) + " " +
                       std::to_string(diff.columnChanges[k]);
        }
    }
    if (!columns.empty()) {
        text += " (" + columns + ")";
    }
    return text;
}

int ColumnIndexOfName(std::string_view name) {
    for (int k = 0; k < kColumnCount; ++k) {
        if (name == kColumnNames[k]) {
            return k;
        }
    }
    return -1;
}

const char* ChangeKindName(ProductChangeKind kind) {
    switch (kind) {
        case ProductChangeKind::kAdded:
            return "added";
        case ProductChangeKind::kRemoved:
            return "removed";
        case ProductChangeKind::kChanged:
            break;
    }
    return "changed";
}

}  // namespace yarvelin
