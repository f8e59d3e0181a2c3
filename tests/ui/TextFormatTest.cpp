#include "ui/TextFormat.h"

#include <gtest/gtest.h>

using ui::FormatText;

TEST(TextFormat, FillsTheLanguageTablesPlaceholders) {
    EXPECT_EQ(FormatText("%d KB/s", {1764LL}), "1764 KB/s");
    EXPECT_EQ(FormatText("%.2d:%.2d:%.2d", {1LL, 2LL, 5LL}), "01:02:05");
    EXPECT_EQ(FormatText("Track: %02d - %s", {7LL, QStringLiteral("ok")}), "Track: 07 - ok");
    EXPECT_EQ(FormatText("Free space: %.3f MB", {1.5}), "Free space: 1.500 MB");
    EXPECT_EQ(FormatText("%.1f x", {24LL}), "24.0 x");
    EXPECT_EQ(FormatText("100%% done", {}), "100% done");
    EXPECT_EQ(FormatText("Error Erasing: (%d) %s\\r%s - %s",
                         {5LL, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}),
              "Error Erasing: (5) a\\rb - c");
}

TEST(TextFormat, HostileFormatsNeverReachPrintf) {
    // Too few arguments, %n, wrong types, absurd widths: defined text, no crash.
    EXPECT_EQ(FormatText("%s %s %d", {QStringLiteral("x")}), "x  0");
    EXPECT_EQ(FormatText("%n%p", {1LL}), "%n%p");
    EXPECT_EQ(FormatText("%d", {QStringLiteral("42")}), "42");
    EXPECT_EQ(FormatText("%s", {3.5}), "3.5");
    EXPECT_EQ(FormatText("%99999999d", {1LL}).size(), 256);
    EXPECT_EQ(FormatText("trailing %", {}), "trailing %");
    EXPECT_EQ(FormatText(QString::fromUtf8("Größe %s"), {QString::fromUtf8("ü")}),
              QString::fromUtf8("Größe ü"));
}
