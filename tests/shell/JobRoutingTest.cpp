// Engine events reach the page that started the job, and no other, whichever page is on show.
#include "app/Shell.h"
#include "discengine/Disc.h"
#include "engine/DVDEngineBinding.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A page as the shell sees it: records what reaches it and may cancel a write.
struct RecordingOwner : app::EngineJobOwner {
    std::vector<int> eraseStatuses;
    std::vector<int> writeStatuses;
    bool cancelWrites = false;
    void DVDEngineEraseStatus(std::int32_t, std::int32_t status, std::int32_t) override {
        eraseStatuses.push_back(status);
    }
    void DVDEngineWriteStatus(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                              std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                              std::int32_t status, bool& cancel) override {
        writeStatuses.push_back(status);
        if (cancelWrites && status == discengine::kWriteWriting)
            cancel = true;
    }
};

class JobRouting : public ::testing::Test {
protected:
    void SetUp() override {
        engine = std::make_unique<TDVDEngineX>(discengine::EngineOptions{dir / "drives", true});
        ASSERT_TRUE(engine->Initialize(0));
        shell.SetEngine(engine.get());
        // What the engine raised, seen beside the shell, to know when a job is over.
        QObject::connect(engine.get(), &TDVDEngineX::OnEraseStatus,
                         [this](std::int32_t, std::int32_t status, std::int32_t) {
                             ended += status == discengine::kEraseCompleted ||
                                      status == discengine::kEraseFailed;
                         });
        QObject::connect(engine.get(), &TDVDEngineX::OnWriteStatus,
                         [this](std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                std::int32_t, std::int32_t status, bool&) {
                             if (status >= discengine::kWriteCompleted &&
                                 status <= discengine::kWriteError) {
                                 ++ended;
                                 lastWriteEnd = status;
                             }
                         });
    }
    void TearDown() override {
        if (engine)
            engine->WaitForJobs();
    }
    void Erase() {
        const int before = ended;
        auto drive = engine->FindDevice('E');
        ASSERT_TRUE(drive);
        ASSERT_TRUE(drive->Erase(true, 0));
        WaitFor(before);
    }
    void WaitFor(int before) {
        QDeadlineTimer deadline(60000);
        while (ended == before && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_EQ(ended, before + 1) << "the job did not end";
        engine->WaitForJobs();
        QCoreApplication::processEvents();
    }

    testsupport::TempDir dir;
    QWidget window;
    app::Shell shell{&window};
    std::unique_ptr<TDVDEngineX> engine;
    RecordingOwner erasePage, burnPage;
    int ended = 0;
    int lastWriteEnd = -1;
};

} // namespace

TEST_F(JobRouting, AJobWithoutAnOwnerReachesNoPage) {
    EXPECT_TRUE(shell.Idle());
    EXPECT_EQ(shell.CurrentPage(), app::PageId::Intro);
    Erase();
    EXPECT_TRUE(erasePage.eraseStatuses.empty());
    EXPECT_TRUE(burnPage.eraseStatuses.empty());
}

TEST_F(JobRouting, OnlyTheOwnerHearsItsJobWhicheverPageIsShown) {
    shell.SetCurrentPage(app::PageId::BurnCD); // another page is on show
    shell.BeginEngineJob(&erasePage);
    Erase();
    ASSERT_FALSE(erasePage.eraseStatuses.empty());
    EXPECT_EQ(erasePage.eraseStatuses.front(), discengine::kEraseStarted);
    EXPECT_EQ(erasePage.eraseStatuses.back(), discengine::kEraseCompleted);
    EXPECT_TRUE(burnPage.eraseStatuses.empty());

    // Another page cannot end the owner's job; the owner can.
    shell.EndEngineJob(&burnPage);
    EXPECT_EQ(shell.JobOwner(), &erasePage);
    shell.EndEngineJob(&erasePage);
    EXPECT_EQ(shell.JobOwner(), nullptr);
    const auto heard = erasePage.eraseStatuses.size();
    Erase();
    EXPECT_EQ(erasePage.eraseStatuses.size(), heard) << "an ended job's owner still hears";
}

TEST_F(JobRouting, TheOwnersAnswerReachesTheEngine) {
    testsupport::writeFile(dir / "big.bin", std::string(24 << 20, 'x'));
    auto image = engine->DataImage();
    image->Layout()->AddItem((dir / "big.bin").string(), "\\big.bin");
    image->SetWriteKind(1);
    burnPage.cancelWrites = true;
    shell.BeginEngineJob(&burnPage);
    const int before = ended;
    ASSERT_TRUE(image->WriteToImageFile(dir / "out.iso"));
    WaitFor(before);
    EXPECT_EQ(lastWriteEnd, discengine::kWriteCancelled) << "the owner's cancel was lost";
    EXPECT_EQ(burnPage.writeStatuses.back(), discengine::kWriteCancelled);
    EXPECT_TRUE(erasePage.writeStatuses.empty());
    EXPECT_FALSE(fs::exists(dir / "out.iso"));
}
