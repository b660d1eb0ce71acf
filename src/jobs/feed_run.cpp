#include "jobs/feed_run.h"

#include <filesystem>
#include <optional>

#include "app/feed_document.h"
#include "app/remembered_alert.h"
#include "changes/run_changes.h"
#include "checks/clean_alerts.h"
#include "checks/feed_diagnosis.h"
#include "checks/text_cleaning.h"
#include "feed/feed_file.h"
#include "feed/temporary_files.h"
#include "handfiles/hand_file.h"
#include "import/import_error.h"
#include "import/map_choice.h"
#include "import/shop_import.h"
#include "jobs/held_products.h"
#include "jobs/source_fetch.h"
#include "jobs/upload_count_file.h"
#include "records/local_date_time.h"
#include "rules/document_rules.h"
#include "rules/rule_set.h"
#include "upload/remote_file_name.h"
#include "upload/transfer_drive.h"
#include "upload/upload_request.h"

namespace yarvelin {

void CRunStop::Request(const char* why) noexcept {
    m_why = why;
    m_stop = true;
    if (CTransferDrive* drive = m_drive.load()) {
        drive->Abort();
    }
}

std::string CRunStop::Reason() const {
    const char* why = m_why.load();
    return std::string("stopped by ") + (why ? why : "request");
}

void CRunStop::Attach(CTransferDrive* drive) noexcept {
    m_drive = drive;
    if (drive && m_stop) {
        drive->Abort();
    }
}

namespace {

// Notes whether a read or write failed while passing every report on.
class CFailureNotingObserver : public CFeedFileObserver {
  public:
    explicit CFailureNotingObserver(CFeedFileObserver& next) : m_next(next) {}
    void SetProgressRange(int lower, int upper) override { m_next.SetProgressRange(lower, upper); }
    void SetProgressPos(int pos) override { m_next.SetProgressPos(pos); }
    void SetStatusText(const std::string& text) override { m_next.SetStatusText(text); }
    void ShowFileError(const std::string& text) override {
        m_failed = true;
        m_next.ShowFileError(text);
    }
    void ShowFormatError() override {
        m_failed = true;
        m_next.ShowFormatError();
    }
    bool ConfirmUnmappable(const std::string& path, const FeedEncoding& encoding) override {
        const bool go = m_next.ConfirmUnmappable(path, encoding);
        m_failed = m_failed || !go;
        return go;
    }
    void LineBreaksWritten(std::size_t values) override { m_next.LineBreaksWritten(values); }
    void QuotedHeaderAdded(std::size_t values) override { m_next.QuotedHeaderAdded(values); }
    bool Failed() const { return m_failed; }

  private:
    CFeedFileObserver& m_next;
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
        std::optional<std::string> password = ReadPasswordFile(u.passwordFile);
        if (!password) {
            UploadRequestResult failed;
            failed.error = "cannot read the password file " + u.passwordFile;
            return failed;
        }
        account.password = std::move(*password);
    }
    const std::string pin = NormalisedPin(u.pin);
    return BuildUploadRequest(job.outputFile, account, [&pin](const std::string&) { return pin; });
}

class CFeedRun {
  public:
    CFeedRun(const FeedJob& job, const FeedRunOptions& options, FeedRunServices& services,
             FeedRunObserver& observer, CRunStop& stop)
        : m_job(job),
          m_options(options),
          m_services(services),
          m_observer(observer),
          m_files(observer.FileObserver()),
          m_stop(stop) {}

    int Work(RunRecord& record);
    // --check of a source by URL, whose size is all that was asked for: what the upload would do.
    int CheckUpload() { return Check(JobGuardDecision{}, RemoteFileNameFor(m_job.outputFile)); }

  private:
    // Reads the source into m_doc with the rules applied; a status other than kRunOk ends the run.
    int ReadSource(RunRecord& record);
    // run --rollback: the source is a kept snapshot of the job's place.
    int ReadSnapshot(RunRecord& record);
    int Check(const JobGuardDecision& guard, const std::string& remoteName);
    // Compares the written output with the last upload; a status other than kRunOk ends the run.
    int CompareWithLastUpload(RunRecord& record, const std::string& remoteName, RunChanges& changes);
    int Upload(RunRecord& record, const std::string& remoteName, const RunChanges& changes);
    // Signs in to the job's server as the upload would, sending nothing.
    bool SignIn();
    int Stopped(RunRecord& record) const {
        record.reason = m_stop.Reason();
        return kRunFailed;
    }
    std::string CountFile() const {
        return m_services.countFile.empty() ? UploadCountFilePath() : m_services.countFile;
    }
    CSnapshotStore Snapshots() const { return CSnapshotStore(m_services.snapshotsFolder); }

    const FeedJob& m_job;
    const FeedRunOptions& m_options;
    FeedRunServices& m_services;
    FeedRunObserver& m_observer;
    CFailureNotingObserver m_files;
    CRunStop& m_stop;
    CFeedDocument m_doc;
};

int CFeedRun::ReadSource(RunRecord& record) {
    const FeedJobSource& source = m_job.source;
    // The rules and the map are read first: a mistake in either stops the run before any product is read.
    std::optional<CRuleSet> rules;
    try {
        if (!source.rulesFile.empty()) {
            rules = CRuleSet::Load(source.rulesFile);
        }
        if (!source.exportFile.empty()) {
            ImportSettings settings;
            settings.baseUrl = source.baseUrl;
            settings.currency = source.currency;
            settings.sheet = source.sheet;
            settings.merges = source.merges;
            settings.map = ChooseExportMap(source.mapFile, source.profile, m_services.mapsFolder, [&] {
                               return ReadExportHeader(source.exportFile, 0, source.sheet).columns;
                           }).map;
            RuleRun run;
            if (rules) {
                run = rules->StartRun();
                settings.keepRecord = [&](COtherRecord& product) {
                    return rules->Apply(product, run) == RuleVerdict::kKeep;
                };
            }
            for (const MergeCounts& merge : ImportIntoDocument(m_doc, source.exportFile, settings).merges) {
                m_observer.OnRunMessage(MergeSummary(merge));
            }
        } else {
            LoadFeedFile(m_doc, source.feedFile, m_files);
            if (!m_files.Failed() && rules) {
                ApplyRulesToDocument(m_doc, *rules);
            }
        }
    } catch (const CHandFileError& e) {
        m_observer.OnRunMessage(e.what());
        record.reason = e.what();
        return kRunJobMistake;
    } catch (const CImportError& e) {
        m_observer.OnRunMessage(source.exportFile + ": " + e.what());
        record.reason = "cannot read " + source.exportFile;
        return e.GetKind() == CImportError::Kind::kMap ? kRunJobMistake : kRunFailed;
    }
    if (m_files.Failed()) {
        record.reason = "cannot read " + source.feedFile;
        return kRunFailed;
    }
    return kRunOk;
}

int CFeedRun::Work(RunRecord& record) {
    if (const int status = m_options.rollback > 0 ? ReadSnapshot(record) : ReadSource(record);
        status != kRunOk) {
        return status;
    }
    if (m_stop.Requested()) {
        return Stopped(record);
    }
    if (m_job.newlines && m_options.rollback == 0) {
        CFixedCleanAlerts alerts(*m_job.newlines == "remove" ? kAnswerYes : kAnswerNo,
                                 *m_job.special == "escape" ? kAnswerYes : kAnswerNo);
        CDataCheckObserver quiet;
        VerifyData(m_doc, alerts, quiet);
    }
    const FeedHeaderChoices headers = HeaderChoicesForDocument(m_job.headers, m_doc);
    const FeedDiagnosis diagnosis = DiagnoseDocument(m_doc, {}, headers.htmlEscaped, CurrentLocalDateTime());
    record.products = m_doc.Count();
    record.errors = diagnosis.totals.errors;
    record.warnings = diagnosis.totals.warnings;
    if (m_job.changes.leaveOut && m_options.rollback == 0) {
        // What passes is published; the count-drop and empty guards judge what is kept.
        const HeldProducts held =
            HoldBackProductsWithErrors(m_doc, diagnosis, m_job.outputFile,
                                       m_options.check ? std::string() : HeldFilePath(m_job.outputFile));
        if (!held.written) {
            m_observer.OnRunMessage("cannot write " + HeldFilePath(m_job.outputFile));
        }
        record.held = held.products;
        record.products = m_doc.Count();
        record.errors -= held.errors;
        record.warnings -= held.warnings;
    }
    if (m_stop.Requested()) {
        return Stopped(record);
    }

    const std::string remoteName = RemoteFileNameFor(m_job.outputFile);
    const std::optional<long long> last =
        m_job.upload ? CUploadCountFile(CountFile()).Last(m_job.upload->server, remoteName)
                     : std::optional<long long>();
    const JobGuardDecision guard =
        DecideJobUpload(record.products, record.errors, m_job.maxErrors, last, m_options.allow);
    if (m_options.check) {
        m_observer.OnCheckLine("job " + m_job.name + ": " + m_job.source.Name() + ", " +
                               std::to_string(record.products) + " products, " +
                               std::to_string(record.errors) + " errors, " + std::to_string(record.warnings) +
                               " warnings");
        return Check(guard, remoteName);
    }

    m_doc.SetBasicFormat(m_job.basic);
    RemoveOrphanedWriterTemporaries(m_job.outputFile);
    if (!WriteFeedFile(m_doc, m_job.outputFile, headers, m_files) || m_files.Failed()) {
        record.reason = "cannot write " + m_job.outputFile;
        return kRunFailed;
    }
    if (m_stop.Requested()) {
        return Stopped(record);
    }
    if (!m_job.upload) {
        record.reason = "written, no upload in the job";
        return kRunOk;
    }
    if (guard.guard != JobGuard::None) {
        record.reason = guard.reason;
        return kRunStopped;
    }
    RunChanges changes;
    if (const int status = CompareWithLastUpload(record, remoteName, changes); status != kRunOk) {
        return status;
    }
    return Upload(record, remoteName, changes);
}

int CFeedRun::ReadSnapshot(RunRecord& record) {
    record.rollback = true;
    if (!m_job.upload) {
        record.reason = "a rollback needs the job's [upload] table: snapshots are kept per upload place";
        return kRunJobMistake;
    }
    const std::string unpacked = UnpackedSnapshotPath(m_job.outputFile);
    const std::string error = UnpackSnapshot(
        Snapshots(), m_job.upload->server, RemoteFileNameFor(m_job.outputFile), m_options.rollback, unpacked);
    if (!error.empty()) {
        m_observer.OnRunMessage(error);
        record.reason = error;
        return kRunFailed;
    }
    LoadFeedFile(m_doc, unpacked, m_files);
    std::error_code ignored;
    std::filesystem::remove(unpacked, ignored);
    if (m_files.Failed()) {
        record.reason = "cannot read the snapshot";
        return kRunFailed;
    }
    return kRunOk;
}

int CFeedRun::CompareWithLastUpload(RunRecord& record, const std::string& remoteName, RunChanges& changes) {
    RunChangeSettings settings;
    // A rollback puts a whole earlier feed back.
    settings.deltaWanted = m_job.changes.delta && m_options.rollback == 0;
    settings.fullEveryDays = m_job.changes.fullEveryDays;
    settings.limits = {m_job.changes.maxChanged, m_job.changes.maxDelete};
    settings.allow = m_options.allow;
    settings.headers = HeaderChoicesForDocument(m_job.headers, m_doc);
    settings.now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    changes = yarvelin::CompareWithLastUpload(Snapshots(), m_job.upload->server, remoteName, m_job.outputFile,
                                              settings, m_files);
    if (!changes.error.empty()) {
        m_observer.OnRunMessage(changes.error);
        record.reason = changes.error;
        return kRunFailed;
    }
    if (changes.diff) {
        record.changes =
            RunRecord::Changes{changes.diff->added, changes.diff->removed, changes.diff->changed};
    }
    record.delta = changes.mode.delta;
    if (settings.deltaWanted && !changes.mode.delta) {
        m_observer.OnRunMessage("sending the whole feed: " + changes.mode.reason);
    }
    if (changes.guard.guard != JobGuard::None) {
        record.reason = changes.guard.reason;
        return kRunStopped;
    }
    return m_stop.Requested() ? Stopped(record) : kRunOk;
}

int CFeedRun::Check(const JobGuardDecision& guard, const std::string& remoteName) {
    m_observer.OnCheckLine("would write " + m_job.outputFile);
    if (!m_job.upload) {
        m_observer.OnCheckLine("would not upload: the job has no [upload] table");
        return kRunOk;
    }
    if (guard.guard != JobGuard::None) {
        m_observer.OnCheckLine("would stop before the upload: " + guard.reason);
    } else {
        m_observer.OnCheckLine("would upload to " + m_job.upload->server + " as " + remoteName +
                               " (through " + PartFileName(remoteName) + ")");
    }
    if (!SignIn()) {
        return kRunFailed;
    }
    return guard.guard != JobGuard::None ? kRunStopped : kRunOk;
}

int CFeedRun::Upload(RunRecord& record, const std::string& remoteName, const RunChanges& changes) {
    UploadRequestResult built = JobUploadRequest(m_job);
    if (!built.request) {
        record.reason = built.error;
        return kRunFailed;
    }
    // A partial update goes up under the output's own remote name.
    built.request->localFile = changes.sendFile;
    CTransferDrive drive(m_services.ftp, m_observer);
    const std::size_t products = record.products;
    const std::string& server = m_job.upload->server;
    CSnapshotStore snapshots = Snapshots();
    drive.SetOnConfirmed([&] {
        CUploadCountFile(CountFile()).Remember(server, remoteName, products);
        // The whole feed, even after a partial update: the next comparison needs what the service holds.
        if (!RememberUpload(snapshots, server, remoteName, m_job.outputFile, products, changes.mode.delta,
                            m_job.changes.keep)) {
            m_observer.OnRunMessage("the upload went through, but no snapshot of it could be kept in " +
                                    snapshots.PlaceFolder(server, remoteName));
        }
    });
    if (drive.Prepare(*built.request) != CFtpTransferEngine::PrepareResult::Ready) {
        record.reason = drive.Engine().ErrorText();
        return kRunFailed;
    }
    // Until the snapshot moves, the attempt says the upload may or may not have reached the service.
    snapshots.NoteAttempt(server, remoteName, UploadAttempt::kPending);
    m_stop.Attach(&drive);
    drive.RunHere();
    m_stop.Attach(nullptr);
    const TransferOutcome outcome = drive.Finish(m_observer.EndedFailed());
    if (outcome.kind == TransferOutcome::Kind::Stopped) {
        return Stopped(record);
    }
    if (outcome.kind == TransferOutcome::Kind::Failed) {
        snapshots.NoteAttempt(server, remoteName, UploadAttempt::kFailed);
        record.reason = outcome.error.empty() ? "the upload failed" : outcome.error;
        return kRunFailed;
    }
    record.uploaded = true;
    record.bytes = outcome.bytes;
    record.reason = outcome.outcomeText;
    return kRunOk;
}

bool CFeedRun::SignIn() {
    const UploadRequestResult built = JobUploadRequest(m_job);
    if (!built.request) {
        m_observer.OnRunMessage(built.error);
        return false;
    }
    CTransferDrive drive(m_services.ftp, m_observer);
    drive.Engine().m_request = *built.request;
    if (!drive.Engine().CheckConnection()) {
        // A refused server key was said already, with how to accept it.
        const CFtpTransferEngine& engine = drive.Engine();
        if (!engine.ErrorText().empty() && !engine.TrustRefused()) {
            m_observer.OnRunMessage(engine.ErrorText() +
                                    (engine.ErrorHint().empty() ? std::string() : "\n" + engine.ErrorHint()));
        }
        return false;
    }
    m_observer.OnSignedIn(m_job.upload->server, m_job.upload->user);
    return true;
}

}  // namespace

RunRecord RunFeedJob(const FeedJob& job, const FeedRunOptions& options, FeedRunServices& services,
                     FeedRunObserver& observer, CRunStop& stop) {
    RunRecord record;
    record.job = job.name;
    record.start = std::chrono::system_clock::now();
    // A source the shop serves is downloaded first; the rest of the run reads the downloaded file.
    std::optional<CSourceFetch> fetch;
    std::optional<int> ended;
    if (job.source.url) {
        ended = FetchForRun(fetch.emplace(job, services.downloader), options.check, observer, stop, record);
    }
    if (!ended) {
        CFeedRun run(fetch ? fetch->Job() : job, options, services, observer, stop);
        ended = options.check && fetch ? run.CheckUpload() : run.Work(record);
        if (fetch && *ended == kRunOk && !options.check) {
            fetch->RememberFetch();
        }
    }
    record.status = *ended;
    record.end = std::chrono::system_clock::now();
    return record;
}

}  // namespace yarvelin
