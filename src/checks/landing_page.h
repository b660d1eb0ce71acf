// What a product page tells the service's crawler: whether robots.txt lets it fetch the page, the price
// the page states in machine-readable form (schema.org Offer as JSON-LD or microdata), and whether the
// page sends the visitor to the shop's home page instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/http_session.h"
#include "records/other_record.h"

namespace yarvelin {

// The bytes of a product page and of a robots.txt read at most.
inline constexpr std::size_t kPageProbeBytes = 1024 * 1024;
inline constexpr std::size_t kRobotsProbeBytes = 512 * 1024;

// The rules of a robots.txt for one crawler as RFC 9309 reads them: the groups naming the crawler's product
// token (its leading letters, "_" and "-"; letter case ignored), else the groups for "*"; the longest
// matching path pattern decides, Allow winning a tie; "*" and a final "$" as in the RFC. No robots.txt, or
// one that names neither, allows everything.
class CRobotsRules {
  public:
    static CRobotsRules Parse(std::string_view text, std::string_view crawler);
    // A robots.txt answer: a success status gives its rules; a 4xx (or a redirection that leads nowhere)
    // means there is no file, so everything is allowed; a 5xx or no answer at all closes the whole site,
    // since the crawler cannot know what it may fetch there.
    static CRobotsRules FromResponse(const HttpSession::Response& response, std::string_view crawler);

    // Whether the crawler may fetch the path (with its query); the rule that forbids it otherwise.
    bool Allows(std::string_view pathAndQuery, std::string* rule = nullptr) const;
    // Why the whole site is closed because robots.txt could not be read ("the server answered 503"); empty
    // when it was read or missing.
    const std::string& Unreadable() const { return m_unreadable; }

  private:
    struct Rule {
        bool allow;
        std::string pattern;
    };
    std::vector<Rule> m_rules;
    std::string m_unreadable;
};

// The finding for a product page the rules close to the crawler; nothing when they let it in.
std::optional<UrlFinding> RobotsFinding(const CRobotsRules& rules, std::string_view robotsUrl,
                                        std::string_view pathAndQuery, std::string_view crawler);

struct PagePrice {
    std::string price;  // as the page writes it; the low end of a range
    std::string currency;
    // An AggregateOffer's range (lowPrice .. highPrice): any price within it agrees. An open end is empty.
    bool range = false;
    std::string high = {};
};

// Every schema.org Offer price in the page: JSON-LD script blocks (Offer with its price or its
// priceSpecification, AggregateOffer's range; at any depth, "@graph" included) and microdata
// (itemprop="price", "lowPrice", "highPrice" and "priceCurrency" within one itemscope). Pages are large and
// the check is hot: the blocks are found by a scan of the bytes, only their JSON is parsed, and only the
// region holding microdata prices goes through the HTML parser.
std::vector<PagePrice> FindPagePrices(std::string_view html);

// The price-mismatch finding when the page states prices and none is the feed's (the same amount, and the
// same currency where both name one); nothing when they agree or the page states none.
std::optional<UrlFinding> PriceFinding(const std::vector<PagePrice>& prices, std::string_view feedPrice,
                                       std::string_view feedCurrency);

// The address to fetch robots.txt from for a page address ("scheme://host[:port]/robots.txt") and the
// page's path with its query; nothing when the address has no http(s) scheme and host.
struct PageAddress {
    std::string robotsUrl;
    std::string pathAndQuery;
};
std::optional<PageAddress> SplitPageAddress(std::string_view url);

// The findings for a product page's answer: a redirection that ends at the site's root ("/") from a page
// that is not itself the root, and a price the page states differently.
std::vector<UrlFinding> PageFindings(const HttpSession::Response& response, std::string_view requestedUrl,
                                     const COtherRecord& record);

}  // namespace yarvelin
