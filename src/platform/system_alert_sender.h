// The alerts of a job delivered on this machine: the merchant's command through /bin/sh, a web hook
// with libcurl, a mail through the local sendmail.
#pragma once

#include <string>
#include <vector>

#include "jobs/alert_sender.h"

namespace yarvelin {

class CSystemAlertSender : public AlertSender {
  public:
    std::string RunCommand(const std::string& command, const std::string& json) override;
    std::string PostWebhook(const std::string& url, const std::string& json) override;
    std::string SendMail(const std::string& to, const std::string& subject, const std::string& body) override;

    // The sendmail program on this machine (the usual places, then PATH); empty when none is installed.
    static std::string FindSendmail();

  private:
    // Runs argv with input on its standard input; empty when it exited with status 0, else why not.
    static std::string RunWithInput(const std::vector<std::string>& argv, const std::string& input);
};

}  // namespace yarvelin
