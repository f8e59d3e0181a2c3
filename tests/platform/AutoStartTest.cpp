#include "platform/AutoStart.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testsupport::readFile;
using testsupport::TempDir;

TEST(AutoStartTest, EntryWrittenWithExecutablePathAndRemoved) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    const auto entry = dir / "autostart" / "Dubrix.desktop";
    ASSERT_EQ(platform::AutoStartEntryPath("Dubrix"), entry);

    ASSERT_TRUE(platform::WriteAutoStartEntry("Dubrix", "/opt/platterly/platterly"));
    const auto text = readFile(entry);
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=/opt/platterly/platterly\n"), std::string::npos);

    ASSERT_TRUE(platform::WriteAutoStartEntry("Dubrix", "/opt/my apps/platterly"));
    EXPECT_NE(readFile(entry).find("\nExec=\"/opt/my apps/platterly\"\n"), std::string::npos);

    EXPECT_TRUE(platform::RemoveAutoStartEntry("Dubrix"));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(platform::RemoveAutoStartEntry("Dubrix")); // already gone is fine
}
