#include "changes/snapshot_store.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <system_error>

#include "feed/feed_file_observer.h"
#include "feed/feed_file_writer.h"
#include "jobs/upload_count_file.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr std::size_t kChunk = 1 << 18;
constexpr const char* kIndexName = "index";
constexpr const char* kAttemptName = "attempt";

// Compresses the file at from into the writer's buffer as gzip. Speed matters more than size here: the
// snapshot is taken at the end of every upload.
bool CompressInto(const std::string& from, CFeedFileWriter& writer) {
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        return false;
    }
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&stream, &deflateEnd);
    std::unique_ptr<char[]> input(new char[kChunk]);
    std::unique_ptr<unsigned char[]> output(new unsigned char[kChunk]);
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        in.read(input.get(), kChunk);
        if (in.bad()) {
            return false;
        }
        stream.next_in = reinterpret_cast<unsigned char*>(input.get());
        stream.avail_in = static_cast<uInt>(in.gcount());
        flush = in.eof() ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = output.get();
            stream.avail_out = kChunk;
            deflate(&stream, flush);
            writer.Buffer().append(reinterpret_cast<const char*>(output.get()), kChunk - stream.avail_out);
            if (!writer.FlushIfFull()) {
                return false;
            }
        } while (stream.avail_out == 0);
    }
    return true;
}

bool DecompressInto(const std::string& from, CFeedFileWriter& writer) {
    gzFile in = gzopen(from.c_str(), "rb");
    if (in == nullptr) {
        return false;
    }
    const std::unique_ptr<gzFile_s, int (*)(gzFile)> close(in, &gzclose);
    gzbuffer(in, kChunk);
    std::unique_ptr<char[]> chunk(new char[kChunk]);
    for (;;) {
        const int n = gzread(in, chunk.get(), kChunk);
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return gzeof(in) != 0;
        }
        writer.Buffer().append(chunk.get(), static_cast<std::size_t>(n));
        if (!writer.FlushIfFull()) {
            return false;
        }
    }
}

}  // namespace

CSnapshotStore::CSnapshotStore(std::string root)
    : m_root(root.empty() ? SnapshotsFolder() : std::move(root)) {}

std::string CSnapshotStore::SnapshotsFolder() {
    return StateFolder() + "/snapshots";
}

std::string CSnapshotStore::PlaceFolder(const std::string& server, const std::string& remoteName) const {
    return m_root + "/" + UploadCountKey(server, remoteName);
}

std::string CSnapshotStore::SnapshotPath(const std::string& server, const std::string& remoteName,
                                         int number) const {
    return PlaceFolder(server, remoteName) + "/" + Format("%04d.tsv.gz", number);
}

std::vector<SnapshotEntry> CSnapshotStore::List(const std::string& server,
                                                const std::string& remoteName) const {
    std::vector<SnapshotEntry> entries;
    std::ifstream in(PlaceFolder(server, remoteName) + "/" + kIndexName, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        SnapshotEntry e;
        std::string kind;
        if (fields >> e.number >> e.time >> e.products >> e.bytes >> kind && e.number > 0) {
            e.delta = kind == "delta";
            entries.push_back(e);
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const SnapshotEntry& a, const SnapshotEntry& b) { return a.number > b.number; });
    return entries;
}

std::optional<SnapshotEntry> CSnapshotStore::Latest(const std::string& server,
                                                    const std::string& remoteName) const {
    const auto entries = List(server, remoteName);
    if (entries.empty()) {
        return std::nullopt;
    }
    return entries.front();
}

bool CSnapshotStore::WriteIndex(const std::string& folder, const std::vector<SnapshotEntry>& entries) const {
    std::string text;
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        text += std::to_string(e->number) + " " + std::to_string(e->time) + " " +
                std::to_string(e->products) + " " + std::to_string(e->bytes) +
                (e->delta ? " delta\n" : " full\n");
    }
    return WriteFileSafely(folder + "/" + kIndexName, text);
}

bool CSnapshotStore::Remember(const std::string& server, const std::string& remoteName,
                              const std::string& feedFile, const SnapshotEntry& entry, int keep) {
    const std::string folder = PlaceFolder(server, remoteName);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::vector<SnapshotEntry> entries = List(server, remoteName);
    SnapshotEntry kept = entry;
    kept.number = entries.empty() ? 1 : entries.front().number + 1;
    CQuietFeedFileObserver quiet;
    CFeedFileWriter writer(quiet);
    if (!writer.Open(SnapshotPath(server, remoteName, kept.number)) || !CompressInto(feedFile, writer) ||
        !writer.Commit()) {
        return false;
    }
    entries.insert(entries.begin(), kept);
    const std::size_t stay = static_cast<std::size_t>(std::max(keep, 1));
    std::vector<SnapshotEntry> dropped;
    if (entries.size() > stay) {
        dropped.assign(entries.begin() + static_cast<std::ptrdiff_t>(stay), entries.end());
        entries.resize(stay);
    }
    if (!WriteIndex(folder, entries)) {
        return false;
    }
    // The index no longer names them, so a failed removal leaves only bytes behind, never a wrong snapshot.
    for (const SnapshotEntry& old : dropped) {
        std::filesystem::remove(SnapshotPath(server, remoteName, old.number), error);
    }
    std::filesystem::remove(folder + "/" + kAttemptName, error);
    return true;
}

bool CSnapshotStore::Extract(const std::string& server, const std::string& remoteName, int number,
                             const std::string& target) const {
    CQuietFeedFileObserver quiet;
    CFeedFileWriter writer(quiet);
    return writer.Open(target) && DecompressInto(SnapshotPath(server, remoteName, number), writer) &&
           writer.Commit();
}

bool CSnapshotStore::NoteAttempt(const std::string& server, const std::string& remoteName,
                                 UploadAttempt attempt) {
    const std::string path = PlaceFolder(server, remoteName) + "/" + kAttemptName;
    std::error_code error;
    if (attempt == UploadAttempt::kNone) {
        std::filesystem::remove(path, error);
        return !error;
    }
    std::filesystem::create_directories(PlaceFolder(server, remoteName), error);
    return WriteFileSafely(path, attempt == UploadAttempt::kPending ? "pending\n" : "failed\n");
}

UploadAttempt CSnapshotStore::LastAttempt(const std::string& server, const std::string& remoteName) const {
    std::ifstream in(PlaceFolder(server, remoteName) + "/" + kAttemptName, std::ios::binary);
    std::string word;
    if (!(in >> word)) {
        return UploadAttempt::kNone;
    }
    return word == "failed" ? UploadAttempt::kFailed : UploadAttempt::kPending;
}

}  // namespace yarvelin
