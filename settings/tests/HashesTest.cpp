#include "settings/Hashes.h"

#include <gtest/gtest.h>

TEST(StringsHash, HashesKeysByteByByte) {
    // Worked by hand from the seed 0x12345670: shift left by 4, add the byte, fold the top nibble down.
    struct Case {
        std::string_view key;
        std::uint32_t hash;
        std::int32_t bucket;
    };
    const Case cases[] = {
        {"a", 0x23456761u, 97},
        {"ab", 0x34567672u, 114},
        {"sOK", 0x4567787Bu, 123},
        {"sOk", 0x4567785Bu, 91},
        {"msgNewWithFoldersInst", 0xEF0007E4u, 100},
        {"\xFF", 0x234567FFu, 127}, // a byte counts 0 to 255, not as a negative char
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key));
        EXPECT_EQ(THash::HashOf(c.key), c.hash);
        EXPECT_EQ(THash::BucketOf(c.key), c.bucket);
    }
}

TEST(StringsHash, PutsGetsAndReplacesTextsByExactKey) {
    TStringsHash table;
    // Far more keys than buckets, so every bucket holds several.
    for (int i = 0; i < 1000; ++i)
        table.Put("key" + std::to_string(i), "text " + std::to_string(i));
    table.Put("sOK", "first");
    table.Put("sOk", "other case");
    table.Put("sOK", "second");

    EXPECT_EQ(table.Count(), 1002u);
    for (int i = 0; i < 1000; i += 37)
        EXPECT_EQ(table.Get("key" + std::to_string(i)), "text " + std::to_string(i));
    EXPECT_EQ(table.Get("sOK"), "second");
    EXPECT_EQ(table.Get("sOk"), "other case");
    EXPECT_TRUE(table.Exists("key999"));
    EXPECT_FALSE(table.Exists("key1000"));
    EXPECT_FALSE(table.Exists("sok"));

    table.Clear();
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_FALSE(table.Exists("sOK"));
    table.Put("sOK", "again");
    EXPECT_EQ(table.Get("sOK"), "again");
}

TEST(StringsHash, RefusesEmptyKeysAndReportsMissingOnes) {
    TStringsHash table;
    table.Put("sFile", "Datei");
    auto message = [](auto&& call) {
        try {
            call();
        } catch (const EHashError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { table.Put("", "x"); }), "Key cannot be an empty string");
    EXPECT_EQ(message([&] { (void)table.Exists(""); }), "Key cannot be an empty string");
    EXPECT_EQ(message([&] { (void)table.Get(""); }), "Key cannot be an empty string");
    EXPECT_EQ(message([&] { (void)table.Get("sEdit"); }), "Key \"sEdit\" not found");
    EXPECT_THROW((void)table.Get("sEdit"), EHashFindError);
    EXPECT_THROW(table.Put("", "x"), EHashInvalidKeyError);
    EXPECT_EQ(table.Count(), 1u);
}
