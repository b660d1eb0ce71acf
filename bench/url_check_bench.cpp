// URL check against a local nginx, compared in the same run with one curl process fetching the same URLs
// over reused connections; and the text check over 100,000 products with remembered answers.
//
//   cmake --build build --target url_check_bench && build/bench/url_check_bench
#include <sys/resource.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/support/local_http_servers.h"
#include "app/feed_document.h"
#include "app/remembered_alert.h"
#include "checks/clean_alerts.h"
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

class CQuietObserver : public CUrlCheckObserver {
  public:
    void OnProgress(std::size_t) override {}
    void OnDone() override {}
};

struct Timing {
    double wall;
    double cpu;
};

double ChildrenCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

Timing TimeUrlCheck(const testing::CNginxServer& server, int products) {
    CFeedDocument doc;
    for (int i = 0; i < products; ++i) {
        COtherRecord r;
        r.m_required.product_url = server.Url("/p/" + std::to_string(i));
        r.m_required.image_url = server.Url("/i/" + std::to_string(i) + ".jpg");
        doc.AddOrReplaceRecord(r);
    }
    CCurlHttpClient client;
    std::atomic<bool> cancel{false};
    CQuietObserver observer;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    UrlCheckWorker(doc, client, cancel, observer);
    const Timing t{Seconds(start), CpuSeconds() - cpuStart};
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        if (!doc.At(i).product_url_ok || !doc.At(i).image_url_ok) {
            std::fprintf(stderr, "product %zu not OK\n", i);
            std::exit(1);
        }
    }
    return t;
}

Timing TimeCurl(const testing::CNginxServer& server, int products, const std::string& configPath) {
    {
        std::ofstream config(configPath);
        config << "silent\nuser-agent = \"Yarvelin\"\nlocation\n";
        for (int i = 0; i < products; ++i) {
            config << "url = \"" << server.Url("/p/" + std::to_string(i)) << "\"\noutput = \"/dev/null\"\n";
            config << "url = \"" << server.Url("/i/" + std::to_string(i) + ".jpg")
                   << "\"\noutput = \"/dev/null\"\n";
        }
    }
    const std::string cmd = "curl --config '" + configPath + "'";
    const auto start = Clock::now();
    const double cpuStart = ChildrenCpuSeconds();
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return {Seconds(start), ChildrenCpuSeconds() - cpuStart};
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
        r.m_required.name = SampleName(i);
        r.m_required.description = SampleDescription(i);
        r.m_required.product_url = "https://shop.example/p/" + std::to_string(i);
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

}  // namespace

// Distinct connections among the access log lines from `from` on.
std::size_t ConnectionsSince(const testing::CNginxServer& server, std::size_t from) {
    const auto log = server.AccessLog();
    std::vector<std::string> ids;
    for (std::size_t i = from; i < log.size(); ++i) {
        ids.push_back(log[i].substr(0, log[i].find(' ')));
    }
    std::sort(ids.begin(), ids.end());
    return static_cast<std::size_t>(std::unique(ids.begin(), ids.end()) - ids.begin());
}

void Report(const char* what, std::vector<Timing> runs) {
    std::sort(runs.begin(), runs.end(), [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
    std::printf("  %-28s wall median %.3f s (min %.3f, max %.3f), CPU of the median run %.3f s\n", what,
                runs[1].wall, runs[0].wall, runs[2].wall, runs[1].cpu);
}

int main() {
    const int products = 1000;
    testing::CNginxServer server(R"(
        location /p/ { return 200 "product page"; }
        location /i/ { return 200 "image"; }
    )");
    const std::string config = "/tmp/yarvelin-url-bench-" + std::to_string(server.Port()) + ".curlrc";
    TimeCurl(server, products, config);  // warm-up: page cache, nginx start; and both reuse connections:
    std::size_t mark = server.AccessLogOf(2 * products).size();
    TimeUrlCheck(server, products);
    const std::size_t oursConnections = ConnectionsSince(server, mark);
    mark = server.AccessLogOf(mark + 2 * products).size();
    TimeCurl(server, products, config);
    server.AccessLogOf(mark + 2 * products);
    const std::size_t curlConnections = ConnectionsSince(server, mark);
    std::vector<Timing> ours;
    std::vector<Timing> curl;
    for (int round = 0; round < 3; ++round) {
        curl.push_back(TimeCurl(server, products, config));
        ours.push_back(TimeUrlCheck(server, products));
    }
    std::remove(config.c_str());
    std::printf("URL check: %d products (%d requests) against local nginx, 3 alternating rounds\n", products,
                2 * products);
    std::printf("  connections for 2000 requests: yarvelin %zu, curl %zu\n", oursConnections,
                curlConnections);
    Report("yarvelin UrlCheckWorker:", ours);
    Report("curl --config, one process:", curl);
    std::vector<double> ratios;
    for (int i = 0; i < 3; ++i) {
        ratios.push_back(ours[i].wall / curl[i].wall);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("  wall ratio yarvelin / curl per round: %.2f, %.2f, %.2f (limit 1.3)\n", ratios[0],
                ratios[1], ratios[2]);
    TextBench(100000);
    return 0;
}
