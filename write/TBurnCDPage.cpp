#include "write/TBurnCDPage.h"

#include "app/TfrmProgress.h"
#include "discengine/MSF.h"
#include "jobs/AudioImageJob.h"

#include "app/Shell.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DriveLists.h"
#include "ui/Named.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>
#include <string_view>

using MultiLanguages::Text;

namespace {

struct MenuItem {
    const char* name;
    LangId key;
};
// The two pop-up menus: the file list's and the folder tree's.
constexpr MenuItem kListMenu[] = {
    {"mniWrite_AddFiles", IDS_WRITECD_BUTTON_AddFiles},
    {"mniWrite_AddFolder", IDS_WRITECD_BUTTON_AddFolder},
    {"mniWrite_Delete", IDS_WRITECD_BUTTON_Delete},
    {"mniWrite_Clear", IDS_WRITECD_BUTTON_Clear},
    {"mniWrite_Up", IDS_WRITECD_MENU_Up},
    {"mniWrite_Down", IDS_WRITECD_MENU_Down},
    {"mniWrite_Eject", IDS_WRITECD_MENU_Eject},
    {"mniWrite_Load", IDS_READCD_MENU_LOAD},
};
constexpr MenuItem kTreeMenu[] = {
    {"mniWrite_AddDir", IDS_WRITECD_MENU_AddDir},
    {"mniWrite_DeleteDir", IDS_WRITECD_MENU_DelDir},
    {"mniWrite_ClearDir", IDS_WRITECD_MENU_ClearDir},
    {"mniWrite_TreeAddFiles", IDS_WRITECD_BUTTON_AddFiles},
    {"mniWrite_TreeAddFolder", IDS_WRITECD_BUTTON_AddFolder},
};

} // namespace

TBurnCDPage::TBurnCDPage(app::Shell& shell, QWidget* parent)
    : QWidget(parent), shell_(shell), msf_(discengine::CreateMSF()) {
    setObjectName(QStringLiteral("tabBurnCD"));
    lblWriteTitle = ui::Named<QLabel>(this, "lblWriteTitle");
    lblWriteTitle->setProperty("pageTitle", true);
    lblWrite_Device = ui::Named<QLabel>(this, "lblWrite_Device");
    cmbWrite_Device = ui::Named<QComboBox>(this, "cmbWrite_Device");
    lblWrite_WriteSpeed = ui::Named<QLabel>(this, "lblWrite_WriteSpeed");
    cmbWrite_WriteSpeed = ui::Named<QComboBox>(this, "cmbWrite_WriteSpeed");
    lblWrite_CDType = ui::Named<QLabel>(this, "lblWrite_CDType");
    cmbWrite_CDType = ui::Named<QComboBox>(this, "cmbWrite_CDType");
    cmbWrite_CDType->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* split = new QSplitter(this);
    trvWrite = ui::Named<QTreeWidget>(split, "trvWrite");
    trvWrite->setHeaderHidden(true);
    // A deep tree scrolls sideways instead of cutting its folder names.
    trvWrite->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    trvWrite->header()->setStretchLastSection(false);
    lstWrite = ui::Named<QTreeWidget>(split, "lstWrite");
    lstWrite->setRootIsDecorated(false);
    lstWrite->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstWrite->setContextMenuPolicy(Qt::CustomContextMenu);
    trvWrite->setContextMenuPolicy(Qt::CustomContextMenu);
    // Dropped files and folders join the compilation as if they were added with the buttons.
    for (QWidget* target : {static_cast<QWidget*>(lstWrite), static_cast<QWidget*>(trvWrite)}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
        static_cast<QTreeWidget*>(target)->viewport()->setAcceptDrops(true);
        static_cast<QTreeWidget*>(target)->viewport()->installEventFilter(this);
    }
    trvWrite->setEditTriggers(QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::SelectedClicked);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    split->setSizes({170, 510});
    mnuWrite = ui::Named<QMenu>(this, "mnuWrite");
    for (const auto& m : kListMenu) {
        if (std::string_view(m.name) == "mniWrite_Up")
            upSeparator_ = mnuWrite->addSeparator();
        mnuWrite->addAction(QString())->setObjectName(QString::fromLatin1(m.name));
    }
    mnuWrite_Tree = ui::Named<QMenu>(this, "mnuWrite_Tree");
    for (const auto& m : kTreeMenu)
        mnuWrite_Tree->addAction(QString())->setObjectName(QString::fromLatin1(m.name));
    btnWrite_AddFiles = ui::Named<QPushButton>(this, "btnWrite_AddFiles");
    btnWrite_AddFolder = ui::Named<QPushButton>(this, "btnWrite_AddFolder");
    btnWrite_DeleteFile = ui::Named<QPushButton>(this, "btnWrite_DeleteFile");
    btnWrite_Clear = ui::Named<QPushButton>(this, "btnWrite_Clear");
    lblWrite_FileCounter = ui::Named<QLabel>(this, "lblWrite_FileCounter");
    lblWrite_FileSize = ui::Named<QLabel>(this, "lblWrite_FileSize");
    lblISOFilePath = ui::Named<QLabel>(this, "lblISOFilePath");
    edtISOFilePath = ui::Named<QLineEdit>(this, "edtISOFilePath");
    btnWriteBrowse = ui::Named<QPushButton>(this, "btnWriteBrowse");
    chkWrite_WriteToISO = ui::Named<QCheckBox>(this, "chkWrite_WriteToISO");
    btnWrite_Start = ui::Named<QPushButton>(this, "btnWrite_Start");
    btnWrite_Cancel = ui::Named<QPushButton>(this, "btnWrite_Cancel");

    auto* g = new QGridLayout(this);
    g->setContentsMargins(20, 14, 20, 16);
    g->addWidget(lblWriteTitle, 0, 0, 1, 4);
    g->addWidget(lblWrite_Device, 1, 0);
    g->addWidget(cmbWrite_Device, 1, 1, 1, 3);
    g->addWidget(lblWrite_WriteSpeed, 2, 0);
    g->addWidget(cmbWrite_WriteSpeed, 2, 1);
    g->addWidget(lblWrite_CDType, 2, 2);
    g->addWidget(cmbWrite_CDType, 2, 3);
    auto* edit = new QHBoxLayout;
    for (QPushButton* b :
         {btnWrite_AddFiles, btnWrite_AddFolder, btnWrite_DeleteFile, btnWrite_Clear})
        edit->addWidget(b);
    edit->addStretch();
    g->addLayout(edit, 3, 0, 1, 4);
    g->addWidget(split, 4, 0, 1, 4);
    g->addWidget(lblWrite_FileCounter, 5, 0, 1, 2);
    g->addWidget(lblWrite_FileSize, 5, 2, 1, 2);
    g->addWidget(chkWrite_WriteToISO, 6, 0, 1, 4);
    g->addWidget(lblISOFilePath, 7, 0);
    g->addWidget(edtISOFilePath, 7, 1, 1, 2);
    g->addWidget(btnWriteBrowse, 7, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnWrite_Start);
    buttons->addWidget(btnWrite_Cancel);
    g->addLayout(buttons, 8, 0, 1, 4);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    g->setRowStretch(4, 1);
    edtISOFilePath->setReadOnly(true);
    fileLineTimer_.setSingleShot(true);
    connect(&fileLineTimer_, &QTimer::timeout, this, &TBurnCDPage::ShowPendingFileLine);
    ConnectActions();
}

TBurnCDPage::~TBurnCDPage() {
    // A page that goes while its burn runs hears no more of it.
    shell_.EndEngineJob(this);
}

void TBurnCDPage::ConnectActions() {
    connect(cmbWrite_Device, &QComboBox::activated, this, &TBurnCDPage::cmbWrite_DeviceChange);
    connect(cmbWrite_CDType, &QComboBox::activated, this, &TBurnCDPage::cmbWrite_CDTypeChange);
    connect(btnWrite_AddFiles, &QPushButton::clicked, this, &TBurnCDPage::actAddFilesExecute);
    connect(btnWrite_AddFolder, &QPushButton::clicked, this, &TBurnCDPage::actAddFolderExecute);
    connect(btnWrite_DeleteFile, &QPushButton::clicked, this, &TBurnCDPage::actDeleteExecute);
    connect(btnWrite_Clear, &QPushButton::clicked, this, &TBurnCDPage::actClearExecute);
    connect(btnWriteBrowse, &QPushButton::clicked, this, &TBurnCDPage::actBrowseExecute);
    connect(btnWrite_Start, &QPushButton::clicked, this, &TBurnCDPage::actWriteExecute);
    connect(btnWrite_Cancel, &QPushButton::clicked, this, &TBurnCDPage::actCancelExecute);
    const std::pair<const char*, void (TBurnCDPage::*)()> actions[] = {
        {"mniWrite_AddFiles", &TBurnCDPage::actAddFilesExecute},
        {"mniWrite_AddFolder", &TBurnCDPage::actAddFolderExecute},
        {"mniWrite_Delete", &TBurnCDPage::actDeleteExecute},
        {"mniWrite_Clear", &TBurnCDPage::actClearExecute},
        {"mniWrite_Up", &TBurnCDPage::actUpExecute},
        {"mniWrite_Down", &TBurnCDPage::actDownExecute},
        {"mniWrite_Eject", &TBurnCDPage::actEjectExecute},
        {"mniWrite_Load", &TBurnCDPage::actCloseTrayExecute},
        {"mniWrite_AddDir", &TBurnCDPage::actAddDirExecute},
        {"mniWrite_DeleteDir", &TBurnCDPage::actDeleteDirExecute},
        {"mniWrite_ClearDir", &TBurnCDPage::actClearDirExecute},
        {"mniWrite_TreeAddFiles", &TBurnCDPage::actAddFilesExecute},
        {"mniWrite_TreeAddFolder", &TBurnCDPage::actAddFolderExecute},
    };
    for (const auto& [name, handler] : actions)
        connect(findChild<QAction*>(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    connect(mnuWrite, &QMenu::aboutToShow, this, &TBurnCDPage::mnuWritePopup);
    connect(lstWrite, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (writeMode_ != IsoMode)
            mnuWrite->popup(lstWrite->viewport()->mapToGlobal(at));
    });
    connect(trvWrite, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (writeMode_ == DataMode)
            mnuWrite_Tree->popup(trvWrite->viewport()->mapToGlobal(at));
    });
    connect(trvWrite, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* now, QTreeWidgetItem*) {
                if (now && !filling_) {
                    currentFolder_ = now;
                    editedFolderPath_ = NodePath(now);
                }
            });
    connect(trvWrite, &QTreeWidget::itemClicked, this, [this] { trvWriteClick(); });
    connect(trvWrite, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* node, int) {
        if (!filling_)
            trvWriteEdited(node, editedFolderPath_);
    });
    connect(lstWrite, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row, int column) {
        if (!filling_ && column == 0)
            lstWriteEdited(row);
    });
}

void TBurnCDPage::ApplyLanguage() {
    lblWriteTitle->setText(Text(IDS_WRITECD_LABEL_Title));
    for (const auto& m : kListMenu)
        findChild<QAction*>(QString::fromLatin1(m.name))->setText(Text(m.key));
    for (const auto& m : kTreeMenu)
        findChild<QAction*>(QString::fromLatin1(m.name))->setText(Text(m.key));
    btnWrite_AddFiles->setText(Text(IDS_WRITECD_BUTTON_AddFiles));
    btnWrite_AddFolder->setText(Text(IDS_WRITECD_BUTTON_AddFolder));
    btnWrite_DeleteFile->setText(Text(IDS_WRITECD_BUTTON_Delete));
    btnWrite_Clear->setText(Text(IDS_WRITECD_BUTTON_Clear));
    lblWrite_Device->setText(Text(IDS_WRITECD_LABEL_Driver));
    lblWrite_WriteSpeed->setText(Text(IDS_WRITECD_LABEL_WriteSpeed));
    lblWrite_CDType->setText(Text(IDS_WRITECD_LABEL_CDType));
    SetAudioColumns();
    lblISOFilePath->setText(Text(IDS_WRITECD_LABEL_ISOFilePath));
    btnWriteBrowse->setText(Text(IDS_READCD_BUTTON_Browse));
    chkWrite_WriteToISO->setText(Text(IDS_WRITECD_CHECKBOX_WriteToISO));
    btnWrite_Start->setText(Text(IDS_WRITECD_BUTTON_Write));
    btnWrite_Cancel->setText(Text(IDS_WRITECD_BUTTON_Cancel));
    lblWrite_FileCounter->clear();
    lblWrite_FileSize->clear();
}

void TBurnCDPage::Enter() {
    startingFolder_ = QString::fromStdString(globals::ProgramDir);
    audioInformation_.ResetInformation(-1);
    try {
        if (shell_.Engine() && FillWriterList(*shell_.Engine(), cmbWrite_Device)) {
            cmbWrite_DeviceChange();
            {
                const QSignalBlocker block(cmbWrite_CDType);
                cmbWrite_CDType->clear();
                cmbWrite_CDType->addItem(Text(IDS_WRITECD_COMBOX_CDType_AudioCD));
                cmbWrite_CDType->addItem(Text(IDS_WRITECD_COMBOX_CDType_DataCD));
                cmbWrite_CDType->addItem(Text(IDS_WRITECD_COMBOX_CDType_DataCDFromISO));
                cmbWrite_CDType->setCurrentIndex(0);
            }
            cmbWrite_CDTypeChange();
            SetBurnPageIdle(true);
            lstWrite->viewport()->update();
            return;
        }
        shell_.ErrorBox(Text(IDS_MAIN_MSG_NoWriteDevice));
    } catch (const std::exception& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
    SetBurnPageIdle(false);
    btnWrite_Cancel->setEnabled(false);
    shell_.TimerUsed.stop();
    shell_.SetIdle(true);
}

void TBurnCDPage::cmbWrite_DeviceChange() {
    try {
        shell_.WriteDevice = SelectedWriter(*shell_.Engine(), cmbWrite_Device);
        cmbWrite_WriteSpeed->clear();
        if (shell_.WriteDevice)
            FillSpeedList(*shell_.WriteDevice, cmbWrite_WriteSpeed, SpeedListKind::BurnCD);
        if (shell_.BurnOptions)
            shell_.BurnOptions->SetBufferProtectAvailable(
                shell_.WriteDevice && shell_.WriteDevice->Supports(discengine::kCapBufferProtect));
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TBurnCDPage::cmbWrite_CDTypeChange() {
    writeMode_ = std::max(0, cmbWrite_CDType->currentIndex());
    try {
        switch (writeMode_) {
        case AudioMode:
            SetAudioMode();
            break;
        case DataMode:
            SetDataMode();
            break;
        default:
            SetIsoMode();
            break;
        }
    } catch (const std::exception& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TBurnCDPage::SetAudioColumns() {
    lstWrite->setHeaderLabels({Text(IDS_WRITECD_LISTVIEW_COLUMN_AudioTrack),
                               Text(IDS_WRITECD_LISTVIEW_COLUMN_FileName),
                               Text(IDS_WRTIECD_LISTVIEW_COLUMN_AudioType),
                               Text(IDS_WRITECD_LISTVIEW_COLUMN_AudioDuration)});
}

void TBurnCDPage::ShowCompilationButtons(bool compilation) {
    for (QWidget* w : std::initializer_list<QWidget*>{btnWrite_AddFiles, btnWrite_AddFolder,
                                                      btnWrite_DeleteFile, btnWrite_Clear})
        w->setVisible(compilation);
    for (QWidget* w :
         std::initializer_list<QWidget*>{lblISOFilePath, edtISOFilePath, btnWriteBrowse})
        w->setVisible(!compilation);
}

void TBurnCDPage::ShowMoveItems(bool visible) {
    for (const char* name : {"mniWrite_Up", "mniWrite_Down"})
        findChild<QAction*>(QString::fromLatin1(name))->setVisible(visible);
    upSeparator_->setVisible(visible);
}

void TBurnCDPage::WindowsAttached() {
    if (shell_.BurnOptions)
        connect(shell_.BurnOptions, &TfrmBurnOptions::VolumeIdChanged, this,
                &TBurnCDPage::SetVolumeName);
}

void TBurnCDPage::SetVolumeName(const QString& name) {
    if (QTreeWidgetItem* root = trvWrite->topLevelItem(0)) {
        const QSignalBlocker block(trvWrite);
        root->setText(0, name);
    }
}

void TBurnCDPage::SetBurnPageIdle(bool idle) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             cmbWrite_Device, cmbWrite_WriteSpeed, cmbWrite_CDType, trvWrite, lstWrite,
             btnWrite_AddFiles, btnWrite_AddFolder, btnWrite_DeleteFile, btnWrite_Clear,
             btnWriteBrowse, btnWrite_Start})
        w->setEnabled(idle);
    for (QMenu* menu : {mnuWrite, mnuWrite_Tree})
        for (QAction* a : menu->actions())
            a->setEnabled(idle);
    if (writeMode_ == DataMode)
        chkWrite_WriteToISO->setEnabled(idle);
    btnWrite_Cancel->setEnabled(!idle);
    if (shell_.BurnOptions)
        shell_.BurnOptions->SetVolumeTypeEnabled(idle && writeMode_ != AudioMode);
    shell_.OfferOptions(false, idle);
    if (idle)
        shell_.TimerUsed.stop();
    else
        shell_.TimerUsed.start();
    shell_.SetIdle(idle);
}

void TBurnCDPage::actEjectExecute() {
    if (shell_.WriteDevice)
        EjectTray(*shell_.WriteDevice);
}

void TBurnCDPage::actCloseTrayExecute() {
    if (shell_.WriteDevice)
        CloseTray(*shell_.WriteDevice);
}

bool TBurnCDPage::eventFilter(QObject* watched, QEvent* event) {
    const bool drag = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove;
    if (drag || event->type() == QEvent::Drop) {
        auto* dropEvent = static_cast<QDropEvent*>(event);
        if (!dropEvent->mimeData()->hasUrls() || !shell_.Idle())
            return QWidget::eventFilter(watched, event);
        dropEvent->acceptProposedAction();
        if (event->type() == QEvent::Drop) {
            QStringList paths;
            for (const QUrl& url : dropEvent->mimeData()->urls())
                if (url.isLocalFile())
                    paths << url.toLocalFile();
            DropPaths(paths);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
