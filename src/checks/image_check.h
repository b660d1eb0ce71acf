// What an image address serves, told from the first bytes of its answer: the picture's type and size as the
// file's own bytes say (never its name or its Content-Type), and the findings the service would disapprove.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "checks/http_session.h"
#include "records/other_record.h"

namespace yarvelin {

// The bytes asked of each image. Every format the service takes states its dimensions well inside them,
// except a JPEG whose metadata (EXIF with a thumbnail, an ICC profile) comes before its frame header and
// fills more: its size then stays unknown and only its type is judged.
inline constexpr std::size_t kImageProbeBytes = 64 * 1024;

inline constexpr int kMinImageSide = 100;
inline constexpr int kMinApparelImageSide = 250;
inline constexpr long long kMaxImagePixels = 64LL * 1000 * 1000;
inline constexpr long long kMaxImageBytes = 16LL * 1024 * 1024;

enum class ImageFormat { kNone, kJpeg, kPng, kGif, kBmp, kWebp, kTiff, kRefused };

struct ImageProbe {
    ImageFormat format = ImageFormat::kNone;
    const char* typeName = "";  // "JPEG", ..., or the refused type's name ("SVG", "AVIF", ...)
    int width = 0;              // 0 when the bytes do not tell
    int height = 0;
};

ImageProbe ProbeImage(std::string_view firstBytes);

// The apparel categories, whose pictures must be larger.
bool IsApparelCategory(std::string_view category);

// The findings for an image address's answer: nothing when the request failed or did not succeed (the URL
// check already marks it), else what ProbeImage and the headers show.
std::vector<UrlFinding> ImageFindings(const HttpSession::Response& response, bool apparel);

}  // namespace yarvelin
