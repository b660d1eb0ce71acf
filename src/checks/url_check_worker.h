// The URL check: every product's page and image URL, many requests at once on one session, results written
// and reported product by product in row order.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/program_names.h"
#include "app/settings_names.h"
#include "checks/http_session.h"
#include "records/other_record.h"

namespace yarvelin {

class CFeedDocument;
class SettingsStore;

// CheckUrl's result when no status could be obtained.
inline constexpr unsigned kUrlNoStatus = ~0u;
// CheckUrl's result when the request failed with an error.
inline constexpr unsigned kUrlRequestFailed = 100;

// Requests in flight at once unless the settings say otherwise, and the most they may say.
inline constexpr int kUrlCheckDefaultJobs = settings::kUrlCheckJobs.def;
inline constexpr int kUrlCheckMaxJobs = 64;
// Requests in flight to one host at most (and so connections), whatever the number in flight in all.
inline constexpr int kUrlCheckMaxPerHost = 4;
// The longest wait a Retry-After may impose before the one repeat of a 429 or 503.
inline constexpr std::chrono::seconds kUrlRetryAfterCap{30};

// One record's results: which of its URLs were requested in this run and what they answered.
struct UrlCheckResult {
    std::size_t position = 0;
    bool requested[2] = {false, false};  // product URL, image URL
    unsigned result[2] = {kUrlNoStatus, kUrlNoStatus};
    // What each requested address was found to serve (a picture too small, ...).
    std::vector<UrlFinding> findings[2];
};

// The line the URL check window adds at its end when the run found something about what the addresses serve.
std::string UrlCheckFindingsText(std::size_t findings);

// Stores a record's results: the flag and the findings of each URL requested, and the record counts as
// checked.
void ApplyUrlCheckResult(CFeedDocument& doc, const UrlCheckResult& result);

// The worker's reports. They come from the worker's thread.
class CUrlCheckObserver {
  public:
    virtual ~CUrlCheckObserver() = default;
    // One more record handled; handled counts from 1.
    virtual void OnProgress(std::size_t handled) = 0;
    // The worker has ended, finished or cancelled. Always the last report.
    virtual void OnDone() = 0;
    // A URL was requested (record position, which URL, its result). Comes just before the record's
    // OnProgress, the product URL before the image URL.
    virtual void OnUrlChecked(std::size_t /*position*/, bool /*image*/, unsigned /*result*/) {}
    // A record's results, after its OnUrlChecked reports and before its OnProgress. The worker never
    // writes them into the document: whoever owns the document applies them (ApplyUrlCheckResult).
    virtual void OnRecordChecked(const UrlCheckResult& result) = 0;
};

// The text to request for a URL of a record: as it stands when it parses, with "http://" in front when
// only that parses, nothing when neither does.
std::optional<std::string> UrlToRequest(const HttpSession& session, const std::string& url);
// What the per-host limit counts requests by: one server however its address is spelled. The host in lower
// case (an IPv6 literal in brackets whether or not they were written), then the port, the scheme's default
// when none is written: "http://H/", "http://h:80/" and "http://h:080/" are one server, "https://h/" another.
std::string UrlHostKey(std::string_view scheme, std::string_view host, std::string_view port);
// CheckUrl's result for a response: its status, kUrlRequestFailed, or kUrlNoStatus.
unsigned UrlResult(const HttpSession::Response& response);
// The HTTP status of the final response, kUrlRequestFailed, or kUrlNoStatus; one request, waited for.
unsigned CheckUrl(HttpSession& session, const std::string& url);
// A success status: 200 to 299.
inline bool IsUrlOk(unsigned result) {
    return result >= 200 && result <= 299;
}
// The wait before the one repeat of a request, or nothing when its answer is final: 429 and 503 with a
// Retry-After are repeated after that many seconds, at most kUrlRetryAfterCap.
std::optional<std::chrono::seconds> UrlRetryWait(const HttpSession::Response& response);

// The number of requests in flight from the "Config" section, within 1 .. kUrlCheckMaxJobs.
int UrlCheckJobs(const SettingsStore& store);
int ClampUrlCheckJobs(long jobs);

// What the check looks at beyond the statuses. Pictures are always read for their type and size (from their
// first bytes, in the same request).
struct UrlCheckOptions {
    // Product pages: robots.txt of each host fetched once and applied for the crawler, the page's
    // machine-readable price compared with the feed's, a redirection to the home page.
    bool landingPages = false;
    // The crawler robots.txt is read for; its groups for "*" count when none names it.
    std::string crawler = kUrlCheckUserAgent;
};

// The options the program's windows use: landing pages checked, the crawler name from the settings (the
// check's own agent name when none is set).
UrlCheckOptions ConfiguredUrlCheckOptions(const SettingsStore& store);

// Requests the URLs of every record not yet checked, and again those of a checked record that were not
// OK. Records are reported in row order, each once both its requests have ended. cancel ends every
// request in flight; records not reported by then keep their previous state. The worker only reads the
// document; nothing may change it but the results applied from OnRecordChecked while the worker runs.
void UrlCheckWorker(const CFeedDocument& doc, HttpClient& client, const std::atomic<bool>& cancel,
                    CUrlCheckObserver& observer, const UrlCheckOptions& options = {});
// The same on the calling thread, each record's results applied to doc as they come (then passed on to
// observer): for callers that have no interface thread to hand them to.
void RunUrlCheck(CFeedDocument& doc, HttpClient& client, const std::atomic<bool>& cancel,
                 CUrlCheckObserver& observer, const UrlCheckOptions& options = {});

}  // namespace yarvelin
