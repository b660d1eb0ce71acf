// The URL check's HTTP client on libcurl. A session requests one URL at a time on one easy handle, or many
// at once on a multi handle; either way connections are kept alive and reused from one request to the next.
#pragma once

#include <memory>
#include <string>

#include "checks/http_session.h"
#include "checks/url_check_worker.h"

namespace yarvelin {

struct CurlHttpTimeouts {
    // A desktop platform gives up connecting after about a minute and drops a request that has stalled
    // for a minute; without limits an unresponsive server would hold the check for ever.
    long connectSeconds = 60;
    long stallSeconds = 60;  // below one byte a second for this long ends the request
    long maxRedirects = 20;
    // Certificates to trust for https instead of the system's (a company's own authority, a test server).
    std::string caFile;

    // The defaults, overridden by YARVELIN_HTTP_CONNECT_TIMEOUT / YARVELIN_HTTP_STALL_TIMEOUT (seconds).
    static CurlHttpTimeouts FromEnvironment();
};

struct CurlHttpLimits {
    int maxRequests = kUrlCheckDefaultJobs;  // requests in flight at once, and connections open at once
    int maxPerHost = kUrlCheckMaxPerHost;    // requests in flight to one host, over any HTTP version
    // A body longer than this is not read to its end once the status is known. Shorter ones are, which
    // keeps an HTTP/1.1 connection usable for the next request.
    long long maxBodyRead = 256 * 1024;
};

class CCurlHttpClient : public HttpClient {
  public:
    explicit CCurlHttpClient(CurlHttpTimeouts timeouts = CurlHttpTimeouts::FromEnvironment(),
                             CurlHttpLimits limits = {});
    std::unique_ptr<HttpSession> OpenSession(const std::string& userAgent) override;

  private:
    CurlHttpTimeouts m_timeouts;
    CurlHttpLimits m_limits;
};

}  // namespace yarvelin
