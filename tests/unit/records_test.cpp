#include <gtest/gtest.h>

#include "package/records.h"

// The record layouts are asserted at compile time; this checks the marker
// constant spells the four letters the package stores.
TEST(Records, MarkerWordSpellsTheFourLetters) {
    const unsigned char bytes[4] = {'i', 'N', 'S', 't'};
    std::uint32_t word = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    EXPECT_EQ(word, MarkerWord);
}
