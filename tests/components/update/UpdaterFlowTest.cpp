#include "UpdateFixtures.h"

#include "support/TempDir.h"
#include "update/Install.h"
#include "update/TUpdater.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace fs = std::filesystem;
using namespace update;
using testsupport::readFile;

namespace {

// Runs the component against a local server and collects its events.
struct Flow : ::testing::Test {
    testsupport::TempDir dir;
    fs::path app = dir / "bundle";
    fs::path next = dir / "next";
    updatetest::KeyPair keys = updatetest::MakeKeys();
    updatetest::LocalHttpServer server;
    TUpdater updater{keys.pub, "Platterly"};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<UpdateEvent> events;

    void SetUp() override {
        updatetest::MakeBundle(app, "1.0");
        updatetest::MakeBundle(next, "2.0");
        updater.AppDir = app.string() + "/";
        updater.CurVer = "1.0";
        updater.UpdateUrl = server.Url("/update.manifest");
        updater.OnUpdating = [this](const UpdateEvent& e) {
            std::lock_guard lock(mutex);
            events.push_back(e);
            changed.notify_all();
        };
    }
    // Waits for the job to end and gives its last event.
    UpdateEvent Finish() {
        updater.WaitUntilIdle();
        std::lock_guard lock(mutex);
        return events.empty() ? UpdateEvent{} : events.back();
    }
    UpdateEvent Check() {
        updater.CheckForUpdate();
        return Finish();
    }
    bool Saw(int state) {
        std::lock_guard lock(mutex);
        for (const auto& e : events)
            if (e.State == state)
                return true;
        return false;
    }
    void ExpectOldVersionUntouched() {
        EXPECT_EQ(updatetest::RunAndRead((app / "platterly").string()), "platterly 1.0\n");
        EXPECT_EQ(readFile(app / "libdiscengine.so"), "engine 1.0");
        EXPECT_FALSE(fs::exists(WorkFolder(app)));
        EXPECT_FALSE(Saw(StateInstalled));
    }
};

} // namespace

TEST_F(Flow, TheNewestVersionIsReportedAsSuch) {
    updatetest::ServeRelease(server, next, "1.0", keys, dir / "out");
    const UpdateEvent e = Check();
    EXPECT_TRUE(Saw(StateChecking));
    EXPECT_EQ(e.State, StateChecked);
    EXPECT_FALSE(e.Flag);
}

TEST_F(Flow, ANewerVersionIsFoundDownloadedVerifiedAndInstalled) {
    for (const bool zip : {false, true}) {
        updatetest::MakeBundle(app, "1.0");
        updater.CurVer = "1.0";
        updatetest::ServeRelease(server, next, zip ? "2.1" : "2.0", keys, dir / "out", zip);
        const UpdateEvent found = Check();
        ASSERT_EQ(found.State, StateChecked) << found.Text;
        EXPECT_TRUE(found.Flag);
        EXPECT_EQ(found.Text, zip ? "2.1" : "2.0");

        updater.DownloadUpdate();
        const UpdateEvent done = Finish();
        ASSERT_EQ(done.State, StateInstalled) << done.Text;
        EXPECT_TRUE(Saw(StateDownloading));
        EXPECT_TRUE(Saw(StateUnpacking));
        EXPECT_EQ(updatetest::RunAndRead((app / "platterly").string()), "platterly 2.0\n");
        EXPECT_EQ(readFile(app / "options.ini"), "[Options]\nV=1.0");
        EXPECT_EQ(readFile(app / "drives/D/drive.ini"), "[Drive]\nV=1.0");
        EXPECT_EQ(ReadInstallationInfo(app.string()).version, zip ? "2.1" : "2.0");
        EXPECT_FALSE(fs::exists(WorkFolder(app)));
    }
}

TEST_F(Flow, NoAddressAGarbageManifestAndABadSignatureAreErrors) {
    updater.UpdateUrl.clear();
    UpdateEvent e = Check();
    EXPECT_EQ(e.State, StateError);
    EXPECT_EQ(e.Value3, ErrNoAddress);

    updater.UpdateUrl = server.Url("/update.manifest");
    server.Put("/update.manifest", {"<html>It works!</html>"});
    e = Check();
    EXPECT_EQ(e.State, StateError);

    const auto other = updatetest::MakeKeys();
    updatetest::ServeRelease(server, next, "2.0", other, dir / "out");
    e = Check();
    EXPECT_EQ(e.State, StateError);
    EXPECT_EQ(e.Value3, ErrSignature);

    server.Put("/update.manifest", {std::string(2 * MaxManifestBytes, 'x')});
    e = Check();
    EXPECT_EQ(e.State, StateError);

    updater.UpdateUrl = server.Url("/missing");
    e = Check();
    EXPECT_EQ(e.State, StateError);
    EXPECT_EQ(e.Value3, ErrNetwork);
    ExpectOldVersionUntouched();
}

TEST_F(Flow, AWrongChecksumOrATruncatedDownloadInstallsNothing) {
    Manifest m = updatetest::ServeRelease(server, next, "2.0", keys, dir / "out");
    const std::string package = readFile(dir / "out/pkg.tar.xz");

    // Same size, one byte changed.
    std::string changed = package;
    changed[changed.size() / 2] ^= 0x55;
    server.Put("/pkg", {changed});
    ASSERT_TRUE(Check().Flag);
    updater.DownloadUpdate();
    UpdateEvent e = Finish();
    EXPECT_EQ(e.State, StateError);
    EXPECT_EQ(e.Value3, ErrPackage);
    ExpectOldVersionUntouched();

    // The server closes the connection after half the bytes.
    updatetest::Resource cut{package};
    cut.truncateAt = package.size() / 2;
    server.Put("/pkg", cut);
    ASSERT_TRUE(Check().Flag);
    updater.DownloadUpdate();
    e = Finish();
    EXPECT_EQ(e.State, StateError);
    EXPECT_EQ(e.Value3, ErrNetwork);
    ExpectOldVersionUntouched();
}

TEST_F(Flow, AReinstallEntryAsksForANewInstallation) {
    Manifest m;
    m.product = "Platterly";
    m.version = "9.0";
    m.reinstall = "https://platterly.org/download/";
    server.Put("/update.manifest", {SignManifest(m, keys.secret).value()});
    const UpdateEvent e = Check();
    EXPECT_EQ(e.State, StateReinstall);
    EXPECT_EQ(e.Text, "https://platterly.org/download/");
}

TEST_F(Flow, StopDuringTheDownloadLeavesNothingBehind) {
    updatetest::ServeRelease(server, next, "2.0", keys, dir / "out");
    updatetest::Resource held{readFile(dir / "out/pkg.tar.xz")};
    held.holdAt = held.body.size() / 2;
    server.Put("/pkg", held);
    ASSERT_TRUE(Check().Flag);
    updater.DownloadUpdate();
    server.WaitUntilHolding();
    const unsigned before = updater.CurrentJob();
    updater.StopUpdate();
    EXPECT_NE(updater.CurrentJob(), before);
    updater.WaitUntilIdle();
    server.Release();
    ExpectOldVersionUntouched();
    EXPECT_FALSE(Saw(StateError));
}

TEST_F(Flow, TheServerGoingAwayMidDownloadIsAnError) {
    updatetest::ServeRelease(server, next, "2.0", keys, dir / "out");
    updatetest::Resource held{readFile(dir / "out/pkg.tar.xz")};
    held.holdAt = held.body.size() / 3;
    server.Put("/pkg", held);
    ASSERT_TRUE(Check().Flag);
    updater.DownloadUpdate();
    server.WaitUntilHolding();
    server.Stop();
    const UpdateEvent e = Finish();
    EXPECT_EQ(e.State, StateError);
    EXPECT_EQ(e.Value3, ErrNetwork);
    ExpectOldVersionUntouched();
}

TEST_F(Flow, AHostilePackageIsRefusedBeforeAnythingIsInstalled) {
    const fs::path evil = dir / "evil.tar.xz";
    updatetest::WriteArchive(evil, {{"platterly", updatetest::ArchiveItem::File, "#!/bin/sh\n"},
                                    {"etc", updatetest::ArchiveItem::Link, "", "/etc"}});
    Manifest m;
    m.product = "Platterly";
    m.version = "2.0";
    m.package = "pkg";
    m.size = fs::file_size(evil);
    m.sha256 = *Sha256OfFile(evil);
    server.Put("/pkg", {readFile(evil)});
    server.Put("/update.manifest", {SignManifest(m, keys.secret).value()});
    ASSERT_TRUE(Check().Flag);
    updater.DownloadUpdate();
    const UpdateEvent e = Finish();
    EXPECT_EQ(e.State, StateError);
    EXPECT_EQ(e.Value3, ErrUnpack);
    ExpectOldVersionUntouched();
}
