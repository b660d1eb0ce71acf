#include "upload/ftp_trust.h"

#include <cstdio>

namespace yarvelin {

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

}  // namespace

std::string Base64Encode(const std::string& bytes, bool pad) {
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kBase64[v >> 18 & 63];
        out += kBase64[v >> 12 & 63];
        out += kBase64[v >> 6 & 63];
        out += kBase64[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += kBase64[v >> 18 & 63];
        out += kBase64[v >> 12 & 63];
        if (rest == 2) {
            out += kBase64[v >> 6 & 63];
        }
        if (pad) {
            out.append(3 - rest, '=');
        }
    }
    return out;
}

bool Base64Decode(const std::string& text, std::string& bytes) {
    bytes.clear();
    unsigned buffer = 0;
    int bits = 0;
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == '=') {
        --end;
    }
    if (text.size() - end > 2) {
        return false;
    }
    for (std::size_t i = 0; i < end; ++i) {
        const int v = Base64Value(text[i]);
        if (v < 0) {
            return false;
        }
        buffer = (buffer << 6 | static_cast<unsigned>(v)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>(buffer >> bits & 0xFF);
        }
    }
    // A lone sixth of a byte cannot end valid base64.
    return bits < 6;
}

std::string OpenSshFingerprint(const std::string& sha256) {
    return "SHA256:" + Base64Encode(sha256, false);
}

std::string ColonHex(const std::string& digest) {
    std::string out;
    for (unsigned char c : digest) {
        char part[4];
        std::snprintf(part, sizeof part, out.empty() ? "%02X" : ":%02X", c);
        out += part;
    }
    return out;
}

std::string NormalisedPin(const std::string& text) {
    std::string value = text;
    if (value.rfind("sha256//", 0) == 0) {
        value = value.substr(8);
    }
    std::string digest;
    if (!Base64Decode(value, digest) || digest.size() != 32) {
        return {};
    }
    return "sha256//" + Base64Encode(digest);
}

std::string HostKeyQuestionText(const HostKeyQuestion& q) {
    return "The server " + q.host +
           " is not known yet, so this program cannot tell whether it is the server you mean.\n\n"
           "Its " +
           q.keyType + " host key fingerprint is\n" + q.fingerprint +
           "\n\nCompare it with the fingerprint your provider gives. Do you trust this server and want to "
           "connect?\nYes keeps the key in " +
           q.knownHostsFile + " and connects.";
}

std::string HostKeyChangedText(const HostKeyQuestion& q) {
    return "WARNING: the host key of the server " + q.host +
           " has changed.\n\nThe key on record: " + q.oldFingerprint + "\nThe " + q.keyType +
           " key the server shows now: " + q.fingerprint +
           "\n\nSomeone could be intercepting the connection, or the server's key was replaced. The "
           "connection "
           "was refused and nothing was sent.\nIf your provider confirms the new key, remove the line for " +
           q.host + " from\n" + q.knownHostsFile + "\nand upload again.";
}

std::string CertificateQuestionText(const CertificateQuestion& q) {
    return "The certificate of the server " + q.server + " could not be verified" +
           (q.problem.empty() ? std::string() : ": " + q.problem) + "\n\nSubject: " + q.subject +
           "\nIssuer: " + q.issuer + "\nValid from: " + q.validFrom + "\nValid until: " + q.validUntil +
           "\nSHA256 fingerprint: " + q.fingerprint +
           "\n\nDo you trust this certificate for this server? Yes remembers it; you are asked again if the "
           "server shows a different one.";
}

}  // namespace yarvelin
