#include "upload/transfer_drive.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace yarvelin {

std::optional<std::string> ReadPasswordFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string password;
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return password;
}

std::string TransferOutcome::Message(const std::string& separator, const std::string& fallback) const {
    if (error.empty()) {
        return fallback;
    }
    return hint.empty() ? error : error + separator + hint;
}

CTransferDrive::CTransferDrive(FtpClient& client, FtpTransferObserver& observer, FtpClock& clock)
    : m_engine(client, observer, clock) {}

CFtpTransferEngine::PrepareResult CTransferDrive::Prepare(
    const FtpTransferRequest& request, const std::function<bool(const std::string&)>& askOverwrite) {
    m_engine.m_request = request;
    return m_engine.Prepare(askOverwrite ? askOverwrite : [](const std::string&) { return true; });
}

TransferOutcome CTransferDrive::Finish(bool failed) {
    TransferOutcome outcome;
    if (m_engine.IsAborted()) {
        outcome.kind = TransferOutcome::Kind::Stopped;
        return outcome;
    }
    if (failed) {
        outcome.error = m_engine.ErrorText();
        outcome.hint = m_engine.ErrorHint();
        outcome.saidAlready = m_engine.TrustRefused();
        return outcome;
    }
    outcome.kind = TransferOutcome::Kind::Sent;
    outcome.outcomeText = m_engine.OutcomeText();
    outcome.wroteDirectly = m_engine.WroteDirectly();
    std::error_code ignored;
    const std::uintmax_t size = std::filesystem::file_size(m_engine.m_request.localFile, ignored);
    outcome.bytes = ignored ? 0 : static_cast<std::uint64_t>(size);
    if (m_onConfirmed && !m_finished) {
        m_onConfirmed();
    }
    m_finished = true;
    return outcome;
}

}  // namespace yarvelin
