#include "engine/DVDEngineBinding.h"

#include <QMetaObject>
#include <QThread>

#include <stdexcept>
#include <utility>

namespace de = discengine;

// The engine's listener: lives as long as the binding and forwards to it.
class TDVDEngineX::Relay final : public de::IEngineListener {
public:
    explicit Relay(TDVDEngineX& owner) : owner_(owner) {}

    void OnWriteStatus(std::int32_t imageId, std::int32_t imageProgress,
                       std::int32_t imageBlocksWritten, std::int32_t imageTotalBlocks,
                       std::int32_t currentTrack, std::int32_t trackCount,
                       std::int32_t trackProgress, std::int32_t trackBlocksWritten,
                       std::int32_t trackTotalBlocks, std::int32_t status, bool& cancel) override {
        TDVDEngineX& o = owner_;
        cancel = o.Ask(cancel, true, [=, &o](bool& answer) {
            emit o.OnWriteStatus(imageId, imageProgress, imageBlocksWritten, imageTotalBlocks,
                                 currentTrack, trackCount, trackProgress, trackBlocksWritten,
                                 trackTotalBlocks, status, answer);
        });
    }
    void OnWriteError(std::int32_t imageId, std::shared_ptr<de::IWriteErrorX> error) override {
        TDVDEngineX& o = owner_;
        o.Post([=, &o] { emit o.OnWriteError(imageId, error); });
    }
    void OnItemAdded(std::int32_t imageId, std::shared_ptr<de::IDataItemX> item) override {
        TDVDEngineX& o = owner_;
        o.Post([=, &o] { emit o.OnItemAdded(imageId, item); });
    }
    void OnTrackFileWarning(std::int32_t imageId, std::shared_ptr<de::IFileErrorX> error,
                            std::int32_t trackNumber, bool& ignoreWarning) override {
        TDVDEngineX& o = owner_;
        ignoreWarning = o.Ask(ignoreWarning, false, [=, &o](bool& answer) {
            emit o.OnTrackFileWarning(imageId, error, trackNumber, answer);
        });
    }
    void OnTrackFileStatus(std::int32_t imageId, std::int32_t trackNumber, std::int32_t fileCount,
                           std::int32_t fileIndex, const std::string& fileName) override {
        TDVDEngineX& o = owner_;
        const QString name = QString::fromStdString(fileName);
        o.Post([=, &o] {
            emit o.OnTrackFileStatus(imageId, trackNumber, fileCount, fileIndex, name);
        });
    }
    void OnFileVerifyStart(std::int32_t imageId, std::int32_t fileCount) override {
        TDVDEngineX& o = owner_;
        o.Post([=, &o] { emit o.OnFileVerifyStart(imageId, fileCount); });
    }
    void OnFileVerify(std::int32_t imageId, std::shared_ptr<de::IDataItemX> item,
                      double bytesCompared, double bytesTotal, std::int32_t verifyStatus,
                      std::int32_t fileIndex, std::int32_t fileCount, bool& cancel) override {
        TDVDEngineX& o = owner_;
        cancel = o.Ask(cancel, true, [=, &o](bool& answer) {
            emit o.OnFileVerify(imageId, item, bytesCompared, bytesTotal, verifyStatus, fileIndex,
                                fileCount, answer);
        });
    }
    void OnFileVerifyComplete(std::int32_t imageId, std::int32_t fileCount,
                              std::int32_t matchedFiles) override {
        TDVDEngineX& o = owner_;
        o.Post([=, &o] { emit o.OnFileVerifyComplete(imageId, fileCount, matchedFiles); });
    }
    void OnEraseStatus(std::int32_t deviceIndex, std::int32_t status,
                       std::int32_t progress) override {
        TDVDEngineX& o = owner_;
        o.Post([=, &o] { emit o.OnEraseStatus(deviceIndex, status, progress); });
    }
    void OnEraseError(std::int32_t deviceIndex, std::shared_ptr<de::IDeviceErrorX> error) override {
        TDVDEngineX& o = owner_;
        o.Post([=, &o] { emit o.OnEraseError(deviceIndex, error); });
    }

private:
    TDVDEngineX& owner_;
};

// One answer a worker waits for; shared with the queued call so either side may go first.
struct TDVDEngineX::Answer {
    bool value = false;
    bool done = false;
};

TDVDEngineX::TDVDEngineX(de::EngineOptions options, QObject* parent)
    : TDVDEngineX(de::CreateEngine(std::move(options)), parent) {}

TDVDEngineX::TDVDEngineX(std::unique_ptr<de::IDVDEngineX> engine, QObject* parent)
    : QObject(parent), engine_(std::move(engine)), relay_(std::make_unique<Relay>(*this)) {
    if (!engine_)
        throw std::invalid_argument("TDVDEngineX needs an engine");
    engine_->SetListener(relay_.get());
}

TDVDEngineX::~TDVDEngineX() {
    {
        std::lock_guard lock(askMutex_);
        closing_ = true;
    }
    askDone_.notify_all();
    // Destroying the engine cancels and joins its jobs; a worker waiting for an answer has just
    // been released, and events posted meanwhile die with this object.
    engine_->SetListener(nullptr);
    engine_.reset();
}

bool TDVDEngineX::Initialize(std::int32_t flags) {
    return engine_->Initialize(flags);
}

QString TDVDEngineX::LastError() const {
    return QString::fromStdString(engine_->LastError());
}

std::int32_t TDVDEngineX::DeviceCount() const {
    return engine_->DeviceCount();
}

std::shared_ptr<de::IDeviceX> TDVDEngineX::Device(std::int32_t index) const {
    return engine_->Device(index);
}

std::shared_ptr<de::IDeviceX> TDVDEngineX::FindDevice(char letter) const {
    return engine_->FindDevice(letter);
}

std::shared_ptr<de::IDataImageX> TDVDEngineX::DataImage() {
    return engine_->DataImage();
}

std::shared_ptr<de::IAudioCDImageX> TDVDEngineX::AudioImage() {
    return engine_->AudioImage();
}

void TDVDEngineX::WaitForJobs() {
    if (!OnOwnThread()) {
        engine_->WaitForJobs();
        return;
    }
    // On the UI thread a job may be waiting for us to answer; let the queued calls run.
    {
        std::lock_guard lock(askMutex_);
        closing_ = true;
    }
    askDone_.notify_all();
    engine_->WaitForJobs();
    std::lock_guard lock(askMutex_);
    closing_ = false;
}

bool TDVDEngineX::OnOwnThread() const {
    return QThread::currentThread() == thread();
}

template <typename F> void TDVDEngineX::Post(F emitter) {
    {
        std::lock_guard lock(queueMutex_);
        queue_.emplace_back(std::move(emitter));
        if (runPosted_)
            return;
        runPosted_ = true;
    }
    QMetaObject::invokeMethod(
        this, [this] { RunQueued(); }, Qt::QueuedConnection);
}

void TDVDEngineX::RunQueued() {
    {
        std::lock_guard lock(queueMutex_);
        runPosted_ = false;
    }
    for (;;) {
        std::function<void()> next;
        bool followUp = false;
        {
            std::lock_guard lock(queueMutex_);
            if (queue_.empty())
                return;
            next = std::move(queue_.front());
            queue_.pop_front();
            // A handler that opens a box runs a nested event loop: a call already posted lets
            // that loop go on with the events behind it, as it would with one posted per event.
            if (!queue_.empty() && !runPosted_)
                followUp = runPosted_ = true;
        }
        if (followUp)
            QMetaObject::invokeMethod(
                this, [this] { RunQueued(); }, Qt::QueuedConnection);
        next();
    }
}

template <typename F> bool TDVDEngineX::Ask(bool initial, bool onClose, F emitter) {
    if (OnOwnThread()) {
        bool answer = initial;
        emitter(answer);
        return answer;
    }
    auto answer = std::make_shared<Answer>();
    answer->value = initial;
    {
        std::lock_guard lock(askMutex_);
        if (closing_)
            return onClose;
    }
    Post([this, answer, emitter]() mutable {
        bool value = answer->value;
        emitter(value);
        {
            std::lock_guard lock(askMutex_);
            answer->value = value;
            answer->done = true;
        }
        askDone_.notify_all();
    });
    std::unique_lock lock(askMutex_);
    askDone_.wait(lock, [&] { return answer->done || closing_; });
    return answer->done ? answer->value : onClose;
}
