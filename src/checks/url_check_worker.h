// The URL check: every product's page and image URL, requested one after another on one session.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace yarvelin {

class CFeedDocument;
class HttpClient;
class HttpSession;

// CheckUrl's result when no status could be obtained.
inline constexpr unsigned kUrlNoStatus = ~0u;
// CheckUrl's result when the request failed with an error.
inline constexpr unsigned kUrlRequestFailed = 100;

// The worker's reports. They come from the worker's thread.
class CUrlCheckObserver {
  public:
    virtual ~CUrlCheckObserver() = default;
    // One more record handled; handled counts from 1.
    virtual void OnProgress(std::size_t handled) = 0;
    // The worker has ended, finished or cancelled. Always the last report.
    virtual void OnDone() = 0;
    // A URL was requested (record position, which URL, its result).
    virtual void OnUrlChecked(std::size_t /*position*/, bool /*image*/, unsigned /*result*/) {}
};

// The HTTP status of the final response, kUrlRequestFailed, or kUrlNoStatus.
unsigned CheckUrl(HttpSession& session, const std::string& url);
// A success status: 200 to 299.
inline bool IsUrlOk(unsigned result) {
    return result >= 200 && result <= 299;
}

// Requests both URLs of every record not yet checked and stores the results in the records. cancel is read
// between records and after each record; the record under way is finished first.
void UrlCheckWorker(CFeedDocument& doc, HttpClient& client, const std::atomic<bool>& cancel,
                    CUrlCheckObserver& observer);

inline constexpr const char* kUrlCheckUserAgent = "Yarvelin";

}  // namespace yarvelin
