// Filling language texts, which users may edit.
#include "ui/TextFormat.h"

#include <gtest/gtest.h>

using ui::FormatText;

TEST(TextFormat, FillsTheLanguageTablesPlaceholdersAsPrintfWould) {
    EXPECT_EQ(FormatText("%d KB/s", {1764LL}), "1764 KB/s");
    EXPECT_EQ(FormatText("%d KB/s", {-5LL}), "-5 KB/s");
    EXPECT_EQ(FormatText("%.2d:%.2d:%.2d", {1LL, 2LL, 5LL}), "01:02:05");
    EXPECT_EQ(FormatText("Track: %02d - %s", {7LL, QStringLiteral("ok")}), "Track: 07 - ok");
    EXPECT_EQ(FormatText("Track %.2d - LBA: %.8d  Size:%8d Blocks %s",
                         {3LL, 1500LL, 750LL, QStringLiteral("Audio")}),
              "Track 03 - LBA: 00001500  Size:     750 Blocks Audio");
    EXPECT_EQ(FormatText("Free space: %.3f MB", {1.5}), "Free space: 1.500 MB");
    EXPECT_EQ(FormatText("Disc Used Size: %.2f MB", {650.4}), "Disc Used Size: 650.40 MB");
    EXPECT_EQ(FormatText("%.1f x", {24LL}), "24.0 x");
    EXPECT_EQ(FormatText("%.1f x", {40.09}), "40.1 x");
    EXPECT_EQ(FormatText("100%% %-4s|", {QStringLiteral("ab")}), "100% ab  |");
    EXPECT_EQ(FormatText("%.3s", {QStringLiteral("abcdef")}), "abc");
    EXPECT_EQ(FormatText("%ld %lld %hd", {1LL, 2LL, 3LL}), "1 2 3");
    EXPECT_EQ(FormatText("Error Erasing: (%d) %s\\r%s - %s",
                         {5LL, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}),
              "Error Erasing: (5) a\\rb - c");
}

TEST(TextFormat, HostileFormatsNeverReachPrintf) {
    // Too few arguments, %n, wrong types, absurd widths: defined text, no crash.
    EXPECT_EQ(FormatText("%s and %s and %d", {QStringLiteral("one")}), "one and %s and %d");
    EXPECT_EQ(FormatText("%n%p %", {1LL}), "%n%p %");
    EXPECT_EQ(FormatText("%d", {QStringLiteral("42")}), "42");
    EXPECT_EQ(FormatText("%d", {QStringLiteral("no number")}), "no number");
    EXPECT_EQ(FormatText("%d", {2.9}), "2");
    EXPECT_EQ(FormatText("%s", {3.5}), "3.5");
    const QString huge = FormatText("%999999999d|%.999999999f", {1LL, 1.0});
    EXPECT_LE(huge.size(), 600);
    EXPECT_TRUE(huge.contains('|'));
    EXPECT_EQ(FormatText("trailing %", {}), "trailing %");
    EXPECT_EQ(FormatText(QString::fromUtf8("Größe %s"), {QString::fromUtf8("ü")}),
              QString::fromUtf8("Größe ü"));
}
