// A rectangle in pixels, for the widgets' window-free arithmetic.
#pragma once

namespace yarvelin {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

}  // namespace yarvelin
