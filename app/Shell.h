#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>

class QWidget;
class TDVDEngineX;
class TfrmLog;
class TfrmProgress;
class TfrmBurnOptions;
class TfrmRipOptions;
namespace discengine {
class IDeviceX;
class IDataItemX;
class IDeviceErrorX;
class IFileErrorX;
class IWriteErrorX;
} // namespace discengine

namespace app {

// The pages of the main window, in the order of the navigation bar after Home.
enum class PageId { ReadCD = 0, BurnCD = 1, CopyCD = 2, EraseDisc = 3, Intro = 4 };

// A page that starts engine jobs. The engine's events carry only an image id or a drive index,
// so the shell hands each event to the page whose job runs and to no other; the defaults let
// a page take only the events its jobs raise.
class EngineJobOwner {
public:
    virtual ~EngineJobOwner() = default;
    virtual void DVDEngineWriteStatus(std::int32_t imageId, std::int32_t imageProgress,
                                      std::int32_t imageBlocksWritten,
                                      std::int32_t imageTotalBlocks, std::int32_t currentTrack,
                                      std::int32_t trackCount, std::int32_t trackProgress,
                                      std::int32_t trackBlocksWritten,
                                      std::int32_t trackTotalBlocks, std::int32_t status,
                                      bool& cancel);
    virtual void DVDEngineWriteError(std::int32_t imageId,
                                     std::shared_ptr<discengine::IWriteErrorX> error);
    virtual void DVDEngineItemAdded(std::int32_t imageId,
                                    std::shared_ptr<discengine::IDataItemX> item);
    virtual void DVDEngineTrackFileWarning(std::int32_t imageId,
                                           std::shared_ptr<discengine::IFileErrorX> error,
                                           std::int32_t trackNumber, bool& ignoreWarning);
    virtual void DVDEngineTrackFileStatus(std::int32_t imageId, std::int32_t trackNumber,
                                          std::int32_t fileCount, std::int32_t fileIndex,
                                          const QString& fileName);
    virtual void DVDEngineFileVerifyStart(std::int32_t imageId, std::int32_t fileCount);
    virtual void DVDEngineFileVerify(std::int32_t imageId,
                                     std::shared_ptr<discengine::IDataItemX> item,
                                     double bytesCompared, double bytesTotal,
                                     std::int32_t verifyStatus, std::int32_t fileIndex,
                                     std::int32_t fileCount, bool& cancel);
    virtual void DVDEngineFileVerifyComplete(std::int32_t imageId, std::int32_t fileCount,
                                             std::int32_t matchedFiles);
    virtual void DVDEngineEraseStatus(std::int32_t deviceIndex, std::int32_t status,
                                      std::int32_t progress);
    virtual void DVDEngineEraseError(std::int32_t deviceIndex,
                                     std::shared_ptr<discengine::IDeviceErrorX> error);
};

// What the main window shares with its pages for the whole run: the engine and the owner of
// its running job, the windows jobs drive, the drive references, the idle state and the page on
// show, the used-time timer and the last status.
class Shell : public QObject {
    Q_OBJECT

public:
    explicit Shell(QWidget* window);

    // The main window: the parent of every box a page shows.
    QWidget* Window() const { return window_; }

    // The engine binding; its events are routed from here on (see BeginEngineJob).
    void SetEngine(TDVDEngineX* engine);
    TDVDEngineX* Engine() const { return engine_; }

    // The page that starts an engine job owns it: the job's events reach that page only,
    // whichever page is on show, until the owner ends it. Without an owner no page hears the
    // engine; questions keep the engine's defaults.
    void BeginEngineJob(EngineJobOwner* owner);
    // Only the owner ends its job; another page's call changes nothing.
    void EndEngineJob(EngineJobOwner* owner);
    EngineJobOwner* JobOwner() const { return jobOwner_; }

    // No job runs: the navigation may change pages and the progress window may close.
    bool Idle() const { return idle_; }
    void SetIdle(bool idle) { idle_ = idle; }
    // The page on show; the main window changes it.
    PageId CurrentPage() const { return currentPage_; }
    void SetCurrentPage(PageId page) { currentPage_ = page; }

    TfrmLog* Log = nullptr;
    TfrmProgress* Progress = nullptr;
    TfrmBurnOptions* BurnOptions = nullptr;
    TfrmRipOptions* RipOptions = nullptr;

    std::shared_ptr<discengine::IDeviceX> ReadDevice;
    std::shared_ptr<discengine::IDeviceX> WriteDevice;
    std::shared_ptr<discengine::IDeviceX> EraseDevice;

    // One-second timer counting a job's elapsed seconds into the progress window.
    QTimer TimerUsed;
    long long ElapsedSeconds = 0;
    void TimerUsedTimer();
    // A job's start: elapsed 0, progress bar 0, used time 00:00:00.
    void StartJobClock();

    // Shows the status in the progress window and logs it unless it repeats the last one.
    void ShowStatus(const QString& text);
    const QString& LastStatus() const { return lastStatus_; }

    // The boxes the pages show, with the language table's captions.
    void ErrorBox(const QString& text) const;
    void WarningBox(const QString& text) const;
    void HintBox(const QString& text) const;

    // A page tells which items of the Options group fit what it shows now (an audio CD can be
    // ripped, a data disc burned from); the main window owns those items.
    void OfferOptions(bool rip, bool burn) { emit OptionsOffered(rip, burn); }

signals:
    void OptionsOffered(bool rip, bool burn);

private:
    void RouteEngineEvents();
    // Hands the engine's `signal` to the job owner's `handler`, if a job has an owner.
    template <typename Signal, typename Handler> void Route(Signal signal, Handler handler);

    QWidget* window_;
    TDVDEngineX* engine_ = nullptr;
    EngineJobOwner* jobOwner_ = nullptr;
    bool idle_ = true;
    PageId currentPage_ = PageId::Intro;
    QString lastStatus_;
};

} // namespace app
