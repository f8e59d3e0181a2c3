#pragma once

#include "app/Page.h"

#include <QWidget>

#include <memory>

class DataDiscRead;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TCDGrabber;
class TMyListView;
class TfrmRipOptions;
namespace app {
class Shell;
}

// The Read CD page (tabReadCD): the drive, the track list of an audio CD with CD-Text and
// in-place editing, the root listing of a data disc, and the rip job.
class TReadCDPage : public QWidget, public app::IPage {
    Q_OBJECT

public:
    enum class DiscKind { None = -1, AudioCD = 0, DataDisc = 1 };

    TReadCDPage(app::Shell& shell, QWidget* parent = nullptr);
    ~TReadCDPage() override;
    QWidget* PageWidget() override { return this; }
    void ApplyLanguage() override;
    // The page's set-up each time it is entered from another page.
    void Enter() override;
    void EnterAgain() override { update(); }
    // Rip options fit an audio CD only.
    bool OffersRipOptions() const override { return discKind_ == DiscKind::AudioCD; }
    void WindowsAttached() override;
    void SetReadPageIdle(bool idle);
    DiscKind LoadedDiscKind() const { return discKind_; }
    // The rip options dialog whose tags the job reads and whose Artist sets every row.
    void SetRipOptions(TfrmRipOptions* ripOptions);
    // The grabber the page holds (the copy page holds its own).
    TCDGrabber* Grabber() const { return grabber_.get(); }
    // Where the grabber library is loaded from; empty: the program folder (tests point
    // elsewhere).
    void SetGrabberLibraryForTests(const QString& path) { grabberLibrary_ = path; }

    void cmbRead_DeviceChange();
    void ShowAudioDisc();
    void ShowDataDisc();
    void lstReadChange();
    void lstReadDblClick();
    void lstReadColumnResize();
    void edtRenameExit();
    void chkSelectAllClick();
    void btnGetCDTextClick();
    void mnuReadPopup();
    void mniRead_RefreshClick();
    void mniRead_EjectClick();
    void mniRead_LoadClick();
    void mniRead_PlayClick();
    void btnRead_CopyClick();
    void btnRead_CancelClick();
    void btnRead_BrowseClick();
    // Reading a data disc into an image file or a folder.
    DataDiscRead& DataRead() { return *dataRead_; }
    // Writes the rip outcome into the row's Status column.
    void SetTrackStatus(int row, const QString& text);

signals:
    // An audio CD enables the Options group's "Rip" and disables "Burn", a data disc the
    // reverse (the main window owns those items).
    void DiscKindChanged(TReadCDPage::DiscKind kind);
    // "Play" on the popup menu: the main window's preview plays row `row` (0-based).
    void PlayTrackRequested(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class RipHost;
    class CDTextTarget;
    void ShowDisc();
    void OpenRenameEditor(int column);
    void RunRipJob();

    app::Shell& shell_;
    TfrmRipOptions* ripOptions_ = nullptr;
    std::unique_ptr<TCDGrabber> grabber_;
    std::unique_ptr<DataDiscRead> dataRead_;
    QString grabberLibrary_;
    DiscKind discKind_ = DiscKind::None;
    int checkedTrackCount_ = 0;
    int renameColumn_ = -1; // the track list column the rename editor edits; -1: none yet
    QLabel* lblReadTitle;
    QLabel* lblRead_Device;
    QComboBox* cmbRead_Device;
    TMyListView* lstRead;
    QLineEdit* edtRename;
    QMenu* mnuRead;
    QAction* mniRead_Refresh;
    QAction* mniRead_Eject;
    QAction* mniRead_Load;
    QAction* NReadCD;
    QAction* mniRead_Play;
    QPushButton* btnGetCDText;
    QCheckBox* chkSelectAll;
    QCheckBox* chkReadToISO;
    QLabel* lblReadOutputPath;
    QLineEdit* edtReadOutputPath;
    QPushButton* btnRead_Browse;
    QCheckBox* chkReadReplaceExisted;
    QPushButton* btnRead_Copy;
    QPushButton* btnRead_Cancel;
};
