// Whether a save or an upload may go ahead: the questions the findings of the diagnostics raise, decided
// here once, so that the wizard asks them and the command line and unattended runs act on the same rules.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "checks/feed_diagnosis.h"

namespace yarvelin {

struct ReleaseDecision {
    // The file could be read to its end (a file that cannot is left to the transfer, which reports it).
    bool readOk = true;
    // Products the file holds (uploads only), to be remembered once the upload succeeded.
    std::optional<std::size_t> products;
    // Errors were found: ask, Yes shows the findings and stops, No goes on, Cancel stops.
    std::optional<std::string> errorsQuestion;
    // Fewer products than the last successful upload to the same place: ask, No stops (the default).
    std::optional<std::string> countDropQuestion;
};

// Before the open feed is written.
ReleaseDecision DecideSave(const FeedDiagnosis& diagnosis);
// Before a written file is uploaded; lastUploaded is the count of the last successful upload to the same
// server and file name.
ReleaseDecision DecideUpload(const FeedDiagnosis& diagnosis, std::optional<long long> lastUploaded);

}  // namespace yarvelin
