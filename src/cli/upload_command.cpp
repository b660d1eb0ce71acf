// yarvelin-feed upload: sends a feed file to an FTP server with the wizard's transfer engine.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "changes/run_changes.h"
#include "cli/cli_command.h"
#include "feed/temporary_files.h"
#include "platform/curl_ftp_client.h"
#include "upload/ftp_transfer_engine.h"
#include "upload/remote_file_name.h"
#include "upload/server_address.h"
#include "upload/transfer_drive.h"
#include "upload/upload_request.h"

namespace yarvelin::cli {

namespace {

// Progress goes to a terminal on one rewritten line; errors are the engine's own texts.
class CConsoleObserver : public FtpTransferObserver {
  public:
    explicit CConsoleObserver(bool showProgress) : m_show(showProgress) {}
    void OnStatus(const std::string& text) override { Show(text, m_rate, m_timeLeft); }
    void OnPercent(int percent, const std::string&) override {
        m_percent = percent;
        Show(m_status, m_rate, m_timeLeft);
    }
    void OnRate(const std::string& text) override { Show(m_status, text, m_timeLeft); }
    void OnTimeLeft(const std::string& text) override { Show(m_status, m_rate, text); }
    bool AskReplaceRemote(const std::string&) override { return true; }
    bool AskWriteDirectly(const std::string&) override {
        m_directWriteOffered = true;
        return m_allowDirectWrite;
    }
    bool AskTrustHostKey(const HostKeyQuestion& q) override {
        if (m_acceptNewHostKey) {
            PrintError("upload", "keeping the " + q.keyType + " host key " + q.fingerprint + " of " + q.host +
                                     " in " + q.knownHostsFile);
            return true;
        }
        PrintError("upload", "the server " + q.host + " is not known; its " + q.keyType +
                                 " host key fingerprint is " + q.fingerprint +
                                 ".\nPass --accept-new-host-key to trust it.");
        return false;
    }
    void OnHostKeyChanged(const HostKeyQuestion& q) override { PrintError("upload", HostKeyChangedText(q)); }
    bool AskTrustCertificate(const CertificateQuestion& q) override {
        PrintError("upload", "the certificate of " + q.server + " could not be verified" +
                                 (q.problem.empty() ? "." : ": " + q.problem) + "\nSubject: " + q.subject +
                                 "\nIssuer: " + q.issuer + "\nValid from: " + q.validFrom +
                                 "\nValid until: " + q.validUntil + "\nSHA256 fingerprint: " + q.fingerprint +
                                 "\nPass --pin-sha256 " + q.pin + " to trust it.");
        return false;
    }
    void OnCertificateReplaced(const CertificateQuestion& q) override {
        PrintError("upload", CertificateReplacedText(q,
                                                     "If your provider confirms the new certificate, leave "
                                                     "out --pin-sha256 " +
                                                         q.pinnedKey +
                                                         ": the next upload then shows the new "
                                                         "certificate and the value to pass for it."));
    }
    void OnEnded(bool failed) override {
        m_failed = failed;
        if (m_show && m_shown) {
            std::fputc('\n', stderr);
        }
    }

  private:
    void Show(const std::string& status, const std::string& rate, const std::string& timeLeft) {
        m_status = status;
        m_rate = rate;
        m_timeLeft = timeLeft;
        if (!m_show) {
            return;
        }
        std::string line = m_status + "  " + std::to_string(m_percent) + "%";
        if (!m_rate.empty()) {
            line += "  " + m_rate;
        }
        if (!m_timeLeft.empty()) {
            line += "  " + m_timeLeft;
        }
        std::fprintf(stderr, "\r%-100.100s", line.c_str());
        std::fflush(stderr);
        m_shown = true;
    }

  public:
    bool m_failed = false;
    bool m_acceptNewHostKey = false;
    bool m_allowDirectWrite = false;
    bool m_directWriteOffered = false;  // the server refused the safe replace

  private:
    bool m_show;
    bool m_shown = false;
    int m_percent = 0;
    std::string m_status;
    std::string m_rate;
    std::string m_timeLeft;
};

class CUploadCommand : public CliCommand {
  public:
    const char* Name() const override { return "upload"; }
    const char* Summary() const override { return "send a feed file to an FTP server"; }

    const char* Description() const override {
        return "Uploads FILE under its own file name. The server is a host name (plain FTP), host:port,\n"
               "[IPv6]:port, or an ftp://, ftpes:// (explicit TLS), ftps:// (implicit TLS) or sftp:// "
               "address\n"
               "with an optional port and folder; --port stands in when the server names no port. FTP goes "
               "in\n"
               "ASCII type unless --binary is given, over active data connections unless --passive is given\n"
               "(FTP over TLS: passive unless the address ends in ?active); a refused active connection is\n"
               "retried once in passive mode. Without --user the login is anonymous. The password is the "
               "first\n"
               "line of the password file; with --identity it unlocks the SFTP private key, if it needs "
               "one.\n"
               "SFTP host keys are checked against --known-hosts (default: the wizard's known_hosts file): "
               "an\n"
               "unknown key is refused unless --accept-new-host-key is given, a changed key always. A TLS\n"
               "certificate that does not verify is refused unless --pin-sha256 names its public key; the\n"
               "refusal prints the value to pass; one whose key differs from the pin is refused as "
               "replaced.\n"
               "The file goes to FILE.part beside the target; once the server holds all of it, it is "
               "renamed\n"
               "over the target, so the service never reads a partial feed. A server that refuses the\n"
               "temporary file or the rename leaves the target as it was, unless --allow-direct-write is "
               "given.\n"
               "Progress, rate and time left go to standard error when it is a terminal. Ctrl-C stops the\n"
               "upload at once (exit status 130).\n"
               "Once the server confirmed the upload, FILE is kept as the newest snapshot of the server and\n"
               "file name (not a partial update: updates_only=YES). --snapshot N sends a kept snapshot\n"
               "instead of FILE, under FILE's name: 0 the newest, 1 the one before, and so on.";
    }

    void Configure(CLI::App& command) override {
        AddFileArgument(command, "FILE", m_localFile, "the file to upload");
        command
            .add_option("--server", m_account.server,
                        "the server: a host name or an ftp/ftpes/ftps/sftp address")
            ->required()
            ->type_name("URL-OR-HOST")
            ->check(CLI::Validator(
                [](const std::string& v) {
                    const ServerAddressResult parsed = ParseServerAddress(v);
                    return parsed.address ? std::string() : parsed.error;
                },
                "", "address"));
        command.add_option("--port", m_account.port, "the server's port when the address names none")
            ->check(CLI::Range(1, 65535));
        CLI::Option* user = command.add_option("--user", m_account.userName, "the user name to sign in with");
        command.add_option("--password-file", m_passwordFile, "a file whose first line is the password")
            ->type_name("PATH")
            ->needs(user);
        command.add_option("--identity", m_account.keyFile, "SFTP: sign in with this private key")
            ->type_name("KEYFILE")
            ->check(CLI::ExistingFile);
        command
            .add_option("--known-hosts", m_account.knownHostsFile,
                        "SFTP: the known-hosts file to check the server's key against")
            ->type_name("FILE");
        command.add_flag("--accept-new-host-key", m_acceptNewHostKey,
                         "SFTP: trust and keep the key of a server not known yet");
        command.add_option("--pin-sha256", m_pin, "TLS: trust the certificate with this public key")
            ->type_name("FINGERPRINT")
            ->check(CLI::Validator(
                [](const std::string& v) {
                    return NormalisedPin(v).empty()
                               ? std::string(
                                     "--pin-sha256 needs the base64 SHA-256 of a public key (sha256//...)")
                               : "";
                },
                "", "pin"));
        command.add_flag("--passive", m_account.passive, "open the data connections in passive mode");
        command.add_flag("--binary", m_account.binary, "send the file in binary type");
        command.add_flag(
            "--allow-direct-write", m_allowDirectWrite,
            "write the target directly when the server refuses the temporary file or the rename");
        command
            .add_option("--snapshot", m_snapshot,
                        "send the kept snapshot N uploads back (0: the newest) under FILE's name")
            ->type_name("N")
            ->check(CLI::NonNegativeNumber);
        command.add_option("--limit", m_bandwidthLimit, "cap the rate in bytes per millisecond")
            ->type_name("BYTES_PER_MS")
            ->check(CLI::NonNegativeNumber);
    }

    int Run() override;

  private:
    std::string m_localFile;
    UploadAccount m_account;
    double m_bandwidthLimit = 0;
    std::optional<int> m_snapshot;
    std::string m_passwordFile;
    std::string m_pin;
    bool m_acceptNewHostKey = false;
    bool m_allowDirectWrite = false;
};

const CCliRegistration kRegistration(std::make_unique<CUploadCommand>());

// A snapshot unpacked to send: gone when the command ends, also on Ctrl-C.
class CUnpackedSnapshot {
  public:
    explicit CUnpackedSnapshot(std::string path) : m_path(std::move(path)) {
        if (!m_path.empty()) {
            NoteTemporaryFile(m_path);
        }
    }
    ~CUnpackedSnapshot() {
        if (!m_path.empty()) {
            std::remove(m_path.c_str());
            ForgetTemporaryFile(m_path);
        }
    }
    CUnpackedSnapshot(const CUnpackedSnapshot&) = delete;
    CUnpackedSnapshot& operator=(const CUnpackedSnapshot&) = delete;
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

// The products of a feed file, for the snapshot's index; 0 when it cannot be read.
std::size_t CountProducts(const std::string& path) {
    CQuietFeedFileObserver quiet;
    std::size_t products = 0;
    ReadFeedProducts(
        path, quiet, [](const FeedFileStart&) {},
        [&](const COtherRecord&, long long, std::size_t) { ++products; });
    return products;
}

// Ctrl-C (or a TERM) stops the transfer the way Cancel does in the wizard: the engine ends at once and
// keeps its rules for partial files. A second Ctrl-C ends the process outright. The exit status is the
// shell's for a program ended by Ctrl-C.
constexpr int kExitInterrupted = 128 + SIGINT;
std::atomic<CTransferDrive*> g_running{nullptr};

extern "C" void StopRunningTransfer(int) {
    if (CTransferDrive* drive = g_running.load()) {
        drive->Abort();
    }
}

class CInterruptGuard {
  public:
    explicit CInterruptGuard(CTransferDrive& drive) {
        g_running = &drive;
        struct sigaction action {};
        action.sa_handler = &StopRunningTransfer;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~CInterruptGuard() {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
        g_running = nullptr;
    }
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;

  private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

int CUploadCommand::Run() {
    UploadAccount account = m_account;
    if (!m_passwordFile.empty()) {
        std::optional<std::string> password = ReadPasswordFile(m_passwordFile);
        if (!password) {
            PrintError(Name(), "cannot read the password file " + m_passwordFile);
            return kExitFailure;
        }
        account.password = std::move(*password);
    }
    // The same request the wizard's upload page builds from the same account.
    const std::string pin = NormalisedPin(m_pin);
    const UploadRequestResult built =
        BuildUploadRequest(m_localFile, account, [&pin](const std::string&) { return pin; });
    if (!built.request) {
        throw CUsageError(built.error);
    }
    if (built.keyFileIgnored) {
        throw CUsageError("--identity works with sftp:// servers only");
    }
    FtpTransferRequest request = *built.request;
    request.bandwidthLimit = m_bandwidthLimit;
    // Snapshots are kept per server as given and remote file name, as `run` keeps them.
    CSnapshotStore snapshots;
    const std::string remoteName = RemoteFileNameFor(m_localFile);
    const CUnpackedSnapshot unpacked(m_snapshot ? UnpackedSnapshotPath(m_localFile) : std::string());
    if (m_snapshot) {
        const std::string error =
            UnpackSnapshot(snapshots, account.server, remoteName, *m_snapshot, unpacked.Path());
        if (!error.empty()) {
            PrintError(Name(), error);
            return kExitFailure;
        }
        request.localFile = unpacked.Path();
    }
    const bool partial = IsPartialUpdateFile(request.localFile);

    CCurlFtpClient client;
    CConsoleObserver observer(StderrIsTerminal());
    observer.m_acceptNewHostKey = m_acceptNewHostKey;
    observer.m_allowDirectWrite = m_allowDirectWrite;
    CTransferDrive drive(client, observer);
    drive.SetOnConfirmed([&] {
        if (!partial && !RememberUpload(snapshots, account.server, remoteName, request.localFile,
                                        CountProducts(request.localFile), false, kDefaultSnapshotsKept)) {
            PrintError(Name(), "the upload went through, but no snapshot of it could be kept in " +
                                   snapshots.PlaceFolder(account.server, remoteName));
        }
    });
    if (drive.Prepare(request) != CFtpTransferEngine::PrepareResult::Ready) {
        PrintError(Name(), drive.Engine().ErrorText());
        return kExitFailure;
    }
    if (!partial) {
        snapshots.NoteAttempt(account.server, remoteName, UploadAttempt::kPending);
    }
    {
        CInterruptGuard guard(drive);
        drive.RunHere();
    }
    const TransferOutcome outcome = drive.Finish(observer.m_failed);
    if (outcome.kind == TransferOutcome::Kind::Stopped) {
        PrintError(Name(), "interrupted, " + request.localFile + " was not uploaded completely");
        return kExitInterrupted;
    }
    if (outcome.kind == TransferOutcome::Kind::Failed) {
        if (!partial) {
            snapshots.NoteAttempt(account.server, remoteName, UploadAttempt::kFailed);
        }
        if (!outcome.error.empty()) {
            std::string text = outcome.Message("\n");
            if (observer.m_directWriteOffered && !m_allowDirectWrite) {
                text += "\nPass --allow-direct-write to write " + request.remoteFile + " directly instead.";
            }
            PrintError(Name(), text);
        }
        return kExitFailure;
    }
    if (outcome.wroteDirectly) {
        PrintError(Name(), outcome.outcomeText);
    }
    return kExitOk;
}

}  // namespace

}  // namespace yarvelin::cli
