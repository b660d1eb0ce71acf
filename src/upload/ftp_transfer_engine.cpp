#include "upload/ftp_transfer_engine.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "records/text_util.h"

namespace yarvelin {

namespace {

class CSteadyFtpClock : public FtpClock {
  public:
    std::uint64_t NowMs() override {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void SleepMs(std::uint64_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// The reply text without the line end that closes it.
std::string WithoutTrailingLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

// The number that leads a server reply ("350 Restarting at 100." gives 350); -1 when there is none.
int ReplyCode(const std::string& reply) {
    int code = -1;
    for (char c : reply) {
        if (c < '0' || c > '9') {
            break;
        }
        code = (code < 0 ? 0 : code) * 10 + (c - '0');
        if (code > 99999) {
            break;
        }
    }
    return code;
}

}  // namespace

FtpClock& SystemFtpClock() {
    static CSteadyFtpClock clock;
    return clock;
}

CFtpTransferEngine::CFtpTransferEngine(FtpClient& client, FtpTransferObserver& observer, FtpClock& clock)
    : m_client(client), m_observer(observer), m_clock(clock) {}

CFtpTransferEngine::~CFtpTransferEngine() {
    Wait();
    m_client.CloseFile();
    m_client.Close();
}

CFtpTransferEngine::PrepareResult CFtpTransferEngine::Prepare(
    const std::function<bool(const std::string&)>& askOverwrite) {
    const FtpTransferRequest& r = m_request;
    const bool exists = CLocalTransferFile::Exists(r.localFile);
    if (r.download) {
        if (exists && r.promptOverwrite &&
            !askOverwrite(FtpMessage(FtpText::OverwriteQuestion, r.localFile))) {
            return PrepareResult::Declined;
        }
        if (!m_local.OpenForDownload(r.localFile)) {
            m_errorText = FtpMessage(FtpText::ErrorOpenLocalDownload, std::to_string(m_local.LastError()));
            return PrepareResult::Failed;
        }
        // Whatever lies beyond the resume point is stale.
        if (!m_local.TruncateAt(r.startOffset)) {
            m_errorText = FtpMessage(FtpText::ErrorSeekLocal, std::to_string(m_local.LastError()));
            return PrepareResult::Failed;
        }
        return PrepareResult::Ready;
    }
    if (!m_local.OpenForUpload(r.localFile)) {
        m_errorText = FtpMessage(FtpText::ErrorOpenLocalUpload, std::to_string(m_local.LastError()));
        return PrepareResult::Failed;
    }
    // A resumed upload sends only what the server does not have yet.
    if (r.startOffset != 0 && !m_local.SeekTo(r.startOffset)) {
        m_errorText = FtpMessage(FtpText::ErrorOpenLocalUpload, std::to_string(m_local.LastError()));
        return PrepareResult::Failed;
    }
    return PrepareResult::Ready;
}

std::string CFtpTransferEngine::FileLine() const {
    return FtpMessage(m_request.download ? FtpText::FileLineDownload : FtpText::FileLineUpload,
                      m_request.remoteFile, m_request.server);
}

bool CFtpTransferEngine::Start() {
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool CFtpTransferEngine::CheckConnection() {
    const FtpTransferRequest& r = m_request;
    const FtpAccess access = r.usePreConfig ? FtpAccess::PreConfigured
                             : r.useProxy   ? FtpAccess::Proxy
                                            : FtpAccess::Direct;
    m_client.SetCancelFlag(&m_abort);
    bool connected = m_client.OpenSession(r.agent, access, r.proxy);
    if (connected) {
        m_client.SetSecurity(r.security, this);
        connected =
            m_client.Connect(r.server, r.port, r.userName.empty() ? std::nullopt : std::optional(r.userName),
                             r.userName.empty() ? std::nullopt : std::optional(r.password), r.passive);
    }
    if (!connected) {
        Report(FtpText::ErrorConnect);
    }
    m_client.SetCancelFlag(nullptr);
    m_client.Close();
    return connected && !m_abort;
}

void CFtpTransferEngine::Wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CFtpTransferEngine::Run() {
    // Cancel reaches into the client's calls, so that no phase waits for a time-out first.
    m_client.SetCancelFlag(&m_abort);
    const int ended = Work();
    m_client.SetCancelFlag(nullptr);
    // Nothing the client does from now on may reach the observer.
    if (m_callbackInstalled) {
        m_client.SetStatusCallback({});
        m_callbackInstalled = false;
    }
    m_observer.OnEnded(ended != 0);
}

void CFtpTransferEngine::OnClientStatus(FtpStatus status, const std::string& info) {
    FtpText text;
    switch (status) {
        case FtpStatus::ResolvingName:
            text = FtpText::Resolving;
            break;
        case FtpStatus::NameResolved:
            text = FtpText::Resolved;
            break;
        case FtpStatus::ConnectingToServer:
            text = FtpText::Connecting;
            break;
        case FtpStatus::ConnectedToServer:
            text = FtpText::Connected;
            break;
        case FtpStatus::RetryingPassive:
            text = FtpText::RetryingPassive;
            m_retriedPassive = true;
            break;
        default:
            return;
    }
    // The address alone does not tell which of a host's servers answered: the port is named too.
    const bool connecting = text == FtpText::Connecting || text == FtpText::Connected;
    m_observer.OnStatus(
        FtpMessage(text, connecting ? info + " port " + std::to_string(m_request.port) : info));
}

bool CFtpTransferEngine::TrustNewHostKey(const HostKeyQuestion& question) {
    const bool trusted = !m_abort && m_observer.AskTrustHostKey(question);
    m_trustRefused = !trusted;
    return trusted;
}

void CFtpTransferEngine::HostKeyChanged(const HostKeyQuestion& question) {
    m_observer.OnHostKeyChanged(question);
    m_trustRefused = true;
}

bool CFtpTransferEngine::TrustCertificate(const CertificateQuestion& question) {
    const bool trusted = !m_abort && m_observer.AskTrustCertificate(question);
    m_trustRefused = !trusted;
    return trusted;
}

void CFtpTransferEngine::CertificateReplaced(const CertificateQuestion& question) {
    m_observer.OnCertificateReplaced(question);
    m_trustRefused = true;
}

int CFtpTransferEngine::Report(FtpText text, int code) {
    // A call that failed because Cancel cut it short is no error to report.
    if (m_abort) {
        m_errorText.clear();
        if (m_request.download && m_inTransfer) {
            m_local.CloseAndDelete();
        }
        return 0;
    }
    return ReportRefusal(text, {code == 0 ? m_client.LastError() : code, m_client.LastResponse()});
}

int CFtpTransferEngine::ReportRefusal(FtpText text, const RefusedCall& refusal) {
    if (m_abort) {
        return Report(text);
    }
    const int code = refusal.error;
    const std::string detail =
        code == kFtpErrorExtended ? "\n" + WithoutTrailingLineEnd(refusal.response) : std::to_string(code);
    m_errorText = FtpMessage(text, detail);
    m_errorHint = FtpErrorHint(code, refusal.response);
    if (code == kFtpErrorLoginFailure && m_request.security.protocol == FtpProtocol::Sftp &&
        !m_request.security.identityFile.empty()) {
        // libssh2 signs with RSA the old way only, which current servers refuse whatever the password.
        std::ifstream key(m_request.security.identityFile, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(key)), std::istreambuf_iterator<char>());
        if (SshPrivateKeyType(text) == "ssh-rsa") {
            m_errorHint = RsaKeyRefusedHint();
        }
    }
    if (m_request.download) {
        m_local.CloseAndDelete();
    }
    return 1;
}

int CFtpTransferEngine::Work() {
    const FtpTransferRequest& r = m_request;
    const FtpAccess access = r.usePreConfig ? FtpAccess::PreConfigured
                             : r.useProxy   ? FtpAccess::Proxy
                                            : FtpAccess::Direct;
    if (!m_client.OpenSession(r.agent, access, r.proxy)) {
        return Report(FtpText::ErrorTransfer);
    }
    if (m_abort) {
        return 0;
    }
    if (!m_client.SetStatusCallback(
            [this](FtpStatus status, const std::string& info) { OnClientStatus(status, info); })) {
        return Report(FtpText::ErrorTransfer);
    }
    m_callbackInstalled = true;
    if (m_abort) {
        return 0;
    }
    std::optional<std::string> user;
    std::optional<std::string> password;
    if (!r.userName.empty()) {
        user = r.userName;
        password = r.password;
    }
    m_client.SetSecurity(r.security, this);
    if (!m_client.Connect(r.server, r.port, user, password, r.passive)) {
        return Report(FtpText::ErrorConnect);
    }
    if (m_abort) {
        return 0;
    }
    m_observer.OnConnected();
    m_observer.OnStatus(FtpString(FtpText::GettingFileInfo));

    if (r.download) {
        const auto size = m_client.FindFile(r.remoteFile);
        m_sizeKnown = size.has_value();
        m_size = size.value_or(0);
    } else {
        m_sizeKnown = true;
        m_size = m_local.Length() - std::min(m_local.Length(), r.startOffset);
    }
    if (m_abort) {
        return 0;
    }
    if (!r.download && r.promptOverwrite && m_client.FindFile(r.remoteFile).has_value() &&
        !m_observer.AskReplaceRemote(FtpMessage(FtpText::OverwriteQuestion, r.remoteFile))) {
        m_errorText.clear();
        return 1;
    }
    if (m_abort) {
        return 0;
    }
    if (r.startOffset != 0 && !Resume()) {
        if (m_abort) {
            m_errorText.clear();
            return 0;
        }
        if (r.download) {
            m_local.CloseAndDelete();
        }
        return 1;
    }
    const bool safe = !r.download && r.safeReplace;
    if (!m_client.OpenFile(safe ? PartFileName(r.remoteFile) : r.remoteFile, !r.download, r.binary)) {
        const RefusedCall refusal{m_client.LastError(), m_client.LastResponse()};
        if (m_abort || refusal.error != kFtpErrorExtended) {
            return Report(FtpText::ErrorOpenRemote);
        }
        // Neither the temporary name nor the target itself can go where no folder is: say which is missing.
        if (const auto folder = r.download ? std::nullopt : MissingTargetFolder(refusal)) {
            m_errorText = FtpMessage(FtpText::ErrorFolderMissing, *folder);
            m_errorHint.clear();
            return 1;
        }
        // Some servers take no file but the ones they expect: the user may write the target directly.
        if (!safe || m_abort || r.startOffset != 0 ||
            !m_observer.AskWriteDirectly(FtpMessage(FtpText::WriteDirectlyQuestion, r.remoteFile,
                                                    WithoutTrailingLineEnd(refusal.response)))) {
            return ReportRefusal(FtpText::ErrorOpenRemote, refusal);
        }
        return WriteDirectly(false);
    }
    if (m_abort) {
        if (safe) {
            RemovePartAfterStop();
        }
        return 0;
    }
    const int sent = TransferLoop();
    if (!safe || sent != 0 || !m_confirmed) {
        if (safe && m_abort && sent == 0) {
            RemovePartAfterStop();
        }
        return sent;
    }
    return PutInPlace();
}

void CFtpTransferEngine::RemovePartAfterStop() {
    // A clean stop takes its temporary file along, as far as the server still answers within the grace.
    m_client.CloseFile();
    m_client.SetCancelGrace(kGraceAfterCancelMs);
    m_client.DeleteFile(PartFileName(m_request.remoteFile));
    m_client.SetCancelGrace(0);
}

int CFtpTransferEngine::PutInPlace() {
    // The server holds the whole file, so Cancel no longer takes it back: the size check and the rename go
    // ahead (within a grace once Cancel is pressed), and a target left as it was is said plainly.
    m_client.SetCancelGrace(kGraceAfterCancelMs);
    const int result = ReplaceTarget();
    if (result != 0 && m_abort) {
        m_client.DeleteFile(PartFileName(m_request.remoteFile));
    }
    m_client.SetCancelGrace(0);
    return result;
}

int CFtpTransferEngine::ReplaceTarget() {
    const FtpTransferRequest& r = m_request;
    const std::string part = PartFileName(r.remoteFile);
    m_observer.OnStatus(FtpMessage(FtpText::CheckingSize, part));
    const std::optional<std::uint64_t> held = m_client.FindFile(part);
    const std::uint64_t sent = r.startOffset + m_handed;
    if (!held) {
        m_errorText = FtpMessage(FtpText::ErrorSizeUnknown, part);
        return 1;
    }
    // In ASCII type a server may store its own line ends: each CR LF sent then takes one byte.
    const bool storedAsSent = *held == sent;
    const bool storedWithLf = !r.binary && r.startOffset == 0 && *held == sent - m_crlfHanded;
    if (!storedAsSent && !storedWithLf) {
        m_errorText = FtpMessage(FtpText::ErrorSizeMismatch, std::to_string(*held), std::to_string(sent));
        return 1;
    }
    m_observer.OnStatus(FtpMessage(FtpText::Renaming, part, r.remoteFile));
    bool renamed = m_client.RenameFile(part, r.remoteFile);
    // The refusal is told with the server's answer to the call that failed, not to the look-up after it.
    RefusedCall refusal{m_client.LastError(), m_client.LastResponse()};
    if (!renamed && r.security.protocol == FtpProtocol::Sftp && !m_client.RenameReplacesInOneStep() &&
        m_client.FindFile(r.remoteFile).has_value()) {
        // An SFTP server without a one-step rename does not rename over an existing file: the old one goes
        // first. Cancel waits for the pair, so the target is missing for no longer than the two requests
        // take.
        m_client.SetCancelFlag(nullptr);
        renamed = m_client.DeleteFile(r.remoteFile) && m_client.RenameFile(part, r.remoteFile);
        refusal = {m_client.LastError(), m_client.LastResponse()};
        m_client.SetCancelFlag(&m_abort);
    }
    if (!renamed) {
        return SendFailedRename(refusal);
    }
    m_outcome = FtpMessage(FtpText::ReplacedSafely, r.remoteFile, part);
    m_observer.OnStatus(m_outcome);
    return 0;
}

int CFtpTransferEngine::SendFailedRename(const RefusedCall& refusal) {
    const FtpTransferRequest& r = m_request;
    const int code = refusal.error;
    const std::string detail =
        code == kFtpErrorExtended ? "\n" + WithoutTrailingLineEnd(refusal.response) : std::to_string(code);
    // After Cancel nothing more is sent: the target stays as it was.
    if (!m_abort && m_observer.AskWriteDirectly(FtpMessage(FtpText::WriteDirectlyQuestion, r.remoteFile,
                                                           WithoutTrailingLineEnd(refusal.response)))) {
        return WriteDirectly(true);
    }
    m_errorText = FtpMessage(FtpText::ErrorRename, r.remoteFile, detail);
    m_errorHint = FtpErrorHint(code, refusal.response);
    return 1;
}

std::optional<std::string> CFtpTransferEngine::MissingTargetFolder(const RefusedCall& refusal) {
    const std::string& file = m_request.remoteFile;
    const std::size_t slash = file.rfind('/');
    // The login folder and the root are there whatever the server says.
    if (slash == std::string::npos || slash == 0 || file.compare(0, slash, "/~") == 0) {
        return std::nullopt;
    }
    const std::string folder = file.substr(0, slash);
    if (m_request.security.protocol == FtpProtocol::Sftp) {
        // Creating a file fails with "no such file" (status 2, or 10 for "no such path") only when its
        // folder is missing; libcurl words it "... (2/-31)".
        const std::string& words = refusal.response;
        const bool noSuchFolder =
            words.find("(2/") != std::string::npos || words.find("(10/") != std::string::npos;
        return noSuchFolder ? std::optional(folder) : std::nullopt;
    }
    // FTP has no look-up of a folder but changing into it; the working folder is put back afterwards,
    // since every path the session sends is relative to it.
    if (!m_client.SupportsCommand() || !m_client.Command("PWD")) {
        return std::nullopt;
    }
    const std::string pwd = m_client.LastResponse();
    const std::size_t open = pwd.find('"');
    const std::size_t close = open == std::string::npos ? open : pwd.rfind('"');
    if (pwd.rfind("257", 0) != 0 || close == std::string::npos || close <= open) {
        return std::nullopt;
    }
    if (!m_client.Command("CWD " + folder)) {
        return std::nullopt;
    }
    const std::string answer = m_client.LastResponse();
    if (answer.rfind("550", 0) == 0) {
        return folder;
    }
    if (answer.rfind("2", 0) == 0) {
        m_client.Command("CWD " + pwd.substr(open + 1, close - open - 1));
    }
    return std::nullopt;
}

int CFtpTransferEngine::WriteDirectly(bool removePart) {
    const FtpTransferRequest& r = m_request;
    // The whole file goes again, from its first byte.
    m_local.Close();
    if (!m_local.OpenForUpload(r.localFile)) {
        m_errorText = FtpMessage(FtpText::ErrorOpenLocalUpload, std::to_string(m_local.LastError()));
        return 1;
    }
    m_size = m_local.Length();
    if (m_abort) {
        return 0;
    }
    if (!m_client.OpenFile(r.remoteFile, true, r.binary)) {
        return Report(FtpText::ErrorOpenRemote);
    }
    if (m_abort) {
        return 0;
    }
    const int sent = TransferLoop();
    if (sent != 0 || !m_confirmed) {
        return sent;
    }
    if (removePart) {
        // Left over otherwise; it does no harm, so a refusal here is no failure.
        m_client.DeleteFile(PartFileName(r.remoteFile));
    }
    m_wroteDirectly = true;
    m_outcome = FtpMessage(removePart ? FtpText::WrittenDirectlyAfterRename : FtpText::WrittenDirectly,
                           r.remoteFile, PartFileName(r.remoteFile));
    m_observer.OnStatus(m_outcome);
    return 0;
}

bool CFtpTransferEngine::Resume() {
    // SSH has no REST: the offset goes with the transfer itself.
    if (m_request.security.protocol == FtpProtocol::Sftp) {
        m_client.SetRestartOffset(m_request.startOffset);
        return true;
    }
    if (!m_client.SupportsCommand()) {
        m_errorText = FtpString(FtpText::ErrorResumeUnavailable);
        return false;
    }
    if (!m_client.Command(Format("REST %lld", static_cast<long long>(m_request.startOffset)))) {
        m_errorText = FtpMessage(FtpText::ErrorResumeFailed, std::to_string(m_client.LastError()));
        return false;
    }
    const std::string reply = WithoutTrailingLineEnd(m_client.LastResponse());
    if (ReplyCode(reply) != 350) {
        m_errorText = FtpMessage(FtpText::ErrorResumeRefused, reply);
        return false;
    }
    return true;
}

int CFtpTransferEngine::TransferLoop() {
    const FtpTransferRequest& r = m_request;
    std::string status = FtpString(r.download ? FtpText::Retrieving : FtpText::Uploading);
    if (m_retriedPassive) {
        status += FtpString(FtpText::PassiveNote);
    }
    m_observer.OnStatus(status);
    m_inTransfer = true;
    m_startTick = m_clock.NowMs();
    m_lastTick = m_startTick;
    m_lastBytes = 0;
    m_lastShownBytes = 0;
    m_lastPercent = 0;
    std::uint64_t bytes = 0;
    std::uint64_t& handed = m_handed;  // upload: bytes given to the client, Cancel or not
    handed = 0;
    m_crlfHanded = 0;
    m_lastHandedCr = false;
    bool endOfData = false;
    char buffer[kChunkSize];
    std::size_t count = 1;
    while (count != 0 && !m_abort) {
        if (r.download) {
            if (!m_client.ReadFile(buffer, sizeof buffer, count)) {
                return Report(FtpText::ErrorDownload);
            }
            endOfData = count == 0;
            if (count == 0 || m_abort) {
                break;
            }
            if (!m_local.Write(buffer, count)) {
                return Report(FtpText::ErrorDownload, m_local.LastError());
            }
            BandwidthPause(bytes);
            bytes += count;
            Progress(bytes);
        } else {
            if (!m_local.Read(buffer, sizeof buffer, count)) {
                return Report(FtpText::ErrorUpload, m_local.LastError());
            }
            if (count == 0) {
                endOfData = true;
                break;
            }
            // The client may take less than the chunk; the rest follows at once so nothing is lost.
            std::size_t sent = 0;
            while (sent < count) {
                std::size_t written = 0;
                if (!m_client.WriteFile(buffer + sent, count - sent, written)) {
                    return Report(FtpText::ErrorUpload);
                }
                sent += written;
            }
            handed += count;
            for (std::size_t i = 0; i < count; ++i) {
                m_crlfHanded += m_lastHandedCr && buffer[i] == '\n' ? 1 : 0;
                m_lastHandedCr = buffer[i] == '\r';
            }
            if (!m_abort) {
                bytes += count;
                Progress(bytes);
            }
            BandwidthPause(bytes);
        }
    }
    // Cancel that comes once the whole file is handed over cannot take it back from the server: the
    // server's verdict decides, and a file it confirms is uploaded (the client no longer breaks off for
    // Cancel once it holds every byte). Before that, Cancel stands.
    const bool wholeFile = endOfData || (!r.download && handed == m_size && handed != 0);
    if (m_abort && !wholeFile) {
        m_client.CloseFile();
        if (r.download) {
            m_local.CloseAndDelete();
        } else {
            m_local.Close();
        }
        return 0;
    }
    if (!m_abort) {
        Progress(bytes, true);
    }
    // The server's verdict on the whole file: a refusal after the last chunk is a failure too.
    if (!m_client.FinishFile()) {
        return Report(r.download ? FtpText::ErrorDownload : FtpText::ErrorUpload);
    }
    if (m_abort) {
        Progress(r.download ? bytes : handed, true);
    }
    m_confirmed = true;
    m_client.CloseFile();
    m_local.Close();
    return 0;
}

void CFtpTransferEngine::BandwidthPause(std::uint64_t bytes) {
    const double limit = m_request.bandwidthLimit;
    if (limit <= 0) {
        return;
    }
    const std::uint64_t elapsed = m_clock.NowMs() - m_startTick;
    // Within the first millisecond the rate counts as unbounded.
    const double rate = elapsed > 0 ? static_cast<double>(bytes) / static_cast<double>(elapsed)
                                    : (bytes > 0 ? std::numeric_limits<double>::infinity() : 0.0);
    if (rate <= limit) {
        return;
    }
    auto wait = static_cast<std::uint64_t>(static_cast<double>(bytes) / limit - static_cast<double>(elapsed));
    // Sleep in slices so that Cancel is not held up by a low limit.
    while (wait > 0 && !m_abort) {
        const std::uint64_t slice = std::min<std::uint64_t>(wait, 100);
        m_clock.SleepMs(slice);
        wait -= slice;
    }
}

void CFtpTransferEngine::Progress(std::uint64_t bytes, bool last) {
    // The bar, the title's percentage and the copied amount are shown together and from the same count,
    // once a second and once more when the data is through, so they never tell different stories.
    const std::uint64_t now = m_clock.NowMs();
    const bool beat = now - m_lastTick > 1000;
    if (!beat && !(last && bytes != m_lastShownBytes)) {
        return;
    }
    if (beat) {
        const double rate = static_cast<double>(bytes - m_lastBytes) / static_cast<double>(now - m_lastTick);
        m_observer.OnRate(FormatTransferRate(rate));
        m_lastTick = now;
        m_lastBytes = bytes;
    }
    if (m_sizeKnown && m_size != 0) {
        const int percent =
            static_cast<int>(static_cast<double>(bytes) * 100.0 / static_cast<double>(m_size));
        if (percent != m_lastPercent) {
            m_observer.OnPercent(
                percent, FtpMessage(FtpText::PercentTitle, std::to_string(percent), m_request.remoteFile));
            m_lastPercent = percent;
        }
    }
    if (m_sizeKnown && bytes != 0) {
        const std::uint64_t left = bytes < m_size ? m_size - bytes : 0;
        const auto seconds =
            static_cast<std::uint64_t>(static_cast<double>(now - m_startTick) / static_cast<double>(bytes) *
                                       static_cast<double>(left) * 0.001);
        m_observer.OnTimeLeft(FormatTimeLeftLine(seconds, bytes, m_size));
    }
    m_lastShownBytes = bytes;
}

}  // namespace yarvelin
