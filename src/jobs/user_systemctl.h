// The user's service manager, as `systemctl --user` reaches it: the schedule's operations enable and
// disable a job's timer through it, so that a test puts a stand-in in its place.
#pragma once

#include <string>
#include <vector>

namespace yarvelin {

struct SystemctlResult {
    int status = -1;     // the exit status; -1 when it could not be started or did not exit by itself
    std::string output;  // standard output and standard error together, for a message
};

class UserSystemctl {
  public:
    virtual ~UserSystemctl() = default;
    // A user manager may be there to ask: the session has a runtime folder.
    virtual bool HasUserManager() const = 0;
    // Runs `systemctl --user ARGS...`.
    virtual SystemctlResult Run(const std::vector<std::string>& args) = 0;
};

}  // namespace yarvelin
