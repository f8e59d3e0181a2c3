#include "AudioCDImage.h"

#include "../StoreFiles.h"
#include "AudioWriteJob.h"
#include "discengine/Device.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "physical/AudioBurn.h"
#include "physical/PhysicalDevice.h"

#include <mutex>

namespace discengine {
namespace {

using audioimage::AudioWritePlan;
using audioimage::ImageTrack;

constexpr std::int32_t kModeTrackAtOnce = 2;
constexpr std::int32_t kModeDiscAtOnce = 232;
constexpr std::int32_t kWriteKindDisc = 1;
constexpr std::size_t kMaxTracks = 99; // track numbers on a CD are 1 to 99

class AudioCDImage final : public IAudioCDImageX {
public:
    AudioCDImage(std::int32_t imageId, std::shared_ptr<EngineCore> core, DriveLookup lookup)
        : imageId_(imageId), core_(std::move(core)), lookup_(std::move(lookup)) {}

    std::int32_t ImageId() const override { return imageId_; }

    void ClearTracks() override {
        std::lock_guard lock(mutex_);
        tracks_.clear();
        discTitle_.clear();
        discPerformer_.clear();
    }

    bool InsertTrack(const std::filesystem::path& file, std::int32_t position) override {
        std::string why;
        auto wav = audioimage::ProbeCdWav(file, why);
        std::lock_guard lock(mutex_);
        if (!wav || tracks_.size() >= kMaxTracks || position < 1 ||
            position > static_cast<std::int32_t>(tracks_.size()) + 1)
            return false;
        tracks_.insert(tracks_.begin() + (position - 1),
                       ImageTrack{*wav, file.stem().string(), {}});
        return true;
    }

    bool SetTrackText(std::int32_t position, const std::string& title,
                      const std::string& performer) override {
        std::lock_guard lock(mutex_);
        if (position < 1 || position > static_cast<std::int32_t>(tracks_.size()))
            return false;
        tracks_[position - 1].title = title;
        tracks_[position - 1].performer = performer;
        return true;
    }

    void SetDiscText(const std::string& title, const std::string& performer) override {
        std::lock_guard lock(mutex_);
        discTitle_ = title;
        discPerformer_ = performer;
    }

    std::int32_t TrackCount() const override {
        std::lock_guard lock(mutex_);
        return static_cast<std::int32_t>(tracks_.size());
    }

    bool RemoveTrack(std::int32_t position) override {
        std::lock_guard lock(mutex_);
        if (position < 1 || position > static_cast<std::int32_t>(tracks_.size()))
            return false;
        tracks_.erase(tracks_.begin() + (position - 1));
        return true;
    }

    std::int32_t TotalBlocks() const override {
        std::lock_guard lock(mutex_);
        return audioimage::TotalFrames(tracks_, mode_ == kModeTrackAtOnce);
    }

    void SetWriteSpeed(std::int32_t speedKBs) override {
        if (speedKBs < 0)
            throw EngineError("The write speed " + std::to_string(speedKBs) + " KB/s is invalid");
        std::lock_guard lock(mutex_);
        speed_ = speedKBs;
    }
    void SetCacheFiles(bool on) override { Set(cache_, on); }
    void SetTestMode(bool on) override { Set(test_, on); }
    void SetFinalize(bool on) override { Set(finalize_, on); }
    // Used by physical drives; a virtual recorder never runs dry.
    void SetBufferProtect(bool on) override { Set(bufferProtect_, on); }
    void SetWriteMode(std::int32_t mode) override {
        if (mode != kModeTrackAtOnce && mode != kModeDiscAtOnce)
            throw EngineError("Write mode " + std::to_string(mode) +
                              " is not an audio write mode (2 track-at-once, 232 disc-at-once)");
        std::lock_guard lock(mutex_);
        mode_ = mode;
    }
    void SetWriteKind(std::int32_t kind) override {
        if (kind != kWriteKindDisc)
            throw EngineError("Write kind " + std::to_string(kind) +
                              " is not supported: an audio image is written to a disc (1)");
    }
    // Copied discs carry track files named by the copy, not by the music: no titles from them.
    void SetCopyMode(bool on) override { Set(copyMode_, on); }

    bool WriteToDevice(std::shared_ptr<IDeviceX> device) override {
        if (!device)
            return false;
        if (auto* physical = dynamic_cast<physical::PhysicalDevice*>(device.get()))
            return StartPhysical(*physical);
        auto drive = lookup_ ? lookup_(device->DriveLetter()) : nullptr;
        if (!drive)
            return false;
        auto plan = std::make_shared<AudioWritePlan>(Plan());
        if (plan->tracks.empty())
            return false;
        auto jobLock = std::make_shared<storefiles::JobLock>(drive->folder);
        if (!jobLock->Acquired())
            return false; // another process runs a job on this drive
        auto hub = core_->hub;
        return core_->jobs.Start({std::string("drive:") + drive->letter, ImageKey()},
                                 [plan, drive, hub, jobLock](const CancelToken& cancel) {
                                     audioimage::RunAudioWrite(*plan, drive, hub, cancel);
                                 });
    }

    void Cancel() override { core_->jobs.Cancel(ImageKey()); }

private:
    void Set(bool& field, bool on) {
        std::lock_guard lock(mutex_);
        field = on;
    }
    std::string ImageKey() const { return "image:" + std::to_string(imageId_); }

    bool StartPhysical(const physical::PhysicalDevice& device) {
        auto plan = std::make_shared<AudioWritePlan>(Plan());
        if (plan->tracks.empty())
            return false;
        auto hub = core_->hub;
        auto drive = device.Shared();
        return core_->jobs.Start({std::string("drive:") + drive->letter, ImageKey()},
                                 [plan, drive, hub](const CancelToken& cancel) {
                                     physical::RunPhysicalAudioWrite(*plan, drive, hub, cancel);
                                 });
    }

    AudioWritePlan Plan() const {
        std::lock_guard lock(mutex_);
        AudioWritePlan plan;
        plan.imageId = imageId_;
        plan.tracks = tracks_;
        if (copyMode_) {
            for (auto& track : plan.tracks) {
                track.title.clear();
                track.performer.clear();
            }
        } else {
            plan.discTitle = discTitle_;
            plan.discPerformer = discPerformer_;
        }
        plan.trackAtOnce = mode_ == kModeTrackAtOnce;
        plan.speedKBs = speed_;
        plan.cacheFiles = cache_;
        plan.testMode = test_;
        plan.finalize = finalize_;
        plan.bufferProtect = bufferProtect_;
        return plan;
    }

    const std::int32_t imageId_;
    std::shared_ptr<EngineCore> core_;
    DriveLookup lookup_;
    mutable std::mutex mutex_;
    std::vector<ImageTrack> tracks_;
    std::string discTitle_, discPerformer_;
    std::int32_t mode_ = kModeTrackAtOnce;
    std::int32_t speed_ = 0;
    bool cache_ = false, test_ = false, finalize_ = true, bufferProtect_ = false, copyMode_ = false;
};

} // namespace

std::shared_ptr<IAudioCDImageX>
CreateAudioCDImage(std::int32_t imageId, std::shared_ptr<EngineCore> core, DriveLookup lookup) {
    return std::make_shared<AudioCDImage>(imageId, std::move(core), std::move(lookup));
}

} // namespace discengine
