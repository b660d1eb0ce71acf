// The questions a secure session asks before it trusts a server it cannot vouch for, and the interface that
// answers them. The client asks from the transfer's own thread and waits for the answer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "upload/server_address.h"

namespace yarvelin {

// What the session needs beyond host and port for the secure protocols.
struct FtpSecurity {
    FtpProtocol protocol = FtpProtocol::Ftp;
    std::string knownHostsFile;  // SFTP: the host keys the user accepted, OpenSSH's format
    std::string identityFile;    // SFTP: sign in with this private key; the password then unlocks it
    std::string pinnedKey;       // TLS: "sha256//<base64>" of a public key the user accepted for this server
};

struct HostKeyQuestion {
    std::string host;            // "host", or "[host]:port" off port 22, as the known-hosts file writes it
    std::string keyType;         // "ED25519", "RSA", "ECDSA"
    std::string fingerprint;     // "SHA256:<base64>", as OpenSSH prints it
    std::string oldFingerprint;  // a changed key: the one on record
    std::string knownHostsFile;
};

struct CertificateQuestion {
    std::string server;  // "host:port"
    std::string problem;
    std::string subject;
    std::string issuer;
    std::string validFrom;
    std::string validUntil;
    std::string fingerprint;  // SHA256 of the certificate, "AB:CD:..."
    std::string pin;          // "sha256//<base64>" of its public key
    std::string pinnedKey;    // a replaced certificate: the pin on record, which it no longer matches
};

class FtpTrust {
  public:
    virtual ~FtpTrust() = default;
    // An SFTP host whose key is not on record: true stores the key and connects.
    virtual bool TrustNewHostKey(const HostKeyQuestion& question) = 0;
    // An SFTP host whose key differs from the one on record; the connection is refused whatever happens.
    virtual void HostKeyChanged(const HostKeyQuestion& question) = 0;
    // A TLS certificate that did not verify, on a server with no pin: true pins it.
    virtual bool TrustCertificate(const CertificateQuestion& question) = 0;
    // A TLS server whose certificate no longer has the pinned public key; the connection is refused whatever
    // happens, as for a changed host key.
    virtual void CertificateReplaced(const CertificateQuestion& question) = 0;
};

// How a known-hosts file names a server, as OpenSSH writes it: the bare host on port 22, "[host]:port"
// elsewhere.
std::string KnownHostName(const std::string& host, std::uint16_t port);

enum class KnownHostMatch { Known, Unknown, Changed };
struct KnownHostLookup {
    KnownHostMatch match = KnownHostMatch::Unknown;
    std::string knownKey;  // Changed: the key on record (the key blob)
};
// Whether a hashed host field ("|1|salt|hash") names the host; the digest is the caller's.
using HashedHostMatcher = std::function<bool(const std::string& field, const std::string& name)>;
// Looks a server's key (the SSH key blob) up in the text of a known-hosts file. Only keys of the same type
// count; a key on record for the name that differs is a change.
KnownHostLookup LookUpKnownHost(const std::string& knownHosts, const std::string& host, std::uint16_t port,
                                const std::string& keyBlob, const HashedHostMatcher& hashed);
// The line that records a key, ending in a line feed.
std::string KnownHostsLine(const std::string& host, std::uint16_t port, const std::string& keyBlob);
// The type named at the start of an SSH key blob ("ssh-ed25519"); empty when it is no key blob.
std::string SshKeyBlobType(const std::string& blob);
// The key type of a private key file's text, OpenSSH's format or PEM RSA ("ssh-rsa", "ssh-ed25519",
// "ecdsa-sha2-nistp256"); empty when the file does not tell.
std::string SshPrivateKeyType(const std::string& keyFile);

// "SHA256:" and the unpadded base64 of a SHA-256 digest, as OpenSSH prints a key's fingerprint.
std::string OpenSshFingerprint(const std::string& sha256);
// "AB:CD:..." of a digest.
std::string ColonHex(const std::string& digest);
std::string Base64Encode(const std::string& bytes, bool pad = true);
// Nothing when the text is not base64.
bool Base64Decode(const std::string& text, std::string& bytes);
// A pin as the user passes it, with or without "sha256//", as libcurl takes it; empty when it is not one.
std::string NormalisedPin(const std::string& text);

std::string HostKeyQuestionText(const HostKeyQuestion& q);
std::string HostKeyChangedText(const HostKeyQuestion& q);
std::string CertificateQuestionText(const CertificateQuestion& q);
// forgetPin: how the user removes the pin, in the words of the program that shows the warning.
std::string CertificateReplacedText(const CertificateQuestion& q, const std::string& forgetPin);
// The sign-in with an RSA key failed: what most likely happened.
std::string RsaKeyRefusedHint();

}  // namespace yarvelin
