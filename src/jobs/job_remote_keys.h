// The keys of a job that reach beyond this machine: a source the shop serves by URL ([source] export-url
// or feed-url and their sign-in) and whom to tell when a run fails or goes stale ([notify]).
#pragma once

#include <toml++/toml.h>
#include <chrono>
#include <optional>
#include <string>

namespace yarvelin {

// [source] export-url / feed-url: downloaded at the start of each run, then read as export / feed.
struct FeedJobSourceUrl {
    std::string url;
    bool isExport = false;  // export-url: a shop export read through a map; feed-url: a feed file
    std::string user;
    std::string passwordFile;
    std::string headerFile;  // "Name: value" lines sent with the request (a token), one a line
    std::string keyFile;
    std::string knownHostsFile;
    std::string pin;
    long timeoutSeconds = 60;
    int retries = 2;
    long retryDelaySeconds = 5;  // doubled after each failed try
    // The service drops products not sent again for a while: an unchanged source is sent anyway when the
    // last upload is older than this.
    std::chrono::seconds refreshAfter = std::chrono::hours(24 * 7);
};

// [notify]: where the alerts of a job go, and when the job counts as stale.
struct FeedJobNotify {
    std::string command;  // run through /bin/sh with the run record as JSON on its standard input
    std::string webhook;  // an https address the same JSON is posted to
    std::string mailTo;   // sent through sendmail -t
    std::chrono::seconds staleAfter = std::chrono::hours(36);
    bool Any() const { return !command.empty() || !webhook.empty() || !mailTo.empty(); }
};

// "7d", "36h", "90m", "45s": a whole number and one unit. Nothing for anything else.
std::optional<std::chrono::seconds> ParseDuration(std::string_view text);

// The URL source of a [source] table, when it names export-url or feed-url; relative paths are taken from
// folder. Throws CHandFileError for a mistake.
std::optional<FeedJobSourceUrl> ReadSourceUrl(const toml::table& source, const std::string& folder);
// The [notify] table. Throws CHandFileError for a mistake.
FeedJobNotify ReadNotify(const toml::table& notify);

}  // namespace yarvelin
