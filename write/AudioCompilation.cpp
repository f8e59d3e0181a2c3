// The audio compilation: one row per track in play order, with the checks of every added file,
// the counters under the list and the audio image filled from the rows at a write.
#include "write/TBurnCDPage.h"

#include "app/TfrmProgress.h"
#include "audio/AudioError.h"
#include "core/MultiLanguages.h"
#include "core/TimeText.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/MSF.h"
#include "engine/DVDEngineBinding.h"
#include "jobs/AudioImageJob.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>

using MultiLanguages::Text;

namespace {

enum AudioColumn { kTrack = 0, kPath = 1, kType = 2, kDuration = 3 };

QString ExtensionOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toUpper();
    return suffix;
}

bool AcceptedAudio(const QString& path) {
    const QString ext = ExtensionOf(path);
    return ext == "WAV" || ext == "MP3" || ext == "WMA";
}

QString TrackCaption(int position) {
    return ui::FormatText(Text(IDS_WRITECD_TrackName), {static_cast<long long>(position)});
}

} // namespace

void TBurnCDPage::SetAudioMode() {
    ShowCompilationButtons(true);
    SetAudioColumns();
    lstWrite->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstWrite->clear();
    // The path is what tells the rows apart: it takes the room the other columns leave.
    lstWrite->header()->setStretchLastSection(false);
    lstWrite->header()->setSectionResizeMode(kPath, QHeaderView::Stretch);
    lstWrite->setColumnWidth(kTrack, 80);
    lstWrite->setColumnWidth(kType, 50);
    lstWrite->setColumnWidth(kDuration, 75);
    if (shell_.BurnOptions)
        shell_.BurnOptions->OptionsForAudioBurn();
    chkWrite_WriteToISO->setEnabled(false);
    trvWrite->setVisible(false);
    ShowMoveItems(true);
    lblWrite_FileCounter->setText(
        ui::FormatText(Text(IDS_WRITECD_LABEL_FileCounter_TracksCount), {0LL}));
    capacityBlocks_ = shell_.WriteDevice ? shell_.WriteDevice->FreeBlocks(false) : 0;
    totalDurationMs_ = 0;
    ShowUsedSpace(Text(IDS_WRITECD_LABEL_FileSize_InitSize));
}

void TBurnCDPage::actAddFilesExecute() {
    ui::FileDialogRequest request;
    if (writeMode_ == AudioMode) {
        request.filter = Text(IDS_WRITECD_OPENFILE_Filter_Audio);
        request.title = Text(IDS_WRITECD_OPENFILE_AudioTitle);
    } else {
        request.filter = Text(IDS_WRITECD_OPENFILE_Filter_Data);
        request.title = Text(IDS_WRITECD_OPENFILE_DataTitle);
    }
    request.initialDir = startingFolder_;
    const auto files = ui::Prompts().OpenFiles(shell_.Window(), request);
    if (!files || files->isEmpty())
        return;
    startingFolder_ = QFileInfo(files->front()).absolutePath() + "/";
    AddFileList(*files);
}

void TBurnCDPage::actAddFolderExecute() {
    if (writeMode_ == DataMode)
        EnsureCurrentFolder();
    const auto folder = ui::Prompts().BrowseFolder(shell_.Window(), QString(),
                                                   QString::fromStdString(globals::TempDir));
    if (!folder)
        return;
    if (writeMode_ == AudioMode)
        AddFileList(ListAudioFiles(*folder));
    else if (writeMode_ == DataMode)
        AddFolderToCompilation(*folder);
}

QStringList TBurnCDPage::ListAudioFiles(const QString& folder) const {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString path = it.next();
        if (AcceptedAudio(path))
            files << path;
    }
    return files;
}

void TBurnCDPage::AddFileList(const QStringList& files) {
    shell_.ShowStatus(Text(IDS_WRITECD_LABEL_Status_AddingFiles));
    if (writeMode_ == AudioMode) {
        for (int i = 0; i < files.size(); ++i) {
            AddAudioFile(files[i], i + 1);
            QCoreApplication::processEvents();
        }
        RenumberTracks();
    } else if (writeMode_ == DataMode) {
        EnsureCurrentFolder();
        for (const QString& file : files) {
            QString folder = NodePath(currentFolder_);
            if (!folder.endsWith('\\'))
                folder += '\\';
            AddDataFile(file, folder);
            QCoreApplication::processEvents();
        }
    }
    shell_.ShowStatus(Text(IDS_WRITECD_LABEL_Status_AddingFilesCompleted));
}

void TBurnCDPage::AddAudioFile(const QString& path, int position) {
    if (!QFileInfo(path).isFile()) {
        shell_.ErrorBox(ui::FormatText(Text(IDS_WRITECD_MSG_FileNotExist), {path}));
        return;
    }
    if (!AcceptedAudio(path)) {
        shell_.ErrorBox(ui::FormatText(Text(IDS_WRTIECD_MSG_InValidFormat), {path}));
        return;
    }
    for (int i = 0; i < lstWrite->topLevelItemCount(); ++i)
        if (lstWrite->topLevelItem(i)->text(kPath) == path) {
            shell_.HintBox(ui::FormatText(Text(IDS_WRITECD_MSG_FileAlreadyAdded), {path}));
            return;
        }
    shell_.ShowStatus(ui::FormatText(Text(IDS_WRITECD_LABEL_Status_AddingFile), {path}));
    auto* row = new QTreeWidgetItem(lstWrite, {TrackCaption(position), path});
    bool failed = false;
    try {
        const std::filesystem::path file = path.toStdString();
        audioInformation_.SetFileName(file);
        const QString type = ExtensionOf(path);
        const bool valid = type == "WAV"   ? audioInformation_.IsWavFile(file)
                           : type == "MP3" ? audioInformation_.IsMp3File(file)
                                           : audioInformation_.IsWmaFile(file);
        if (valid) {
            row->setText(kType, type);
            row->setText(kDuration, core::SecondsToTimeText(audioInformation_.Duration() / 1000));
        } else {
            // A file that is not what its name says has no length worth a second box.
            shell_.ErrorBox(ui::FormatText(Text(IDS_WRITECD_MSG_InvalidFile), {type, path}));
            failed = true;
        }
        lstWrite->viewport()->update();
    } catch (const std::exception&) {
        shell_.ErrorBox(ui::FormatText(Text(IDS_WRITECD_MSG_AddingFileError), {path}));
        failed = true;
    }
    if (failed)
        delete row;
    UpdateTrackCounters();
}

void TBurnCDPage::RenumberTracks() {
    for (int i = 0; i < lstWrite->topLevelItemCount(); ++i)
        lstWrite->topLevelItem(i)->setText(kTrack, TrackCaption(i + 1));
}

void TBurnCDPage::MoveSelectedTrack(bool up) {
    const auto selected = lstWrite->selectedItems();
    if (selected.isEmpty())
        return;
    // With several rows selected only the first in list order moves.
    int p = lstWrite->topLevelItemCount();
    for (QTreeWidgetItem* row : selected)
        p = std::min(p, lstWrite->indexOfTopLevelItem(row));
    const int last = lstWrite->topLevelItemCount() - 1;
    if ((up && p == 0) || (!up && p == last))
        return;
    lstWrite->setUpdatesEnabled(false);
    QTreeWidgetItem* row = lstWrite->takeTopLevelItem(p);
    lstWrite->insertTopLevelItem(up ? p - 1 : p + 1, row);
    lstWrite->clearSelection();
    row->setSelected(true);
    lstWrite->setCurrentItem(row);
    lstWrite->setUpdatesEnabled(true);
    lstWrite->scrollToItem(row);
    RenumberTracks();
}

void TBurnCDPage::ReselectAfterDelete(int position) {
    lstWrite->clearSelection();
    const int count = lstWrite->topLevelItemCount();
    if (count == 0)
        return;
    QTreeWidgetItem* row = lstWrite->topLevelItem(std::min(position, count - 1));
    row->setSelected(true);
    lstWrite->setCurrentItem(row);
}

void TBurnCDPage::actDeleteExecute() {
    if (lstWrite->selectedItems().isEmpty())
        return;
    if (writeMode_ == AudioMode)
        DeleteAudioRows();
    else if (writeMode_ == DataMode)
        DeleteDataRows();
}

QStringList TBurnCDPage::TakeSelectedRows() {
    QStringList captions;
    int lowest = -1;
    filling_ = true;
    lstWrite->setUpdatesEnabled(false);
    for (int i = lstWrite->topLevelItemCount() - 1; i >= 0; --i)
        if (lstWrite->topLevelItem(i)->isSelected()) {
            captions << lstWrite->topLevelItem(i)->text(0);
            delete lstWrite->takeTopLevelItem(i);
            lowest = i;
        }
    lstWrite->setUpdatesEnabled(true);
    filling_ = false;
    ReselectAfterDelete(lowest);
    return captions;
}

void TBurnCDPage::DeleteAudioRows() {
    TakeSelectedRows();
    RenumberTracks();
    UpdateTrackCounters();
}

void TBurnCDPage::actClearExecute() {
    if (lstWrite->topLevelItemCount() == 0)
        return;
    if (writeMode_ == AudioMode) {
        lstWrite->clear();
        UpdateTrackCounters();
        DeleteTemporaryWavs();
    } else if (writeMode_ == DataMode) {
        ClearDataRows();
    }
}

void TBurnCDPage::mnuWritePopup() {
    const auto selected = lstWrite->selectedItems();
    int first = lstWrite->topLevelItemCount();
    for (QTreeWidgetItem* row : selected)
        first = std::min(first, lstWrite->indexOfTopLevelItem(row));
    const bool any = !selected.isEmpty() && shell_.Idle();
    findChild<QAction*>("mniWrite_Delete")->setEnabled(any);
    findChild<QAction*>("mniWrite_Up")->setEnabled(any && first > 0);
    findChild<QAction*>("mniWrite_Down")
        ->setEnabled(any && first < lstWrite->topLevelItemCount() - 1);
}

void TBurnCDPage::UpdateTrackCounters() {
    if (writeMode_ != AudioMode)
        return;
    lblWrite_FileCounter->setText(
        ui::FormatText(Text(IDS_WRITECD_LABEL_FileCounter_TracksCount),
                       {static_cast<long long>(lstWrite->topLevelItemCount())}));
    totalDurationMs_ = TotalAudioDuration();
    const long long frames =
        static_cast<long long>(std::ceil((totalDurationMs_ % 1000) / 1000.0 * 75));
    ShowUsedSpace(
        ui::FormatText(QStringLiteral("%.2d:%.2d:%.2d"),
                       {totalDurationMs_ / 60000, (totalDurationMs_ / 1000) % 60, frames}));
}

long long TBurnCDPage::TotalAudioDuration() const {
    long long seconds = 0;
    for (int i = 0; i < lstWrite->topLevelItemCount(); ++i) {
        const QStringList parts = lstWrite->topLevelItem(i)->text(kDuration).split(':');
        if (parts.size() != 3)
            continue;
        seconds +=
            parts[0].toLongLong() * 3600 + parts[1].toLongLong() * 60 + parts[2].toLongLong();
    }
    return seconds * 1000;
}

void TBurnCDPage::ShowUsedSpace(const QString& usedText) {
    if (writeMode_ != AudioMode) {
        ShowDataUsedSpace();
        return;
    }
    msf_->SetBlocks(capacityBlocks_);
    capacityText_ = QString::fromStdString(msf_->Text());
    lblWrite_FileSize->setText(
        ui::FormatText(Text(IDS_WRITECD_LABEL_FileSize_UesedPercent), {usedText, capacityText_}));
    lblWrite_FileSize->repaint();
}

bool TBurnCDPage::PrepareAudioImage() {
    auto image = shell_.Engine()->AudioImage();
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < lstWrite->topLevelItemCount(); ++i)
        files.emplace_back(lstWrite->topLevelItem(i)->text(kPath).toStdString());
    // A new preparation per write: the copies of an earlier write go with the old one.
    preparation_.reset();
    preparation_ = std::make_unique<jobs::AudioImagePreparation>(globals::TempDir);
    int row = 0;
    try {
        preparation_->Fill(*image, files, [&](const std::string&) {
            if (row < static_cast<int>(files.size()))
                shell_.ShowStatus(
                    ui::FormatText(Text(IDS_WRITECD_LABEL_Status_InsertingFileToImage),
                                   {QString::fromStdString(files[row].string())}));
            ++row;
            QCoreApplication::processEvents();
        });
    } catch (const jobs::TrackRefused&) {
        return false;
    }
    return true;
}

void TBurnCDPage::DeleteTemporaryWavs() {
    if (shell_.Engine())
        shell_.Engine()->AudioImage()->ClearTracks();
    preparation_.reset();
}
