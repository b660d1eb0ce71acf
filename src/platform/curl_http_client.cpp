#include "platform/curl_http_client.h"

#include <curl/curl.h>
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>
#include <utility>
#include <vector>

namespace yarvelin {

namespace {

// libcurl's global set-up is not thread-safe; doing it once before the first session keeps it off the
// workers' way.
void EnsureCurlInitialised() {
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

long SecondsFromEnv(const char* name, long fallback) {
    const char* value = std::getenv(name);
    if (!value || !*value) {
        return fallback;
    }
    char* end = nullptr;
    const long seconds = std::strtol(value, &end, 10);
    return (*end == '\0' && seconds > 0) ? seconds : fallback;
}

size_t DiscardBody(char*, size_t size, size_t count, void*) {
    return size * count;
}

// A parsed URL; a fresh handle each time, since a handle that already holds a URL would take the next text
// as relative to it ("" or "host/path" would resolve against the previous product's address).
class CParsedUrl {
  public:
    explicit CParsedUrl(const std::string& url) : m_handle(curl_url()) {
        m_ok = m_handle &&
               curl_url_set(m_handle, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK;
    }
    ~CParsedUrl() { curl_url_cleanup(m_handle); }
    CParsedUrl(const CParsedUrl&) = delete;
    CParsedUrl& operator=(const CParsedUrl&) = delete;

    bool Ok() const { return m_ok; }
    std::string Scheme() const { return Part(CURLUPART_SCHEME, 0); }  // curl gives it in lower case
    // The per-host limit's key: one server however its host and port are spelled.
    std::string HostAndPort() const {
        return UrlHostKey(Scheme(), Part(CURLUPART_HOST, 0), Part(CURLUPART_PORT, 0));
    }

  private:
    std::string Part(CURLUPart part, unsigned flags) const {
        char* text = nullptr;
        std::string out;
        if (m_ok && curl_url_get(m_handle, part, &text, flags) == CURLUE_OK && text) {
            out = text;
        }
        curl_free(text);
        return out;
    }

    CURLU* m_handle;
    bool m_ok = false;
};

// Only HTTP answers with a status; other schemes are not fetched at all (no local files, no FTP).
bool IsHttpScheme(const std::string& url) {
    const std::string scheme = CParsedUrl(url).Scheme();
    return scheme == "http" || scheme == "https";
}

void SetCommonOptions(CURL* handle, const std::string& userAgent, const CurlHttpTimeouts& timeouts) {
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, timeouts.maxRedirects);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timeouts.stallSeconds);
    if (!timeouts.caFile.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, timeouts.caFile.c_str());
    }
    // Proxy: libcurl takes http_proxy, https_proxy and no_proxy from the environment by itself.
}

// The whole length of the resource from a Content-Range answer ("bytes 0-65535/123456", "bytes */0").
std::optional<long long> RangeTotal(CURL* handle) {
    curl_header* header = nullptr;
    if (curl_easy_header(handle, "Content-Range", 0, CURLH_HEADER, -1, &header) != CURLHE_OK) {
        return std::nullopt;
    }
    const std::string value = header->value;
    const auto slash = value.rfind('/');
    if (slash == std::string::npos || slash + 1 >= value.size()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const long long total = std::strtoll(value.c_str() + slash + 1, &end, 10);
    return *end == '\0' && total >= 0 ? std::optional<long long>(total) : std::nullopt;
}

// The status of a request that ended with code, and the Retry-After of its final response.
HttpSession::Response ResponseOf(CURL* handle, CURLcode code, bool bodyCut) {
    HttpSession::Response response;
    if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && bodyCut)) {
        response.failed = true;
        return response;
    }
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status > 0) {
        response.status = static_cast<unsigned>(status);
    }
    curl_header* header = nullptr;
    if (curl_easy_header(handle, "Retry-After", 0, CURLH_HEADER, -1, &header) == CURLHE_OK) {
        curl_off_t seconds = 0;  // libcurl reads both forms, seconds and an HTTP date
        curl_easy_getinfo(handle, CURLINFO_RETRY_AFTER, &seconds);
        response.retryAfter = std::chrono::seconds(std::max<curl_off_t>(seconds, 0));
    }
    return response;
}

HttpSession::Response FailedResponse() {
    HttpSession::Response response;
    response.failed = true;
    return response;
}

// One request of many on the multi handle. Its easy handle is kept for the next request.
struct CTransfer {
    CURL* handle = nullptr;
    std::uint64_t tag = 0;
    std::string host;  // host:port of the request (its first address, before any redirection)
    long long received = 0;
    long long maxBodyRead = 0;
    bool bodyCut = false;
    bool busy = false;
    HttpSession::RequestOptions options;
    std::string body;  // the first options.keepBody bytes
};

// What a request asked with options adds to its response: the kept bytes and what the headers say of them.
void AddKeptBody(CTransfer& transfer, HttpSession::Response& response) {
    if (transfer.options.keepBody == 0 || response.failed) {
        return;
    }
    CURL* handle = transfer.handle;
    char* type = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) {
        response.contentType = type;
    }
    long redirects = 0;
    curl_easy_getinfo(handle, CURLINFO_REDIRECT_COUNT, &redirects);
    char* finalUrl = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &finalUrl) == CURLE_OK && finalUrl) {
        response.finalUrl = finalUrl;
    }
    response.redirects = static_cast<unsigned>(std::max(0L, redirects));
    if (const std::optional<long long> total = RangeTotal(handle)) {
        response.fullLength = total;
    } else if (response.status != 206) {
        curl_off_t length = -1;
        if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
            length >= 0) {
            response.fullLength = static_cast<long long>(length);
        }
    }
    // A part of the resource stands for the whole of it; an empty resource has no first byte to send.
    if (transfer.options.onlyThoseBytes && (response.status == 206u || response.status == 416u)) {
        if (response.status == 416u) {
            transfer.body.clear();
        }
        response.status = 200;
    }
    response.body = std::move(transfer.body);
    transfer.body.clear();
}

// Only the status counts: once the body of the final response starts, a long one is broken off (redirect
// bodies never reach this callback). A short one is read to its end so that the connection stays usable.
size_t ReadBodyUntilLong(char* data, size_t size, size_t count, void* userdata) {
    auto* transfer = static_cast<CTransfer*>(userdata);
    const std::size_t keep = transfer->options.keepBody;
    std::size_t skip = 0;
    if (transfer->options.onlyThoseBytes && transfer->options.rangeFrom > 0) {
        // A server that ignores ranges sends the resource from its first byte: the bytes before the range
        // are passed over.
        long status = 0;
        curl_easy_getinfo(transfer->handle, CURLINFO_RESPONSE_CODE, &status);
        const auto from = static_cast<long long>(transfer->options.rangeFrom);
        if (status != 206 && transfer->received < from) {
            skip = static_cast<std::size_t>(
                std::min<long long>(from - transfer->received, static_cast<long long>(size * count)));
        }
    }
    if (transfer->body.size() < keep && skip < size * count) {
        transfer->body.append(data + skip, std::min(size * count - skip, keep - transfer->body.size()));
    }
    transfer->received += static_cast<long long>(size * count);
    curl_off_t length = -1;
    curl_easy_getinfo(transfer->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    // The bytes to keep are read first, whatever the length.
    const bool kept = transfer->body.size() >= keep;
    if (kept && (transfer->received > transfer->maxBodyRead || length > transfer->maxBodyRead)) {
        transfer->bodyCut = true;
        return 0;
    }
    return size * count;
}

class CCurlHttpSession : public HttpSession {
  public:
    CCurlHttpSession(CURL* handle, CURLM* multi, std::string userAgent, const CurlHttpTimeouts& timeouts,
                     const CurlHttpLimits& limits)
        : m_handle(handle),
          m_multi(multi),
          m_userAgent(std::move(userAgent)),
          m_timeouts(timeouts),
          m_limits(limits) {}
    ~CCurlHttpSession() override {
        AbortAll();
        for (const auto& transfer : m_transfers) {
            curl_easy_cleanup(transfer->handle);
        }
        curl_multi_cleanup(m_multi);
        curl_easy_cleanup(m_handle);
    }
    CCurlHttpSession(const CCurlHttpSession&) = delete;
    CCurlHttpSession& operator=(const CCurlHttpSession&) = delete;

    // A scheme followed by "//" parses, whatever the scheme; a bare host and path does not.
    bool ParsesAsUrl(const std::string& url) const override { return CParsedUrl(url).Ok(); }

    // One request at a time on its own handle, the body read to its end.
    Response Get(const std::string& url) override {
        if (!IsHttpScheme(url)) {
            return {};
        }
        curl_easy_setopt(m_handle, CURLOPT_URL, url.c_str());
        return ResponseOf(m_handle, curl_easy_perform(m_handle), false);
    }

    std::size_t MaxRequests() const override { return static_cast<std::size_t>(m_limits.maxRequests); }

    void Start(std::uint64_t tag, const std::string& url) override { StartRequest(tag, url, {}); }

    void StartRequest(std::uint64_t tag, const std::string& url, const RequestOptions& options) override {
        const CParsedUrl parsed(url);
        const std::string scheme = parsed.Scheme();
        if (scheme != "http" && scheme != "https") {
            m_endedAtOnce.push_back({tag, {}});
            return;
        }
        // The per-host limit counts requests, not connections: HTTP/2 carries many requests on one
        // connection, so a connection limit alone would let a whole batch at one server. Requests over
        // the limit wait here, not inside libcurl, where every perform walks every transfer it holds.
        std::string host = parsed.HostAndPort();
        if (m_perHost[host] >= m_limits.maxPerHost) {
            m_waiting.push_back({tag, url, std::move(host), options});
            return;
        }
        Launch(tag, url, std::move(host), options);
    }

    std::vector<Finished> Poll(std::chrono::milliseconds wait) override {
        std::vector<Finished> done = std::move(m_endedAtOnce);
        m_endedAtOnce.clear();
        // A request just started has libcurl's own time-out at zero, so the wait ends at once for it. One
        // perform per call: each walks every transfer on the handle, waiting ones included.
        if (done.empty()) {
            curl_multi_poll(m_multi, nullptr, 0, static_cast<int>(wait.count()), nullptr);
        }
        int running = 0;
        curl_multi_perform(m_multi, &running);
        CollectEnded(done);
        return done;
    }

    // Taking a transfer off the multi handle ends it where it stands, its connection closed.
    void AbortAll() override {
        for (const auto& transfer : m_transfers) {
            if (transfer->busy) {
                curl_multi_remove_handle(m_multi, transfer->handle);
                transfer->busy = false;
                transfer->host.clear();
            }
        }
        m_endedAtOnce.clear();
        m_waiting.clear();
        m_perHost.clear();
    }

  private:
    struct CWaiting {
        std::uint64_t tag;
        std::string url;
        std::string host;
        RequestOptions options;
    };

    void Launch(std::uint64_t tag, const std::string& url, std::string host, const RequestOptions& options) {
        CTransfer* transfer = IdleTransfer();
        if (!transfer) {
            m_endedAtOnce.push_back({tag, FailedResponse()});
            return;
        }
        transfer->tag = tag;
        transfer->received = 0;
        transfer->bodyCut = false;
        transfer->options = options;
        transfer->body.clear();
        curl_easy_setopt(transfer->handle, CURLOPT_URL, url.c_str());
        // The handle is reused: a range of the previous request must not stay.
        const std::string range = options.onlyThoseBytes && options.keepBody > 0
                                      ? std::to_string(options.rangeFrom) + "-" +
                                            std::to_string(options.rangeFrom + options.keepBody - 1)
                                      : "";
        curl_easy_setopt(transfer->handle, CURLOPT_RANGE, range.empty() ? nullptr : range.c_str());
        if (curl_multi_add_handle(m_multi, transfer->handle) != CURLM_OK) {
            m_endedAtOnce.push_back({tag, FailedResponse()});
            return;
        }
        transfer->busy = true;
        ++m_perHost[host];
        transfer->host = std::move(host);
    }

    // A transfer to host ended: the first request waiting for that host goes next.
    void ReleaseHost(const std::string& host) {
        if (host.empty()) {
            return;
        }
        --m_perHost[host];
        for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
            if (it->host == host) {
                CWaiting next = std::move(*it);
                m_waiting.erase(it);
                Launch(next.tag, next.url, std::move(next.host), next.options);
                return;
            }
        }
    }

    CTransfer* IdleTransfer() {
        for (const auto& transfer : m_transfers) {
            if (!transfer->busy) {
                return transfer.get();
            }
        }
        CURL* handle = curl_easy_init();
        if (!handle) {
            return nullptr;
        }
        auto transfer = std::make_unique<CTransfer>();
        transfer->handle = handle;
        transfer->maxBodyRead = m_limits.maxBodyRead;
        SetCommonOptions(handle, m_userAgent, m_timeouts);
        curl_easy_setopt(handle, CURLOPT_PRIVATE, transfer.get());
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &ReadBodyUntilLong);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, transfer.get());
        curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
        // A cancelled check does not wait for a name lookup that hangs.
        curl_easy_setopt(handle, CURLOPT_QUICK_EXIT, 1L);
        m_transfers.push_back(std::move(transfer));
        return m_transfers.back().get();
    }

    void CollectEnded(std::vector<Finished>& done) {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            CTransfer* transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            const CURLcode code = message->data.result;  // the message is gone once the handle is removed
            Response response = ResponseOf(transfer->handle, code, transfer->bodyCut);
            AddKeptBody(*transfer, response);
            done.push_back({transfer->tag, std::move(response)});
            curl_multi_remove_handle(m_multi, transfer->handle);
            transfer->busy = false;
            ReleaseHost(std::exchange(transfer->host, std::string()));
        }
    }

    CURL* m_handle;
    CURLM* m_multi;
    std::string m_userAgent;
    CurlHttpTimeouts m_timeouts;
    CurlHttpLimits m_limits;
    std::vector<std::unique_ptr<CTransfer>> m_transfers;
    std::vector<Finished> m_endedAtOnce;   // requests that needed no transfer, or could not get one
    std::map<std::string, int> m_perHost;  // transfers running, by host:port
    std::deque<CWaiting> m_waiting;        // requests waiting for their host, in order
};

}  // namespace

CurlHttpTimeouts CurlHttpTimeouts::FromEnvironment() {
    CurlHttpTimeouts t;
    t.connectSeconds = SecondsFromEnv("YARVELIN_HTTP_CONNECT_TIMEOUT", t.connectSeconds);
    t.stallSeconds = SecondsFromEnv("YARVELIN_HTTP_STALL_TIMEOUT", t.stallSeconds);
    return t;
}

CCurlHttpClient::CCurlHttpClient(CurlHttpTimeouts timeouts, CurlHttpLimits limits)
    : m_timeouts(timeouts), m_limits(limits) {
    m_limits.maxRequests = std::max(1, m_limits.maxRequests);
    m_limits.maxPerHost = std::max(1, m_limits.maxPerHost);
}

std::unique_ptr<HttpSession> CCurlHttpClient::OpenSession(const std::string& userAgent) {
    EnsureCurlInitialised();
    CURL* handle = curl_easy_init();
    CURLM* multi = curl_multi_init();
    if (!handle || !multi) {
        curl_easy_cleanup(handle);
        curl_multi_cleanup(multi);
        return nullptr;
    }
    SetCommonOptions(handle, userAgent, m_timeouts);
    // The body is read to its end and dropped, so the connection stays usable for the next request.
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody);

    curl_multi_setopt(multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(m_limits.maxRequests));
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(m_limits.maxPerHost));
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, static_cast<long>(m_limits.maxRequests));
    curl_multi_setopt(multi, CURLMOPT_PIPELINING, static_cast<long>(CURLPIPE_MULTIPLEX));
    return std::make_unique<CCurlHttpSession>(handle, multi, userAgent, m_timeouts, m_limits);
}

}  // namespace yarvelin
