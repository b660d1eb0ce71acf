#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "support/fake_ftp.h"
#include "upload/ftp_client.h"
#include "upload/ftp_texts.h"
#include "upload/ftp_transfer_engine.h"
#include "upload/remote_file_name.h"

namespace yarvelin {
namespace {

using testing::CFakeClient;
using testing::CFakeClock;

// ---- texts

struct RateCase {
    double rate;
    const char* text;
};
class FtpRateText : public ::testing::TestWithParam<RateCase> {};
TEST_P(FtpRateText, Wording) {
    EXPECT_EQ(FormatTransferRate(GetParam().rate), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(Examples, FtpRateText,
                         ::testing::Values(RateCase{0.999, "1023 Bytes/Sec"}, RateCase{0.0, "0 Bytes/Sec"},
                                           RateCase{1.0, "1.00 KB/Sec"}, RateCase{9.999, "10.00 KB/Sec"},
                                           RateCase{10.0, "10 KB/Sec"}, RateCase{1234.4, "1234 KB/Sec"}));

struct SizeCase {
    std::uint64_t bytes;
    const char* text;
};
class FtpSizeText : public ::testing::TestWithParam<SizeCase> {};
TEST_P(FtpSizeText, Wording) {
    EXPECT_EQ(FormatByteSize(GetParam().bytes), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(Examples, FtpSizeText,
                         ::testing::Values(SizeCase{0, "0 Bytes"}, SizeCase{1023, "1023 Bytes"},
                                           SizeCase{1024, "1.0 KB"}, SizeCase{1048575, "1024.0 KB"},
                                           SizeCase{1048576, "1.00 MB"}, SizeCase{104857600, "100.00 MB"}));

struct TimeCase {
    std::uint64_t seconds;
    const char* text;
};
class FtpTimeText : public ::testing::TestWithParam<TimeCase> {};
TEST_P(FtpTimeText, Wording) {
    EXPECT_EQ(FormatTimeLeft(GetParam().seconds), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(Examples, FtpTimeText,
                         ::testing::Values(TimeCase{0, "0 sec"}, TimeCase{59, "59 sec"},
                                           TimeCase{60, "1 min"}, TimeCase{61, "1 min 1 sec"},
                                           TimeCase{125, "2 min 5 sec"}, TimeCase{3600, "60 min"}));

TEST(FtpTexts, TimeLeftLineAndTable) {
    EXPECT_EQ(FormatTimeLeftLine(125, 1572864, 3355443), "2 min 5 sec (1.50 MB of 3.20 MB copied)");
    EXPECT_EQ(FtpMessage(FtpText::PercentTitle, "42", "shop.txt"), "42% of shop.txt Completed");
    EXPECT_EQ(FtpMessage(FtpText::OverwriteQuestion, "a.txt"),
              "The file 'a.txt' already exists.\nDo you want to replace it?");
    EXPECT_EQ(FtpMessage(FtpText::ErrorOpenLocalUpload, "2"),
              "An error occured while opening the file to be uploaded, Error:2");
}

TEST(FtpTexts, RemoteNameIsTheLastComponent) {
    EXPECT_EQ(RemoteFileNameFor("C:\\feeds\\shop.txt"), "shop.txt");
    EXPECT_EQ(RemoteFileNameFor("/home/m/feeds/shop.txt"), "shop.txt");
    EXPECT_EQ(RemoteFileNameFor("C:shop.txt"), "shop.txt");
    EXPECT_EQ(RemoteFileNameFor("shop.txt"), "shop.txt");
    EXPECT_EQ(RemoteFileNameFor("/home/m/feeds/"), "");
    EXPECT_EQ(RemoteFileNameFor("/x/" + std::string(300, 'n')), std::string(254, 'n'));
}

// ---- engine with a scripted client

class CListObserver : public FtpTransferObserver {
  public:
    void OnStatus(const std::string& text) override { m_events.push_back("status:" + text); }
    void OnPercent(int percent, const std::string& title) override {
        m_events.push_back("percent:" + std::to_string(percent) + ":" + title);
    }
    void OnRate(const std::string& text) override { m_events.push_back("rate:" + text); }
    void OnTimeLeft(const std::string& text) override { m_events.push_back("left:" + text); }
    bool AskReplaceRemote(const std::string& question) override {
        m_events.push_back("ask:" + question);
        return true;
    }
    bool AskWriteDirectly(const std::string& question) override {
        m_events.push_back("direct?:" + question);
        return m_writeDirectly;
    }
    bool m_writeDirectly = false;
    void OnEnded(bool failed) override { m_events.push_back(failed ? "ended:1" : "ended:0"); }
    std::size_t Count(const std::string& prefix) const {
        return static_cast<std::size_t>(std::count_if(
            m_events.begin(), m_events.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
    }
    std::vector<std::string> m_events;
};

class FtpEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("yarvelin-engine-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
        m_client.m_clock = &m_clock;
        m_local = (m_dir / "feed.txt").string();
        m_engine.m_request.server = "ftp.example";
        m_engine.m_request.remoteFile = "feed.txt";
        m_engine.m_request.localFile = m_local;
        m_engine.m_request.promptOverwrite = false;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    void WriteLocal(const std::string& bytes) { std::ofstream(m_local, std::ios::binary) << bytes; }
    std::string ReadLocal() {
        std::ifstream in(m_local, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Run() {
        ASSERT_EQ(m_engine.Prepare([](const std::string&) { return true; }),
                  CFtpTransferEngine::PrepareResult::Ready);
        m_engine.Run();
    }
    std::filesystem::path m_dir;
    std::string m_local;
    CFakeClock m_clock;
    CFakeClient m_client;
    CListObserver m_observer;
    CFtpTransferEngine m_engine{m_client, m_observer, m_clock};
};

TEST_F(FtpEngine, UploadRunsTheStepsInOrder) {
    WriteLocal(std::string(3000, 'x'));
    m_engine.m_request.download = false;
    m_engine.m_request.binary = false;
    m_engine.m_request.userName = "";
    m_engine.m_request.password = "ignored";
    Run();
    EXPECT_EQ(m_client.m_calls,
              (std::vector<std::string>{"session", "connect", "open-write-ascii", "finish", "close-file"}));
    EXPECT_EQ(m_client.m_received, std::string(3000, 'x'));
    EXPECT_FALSE(m_client.m_user.has_value());
    EXPECT_FALSE(m_client.m_password.has_value());
    EXPECT_EQ(m_client.m_access, FtpAccess::PreConfigured);
    EXPECT_EQ(m_observer.m_events.front(), "status:Resolving name: host");
    EXPECT_EQ(m_observer.m_events.back(), "ended:0");
    // Faster than a second: the figures are shown once, when the data is through, bar and amount alike.
    EXPECT_EQ(m_observer.Count("percent:"), 1u);
    EXPECT_EQ(m_observer.m_events[m_observer.m_events.size() - 3], "percent:100:100% of feed.txt Completed");
    EXPECT_EQ(m_observer.m_events[m_observer.m_events.size() - 2], "left:0 sec (2.9 KB of 2.9 KB copied)");
}

TEST_F(FtpEngine, ProgressLinesAtMostOnceASecond) {
    // 100 chunks of 1024 bytes, 300 ms each: the lines change every fourth chunk.
    m_client.m_data = std::string(102400, 'd');
    m_client.m_remoteSize = 102400;
    m_client.m_msPerChunk = 300;
    Run();
    // Bar, percentage and amount move together, once a second, from the same count of bytes.
    EXPECT_EQ(m_observer.Count("percent:"), 25u);
    EXPECT_EQ(m_observer.Count("rate:"), 25u);
    EXPECT_EQ(m_observer.Count("left:"), 25u);
    // After 4 chunks: 4096 bytes in 1200 ms; 98304 bytes left at that pace.
    const auto first = std::find_if(m_observer.m_events.begin(), m_observer.m_events.end(),
                                    [](const std::string& e) { return e.rfind("rate:", 0) == 0; });
    ASSERT_NE(first, m_observer.m_events.end());
    EXPECT_EQ(*first, "rate:3.41 KB/Sec");
    EXPECT_EQ(*(first + 1), "percent:4:4% of feed.txt Completed");
    EXPECT_EQ(*(first + 2), "left:28 sec (4.0 KB of 100.0 KB copied)");
    EXPECT_EQ(ReadLocal(), m_client.m_data);
}

TEST_F(FtpEngine, DownloadOfUnknownSizeShowsRateOnly) {
    m_client.m_data = std::string(10240, 'd');
    m_client.m_msPerChunk = 600;
    Run();
    EXPECT_EQ(m_observer.Count("percent:"), 0u);
    EXPECT_EQ(m_observer.Count("left:"), 0u);
    EXPECT_EQ(m_observer.Count("rate:"), 5u);
}

TEST_F(FtpEngine, PercentBelowOneNeverMovesTheBar) {
    m_client.m_data = std::string(999, 'd');
    m_client.m_remoteSize = 1000;
    Run();
    EXPECT_EQ(m_observer.Count("percent:"), 1u);
    EXPECT_EQ(m_observer.m_events[m_observer.m_events.size() - 3], "percent:99:99% of feed.txt Completed");
}

TEST_F(FtpEngine, BandwidthLimitSleepsToTheRate) {
    WriteLocal(std::string(10240, 'u'));
    m_engine.m_request.download = false;
    m_engine.m_request.bandwidthLimit = 1.0;  // 1024 bytes a second
    Run();
    // The pause after the last chunk brings 10240 bytes to 10240 ms.
    EXPECT_EQ(m_clock.m_slept, 10240u);
}

struct ResumeCase {
    const char* name;
    bool supports;
    const char* failAt;
    const char* reply;
    const char* error;
};
class FtpEngineResume : public FtpEngine, public ::testing::WithParamInterface<ResumeCase> {};
TEST_P(FtpEngineResume, FailuresGiveTheirTextsAndDeleteTheDownload) {
    WriteLocal(std::string(100, 'o'));
    m_client.m_supportsCommand = GetParam().supports;
    m_client.m_failAt = GetParam().failAt;
    m_client.m_reply = GetParam().reply;
    m_engine.m_request.startOffset = 10;
    Run();
    EXPECT_EQ(m_engine.ErrorText(), GetParam().error);
    EXPECT_EQ(m_observer.m_events.back(), "ended:1");
    EXPECT_FALSE(std::filesystem::exists(m_local));
}
INSTANTIATE_TEST_SUITE_P(
    Cases, FtpEngineResume,
    ::testing::Values(
        ResumeCase{
            "Unavailable", false, "", "",
            "FtpCommand method (which is required to support FTP resumes) is not available on this machine. "
            "Please upgrade to Internet Explorer 5 or later."},
        ResumeCase{"SendFails", true, "command", "",
                   "An error occurred while resuming the transfer, Error:12031"},
        ResumeCase{"Refused", true, "", "502 REST not implemented.\r\n",
                   "The server reports that resume is not supported, Error:502 REST not implemented."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FtpEngine, SftpResumesWithoutARestCommandAndAsksThroughTheObserver) {
    WriteLocal("0123456789stale");
    m_client.m_data = "abc";
    m_engine.m_request.startOffset = 10;
    m_engine.m_request.security.protocol = FtpProtocol::Sftp;
    Run();
    EXPECT_EQ(m_engine.ErrorText(), "");
    EXPECT_EQ(m_client.m_protocol, FtpProtocol::Sftp);
    EXPECT_NE(std::find(m_client.m_calls.begin(), m_client.m_calls.end(), "restart:10"),
              m_client.m_calls.end());
    EXPECT_EQ(std::find(m_client.m_calls.begin(), m_client.m_calls.end(), "REST 10"), m_client.m_calls.end());
    EXPECT_EQ(ReadLocal(), "0123456789abc");
    // Without an answer from the observer, nothing unknown is trusted.
    ASSERT_NE(m_client.m_trust, nullptr);
    EXPECT_FALSE(m_client.m_trust->TrustNewHostKey({}));
    EXPECT_FALSE(m_client.m_trust->TrustCertificate({}));
}

TEST_F(FtpEngine, AcceptedResumeKeepsTheFirstBytesAndCutsTheRest) {
    WriteLocal("0123456789stale");
    m_client.m_data = "abc";
    m_engine.m_request.startOffset = 10;
    Run();
    EXPECT_EQ(m_engine.ErrorText(), "");
    EXPECT_EQ(m_client.m_calls[3], "REST 10");
    EXPECT_EQ(ReadLocal(), "0123456789abc");
}

struct ErrorCase {
    const char* name;
    const char* failAt;
    int code;
    bool download;
    const char* error;
};
class FtpEngineErrors : public FtpEngine, public ::testing::WithParamInterface<ErrorCase> {};
TEST_P(FtpEngineErrors, ReportTheServerReplyOrTheCode) {
    WriteLocal(std::string(5000, 'z'));
    m_client.m_failAt = GetParam().failAt;
    m_client.m_failCode = GetParam().code;
    m_client.m_reply = "530 Login incorrect.\r\n";
    m_client.m_data = std::string(5000, 'z');
    m_engine.m_request.download = GetParam().download;
    Run();
    EXPECT_EQ(m_engine.ErrorText(), GetParam().error);
    EXPECT_EQ(m_observer.m_events.back(), "ended:1");
    // A failed download leaves no partial file behind; an upload's source stays.
    EXPECT_EQ(std::filesystem::exists(m_local), !GetParam().download);
    EXPECT_EQ(m_client.m_callback, nullptr);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, FtpEngineErrors,
    ::testing::Values(
        ErrorCase{"Session", "session", 12004, false,
                  "An error occurred while attempting to transfer the file, Error:12004"},
        ErrorCase{"ConnectReply", "connect", kFtpErrorExtended, false,
                  "An error occurred connecting to the server, Error:\n530 Login incorrect."},
        ErrorCase{"ConnectCode", "connect", 12029, true,
                  "An error occurred connecting to the server, Error:12029"},
        ErrorCase{"Open", "open", kFtpErrorExtended, true,
                  "An error occurred while attempting to open the specified remote file, Error:\n530 Login "
                  "incorrect."},
        ErrorCase{"Read", "read", 12030, true, "An error occurred while downloading the file, Error:12030"},
        ErrorCase{"Write", "write", 12030, false, "An error occurred while uploading the file, Error:12030"},
        ErrorCase{"FinishRefused", "finish", kFtpErrorExtended, false,
                  "An error occurred while uploading the file, Error:\n530 Login incorrect."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FtpEngine, LocalDownloadTargetQuestionAndOpenFailures) {
    WriteLocal("keep me");
    m_engine.m_request.promptOverwrite = true;
    std::string asked;
    EXPECT_EQ(m_engine.Prepare([&](const std::string& q) {
        asked = q;
        return false;
    }),
              CFtpTransferEngine::PrepareResult::Declined);
    EXPECT_EQ(asked, "The file '" + m_local + "' already exists.\nDo you want to replace it?");
    EXPECT_EQ(ReadLocal(), "keep me");

    CFtpTransferEngine upload(m_client, m_observer, m_clock);
    upload.m_request.download = false;
    upload.m_request.localFile = (m_dir / "missing.txt").string();
    EXPECT_EQ(upload.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Failed);
    EXPECT_EQ(upload.ErrorText(), "An error occured while opening the file to be uploaded, Error:2");

    CFtpTransferEngine download(m_client, m_observer, m_clock);
    download.m_request.localFile = (m_dir / "no-such-folder" / "x.txt").string();
    EXPECT_EQ(download.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Failed);
    EXPECT_EQ(download.ErrorText(), "An error occured while opening the file to be downloaded, Error:2");
}

TEST_F(FtpEngine, AbortBeforeConnectingEndsAtOnce) {
    WriteLocal("x");
    m_engine.m_request.download = false;
    ASSERT_EQ(m_engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    m_engine.Abort();
    m_engine.Run();
    EXPECT_EQ(m_client.m_calls, std::vector<std::string>{"session"});
    EXPECT_EQ(m_observer.m_events, std::vector<std::string>{"ended:0"});
}

// Cancel reaches into a call that waits on a silent server, in every phase, and ends the transfer
// quietly: no error text, and a partly downloaded file goes.
struct HangCase {
    const char* phase;
    bool download;
};
class FtpEngineCancel : public FtpEngine, public ::testing::WithParamInterface<HangCase> {};
TEST_P(FtpEngineCancel, EndsAnyPhaseWithoutAnError) {
    WriteLocal(std::string(5000, 'c'));
    m_client.m_data = std::string(5000, 'd');
    m_client.m_remoteSize = 5000;
    m_client.m_hangAt = GetParam().phase;
    m_engine.m_request.download = GetParam().download;
    m_engine.m_request.promptOverwrite = std::string(GetParam().phase) == "find";
    ASSERT_EQ(m_engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    ASSERT_TRUE(m_engine.Start());
    while (m_client.m_cancel.load() == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_engine.Abort();
    m_engine.Wait();
    EXPECT_EQ(m_observer.m_events.back(), "ended:0");
    EXPECT_EQ(m_engine.ErrorText(), "");
    EXPECT_EQ(m_client.m_cancel.load(), nullptr);  // handed back once the worker is done
    if (GetParam().download && std::string(GetParam().phase) == "read") {
        EXPECT_FALSE(std::filesystem::exists(m_local));
    }
}
INSTANTIATE_TEST_SUITE_P(Phases, FtpEngineCancel,
                         ::testing::Values(HangCase{"connect", false}, HangCase{"find", false},
                                           HangCase{"open", false}, HangCase{"write", false},
                                           HangCase{"read", true}),
                         [](const auto& info) {
                             return std::string(info.param.phase) + (info.param.download ? "Down" : "Up");
                         });

// ---- safe replace: temporary file, size check, rename

struct SafeReplaceCase {
    const char* name;
    const char* local;
    bool binary;
    FtpProtocol protocol;
    std::optional<std::uint64_t> partSize;  // what the server says it holds of the temporary file
    int renameRefusals;
    bool targetExists;
    bool writeDirectly;  // the answer to the question after a refusal
    std::vector<std::string> calls;
    const char* error;
    const char* outcome;
};
class FtpEngineSafeReplace : public FtpEngine, public ::testing::WithParamInterface<SafeReplaceCase> {};
TEST_P(FtpEngineSafeReplace, ReplacesTheTargetOnlyWithTheWholeFile) {
    const SafeReplaceCase& c = GetParam();
    WriteLocal(c.local);
    m_client.m_sizes["feed.txt.part"] = c.partSize;
    m_client.m_sizes["feed.txt"] = c.targetExists ? std::optional<std::uint64_t>(7) : std::nullopt;
    m_client.m_renameRefusals = c.renameRefusals;
    // A look-up after a refused rename must not lend its answer to the refusal's message.
    m_client.m_findReply = "Could not open remote file for reading\r\n";
    m_observer.m_writeDirectly = c.writeDirectly;
    m_engine.m_request.download = false;
    m_engine.m_request.safeReplace = true;
    m_engine.m_request.binary = c.binary;
    m_engine.m_request.security.protocol = c.protocol;
    Run();
    EXPECT_EQ(m_client.m_calls, c.calls);
    EXPECT_EQ(m_engine.ErrorText(), c.error);
    EXPECT_EQ(m_engine.OutcomeText(), c.outcome);
    EXPECT_EQ(m_observer.m_events.back(), std::string(c.error).empty() ? "ended:0" : "ended:1");
    if (!std::string(c.outcome).empty()) {
        EXPECT_EQ(m_observer.m_events[m_observer.m_events.size() - 2], "status:" + std::string(c.outcome));
    }
}
const std::vector<std::string> kSentAndChecked = {"session", "connect",    "open-write-binary:feed.txt.part",
                                                  "finish",  "close-file", "find"};
std::vector<std::string> Then(std::vector<std::string> calls, const std::vector<std::string>& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}
const char* const kReplaced = "Sent as feed.txt.part, size checked, renamed to feed.txt";
INSTANTIATE_TEST_SUITE_P(
    Cases, FtpEngineSafeReplace,
    ::testing::Values(
        SafeReplaceCase{"FtpRenamesOver", "abc\r\n", true, FtpProtocol::Ftp, 5, 0, true, false,
                        Then(kSentAndChecked, {"rename:feed.txt.part>feed.txt"}), "", kReplaced},
        SafeReplaceCase{"AsciiStoredWithLfAlone",
                        "a\r\nb\r\n\r",
                        false,
                        FtpProtocol::Ftp,
                        5,
                        0,
                        true,
                        false,
                        {"session", "connect", "open-write-ascii:feed.txt.part", "finish", "close-file",
                         "find", "rename:feed.txt.part>feed.txt"},
                        "",
                        kReplaced},
        SafeReplaceCase{
            "ShortTemporaryFileStaysAside", "abcdef", true, FtpProtocol::Ftp, 4, 0, true, false,
            kSentAndChecked,
            "The server holds 4 bytes where 6 were sent, so the file on the server was left as it "
            "was.",
            ""},
        SafeReplaceCase{
            "LfCountIsNoExcuseInBinary", "a\r\nb\r\n", true, FtpProtocol::Ftp, 4, 0, true, false,
            kSentAndChecked,
            "The server holds 4 bytes where 6 were sent, so the file on the server was left as it "
            "was.",
            ""},
        SafeReplaceCase{
            "SizeUnknown", "abc", true, FtpProtocol::Ftp, std::nullopt, 0, true, false, kSentAndChecked,
            "The server did not tell the size of feed.txt.part, so the file on the server was left "
            "as it was.",
            ""},
        SafeReplaceCase{"SftpRemovesThenRenames", "abc", true, FtpProtocol::Sftp, 3, 1, true, false,
                        Then(kSentAndChecked, {"rename:feed.txt.part>feed.txt", "find", "delete:feed.txt",
                                               "rename:feed.txt.part>feed.txt"}),
                        "", kReplaced},
        SafeReplaceCase{
            "FtpRenameRefusedAndDeclined", "abc", true, FtpProtocol::Ftp, 3, 1, true, false,
            Then(kSentAndChecked, {"rename:feed.txt.part>feed.txt"}),
            "The server refused to put the uploaded file in place of feed.txt, so the file on the "
            "server was left as it was, Error:\n550 Rename failed.",
            ""},
        SafeReplaceCase{"FtpRenameRefusedWrittenDirectly", "abc", true, FtpProtocol::Ftp, 3, 1, true, true,
                        Then(kSentAndChecked, {"rename:feed.txt.part>feed.txt", "open-write-binary", "finish",
                                               "close-file", "delete:feed.txt.part"}),
                        "",
                        "Written directly to feed.txt: the server refused to rename the temporary file "
                        "feed.txt.part over it"},
        SafeReplaceCase{
            "SftpRefusalWithoutTargetIsNoDeleteCase", "abc", true, FtpProtocol::Sftp, 3, 1, false, false,
            Then(kSentAndChecked, {"rename:feed.txt.part>feed.txt", "find"}),
            "The server refused to put the uploaded file in place of feed.txt, so the file on the "
            "server was left as it was, Error:\n550 Rename failed.",
            ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FtpEngineSafeReplace, RefusedTemporaryFileAsksAndWritesTheTargetDirectly) {
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        CFakeClient client;
        client.m_clock = &m_clock;
        client.m_refuseOpenOf = "feed.txt.part";
        CListObserver observer;
        observer.m_writeDirectly = yes;
        CFtpTransferEngine engine(client, observer, m_clock);
        WriteLocal("abc");
        engine.m_request = m_engine.m_request;
        engine.m_request.download = false;
        engine.m_request.safeReplace = true;
        engine.m_request.binary = true;
        ASSERT_EQ(engine.Prepare([](const std::string&) { return true; }),
                  CFtpTransferEngine::PrepareResult::Ready);
        engine.Run();
        EXPECT_EQ(
            observer.Count("direct?:The server refused to put the uploaded file in place of feed.txt:\n553 "
                           "Could not create file.\n\nDo you want to write feed.txt directly instead?"),
            1u);
        EXPECT_EQ(client.m_received, yes ? "abc" : "");
        EXPECT_EQ(engine.ErrorText(), yes ? ""
                                          : "An error occurred while attempting to open the specified remote "
                                            "file, Error:\n553 Could not create file.");
    }
}

TEST_F(FtpEngine, SafeReplaceResumeContinuesTheTemporaryFile) {
    WriteLocal("0123456789abc");
    m_client.m_sizes["feed.txt.part"] = 13;
    m_engine.m_request.download = false;
    m_engine.m_request.binary = true;
    m_engine.m_request.safeReplace = true;
    m_engine.m_request.startOffset = 10;
    Run();
    EXPECT_EQ(m_engine.ErrorText(), "");
    EXPECT_EQ(m_client.m_received, "abc");
    EXPECT_EQ(m_client.m_calls,
              (std::vector<std::string>{"session", "connect", "REST 10", "open-write-binary:feed.txt.part",
                                        "finish", "close-file", "find", "rename:feed.txt.part>feed.txt"}));
}

TEST_F(FtpEngine, CancelAfterTheDataLeavesTheTargetAlone) {
    // Cancel pressed while the server confirmed the temporary file: no size check, no rename.
    WriteLocal("abc");
    m_engine.m_request.download = false;
    m_engine.m_request.safeReplace = true;
    m_client.m_hangAt = "finish";
    ASSERT_EQ(m_engine.Prepare([](const std::string&) { return true; }),
              CFtpTransferEngine::PrepareResult::Ready);
    ASSERT_TRUE(m_engine.Start());
    while (m_client.m_cancel.load() == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_engine.Abort();
    m_engine.Wait();
    EXPECT_TRUE(m_engine.IsAborted());
    EXPECT_EQ(std::count_if(m_client.m_calls.begin(), m_client.m_calls.end(),
                            [](const std::string& c) { return c.rfind("rename:", 0) == 0; }),
              0);
}

}  // namespace
}  // namespace yarvelin
