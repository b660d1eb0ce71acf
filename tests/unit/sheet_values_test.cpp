// What a spreadsheet's stored numbers and dates become as export texts.
#include "import/sheet_values.h"

#include <gtest/gtest.h>

namespace {

using yarvelin::CellName;
using yarvelin::IsDateFormat;
using yarvelin::ParseCellName;
using yarvelin::PlainNumber;
using yarvelin::SerialDateText;

TEST(PlainNumber, KeepsDigitsAndNeverWritesAnExponent) {
    const struct {
        const char* stored;
        const char* text;  // nullptr: no number
    } cases[] = {
        {"4006381333931", "4006381333931"},  // an EAN stored as a number
        {"12345678901234567890", "12345678901234567890"},
        {"36000291452", "36000291452"},  // a UPC that lost its zero stays without it, for the checks
        {"1E+20", "100000000000000000000"},
        {"1.2345678901234567E+19", "12345678901234567000"},
        {"0.1", "0.1"},
        {"19.899999999999999", "19.9"},                  // a double's noise
        {"0.30000000000000004", "0.30000000000000004"},  // a double's own shortest form
        {"-1.5e-3", "-0.0015"},
        {"007.500", "7.5"},
        {"-0", "0"},
        {"100", "100"},
        {"1e400", nullptr},
        {"12,5", nullptr},
        {"", nullptr},
        {"1E", nullptr},
        {"abc", nullptr},
    };
    for (const auto& c : cases) {
        const auto text = PlainNumber(c.stored);
        EXPECT_EQ(text.has_value(), c.text != nullptr) << c.stored;
        if (text && c.text) {
            EXPECT_EQ(*text, c.text) << c.stored;
        }
    }
}

TEST(SerialDateText, GivesIsoDatesAndTimes) {
    const struct {
        double serial;
        bool date1904;
        const char* text;
    } cases[] = {
        {45443, false, "2024-05-31"},
        {45443.5, false, "2024-05-31T12:00:00"},
        {45443.999999999, false, "2024-06-01"},  // rounds to the next midnight
        {1, false, "1900-01-01"},
        {59, false, "1900-02-28"},
        {61, false, "1900-03-01"},
        {0.75, false, "18:00:00"},
        {43981, true, "2024-05-31"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SerialDateText(c.serial, c.date1904).value_or("none"), c.text) << c.serial;
    }
    EXPECT_FALSE(SerialDateText(-1, false));
    EXPECT_FALSE(SerialDateText(3e6, false));
}

TEST(IsDateFormat, BuiltInDatesAndCodesWithDateParts) {
    const struct {
        int id;
        const char* code;
        bool date;
    } cases[] = {
        {14, "", true},
        {22, "", true},
        {2, "", false},
        {49, "", false},  // text
        {164, "yyyy\\-mm\\-dd", true},
        {165, "[$-409]d/m/yy;@", true},
        {166, "\"Day\" 0.00", false},  // the letters are quoted
        {167, "[Red]0.00", false},
        {168, "0.00\\d", false},
        {169, "0;[h]:mm", false},  // the first section decides
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDateFormat(c.id, c.code), c.date) << c.id << " " << c.code;
    }
}

TEST(CellName, NamesAndReadsColumns) {
    for (const auto& [column, name] : std::initializer_list<std::pair<std::size_t, const char*>>{
             {0, "A7"}, {25, "Z7"}, {26, "AA7"}, {16383, "XFD7"}}) {
        EXPECT_EQ(CellName(column, 7), name);
        std::size_t parsed = 0;
        long long row = 0;
        ASSERT_TRUE(ParseCellName(name, parsed, row)) << name;
        EXPECT_EQ(parsed, column);
        EXPECT_EQ(row, 7);
    }
    std::size_t column = 0;
    long long row = 0;
    for (const char* bad : {"7", "A", "A0", "AAAAA1", "A-1"}) {
        EXPECT_FALSE(ParseCellName(bad, column, row)) << bad;
    }
}

}  // namespace
