#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "checks/feed_diagnostics.h"
#include "checks/image_check.h"
#include "support/test_images.h"

namespace yarvelin {
namespace {

using Code = DiagnosticCode;
using testing::MakeTestImage;
using Type = testing::TestImageType;

struct ImageCase {
    const char* label;
    std::string file;
    bool apparel = false;
    std::vector<Code> expected;
    std::string contentType = "image/jpeg";
    unsigned redirects = 0;
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.label;
}

// The answer to a request for the first bytes of the file, as the URL check's session gives it.
HttpSession::Response AnswerWith(const std::string& file, const std::string& contentType,
                                 unsigned redirects) {
    HttpSession::Response response;
    response.status = 200;
    response.body = file.substr(0, kImageProbeBytes);
    response.fullLength = static_cast<long long>(file.size());
    response.contentType = contentType;
    response.redirects = redirects;
    return response;
}

std::vector<Code> CodesOf(const std::vector<UrlFinding>& findings) {
    std::vector<Code> codes;
    for (const UrlFinding& f : findings) {
        codes.push_back(static_cast<Code>(f.code));
        EXPECT_EQ(f.column, 4);
        EXPECT_FALSE(f.message.empty());
    }
    return codes;
}

class ImageCheckTest : public ::testing::TestWithParam<ImageCase> {};

TEST_P(ImageCheckTest, FindsWhatTheFirstBytesShow) {
    const ImageCase& c = GetParam();
    EXPECT_EQ(CodesOf(ImageFindings(AnswerWith(c.file, c.contentType, c.redirects), c.apparel)), c.expected);
}

const std::string kPage =
    "<!DOCTYPE html>\n<html><head><title>Shop</title></head><body>Hello</body></html>\n";
const std::string kPageWithSvg =
    "<!DOCTYPE html>\n<html><head><title>Shop</title></head><body><svg viewBox=\"0 0 10 10\">"
    "<path d=\"M0 0h10\"/></svg>Hello</body></html>\n";

// A PNG whose header states sides beyond stb's own limit of 2^24.
std::string PngOfSides(unsigned w, unsigned h) {
    std::string png = MakeTestImage(Type::kPng, 100, 100);
    for (int i = 0; i < 4; ++i) {
        png[static_cast<std::size_t>(16 + i)] = static_cast<char>((w >> (24 - 8 * i)) & 0xFF);
        png[static_cast<std::size_t>(20 + i)] = static_cast<char>((h >> (24 - 8 * i)) & 0xFF);
    }
    return png;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ImageCheckTest,
    ::testing::Values(
        // each format the service takes, at the smallest size and one pixel under it either way
        ImageCase{"png 100x100", MakeTestImage(Type::kPng, 100, 100), false, {}},
        ImageCase{"png 99x100", MakeTestImage(Type::kPng, 99, 100), false, {Code::kImageTooSmall}},
        ImageCase{"png 100x99", MakeTestImage(Type::kPng, 100, 99), false, {Code::kImageTooSmall}},
        ImageCase{"jpeg 100x100", MakeTestImage(Type::kJpeg, 100, 100), false, {}},
        ImageCase{"jpeg 99x99", MakeTestImage(Type::kJpeg, 99, 99), false, {Code::kImageTooSmall}},
        ImageCase{"gif 100x100", MakeTestImage(Type::kGif, 100, 100), false, {}},
        ImageCase{"gif 99x100", MakeTestImage(Type::kGif, 99, 100), false, {Code::kImageTooSmall}},
        ImageCase{"bmp 100x100", MakeTestImage(Type::kBmp, 100, 100), false, {}},
        ImageCase{"bmp 100x99", MakeTestImage(Type::kBmp, 100, 99), false, {Code::kImageTooSmall}},
        ImageCase{"webp 100x100", MakeTestImage(Type::kWebp, 100, 100), false, {}},
        ImageCase{"webp 99x99", MakeTestImage(Type::kWebp, 99, 99), false, {Code::kImageTooSmall}},
        ImageCase{"tiff 100x100", MakeTestImage(Type::kTiff, 100, 100), false, {}},
        ImageCase{"tiff 99x100", MakeTestImage(Type::kTiff, 99, 100), false, {Code::kImageTooSmall}},
        // apparel needs 250x250
        ImageCase{"apparel 250x250", MakeTestImage(Type::kPng, 250, 250), true, {}},
        ImageCase{"apparel 249x250", MakeTestImage(Type::kPng, 249, 250), true, {Code::kImageTooSmall}},
        ImageCase{"apparel 100x100", MakeTestImage(Type::kWebp, 100, 100), true, {Code::kImageTooSmall}},
        // 64 megapixels at most
        ImageCase{"png 8000x8000", MakeTestImage(Type::kPng, 8000, 8000), false, {}},
        ImageCase{"png 8001x8000", MakeTestImage(Type::kPng, 8001, 8000), false, {Code::kImageTooLarge}},
        // types the service does not take, whatever they are sent as
        ImageCase{
            "svg", MakeTestImage(Type::kSvg, 300, 300), false, {Code::kImageTypeRefused}, "image/svg+xml"},
        ImageCase{"psd sent as jpeg", MakeTestImage(Type::kPsd, 300, 300), false, {Code::kImageTypeRefused}},
        ImageCase{
            "svg after a comment and a doctype",
            "<!-- logo -->\n<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"x.dtd\" [<!ENTITY a \"b\">]>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\"/>",
            false,
            {Code::kImageTypeRefused},
            "image/svg+xml"},
        ImageCase{"png wider than stb reads", PngOfSides(20000000, 200), false, {Code::kImageTooLarge}},
        ImageCase{"png too small beside stb's limit", PngOfSides(20000000, 1), false, {Code::kImageTooSmall}},
        // not pictures at all
        ImageCase{"page", kPage, false, {Code::kImageNotImage}, "text/html"},
        ImageCase{"page after a redirect", kPage, false, {Code::kImageRedirectsToPage}, "text/html", 1},
        ImageCase{"page with an inline svg", kPageWithSvg, false, {Code::kImageNotImage}, "text/html"},
        ImageCase{"page with an inline svg after a redirect",
                  kPageWithSvg,
                  false,
                  {Code::kImageRedirectsToPage},
                  "image/png",
                  1},
        ImageCase{"page sent as a picture after a redirect",
                  kPage,
                  false,
                  {Code::kImageRedirectsToPage},
                  "image/png",
                  2},
        ImageCase{"text after a redirect", "Moved elsewhere", false, {Code::kImageNotImage}, "text/plain", 1},
        ImageCase{"empty file", "", false, {Code::kImageNotImage}},
        ImageCase{"text starting BM",
                  "BM is not a bitmap here, only a text that starts so.",
                  false,
                  {Code::kImageNotImage},
                  "text/plain"},
        // a JPEG's metadata within the first bytes, and beyond them: then only its type is known
        ImageCase{"jpeg 50x50 after 30000 metadata bytes",
                  testing::MakeJpegWithMetadata(50, 50, 30000),
                  false,
                  {Code::kImageTooSmall}},
        ImageCase{"jpeg 50x50 after 70000 metadata bytes",
                  testing::MakeJpegWithMetadata(50, 50, 70000),
                  false,
                  {}}));

// Pictures whose size lies beyond the first bytes: the check asks once more, for the bytes the probe
// names, and judges the size from both answers as the URL check does.
TEST(ImageCheck, SizeFromTheBytesAskedForNext) {
    const struct {
        const char* label;
        std::string file;
        bool followUp;
        std::vector<Code> expected;
    } cases[] = {
        {"jpeg frame header after 70000 metadata bytes",
         testing::MakeJpegWithMetadata(50, 50, 70000),
         true,
         {Code::kImageTooSmall}},
        {"jpeg frame header after 900000 metadata bytes",
         testing::MakeJpegWithMetadata(50, 50, 900000),
         true,
         {Code::kImageTooSmall}},
        {"jpeg frame header beyond the first MiB", testing::MakeJpegWithMetadata(50, 50, 1100000), true, {}},
        {"jpeg within the first bytes",
         testing::MakeJpegWithMetadata(50, 50, 30000),
         false,
         {Code::kImageTooSmall}},
        {"tiff directory after the image data",
         testing::MakeTiffWithDirectoryLast(99, 700),
         true,
         {Code::kImageTooSmall}},
        {"tiff directory after the image data, large enough",
         testing::MakeTiffWithDirectoryLast(100, 700),
         true,
         {}},
        {"tiff directory first", MakeTestImage(Type::kTiff, 99, 700), false, {Code::kImageTooSmall}},
        {"png", MakeTestImage(Type::kPng, 2000, 2000, true), false, {}},
    };
    for (const auto& c : cases) {
        const HttpSession::Response first = AnswerWith(c.file, "image/jpeg", 0);
        const std::optional<ImageBytes> more = ImageFollowUp(first);
        ASSERT_EQ(more.has_value(), c.followUp) << c.label;
        HttpSession::Response second;
        if (more) {
            EXPECT_LE(more->from + more->count, std::max(c.file.size(), kJpegHeaderLimit)) << c.label;
            second.status = 200;
            second.body = c.file.substr(std::min(more->from, c.file.size()), more->count);
        }
        EXPECT_EQ(CodesOf(ImageFindings(first, false, more ? &second : nullptr)), c.expected) << c.label;
    }
}

struct LengthCase {
    long long length;
    bool tooLarge;
};

TEST(ImageCheck, SixteenMebibytesAtMostByTheHeaders) {
    const std::string png = MakeTestImage(Type::kPng, 200, 200);
    for (const LengthCase& c :
         {LengthCase{16LL * 1024 * 1024, false}, LengthCase{16LL * 1024 * 1024 + 1, true}}) {
        HttpSession::Response response = AnswerWith(png, "image/png", 0);
        response.fullLength = c.length;
        const std::vector<Code> expected =
            c.tooLarge ? std::vector<Code>{Code::kImageTooLarge} : std::vector<Code>{};
        EXPECT_EQ(CodesOf(ImageFindings(response, false)), expected) << c.length;
    }
}

TEST(ImageCheck, NothingForAnAnswerThatIsNoSuccess) {
    const std::string page = kPage;
    for (const unsigned status : {199u, 301u, 404u, 500u}) {
        HttpSession::Response response = AnswerWith(page, "text/html", 0);
        response.status = status;
        EXPECT_TRUE(ImageFindings(response, false).empty()) << status;
    }
    HttpSession::Response failed;
    failed.failed = true;
    EXPECT_TRUE(ImageFindings(failed, false).empty());
}

TEST(ImageCheck, ProbeNamesTheTypeAndSize) {
    const struct {
        Type type;
        const char* name;
    } cases[] = {{Type::kPng, "PNG"}, {Type::kJpeg, "JPEG"}, {Type::kGif, "GIF"},
                 {Type::kBmp, "BMP"}, {Type::kWebp, "WebP"}, {Type::kTiff, "TIFF"}};
    for (const auto& c : cases) {
        const ImageProbe probe = ProbeImage(MakeTestImage(c.type, 321, 123));
        EXPECT_STREQ(probe.typeName, c.name);
        EXPECT_EQ(probe.width, 321) << c.name;
        EXPECT_EQ(probe.height, 123) << c.name;
    }
}

TEST(ImageCheck, ApparelIsTheApparelTree) {
    EXPECT_TRUE(IsApparelCategory("Apparel & Accessories > Women's"));
    EXPECT_TRUE(IsApparelCategory(" apparel & accessories > Watches"));
    EXPECT_FALSE(IsApparelCategory("Home & Garden > Apparel Racks"));
    EXPECT_FALSE(IsApparelCategory(""));
}

}  // namespace
}  // namespace yarvelin
