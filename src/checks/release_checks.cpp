#include "checks/release_checks.h"

#include "checks/diagnostics_report.h"
#include "checks/feed_diagnosis.h"

namespace yarvelin {

ReleaseDecision DecideSave(const FeedDiagnosis& diagnosis) {
    ReleaseDecision decision;
    if (diagnosis.totals.errors > 0) {
        decision.errorsQuestion = ErrorsQuestionText(diagnosis.totals, false);
    }
    return decision;
}

ReleaseDecision DecideUpload(const FeedDiagnosis& diagnosis, std::optional<long long> lastUploaded) {
    ReleaseDecision decision;
    if (!diagnosis.readOk) {
        decision.readOk = false;
        return decision;
    }
    decision.products = diagnosis.totals.products;
    if (diagnosis.totals.errors > 0) {
        decision.errorsQuestion = ErrorsQuestionText(diagnosis.totals, true);
    }
    if (const auto drop = CheckCountDrop(diagnosis.totals.products, lastUploaded)) {
        decision.countDropQuestion = CountDropQuestionText(*drop);
    }
    return decision;
}

}  // namespace yarvelin
