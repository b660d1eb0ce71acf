// yarvelin-feed run JOB: the unattended run of a job file. The run itself is the core's (jobs/feed_run.h);
// the command reads its options, holds the job's lock, turns SIGTERM and SIGINT into a clean stop, and
// records the run.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "handfiles/hand_file.h"
#include "import/map_file.h"
#include "jobs/feed_job.h"
#include "jobs/feed_run.h"
#include "jobs/run_alerts.h"
#include "jobs/run_history.h"
#include "jobs/upload_count_file.h"
#include "platform/curl_ftp_client.h"
#include "platform/curl_source_downloader.h"
#include "platform/system_alert_sender.h"
#include "upload/ftp_trust.h"

namespace yarvelin::cli {

namespace {

CRunStop g_stop;

extern "C" void StopRun(int signal) {
    g_stop.Request(signal == SIGINT ? "SIGINT" : "SIGTERM");
}

// SIGTERM (systemd stopping the unit) and SIGINT end the run at the next step, or at once inside the
// upload; the remote target is never touched half way.
class CStopSignals {
  public:
    CStopSignals() {
        struct sigaction action {};
        action.sa_handler = &StopRun;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~CStopSignals() {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

  private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

// The lock file of the job file at path: named after the job, with a hash of the file's full path, so that
// jobs of the same name in different folders do not keep each other out.
std::string JobLockPath(const std::string& path, const std::string& name) {
    std::error_code ignored;
    const std::string full =
        std::filesystem::weakly_canonical(std::filesystem::absolute(path), ignored).string();
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a: the same name for the same file in every run
    for (unsigned char c : full) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "-%016llx", static_cast<unsigned long long>(hash));
    return StateFolder() + "/locks/" + name + suffix + ".lock";
}

// One lock file per job: flock is released by the kernel when the process ends, however it ends.
class CJobLock {
  public:
    explicit CJobLock(const std::string& path) : m_path(path) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            m_held = errno == EWOULDBLOCK;
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~CJobLock() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CJobLock(const CJobLock&) = delete;
    CJobLock& operator=(const CJobLock&) = delete;
    bool Locked() const { return m_fd >= 0; }
    bool HeldByAnother() const { return m_held; }

  private:
    std::string m_path;
    int m_fd = -1;
    bool m_held = false;
};

// What the run tells and asks, on standard error and standard output.
class CRunObserver : public FeedRunObserver {
  public:
    explicit CRunObserver(bool replaceUnmappable) : m_files("run") {
        m_files.SetReplaceUnmappable(replaceUnmappable);
    }
    void OnRunMessage(const std::string& text) override { PrintError("run", text); }
    void OnCheckLine(const std::string& text) override { std::printf("%s\n", text.c_str()); }
    CFeedFileObserver& FileObserver() override { return m_files; }
    void OnSignedIn(const std::string& server, const std::string& user) override {
        std::printf("signed in to %s as %s\n", server.c_str(), user.empty() ? "anonymous" : user.c_str());
    }
    bool AskWriteDirectly(const std::string&) override { return m_allowDirectWrite; }
    bool AskTrustHostKey(const HostKeyQuestion& q) override {
        if (!m_acceptNewHostKey) {
            PrintError("run", "the server " + q.host + " is not known; its " + q.keyType + " host key is " +
                                  q.fingerprint + ". Pass --accept-new-host-key once to trust it.");
        }
        return m_acceptNewHostKey;
    }
    void OnHostKeyChanged(const HostKeyQuestion& q) override { PrintError("run", HostKeyChangedText(q)); }
    bool AskTrustCertificate(const CertificateQuestion& q) override {
        PrintError("run", "the certificate of " + q.server + " could not be verified; put pin-sha256 = \"" +
                              q.pin + "\" in the job's [upload] table to trust it.");
        return false;
    }

    bool m_allowDirectWrite = false;
    bool m_acceptNewHostKey = false;

  private:
    CCliFeedObserver m_files;
};

class CRunCommand : public CliCommand {
  public:
    const char* Name() const override { return "run"; }
    const char* Summary() const override { return "run a job: check, write and upload a feed unattended"; }

    const char* Description() const override {
        return "Runs the job JOB: a job file, or the name of one in ~/.config/yarvelin/jobs/ (JOB.toml).\n"
               "It reads the feed, runs the text check, diagnoses the feed, writes the output file (through\n"
               "a temporary file), and uploads it with the safe replace (FILE.part, size check, rename).\n"
               "The upload is stopped when the feed holds no products, when it has more errors than the\n"
               "job's max-errors, or when it has fewer than half the products of the last upload to the "
               "same\n"
               "server and file name; --allow-empty, --allow-errors and --allow-drop let it go on.\n"
               "After an upload the whole feed is kept as a snapshot of the server and file name; the next\n"
               "run compares with it: with [output] mode = \"delta\" it sends only what changed (a partial\n"
               "update), and it stops at the job's max-changed and max-delete (--allow-changes,\n"
               "--allow-deletes). --rollback sends the snapshot before the last one back, whole.\n"
               "One run of a job at a time: a second one exits at once. SIGTERM and SIGINT stop the run\n"
               "cleanly: the remote file is left as it was. Each run appends one JSON line to\n"
               "$XDG_STATE_HOME/yarvelin/history.jsonl and prints one summary line on standard error.\n"
               "--check says what the run would do, without writing or uploading.\n"
               "A source by URL ([source] export-url or feed-url) is downloaded first; a failed download,\n"
               "a web page, an empty or cut-short body fail the run. An unchanged source (ETag,\n"
               "Last-Modified) ends it with status 0 and nothing uploaded, unless the last upload is older\n"
               "than refresh-after. [notify] command, webhook and mail-to hear of a failure or a guard stop\n"
               "once per problem, and of the recovery once. --stale-check JOB runs nothing: it alerts when\n"
               "the last published run is older than stale-after (default 36h); it exits 1 when stale.\n"
               "--alert-failed JOB runs nothing either: started by the service's OnFailure=, it records and\n"
               "tells of a run that was killed or cut off before it could tell of its failure itself.\n"
               "Exit status: 0 published (or, with --check, would publish), 1 failed, 2 usage or a mistake\n"
               "in the job file, 3 stopped by a guard, 4 another run of the job holds its lock.";
    }

    const char* ExitStatuses() const override {
        return "Exit status: 0 published, 1 failure, 2 usage error or a mistake in the job file, 3 stopped "
               "by a "
               "guard, 4 another run of the job holds its lock.";
    }

    void Configure(CLI::App& command) override {
        command.add_option("JOB", m_job, "the job file, or the name of a job")->required()->type_name("JOB");
        command.add_flag("--check", m_check, "say what the run would do, without writing or uploading");
        command.add_flag("--alert-failed", m_alertFailed,
                         "run nothing: tell of a run whose service failed before it could (OnFailure=)");
        command.add_flag(
            "--stale-check", m_staleCheck,
            "run nothing: alert when the job's last published run is older than its stale-after");
        command.add_flag("--allow-empty", m_allow.empty, "upload a feed without products");
        command.add_flag("--allow-errors", m_allow.errors, "upload a feed with more errors than max-errors");
        command.add_flag("--allow-drop", m_allow.drop,
                         "upload a feed with fewer than half the products of the last upload");
        command.add_flag("--allow-changes", m_allow.changes,
                         "upload a feed that removed or repriced more than the job's max-changed");
        command.add_flag("--allow-deletes", m_allow.deletes,
                         "send a partial update that deletes more than the job's max-delete");
        command.add_flag("--rollback", m_rollback,
                         "send the snapshot of the upload before the last one, whole, instead of the source");
        command.add_flag(
            "--allow-direct-write", m_allowDirectWrite,
            "write the target directly when the server refuses the temporary file or the rename");
        command.add_flag("--accept-new-host-key", m_acceptNewHostKey,
                         "SFTP: trust and keep the key of a server not known yet");
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override;

  private:
    // Appends the history line; printSummary: also the summary line on standard error (a run refused before
    // it started has already said why).
    void Record(const RunRecord& record, bool printSummary = true);

    std::string m_job;
    bool m_check = false;
    JobGuardAllowances m_allow;
    bool m_rollback = false;
    bool m_staleCheck = false;
    bool m_alertFailed = false;
    bool m_allowDirectWrite = false;
    bool m_acceptNewHostKey = false;
    bool m_replaceUnmappable = false;
};

const CCliRegistration kRegistration(std::make_unique<CRunCommand>());

int CRunCommand::Run() {
    const std::string path = JobFilePath(m_job);
    RunRecord refused;
    refused.job = std::filesystem::path(path).stem().string();
    refused.start = std::chrono::system_clock::now();
    const auto refuse = [&](int status, const std::string& reason) {
        refused.status = status;
        refused.reason = reason;
        refused.end = std::chrono::system_clock::now();
        Record(refused, false);
        return status;
    };
    FeedJob job;
    try {
        job = LoadFeedJob(path);
    } catch (const CHandFileError& e) {
        PrintError(Name(), e.what());
        return m_check ? kExitUsage : refuse(kRunJobMistake, e.what());
    }
    refused.job = job.name;
    CSystemAlertSender alerts;
    if (m_alertFailed) {
        const char* result = std::getenv("MONITOR_SERVICE_RESULT");
        const std::optional<RunRecord> untold =
            UntoldServiceFailure(ReadRunHistory(RunHistoryPath()), job.name, std::chrono::system_clock::now(),
                                 result ? result : "");
        if (!untold) {
            PrintError(Name(), job.name + ": the run told of its failure itself");
            return kRunOk;
        }
        Record(*untold);
        for (const std::string& line :
             NotifyAboutRun(job.notify, *untold, alerts, AlertStatePath(job.name))) {
            PrintError(Name(), line);
        }
        return kRunOk;
    }
    if (m_staleCheck) {
        const StaleCheck check =
            CheckStaleJob(job.name, job.notify, ReadRunHistory(RunHistoryPath()),
                          std::chrono::system_clock::now(), alerts, AlertStatePath(job.name));
        for (const std::string& line : check.lines) {
            PrintError(Name(), line);
        }
        return check.stale ? kRunFailed : kRunOk;
    }

    CCurlFtpClient client;
    CCurlSourceDownloader downloader;
    FeedRunServices services{client, ProgramDataDir() + "/" + kMapsFolder, {}, {}};
    CRunObserver observer(m_replaceUnmappable);
    observer.m_allowDirectWrite = m_allowDirectWrite;
    observer.m_acceptNewHostKey = m_acceptNewHostKey;
    services.downloader = &downloader;
    FeedRunOptions options;
    options.check = m_check;
    options.allow = m_allow;
    options.rollback = m_rollback ? 1 : 0;
    if (m_check) {
        return RunFeedJob(job, options, services, observer, g_stop).status;
    }
    // One lock per job file: two shop.toml in different folders are two jobs.
    const CJobLock lock(JobLockPath(path, job.name));
    if (!lock.Locked()) {
        const std::string reason = lock.HeldByAnother()
                                       ? std::string("another run of this job is in progress")
                                       : "cannot make the lock file in " + StateFolder();
        PrintError(Name(), job.name + ": " + reason);
        return refuse(lock.HeldByAnother() ? kRunLocked : kRunFailed, reason);
    }
    const CStopSignals signals;
    const RunRecord record = RunFeedJob(job, options, services, observer, g_stop);
    Record(record);
    for (const std::string& line : NotifyAboutRun(job.notify, record, alerts, AlertStatePath(job.name))) {
        PrintError(Name(), line);
    }
    return record.status;
}

void CRunCommand::Record(const RunRecord& record, bool printSummary) {
    if (!AppendRunRecord(RunHistoryPath(), record)) {
        PrintError(Name(), "the run could not be noted in " + RunHistoryPath());
    }
    if (printSummary) {
        PrintError(Name(), RunSummaryLine(record));
    }
}

}  // namespace

}  // namespace yarvelin::cli
