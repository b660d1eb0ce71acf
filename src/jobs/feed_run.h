// One unattended run of a job, from its source to the run's record: read the source (a feed file, or a
// shop's export through its map), apply the rules, check the texts, diagnose, write the output through a
// temporary file, stop at a guard, upload with the safe replace, note the upload. `yarvelin-feed run`
// keeps only its options, the job's lock and the signals; everything the run decides is here.
#pragma once

#include <atomic>
#include <string>

#include "feed/feed_file_observer.h"
#include "jobs/feed_job.h"
#include "jobs/job_guards.h"
#include "jobs/run_history.h"
#include "upload/ftp_transfer_observer.h"

namespace yarvelin {

class FtpClient;
class CTransferDrive;
class SourceDownloader;

// A stop asked for from a signal handler or another thread: the run ends at its next step, or at once
// inside the upload, and the remote target is never touched half way.
class CRunStop {
  public:
    // Safe in a signal handler. why: "SIGTERM", kept as given (a string literal).
    void Request(const char* why) noexcept;
    bool Requested() const noexcept { return m_stop.load(); }
    // "stopped by SIGTERM"
    std::string Reason() const;
    // The upload under way, aborted by Request.
    void Attach(CTransferDrive* drive) noexcept;

  private:
    std::atomic<bool> m_stop{false};
    std::atomic<const char*> m_why{nullptr};
    std::atomic<CTransferDrive*> m_drive{nullptr};
};

// How the run reports: messages for the merchant, --check's lines, the feed readers' and writers' reports,
// and the upload's questions and progress (FtpTransferObserver).
class FeedRunObserver : public FtpTransferObserver {
  public:
    // An error or warning worth telling (standard error for the command).
    virtual void OnRunMessage(const std::string& text) = 0;
    // --check: one line of what the run would do.
    virtual void OnCheckLine(const std::string& text) = 0;
    virtual CFeedFileObserver& FileObserver() = 0;
    // --check signed in to the job's server.
    virtual void OnSignedIn(const std::string& server, const std::string& user) = 0;

    void OnStatus(const std::string&) override {}
    void OnPercent(int, const std::string&) override {}
    void OnRate(const std::string&) override {}
    void OnTimeLeft(const std::string&) override {}
    bool AskReplaceRemote(const std::string&) override { return true; }
    void OnEnded(bool failed) override { m_endedFailed = failed; }
    // What the last transfer told OnEnded.
    bool EndedFailed() const { return m_endedFailed; }

  private:
    bool m_endedFailed = false;
};

struct FeedRunOptions {
    bool check = false;  // say what the run would do and sign in, writing and sending nothing
    JobGuardAllowances allow;
    // run --rollback: the feed is the snapshot this many uploads back from the newest (1: the one before
    // it), sent whole through the same guards instead of the job's source.
    int rollback = 0;
};

// What the run reaches the outside through.
struct FeedRunServices {
    FtpClient& ftp;
    std::string mapsFolder;                  // the shipped import profiles
    std::string countFile;                   // upload counts; empty: UploadCountFilePath()
    std::string snapshotsFolder;             // empty: CSnapshotStore::SnapshotsFolder()
    SourceDownloader* downloader = nullptr;  // a source by URL (export-url, feed-url)
};

// Runs job and returns its record (job name, status, counts, reason; start and end set). Nothing is
// written to the history: the caller appends the record, as it does for a run refused before it began.
RunRecord RunFeedJob(const FeedJob& job, const FeedRunOptions& options, FeedRunServices& services,
                     FeedRunObserver& observer, CRunStop& stop);

}  // namespace yarvelin
