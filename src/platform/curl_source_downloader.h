// A job's source fetched with libcurl: http and https (compressed bodies inflated, conditional requests),
// ftp and ftps, sftp with the host key checked against a known-hosts file.
#pragma once

#include "jobs/source_download.h"

typedef void CURL;

namespace yarvelin {

class CCurlSourceDownloader : public SourceDownloader {
  public:
    CCurlSourceDownloader();
    ~CCurlSourceDownloader() override;
    CCurlSourceDownloader(const CCurlSourceDownloader&) = delete;
    CCurlSourceDownloader& operator=(const CCurlSourceDownloader&) = delete;

    SourceResponse Download(const SourceRequest& request, const std::string& path) override;
    SourceResponse Probe(const SourceRequest& request) override;

  private:
    // One request on the reused handle; out: where the body goes (none for a probe).
    SourceResponse Perform(const SourceRequest& request, std::FILE* out);

    CURL* m_easy = nullptr;
};

}  // namespace yarvelin
