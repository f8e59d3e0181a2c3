#pragma once

#include "app/Page.h"
#include "app/Shell.h"
#include "audio/TAudioInformation2.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
namespace discengine {
class IFileLayoutX;
class IDataItemX;
class IMSFX;
} // namespace discengine
namespace jobs {
class AudioImagePreparation;
}
class EventPump;

// The Burn CD page (tabBurnCD): the audio compilation, the data compilation tree, the ISO image
// view, the four burn jobs and the reactions to their engine events. Its work is split by
// purpose over the files of this folder: AudioCompilation.cpp, DataCompilation.cpp,
// BurnJobs.cpp, WriteEvents.cpp and DropFiles.cpp.
class TBurnCDPage : public QWidget, public app::IPage, public app::EngineJobOwner {
    Q_OBJECT

public:
    enum Mode { AudioMode = 0, DataMode = 1, IsoMode = 2 };

    TBurnCDPage(app::Shell& shell, QWidget* parent = nullptr);
    ~TBurnCDPage() override;
    QWidget* PageWidget() override { return this; }
    void ApplyLanguage() override;
    void Enter() override;
    // The burn options' volume ID names the folder tree's root.
    void WindowsAttached() override;
    void SetBurnPageIdle(bool idle);
    void cmbWrite_DeviceChange();
    void cmbWrite_CDTypeChange();
    // The volume ID of the burn options, for the folder tree's root.
    void SetVolumeName(const QString& name);

    int WriteMode() const { return writeMode_; }
    long long TotalDurationMs() const { return totalDurationMs_; }

    // Actions of the buttons and menus.
    void actAddFilesExecute();
    void actAddFolderExecute();
    void actDeleteExecute();
    void actClearExecute();
    void actUpExecute() { MoveSelectedTrack(true); }
    void actDownExecute() { MoveSelectedTrack(false); }
    void actAddDirExecute();
    void actDeleteDirExecute();
    void actClearDirExecute();
    void actBrowseExecute();
    void actWriteExecute();
    void actCancelExecute();
    void actEjectExecute();
    void actCloseTrayExecute();
    void mnuWritePopup();

    // Adds files to the compilation of the current mode.
    void AddFileList(const QStringList& files);
    // Files and folders dropped on the list or tree, as the current mode takes them.
    void DropPaths(const QStringList& paths);

    // The write events of the page's own jobs.
    void DVDEngineWriteStatus(std::int32_t, std::int32_t imageProgress, std::int32_t, std::int32_t,
                              std::int32_t currentTrack, std::int32_t, std::int32_t trackProgress,
                              std::int32_t, std::int32_t, std::int32_t status, bool&) override;
    void DVDEngineWriteError(std::int32_t,
                             std::shared_ptr<discengine::IWriteErrorX> error) override;
    void DVDEngineItemAdded(std::int32_t, std::shared_ptr<discengine::IDataItemX> item) override;
    void DVDEngineTrackFileWarning(std::int32_t, std::shared_ptr<discengine::IFileErrorX> error,
                                   std::int32_t, bool& ignoreWarning) override;
    void DVDEngineTrackFileStatus(std::int32_t, std::int32_t trackNumber, std::int32_t fileCount,
                                  std::int32_t fileIndex, const QString& fileName) override;
    void DVDEngineFileVerifyStart(std::int32_t, std::int32_t fileCount) override;
    void DVDEngineFileVerify(std::int32_t, std::shared_ptr<discengine::IDataItemX> item, double,
                             double, std::int32_t verifyStatus, std::int32_t fileIndex,
                             std::int32_t fileCount, bool&) override;
    void DVDEngineFileVerifyComplete(std::int32_t, std::int32_t fileCount,
                                     std::int32_t matchedFiles) override;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void BuildMenus();
    void ConnectActions();
    // The four editing buttons of a compilation, or the ISO file's path and Browse.
    void ShowCompilationButtons(bool compilation);
    // The list menu's Up and Down, with the separator above them.
    void ShowMoveItems(bool visible);
    void SetAudioColumns();
    // Removes the selected rows, reselects by the rule after a delete and returns the removed
    // rows' captions, last row first.
    QStringList TakeSelectedRows();

    // Audio compilation (AudioCompilation.cpp).
    void SetAudioMode();
    void AddAudioFile(const QString& path, int position);
    QStringList ListAudioFiles(const QString& folder) const;
    void MoveSelectedTrack(bool up);
    void RenumberTracks();
    void ReselectAfterDelete(int position);
    void UpdateTrackCounters();
    long long TotalAudioDuration() const;
    void ShowUsedSpace(const QString& usedText = {});
    void DeleteAudioRows();
    // Fills the audio image from the rows; false when the image refused a track.
    bool PrepareAudioImage();
    void DeleteTemporaryWavs();

    // Data compilation (DataCompilation.cpp).
    void SetDataMode();
    void SetIsoMode();
    QString NodePath(QTreeWidgetItem* node) const;
    // NodePath with one trailing backslash, ready for an item's name.
    QString FolderPrefix(QTreeWidgetItem* node) const;
    // The folder item at an image path (the root for "\"), or null.
    std::shared_ptr<discengine::IDataItemX> FolderItem(const QString& path) const;
    void EnsureCurrentFolder();
    void ShowFolderContents(QTreeWidgetItem* node);
    void AddDataFile(const QString& source, const QString& imageFolder);
    void AddFolderToCompilation(const QString& folder);
    void RemoveFromImage(const QString& path, QTreeWidgetItem* node);
    void DeleteDataRows();
    void ClearDataRows();
    // The nodes below `node` made again from the image's folders.
    void RebuildFolderNodes(QTreeWidgetItem* node);
    void BuildFolderTree(const std::shared_ptr<discengine::IDataItemX>& item, QTreeWidgetItem* node,
                         EventPump& pump);
    void LoadIsoFile(const QString& path);
    void ShowDataUsedSpace();
    void trvWriteClick();
    void trvWriteEdited(QTreeWidgetItem* node, const QString& oldPath);
    void lstWriteEdited(QTreeWidgetItem* row);

    // Burn jobs (BurnJobs.cpp).
    bool CheckBlankDisc();
    bool CheckAudioDuration();
    void WriteAudioDisc();
    void WriteDataDisc();
    void WriteIsoFile();
    void WriteIsoToDisc();
    void ApplyDataSettings(bool toDisc);
    // The engine took the job: the page is busy and the progress window shows.
    void JobStarted();
    // The engine did not take it: the page hears no more and stays idle.
    void JobNotStarted(const QString& message);
    void EndJob();
    void ShowFileLine(std::int32_t fileCount, bool urgent, std::function<void()> show);
    void ShowPendingFileLine();

    app::Shell& shell_;
    int writeMode_ = AudioMode;
    long long totalDurationMs_ = 0;
    QString capacityText_;
    QString startingFolder_;
    std::int32_t capacityBlocks_ = 0;
    std::unique_ptr<discengine::IMSFX> msf_;
    audio::TAudioInformation2 audioInformation_;
    // The decoded copies of the last audio write, kept until the next Clear, completed write or
    // write that cannot start.
    std::unique_ptr<jobs::AudioImagePreparation> preparation_;
    std::shared_ptr<discengine::IFileLayoutX> currentLayout_;
    QTreeWidgetItem* currentFolder_ = nullptr;
    bool filling_ = false; // rows are being filled by the program, not edited by the user
    QString editedFolderPath_;
    static constexpr std::int32_t kEveryFileLimit = 1000;
    static constexpr int kFileLineMs = 50;
    std::function<void()> pendingFileLine_;
    QString statusBeforeFileLine_;
    QElapsedTimer fileLineClock_;
    QTimer fileLineTimer_;

    QLabel* lblWriteTitle;
    QLabel* lblWrite_Device;
    QComboBox* cmbWrite_Device;
    QLabel* lblWrite_WriteSpeed;
    QComboBox* cmbWrite_WriteSpeed;
    QLabel* lblWrite_CDType;
    QComboBox* cmbWrite_CDType;
    QTreeWidget* trvWrite;
    QTreeWidget* lstWrite;
    QMenu* mnuWrite;
    QMenu* mnuWrite_Tree;
    QPushButton* btnWrite_AddFiles;
    QPushButton* btnWrite_AddFolder;
    QPushButton* btnWrite_DeleteFile;
    QPushButton* btnWrite_Clear;
    QLabel* lblWrite_FileCounter;
    QLabel* lblWrite_FileSize;
    QLabel* lblISOFilePath;
    QLineEdit* edtISOFilePath;
    QPushButton* btnWriteBrowse;
    QCheckBox* chkWrite_WriteToISO;
    QPushButton* btnWrite_Start;
    QPushButton* btnWrite_Cancel;
    QAction* upSeparator_ = nullptr;
};
