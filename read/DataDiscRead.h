#pragma once

#include "app/Shell.h"

#include <QObject>
#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
namespace discengine {
class IDataImageX;
}

// The Read CD page's side of reading a data disc: the Read To ISO switch, the image-file
// browse, the image job (run by the engine; this object owns it and hears its write events)
// and the folder copy (run here, between events of the window).
class DataDiscRead : public QObject, public app::EngineJobOwner {
    Q_OBJECT

public:
    // The private message that asks a running folder copy to stop (WM_USER + 10 where the page
    // came from); here it is a queued call on this object.
    static constexpr int kFileCopyCancelMessage = 0x400 + 10;

    struct Controls {
        QCheckBox* readToIso;
        QLineEdit* outputPath;
        QCheckBox* replaceExisting;
    };
    DataDiscRead(app::Shell& shell, Controls controls, std::function<void(bool)> setPageIdle);

    bool ReadToIso() const;
    // The output path and the burn options that serve only an image file follow the switch.
    void chkReadToISOClick();
    // The save dialog of the image file.
    void BrowseImageFile();
    // Start's data branch; true when the progress window stays open for the engine's events.
    bool Start();
    void Cancel();
    bool FileCopyCancelled() const { return fileCopyCancelled_; }

    void DVDEngineWriteStatus(std::int32_t imageId, std::int32_t imageProgress,
                              std::int32_t imageBlocksWritten, std::int32_t imageTotalBlocks,
                              std::int32_t currentTrack, std::int32_t trackCount,
                              std::int32_t trackProgress, std::int32_t trackBlocksWritten,
                              std::int32_t trackTotalBlocks, std::int32_t status,
                              bool& cancel) override;
    void DVDEngineWriteError(std::int32_t imageId,
                             std::shared_ptr<discengine::IWriteErrorX> error) override;
    void DVDEngineItemAdded(std::int32_t imageId,
                            std::shared_ptr<discengine::IDataItemX> item) override;
    void DVDEngineTrackFileWarning(std::int32_t imageId,
                                   std::shared_ptr<discengine::IFileErrorX> error,
                                   std::int32_t trackNumber, bool& ignoreWarning) override;
    void DVDEngineFileVerifyStart(std::int32_t imageId, std::int32_t fileCount) override;
    void DVDEngineFileVerify(std::int32_t imageId, std::shared_ptr<discengine::IDataItemX> item,
                             double bytesCompared, double bytesTotal, std::int32_t verifyStatus,
                             std::int32_t fileIndex, std::int32_t fileCount, bool& cancel) override;
    void DVDEngineFileVerifyComplete(std::int32_t imageId, std::int32_t fileCount,
                                     std::int32_t matchedFiles) override;

private:
    class CopyHost;
    bool StartImageJob();
    void RunFileCopy();
    // The end of an image job: the page idle, the clock and bar at zero, the window closed.
    void EndImageJob();
    void ShowReadSpeed();

    app::Shell& shell_;
    Controls controls_;
    std::function<void(bool)> setPageIdle_;
    std::shared_ptr<discengine::IDataImageX> image_;
    bool fileCopyCancelled_ = false;
    // Which job Cancel stops: the switch may change while one runs.
    enum class Running { None, Image, Folder } running_ = Running::None;
};
