#pragma once

#include "discengine/Engine.h"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

// The application's hold on the disc engine: owns the engine, receives its events on the
// engine's worker threads and re-emits each one on the thread this object lives on (the UI
// thread), in the order the worker raised them, as a signal named after the event.
//
// Events with an answer (OnWriteStatus and OnFileVerify: cancel; OnTrackFileWarning:
// ignoreWarning) make the worker wait until the UI thread has emitted the signal, so what the
// connected handlers write into the bool& reaches the engine. Receivers must be connected
// directly (the default for objects on the UI thread); a queued receiver cannot answer.
// The wait is a blocking queued call of our own rather than Qt::BlockingQueuedConnection: the
// UI thread may itself be waiting for the engine (destructor, WaitForJobs), and then a worker
// stuck in BlockingQueuedConnection would never return. Ours gives up when the binding closes
// and answers cancel = true / ignoreWarning = false, which ends the job.
// When the engine raises an event on the UI thread itself, it is emitted at once.
class TDVDEngineX : public QObject {
    Q_OBJECT

public:
    // Creates the engine with these options (store folder, default store).
    explicit TDVDEngineX(discengine::EngineOptions options = {}, QObject* parent = nullptr);
    // Binds an engine made elsewhere.
    explicit TDVDEngineX(std::unique_ptr<discengine::IDVDEngineX> engine,
                         QObject* parent = nullptr);
    ~TDVDEngineX() override;

    TDVDEngineX(const TDVDEngineX&) = delete;
    TDVDEngineX& operator=(const TDVDEngineX&) = delete;

    // Start-up calls Initialize(0); false ends the program ("Can not initialize the engine!").
    bool Initialize(std::int32_t flags = 0);
    QString LastError() const;

    std::int32_t DeviceCount() const;
    // Drive `index` from 0; throws discengine::EngineError when out of range.
    std::shared_ptr<discengine::IDeviceX> Device(std::int32_t index) const;
    // The drive with this letter, or null.
    std::shared_ptr<discengine::IDeviceX> FindDevice(char letter) const;
    std::shared_ptr<discengine::IDataImageX> DataImage();
    std::shared_ptr<discengine::IAudioCDImageX> AudioImage();

    // Waits for running jobs. Events they raise meanwhile stay queued for the UI thread, and
    // a job waiting for an answer gets cancel = true: call it only when the jobs may end so.
    void WaitForJobs();

    discengine::IDVDEngineX& Engine() { return *engine_; }
    const discengine::IDVDEngineX& Engine() const { return *engine_; }

signals:
    void OnWriteStatus(std::int32_t imageId, std::int32_t imageProgress,
                       std::int32_t imageBlocksWritten, std::int32_t imageTotalBlocks,
                       std::int32_t currentTrack, std::int32_t trackCount,
                       std::int32_t trackProgress, std::int32_t trackBlocksWritten,
                       std::int32_t trackTotalBlocks, std::int32_t status, bool& cancel);
    void OnWriteError(std::int32_t imageId, std::shared_ptr<discengine::IWriteErrorX> error);
    void OnItemAdded(std::int32_t imageId, std::shared_ptr<discengine::IDataItemX> item);
    void OnTrackFileWarning(std::int32_t imageId, std::shared_ptr<discengine::IFileErrorX> error,
                            std::int32_t trackNumber, bool& ignoreWarning);
    void OnTrackFileStatus(std::int32_t imageId, std::int32_t trackNumber, std::int32_t fileCount,
                           std::int32_t fileIndex, const QString& fileName);
    void OnFileVerifyStart(std::int32_t imageId, std::int32_t fileCount);
    void OnFileVerify(std::int32_t imageId, std::shared_ptr<discengine::IDataItemX> item,
                      double bytesCompared, double bytesTotal, std::int32_t verifyStatus,
                      std::int32_t fileIndex, std::int32_t fileCount, bool& cancel);
    void OnFileVerifyComplete(std::int32_t imageId, std::int32_t fileCount,
                              std::int32_t matchedFiles);
    void OnEraseStatus(std::int32_t deviceIndex, std::int32_t status, std::int32_t progress);
    void OnEraseError(std::int32_t deviceIndex, std::shared_ptr<discengine::IDeviceErrorX> error);

private:
    class Relay;
    friend class Relay;
    struct Answer;

    // Runs `emitter` on this object's thread after every event posted before it.
    template <typename F> void Post(F emitter);
    // Runs the queued emitters in order (on this object's thread).
    void RunQueued();
    // Runs `emitter(flag)` on this object's thread and waits for it; returns the flag's value.
    template <typename F> bool Ask(bool initial, bool onClose, F emitter);
    bool OnOwnThread() const;

    std::unique_ptr<discengine::IDVDEngineX> engine_;
    std::unique_ptr<Relay> relay_;

    // The worker's events wait here in its order; one posted call runs many of them, so 100,000
    // added items do not each wake the event loop.
    std::mutex queueMutex_;
    std::deque<std::function<void()>> queue_;
    bool runPosted_ = false; // a call to RunQueued is on its way

    std::mutex askMutex_;
    std::condition_variable askDone_;
    bool closing_ = false;
};
