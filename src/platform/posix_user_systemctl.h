// `systemctl --user` run as a child process (posix_spawnp, found on PATH), for the wizard and
// yarvelin-feed alike.
#pragma once

#include "jobs/user_systemctl.h"

namespace yarvelin {

class CPosixUserSystemctl : public UserSystemctl {
  public:
    bool HasUserManager() const override;
    SystemctlResult Run(const std::vector<std::string>& args) override;
};

}  // namespace yarvelin
