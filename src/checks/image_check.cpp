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

unsigned ReadBigEndian(std::string_view b, std::size_t at, int bytes) {
    unsigned v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    }
    return v;
}

// Width and height from a TIFF directory (the bytes from its start on); false when the bytes end inside it.
bool ReadTiffDirectory(std::string_view dir, bool little, ImageProbe& probe) {
    if (dir.size() < 2) {
        return false;
    }
    const unsigned entries = ReadTiff(dir, 0, 2, little);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t e = 2 + 12 * static_cast<std::size_t>(i);
        if (e + 12 > dir.size()) {
            return false;
        }
        const unsigned tag = ReadTiff(dir, e, 2, little);
        const unsigned type = ReadTiff(dir, e + 2, 2, little);
        const unsigned value = type == 3 ? ReadTiff(dir, e + 8, 2, little) : ReadTiff(dir, e + 8, 4, little);
        if (tag == 256) {
            probe.width = static_cast<int>(value);
        } else if (tag == 257) {
            probe.height = static_cast<int>(value);
        }
    }
    return true;
}

// Width and height from the first directory of a TIFF file. Writers that stream the image data put the
// directory after it: then the probe asks for the directory's bytes.
void ProbeTiff(std::string_view b, ImageProbe& probe) {
    const bool little = b[0] == 'I';
    const std::size_t dir = ReadTiff(b, 4, 4, little);
    if (dir < 8) {
        return;
    }
    if (dir < b.size() && ReadTiffDirectory(b.substr(dir), little, probe)) {
        return;
    }
    probe.width = probe.height = 0;
    if (dir < static_cast<std::size_t>(kMaxImageBytes)) {
        probe.more = {dir, kTiffDirectoryBytes};
    }
}

// Walks a JPEG's segments from file offset pos to its frame header, in bytes b that start at file offset
// base. Each segment states its length, so the walk knows where the next one starts even when its bytes
// are not at hand: then, if asked to, the probe asks for the bytes from there up to kJpegHeaderLimit.
void WalkJpeg(std::string_view b, std::size_t base, std::size_t pos, bool askMore, ImageProbe& probe) {
    const auto askFrom = [&](std::size_t at) {
        if (askMore && at < kJpegHeaderLimit) {
            probe.more = {at, kJpegHeaderLimit - at};
        }
    };
    while (pos >= base) {
        const std::size_t i = pos - base;
        if (i + 4 > b.size()) {
            askFrom(pos);
            return;
        }
        if (static_cast<unsigned char>(b[i]) != 0xFF) {
            return;  // no marker where one belongs: a broken file
        }
        const unsigned marker = static_cast<unsigned char>(b[i + 1]);
        if (marker == 0xFF) {
            ++pos;  // a fill byte
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;  // markers without a length
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) {
            return;  // image data or the end before any frame header
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (i + 9 > b.size()) {
                askFrom(pos);
                return;
            }
            probe.height = static_cast<int>(ReadBigEndian(b, i + 5, 2));
            probe.width = static_cast<int>(ReadBigEndian(b, i + 7, 2));
            return;
        }
        pos += 2 + ReadBigEndian(b, i + 2, 2);
    }
}

// A PNG's size from its IHDR chunk, which must come first. stb refuses sides over its own limit (2^24),
// which the service's limits judge better.
void ProbePngHeader(std::string_view b, ImageProbe& probe) {
    if (b.size() < 24 || b.substr(12, 4) != "IHDR") {
        return;
    }
    const unsigned w = ReadBigEndian(b, 16, 4);
    const unsigned h = ReadBigEndian(b, 20, 4);
    if (w <= 0x7FFFFFFFu && h <= 0x7FFFFFFFu) {
        probe.width = static_cast<int>(w);
        probe.height = static_cast<int>(h);
    }
}

std::size_t SkipPast(std::string_view text, std::size_t from, std::string_view end) {
    const std::size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

// Is the text an SVG document: is <svg> its root element, after an XML declaration, comments, a doctype
// and white space? A web page with an inline <svg> (an icon, a logo) is a page, not a picture.
bool IsSvgDocument(std::string_view b) {
    std::size_t i = b.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    for (;;) {
        while (i < b.size() && IsTrimSpace(b[i])) {
            ++i;
        }
        if (b.compare(i, 2, "<?") == 0) {
            i = SkipPast(b, i, "?>");
        } else if (b.compare(i, 4, "<!--") == 0) {
            i = SkipPast(b, i + 4, "-->");
        } else if (b.compare(i, 2, "<!") == 0) {
            // A doctype, with its internal subset in brackets if it has one.
            const std::size_t bracket = b.find('[', i);
            const std::size_t close = b.find('>', i);
            i = bracket < close ? SkipPast(b, bracket, "]>") : SkipPast(b, i, ">");
        } else {
            break;
        }
    }
    return EqualsNoCase(b.substr(i, 4), "<svg") || b.compare(i, 8, "<svg:svg") == 0;
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
    if (IsSvgDocument(b)) {
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

bool Succeeded(const HttpSession::Response& response) {
    return !response.failed && response.status && *response.status >= 200 && *response.status <= 299;
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
    } else if (probe.format == ImageFormat::kJpeg) {
        WalkJpeg(b, 0, 2, true, probe);
    } else if (probe.format == ImageFormat::kPng) {
        ProbePngHeader(b, probe);
    } else if (probe.format == ImageFormat::kBmp) {
        // "BM" alone is too short a signature: a text may start so.
        return ImageProbe{};
    }
    return probe;
}

void ProbeImageFurther(ImageProbe& probe, std::string_view firstBytes, std::string_view moreBytes) {
    const ImageBytes more = probe.more;
    probe.more = {};
    if (more.count == 0) {
        return;
    }
    if (probe.format == ImageFormat::kJpeg) {
        WalkJpeg(moreBytes, more.from, more.from, false, probe);
    } else if (probe.format == ImageFormat::kTiff && !firstBytes.empty()) {
        ReadTiffDirectory(moreBytes, firstBytes[0] == 'I', probe);
    }
}

bool IsApparelCategory(std::string_view category) {
    const std::string_view trimmed = TrimmedView(category);
    return EqualsNoCase(trimmed.substr(0, 7), "Apparel");
}

std::optional<ImageBytes> ImageFollowUp(const HttpSession::Response& response) {
    if (!Succeeded(response) || response.body.size() < kImageProbeBytes) {
        return std::nullopt;  // a shorter answer is the whole file
    }
    ImageBytes more = ProbeImage(response.body).more;
    if (more.count == 0) {
        return std::nullopt;
    }
    if (response.fullLength) {
        const auto length = static_cast<std::size_t>(std::max(0LL, *response.fullLength));
        if (more.from >= length) {
            return std::nullopt;
        }
        more.count = std::min(more.count, length - more.from);
    }
    return more;
}

std::vector<UrlFinding> ImageFindings(const HttpSession::Response& response, bool apparel,
                                      const HttpSession::Response* more) {
    std::vector<UrlFinding> findings;
    if (!Succeeded(response)) {
        return findings;
    }
    ImageProbe probe = ProbeImage(response.body);
    if (more && Succeeded(*more)) {
        ProbeImageFurther(probe, response.body, more->body);
    }
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
