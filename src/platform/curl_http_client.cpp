#include "platform/curl_http_client.h"

#include <curl/curl.h>
#include <cstdlib>

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

class CCurlHttpSession : public HttpSession {
  public:
    explicit CCurlHttpSession(CURL* handle) : m_handle(handle) {}
    ~CCurlHttpSession() override { curl_easy_cleanup(m_handle); }
    CCurlHttpSession(const CCurlHttpSession&) = delete;
    CCurlHttpSession& operator=(const CCurlHttpSession&) = delete;

    // A scheme followed by "//" parses, whatever the scheme; a bare host and path does not.
    bool ParsesAsUrl(const std::string& url) const override { return CParsedUrl(url).Ok(); }

    Response Get(const std::string& url) override {
        Response response;
        const std::string scheme = CParsedUrl(url).Scheme();
        // Only HTTP answers with a status; other schemes are not fetched at all (no local files, no FTP).
        if (scheme != "http" && scheme != "https") {
            return response;
        }
        curl_easy_setopt(m_handle, CURLOPT_URL, url.c_str());
        const CURLcode code = curl_easy_perform(m_handle);
        if (code != CURLE_OK) {
            response.failed = true;
            return response;
        }
        long status = 0;
        if (curl_easy_getinfo(m_handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status > 0) {
            response.status = static_cast<unsigned>(status);
        }
        return response;
    }

  private:
    CURL* m_handle;
};

}  // namespace

CurlHttpTimeouts CurlHttpTimeouts::FromEnvironment() {
    CurlHttpTimeouts t;
    t.connectSeconds = SecondsFromEnv("YARVELIN_HTTP_CONNECT_TIMEOUT", t.connectSeconds);
    t.stallSeconds = SecondsFromEnv("YARVELIN_HTTP_STALL_TIMEOUT", t.stallSeconds);
    return t;
}

CCurlHttpClient::CCurlHttpClient(CurlHttpTimeouts timeouts) : m_timeouts(timeouts) {}

std::unique_ptr<HttpSession> CCurlHttpClient::OpenSession(const std::string& userAgent) {
    EnsureCurlInitialised();
    CURL* handle = curl_easy_init();
    if (!handle) {
        return nullptr;
    }
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, m_timeouts.maxRedirects);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, m_timeouts.connectSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, m_timeouts.stallSeconds);
    // The body is read to its end and dropped, so the connection stays usable for the next request.
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody);
    // Proxy: libcurl takes http_proxy, https_proxy and no_proxy from the environment by itself.
    return std::make_unique<CCurlHttpSession>(handle);
}

}  // namespace yarvelin
