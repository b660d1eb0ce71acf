// The operations the wizard and yarvelin-feed share: the upload request and whether a save or an upload
// may go ahead.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/yarvelin_app.h"
#include "checks/diagnostics_report.h"
#include "checks/release_checks.h"
#include "feed_test_support.h"
#include "upload/upload_request.h"

namespace yarvelin {
namespace {

// What a save means: the file for the service is what an upload sends and leaves the feed's own name and its
// edits alone; a backup becomes the feed's own file. Both join the recent feeds; a failed write changes
// nothing.
TEST(SaveWorkflowTest, FeedFileAndBackupMeanDifferentThings) {
    test::CTempFolder dir;
    CYarvelinApp app;
    CFeedDocument& doc = app.Document();
    doc.NoteLoadedFrom(dir.File("shop-source.txt"));
    doc.AddOrReplaceRecord(COtherRecord());
    test::CRecordingObserver observer;

    ASSERT_TRUE(app.SaveFeed(dir.File("shop.txt"), {}, observer));
    EXPECT_EQ(doc.SavedFileName(), dir.File("shop.txt"));
    EXPECT_EQ(doc.FileName(), dir.File("shop-source.txt"));
    EXPECT_TRUE(doc.IsChanged());
    EXPECT_EQ(app.RecentFeeds().NonEmpty().front(), dir.File("shop.txt"));

    ASSERT_TRUE(app.SaveBackup(dir.File("backup.txt"), {}, observer));
    EXPECT_EQ(doc.FileName(), dir.File("backup.txt"));
    EXPECT_EQ(doc.SavedFileName(), dir.File("shop.txt"));
    EXPECT_FALSE(doc.IsChanged());
    EXPECT_EQ(app.RecentFeeds().NonEmpty().front(), dir.File("backup.txt"));

    doc.MarkChanged();
    EXPECT_FALSE(app.SaveBackup(dir.File("no-such-folder/b.txt"), {}, observer));
    EXPECT_FALSE(app.SaveFeed(dir.File("no-such-folder/f.txt"), {}, observer));
    EXPECT_EQ(observer.fileErrors.size(), 2u);
    EXPECT_EQ(doc.FileName(), dir.File("backup.txt"));
    EXPECT_EQ(doc.SavedFileName(), dir.File("shop.txt"));
    EXPECT_TRUE(doc.IsChanged());
    EXPECT_EQ(app.RecentFeeds().NonEmpty().front(), dir.File("backup.txt"));
}

struct RequestCase {
    const char* name;
    UploadAccount account;
    // Expected
    const char* host;
    std::uint16_t port;
    const char* remoteFile;
    bool passive;
    const char* user;
    const char* password;
    const char* identity;
    const char* pin;
    bool keyFileIgnored;
};

class UploadRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(UploadRequestTest, BuiltFromTheAccount) {
    const RequestCase& c = GetParam();
    const UploadRequestResult result = BuildUploadRequest(
        "/home/u/feeds/shop.txt", c.account, [](const std::string& server) { return "pin-for-" + server; });
    ASSERT_TRUE(result.request) << result.error;
    const FtpTransferRequest& r = *result.request;
    EXPECT_FALSE(r.download);
    EXPECT_FALSE(r.promptOverwrite);
    EXPECT_EQ(r.localFile, "/home/u/feeds/shop.txt");
    EXPECT_EQ(r.server, c.host);
    EXPECT_EQ(r.port, c.port);
    EXPECT_EQ(r.remoteFile, c.remoteFile);
    EXPECT_EQ(r.passive, c.passive);
    EXPECT_EQ(r.binary, c.account.binary);
    EXPECT_EQ(r.userName, c.user);
    EXPECT_EQ(r.password, c.password);
    EXPECT_EQ(r.security.identityFile, c.identity);
    EXPECT_EQ(r.security.pinnedKey, c.pin);
    EXPECT_EQ(result.keyFileIgnored, c.keyFileIgnored);
    EXPECT_EQ(r.security.knownHostsFile,
              c.account.knownHostsFile.empty() ? DefaultKnownHostsFile() : c.account.knownHostsFile);
}

UploadAccount Account(const char* server, const char* user = "", const char* password = "",
                      const char* key = "", bool passive = false, bool binary = false,
                      std::optional<std::uint16_t> port = {}) {
    UploadAccount a;
    a.server = server;
    a.userName = user;
    a.password = password;
    a.keyFile = key;
    a.passive = passive;
    a.binary = binary;
    a.port = port;
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UploadRequestTest,
    ::testing::Values(RequestCase{"PlainFtp", Account("ftp.example.com", "shop", "pw"), "ftp.example.com", 21,
                                  "shop.txt", false, "shop", "pw", "", "", false},
                      // Without a user name the password stays home: the login is anonymous.
                      RequestCase{"Anonymous", Account("ftp.example.com", "", "pw"), "ftp.example.com", 21,
                                  "shop.txt", false, "", "", "", "", false},
                      RequestCase{"PassiveAndBinaryAsAsked",
                                  Account("ftp.example.com", "", "", "", true, true), "ftp.example.com", 21,
                                  "shop.txt", true, "", "", "", "", false},
                      RequestCase{"PortStandsInOnlyWhenNoneIsNamed",
                                  Account("ftp.example.com", "", "", "", false, false, 2121),
                                  "ftp.example.com", 2121, "shop.txt", false, "", "", "", "", false},
                      RequestCase{"FolderOfTheAddress", Account("ftp://ftp.example.com:2121/feeds", "u", "p"),
                                  "ftp.example.com", 2121, "/feeds/shop.txt", false, "u", "p", "", "", false},
                      // TLS goes passive and takes the certificate pinned for host and port.
                      RequestCase{"TlsPin", Account("ftpes://ftp.example.com", "u", "p"), "ftp.example.com",
                                  21, "shop.txt", true, "u", "p", "", "pin-for-ftp.example.com:21", false},
                      RequestCase{"SftpKey", Account("sftp://h.example:2222", "u", "", "/k/id_ed25519"),
                                  "h.example", 2222, "shop.txt", false, "u", "", "/k/id_ed25519", "", false},
                      RequestCase{"KeyFileOnlyForSftp", Account("ftp.example.com", "u", "p", "/k/id_ed25519"),
                                  "ftp.example.com", 21, "shop.txt", false, "u", "p", "", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReleaseCase {
    const char* name;
    bool readOk;
    std::size_t products;
    std::size_t errors;
    std::optional<long long> lastUploaded;
    bool asksErrors;
    bool asksCountDrop;
};

class ReleaseChecksTest : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(ReleaseChecksTest, QuestionsBeforeSaveAndUpload) {
    const ReleaseCase& c = GetParam();
    FeedDiagnosis diagnosis;
    diagnosis.readOk = c.readOk;
    diagnosis.totals.products = c.products;
    diagnosis.totals.errors = c.errors;
    diagnosis.totals.productsWithErrors = c.errors;
    const ReleaseDecision upload = DecideUpload(diagnosis, c.lastUploaded);
    EXPECT_EQ(upload.readOk, c.readOk);
    EXPECT_EQ(upload.errorsQuestion.has_value(), c.asksErrors);
    EXPECT_EQ(upload.countDropQuestion.has_value(), c.asksCountDrop);
    EXPECT_EQ(upload.products, c.readOk ? std::optional<std::size_t>(c.products) : std::nullopt);
    if (upload.errorsQuestion) {
        EXPECT_EQ(*upload.errorsQuestion, ErrorsQuestionText(diagnosis.totals, true));
    }
    // A save never compares with uploads.
    const ReleaseDecision save = DecideSave(diagnosis);
    EXPECT_EQ(save.errorsQuestion.has_value(), c.errors > 0);
    EXPECT_FALSE(save.countDropQuestion);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReleaseChecksTest,
                         ::testing::Values(ReleaseCase{"Clean", true, 10, 0, std::nullopt, false, false},
                                           ReleaseCase{"Errors", true, 10, 3, std::nullopt, true, false},
                                           ReleaseCase{"HalfIsNoDrop", true, 5, 0, 10, false, false},
                                           ReleaseCase{"LessThanHalf", true, 4, 0, 10, false, true},
                                           ReleaseCase{"Both", true, 4, 1, 10, true, true},
                                           ReleaseCase{"Unreadable", false, 0, 0, 10, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace yarvelin
