#include "jobs/job_guards.h"

#include "checks/feed_diagnostics.h"

namespace yarvelin {

JobGuardDecision DecideJobUpload(std::size_t products, std::size_t errors, long long maxErrors,
                                 std::optional<long long> lastUploaded, const JobGuardAllowances& allow) {
    JobGuardDecision d;
    if (products == 0 && !allow.empty) {
        d.guard = JobGuard::NoProducts;
        d.reason = "the feed holds no products (--allow-empty uploads it all the same)";
    } else if (static_cast<long long>(errors) > maxErrors && !allow.errors) {
        d.guard = JobGuard::TooManyErrors;
        d.reason = std::to_string(errors) + (errors == 1 ? " error" : " errors") +
                   ", more than the job's limit of " + std::to_string(maxErrors) +
                   " (--allow-errors uploads it all the same)";
    } else if (!allow.drop && CheckCountDrop(products, lastUploaded)) {
        // The same rule as the count-drop finding the wizard asks about before an upload.
        d.guard = JobGuard::CountDrop;
        d.reason = std::to_string(products) + " products, fewer than half of the " +
                   std::to_string(*lastUploaded) +
                   " of the last upload (--allow-drop uploads it all the same)";
    }
    return d;
}

}  // namespace yarvelin
