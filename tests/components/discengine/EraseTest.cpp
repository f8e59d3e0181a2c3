#include "discengine/Disc.h"
#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"
#include "support/TempDir.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace discengine;
namespace fs = std::filesystem;

namespace {

// Records the erase events in arrival order, with the thread they came on.
class Recorder : public IEngineListener {
public:
    struct Event {
        int status; // -1 for OnEraseError
        int progress;
        std::shared_ptr<IDeviceErrorX> error;
    };
    std::function<void(int status, int progress)> hook;

    void OnEraseStatus(std::int32_t, std::int32_t status, std::int32_t progress) override {
        if (hook)
            hook(status, progress);
        std::lock_guard lock(mutex);
        events.push_back({status, progress, nullptr});
        threads.push_back(std::this_thread::get_id());
    }
    void OnEraseError(std::int32_t, std::shared_ptr<IDeviceErrorX> error) override {
        std::lock_guard lock(mutex);
        events.push_back({-1, 0, error});
    }
    std::mutex mutex;
    std::vector<Event> events;
    std::vector<std::thread::id> threads;
};

struct Fixture {
    testsupport::TempDir dir;
    std::unique_ptr<IDVDEngineX> engine;
    Recorder recorder;
    Fixture() {
        engine = CreateEngine({dir / "drives", true});
        EXPECT_TRUE(engine->Initialize(0));
        engine->SetListener(&recorder);
    }
    ~Fixture() {
        engine->WaitForJobs();
        engine->SetListener(nullptr);
    }
    VirtualStore Store() { return VirtualStore(dir / "drives"); }
};

} // namespace

TEST(Erase, FullEraseOfARecordedCDRWEndsBlankWithOrderedEventsOnAWorker) {
    Fixture f;
    f.Store().InsertSampleAudio('E');
    f.Store().InsertBlank('E', kMediaCDRW, 30000);
    f.Store().InsertSampleAudio('E'); // audio content, CD-RW flags come from the new medium
    // Make the recorded disc a rewritable one holding audio.
    fs::path e = f.Store().FolderOf('E');
    MediumState m = ParseMediumIni(testsupport::readFile(e / "medium.ini"));
    m.mediaType = kMediaCDRW;
    m.erasable = true;
    m.capacity = 30000;
    testsupport::writeFile(e / "medium.ini", FormatMediumIni(m));
    auto device = f.engine->FindDevice('E');
    device->Refresh(true);
    ASSERT_EQ(device->DiscInfo()->TrackCount(), 5);

    ASSERT_TRUE(device->Erase(false, 0));
    f.engine->WaitForJobs();
    ASSERT_GE(f.recorder.events.size(), 3u);
    EXPECT_EQ(f.recorder.events.front().status, kEraseStarted);
    EXPECT_EQ(f.recorder.events.back().status, kEraseCompleted);
    int last = 0;
    for (std::size_t i = 1; i + 1 < f.recorder.events.size(); ++i) {
        EXPECT_EQ(f.recorder.events[i].status, kEraseProgress);
        EXPECT_GE(f.recorder.events[i].progress, last);
        last = f.recorder.events[i].progress;
    }
    EXPECT_EQ(last, 100);
    EXPECT_NE(f.recorder.threads.front(), std::this_thread::get_id());

    auto info = device->DiscInfo();
    EXPECT_EQ(info->MediaType(), kMediaCDRW);
    EXPECT_EQ(info->DiscStatus(), kDiscEmpty);
    EXPECT_EQ(info->SessionCount(), 0);
    EXPECT_EQ(device->FreeBlocks(true), 30000);
    EXPECT_FALSE(fs::exists(e / "disc.bin"));
}

TEST(Erase, QuickEraseBlanksAtOnce) {
    Fixture f;
    auto device = f.engine->FindDevice('E');
    ASSERT_TRUE(device->Erase(true, 0));
    f.engine->WaitForJobs();
    ASSERT_FALSE(f.recorder.events.empty());
    EXPECT_EQ(f.recorder.events.back().status, kEraseCompleted);
    EXPECT_EQ(device->DiscInfo()->DiscStatus(), kDiscEmpty);
}

TEST(Erase, CDRGivesAnEraseErrorThenFailedStatus) {
    Fixture f;
    f.Store().InsertBlank('E', kMediaCDR);
    auto device = f.engine->FindDevice('E');
    device->Refresh(false);
    EXPECT_FALSE(device->DiscInfo()->IsErasable());
    ASSERT_TRUE(device->Erase(true, 0));
    f.engine->WaitForJobs();
    ASSERT_EQ(f.recorder.events.size(), 2u);
    EXPECT_EQ(f.recorder.events[0].status, -1);
    EXPECT_EQ(f.recorder.events[0].error->ErrorCode(), kErrNotErasable);
    EXPECT_FALSE(f.recorder.events[0].error->Description().empty());
    EXPECT_FALSE(f.recorder.events[0].error->Context().empty());
    EXPECT_EQ(f.recorder.events[1].status, kEraseFailed);
    EXPECT_EQ(device->DiscInfo()->MediaType(), kMediaCDR); // untouched
}

TEST(Erase, InjectedFaultFailsAfterNBlocks) {
    Fixture f;
    DriveConfig config = f.Store().ReadDrive('E');
    config.failEraseAfterBlocks = 7000;
    f.Store().WriteDrive('E', config);
    auto device = f.engine->FindDevice('E');
    device->Refresh(false);
    ASSERT_TRUE(device->Erase(false, 0));
    f.engine->WaitForJobs();
    auto& events = f.recorder.events;
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().status, kEraseStarted);
    EXPECT_EQ(events[events.size() - 2].status, -1);
    EXPECT_EQ(events[events.size() - 2].error->ErrorCode(), kErrEraseFault);
    EXPECT_NE(events[events.size() - 2].error->Detail().find("7000"), std::string::npos);
    EXPECT_EQ(events.back().status, kEraseFailed);
    EXPECT_EQ(device->DiscInfo()->DiscStatus(), kDiscUnknown);
}

TEST(Erase, TrayOpenedMidRunEndsWithNoMediumError) {
    Fixture f;
    auto device = f.engine->FindDevice('E');
    f.recorder.hook = [&](int status, int) {
        if (status == kEraseProgress && !device->IsTrayOpen())
            VirtualStore(f.dir / "drives").SetTray('E', true); // as another process would
    };
    ASSERT_TRUE(device->Erase(false, 0));
    f.engine->WaitForJobs();
    auto& events = f.recorder.events;
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[events.size() - 2].status, -1);
    EXPECT_EQ(events[events.size() - 2].error->ErrorCode(), kErrNoMedium);
    EXPECT_EQ(events.back().status, kEraseFailed);
    EXPECT_EQ(device->DiscInfo()->MediaType(), kMediaNone);
}

TEST(Erase, SecondStartOnTheSameDriveIsRefused) {
    Fixture f;
    auto device = f.engine->FindDevice('E');
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    f.recorder.hook = [&](int status, int) {
        if (status != kEraseStarted)
            return;
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return release; });
    };
    ASSERT_TRUE(device->Erase(true, 0));
    EXPECT_FALSE(device->Erase(true, 0));
    EXPECT_FALSE(f.engine->FindDevice('E')->Erase(false, 0));
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    cv.notify_all();
    f.engine->WaitForJobs();
    EXPECT_EQ(f.recorder.events.back().status, kEraseCompleted);
    EXPECT_TRUE(device->Erase(true, 0)); // free again
}
