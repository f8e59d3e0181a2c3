#include "read/TReadCDPage.h"

#include "app/Shell.h"
#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "core/TimeText.h"
#include "core/globals.h"
#include "dialogs/GenreList.h"
#include "dialogs/TfrmBurnOptions.h"
#include "dialogs/TfrmRipOptions.h"
#include "discengine/Errors.h"
#include "discengine/Volume.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DiscReport.h"
#include "engine/DriveLists.h"
#include "jobs/CDTextList.h"
#include "jobs/RipJob.h"
#include "jobs/TCDGrabber.h"
#include "read/DataDiscRead.h"
#include "ui/Named.h"
#include "ui/Prompts.h"
#include "ui/TMyListView.h"
#include "ui/TextFormat.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <algorithm>
#include <chrono>

using MultiLanguages::Text;

namespace {

// Columns of the track list: the item text, then the four sub-items.
enum Column { ColTitle = 0, ColTrack = 1, ColDuration = 2, ColStatus = 3, ColArtist = 4 };

QString Num(long long n) {
    return QString::number(n);
}

// Rows tall enough for a check box with air around it; the style's own rows are only as tall
// as the text, so the boxes of neighbouring tracks touch.
class TrackRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 21));
        return size;
    }
};

// An audio CD is ripped track by track; anything else readable is read as a data disc.
TReadCDPage::DiscKind KindOfDisc(discengine::IDeviceX& drive) {
    return ClassifyDisc(drive) == DiscKindAudioCD ? TReadCDPage::DiscKind::AudioCD
                                                  : TReadCDPage::DiscKind::DataDisc;
}

// Starting widths that show every column of the list at the page's width; the last column
// takes what is left.
void SizeColumns(QTreeWidget* list, std::initializer_list<int> widths) {
    int column = 0;
    for (int width : widths)
        list->setColumnWidth(column++, width);
}

} // namespace

// The rip job's view of this page.
class TReadCDPage::RipHost final : public rip::IRipHost {
public:
    explicit RipHost(TReadCDPage& page) : page_(page) {}
    int RowCount() const override { return page_.lstRead->topLevelItemCount(); }
    bool RowChecked(int row) const override { return page_.lstRead->Checked(row); }
    QString RowTitle(int row) const override {
        return page_.lstRead->topLevelItem(row)->text(ColTitle);
    }
    QString RowArtist(int row) const override {
        return page_.lstRead->topLevelItem(row)->text(ColArtist);
    }
    void SetTrackStatus(int row, const QString& text) override { page_.SetTrackStatus(row, text); }
    rip::TrackTags DialogTags() const override {
        rip::TrackTags tags;
        if (TfrmRipOptions* d = page_.ripOptions_) {
            tags.album = d->edtAlbum->text();
            tags.genreIndex = d->cmbGenre->currentIndex();
            tags.year = d->edtYear->text();
            tags.genre = d->cmbGenre->currentText();
        } else {
            tags.year = Num(QDate::currentDate().year());
        }
        return tags;
    }
    std::int32_t TrackFrames(int trackNumber) override {
        return page_.shell_.ReadDevice->AudioTrackList()->TrackLength(trackNumber);
    }
    void ShowStatus(const QString& text) override { page_.shell_.ShowStatus(text); }
    void SetProgress(int percent) override {
        if (page_.shell_.Progress)
            page_.shell_.Progress->SetProgress(percent);
    }
    void SetIdle(bool idle) override { page_.SetReadPageIdle(idle); }
    void ProcessEvents() override { QCoreApplication::processEvents(); }

private:
    TReadCDPage& page_;
};

// Get CD-Text's view of this page and the rip options dialog.
class TReadCDPage::CDTextTarget final : public cdtext::ICDTextTarget {
public:
    explicit CDTextTarget(TReadCDPage& page) : page_(page) {}
    int RowCount() const override { return page_.lstRead->topLevelItemCount(); }
    void SetAlbum(const QString& album) override {
        if (page_.ripOptions_)
            page_.ripOptions_->edtAlbum->setText(album);
    }
    void SetArtist(const QString& artist) override {
        if (page_.ripOptions_)
            page_.ripOptions_->edtArtist->setText(artist);
    }
    QStringList GenreNames() const override { return genres::GenreNames(); }
    void SelectGenre(int index) override {
        if (page_.ripOptions_)
            page_.ripOptions_->cmbGenre->setCurrentIndex(index);
    }
    void SetRowTitle(int row, const QString& title) override {
        page_.lstRead->topLevelItem(row)->setText(ColTitle, title);
    }
    void SetRowArtist(int row, const QString& artist) override {
        page_.lstRead->topLevelItem(row)->setText(ColArtist, artist);
    }

private:
    TReadCDPage& page_;
};

TReadCDPage::TReadCDPage(app::Shell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("tabReadCD"));
    lblReadTitle = ui::Named<QLabel>(this, "lblReadTitle");
    lblReadTitle->setProperty("pageTitle", true);
    lblRead_Device = ui::Named<QLabel>(this, "lblRead_Device");
    cmbRead_Device = ui::Named<QComboBox>(this, "cmbRead_Device");
    lstRead = ui::Named<TMyListView>(this, "lstRead");
    lstRead->setColumnCount(5);
    lstRead->setItemDelegate(new TrackRowDelegate(lstRead));
    lstRead->header()->setStretchLastSection(true);
    lstRead->setContextMenuPolicy(Qt::CustomContextMenu);
    lstRead->setEditTriggers(QAbstractItemView::NoEditTriggers);
    edtRename = ui::Named<QLineEdit>(this, "edtRename");
    edtRename->hide();
    edtRename->installEventFilter(this);
    mnuRead = ui::Named<QMenu>(this, "mnuRead");
    auto action = [this](const char* name) {
        auto* a = mnuRead->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mniRead_Refresh = action("mniRead_Refresh");
    mniRead_Eject = action("mniRead_Eject");
    mniRead_Load = action("mniRead_Load");
    NReadCD = mnuRead->addSeparator();
    NReadCD->setObjectName(QStringLiteral("NReadCD"));
    mniRead_Play = action("mniRead_Play");
    btnGetCDText = ui::Named<QPushButton>(this, "btnGetCDText");
    chkSelectAll = ui::Named<QCheckBox>(this, "chkSelectAll");
    chkReadToISO = ui::Named<QCheckBox>(this, "chkReadToISO");
    chkReadToISO->hide();
    lblReadOutputPath = ui::Named<QLabel>(this, "lblReadOutputPath");
    edtReadOutputPath = ui::Named<QLineEdit>(this, "edtReadOutputPath");
    btnRead_Browse = ui::Named<QPushButton>(this, "btnRead_Browse");
    chkReadReplaceExisted = ui::Named<QCheckBox>(this, "chkReadReplaceExisted");
    btnRead_Copy = ui::Named<QPushButton>(this, "btnRead_Copy");
    btnRead_Cancel = ui::Named<QPushButton>(this, "btnRead_Cancel");

    auto* g = new QGridLayout(this);
    g->setContentsMargins(20, 14, 20, 16);
    g->addWidget(lblReadTitle, 0, 0, 1, 4);
    g->addWidget(lblRead_Device, 1, 0);
    g->addWidget(cmbRead_Device, 1, 1, 1, 2);
    g->addWidget(btnGetCDText, 1, 3);
    g->addWidget(lstRead, 2, 0, 1, 4);
    g->addWidget(chkSelectAll, 3, 0);
    g->addWidget(chkReadToISO, 3, 1);
    g->addWidget(chkReadReplaceExisted, 3, 2, 1, 2);
    g->addWidget(lblReadOutputPath, 4, 0);
    g->addWidget(edtReadOutputPath, 4, 1, 1, 2);
    g->addWidget(btnRead_Browse, 4, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnRead_Copy);
    buttons->addWidget(btnRead_Cancel);
    g->addLayout(buttons, 5, 0, 1, 4);
    g->setColumnStretch(1, 1);
    g->setRowStretch(2, 1);

    connect(cmbRead_Device, &QComboBox::activated, this, &TReadCDPage::cmbRead_DeviceChange);
    connect(lstRead, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        mnuReadPopup();
        mnuRead->popup(lstRead->viewport()->mapToGlobal(p));
    });
    connect(lstRead, &TMyListView::OnItemChecked, this, &TReadCDPage::lstReadChange);
    connect(lstRead, &QTreeWidget::itemDoubleClicked, this, &TReadCDPage::lstReadDblClick);
    connect(lstRead, &TMyListView::OnColumnResize, this, &TReadCDPage::lstReadColumnResize);
    connect(lstRead, &TMyListView::OnEndColumnResize, this, &TReadCDPage::lstReadColumnResize);
    connect(edtRename, &QLineEdit::returnPressed, this, &TReadCDPage::edtRenameExit);
    connect(chkSelectAll, &QCheckBox::clicked, this, &TReadCDPage::chkSelectAllClick);
    connect(btnGetCDText, &QPushButton::clicked, this, &TReadCDPage::btnGetCDTextClick);
    connect(mniRead_Refresh, &QAction::triggered, this, &TReadCDPage::mniRead_RefreshClick);
    connect(mniRead_Eject, &QAction::triggered, this, &TReadCDPage::mniRead_EjectClick);
    connect(mniRead_Load, &QAction::triggered, this, &TReadCDPage::mniRead_LoadClick);
    connect(mniRead_Play, &QAction::triggered, this, &TReadCDPage::mniRead_PlayClick);
    connect(btnRead_Copy, &QPushButton::clicked, this, &TReadCDPage::btnRead_CopyClick);
    connect(btnRead_Cancel, &QPushButton::clicked, this, &TReadCDPage::btnRead_CancelClick);
    connect(btnRead_Browse, &QPushButton::clicked, this, &TReadCDPage::btnRead_BrowseClick);
    dataRead_ = std::make_unique<DataDiscRead>(
        shell_, DataDiscRead::Controls{chkReadToISO, edtReadOutputPath, chkReadReplaceExisted},
        [this](bool idle) { SetReadPageIdle(idle); });
    connect(chkReadToISO, &QCheckBox::clicked, this, [this] {
        if (discKind_ == DiscKind::DataDisc)
            dataRead_->chkReadToISOClick();
    });
}

TReadCDPage::~TReadCDPage() = default;

void TReadCDPage::ApplyLanguage() {
    lblReadTitle->setText(Text(IDS_READCD_LABEL_Title));
    mniRead_Refresh->setText(Text(IDS_BUTTON_Refresh));
    mniRead_Eject->setText(Text(IDS_WRITECD_MENU_Eject));
    mniRead_Load->setText(Text(IDS_READCD_MENU_LOAD));
    mniRead_Play->setText(Text(IDS_READCD_MENU_PLAY));
    lblRead_Device->setText(Text(IDS_READCD_LABEL_Driver));
    btnGetCDText->setText(Text(IDS_READCD_BUTTON_GetCDText));
    chkSelectAll->setText(Text(IDS_READCD_CHECKBOX_SelectAll));
    chkReadToISO->setText(Text(IDS_READCD_COMBOX_CopyAction_ToISO));
    lblReadOutputPath->setText(Text(IDS_READCD_LABEL_OutputPath));
    btnRead_Browse->setText(Text(IDS_READCD_BUTTON_Browse));
    chkReadReplaceExisted->setText(Text(IDS_READCD_CHECKBOX_ReplaceExistedFile));
    btnRead_Copy->setText(Text(IDS_READCD_BUTTON_Start_Grab));
    btnRead_Cancel->setText(Text(IDS_READCD_BUTTON_Cancel));
}

void TReadCDPage::WindowsAttached() {
    SetRipOptions(shell_.RipOptions);
}

void TReadCDPage::SetRipOptions(TfrmRipOptions* ripOptions) {
    ripOptions_ = ripOptions;
    if (!ripOptions_)
        return;
    connect(ripOptions_, &TfrmRipOptions::edtArtistChange, this, [this](const QString& artist) {
        for (int i = 0; i < lstRead->topLevelItemCount(); ++i)
            lstRead->topLevelItem(i)->setText(ColArtist, artist);
    });
}

void TReadCDPage::Enter() {
    // The grabber it replaces goes first.
    grabber_.reset();
    grabber_ = grabberLibrary_.isEmpty()
                   ? std::make_unique<TCDGrabber>()
                   : std::make_unique<TCDGrabber>(grabberLibrary_.toStdString());
    discKind_ = DiscKind::None;
    GrabFinished = false;
    try {
        if (shell_.Engine() && FillDeviceList(*shell_.Engine(), cmbRead_Device)) {
            cmbRead_DeviceChange();
            SetReadPageIdle(true);
            lstRead->viewport()->update();
            return;
        }
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
    SetReadPageIdle(false);
    btnRead_Cancel->setEnabled(false);
    shell_.TimerUsed.stop();
    shell_.SetIdle(true);
    lstRead->viewport()->update();
}

void TReadCDPage::cmbRead_DeviceChange() {
    try {
        shell_.ReadDevice = SelectedDrive(*shell_.Engine(), cmbRead_Device);
        if (!shell_.ReadDevice)
            return;
        shell_.ReadDevice->Refresh(false);
        if (!IsDiscReadable(*shell_.ReadDevice)) {
            discKind_ = DiscKind::None;
            lstRead->clear();
            return;
        }
        discKind_ = KindOfDisc(*shell_.ReadDevice);
        emit DiscKindChanged(discKind_);
        shell_.OfferOptions(discKind_ == DiscKind::AudioCD, discKind_ == DiscKind::DataDisc);
        ShowDisc();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TReadCDPage::ShowDisc() {
    if (discKind_ == DiscKind::DataDisc)
        ShowDataDisc();
    else if (discKind_ == DiscKind::AudioCD)
        ShowAudioDisc();
}

void TReadCDPage::ShowAudioDisc() {
    if (shell_.CurrentPage() != app::PageId::ReadCD)
        return;
    lstRead->clear();
    lstRead->setHeaderLabels({Text(IDS_READCD_LISTVIEW_COLUMN_AudioTitle),
                              Text(IDS_READCD_LISTVIEW_COLUME_AuddioTrack),
                              Text(IDS_READCD_LISTVIEW_COLUMN_AudioDuration),
                              Text(IDS_READCD_LISTVIEW_COLUMN_AudioStatus),
                              Text(IDS_READCD_LISTVIEW_COLUME_AudioArtist)});
    SizeColumns(lstRead, {150, 56, 80, 100});
    btnRead_Copy->setText(Text(IDS_READCD_BUTTON_Start_Grab));
    edtReadOutputPath->setText(QString::fromStdString(globals::TempDir));
    mniRead_Play->setVisible(true);
    NReadCD->setVisible(true);
    chkSelectAll->show();
    btnGetCDText->show();
    chkReadToISO->hide();
    QCoreApplication::processEvents();

    checkedTrackCount_ = 0;
    btnRead_Copy->setEnabled(false);
    shell_.ShowStatus(Text(IDS_READCD_LABEL_Status_LoadTracks));
    auto tracks = shell_.ReadDevice->AudioTrackList();
    const int count = tracks ? tracks->Count() : 0;
    for (int n = 1; n <= count; ++n) {
        auto* item = new QTreeWidgetItem(lstRead);
        item->setText(ColTitle, rip::DefaultTrackTitle(n));
        item->setText(ColTrack,
                      ui::FormatText(QStringLiteral("%.2d"), {static_cast<long long>(n)}));
        item->setText(ColDuration, core::SecondsToTimeText(tracks->TrackLength(n) / 75));
    }
    shell_.ShowStatus(Text(IDS_READCD_LABEL_Status_LoadTracksCompleted));
    lstRead->SetCheckBoxes(true);
    chkSelectAllClick();
    lstReadChange();
}

void TReadCDPage::ShowDataDisc() {
    if (shell_.CurrentPage() != app::PageId::ReadCD)
        return;
    lstRead->clear();
    lstRead->SetCheckBoxes(false);
    lstRead->setHeaderLabels({Text(IDS_READCD_LISTVIEW_COLUMN_DataTitle),
                              Text(IDS_READCD_LISTVIEW_COLUMN_DataSize),
                              Text(IDS_READCD_LISTVIEW_COLUMN_DataDate), QString(), QString()});
    SizeColumns(lstRead, {210, 90, 150, 20});
    btnRead_Copy->setText(Text(IDS_READCD_BUTTON_Start_Copy));
    btnRead_Copy->setEnabled(true);
    TfrmBurnOptions* burn = shell_.BurnOptions;
    if (burn)
        burn->SetVolumeId(Text(IDS_READCD_EDIT_VolumeID_DefaultText));
    mniRead_Play->setVisible(false);
    NReadCD->setVisible(false);
    chkSelectAll->hide();
    btnGetCDText->hide();
    chkReadToISO->show();
    const bool toIso = chkReadToISO->isChecked();
    QString output = QString::fromStdString(globals::TempDir);
    if (toIso)
        output += Text(IDS_READCD_SAVEDIALOG_DefaultFileName);
    edtReadOutputPath->setText(output);
    if (burn)
        burn->OptionsForImageFromDataDisc(toIso);

    shell_.ShowStatus(Text(IDS_READCD_LABEL_Status_LoadData));
    for (const auto& entry : shell_.ReadDevice->Volume()->List("\\")) {
        auto* item = new QTreeWidgetItem(lstRead);
        item->setText(0, QString::fromStdString(entry.name));
        item->setText(1, entry.isFolder ? Text(IDS_LISTVIEW_ITEM_Folder)
                                        : QString::number(entry.size));
        const auto secs =
            std::chrono::duration_cast<std::chrono::seconds>(entry.created.time_since_epoch())
                .count();
        item->setText(2, QLocale().toString(QDateTime::fromSecsSinceEpoch(secs).toLocalTime(),
                                            QLocale::ShortFormat));
    }
    shell_.ShowStatus(Text(IDS_READCD_LABEL_Status_LoadDataCompleted));
}

void TReadCDPage::lstReadChange() {
    if (discKind_ != DiscKind::AudioCD)
        return;
    checkedTrackCount_ = lstRead->CheckedCount();
    btnRead_Copy->setEnabled(checkedTrackCount_ >= 1);
}

void TReadCDPage::chkSelectAllClick() {
    const bool on = chkSelectAll->isChecked();
    for (int i = 0; i < lstRead->topLevelItemCount(); ++i)
        lstRead->SetChecked(i, on);
    lstReadChange();
}

void TReadCDPage::lstReadDblClick() {
    if (discKind_ != DiscKind::AudioCD || !lstRead->currentItem())
        return;
    // The cell under the mouse decides which text is edited.
    const QPoint at = lstRead->viewport()->mapFromGlobal(QCursor::pos());
    const int column = lstRead->header()->logicalIndexAt(at.x());
    if (column == ColTitle)
        OpenRenameEditor(ColTitle);
    else if (column == ColArtist)
        OpenRenameEditor(ColArtist);
}

void TReadCDPage::OpenRenameEditor(int column) {
    QTreeWidgetItem* item = lstRead->currentItem();
    if (!item)
        return;
    const QRect row = lstRead->visualItemRect(item);
    const QPoint topLeft = lstRead->viewport()->mapTo(
        this, QPoint(lstRead->header()->sectionViewportPosition(column), row.top()));
    edtRename->setGeometry(topLeft.x(), topLeft.y(), lstRead->columnWidth(column),
                           std::max(row.height(), edtRename->sizeHint().height()));
    edtRename->setText(item->text(column));
    renameColumn_ = column;
    edtRename->show();
    edtRename->raise();
    edtRename->setFocus();
}

void TReadCDPage::edtRenameExit() {
    if (!edtRename->isVisible())
        return;
    edtRename->hide();
    QTreeWidgetItem* item = lstRead->currentItem();
    if (!item)
        return;
    if (renameColumn_ == ColTitle || renameColumn_ == ColArtist)
        item->setText(renameColumn_, edtRename->text());
}

void TReadCDPage::lstReadColumnResize() {
    // The editor follows its column; it keeps its own cell geometry, not the event's width.
    if (renameColumn_ == ColTitle || renameColumn_ == ColArtist)
        edtRename->resize(lstRead->columnWidth(renameColumn_), edtRename->height());
}

bool TReadCDPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtRename && event->type() == QEvent::FocusOut)
        edtRenameExit();
    return QWidget::eventFilter(watched, event);
}

void TReadCDPage::btnGetCDTextClick() {
    const QString entry = cmbRead_Device->currentText();
    if (entry.isEmpty())
        return;
    const char letter = entry.at(0).toLatin1();
    std::unique_ptr<TCDDevice> device =
        grabberLibrary_.isEmpty()
            ? std::make_unique<TCDDevice>(letter)
            : std::make_unique<TCDDevice>(letter, grabberLibrary_.toStdString());
    if (!device->Loaded())
        return;
    CDTextTarget target(*this);
    cdtext::ApplyCDText(*device, target);
}

void TReadCDPage::mnuReadPopup() {
    mniRead_Play->setEnabled(!lstRead->selectedItems().isEmpty());
}

void TReadCDPage::mniRead_RefreshClick() {
    try {
        if (!shell_.ReadDevice || !IsDiscReadable(*shell_.ReadDevice))
            return;
        discKind_ = KindOfDisc(*shell_.ReadDevice);
        ShowDisc();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TReadCDPage::mniRead_EjectClick() {
    try {
        shell_.ReadDevice = SelectedDrive(*shell_.Engine(), cmbRead_Device);
        if (shell_.ReadDevice)
            EjectTray(*shell_.ReadDevice);
        lstRead->clear();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TReadCDPage::mniRead_LoadClick() {
    try {
        shell_.ReadDevice = SelectedDrive(*shell_.Engine(), cmbRead_Device);
        if (!shell_.ReadDevice)
            return;
        CloseTray(*shell_.ReadDevice);
        if (!IsDiscReadable(*shell_.ReadDevice)) {
            discKind_ = DiscKind::None;
            lstRead->clear();
            return;
        }
        discKind_ = KindOfDisc(*shell_.ReadDevice);
        ShowDisc();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TReadCDPage::mniRead_PlayClick() {
    const auto selected = lstRead->selectedItems();
    if (discKind_ == DiscKind::AudioCD && !selected.isEmpty())
        emit PlayTrackRequested(lstRead->indexOfTopLevelItem(selected.first()));
}

void TReadCDPage::SetTrackStatus(int row, const QString& text) {
    if (QTreeWidgetItem* item = lstRead->topLevelItem(row))
        item->setText(ColStatus, text);
    lstRead->viewport()->update();
}

void TReadCDPage::SetReadPageIdle(bool idle) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmbRead_Device, btnRead_Copy, btnGetCDText, btnRead_Browse,
                                         lstRead, chkReadReplaceExisted, chkSelectAll})
        w->setEnabled(idle);
    btnRead_Cancel->setEnabled(!idle);
    shell_.SetIdle(idle);
    if (idle)
        shell_.TimerUsed.stop();
    else
        shell_.TimerUsed.start();
}

void TReadCDPage::btnRead_CopyClick() {
    if (lstRead->topLevelItemCount() == 0)
        return;
    if (discKind_ == DiscKind::AudioCD && checkedTrackCount_ == 0) {
        shell_.ErrorBox(Text(IDS_READCD_MSG_NoTrackSelected));
        return;
    }
    try {
        if (shell_.ReadDevice)
            shell_.ReadDevice->Refresh(true);
    } catch (const discengine::EngineError&) {
        // The job finds out per track; an unreadable drive fails each of them.
    }
    shell_.StartJobClock();
    TfrmProgress* progress = shell_.Progress;
    if (progress) {
        progress->SetCancelHandler([this] { btnRead_CancelClick(); });
        progress->show();
    }
    if (discKind_ == DiscKind::AudioCD)
        RunRipJob();
    // An image job keeps the window open: the engine's events close it.
    else if (discKind_ == DiscKind::DataDisc && dataRead_->Start())
        return;
    if (progress)
        progress->hide();
}

void TReadCDPage::RunRipJob() {
    TfrmProgress* progress = shell_.Progress;
    ScopedGrabSpeedTarget speed(this, [progress](const QString& text) {
        if (progress)
            progress->SetSpeedText(text);
    });
    rip::RipJobSettings settings;
    settings.outputFolder = globals::AddTrailingBackslash(edtReadOutputPath->text().toStdString());
    settings.replaceExisting = chkReadReplaceExisted->isChecked();
    settings.grabOutputFormat = globals::GrabOutputFormat;
    settings.options = globals::Rip;
    settings.driveLetter = shell_.ReadDevice ? shell_.ReadDevice->DriveLetter() : 'D';
    if (shell_.ReadDevice)
        settings.driveDescription = shell_.ReadDevice->Description();
    RipHost host(*this);
    if (!grabber_)
        grabber_ = std::make_unique<TCDGrabber>();
    rip::RunRipJob(*grabber_, host, settings);
}

void TReadCDPage::btnRead_CancelClick() {
    if (discKind_ == DiscKind::DataDisc) {
        dataRead_->Cancel();
        return;
    }
    if (discKind_ != DiscKind::AudioCD)
        return;
    if (grabber_)
        grabber_->AbortRip();
    GrabCancelled = true;
}

void TReadCDPage::btnRead_BrowseClick() {
    if (discKind_ == DiscKind::None)
        return;
    if (discKind_ == DiscKind::DataDisc && chkReadToISO->isChecked()) {
        dataRead_->BrowseImageFile();
        return;
    }
    auto chosen = ui::Prompts().BrowseFolder(this, QString(), edtReadOutputPath->text());
    if (chosen)
        edtReadOutputPath->setText(
            QString::fromStdString(globals::AddTrailingBackslash(chosen->toStdString())));
}
