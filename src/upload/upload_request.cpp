#include "upload/upload_request.h"

#include "upload/remote_file_name.h"
#include "upload/server_address.h"

namespace yarvelin {

UploadRequestResult BuildUploadRequest(const std::string& localFile, const UploadAccount& account,
                                       const std::function<std::string(const std::string&)>& pinFor) {
    UploadRequestResult result;
    const ServerAddressResult parsed = ParseServerAddress(account.server, account.port);
    if (!parsed.address) {
        result.error = parsed.error;
        return result;
    }
    const ServerAddress& address = *parsed.address;
    result.address = address;
    FtpTransferRequest r;
    r.download = false;
    r.localFile = localFile;
    r.server = address.host;
    r.port = address.port;
    r.remoteFile = RemotePathIn(address, RemoteFileNameFor(localFile));
    r.passive = UsesPassiveMode(address, account.passive);
    r.binary = account.binary;
    r.promptOverwrite = false;
    r.usePreConfig = true;
    r.useProxy = false;
    r.bandwidthLimit = 0;
    r.startOffset = 0;
    // The service may read the file at any moment: it only ever sees the old feed or the whole new one.
    r.safeReplace = true;
    r.security.protocol = address.protocol;
    r.security.knownHostsFile =
        account.knownHostsFile.empty() ? DefaultKnownHostsFile() : account.knownHostsFile;
    if (address.protocol == FtpProtocol::Sftp) {
        r.security.identityFile = account.keyFile;
    } else {
        result.keyFileIgnored = !account.keyFile.empty();
    }
    if (IsTlsProtocol(address.protocol) && pinFor) {
        r.security.pinnedKey = pinFor(HostAndPort(address.host, address.port));
    }
    // Without a user name neither name nor password goes out: the login is anonymous.
    if (!account.userName.empty()) {
        r.userName = account.userName;
        r.password = account.password;
    }
    result.request = std::move(r);
    return result;
}

}  // namespace yarvelin
