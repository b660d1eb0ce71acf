#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/feed_document.h"
#include "app/settings_names.h"
#include "app/settings_store.h"
#include "checks/feed_diagnostics.h"
#include "checks/landing_page.h"
#include "checks/url_check_worker.h"
#include "support/shop_pages.h"

namespace yarvelin {
namespace {

using Code = DiagnosticCode;

struct RobotsCase {
    const char* label;
    const char* robots;
    const char* crawler;
    const char* path;
    bool allowed;
};

void PrintTo(const RobotsCase& c, std::ostream* os) {
    *os << c.label;
}

class RobotsTest : public ::testing::TestWithParam<RobotsCase> {};

TEST_P(RobotsTest, DecidesAsTheLongestRule) {
    const RobotsCase& c = GetParam();
    std::string rule;
    EXPECT_EQ(CRobotsRules::Parse(c.robots, c.crawler).Allows(c.path, &rule), c.allowed) << rule;
    EXPECT_EQ(rule.empty(), c.allowed);
}

const char kShop[] =
    "# the shop's rules\r\n"
    "User-agent: *\r\n"
    "Disallow: /cart\r\n"
    "Disallow: /p/hidden\r\n"
    "Allow: /p/hidden/shown\r\n"
    "Disallow: /*.pdf$\r\n"
    "Disallow: /search?*sort=\r\n"
    "\r\n"
    "User-agent: Yarvelin\r\n"
    "User-agent: OtherBot\r\n"
    "Disallow: /p/\r\n"
    "Allow: /p/public\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rules, RobotsTest,
    ::testing::Values(
        RobotsCase{"no file", "", "Yarvelin", "/p/1", true},
        RobotsCase{"any crawler, free path", kShop, "Somebot", "/p/1", true},
        RobotsCase{"any crawler, forbidden prefix", kShop, "Somebot", "/cart/1", false},
        RobotsCase{"prefix is not a word", kShop, "Somebot", "/cartoons", false},
        RobotsCase{"longer allow wins", kShop, "Somebot", "/p/hidden/shown/1", true},
        RobotsCase{"shorter allow loses", kShop, "Somebot", "/p/hidden/x", false},
        RobotsCase{"end anchor matches", kShop, "Somebot", "/files/a.pdf", false},
        RobotsCase{"end anchor needs the end", kShop, "Somebot", "/files/a.pdf?x=1", true},
        RobotsCase{"star in the query", kShop, "Somebot", "/search?q=a&sort=price", false},
        RobotsCase{"star finds nothing", kShop, "Somebot", "/search?q=a", true},
        RobotsCase{"named group replaces the star group", kShop, "yarvelin", "/cart", true},
        RobotsCase{"named group forbids", kShop, "Yarvelin", "/p/1", false},
        RobotsCase{"named group allows longer", kShop, "Yarvelin", "/p/public/1", true},
        RobotsCase{"second agent of a group", kShop, "OtherBot", "/p/1", false},
        RobotsCase{"empty disallow forbids nothing", "User-agent: *\nDisallow:\n", "Yarvelin", "/p/1", true},
        RobotsCase{"whole site", "User-agent: *\nDisallow: /\n", "Yarvelin", "/p/1", false},
        RobotsCase{"equal length: allow wins", "User-agent: *\nDisallow: /p\nAllow: /p\n", "Yarvelin", "/p/1",
                   true},
        RobotsCase{"other crawler only", "User-agent: Googlebot\nDisallow: /\n", "Yarvelin", "/p/1", true},
        RobotsCase{"byte-order mark before the first group", "\xEF\xBB\xBFUser-agent: *\nDisallow: /p/\n",
                   "Yarvelin", "/p/1", false},
        RobotsCase{"line names the crawler with a version",
                   "User-agent: Yarvelin/1.2 (+https://x)\nDisallow: /\n", "Yarvelin", "/p/1", false},
        RobotsCase{"crawler name with a version", kShop, "Yarvelin/2.0", "/p/1", false},
        RobotsCase{"a longer token is another crawler", "User-agent: Yarvelin-Images\nDisallow: /\n",
                   "Yarvelin", "/p/1", true},
        RobotsCase{
            "groups naming the crawler are combined",
            "User-agent: yarvelin\nDisallow: /a\n\nUser-agent: *\nDisallow: /b\n\nUser-agent: YARVELIN\n"
            "Disallow: /b\n",
            "Yarvelin", "/b/1", false}));

// RFC 9309: no file (4xx) opens the site; a robots.txt the server cannot give (5xx) or no answer closes
// all of it, and the finding says why.
TEST(RobotsRules, TheAnswerDecidesBeforeTheFile) {
    const struct {
        const char* label;
        bool failed;
        std::optional<unsigned> status;
        bool allowed;
        const char* reason;  // in the finding when closed
    } cases[] = {
        {"rules read", false, 200u, false, "forbids it (Disallow: /p/)"},
        {"not found", false, 404u, true, nullptr},
        {"forbidden to read", false, 403u, true, nullptr},
        {"redirect that leads nowhere", false, 301u, true, nullptr},
        {"server error", false, 500u, false,
         "could not be read (the server answered 500), so the crawler treats"},
        {"unavailable", false, 503u, false, "could not be read (the server answered 503)"},
        {"no answer", true, std::nullopt, false, "could not be read (it did not answer)"},
    };
    for (const auto& c : cases) {
        HttpSession::Response response;
        response.failed = c.failed;
        response.status = c.status;
        response.body = "User-agent: *\nDisallow: /p/\n";
        const CRobotsRules rules = CRobotsRules::FromResponse(response, "Yarvelin");
        EXPECT_EQ(rules.Allows("/p/1"), c.allowed) << c.label;
        const auto finding = RobotsFinding(rules, "http://shop.example/robots.txt", "/p/1", "Yarvelin");
        ASSERT_EQ(finding.has_value(), !c.allowed) << c.label;
        if (finding) {
            EXPECT_EQ(finding->code, static_cast<int>(Code::kPageDisallowedByRobots));
            EXPECT_NE(finding->message.find(c.reason), std::string::npos) << finding->message;
        }
    }
}

// A price as the test writes it: {price, currency}, and for a range its high end and the range flag.
struct Seen {
    std::string price;
    std::string currency;
    std::string high = {};
    bool range = false;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& p, std::ostream* os) {
    *os << p.price << (p.range ? ".." + p.high : "") << " " << p.currency;
}

struct PriceCase {
    const char* label;
    std::string html;
    std::vector<Seen> prices;
};

void PrintTo(const PriceCase& c, std::ostream* os) {
    *os << c.label;
}

class PagePriceTest : public ::testing::TestWithParam<PriceCase> {};

TEST_P(PagePriceTest, FindsEveryOfferPrice) {
    std::vector<Seen> found;
    for (const PagePrice& p : FindPagePrices(GetParam().html)) {
        found.push_back({p.price, p.currency, p.high, p.range});
    }
    EXPECT_EQ(found, GetParam().prices);
}

std::string Page(const std::string& body) {
    return "<!DOCTYPE html><html><head><title>Lamp</title></head><body>" + body + "</body></html>";
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PagePriceTest,
    ::testing::Values(
        PriceCase{"no price", Page("<p>A lamp for 12.50 dollars</p>"), {}},
        PriceCase{
            "json-ld product",
            Page(R"(<script type="application/ld+json">{"@context":"https://schema.org","@type":"Product",
                       "name":"Lamp","offers":{"@type":"Offer","price":"12.50","priceCurrency":"USD"}}</script>)"),
            {{"12.50", "USD"}}},
        PriceCase{
            "json-ld number and graph",
            Page(R"(<script type="application/ld+json">{"@graph":[{"@type":"WebPage"},{"@type":"Product",
                       "offers":[{"@type":"Offer","price":14.99,"priceCurrency":"EUR"}]}]}</script>)"),
            {{"14.99", "EUR"}}},
        PriceCase{"aggregate offer",
                  Page(R"(<script type="application/ld+json">{"@type":"AggregateOffer",
                       "lowPrice":"9.00","highPrice":"19.00","priceCurrency":"USD"}</script>)"),
                  {{"9.00", "USD", "19.00", true}}},
        PriceCase{"broken json-ld",
                  Page(R"(<script type="application/ld+json">{"@type":"Offer","price":</script>)"),
                  {}},
        PriceCase{
            "other script", Page(R"(<script>var offer = {"@type":"Offer","price":"1.00"};</script>)"), {}},
        PriceCase{
            "microdata with content",
            Page(R"(<div itemscope itemtype="https://schema.org/Product"><span itemprop="name">Lamp</span>
                       <div itemprop="offers" itemscope itemtype="https://schema.org/Offer">
                       <meta itemprop="priceCurrency" content="USD"><span itemprop="price" content="12.50">$12.50</span>
                       </div></div>)"),
            {{"12.50", "USD"}}},
        PriceCase{
            "two json-ld blocks among text",
            Page(R"(<p>Intro</p><script type="application/ld+json">{"@type":"Offer","price":"1.00"}</script>
                       <p>More</p><SCRIPT TYPE="application/LD+JSON">{"@type":"Offer","price":"2.00"}</SCRIPT><p>End</p>)"),
            {{"1.00", ""}, {"2.00", ""}}},
        PriceCase{"microdata text",
                  Page(R"(<div itemscope itemtype="http://schema.org/Offer">
                       <span itemprop="price"> 7.25 </span><span itemprop="priceCurrency">GBP</span></div>)"),
                  {{"7.25", "GBP"}}},
        PriceCase{"woocommerce priceSpecification, list price left out",
                  Page(testing::WooCommerceJsonLd("12.50", "USD", "15.00")),
                  {{"12.50", "USD"}}},
        PriceCase{"priceSpecification object, offer's currency",
                  Page(R"(<script type="application/ld+json">{"@type":"Offer","priceCurrency":"EUR",
                       "priceSpecification":{"@type":"PriceSpecification","price":8}}</script>)"),
                  {{"8", "EUR"}}},
        PriceCase{
            "aggregate offer open above",
            Page(R"(<script type="application/ld+json">{"@type":"AggregateOffer","lowPrice":5}</script>)"),
            {{"5", "", "", true}}},
        PriceCase{"shop page: data at the end, look-alikes in scripts and comments",
                  testing::ShopPage(300 * 1024, testing::WooCommerceJsonLd("12.50", "USD")),
                  {{"12.50", "USD"}}},
        PriceCase{"shop page with microdata after the shop's own",
                  testing::ShopPage(300 * 1024, R"(<div itemscope itemtype="https://schema.org/Product">
                       <div itemprop="offers" itemscope itemtype="https://schema.org/Offer">
                       <div itemprop="seller" itemscope itemtype="https://schema.org/Organization">Shop</div>
                       <span itemprop="price" data-x="a > b">12.50</span><meta itemprop="priceCurrency"
                       content="USD"></div></div>)"),
                  {{"12.50", "USD"}}},
        PriceCase{
            "microdata range",
            Page(R"(<div itemscope itemtype="https://schema.org/AggregateOffer"><meta itemprop="lowPrice"
                       content="3.00"><meta itemprop="highPrice" content="4.00"></div>)"),
            {{"3.00", "", "4.00", true}}},
        PriceCase{"script end tag in other letters, json in a comment wrapper",
                  Page(R"(<script type = " application/LD+JSON "><!--
                       {"@type":"Offer","price":"6.00"}
                       --></ScRiPt ><p itemprop="price">9</p>)"),
                  {{"6.00", ""}}}));

struct MismatchCase {
    const char* label;
    std::vector<PagePrice> page;
    const char* price;
    const char* currency;
    const char* message;  // nullptr: no finding
};

TEST(PagePrice, MismatchNamesBothValues) {
    const MismatchCase cases[] = {
        {"same", {{"12.50", "USD"}}, "12.50", "USD", nullptr},
        {"same amount written otherwise", {{"12.5", "usd"}}, "12.50", "USD", nullptr},
        {"page without currency", {{"12.50", ""}}, "12.50", "USD", nullptr},
        {"feed without currency", {{"12.50", "EUR"}}, "12.50", "", nullptr},
        {"one of several agrees", {{"9.99", "USD"}, {"12.50", "USD"}}, "12.50", "USD", nullptr},
        {"no price on the page", {}, "12.50", "USD", nullptr},
        {"other amount",
         {{"14.99", "USD"}},
         "12.50",
         "USD",
         "The product page states the price 14.99 USD; the feed says 12.50 USD."},
        {"a cent apart",
         {{"12.51", "USD"}},
         "12.50",
         "USD",
         "The product page states the price 12.51 USD; the feed says 12.50 USD."},
        {"other currency",
         {{"12.50", "EUR"}},
         "12.50",
         "USD",
         "The product page states the price 12.50 EUR; the feed says 12.50 USD."},
        {"inside a range", {{"9.00", "USD", true, "19.00"}}, "12.50", "USD", nullptr},
        {"range ends count", {{"9.00", "USD", true, "12.50"}}, "12.50", "USD", nullptr},
        {"open range", {{"9.00", "", true, ""}}, "120", "USD", nullptr},
        {"above a range",
         {{"9.00", "USD", true, "19.00"}},
         "25.00",
         "USD",
         "The product page states the price 9.00 to 19.00 USD; the feed says 25.00 USD."},
        {"below an open range",
         {{"9.00", "", true, ""}},
         "5",
         "",
         "The product page states the price from 9.00; the feed says 5."},
    };
    for (const MismatchCase& c : cases) {
        const auto finding = PriceFinding(c.page, c.price, c.currency);
        ASSERT_EQ(finding.has_value(), c.message != nullptr) << c.label;
        if (finding) {
            EXPECT_EQ(finding->code, static_cast<int>(Code::kPagePriceMismatch)) << c.label;
            EXPECT_EQ(finding->column, 3) << c.label;
            EXPECT_EQ(finding->message, c.message) << c.label;
        }
    }
}

TEST(PageAddress, RobotsFileAndPathOfAPage) {
    const struct {
        const char* url;
        const char* robots;  // nullptr: no page address
        const char* path;
    } cases[] = {
        {"https://Shop.example.com/p/1.html?c=2#top", "https://shop.example.com/robots.txt", "/p/1.html?c=2"},
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080/robots.txt", "/"},
        {"HTTP://me@shop.example.com?x", "http://shop.example.com/robots.txt", "/?x"},
        {"ftp://shop.example.com/p", nullptr, nullptr},
        {"shop.example.com/p", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto address = SplitPageAddress(c.url);
        ASSERT_EQ(address.has_value(), c.robots != nullptr) << c.url;
        if (address) {
            EXPECT_EQ(address->robotsUrl, c.robots);
            EXPECT_EQ(address->pathAndQuery, c.path);
        }
    }
}

TEST(PageFindings, RedirectToTheHomePage) {
    COtherRecord record;
    record.SetField(kColPrice, "12.50");
    const struct {
        const char* requested;
        const char* final;
        unsigned redirects;
        bool home;
    } cases[] = {{"http://shop.example.com/p/1", "http://shop.example.com/", 1, true},
                 {"http://shop.example.com/p/1", "http://shop.example.com/?from=p1", 2, false},
                 {"http://shop.example.com/p/1", "http://shop.example.com/p/1-new", 1, false},
                 {"http://shop.example.com/", "http://shop.example.com/", 1, false},
                 {"http://shop.example.com/p/1", "http://shop.example.com/", 0, false}};
    for (const auto& c : cases) {
        HttpSession::Response response;
        response.status = 200;
        response.redirects = c.redirects;
        response.finalUrl = c.final;
        const auto findings = PageFindings(response, c.requested, record);
        ASSERT_EQ(findings.size(), c.home ? 1u : 0u) << c.requested << " -> " << c.final;
        if (c.home) {
            EXPECT_EQ(findings[0].code, static_cast<int>(Code::kPageRedirectsHome));
            EXPECT_EQ(findings[0].column, 0);
        }
    }
}

// A new request of an address replaces the findings it gave before, the price (in another column) too,
// and leaves those of the other address.
TEST(UrlCheckResults, FindingsOfARequestedAddressAreReplaced) {
    const UrlFinding price{static_cast<int>(Code::kPagePriceMismatch), 3, "price"};
    const UrlFinding robots{static_cast<int>(Code::kPageDisallowedByRobots), 0, "robots"};
    const UrlFinding small{static_cast<int>(Code::kImageTooSmall), 4, "small"};
    const struct {
        bool page;
        bool image;
        std::vector<std::string> left;
    } cases[] = {{true, false, {"small"}}, {false, true, {"price", "robots"}}, {true, true, {}}};
    for (const auto& c : cases) {
        CFeedDocument doc;
        COtherRecord r;
        r.SetUrlFindings({price, robots, small});
        doc.AddOrReplaceRecord(r);
        UrlCheckResult result;
        result.requested[0] = c.page;
        result.requested[1] = c.image;
        ApplyUrlCheckResult(doc, result);
        std::vector<std::string> left;
        for (const UrlFinding& f : doc.At(0).UrlFindings()) {
            left.push_back(f.message);
        }
        EXPECT_EQ(left, c.left) << c.page << c.image;
    }
}

TEST(UrlCheckOptions, TheWindowsCrawlerComesFromTheSettings) {
    CMemorySettingsStore store;
    for (const auto& [stored, crawler] : std::vector<std::pair<std::string, std::string>>{
             {"", "Yarvelin"}, {"  ", "Yarvelin"}, {"PickyBot", "PickyBot"}, {" Other Bot ", "Other Bot"}}) {
        settings::kCrawlerName.Write(store, stored);
        const UrlCheckOptions options = ConfiguredUrlCheckOptions(store);
        EXPECT_TRUE(options.landingPages);
        EXPECT_EQ(options.crawler, crawler) << '"' << stored << '"';
    }
    EXPECT_FALSE(UrlCheckOptions{}.landingPages);
}

}  // namespace
}  // namespace yarvelin
