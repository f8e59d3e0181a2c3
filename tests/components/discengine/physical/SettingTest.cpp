// Which physical drives the engine uses, the letters they take and what the drive registry
// answers for each letter.
#include "physical/Libburn.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include "discengine/DriveRegistry.h"
#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"

#include <cdio/cdio.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

using namespace discengine;

namespace {

TEST(PhysicalSetting, OffScanOrAListOfAddresses) {
    bool scan = false;
    EXPECT_TRUE(physical::AddressesOfSetting("0", scan).empty());
    EXPECT_FALSE(scan);
    EXPECT_TRUE(physical::AddressesOfSetting("", scan).empty());
    EXPECT_TRUE(scan);
    EXPECT_TRUE(physical::AddressesOfSetting(" 1 ", scan).empty());
    EXPECT_TRUE(scan);
    EXPECT_EQ(physical::AddressesOfSetting("/dev/sr1, stdio:/tmp/a b.iso,,", scan),
              (std::vector<std::string>{"/dev/sr1", "stdio:/tmp/a b.iso"}));
    EXPECT_FALSE(scan);
}

TEST(PhysicalSetting, TheEnvironmentWinsOverTheCallersSetting) {
    testsupport::TempDir dir;
    {
        testsupport::ScopedEnv off("PLATTERLY_PHYSICAL_DRIVES", "0");
        EXPECT_TRUE(physical::FindPhysicalDrives("stdio:" + (dir / "x.iso").string()).empty());
    }
    testsupport::ScopedEnv list("PLATTERLY_PHYSICAL_DRIVES", "stdio:" + (dir / "y.iso").string());
    auto found = physical::FindPhysicalDrives("0");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, "stdio:" + (dir / "y.iso").string());
}

TEST(PhysicalScan, ScanningFindsOnlyRealDrivesAndLetsThemGo) {
    testsupport::ScopedEnv scan("PLATTERLY_PHYSICAL_DRIVES", "1");
    auto found = physical::FindPhysicalDrives("");
    for (const auto& drive : found) {
        EXPECT_FALSE(drive.address.empty());
        EXPECT_NE(drive.address.rfind("stdio:", 0), 0u) << "a scan never makes pseudo-drives";
    }
    // The scan released every drive: scanning again finds the same ones.
    auto again = physical::FindPhysicalDrives("1");
    ASSERT_EQ(again.size(), found.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(again[i].address, found[i].address);

    // The engine lists what the scan finds before the store's drives.
    testsupport::TempDir dir;
    auto engine = CreateEngine({dir / "drives", true, ""});
    ASSERT_TRUE(engine->Initialize(0)) << engine->LastError();
    ASSERT_EQ(engine->DeviceCount(), static_cast<std::int32_t>(found.size()) + 3);
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(engine->Device(static_cast<std::int32_t>(i))->DeviceId(), found[i].address);
    EXPECT_EQ(engine->Device(static_cast<std::int32_t>(found.size()))->DeviceId(),
              "virtual:" + VirtualStore(dir / "drives").DriveFolders()[0].filename().string());
}

TEST(PhysicalLetters, WithoutPhysicalDrivesTheStoreKeepsDEF) {
    testsupport::ScopedEnv off("PLATTERLY_PHYSICAL_DRIVES", "0");
    testsupport::TempDir dir;
    auto engine = CreateEngine({dir / "drives", true, "stdio:" + (dir / "ignored.iso").string()});
    ASSERT_TRUE(engine->Initialize(0));
    ASSERT_EQ(engine->DeviceCount(), 3);
    EXPECT_EQ(engine->Device(0)->DriveLetter(), 'D');
    EXPECT_EQ(engine->Device(0)->DeviceId().rfind("virtual:", 0), 0u);
    auto source = DriveCdioSource('D', dir / "drives");
    ASSERT_TRUE(source); // the sample audio CD of the store's first drive
    EXPECT_EQ(source->driver, DRIVER_BINCUE);
}

TEST(PhysicalLetters, PhysicalDrivesComeFirstAndTheRegistryFollowsTheShift) {
    testsupport::TempDir dir;
    const auto first = dir / "first.iso", second = dir / "second.iso";
    testsupport::ScopedEnv list("PLATTERLY_PHYSICAL_DRIVES",
                                "stdio:" + first.string() + ",stdio:" + second.string());
    auto engine = CreateEngine({dir / "drives", true, ""});
    ASSERT_TRUE(engine->Initialize(0)) << engine->LastError();
    ASSERT_EQ(engine->DeviceCount(), 5);
    const std::string letters = "DEFGH";
    for (int i = 0; i < 5; ++i) {
        auto device = engine->Device(i);
        EXPECT_EQ(device->Index(), i);
        EXPECT_EQ(device->DriveLetter(), letters[static_cast<std::size_t>(i)]);
        EXPECT_EQ(device->Description().substr(0, 3), std::string(1, letters[i]) + ": ");
    }
    EXPECT_EQ(engine->Device(0)->DeviceId(), "stdio:" + first.string());
    EXPECT_EQ(engine->Device(1)->DeviceId(), "stdio:" + second.string());
    EXPECT_NE(engine->Device(0)->Description().find(first.string()), std::string::npos)
        << "a physical drive's description names its device";
    EXPECT_EQ(engine->FindDevice('f')->DeviceId().rfind("virtual:", 0), 0u);

    // The grabbing library asks by letter: D and E are the devices, F is the store's first
    // drive (the sample audio CD), H its third.
    auto d = DriveCdioSource('D', dir / "drives");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->path, first.string());
    auto f = DriveCdioSource('f', dir / "drives");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->driver, DRIVER_BINCUE);
    EXPECT_EQ(fs::path(f->path).parent_path(), VirtualStore(dir / "drives").DriveFolders()[0]);
    EXPECT_FALSE(DriveCdioSource('G', dir / "drives")) << "a blank CD-RW has nothing to read";
    EXPECT_FALSE(DriveCdioSource('I', dir / "drives"));
}

} // namespace
