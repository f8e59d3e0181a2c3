#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace discengine {

class IWriteErrorX;
class IFileErrorX;
class IDeviceErrorX;
class IDataItemX;

// The engine's events. They are raised on the engine's worker threads, one job's events in the
// order they happen; a listener that drives a UI re-posts them to its own thread. Every handler
// has an empty default so a listener overrides only what it needs.
class IEngineListener {
public:
    virtual ~IEngineListener() = default;

    virtual void OnWriteStatus(std::int32_t /*imageId*/, std::int32_t /*imageProgress*/,
                               std::int32_t /*imageBlocksWritten*/,
                               std::int32_t /*imageTotalBlocks*/, std::int32_t /*currentTrack*/,
                               std::int32_t /*trackCount*/, std::int32_t /*trackProgress*/,
                               std::int32_t /*trackBlocksWritten*/,
                               std::int32_t /*trackTotalBlocks*/, std::int32_t /*status*/,
                               bool& /*cancel*/) {}
    virtual void OnWriteError(std::int32_t /*imageId*/, std::shared_ptr<IWriteErrorX> /*error*/) {}
    virtual void OnItemAdded(std::int32_t /*imageId*/, std::shared_ptr<IDataItemX> /*item*/) {}
    virtual void OnTrackFileWarning(std::int32_t /*imageId*/,
                                    std::shared_ptr<IFileErrorX> /*error*/,
                                    std::int32_t /*trackNumber*/, bool& /*ignoreWarning*/) {}
    virtual void OnTrackFileStatus(std::int32_t /*imageId*/, std::int32_t /*trackNumber*/,
                                   std::int32_t /*fileCount*/, std::int32_t /*fileIndex*/,
                                   const std::string& /*fileName*/) {}
    virtual void OnFileVerifyStart(std::int32_t /*imageId*/, std::int32_t /*fileCount*/) {}
    virtual void OnFileVerify(std::int32_t /*imageId*/, std::shared_ptr<IDataItemX> /*item*/,
                              double /*bytesCompared*/, double /*bytesTotal*/,
                              std::int32_t /*verifyStatus*/, std::int32_t /*fileIndex*/,
                              std::int32_t /*fileCount*/, bool& /*cancel*/) {}
    virtual void OnFileVerifyComplete(std::int32_t /*imageId*/, std::int32_t /*fileCount*/,
                                      std::int32_t /*matchedFiles*/) {}
    // status: EraseStatus; progress in percent.
    virtual void OnEraseStatus(std::int32_t /*deviceIndex*/, std::int32_t /*status*/,
                               std::int32_t /*progress*/) {}
    virtual void OnEraseError(std::int32_t /*deviceIndex*/,
                              std::shared_ptr<IDeviceErrorX> /*error*/) {}
};

} // namespace discengine
