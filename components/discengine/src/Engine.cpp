#include "discengine/Engine.h"
#include "EngineShared.h"
#include "RegistryState.h"
#include "VirtualDevice.h"
#include "audio/AudioCDImage.h"
#include "data/DataImage.h"
#include "discengine/DriveRegistry.h"
#include "physical/Libburn.h"
#include "physical/PhysicalDevice.h"

#include <unistd.h>

namespace fs = std::filesystem;

namespace discengine {
namespace {

class Engine final : public IDVDEngineX {
public:
    explicit Engine(EngineOptions options) : options_(std::move(options)) {
        store_ = options_.store.empty() ? DefaultDriveStore(ProgramDir()) : options_.store;
    }
    ~Engine() override {
        core_->hub->Set(nullptr);
        core_->jobs.CancelAll();
        core_->jobs.WaitIdle();
    }

    bool Initialize(std::int32_t /*flags*/) override {
        try {
            std::error_code ec;
            if (!fs::exists(store_, ec)) {
                if (!options_.createDefaultStore)
                    throw EngineError("The drive store " + store_.string() + " does not exist");
                CreateDefaultStore(store_);
            }
            if (!fs::is_directory(store_, ec))
                throw EngineError("The drive store " + store_.string() + " is not a folder");
            std::vector<std::shared_ptr<IDeviceX>> devices;
            std::vector<registry::PhysicalEntry> physicalEntries;
            PhysicalList physicalDevices;
            for (const auto& found : physical::FindPhysicalDrives(options_.physicalDrives)) {
                if (devices.size() >= kLetters)
                    break;
                auto shared = std::make_shared<physical::PhysicalShared>();
                shared->address = found.address;
                shared->devicePath = physical::DevicePathOf(found.address);
                shared->vendor = found.vendor;
                shared->product = found.product;
                shared->revision = found.revision;
                shared->index = static_cast<std::int32_t>(devices.size());
                shared->letter = static_cast<char>('D' + devices.size());
                physicalEntries.push_back({shared->letter, shared->devicePath});
                physicalDevices.push_back(
                    std::make_shared<physical::PhysicalDevice>(core_, shared));
                devices.push_back(physicalDevices.back());
            }
            const std::size_t physicalCount = devices.size();
            std::vector<std::shared_ptr<DriveShared>> drives;
            auto folders = VirtualStore(store_).DriveFolders();
            for (std::size_t i = 0; i < folders.size() && devices.size() < kLetters; ++i) {
                auto shared = std::make_shared<DriveShared>();
                shared->folder = folders[i];
                shared->index = static_cast<std::int32_t>(devices.size());
                shared->letter = static_cast<char>('D' + devices.size());
                shared->Reload(true);
                drives.push_back(shared);
                devices.push_back(std::make_shared<VirtualDevice>(core_, shared));
            }
            devices_ = std::move(devices);
            *drives_ = std::move(drives);
            *physical_ = std::move(physicalDevices);
            registry::SetDrives(store_, std::move(physicalEntries),
                                static_cast<std::int32_t>(physicalCount));
            lastError_.clear();
            return true;
        } catch (const std::exception& error) {
            lastError_ = error.what();
            return false;
        }
    }

    std::string LastError() const override { return lastError_; }
    fs::path StorePath() const override { return store_; }

    std::int32_t DeviceCount() const override { return static_cast<std::int32_t>(devices_.size()); }

    std::shared_ptr<IDeviceX> Device(std::int32_t index) const override {
        if (index < 0 || index >= DeviceCount())
            throw EngineError("There is no drive " + std::to_string(index));
        return devices_[static_cast<std::size_t>(index)];
    }

    std::shared_ptr<IDeviceX> FindDevice(char letter) const override {
        char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        for (const auto& device : devices_)
            if (device->DriveLetter() == upper)
                return device;
        return nullptr;
    }

    std::shared_ptr<IDataImageX> DataImage() override {
        if (!dataImage_)
            dataImage_ = data::CreateDataImage(core_, Lookup(), PhysicalVolumes());
        return dataImage_;
    }
    std::shared_ptr<IAudioCDImageX> AudioImage() override {
        if (!audioImage_)
            audioImage_ = CreateAudioCDImage(kAudioImageId, core_, Lookup());
        return audioImage_;
    }

    void SetListener(IEngineListener* listener) override { core_->hub->Set(listener); }
    void WaitForJobs() override { core_->jobs.WaitIdle(); }

private:
    // The images may outlive the engine: they find drives through a weak reference.
    DriveLookup Lookup() const {
        std::weak_ptr<DriveList> weak = drives_;
        return [weak](char letter) -> std::shared_ptr<DriveShared> {
            auto drives = weak.lock();
            if (drives)
                for (const auto& drive : *drives)
                    if (drive->letter == letter)
                        return drive;
            return nullptr;
        };
    }

    // The volume of a physical drive's disc, opened afresh for each source read from it.
    data::VolumeLookup PhysicalVolumes() const {
        std::weak_ptr<PhysicalList> weak = physical_;
        return [weak](char letter) -> std::shared_ptr<IDiscVolume> {
            auto physical = weak.lock();
            if (physical)
                for (const auto& device : *physical)
                    if (device->DriveLetter() == letter)
                        return device->Volume();
            return nullptr;
        };
    }

    EngineOptions options_;
    fs::path store_;
    std::string lastError_;
    std::shared_ptr<EngineCore> core_ = std::make_shared<EngineCore>();
    std::vector<std::shared_ptr<IDeviceX>> devices_;
    std::shared_ptr<IDataImageX> dataImage_;
    using DriveList = std::vector<std::shared_ptr<DriveShared>>;
    static constexpr std::int32_t kAudioImageId = 2;
    static constexpr std::size_t kLetters = 23; // D: to Z:
    std::shared_ptr<DriveList> drives_ = std::make_shared<DriveList>();
    using PhysicalList = std::vector<std::shared_ptr<physical::PhysicalDevice>>;
    std::shared_ptr<PhysicalList> physical_ = std::make_shared<PhysicalList>();
    std::shared_ptr<IAudioCDImageX> audioImage_;
};

} // namespace

std::unique_ptr<IDVDEngineX> CreateEngine(EngineOptions options) {
    return std::make_unique<Engine>(std::move(options));
}

fs::path ProgramDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

} // namespace discengine
