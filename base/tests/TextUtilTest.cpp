#include "base/TextUtil.h"

#include "base/Error.h"

#include <gtest/gtest.h>

TEST(TextUtil, ParseInt32AcceptsOnlyPlainDecimalNumbers) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"-7", -7},
        {"+3", 3},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"1.5", std::nullopt},
        {"12a", std::nullopt},
        {" 1", std::nullopt},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseInt32(c.text), c.expected) << c.text;
}

TEST(TextUtil, StrToIntRaisesTheNumberConversionError) {
    try {
        StrToInt("abc");
        FAIL();
    } catch (const ECwError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(TextUtil, SplitLinesEndsLinesAtCrLfAndCrLf) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(TextUtil, DecodeTextKeepsUtf8AndReadsOtherBytesAsWindows1252) {
    EXPECT_EQ(DecodeText("Ébauche"), "Ébauche");
    EXPECT_EQ(DecodeText("\xC9"
                         "bauche \x80"),
              "Ébauche €");
    EXPECT_EQ(DecodeText("\xE2\x82"), "â\xE2\x80\x9A"); // a cut-off UTF-8 sequence is not UTF-8
    // Line by line: one stray byte leaves the UTF-8 of the other lines alone.
    EXPECT_EQ(DecodeText("Caf\xC3\xA9\r\nna\xEFve\r\n\r\nd\xC3\xA9j\xC3\xA0\n"),
              "Café\r\nnaïve\r\n\r\ndéjà\n");
    // Byte-order marks at the start are not text.
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xEF\xBB\xBF<xsheet>"), "<xsheet>");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xE9t\xE9"), "été");
}

TEST(TextUtil, FolderPathEndsWithASeparator) {
    EXPECT_EQ(FolderPath("/home/ann/Documents"), "/home/ann/Documents/");
    EXPECT_EQ(FolderPath("/home/ann/"), "/home/ann/");
    EXPECT_EQ(FolderPath("C:\\Anim\\"), "C:\\Anim\\");
    EXPECT_EQ(FolderPath(""), "");
}

TEST(TextUtil, TrimRemovesSpacesAndControlCharacters) {
    EXPECT_EQ(Trim(" \t<fps>24</fps>\r "), "<fps>24</fps>");
    EXPECT_EQ(Trim(" \t "), "");
}
