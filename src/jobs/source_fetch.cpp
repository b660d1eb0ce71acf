#include "jobs/source_fetch.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <thread>

#include "feed/feed_file_writer.h"
#include "feed/temporary_files.h"
#include "jobs/feed_run.h"
#include "jobs/run_history.h"
#include "jobs/upload_count_file.h"
#include "upload/ftp_trust.h"
#include "upload/transfer_drive.h"

namespace yarvelin {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string TryAgainIn(std::chrono::seconds wait) {
    return "; trying again in " + std::to_string(wait.count()) + " s";
}

// Lines "Name: value" of a header file; blank lines and "#" comments are passed over.
std::optional<std::vector<std::string>> ReadHeaderFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::string> headers;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '#' && line.find(':') != std::string::npos) {
            headers.push_back(line);
        }
    }
    return headers;
}

}  // namespace

bool LooksLikeHtml(const std::string& contentType, const std::string& firstBytes) {
    std::size_t at = StartsWith(firstBytes, "\xEF\xBB\xBF") ? 3 : 0;
    while (at < firstBytes.size() && std::isspace(static_cast<unsigned char>(firstBytes[at]))) {
        ++at;
    }
    const std::string start = Lower(firstBytes.substr(at, 16));
    for (const char* tag : {"<!doctype html", "<html", "<head", "<body"}) {
        if (StartsWith(start, tag)) {
            return true;
        }
    }
    const std::string type = Lower(contentType);
    return (StartsWith(type, "text/html") || StartsWith(type, "application/xhtml")) &&
           StartsWith(start, "<") && !StartsWith(start, "<?xml");
}

SourceVerdict JudgeSourceResponse(const std::string& url, const SourceResponse& r) {
    using Kind = SourceVerdict::Kind;
    using Transfer = SourceResponse::Transfer;
    const auto failed = [](std::string reason, bool retry) {
        return SourceVerdict{Kind::Failed, reason, retry};
    };
    switch (r.transfer) {
        case Transfer::Stopped:
            return failed("the download of " + url + " was stopped", false);
        case Transfer::Failed:
            return failed("cannot download " + url + ": " + r.error, true);
        case Transfer::CutShort:
            return failed("the download of " + url + " broke off after " + std::to_string(r.bytes) +
                              " bytes" +
                              (r.contentLength ? " of " + std::to_string(*r.contentLength) : std::string()),
                          true);
        case Transfer::BadEncoding:
            return failed(url + " sent a compressed body that does not inflate", false);
        case Transfer::Complete:
            break;
    }
    if (r.notModified || r.status == 304) {
        return {Kind::Unchanged, {}, false};
    }
    if (r.status != 0 && (r.status < 200 || r.status > 299)) {
        return failed(url + " answered " + std::to_string(r.status),
                      r.status >= 500 || r.status == 408 || r.status == 429);
    }
    if (r.contentLength && r.bytes < *r.contentLength) {
        return failed("the download of " + url + " broke off after " + std::to_string(r.bytes) +
                          " bytes of " + std::to_string(*r.contentLength),
                      true);
    }
    if (r.bytes == 0) {
        return failed(url + " sent an empty file", false);
    }
    if (LooksLikeHtml(r.contentType, r.firstBytes)) {
        return failed(url + " sent a web page, not an export or a feed (a sign-in page?)", false);
    }
    return {Kind::Fetched, {}, false};
}

std::vector<std::chrono::seconds> RetryDelays(int retries, std::chrono::seconds first) {
    std::vector<std::chrono::seconds> delays;
    std::chrono::seconds wait = first;
    for (int i = 0; i < retries; ++i) {
        delays.push_back(std::min(wait, std::chrono::seconds(300)));
        wait = std::min(wait * 2, std::chrono::seconds(300));
    }
    return delays;
}

std::string SourceStatePath(const std::string& job) {
    return StateFolder() + "/sources/" + job + ".json";
}

SourceState ReadSourceState(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
    SourceState state;
    if (!json.is_object()) {
        return state;
    }
    state.url = json.value("url", "");
    state.etag = json.value("etag", "");
    state.lastModified = json.value("last-modified", "");
    state.fileTime = json.value("file-time", std::int64_t{-1});
    return state;
}

bool WriteSourceState(const std::string& path, const SourceState& state) {
    nlohmann::ordered_json json;
    json["url"] = state.url;
    json["etag"] = state.etag;
    json["last-modified"] = state.lastModified;
    json["file-time"] = state.fileTime;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return WriteFileSafely(path, json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

bool MaySkipUnchanged(const std::string& historyText, const std::string& job,
                      std::chrono::system_clock::time_point now, std::chrono::seconds refreshAfter) {
    const std::vector<RunRecord> runs = RunsOfJob(historyText, job);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        if (run->status == kRunOk && run->uploaded) {
            return now - run->end < refreshAfter;
        }
    }
    return false;
}

CSourceFetch::CSourceFetch(const FeedJob& job, SourceDownloader* downloader)
    : m_job(job), m_downloader(downloader) {
    // Beside the output: a folder the run writes to anyway, on the disk the feed is written to.
    std::random_device random;
    const std::filesystem::path folder = std::filesystem::path(job.outputFile).parent_path();
    m_path = (folder / ("." + job.name + ".source-" + std::to_string(random()) + ".tmp")).string();
    NoteTemporaryFile(m_path);
    (job.source.url->isExport ? m_job.source.exportFile : m_job.source.feedFile) = m_path;
}

CSourceFetch::~CSourceFetch() {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
    ForgetTemporaryFile(m_path);
}

std::string CSourceFetch::BuildRequest(SourceRequest& request) const {
    const FeedJobSourceUrl& u = *m_job.source.url;
    request.url = u.url;
    request.user = u.user;
    if (!u.passwordFile.empty()) {
        const std::optional<std::string> password = ReadPasswordFile(u.passwordFile);
        if (!password) {
            return "cannot read the password file " + u.passwordFile;
        }
        request.password = *password;
    }
    if (!u.headerFile.empty()) {
        const std::optional<std::vector<std::string>> headers = ReadHeaderFile(u.headerFile);
        if (!headers) {
            return "cannot read the header file " + u.headerFile;
        }
        request.headers = *headers;
    }
    request.keyFile = u.keyFile;
    request.knownHostsFile = u.knownHostsFile;
    request.pin = u.pin.empty() ? std::string() : NormalisedPin(u.pin);
    request.timeoutSeconds = u.timeoutSeconds;
    return {};
}

CSourceFetch::Result CSourceFetch::Fetch(const std::string& historyText,
                                         std::chrono::system_clock::time_point now,
                                         const std::function<bool()>& stopped,
                                         const std::function<void(const std::string&)>& message) {
    const FeedJobSourceUrl& u = *m_job.source.url;
    SourceRequest request;
    if (!m_downloader) {
        return {SourceVerdict::Kind::Failed, "cannot download " + u.url + ": no downloader"};
    }
    if (std::string error = BuildRequest(request); !error.empty()) {
        return {SourceVerdict::Kind::Failed, error};
    }
    request.stopped = stopped;
    const SourceState last = ReadSourceState(SourceStatePath(m_job.name));
    if (last.url == u.url && MaySkipUnchanged(historyText, m_job.name, now, u.refreshAfter)) {
        request.etag = last.etag;
        request.lastModified = last.lastModified;
        request.fileTime = last.fileTime;
    }
    const std::vector<std::chrono::seconds> delays =
        RetryDelays(u.retries, std::chrono::seconds(u.retryDelaySeconds));
    for (std::size_t attempt = 0;; ++attempt) {
        const SourceResponse response = m_downloader->Download(request, m_path);
        const SourceVerdict verdict = JudgeSourceResponse(u.url, response);
        if (verdict.kind == SourceVerdict::Kind::Fetched) {
            m_fetched = {u.url, response.etag, response.lastModified, response.fileTime};
            return {verdict.kind, {}};
        }
        if (verdict.kind == SourceVerdict::Kind::Unchanged) {
            return {verdict.kind, "source unchanged, nothing uploaded"};
        }
        if (!verdict.retry || attempt >= delays.size() || (stopped && stopped())) {
            return {verdict.kind, verdict.reason};
        }
        message(verdict.reason + TryAgainIn(delays[attempt]));
        const auto until = std::chrono::steady_clock::now() + delays[attempt];
        while (std::chrono::steady_clock::now() < until && !(stopped && stopped())) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

CSourceFetch::Result CSourceFetch::Probe(const std::function<bool()>& stopped) {
    const std::string& url = m_job.source.url->url;
    SourceRequest request;
    if (!m_downloader) {
        return {SourceVerdict::Kind::Failed, "cannot reach " + url + ": no downloader"};
    }
    if (std::string error = BuildRequest(request); !error.empty()) {
        return {SourceVerdict::Kind::Failed, error};
    }
    request.stopped = stopped;
    const SourceResponse r = m_downloader->Probe(request);
    if (r.transfer != SourceResponse::Transfer::Complete ||
        (r.status != 0 && (r.status < 200 || r.status > 299))) {
        return {SourceVerdict::Kind::Failed, JudgeSourceResponse(url, r).reason};
    }
    std::string line = "would download " + url;
    if (r.contentLength) {
        line += " (" + std::to_string(*r.contentLength) + " bytes)";
    }
    return {SourceVerdict::Kind::Fetched, line};
}

void CSourceFetch::RememberFetch() const {
    if (!m_fetched.url.empty()) {
        WriteSourceState(SourceStatePath(m_job.name), m_fetched);
    }
}

std::optional<int> FetchForRun(CSourceFetch& fetch, bool check, FeedRunObserver& observer, CRunStop& stop,
                               RunRecord& record) {
    const auto stopped = [&stop] { return stop.Requested(); };
    const CSourceFetch::Result result =
        check ? fetch.Probe(stopped)
              : fetch.Fetch(ReadRunHistory(RunHistoryPath()), std::chrono::system_clock::now(), stopped,
                            [&observer](const std::string& text) { observer.OnRunMessage(text); });
    switch (result.kind) {
        case SourceVerdict::Kind::Fetched:
            if (check) {
                observer.OnCheckLine(result.reason);
            }
            return std::nullopt;
        case SourceVerdict::Kind::Unchanged:
            record.unchanged = true;
            record.reason = result.reason;
            return kRunOk;
        case SourceVerdict::Kind::Failed:
            break;
    }
    record.reason = stop.Requested() ? stop.Reason() : result.reason;
    observer.OnRunMessage(record.reason);
    return kRunFailed;
}

}  // namespace yarvelin
