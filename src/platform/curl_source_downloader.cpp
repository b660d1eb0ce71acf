#include "platform/curl_source_downloader.h"

#include <curl/curl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/program_names.h"

namespace yarvelin {

namespace {

struct CBody {
    std::FILE* out = nullptr;
    SourceResponse* response = nullptr;
    const SourceRequest* request = nullptr;
    bool stopped = false;
};

bool Stopped(CBody& body) {
    body.stopped = body.stopped || (body.request->stopped && body.request->stopped());
    return body.stopped;
}

size_t WriteBody(char* data, size_t size, size_t count, void* userdata) {
    auto* body = static_cast<CBody*>(userdata);
    const size_t n = size * count;
    if (Stopped(*body) || !body->out || std::fwrite(data, 1, n, body->out) != n) {
        return 0;
    }
    std::string& first = body->response->firstBytes;
    if (first.size() < 512) {
        first.append(data, std::min<size_t>(n, 512 - first.size()));
    }
    body->response->bytes += n;
    return n;
}

int Progress(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return Stopped(*static_cast<CBody*>(userdata)) ? 1 : 0;
}

// Only a key the known-hosts file lists lets the download in: a source is fetched unattended, with nobody
// to ask about a new key.
int KnownKeyOnly(CURL*, const curl_khkey*, const curl_khkey*, curl_khmatch match, void*) {
    return match == CURLKHMATCH_OK ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string Header(CURL* easy, const char* name) {
    curl_header* header = nullptr;
    if (curl_easy_header(easy, name, 0, CURLH_HEADER, -1, &header) == CURLHE_OK && header->value) {
        return header->value;
    }
    return {};
}

}  // namespace

CCurlSourceDownloader::CCurlSourceDownloader() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
    m_easy = curl_easy_init();
}

CCurlSourceDownloader::~CCurlSourceDownloader() {
    curl_easy_cleanup(m_easy);
}

SourceResponse CCurlSourceDownloader::Download(const SourceRequest& request, const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        SourceResponse failed;
        failed.error = "cannot write " + path;
        return failed;
    }
    // Large writes: a source of hundreds of megabytes otherwise costs a system call every 4 KiB.
    std::setvbuf(out, nullptr, _IOFBF, 1 << 20);
    SourceResponse response = Perform(request, out);
    if (std::fclose(out) != 0 && response.transfer == SourceResponse::Transfer::Complete) {
        response.transfer = SourceResponse::Transfer::Failed;
        response.error = "cannot write " + path;
    }
    return response;
}

SourceResponse CCurlSourceDownloader::Probe(const SourceRequest& request) {
    return Perform(request, nullptr);
}

SourceResponse CCurlSourceDownloader::Perform(const SourceRequest& request, std::FILE* out) {
    SourceResponse response;
    if (!m_easy) {
        response.error = "libcurl could not start";
        return response;
    }
    CURL* e = m_easy;
    curl_easy_reset(e);
    const bool http = StartsWith(request.url, "http");
    const bool ftp = StartsWith(request.url, "ftp");
    CBody body{out, &response, &request};
    char error[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUrlCheckUserAgent);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps,sftp");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, request.timeoutSeconds);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, request.timeoutSeconds);
    // "": every encoding libcurl can inflate; a broken compressed body then ends the transfer with an error.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_FILETIME, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &body);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    if (!out) {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    }
    if (!request.user.empty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, request.password.c_str());
    }
    curl_slist* headers = nullptr;
    std::vector<std::string> lines = request.headers;
    if (out && http && !request.etag.empty()) {
        lines.push_back("If-None-Match: " + request.etag);
    }
    if (out && http && !request.lastModified.empty()) {
        lines.push_back("If-Modified-Since: " + request.lastModified);
    }
    for (const std::string& line : lines) {
        headers = curl_slist_append(headers, line.c_str());
    }
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
    if (out && ftp && request.fileTime >= 0) {
        curl_easy_setopt(e, CURLOPT_TIMECONDITION, static_cast<long>(CURL_TIMECOND_IFMODSINCE));
        curl_easy_setopt(e, CURLOPT_TIMEVALUE_LARGE, static_cast<curl_off_t>(request.fileTime));
    }
    if (!request.pin.empty()) {
        // The merchant vouched for this key: it stands in for the authorities and the name check.
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(e, CURLOPT_PINNEDPUBLICKEY, request.pin.c_str());
    }
    const char* home = std::getenv("HOME");
    const std::string knownHosts = !request.knownHostsFile.empty()
                                       ? request.knownHostsFile
                                       : std::string(home ? home : "") + "/.ssh/known_hosts";
    if (StartsWith(request.url, "sftp")) {
        curl_easy_setopt(e, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
        curl_easy_setopt(e, CURLOPT_SSH_KEYFUNCTION, &KnownKeyOnly);
        if (request.keyFile.empty()) {
            curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES,
                             static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        } else {
            curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PUBLICKEY));
            curl_easy_setopt(e, CURLOPT_SSH_PRIVATE_KEYFILE, request.keyFile.c_str());
            curl_easy_setopt(e, CURLOPT_SSH_PUBLIC_KEYFILE, "");  // libssh2 takes it from the private key
            if (!request.password.empty()) {
                curl_easy_setopt(e, CURLOPT_KEYPASSWD, request.password.c_str());
            }
        }
    }

    const CURLcode code = curl_easy_perform(e);
    curl_slist_free_all(headers);

    switch (code) {
        case CURLE_OK:
            response.transfer = SourceResponse::Transfer::Complete;
            break;
        case CURLE_PARTIAL_FILE:
            response.transfer = SourceResponse::Transfer::CutShort;
            break;
        case CURLE_BAD_CONTENT_ENCODING:
            response.transfer = SourceResponse::Transfer::BadEncoding;
            break;
        default:
            response.transfer =
                body.stopped ? SourceResponse::Transfer::Stopped : SourceResponse::Transfer::Failed;
            response.error = *error ? error : curl_easy_strerror(code);
            if (code == CURLE_PEER_FAILED_VERIFICATION && StartsWith(request.url, "sftp")) {
                response.error += " (is the server's key in " + knownHosts + "?)";
            }
            break;
    }
    long status = 0;
    if (http && curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) {
        response.status = status;
    }
    long unmet = 0;
    curl_easy_getinfo(e, CURLINFO_CONDITION_UNMET, &unmet);
    response.notModified = unmet != 0 || response.status == 304;
    char* type = nullptr;
    if (curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) {
        response.contentType = type;
    }
    curl_off_t length = -1;
    // A compressed body's announced length is not the length of what it inflates to.
    if (curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0 &&
        (!http || Header(e, "Content-Encoding").empty())) {
        response.contentLength = static_cast<std::uint64_t>(length);
    }
    if (http) {
        response.etag = Header(e, "ETag");
        response.lastModified = Header(e, "Last-Modified");
    }
    curl_off_t fileTime = -1;
    if (curl_easy_getinfo(e, CURLINFO_FILETIME_T, &fileTime) == CURLE_OK) {
        response.fileTime = static_cast<std::int64_t>(fileTime);
    }
    return response;
}

}  // namespace yarvelin
