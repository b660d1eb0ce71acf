// The one place an upload's transfer request is put together from what the user gave: the wizard's upload
// page and `yarvelin-feed upload` both call it, so the two can never send a file differently.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "upload/ftp_transfer_engine.h"
#include "upload/server_address.h"

namespace yarvelin {

// What names the server and the sign-in, as typed or given on the command line.
struct UploadAccount {
    std::string server;                 // a host name, host:port or an ftp/ftpes/ftps/sftp address
    std::optional<std::uint16_t> port;  // stands in when the server text names no port
    std::string userName;               // empty: anonymous, neither name nor password is sent
    std::string password;
    std::string keyFile;  // SFTP private key; other protocols sign in with the password
    bool passive = false;
    bool binary = false;
    std::string knownHostsFile;  // empty: DefaultKnownHostsFile()
};

struct UploadRequestResult {
    std::optional<FtpTransferRequest> request;
    std::string error;            // why not, when there is no request (the server text's error)
    ServerAddress address;        // the server as read, when there is a request
    bool keyFileIgnored = false;  // a key file was given for a server that is not SFTP
};

// The request that sends localFile, under its own file name, into the address's folder. pinFor gives the
// certificate key pinned for "host:port" (TLS servers only; empty: none).
UploadRequestResult BuildUploadRequest(const std::string& localFile, const UploadAccount& account,
                                       const std::function<std::string(const std::string&)>& pinFor = {});

}  // namespace yarvelin
