// yarvelin-feed upload: sends a feed file to an FTP server with the wizard's transfer engine.
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

int RunUpload(const std::vector<std::string>& args);

const CCliCommand kUpload{
    "upload", "send a feed file to an FTP server",
    "Usage: yarvelin-feed upload FILE --server HOST [--port N] [--user NAME --password-file PATH]\n"
    "                            [--passive] [--binary] [--limit BYTES_PER_MS]\n"
    "\n"
    "Uploads FILE under its own file name, in ASCII type unless --binary is given, over active data\n"
    "connections unless --passive is given. Without --user the login is anonymous. The password is the\n"
    "first line of the password file. --limit caps the rate in bytes per millisecond.\n"
    "Progress, rate and time left go to standard error when it is a terminal.\n",
    &RunUpload};
const CCliRegistration kRegistration(kUpload);

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

int RunUpload(const std::vector<std::string>& args) {
    FtpTransferRequest request;
    request.download = false;
    request.binary = false;
    request.promptOverwrite = false;
    request.passive = false;
    std::string passwordFile;
    bool haveServer = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (a == "--server") {
            if (!value(request.server) || request.server.empty()) {
                return UsageError(kUpload, "--server needs a host name");
            }
            haveServer = true;
        } else if (a == "--port") {
            if (!value(text)) {
                return UsageError(kUpload, "--port needs a number");
            }
            char* end = nullptr;
            const long port = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || port < 1 || port > 65535) {
                return UsageError(kUpload, "--port needs a number from 1 to 65535");
            }
            request.port = static_cast<std::uint16_t>(port);
        } else if (a == "--user") {
            if (!value(request.userName)) {
                return UsageError(kUpload, "--user needs a name");
            }
        } else if (a == "--password-file") {
            if (!value(passwordFile)) {
                return UsageError(kUpload, "--password-file needs a path");
            }
        } else if (a == "--passive") {
            request.passive = true;
        } else if (a == "--binary") {
            request.binary = true;
        } else if (a == "--limit") {
            if (!value(text)) {
                return UsageError(kUpload, "--limit needs a number");
            }
            char* end = nullptr;
            request.bandwidthLimit = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || request.bandwidthLimit < 0) {
                return UsageError(kUpload, "--limit needs a number of bytes per millisecond");
            }
        } else if (!a.empty() && a[0] == '-') {
            return UsageError(kUpload, "unknown option " + a);
        } else if (request.localFile.empty()) {
            request.localFile = a;
        } else {
            return UsageError(kUpload, "only one FILE can be uploaded");
        }
    }
    if (request.localFile.empty()) {
        return UsageError(kUpload, "FILE is missing");
    }
    if (!haveServer) {
        return UsageError(kUpload, "--server is missing");
    }
    if (!passwordFile.empty() && request.userName.empty()) {
        return UsageError(kUpload, "--password-file needs --user");
    }
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "yarvelin-feed upload: cannot read the password file %s\n",
                         passwordFile.c_str());
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
        std::fprintf(stderr, "%s\n", engine.ErrorText().c_str());
        return kExitFailure;
    }
    engine.Run();
    if (observer.m_failed) {
        if (!engine.ErrorText().empty()) {
            std::fprintf(stderr, "%s\n", engine.ErrorText().c_str());
        }
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

}  // namespace yarvelin::cli
