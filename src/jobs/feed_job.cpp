#include "jobs/feed_job.h"

#include <cstdlib>
#include <filesystem>

#include "changes/change_guards.h"
#include "handfiles/hand_file.h"
#include "jobs/run_history.h"
#include "records/xdg_folders.h"

namespace yarvelin {

namespace {

std::string Resolve(const std::string& path, const std::filesystem::path& folder) {
    if (path.empty() || std::filesystem::path(path).is_absolute()) {
        return path;
    }
    return (folder / path).lexically_normal().string();
}

std::string OneOf(const toml::table& table, std::string_view key, std::initializer_list<const char*> values) {
    const std::optional<std::string> value = ReadString(table, key);
    std::string list;
    for (const char* v : values) {
        if (value == v) {
            return *value;
        }
        list += std::string(list.empty() ? "" : " or ") + "\"" + v + "\"";
    }
    FailAt(*table.get(key), std::string(key) + " must be " + list);
}

bool Flag(const toml::table& table, std::string_view key) {
    return ReadBool(table, key).value_or(false);
}

std::optional<long long> PositiveAtMost(const toml::table& table, std::string_view key, long long most) {
    const std::optional<long long> value = ReadInteger(table, key);
    if (value && (*value < 1 || *value > most)) {
        FailAt(*table.get(key), std::string(key) + " must be 1 to " + std::to_string(most));
    }
    return value;
}

double ShareAt(const toml::table& table, std::string_view key) {
    const std::optional<double> share = ParseShare(ReadString(table, key).value_or(""));
    if (!share) {
        FailAt(*table.get(key), std::string(key) + " must be a share such as \"20%\"");
    }
    return *share;
}

// [check] max-changed, max-delete and on-error.
void ReadChangeChecks(const toml::table& check, FeedJobChanges& changes) {
    if (check.contains("max-changed")) {
        changes.maxChanged = ShareAt(check, "max-changed");
    }
    if (check.contains("max-delete")) {
        changes.maxDelete = ShareAt(check, "max-delete");
    }
    if (check.contains("on-error")) {
        changes.leaveOut = OneOf(check, "on-error", {"stop", "leave-out"}) == "leave-out";
    }
}

// [output] mode and full-every.
void ReadOutputMode(const toml::table& output, FeedJobChanges& changes) {
    if (output.contains("mode")) {
        changes.delta = OneOf(output, "mode", {"full", "delta"}) == "delta";
    }
    changes.fullEveryDays =
        static_cast<int>(PositiveAtMost(output, "full-every", 365).value_or(changes.fullEveryDays));
    if (changes.delta && ReadBool(output, "partial").value_or(false)) {
        FailAt(*output.get("partial"),
               "partial = true marks every file as partial; mode = \"delta\" "
               "sends a partial update only when one can be made");
    }
}

}  // namespace

namespace {

FeedJob FeedJobFrom(const toml::table& root, const std::string& path) {
    const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
    CheckKnownKeys(root, {"source", "check", "output", "upload", "snapshots", "notify"});
    FeedJob job;
    job.name = std::filesystem::path(path).stem().string();

    const toml::table* source = ReadTable(root, "source");
    if (!source) {
        FailAt(root, "the job needs a [source] table naming the feed file to read");
    }
    CheckKnownKeys(
        *source,
        {"feed",     "export",      "map",        "profile",  "base-url", "currency",      "sheet",
         "rules",    "merge",       "export-url", "feed-url", "user",     "password-file", "header-file",
         "key-file", "known-hosts", "pin-sha256", "timeout",  "retries",  "retry-delay",   "refresh-after"});
    const std::optional<std::string> exportFile = ReadString(*source, "export");
    if (source->contains("export") + source->contains("feed") + source->contains("export-url") +
            source->contains("feed-url") !=
        1) {
        FailAt(*source,
               "[source] names one of a feed file (feed), a shop export (export) or either by URL "
               "(feed-url, export-url)");
    }
    job.source.url = ReadSourceUrl(*source, folder.string());
    if (exportFile || (job.source.url && job.source.url->isExport)) {
        job.source.exportFile = exportFile ? Resolve(*exportFile, folder) : std::string();
        if (const auto map = ReadString(*source, "map")) {
            job.source.mapFile = Resolve(*map, folder);
        }
        job.source.profile = ReadString(*source, "profile").value_or("");
        job.source.baseUrl = ReadString(*source, "base-url").value_or("");
        job.source.currency = ReadString(*source, "currency").value_or("");
        job.source.sheet = ReadString(*source, "sheet").value_or("");
        // [[source.merge]]: file, key and map = { instock = "{stock}" }, merged in this order.
        for (const toml::table* merge : ReadTableArray(*source, "merge")) {
            CheckKnownKeys(*merge, {"file", "key", "map"});
            MergeFile file{Resolve(RequireString(*merge, "file"), folder), RequireString(*merge, "key"), {}};
            if (const toml::table* map = ReadTable(*merge, "map")) {
                for (const auto& entry : *map) {
                    const std::string column(entry.first.str());
                    file.columns.push_back(column + "=" + RequireString(*map, column));
                }
            }
            job.source.merges.push_back(std::move(file));
        }
    } else {
        for (const char* key : {"map", "profile", "base-url", "currency", "sheet", "merge"}) {
            if (const toml::node* node = source->get(key)) {
                FailAt(*node,
                       std::string(key) + " belongs to a shop export (export = ...), not to a feed file");
            }
        }
        job.source.feedFile =
            job.source.url ? std::string() : Resolve(RequireString(*source, "feed"), folder);
    }
    if (const auto rules = ReadString(*source, "rules")) {
        job.source.rulesFile = Resolve(*rules, folder);
    }

    if (const toml::table* check = ReadTable(root, "check")) {
        CheckKnownKeys(*check,
                       {"newlines", "special", "max-errors", "max-changed", "max-delete", "on-error"});
        if (check->contains("newlines") != check->contains("special")) {
            FailAt(*check, "the text check needs both newlines and special (or neither)");
        }
        if (check->contains("newlines")) {
            job.newlines = OneOf(*check, "newlines", {"remove", "quote"});
            job.special = OneOf(*check, "special", {"escape", "remove"});
        }
        job.maxErrors = ReadInteger(*check, "max-errors").value_or(0);
        if (job.maxErrors < 0) {
            FailAt(*check->get("max-errors"), "max-errors cannot be negative");
        }
        ReadChangeChecks(*check, job.changes);
    }

    const toml::table* output = ReadTable(root, "output");
    if (!output) {
        FailAt(root, "the job needs an [output] table naming the feed file to write");
    }
    CheckKnownKeys(*output,
                   {"file", "basic", "headers", "html-escaped", "partial", "quoted", "mode", "full-every"});
    ReadOutputMode(*output, job.changes);
    if (const toml::table* snapshots = ReadTable(root, "snapshots")) {
        CheckKnownKeys(*snapshots, {"keep"});
        job.changes.keep =
            static_cast<int>(PositiveAtMost(*snapshots, "keep", 1000).value_or(job.changes.keep));
    }
    job.outputFile = Resolve(RequireString(*output, "file"), folder);
    job.basic = Flag(*output, "basic");
    job.headers.includeHeaders = Flag(*output, "headers");
    job.headers.htmlEscaped = Flag(*output, "html-escaped");
    job.headers.updatesOnly = Flag(*output, "partial");
    job.headers.quoted = Flag(*output, "quoted");
    if (!job.headers.includeHeaders &&
        (job.headers.htmlEscaped || job.headers.updatesOnly || job.headers.quoted)) {
        FailAt(*output, "html-escaped, partial and quoted are header values: they need headers = true");
    }

    if (const toml::table* notify = ReadTable(root, "notify")) {
        job.notify = ReadNotify(*notify);
    }
    if (const toml::table* upload = ReadTable(root, "upload")) {
        CheckKnownKeys(*upload, {"server", "port", "user", "password-file", "key-file", "known-hosts",
                                 "pin-sha256", "binary", "passive"});
        FeedJobUpload u;
        u.server = RequireString(*upload, "server");
        if (const auto port = ReadInteger(*upload, "port")) {
            if (*port < 1 || *port > 65535) {
                FailAt(*upload->get("port"), "port must be 1 to 65535");
            }
            u.port = static_cast<std::uint16_t>(*port);
        }
        u.user = ReadString(*upload, "user").value_or("");
        u.passwordFile = Resolve(ReadString(*upload, "password-file").value_or(""), folder);
        u.keyFile = Resolve(ReadString(*upload, "key-file").value_or(""), folder);
        u.knownHostsFile = Resolve(ReadString(*upload, "known-hosts").value_or(""), folder);
        u.pin = ReadString(*upload, "pin-sha256").value_or("");
        u.binary = Flag(*upload, "binary");
        u.passive = Flag(*upload, "passive");
        job.upload = u;
    }
    return job;
}

}  // namespace

FeedJob ParseFeedJob(const std::string& text, const std::string& path) {
    return FeedJobFrom(ParseHandFile(text, path), path);
}

FeedJob LoadFeedJob(const std::string& path) {
    return FeedJobFrom(LoadHandFile(path), path);
}

std::string FeedJobText(const FeedJob& job) {
    const auto flag = [](bool b) { return b ? "true" : "false"; };
    std::string t = "# A Yarvelin job: `yarvelin-feed run " + job.name +
                    "` reads the feed, checks it, writes it and uploads it.\n\n";
    t += "[source]\n# The feed file to read. A shop export instead: export = \"FILE.csv\", with map = "
         "\"MAP.toml\" or\n"
         "# profile = \"shopify\" (detected when neither is given), base-url, currency and "
         "sheet\n# (a spreadsheet's) as import takes them.\n"
         "feed = " +
         TomlQuoted(job.source.feedFile) + "\n";
    t += job.source.rulesFile.empty() ? "# rules = \"RULES.toml\" applies a rules file to every product.\n"
                                      : "rules = " + TomlQuoted(job.source.rulesFile) + "\n";
    t += "# An export may take columns from further files by key, each in a table of its own:\n"
         "# [[source.merge]] with file = \"stock.csv\", key = \"sku\", map = { quantity = \"{stock}\" }.\n\n";
    t += "[check]\n";
    if (job.newlines) {
        t += "# Text check: \"remove\" or \"quote\" control characters; \"escape\" or \"remove\" special "
             "ones.\n";
        t += "newlines = " + TomlQuoted(*job.newlines) + "\nspecial = " + TomlQuoted(*job.special) + "\n";
    } else {
        t += "# Text check: add newlines = \"remove\" (or \"quote\") and special = \"escape\" (or "
             "\"remove\").\n";
    }
    t += "# More errors than this stop the upload.\nmax-errors = " + std::to_string(job.maxErrors) + "\n";
    t += "# Products with errors: \"stop\" the upload, or \"leave-out\" those products (listed in "
         "OUTPUT.held.csv).\non-error = " +
         std::string(job.changes.leaveOut ? "\"leave-out\"" : "\"stop\"") +
         "\n# More removed or repriced products than this share of the last upload stop it: max-changed = "
         "\"20%\".\n";
    if (job.changes.maxChanged) {
        t += "max-changed = " + TomlQuoted(ShareText(*job.changes.maxChanged)) + "\n";
    }
    t +=
        "# A partial update that deletes more than this share of the last upload is stopped.\nmax-delete = " +
        TomlQuoted(ShareText(job.changes.maxDelete)) + "\n\n";
    t += "[output]\n# The feed file to write and upload.\nfile = " + TomlQuoted(job.outputFile) + "\n";
    t += std::string("basic = ") + flag(job.basic) + "\nheaders = " + flag(job.headers.includeHeaders) +
         "\nhtml-escaped = " + flag(job.headers.htmlEscaped) +
         "\npartial = " + flag(job.headers.updatesOnly) + "\nquoted = " + flag(job.headers.quoted) + "\n";
    t += std::string(
             "# \"delta\" sends only what changed since the last upload (a whole feed every full-every "
             "days).\nmode = ") +
         (job.changes.delta ? "\"delta\"" : "\"full\"") +
         "\nfull-every = " + std::to_string(job.changes.fullEveryDays) + "\n";
    t += "\n[snapshots]\n# What reached the service is kept compressed, for the next comparison and for "
         "run --rollback.\nkeep = " +
         std::to_string(job.changes.keep) + "\n";
    if (job.upload) {
        const FeedJobUpload& u = *job.upload;
        t += "\n[upload]\nserver = " + TomlQuoted(u.server) + "\n";
        if (u.port) {
            t += "port = " + std::to_string(*u.port) + "\n";
        }
        if (!u.user.empty()) {
            t += "user = " + TomlQuoted(u.user) + "\n";
        }
        t += "# A file whose first line is the password (or the key's passphrase); readable by you only.\n";
        t += (u.passwordFile.empty() ? "# password-file = \"\""
                                     : "password-file = " + TomlQuoted(u.passwordFile)) +
             std::string("\n");
        if (!u.keyFile.empty()) {
            t += "key-file = " + TomlQuoted(u.keyFile) + "\n";
        }
        if (!u.knownHostsFile.empty()) {
            t += "known-hosts = " + TomlQuoted(u.knownHostsFile) + "\n";
        }
        if (!u.pin.empty()) {
            t += "pin-sha256 = " + TomlQuoted(u.pin) + "\n";
        }
        t += std::string("binary = ") + flag(u.binary) + "\npassive = " + flag(u.passive) + "\n";
    }
    return t;
}

FeedJob JobForWizardUpload(const std::string& name, const WizardFeedForJob& feed,
                           const FeedJobUpload& upload) {
    FeedJob job;
    job.name = name;
    job.source.feedFile = feed.savedFile;
    job.outputFile = feed.savedFile;
    job.basic = feed.basic;
    // The page keeps its header ticks while "no headers" is chosen; the file then has none, and neither
    // has the job.
    job.headers = feed.headers.includeHeaders ? feed.headers : FeedHeaderChoices{};
    if (feed.textCheck) {
        job.newlines = feed.textCheck->removeControlCharacters ? "remove" : "quote";
        job.special = feed.textCheck->escapeSpecialCharacters ? "escape" : "remove";
    }
    job.upload = upload;
    return job;
}

std::string JobStatusText(const std::string& historyText, const std::string& job,
                          std::optional<long long> lastUpload) {
    std::string text;
    if (const std::optional<RunRecord> last = LastRunOfJob(historyText, job)) {
        const std::string end = IsoUtcTime(last->end);
        text = "Last run of the job " + job + ": " + end.substr(0, 10) + " " + end.substr(11, 5) + " UTC, " +
               last->Outcome() + ", " + std::to_string(last->products) + " products";
        if (last->status != kRunOk && !last->reason.empty()) {
            text += " (" + last->reason + ")";
        }
        text += ".";
    }
    if (lastUpload) {
        text += std::string(text.empty() ? "" : "\n") +
                "Last upload to this server and file name: " + std::to_string(*lastUpload) + " products.";
    }
    return text;
}

std::string JobsFolder() {
    return XdgConfigHome() + "/yarvelin/jobs";
}

std::string JobFilePath(const std::string& job) {
    const bool isPath = job.find('/') != std::string::npos ||
                        (job.size() > 5 && job.compare(job.size() - 5, 5, ".toml") == 0) ||
                        std::filesystem::is_regular_file(job);
    return isPath ? job : JobsFolder() + "/" + job + ".toml";
}

}  // namespace yarvelin
