#include "upload/server_address.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "app/program_names.h"
#include "records/xdg_folders.h"

namespace yarvelin {

namespace {

constexpr const char* kAcceptedForms =
    "Type the server as a host name (ftp.example.com), as host:port (ftp.example.com:2121), as "
    "[IPv6 address]:port, or as an address that starts with ftp://, ftpes:// (FTP with explicit TLS), "
    "ftps:// (FTP with implicit TLS) or sftp:// (SSH), optionally followed by :port and a folder, for "
    "example sftp://ftp.example.com:22/feeds.";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool IsHostNameChar(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c >= 0x80;
}

// Hex groups, colons, an embedded IPv4 part and a zone after "%" ("fe80::1%eth0").
bool IsIpv6Literal(const std::string& host) {
    const auto zone = host.find('%');
    const std::string address = host.substr(0, zone);
    return address.find(':') != std::string::npos &&
           std::all_of(address.begin(), address.end(),
                       [](unsigned char c) { return std::isxdigit(c) || c == ':' || c == '.'; }) &&
           (zone == std::string::npos ||
            std::all_of(host.begin() + static_cast<std::ptrdiff_t>(zone) + 1, host.end(),
                        [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-'; }));
}

bool ParsePort(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return false;
    }
    const long value = std::stol(text);
    if (value < 1 || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

ServerAddressResult Refuse(const std::string& text, const std::string& why) {
    ServerAddressResult result;
    result.error = "The server \"" + text + "\" cannot be used: " + why + ".\n" + kAcceptedForms;
    return result;
}

}  // namespace

std::uint16_t DefaultPortOf(FtpProtocol protocol) {
    switch (protocol) {
        case FtpProtocol::FtpImplicitTls:
            return 990;
        case FtpProtocol::Sftp:
            return 22;
        default:
            return 21;
    }
}

bool IsTlsProtocol(FtpProtocol protocol) {
    return protocol == FtpProtocol::FtpExplicitTls || protocol == FtpProtocol::FtpImplicitTls;
}

ServerAddressResult ParseServerAddress(const std::string& original,
                                       std::optional<std::uint16_t> defaultPort) {
    const std::string text = Trimmed(original);
    if (text.empty()) {
        return Refuse(text, "no server is given");
    }
    ServerAddress a;
    std::string rest = text;
    bool schemeGiven = false;
    const auto schemeEnd = rest.find("://");
    if (schemeEnd != std::string::npos) {
        const std::string scheme = Lower(rest.substr(0, schemeEnd));
        if (scheme == "ftp") {
            a.protocol = FtpProtocol::Ftp;
        } else if (scheme == "ftpes") {
            a.protocol = FtpProtocol::FtpExplicitTls;
        } else if (scheme == "ftps") {
            a.protocol = FtpProtocol::FtpImplicitTls;
        } else if (scheme == "sftp") {
            a.protocol = FtpProtocol::Sftp;
        } else {
            return Refuse(text, "\"" + scheme + "://\" is not a protocol this program speaks");
        }
        rest = rest.substr(schemeEnd + 3);
        schemeGiven = true;
    }

    // The data connection choice closes an FTP address.
    const auto query = rest.find('?');
    if (query != std::string::npos) {
        const std::string choice = Lower(rest.substr(query + 1));
        if (!schemeGiven || a.protocol == FtpProtocol::Sftp || (choice != "passive" && choice != "active")) {
            return Refuse(text, "only an ftp://, ftpes:// or ftps:// address may end in ?passive or ?active");
        }
        a.passive = choice == "passive";
        rest = rest.substr(0, query);
    }

    std::string hostPort = rest;
    const auto slash = rest.find('/');
    if (slash != std::string::npos) {
        hostPort = rest.substr(0, slash);
        std::string folder = rest.substr(slash);
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        a.folder = folder == "/" ? std::string() : folder;
    }
    if (hostPort.find('@') != std::string::npos) {
        return Refuse(text, "put the user name in the Username box, not in the server");
    }

    std::string portText;
    bool portGiven = false;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const auto close = hostPort.find(']');
        if (close == std::string::npos) {
            return Refuse(text, "the \"]\" that closes the IPv6 address is missing");
        }
        a.host = hostPort.substr(1, close - 1);
        const std::string after = hostPort.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                return Refuse(text, "only :port may follow the IPv6 address");
            }
            portText = after.substr(1);
            portGiven = true;
        }
        if (!IsIpv6Literal(a.host)) {
            return Refuse(text, "\"" + a.host + "\" is not an IPv6 address");
        }
    } else if (std::count(hostPort.begin(), hostPort.end(), ':') > 1) {
        // Two colons or more: an IPv6 address written without brackets (and so without a port).
        a.host = hostPort;
        if (!IsIpv6Literal(a.host)) {
            return Refuse(text, "\"" + a.host + "\" is not an IPv6 address");
        }
    } else {
        const auto colon = hostPort.find(':');
        a.host = hostPort.substr(0, colon);
        if (colon != std::string::npos) {
            portText = hostPort.substr(colon + 1);
            portGiven = true;
        }
        if (!std::all_of(a.host.begin(), a.host.end(), [](unsigned char c) { return IsHostNameChar(c); })) {
            return Refuse(text, "a host name has only letters, digits, dots and hyphens");
        }
    }
    if (a.host.empty()) {
        return Refuse(text, "the host name is missing");
    }
    if (portGiven) {
        if (!ParsePort(portText, a.port)) {
            return Refuse(text, "the port must be a number from 1 to 65535");
        }
    } else {
        a.port = defaultPort ? *defaultPort : DefaultPortOf(a.protocol);
    }
    ServerAddressResult result;
    result.address = a;
    return result;
}

std::string HostAndPort(const std::string& host, std::uint16_t port) {
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool UsesPassiveMode(const ServerAddress& address, bool requested) {
    if (address.passive) {
        return *address.passive;
    }
    return IsTlsProtocol(address.protocol) || requested;
}

std::string DefaultKnownHostsFile() {
    return XdgConfigHome() + "/" + kSettingsRoot + "/known_hosts";
}

std::string RemotePathIn(const ServerAddress& address, const std::string& fileName) {
    return address.folder.empty() ? fileName : address.folder + "/" + fileName;
}

}  // namespace yarvelin
