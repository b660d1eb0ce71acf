// The questions a secure session asks before it trusts a server it cannot vouch for, and the interface that
// answers them. The client asks from the transfer's own thread and waits for the answer.
#pragma once

#include <cstdint>
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
};

class FtpTrust {
  public:
    virtual ~FtpTrust() = default;
    // An SFTP host whose key is not on record: true stores the key and connects.
    virtual bool TrustNewHostKey(const HostKeyQuestion& question) = 0;
    // An SFTP host whose key differs from the one on record; the connection is refused whatever happens.
    virtual void HostKeyChanged(const HostKeyQuestion& question) = 0;
    // A TLS certificate that did not verify (or no longer matches the pinned key): true pins it.
    virtual bool TrustCertificate(const CertificateQuestion& question) = 0;
};

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

}  // namespace yarvelin
