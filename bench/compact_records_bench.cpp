// Loading a large feed into memory with the record as it is (its twenty texts in one block) against the
// earlier record of twenty std::string members, which is kept here only as the baseline. Each contender
// runs in a child process of its own, so that its peak resident memory is its own; `cat` of the same
// file is the baseline anyone can run, and `yarvelin-feed info` (the wizard's load) is timed as well.
//
//   build/bench/compact_records_bench [--products N] [--runs R] [FEED]
//
// Without FEED, bench/generate_feed.py writes N products (1,000,000) into a temporary folder.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "feed/feed_line_format.h"
#include "feed/feed_line_reader.h"
#include "records/other_record.h"

using namespace yarvelin;

namespace {

// The record as it was: a virtual base, twenty strings (32 bytes each before any text), the flags and the
// URL findings.
class CStringRecord : public Record {
  public:
    const RecordKind& Kind() const override { return COtherRecord::kKind; }
    std::string texts[kColumnCount];
    bool removal_mark = false;
    bool data_checked = false;
    bool urls_checked = false;
    bool product_url_ok = false;
    bool image_url_ok = false;
    std::vector<UrlFinding> url_findings;
};

const char* FindByte(const char* p, const char* end, char c) {
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

// The loader's split as it was for that record: each field assigned to its string in place.
std::size_t SplitIntoStrings(std::string_view line, CStringRecord& record) {
    std::size_t k = 0;
    if (!line.empty()) {
        const char* p = line.data();
        const char* const end = p + line.size();
        const char* nextQuote = FindByte(p, end, '"');
        for (;;) {
            std::string* field = k < kColumnCount ? &record.texts[k] : nullptr;
            if (field != nullptr) {
                field->clear();
            }
            const char* fieldEnd = FindByte(p, end, '\t');
            if (nextQuote >= fieldEnd) {
                if (field != nullptr) {
                    field->assign(p, static_cast<std::size_t>(fieldEnd - p));
                }
                p = fieldEnd;
            } else {
                bool quoted = false;
                const char* run = p;
                auto flush = [&](const char* upTo) {
                    if (field != nullptr && upTo > run) {
                        field->append(run, static_cast<std::size_t>(upTo - run));
                    }
                };
                while (p < end) {
                    if (*p == '"') {
                        flush(p);
                        if (!quoted) {
                            quoted = true;
                            ++p;
                        } else if (p + 1 < end && p[1] == '"') {
                            if (field != nullptr) {
                                field->push_back('"');
                            }
                            quoted = false;
                            p += 2;
                        } else {
                            quoted = false;
                            ++p;
                        }
                        run = p;
                    } else if (*p == '\t' && !quoted) {
                        break;
                    } else {
                        ++p;
                    }
                }
                flush(p);
                nextQuote = FindByte(p, end, '"');
            }
            ++k;
            if (p == end || ++p == end) {
                break;
            }
        }
    }
    for (std::size_t i = k; i < kColumnCount; ++i) {
        record.texts[i].clear();
    }
    return k;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Reads every product line of path (the column line first) into a deque of Record, as the document
// holds them; prints the load time and a check sum of the texts, and exits.
template <typename Record, typename Split>
int LoadInChild(const char* path, Split split) {
    const auto start = std::chrono::steady_clock::now();
    std::deque<Record> records;
    {
        CFeedLineReader reader;
        if (reader.Open(path) != 0) {
            std::perror(path);
            return 1;
        }
        std::string_view line;
        bool columnLine = true;
        Record record;
        while (reader.Next(line) == CFeedLineReader::Status::kLine) {
            if (columnLine) {
                columnLine = false;
                continue;
            }
            if (split(line, record) != 0) {
                records.push_back(std::move(record));
            }
        }
    }
    const double load = Seconds(start);
    std::printf("%.4f %zu\n", load, records.size());
    std::fflush(stdout);
    // The process ends as the program does, freeing every record.
    return 0;
}

struct ChildRun {
    double wall = 0;  // from fork to exit, as seen by the parent
    double load = 0;  // the load alone, as the child measured it (0 for other programs)
    long peakKb = 0;
};

// Runs argv in a child process; its standard output (the load time) is read back when wanted.
ChildRun RunChild(const std::vector<std::string>& args, bool readsLoadTime, const char* outputTo = nullptr) {
    int pipeFds[2] = {-1, -1};
    if (readsLoadTime && pipe(pipeFds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    std::fflush(stdout);  // a child must not write what this process still holds
    const pid_t pid = fork();
    if (pid == 0) {
        if (readsLoadTime) {
            dup2(pipeFds[1], STDOUT_FILENO);
            close(pipeFds[0]);
            close(pipeFds[1]);
        } else if (outputTo != nullptr) {
            if (std::freopen(outputTo, "w", stdout) == nullptr) {
                _exit(127);
            }
        }
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ChildRun run;
    std::string output;
    if (readsLoadTime) {
        close(pipeFds[1]);
        char buffer[256];
        ssize_t n;
        while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        }
        close(pipeFds[0]);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wall = Seconds(start);
    run.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        std::exit(1);
    }
    if (readsLoadTime) {
        run.load = std::atof(output.c_str());
    }
    return run;
}

// The fastest of runs (by wall time), with that run's peak memory.
ChildRun Best(int runs, const std::vector<std::string>& args, bool readsLoadTime,
              const char* outputTo = nullptr) {
    ChildRun best;
    for (int i = 0; i < runs; ++i) {
        const ChildRun run = RunChild(args, readsLoadTime, outputTo);
        if (i == 0 || run.wall < best.wall) {
            best = run;
        }
    }
    return best;
}

std::string SelfPath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) {
        if (std::strcmp(argv[2], "strings") == 0) {
            return LoadInChild<CStringRecord>(argv[3], SplitIntoStrings);
        }
        return LoadInChild<COtherRecord>(
            argv[3], [](std::string_view line, COtherRecord& r) { return SplitFeedLine(line, r); });
    }
    long products = 1000000;
    int runs = 3;
    std::string feed;
    std::string cli = YARVELIN_CLI;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--products") == 0 && i + 1 < argc) {
            products = std::atol(argv[++i]);
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            feed = argv[i];
        }
    }
    std::string folder;
    if (feed.empty()) {
        char tmpl[] = "/tmp/compact-bench-XXXXXX";
        folder = mkdtemp(tmpl);
        feed = folder + "/feed.txt";
        const std::string command = std::string("python3 '") + YARVELIN_BENCH_DIR + "/generate_feed.py' " +
                                    std::to_string(products) + " '" + feed + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "could not generate the feed\n");
            return 1;
        }
    }
    struct stat st {};
    if (stat(feed.c_str(), &st) != 0) {
        std::perror(feed.c_str());
        return 1;
    }
    const double fileMb = static_cast<double>(st.st_size) / 1e6;
    std::string loadAverage = "?";
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        char text[64] = {};
        if (std::fgets(text, sizeof text, f) != nullptr) {
            loadAverage = std::string(text).substr(0, std::string(text).find(' ', 15));
        }
        std::fclose(f);
    }
    std::printf("feed: %s, %.1f MB; sizeof(COtherRecord) %zu bytes, the twenty-string record %zu bytes\n",
                feed.c_str(), fileMb, sizeof(COtherRecord), sizeof(CStringRecord));
    std::printf("best of %d runs each; load average before: %s\n\n", runs, loadAverage.c_str());

    const std::string self = SelfPath();
    Best(1, {"/bin/cat", feed}, false, "/dev/null");  // the page cache is warm for every contender alike
    const ChildRun cat = Best(runs, {"/bin/cat", feed}, false, "/dev/null");
    const ChildRun strings = Best(runs, {self, "--child", "strings", feed}, true);
    const ChildRun packed = Best(runs, {self, "--child", "packed", feed}, true);
    const ChildRun info = Best(runs, {cli, "info", feed}, false, "/dev/null");

    std::printf("| contender | load s | process s | process/cat | peak MB | peak/file |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    const auto row = [&](const char* name, const ChildRun& r) {
        const double peakMb = static_cast<double>(r.peakKb) * 1024 / 1e6;
        char load[32] = "";
        if (r.load > 0) {
            std::snprintf(load, sizeof load, "%.2f", r.load);
        }
        std::printf("| %s | %s | %.2f | %.1fx | %.0f | %.2fx |\n", name, load, r.wall,
                    r.wall / (cat.wall > 0 ? cat.wall : 0.001), peakMb, peakMb / fileMb);
    };
    row("cat", cat);
    row("twenty strings (before)", strings);
    row("one block (now)", packed);
    row("yarvelin-feed info", info);
    std::printf("\nload, before/now: %.2fx; peak memory, before/now: %.2fx\n", strings.load / packed.load,
                static_cast<double>(strings.peakKb) / static_cast<double>(packed.peakKb));
    if (!folder.empty()) {
        std::remove(feed.c_str());
        rmdir(folder.c_str());
    }
    return 0;
}
