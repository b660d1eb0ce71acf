// Where a job's alerts go out: a command of the merchant's, a web hook, a mail. Core decides what to say
// and when (jobs/run_alerts.h); the senders only deliver.
#pragma once

#include <string>

namespace yarvelin {

class AlertSender {
  public:
    virtual ~AlertSender() = default;
    // Each gives an empty text when the alert went out, else why it did not.
    // command runs through /bin/sh with json on its standard input; it must exit with status 0.
    virtual std::string RunCommand(const std::string& command, const std::string& json) = 0;
    // An HTTPS POST of json (Content-Type: application/json), the certificate checked; 2xx is delivered.
    virtual std::string PostWebhook(const std::string& url, const std::string& json) = 0;
    // A mail through the local mail system (sendmail -t).
    virtual std::string SendMail(const std::string& to, const std::string& subject,
                                 const std::string& body) = 0;
};

}  // namespace yarvelin
