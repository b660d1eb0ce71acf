#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/splash_region.h"

namespace yarvelin {
namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;

// A bitmap drawn as rows of text: '.' is magenta, anything else an opaque colour (with an alpha byte, which
// must not matter).
std::vector<std::uint32_t> Bitmap(const std::vector<std::string>& rows) {
    std::vector<std::uint32_t> px;
    for (const auto& row : rows) {
        for (char c : row) {
            px.push_back(c == '.' ? 0xFF000000u | kMagenta : 0xFF000000u | static_cast<std::uint32_t>(c));
        }
    }
    return px;
}

std::vector<PixelRect> Runs(const std::vector<std::string>& rows) {
    const auto px = Bitmap(rows);
    const int w = static_cast<int>(rows[0].size());
    return OpaqueRunRects(px.data(), w, static_cast<int>(rows.size()), w, kMagenta);
}

TEST(SplashRegion, TransparentBorderIsCutAway) {
    EXPECT_EQ(Runs({"....",  //
                    ".ab.",  //
                    ".c..",  //
                    "...."}),
              (std::vector<PixelRect>{{1, 1, 2, 1}, {1, 2, 1, 1}}));
}

TEST(SplashRegion, EntirelyTransparentGivesNothing) {
    EXPECT_TRUE(Runs({"...", "..."}).empty());
}

TEST(SplashRegion, RunEndingInLastColumnEndsAtTheRightEdge) {
    EXPECT_EQ(Runs({"..xx", "xxxx"}), (std::vector<PixelRect>{{2, 0, 2, 1}, {0, 1, 4, 1}}));
}

TEST(SplashRegion, SeveralRunsInOneRowAndDifferentColoursJoin) {
    EXPECT_EQ(Runs({"ab.c..de"}), (std::vector<PixelRect>{{0, 0, 2, 1}, {3, 0, 1, 1}, {6, 0, 2, 1}}));
}

TEST(SplashRegion, StrideSkipsPaddingPixels) {
    // Two pixels of padding per row that would be opaque if read.
    const std::vector<std::uint32_t> px{kMagenta, 1, 7, 7, 2, kMagenta, 7, 7};
    EXPECT_EQ(OpaqueRunRects(px.data(), 2, 2, 4, kMagenta),
              (std::vector<PixelRect>{{1, 0, 1, 1}, {0, 1, 1, 1}}));
}

struct PositionCase {
    unsigned style;
    PixelPoint expected;
};

class SplashPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(SplashPositionTest, CentresByStyle) {
    const PixelRect screen{0, 0, 1025, 769};
    const PixelRect parent{100, 50, 400, 300};
    EXPECT_EQ(SplashPosition(GetParam().style, 440, 260, screen, parent, {7, 9}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, SplashPositionTest,
    ::testing::Values(PositionCase{0, {7, 9}},                          // stays
                      PositionCase{kSplashCenterOnScreen, {292, 254}},  // 585/2, 509/2
                      PositionCase{kSplashCenterOnParent, {80, 70}},    // bigger than parent
                      PositionCase{kSplashCenterOnScreen | kSplashCenterOnParent, {292, 254}},
                      PositionCase{kSplashFadeIn | kSplashHideOnInput, {7, 9}}));

}  // namespace
}  // namespace yarvelin
