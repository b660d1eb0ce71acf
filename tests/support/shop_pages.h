// Product pages as shops serve them, for the landing-page check's tests and benchmark: a few hundred KB of
// style sheet, scripts and markup, with the structured data near the end, where shop systems write it.
#pragma once

#include <cstddef>
#include <string>

namespace yarvelin::testing {

// The JSON-LD block a current WooCommerce writes for a simple product: the price only inside the offer's
// priceSpecification, and the regular price beside a sale price as a list price.
inline std::string WooCommerceJsonLd(const std::string& price, const std::string& currency,
                                     const std::string& listPrice = "") {
    std::string specs = R"({"@type":"UnitPriceSpecification","price":")" + price + R"(","priceCurrency":")" +
                        currency + R"(","valueAddedTaxIncluded":false,"validThrough":"2027-12-31"})";
    if (!listPrice.empty()) {
        specs += R"(,{"@type":"UnitPriceSpecification","price":")" + listPrice + R"(","priceCurrency":")" +
                 currency + R"(","priceType":"https://schema.org/ListPrice"})";
    }
    return R"(<script type="application/ld+json">{"@context":"https://schema.org/","@graph":[{"@type":"Product",)"
           R"("@id":"https://shop.example/product/lamp/#product","name":"Desk lamp","sku":"L-1",)"
           R"("description":"A desk lamp with a <b>bright</b> light.","offers":[{"@type":"Offer",)"
           R"("priceSpecification":[)" +
           specs +
           R"(],"priceValidUntil":"2027-12-31","availability":"http://schema.org/InStock",)"
           R"("seller":{"@type":"Organization","name":"Shop"}}]}]}</script>)";
}

// A product page of about `bytes` bytes: a large style block, a theme's and a tracker's scripts (with
// strings that look like markup), a header with the shop's own microdata, product markup, and `tail`
// (the structured data) just before the end of the body.
inline std::string ShopPage(std::size_t bytes, const std::string& tail) {
    const std::size_t part = bytes / 4;
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en-US\"><head><meta charset=\"UTF-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<title>Desk lamp &ndash; Shop</title>\n<style id=\"theme-inline-css\">\n";
    for (int i = 0; page.size() < part; ++i) {
        page += ".wp-block-" + std::to_string(i) + " > a:hover, .product .price-" + std::to_string(i) +
                "{color:#" + std::to_string(100000 + i) + ";margin:0 0 1em;content:\"<div>\"}\n";
    }
    page += "</style>\n<script id=\"theme-js\">\n";
    for (int i = 0; page.size() < 2 * part; ++i) {
        page += "if (a < " + std::to_string(i) +
                " && b > 2) { el.innerHTML = '<script type=\"application/ld+json\">" +
                "{\"price\":\"0.01\"}</' + 'script><span itemprop=\"price\">0.01</span>'; }\n";
    }
    page +=
        "</script>\n<script async src=\"https://www.googletagmanager.com/gtag/js?id=G-1\"></script>\n"
        "<!-- <script type=\"application/ld+json\">{\"@type\":\"Offer\",\"price\":\"0.02\"}</script> -->\n"
        "</head>\n<body class=\"product-template-default single single-product\">\n"
        "<header itemscope itemtype=\"https://schema.org/Organization\"><a itemprop=\"url\" href=\"/\">"
        "<span itemprop=\"name\">Shop</span></a></header>\n<main id=\"main\">";
    for (int i = 0; page.size() < 4 * part - tail.size(); ++i) {
        page += "<div class=\"related product type-product post-" + std::to_string(i) +
                "\" data-title=\"a > b\"><a href=\"/product/item-" + std::to_string(i) +
                "/\"><img src=\"/img/" + std::to_string(i) +
                ".jpg\" alt=\"Item\" loading=\"lazy\"></a>"
                "<h2 class=\"title\">Item " +
                std::to_string(i) + "</h2><p>Some words about it.</p></div>\n";
    }
    page += "</main>\n" + tail + "\n</body></html>\n";
    return page;
}

}  // namespace yarvelin::testing
