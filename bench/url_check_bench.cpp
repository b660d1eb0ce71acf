// URL check against a local nginx, compared in the same run with one curl process fetching the same URLs
// over reused connections; and the text check over 100,000 products with remembered answers.
//
//   cmake --build build --target url_check_bench && build/bench/url_check_bench
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

double TimeUrlCheck(const testing::CNginxServer& server, int products) {
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
    UrlCheckWorker(doc, client, cancel, observer);
    const double s = Seconds(start);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        if (!doc.At(i).product_url_ok || !doc.At(i).image_url_ok) {
            std::fprintf(stderr, "product %zu not OK\n", i);
            std::exit(1);
        }
    }
    return s;
}

double TimeCurl(const testing::CNginxServer& server, int products, const std::string& configPath) {
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
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return Seconds(start);
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

int main() {
    const int products = 1000;
    testing::CNginxServer server(R"(
        location /p/ { return 200 "product page"; }
        location /i/ { return 200 "image"; }
    )");
    const std::string config = "/tmp/yarvelin-url-bench-" + std::to_string(server.Port()) + ".curlrc";
    TimeCurl(server, products, config);  // warm-up: page cache, nginx start
    std::vector<double> ours;
    std::vector<double> curl;
    for (int round = 0; round < 3; ++round) {
        curl.push_back(TimeCurl(server, products, config));
        ours.push_back(TimeUrlCheck(server, products));
    }
    std::remove(config.c_str());
    std::sort(ours.begin(), ours.end());
    std::sort(curl.begin(), curl.end());
    std::printf("URL check: %d products (%d requests) against local nginx\n", products, 2 * products);
    std::printf("  yarvelin UrlCheckWorker: median %.3f s (min %.3f, max %.3f)\n", ours[1], ours[0], ours[2]);
    std::printf("  curl --config (1 process): median %.3f s (min %.3f, max %.3f)\n", curl[1], curl[0],
                curl[2]);
    std::printf("  ratio yarvelin / curl (medians): %.2fx\n", ours[1] / curl[1]);
    TextBench(100000);
    return 0;
}
