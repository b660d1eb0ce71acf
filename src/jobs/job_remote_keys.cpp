#include "jobs/job_remote_keys.h"

#include <charconv>
#include <filesystem>

#include "handfiles/hand_file.h"

namespace yarvelin {

namespace {

std::string Resolve(const std::optional<std::string>& path, const std::string& folder) {
    if (!path || path->empty() || std::filesystem::path(*path).is_absolute()) {
        return path.value_or("");
    }
    return (std::filesystem::path(folder) / *path).lexically_normal().string();
}

std::chrono::seconds DurationAt(const toml::table& table, std::string_view key,
                                std::chrono::seconds fallback) {
    const std::optional<std::string> text = ReadString(table, key);
    if (!text) {
        return fallback;
    }
    const std::optional<std::chrono::seconds> duration = ParseDuration(*text);
    if (!duration || duration->count() == 0) {
        FailAt(*table.get(key), std::string(key) + " must be a time such as \"7d\", \"36h\" or \"90m\"");
    }
    return *duration;
}

long long IntegerIn(const toml::table& table, std::string_view key, long long low, long long high,
                    long long fallback) {
    const std::optional<long long> value = ReadInteger(table, key);
    if (value && (*value < low || *value > high)) {
        FailAt(*table.get(key),
               std::string(key) + " must be " + std::to_string(low) + " to " + std::to_string(high));
    }
    return value.value_or(fallback);
}

bool HasScheme(const std::string& url, std::initializer_list<const char*> schemes) {
    for (const char* scheme : schemes) {
        const std::string prefix = std::string(scheme) + "://";
        if (url.size() > prefix.size() && url.compare(0, prefix.size(), prefix) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::chrono::seconds> ParseDuration(std::string_view text) {
    if (text.size() < 2) {
        return std::nullopt;
    }
    long long number = 0;
    const char* end = text.data() + text.size() - 1;
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || stop != end || number < 0 || number > 100LL * 365 * 24 * 3600) {
        return std::nullopt;
    }
    switch (text.back()) {
        case 'd':
            return std::chrono::seconds(number * 24 * 3600);
        case 'h':
            return std::chrono::seconds(number * 3600);
        case 'm':
            return std::chrono::seconds(number * 60);
        case 's':
            return std::chrono::seconds(number);
        default:
            return std::nullopt;
    }
}

std::optional<FeedJobSourceUrl> ReadSourceUrl(const toml::table& source, const std::string& folder) {
    const bool isExport = source.contains("export-url");
    const char* urlKey = isExport ? "export-url" : "feed-url";
    if (!source.contains(urlKey)) {
        for (const char* key : {"user", "password-file", "header-file", "key-file", "known-hosts",
                                "pin-sha256", "timeout", "retries", "retry-delay", "refresh-after"}) {
            if (const toml::node* node = source.get(key)) {
                FailAt(*node, std::string(key) + " belongs to a source by URL (export-url or feed-url)");
            }
        }
        return std::nullopt;
    }
    FeedJobSourceUrl u;
    u.isExport = isExport;
    u.url = RequireString(source, urlKey);
    if (!HasScheme(u.url, {"http", "https", "ftp", "ftps", "sftp"})) {
        FailAt(*source.get(urlKey),
               std::string(urlKey) +
                   " must be an http, https, ftp, ftps or sftp address (\"https://shop/export.csv\")");
    }
    u.user = ReadString(source, "user").value_or("");
    u.passwordFile = Resolve(ReadString(source, "password-file"), folder);
    u.headerFile = Resolve(ReadString(source, "header-file"), folder);
    u.keyFile = Resolve(ReadString(source, "key-file"), folder);
    u.knownHostsFile = Resolve(ReadString(source, "known-hosts"), folder);
    u.pin = ReadString(source, "pin-sha256").value_or("");
    u.timeoutSeconds = static_cast<long>(IntegerIn(source, "timeout", 1, 3600, u.timeoutSeconds));
    u.retries = static_cast<int>(IntegerIn(source, "retries", 0, 10, u.retries));
    u.retryDelaySeconds = static_cast<long>(IntegerIn(source, "retry-delay", 0, 600, u.retryDelaySeconds));
    u.refreshAfter = DurationAt(source, "refresh-after", u.refreshAfter);
    return u;
}

FeedJobNotify ReadNotify(const toml::table& notify) {
    CheckKnownKeys(notify, {"command", "webhook", "mail-to", "stale-after"});
    FeedJobNotify n;
    n.command = ReadString(notify, "command").value_or("");
    n.webhook = ReadString(notify, "webhook").value_or("");
    n.mailTo = ReadString(notify, "mail-to").value_or("");
    // Plain http only to this machine (a local relay): a record on its way elsewhere is not sent in clear.
    const bool local = n.webhook.rfind("http://127.0.0.1", 0) == 0 ||
                       n.webhook.rfind("http://localhost", 0) == 0 || n.webhook.rfind("http://[::1]", 0) == 0;
    if (!n.webhook.empty() && !HasScheme(n.webhook, {"https"}) && !local) {
        FailAt(*notify.get("webhook"), "webhook must be an https address");
    }
    n.staleAfter = DurationAt(notify, "stale-after", n.staleAfter);
    return n;
}

}  // namespace yarvelin
