#include "platform/curl_http_client.h"

#include <curl/curl.h>
#include <algorithm>
#include <cstdlib>
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
    std::string Scheme() const {
        char* scheme = nullptr;
        std::string out;
        if (m_ok && curl_url_get(m_handle, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && scheme) {
            out = scheme;  // curl gives it in lower case
        }
        curl_free(scheme);
        return out;
    }

  private:
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
    // Proxy: libcurl takes http_proxy, https_proxy and no_proxy from the environment by itself.
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

// One request of many on the multi handle. Its easy handle is kept for the next request.
struct CTransfer {
    CURL* handle = nullptr;
    std::uint64_t tag = 0;
    long long received = 0;
    long long maxBodyRead = 0;
    bool bodyCut = false;
    bool busy = false;
};

// Only the status counts: once the body of the final response starts, a long one is broken off (redirect
// bodies never reach this callback). A short one is read to its end so that the connection stays usable.
size_t ReadBodyUntilLong(char*, size_t size, size_t count, void* userdata) {
    auto* transfer = static_cast<CTransfer*>(userdata);
    transfer->received += static_cast<long long>(size * count);
    curl_off_t length = -1;
    curl_easy_getinfo(transfer->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (transfer->received > transfer->maxBodyRead || length > transfer->maxBodyRead) {
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

    void Start(std::uint64_t tag, const std::string& url) override {
        if (!IsHttpScheme(url)) {
            m_endedAtOnce.push_back({tag, {}});
            return;
        }
        CTransfer* transfer = IdleTransfer();
        if (!transfer) {
            m_endedAtOnce.push_back({tag, Response{true, std::nullopt, std::nullopt}});
            return;
        }
        transfer->tag = tag;
        transfer->received = 0;
        transfer->bodyCut = false;
        curl_easy_setopt(transfer->handle, CURLOPT_URL, url.c_str());
        if (curl_multi_add_handle(m_multi, transfer->handle) != CURLM_OK) {
            m_endedAtOnce.push_back({tag, Response{true, std::nullopt, std::nullopt}});
            return;
        }
        transfer->busy = true;
    }

    std::vector<Finished> Poll(std::chrono::milliseconds wait) override {
        std::vector<Finished> done = std::move(m_endedAtOnce);
        m_endedAtOnce.clear();
        int running = 0;
        curl_multi_perform(m_multi, &running);
        CollectEnded(done);
        if (done.empty() && running > 0) {
            curl_multi_poll(m_multi, nullptr, 0, static_cast<int>(wait.count()), nullptr);
            curl_multi_perform(m_multi, &running);
            CollectEnded(done);
        }
        return done;
    }

    // Taking a transfer off the multi handle ends it where it stands, its connection closed.
    void AbortAll() override {
        for (const auto& transfer : m_transfers) {
            if (transfer->busy) {
                curl_multi_remove_handle(m_multi, transfer->handle);
                transfer->busy = false;
            }
        }
        m_endedAtOnce.clear();
    }

  private:
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
            done.push_back({transfer->tag, ResponseOf(transfer->handle, code, transfer->bodyCut)});
            curl_multi_remove_handle(m_multi, transfer->handle);
            transfer->busy = false;
        }
    }

    CURL* m_handle;
    CURLM* m_multi;
    std::string m_userAgent;
    CurlHttpTimeouts m_timeouts;
    CurlHttpLimits m_limits;
    std::vector<std::unique_ptr<CTransfer>> m_transfers;
    std::vector<Finished> m_endedAtOnce;  // requests that needed no transfer, or could not get one
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
