#include "platform/curl_ftp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <libssh2.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>

namespace yarvelin {

namespace {

// Upload data is handed to libcurl in batches rather than chunk by chunk; reads stop when this much waits.
constexpr std::size_t kSendBatch = 64 * 1024;
constexpr std::size_t kSendHigh = 256 * 1024;
// SFTP acknowledges every write packet; libssh2 keeps many in flight only when it is given a large buffer.
constexpr std::size_t kSftpSendBatch = 512 * 1024;
constexpr std::size_t kSftpSendHigh = 2 * 1024 * 1024;
constexpr std::size_t kReceiveHigh = 1024 * 1024;
constexpr auto kDriveInterval = std::chrono::milliseconds(100);
// The longest a wait on the sockets lasts before Cancel is looked at again.
constexpr int kCancelCheckMs = 100;

// Waits until a socket of the running request is ready, or the extra socket (CURL_SOCKET_BAD: none) is
// readable, for at most kCancelCheckMs. True when the extra socket woke it.
bool WaitForSockets(CURLM* multi, curl_socket_t extraSocket) {
    curl_waitfd extra{};
    extra.fd = extraSocket;
    extra.events = CURL_WAIT_POLLIN;
    const unsigned count = extraSocket != CURL_SOCKET_BAD ? 1 : 0;
    curl_multi_poll(multi, &extra, count, kCancelCheckMs, nullptr);
    return count == 1 && extra.revents != 0;
}

bool IsReplyStart(const std::string& line) {
    return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) &&
           std::isdigit(static_cast<unsigned char>(line[2])) && (line[3] == ' ' || line[3] == '-');
}

int CodeOf(const std::string& reply) {
    return IsReplyStart(reply) ? std::atoi(reply.substr(0, 3).c_str()) : -1;
}

std::string AddressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    } else if (address->sa_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    }
    return text;
}

std::uint16_t PortOf(const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in*>(address)->sin_port);
    }
    if (address->sa_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(address)->sin6_port);
    }
    return 0;
}

std::string Sha256(const unsigned char* data, std::size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr) != 1) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string Sha256(const std::string& data) {
    return Sha256(reinterpret_cast<const unsigned char*>(data.data()), data.size());
}

const char* KeyTypeName(curl_khtype type) {
    switch (type) {
        case CURLKHTYPE_RSA1:
        case CURLKHTYPE_RSA:
            return "RSA";
        case CURLKHTYPE_DSS:
            return "DSA";
        case CURLKHTYPE_ECDSA:
            return "ECDSA";
        case CURLKHTYPE_ED25519:
            return "ED25519";
        default:
            return "unknown";
    }
}

std::string Printed(const std::function<void(BIO*)>& print) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    if (!bio) {
        return {};
    }
    print(bio.get());
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

// The certificate's details for the question, from its DER form.
bool DescribeCertificate(const std::string& der, CertificateQuestion& q) {
    const auto* p = reinterpret_cast<const unsigned char*>(der.data());
    std::unique_ptr<X509, decltype(&X509_free)> cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())),
                                                     &X509_free);
    if (!cert) {
        return false;
    }
    const auto name = [](X509_NAME* n) {
        return Printed([n](BIO* b) { X509_NAME_print_ex(b, n, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB); });
    };
    q.subject = name(X509_get_subject_name(cert.get()));
    q.issuer = name(X509_get_issuer_name(cert.get()));
    q.validFrom = Printed([&](BIO* b) { ASN1_TIME_print(b, X509_get0_notBefore(cert.get())); });
    q.validUntil = Printed([&](BIO* b) { ASN1_TIME_print(b, X509_get0_notAfter(cert.get())); });
    q.fingerprint = ColonHex(Sha256(der));
    unsigned char* key = nullptr;
    const int keySize = i2d_PUBKEY(X509_get0_pubkey(cert.get()), &key);
    if (keySize <= 0) {
        return false;
    }
    q.pin = "sha256//" + Base64Encode(Sha256(key, static_cast<std::size_t>(keySize)));
    OPENSSL_free(key);
    return true;
}

// Keeps the server's certificate for the question, then verifies it as OpenSSL would.
int KeepAndVerifyCertificate(X509_STORE_CTX* store, void* self) {
    if (X509* leaf = X509_STORE_CTX_get0_cert(store)) {
        unsigned char* der = nullptr;
        const int size = i2d_X509(leaf, &der);
        if (size > 0) {
            *static_cast<std::string*>(self) = std::string(reinterpret_cast<char*>(der), size);
            OPENSSL_free(der);
        }
    }
    return X509_verify_cert(store);
}

std::string ReadKnownHosts(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void AppendKnownHost(const std::string& path, const std::string& line) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << line;
}

// A hashed host field of OpenSSH, "|1|salt|hash": the hash is the HMAC-SHA1 of the name keyed with the salt.
bool HashedHostNames(const std::string& field, const std::string& name) {
    const std::size_t bar = field.find('|', 3);
    std::string salt, hash;
    if (bar == std::string::npos || !Base64Decode(field.substr(3, bar - 3), salt) ||
        !Base64Decode(field.substr(bar + 1), hash)) {
        return false;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha1(), salt.data(), static_cast<int>(salt.size()),
              reinterpret_cast<const unsigned char*>(name.data()), name.size(), digest, &length)) {
        return false;
    }
    return std::string(reinterpret_cast<const char*>(digest), length) == hash;
}

// The known-hosts file must exist before the first key goes in, readable by its owner only.
bool PrepareKnownHostsFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return ok;
}

// ---- The rename over an existing file in one step (SFTP)
//
// libcurl sends every SFTP request through libssh2, and libssh2 (1.10, Debian 12) has no atomic rename: the
// plain SFTP rename refuses an existing target on OpenSSH, and its overwrite flags go out only from SFTP
// version 5 on, while OpenSSH speaks version 3 and offers "posix-rename@openssh.com" instead. So that one
// request goes on an SSH connection of our own, which writes the few SFTP packets it needs itself.

constexpr unsigned char kSftpInit = 1;
constexpr unsigned char kSftpVersion = 2;
constexpr unsigned char kSftpStatus = 101;
constexpr unsigned char kSftpExtended = 200;
constexpr std::uint32_t kSftpMaxPacket = 256 * 1024;
const char* const kPosixRename = "posix-rename@openssh.com";

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xff);
    }
}

void PutString(std::string& out, const std::string& text) {
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

bool GetU32(const std::string& in, std::size_t& pos, std::uint32_t& value) {
    if (pos > in.size() || in.size() - pos < 4) {
        return false;
    }
    value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(in[pos + i]);
    }
    pos += 4;
    return true;
}

bool GetString(const std::string& in, std::size_t& pos, std::string& text) {
    std::uint32_t size = 0;
    if (!GetU32(in, pos, size) || in.size() - pos < size) {
        return false;
    }
    text = in.substr(pos, size);
    pos += size;
    return true;
}

// What the second connection needs to be the same session as libcurl's.
struct SideLogin {
    std::string host;
    std::uint16_t port = 0;
    std::string user;
    std::string password;  // or the key's passphrase
    std::string identityFile;
    std::string hostKey;  // the key the user trusts: the server must show this very one
    int hostKeyType = 0;
    long timeoutMs = 60000;
};

class CSftpSideChannel {
  public:
    CSftpSideChannel() = default;
    ~CSftpSideChannel() {
        if (m_channel) {
            libssh2_channel_free(m_channel);
        }
        if (m_session) {
            libssh2_session_disconnect(m_session, "done");
            libssh2_session_free(m_session);
        }
        if (m_socket >= 0) {
            ::close(m_socket);
        }
    }
    CSftpSideChannel(const CSftpSideChannel&) = delete;
    CSftpSideChannel& operator=(const CSftpSideChannel&) = delete;

    // Connects, checks the host key, signs in and starts SFTP. False when any of it fails.
    bool Open(const SideLogin& login) {
        m_password = login.password;
        return ConnectSocket(login) && StartSession(login) && SignIn(login) && StartSftp();
    }
    bool Offers(const std::string& extension) const { return m_extensions.count(extension) != 0; }
    // Sends an extended request and reads its status. False when no status came back.
    bool Extended(const std::string& name, const std::vector<std::string>& args, std::uint32_t& status,
                  std::string& message) {
        std::string body(1, static_cast<char>(kSftpExtended));
        PutU32(body, ++m_lastId);
        PutString(body, name);
        for (const std::string& arg : args) {
            PutString(body, arg);
        }
        std::string reply;
        std::size_t pos = 1;
        std::uint32_t id = 0;
        return Send(body) && Receive(reply) && static_cast<unsigned char>(reply[0]) == kSftpStatus &&
               GetU32(reply, pos, id) && id == m_lastId && GetU32(reply, pos, status) &&
               (GetString(reply, pos, message) || true);
    }

  private:
    bool ConnectSocket(const SideLogin& login) {
        std::string host = login.host;
        if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        }
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), std::to_string(login.port).c_str(), &hints, &found) != 0) {
            return false;
        }
        for (addrinfo* a = found; a != nullptr && m_socket < 0; a = a->ai_next) {
            m_socket = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
            if (m_socket < 0) {
                continue;
            }
            // connect() gives up after the send time-out.
            timeval limit{login.timeoutMs / 1000, (login.timeoutMs % 1000) * 1000};
            setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
            if (::connect(m_socket, a->ai_addr, a->ai_addrlen) != 0) {
                ::close(m_socket);
                m_socket = -1;
            }
        }
        freeaddrinfo(found);
        return m_socket >= 0;
    }

    bool StartSession(const SideLogin& login) {
        m_session = libssh2_session_init_ex(nullptr, nullptr, nullptr, this);
        if (!m_session) {
            return false;
        }
        libssh2_session_set_blocking(m_session, 1);
        libssh2_session_set_timeout(m_session, login.timeoutMs);
        // The server is asked for the kind of key that the user trusts, as libcurl's connection was.
        const char* methods = nullptr;
        switch (login.hostKeyType) {
            case CURLKHTYPE_ED25519:
                methods = "ssh-ed25519";
                break;
            case CURLKHTYPE_ECDSA:
                methods = "ecdsa-sha2-nistp256,ecdsa-sha2-nistp384,ecdsa-sha2-nistp521";
                break;
            case CURLKHTYPE_RSA:
                methods = "rsa-sha2-512,rsa-sha2-256,ssh-rsa";
                break;
            default:
                break;
        }
        if (methods) {
            libssh2_session_method_pref(m_session, LIBSSH2_METHOD_HOSTKEY, methods);
        }
        if (libssh2_session_handshake(m_session, m_socket) != 0) {
            return false;
        }
        std::size_t size = 0;
        int type = 0;
        const char* key = libssh2_session_hostkey(m_session, &size, &type);
        return key != nullptr && std::string(key, size) == login.hostKey;
    }

    static void AnswerPrompts(const char*, int, const char*, int, int count,
                              const LIBSSH2_USERAUTH_KBDINT_PROMPT*,
                              LIBSSH2_USERAUTH_KBDINT_RESPONSE* responses, void** abstract) {
        // As libcurl does: every prompt is answered with the password.
        const auto* self = static_cast<const CSftpSideChannel*>(*abstract);
        for (int i = 0; i < count; ++i) {
            responses[i].text = static_cast<char*>(std::malloc(self->m_password.size() + 1));
            if (responses[i].text) {
                std::memcpy(responses[i].text, self->m_password.c_str(), self->m_password.size() + 1);
                responses[i].length = static_cast<unsigned int>(self->m_password.size());
            }
        }
    }

    bool SignIn(const SideLogin& login) {
        const auto userSize = static_cast<unsigned int>(login.user.size());
        if (!login.identityFile.empty()) {
            return libssh2_userauth_publickey_fromfile_ex(
                       m_session, login.user.c_str(), userSize, nullptr, login.identityFile.c_str(),
                       login.password.empty() ? nullptr : login.password.c_str()) == 0;
        }
        const char* offered = libssh2_userauth_list(m_session, login.user.c_str(), userSize);
        const std::string methods = offered ? offered : "";
        if (methods.find("password") != std::string::npos &&
            libssh2_userauth_password_ex(m_session, login.user.c_str(), userSize, login.password.c_str(),
                                         static_cast<unsigned int>(login.password.size()), nullptr) == 0) {
            return true;
        }
        return methods.find("keyboard-interactive") != std::string::npos &&
               libssh2_userauth_keyboard_interactive_ex(m_session, login.user.c_str(), userSize,
                                                        &CSftpSideChannel::AnswerPrompts) == 0;
    }

    bool StartSftp() {
        m_channel = libssh2_channel_open_session(m_session);
        if (!m_channel || libssh2_channel_subsystem(m_channel, "sftp") != 0) {
            return false;
        }
        std::string init(1, static_cast<char>(kSftpInit));
        PutU32(init, 3);
        std::string version;
        if (!Send(init) || !Receive(version) || static_cast<unsigned char>(version[0]) != kSftpVersion) {
            return false;
        }
        std::size_t pos = 5;  // type, version
        std::string name, data;
        while (GetString(version, pos, name) && GetString(version, pos, data)) {
            m_extensions.insert(name);
        }
        return true;
    }

    bool Send(const std::string& body) {
        std::string packet;
        PutU32(packet, static_cast<std::uint32_t>(body.size()));
        packet += body;
        for (std::size_t sent = 0; sent < packet.size();) {
            const ssize_t n = libssh2_channel_write(m_channel, packet.data() + sent, packet.size() - sent);
            if (n <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool ReadExactly(std::string& into, std::size_t size) {
        into.resize(size);
        for (std::size_t got = 0; got < size;) {
            const ssize_t n = libssh2_channel_read(m_channel, into.data() + got, size - got);
            if (n <= 0) {
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    // One packet, without its length: the type byte first.
    bool Receive(std::string& body) {
        std::string head;
        std::size_t pos = 0;
        std::uint32_t size = 0;
        return ReadExactly(head, 4) && GetU32(head, pos, size) && size >= 1 && size <= kSftpMaxPacket &&
               ReadExactly(body, size);
    }

    int m_socket = -1;
    LIBSSH2_SESSION* m_session = nullptr;
    LIBSSH2_CHANNEL* m_channel = nullptr;
    std::string m_password;
    std::set<std::string> m_extensions;
    std::uint32_t m_lastId = 0;
};

// A remote path as an SFTP request takes it: "/~/" is the login folder, which is where a path without a
// leading "/" starts anyway.
std::string SftpRequestPath(const std::string& remoteFile) {
    return remoteFile.rfind("/~/", 0) == 0 ? remoteFile.substr(3) : remoteFile;
}

}  // namespace

CCurlFtpClient::CCurlFtpClient(CurlFtpTimeouts timeouts) : m_timeouts(timeouts) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CCurlFtpClient::~CCurlFtpClient() {
    Close();
}

bool CCurlFtpClient::OpenSession(const std::string& agent, FtpAccess access, const std::string& proxy) {
    Close();
    m_agent = agent;
    m_access = access;
    m_proxy = proxy;
    m_easy = curl_easy_init();
    m_multi = curl_multi_init();
    if (!m_easy || !m_multi) {
        m_lastError = kFtpErrorInternal;
        Close();
        return false;
    }
    return true;
}

bool CCurlFtpClient::Cancelled() const {
    if (m_cancel == nullptr || !m_cancel->load() || (m_endOfData && Pending() == 0)) {
        return false;
    }
    if (m_cancelGraceMs == 0) {
        return true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!m_cancelSeen) {
        m_cancelSeen = now;
    }
    return now - *m_cancelSeen >= std::chrono::milliseconds(m_cancelGraceMs);
}

bool CCurlFtpClient::SetStatusCallback(StatusCallback callback) {
    m_status = std::move(callback);
    return true;
}

void CCurlFtpClient::SetSecurity(const FtpSecurity& security, FtpTrust* trust) {
    m_security = security;
    m_trust = trust;
}

void CCurlFtpClient::SetProtocolOptions() {
    CURL* e = m_easy;
    if (m_security.protocol == FtpProtocol::Sftp) {
        curl_easy_setopt(e, CURLOPT_SSH_KNOWNHOSTS, m_security.knownHostsFile.c_str());
        curl_easy_setopt(e, CURLOPT_SSH_KEYFUNCTION, &CCurlFtpClient::HostKeyCallback);
        curl_easy_setopt(e, CURLOPT_SSH_KEYDATA, this);
        curl_easy_setopt(e, CURLOPT_UPLOAD_BUFFERSIZE, static_cast<long>(kSftpSendBatch));
        if (m_security.identityFile.empty()) {
            curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES,
                             static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        } else {
            curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PUBLICKEY));
            curl_easy_setopt(e, CURLOPT_SSH_PRIVATE_KEYFILE, m_security.identityFile.c_str());
            // libssh2 takes the public half from the private key file.
            curl_easy_setopt(e, CURLOPT_SSH_PUBLIC_KEYFILE, "");
            if (m_password && !m_password->empty()) {
                curl_easy_setopt(e, CURLOPT_KEYPASSWD, m_password->c_str());
            }
        }
        return;
    }
    if (!m_passive) {
        curl_easy_setopt(e, CURLOPT_FTPPORT, "-");
    }
    if (!IsTls()) {
        return;
    }
    // Implicit TLS is the ftps:// address itself; explicit TLS asks for it on a plain connection.
    curl_easy_setopt(e, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    // TLS 1.2 exactly: vsftpd, the FTP server of most Linux hosts, breaks off uploads now and then under
    // TLS 1.3 ("426 Failure reading network stream"), whichever client sends.
    curl_easy_setopt(
        e, CURLOPT_SSLVERSION,
        static_cast<long>(CURL_SSLVERSION_TLSv1_2) | static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
    curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &CCurlFtpClient::SslContextCallback);
    curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, this);
    if (!m_pin.empty()) {
        // The user vouched for this key: it stands in for the authorities and the name check.
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(e, CURLOPT_PINNEDPUBLICKEY, m_pin.c_str());
    }
}

void CCurlFtpClient::Reset() {
    CURL* e = m_easy;
    curl_easy_reset(e);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, m_agent.c_str());
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, m_timeouts.connectSeconds);
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, m_timeouts.responseSeconds);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, m_timeouts.stallSeconds);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CCurlFtpClient::HeaderCallback);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    // Requests without a file body still pass libcurl's own lines ("Content-Length: ...") as data.
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CCurlFtpClient::DiscardCallback);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &CCurlFtpClient::OpenSocketCallback);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &CCurlFtpClient::CloseSocketCallback);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, this);
    // Cancel ends any phase at once, not after a time-out: libcurl asks this between its steps.
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &CCurlFtpClient::ProgressCallback);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    // The remote name goes to the server as given, without changing directories first.
    curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    if (m_access == FtpAccess::Direct) {
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    } else if (m_access == FtpAccess::Proxy) {
        curl_easy_setopt(e, CURLOPT_PROXY, m_proxy.c_str());
        curl_easy_setopt(e, CURLOPT_HTTPPROXYTUNNEL, 1L);
    }
    // Without a user name libcurl logs in anonymously.
    if (m_user) {
        curl_easy_setopt(e, CURLOPT_USERNAME, m_user->c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, m_password ? m_password->c_str() : "");
    }
    m_errorBuffer[0] = '\0';
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_errorBuffer);
    SetProtocolOptions();
}

std::string CCurlFtpClient::UrlFor(const std::string& remoteFile) const {
    std::string url = m_base;
    std::size_t start = 0;
    if (!IsFtp()) {
        // An SFTP path is absolute; one relative to the login folder goes under "~".
        url += remoteFile.rfind('/', 0) == 0 ? "" : "/~/";
    }
    // Each path piece is escaped on its own so that "/" still separates them.
    while (start <= remoteFile.size()) {
        std::size_t slash = remoteFile.find('/', start);
        if (slash == std::string::npos) {
            slash = remoteFile.size();
        }
        const std::string piece = remoteFile.substr(start, slash - start);
        char* escaped = curl_easy_escape(m_easy, piece.c_str(), static_cast<int>(piece.size()));
        if (escaped) {
            url += escaped;
            curl_free(escaped);
        }
        if (slash < remoteFile.size()) {
            url += '/';
        }
        start = slash + 1;
    }
    return url;
}

void CCurlFtpClient::BeginOperation() {
    EndTransfer();
    Reset();
    m_replyCountAtStart = m_replyCount;
    m_lastError = 0;
    m_done = false;
    m_result = CURLE_OK;
    m_started = false;
    m_readPaused = false;
    m_writePaused = false;
    m_endOfData = false;
    m_buffer.clear();
    m_bufferPos = 0;
    m_peerCertificate.clear();
    m_trustRefused = false;
    // libcurl believes the type is still binary after an ASCII transfer; make it so.
    if (m_serverInAscii) {
        curl_slist_free_all(m_quote);
        m_quote = curl_slist_append(nullptr, "TYPE I");
        curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
        m_serverInAscii = false;
    }
}

bool CCurlFtpClient::Failed(CURLcode code) {
    // A refusal by the server is told by its own words.
    if (m_replyCount > m_replyCountAtStart && CodeOf(m_lastReply) >= 400) {
        m_lastError = kFtpErrorExtended;
        return false;
    }
    if (m_trustRefused) {
        m_lastError = kFtpErrorNotTrusted;
        return false;
    }
    switch (code) {
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_REMOTE_DISK_FULL:
        case CURLE_UPLOAD_FAILED:
        case CURLE_QUOTE_ERROR:
            // SFTP has no reply lines; libcurl words the server's status instead.
            if (!IsFtp() && m_errorBuffer[0] != '\0') {
                m_lastReply = m_errorBuffer;
                m_lastError = kFtpErrorExtended;
                return false;
            }
            break;
        default:
            break;
    }
    switch (code) {
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            m_lastError = kFtpErrorNotTrusted;
            return false;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_USE_SSL_FAILED:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
            m_lastError = kFtpErrorSecureChannel;
            return false;
        case CURLE_SSH:
            m_lastError = m_started ? kFtpErrorConnectionAborted : kFtpErrorSecureChannel;
            return false;
        default:
            break;
    }
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            m_lastError = kFtpErrorNameNotResolved;
            break;
        case CURLE_COULDNT_CONNECT:
            m_lastError = kFtpErrorCannotConnect;
            break;
        case CURLE_OPERATION_TIMEDOUT:
            m_lastError = kFtpErrorTimeout;
            break;
        case CURLE_LOGIN_DENIED:
            m_lastError = kFtpErrorLoginFailure;
            break;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
            m_lastError = kFtpErrorConnectionAborted;
            break;
        default:
            m_lastError = kFtpErrorInternal;
            break;
    }
    return false;
}

void CCurlFtpClient::StartTransfer() {
    m_lastDrive = std::chrono::steady_clock::now();
    if (curl_multi_add_handle(m_multi, m_easy) == CURLM_OK) {
        m_inMulti = true;
    } else {
        m_done = true;
        m_result = CURLE_FAILED_INIT;
    }
}

void CCurlFtpClient::Drive(const std::function<bool()>& enough) {
    // With TLS, libcurl (7.88) begins the data connection's handshake before it sends the transfer
    // command, and then waits on the data connection alone while the reply it needs next arrives on the
    // control connection: every transfer would sit out a whole wait. So the control connection is watched
    // too, except while libcurl leaves a reply there unread (watching it would only spin until then).
    bool watchControl = IsFtp();
    bool wokenByControl = false;
    while (!m_done) {
        const unsigned replies = m_replyCount;
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
            m_done = true;
            m_result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(m_multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == m_easy) {
                m_done = true;
                m_result = msg->data.result;
            }
        }
        const bool replyRead = m_replyCount != replies;
        if (replyRead) {
            watchControl = IsFtp();
        } else if (wokenByControl) {
            watchControl = false;
        }
        if (m_done || enough()) {
            break;
        }
        if (Cancelled()) {
            m_done = true;
            m_result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        // After a reply libcurl often has its next step to take at once (the data connection after PASV)
        // with no socket to wait for: it gets that chance without a wait.
        wokenByControl =
            !replyRead && WaitForSockets(m_multi, watchControl ? m_controlSocket : CURL_SOCKET_BAD);
    }
    m_lastDrive = std::chrono::steady_clock::now();
}

void CCurlFtpClient::Resume() {
    if (m_readPaused && (Pending() > 0 || m_endOfData)) {
        m_readPaused = false;
        curl_easy_pause(m_easy, CURLPAUSE_CONT);
    }
    if (m_writePaused && Pending() < kReceiveHigh / 2) {
        m_writePaused = false;
        curl_easy_pause(m_easy, CURLPAUSE_CONT);
    }
}

void CCurlFtpClient::EndTransfer() {
    if (m_inMulti) {
        // Taking a running transfer out abandons it (and with it the connection).
        curl_multi_remove_handle(m_multi, m_easy);
        m_inMulti = false;
    }
}

bool CCurlFtpClient::Perform() {
    StartTransfer();
    Drive([] { return false; });
    EndTransfer();
    return m_result == CURLE_OK || Failed(m_result);
}

bool CCurlFtpClient::Connect(const std::string& server, std::uint16_t port,
                             const std::optional<std::string>& user,
                             const std::optional<std::string>& password, bool passive) {
    if (!m_easy) {
        m_lastError = kFtpErrorInternal;
        return false;
    }
    const bool ipv6 = server.find(':') != std::string::npos && server.front() != '[';
    const std::string scheme = m_security.protocol == FtpProtocol::Sftp             ? "sftp://"
                               : m_security.protocol == FtpProtocol::FtpImplicitTls ? "ftps://"
                                                                                    : "ftp://";
    m_base = scheme + (ipv6 ? "[" + server + "]" : server) + ":" + std::to_string(port);
    if (IsFtp()) {
        m_base += "/";
    }
    m_host = server;
    m_port = port;
    m_user = user;
    m_password = password;
    m_passive = passive;
    m_pin = m_security.pinnedKey;
    m_hostKey.clear();
    m_oneStepRenameOffered = true;
    if (!IsFtp() &&
        (m_security.knownHostsFile.empty() || !PrepareKnownHostsFile(m_security.knownHostsFile))) {
        m_lastError = kFtpErrorInternal;
        return false;
    }
    // A certificate the user trusts when asked is tried once more; a second failure stands.
    for (int attempt = 0;; ++attempt) {
        BeginOperation();
        const std::string url = IsFtp() ? m_base : m_base + "/~/";
        curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
        if (m_status) {
            m_status(FtpStatus::ResolvingName, server);
        }
        m_connecting = true;
        const bool ok = Perform();
        m_connecting = false;
        if (ok) {
            return true;
        }
        if (attempt > 0 || !TrustUnverifiedCertificate()) {
            return false;
        }
    }
}

bool CCurlFtpClient::TrustUnverifiedCertificate() {
    if (!IsTls() || m_peerCertificate.empty() || m_lastError != kFtpErrorNotTrusted) {
        return false;
    }
    CertificateQuestion q;
    q.server = HostAndPort(m_host, m_port);
    q.problem = m_errorBuffer;
    if (!DescribeCertificate(m_peerCertificate, q) || !m_trust) {
        return false;
    }
    if (!m_pin.empty()) {
        // A pinned server showing another key is no question: it is refused like a changed host key, until
        // the user removes the pin.
        q.pinnedKey = m_pin;
        m_trust->CertificateReplaced(q);
        return false;
    }
    if (!m_trust->TrustCertificate(q)) {
        return false;
    }
    m_pin = q.pin;
    return true;
}

std::string CCurlFtpClient::KnownHostName() const {
    return yarvelin::KnownHostName(m_host, m_port);
}

std::optional<std::uint64_t> CCurlFtpClient::FindFile(const std::string& remoteFile) {
    if (!m_easy || m_base.empty()) {
        return std::nullopt;
    }
    BeginOperation();
    const std::string url = UrlFor(remoteFile);
    curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    // Many servers refuse SIZE in ASCII type; the size in bytes is the same either way.
    curl_easy_setopt(m_easy, CURLOPT_TRANSFERTEXT, 0L);
    if (!Perform()) {
        return std::nullopt;
    }
    curl_off_t length = -1;
    if (curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(length);
}

bool CCurlFtpClient::Command(const std::string& command) {
    if (!m_easy || m_base.empty()) {
        m_lastError = kFtpErrorInternal;
        return false;
    }
    BeginOperation();
    // The command goes in binary type (a resume needs it); the leading "*" keeps a refusal from ending the
    // request, so the caller reads the server's answer itself.
    curl_slist_free_all(m_quote);
    m_quote = curl_slist_append(nullptr, "TYPE I");
    m_quote = curl_slist_append(m_quote, ("*" + command).c_str());
    curl_easy_setopt(m_easy, CURLOPT_URL, m_base.c_str());
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
    const unsigned before = m_replyCount;
    if (!Perform() || m_replyCount == before) {
        if (m_lastError == 0) {
            m_lastError = kFtpErrorConnectionAborted;
        }
        return false;
    }
    m_restOffset = 0;
    if (command.rfind("REST ", 0) == 0 && CodeOf(m_lastReply) == 350) {
        m_restOffset = std::strtoull(command.c_str() + 5, nullptr, 10);
    }
    return true;
}

bool CCurlFtpClient::FileCommands(const std::vector<std::string>& commands) {
    if (!m_easy || m_base.empty()) {
        m_lastError = kFtpErrorInternal;
        return false;
    }
    // The type an ASCII transfer left behind is put right first, as every other request does.
    const bool restoreType = m_serverInAscii;
    BeginOperation();
    curl_slist_free_all(m_quote);
    m_quote = restoreType ? curl_slist_append(nullptr, "TYPE I") : nullptr;
    for (const std::string& command : commands) {
        m_quote = curl_slist_append(m_quote, command.c_str());
    }
    const std::string url = IsFtp() ? m_base : m_base + "/~/";
    curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
    return Perform();
}

std::string CCurlFtpClient::SftpQuotePath(const std::string& remoteFile) {
    std::string quoted = "\"";
    for (char c : SftpRequestPath(remoteFile)) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::optional<bool> CCurlFtpClient::RenameInOneStep(const std::string& from, const std::string& to) {
    // A proxy stands between libcurl and the server: a connection of our own would not reach it the same way.
    if (!m_oneStepRenameOffered || m_hostKey.empty() || m_access == FtpAccess::Proxy || !m_user) {
        return std::nullopt;
    }
    SideLogin login;
    login.host = m_host;
    login.port = m_port;
    login.user = *m_user;
    login.password = m_password.value_or("");
    login.identityFile = m_security.identityFile;
    login.hostKey = m_hostKey;
    login.hostKeyType = m_hostKeyType;
    const bool cancelled = m_cancel != nullptr && m_cancel->load();
    login.timeoutMs = cancelled ? static_cast<long>(std::max<std::uint64_t>(m_cancelGraceMs, 1))
                                : std::max(m_timeouts.connectSeconds, m_timeouts.responseSeconds) * 1000;
    CSftpSideChannel side;
    if (!side.Open(login)) {
        return std::nullopt;
    }
    if (!side.Offers(kPosixRename)) {
        m_oneStepRenameOffered = false;
        return std::nullopt;
    }
    std::uint32_t status = 0;
    std::string message;
    if (!side.Extended(kPosixRename, {SftpRequestPath(from), SftpRequestPath(to)}, status, message)) {
        // Whether the server renamed is unknown: nothing else may be tried on the target.
        m_lastError = kFtpErrorConnectionAborted;
        return false;
    }
    if (status != 0) {
        m_lastReply =
            "Rename refused: " + (message.empty() ? "SFTP status " + std::to_string(status) : message);
        m_lastError = kFtpErrorExtended;
        return false;
    }
    return true;
}

bool CCurlFtpClient::RenameFile(const std::string& from, const std::string& to) {
    m_renameInOneStep = false;
    if (IsFtp()) {
        return FileCommands({"RNFR " + from, "RNTO " + to});
    }
    if (const std::optional<bool> renamed = RenameInOneStep(from, to)) {
        m_renameInOneStep = true;
        return *renamed;
    }
    return FileCommands({"rename " + SftpQuotePath(from) + " " + SftpQuotePath(to)});
}

bool CCurlFtpClient::DeleteFile(const std::string& remoteFile) {
    if (IsFtp()) {
        return FileCommands({"DELE " + remoteFile});
    }
    return FileCommands({"rm " + SftpQuotePath(remoteFile)});
}

bool CCurlFtpClient::OpenFile(const std::string& remoteFile, bool write, bool binary) {
    if (!m_easy || m_base.empty()) {
        m_lastError = kFtpErrorInternal;
        return false;
    }
    BeginOperation();
    const std::string url = UrlFor(remoteFile);
    curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str());
    // libcurl's own ASCII mode rewrites line ends (every LF gets a CR, so a CR LF feed would arrive with
    // CR CR LF). The file is sent as it is: libcurl moves bytes, and the server is told TYPE A just before
    // the transfer command.
    curl_easy_setopt(m_easy, CURLOPT_TRANSFERTEXT, 0L);
    if (!binary && IsFtp()) {
        curl_slist_free_all(m_prequote);
        m_prequote = curl_slist_append(nullptr, "TYPE A");
        curl_easy_setopt(m_easy, CURLOPT_PREQUOTE, m_prequote);
        m_serverInAscii = true;
    }
    if (write) {
        curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, &CCurlFtpClient::ReadCallback);
        curl_easy_setopt(m_easy, CURLOPT_READDATA, this);
        curl_easy_setopt(m_easy, CURLOPT_SEEKFUNCTION, &CCurlFtpClient::SeekCallback);
        curl_easy_setopt(m_easy, CURLOPT_SEEKDATA, this);
    } else {
        curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CCurlFtpClient::WriteCallback);
        curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    }
    const std::uint64_t restOffset = m_restOffset;
    if (m_restOffset != 0) {
        curl_easy_setopt(m_easy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(m_restOffset));
        m_restOffset = 0;
    }
    StartTransfer();
    // A download is open once the server has started the data transfer (or already finished it); an upload
    // once the data connection stands and libcurl asks for the first bytes, so that a data connection that
    // cannot be made shows here and not half way through the file.
    if (write) {
        Drive([this] { return m_readPaused; });
    } else {
        Drive([this] { return m_started; });
    }
    // A download the server started and then broke off within the same poll is open all the same: the data
    // that did arrive is read first, and the break shows as a failed read, as it would a moment later.
    const bool downloadStarted = !write && m_started;
    if (m_done && m_result != CURLE_OK && !downloadStarted) {
        EndTransfer();
        const bool activeFailed = m_result == CURLE_FTP_PORT_FAILED || m_result == CURLE_FTP_ACCEPT_FAILED ||
                                  m_result == CURLE_FTP_ACCEPT_TIMEOUT || CodeOf(m_lastReply) == 425;
        if (IsFtp() && !m_passive && activeFailed) {
            // Routers and firewalls often block the server's way back to us: passive mode has no such need.
            m_passive = true;
            m_restOffset = restOffset;
            if (m_status) {
                m_status(FtpStatus::RetryingPassive, {});
            }
            return OpenFile(remoteFile, write, binary);
        }
        return Failed(m_result);
    }
    return true;
}

bool CCurlFtpClient::ReadFile(char* buffer, std::size_t size, std::size_t& read) {
    read = 0;
    if (!m_inMulti) {
        m_lastError = kFtpErrorInternal;
        return false;
    }
    if (Pending() == 0 && !m_done) {
        Resume();
        Drive([this] { return Pending() > 0; });
    }
    if (Pending() > 0) {
        read = std::min(size, Pending());
        std::memcpy(buffer, m_buffer.data() + m_bufferPos, read);
        Consume(read);
        Resume();
        return true;
    }
    return m_result == CURLE_OK || Failed(m_result);
}

bool CCurlFtpClient::WriteFile(const char* buffer, std::size_t size, std::size_t& written) {
    written = 0;
    if (!m_inMulti) {
        m_lastError = kFtpErrorInternal;
        return false;
    }
    if (m_done) {
        // The server ended the transfer before the file was complete.
        return Failed(m_result == CURLE_OK ? CURLE_SEND_ERROR : m_result);
    }
    m_buffer.append(buffer, size);
    written = size;
    const bool due = std::chrono::steady_clock::now() - m_lastDrive >= kDriveInterval;
    const std::size_t batch = IsFtp() ? kSendBatch : kSftpSendBatch;
    const std::size_t high = IsFtp() ? kSendHigh : kSftpSendHigh;
    if (Pending() >= high) {
        Resume();
        Drive([this, batch] { return Pending() < batch; });
    } else if (Pending() >= batch || due) {
        Resume();
        Drive([] { return true; });
    }
    if (m_done && m_result != CURLE_OK) {
        return Failed(m_result);
    }
    return true;
}

bool CCurlFtpClient::FinishFile() {
    if (!m_inMulti) {
        m_lastError = kFtpErrorInternal;
        return false;
    }
    m_endOfData = true;
    Resume();
    Drive([] { return false; });
    EndTransfer();
    if (m_result != CURLE_OK) {
        return Failed(m_result);
    }
    return true;
}

void CCurlFtpClient::CloseFile() {
    EndTransfer();
    m_buffer.clear();
    m_bufferPos = 0;
}

void CCurlFtpClient::Close() {
    EndTransfer();
    if (m_multi) {
        curl_multi_cleanup(m_multi);
        m_multi = nullptr;
    }
    if (m_easy) {
        curl_easy_cleanup(m_easy);
        m_easy = nullptr;
    }
    curl_slist_free_all(m_quote);
    m_quote = nullptr;
    curl_slist_free_all(m_prequote);
    m_prequote = nullptr;
    m_serverInAscii = false;
    m_base.clear();
}

void CCurlFtpClient::Consume(std::size_t n) {
    m_bufferPos += n;
    if (m_bufferPos == m_buffer.size()) {
        m_buffer.clear();
        m_bufferPos = 0;
    } else if (m_bufferPos > kSendBatch && m_bufferPos > m_buffer.size() / 2) {
        m_buffer.erase(0, m_bufferPos);
        m_bufferPos = 0;
    }
}

void CCurlFtpClient::OnReplyLine(const std::string& line) {
    // Only the server's replies count; libcurl also passes lines of its own ("Content-Length: ...").
    if (!m_inMultiLineReply) {
        if (!IsReplyStart(line)) {
            return;
        }
        m_reply = line;
        m_inMultiLineReply = line[3] == '-';
    } else {
        m_reply += line;
        if (IsReplyStart(line) && line[3] == ' ' && line.compare(0, 3, m_reply, 0, 3) == 0) {
            m_inMultiLineReply = false;
        }
    }
    if (m_inMultiLineReply) {
        return;
    }
    m_lastReply = m_reply;
    ++m_replyCount;
    const int code = CodeOf(m_lastReply);
    if (code == 125 || code == 150) {
        m_started = true;
    }
    if (m_connecting && m_status && !m_connectedTo.empty()) {
        m_status(FtpStatus::ConnectedToServer, m_connectedTo);
        m_connectedTo.clear();
    }
}

size_t CCurlFtpClient::HeaderCallback(char* data, size_t size, size_t count, void* self) {
    static_cast<CCurlFtpClient*>(self)->OnReplyLine(std::string(data, size * count));
    return size * count;
}

size_t CCurlFtpClient::DiscardCallback(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t CCurlFtpClient::ReadCallback(char* data, size_t size, size_t count, void* self) {
    auto* c = static_cast<CCurlFtpClient*>(self);
    const std::size_t n = std::min(size * count, c->Pending());
    c->m_started = true;
    if (n > 0) {
        std::memcpy(data, c->m_buffer.data() + c->m_bufferPos, n);
        c->Consume(n);
        return n;
    }
    if (c->m_endOfData) {
        return 0;
    }
    c->m_readPaused = true;
    return CURL_READFUNC_PAUSE;
}

size_t CCurlFtpClient::WriteCallback(char* data, size_t size, size_t count, void* self) {
    auto* c = static_cast<CCurlFtpClient*>(self);
    c->m_started = true;
    if (c->Pending() >= kReceiveHigh) {
        c->m_writePaused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    c->m_buffer.append(data, size * count);
    return size * count;
}

curl_socket_t CCurlFtpClient::OpenSocketCallback(void* self, curlsocktype purpose,
                                                 struct curl_sockaddr* address) {
    auto* c = static_cast<CCurlFtpClient*>(self);
    if (c->m_connecting && purpose == CURLSOCKTYPE_IPCXN && c->m_status) {
        const std::string text = AddressText(&address->addr);
        c->m_status(FtpStatus::NameResolved, text);
        c->m_status(FtpStatus::ConnectingToServer, text);
        c->m_connectedTo = text;
    }
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    // The control connection goes to the server's port; data connections go to others.
    if (purpose == CURLSOCKTYPE_IPCXN && socket != CURL_SOCKET_BAD && PortOf(&address->addr) == c->m_port) {
        c->m_controlSocket = socket;
    }
    return socket;
}

int CCurlFtpClient::CloseSocketCallback(void* self, curl_socket_t socket) {
    auto* c = static_cast<CCurlFtpClient*>(self);
    if (socket == c->m_controlSocket) {
        c->m_controlSocket = CURL_SOCKET_BAD;
    }
    return ::close(socket);
}

int CCurlFtpClient::ProgressCallback(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CCurlFtpClient*>(self)->Cancelled() ? 1 : 0;
}

CURLcode CCurlFtpClient::SslContextCallback(CURL*, void* sslContext, void* self) {
    auto* c = static_cast<CCurlFtpClient*>(self);
    SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(sslContext), &KeepAndVerifyCertificate,
                                     &c->m_peerCertificate);
    return CURLE_OK;
}

int CCurlFtpClient::HostKeyCallback(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch,
                                    void* self) {
    auto* c = static_cast<CCurlFtpClient*>(self);
    // libcurl looks the key up under "[host]:port" and then the bare host, and keeps a new key under the bare
    // host whatever the port, so two servers on one host would stand for each other. The file is read and
    // written here instead, the way OpenSSH does.
    std::string blob;
    if (found->len == 0) {
        Base64Decode(found->key, blob);
    } else {
        blob.assign(found->key, found->len);
    }
    const std::string& file = c->m_security.knownHostsFile;
    const KnownHostLookup lookup =
        LookUpKnownHost(ReadKnownHosts(file), c->m_host, c->m_port, blob, &HashedHostNames);
    if (lookup.match == KnownHostMatch::Known) {
        c->m_hostKey = blob;
        c->m_hostKeyType = found->keytype;
        return CURLKHSTAT_FINE;
    }
    HostKeyQuestion q;
    q.host = c->KnownHostName();
    q.keyType = KeyTypeName(found->keytype);
    q.fingerprint = OpenSshFingerprint(Sha256(blob));
    q.knownHostsFile = file;
    if (lookup.match == KnownHostMatch::Changed) {
        // Never connect to a server whose key changed: only removing the old key by hand lets it in.
        q.oldFingerprint = OpenSshFingerprint(Sha256(lookup.knownKey));
        c->m_trustRefused = true;
        if (c->m_trust) {
            c->m_trust->HostKeyChanged(q);
        }
        return CURLKHSTAT_REJECT;
    }
    if (c->m_trust && c->m_trust->TrustNewHostKey(q)) {
        AppendKnownHost(file, KnownHostsLine(c->m_host, c->m_port, blob));
        c->m_hostKey = blob;
        c->m_hostKeyType = found->keytype;
        return CURLKHSTAT_FINE;
    }
    c->m_trustRefused = true;
    return CURLKHSTAT_REJECT;
}

int CCurlFtpClient::SeekCallback(void*, curl_off_t, int) {
    // A resumed upload is already positioned by the caller; nothing to skip here.
    return CURL_SEEKFUNC_OK;
}

}  // namespace yarvelin
