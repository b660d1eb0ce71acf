// yarvelin-feed check-urls FEED: the wizard's URL check, reported line by line.
#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "app/feed_document.h"
#include "checks/url_check_worker.h"
#include "cli/cli_command.h"
#include "cli/cli_feed_observer.h"
#include "feed/feed_file.h"
#include "platform/curl_http_client.h"

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
    }

    int Run() override;

  private:
    std::string m_feed;
    bool m_replaceUnmappable = false;
    int m_jobs = kUrlCheckDefaultJobs;
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
    RunUrlCheck(doc, client, cancel, observer);

    std::size_t allOk = 0;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        const COtherRecord& r = doc.At(i);
        const bool ok = r.urls_checked && r.product_url_ok && r.image_url_ok;
        allOk += ok ? 1 : 0;
        std::printf("%zu\t%s\t%s\t%s\t%s\t%s\n", i + 1, r.m_required.offer_id.c_str(),
                    r.product_url_ok ? "OK" : "ERR", r.image_url_ok ? "OK" : "ERR",
                    CodeText(observer.m_codes[i].first).c_str(),
                    CodeText(observer.m_codes[i].second).c_str());
    }
    std::printf("%zu products: %zu with both URLs OK, %zu with a URL error\n", doc.Count(), allOk,
                doc.Count() - allOk);
    return allOk == doc.Count() ? kExitOk : kExitFailure;
}

}  // namespace

}  // namespace yarvelin::cli
