// The landing-page check riding the URL check, against nginx on loopback: robots.txt read once per host,
// prices on pages with and without them, a redirection to the home page.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/feed_document.h"
#include "checks/feed_diagnostics.h"
#include "checks/url_check_worker.h"
#include "platform/curl_http_client.h"
#include "support/file_bytes.h"
#include "support/local_http_servers.h"
#include "support/shop_pages.h"

namespace yarvelin {
namespace {

using testing::CNginxServer;
using Code = DiagnosticCode;

// nginx answers with literal bodies; a page's text is given with its quotes escaped for the config.
const char* const kRobots = R"(
    location = /robots.txt { return 200 "User-agent: *\nDisallow: /private/\n\nUser-agent: PickyBot\nDisallow: /p/\n"; }
)";
const char* const kLocations = R"(
    default_type text/html;
    location = /p/variants { return 200 "<html><body><script type='application/ld+json'>{\"@type\":\"Product\",\"offers\":{\"@type\":\"AggregateOffer\",\"lowPrice\":\"9.00\",\"highPrice\":\"19.00\",\"priceCurrency\":\"USD\"}}</script></body></html>"; }
    location = /p/jsonld { return 200 "<html><head><script type='application/ld+json'>{\"@type\":\"Product\",\"offers\":{\"@type\":\"Offer\",\"price\":\"12.50\",\"priceCurrency\":\"USD\"}}</script></head><body>Lamp</body></html>"; }
    location = /p/dearer { return 200 "<html><head><script type='application/ld+json'>{\"@type\":\"Offer\",\"price\":\"14.99\",\"priceCurrency\":\"USD\"}</script></head><body>Lamp</body></html>"; }
    location = /p/micro { return 200 "<html><body><div itemscope itemtype='https://schema.org/Offer'><meta itemprop='priceCurrency' content='EUR'><span itemprop='price' content='12.50'>12,50</span></div></body></html>"; }
    location = /p/plain { return 200 "<html><body>A lamp for 99 dollars.</body></html>"; }
    location = /p/gone { return 301 /; }
    location = / { return 200 "<html><body>Home</body></html>"; }
    location = /private/p1 { return 200 "<html><body>Secret lamp</body></html>"; }
    location /img/ { return 404; }
)";

COtherRecord Product(const CNginxServer& server, const std::string& path,
                     const std::string& currency = "USD") {
    COtherRecord r;
    r.SetField(kColProductUrl, server.Url(path));
    r.SetField(kColImageUrl, server.Url("/img/1.jpg"));
    r.SetField(kColPrice, "12.50");
    r.SetField(kColCurrency, currency);
    return r;
}

class NullObserver : public CUrlCheckObserver {
  public:
    void OnProgress(std::size_t) override {}
    void OnDone() override {}
    void OnRecordChecked(const UrlCheckResult&) override {}
};

std::vector<Code> PageCodes(const COtherRecord& r) {
    std::vector<Code> codes;
    for (const UrlFinding& f : r.UrlFindings()) {
        if (f.column != 4) {
            codes.push_back(static_cast<Code>(f.code));
        }
    }
    return codes;
}

// Product pages as shops serve them, 300 KB each, written once into a folder the servers serve as /shop/.
const std::string& ShopPagesLocation() {
    static const std::string location = [] {
        const auto dir =
            std::filesystem::temp_directory_path() / ("yarvelin-shop-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        testing::WriteBytes(dir / "lamp.html",
                            testing::ShopPage(300 * 1024, testing::WooCommerceJsonLd("12.50", "USD")));
        testing::WriteBytes(dir / "sale.html", testing::ShopPage(300 * 1024, testing::WooCommerceJsonLd(
                                                                                 "12.50", "USD", "15.00")));
        testing::WriteBytes(dir / "dearer.html",
                            testing::ShopPage(300 * 1024, testing::WooCommerceJsonLd("14.99", "USD")));
        std::atexit([] {
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                        ("yarvelin-shop-" + std::to_string(getpid())));
        });
        return "location /shop/ { alias " + dir.string() + "/; }\n";
    }();
    return location;
}

struct PageCase {
    const char* label;
    const char* path;
    const char* currency;
    const char* crawler;
    std::vector<Code> expected;
    const char* robots = kRobots;  // the robots.txt location
};

void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.label;
}

class LandingPageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(LandingPageTest, FindsWhatThePageTellsTheCrawler) {
    const PageCase& c = GetParam();
    CNginxServer server(std::string(c.robots) + kLocations + ShopPagesLocation());
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product(server, c.path, c.currency));
    CCurlHttpClient client;
    std::atomic<bool> cancel{false};
    NullObserver observer;
    UrlCheckOptions options;
    options.landingPages = true;
    options.crawler = c.crawler;
    RunUrlCheck(doc, client, cancel, observer, options);
    EXPECT_EQ(PageCodes(doc.At(0)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LandingPageTest,
    ::testing::Values(
        PageCase{"json-ld price agrees", "/p/jsonld", "USD", "Yarvelin", {}},
        PageCase{"json-ld price differs", "/p/dearer", "USD", "Yarvelin", {Code::kPagePriceMismatch}},
        PageCase{"microdata currency differs", "/p/micro", "USD", "Yarvelin", {Code::kPagePriceMismatch}},
        PageCase{"microdata agrees", "/p/micro", "EUR", "Yarvelin", {}},
        PageCase{"page without a price", "/p/plain", "USD", "Yarvelin", {}},
        PageCase{"redirect to the home page", "/p/gone", "USD", "Yarvelin", {Code::kPageRedirectsHome}},
        PageCase{"forbidden for everyone", "/private/p1", "USD", "Yarvelin", {Code::kPageDisallowedByRobots}},
        PageCase{"forbidden for the named crawler",
                 "/p/jsonld",
                 "USD",
                 "pickybot",
                 {Code::kPageDisallowedByRobots}},
        PageCase{"the named crawler's own group only", "/private/p1", "USD", "PickyBot", {}},
        PageCase{"the named crawler with a version",
                 "/p/jsonld",
                 "USD",
                 "PickyBot/1.0",
                 {Code::kPageDisallowedByRobots}},
        PageCase{"robots.txt with a byte-order mark",
                 "/p/jsonld",
                 "USD",
                 "Yarvelin",
                 {Code::kPageDisallowedByRobots},
                 "location = /robots.txt { return 200 \"\xEF\xBB\xBFUser-agent: *\\nDisallow: /p/\\n\"; }\n"},
        PageCase{"robots.txt answers 503: the site is closed",
                 "/p/jsonld",
                 "USD",
                 "Yarvelin",
                 {Code::kPageDisallowedByRobots},
                 "location = /robots.txt { return 503; }\n"},
        PageCase{"robots.txt does not answer: the site is closed",
                 "/p/jsonld",
                 "USD",
                 "Yarvelin",
                 {Code::kPageDisallowedByRobots},
                 "location = /robots.txt { return 444; }\n"},
        PageCase{"no robots.txt: the site is open",
                 "/p/jsonld",
                 "USD",
                 "Yarvelin",
                 {},
                 "location = /robots.txt { return 404; }\n"},
        PageCase{"shop page, price in priceSpecification", "/shop/lamp.html", "USD", "Yarvelin", {}},
        PageCase{"shop page, sale price beside the list price", "/shop/sale.html", "USD", "Yarvelin", {}},
        PageCase{
            "shop page, other price", "/shop/dearer.html", "USD", "Yarvelin", {Code::kPagePriceMismatch}},
        PageCase{"variant price inside the offer's range", "/p/variants", "USD", "Yarvelin", {}}));

TEST(LandingPageCheck, UnreadableRobotsSaysTheSiteCountsAsClosed) {
    CNginxServer server(std::string("location = /robots.txt { return 502; }\n") + kLocations);
    CFeedDocument doc;
    doc.AddOrReplaceRecord(Product(server, "/p/jsonld"));
    CCurlHttpClient client;
    std::atomic<bool> cancel{false};
    NullObserver observer;
    UrlCheckOptions options;
    options.landingPages = true;
    RunUrlCheck(doc, client, cancel, observer, options);
    ASSERT_EQ(PageCodes(doc.At(0)), std::vector<Code>{Code::kPageDisallowedByRobots});
    EXPECT_EQ(
        doc.At(0).UrlFindings()[0].message,
        "The service's crawler \"Yarvelin\" may not fetch the product page: " + server.Url("/robots.txt") +
            " could not be read (the server answered 502), so the crawler treats the whole site as closed.");
}

TEST(LandingPageCheck, RobotsOncePerHostAndStatusesAsBefore) {
    CNginxServer server(std::string(kRobots) + kLocations);
    CFeedDocument doc;
    for (int i = 0; i < 12; ++i) {
        doc.AddOrReplaceRecord(Product(server, i % 2 ? "/p/jsonld" : "/p/plain"));
    }
    doc.AddOrReplaceRecord(Product(server, "/private/p1"));
    CCurlHttpClient client;
    std::atomic<bool> cancel{false};
    NullObserver observer;
    UrlCheckOptions options;
    options.landingPages = true;
    RunUrlCheck(doc, client, cancel, observer, options);
    const auto log = server.AccessLogOf(27);
    EXPECT_EQ(std::count_if(
                  log.begin(), log.end(),
                  [](const std::string& line) { return line.find("GET /robots.txt ") != std::string::npos; }),
              1);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        // A page robots.txt forbids still answers: its result is what the status says.
        EXPECT_STREQ(doc.At(i).UrlStatusText(), "Err:Img Url") << i;
    }
    EXPECT_EQ(PageCodes(doc.At(12)), std::vector<Code>{Code::kPageDisallowedByRobots});
    EXPECT_NE(doc.At(12).UrlFindings()[0].message.find("\"Yarvelin\""), std::string::npos);
}

}  // namespace
}  // namespace yarvelin
