// yarvelin-feed upload: sends a feed file to an FTP server with the wizard's transfer engine.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "platform/curl_ftp_client.h"
#include "upload/ftp_transfer_engine.h"
#include "upload/remote_file_name.h"

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
        return "Uploads FILE under its own file name, in ASCII type unless --binary is given, over active "
               "data\n"
               "connections unless --passive is given. Without --user the login is anonymous. The password "
               "is the\n"
               "first line of the password file. Progress, rate and time left go to standard error when it "
               "is a\n"
               "terminal. Ctrl-C stops the upload at once (exit status 130).";
    }

    void Configure(CLI::App& command) override {
        AddFileArgument(command, "FILE", m_request.localFile, "the file to upload");
        command.add_option("--server", m_request.server, "the FTP server's host name")
            ->required()
            ->type_name("HOST")
            ->check(CLI::Validator(
                [](const std::string& v) {
                    return v.empty() ? std::string("--server needs a host name") : "";
                },
                "", "host"));
        command.add_option("--port", m_request.port, "the server's port (21)")->check(CLI::Range(1, 65535));
        CLI::Option* user = command.add_option("--user", m_request.userName, "the user name to sign in with");
        command.add_option("--password-file", m_passwordFile, "a file whose first line is the password")
            ->type_name("PATH")
            ->needs(user);
        command.add_flag("--passive", m_request.passive, "open the data connections in passive mode");
        command.add_flag("--binary", m_request.binary, "send the file in binary type");
        command.add_option("--limit", m_request.bandwidthLimit, "cap the rate in bytes per millisecond")
            ->type_name("BYTES_PER_MS")
            ->check(CLI::NonNegativeNumber);
    }

    int Run() override;

  private:
    FtpTransferRequest m_request = [] {
        FtpTransferRequest r;
        r.download = false;
        r.binary = false;
        r.promptOverwrite = false;
        r.passive = false;
        return r;
    }();
    std::string m_passwordFile;
};

const CCliRegistration kRegistration(std::make_unique<CUploadCommand>());

// Ctrl-C (or a TERM) stops the transfer the way Cancel does in the wizard: the engine ends at once and
// keeps its rules for partial files. A second Ctrl-C ends the process outright. The exit status is the
// shell's for a program ended by Ctrl-C.
constexpr int kExitInterrupted = 128 + SIGINT;
std::atomic<CFtpTransferEngine*> g_running{nullptr};

extern "C" void StopRunningTransfer(int) {
    if (CFtpTransferEngine* engine = g_running.load()) {
        engine->Abort();
    }
}

class CInterruptGuard {
  public:
    explicit CInterruptGuard(CFtpTransferEngine& engine) {
        g_running = &engine;
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
    FtpTransferRequest request = m_request;
    if (!m_passwordFile.empty()) {
        std::ifstream in(m_passwordFile, std::ios::binary);
        if (!in) {
            PrintError(Name(), "cannot read the password file " + m_passwordFile);
            return kExitFailure;
        }
        std::getline(in, request.password);
        if (!request.password.empty() && request.password.back() == '\r') {
            request.password.pop_back();
        }
    }
    request.remoteFile = RemoteFileNameFor(request.localFile);

    CCurlFtpClient client;
    CConsoleObserver observer(StderrIsTerminal());
    CFtpTransferEngine engine(client, observer);
    engine.m_request = request;
    if (engine.Prepare([](const std::string&) { return true; }) != CFtpTransferEngine::PrepareResult::Ready) {
        PrintError(Name(), engine.ErrorText());
        return kExitFailure;
    }
    {
        CInterruptGuard guard(engine);
        engine.Run();
    }
    if (engine.IsAborted()) {
        PrintError(Name(), "interrupted, " + request.localFile + " was not uploaded completely");
        return kExitInterrupted;
    }
    if (observer.m_failed) {
        if (!engine.ErrorText().empty()) {
            PrintError(Name(), engine.ErrorText());
        }
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

}  // namespace yarvelin::cli
