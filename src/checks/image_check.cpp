#include "checks/image_check.h"

#include <webp/decode.h>
#include <algorithm>
#include <cstdint>

#include "checks/feed_diagnostics.h"
#include "checks/stb_image_info.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

constexpr int kImageColumn = 4;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

unsigned ReadTiff(std::string_view b, std::size_t at, int bytes, bool little) {
    unsigned v = 0;
    for (int i = 0; i < bytes; ++i) {
        const auto byte =
            static_cast<unsigned char>(b[at + static_cast<std::size_t>(little ? i : bytes - 1 - i)]);
        v |= static_cast<unsigned>(byte) << (8 * i);
    }
    return v;
}

// Width and height from the first directory of a TIFF file, when it lies within the bytes.
void ProbeTiff(std::string_view b, ImageProbe& probe) {
    const bool little = b[0] == 'I';
    const std::size_t dir = ReadTiff(b, 4, 4, little);
    if (dir + 2 > b.size()) {
        return;
    }
    const unsigned entries = ReadTiff(b, dir, 2, little);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t e = dir + 2 + 12 * static_cast<std::size_t>(i);
        if (e + 12 > b.size()) {
            return;
        }
        const unsigned tag = ReadTiff(b, e, 2, little);
        const unsigned type = ReadTiff(b, e + 2, 2, little);
        const unsigned value = type == 3 ? ReadTiff(b, e + 8, 2, little) : ReadTiff(b, e + 8, 4, little);
        if (tag == 256) {
            probe.width = static_cast<int>(value);
        } else if (tag == 257) {
            probe.height = static_cast<int>(value);
        }
    }
}

// Picture types the service does not take, by their own signatures.
const char* RefusedImageType(std::string_view b) {
    if (StartsWith(b, "8BPS")) {
        return "Photoshop (PSD)";
    }
    if (StartsWith(b, std::string_view("\0\0\1\0", 4))) {
        return "icon (ICO)";
    }
    if (b.size() >= 12 && b.substr(4, 4) == "ftyp") {
        const std::string_view brand = b.substr(8, 4);
        if (brand == "avif" || brand == "avis") {
            return "AVIF";
        }
        if (brand == "heic" || brand == "heix" || brand == "mif1" || brand == "msf1") {
            return "HEIF";
        }
    }
    if (StartsWith(b, "\xFF\x0A") || StartsWith(b, std::string_view("\0\0\0\x0CJXL ", 8))) {
        return "JPEG XL";
    }
    // An SVG is text: an XML declaration or comments may come first.
    const std::string head = ToLowerAscii(b.substr(0, 1024));
    if (head.find("<svg") != std::string::npos) {
        return "SVG";
    }
    return nullptr;
}

bool LooksLikeHtml(const HttpSession::Response& response) {
    if (ToLowerAscii(response.contentType).find("html") != std::string::npos) {
        return true;
    }
    const std::string head = ToLowerAscii(TrimmedView(std::string_view(response.body).substr(0, 512)));
    return StartsWith(head, "<!doctype html") || StartsWith(head, "<html");
}

UrlFinding Finding(DiagnosticCode code, std::string message) {
    return {static_cast<int>(code), kImageColumn, std::move(message)};
}

}  // namespace

ImageProbe ProbeImage(std::string_view b) {
    ImageProbe probe;
    if (StartsWith(b, "\xFF\xD8\xFF")) {
        probe.format = ImageFormat::kJpeg;
        probe.typeName = "JPEG";
    } else if (StartsWith(b, "\x89PNG\r\n\x1A\n")) {
        probe.format = ImageFormat::kPng;
        probe.typeName = "PNG";
    } else if (StartsWith(b, "GIF87a") || StartsWith(b, "GIF89a")) {
        probe.format = ImageFormat::kGif;
        probe.typeName = "GIF";
    } else if (StartsWith(b, "BM") && b.size() >= 26) {
        probe.format = ImageFormat::kBmp;
        probe.typeName = "BMP";
    } else if (b.size() >= 12 && StartsWith(b, "RIFF") && b.substr(8, 4) == "WEBP") {
        probe.format = ImageFormat::kWebp;
        probe.typeName = "WebP";
        int w = 0;
        int h = 0;
        if (WebPGetInfo(reinterpret_cast<const std::uint8_t*>(b.data()), b.size(), &w, &h)) {
            probe.width = w;
            probe.height = h;
        }
        return probe;
    } else if (b.size() >= 8 &&
               (StartsWith(b, std::string_view("II*\0", 4)) || StartsWith(b, std::string_view("MM\0*", 4)))) {
        probe.format = ImageFormat::kTiff;
        probe.typeName = "TIFF";
        ProbeTiff(b, probe);
        return probe;
    } else if (const char* refused = RefusedImageType(b)) {
        probe.format = ImageFormat::kRefused;
        probe.typeName = refused;
        return probe;
    } else {
        return probe;
    }
    int w = 0;
    int h = 0;
    if (StbImageInfo(b, w, h)) {
        probe.width = w;
        probe.height = h;
    } else if (probe.format == ImageFormat::kBmp) {
        // "BM" alone is too short a signature: a text may start so.
        return ImageProbe{};
    }
    return probe;
}

bool IsApparelCategory(std::string_view category) {
    const std::string_view trimmed = TrimmedView(category);
    return EqualsNoCase(trimmed.substr(0, 7), "Apparel");
}

std::vector<UrlFinding> ImageFindings(const HttpSession::Response& response, bool apparel) {
    std::vector<UrlFinding> findings;
    if (response.failed || !response.status || *response.status < 200 || *response.status > 299) {
        return findings;
    }
    const ImageProbe probe = ProbeImage(response.body);
    if (probe.format == ImageFormat::kNone) {
        if (response.redirects > 0 && LooksLikeHtml(response)) {
            findings.push_back(Finding(DiagnosticCode::kImageRedirectsToPage,
                                       "The image_url is redirected to a web page, not to a picture."));
        } else if (response.body.empty()) {
            findings.push_back(
                Finding(DiagnosticCode::kImageNotImage, "The image_url answers with an empty file."));
        } else {
            const std::string what =
                response.contentType.empty()
                    ? std::string("data of no known picture type")
                    : "data of no known picture type (sent as " + response.contentType + ")";
            findings.push_back(
                Finding(DiagnosticCode::kImageNotImage, "The image_url answers with " + what + "."));
        }
        return findings;
    }
    if (probe.format == ImageFormat::kRefused) {
        findings.push_back(
            Finding(DiagnosticCode::kImageTypeRefused,
                    Format("The image_url is a %s picture; the service takes JPEG, PNG, GIF, WebP, "
                           "BMP and TIFF.",
                           probe.typeName)));
        return findings;
    }
    const int minSide = apparel ? kMinApparelImageSide : kMinImageSide;
    if (probe.width > 0 && probe.height > 0) {
        if (probe.width < minSide || probe.height < minSide) {
            findings.push_back(Finding(
                DiagnosticCode::kImageTooSmall,
                Format("The %s picture is %dx%d pixels; the service needs at least %dx%d%s.", probe.typeName,
                       probe.width, probe.height, minSide, minSide, apparel ? " for apparel" : "")));
        }
        const long long pixels = static_cast<long long>(probe.width) * probe.height;
        if (pixels > kMaxImagePixels) {
            findings.push_back(
                Finding(DiagnosticCode::kImageTooLarge,
                        Format("The %s picture is %dx%d pixels, over the 64 megapixels the service "
                               "takes.",
                               probe.typeName, probe.width, probe.height)));
        }
    }
    if (response.fullLength && *response.fullLength > kMaxImageBytes) {
        findings.push_back(
            Finding(DiagnosticCode::kImageTooLarge,
                    Format("The picture file has %lld bytes, over the 16 MiB the service takes.",
                           *response.fullLength)));
    }
    return findings;
}

}  // namespace yarvelin
