// The splash window's shape and place, worked out from its bitmap.
#pragma once

#include <cstdint>
#include <vector>

#include "widgets/pixel_rect.h"

namespace yarvelin {

// Splash style bits.
inline constexpr unsigned kSplashFadeIn = 0x01;
inline constexpr unsigned kSplashFadeOut = 0x02;
inline constexpr unsigned kSplashShadow = 0x04;
inline constexpr unsigned kSplashCenterOnScreen = 0x08;
inline constexpr unsigned kSplashCenterOnParent = 0x10;
inline constexpr unsigned kSplashHideOnInput = 0x20;

// One rectangle, one pixel high, for every maximal horizontal run of pixels whose colour (the low 24 bits,
// 0xRRGGBB) is not the transparent one; rows top to bottom, runs left to right. Their union is the
// window's shape; an entirely transparent bitmap gives none. stride counts pixels per row.
std::vector<PixelRect> OpaqueRunRects(const std::uint32_t* pixels, int width, int height, int stride,
                                      std::uint32_t transparentRgb);

// Top-left corner of a bitmap of the given size: centred on the screen (style 0x08), else centred on the
// parent window (0x10), else the current position.
struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};
PixelPoint SplashPosition(unsigned style, int bitmapWidth, int bitmapHeight, const PixelRect& screen,
                          const PixelRect& parent, PixelPoint current);

}  // namespace yarvelin
