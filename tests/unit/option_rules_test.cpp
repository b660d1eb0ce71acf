#include <gtest/gtest.h>

#include "app/yarvelin_app.h"
#include "dialogs/option_rules.h"

namespace yarvelin {
namespace {

struct NameCase {
    const char* typed;
    NameCheck expected;
};
class OptionNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(OptionNameTest, TrimmedNameMustBeNewIgnoringCase) {
    const std::vector<std::string> colors{"red", "Navy Blue", "Sea Shell", "Apparel & Accessories > Baby "};
    EXPECT_EQ(CheckOptionName(GetParam().typed, colors), GetParam().expected) << GetParam().typed;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, OptionNameTest,
    ::testing::Values(NameCase{"", NameCheck::Empty}, NameCase{" \t\r\n", NameCheck::Empty},
                      NameCase{" Red ", NameCheck::Duplicate}, NameCase{"NAVY BLUE", NameCheck::Duplicate},
                      NameCase{"red", NameCheck::Duplicate},  // unchanged edit
                      NameCase{"Navy", NameCheck::Accepted}, NameCase{"Sea  Shell", NameCheck::Accepted},
                      NameCase{"  apparel & accessories > baby ", NameCheck::Duplicate},
                      NameCase{"Apparel & Accessories > Baby", NameCheck::Duplicate}));

TEST(OptionListTest, AddTrimsAppendsAndSynchronizeSelectsTheSecondEntry) {
    std::vector<std::string> user{"red"};
    OptionListBox box{user, -1};
    AddOptionEntry(box, "  Navy \t");
    EXPECT_EQ(box.selection, 1);
    AddOptionEntry(box, "Olive");
    EXPECT_EQ(box.selection, 2);
    SynchronizeOptionList(box, user);
    EXPECT_EQ(user, (std::vector<std::string>{"red", "Navy", "Olive"}));
    EXPECT_EQ(box.selection, 1);
}

TEST(OptionListTest, AddingBlanksOnlyChangesNothing) {
    OptionListBox box{{"a"}, 0};
    AddOptionEntry(box, "   ");
    EXPECT_EQ(box.entries.size(), 1u);
    EXPECT_EQ(box.selection, 0);
}

TEST(OptionListTest, SingleEntryKeepsItsSelection) {
    std::vector<std::string> user;
    OptionListBox box;
    AddOptionEntry(box, "Only");
    SynchronizeOptionList(box, user);
    EXPECT_EQ(box.selection, 0);
    EXPECT_EQ(user, std::vector<std::string>{"Only"});
}

struct DefaultNumberCase {
    const char* price;
    const char* shipping;
    int failingIndex;  // -1: none
    const char* message;
    const char* storedPrice;
    const char* storedShipping;
};
class DefaultNumbersTest : public ::testing::TestWithParam<DefaultNumberCase> {};

TEST_P(DefaultNumbersTest, RangeChecksAndSixFractionDigits) {
    CYarvelinApp app;
    app.Defaults()[kDefPrice] = "1.000000";
    app.Defaults()[kDefShipping] = "2.000000";
    DefaultValues values = LoadDefaultValues(app);
    const auto error = ReadDefaultNumbers(GetParam().price, GetParam().shipping, values);
    if (GetParam().failingIndex >= 0) {
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->defIndex, GetParam().failingIndex);
        EXPECT_EQ(error->message, GetParam().message);
        return;
    }
    ASSERT_FALSE(error.has_value()) << error->message;
    StoreDefaultValues(values, app);
    EXPECT_EQ(app.Defaults()[kDefPrice], GetParam().storedPrice);
    EXPECT_EQ(app.Defaults()[kDefShipping], GetParam().storedShipping);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DefaultNumbersTest,
    ::testing::Values(
        DefaultNumberCase{"12.5", "0", -1, "", "12.500000", "0.000000"},
        DefaultNumberCase{"100000", "10000", -1, "", "100000.000000", "10000.000000"},
        DefaultNumberCase{"0.1", " 4.95 ", -1, "", "0.100000", "4.950000"},
        DefaultNumberCase{"100000.5", "0", kDefPrice, "Please enter a number between 0 and 100000.", "", ""},
        DefaultNumberCase{"-1", "0", kDefPrice, "Please enter a number between 0 and 100000.", "", ""},
        DefaultNumberCase{"1", "-0.5", kDefShipping, "Please enter a number between 0 and 10000.", "", ""},
        DefaultNumberCase{"1", "10001", kDefShipping, "Please enter a number between 0 and 10000.", "", ""},
        DefaultNumberCase{"", "1", kDefPrice, "Please enter a number.", "", ""},
        DefaultNumberCase{"abc", "x", kDefPrice, "Please enter a number.", "", ""},
        DefaultNumberCase{"1", "1$", kDefShipping, "Please enter a number.", "", ""}));

}  // namespace
}  // namespace yarvelin
