// Where a hover button puts its icon and its caption.
#pragma once

#include "widgets/pixel_rect.h"

namespace yarvelin {

enum class IconAlignment { Left, Top, Right };

struct HoverButtonGeometry {
    int iconWidth = 0;  // 0: no icon
    int iconHeight = 0;
    bool hasCaption = true;
    IconAlignment alignment = IconAlignment::Left;
    int marginX = 3;
    int marginY = 3;
    int pressedOffsetX = 1;
    int pressedOffsetY = 1;
};

struct HoverButtonLayout {
    PixelRect icon;     // empty without an icon
    PixelRect caption;  // the caption is word-wrapped and centred inside this
};

// Lays out a button of the given size. pressed moves the caption by the pressed offset; moveIcon says
// whether the icon moves with it (a check-box button keeps its icon still while it shows as pressed).
HoverButtonLayout LayOutHoverButton(int width, int height, const HoverButtonGeometry& g, bool pressed,
                                    bool moveIcon);

}  // namespace yarvelin
