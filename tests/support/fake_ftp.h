// A scripted FTP client and a clock the test moves: the transfer engine's steps without a server.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "upload/ftp_client.h"
#include "upload/ftp_transfer_observer.h"

namespace yarvelin::testing {

class CFakeClock : public FtpClock {
  public:
    std::uint64_t NowMs() override { return m_now; }
    void SleepMs(std::uint64_t ms) override {
        m_slept += ms;
        m_now += ms;
    }
    std::uint64_t m_now = 1000000;
    std::uint64_t m_slept = 0;
};

class CFakeClient : public FtpClient {
  public:
    bool OpenSession(const std::string&, FtpAccess access, const std::string&) override {
        m_access = access;
        return Call("session", m_failAt != "session");
    }
    bool SetStatusCallback(StatusCallback callback) override {
        m_callback = std::move(callback);
        return true;
    }
    bool Connect(const std::string&, std::uint16_t, const std::optional<std::string>& user,
                 const std::optional<std::string>& password, bool) override {
        m_user = user;
        m_password = password;
        if (m_callback) {
            m_callback(FtpStatus::ResolvingName, "host");
        }
        return Call("connect", m_failAt != "connect");
    }
    std::optional<std::uint64_t> FindFile(const std::string& name) override {
        Call("find", true);
        if (!m_findReply.empty()) {
            m_reply = m_findReply;  // each request has its own answer
        }
        // A server that keeps what it is sent: the temporary file's size is what arrived.
        if (m_keepsWhatItGets && name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0) {
            return m_received.empty() ? std::nullopt : std::optional<std::uint64_t>(m_received.size());
        }
        if (m_sizes.count(name) != 0) {
            return m_sizes[name];
        }
        return m_remoteSize;
    }
    bool RenameFile(const std::string& from, const std::string& to) override {
        m_calls.push_back("rename:" + from + ">" + to);
        if (m_renameRefusals > 0) {
            --m_renameRefusals;
            m_error = kFtpErrorExtended;
            m_reply = "550 Rename failed.\r\n";
            return false;
        }
        return true;
    }
    bool DeleteFile(const std::string& name) override {
        m_calls.push_back("delete:" + name);
        return true;
    }
    bool Command(const std::string& command) override {
        m_calls.push_back(command);
        if (m_failAt == "command") {
            m_error = 12031;
            return false;
        }
        return true;
    }
    bool SupportsCommand() const override { return m_supportsCommand; }
    void SetSecurity(const FtpSecurity& security, FtpTrust* trust) override {
        m_protocol = security.protocol;
        m_trust = trust;
    }
    void SetRestartOffset(std::uint64_t offset) override {
        m_calls.push_back("restart:" + std::to_string(offset));
    }
    bool OpenFile(const std::string& name, bool write, bool binary) override {
        m_calls.push_back(std::string(write ? "open-write" : "open-read") + (binary ? "-binary" : "-ascii"));
        if (name != "feed.txt") {
            m_calls.back() += ":" + name;
        }
        if (m_refuseOpenOf == name) {
            m_error = kFtpErrorExtended;
            m_reply = "553 Could not create file.\r\n";
            return false;
        }
        if (m_hangAt == "open") {
            return Hang();
        }
        return m_failAt != "open" || Fail();
    }
    bool ReadFile(char* buffer, std::size_t size, std::size_t& read) override {
        if (m_hangAt == "read" && m_served > 0) {
            return Hang();
        }
        if (m_failAt == "read" && m_served > 0) {
            return Fail();
        }
        read = std::min(size, m_data.size() - m_served);
        std::copy_n(m_data.data() + m_served, read, buffer);
        m_served += read;
        m_clock->m_now += m_msPerChunk;
        return true;
    }
    bool WriteFile(const char* buffer, std::size_t size, std::size_t& written) override {
        if (m_hangAt == "write" && !m_received.empty()) {
            return Hang();
        }
        if (m_failAt == "write") {
            return Fail();
        }
        m_received.append(buffer, size);
        written = size;
        m_clock->m_now += m_msPerChunk;
        return true;
    }
    bool FinishFile() override { return Call("finish", m_failAt != "finish"); }
    void CloseFile() override { m_calls.push_back("close-file"); }
    void Close() override {}
    int LastError() const override { return m_error; }
    std::string LastResponse() const override { return m_reply; }

    void SetCancelFlag(const std::atomic<bool>* flag) override { m_cancel = flag; }

    bool Call(const char* name, bool ok) {
        m_calls.push_back(name);
        if (m_hangAt == name) {
            return Hang();
        }
        return ok || Fail();
    }
    // A server that never answers: the call ends only when the cancel flag is set, and then fails as a
    // cut-off call does.
    bool Hang() {
        // Ten seconds at most, so that an engine that never cancels fails the test rather than hangs it.
        for (int i = 0; i < 10000 && (m_cancel.load() == nullptr || !m_cancel.load()->load()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        m_error = kFtpErrorInternal;
        return false;
    }
    bool Fail() {
        m_error = m_failCode;
        return false;
    }

    std::vector<std::string> m_calls;
    std::string m_failAt;
    std::string m_hangAt;
    std::atomic<const std::atomic<bool>*> m_cancel{nullptr};
    int m_failCode = kFtpErrorExtended;
    int m_error = 0;
    std::string m_reply = "350 Restarting at 10.\r\n";
    bool m_supportsCommand = true;
    std::optional<std::uint64_t> m_remoteSize;
    std::map<std::string, std::optional<std::uint64_t>> m_sizes;  // FindFile by name, over m_remoteSize
    std::string m_findReply;                                      // FindFile's answer, when it gives one
    int m_renameRefusals = 0;
    bool m_keepsWhatItGets = false;
    std::string m_refuseOpenOf;
    std::string m_data;
    std::size_t m_served = 0;
    std::string m_received;
    std::uint64_t m_msPerChunk = 0;
    FtpAccess m_access = FtpAccess::Direct;
    std::optional<std::string> m_user, m_password;
    StatusCallback m_callback;
    FtpTrust* m_trust = nullptr;
    FtpProtocol m_protocol = FtpProtocol::Ftp;
    CFakeClock* m_clock = nullptr;
};

}  // namespace yarvelin::testing
