// The URL check against real servers on loopback: nginx for statuses and redirects, a slow scripted server
// for time-outs and cancelling.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <numeric>
#include <random>
#include <thread>

#include "app/feed_document.h"
#include "checks/http_session.h"
#include "checks/url_check_dlg.h"
#include "checks/url_check_worker.h"
#include "pages/product_list_page.h"
#include "pages/product_list_rules.h"
#include "pages/product_table_model.h"
#include "platform/curl_http_client.h"
#include "platform/text_codec.h"
#include "support/local_http_servers.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

namespace yarvelin {
namespace {

using namespace std::chrono_literals;
using testing::CNginxServer;
using testing::CSlowHttpServer;

const char* const kLocations = R"(
    location = /ok { return 200 "ok"; }
    location = /missing { return 404; }
    location = /fail { return 500; }
    location = /moved { return 301 /ok; }
    location = /loop { return 302 /loop; }
    location = /s299 { return 299 "edge"; }
    location = /s300 { return 300 "edge"; }
    location /img/ { return 200 "image"; }
    location /page/ { return 200 "page"; }
    location = /get-only { if ($request_method != GET) { return 403; } return 200 "ok"; }
)";

CNginxServer& Nginx() {
    static CNginxServer server(kLocations);
    return server;
}

CurlHttpTimeouts ShortTimeouts() {
    CurlHttpTimeouts t;
    t.connectSeconds = 5;
    t.stallSeconds = 5;
    return t;
}

QApplication& App() {
    static int argc = 1;
    static char name[] = "it_url_check_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Collects the worker's reports; they arrive on the worker's thread.
class CRecordingObserver : public CUrlCheckObserver {
  public:
    void OnRecordChecked(const UrlCheckResult&) override {}
    void OnProgress(std::size_t handled) override {
        std::lock_guard lock(m_mutex);
        m_progress.push_back(handled);
    }
    void OnDone() override {
        std::lock_guard lock(m_mutex);
        ++m_done;
    }
    void OnUrlChecked(std::size_t, bool, unsigned result) override {
        std::lock_guard lock(m_mutex);
        m_results.push_back(result);
    }
    std::mutex m_mutex;
    std::vector<std::size_t> m_progress;
    std::vector<unsigned> m_results;
    int m_done = 0;
};

COtherRecord Product(const std::string& productUrl, const std::string& imageUrl) {
    COtherRecord r;
    r.SetField(kColProductUrl, productUrl);
    r.SetField(kColImageUrl, imageUrl);
    return r;
}

struct UrlCase {
    const char* label;
    std::string url;  // "{nginx}" and "{refused}" stand for the servers' addresses
    unsigned expected;
};

void PrintTo(const UrlCase& c, std::ostream* os) {
    *os << c.label;
}

std::string Expand(std::string url, int refusedPort) {
    const auto swap = [&url](const std::string& key, const std::string& value) {
        const auto at = url.find(key);
        if (at != std::string::npos) {
            url.replace(at, key.size(), value);
        }
    };
    swap("{nginx}", "127.0.0.1:" + std::to_string(Nginx().Port()));
    swap("{refused}", "127.0.0.1:" + std::to_string(refusedPort));
    return url;
}

// The worker's result for a single record whose product URL is url, on a session of many requests.
unsigned ParallelResult(const std::string& url) {
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product(url, url));
    CCurlHttpClient client(ShortTimeouts());
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_EQ(observer.m_results.size(), 2u);
    return observer.m_results.empty() ? 0 : observer.m_results[0];
}

class CheckUrlTest : public ::testing::TestWithParam<UrlCase> {};

// One request waited for (the way the check used to run) and the worker's many at once agree.
TEST_P(CheckUrlTest, GivesTheFinalStatusOrItsMarker) {
    const UrlCase& c = GetParam();
    CCurlHttpClient client(ShortTimeouts());
    auto session = client.OpenSession(kUrlCheckUserAgent);
    ASSERT_TRUE(session);
    const std::string url = Expand(c.url, testing::FreeLoopbackPort());
    const unsigned result = CheckUrl(*session, url);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(IsUrlOk(result), c.expected >= 200 && c.expected <= 299);
    EXPECT_EQ(ParallelResult(url), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckUrlTest,
    ::testing::Values(UrlCase{"ok", "http://{nginx}/ok", 200},
                      UrlCase{"not_found", "http://{nginx}/missing", 404},
                      UrlCase{"server_error", "http://{nginx}/fail", 500},
                      UrlCase{"redirect_then_ok", "http://{nginx}/moved", 200},
                      UrlCase{"refuses_all_but_get", "http://{nginx}/get-only", 200},
                      UrlCase{"last_success_status", "http://{nginx}/s299", 299},
                      UrlCase{"first_non_success", "http://{nginx}/s300", 300},
                      UrlCase{"bare_host_and_path", "{nginx}/ok", 200},
                      UrlCase{"upper_case_scheme", "HTTP://{nginx}/ok", 200},
                      UrlCase{"refused_connection", "http://{refused}/ok", kUrlRequestFailed},
                      UrlCase{"endless_redirects", "http://{nginx}/loop", kUrlRequestFailed},
                      UrlCase{"other_scheme_not_fetched", "ftp://{nginx}/ok", kUrlNoStatus},
                      UrlCase{"local_file_not_fetched", "file:///etc/passwd", kUrlNoStatus},
                      UrlCase{"empty", "", kUrlNoStatus},
                      UrlCase{"unparsable", "http://bad host/", kUrlNoStatus}));

TEST(UrlCheckSessionTest, OneConnectionUserAgentYarvelin) {
    CNginxServer server(kLocations);
    CCurlHttpClient client(ShortTimeouts());
    auto session = client.OpenSession(kUrlCheckUserAgent);
    for (const char* path : {"/ok", "/missing", "/moved", "/img/1.jpg"}) {
        CheckUrl(*session, server.Url(path));
    }
    const auto log = server.AccessLogOf(5);
    ASSERT_EQ(log.size(), 5u);  // the redirect is followed
    const std::string connection = log[0].substr(0, log[0].find(' '));
    for (const auto& line : log) {
        EXPECT_EQ(line.substr(0, line.find(' ')), connection) << "connection not reused: " << line;
        EXPECT_NE(line.find("GET "), std::string::npos) << line;
        EXPECT_EQ(line.substr(line.rfind(' ') + 1), "Yarvelin") << line;
    }
}

TEST(UrlCheckSessionTest, EarlierUrlDoesNotShapeTheNext) {
    CCurlHttpClient client(ShortTimeouts());
    auto session = client.OpenSession(kUrlCheckUserAgent);
    const std::string host = "127.0.0.1:" + std::to_string(Nginx().Port());
    EXPECT_EQ(CheckUrl(*session, Nginx().Url("/missing")), 404u);
    EXPECT_EQ(CheckUrl(*session, ""), kUrlNoStatus);
    EXPECT_EQ(CheckUrl(*session, Nginx().Url("/missing")), 404u);
    EXPECT_EQ(CheckUrl(*session, Nginx().Url("/fail")), 500u);
    EXPECT_EQ(CheckUrl(*session, host + "/ok"), 200u);
}

TEST(UrlCheckSessionTest, StalledServerEndsWithTheFailureMarker) {
    CSlowHttpServer slow(4000ms);
    CurlHttpTimeouts t = ShortTimeouts();
    t.stallSeconds = 1;
    CCurlHttpClient client(t);
    auto session = client.OpenSession(kUrlCheckUserAgent);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckUrl(*session, slow.Url("/slow")), kUrlRequestFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3500ms);
}

CCurlHttpClient Client(int maxRequests) {
    CurlHttpLimits limits;
    limits.maxRequests = maxRequests;
    return CCurlHttpClient(ShortTimeouts(), limits);
}

TEST(UrlCheckWorkerTest, WritesResultsAndSecondRunAsksOnlyWhatFailed) {
    CNginxServer server(kLocations);
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product(server.Url("/page/1"), server.Url("/img/1.jpg")));
    doc.AddOrReplaceRecord(Product(server.Url("/page/2"), server.Url("/missing")));
    doc.AddOrReplaceRecord(Product(server.Url("/fail"), server.Url("/img/3.jpg")));
    doc.AddOrReplaceRecord(Product("", "mailto:someone"));
    COtherRecord checked = Product(server.Url("/page/5"), server.Url("/img/5.jpg"));
    checked.urls_checked = checked.product_url_ok = checked.image_url_ok = true;  // OK before: kept
    doc.AddOrReplaceRecord(checked);
    doc.MarkSaved();  // the check writes results, which are no edit of the feed
    std::atomic<bool> cancel{false};

    // One request at a time goes in row order, the product URL before the image URL.
    CCurlHttpClient one = Client(1);
    CRecordingObserver first;
    RunUrlCheck(doc, one, cancel, first);
    EXPECT_EQ(first.m_progress, (std::vector<std::size_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(first.m_done, 1);
    EXPECT_STREQ(doc.At(0).UrlStatusText(), "All OK");
    EXPECT_STREQ(doc.At(1).UrlStatusText(), "Err:Img Url");
    EXPECT_STREQ(doc.At(2).UrlStatusText(), "Err:Prd Url");
    EXPECT_STREQ(doc.At(3).UrlStatusText(), "Err:All Url");
    EXPECT_STREQ(doc.At(4).UrlStatusText(), "All OK");
    EXPECT_FALSE(doc.IsChanged());
    const auto log = server.AccessLogOf(6);
    ASSERT_EQ(log.size(), 6u);
    const char* order[] = {"/page/1", "/img/1.jpg", "/page/2", "/missing", "/fail", "/img/3.jpg"};
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_NE(log[i].find(std::string("GET ") + order[i] + " "), std::string::npos) << log[i];
    }

    // The merchant fixed the image of the second product; a later run asks only for what was not OK.
    doc.At(1).SetField(kColImageUrl, server.Url("/img/2.jpg"));
    CCurlHttpClient many = Client(16);
    CRecordingObserver second;
    RunUrlCheck(doc, many, cancel, second);
    EXPECT_EQ(second.m_progress, (std::vector<std::size_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(second.m_results.size(), 4u);  // record 2's image, record 3's page, both of record 4
    const auto again = server.AccessLogOf(8);
    ASSERT_EQ(again.size(), 8u);
    for (const char* path : {"GET /fail ", "GET /img/2.jpg "}) {
        EXPECT_TRUE(std::any_of(again.begin() + 6, again.end(), [path](const std::string& line) {
            return line.find(path) != std::string::npos;
        })) << path;
    }
    std::this_thread::sleep_for(100ms);  // any further request would be logged by now
    EXPECT_EQ(server.AccessLog().size(), 8u);
    EXPECT_STREQ(doc.At(1).UrlStatusText(), "All OK");
    EXPECT_STREQ(doc.At(2).UrlStatusText(), "Err:Prd Url");
    EXPECT_STREQ(doc.At(3).UrlStatusText(), "Err:All Url");
}

// One feed of mixed answers: the worker with many requests at once gives every product exactly the
// results of the old way, one CheckUrl after another.
TEST(UrlCheckWorkerTest, ManyAtOnceGiveTheResultsOfOneAfterAnother) {
    CSlowHttpServer slow(30ms, "127.0.0.2");
    const int refused = testing::FreeLoopbackPort();
    const std::string nginx = "127.0.0.1:" + std::to_string(Nginx().Port());
    const std::vector<std::string> urls = {
        "http://" + nginx + "/ok",   "http://" + nginx + "/missing",
        "http://" + nginx + "/fail", "http://" + nginx + "/moved",
        "http://" + nginx + "/s299", "http://" + nginx + "/s300",
        nginx + "/img/a.jpg",        "http://" + nginx + "/loop",
        "ftp://" + nginx + "/ok",    "",
        "http://bad host/",          "http://127.0.0.1:" + std::to_string(refused) + "/p",
        slow.Url("/slow"),           "HTTP://" + nginx + "/page/x",
        "file:///etc/passwd",        "http://" + nginx + "/nothing-here"};
    CFeedDocument sequential;
    std::mt19937 random(20261208);
    for (int i = 0; i < 120; ++i) {
        sequential.AddOrReplaceRecord(Product(urls[random() % urls.size()], urls[random() % urls.size()]));
    }
    CFeedDocument parallel;
    for (std::size_t i = 0; i < sequential.Count(); ++i) {
        parallel.AddOrReplaceRecord(sequential.At(i));
    }
    CCurlHttpClient client = Client(16);
    auto session = client.OpenSession(kUrlCheckUserAgent);
    std::vector<unsigned> expected;
    for (std::size_t i = 0; i < sequential.Count(); ++i) {
        expected.push_back(CheckUrl(*session, std::string(sequential.At(i).Field(kColProductUrl))));
        expected.push_back(CheckUrl(*session, std::string(sequential.At(i).Field(kColImageUrl))));
    }
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(parallel, client, cancel, observer);
    EXPECT_EQ(observer.m_results, expected);
    EXPECT_EQ(observer.m_progress.size(), sequential.Count());
    for (std::size_t i = 0; i < sequential.Count(); ++i) {
        EXPECT_TRUE(parallel.At(i).urls_checked) << i;
        EXPECT_EQ(parallel.At(i).product_url_ok, IsUrlOk(expected[2 * i])) << i;
        EXPECT_EQ(parallel.At(i).image_url_ok, IsUrlOk(expected[2 * i + 1])) << i;
    }
}

TEST(UrlCheckWorkerTest, NeverMoreThanFourConnectionsToOneHost) {
    std::vector<std::unique_ptr<CSlowHttpServer>> hosts;
    for (const char* address : {"127.0.0.1", "127.0.0.2"}) {
        hosts.push_back(std::make_unique<CSlowHttpServer>(40ms, address));
    }
    CFeedDocument doc;
    for (int i = 0; i < 40; ++i) {
        doc.AddOrReplaceRecord(Product(hosts[i % 2]->Url("/p/" + std::to_string(i)),
                                       hosts[(i / 2) % 2]->Url("/i/" + std::to_string(i))));
    }
    CCurlHttpClient client = Client(16);
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    for (const auto& host : hosts) {
        EXPECT_EQ(host->Requests(), 40);
        EXPECT_EQ(host->MostConnectionsAtOnce(), kUrlCheckMaxPerHost);
        // Kept alive: the same few connections carry all the host's requests.
        EXPECT_EQ(host->Connections(), kUrlCheckMaxPerHost);
    }
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        EXPECT_STREQ(doc.At(i).UrlStatusText(), "All OK") << i;
    }
}

// Over https a server that offers HTTP/2 gets it, and its connections carry many requests each.
TEST(UrlCheckWorkerTest, Http2WhereTheServerOffersIt) {
    CNginxServer server(R"(
        location / { return 200 "ok"; }
        location = /missing { return 404; }
    )",
                        true);
    CFeedDocument doc;
    for (int i = 0; i < 20; ++i) {
        doc.AddOrReplaceRecord(Product(server.Url("/p/" + std::to_string(i)),
                                       server.Url(i == 7 ? "/missing" : "/i/" + std::to_string(i))));
    }
    CurlHttpTimeouts timeouts = ShortTimeouts();
    timeouts.caFile = server.CertificateFile();
    CCurlHttpClient client(timeouts);
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        EXPECT_STREQ(doc.At(i).UrlStatusText(), i == 7 ? "Err:Img Url" : "All OK") << i;
    }
    const auto log = server.AccessLogOf(40);
    ASSERT_EQ(log.size(), 40u);
    std::vector<std::string> connections;
    for (const auto& line : log) {
        EXPECT_NE(line.find(" HTTP/2.0 "), std::string::npos) << line;
        connections.push_back(line.substr(0, line.find(' ')));
    }
    std::sort(connections.begin(), connections.end());
    connections.erase(std::unique(connections.begin(), connections.end()), connections.end());
    EXPECT_LE(connections.size(), static_cast<std::size_t>(kUrlCheckMaxPerHost));
}

// The per-host limit holds for requests, not only connections: HTTP/2 would carry them all on one. nginx
// in front speaks HTTP/2 to the check and passes each request on to the counting server behind it.
class UrlCheckPerHostTest : public ::testing::TestWithParam<bool> {};
TEST_P(UrlCheckPerHostTest, NeverMoreThanFourRequestsInFlightToOneHost) {
    const bool http2 = GetParam();
    CSlowHttpServer backend(40ms);
    std::unique_ptr<CNginxServer> front;
    CurlHttpLimits limits;
    limits.maxRequests = 16;
    CurlHttpTimeouts timeouts = ShortTimeouts();
    if (http2) {
        front = std::make_unique<CNginxServer>(
            "location / { proxy_pass http://127.0.0.1:" + std::to_string(backend.Port()) + "; }", true);
        timeouts.caFile = front->CertificateFile();
    }
    const auto url = [&](const std::string& path) { return front ? front->Url(path) : backend.Url(path); };
    CFeedDocument doc;
    for (int i = 0; i < 30; ++i) {
        doc.AddOrReplaceRecord(Product(url("/p/" + std::to_string(i)), url("/i/" + std::to_string(i))));
    }
    CCurlHttpClient client(timeouts, limits);
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_EQ(backend.Requests(), 60);
    EXPECT_EQ(backend.MostRequestsAtOnce(), kUrlCheckMaxPerHost);
    std::vector<std::size_t> inOrder(doc.Count());
    std::iota(inOrder.begin(), inOrder.end(), std::size_t{1});
    EXPECT_EQ(observer.m_progress, inOrder);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        EXPECT_STREQ(doc.At(i).UrlStatusText(), "All OK") << i;
    }
    if (front) {
        for (const auto& line : front->AccessLogOf(60)) {
            EXPECT_NE(line.find(" HTTP/2.0 "), std::string::npos) << line;
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Versions, UrlCheckPerHostTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Http2" : "Http11"; });

TEST(UrlCheckWorkerTest, LargeBodyIsNotReadToItsEnd) {
    constexpr long long big = 50LL * 1024 * 1024;
    testing::CScriptedHttpServer server([](const std::string&, const std::string& path) {
        testing::ScriptedReply reply;
        reply.bodyBytes = path == "/big.jpg" ? big : 1000;
        return reply;
    });
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product(server.Url("/page"), server.Url("/big.jpg")));
    doc.AddOrReplaceRecord(Product(server.Url("/page2"), server.Url("/small.jpg")));
    CCurlHttpClient client = Client(16);
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_EQ(observer.m_results, (std::vector<unsigned>{200, 200, 200, 200}));
    EXPECT_LT(server.BodyBytesSent(), big / 4);
    EXPECT_STREQ(doc.At(0).UrlStatusText(), "All OK");
}

// 429 and 503 with a Retry-After are asked once more after the wait; nothing else is repeated.
TEST(UrlCheckWorkerTest, RetryAfterIsHonouredOnce) {
    std::mutex mutex;
    std::map<std::string, int> asked;
    testing::CScriptedHttpServer server([&](const std::string&, const std::string& path) {
        std::lock_guard lock(mutex);
        const int n = ++asked[path];
        testing::ScriptedReply reply;
        if (path == "/busy-once") {
            reply.status = n == 1 ? 429 : 200;
            reply.headers = n == 1 ? "Retry-After: 1\r\n" : "";
        } else if (path == "/down") {
            reply.status = 503;
            reply.headers = "Retry-After: 0\r\n";
        } else if (path == "/busy-no-wait") {
            reply.status = 429;
        } else if (path == "/gone-after") {
            reply.status = 404;
            reply.headers = "Retry-After: 1\r\n";
        }
        return reply;
    });
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product(server.Url("/busy-once"), server.Url("/down")));
    doc.AddOrReplaceRecord(Product(server.Url("/busy-no-wait"), server.Url("/gone-after")));
    CCurlHttpClient client = Client(16);
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    const auto start = std::chrono::steady_clock::now();
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1s) << "the wait the server asked for";
    EXPECT_EQ(observer.m_results, (std::vector<unsigned>{200, 503, 429, 404}));
    EXPECT_EQ(asked["/busy-once"], 2);
    EXPECT_EQ(asked["/down"], 2);
    EXPECT_EQ(asked["/busy-no-wait"], 1);
    EXPECT_EQ(asked["/gone-after"], 1);
    EXPECT_STREQ(doc.At(0).UrlStatusText(), "Err:Img Url");
}

TEST(UrlCheckWorkerTest, RefusedPortAmongGoodOnes) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(testing::FreeLoopbackPort());
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product(Nginx().Url("/page/1"), Nginx().Url("/img/1.jpg")));
    doc.AddOrReplaceRecord(Product(refused + "/page/2", Nginx().Url("/img/2.jpg")));
    doc.AddOrReplaceRecord(Product(Nginx().Url("/page/3"), refused + "/img/3.jpg"));
    doc.AddOrReplaceRecord(Product(Nginx().Url("/page/4"), Nginx().Url("/img/4.jpg")));
    CCurlHttpClient client = Client(16);
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_EQ(observer.m_results,
              (std::vector<unsigned>{200, 200, kUrlRequestFailed, 200, 200, kUrlRequestFailed, 200, 200}));
    EXPECT_EQ(observer.m_progress, (std::vector<std::size_t>{1, 2, 3, 4}));
    const char* expected[] = {"All OK", "Err:Prd Url", "Err:Img Url", "All OK"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_STREQ(doc.At(i).UrlStatusText(), expected[i]) << i;
    }
}

TEST(UrlCheckWorkerTest, EmptyFeedReportsOnlyTheEnd) {
    CFeedDocument doc;
    CCurlHttpClient client(ShortTimeouts());
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_TRUE(observer.m_progress.empty());
    EXPECT_EQ(observer.m_done, 1);
}

// Sixteen requests hang on four silent hosts (four each, the most one host gets); Cancel ends them all at
// once and leaves every record as it was.
TEST(UrlCheckWorkerTest, CancelEndsEveryRequestInFlight) {
    std::vector<std::unique_ptr<testing::CScriptedHttpServer>> hosts;
    for (const char* address : {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
        hosts.push_back(std::make_unique<testing::CScriptedHttpServer>(
            [](const std::string&, const std::string&) {
                testing::ScriptedReply reply;
                reply.silent = true;
                return reply;
            },
            address));
    }
    CFeedDocument doc;
    for (int i = 0; i < 40; ++i) {
        doc.AddOrReplaceRecord(Product(hosts[i % 4]->Url("/p"), hosts[(i + 1) % 4]->Url("/i")));
    }
    CCurlHttpClient client = Client(16);
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    std::thread worker([&] { RunUrlCheck(doc, client, cancel, observer); });
    for (const auto& host : hosts) {
        ASSERT_TRUE(host->WaitForRequests(4, 5s));
    }
    std::this_thread::sleep_for(100ms);
    int inFlight = 0;
    for (const auto& host : hosts) {
        inFlight += host->Requests();
    }
    EXPECT_EQ(inFlight, 16);
    const auto start = std::chrono::steady_clock::now();
    cancel.store(true);
    worker.join();
    // The worker looks at the flag every 50 ms; the bound leaves room for a busy machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_TRUE(observer.m_progress.empty());
    EXPECT_TRUE(observer.m_results.empty());
    EXPECT_EQ(observer.m_done, 1);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        EXPECT_FALSE(doc.At(i).urls_checked) << i;
    }
}

// A session that cannot be opened still ends with the done report.
class CNoSessionClient : public HttpClient {
  public:
    std::unique_ptr<HttpSession> OpenSession(const std::string&) override { return nullptr; }
};

TEST(UrlCheckWorkerTest, NoSessionStillReportsTheEnd) {
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product("http://a/", "http://b/"));
    CNoSessionClient client;
    std::atomic<bool> cancel{false};
    CRecordingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_TRUE(observer.m_progress.empty());
    EXPECT_EQ(observer.m_done, 1);
    EXPECT_FALSE(doc.At(0).urls_checked);
}

// ---- the dialog

// Runs pred every 10 ms on the dialog's event loop until it is true or 10 s have passed.
void PollWhileModal(const std::function<bool()>& step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step, deadline] {
        if (step() || std::chrono::steady_clock::now() > deadline) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void SaveShot(QWidget* w, const char* name) {
    SaveScreenshot(*w, QString::fromLatin1(name));
}

TEST(UrlCheckDlgTest, RunsToTheEndAndCloses) {
    App();
    CNginxServer server(kLocations);
    CTestGui t;
    t.Doc().AddOrReplaceRecord(Product(server.Url("/page/1"), server.Url("/img/1.jpg")));
    t.Doc().AddOrReplaceRecord(Product(server.Url("/fail"), server.Url("/missing")));
    t.Doc().MarkSaved();
    CUrlCheckDlg dlg(t.Gui(), nullptr, std::make_unique<CCurlHttpClient>(ShortTimeouts()));
    EXPECT_EQ(dlg.windowTitle(), A("Checking Product & Image Paths (URLs)"));
    auto* status = FindChild<QLabel>(dlg, "statusLabel");
    auto* progress = FindChild<QProgressBar>(dlg, "progressBar");
    EXPECT_TRUE(status->text().isEmpty());
    QString statusAtEnd;
    int progressAtEnd = -1;
    PollWhileModal([&] {
        if (!dlg.IsDone()) {
            return false;
        }
        statusAtEnd = status->text();
        progressAtEnd = progress->value();
        SaveShot(&dlg, "url_check_done.png");
        FindChild<QPushButton>(dlg, "closeButton")->click();
        return true;
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(statusAtEnd, A("Verification complete. Press Close to exit."));
    EXPECT_EQ(progressAtEnd, 2);
    EXPECT_EQ(t.m_ui.m_beeps, 1);
    EXPECT_STREQ(t.Doc().At(0).UrlStatusText(), "All OK");
    EXPECT_STREQ(t.Doc().At(1).UrlStatusText(), "Err:All Url");
    EXPECT_FALSE(t.Doc().IsChanged());
}

TEST(UrlCheckDlgTest, CancelWaitsForTheWorkerThenCloses) {
    App();
    CSlowHttpServer slow(400ms);
    CTestGui t;
    for (int i = 0; i < 4; ++i) {
        t.Doc().AddOrReplaceRecord(Product(slow.Url("/p"), slow.Url("/i")));
    }
    CUrlCheckDlg dlg(t.Gui(), nullptr, std::make_unique<CCurlHttpClient>(ShortTimeouts()));
    auto* cancel = FindChild<QPushButton>(dlg, "cancelButton");
    auto* close = FindChild<QPushButton>(dlg, "closeButton");
    auto* status = FindChild<QLabel>(dlg, "statusLabel");
    int stage = 0;
    bool stayedOpen = false;
    bool cancelGreyedWhileRunning = false;
    QString statusWhileRunning;
    QString statusAtEnd;
    auto* progress = FindChild<QProgressBar>(dlg, "progressBar");
    int progressAtEnd = -1;
    PollWhileModal([&] {
        if (stage == 0 && slow.Requests() >= 1) {
            statusWhileRunning = status->text();
            SaveShot(&dlg, "url_check_running.png");
            cancel->click();
            close->click();  // before the end Close only asks to stop as well
            cancelGreyedWhileRunning = !cancel->isEnabled();
            stayedOpen = dlg.isVisible() && !dlg.IsDone();
            stage = 1;
        } else if (stage == 1 && dlg.IsDone()) {
            statusAtEnd = status->text();
            progressAtEnd = progress->value();
            close->click();
            return true;
        }
        return false;
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(statusWhileRunning, A("Verification of URLs started..."));
    EXPECT_TRUE(cancelGreyedWhileRunning);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(dlg.IsCancelRequested());
    EXPECT_FALSE(cancel->isEnabled());
    // A stopped check says so, and how far it got; the bar is not filled.
    EXPECT_EQ(statusAtEnd, A("Verification stopped: 0 of 4 products were checked. Press Close to exit."));
    EXPECT_LT(progressAtEnd, 4);
    // The requests under way were ended, not waited for: no record got a result.
    for (std::size_t i = 0; i < t.Doc().Count(); ++i) {
        EXPECT_FALSE(t.Doc().At(i).urls_checked) << i;
    }
}

TEST(UrlCheckDlgTest, ReportsEachRecordAsItIsHandled) {
    App();
    // All requests go at once; the records end one after another (robots.txt, which the window reads
    // first for the product pages, at once).
    testing::CScriptedHttpServer server([](const std::string&, const std::string& path) {
        testing::ScriptedReply reply;
        reply.delay = std::chrono::milliseconds(path == "/robots.txt" ? 0 : 200 * (path.back() - '0'));
        return reply;
    });
    CTestGui t;
    for (int i = 1; i <= 3; ++i) {
        t.Doc().AddOrReplaceRecord(Product(server.Url("/p" + std::to_string(i)), server.Url("/i1")));
    }
    CUrlCheckDlg dlg(t.Gui(), nullptr, std::make_unique<CCurlHttpClient>(ShortTimeouts()));
    auto* status = FindChild<QLabel>(dlg, "statusLabel");
    auto* progress = FindChild<QProgressBar>(dlg, "progressBar");
    QStringList seen;
    std::vector<int> positions;
    PollWhileModal([&] {
        if (seen.isEmpty() || seen.back() != status->text()) {
            seen << status->text();
            positions.push_back(progress->value());
        }
        if (!dlg.IsDone()) {
            return false;
        }
        dlg.accept();
        return true;
    });
    dlg.exec();
    // Polling sees the texts in order but may miss one when reports come close together (the last record's
    // report and the end always do; on a loaded machine others may): what it saw must be the reports in
    // order, with at least one record's count between the start and the end.
    const QStringList all = {A("Verification of URLs started..."), A("1 records verified and marked..."),
                             A("2 records verified and marked..."), A("3 records verified and marked..."),
                             A("Verification complete. Press Close to exit.")};
    ASSERT_GE(seen.size(), 3) << seen.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(seen.front(), all.front());
    EXPECT_EQ(seen.back(), all.back());
    qsizetype next = 0;
    for (const QString& text : seen) {
        next = all.indexOf(text, next);
        ASSERT_GE(next, 0) << "out of order or unknown: " << text.toStdString();
        ++next;
    }
    // Two steps ahead of the records, then held at the end rather than wrapping round.
    EXPECT_EQ(positions[0], 2);
    EXPECT_EQ(positions[1], 3);
    EXPECT_TRUE(std::all_of(positions.begin(), positions.end(), [](int p) { return p <= 3; }));
}

TEST(UrlCheckDlgTest, EscapeAfterTheEndClosesWithCancel) {
    App();
    CTestGui t;  // empty feed: only the end is reported
    CUrlCheckDlg dlg(t.Gui(), nullptr, std::make_unique<CCurlHttpClient>(ShortTimeouts()));
    PollWhileModal([&] {
        if (!dlg.IsDone()) {
            return false;
        }
        dlg.reject();
        return true;
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(t.m_ui.m_beeps, 1);
}

// The product list stays on screen while the check runs and reads the records whenever it repaints: the
// worker only reads them too, and their results are stored on this thread. (Under ThreadSanitizer this test
// is the proof: a record written by the worker while the table reads it is a data race.)
TEST(UrlCheckDlgTest, ProductListRepaintsWhileTheResultsArrive) {
    App();
    CSlowHttpServer slow(20ms);
    CTestGui t;
    for (int i = 0; i < 25; ++i) {
        t.Doc().AddOrReplaceRecord(Product(slow.Url("/p"), slow.Url("/i")));
    }
    CPage3 page(t.Gui());
    page.resize(800, 500);
    page.layout()->activate();
    page.OnSetActive();
    CProductTableModel* model = page.Model();
    const QModelIndex status = model->index(0, kListUrlsCheck);
    const QString before = model->data(status).toString();
    int repaints = 0;
    QString shownWhenDone;
    PollWhileModal([&] {
        auto* dlg = qobject_cast<CUrlCheckDlg*>(QApplication::activeModalWidget());
        if (dlg == nullptr) {
            return false;
        }
        // Painted off screen, as an exposed window would be.
        page.grab();
        ++repaints;
        if (!dlg->IsDone()) {
            return false;
        }
        shownWhenDone = model->data(status).toString();
        dlg->accept();
        return true;
    });
    page.OnVerifyUrls();
    EXPECT_GT(repaints, 5);
    // Every result was stored before the window said it was done, and the table shows it.
    EXPECT_NE(shownWhenDone, before);
    EXPECT_EQ(shownWhenDone, model->data(status).toString());
    EXPECT_TRUE(t.Doc().At(24).urls_checked);
}

}  // namespace
}  // namespace yarvelin
