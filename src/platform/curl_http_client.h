// The URL check's HTTP client on libcurl: one easy handle per session, so connections are kept alive and
// reused from one request to the next.
#pragma once

#include <memory>
#include <string>

#include "checks/http_session.h"

namespace yarvelin {

struct CurlHttpTimeouts {
    // A desktop platform gives up connecting after about a minute and drops a request that has stalled
    // for a minute; without limits an unresponsive server would hold the check for ever.
    long connectSeconds = 60;
    long stallSeconds = 60;  // below one byte a second for this long ends the request
    long maxRedirects = 20;

    // The defaults, overridden by YARVELIN_HTTP_CONNECT_TIMEOUT / YARVELIN_HTTP_STALL_TIMEOUT (seconds).
    static CurlHttpTimeouts FromEnvironment();
};

class CCurlHttpClient : public HttpClient {
  public:
    explicit CCurlHttpClient(CurlHttpTimeouts timeouts = CurlHttpTimeouts::FromEnvironment());
    std::unique_ptr<HttpSession> OpenSession(const std::string& userAgent) override;

  private:
    CurlHttpTimeouts m_timeouts;
};

}  // namespace yarvelin
