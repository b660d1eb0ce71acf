#include "widgets/hover_button_layout.h"

#include <algorithm>

namespace yarvelin {

HoverButtonLayout LayOutHoverButton(int width, int height, const HoverButtonGeometry& g, bool pressed,
                                    bool moveIcon) {
    HoverButtonLayout out;
    PixelRect caption{g.marginX, g.marginY, std::max(width - 2 * g.marginX, 0),
                      std::max(height - 2 * g.marginY, 0)};
    const bool hasIcon = g.iconWidth > 0 && g.iconHeight > 0;
    if (hasIcon) {
        PixelRect& icon = out.icon;
        icon.width = g.iconWidth;
        icon.height = g.iconHeight;
        if (!g.hasCaption) {
            icon.x = (width - g.iconWidth) / 2;
            icon.y = (height - g.iconHeight) / 2;
        } else {
            switch (g.alignment) {
                case IconAlignment::Left:
                    icon.x = g.marginX;
                    icon.y = (height - g.iconHeight) / 2;
                    caption.x = icon.x + g.iconWidth + g.marginX;
                    caption.width = std::max(width - g.marginX - caption.x, 0);
                    break;
                case IconAlignment::Right:
                    icon.x = width - g.marginX - g.iconWidth;
                    icon.y = (height - g.iconHeight) / 2;
                    caption.x = g.marginX;
                    caption.width = std::max(icon.x - g.marginX - caption.x, 0);
                    break;
                case IconAlignment::Top:
                    icon.x = (width - g.iconWidth) / 2;
                    icon.y = g.marginY;
                    caption.y = icon.y + g.iconHeight + g.marginY;
                    caption.height = std::max(height - g.marginY - caption.y, 0);
                    break;
            }
        }
        if (pressed && moveIcon) {
            icon.x += g.pressedOffsetX;
            icon.y += g.pressedOffsetY;
        }
    }
    if (pressed) {
        caption.x += g.pressedOffsetX;
        caption.y += g.pressedOffsetY;
    }
    out.caption = caption;
    return out;
}

}  // namespace yarvelin
