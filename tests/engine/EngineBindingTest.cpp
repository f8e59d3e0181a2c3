// Engine events reach the UI thread in the worker's order; answers reach the worker.
#include "TestStore.h"

#include "engine/DVDEngineBinding.h"

#include "discengine/Disc.h"
#include "discengine/Errors.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace de = discengine;

namespace {

struct EraseEvent {
    int status;
    int progress;
    QThread* thread;
};

// Runs the event loop until `done` holds; the deadline only keeps a broken engine from hanging
// the test run.
template <typename Pred> bool PumpUntil(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class EngineBindingTest : public ::testing::Test {
protected:
    TestStore store;
};

TEST_F(EngineBindingTest, FullEraseOfACdRwArrivesOnTheUiThreadInOrderAndBlanksTheDisc) {
    store.AddWriter("1");
    store.LoadMedium('D', [] {
        de::MediumState m = TestStore::PressedAudioCD(2, 300);
        m.mediaType = de::kMediaCDRW;
        m.erasable = true;
        m.capacity = de::kBlocksCD80;
        return m;
    }());
    TDVDEngineX engine(store.MakeEngine());
    std::vector<EraseEvent> events;
    int errors = 0;
    QObject::connect(&engine, &TDVDEngineX::OnEraseStatus,
                     [&](int index, int status, int progress) {
                         EXPECT_EQ(index, 0);
                         events.push_back({status, progress, QThread::currentThread()});
                     });
    QObject::connect(&engine, &TDVDEngineX::OnEraseError, [&](int, auto) { ++errors; });

    auto drive = engine.Device(0);
    ASSERT_TRUE(drive->Erase(false, 0));
    ASSERT_TRUE(PumpUntil([&] { return !events.empty() && events.back().status >= 2; }));

    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().status, de::kEraseStarted);
    EXPECT_EQ(events.back().status, de::kEraseCompleted);
    EXPECT_EQ(errors, 0);
    int last = -1;
    for (std::size_t i = 1; i + 1 < events.size(); ++i) {
        EXPECT_EQ(events[i].status, de::kEraseProgress);
        EXPECT_GT(events[i].progress, last) << "progress out of order at event " << i;
        last = events[i].progress;
    }
    for (const auto& e : events)
        EXPECT_EQ(e.thread, QCoreApplication::instance()->thread());

    drive->Refresh(true);
    EXPECT_EQ(drive->DiscInfo()->DiscStatus(), de::kDiscEmpty);
    EXPECT_EQ(drive->DiscInfo()->SessionCount(), 0);
}

TEST_F(EngineBindingTest, EraseOfACdRGivesTheErrorBeforeTheFailedStatus) {
    store.AddWriter("1");
    store.LoadMedium('D', [] {
        de::MediumState m = TestStore::PressedAudioCD(1, 300);
        m.mediaType = de::kMediaCDR;
        return m;
    }());
    TDVDEngineX engine(store.MakeEngine());
    QStringList order;
    std::shared_ptr<de::IDeviceErrorX> error;
    QObject::connect(&engine, &TDVDEngineX::OnEraseStatus,
                     [&](int, int status, int) { order << QString("status %1").arg(status); });
    QObject::connect(&engine, &TDVDEngineX::OnEraseError, [&](int, auto e) {
        order << "error";
        error = e;
    });

    auto drive = engine.Device(0);
    // The job starts and refuses the medium itself.
    ASSERT_TRUE(drive->Erase(true, 0));
    ASSERT_TRUE(PumpUntil([&] { return order.contains("status 3"); }));
    EXPECT_EQ(order, (QStringList{"error", "status 3"}));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->ErrorCode(), de::kErrNotErasable);
    EXPECT_FALSE(error->Description().empty());
    // The disc is untouched.
    drive->Refresh(true);
    EXPECT_EQ(drive->DiscInfo()->DiscStatus(), de::kDiscComplete);
}

TEST_F(EngineBindingTest, TrayOpenedDuringAFullEraseEndsItWithAnError) {
    store.AddWriter("1");
    store.Store().InsertBlank('D', de::kMediaCDRW);
    TDVDEngineX engine(store.MakeEngine());
    std::vector<int> statuses;
    std::shared_ptr<de::IDeviceErrorX> error;
    QObject::connect(&engine, &TDVDEngineX::OnEraseStatus,
                     [&](int, int status, int) { statuses.push_back(status); });
    QObject::connect(&engine, &TDVDEngineX::OnEraseError, [&](int, auto e) { error = e; });

    auto drive = engine.Device(0);
    // About 6 MB/s: a full erase of 700 MB takes minutes, so it still runs when the tray opens.
    ASSERT_TRUE(drive->Erase(false, 6000));
    ASSERT_TRUE(PumpUntil([&] { return !statuses.empty(); }));
    store.Store().SetTray('D', true);
    ASSERT_TRUE(PumpUntil([&] { return statuses.back() >= 2; }));
    EXPECT_EQ(statuses.back(), de::kEraseFailed);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->ErrorCode(), de::kErrNoMedium);
}

// An engine whose events the test raises from its own worker thread, to reach the answer path
// (write and verify events) that the engine's erase does not use.
class ScriptedEngine final : public de::IDVDEngineX {
public:
    ~ScriptedEngine() override { WaitForJobs(); }
    bool Initialize(std::int32_t) override { return true; }
    std::string LastError() const override { return {}; }
    std::filesystem::path StorePath() const override { return {}; }
    std::int32_t DeviceCount() const override { return 0; }
    std::shared_ptr<de::IDeviceX> Device(std::int32_t) const override {
        throw de::EngineError("no drive");
    }
    std::shared_ptr<de::IDeviceX> FindDevice(char) const override { return nullptr; }
    std::shared_ptr<de::IDataImageX> DataImage() override { return nullptr; }
    std::shared_ptr<de::IAudioCDImageX> AudioImage() override { return nullptr; }
    void SetListener(de::IEngineListener* l) override { listener = l; }
    void WaitForJobs() override {
        if (worker.joinable())
            worker.join();
    }

    std::atomic<de::IEngineListener*> listener{nullptr};
    std::thread worker;
};

TEST(EngineBindingAnswers, HandlersAnswerTheWorkerThroughTheBoolReference) {
    auto owned = std::make_unique<ScriptedEngine>();
    ScriptedEngine& scripted = *owned;
    TDVDEngineX engine(std::move(owned));

    QStringList seen;
    QObject::connect(&engine, &TDVDEngineX::OnWriteStatus,
                     [&](int, int progress, int, int, int, int, int, int, int, int, bool& cancel) {
                         seen << QString("status %1").arg(progress);
                         cancel = progress >= 50;
                     });
    QObject::connect(
        &engine, &TDVDEngineX::OnTrackFileWarning, [&](int, auto error, int track, bool& ignore) {
            seen << QString("warning %1 %2").arg(track).arg(QString::fromStdString(error->Path()));
            ignore = true;
        });
    QObject::connect(&engine, &TDVDEngineX::OnTrackFileStatus,
                     [&](int, int track, int, int, const QString& name) {
                         seen << QString("file %1 %2").arg(track).arg(name);
                     });

    std::vector<bool> answers;
    std::atomic<bool> finished{false};
    scripted.worker = std::thread([&] {
        de::IEngineListener* l = scripted.listener;
        l->OnTrackFileStatus(1, 2, 3, 1, "b.wav");
        bool ignore = false;
        l->OnTrackFileWarning(1, de::MakeFileError(5, "odd", "/x/b.wav"), 2, ignore);
        answers.push_back(ignore);
        for (int p : {10, 50}) {
            bool cancel = false;
            l->OnWriteStatus(1, p, 0, 0, 1, 1, p, 0, 0, de::kWriteWriting, cancel);
            answers.push_back(cancel);
        }
        finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return finished.load(); }));
    scripted.WaitForJobs();

    EXPECT_EQ(seen, (QStringList{"file 2 b.wav", "warning 2 /x/b.wav", "status 10", "status 50"}));
    EXPECT_EQ(answers, (std::vector<bool>{true, false, true}));
}

TEST(EngineBindingAnswers, ClosingTheBindingReleasesAWorkerWaitingForAnAnswer) {
    auto owned = std::make_unique<ScriptedEngine>();
    ScriptedEngine& scripted = *owned;
    std::atomic<bool> answered{false};
    bool cancel = false;
    {
        TDVDEngineX engine(std::move(owned));
        std::atomic<bool> asking{false};
        scripted.worker = std::thread([&] {
            de::IEngineListener* l = scripted.listener;
            asking = true;
            l->OnWriteStatus(1, 10, 0, 0, 1, 1, 10, 0, 0, de::kWriteWriting, cancel);
            answered = true;
        });
        while (!asking)
            std::this_thread::yield();
        // The UI thread never runs its loop here; destroying the binding must not deadlock.
    }
    EXPECT_TRUE(answered);
    EXPECT_TRUE(cancel); // a job nobody can answer any more is told to stop
}

TEST(EngineBindingAnswers, EventsRaisedOnTheUiThreadAreEmittedAtOnce) {
    auto owned = std::make_unique<ScriptedEngine>();
    ScriptedEngine& scripted = *owned;
    TDVDEngineX engine(std::move(owned));
    QObject::connect(&engine, &TDVDEngineX::OnFileVerify,
                     [](int, auto, double, double, int, int, int, bool& cancel) { cancel = true; });
    bool cancel = false;
    scripted.listener.load()->OnFileVerify(1, nullptr, 1, 2, 0, 1, 1, cancel);
    EXPECT_TRUE(cancel);
}

} // namespace

namespace {

// Events reach the UI through one queue: many in a row all arrive, in order, and a handler that
// runs a nested event loop (a message box) still gets the events behind its own, including a
// question the worker waits on.
TEST(EngineBindingQueue, EveryEventArrivesInOrderAlsoInsideANestedLoop) {
    auto owned = std::make_unique<ScriptedEngine>();
    ScriptedEngine& scripted = *owned;
    TDVDEngineX engine(std::move(owned));

    QStringList seen;
    std::vector<int> indexes;
    bool nestedTimedOut = false;
    QObject::connect(&engine, &TDVDEngineX::OnTrackFileStatus,
                     [&](int, int, int, int index, const QString& name) {
                         if (name != "box") {
                             indexes.push_back(index);
                             return;
                         }
                         seen << "box opened";
                         QEventLoop box;
                         QTimer::singleShot(30000, &box, [&] {
                             nestedTimedOut = true;
                             box.quit();
                         });
                         QObject::connect(&engine, &TDVDEngineX::OnFileVerifyComplete, &box,
                                          &QEventLoop::quit);
                         box.exec();
                         seen << "box closed";
                     });
    QObject::connect(&engine, &TDVDEngineX::OnWriteStatus,
                     [&](int, int progress, int, int, int, int, int, int, int, int, bool& cancel) {
                         seen << QString("asked %1").arg(progress);
                         cancel = true;
                     });
    QObject::connect(&engine, &TDVDEngineX::OnFileVerifyComplete,
                     [&](int, int, int) { seen << "last"; });

    constexpr int kMany = 10000;
    bool cancel = false;
    std::atomic<bool> finished{false}, aboutToAsk{false};
    scripted.worker = std::thread([&] {
        de::IEngineListener* l = scripted.listener;
        for (int i = 1; i <= kMany; ++i)
            l->OnTrackFileStatus(1, 1, kMany, i, "f");
        l->OnTrackFileStatus(1, 1, kMany, 0, "box");
        aboutToAsk = true;
        l->OnWriteStatus(1, 7, 0, 0, 1, 1, 7, 0, 0, de::kWriteWriting, cancel);
        l->OnFileVerifyComplete(1, 1, 1);
        finished = true;
    });
    // Everything is queued before the UI thread looks, so no later event can start the loop
    // that the box needs.
    while (!aboutToAsk)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(PumpUntil([&] { return finished.load() && seen.contains("box closed"); }));
    scripted.WaitForJobs();

    EXPECT_FALSE(nestedTimedOut);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(seen, (QStringList{"box opened", "asked 7", "last", "box closed"}));
    ASSERT_EQ(indexes.size(), static_cast<std::size_t>(kMany));
    for (int i = 0; i < kMany; ++i)
        ASSERT_EQ(indexes[i], i + 1);
}

} // namespace
