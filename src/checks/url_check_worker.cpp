#include "checks/url_check_worker.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "app/feed_document.h"
#include "app/settings_names.h"
#include "app/settings_store.h"
#include "checks/feed_diagnostics.h"
#include "checks/image_check.h"
#include "checks/landing_page.h"
#include "records/text_util.h"

namespace yarvelin {

std::optional<std::string> UrlToRequest(const HttpSession& session, const std::string& url) {
    if (session.ParsesAsUrl(url)) {
        return url;
    }
    std::string withScheme = "http://" + url;
    if (session.ParsesAsUrl(withScheme)) {
        return withScheme;
    }
    return std::nullopt;
}

std::string UrlHostKey(std::string_view scheme, std::string_view host, std::string_view port) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    const bool ipv6 = host.find(':') != std::string_view::npos;
    std::string key = ipv6 ? "[" + ToLowerAscii(host) + "]" : ToLowerAscii(host);
    // "080" and "80" are the same port.
    while (port.size() > 1 && port.front() == '0') {
        port.remove_prefix(1);
    }
    if (port.empty()) {
        if (EqualsNoCase(scheme, "http")) {
            port = "80";
        } else if (EqualsNoCase(scheme, "https")) {
            port = "443";
        }
    }
    key += ':';
    key += port;
    return key;
}

unsigned UrlResult(const HttpSession::Response& response) {
    if (response.failed) {
        return kUrlRequestFailed;
    }
    return response.status ? *response.status : kUrlNoStatus;
}

unsigned CheckUrl(HttpSession& session, const std::string& url) {
    const std::optional<std::string> target = UrlToRequest(session, url);
    return target ? UrlResult(session.Get(*target)) : kUrlNoStatus;
}

std::optional<std::chrono::seconds> UrlRetryWait(const HttpSession::Response& response) {
    if (response.failed || !response.retryAfter || !response.status ||
        (*response.status != 429 && *response.status != 503)) {
        return std::nullopt;
    }
    return std::clamp(*response.retryAfter, std::chrono::seconds{0}, kUrlRetryAfterCap);
}

int ClampUrlCheckJobs(long jobs) {
    return static_cast<int>(std::clamp<long>(jobs, 1, kUrlCheckMaxJobs));
}

int UrlCheckJobs(const SettingsStore& store) {
    return ClampUrlCheckJobs(settings::kUrlCheckJobs.Read(store));
}

UrlCheckOptions ConfiguredUrlCheckOptions(const SettingsStore& store) {
    UrlCheckOptions options;
    options.landingPages = true;
    const std::string crawler = Trim(settings::kCrawlerName.Read(store));
    if (!crawler.empty()) {
        options.crawler = crawler;
    }
    return options;
}

namespace {

using Clock = std::chrono::steady_clock;

// At most this many records are taken up ahead of the first one not yet reported, so that one slow server
// does not let the rest of a large feed pile up behind it.
constexpr std::size_t kMaxRecordsAhead = 4096;
// The longest the worker waits on the session before it looks at the cancel flag again.
constexpr std::chrono::milliseconds kCancelLatency{50};

// A record taken up in this run: which of its URLs are requested, and their results so far.
struct RecordCheck {
    std::size_t position = 0;
    bool want[2] = {false, false};  // product URL, image URL
    bool retried[2] = {false, false};
    unsigned result[2] = {kUrlNoStatus, kUrlNoStatus};
    std::vector<UrlFinding> findings[2];
    // The image's answer while the bytes that state its size are asked for (ImageFollowUp).
    std::optional<HttpSession::Response> imageFirst;
    std::string robotsUrl;  // the product page's host's robots.txt, when it is looked at
    std::string pathAndQuery;
    int nextUrl = 0;      // the next of its URLs to start
    int outstanding = 0;  // requests started and not yet ended, waits for a repeat included
    bool Complete() const { return nextUrl == 2 && outstanding == 0; }
};

struct DueRetry {
    Clock::time_point due;
    std::uint64_t tag;
};

std::uint64_t Tag(std::size_t position, int which) {
    return static_cast<std::uint64_t>(position) * 2 + static_cast<std::uint64_t>(which);
}

std::string UrlOf(const COtherRecord& record, int which) {
    return std::string(record.Field(which == 0 ? kColProductUrl : kColImageUrl));
}

// An image is asked for its first bytes only: enough to tell its type and size. A product page is read
// for its price when landing pages are looked at.
HttpSession::RequestOptions OptionsFor(int which, bool landingPages) {
    HttpSession::RequestOptions options;
    if (which == 1) {
        options.keepBody = kImageProbeBytes;
        options.onlyThoseBytes = true;
    } else if (landingPages) {
        options.keepBody = kPageProbeBytes;
    }
    return options;
}

// robots.txt requests carry the top bit in their tag; the rest is their index. The second request of a
// picture carries the next bit beside its record's tag.
constexpr std::uint64_t kRobotsTag = std::uint64_t{1} << 63;
constexpr std::uint64_t kFollowUpTag = std::uint64_t{1} << 62;

struct RobotsState {
    std::string url;
    bool done = false;
    CRobotsRules rules;
};

class CUrlCheckRun {
  public:
    CUrlCheckRun(const CFeedDocument& doc, HttpSession& session, const std::atomic<bool>& cancel,
                 CUrlCheckObserver& observer, const UrlCheckOptions& options)
        : m_records(doc.Records()),
          m_session(session),
          m_cancel(cancel),
          m_observer(observer),
          m_options(options),
          m_maxInFlight(std::max<std::size_t>(1, session.MaxRequests())) {}

    void Run() {
        for (;;) {
            if (m_cancel.load()) {
                m_session.AbortAll();
                return;
            }
            StartDueRetries();
            const bool started = StartRequests();
            const bool reported = ReportCompleteRecords();
            if (m_window.empty() && m_next == m_records.size()) {
                return;
            }
            if (started || reported) {
                continue;
            }
            const std::chrono::milliseconds wait = WaitBeforeNextRetry();
            if (m_inFlight == 0) {
                std::this_thread::sleep_for(wait);  // only repeats are pending
                continue;
            }
            for (HttpSession::Finished& finished : m_session.Poll(wait)) {
                OnFinished(finished);
            }
        }
    }

  private:
    RecordCheck& WindowRecord(std::uint64_t tag) { return m_window[tag / 2 - m_window.front().position]; }

    // Starts requests, URL by URL in row order, while fewer than the session's maximum are in flight.
    bool StartRequests() {
        bool any = false;
        while (m_inFlight < m_maxInFlight) {
            if (m_window.empty() || m_window.back().nextUrl == 2) {
                if (m_next == m_records.size() || m_window.size() >= kMaxRecordsAhead) {
                    break;
                }
                TakeUp(m_next++);
                any = true;
            }
            RecordCheck& check = m_window.back();
            const COtherRecord* record = &m_records[check.position];
            for (; check.nextUrl < 2 && m_inFlight < m_maxInFlight; ++check.nextUrl) {
                const int which = check.nextUrl;
                if (!check.want[which]) {
                    continue;
                }
                // A URL that does not parse even with "http://" in front is decided without a request.
                if (const std::optional<std::string> target =
                        UrlToRequest(m_session, UrlOf(*record, which))) {
                    if (which == 0 && m_options.landingPages) {
                        AskRobotsFor(check, *target);
                    }
                    m_session.StartRequest(Tag(check.position, which), *target,
                                           OptionsFor(which, m_options.landingPages));
                    ++m_inFlight;
                    ++check.outstanding;
                    any = true;
                }
            }
        }
        return any;
    }

    void TakeUp(std::size_t position) {
        RecordCheck check;
        check.position = position;
        if (const COtherRecord* record = &m_records[position]) {
            // A record checked before is asked again only for the URLs that were not OK.
            check.want[0] = !record->urls_checked || !record->product_url_ok;
            check.want[1] = !record->urls_checked || !record->image_url_ok;
        }
        m_window.push_back(check);
    }

    // The first page of a host asks for its robots.txt; the others wait for that one answer.
    void AskRobotsFor(RecordCheck& check, const std::string& target) {
        const std::optional<PageAddress> address = SplitPageAddress(target);
        if (!address) {
            return;
        }
        check.robotsUrl = address->robotsUrl;
        check.pathAndQuery = address->pathAndQuery;
        if (m_robotsIndex.count(address->robotsUrl) != 0) {
            return;
        }
        const std::size_t index = m_robots.size();
        m_robotsIndex[address->robotsUrl] = index;
        m_robots.push_back({address->robotsUrl, false, {}});
        HttpSession::RequestOptions options;
        options.keepBody = kRobotsProbeBytes;
        m_session.StartRequest(kRobotsTag | index, address->robotsUrl, options);
        ++m_inFlight;
    }

    bool RobotsKnown(const RecordCheck& check) const {
        return check.robotsUrl.empty() || m_robots[m_robotsIndex.at(check.robotsUrl)].done;
    }

    void OnFinished(const HttpSession::Finished& finished) {
        --m_inFlight;
        if ((finished.tag & kRobotsTag) != 0) {
            RobotsState& robots = m_robots[finished.tag & ~kRobotsTag];
            robots.rules = CRobotsRules::FromResponse(finished.response, m_options.crawler);
            robots.done = true;
            return;
        }
        if ((finished.tag & kFollowUpTag) != 0) {
            RecordCheck& check = WindowRecord(finished.tag & ~kFollowUpTag);
            const COtherRecord& record = m_records[check.position];
            check.findings[1] = ImageFindings(
                *check.imageFirst, IsApparelCategory(record.Field(kColCategory)), &finished.response);
            check.imageFirst.reset();
            --check.outstanding;
            return;
        }
        RecordCheck& check = WindowRecord(finished.tag);
        const int which = static_cast<int>(finished.tag % 2);
        if (!check.retried[which]) {
            if (const std::optional<std::chrono::seconds> wait = UrlRetryWait(finished.response)) {
                check.retried[which] = true;
                m_retries.push_back({Clock::now() + *wait, finished.tag});
                return;
            }
        }
        check.result[which] = UrlResult(finished.response);
        const COtherRecord& record = m_records[check.position];
        if (which == 1) {
            // A picture whose size lies beyond its first bytes: one more request for the bytes that hold it;
            // the record waits for it. Its result stays what the first answer said.
            if (const std::optional<ImageBytes> more = ImageFollowUp(finished.response)) {
                HttpSession::RequestOptions options;
                options.keepBody = more->count;
                options.onlyThoseBytes = true;
                options.rangeFrom = more->from;
                m_session.StartRequest(finished.tag | kFollowUpTag,
                                       finished.response.finalUrl.empty()
                                           ? *UrlToRequest(m_session, UrlOf(record, 1))
                                           : finished.response.finalUrl,
                                       options);
                ++m_inFlight;
                check.imageFirst = finished.response;
                return;
            }
            check.findings[which] =
                ImageFindings(finished.response, IsApparelCategory(record.Field(kColCategory)));
        } else if (m_options.landingPages) {
            check.findings[which] = PageFindings(
                finished.response, UrlToRequest(m_session, UrlOf(record, 0)).value_or(""), record);
        }
        --check.outstanding;
    }

    void StartDueRetries() {
        if (m_retries.empty()) {
            return;
        }
        const Clock::time_point now = Clock::now();
        for (auto it = m_retries.begin(); it != m_retries.end() && m_inFlight < m_maxInFlight;) {
            if (it->due > now) {
                ++it;
                continue;
            }
            const RecordCheck& check = WindowRecord(it->tag);
            const int which = static_cast<int>(it->tag % 2);
            const COtherRecord& record = m_records[check.position];
            // It parsed when it was first started.
            m_session.StartRequest(it->tag, *UrlToRequest(m_session, UrlOf(record, which)),
                                   OptionsFor(which, m_options.landingPages));
            ++m_inFlight;
            it = m_retries.erase(it);
        }
    }

    std::chrono::milliseconds WaitBeforeNextRetry() const {
        std::chrono::milliseconds wait = kCancelLatency;
        if (m_retries.empty()) {
            return wait;
        }
        const Clock::time_point now = Clock::now();
        for (const DueRetry& retry : m_retries) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(retry.due - now);
            wait = std::clamp(left, std::chrono::milliseconds{0}, wait);
        }
        return wait;
    }

    // Writes and reports the records whose requests have all ended, in row order up to the first that
    // is still under way.
    bool ReportCompleteRecords() {
        bool any = false;
        while (!m_window.empty() && m_window.front().Complete() && RobotsKnown(m_window.front())) {
            if (m_cancel.load()) {
                break;
            }
            const RecordCheck& check = m_window.front();
            Report(check);
            m_observer.OnProgress(check.position + 1);
            m_window.pop_front();
            any = true;
        }
        return any;
    }

    void Report(const RecordCheck& check) {
        UrlCheckResult result;
        result.position = check.position;
        if (!check.robotsUrl.empty()) {
            if (const std::optional<UrlFinding> finding =
                    RobotsFinding(m_robots[m_robotsIndex.at(check.robotsUrl)].rules, check.robotsUrl,
                                  check.pathAndQuery, m_options.crawler)) {
                result.findings[0].push_back(*finding);
            }
        }
        for (int which = 0; which < 2; ++which) {
            if (check.want[which]) {
                m_observer.OnUrlChecked(check.position, which == 1, check.result[which]);
                result.requested[which] = true;
                result.result[which] = check.result[which];
                result.findings[which].insert(result.findings[which].end(), check.findings[which].begin(),
                                              check.findings[which].end());
            }
        }
        m_observer.OnRecordChecked(result);
    }

    const CFeedDocument::RecordList& m_records;
    HttpSession& m_session;
    const std::atomic<bool>& m_cancel;
    CUrlCheckObserver& m_observer;
    const UrlCheckOptions& m_options;
    const std::size_t m_maxInFlight;
    std::vector<RobotsState> m_robots;
    std::map<std::string, std::size_t> m_robotsIndex;
    std::deque<RecordCheck> m_window;  // records taken up and not yet reported, in row order
    std::vector<DueRetry> m_retries;
    std::size_t m_next = 0;  // the next record to take up
    std::size_t m_inFlight = 0;
};

}  // namespace

std::string UrlCheckFindingsText(std::size_t findings) {
    return Format("%zu %s about the pictures and pages: \"Diagnostics...\" on the product list shows %s.",
                  findings, findings == 1 ? "finding" : "findings", findings == 1 ? "it" : "them");
}

void ApplyUrlCheckResult(CFeedDocument& doc, const UrlCheckResult& result) {
    if (result.position >= doc.Count()) {
        return;
    }
    COtherRecord& record = doc.At(result.position);
    if (result.requested[0]) {
        record.product_url_ok = IsUrlOk(result.result[0]);
    }
    if (result.requested[1]) {
        record.image_url_ok = IsUrlOk(result.result[1]);
    }
    // A requested address's findings replace those of its last request.
    // The image's findings are all about its column; the page's may name another (a price).
    const auto fromUrl = [](const UrlFinding& f) { return f.column == 4 ? 1 : 0; };
    for (int which = 0; which < 2; ++which) {
        if (!result.requested[which]) {
            continue;
        }
        std::vector<UrlFinding> findings = record.UrlFindings();
        findings.erase(std::remove_if(findings.begin(), findings.end(),
                                      [&](const UrlFinding& f) { return fromUrl(f) == which; }),
                       findings.end());
        findings.insert(findings.end(), result.findings[which].begin(), result.findings[which].end());
        record.SetUrlFindings(std::move(findings));
    }
    record.urls_checked = true;
}

void RunUrlCheck(CFeedDocument& doc, HttpClient& client, const std::atomic<bool>& cancel,
                 CUrlCheckObserver& observer, const UrlCheckOptions& options) {
    class CApplyingObserver : public CUrlCheckObserver {
      public:
        CApplyingObserver(CFeedDocument& doc, CUrlCheckObserver& next) : m_doc(doc), m_next(next) {}
        void OnProgress(std::size_t handled) override { m_next.OnProgress(handled); }
        void OnDone() override { m_next.OnDone(); }
        void OnUrlChecked(std::size_t position, bool image, unsigned result) override {
            m_next.OnUrlChecked(position, image, result);
        }
        void OnRecordChecked(const UrlCheckResult& result) override {
            ApplyUrlCheckResult(m_doc, result);
            m_next.OnRecordChecked(result);
        }

      private:
        CFeedDocument& m_doc;
        CUrlCheckObserver& m_next;
    } applying(doc, observer);
    UrlCheckWorker(doc, client, cancel, applying, options);
}

void UrlCheckWorker(const CFeedDocument& doc, HttpClient& client, const std::atomic<bool>& cancel,
                    CUrlCheckObserver& observer, const UrlCheckOptions& options) {
    if (std::unique_ptr<HttpSession> session = client.OpenSession(kUrlCheckUserAgent)) {
        CUrlCheckRun(doc, *session, cancel, observer, options).Run();
    }
    observer.OnDone();
}

}  // namespace yarvelin
