#include <gtest/gtest.h>

#include "platform/core/TextLineBreaker.h"

namespace {

// Every byte is 10 points wide.
float tenPerByte(std::string_view s) {
    return 10.0f * static_cast<float>(s.size());
}

// Every character (not byte) is 10 points wide.
float tenPerChar(std::string_view s) {
    float w = 0;
    for (std::size_t i = 0; i < s.size(); i += TextLineBreaker::utf8Length(s, i))
        w += 10;
    return w;
}

} // namespace

TEST(TextLineBreaker, WrapsAtSpacesAndDropsTheBreakingSpace) {
    auto lines = TextLineBreaker::breakLines("the quick brown fox", 100, tenPerByte);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "the quick");
    EXPECT_EQ(lines[1], "brown fox");
}

TEST(TextLineBreaker, NewlinesBreakAndTrailingOnesCount) {
    auto lines = TextLineBreaker::breakLines("Page 3\n\nIntro\n\n", 1000, tenPerByte);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Page 3");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Intro");
    EXPECT_EQ(lines[4], "");
}

TEST(TextLineBreaker, KeepsLeadingSpacesOfAParagraph) {
    auto lines = TextLineBreaker::breakLines("Page   3 - Intro", 1000, tenPerByte);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Page   3 - Intro");
}

TEST(TextLineBreaker, BreaksAWordTooLongForALine) {
    auto lines = TextLineBreaker::breakLines("abcdefghij xy", 40, tenPerByte);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "abcd");
    EXPECT_EQ(lines[1], "efgh");
    EXPECT_EQ(lines[2], "ij");
    EXPECT_EQ(lines[3], "xy");
}

TEST(TextLineBreaker, NeverSplitsAUtf8Character) {
    // "é" is two bytes, "€" three: four characters fit in 40 points.
    auto lines = TextLineBreaker::breakLines("éé€€éé", 40, tenPerChar);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "éé€€");
    EXPECT_EQ(lines[1], "éé");
}

TEST(TextLineBreaker, MaxLinesAndEdgeCases) {
    auto lines = TextLineBreaker::breakLines("a b c d e f", 10, tenPerByte, 3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "c");
    EXPECT_EQ(TextLineBreaker::breakLines("", 100, tenPerByte).size(), 1u);
    // A width too small for even one character still makes progress.
    auto narrow = TextLineBreaker::breakLines("abc", 1, tenPerByte);
    EXPECT_EQ(narrow.size(), 3u);
}

TEST(TextLineBreaker, DropLastCharacterRemovesWholeCharacters) {
    EXPECT_EQ(TextLineBreaker::dropLastCharacter("ab€"), "ab");
    EXPECT_EQ(TextLineBreaker::dropLastCharacter("é"), "");
    EXPECT_EQ(TextLineBreaker::dropLastCharacter("x"), "");
    EXPECT_EQ(TextLineBreaker::dropLastCharacter(""), "");
    // A damaged tail (a lone continuation byte) goes byte by byte.
    EXPECT_EQ(TextLineBreaker::dropLastCharacter(std::string("a\x80")), "a");
    EXPECT_EQ(TextLineBreaker::utf8Length("\xE2\x82", 0), 1u); // truncated sequence
    EXPECT_EQ(TextLineBreaker::utf8Length("\xF0\x9F\x8E\xB8", 0), 4u);
}
