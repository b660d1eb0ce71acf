#include "checks/landing_page.h"

#include <gumbo.h>
#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "checks/feed_diagnostics.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr int kProductUrlColumn = 0;
constexpr int kPriceColumn = 3;

// Does a robots.txt path pattern match the start of path? "*" stands for any run of characters, a final
// "$" for the end of the path.
bool PatternMatches(std::string_view pattern, std::string_view path) {
    const bool anchored = !pattern.empty() && pattern.back() == '$';
    if (anchored) {
        pattern.remove_suffix(1);
    }
    // Backtracking over the stars; patterns are short.
    std::size_t p = 0;
    std::size_t s = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starS = 0;
    while (s < path.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starS = s;
        } else if (p < pattern.size() && pattern[p] == path[s]) {
            ++p;
            ++s;
        } else if (p == pattern.size() && !anchored) {
            return true;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// A number as a page or the feed writes it ("12.50", "1,299.00" is not one): nothing when it is none.
std::optional<double> Amount(std::string_view text) {
    const std::string s(TrimmedView(text));
    if (s.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(s.c_str(), &end);
    return *end == '\0' ? std::optional<double>(value) : std::nullopt;
}

std::string JsonText(const nlohmann::json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_number()) {
        return value.dump();
    }
    return {};
}

bool HasType(const nlohmann::json& object, std::string_view type) {
    const auto it = object.find("@type");
    if (it == object.end()) {
        return false;
    }
    auto is = [&](const nlohmann::json& v) {
        if (!v.is_string()) {
            return false;
        }
        std::string_view name = v.get_ref<const std::string&>();
        if (const auto slash = name.rfind('/'); slash != std::string_view::npos) {
            name.remove_prefix(slash + 1);  // "http://schema.org/Offer"
        }
        return name == type;
    };
    return it->is_array() ? std::any_of(it->begin(), it->end(), is) : is(*it);
}

void CollectJsonLd(const nlohmann::json& value, std::vector<PagePrice>& prices) {
    if (value.is_object()) {
        const bool offer = HasType(value, "Offer");
        const bool aggregate = HasType(value, "AggregateOffer");
        if (offer || aggregate) {
            const std::string currency =
                value.contains("priceCurrency") ? JsonText(value["priceCurrency"]) : "";
            for (const char* key : {"price", "lowPrice"}) {
                if ((offer || std::string_view(key) == "lowPrice") && value.contains(key)) {
                    const std::string price = JsonText(value[key]);
                    if (!price.empty()) {
                        prices.push_back({price, currency});
                    }
                }
            }
        }
        for (const auto& [key, child] : value.items()) {
            CollectJsonLd(child, prices);
        }
    } else if (value.is_array()) {
        for (const auto& child : value) {
            CollectJsonLd(child, prices);
        }
    }
}

const char* Attribute(const GumboElement& element, const char* name) {
    const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
    return attribute ? attribute->value : nullptr;
}

void AppendText(const GumboNode* node, std::string& out) {
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_CDATA ||
        node->type == GUMBO_NODE_WHITESPACE) {
        out += node->v.text.text;
    } else if (node->type == GUMBO_NODE_ELEMENT) {
        const GumboVector& children = node->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            AppendText(static_cast<const GumboNode*>(children.data[i]), out);
        }
    }
}

// A microdata value: its content attribute, else its text.
std::string ItemValue(const GumboNode* node) {
    if (const char* content = Attribute(node->v.element, "content")) {
        return content;
    }
    std::string text;
    AppendText(node, text);
    return Trim(text);
}

// Walks the page: JSON-LD blocks, and microdata prices gathered per item scope.
void Walk(const GumboNode* node, PagePrice* scope, std::vector<PagePrice>& prices) {
    if (node->type != GUMBO_NODE_ELEMENT) {
        return;
    }
    const GumboElement& element = node->v.element;
    if (element.tag == GUMBO_TAG_SCRIPT) {
        const char* type = Attribute(element, "type");
        if (type && EqualsNoCase(Trim(type), "application/ld+json")) {
            std::string text;
            AppendText(node, text);
            const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
            if (!json.is_discarded()) {
                CollectJsonLd(json, prices);
            }
        }
        return;
    }
    if (const char* prop = Attribute(element, "itemprop"); prop && scope) {
        const std::string name = Trim(prop);
        if (name == "price" && scope->price.empty()) {
            scope->price = ItemValue(node);
        } else if (name == "priceCurrency" && scope->currency.empty()) {
            scope->currency = ItemValue(node);
        }
    }
    PagePrice own;
    PagePrice* inner = scope;
    const bool itemScope = Attribute(element, "itemscope") != nullptr;
    if (itemScope) {
        inner = &own;
    }
    const GumboVector& children = element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        Walk(static_cast<const GumboNode*>(children.data[i]), inner, prices);
    }
    if (itemScope && !own.price.empty()) {
        prices.push_back(std::move(own));
    }
}

UrlFinding PageFinding(DiagnosticCode code, int column, std::string message) {
    return {static_cast<int>(code), column, std::move(message)};
}

}  // namespace

CRobotsRules CRobotsRules::Parse(std::string_view text, std::string_view crawler) {
    CRobotsRules named;
    CRobotsRules anyone;
    bool namedSeen = false;
    bool inAgents = false;  // the last lines were user-agent lines of one group
    bool forNamed = false;
    bool forAnyone = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (const auto hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string key = ToLowerAscii(Trim(line.substr(0, colon)));
        const std::string value = Trim(line.substr(colon + 1));
        if (key == "user-agent") {
            if (!inAgents) {
                forNamed = forAnyone = false;
                inAgents = true;
            }
            if (value == "*") {
                forAnyone = true;
            } else if (!crawler.empty() && EqualsNoCase(value, crawler)) {
                forNamed = true;
                namedSeen = true;
            }
            continue;
        }
        if (key != "allow" && key != "disallow") {
            continue;
        }
        inAgents = false;
        if (value.empty()) {
            continue;  // "Disallow:" with nothing forbids nothing
        }
        const Rule rule{key == "allow", value};
        if (forNamed) {
            named.m_rules.push_back(rule);
        }
        if (forAnyone) {
            anyone.m_rules.push_back(rule);
        }
    }
    return namedSeen ? named : anyone;
}

CRobotsRules CRobotsRules::FromResponse(const HttpSession::Response& response, std::string_view crawler) {
    if (response.failed || !response.status || *response.status < 200 || *response.status > 299) {
        return {};
    }
    return Parse(response.body, crawler);
}

bool CRobotsRules::Allows(std::string_view pathAndQuery, std::string* rule) const {
    const Rule* best = nullptr;
    for (const Rule& r : m_rules) {
        if (!PatternMatches(r.pattern, pathAndQuery)) {
            continue;
        }
        if (!best || r.pattern.size() > best->pattern.size() ||
            (r.pattern.size() == best->pattern.size() && r.allow && !best->allow)) {
            best = &r;
        }
    }
    if (best && !best->allow && rule) {
        *rule = "Disallow: " + best->pattern;
    }
    return !best || best->allow;
}

namespace {

// Where needle (lower-case letters and signs below 0x40) first or last occurs in text, ASCII letter case
// ignored. Every page's bytes pass through here, so it works on plain bytes: setting 0x20 turns an ASCII
// capital into its small letter and leaves the needle's signs as they are.
std::size_t FindNoCase(std::string_view text, std::string_view needle, bool last) {
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* n = reinterpret_cast<const unsigned char*>(needle.data());
    const std::size_t tn = text.size();
    const std::size_t nn = needle.size();
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i + nn <= tn; ++i) {
        if ((t[i] | 0x20) != n[0]) {
            continue;
        }
        std::size_t k = 1;
        while (k < nn && (t[i + k] | 0x20) == n[k]) {
            ++k;
        }
        if (k == nn) {
            found = i;
            if (!last) {
                break;
            }
        }
    }
    return found;
}

}  // namespace

std::vector<PagePrice> FindPagePrices(std::string_view html) {
    std::vector<PagePrice> prices;
    // Parsing is the costly part of the check: a page without microdata is parsed only up to the end of
    // its last JSON-LD block, and a page with neither not at all.
    if (FindNoCase(html, "itemprop", false) == std::string_view::npos) {
        const std::size_t jsonLd = FindNoCase(html, "ld+json", true);
        if (jsonLd == std::string_view::npos) {
            return prices;
        }
        const std::size_t close = FindNoCase(html.substr(jsonLd), "</script", false);
        if (close != std::string_view::npos) {
            html = html.substr(0, jsonLd + close + 9);
        }
    }
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    if (output) {
        Walk(output->root, nullptr, prices);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    return prices;
}

std::optional<UrlFinding> PriceFinding(const std::vector<PagePrice>& prices, std::string_view feedPrice,
                                       std::string_view feedCurrency) {
    const std::optional<double> feed = Amount(feedPrice);
    if (!feed || prices.empty()) {
        return std::nullopt;
    }
    const std::string currency = Trim(feedCurrency);
    for (const PagePrice& p : prices) {
        const std::optional<double> page = Amount(p.price);
        const bool sameCurrency =
            currency.empty() || p.currency.empty() || EqualsNoCase(Trim(p.currency), currency);
        if (!page || (std::abs(*page - *feed) < 0.005 && sameCurrency)) {
            return std::nullopt;  // agrees, or states no number to compare
        }
    }
    const PagePrice& shown = prices.front();
    std::string pageText = Trim(shown.price);
    if (!shown.currency.empty()) {
        pageText += " " + Trim(shown.currency);
    }
    std::string feedText = Trim(feedPrice);
    if (!currency.empty()) {
        feedText += " " + currency;
    }
    return PageFinding(DiagnosticCode::kPagePriceMismatch, kPriceColumn,
                       Format("The product page states the price %s; the feed says %s.", pageText.c_str(),
                              feedText.c_str()));
}

std::optional<PageAddress> SplitPageAddress(std::string_view url) {
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string scheme = ToLowerAscii(url.substr(0, schemeEnd));
    if (scheme != "http" && scheme != "https") {
        return std::nullopt;
    }
    const std::size_t hostStart = schemeEnd + 3;
    std::size_t hostEnd = url.find_first_of("/?#", hostStart);
    if (hostEnd == std::string_view::npos) {
        hostEnd = url.size();
    }
    std::string_view authority = url.substr(hostStart, hostEnd - hostStart);
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (authority.empty()) {
        return std::nullopt;
    }
    PageAddress address;
    address.robotsUrl = scheme + "://" + ToLowerAscii(authority) + "/robots.txt";
    std::string_view rest = url.substr(hostEnd);
    if (const auto hash = rest.find('#'); hash != std::string_view::npos) {
        rest = rest.substr(0, hash);
    }
    address.pathAndQuery = rest.empty() || rest.front() != '/' ? "/" + std::string(rest) : std::string(rest);
    return address;
}

std::vector<UrlFinding> PageFindings(const HttpSession::Response& response, std::string_view requestedUrl,
                                     const COtherRecord& record) {
    std::vector<UrlFinding> findings;
    if (response.failed || !response.status || *response.status < 200 || *response.status > 299) {
        return findings;
    }
    if (response.redirects > 0) {
        const auto requested = SplitPageAddress(requestedUrl);
        const auto final = SplitPageAddress(response.finalUrl);
        if (requested && final && final->pathAndQuery == "/" && requested->pathAndQuery != "/") {
            findings.push_back(PageFinding(DiagnosticCode::kPageRedirectsHome, kProductUrlColumn,
                                           "The product page redirects to the home page " +
                                               response.finalUrl + ": the product is gone from the shop."));
            return findings;
        }
    }
    if (const auto price = PriceFinding(FindPagePrices(response.body), record.Field(kColPrice),
                                        record.Field(kColCurrency))) {
        findings.push_back(*price);
    }
    return findings;
}

}  // namespace yarvelin
