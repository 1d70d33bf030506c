#include <gtest/gtest.h>

#include "status/progress.h"

namespace {

const os::Rect kFrame{10, 40, 210, 60};

TEST(ComputeProgress, ShowsZeroPercentAndNoYellowForOneOfTwoHundred) {
    ProgressPicture p = ComputeProgress(&kFrame, 4, 1, 200);
    EXPECT_STREQ(p.Percent, "0%");
    EXPECT_EQ(p.Filled.right, p.Filled.left);
}

TEST(ComputeProgress, FillsTheWholeInnerAreaAtTheTotal) {
    ProgressPicture p = ComputeProgress(&kFrame, 4, 5000, 5000);
    EXPECT_STREQ(p.Percent, "100%");
    EXPECT_EQ(p.Filled.left, p.Text.left);
    EXPECT_EQ(p.Filled.right, p.Text.right);
    EXPECT_EQ(p.Filled.top, p.Text.top);
    EXPECT_EQ(p.Filled.bottom, p.Text.bottom);
}

TEST(ComputeProgress, StepsTwoPixelsInAtTheTopLeftAndOneAtTheBottomRightFromVersion4) {
    ProgressPicture p = ComputeProgress(&kFrame, 4, 0, 10);
    EXPECT_EQ(p.Text.left, 12);
    EXPECT_EQ(p.Text.top, 42);
    EXPECT_EQ(p.Text.right, 209);
    EXPECT_EQ(p.Text.bottom, 59);
}

TEST(ComputeProgress, StepsOnePixelInAtTheTopLeftOnlyBelowVersion4) {
    ProgressPicture p = ComputeProgress(&kFrame, 3, 0, 10);
    EXPECT_EQ(p.Text.left, 11);
    EXPECT_EQ(p.Text.top, 41);
    EXPECT_EQ(p.Text.right, 210);
    EXPECT_EQ(p.Text.bottom, 60);
}

TEST(ComputeProgress, GrowsTheYellowPartInWholePercents) {
    // Inner width 197 on version 4; 42 % of it is 82.74, cut to 82.
    ProgressPicture p = ComputeProgress(&kFrame, 4, 42, 100);
    EXPECT_STREQ(p.Percent, "42%");
    EXPECT_EQ(p.Filled.right, 12 + 82);
    // 42.9 % is still drawn as 42 %.
    ProgressPicture q = ComputeProgress(&kFrame, 4, 429, 1000);
    EXPECT_STREQ(q.Percent, "42%");
    EXPECT_EQ(q.Filled.right, p.Filled.right);
}

TEST(ComputeProgress, DoesNotOverflowForPositionsNearTheTopOf32Bits) {
    // position * 100 passes 32 bits; a 32-bit product would wrap to a small
    // percentage.
    ProgressPicture half = ComputeProgress(&kFrame, 4, 0x7FFFFFFFu, 0xFFFFFFFEu);
    EXPECT_STREQ(half.Percent, "50%");
    ProgressPicture full = ComputeProgress(&kFrame, 4, 0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_STREQ(full.Percent, "100%");
    EXPECT_EQ(full.Filled.right, full.Text.right);
}

TEST(ComputeProgress, FallsBackToASquareOf100WhenTheFrameIsMissing) {
    ProgressPicture p = ComputeProgress(nullptr, 4, 1, 2);
    EXPECT_EQ(p.Text.left, 2);
    EXPECT_EQ(p.Text.top, 2);
    EXPECT_EQ(p.Text.right, 99);
    EXPECT_EQ(p.Text.bottom, 99);
    EXPECT_STREQ(p.Percent, "50%");
}

}  // namespace
