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

class CCurlHttpSession : public HttpSession {
  public:
    CCurlHttpSession(CURL* handle, CURLU* parser) : m_handle(handle), m_parser(parser) {}
    ~CCurlHttpSession() override {
        curl_url_cleanup(m_parser);
        curl_easy_cleanup(m_handle);
    }
    CCurlHttpSession(const CCurlHttpSession&) = delete;
    CCurlHttpSession& operator=(const CCurlHttpSession&) = delete;

    bool ParsesAsUrl(const std::string& url) const override {
        // A scheme followed by "//" parses, whatever the scheme; a bare host and path does not.
        return curl_url_set(m_parser, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK;
    }

    Response Get(const std::string& url) override {
        Response response;
        char* scheme = nullptr;
        std::string lowerScheme;
        if (curl_url_set(m_parser, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
            curl_url_get(m_parser, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && scheme) {
            lowerScheme = scheme;
        }
        curl_free(scheme);
        // Only HTTP answers with a status; other schemes are not fetched at all (no local files, no FTP).
        if (lowerScheme != "http" && lowerScheme != "https") {
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
    CURLU* m_parser;
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
    CURLU* parser = curl_url();
    if (!handle || !parser) {
        curl_url_cleanup(parser);
        curl_easy_cleanup(handle);
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
    return std::make_unique<CCurlHttpSession>(handle, parser);
}

}  // namespace yarvelin
