// A job's source fetched from the shop at the start of a run: the rules that decide whether the download
// can be read (a login page answered with 200 never reaches the service), when to try again, when an
// unchanged source ends the run, and what the last fetch was told (ETag, Last-Modified), kept per job in
// $XDG_STATE_HOME/yarvelin/sources/JOB.json.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jobs/feed_job.h"
#include "jobs/source_download.h"

namespace yarvelin {

class CRunStop;
class FeedRunObserver;
struct RunRecord;

struct SourceVerdict {
    enum class Kind { Fetched, Unchanged, Failed };
    Kind kind = Kind::Failed;
    std::string reason;  // why it failed: "https://shop/export.csv answered 404"
    bool retry = false;  // worth another try (a dropped connection, 503), not a 404 or a login page
};

// What the downloader's answer for url means.
SourceVerdict JudgeSourceResponse(const std::string& url, const SourceResponse& response);

// True when the bytes are the start of an HTML page rather than an export or a feed.
bool LooksLikeHtml(const std::string& contentType, const std::string& firstBytes);

// The waits before each retry: first, twice that, four times ... at most five minutes each.
std::vector<std::chrono::seconds> RetryDelays(int retries, std::chrono::seconds first);

// What the last good fetch of a job's source was told.
struct SourceState {
    std::string url;
    std::string etag;
    std::string lastModified;
    std::int64_t fileTime = -1;
};
std::string SourceStatePath(const std::string& job);   // $XDG_STATE_HOME/yarvelin/sources/JOB.json
SourceState ReadSourceState(const std::string& path);  // empty when there is none or it cannot be read
bool WriteSourceState(const std::string& path, const SourceState& state);

// Whether this run may ask only for a changed source: not when the last upload of the job is older than
// refreshAfter (or there was none), since the service then needs the products again whatever they hold.
bool MaySkipUnchanged(const std::string& historyText, const std::string& job,
                      std::chrono::system_clock::time_point now, std::chrono::seconds refreshAfter);

// The download of one run: into a temporary file beside the job's output, removed (also on a signal)
// when the object goes.
class CSourceFetch {
  public:
    // downloader: none in a program that cannot download; the fetch then fails.
    CSourceFetch(const FeedJob& job, SourceDownloader* downloader);
    ~CSourceFetch();
    CSourceFetch(const CSourceFetch&) = delete;
    CSourceFetch& operator=(const CSourceFetch&) = delete;

    struct Result {
        SourceVerdict::Kind kind = SourceVerdict::Kind::Failed;
        std::string reason;
    };
    // Downloads with retries; message hears each failed try. stopped ends the waits and the transfer.
    Result Fetch(const std::string& historyText, std::chrono::system_clock::time_point now,
                 const std::function<bool()>& stopped,
                 const std::function<void(const std::string&)>& message);
    // --check: asks for the size only. The line to print, and whether the source answered as it should.
    Result Probe(const std::function<bool()>& stopped);
    // The job with the downloaded file as its export or feed.
    const FeedJob& Job() const { return m_job; }
    // After a run that went through: the next run asks only for a changed source.
    void RememberFetch() const;

  private:
    // The request with the job's sign-in; empty reason when it could be made.
    std::string BuildRequest(SourceRequest& request) const;

    FeedJob m_job;
    SourceDownloader* m_downloader;
    std::string m_path;
    SourceState m_fetched;
};

// The start of a run whose source is served by URL: the download, or with check its size only. A status
// ends the run there (record.reason says why: a failure, or "source unchanged, nothing uploaded"); none
// lets the run go on with fetch.Job().
std::optional<int> FetchForRun(CSourceFetch& fetch, bool check, FeedRunObserver& observer, CRunStop& stop,
                               RunRecord& record);

}  // namespace yarvelin
