#include "widgets/splash_region.h"

namespace yarvelin {

std::vector<PixelRect> OpaqueRunRects(const std::uint32_t* pixels, int width, int height, int stride,
                                      std::uint32_t transparentRgb) {
    std::vector<PixelRect> rects;
    transparentRgb &= 0xFFFFFFu;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] & 0xFFFFFFu) == transparentRgb) {
                ++x;
            }
            const int start = x;
            while (x < width && (row[x] & 0xFFFFFFu) != transparentRgb) {
                ++x;
            }
            if (x > start) {
                rects.push_back({start, y, x - start, 1});
            }
        }
    }
    return rects;
}

PixelPoint SplashPosition(unsigned style, int bitmapWidth, int bitmapHeight, const PixelRect& screen,
                          const PixelRect& parent, PixelPoint current) {
    if (style & kSplashCenterOnScreen) {
        return {screen.x + (screen.width - bitmapWidth) / 2, screen.y + (screen.height - bitmapHeight) / 2};
    }
    if (style & kSplashCenterOnParent) {
        return {parent.x + (parent.width - bitmapWidth) / 2, parent.y + (parent.height - bitmapHeight) / 2};
    }
    return current;
}

}  // namespace yarvelin
