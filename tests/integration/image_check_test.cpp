// The image check riding the URL check: nginx on loopback serves real picture files of each format made
// by the test, and the worker, the window and check-urls report what they are.
#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/feed_document.h"
#include "checks/feed_diagnostics.h"
#include "checks/image_check.h"
#include "checks/url_check_dlg.h"
#include "checks/url_check_worker.h"
#include "platform/curl_http_client.h"
#include "platform/text_codec.h"
#include "support/cli_run.h"
#include "support/file_bytes.h"
#include "support/local_http_servers.h"
#include "support/test_gui.h"
#include "support/test_images.h"
#include "support/widget_lookup.h"

namespace yarvelin {
namespace {

using namespace std::chrono_literals;
using testing::CNginxServer;
using testing::MakeTestImage;
using Type = testing::TestImageType;
using Code = DiagnosticCode;

// The pictures and pages the server holds, by file name.
struct ServedFile {
    const char* name;
    std::function<std::string()> make;
};

const std::vector<ServedFile>& ServedFiles() {
    static const std::vector<ServedFile> files = {
        {"ok.png", [] { return MakeTestImage(Type::kPng, 200, 200); }},
        {"ok.jpg", [] { return MakeTestImage(Type::kJpeg, 100, 100); }},
        {"ok.gif", [] { return MakeTestImage(Type::kGif, 120, 100); }},
        {"ok.bmp", [] { return MakeTestImage(Type::kBmp, 100, 100); }},
        {"ok.webp", [] { return MakeTestImage(Type::kWebp, 300, 300); }},
        {"ok.tif", [] { return MakeTestImage(Type::kTiff, 100, 100); }},
        {"jpeg-named.png", [] { return MakeTestImage(Type::kJpeg, 300, 300); }},
        {"small.jpg", [] { return MakeTestImage(Type::kJpeg, 99, 120); }},
        {"small.gif", [] { return MakeTestImage(Type::kGif, 100, 99); }},
        {"shirt.webp", [] { return MakeTestImage(Type::kWebp, 249, 300); }},
        {"shirt.png", [] { return MakeTestImage(Type::kPng, 250, 250); }},
        {"huge.png", [] { return MakeTestImage(Type::kPng, 8001, 8000); }},
        {"heavy.png", [] { return MakeTestImage(Type::kPng, 4200, 4200, true); }},
        {"logo.svg", [] { return MakeTestImage(Type::kSvg, 300, 300); }},
        {"photo.jpg", [] { return std::string("<html><body>Our photo</body></html>"); }},
        {"page.html", [] { return std::string("<!DOCTYPE html><html><body>Home</body></html>"); }},
        {"camera.jpg", [] { return testing::MakeJpegWithMetadata(50, 50, 70000); }},
        {"scan.tif", [] { return testing::MakeTiffWithDirectoryLast(99, 700); }},
        {"icons.jpg",
         [] {
             return std::string(
                 "<!DOCTYPE html><html><body><svg width='9'><path d='M0 0'/></svg>Shop</body></html>");
         }},
    };
    return files;
}

class CPictureServer {
  public:
    CPictureServer()
        : m_dir(std::filesystem::temp_directory_path() / ("yarvelin-images-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(m_dir);
        for (const ServedFile& f : ServedFiles()) {
            testing::WriteBytes(m_dir / f.name, f.make());
        }
        m_server = std::make_unique<CNginxServer>("location /files/ { alias " + m_dir.string() +
                                                  "/; types { image/png png; image/jpeg jpg; image/gif gif; "
                                                  "image/webp webp; image/svg+xml svg; text/html html; } }\n"
                                                  "location /whole/ { alias " +
                                                  m_dir.string() +
                                                  "/; max_ranges 0; }\n"
                                                  "location = /moved.jpg { return 302 /files/page.html; }\n"
                                                  "location = /moved-ok.png { return 301 /files/ok.png; }\n");
    }
    ~CPictureServer() { std::filesystem::remove_all(m_dir); }
    std::string Url(const std::string& path) const { return m_server->Url(path); }
    CNginxServer& Server() { return *m_server; }

  private:
    std::filesystem::path m_dir;
    std::unique_ptr<CNginxServer> m_server;
};

CPictureServer& Pictures() {
    static CPictureServer server;
    return server;
}

struct ImageUrlCase {
    const char* label;
    std::string path;
    const char* category;
    std::vector<Code> expected;
    const char* status = "All OK";
};

void PrintTo(const ImageUrlCase& c, std::ostream* os) {
    *os << c.label;
}

COtherRecord Product(const std::string& imagePath, const std::string& category) {
    COtherRecord r;
    r.SetField(kColProductUrl, Pictures().Url("/files/page.html"));
    r.SetField(kColImageUrl, Pictures().Url(imagePath));
    r.SetField(kColCategory, category);
    r.SetField(kColOfferId, "P1");
    return r;
}

std::vector<Code> FindingCodes(const COtherRecord& r) {
    std::vector<Code> codes;
    for (const UrlFinding& f : r.UrlFindings()) {
        codes.push_back(static_cast<Code>(f.code));
        EXPECT_EQ(f.column, 4);
    }
    return codes;
}

class NullObserver : public CUrlCheckObserver {
  public:
    void OnProgress(std::size_t) override {}
    void OnDone() override {}
    void OnRecordChecked(const UrlCheckResult&) override {}
};

class ImageUrlTest : public ::testing::TestWithParam<ImageUrlCase> {};

TEST_P(ImageUrlTest, FindingsBesideAnUnchangedResult) {
    const ImageUrlCase& c = GetParam();
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product(c.path, c.category));
    CCurlHttpClient client;
    std::atomic<bool> cancel{false};
    NullObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_STREQ(doc.At(0).UrlStatusText(), c.status);
    EXPECT_EQ(FindingCodes(doc.At(0)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Served, ImageUrlTest,
    ::testing::Values(
        ImageUrlCase{"png", "/files/ok.png", "Toys", {}}, ImageUrlCase{"jpeg", "/files/ok.jpg", "Toys", {}},
        ImageUrlCase{"gif", "/files/ok.gif", "Toys", {}}, ImageUrlCase{"bmp", "/files/ok.bmp", "Toys", {}},
        ImageUrlCase{"webp", "/files/ok.webp", "Toys", {}}, ImageUrlCase{"tiff", "/files/ok.tif", "Toys", {}},
        ImageUrlCase{"bytes decide, not the name", "/files/jpeg-named.png", "Toys", {}},
        ImageUrlCase{"redirect to a picture", "/moved-ok.png", "Toys", {}},
        ImageUrlCase{"jpeg 99 wide", "/files/small.jpg", "Toys", {Code::kImageTooSmall}},
        ImageUrlCase{"gif 99 high", "/files/small.gif", "Toys", {Code::kImageTooSmall}},
        ImageUrlCase{
            "apparel 249 wide", "/files/shirt.webp", "Apparel & Accessories > Men's", {Code::kImageTooSmall}},
        ImageUrlCase{"apparel 250x250", "/files/shirt.png", "Apparel & Accessories > Men's", {}},
        ImageUrlCase{"over 64 megapixels", "/files/huge.png", "Toys", {Code::kImageTooLarge}},
        ImageUrlCase{"over 16 MiB", "/files/heavy.png", "Toys", {Code::kImageTooLarge}},
        ImageUrlCase{"svg", "/files/logo.svg", "Toys", {Code::kImageTypeRefused}},
        ImageUrlCase{"page named jpg", "/files/photo.jpg", "Toys", {Code::kImageNotImage}},
        ImageUrlCase{"redirect to a page", "/moved.jpg", "Toys", {Code::kImageRedirectsToPage}},
        ImageUrlCase{"missing", "/files/none.jpg", "Toys", {}, "Err:Img Url"},
        ImageUrlCase{"jpeg frame header behind 70000 metadata bytes",
                     "/files/camera.jpg",
                     "Toys",
                     {Code::kImageTooSmall}},
        ImageUrlCase{
            "the same from a server without ranges", "/whole/camera.jpg", "Toys", {Code::kImageTooSmall}},
        ImageUrlCase{
            "tiff directory after the image data", "/files/scan.tif", "Toys", {Code::kImageTooSmall}},
        ImageUrlCase{
            "page with an inline svg named jpg", "/files/icons.jpg", "Toys", {Code::kImageNotImage}}));

// A picture whose size lies past the first bytes costs one more request, not one per segment.
TEST(ImageCheckTest, OneMoreRequestForTheBytesThatStateTheSize) {
    const auto requestsFor = [](const std::string& path) {
        const auto log = Pictures().Server().AccessLog();
        return std::count_if(log.begin(), log.end(), [&](const std::string& line) {
            return line.find("GET " + path + " ") != std::string::npos;
        });
    };
    for (const char* path : {"/files/camera.jpg", "/files/scan.tif", "/files/ok.jpg"}) {
        const auto before = requestsFor(path);
        CFeedDocument doc;
        doc.AddOrReplaceRecord(Product(path, "Toys"));
        CCurlHttpClient client;
        std::atomic<bool> cancel{false};
        NullObserver observer;
        RunUrlCheck(doc, client, cancel, observer);
        std::this_thread::sleep_for(300ms);  // nginx logs just after its answer
        EXPECT_EQ(requestsFor(path) - before, std::string(path) == "/files/ok.jpg" ? 1 : 2) << path;
    }
}

TEST(ImageCheckTest, OnlyTheFirstBytesAreAskedFor) {
    // The 17 MB picture comes as its first 64 KiB, with its whole length from Content-Range and the status
    // a whole answer would have had.
    CCurlHttpClient client;
    auto session = client.OpenSession("Yarvelin");
    ASSERT_TRUE(session);
    HttpSession::RequestOptions options;
    options.keepBody = kImageProbeBytes;
    options.onlyThoseBytes = true;
    const std::string heavy = MakeTestImage(Type::kPng, 4200, 4200, true);
    const std::string empty;
    const struct {
        const char* path;
        std::size_t kept;
        long long length;
        unsigned redirects;
    } cases[] = {{"/files/heavy.png", kImageProbeBytes, static_cast<long long>(heavy.size()), 0},
                 {"/files/ok.png", MakeTestImage(Type::kPng, 200, 200).size(),
                  static_cast<long long>(MakeTestImage(Type::kPng, 200, 200).size()), 0},
                 {"/moved-ok.png", MakeTestImage(Type::kPng, 200, 200).size(),
                  static_cast<long long>(MakeTestImage(Type::kPng, 200, 200).size()), 1}};
    for (const auto& c : cases) {
        session->StartRequest(7, Pictures().Url(c.path), options);
        std::vector<HttpSession::Finished> done;
        while (done.empty()) {
            done = session->Poll(50ms);
        }
        ASSERT_EQ(done.size(), 1u);
        const HttpSession::Response& r = done[0].response;
        EXPECT_FALSE(r.failed) << c.path;
        EXPECT_EQ(r.status, 200u) << c.path;
        EXPECT_EQ(r.body.size(), c.kept) << c.path;
        EXPECT_EQ(r.fullLength, c.length) << c.path;
        EXPECT_EQ(r.redirects, c.redirects) << c.path;
        EXPECT_EQ(r.contentType, "image/png") << c.path;
    }
    // A plain request of the same handle afterwards is not cut to a range.
    session->StartRequest(8, Pictures().Url("/files/page.html"), HttpSession::RequestOptions{1024, false});
    std::vector<HttpSession::Finished> done;
    while (done.empty()) {
        done = session->Poll(50ms);
    }
    EXPECT_EQ(done[0].response.body, "<!DOCTYPE html><html><body>Home</body></html>");
}

TEST(ImageCheckTest, FindingsOfARepeatedCheckReplaceTheOldOnes) {
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product("/files/small.jpg", "Toys"));
    CCurlHttpClient client;
    std::atomic<bool> cancel{false};
    NullObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    ASSERT_EQ(FindingCodes(doc.At(0)), std::vector<Code>{Code::kImageTooSmall});
    // The merchant points the image at a page: the check asks again only for what was not OK, so the
    // image is asked again once its flag is cleared, as the editor does.
    doc.At(0).SetField(kColImageUrl, Pictures().Url("/files/ok.png"));
    doc.At(0).urls_checked = false;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_TRUE(doc.At(0).UrlFindings().empty());
}

std::string FeedLine(const std::string& image, const std::string& offer) {
    std::string line =
        Pictures().Url("/files/page.html") + "\tName\tDescription\t9.99\t" + image + "\tToys\t" + offer;
    for (int i = 0; i < 13; ++i) {
        line += "\t";
    }
    return line + "\r\n";
}

TEST(ImageCheckCliTest, JsonCarriesTheFindingsTextStaysAsItWas) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("yarvelin-image-cli-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string feed = (dir / "feed.txt").string();
    testing::WriteBytes(feed,
                        std::string("product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\t"
                                    "instock\tshipping\tbrand\tupc\tcolor\tsize\tquantity\tproduct_id\t"
                                    "manufacturer_id\texp_date\tproduct_type\tdelete\tcurrency\r\n") +
                            FeedLine(Pictures().Url("/files/ok.webp"), "A") +
                            FeedLine(Pictures().Url("/files/small.jpg"), "B"));
    const testing::CliRun json = testing::RunArgs(YARVELIN_CLI, {"check-urls", "--json", feed}, dir);
    EXPECT_EQ(json.status, 0) << json.err;
    std::istringstream lines(json.out);
    std::vector<nlohmann::json> objects;
    for (std::string line; std::getline(lines, line);) {
        objects.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(objects.size(), 2u) << json.out;
    EXPECT_EQ(objects[0]["row"], 1);
    EXPECT_EQ(objects[0]["image_url"]["status"], 200);
    EXPECT_EQ(objects[0]["image_url"]["ok"], true);
    EXPECT_TRUE(objects[0]["findings"].empty());
    ASSERT_EQ(objects[1]["findings"].size(), 1u);
    EXPECT_EQ(objects[1]["offer_id"], "B");
    EXPECT_EQ(objects[1]["findings"][0]["code"], "image-too-small");
    EXPECT_EQ(objects[1]["findings"][0]["severity"], "warning");
    EXPECT_EQ(objects[1]["findings"][0]["column"], "image_url");

    const testing::CliRun text = testing::RunArgs(YARVELIN_CLI, {"check-urls", feed}, dir);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out,
              "1\tA\tOK\tOK\t200\t200\n2\tB\tOK\tOK\t200\t200\n"
              "2 products: 2 with both URLs OK, 0 with a URL error\n");
    std::filesystem::remove_all(dir);
}

QApplication& App() {
    static int argc = 1;
    static char name[] = "it_image_check_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

struct WindowCase {
    const char* label;
    std::vector<std::string> images;
    QString findingsText;  // empty: the line stays hidden
};

class UrlCheckWindowTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(UrlCheckWindowTest, SaysHowManyFindingsOnlyWhenThereAreAny) {
    const WindowCase& c = GetParam();
    App();
    CTestGui t;
    for (const std::string& image : c.images) {
        t.Doc().AddOrReplaceRecord(Product(image, "Toys"));
    }
    CUrlCheckDlg dlg(t.Gui(), nullptr, std::make_unique<CCurlHttpClient>());
    auto* findings = FindChild<QLabel>(dlg, "findingsLabel");
    bool visibleAtEnd = false;
    QString textAtEnd;
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
        if (!dlg.IsDone()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        visibleAtEnd = findings->isVisible();
        textAtEnd = findings->text();
        if (visibleAtEnd) {
            SaveScreenshot(dlg, QStringLiteral("url_check_findings.png"));
        }
        FindChild<QPushButton>(dlg, "closeButton")->click();
    });
    timer->start();
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(visibleAtEnd, !c.findingsText.isEmpty());
    if (!c.findingsText.isEmpty()) {
        EXPECT_EQ(textAtEnd, c.findingsText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Window, UrlCheckWindowTest,
    ::testing::Values(
        WindowCase{"good pictures", {"/files/ok.png", "/files/ok.jpg"}, QString()},
        WindowCase{
            "one small",
            {"/files/ok.png", "/files/small.jpg"},
            QStringLiteral(
                "1 finding about the pictures and pages: \"Diagnostics...\" on the product list shows it.")},
        WindowCase{"two",
                   {"/files/logo.svg", "/files/small.gif"},
                   QStringLiteral("2 findings about the pictures and pages: \"Diagnostics...\" on the "
                                  "product list shows them.")}));

}  // namespace
}  // namespace yarvelin
