#include "settings/PlacementRules.h"

#include "base/Error.h"

#include <gtest/gtest.h>

TEST(PlacementRules, PadAndIncrementNumbers) {
    EXPECT_EQ(PadNumber(7), "0007");
    EXPECT_EQ(PadNumber(12345), "12345");
    const std::pair<const char*, const char*> cases[] = {
        {"0001", "0002"},   {"0009", "0010"}, {"9999", "10000"}, {"12a", "0012b"}, {"0007z", "0007z"},
        {"0007Z", "0007z"}, {"A3x", "A3x"},   {"take", "take"},  {"", ""},
    };
    for (const auto& [before, after] : cases)
        EXPECT_EQ(IncrementNumber(before), after) << before;
}

TEST(PlacementRules, TypedHoldIsAWholeNumberOfFramesOnASheet) {
    constexpr std::int32_t kKept = -1; // the kept hold stays
    constexpr std::int32_t kError = -2;
    const std::pair<const char*, std::int32_t> cases[] = {
        {"5", 5},       {"1", 1},        {"1637", 1637},   {"05", 5},       {"", kKept},
        {"0", kKept},   {"-1", kKept},   {"1638", kKept},  {"99999", kKept}, {" 5", kError},
        {"5 ", kError}, {"abc", kError}, {"5x", kError},   {"4294967296", kError},
    };
    for (const auto& [text, expected] : cases) {
        if (expected == kError) {
            try {
                TypedHold(text);
                ADD_FAILURE() << "no error for '" << text << "'";
            } catch (const ECwError& error) {
                EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid integer value");
            }
            continue;
        }
        EXPECT_EQ(TypedHold(text).value_or(kKept), expected) << "'" << text << "'";
    }
}
