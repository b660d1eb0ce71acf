// What the URL check needs of an HTTP client: a session that parses URLs and requests them, one by one or
// many at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace yarvelin {

class HttpSession {
  public:
    struct Response {
        // The request failed: no connection, a time-out, a broken answer, too many redirections.
        bool failed = false;
        // The status of the final response; nothing when the request was not one with a status.
        std::optional<unsigned> status;
        // The final response's Retry-After, when it had one.
        std::optional<std::chrono::seconds> retryAfter;
        // Filled only for a request started with a RequestOptions::keepBody: the first bytes of the final
        // response's body, its Content-Type, its whole length (from Content-Range or Content-Length) and
        // how many redirections led to it.
        std::string body;
        std::string contentType;
        std::optional<long long> fullLength;
        unsigned redirects = 0;
        std::string finalUrl;  // the address of the final response
    };
    struct RequestOptions {
        // Keep this many first bytes of the final body (0: none, and nothing else above is filled).
        std::size_t keepBody = 0;
        // Ask the server for only those bytes (a range request). Its 206 answer counts as the 200 the whole
        // resource would have had, and a 416 for an empty resource (or a range past its end) as a 200 with
        // no body.
        bool onlyThoseBytes = false;
        // With onlyThoseBytes: the offset of the first byte asked for. The body holds the bytes from there
        // even when the server ignores the range and sends the whole resource.
        std::size_t rangeFrom = 0;
    };
    // A request started with Start that has ended, under the tag it was started with.
    struct Finished {
        std::uint64_t tag = 0;
        Response response;
    };

    virtual ~HttpSession() = default;
    // Does the text parse as an internet URL with a scheme and a server?
    virtual bool ParsesAsUrl(const std::string& url) const = 0;
    // A GET that always goes to the server, following redirections; the connection stays open for reuse.
    virtual Response Get(const std::string& url) = 0;

    // How many requests the session runs at once.
    virtual std::size_t MaxRequests() const { return 1; }
    // Starts the same request as Get without waiting for it.
    virtual void Start(std::uint64_t tag, const std::string& url) { m_queued.emplace_back(tag, url); }
    // The same with options; a session that cannot keep bodies makes the plain request.
    virtual void StartRequest(std::uint64_t tag, const std::string& url, const RequestOptions& /*options*/) {
        Start(tag, url);
    }
    // Lets the requests under way proceed for at most about `wait` and returns those that ended, if any.
    virtual std::vector<Finished> Poll(std::chrono::milliseconds /*wait*/) {
        std::vector<Finished> done;
        if (!m_queued.empty()) {
            auto [tag, url] = std::move(m_queued.front());
            m_queued.pop_front();
            done.push_back({tag, Get(url)});
        }
        return done;
    }
    // Ends every request under way at once; none of them is reported.
    virtual void AbortAll() { m_queued.clear(); }

  private:
    // Requests started on a session that only knows Get.
    std::deque<std::pair<std::uint64_t, std::string>> m_queued;
};

class HttpClient {
  public:
    virtual ~HttpClient() = default;
    // A new session with this user-agent name; nullptr when none can be opened.
    virtual std::unique_ptr<HttpSession> OpenSession(const std::string& userAgent) = 0;
};

}  // namespace yarvelin
