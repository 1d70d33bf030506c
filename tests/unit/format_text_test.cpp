#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/format.h"

namespace {

TEST(FormatText, FillsTextsAndSignedNumbersInOrder) {
    char out[128];
    std::size_t n = FormatText(out, sizeof out, "Couldn't create file '%s'. Error code %i.",
                               "C:\\APP\\A.TXT", 5);
    EXPECT_STREQ(out, "Couldn't create file 'C:\\APP\\A.TXT'. Error code 5.");
    EXPECT_EQ(n, std::strlen(out));
}

TEST(FormatText, WritesNegativeNumbersWithTheirSign) {
    char out[32];
    FormatText(out, sizeof out, "%i|%d", -2147483647 - 1, -7);
    EXPECT_STREQ(out, "-2147483648|-7");
}

TEST(FormatText, WritesUnsignedNumbersAboveTheSignedRange) {
    char out[32];
    FormatText(out, sizeof out, "%u", 4294967295u);
    EXPECT_STREQ(out, "4294967295");
}

TEST(FormatText, TurnsADoublePercentIntoOne) {
    char out[16];
    FormatText(out, sizeof out, "%i%%", 42);
    EXPECT_STREQ(out, "42%");
}

TEST(FormatText, KeepsBackslashesCarriageReturnsAndQuotesOfTheFormat) {
    char out[64];
    FormatText(out, sizeof out, "%s\\%s\r\r\"%s\"", "C:", "APP", "x");
    EXPECT_STREQ(out, "C:\\APP\r\r\"x\"");
}

TEST(FormatText, NeverTreatsAnArgumentTextAsAFormat) {
    char out[32];
    FormatText(out, sizeof out, "[%s]", "%s%i%%");
    EXPECT_STREQ(out, "[%s%i%%]");
}

TEST(FormatText, CutsAtTheBufferAndStillTerminates) {
    char out[8];
    std::memset(out, 'X', sizeof out);
    std::size_t n = FormatText(out, 6, "%s", "ABCDEFGHIJ");
    EXPECT_EQ(n, 5u);
    EXPECT_STREQ(out, "ABCDE");
    EXPECT_EQ(out[6], 'X');  // nothing written past the size given
}

TEST(FormatText, CutsANumberThatDoesNotFitWithoutOverrun) {
    char out[8];
    std::memset(out, 'X', sizeof out);
    FormatText(out, 4, "%i", 123456);
    EXPECT_STREQ(out, "123");
    EXPECT_EQ(out[4], 'X');
}

TEST(FormatText, WritesNothingIntoAZeroSizedBuffer) {
    char out[2] = {'X', 'X'};
    EXPECT_EQ(FormatText(out, 0, "%s", "abc"), 0u);
    EXPECT_EQ(out[0], 'X');
}

TEST(FormatText, KeepsALonePercentAtTheEnd) {
    char out[8];
    FormatText(out, sizeof out, "50%");
    EXPECT_STREQ(out, "50%");
}

TEST(FormatText, PadsToAFieldWidth) {
    char out[32];
    FormatText(out, sizeof out, "[%4i][%-3s][%04u]", 7, "a", 12u);
    EXPECT_STREQ(out, "[   7][a  ][0012]");
}

TEST(CopyText, StopsAtTheEndOfAFieldWithoutItsNul) {
    const char field[4] = {'A', 'B', 'C', 'D'};
    char out[16];
    EXPECT_EQ(CopyText(out, sizeof out, field, sizeof field), 4u);
    EXPECT_STREQ(out, "ABCD");
}

TEST(CopyText, CutsToTheOutputBuffer) {
    char out[3];
    CopyText(out, sizeof out, "ABCDEF", 7);
    EXPECT_STREQ(out, "AB");
}

TEST(FieldLength, CountsUpToTheNulOrTheArrayEnd) {
    const char terminated[8] = "abc";
    const char full[3] = {'x', 'y', 'z'};
    EXPECT_EQ(FieldLength(terminated, sizeof terminated), 3u);
    EXPECT_EQ(FieldLength(full, sizeof full), 3u);
}

}  // namespace
