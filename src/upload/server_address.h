// What the "Server" box and the command line's --server accept: the forms file-transfer programs use, from a
// bare host name to a full address with protocol, port and folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace yarvelin {

enum class FtpProtocol {
    Ftp,             // plain FTP
    FtpExplicitTls,  // FTP that turns to TLS with AUTH TLS, data connections protected too
    FtpImplicitTls,  // FTP inside TLS from the first byte
    Sftp             // SSH file transfer
};

struct ServerAddress {
    FtpProtocol protocol = FtpProtocol::Ftp;
    std::string host;  // an IPv6 literal without its brackets
    std::uint16_t port = 21;
    // The folder the file goes to, "/"-separated, starting with "/" ("/feeds", "/~/feeds"); empty: the folder
    // the server starts the session in.
    std::string folder;
    // An explicit data connection choice ("?passive" or "?active" after an FTP address); none: the default.
    std::optional<bool> passive;
};

struct ServerAddressResult {
    std::optional<ServerAddress> address;
    std::string error;  // why the text was refused, naming the accepted forms
};

// Reads the server text. defaultPort, when given, stands in for the protocol's own port when the text names
// none.
ServerAddressResult ParseServerAddress(const std::string& text,
                                       std::optional<std::uint16_t> defaultPort = {});

std::uint16_t DefaultPortOf(FtpProtocol protocol);
bool IsTlsProtocol(FtpProtocol protocol);

// Whether the data connections go passive: the address's own choice first; TLS goes passive unless told
// otherwise, since no router can read the encrypted PORT command to let the server's connection back in;
// plain FTP as the caller asks.
// "host:port", "[::1]:990": how a server is named where its port matters (pinned certificates).
std::string HostAndPort(const std::string& host, std::uint16_t port);

bool UsesPassiveMode(const ServerAddress& address, bool requested);

// Where the program keeps the SSH host keys the user accepted when no other place is given: beside its
// settings file in the user's configuration folder.
std::string DefaultKnownHostsFile();

// The remote path of a file in the address's folder: "shop.txt", "/feeds/shop.txt".
std::string RemotePathIn(const ServerAddress& address, const std::string& fileName);

}  // namespace yarvelin
