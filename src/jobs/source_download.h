// How a job's source reaches the machine when the shop serves it: one download of a URL (http, https, ftp,
// ftps, sftp) into a file, or a look at its size only. Core decides what the answer means
// (jobs/source_fetch.h); the libcurl downloader (platform/curl_source_downloader.h) only fetches.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace yarvelin {

struct SourceRequest {
    std::string url;
    std::string user;  // empty: none (anonymous FTP)
    std::string password;
    std::vector<std::string> headers;  // "Name: value" lines sent as they are (a token)
    std::string keyFile;               // SFTP private key
    std::string knownHostsFile;        // SFTP: only a key listed here is accepted
    std::string pin;                   // TLS: "sha256//..." of the server's public key, instead of the CAs
    long timeoutSeconds = 60;          // connecting, and a transfer that moves nothing for this long
    // What the last fetch was told, for a conditional request: an unchanged source is not sent again.
    std::string etag;
    std::string lastModified;       // HTTP: the header as the server sent it
    std::int64_t fileTime = -1;     // FTP: the file's time in seconds since 1970, -1: unknown
    std::function<bool()> stopped;  // asked while the transfer runs; true ends it
};

struct SourceResponse {
    enum class Transfer {
        Complete,     // an answer came and its body was read to the end (maybe a 404 page)
        Failed,       // no answer: name lookup, connection, TLS, host key, sign-in, a missing file
        CutShort,     // the connection ended before the announced length
        BadEncoding,  // a compressed body that does not inflate
        Stopped,      // stopped asked for it
    };
    Transfer transfer = Transfer::Failed;
    std::string error;         // the downloader's words when the transfer did not complete
    long status = 0;           // HTTP status of the final answer; 0 for FTP and SFTP
    bool notModified = false;  // the conditional request found the source unchanged
    std::string contentType;
    std::optional<std::uint64_t> contentLength;  // as announced (HTTP), or the file's size (FTP, SFTP)
    std::uint64_t bytes = 0;                     // body bytes written to the file, after inflating
    std::string firstBytes;                      // up to the first 512 of them
    std::string etag;
    std::string lastModified;
    std::int64_t fileTime = -1;
};

class SourceDownloader {
  public:
    virtual ~SourceDownloader() = default;
    // Downloads request.url into the file at path (created or truncated: a temporary file of the run).
    virtual SourceResponse Download(const SourceRequest& request, const std::string& path) = 0;
    // HTTP: a HEAD request; FTP and SFTP: the file's size. Nothing is downloaded.
    virtual SourceResponse Probe(const SourceRequest& request) = 0;
};

}  // namespace yarvelin
