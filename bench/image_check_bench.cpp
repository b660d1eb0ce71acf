// The URL check with its picture and product-page reading against the check as it was (statuses only),
// in the same run: 10,000 products over four local nginx servers that serve real pictures of several
// formats and sizes, product pages with JSON-LD prices and a robots.txt each. Also the body bytes the
// servers sent per picture (from their logs) over a run that asks only for pictures.
//
//   cmake --build build/debug -j2 --target image_check_bench
//   build/debug/bench/image_check_bench [products]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../tests/support/local_http_servers.h"
#include "../tests/support/test_images.h"
#include "app/feed_document.h"
#include "checks/http_session.h"
#include "checks/url_check_worker.h"
#include "platform/curl_http_client.h"

using namespace yarvelin;
using Clock = std::chrono::steady_clock;
using yarvelin::testing::TestImageType;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The body bytes the servers sent for pictures so far, from their logs in nginx's "combined" format.
long long PictureBytesSent(const std::filesystem::path& dir) {
    long long total = 0;
    for (int k = 0; k < 4; ++k) {
        std::ifstream log(dir / ("host" + std::to_string(k) + ".log"));
        for (std::string line; std::getline(log, line);) {
            const auto request = line.find("\"GET /files/");
            if (request == std::string::npos || line.find("/files/page", request) == request + 5) {
                continue;
            }
            const auto end = line.find("\" ", request + 1);
            long long status = 0;
            long long bytes = 0;
            if (end != std::string::npos &&
                std::sscanf(line.c_str() + end + 2, "%lld %lld", &status, &bytes) == 2) {
                total += bytes;
            }
        }
    }
    return total;
}

// The session as the check had it: every request a plain GET, whatever the options.
class CPlainClient : public HttpClient {
  public:
    std::unique_ptr<HttpSession> OpenSession(const std::string& agent) override {
        class CPlainSession : public HttpSession {
          public:
            explicit CPlainSession(std::unique_ptr<HttpSession> inner) : m_inner(std::move(inner)) {}
            bool ParsesAsUrl(const std::string& url) const override { return m_inner->ParsesAsUrl(url); }
            Response Get(const std::string& url) override { return m_inner->Get(url); }
            std::size_t MaxRequests() const override { return m_inner->MaxRequests(); }
            void Start(std::uint64_t tag, const std::string& url) override { m_inner->Start(tag, url); }
            void StartRequest(std::uint64_t tag, const std::string& url, const RequestOptions&) override {
                m_inner->Start(tag, url);
            }
            std::vector<Finished> Poll(std::chrono::milliseconds wait) override {
                return m_inner->Poll(wait);
            }
            void AbortAll() override { m_inner->AbortAll(); }

          private:
            std::unique_ptr<HttpSession> m_inner;
        };
        return std::make_unique<CPlainSession>(m_client.OpenSession(agent));
    }

  private:
    CCurlHttpClient m_client;
};

class CQuietObserver : public CUrlCheckObserver {
  public:
    void OnRecordChecked(const UrlCheckResult&) override {}
    void OnProgress(std::size_t) override {}
    void OnDone() override {}
};

struct Picture {
    std::string name;
    TestImageType type;
    int w;
    int h;
};

}  // namespace

int main(int argc, char** argv) {
    const int products = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("yarvelin-image-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // Pictures of each format at a few sizes, with noise so that they weigh what photographs weigh.
    const std::vector<Picture> pictures = {
        {"a.jpg", TestImageType::kJpeg, 800, 800},    {"b.jpg", TestImageType::kJpeg, 1600, 1200},
        {"c.png", TestImageType::kPng, 600, 600},     {"d.png", TestImageType::kPng, 1200, 1200},
        {"e.webp", TestImageType::kWebp, 1000, 1000}, {"f.gif", TestImageType::kGif, 400, 400},
        {"g.jpg", TestImageType::kJpeg, 300, 300},    {"h.webp", TestImageType::kWebp, 2000, 1500},
    };
    long long totalBytes = 0;
    for (const Picture& p : pictures) {
        const std::string bytes =
            yarvelin::testing::MakeTestImage(p.type, p.w, p.h, p.type != TestImageType::kGif);
        totalBytes += static_cast<long long>(bytes.size());
        yarvelin::testing::WriteBytes(dir / p.name, bytes);
        std::printf("picture %-7s %5dx%-5d %9zu bytes\n", p.name.c_str(), p.w, p.h, bytes.size());
    }
    for (int k = 0; k < 4; ++k) {
        std::string page =
            "<!DOCTYPE html><html><head><title>Product</title><script type=\"application/ld+json\">"
            "{\"@context\":\"https://schema.org\",\"@type\":\"Product\",\"offers\":{\"@type\":"
            "\"Offer\",\"price\":\"9.99\",\"priceCurrency\":\"USD\"}}</script></head><body>";
        page += std::string(20000 + 10000 * k, 'x');  // a page's weight of markup and text
        page += "</body></html>";
        yarvelin::testing::WriteBytes(dir / ("page" + std::to_string(k) + ".html"), page);
    }
    yarvelin::testing::WriteBytes(dir / "robots.txt", "User-agent: *\nDisallow: /cart/\n");
    const std::string locations = "location /files/ { alias " + dir.string() +
                                  "/; }\nlocation = /robots.txt { alias " + dir.string() + "/robots.txt; }\n";
    std::vector<std::unique_ptr<yarvelin::testing::CNginxServer>> hosts;
    for (int k = 0; k < 4; ++k) {
        const std::string log =
            "access_log " + (dir / ("host" + std::to_string(k) + ".log")).string() + " combined;\n";
        hosts.push_back(std::make_unique<yarvelin::testing::CNginxServer>(locations + log));
    }

    auto makeDoc = [&](bool withPages) {
        CFeedDocument doc;
        for (int i = 0; i < products; ++i) {
            const auto k = static_cast<std::size_t>(i);
            COtherRecord r;
            if (withPages) {
                r.SetField(kColProductUrl, hosts[k % 4]->Url("/files/page" + std::to_string(k % 4) +
                                                             ".html?p=" + std::to_string(i)));
            }
            r.SetField(kColImageUrl, hosts[(k + 1) % 4]->Url("/files/" + pictures[k % pictures.size()].name +
                                                             "?p=" + std::to_string(i)));
            r.SetField(kColPrice, "9.99");
            r.SetField(kColCurrency, "USD");
            doc.AddOrReplaceRecord(r);
        }
        return doc;
    };

    struct Result {
        double seconds;
        long long bytes;
        std::size_t findings;
    };
    auto run = [&](HttpClient& client, const UrlCheckOptions& options, bool withPages) {
        CFeedDocument doc = makeDoc(withPages);
        std::atomic<bool> cancel{false};
        CQuietObserver observer;
        const long long before = PictureBytesSent(dir);
        const auto start = Clock::now();
        RunUrlCheck(doc, client, cancel, observer, options);
        const double seconds = Seconds(start);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // nginx logs just after each answer
        Result result{seconds, PictureBytesSent(dir) - before, 0};
        for (std::size_t i = 0; i < doc.Count(); ++i) {
            result.findings += doc.At(i).UrlFindings().size();
            if (!doc.At(i).image_url_ok || (withPages && !doc.At(i).product_url_ok)) {
                std::fprintf(stderr, "product %zu not OK\n", i);
                std::exit(1);
            }
        }
        return result;
    };

    UrlCheckOptions withPages;
    withPages.landingPages = true;
    std::vector<double> plain;
    std::vector<double> full;
    for (int round = 0; round < 3; ++round) {
        CPlainClient plainClient;
        plain.push_back(run(plainClient, {}, true).seconds);
        CCurlHttpClient client;
        const Result r = run(client, withPages, true);
        full.push_back(r.seconds);
        if (r.findings != 0) {
            std::fprintf(stderr, "%zu findings on a clean feed\n", r.findings);
            return 1;
        }
    }
    std::sort(plain.begin(), plain.end());
    std::sort(full.begin(), full.end());
    std::printf("%d products over 4 hosts, median of 3:\n", products);
    std::printf("  statuses only (the check as it was): %.2f s\n", plain[1]);
    std::printf("  with pictures and product pages:     %.2f s (%.2fx)\n", full[1], full[1] / plain[1]);

    CPlainClient plainClient;
    const Result plainImages = run(plainClient, {}, false);
    CCurlHttpClient client;
    const Result probedImages = run(client, {}, false);
    std::printf("picture body bytes sent per picture, pictures of %lld bytes on average:\n",
                totalBytes / static_cast<long long>(pictures.size()));
    std::printf("  statuses only: %lld\n", plainImages.bytes / products);
    std::printf("  first bytes:   %lld\n", probedImages.bytes / products);
    hosts.clear();
    std::filesystem::remove_all(dir);
    return 0;
}
