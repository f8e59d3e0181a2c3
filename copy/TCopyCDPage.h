#pragma once

#include "app/Page.h"
#include "app/Shell.h"

#include <QString>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TCDGrabber;
namespace jobs {
class DiscCopy;
class ICopyHost;
} // namespace jobs

// The Copy CD page (tabCopyCD): the source and destination drive panels with their reports, the
// On-The-Fly switch, Start and Cancel. The copy itself is jobs::DiscCopy; this page is its
// window front end and hears the engine's events of the copy's writes. Split by purpose:
// TCopyCDPage.cpp (controls, drive panels, idle switch), CopyStart.cpp (Start, Cancel, the
// second phase) and CopyEvents.cpp (the write events).
class TCopyCDPage : public QWidget, public app::IPage, public app::EngineJobOwner {
    Q_OBJECT

public:
    // The private message that starts the second phase of an image copy (WM_USER + 30 where the
    // page came from); here it is a queued call on this page.
    static constexpr int CopyContinueMessage = 0x400 + 30;

    TCopyCDPage(app::Shell& shell, QWidget* parent = nullptr);
    ~TCopyCDPage() override;
    QWidget* PageWidget() override { return this; }
    void ApplyLanguage() override;
    void Enter() override;
    void SetCopyPageIdle(bool idle);
    void cmbCopyCD_ReadDeviceChange();
    void cmbCopyCD_WriteDeviceChange();
    // The drive panels' menus: the report again, and the trays.
    void actReadInfoRefresh();
    void actWriteInfoRefresh();
    void actRefreshReadDevice();
    void actRefreshWriteDevice();
    void actCopyCDStartExecute();
    void actCopyCancelExecute();

    // 0 audio CD, 1 any other disc, -1 not known yet.
    int DiscKind() const { return discKind_; }
    bool OnTheFlyAllowed() const { return onTheFlyAllowed_; }
    const jobs::DiscCopy* Job() const { return copy_.get(); }
    // Where the grabber library is loaded from; empty: the program folder (tests point
    // elsewhere). Takes effect at the next Enter.
    void SetGrabberLibraryForTests(const QString& path) { grabberLibrary_ = path; }
    void SetPollIntervalForTests(std::chrono::milliseconds interval) { pollInterval_ = interval; }

    void DVDEngineWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t, std::int32_t,
                              std::int32_t currentTrack, std::int32_t, std::int32_t trackProgress,
                              std::int32_t, std::int32_t, std::int32_t status, bool&) override;
    void DVDEngineWriteError(std::int32_t,
                             std::shared_ptr<discengine::IWriteErrorX> error) override;
    void DVDEngineItemAdded(std::int32_t, std::shared_ptr<discengine::IDataItemX> item) override;
    void DVDEngineTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                                   std::int32_t, bool& ignoreWarning) override;
    void DVDEngineTrackFileStatus(std::int32_t, std::int32_t trackNumber, std::int32_t,
                                  std::int32_t fileIndex, const QString& fileName) override;
    void DVDEngineFileVerifyStart(std::int32_t, std::int32_t fileCount) override;
    void DVDEngineFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item, double,
                             double, std::int32_t verifyStatus, std::int32_t fileIndex,
                             std::int32_t fileCount, bool&) override;
    void DVDEngineFileVerifyComplete(std::int32_t, std::int32_t fileCount,
                                     std::int32_t matchedFiles) override;

private:
    class Host;
    void MakeHost();
    void ConnectMenus();
    // Steps 3 to 5 of the source handler: the disc kind and whether On-The-Fly may be used.
    void UpdateDiscKind();
    void UpdateOnTheFly();
    void CopyContinue();
    // The job's end for the page: it no longer hears the engine, the clock and bar at zero.
    void EndJob();
    void ShowSpeed();

    app::Shell& shell_;
    std::unique_ptr<jobs::ICopyHost> host_;
    std::unique_ptr<TCDGrabber> grabber_;
    std::unique_ptr<jobs::DiscCopy> copy_;
    QString grabberLibrary_;
    std::chrono::milliseconds pollInterval_{100};
    int discKind_ = -1;
    bool onTheFlyAllowed_ = true;

    QLabel* lblCopyTitle;
    QLabel* lblCopyCD_ReadDevice;
    QComboBox* cmbCopyCD_ReadDevice;
    QPlainTextEdit* mmoCopyCD_Read;
    QLabel* lblCopyCD_WriteDevice;
    QComboBox* cmbCopyCD_WriteDevice;
    QPlainTextEdit* mmoCopyCD_Write;
    QLabel* lblBurnSpeed;
    QComboBox* cmbCopyCD_WriteSpeed;
    QCheckBox* chkCopy_OnTheFly;
    QMenu* mnuCopy_Read;
    QMenu* mnuCopy_Write;
    QPushButton* btnCopyCD_Start;
    QPushButton* btnCopy_Cancel;
};
