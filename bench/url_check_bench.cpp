// The URL check against local servers, compared in the same run with curl:
//  1. 10,000 products (20,000 URLs) over four hosts 127.0.0.1 .. 127.0.0.4 that answer after 20 ms:
//     `yarvelin-feed check-urls` against `curl --parallel --parallel-max 16` and one sequential curl process,
//     each a child process whose wall time and peak memory (maximum resident set) are taken.
//  2. The same feed against a local nginx that answers at once: the worker (16 requests at once) against
//     the old way, one CheckUrl after another on one connection.
//  3. The landing-page check on product pages as shops serve them (300 KB: a large style block, scripts,
//     markup, the JSON-LD Offer at the end) from a local nginx: the check with landing pages against the
//     status-only check, the same worker and session, in alternating rounds. Every tenth product's feed
//     price differs from its page's, so the run proves each page reached the price reader. Also the cost
//     of reading one page's prices against a whole gumbo tree of it (the way the check read pages before).
//  4. The text check over 100,000 products with remembered answers.
//
//   cmake --preset bench && cmake --build build/bench -j2 --target url_check_bench yarvelin-feed
//   build/bench/bench/url_check_bench [products] [--skip-sequential-curl] [--pages-only]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gumbo.h>

#include "../tests/support/local_http_servers.h"
#include "../tests/support/shop_pages.h"
#include "app/feed_document.h"
#include "app/remembered_alert.h"
#include "checks/clean_alerts.h"
#include "checks/feed_diagnostics.h"
#include "checks/http_session.h"
#include "checks/landing_page.h"
#include "checks/text_cleaning.h"
#include "checks/url_check_worker.h"
#include "platform/curl_http_client.h"

using namespace yarvelin;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU time of this thread: on a shared machine the wall time also counts other people's builds.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double PeakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

struct Run {
    double wall = 0;
    double cpu = 0;
    double peakMb = 0;
};

// Runs argv as a child with its standard output to /dev/null; wall time, CPU time and peak memory.
Run RunChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const auto start = Clock::now();
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    Run run;
    run.wall = Seconds(start);
    run.cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
              static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    run.peakMb = static_cast<double>(u.ru_maxrss) / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", argv[0], status);
        std::exit(1);
    }
    return run;
}

const char kColumns[] =
    "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\tinstock\tshipping\tbrand\tupc\t"
    "color\tsize\tquantity\tproduct_id\tmanufacturer_id\texp_date\tproduct_type\tdelete\tcurrency\r\n";

struct Feed {
    std::vector<std::string> productUrls;
    std::vector<std::string> imageUrls;
};

// Product i's page on host i mod 4, its image on the next host.
Feed SpreadFeed(const std::vector<std::unique_ptr<testing::CSlowHttpServer>>& hosts, int products) {
    Feed feed;
    const std::size_t n = hosts.size();
    for (int i = 0; i < products; ++i) {
        const auto k = static_cast<std::size_t>(i);
        feed.productUrls.push_back(hosts[k % n]->Url("/p/" + std::to_string(i)));
        feed.imageUrls.push_back(hosts[(k + 1) % n]->Url("/i/" + std::to_string(i) + ".jpg"));
    }
    return feed;
}

void WriteFeedFile(const Feed& feed, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << kColumns;
    for (std::size_t i = 0; i < feed.productUrls.size(); ++i) {
        out << feed.productUrls[i] << "\tProduct " << i << "\tA product\t9.99\t" << feed.imageUrls[i]
            << "\tToys\tP" << i << std::string(13, '\t') << "\r\n";
    }
}

void WriteCurlConfig(const Feed& feed, const std::string& path) {
    std::ofstream config(path);
    config << "silent\nuser-agent = \"Yarvelin\"\nlocation\n";
    for (std::size_t i = 0; i < feed.productUrls.size(); ++i) {
        config << "url = \"" << feed.productUrls[i] << "\"\noutput = \"/dev/null\"\n";
        config << "url = \"" << feed.imageUrls[i] << "\"\noutput = \"/dev/null\"\n";
    }
}

CFeedDocument Document(const Feed& feed) {
    CFeedDocument doc;
    for (std::size_t i = 0; i < feed.productUrls.size(); ++i) {
        COtherRecord r;
        r.SetField(kColProductUrl, feed.productUrls[i]);
        r.SetField(kColImageUrl, feed.imageUrls[i]);
        doc.AddOrReplaceRecord(r);
    }
    return doc;
}

void ExpectAllOk(const CFeedDocument& doc) {
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        if (!doc.At(i).urls_checked || !doc.At(i).product_url_ok || !doc.At(i).image_url_ok) {
            std::fprintf(stderr, "product %zu not OK\n", i);
            std::exit(1);
        }
    }
}

class CQuietObserver : public CUrlCheckObserver {
  public:
    void OnRecordChecked(const UrlCheckResult&) override {}
    void OnProgress(std::size_t) override {}
    void OnDone() override {}
};

Run TimeWorker(const Feed& feed) {
    CFeedDocument doc = Document(feed);
    CCurlHttpClient client;
    std::atomic<bool> cancel{false};
    CQuietObserver observer;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    RunUrlCheck(doc, client, cancel, observer);
    Run run{Seconds(start), CpuSeconds() - cpuStart, 0};
    ExpectAllOk(doc);
    return run;
}

// The check as it was before it made many requests at once: one CheckUrl after another, each body read
// to its end, on one session.
Run TimeOldWay(const Feed& feed) {
    CFeedDocument doc = Document(feed);
    CCurlHttpClient client;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    auto session = client.OpenSession(kUrlCheckUserAgent);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        COtherRecord& r = doc.At(i);
        r.product_url_ok = IsUrlOk(CheckUrl(*session, std::string(r.Field(kColProductUrl))));
        r.image_url_ok = IsUrlOk(CheckUrl(*session, std::string(r.Field(kColImageUrl))));
        r.urls_checked = true;
    }
    session.reset();
    Run run{Seconds(start), CpuSeconds() - cpuStart, 0};
    ExpectAllOk(doc);
    return run;
}

Run Median(std::vector<Run> runs) {
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.wall < b.wall; });
    return runs[runs.size() / 2];
}

void Print(const char* what, const std::vector<Run>& runs) {
    const Run m = Median(runs);
    double lo = runs[0].wall;
    double hi = runs[0].wall;
    double peak = 0;
    for (const Run& r : runs) {
        lo = std::min(lo, r.wall);
        hi = std::max(hi, r.wall);
        peak = std::max(peak, r.peakMb);
    }
    std::printf("  %-44s wall %8.3f s (min %.3f, max %.3f, %zu runs), CPU %.3f s, peak %.1f MB\n", what,
                m.wall, lo, hi, runs.size(), m.cpu, peak);
}

std::string SampleName(int i) {
    static const char* names[] = {
        "Sony 32\" LCD TV \x96 KDL-32", "Red roses, dozen",  "Ergonomic Office Chair\x99",
        "<B>Bright</B> desk lamp",      "Stapler \xa9 ACME", "Printer paper A4 (500)"};
    return names[i % 6] + std::string(" #") + std::to_string(i);
}

std::string SampleDescription(int i) {
    std::string d =
        "A well made product for the home and the office, delivered in two to three days. Comes with a "
        "one year warranty and free returns within thirty days of purchase. Colour: white; size: medium. ";
    if (i % 10 == 0) {
        d += "\r\nSecond paragraph with more detail.";
    }
    if (i % 7 == 0) {
        d += " <P>Now with a <font color=red>special</font> price \x96 only today\xae";
    }
    return d;
}

void TextBench(int products) {
    CFeedDocument doc;
    for (int i = 0; i < products; ++i) {
        COtherRecord r;
        r.SetField(kColName, SampleName(i));
        r.SetField(kColDescription, SampleDescription(i));
        r.SetField(kColProductUrl, "https://shop.example/p/" + std::to_string(i));
        doc.AddOrReplaceRecord(r);
    }
    CFixedCleanAlerts alerts(kAnswerYes, kAnswerYes);
    CDataCheckObserver quiet;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    VerifyData(doc, alerts, quiet);
    const double cpu = CpuSeconds() - cpuStart;
    const double s = Seconds(start);
    std::printf(
        "text check: %d products (name + ~250-byte description): %.3f s CPU, %.3f s wall "
        "(%.2f us CPU per product)\n",
        products, cpu, s, cpu * 1e6 / products);
}

// The landing-page check on shop pages against the status-only check (scenario 3). chunked: the pages come
// as a shop's application sends them, without a length (nginx's SSI filter drops it); else as static files
// with their length, which lets the status-only check stop at the headers.
void PageBench(int products, bool chunked) {
    char tmpl[] = "/tmp/yarvelin-page-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    std::vector<std::string> pages;
    for (int k = 0; k < 4; ++k) {
        pages.push_back(testing::ShopPage(300 * 1024 + 10 * 1024 * static_cast<std::size_t>(k),
                                          testing::WooCommerceJsonLd("9.99", "USD")));
        std::ofstream(dir + "/page" + std::to_string(k) + ".html", std::ios::binary) << pages.back();
    }
    // Pictures answer with a few bytes: both ways ask for them alike, so the difference is the pages.
    std::ofstream(dir + "/robots.txt") << "User-agent: *\nDisallow: /cart/\n";
    testing::CNginxServer nginx("location /shop/ { alias " + dir + "/;" + (chunked ? " ssi on; }" : " }") +
                                "\nlocation = /robots.txt { alias " + dir +
                                "/robots.txt; }\nlocation /i/ { return 200 \"GIF89a\"; }\n");
    auto document = [&] {
        CFeedDocument doc;
        for (int i = 0; i < products; ++i) {
            COtherRecord r;
            r.SetField(kColProductUrl,
                       nginx.Url("/shop/page" + std::to_string(i % 4) + ".html?p=" + std::to_string(i)));
            r.SetField(kColImageUrl, nginx.Url("/i/" + std::to_string(i) + ".gif"));
            r.SetField(kColPrice, i % 10 == 0 ? "12.00" : "9.99");
            r.SetField(kColCurrency, "USD");
            doc.AddOrReplaceRecord(r);
        }
        return doc;
    };
    auto run = [&](bool landingPages) {
        CFeedDocument doc = document();
        CCurlHttpClient client;
        std::atomic<bool> cancel{false};
        CQuietObserver observer;
        UrlCheckOptions options;
        options.landingPages = landingPages;
        const auto start = Clock::now();
        const double cpuStart = CpuSeconds();
        RunUrlCheck(doc, client, cancel, observer, options);
        Run result{Seconds(start), CpuSeconds() - cpuStart, 0};
        int mismatches = 0;
        for (std::size_t i = 0; i < doc.Count(); ++i) {
            if (!doc.At(i).product_url_ok) {
                std::fprintf(stderr, "product %zu not OK\n", i);
                std::exit(1);
            }
            for (const UrlFinding& f : doc.At(i).UrlFindings()) {
                mismatches += f.code == static_cast<int>(DiagnosticCode::kPagePriceMismatch);
            }
        }
        const int expected = landingPages ? (products + 9) / 10 : 0;
        if (mismatches != expected) {
            std::fprintf(stderr, "%d price findings, %d expected: the pages did not reach the reader\n",
                         mismatches, expected);
            std::exit(1);
        }
        return result;
    };
    run(true);  // warm-up
    std::vector<Run> statusRuns;
    std::vector<Run> pageRuns;
    const int rounds = 5;
    for (int round = 0; round < rounds; ++round) {
        statusRuns.push_back(run(false));
        pageRuns.push_back(run(true));
    }
    std::printf(
        "Landing pages: %d products, pages of %zu to %zu bytes (JSON-LD at the end), local nginx, %s\n",
        products, pages.front().size(), pages.back().size(),
        chunked ? "sent without a length (chunked)" : "static files with their length");
    Print("status-only check (16 at once):", statusRuns);
    Print("with landing pages (robots.txt, price):", pageRuns);
    std::printf("  wall ratio pages / status-only per round:");
    for (int i = 0; i < rounds; ++i) {
        std::printf(" %.2f", pageRuns[i].wall / statusRuns[i].wall);
    }
    std::printf(" (limit 1.3); of the medians %.2f, of the CPU times %.2f\n",
                Median(pageRuns).wall / Median(statusRuns).wall,
                Median(pageRuns).cpu / Median(statusRuns).cpu);

    // One page's prices against a whole gumbo tree of it, on this thread.
    const int reads = 200;
    std::size_t found = 0;
    double cpuStart = CpuSeconds();
    for (int i = 0; i < reads; ++i) {
        found += FindPagePrices(pages[static_cast<std::size_t>(i) % pages.size()]).size();
    }
    const double scanUs = (CpuSeconds() - cpuStart) * 1e6 / reads;
    cpuStart = CpuSeconds();
    for (int i = 0; i < reads / 10; ++i) {
        const std::string& page = pages[static_cast<std::size_t>(i) % pages.size()];
        GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    const double treeUs = (CpuSeconds() - cpuStart) * 1e6 / (reads / 10);
    std::printf(
        "  reading one page's prices: %.0f us CPU (%zu prices in %d pages); a whole gumbo tree: %.0f us "
        "(%.0fx)\n",
        scanUs, found, reads, treeUs, treeUs / scanUs);
    for (int k = 0; k < 4; ++k) {
        std::remove((dir + "/page" + std::to_string(k) + ".html").c_str());
    }
    std::remove((dir + "/robots.txt").c_str());
    rmdir(dir.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    int products = 10000;
    bool sequentialCurl = true;
    bool pagesOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--skip-sequential-curl") == 0) {
            sequentialCurl = false;
        } else if (std::strcmp(argv[i], "--pages-only") == 0) {
            pagesOnly = true;
        } else {
            products = std::atoi(argv[i]);
        }
    }
    if (pagesOnly) {
        PageBench(products, false);
        PageBench(products, true);
        return 0;
    }
    const std::string dir = [] {
        char tmpl[] = "/tmp/yarvelin-url-bench-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();

    // 1. Four hosts answering after 20 ms.
    std::vector<std::unique_ptr<testing::CSlowHttpServer>> hosts;
    for (const char* address : {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
        hosts.push_back(std::make_unique<testing::CSlowHttpServer>(std::chrono::milliseconds(20), address));
    }
    const Feed slowFeed = SpreadFeed(hosts, products);
    const std::string feedPath = dir + "/feed.txt";
    const std::string curlPath = dir + "/urls.curlrc";
    WriteFeedFile(slowFeed, feedPath);
    WriteCurlConfig(slowFeed, curlPath);
    const std::vector<std::string> ours = {YARVELIN_CLI, "check-urls", feedPath};
    const std::vector<std::string> curlParallel = {"curl", "--parallel", "--parallel-max",
                                                   "16",   "--config",   curlPath};
    const std::vector<std::string> curlSequential = {"curl", "--config", curlPath};
    std::printf("URL check: %d products (%d requests) over four hosts answering after 20 ms\n", products,
                2 * products);
    std::fflush(stdout);
    std::vector<Run> oursRuns;
    std::vector<Run> parallelRuns;
    int requests = 0;
    int connections = 0;
    int mostAtOnce = 0;
    for (int round = 0; round < 3; ++round) {
        parallelRuns.push_back(RunChild(curlParallel));
        // What the servers saw of our runs alone.
        for (const auto& host : hosts) {
            host->ResetMostConnectionsAtOnce();
            requests -= host->Requests();
            connections -= host->Connections();
        }
        oursRuns.push_back(RunChild(ours));
        for (const auto& host : hosts) {
            requests += host->Requests();
            connections += host->Connections();
            mostAtOnce = std::max(mostAtOnce, host->MostConnectionsAtOnce());
        }
    }
    Print("yarvelin-feed check-urls (16 at once):", oursRuns);
    Print("curl --parallel --parallel-max 16:", parallelRuns);
    std::printf("  wall ratio yarvelin / curl --parallel per round:");
    for (int i = 0; i < 3; ++i) {
        std::printf(" %.2f", oursRuns[i].wall / parallelRuns[i].wall);
    }
    std::printf(
        " (limit 1.3)\n  yarvelin's 3 runs: %d requests, %d connections, at most %d at once to one host\n",
        requests, connections, mostAtOnce);
    std::fflush(stdout);
    if (sequentialCurl) {
        const Run sequential = RunChild(curlSequential);
        Print("curl --config (one at a time):", {sequential});
        std::printf("  sequential curl / yarvelin (median): %.1fx faster (at least 10x)\n",
                    sequential.wall / Median(oursRuns).wall);
    }
    hosts.clear();

    // 2. A server that answers at once.
    testing::CNginxServer nginx(R"(
        location /p/ { return 200 "product page"; }
        location /i/ { return 200 "image"; }
    )");
    Feed fastFeed;
    for (int i = 0; i < products; ++i) {
        fastFeed.productUrls.push_back(nginx.Url("/p/" + std::to_string(i)));
        fastFeed.imageUrls.push_back(nginx.Url("/i/" + std::to_string(i) + ".jpg"));
    }
    TimeOldWay(fastFeed);  // warm-up
    std::vector<Run> newRuns;
    std::vector<Run> oldRuns;
    const int instantRounds = 7;  // short runs on a shared machine: more of them for a steadier median
    for (int round = 0; round < instantRounds; ++round) {
        oldRuns.push_back(TimeOldWay(fastFeed));
        newRuns.push_back(TimeWorker(fastFeed));
    }
    std::printf("URL check: %d products (%d requests) against a local nginx that answers at once\n", products,
                2 * products);
    Print("UrlCheckWorker (16 at once):", newRuns);
    Print("old way, one CheckUrl after another:", oldRuns);
    std::printf("  wall ratio new / old per round:");
    for (int i = 0; i < instantRounds; ++i) {
        std::printf(" %.2f", newRuns[i].wall / oldRuns[i].wall);
    }
    std::printf(" (at most 1.0); of the medians %.2f, of the CPU times %.2f\n",
                Median(newRuns).wall / Median(oldRuns).wall, Median(newRuns).cpu / Median(oldRuns).cpu);
    std::printf("  peak memory of this process so far (servers and feeds included): %.1f MB\n",
                PeakMegabytes());

    std::remove(feedPath.c_str());
    std::remove(curlPath.c_str());
    rmdir(dir.c_str());
    PageBench(products, false);
    PageBench(products, true);
    TextBench(100000);
    return 0;
}
