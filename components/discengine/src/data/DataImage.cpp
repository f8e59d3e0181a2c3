#include "DataImage.h"

#include "DataLayout.h"
#include "DiscSource.h"
#include "Jobs.h"
#include "StoreFiles.h"
#include "VirtualDevice.h"
#include "discengine/Disc.h"
#include "isofs/Errors.h"
#include "isofs/ImageReader.h"
#include "physical/DataBurn.h"

#include <condition_variable>

namespace fs = std::filesystem;

namespace discengine::data {
namespace {

constexpr std::int32_t kDataImageId = 1;

// The name a file has on the written volume as the volume layer lists it: Joliet when present,
// else UDF, else ISO9660 without its version and trailing dot.
std::string VolumeName(const isofs::ImagePlan& plan, const std::string& imagePath, int fs) {
    if (fs & isofs::fsJoliet)
        return plan.jolietName(imagePath);
    if (!(fs & isofs::fsUdf)) {
        std::string name = plan.isoName(imagePath);
        if (auto semicolon = name.find(';'); semicolon != std::string::npos)
            name.erase(semicolon);
        if (!name.empty() && name.back() == '.')
            name.pop_back();
        return name;
    }
    return plan.udfName(imagePath);
}

void CollectFiles(const isofs::DataItem& folder, const std::string& discPath,
                  const isofs::ImagePlan& plan, int fs, const std::shared_ptr<LayoutCore>& core,
                  std::vector<VerifyEntry>& out) {
    for (std::size_t i = 0; i < folder.childCount(); ++i) {
        const isofs::DataItem& child = *folder.child(i);
        std::string path = child.imagePath();
        std::string onDisc = discPath + "\\" + VolumeName(plan, path, fs);
        if (child.isFolder()) {
            CollectFiles(child, onDisc, plan, fs, core, out);
            continue;
        }
        VerifyEntry entry;
        entry.item = MakeItem(core, child);
        entry.discPath = onDisc;
        auto opener = core->layout.openerPtr();
        std::string source = child.sourcePath();
        entry.openSource = [opener, source] { return opener->open(source); };
        out.push_back(std::move(entry));
    }
}

class DataImage final : public IDataImageX {
public:
    DataImage(std::shared_ptr<EngineCore> core, DriveLookup lookup, VolumeLookup physical)
        : core_(std::move(core)), lookup_(std::move(lookup)) {
        DriveLookup drives = lookup_;
        layoutCore_ = std::make_shared<LayoutCore>(
            MakeEngineSourceOpener([drives, physical](char letter) -> SourceVolume {
                if (auto drive = drives ? drives(letter) : nullptr) {
                    SourceVolume found;
                    found.volume = DriveVolume(*drive, &found.watched);
                    return found;
                }
                // A physical drive's volume is opened afresh for each source: nothing tells
                // it that its disc was changed.
                return {physical ? physical(letter) : nullptr, false};
            }));
        job_->imageId = kDataImageId;
        job_->hub = core_->hub;
        auto hub = core_->hub;
        layout_ = MakeLayout(layoutCore_, [hub](std::shared_ptr<IDataItemX> item) {
            hub->Emit([&](IEngineListener& l) { l.OnItemAdded(kDataImageId, item); });
        });
    }
    ~DataImage() override {
        // A job never holds the image; wait for ours so nothing outlives what it reports to.
        Cancel();
        std::unique_lock lock(job_->mutex);
        job_->finished.wait(lock, [&] { return !job_->running; });
    }

    std::int32_t ImageId() const override { return kDataImageId; }
    std::shared_ptr<IFileLayoutX> Layout() override { return layout_; }
    std::shared_ptr<IVolumeInfoX> Volume() override { return volume_; }

    void SetFileSystems(std::int32_t bits) override {
        if (!isofs::isSupportedFileSystems(bits))
            throw EngineError("File systems " + std::to_string(bits) +
                              " are not supported (1, 3, 4, 5 or 7)");
        Set([&](ImageSettings& s) { s.fileSystems = bits; });
    }
    void SetMode2XA(bool on) override {
        Set([&](ImageSettings& s) { s.mode2XA = on; });
    }
    void SetUseFileDate(bool on) override {
        Set([&](ImageSettings& s) { s.useFileDate = on; });
    }
    void SetWriteSpeed(std::int32_t kbs) override {
        Set([&](ImageSettings& s) { s.writeSpeed = std::max(0, kbs); });
    }
    void SetCacheFiles(bool on) override {
        Set([&](ImageSettings& s) { s.cacheFiles = on; });
    }
    void SetTestMode(bool on) override {
        Set([&](ImageSettings& s) { s.testMode = on; });
    }
    void SetFinalize(bool on) override {
        Set([&](ImageSettings& s) { s.finalize = on; });
    }
    void SetBufferProtect(bool on) override {
        Set([&](ImageSettings& s) { s.bufferProtect = on; });
    }
    void SetAutoVerify(bool on) override {
        Set([&](ImageSettings& s) { s.autoVerify = on; });
    }
    void SetWriteMode(std::int32_t mode) override {
        Set([&](ImageSettings& s) { s.writeMode = mode; });
    }
    void SetWriteKind(std::int32_t kind) override {
        Set([&](ImageSettings& s) { s.writeKind = kind; });
    }
    void SetReadKind(std::int32_t kind) override {
        Set([&](ImageSettings& s) { s.readKind = kind; });
    }
    std::int32_t WriteSpeedSetting() const override { return Settings().writeSpeed; }
    std::int32_t BlockSize() const override { return static_cast<std::int32_t>(isofs::kBlockSize); }

    std::uint64_t ImageSize() override {
        if (auto loaded = LoadedFile())
            return MakeFileSource(*loaded)->Blocks() * isofs::kBlockSize;
        std::lock_guard lock(layoutCore_->mutex);
        return Plan(Settings()).imageBlocks() * isofs::kBlockSize;
    }

    bool LoadImageFile(const fs::path& file, std::int32_t bits) override {
        isofs::LoadedImage image;
        try {
            image = isofs::readImageFile(file);
        } catch (const std::exception&) {
            return false; // the layout stays as it was
        }
        {
            std::lock_guard lock(layoutCore_->mutex);
            isofs::fillLayout(image, layoutCore_->layout);
            loadedGeneration_ = ++layoutCore_->generation;
            loadedFile_ = file;
        }
        volume_->SetLabel(image.volumeLabel);
        if (isofs::isSupportedFileSystems(bits))
            Set([&](ImageSettings& s) { s.fileSystems = bits; });
        return true;
    }

    bool WriteToImageFile(const fs::path& file) override {
        if (file.empty() || IsDirectory(file))
            return false;
        ImageSettings settings = Settings();
        std::unique_ptr<ImageSource> source;
        std::vector<VerifyEntry> verify;
        if (!Prepare(settings, source, verify))
            return false;
        return StartJob({}, [=, source = Share(std::move(source))](std::shared_ptr<JobShared> job) {
            RunImageFileJob(job, source->Take(), file, settings, verify);
        });
    }

    bool WriteToDevice(std::shared_ptr<IDeviceX> device) override {
        if (!device)
            return false;
        ImageSettings settings = Settings();
        std::unique_ptr<ImageSource> source;
        std::vector<VerifyEntry> verify;
        if (!Prepare(settings, source, verify))
            return false;
        return StartDrive(device, std::move(source), settings, std::move(verify));
    }

    bool WriteImageFileToDevice(const fs::path& file, std::shared_ptr<IDeviceX> device) override {
        if (!device)
            return false;
        ImageSettings settings = Settings();
        settings.cacheFiles = false; // an image file is already one local file
        std::unique_ptr<ImageSource> source;
        std::vector<VerifyEntry> verify;
        try {
            isofs::readImageFile(file); // refuses what is no image before a disc is touched
            source = MakeFileSource(file);
            if (settings.autoVerify)
                verify = ImageFileEntries(file);
        } catch (const std::exception&) {
            return false;
        }
        return StartDrive(device, std::move(source), settings, std::move(verify));
    }

    void Cancel() override {
        job_->cancel = true;
        core_->jobs.Cancel(Key());
    }

private:
    // A move-only source carried by a copyable job function.
    struct SourceBox {
        std::unique_ptr<ImageSource> source;
        std::unique_ptr<ImageSource> Take() { return std::move(source); }
    };
    static std::shared_ptr<SourceBox> Share(std::unique_ptr<ImageSource> source) {
        auto box = std::make_shared<SourceBox>();
        box->source = std::move(source);
        return box;
    }

    static std::string Key() { return "image:" + std::to_string(kDataImageId); }
    static bool IsDirectory(const fs::path& p) {
        std::error_code ec;
        return fs::is_directory(p, ec);
    }

    template <class F> void Set(F&& change) {
        std::lock_guard lock(settingsMutex_);
        change(settings_);
    }
    ImageSettings Settings() const {
        std::lock_guard lock(settingsMutex_);
        return settings_;
    }

    std::optional<fs::path> LoadedFile() {
        std::lock_guard lock(layoutCore_->mutex);
        if (loadedFile_ && loadedGeneration_ == layoutCore_->generation)
            return loadedFile_;
        return std::nullopt;
    }

    // Under the layout lock.
    isofs::ImagePlan Plan(const ImageSettings& s) {
        isofs::ImageOptions options;
        options.fileSystems = s.fileSystems;
        options.volumeLabel = volume_->Label();
        options.useFileDate = s.useFileDate;
        options.mode2XA = s.mode2XA;
        options.ignoreUnreadable = true; // the listener decides per file (OnTrackFileWarning)
        try {
            return isofs::ImagePlan::build(layoutCore_->layout, options);
        } catch (const std::exception& e) {
            throw EngineError(e.what());
        }
    }

    // The bytes to write: the loaded image file when the layout still shows it, else a plan of
    // the layout (whose files must all have sources).
    bool Prepare(const ImageSettings& settings, std::unique_ptr<ImageSource>& source,
                 std::vector<VerifyEntry>& verify) {
        try {
            if (auto loaded = LoadedFile()) {
                source = MakeFileSource(*loaded);
                if (settings.autoVerify)
                    verify = ImageFileEntries(*loaded);
                return true;
            }
            std::lock_guard lock(layoutCore_->mutex);
            auto plan = Plan(settings); // refuses a file known only by its facts
            // The list of files to compare is as large as the layout: only made when it is used.
            if (settings.autoVerify)
                CollectFiles(layoutCore_->layout.root(), "", plan, settings.fileSystems,
                             layoutCore_, verify);
            source = MakePlanSource(std::move(plan), layoutCore_->layout.openerPtr());
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

    bool StartDrive(const std::shared_ptr<IDeviceX>& device, std::unique_ptr<ImageSource> source,
                    const ImageSettings& settings, std::vector<VerifyEntry> verify) {
        if (auto* physical = dynamic_cast<physical::PhysicalDevice*>(device.get())) {
            auto shared = physical->Shared();
            return StartJob({std::string("drive:") + shared->letter},
                            [=, source = Share(std::move(source))](std::shared_ptr<JobShared> job) {
                                RunPhysicalDeviceJob(job, source->Take(), shared, settings, verify);
                            });
        }
        auto drive = lookup_ ? lookup_(device->DriveLetter()) : nullptr;
        if (!drive)
            return false; // not a drive of this engine
        auto jobLock = std::make_shared<storefiles::JobLock>(drive->folder);
        if (!jobLock->Acquired())
            return false; // another process runs a job on this drive
        return StartJob({std::string("drive:") + drive->letter},
                        [=, source = Share(std::move(source))](std::shared_ptr<JobShared> job) {
                            (void)jobLock;
                            RunDeviceJob(job, source->Take(), drive, settings, verify);
                        });
    }

    bool StartJob(std::vector<std::string> keys,
                  std::function<void(std::shared_ptr<JobShared>)> body) {
        keys.push_back(Key());
        {
            std::lock_guard lock(job_->mutex);
            if (job_->running)
                return false;
            job_->running = true;
            job_->cancel = false;
        }
        auto job = job_;
        bool started = core_->jobs.Start(keys, [job, body](const CancelToken& token) {
            // The runner's token (engine shutdown) stops the job like Cancel does.
            // The watcher looks every 20 ms and is woken at once when the body ends, so a
            // short job does not wait for its next look.
            std::mutex watchMutex;
            std::condition_variable bodyEnded;
            bool watching = true;
            std::thread watcher([&] {
                std::unique_lock lock(watchMutex);
                while (watching && !token.Cancelled())
                    bodyEnded.wait_for(lock, std::chrono::milliseconds(20));
                if (token.Cancelled())
                    job->cancel = true;
            });
            try {
                body(job);
            } catch (const std::exception& e) {
                Reporter reporter(job);
                reporter.Error(MakeWriteError(kWriteErrorSystem, e.what(), nullptr, nullptr, 0));
                reporter.Status(kWriteError);
                job->Finish();
            }
            {
                std::lock_guard lock(watchMutex);
                watching = false;
            }
            bodyEnded.notify_all();
            watcher.join();
        });
        if (!started)
            job_->Finish();
        return started;
    }

    std::shared_ptr<EngineCore> core_;
    DriveLookup lookup_;
    std::shared_ptr<LayoutCore> layoutCore_;
    std::shared_ptr<IFileLayoutX> layout_;
    std::shared_ptr<VolumeInfo> volume_ = std::make_shared<VolumeInfo>();
    std::shared_ptr<JobShared> job_ = std::make_shared<JobShared>();
    mutable std::mutex settingsMutex_;
    ImageSettings settings_;
    std::optional<fs::path> loadedFile_; // guarded by the layout lock
    std::uint64_t loadedGeneration_ = 0;
};

} // namespace

std::shared_ptr<IDataImageX> CreateDataImage(std::shared_ptr<EngineCore> core, DriveLookup lookup,
                                             VolumeLookup physicalVolumes) {
    return std::make_shared<DataImage>(std::move(core), std::move(lookup),
                                       std::move(physicalVolumes));
}

} // namespace discengine::data
