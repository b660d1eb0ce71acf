// A job's source downloaded over loopback HTTP (nginx): the run's downloader against `curl -o`, the same
// file, the same server, in turns. Usage: source_download_bench [MB] [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/support/local_http_servers.h"
#include "platform/curl_source_downloader.h"

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 100;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    char pattern[] = "/tmp/yarvelin-source-bench-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    {
        std::ofstream out(dir / "export.csv", std::ios::binary);
        std::string line;
        for (long i = 0; static_cast<long>(out.tellp()) < megabytes * 1000 * 1000; ++i) {
            line = std::to_string(i) + ",Product " + std::to_string(i) + ",A red rose in a long stem," +
                   std::to_string(i % 97) + ".50,https://shop.example/p/" + std::to_string(i) + "\r\n";
            out << line;
        }
    }
    const auto size = std::filesystem::file_size(dir / "export.csv");
    yarvelin::testing::CNginxServer nginx("    location / { root " + dir.string() + "; }\n");
    const std::string url = nginx.Url("/export.csv");
    yarvelin::CCurlSourceDownloader downloader;
    yarvelin::SourceRequest request;
    request.url = url;
    std::vector<double> curlTimes, ours;
    for (int round = 0; round < rounds; ++round) {
        const std::string target = (dir / "curl.out").string();
        auto start = std::chrono::steady_clock::now();
        const std::string command = "curl -s -o '" + target + "' '" + url + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        curlTimes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        start = std::chrono::steady_clock::now();
        const yarvelin::SourceResponse r = downloader.Download(request, (dir / "ours.out").string());
        ours.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (r.bytes != size || std::filesystem::file_size(target) != size) {
            std::fprintf(stderr, "short download: %llu of %llu bytes\n",
                         static_cast<unsigned long long>(r.bytes), static_cast<unsigned long long>(size));
            return 1;
        }
    }
    const double c = Median(curlTimes), o = Median(ours);
    std::printf("| MB | rounds | curl -o s | downloader s | downloader/curl | downloader MB/s |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    std::printf("| %.1f | %d | %.3f | %.3f | %.2fx | %.0f |\n", static_cast<double>(size) / 1e6, rounds, c, o,
                o / c, static_cast<double>(size) / 1e6 / o);
    std::filesystem::remove_all(dir);
    return 0;
}
