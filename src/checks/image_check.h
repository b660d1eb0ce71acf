// What an image address serves, told from the first bytes of its answer: the picture's type and size as the
// file's own bytes say (never its name or its Content-Type), and the findings the service would disapprove.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/http_session.h"
#include "records/other_record.h"

namespace yarvelin {

// The bytes asked of each image. Every format the service takes states its dimensions well inside them,
// except a JPEG whose metadata (EXIF with a thumbnail, an ICC profile) comes before its frame header and
// fills more, and a TIFF written with its first directory after the image data: for those the check asks
// once more (ImageFollowUp).
inline constexpr std::size_t kImageProbeBytes = 64 * 1024;
// How far into a JPEG its frame header is looked for: the second request asks for the bytes from the first
// segment the first 64 KiB do not hold up to here. A frame header further on leaves the size unknown.
inline constexpr std::size_t kJpegHeaderLimit = 1024 * 1024;
// A TIFF's first directory is read wherever it starts within the largest file the service takes (see
// kMaxImageBytes), this many bytes of it (over 5,000 entries).
inline constexpr std::size_t kTiffDirectoryBytes = 64 * 1024;

inline constexpr int kMinImageSide = 100;
inline constexpr int kMinApparelImageSide = 250;
inline constexpr long long kMaxImagePixels = 64LL * 1000 * 1000;
inline constexpr long long kMaxImageBytes = 16LL * 1024 * 1024;

enum class ImageFormat { kNone, kJpeg, kPng, kGif, kBmp, kWebp, kTiff, kRefused };

// A part of the picture file: count bytes from offset from.
struct ImageBytes {
    std::size_t from = 0;
    std::size_t count = 0;
};

struct ImageProbe {
    ImageFormat format = ImageFormat::kNone;
    const char* typeName = "";  // "JPEG", ..., or the refused type's name ("SVG", "AVIF", ...)
    int width = 0;              // 0 when the bytes do not tell
    int height = 0;
    // The bytes that state the size when the first bytes do not hold them (count 0: none to ask for).
    ImageBytes more;
};

ImageProbe ProbeImage(std::string_view firstBytes);
// Completes a probe that asked for more with the bytes read from probe.more.from on.
void ProbeImageFurther(ImageProbe& probe, std::string_view firstBytes, std::string_view moreBytes);

// The apparel categories, whose pictures must be larger.
bool IsApparelCategory(std::string_view category);

// The bytes to ask for next when an image address's answer holds a picture whose size lies beyond its
// first bytes; nothing when the first bytes tell the size, or the answer is no picture or no success.
std::optional<ImageBytes> ImageFollowUp(const HttpSession::Response& response);

// The findings for an image address's answer: nothing when the request failed or did not succeed (the URL
// check already marks it), else what ProbeImage and the headers show. more: the answer to the
// ImageFollowUp request, when one was made.
std::vector<UrlFinding> ImageFindings(const HttpSession::Response& response, bool apparel,
                                      const HttpSession::Response* more = nullptr);

}  // namespace yarvelin
