// Random records written by the writer and read back by the loader come back as they were, except that
// each line break inside a value comes back as one blank.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>

#include "app/yarvelin_app.h"
#include "feed/feed_file.h"
#include "feed_test_support.h"

namespace yarvelin {
namespace {

using test::CRecordingObserver;
using test::CTempFolder;

// The base seed; set YARVELIN_ROUND_TRIP_SEED to try others.
std::uint32_t BaseSeed() {
    const char* env = std::getenv("YARVELIN_ROUND_TRIP_SEED");
    return env != nullptr ? static_cast<std::uint32_t>(std::strtoul(env, nullptr, 10)) : 20261207u;
}

// Values built from the pieces that trouble a TAB-separated, quote-aware line: quotes alone, in pairs
// and in runs, TABs, CR, LF, CR LF, bytes 0x80-0xFF, at the edges and inside, and empty values.
std::string RandomValue(std::mt19937& rng) {
    std::uniform_int_distribution<int> pieces(0, 8);
    std::uniform_int_distribution<int> kind(0, 11);
    std::uniform_int_distribution<int> high(0x80, 0xFF);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<int> run(1, 5);
    if (std::uniform_int_distribution<int>(0, 5)(rng) == 0) {
        return {};
    }
    std::string value;
    for (int n = pieces(rng); n >= 0; --n) {
        switch (kind(rng)) {
            case 0:
                value += '"';
                break;
            case 1:
                value += "\"\"";
                break;
            case 2:
                value.append(static_cast<std::size_t>(run(rng)), '"');
                break;
            case 3:
                value += '\t';
                break;
            case 4:
                value += '\r';
                break;
            case 5:
                value += '\n';
                break;
            case 6:
                value += "\r\n";
                break;
            case 7:
                value += static_cast<char>(high(rng));
                break;
            case 8:
                value += ' ';
                break;
            default:
                value += static_cast<char>(letter(rng));
                break;
        }
    }
    return value;
}

// What the loader gives back for a value: each CR LF, CR or LF as one blank.
std::string Expected(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
            ++i;
        }
        out += (value[i] == '\r' || value[i] == '\n') ? ' ' : value[i];
    }
    return out;
}

std::string Printable(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

COtherRecord RandomRecord(std::mt19937& rng) {
    COtherRecord r;
    for (int k = 0; k < kColumnCount; ++k) {
        r.SetField(k, RandomValue(rng));
    }
    return r;
}

TEST(FeedRoundTripTest, EveryLineSplitsBackIntoItsValues) {
    const std::uint32_t base = BaseSeed();
    for (std::uint32_t i = 0; i < 20000; ++i) {
        const std::uint32_t seed = base + i;
        std::mt19937 rng(seed);
        const COtherRecord written = RandomRecord(rng);
        const bool basic = (seed % 4) == 0;
        const std::string line = FormatRecordLine(written, basic);
        ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << "seed " << seed;
        COtherRecord read;
        ASSERT_GT(SplitFeedLine(line, read), 0u) << "seed " << seed;
        const int columns = basic ? kBasicColumnCount : kColumnCount;
        for (int k = 0; k < columns; ++k) {
            ASSERT_EQ(read.Field(k), Expected(written.Field(k)))
                << "seed " << seed << ", column " << k << ", value " << Printable(written.Field(k))
                << ", line " << Printable(line);
        }
        // Written again, what was read gives the same line.
        ASSERT_EQ(FormatRecordLine(read, basic), line) << "seed " << seed;
    }
}

TEST(FeedRoundTripTest, WrittenFilesLoadBackProductByProduct) {
    const std::uint32_t base = BaseSeed();
    CTempFolder dir;
    const std::string path = dir.File("feed.txt");
    for (std::uint32_t i = 0; i < 100; ++i) {
        const std::uint32_t seed = base + 1000000u + i;
        std::mt19937 rng(seed);
        CFeedDocument doc;
        doc.SetBasicFormat((seed % 3) == 0);
        const int count = std::uniform_int_distribution<int>(0, 60)(rng);
        std::size_t withLineBreaks = 0;
        for (int n = 0; n < count; ++n) {
            COtherRecord r = RandomRecord(rng);
            for (int k = 0; k < (doc.IsBasicFormat() ? kBasicColumnCount : kColumnCount); ++k) {
                withLineBreaks += r.Field(k) != Expected(r.Field(k)) ? 1 : 0;
            }
            doc.AppendLoadedRecord(std::move(r));
        }
        const FeedHeaderChoices choices{(seed % 2) == 0, true, false, true};
        struct Observer : CRecordingObserver {
            void LineBreaksWritten(std::size_t values) override { told = values; }
            std::size_t told = 0;
        } observer;
        ASSERT_TRUE(WriteFeedFile(doc, path, choices, observer)) << "seed " << seed;
        EXPECT_EQ(observer.told, withLineBreaks) << "seed " << seed;

        CYarvelinApp app;
        app.OpenFeed(path, observer);
        ASSERT_TRUE(observer.fileErrors.empty()) << "seed " << seed;
        const CFeedDocument& loaded = app.Document();
        ASSERT_EQ(loaded.Count(), doc.Count()) << "seed " << seed;
        const int columns = doc.IsBasicFormat() ? kBasicColumnCount : kColumnCount;
        for (std::size_t n = 0; n < doc.Count(); ++n) {
            for (int k = 0; k < kColumnCount; ++k) {
                const std::string expected = k < columns ? Expected(doc.At(n).Field(k)) : "";
                ASSERT_EQ(loaded.At(n).Field(k), expected)
                    << "seed " << seed << ", product " << n + 1 << ", column " << k << ", value "
                    << Printable(doc.At(n).Field(k));
            }
        }
    }
}

}  // namespace
}  // namespace yarvelin
