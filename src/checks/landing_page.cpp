#include "checks/landing_page.h"

#include <gumbo.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// A priceSpecification that states what the product sells for; list and recommended prices (shown struck
// through beside a sale price) are not the offer's price.
bool IsSellingPrice(const nlohmann::json& spec) {
    const auto it = spec.find("priceType");
    if (it == spec.end() || !it->is_string()) {
        return true;
    }
    std::string_view type = it->get_ref<const std::string&>();
    if (const auto slash = type.rfind('/'); slash != std::string_view::npos) {
        type.remove_prefix(slash + 1);
    }
    for (const char* other :
         {"ListPrice", "StrikethroughPrice", "MSRP", "SRP", "MinimumAdvertisedPrice", "InvoicePrice"}) {
        if (type == other) {
            return false;
        }
    }
    return true;
}

std::string Member(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    return it == object.end() ? std::string() : JsonText(*it);
}

// An object's own price: "price", or a range from "lowPrice"/"highPrice" (AggregateOffer) or
// "minPrice"/"maxPrice" (PriceSpecification).
void AddOwnPrice(const nlohmann::json& object, const std::string& currency, bool aggregate,
                 std::vector<PagePrice>& prices) {
    const std::string price = Member(object, "price");
    if (!price.empty()) {
        prices.push_back({price, currency, false, {}});
        return;
    }
    const std::string low = Member(object, aggregate ? "lowPrice" : "minPrice");
    const std::string high = Member(object, aggregate ? "highPrice" : "maxPrice");
    if (!low.empty() || !high.empty()) {
        prices.push_back({low, currency, true, high});
    }
}

void CollectOffer(const nlohmann::json& offer, bool aggregate, std::vector<PagePrice>& prices) {
    const std::string currency = Member(offer, "priceCurrency");
    AddOwnPrice(offer, currency, aggregate, prices);
    // Where current shop systems put a simple product's price, one object or a list of them.
    const auto specs = offer.find("priceSpecification");
    if (specs == offer.end()) {
        return;
    }
    const auto addSpec = [&](const nlohmann::json& spec) {
        if (spec.is_object() && IsSellingPrice(spec)) {
            const std::string own = Member(spec, "priceCurrency");
            AddOwnPrice(spec, own.empty() ? currency : own, false, prices);
        }
    };
    if (specs->is_array()) {
        std::for_each(specs->begin(), specs->end(), addSpec);
    } else {
        addSpec(*specs);
    }
}

void CollectJsonLd(const nlohmann::json& value, std::vector<PagePrice>& prices) {
    if (value.is_object()) {
        const bool aggregate = HasType(value, "AggregateOffer");
        if (aggregate || HasType(value, "Offer")) {
            CollectOffer(value, aggregate, prices);
        }
        for (const auto& [key, child] : value.items()) {
            if (key != "priceSpecification") {
                CollectJsonLd(child, prices);
            }
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

// Microdata prices gathered per item scope.
struct ItemScope {
    std::string price;
    std::string currency;
    std::string low;
    std::string high;
};

void Walk(const GumboNode* node, ItemScope* scope, std::vector<PagePrice>& prices) {
    if (node->type != GUMBO_NODE_ELEMENT) {
        return;
    }
    const GumboElement& element = node->v.element;
    if (const char* prop = Attribute(element, "itemprop"); prop && scope) {
        const std::string name = Trim(prop);
        std::string* slot = name == "price"           ? &scope->price
                            : name == "priceCurrency" ? &scope->currency
                            : name == "lowPrice"      ? &scope->low
                            : name == "highPrice"     ? &scope->high
                                                      : nullptr;
        if (slot && slot->empty()) {
            *slot = ItemValue(node);
        }
    }
    ItemScope own;
    ItemScope* inner = scope;
    const bool itemScope = Attribute(element, "itemscope") != nullptr;
    if (itemScope) {
        inner = &own;
    }
    const GumboVector& children = element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        Walk(static_cast<const GumboNode*>(children.data[i]), inner, prices);
    }
    if (!itemScope) {
        return;
    }
    if (!own.price.empty()) {
        prices.push_back({std::move(own.price), own.currency, false, {}});
    } else if (!own.low.empty() || !own.high.empty()) {
        prices.push_back({std::move(own.low), own.currency, true, std::move(own.high)});
    }
}

// The product token of a user-agent name or line: its leading letters, "_" and "-" ("Yarvelin/2.0" gives
// "Yarvelin"). A line of any other shape names no crawler.
std::string_view ProductToken(std::string_view name) {
    name = TrimmedView(name);
    std::size_t n = 0;
    while (n < name.size()) {
        const char c = name[n];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-')) {
            break;
        }
        ++n;
    }
    return name.substr(0, n);
}

UrlFinding PageFinding(DiagnosticCode code, int column, std::string message) {
    return {static_cast<int>(code), column, std::move(message)};
}

}  // namespace

CRobotsRules CRobotsRules::Parse(std::string_view text, std::string_view crawler) {
    // Files saved by Windows editors start with a byte-order mark, which would hide the first line's key.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    const std::string_view token = ProductToken(crawler);
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
            const std::string_view lineToken = ProductToken(value);
            if (value == "*") {
                forAnyone = true;
            } else if (!token.empty() && EqualsNoCase(lineToken, token)) {
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
    CRobotsRules rules;
    if (response.failed || !response.status) {
        rules.m_unreadable = "it did not answer";
    } else if (*response.status >= 500) {
        rules.m_unreadable = Format("the server answered %u", *response.status);
    } else if (*response.status >= 200 && *response.status <= 299) {
        rules = Parse(response.body, crawler);
    }
    return rules;
}

bool CRobotsRules::Allows(std::string_view pathAndQuery, std::string* rule) const {
    if (!m_unreadable.empty()) {
        if (rule) {
            *rule = m_unreadable;
        }
        return false;
    }
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

std::optional<UrlFinding> RobotsFinding(const CRobotsRules& rules, std::string_view robotsUrl,
                                        std::string_view pathAndQuery, std::string_view crawler) {
    std::string rule;
    if (rules.Allows(pathAndQuery, &rule)) {
        return std::nullopt;
    }
    const std::string agent(crawler);
    const std::string robots(robotsUrl);
    if (!rules.Unreadable().empty()) {
        return PageFinding(DiagnosticCode::kPageDisallowedByRobots, kProductUrlColumn,
                           Format("The service's crawler \"%s\" may not fetch the product page: %s could not "
                                  "be read (%s), so the crawler treats the whole site as closed.",
                                  agent.c_str(), robots.c_str(), rule.c_str()));
    }
    return PageFinding(
        DiagnosticCode::kPageDisallowedByRobots, kProductUrlColumn,
        Format("The service's crawler \"%s\" may not fetch the product page: %s forbids it (%s).",
               agent.c_str(), robots.c_str(), rule.c_str()));
}

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// text[at..] starts with word (lower-case ASCII), letter case ignored.
bool StartsNoCase(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if ((static_cast<unsigned char>(text[at + i]) | 0x20) != static_cast<unsigned char>(word[i])) {
            return false;
        }
    }
    return true;
}

// Where the end tag of a raw-text element (script, style, ...) starts at or after from; the page's end when
// it has none.
std::size_t FindEndTag(std::string_view html, std::size_t from, std::string_view name) {
    while (from < html.size()) {
        const void* lt = std::memchr(html.data() + from, '<', html.size() - from);
        if (!lt) {
            break;
        }
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lt) - html.data());
        const std::size_t after = at + 2 + name.size();
        if (at + 1 < html.size() && html[at + 1] == '/' && StartsNoCase(html, at + 2, name) &&
            (after == html.size() || IsHtmlSpace(html[after]) || html[after] == '/' || html[after] == '>')) {
            return at;
        }
        from = at + 1;
    }
    return html.size();
}

// One start tag as the scan reads it: its name and the few attributes the check looks at.
struct StartTag {
    std::string_view name;
    std::size_t end = 0;  // just past its '>'
    bool itemScope = false;
    std::optional<std::string_view> type;
    std::optional<std::string_view> itemType;
    std::optional<std::string_view> itemProp;
    bool Is(std::string_view lowerName) const {
        return name.size() == lowerName.size() && StartsNoCase(name, 0, lowerName);
    }
};

// Where a start tag whose attributes begin at i ends (just past its '>'), by whole quoted values at a
// time; and whether the attributes' text holds "item" or "type" in any letter case, the only ones the scan
// reads.
std::size_t QuickTagEnd(std::string_view html, std::size_t i, bool& wanted) {
    const char* data = html.data();
    const std::size_t n = html.size();
    wanted = false;
    while (i < n) {
        const char* gt = static_cast<const char*>(std::memchr(data + i, '>', n - i));
        const std::size_t end = gt ? static_cast<std::size_t>(gt - data) : n;
        std::size_t quote = end;
        for (std::size_t k = i; k < end; ++k) {
            const char c = data[k];
            if (c == '"' || c == '\'') {
                quote = k;
                break;
            }
            const char lower = static_cast<char>(c | 0x20);
            if ((lower == 'i' || lower == 't') && k + 4 <= end &&
                (StartsNoCase(html, k, "item") || StartsNoCase(html, k, "type"))) {
                wanted = true;
            }
        }
        if (quote == end) {
            return std::min(end + 1, n);
        }
        const void* close = std::memchr(data + quote + 1, data[quote], n - quote - 1);
        if (!close) {
            return n;
        }
        i = static_cast<std::size_t>(static_cast<const char*>(close) - data) + 1;
    }
    return n;
}

// Reads the start tag at html[at] ('<' followed by a letter) the way an HTML tokenizer does: attribute
// values in quotes may hold '>'. Every tag of the page passes through here: a tag whose attribute names
// the scan does not look at is only walked to its end.
StartTag ReadStartTag(std::string_view html, std::size_t at) {
    StartTag tag;
    std::size_t i = at + 1;
    while (i < html.size() && !IsHtmlSpace(html[i]) && html[i] != '/' && html[i] != '>') {
        ++i;
    }
    tag.name = html.substr(at + 1, i - at - 1);
    bool wanted = false;
    tag.end = QuickTagEnd(html, i, wanted);
    if (!wanted) {
        return tag;
    }
    while (i < html.size()) {
        while (i < html.size() && (IsHtmlSpace(html[i]) || html[i] == '/')) {
            ++i;
        }
        if (i >= html.size() || html[i] == '>') {
            break;
        }
        const std::size_t nameStart = i;
        ++i;  // a name may start with '='
        while (i < html.size() && !IsHtmlSpace(html[i]) && html[i] != '/' && html[i] != '>' &&
               html[i] != '=') {
            ++i;
        }
        const std::size_t nameLength = i - nameStart;
        while (i < html.size() && IsHtmlSpace(html[i])) {
            ++i;
        }
        std::string_view value;
        if (i < html.size() && html[i] == '=') {
            ++i;
            while (i < html.size() && IsHtmlSpace(html[i])) {
                ++i;
            }
            if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
                const void* close = std::memchr(html.data() + i + 1, html[i], html.size() - i - 1);
                const std::size_t valueEnd =
                    close ? static_cast<std::size_t>(static_cast<const char*>(close) - html.data())
                          : html.size();
                value = html.substr(i + 1, valueEnd - i - 1);
                i = valueEnd + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < html.size() && !IsHtmlSpace(html[i]) && html[i] != '>') {
                    ++i;
                }
                value = html.substr(valueStart, i - valueStart);
            }
        }
        if (nameLength == 4 && StartsNoCase(html, nameStart, "type")) {
            tag.type = value;
        } else if (nameLength == 8 && StartsNoCase(html, nameStart, "item")) {
            if (StartsNoCase(html, nameStart + 4, "type")) {
                tag.itemType = value;
            } else if (StartsNoCase(html, nameStart + 4, "prop")) {
                tag.itemProp = value;
            }
        } else if (nameLength == 9 && StartsNoCase(html, nameStart, "itemscope")) {
            tag.itemScope = true;
        }
    }
    tag.end = std::min(i + 1, html.size());
    return tag;
}

bool IsPriceProp(std::string_view prop) {
    prop = TrimmedView(prop);
    return prop == "price" || prop == "priceCurrency" || prop == "lowPrice" || prop == "highPrice";
}

bool IsVoidElement(std::string_view name) {
    for (const char* v : {"meta", "link", "input", "img", "br", "hr", "source", "area", "base", "col",
                          "embed", "param", "track", "wbr"}) {
        if (name == v) {
            return true;
        }
    }
    return false;
}

// What a byte scan of a page finds: the text of each JSON-LD block and the region that holds its
// microdata prices (from the item scope that can hold them to the end of the last price element).
struct StructuredData {
    std::vector<std::string_view> jsonLd;
    std::string_view microdata;
};

StructuredData ScanPage(std::string_view html) {
    StructuredData found;
    std::size_t firstOfferScope = std::string_view::npos;  // the first Product or Offer item scope
    std::size_t lastScope = std::string_view::npos;        // the last item scope seen
    std::size_t regionStart = std::string_view::npos;
    std::size_t regionEnd = 0;
    std::size_t pos = 0;
    while (pos < html.size()) {
        const void* lt = std::memchr(html.data() + pos, '<', html.size() - pos);
        if (!lt) {
            break;
        }
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lt) - html.data());
        if (at + 3 < html.size() && html[at + 1] == '!' && html[at + 2] == '-' && html[at + 3] == '-') {
            const std::size_t close = html.find("-->", at + 4);
            pos = close == std::string_view::npos ? html.size() : close + 3;
            continue;
        }
        if (at + 1 >= html.size() || !IsAsciiLetter(html[at + 1])) {
            pos = at + 1;  // an end tag, a doctype, or a '<' in text
            continue;
        }
        const StartTag tag = ReadStartTag(html, at);
        pos = tag.end;
        const bool script = tag.Is("script");
        if (script || tag.Is("style") || tag.Is("textarea") || tag.Is("title")) {
            // Their text is not markup: a "<script" or "itemprop" inside a script's code counts for nothing.
            const std::size_t close = FindEndTag(html, pos, ToLowerAscii(tag.name));
            if (script && tag.type && EqualsNoCase(TrimmedView(*tag.type), "application/ld+json")) {
                found.jsonLd.push_back(html.substr(pos, close - pos));
            }
            pos = close;
            continue;
        }
        if (tag.itemScope && !tag.Is("html") && !tag.Is("body")) {
            lastScope = at;
            const bool offerLike = !tag.itemType || tag.itemType->find("Offer") != std::string_view::npos ||
                                   tag.itemType->find("Product") != std::string_view::npos;
            if (offerLike && firstOfferScope == std::string_view::npos) {
                firstOfferScope = at;
            }
        }
        if (tag.itemProp && IsPriceProp(*tag.itemProp)) {
            if (regionStart == std::string_view::npos) {
                // From the outermost scope that may hold the price; a scope of another kind before it (the
                // shop's address in the page header) would only make the region larger.
                regionStart = std::min(firstOfferScope, lastScope);
            }
            regionEnd = tag.end;
            const std::string name = ToLowerAscii(tag.name);
            if (!IsVoidElement(name)) {
                const std::size_t close = html.find('>', FindEndTag(html, tag.end, name));
                regionEnd = close == std::string_view::npos ? html.size() : close + 1;
            }
        }
    }
    if (regionStart != std::string_view::npos && regionEnd > regionStart) {
        found.microdata = html.substr(regionStart, regionEnd - regionStart);
    }
    return found;
}

std::string_view WithoutCommentMarks(std::string_view text) {
    // Old pages wrap script texts in an HTML comment or a CDATA section for browsers of the 1990s.
    text = TrimmedView(text);
    for (const auto& [open, close] : {std::pair<std::string_view, std::string_view>{"<!--", "-->"},
                                      std::pair<std::string_view, std::string_view>{"<![CDATA[", "]]>"}}) {
        if (text.substr(0, open.size()) == open && text.size() >= open.size() + close.size() &&
            text.substr(text.size() - close.size()) == close) {
            text = TrimmedView(text.substr(open.size(), text.size() - open.size() - close.size()));
        }
    }
    return text;
}

}  // namespace

std::vector<PagePrice> FindPagePrices(std::string_view html) {
    std::vector<PagePrice> prices;
    const StructuredData data = ScanPage(html);
    for (const std::string_view block : data.jsonLd) {
        const std::string_view text = WithoutCommentMarks(block);
        const nlohmann::json json = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
        if (!json.is_discarded()) {
            CollectJsonLd(json, prices);
        }
    }
    if (data.microdata.empty()) {
        return prices;
    }
    GumboOutput* output =
        gumbo_parse_with_options(&kGumboDefaultOptions, data.microdata.data(), data.microdata.size());
    if (output) {
        Walk(output->root, nullptr, prices);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    return prices;
}

namespace {

// A page price written for the finding: "12.50 USD", "9.00 to 19.00 USD".
std::string PriceText(const PagePrice& p) {
    std::string text = Trim(p.price);
    if (p.range) {
        const std::string high = Trim(p.high);
        text = text.empty() ? "up to " + high : high.empty() ? "from " + text : text + " to " + high;
    }
    if (!p.currency.empty()) {
        text += " " + Trim(p.currency);
    }
    return text;
}

// Does the page price state the feed's amount? Nothing when it states no number to compare.
std::optional<bool> Agrees(const PagePrice& p, double feed) {
    constexpr double kCent = 0.005;
    if (!p.range) {
        const std::optional<double> page = Amount(p.price);
        return page ? std::optional<bool>(std::abs(*page - feed) < kCent) : std::nullopt;
    }
    const std::optional<double> low = Amount(p.price);
    const std::optional<double> high = Amount(p.high);
    if ((!low && !Trim(p.price).empty()) || (!high && !Trim(p.high).empty())) {
        return std::nullopt;
    }
    return (!low || *low - kCent < feed) && (!high || feed < *high + kCent);
}

}  // namespace

std::optional<UrlFinding> PriceFinding(const std::vector<PagePrice>& prices, std::string_view feedPrice,
                                       std::string_view feedCurrency) {
    const std::optional<double> feed = Amount(feedPrice);
    if (!feed || prices.empty()) {
        return std::nullopt;
    }
    const std::string currency = Trim(feedCurrency);
    for (const PagePrice& p : prices) {
        const std::optional<bool> agrees = Agrees(p, *feed);
        const bool sameCurrency =
            currency.empty() || p.currency.empty() || EqualsNoCase(Trim(p.currency), currency);
        if (!agrees || (*agrees && sameCurrency)) {
            return std::nullopt;  // agrees, or states no number to compare
        }
    }
    std::string feedText = Trim(feedPrice);
    if (!currency.empty()) {
        feedText += " " + currency;
    }
    return PageFinding(DiagnosticCode::kPagePriceMismatch, kPriceColumn,
                       Format("The product page states the price %s; the feed says %s.",
                              PriceText(prices.front()).c_str(), feedText.c_str()));
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
