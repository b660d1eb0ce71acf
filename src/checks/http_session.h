// What the URL check needs of an HTTP client: a session that parses URLs and requests them one by one.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace yarvelin {

class HttpSession {
  public:
    struct Response {
        // The request failed: no connection, a time-out, a broken answer, too many redirections.
        bool failed = false;
        // The status of the final response; nothing when the request was not one with a status.
        std::optional<unsigned> status;
    };

    virtual ~HttpSession() = default;
    // Does the text parse as an internet URL with a scheme and a server?
    virtual bool ParsesAsUrl(const std::string& url) const = 0;
    // A GET that always goes to the server, following redirections; the connection stays open for reuse.
    virtual Response Get(const std::string& url) = 0;
};

class HttpClient {
  public:
    virtual ~HttpClient() = default;
    // A new session with this user-agent name; nullptr when none can be opened.
    virtual std::unique_ptr<HttpSession> OpenSession(const std::string& userAgent) = 0;
};

}  // namespace yarvelin
