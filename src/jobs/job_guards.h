// The checks that stop an unattended upload unless the command line allows it: a feed that lost its
// products, one with more errors than the job accepts, one with fewer than half the products of the last
// upload to the same place. Each is the kind of feed that took shops off the service overnight.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace yarvelin {

enum class JobGuard { None, NoProducts, TooManyErrors, CountDrop, TooManyChanges, TooManyDeletes };

struct JobGuardAllowances {
    bool empty = false;    // --allow-empty
    bool errors = false;   // --allow-errors
    bool drop = false;     // --allow-drop
    bool changes = false;  // --allow-changes (changes/change_guards.h)
    bool deletes = false;  // --allow-deletes
};

struct JobGuardDecision {
    JobGuard guard = JobGuard::None;
    std::string reason;  // empty when nothing stops the upload
};

// lastUploaded: products of the last successful upload to the same server and file name.
JobGuardDecision DecideJobUpload(std::size_t products, std::size_t errors, long long maxErrors,
                                 std::optional<long long> lastUploaded, const JobGuardAllowances& allow);

}  // namespace yarvelin
