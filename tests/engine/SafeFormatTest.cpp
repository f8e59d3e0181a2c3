// Formatting of language texts, which users may edit.
#include "engine/SafeFormat.h"

#include <gtest/gtest.h>

using engineui::SafeFormat;

namespace {

TEST(SafeFormatTest, FormatsTheReportsPlaceholdersAsPrintfWould) {
    EXPECT_EQ(
        SafeFormat("Track %.2d - LBA: %.8d  Size:%8d Blocks %s",
                   {std::int64_t{3}, std::int64_t{1500}, std::int64_t{750}, QString("Audio")}),
        "Track 03 - LBA: 00001500  Size:     750 Blocks Audio");
    EXPECT_EQ(SafeFormat("Disc Used Size: %.2f MB", {650.4}), "Disc Used Size: 650.40 MB");
    EXPECT_EQ(SafeFormat("%.1f x", {40.09}), "40.1 x");
    EXPECT_EQ(SafeFormat("%d KB/s", {std::int64_t{-5}}), "-5 KB/s");
    EXPECT_EQ(SafeFormat("100%% %-4s|", {QString("ab")}), "100% ab  |");
    EXPECT_EQ(SafeFormat("%.3s", {QString("abcdef")}), "abc");
}

TEST(SafeFormatTest, MismatchedOrMissingArgumentsNeverReadPastWhatWasGiven) {
    EXPECT_EQ(SafeFormat("%s and %s and %d", {QString("one")}), "one and %s and %d");
    EXPECT_EQ(SafeFormat("%s", {std::int64_t{42}}), "42");
    EXPECT_EQ(SafeFormat("%d", {2.9}), "2");
    EXPECT_EQ(SafeFormat("%.2f", {std::int64_t{3}}), "3.00");
    EXPECT_EQ(SafeFormat("%d", {QString("17")}), "17");
    EXPECT_EQ(SafeFormat("%d", {QString("no number")}), "no number");
    EXPECT_EQ(SafeFormat("%n %p %", {QString("x")}), "%n %p %");
    EXPECT_EQ(SafeFormat("%ld %lld %hd", {std::int64_t{1}, std::int64_t{2}, std::int64_t{3}}),
              "1 2 3");
}

TEST(SafeFormatTest, HugeWidthsAreCapped) {
    const QString out = SafeFormat("%999999999d|%.999999999f", {std::int64_t{1}, 1.0});
    EXPECT_LE(out.size(), 600);
    EXPECT_TRUE(out.contains('|'));
}

} // namespace
