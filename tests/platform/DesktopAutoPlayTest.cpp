#include "platform/DesktopAutoPlay.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The desktop's setting is switched both ways and read back through the library loaded on
// first use. GSettings keeps it in memory here, so the machine's own setting is never touched.
TEST(DesktopAutoPlayTest, SwitchesTheDesktopSettingBothWays) {
    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    if (!platform::DesktopAutoPlayEnabled())
        GTEST_SKIP() << "this desktop has no media-handling settings";
    ASSERT_TRUE(platform::SetDesktopAutoPlay(false));
    EXPECT_EQ(platform::DesktopAutoPlayEnabled(), false);
    ASSERT_TRUE(platform::SetDesktopAutoPlay(true));
    EXPECT_EQ(platform::DesktopAutoPlayEnabled(), true);
}
