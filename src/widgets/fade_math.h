// The arithmetic behind the animated label: the fading colour, the timer's end, and the fonts the label
// takes from a comma-separated description.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace yarvelin {

struct RgbColor {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

// Labels fade in 10 ms steps and stop their repaint timer once a second has passed.
inline constexpr int kFadeStepMs = 10;
inline constexpr std::int64_t kFadeTimerLifeMs = 1000;

// The colour a text is drawn in elapsedMs after the label's text changed: the background at first, moving
// towards the target in whole 10 ms steps, the target itself from step fadeSteps on (at once for 0).
RgbColor FadeColor(RgbColor background, RgbColor target, std::int64_t elapsedMs, int fadeSteps);
// True when the repaint timer started elapsedMs ago should stop.
inline bool FadeTimerExpired(std::int64_t elapsedMs) {
    return elapsedMs > kFadeTimerLifeMs;
}
// The background darkened by 50 in each component, for the text shadow.
RgbColor ShadowColor(RgbColor background);

// The values a label font is made from, in the order a font description lists them.
struct LabelFontSpec {
    int height = 13;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    int italic = 0;
    int underline = 0;
    int strikeOut = 0;
    int charSet = 0;
    int outPrecision = 0;
    int clipPrecision = 0;
    int quality = 2;
    int pitchAndFamily = 18;
    RgbColor color;  // kept with the font
    std::string faceName = "Tahoma";
    friend bool operator==(const LabelFontSpec&, const LabelFontSpec&) = default;
};

inline constexpr int kFontWeightNormal = 400;
inline constexpr int kFontWeightBold = 700;

// "height,width,escapement,orientation,weight,italic,underline,strikeout,charset,outprecision,
// clipprecision,quality,pitchandfamily,red,green,blue,face name": sixteen integers, then the face name as
// the rest of the text. Nothing when a number is missing or malformed, so a bad description never turns
// into a font of arbitrary size.
std::optional<LabelFontSpec> ParseFontDescription(const std::string& description);
std::string FormatFontDescription(const LabelFontSpec& spec);
inline bool IsBold(const LabelFontSpec& spec) {
    return spec.weight >= 500;
}
inline void SetBold(LabelFontSpec& spec, bool bold) {
    spec.weight = bold ? kFontWeightBold : kFontWeightNormal;
}

}  // namespace yarvelin
