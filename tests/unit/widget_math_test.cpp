#include <gtest/gtest.h>

#include "widgets/fade_math.h"
#include "widgets/hover_button_layout.h"

namespace yarvelin {
namespace {

constexpr RgbColor kFace{210, 210, 210};
constexpr RgbColor kNavy{0, 0, 60};

struct FadeCase {
    std::int64_t elapsedMs;
    int fadeSteps;
    RgbColor expected;
};

class FadeColorTest : public ::testing::TestWithParam<FadeCase> {};

TEST_P(FadeColorTest, MovesFromBackgroundToTargetInWholeSteps) {
    const FadeCase& c = GetParam();
    EXPECT_EQ(FadeColor(kFace, kNavy, c.elapsedMs, c.fadeSteps), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FadeColorTest,
    ::testing::Values(FadeCase{0, 10, kFace},                            // first paint: background colour
                      FadeCase{9, 10, kFace},                            // still inside the first 10 ms
                      FadeCase{10, 10, {189, 189, 195}},                 // 210 - 1*210/10, 210 - 1*150/10
                      FadeCase{33, 10, {147, 147, 165}},                 // three whole steps
                      FadeCase{99, 10, {21, 21, 75}},                    // nine steps
                      FadeCase{100, 10, kNavy},                          // full colour after 100 ms
                      FadeCase{5000, 10, kNavy}, FadeCase{0, 0, kNavy},  // fade steps 0: at once
                      FadeCase{10, 3, {140, 140, 160}},  // 210 - 210/3 = 140, 210 - 150/3 = 160
                      FadeCase{20, 3, {70, 70, 110}}, FadeCase{-5, 10, kFace}));

TEST(FadeColor, TruncatesTowardsZeroWhenFadingToALighterColour) {
    // From dark to light the product is negative: -1 * -7 / 3 = 2 (not 3).
    EXPECT_EQ(FadeColor({0, 0, 0}, {7, 7, 7}, 10, 3), (RgbColor{2, 2, 2}));
}

TEST(FadeColor, ShadowIsDarkerButNotBelowZero) {
    EXPECT_EQ(ShadowColor({210, 40, 50}), (RgbColor{160, 0, 0}));
}

TEST(FontDescription, ParsesAllFieldsAndKeepsTheRestAsFaceName) {
    const auto spec = ParseFontDescription("-16,0,0,0,700,1,0,1,0,3,2,1,34,255,0,128,Times New Roman, Bold");
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->height, -16);
    EXPECT_EQ(spec->weight, 700);
    EXPECT_EQ(spec->italic, 1);
    EXPECT_EQ(spec->underline, 0);
    EXPECT_EQ(spec->strikeOut, 1);
    EXPECT_EQ(spec->outPrecision, 3);
    EXPECT_EQ(spec->clipPrecision, 2);
    EXPECT_EQ(spec->quality, 1);
    EXPECT_EQ(spec->pitchAndFamily, 34);
    EXPECT_EQ(spec->color, (RgbColor{255, 0, 128}));
    EXPECT_EQ(spec->faceName, "Times New Roman, Bold");
    EXPECT_TRUE(IsBold(*spec));
}

TEST(FontDescription, RoundTripsThroughItsText) {
    LabelFontSpec spec;
    spec.height = 20;
    spec.faceName = "Verdana";
    SetBold(spec, true);
    EXPECT_EQ(FormatFontDescription(spec), "20,0,0,0,700,0,0,0,0,0,0,2,18,0,0,0,Verdana");
    EXPECT_EQ(ParseFontDescription(FormatFontDescription(spec)), spec);
}

class BadFontDescription : public ::testing::TestWithParam<const char*> {};

TEST_P(BadFontDescription, GivesNothing) {
    EXPECT_FALSE(ParseFontDescription(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Malformed, BadFontDescription,
                         ::testing::Values("", "Tahoma", "13,0,0,0,400,0,0,0,0,0,0,2,18,0,0,Tahoma",
                                           "13,0,0,0,bold,0,0,0,0,0,0,2,18,0,0,0,Tahoma",
                                           "13,,0,0,400,0,0,0,0,0,0,2,18,0,0,0,Tahoma",
                                           "99999999999,0,0,0,400,0,0,0,0,0,0,2,18,0,0,0,Tahoma"));

struct LayoutCase {
    const char* name;
    HoverButtonGeometry geometry;
    bool pressed;
    bool moveIcon;
    PixelRect icon;
    PixelRect caption;
};

class HoverLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(HoverLayoutTest, PlacesIconAndCaption) {
    const LayoutCase& c = GetParam();
    const HoverButtonLayout layout = LayOutHoverButton(100, 40, c.geometry, c.pressed, c.moveIcon);
    EXPECT_EQ(layout.icon, c.icon);
    EXPECT_EQ(layout.caption, c.caption);
}

HoverButtonGeometry Icon16(IconAlignment a, bool caption = true) {
    HoverButtonGeometry g;
    g.iconWidth = 16;
    g.iconHeight = 16;
    g.alignment = a;
    g.hasCaption = caption;
    return g;
}

INSTANTIATE_TEST_SUITE_P(
    Alignments, HoverLayoutTest,
    ::testing::Values(
        LayoutCase{"NoIcon", HoverButtonGeometry{}, false, true, {}, {3, 3, 94, 34}},
        LayoutCase{"Left", Icon16(IconAlignment::Left), false, true, {3, 12, 16, 16}, {22, 3, 75, 34}},
        LayoutCase{"Right", Icon16(IconAlignment::Right), false, true, {81, 12, 16, 16}, {3, 3, 75, 34}},
        LayoutCase{"Top", Icon16(IconAlignment::Top), false, true, {42, 3, 16, 16}, {3, 22, 94, 15}},
        LayoutCase{"NoCaptionCentresIcon",
                   Icon16(IconAlignment::Left, false),
                   false,
                   true,
                   {42, 12, 16, 16},
                   {3, 3, 94, 34}},
        LayoutCase{
            "PressedMovesBoth", Icon16(IconAlignment::Left), true, true, {4, 13, 16, 16}, {23, 4, 75, 34}},
        LayoutCase{"CheckBoxKeepsIconStill",
                   Icon16(IconAlignment::Left),
                   true,
                   false,
                   {3, 12, 16, 16},
                   {23, 4, 75, 34}}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace yarvelin
