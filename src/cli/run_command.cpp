// yarvelin-feed run JOB: the unattended run of a job file. Read the feed, check its texts, diagnose it,
// write the output (temporary file and rename), stop at a guard, upload with the safe replace, record.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "app/feed_document.h"
#include "app/remembered_alert.h"
#include "checks/clean_alerts.h"
#include "checks/feed_diagnosis.h"
#include "checks/text_cleaning.h"
#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "feed/feed_file.h"
#include "handfiles/hand_file.h"
#include "import/import_error.h"
#include "import/map_file.h"
#include "import/shop_import.h"
#include "jobs/feed_job.h"
#include "jobs/job_guards.h"
#include "jobs/upload_count_file.h"
#include "platform/curl_ftp_client.h"
#include "records/local_date_time.h"
#include "rules/document_rules.h"
#include "rules/rule_set.h"
#include "upload/ftp_transfer_engine.h"
#include "upload/remote_file_name.h"
#include "upload/upload_request.h"

namespace yarvelin::cli {

namespace {

// Scripts and timers tell the outcomes apart by these.
constexpr int kExitStopped = 3;  // a guard stopped the upload
constexpr int kExitLocked = 4;   // another run of the same job holds its lock

std::atomic<bool> g_stop{false};
std::atomic<int> g_signal{0};
std::atomic<CFtpTransferEngine*> g_engine{nullptr};

extern "C" void StopRun(int signal) {
    g_signal = signal;
    g_stop = true;
    if (CFtpTransferEngine* engine = g_engine.load()) {
        engine->Abort();
    }
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

// A run killed while writing leaves the writer's temporary file (".NAME.PID.N.tmp") beside the output.
// The job's lock is held, so one whose process is gone is nobody's any more.
void RemoveStaleTemporaries(const std::string& output) {
    const std::filesystem::path target(output);
    const std::string prefix = "." + target.filename().string() + ".";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            std::filesystem::remove(entry.path(), error);
        }
    }
}

class CRunObserver : public FtpTransferObserver {
  public:
    void OnStatus(const std::string&) override {}
    void OnPercent(int, const std::string&) override {}
    void OnRate(const std::string&) override {}
    void OnTimeLeft(const std::string&) override {}
    bool AskReplaceRemote(const std::string&) override { return true; }
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
    void OnEnded(bool failed) override { m_failed = failed; }

    bool m_allowDirectWrite = false;
    bool m_acceptNewHostKey = false;
    bool m_failed = false;
};

// The upload request of the job's [upload] table, as the wizard builds it from the same account.
UploadRequestResult JobUploadRequest(const FeedJob& job) {
    const FeedJobUpload& u = *job.upload;
    UploadAccount account;
    account.server = u.server;
    account.port = u.port;
    account.userName = u.user;
    account.keyFile = u.keyFile;
    account.passive = u.passive;
    account.binary = u.binary;
    account.knownHostsFile = u.knownHostsFile;
    if (!u.passwordFile.empty()) {
        std::ifstream in(u.passwordFile, std::ios::binary);
        if (!in) {
            UploadRequestResult failed;
            failed.error = "cannot read the password file " + u.passwordFile;
            return failed;
        }
        std::getline(in, account.password);
        if (!account.password.empty() && account.password.back() == '\r') {
            account.password.pop_back();
        }
    }
    const std::string pin = NormalisedPin(u.pin);
    return BuildUploadRequest(job.outputFile, account, [&pin](const std::string&) { return pin; });
}

std::string IsoTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

struct RunRecord {
    std::string job;
    int status = kExitFailure;
    std::size_t products = 0;
    std::size_t errors = 0;
    std::size_t warnings = 0;
    bool uploaded = false;
    std::string reason;
    std::uint64_t bytes = 0;
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
               "One run of a job at a time: a second one exits at once. SIGTERM and SIGINT stop the run\n"
               "cleanly: the remote file is left as it was. Each run appends one JSON line to\n"
               "$XDG_STATE_HOME/yarvelin/history.jsonl and prints one summary line on standard error.\n"
               "--check says what the run would do, without writing or uploading.\n"
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
        command.add_flag("--allow-empty", m_allow.empty, "upload a feed without products");
        command.add_flag("--allow-errors", m_allow.errors, "upload a feed with more errors than max-errors");
        command.add_flag("--allow-drop", m_allow.drop,
                         "upload a feed with fewer than half the products of the last upload");
        command.add_flag(
            "--allow-direct-write", m_allowDirectWrite,
            "write the target directly when the server refuses the temporary file or the rename");
        command.add_flag("--accept-new-host-key", m_acceptNewHostKey,
                         "SFTP: trust and keep the key of a server not known yet");
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
    }

    int Run() override;

  private:
    int Work(const FeedJob& job, RunRecord& record);
    // --check: connects and signs in to the job's server (host key included), sending nothing.
    bool CheckSignIn(const FeedJob& job);
    int Stopped(RunRecord& record) {
        record.reason = std::string("stopped by ") + (g_signal == SIGINT ? "SIGINT" : "SIGTERM");
        return kExitFailure;
    }
    // Appends the history line; printSummary: also the summary line on standard error (a run refused before
    // it started has already said why).
    void Record(const RunRecord& record, std::chrono::system_clock::time_point start,
                bool printSummary = true);

    std::string m_job;
    bool m_check = false;
    JobGuardAllowances m_allow;
    bool m_allowDirectWrite = false;
    bool m_acceptNewHostKey = false;
    bool m_replaceUnmappable = false;
};

const CCliRegistration kRegistration(std::make_unique<CRunCommand>());

// The job's map file, its profile by name, or the profile its header line points to.
ColumnMap ExportMap(const FeedJobSource& source) {
    if (!source.mapFile.empty()) {
        return LoadColumnMap(source.mapFile);
    }
    const std::vector<ColumnMap> profiles = LoadProfiles(ProgramDataDir() + "/" + kMapsFolder);
    if (!source.profile.empty() && source.profile != "auto") {
        const int found = FindProfile(profiles, source.profile);
        if (found < 0) {
            throw CImportError(CImportError::Kind::kMap, 0, "no profile '" + source.profile + "'");
        }
        return profiles[found];
    }
    return profiles[DetectProfile(profiles, ReadExportHeader(source.exportFile).columns)];
}

int CRunCommand::Run() {
    const std::string path = JobFilePath(m_job);
    const auto start = std::chrono::system_clock::now();
    RunRecord record;
    record.job = std::filesystem::path(path).stem().string();
    FeedJob job;
    try {
        job = LoadFeedJob(path);
    } catch (const CHandFileError& e) {
        PrintError(Name(), e.what());
        if (!m_check) {
            record.status = kExitUsage;
            record.reason = e.what();
            Record(record, start, false);
        }
        return kExitUsage;
    }
    record.job = job.name;
    if (m_check) {
        return Work(job, record);
    }
    // One lock per job file: two shop.toml in different folders are two jobs.
    const CJobLock lock(JobLockPath(path, job.name));
    if (!lock.Locked()) {
        record.status = lock.HeldByAnother() ? kExitLocked : kExitFailure;
        record.reason = lock.HeldByAnother() ? std::string("another run of this job is in progress")
                                             : "cannot make the lock file in " + StateFolder();
        PrintError(Name(), job.name + ": " + record.reason);
        Record(record, start, false);
        return record.status;
    }
    g_stop = false;
    const CStopSignals signals;
    record.status = Work(job, record);
    Record(record, start);
    return record.status;
}

int CRunCommand::Work(const FeedJob& job, RunRecord& record) {
    CFeedDocument doc;
    CCliFeedObserver observer(Name());
    observer.SetReplaceUnmappable(m_replaceUnmappable);
    // The rules and the map are read first: a mistake in either stops the run before any product is read.
    std::optional<CRuleSet> rules;
    try {
        if (!job.source.rulesFile.empty()) {
            rules = CRuleSet::Load(job.source.rulesFile);
        }
        if (!job.source.exportFile.empty()) {
            ImportSettings settings;
            settings.baseUrl = job.source.baseUrl;
            settings.currency = job.source.currency;
            settings.map = ExportMap(job.source);
            RuleRun run;
            if (rules) {
                run = rules->StartRun();
                settings.keepRecord = [&](COtherRecord& product) {
                    return rules->Apply(product, run) == RuleVerdict::kKeep;
                };
            }
            ImportIntoDocument(doc, job.source.exportFile, settings);
        } else {
            LoadFeedFile(doc, job.source.feedFile, observer);
            if (!observer.Failed() && rules) {
                ApplyRulesToDocument(doc, *rules);
            }
        }
    } catch (const CHandFileError& e) {
        PrintError(Name(), e.what());
        record.reason = e.what();
        return kExitUsage;
    } catch (const CImportError& e) {
        PrintError(Name(), job.source.exportFile + ": " + e.what());
        record.reason = "cannot read " + job.source.exportFile;
        return e.GetKind() == CImportError::Kind::kMap ? kExitUsage : kExitFailure;
    }
    if (observer.Failed()) {
        record.reason = "cannot read " + job.source.feedFile;
        return kExitFailure;
    }
    if (g_stop) {
        return Stopped(record);
    }
    if (job.newlines) {
        CFixedCleanAlerts alerts(*job.newlines == "remove" ? kAnswerYes : kAnswerNo,
                                 *job.special == "escape" ? kAnswerYes : kAnswerNo);
        CDataCheckObserver quiet;
        VerifyData(doc, alerts, quiet);
    }
    const FeedHeaderChoices headers = HeaderChoicesForDocument(job.headers, doc);
    const FeedDiagnosis diagnosis = DiagnoseDocument(doc, {}, headers.htmlEscaped, CurrentLocalDateTime());
    record.products = doc.Count();
    record.errors = diagnosis.totals.errors;
    record.warnings = diagnosis.totals.warnings;
    if (g_stop) {
        return Stopped(record);
    }

    const std::string remoteName = RemoteFileNameFor(job.outputFile);
    const CUploadCountFile counts(UploadCountFilePath());
    const std::optional<long long> last =
        job.upload ? counts.Last(job.upload->server, remoteName) : std::optional<long long>();
    const JobGuardDecision guard =
        DecideJobUpload(record.products, record.errors, job.maxErrors, last, m_allow);
    if (m_check) {
        std::printf("job %s: %s, %zu products, %zu errors, %zu warnings\n", job.name.c_str(),
                    job.source.Name().c_str(), record.products, record.errors, record.warnings);
        std::printf("would write %s\n", job.outputFile.c_str());
        if (!job.upload) {
            std::printf("would not upload: the job has no [upload] table\n");
        } else if (guard.guard != JobGuard::None) {
            std::printf("would stop before the upload: %s\n", guard.reason.c_str());
        } else {
            std::printf("would upload to %s as %s (through %s)\n", job.upload->server.c_str(),
                        remoteName.c_str(), PartFileName(remoteName).c_str());
        }
        if (job.upload && !CheckSignIn(job)) {
            return kExitFailure;
        }
        return guard.guard != JobGuard::None && job.upload ? kExitStopped : kExitOk;
    }

    doc.SetBasicFormat(job.basic);
    RemoveStaleTemporaries(job.outputFile);
    if (!WriteFeedFile(doc, job.outputFile, headers, observer) || observer.Failed()) {
        record.reason = "cannot write " + job.outputFile;
        return kExitFailure;
    }
    if (g_stop) {
        return Stopped(record);
    }
    if (!job.upload) {
        record.reason = "written, no upload in the job";
        return kExitOk;
    }
    if (guard.guard != JobGuard::None) {
        record.reason = guard.reason;
        return kExitStopped;
    }

    const FeedJobUpload& u = *job.upload;
    const UploadRequestResult built = JobUploadRequest(job);
    if (!built.request) {
        record.reason = built.error;
        return kExitFailure;
    }
    CCurlFtpClient client;
    CRunObserver transfer;
    transfer.m_allowDirectWrite = m_allowDirectWrite;
    transfer.m_acceptNewHostKey = m_acceptNewHostKey;
    CFtpTransferEngine engine(client, transfer);
    engine.m_request = *built.request;
    if (engine.Prepare([](const std::string&) { return true; }) != CFtpTransferEngine::PrepareResult::Ready) {
        record.reason = engine.ErrorText();
        return kExitFailure;
    }
    g_engine = &engine;
    if (g_stop) {
        engine.Abort();
    }
    engine.Run();
    g_engine = nullptr;
    if (engine.IsAborted()) {
        return Stopped(record);
    }
    if (transfer.m_failed) {
        record.reason = engine.ErrorText().empty() ? "the upload failed" : engine.ErrorText();
        return kExitFailure;
    }
    record.uploaded = true;
    std::error_code ignored;
    record.bytes = std::filesystem::file_size(job.outputFile, ignored);
    record.reason = engine.OutcomeText();
    CUploadCountFile(UploadCountFilePath()).Remember(u.server, remoteName, record.products);
    return kExitOk;
}

bool CRunCommand::CheckSignIn(const FeedJob& job) {
    const UploadRequestResult built = JobUploadRequest(job);
    if (!built.request) {
        PrintError(Name(), built.error);
        return false;
    }
    CCurlFtpClient client;
    CRunObserver transfer;
    transfer.m_acceptNewHostKey = m_acceptNewHostKey;
    CFtpTransferEngine engine(client, transfer);
    engine.m_request = *built.request;
    if (!engine.CheckConnection()) {
        // A refused server key was said already, with how to accept it.
        if (!engine.ErrorText().empty() && !engine.TrustRefused()) {
            PrintError(Name(), engine.ErrorText() +
                                   (engine.ErrorHint().empty() ? std::string() : "\n" + engine.ErrorHint()));
        }
        return false;
    }
    std::printf("signed in to %s as %s\n", job.upload->server.c_str(),
                job.upload->user.empty() ? "anonymous" : job.upload->user.c_str());
    return true;
}

void CRunCommand::Record(const RunRecord& record, std::chrono::system_clock::time_point start,
                         bool printSummary) {
    const auto end = std::chrono::system_clock::now();
    const double seconds = std::chrono::duration<double>(end - start).count();
    nlohmann::ordered_json line;
    line["start"] = IsoTime(start);
    line["end"] = IsoTime(end);
    line["job"] = record.job;
    line["status"] = record.status;
    line["products"] = record.products;
    line["errors"] = record.errors;
    line["warnings"] = record.warnings;
    line["uploaded"] = record.uploaded;
    line["reason"] = record.reason;
    line["bytes"] = record.bytes;
    line["duration"] = static_cast<double>(static_cast<long long>(seconds * 1000)) / 1000;
    std::error_code ignored;
    std::filesystem::create_directories(StateFolder(), ignored);
    {
        std::ofstream history(StateFolder() + "/history.jsonl", std::ios::binary | std::ios::app);
        history << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
    if (!printSummary) {
        return;
    }
    const char* outcome = record.status == kExitOk        ? (record.uploaded ? "published" : "written")
                          : record.status == kExitStopped ? "stopped"
                          : record.status == kExitLocked  ? "not started"
                                                          : "failed";
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f s", seconds);
    std::string summary = record.job + ": " + outcome + ", " + std::to_string(record.products) +
                          " products, " + std::to_string(record.errors) + " errors, " +
                          std::to_string(record.warnings) + " warnings";
    if (record.uploaded) {
        summary += ", " + std::to_string(record.bytes) + " bytes";
    }
    summary += ", " + std::string(duration);
    if (!record.reason.empty()) {
        summary += ": " + record.reason;
    }
    PrintError(Name(), summary);
}

}  // namespace

}  // namespace yarvelin::cli
