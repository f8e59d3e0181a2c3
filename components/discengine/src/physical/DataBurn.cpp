// A data image burned to a physical drive: libburn pulls the image from our writer through a
// StreamFeed while the writer runs on its own thread, so no temporary file is made. Progress
// and speed come from the drive; a refusal carries the drive's sense data.
#include "DataBurn.h"

#include "BurnChecks.h"
#include "BurnSession.h"
#include "StreamFeed.h"
#include "discengine/Disc.h"

#include <chrono>
#include <thread>

namespace discengine::data {

using namespace physical;

namespace {

// An outcome already reported (a source's error) or not an error (cancelled).
struct Reported {};

// The writer's thread reports file names and source warnings; the drive reports progress.
// Both threads raise events, so they take turns.
class FeedObserver final : public StreamObserver {
public:
    FeedObserver(Reporter& reporter, std::mutex& events)
        : StreamObserver(reporter, kWriteWriting, 0), events_(events) {}
    void progress(std::uint64_t, std::uint64_t) override {}
    void fileStarted(std::uint64_t index, std::uint64_t count, const std::string& path,
                     const std::string& source) override {
        std::lock_guard lock(events_);
        StreamObserver::fileStarted(index, count, path, source);
    }
    void warning(const isofs::SourceWarning& warning) override {
        std::lock_guard lock(events_);
        StreamObserver::warning(warning);
    }

private:
    std::mutex& events_;
};

} // namespace

// Callers ask for disc-at-once on a data image with 248 (232 is the audio image's code for the
// same request and is honoured too); 2 and anything else is track-at-once.
bool WritesSessionAtOnce(const ImageSettings& s) {
    return s.writeMode == 248 || s.writeMode == 232;
}

namespace {

struct BurnPlan {
    BurnOptsPtr opts;
    BurnDiscPtr disc;
    BurnSessionPtr session;
    BurnTrackPtr track;
};

BurnPlan PlanBurn(burn_drive* d, std::shared_ptr<StreamFeed> feed, std::uint64_t blocks,
                  const ImageSettings& s) {
    BurnPlan plan;
    plan.opts.reset(burn_write_opts_new(d));
    const bool dao = WritesSessionAtOnce(s);
    burn_write_opts_set_write_type(plan.opts.get(), dao ? BURN_WRITE_SAO : BURN_WRITE_TAO,
                                   dao ? BURN_BLOCK_SAO : BURN_BLOCK_MODE1);
    burn_write_opts_set_simulate(plan.opts.get(), s.testMode ? 1 : 0);
    burn_write_opts_set_underrun_proof(plan.opts.get(), s.bufferProtect ? 1 : 0);
    burn_write_opts_set_multi(plan.opts.get(), !s.finalize && CanStayAppendable(d, dao) ? 1 : 0);
    burn_drive_set_speed(d, 0, s.writeSpeed > 0 ? s.writeSpeed : 0);
    plan.disc.reset(burn_disc_create());
    plan.session.reset(burn_session_create());
    plan.track.reset(burn_track_create());
    burn_track_define_data(plan.track.get(), 0, 0, 1, BURN_MODE1);
    BurnSourcePtr source(MakeFeedSource(std::move(feed), static_cast<off_t>(blocks) * 2048));
    if (!source || burn_track_set_source(plan.track.get(), source.get()) != BURN_SOURCE_OK)
        throw BurnFailure{kErrStoreFailure, "Out of memory", "the data source cannot be made"};
    burn_session_add_track(plan.session.get(), plan.track.get(), BURN_POS_END);
    burn_disc_add_session(plan.disc.get(), plan.session.get(), BURN_POS_END);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_precheck_write(plan.opts.get(), plan.disc.get(), reasons, 0) <= 0)
        throw BurnFailure{kErrIncompatibleMedium, "The drive cannot write this way", reasons};
    return plan;
}

// Follows the drive until it is idle again, raising the write events and passing a cancel on.
void WatchBurn(burn_drive* d, Reporter& reporter, std::mutex& events, StreamFeed& feed,
               PhysicalShared& drive, std::uint64_t blocks) {
    FollowBurn(
        d, drive, 2048, [&] { return reporter.Job().cancel.load(); }, [&] { feed.Close(); },
        [&](std::int32_t status, std::int64_t sector) {
            std::lock_guard lock(events);
            reporter.Status(status, std::min<std::uint64_t>(sector, blocks), blocks);
        });
}

// The writer streaming into the feed on its own thread; joined whatever happens.
class Producer {
public:
    Producer(ImageSource& source, StreamFeed& feed, isofs::WriteObserver& observer,
             const std::atomic<bool>& cancel)
        : feed_(feed), thread_([&source, &feed, &observer, &cancel, this] {
              FeedSink sink(feed);
              result_ = source.WriteTo(sink, &observer, &cancel);
              feed.Finish(result_.status == isofs::WriteResult::Status::Completed);
          }) {}
    ~Producer() {
        feed_.Close();
        Join();
    }
    const isofs::WriteResult& Join() {
        if (thread_.joinable())
            thread_.join();
        return result_;
    }

private:
    StreamFeed& feed_;
    isofs::WriteResult result_;
    std::thread thread_;
};

} // namespace

void RunPhysicalDeviceJob(std::shared_ptr<JobShared> job, std::unique_ptr<ImageSource> source,
                          std::shared_ptr<PhysicalShared> drive, ImageSettings settings,
                          std::vector<VerifyEntry> verify) {
    Reporter reporter(job);
    const std::string context =
        std::string("Data write on drive ") + drive->letter + ": (" + drive->devicePath + ")";
    const std::uint64_t blocks = source->Blocks();
    std::int32_t end = kWriteError;
    BusyDrive busy(*drive);
    try {
        reporter.Status(kWritePreparing, 0, blocks);
        std::string grabError;
        auto grabbed = GrabbedDrive::Grab(drive->address, grabError);
        if (!grabbed)
            throw BurnFailure{kErrDriveBusy, "The drive cannot be opened", grabError};
        DriveAnswers answers = grabbed->ReadDrive();
        CheckMedium(answers, grabbed->ReadMedium(), blocks, settings.testMode, BurnKind::Data);
        auto feed = std::make_shared<StreamFeed>();
        BurnPlan plan = PlanBurn(grabbed->Drive(), feed, blocks, settings);
        drive->jobSpeed = settings.writeSpeed > 0 ? settings.writeSpeed : MaxWriteSpeedOf(answers);
        std::mutex events;
        FeedObserver observer(reporter, events);
        {
            Producer producer(*source, *feed, observer, job->cancel);
            reporter.Status(kWriteLeadIn, 0, blocks);
            TakeLibburnMessages();
            burn_disc_write(plan.opts.get(), plan.disc.get());
            WatchBurn(grabbed->Drive(), reporter, events, *feed, *drive, blocks);
            feed->Close();
            const isofs::WriteResult& result = producer.Join();
            using S = isofs::WriteResult::Status;
            if (observer.SourceRefused() || result.status == S::SourceFailed) {
                ReportWriteFailure(reporter, result, observer, std::string());
                throw Reported{}; // reported as the source's error
            }
            if (job->cancel) {
                end = kWriteCancelled;
                throw Reported{};
            }
            if (burn_drive_wrote_well(grabbed->Drive()) != 1)
                throw DriveRefusal("Write error");
        }
        reporter.Status(kWriteClosingTrack, blocks, blocks);
        reporter.Status(kWriteLeadOut, blocks, blocks);
        grabbed.reset(); // the disc is read back through the device node, not through libburn
        drive->jobSpeed = 0;
        busy.Release();
        drive->Look();
        reporter.Status(kWriteUpdatingVolume, blocks, blocks);
        if (!settings.testMode && settings.autoVerify) {
            std::shared_ptr<IDiscVolume> written;
            try {
                written = OpenImageVolume(drive->devicePath);
            } catch (const std::exception&) {
            }
            VerifyFiles(reporter, written, verify);
        }
        end = kWriteCompleted;
    } catch (const BurnFailure& failure) {
        reporter.DeviceError(failure.code, failure.description, failure.detail, context);
    } catch (const Reported&) {
    } catch (const std::exception& e) {
        reporter.DeviceError(kErrStoreFailure, "Drive failure", e.what(), context);
    }
    if (end != kWriteCompleted) {
        drive->jobSpeed = 0;
        busy.Release();
        drive->Look();
    }
    reporter.Status(end, end == kWriteCompleted ? blocks : 0, blocks);
    job->Finish();
}

} // namespace discengine::data
