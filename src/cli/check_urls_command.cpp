// yarvelin-feed check-urls FEED: the wizard's URL check, reported line by line.
#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/feed_document.h"
#include "checks/feed_diagnostics.h"
#include "checks/url_check_worker.h"
#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "feed/feed_file.h"
#include "platform/curl_http_client.h"
#include "records/cp1252_text.h"

namespace yarvelin::cli {

namespace {

std::string CodeText(unsigned result) {
    if (result == kUrlNoStatus) {
        return "none";
    }
    if (result == kUrlRequestFailed) {
        return "failed";
    }
    return std::to_string(result);
}

// One product as a JSON object: its row, offer id, each URL's outcome and the findings about what they
// serve; texts turned from Windows-1252 into UTF-8.
std::string JsonLine(std::size_t row, const COtherRecord& r, std::pair<unsigned, unsigned> codes) {
    auto outcome = [](bool ok, unsigned code) {
        nlohmann::ordered_json o;
        o["ok"] = ok;
        o["status"] = code == kUrlNoStatus || code == kUrlRequestFailed
                          ? nlohmann::ordered_json(CodeText(code))
                          : nlohmann::ordered_json(code);
        return o;
    };
    nlohmann::ordered_json line;
    line["row"] = row;
    line["offer_id"] = Cp1252ToUtf8(r.Field(kColOfferId));
    line["product_url"] = outcome(r.product_url_ok, codes.first);
    line["image_url"] = outcome(r.image_url_ok, codes.second);
    line["findings"] = nlohmann::ordered_json::array();
    for (const UrlFinding& f : r.UrlFindings()) {
        const auto code = static_cast<DiagnosticCode>(f.code);
        nlohmann::ordered_json finding;
        finding["code"] = DiagnosticCodeName(code);
        finding["severity"] = SeverityName(SeverityOf(code));
        finding["column"] = f.column >= 0 && f.column < kColumnCount
                                ? nlohmann::ordered_json(kColumnNames[f.column])
                                : nlohmann::ordered_json(nullptr);
        finding["message"] = Cp1252ToUtf8(f.message);
        line["findings"].push_back(std::move(finding));
    }
    return line.dump() + "\n";
}

class CReportingObserver : public CUrlCheckObserver {
  public:
    CReportingObserver(std::size_t count, bool showProgress)
        : m_codes(count, {kUrlNoStatus, kUrlNoStatus}), m_count(count), m_showProgress(showProgress) {}

    void OnProgress(std::size_t handled) override {
        if (m_showProgress) {
            std::fprintf(stderr, "\r%zu of %zu products checked", handled, m_count);
            std::fflush(stderr);
        }
    }
    void OnDone() override {
        if (m_showProgress && m_count > 0) {
            std::fputc('\n', stderr);
        }
    }
    void OnUrlChecked(std::size_t position, bool image, unsigned result) override {
        (image ? m_codes[position].second : m_codes[position].first) = result;
    }
    void OnRecordChecked(const UrlCheckResult&) override {}

    std::vector<std::pair<unsigned, unsigned>> m_codes;

  private:
    std::size_t m_count;
    bool m_showProgress;
};

class CCheckUrlsCommand : public CliCommand {
  public:
    const char* Name() const override { return "check-urls"; }
    const char* Summary() const override { return "request every product's page and image URL"; }

    const char* Description() const override {
        return "Requests the product URL and the image URL of every product in FEED and prints one line per\n"
               "product, separated by tabs: row number, offer id, product URL result, image URL result, and "
               "the\n"
               "two status codes. A result is OK for a status from 200 to 299. A status code is 'failed' "
               "when the\n"
               "request failed (no connection, time-out, too many redirections) and 'none' when no HTTP "
               "status\n"
               "came back (no URL, a URL that does not parse, or a scheme other than http and https).\n"
               "A URL without a scheme is requested with http:// in front. A summary follows the products.\n"
               "\n"
               "Up to --jobs requests are in flight at once, at most four of them to one host; a body\n"
               "is not read past its first 256 KiB. A 429 or 503 answer with Retry-After is asked once more\n"
               "after the wait it asks for (30 s at most).\n"
               "\n"
               "Each image is asked for its first 64 KiB only; its type and size are read from them. Each\n"
               "host's robots.txt is read once and applied to its product pages for the --crawler name (the\n"
               "groups for * when none names it), and each product page's schema.org Offer price (JSON-LD "
               "or\n"
               "microdata) is compared with the feed's price and currency. With --json, standard output "
               "holds\n"
               "one JSON object per product (JSON Lines) with the keys row, offer_id, product_url and\n"
               "image_url (each with ok and status) and findings (code, severity, column and message of "
               "each:\n"
               "an image that is no picture, of a type the service does not take, too small or too large, a\n"
               "redirection to a page; a product page robots.txt forbids, with another price, or redirected\n"
               "to the home page), and nothing else.\n"
               "\n"
               "Time-outs in seconds: YARVELIN_HTTP_CONNECT_TIMEOUT (60), YARVELIN_HTTP_STALL_TIMEOUT (60).";
    }

    void Configure(CLI::App& command) override {
        command.footer(
            "Exit status: 0 when every URL is OK, 1 otherwise or when FEED cannot be read, 2 on a "
            "usage error.");
        AddFileArgument(command, "FEED", m_feed, "the feed file to check");
        AddReplaceUnmappableFlag(command, m_replaceUnmappable);
        command.add_option("--jobs", m_jobs, "requests in flight at once (16)")
            ->check(CLI::Range(1, kUrlCheckMaxJobs));
        command.add_option("--crawler", m_crawler,
                           "the crawler whose robots.txt rules apply to product pages (Yarvelin)");
        command.add_flag("--json", m_json,
                         "one JSON object per product, with the findings, on standard output");
    }

    int Run() override;

  private:
    std::string m_feed;
    bool m_replaceUnmappable = false;
    int m_jobs = kUrlCheckDefaultJobs;
    bool m_json = false;
    std::string m_crawler = kUrlCheckUserAgent;
};

const CCliRegistration kRegistration(std::make_unique<CCheckUrlsCommand>());

int CCheckUrlsCommand::Run() {
    CFeedDocument doc;
    CCliFeedObserver loadObserver(Name());
    loadObserver.SetReplaceUnmappable(m_replaceUnmappable);
    LoadFeedFile(doc, m_feed, loadObserver);
    if (loadObserver.Failed()) {
        return kExitFailure;
    }
    CurlHttpLimits limits;
    limits.maxRequests = m_jobs;
    CCurlHttpClient client(CurlHttpTimeouts::FromEnvironment(), limits);
    std::atomic<bool> cancel{false};
    CReportingObserver observer(doc.Count(), StderrIsTerminal());
    UrlCheckOptions options;
    options.landingPages = true;
    options.crawler = m_crawler;
    RunUrlCheck(doc, client, cancel, observer, options);

    std::size_t allOk = 0;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        const COtherRecord& r = doc.At(i);
        const bool ok = r.urls_checked && r.product_url_ok && r.image_url_ok;
        allOk += ok ? 1 : 0;
        if (m_json) {
            const std::string line = JsonLine(i + 1, r, observer.m_codes[i]);
            std::fwrite(line.data(), 1, line.size(), stdout);
            continue;
        }
        std::printf("%zu\t%s\t%s\t%s\t%s\t%s\n", i + 1, std::string(r.Field(kColOfferId)).c_str(),
                    r.product_url_ok ? "OK" : "ERR", r.image_url_ok ? "OK" : "ERR",
                    CodeText(observer.m_codes[i].first).c_str(),
                    CodeText(observer.m_codes[i].second).c_str());
    }
    if (!m_json) {
        std::printf("%zu products: %zu with both URLs OK, %zu with a URL error\n", doc.Count(), allOk,
                    doc.Count() - allOk);
    }
    return allOk == doc.Count() ? kExitOk : kExitFailure;
}

}  // namespace

}  // namespace yarvelin::cli
