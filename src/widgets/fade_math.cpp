#include "widgets/fade_math.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace yarvelin {

namespace {

int FadeComponent(int background, int target, std::int64_t steps, int fadeSteps) {
    // Integer division truncates towards zero, in both fading directions.
    return static_cast<int>(background - steps * (background - target) / fadeSteps);
}

}  // namespace

RgbColor FadeColor(RgbColor background, RgbColor target, std::int64_t elapsedMs, int fadeSteps) {
    const std::int64_t steps = std::max<std::int64_t>(elapsedMs, 0) / kFadeStepMs;
    if (fadeSteps <= 0 || steps >= fadeSteps) {
        return target;
    }
    return {FadeComponent(background.red, target.red, steps, fadeSteps),
            FadeComponent(background.green, target.green, steps, fadeSteps),
            FadeComponent(background.blue, target.blue, steps, fadeSteps)};
}

RgbColor ShadowColor(RgbColor background) {
    auto darker = [](int c) { return std::max(c - 50, 0); };
    return {darker(background.red), darker(background.green), darker(background.blue)};
}

std::optional<LabelFontSpec> ParseFontDescription(const std::string& description) {
    constexpr std::size_t kNumbers = 16;
    std::array<int, kNumbers> v{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < kNumbers; ++i) {
        const std::size_t comma = description.find(',', pos);
        if (comma == std::string::npos) {
            return std::nullopt;
        }
        std::size_t first = pos;
        std::size_t last = comma;
        while (first < last && description[first] == ' ') {
            ++first;
        }
        while (last > first && description[last - 1] == ' ') {
            --last;
        }
        const char* begin = description.data() + first;
        const char* end = description.data() + last;
        if (begin < end && *begin == '+') {
            ++begin;
        }
        const auto [ptr, ec] = std::from_chars(begin, end, v[i]);
        if (ec != std::errc() || ptr != end || begin == end) {
            return std::nullopt;
        }
        pos = comma + 1;
    }
    LabelFontSpec spec;
    spec.height = v[0];
    spec.width = v[1];
    spec.escapement = v[2];
    spec.orientation = v[3];
    spec.weight = v[4];
    spec.italic = v[5];
    spec.underline = v[6];
    spec.strikeOut = v[7];
    spec.charSet = v[8];
    spec.outPrecision = v[9];
    spec.clipPrecision = v[10];
    spec.quality = v[11];
    spec.pitchAndFamily = v[12];
    spec.color = {v[13], v[14], v[15]};
    spec.faceName = description.substr(pos);
    return spec;
}

std::string FormatFontDescription(const LabelFontSpec& s) {
    std::string out;
    for (int n : {s.height, s.width, s.escapement, s.orientation, s.weight, s.italic, s.underline,
                  s.strikeOut, s.charSet, s.outPrecision, s.clipPrecision, s.quality, s.pitchAndFamily,
                  s.color.red, s.color.green, s.color.blue}) {
        out += std::to_string(n);
        out += ',';
    }
    return out + s.faceName;
}

}  // namespace yarvelin
