// yarvelin-feed diff OLD NEW: what changed between two feeds, product by product, keyed by offer id.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "changes/delta_feed.h"
#include "changes/feed_diff.h"
#include "changes/snapshot_store.h"
#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "cli/std_streams.h"
#include "feed/temporary_files.h"
#include "records/cp1252_text.h"

namespace yarvelin::cli {

namespace {

// diff(1)'s statuses, so that scripts can use it the same way.
constexpr int kExitEqual = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitTrouble = 2;
constexpr std::string_view kLastPrefix = "last:";
constexpr std::size_t kFlushSize = 1 << 16;

// The columns a line shows: the changed ones, or every non-empty one of an added or removed product.
std::uint32_t ShownColumns(const ProductChange& change, std::uint32_t ignored) {
    if (change.kind == ProductChangeKind::kChanged) {
        return change.columns;
    }
    const COtherRecord& row = change.kind == ProductChangeKind::kAdded ? change.after : change.before;
    std::uint32_t columns = 0;
    for (int k = 0; k < kColumnCount; ++k) {
        if ((ignored & (1u << k)) == 0 && !row.Field(k).empty()) {
            columns |= 1u << k;
        }
    }
    return columns;
}

nlohmann::ordered_json JsonText(const ProductChange& change, int k, bool newer) {
    const bool absent =
        newer ? change.kind == ProductChangeKind::kRemoved : change.kind == ProductChangeKind::kAdded;
    if (absent) {
        return nullptr;
    }
    return Cp1252ToUtf8((newer ? change.after : change.before).Field(k));
}

void AppendJsonLine(std::string& out, const ProductChange& change, std::uint32_t ignored) {
    nlohmann::ordered_json line;
    line["key"] = Cp1252ToUtf8(change.key);
    line["kind"] = ChangeKindName(change.kind);
    nlohmann::ordered_json columns = nlohmann::ordered_json::object();
    const std::uint32_t shown = ShownColumns(change, ignored);
    for (int k = 0; k < kColumnCount; ++k) {
        if ((shown & (1u << k)) != 0) {
            columns[kColumnNames[k]] = {{"old", JsonText(change, k, false)},
                                        {"new", JsonText(change, k, true)}};
        }
    }
    line["columns"] = std::move(columns);
    out += line.dump();
    out += '\n';
}

std::string Shown(std::string_view text) {
    return text.empty() ? std::string("(empty)") : Cp1252ToUtf8(text);
}

// "+ KEY", "- KEY", or "~ KEY: price 12.50 -> 13.00; instock Y -> N".
void AppendTextLine(std::string& out, const ProductChange& change) {
    static constexpr char kMarks[] = {'+', '-', '~'};
    out += kMarks[static_cast<int>(change.kind)];
    out += ' ';
    out += Cp1252ToUtf8(change.key);
    if (change.kind == ProductChangeKind::kChanged) {
        const char* separator = ": ";
        for (int k = 0; k < kColumnCount; ++k) {
            if ((change.columns & (1u << k)) != 0) {
                out += separator;
                out += kColumnNames[k];
                out += ' ' + Shown(change.before.Field(k)) + " -> " + Shown(change.after.Field(k));
                separator = "; ";
            }
        }
    }
    out += '\n';
}

void WriteOut(std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    text.clear();
}

class CDiffCommand : public CliCommand {
  public:
    const char* Name() const override { return "diff"; }
    const char* Summary() const override { return "say what changed between two feeds"; }

    const char* Description() const override {
        return "Compares the feed files OLD and NEW product by product, matching products by offer id (or\n"
               "by the column --key names). Prints \"N added, N removed, N changed (price N, instock N, "
               "...)\"\n"
               "and then one line per product: \"+ KEY\" added, \"- KEY\" removed, \"~ KEY: COLUMN OLD -> "
               "NEW; "
               "...\"\nchanged. With --json, standard output holds one JSON object per product (JSON Lines) "
               "with\nthe keys key, kind (added, removed or changed) and columns (each column with its old "
               "and "
               "new\ntext, null where the product is absent), and nothing else.\n"
               "OLD may be last:SERVER/NAME: the newest snapshot of the upload to SERVER as NAME.\n"
               "--delta FILE also writes the partial update that turns OLD into NEW on the service:\n"
               "updates_only=YES, the added and changed products, and each vanished offer with delete Y.\n"
               "Neither file is loaded whole: the memory needed grows with the products, not their texts.\n"
               "Exit status as diff(1): 0 the feeds hold the same products, 1 they differ, 2 trouble.";
    }

    const char* ExitStatuses() const override {
        return "Exit status: 0 the same products, 1 different, 2 a file cannot be read or a usage error.";
    }

    void Configure(CLI::App& command) override {
        AddStreamArgument(command, "OLD", m_old,
                          "the older feed file, last:SERVER/NAME for the newest snapshot (- for standard "
                          "input)");
        AddStreamArgument(command, "NEW", m_new, "the newer feed file (- for standard input)");
        command.add_flag("--json", m_json, "one JSON object per product on standard output");
        command.add_option("--key", m_key, "the column that identifies a product (default offer_id)")
            ->type_name("COLUMN");
        command.add_option("--ignore", m_ignore, "columns left out of the comparison")
            ->delimiter(',')
            ->type_name("COLUMNS");
        command.add_option("--delta", m_delta, "also write the partial update from OLD to NEW to FILE")
            ->type_name("FILE");
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override;

  private:
    // The file OLD names: itself, or the snapshot extracted into a temporary file. Empty after reporting.
    std::string OldFile(CStdStreams& streams);

    std::string m_old;
    std::string m_new;
    bool m_json = false;
    std::string m_key = kColumnNames[kColOfferId];
    std::vector<std::string> m_ignore;
    bool m_replaceUnmappable = false;
    std::string m_extracted;
    std::string m_delta;
};

const CCliRegistration kRegistration(std::make_unique<CDiffCommand>());

std::string CDiffCommand::OldFile(CStdStreams& streams) {
    if (m_old.compare(0, kLastPrefix.size(), kLastPrefix) != 0) {
        return streams.Input(m_old);
    }
    const std::string place = m_old.substr(kLastPrefix.size());
    const std::size_t slash = place.rfind('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == place.size()) {
        throw CUsageError("OLD: last: takes SERVER/NAME, as in last:ftp.example.com/products.txt");
    }
    const std::string server = place.substr(0, slash);
    const std::string name = place.substr(slash + 1);
    const CSnapshotStore store;
    const std::optional<SnapshotEntry> latest = store.Latest(server, name);
    if (!latest) {
        PrintError(Name(), "no snapshot of an upload to " + server + " as " + name + " in " +
                               store.PlaceFolder(server, name));
        return {};
    }
    m_extracted = (std::filesystem::temp_directory_path() /
                   ("yarvelin-snapshot-" + std::to_string(::getpid()) + ".txt"))
                      .string();
    NoteTemporaryFile(m_extracted);
    if (!store.Extract(server, name, latest->number, m_extracted)) {
        PrintError(Name(), "cannot read the snapshot " + store.SnapshotPath(server, name, latest->number));
        return {};
    }
    return m_extracted;
}

int CDiffCommand::Run() {
    FeedDiffOptions options;
    options.keyColumn = ColumnIndexOfName(m_key);
    if (options.keyColumn < 0) {
        throw CUsageError("--key: no column '" + m_key + "'");
    }
    for (const std::string& name : m_ignore) {
        const int k = ColumnIndexOfName(name);
        if (k < 0) {
            throw CUsageError("--ignore: no column '" + name + "'");
        }
        if (k == options.keyColumn) {
            throw CUsageError("--ignore: " + name + " is the key");
        }
        options.ignoredColumns |= 1u << k;
    }
    if (!m_delta.empty() && (options.keyColumn != kColOfferId || options.ignoredColumns != 0)) {
        throw CUsageError("--delta: the service knows products by offer_id and every column counts");
    }
    CStdStreams streams(Name());
    CCliFeedObserver observer(Name());
    observer.SetReplaceUnmappable(m_replaceUnmappable);
    const std::string oldFile = OldFile(streams);
    const std::string newFile = oldFile.empty() ? std::string() : streams.Input(m_new);
    std::optional<FeedDiff> diff;
    if (!newFile.empty()) {
        diff = DiffFeedFiles(oldFile, newFile, options, observer);
    }
    if (!m_extracted.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_extracted, ignored);
        ForgetTemporaryFile(m_extracted);
    }
    if (!diff || (!m_delta.empty() && !WriteDeltaFeed(*diff, m_delta, {}, observer))) {
        return kExitTrouble;
    }
    std::string out;
    if (!m_json) {
        out = ChangeSummaryText(*diff) + "\n";
    }
    for (const ProductChange& change : diff->changes) {
        if (m_json) {
            AppendJsonLine(out, change, options.ignoredColumns);
        } else {
            AppendTextLine(out, change);
        }
        if (out.size() >= kFlushSize) {
            WriteOut(out);
        }
    }
    WriteOut(out);
    std::fflush(stdout);
    return diff->Equal() ? kExitEqual : kExitDifferent;
}

}  // namespace

}  // namespace yarvelin::cli
