// The URL check's order, repeat and cancel rules, on a session whose requests end in any order we like.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/feed_document.h"
#include "app/settings_names.h"
#include "app/settings_store.h"
#include "checks/http_session.h"
#include "checks/url_check_worker.h"

namespace yarvelin {
namespace {

using namespace std::chrono_literals;

// Every URL "http://h/<status>[/ra<retry-after>]..." answers with that status. Requests end in the reverse
// order they were started in, a whole batch at a time, so later records often end first.
class CReversingSession : public HttpSession {
  public:
    explicit CReversingSession(std::size_t maxRequests) : m_max(maxRequests) {}
    bool ParsesAsUrl(const std::string& url) const override {
        return url.rfind("http://", 0) == 0 && url.find(' ') == std::string::npos;
    }
    Response Get(const std::string& url) override {
        Response r;
        const std::string rest = url.substr(std::string("http://h/").size());
        r.status = static_cast<unsigned>(std::stoul(rest));
        if (const auto at = rest.find("/ra"); at != std::string::npos) {
            r.retryAfter = std::chrono::seconds(std::stol(rest.substr(at + 3)));
        }
        return r;
    }
    std::size_t MaxRequests() const override { return m_max; }
    void Start(std::uint64_t tag, const std::string& url) override {
        m_started.push_back(url);
        m_inFlight.emplace_back(tag, url);
        m_mostInFlight = std::max(m_mostInFlight, m_inFlight.size());
    }
    std::vector<Finished> Poll(std::chrono::milliseconds) override {
        std::vector<Finished> done;
        if (m_hang) {
            return done;
        }
        for (auto it = m_inFlight.rbegin(); it != m_inFlight.rend(); ++it) {
            done.push_back({it->first, Get(it->second)});
        }
        m_inFlight.clear();
        return done;
    }
    void AbortAll() override {
        ++m_aborts;
        m_inFlight.clear();
    }

    std::size_t m_max;
    bool m_hang = false;
    int m_aborts = 0;
    std::size_t m_mostInFlight = 0;
    std::vector<std::string> m_started;
    std::vector<std::pair<std::uint64_t, std::string>> m_inFlight;
};

class CFakeClient : public HttpClient {
  public:
    explicit CFakeClient(CReversingSession* session) : m_session(session) {}
    // The worker takes the session; the test keeps looking at it through the client.
    std::unique_ptr<HttpSession> OpenSession(const std::string& userAgent) override {
        EXPECT_EQ(userAgent, "Yarvelin");
        return std::unique_ptr<HttpSession>(new CForwardingSession(*m_session));
    }

  private:
    class CForwardingSession : public HttpSession {
      public:
        explicit CForwardingSession(CReversingSession& s) : m_s(s) {}
        bool ParsesAsUrl(const std::string& url) const override { return m_s.ParsesAsUrl(url); }
        Response Get(const std::string& url) override { return m_s.Get(url); }
        std::size_t MaxRequests() const override { return m_s.MaxRequests(); }
        void Start(std::uint64_t tag, const std::string& url) override { m_s.Start(tag, url); }
        std::vector<Finished> Poll(std::chrono::milliseconds wait) override { return m_s.Poll(wait); }
        void AbortAll() override { m_s.AbortAll(); }

      private:
        CReversingSession& m_s;
    };
    CReversingSession* m_session;
};

class CCollectingObserver : public CUrlCheckObserver {
  public:
    void OnRecordChecked(const UrlCheckResult& r) override {
        m_events.push_back("record " + std::to_string(r.position));
        m_results.push_back(r);
    }
    std::vector<UrlCheckResult> m_results;
    void OnProgress(std::size_t handled) override {
        m_events.push_back("progress " + std::to_string(handled));
    }
    void OnDone() override { m_events.push_back("done"); }
    void OnUrlChecked(std::size_t position, bool image, unsigned result) override {
        m_events.push_back(std::to_string(position) + (image ? " image " : " product ") +
                           std::to_string(result));
    }
    std::vector<std::string> m_events;
};

COtherRecord Product(const std::string& productUrl, const std::string& imageUrl) {
    COtherRecord r;
    r.SetField(kColProductUrl, productUrl);
    r.SetField(kColImageUrl, imageUrl);
    return r;
}

TEST(UrlCheckOrderTest, RecordsAreWrittenAndReportedInRowOrderWhateverOrderRequestsEnd) {
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product("http://h/200", "http://h/404"));
    doc.AddOrReplaceRecord(Product("h/500", "no scheme, no parse"));  // the second gets "http://" in front
    doc.AddOrReplaceRecord(Product("http://h/299", "http://h/200"));
    CReversingSession session(3);
    CFakeClient client(&session);
    std::atomic<bool> cancel{false};
    CCollectingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    const std::vector<std::string> expected = {
        "0 product 200",      "0 image 404", "record 0",   "progress 1",    "1 product 500",
        "1 image 4294967295", "record 1",    "progress 2", "2 product 299", "2 image 200",
        "record 2",           "progress 3",  "done"};
    EXPECT_EQ(observer.m_events, expected);
    EXPECT_EQ(session.m_mostInFlight, 3u);
    EXPECT_EQ(session.m_started[2], "http://h/500");
    EXPECT_STREQ(doc.At(0).UrlStatusText(), "Err:Img Url");
    EXPECT_STREQ(doc.At(1).UrlStatusText(), "Err:All Url");
    EXPECT_STREQ(doc.At(2).UrlStatusText(), "All OK");
}

// The worker only reads the document: its results reach whoever owns the document, who applies them.
TEST(UrlCheckOrderTest, WorkerLeavesTheDocumentAloneAndHandsResultsOver) {
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product("http://h/200", "http://h/404"));
    doc.AddOrReplaceRecord(Product("http://h/500", "http://h/200"));
    doc.MarkSaved();
    CReversingSession session(2);
    CFakeClient client(&session);
    std::atomic<bool> cancel{false};
    CCollectingObserver observer;
    UrlCheckWorker(doc, client, cancel, observer);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        EXPECT_FALSE(doc.At(i).urls_checked) << i;
    }
    ASSERT_EQ(observer.m_results.size(), 2u);
    for (const UrlCheckResult& r : observer.m_results) {
        ApplyUrlCheckResult(doc, r);
    }
    EXPECT_STREQ(doc.At(0).UrlStatusText(), "Err:Img Url");
    EXPECT_STREQ(doc.At(1).UrlStatusText(), "Err:Prd Url");
    // A result for a product that has gone since is dropped.
    UrlCheckResult late;
    late.position = 7;
    late.requested[0] = true;
    ApplyUrlCheckResult(doc, late);
    EXPECT_FALSE(doc.IsChanged());
}

// One request at a time: the old order, the product URL before the image URL, record by record.
TEST(UrlCheckOrderTest, OneAtATimeKeepsTheOldRequestOrder) {
    CFeedDocument doc;
    for (int i = 0; i < 3; ++i) {
        doc.AddOrReplaceRecord(
            Product("http://h/200/p" + std::to_string(i), "http://h/200/i" + std::to_string(i)));
    }
    CReversingSession session(1);
    CFakeClient client(&session);
    std::atomic<bool> cancel{false};
    CCollectingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_EQ(session.m_mostInFlight, 1u);
    EXPECT_EQ(session.m_started,
              (std::vector<std::string>{"http://h/200/p0", "http://h/200/i0", "http://h/200/p1",
                                        "http://h/200/i1", "http://h/200/p2", "http://h/200/i2"}));
}

// What a later run asks for, by the record's last result.
TEST(UrlCheckOrderTest, LaterRunAsksAgainOnlyForWhatWasNotOk) {
    struct Case {
        bool checked, productOk, imageOk;
        std::vector<std::string> asked;
        const char* status;
    } cases[] = {
        {false, false, false, {"http://h/200/p", "http://h/200/i"}, "All OK"},
        {true, true, true, {}, "All OK"},
        {true, false, true, {"http://h/200/p"}, "All OK"},
        {true, true, false, {"http://h/200/i"}, "All OK"},
        {true, false, false, {"http://h/200/p", "http://h/200/i"}, "All OK"},
    };
    for (const Case& c : cases) {
        CFeedDocument doc;
        COtherRecord r = Product("http://h/200/p", "http://h/200/i");
        r.urls_checked = c.checked;
        r.product_url_ok = c.productOk;
        r.image_url_ok = c.imageOk;
        doc.AddOrReplaceRecord(r);
        CReversingSession session(16);
        CFakeClient client(&session);
        std::atomic<bool> cancel{false};
        CCollectingObserver observer;
        RunUrlCheck(doc, client, cancel, observer);
        EXPECT_EQ(session.m_started, c.asked) << c.checked << c.productOk << c.imageOk;
        EXPECT_STREQ(doc.At(0).UrlStatusText(), c.status);
        EXPECT_TRUE(doc.At(0).urls_checked);
        EXPECT_EQ(observer.m_events.back(), "done");
    }
}

TEST(UrlCheckOrderTest, CancelEndsTheRequestsInFlightAndWritesNothingMore) {
    CFeedDocument doc;
    for (int i = 0; i < 20; ++i) {
        doc.AddOrReplaceRecord(Product("http://h/200", "http://h/200"));
    }
    CReversingSession session(16);
    session.m_hang = true;
    CFakeClient client(&session);
    std::atomic<bool> cancel{true};
    CCollectingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_EQ(session.m_aborts, 1);
    EXPECT_EQ(observer.m_events, (std::vector<std::string>{"done"}));
    EXPECT_FALSE(doc.At(0).urls_checked);
}

// The answers that are asked once more after a wait, and how long the wait is.
TEST(UrlCheckRulesTest, RetryWait) {
    struct Case {
        bool failed;
        std::optional<unsigned> status;
        std::optional<std::chrono::seconds> retryAfter;
        std::optional<std::chrono::seconds> wait;
    } cases[] = {
        {false, 429, 5s, 5s},   {false, 503, 0s, 0s}, {false, 429, 120s, 30s},
        {false, 503, 30s, 30s}, {false, 429, {}, {}}, {false, 404, 5s, {}},
        {false, 500, 5s, {}},   {false, 200, 5s, {}}, {true, {}, {}, {}},
    };
    for (const Case& c : cases) {
        HttpSession::Response r;
        r.failed = c.failed;
        r.status = c.status;
        r.retryAfter = c.retryAfter;
        EXPECT_EQ(UrlRetryWait(r), c.wait)
            << c.status.value_or(0) << " " << c.retryAfter.value_or(-1s).count();
    }
}

// Retried once: a second 429 is the result, after no more than the capped wait.
TEST(UrlCheckRulesTest, RepeatedBusyAnswerIsTheResult) {
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product("http://h/429/ra0", "http://h/200"));
    CReversingSession session(16);
    CFakeClient client(&session);
    std::atomic<bool> cancel{false};
    CCollectingObserver observer;
    RunUrlCheck(doc, client, cancel, observer);
    EXPECT_EQ(session.m_started,
              (std::vector<std::string>{"http://h/429/ra0", "http://h/200", "http://h/429/ra0"}));
    EXPECT_EQ(observer.m_events[0], "0 product 429");
}

// Spellings of one server share a key (and so the per-host limit); the rows after them are other servers.
TEST(UrlCheckRulesTest, HostKeyFoldsSpellingsOfOneServer) {
    struct Spelling {
        const char* scheme;
        const char* host;
        const char* port;
    };
    const std::vector<std::vector<Spelling>> servers = {
        {{"http", "localhost", ""},
         {"http", "LOCALHOST", ""},
         {"HTTP", "LocalHost", "80"},
         {"http", "localhost", "080"}},
        {{"https", "Shop.Example", ""}, {"https", "shop.example", "443"}, {"http", "shop.example", "443"}},
        {{"http", "[::1]", ""}, {"http", "::1", "80"}, {"http", "[::1]", "80"}},
        {{"http", "[FE80::1%25ETH0]", ""}, {"http", "fe80::1%25eth0", "80"}},
        {{"https", "localhost", ""}},
        {{"http", "localhost", "8080"}},
        {{"http", "shop.example", ""}},
        {{"http", "[::2]", ""}},
        {{"ftp", "localhost", ""}},
    };
    std::map<std::string, std::size_t> serverOfKey;
    for (std::size_t n = 0; n < servers.size(); ++n) {
        const std::string key = UrlHostKey(servers[n][0].scheme, servers[n][0].host, servers[n][0].port);
        for (const Spelling& s : servers[n]) {
            EXPECT_EQ(UrlHostKey(s.scheme, s.host, s.port), key)
                << s.scheme << " " << s.host << " " << s.port;
        }
        const auto [it, added] = serverOfKey.emplace(key, n);
        EXPECT_TRUE(added) << key << " is the key of rows " << it->second << " and " << n;
    }
}

TEST(UrlCheckRulesTest, JobsFromTheSettings) {
    const std::pair<std::optional<int>, int> cases[] = {{std::nullopt, 16}, {1, 1}, {4, 4}, {64, 64},
                                                        {65, 64},           {0, 1}, {-3, 1}};
    for (const auto& [stored, jobs] : cases) {
        CMemorySettingsStore store;
        if (stored) {
            settings::kUrlCheckJobs.Write(store, *stored);
        }
        EXPECT_EQ(UrlCheckJobs(store), jobs) << stored.value_or(999);
    }
}

}  // namespace
}  // namespace yarvelin
