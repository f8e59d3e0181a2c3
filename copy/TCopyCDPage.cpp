#include "copy/TCopyCDPage.h"

#include "app/Shell.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/Errors.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DiscReport.h"
#include "engine/DriveLists.h"
#include "jobs/DiscCopy.h"
#include "jobs/TCDGrabber.h"
#include "ui/Named.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

using MultiLanguages::Text;

namespace {

void AddMenu(QMenu* menu, const char* refresh, const char* eject, const char* load) {
    menu->addAction(QString())->setObjectName(QString::fromLatin1(refresh));
    menu->addSeparator();
    menu->addAction(QString())->setObjectName(QString::fromLatin1(eject));
    menu->addAction(QString())->setObjectName(QString::fromLatin1(load));
}

} // namespace

TCopyCDPage::TCopyCDPage(app::Shell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("tabCopyCD"));
    lblCopyTitle = ui::Named<QLabel>(this, "lblCopyTitle");
    lblCopyTitle->setProperty("pageTitle", true);
    lblCopyCD_ReadDevice = ui::Named<QLabel>(this, "lblCopyCD_ReadDevice");
    cmbCopyCD_ReadDevice = ui::Named<QComboBox>(this, "cmbCopyCD_ReadDevice");
    mmoCopyCD_Read = ui::Named<QPlainTextEdit>(this, "mmoCopyCD_Read");
    lblCopyCD_WriteDevice = ui::Named<QLabel>(this, "lblCopyCD_WriteDevice");
    cmbCopyCD_WriteDevice = ui::Named<QComboBox>(this, "cmbCopyCD_WriteDevice");
    mmoCopyCD_Write = ui::Named<QPlainTextEdit>(this, "mmoCopyCD_Write");
    for (QPlainTextEdit* m : {mmoCopyCD_Read, mmoCopyCD_Write}) {
        m->setReadOnly(true);
        m->setContextMenuPolicy(Qt::CustomContextMenu);
    }
    lblBurnSpeed = ui::Named<QLabel>(this, "lblBurnSpeed");
    cmbCopyCD_WriteSpeed = ui::Named<QComboBox>(this, "cmbCopyCD_WriteSpeed");
    chkCopy_OnTheFly = ui::Named<QCheckBox>(this, "chkCopy_OnTheFly");
    mnuCopy_Read = ui::Named<QMenu>(this, "mnuCopy_Read");
    AddMenu(mnuCopy_Read, "mniCopy_ReadRefresh", "mniCopy_ReadEject", "mniCopy_ReadLoad");
    mnuCopy_Write = ui::Named<QMenu>(this, "mnuCopy_Write");
    AddMenu(mnuCopy_Write, "mniCopy_WriteRefresh", "mniCopy_WriteEject", "mniCopy_WriteLoad");
    connect(mmoCopyCD_Read, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        mnuCopy_Read->popup(mmoCopyCD_Read->viewport()->mapToGlobal(p));
    });
    connect(mmoCopyCD_Write, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        mnuCopy_Write->popup(mmoCopyCD_Write->viewport()->mapToGlobal(p));
    });
    btnCopyCD_Start = ui::Named<QPushButton>(this, "btnCopyCD_Start");
    btnCopy_Cancel = ui::Named<QPushButton>(this, "btnCopy_Cancel");

    auto* g = new QGridLayout(this);
    g->setContentsMargins(20, 14, 20, 16);
    g->addWidget(lblCopyTitle, 0, 0, 1, 2);
    g->addWidget(lblCopyCD_ReadDevice, 1, 0);
    g->addWidget(cmbCopyCD_ReadDevice, 1, 1);
    g->addWidget(mmoCopyCD_Read, 2, 0, 1, 2);
    g->addWidget(lblCopyCD_WriteDevice, 3, 0);
    g->addWidget(cmbCopyCD_WriteDevice, 3, 1);
    g->addWidget(mmoCopyCD_Write, 4, 0, 1, 2);
    g->addWidget(lblBurnSpeed, 5, 0);
    auto* speed = new QHBoxLayout;
    speed->addWidget(cmbCopyCD_WriteSpeed, 1);
    speed->addSpacing(16);
    speed->addWidget(chkCopy_OnTheFly);
    g->addLayout(speed, 5, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCopyCD_Start);
    buttons->addWidget(btnCopy_Cancel);
    g->addLayout(buttons, 6, 0, 1, 2);
    g->setColumnStretch(1, 1);
    g->setRowStretch(2, 1);
    g->setRowStretch(4, 1);
    connect(cmbCopyCD_ReadDevice, &QComboBox::activated, this,
            &TCopyCDPage::cmbCopyCD_ReadDeviceChange);
    connect(cmbCopyCD_WriteDevice, &QComboBox::activated, this,
            &TCopyCDPage::cmbCopyCD_WriteDeviceChange);
    connect(btnCopyCD_Start, &QPushButton::clicked, this, &TCopyCDPage::actCopyCDStartExecute);
    connect(btnCopy_Cancel, &QPushButton::clicked, this, &TCopyCDPage::actCopyCancelExecute);
    ConnectMenus();
    MakeHost();
}

void TCopyCDPage::ConnectMenus() {
    auto on = [this](const char* name, void (TCopyCDPage::*handler)()) {
        connect(findChild<QAction*>(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    on("mniCopy_ReadRefresh", &TCopyCDPage::actReadInfoRefresh);
    on("mniCopy_WriteRefresh", &TCopyCDPage::actWriteInfoRefresh);
    auto tray = [this](const char* name, bool source, bool eject) {
        connect(findChild<QAction*>(QString::fromLatin1(name)), &QAction::triggered, this,
                [this, source, eject] {
                    const auto& drive = source ? shell_.ReadDevice : shell_.WriteDevice;
                    if (!drive)
                        return;
                    try {
                        if (eject)
                            EjectTray(*drive);
                        else
                            CloseTray(*drive);
                    } catch (const discengine::EngineError& e) {
                        shell_.ErrorBox(QString::fromStdString(e.what()));
                    }
                    if (source)
                        actReadInfoRefresh();
                    else
                        actWriteInfoRefresh();
                });
    };
    tray("mniCopy_ReadEject", true, true);
    tray("mniCopy_ReadLoad", true, false);
    tray("mniCopy_WriteEject", false, true);
    tray("mniCopy_WriteLoad", false, false);
}

void TCopyCDPage::ApplyLanguage() {
    lblCopyTitle->setText(Text(IDS_COPYCD_LABEL_Title));
    const struct {
        const char* name;
        LangId key;
    } actions[] = {{"mniCopy_ReadRefresh", IDS_BUTTON_Refresh},
                   {"mniCopy_WriteRefresh", IDS_BUTTON_Refresh},
                   {"mniCopy_ReadEject", IDS_WRITECD_MENU_Eject},
                   {"mniCopy_WriteEject", IDS_WRITECD_MENU_Eject},
                   {"mniCopy_ReadLoad", IDS_READCD_MENU_LOAD},
                   {"mniCopy_WriteLoad", IDS_READCD_MENU_LOAD}};
    for (const auto& a : actions)
        findChild<QAction*>(QString::fromLatin1(a.name))->setText(Text(a.key));
    lblCopyCD_ReadDevice->setText(Text(IDS_COPYCD_LABEL_ReadDriver));
    lblCopyCD_WriteDevice->setText(Text(IDS_COPYCD_LABEL_WriteDriver));
    btnCopyCD_Start->setText(Text(IDS_WRITECD_BUTTON_Write));
    btnCopy_Cancel->setText(Text(IDS_WRITECD_BUTTON_Cancel));
    chkCopy_OnTheFly->setText(Text(IDS_COPYCD_CHECKBOX_OnTheFly));
    lblBurnSpeed->setText(Text(IDS_COPYCD_lbl_BurnSpeed));
}

void TCopyCDPage::Enter() {
    // The grabber it replaces goes first, with the job that holds it.
    copy_.reset();
    grabber_.reset();
    grabber_ = grabberLibrary_.isEmpty()
                   ? std::make_unique<TCDGrabber>()
                   : std::make_unique<TCDGrabber>(grabberLibrary_.toStdString());
    copy_ = std::make_unique<jobs::DiscCopy>(*host_, *grabber_);
    GrabFinished = false;
    if (TfrmBurnOptions* o = shell_.BurnOptions)
        o->OptionsForCopy();
    try {
        if (TDVDEngineX* engine = shell_.Engine())
            copy_->SetImages(engine->AudioImage(), engine->DataImage());
        if (shell_.Engine() && FillDeviceList(*shell_.Engine(), cmbCopyCD_ReadDevice)) {
            cmbCopyCD_ReadDeviceChange();
            SetCopyPageIdle(true);
        } else {
            shell_.ErrorBox(Text(IDS_MAIN_MSG_NoReadDevice));
            SetCopyPageIdle(false);
            btnCopyCD_Start->setEnabled(false);
            btnCopy_Cancel->setEnabled(false);
            shell_.TimerUsed.stop();
        }
        if (shell_.Engine() && FillWriterList(*shell_.Engine(), cmbCopyCD_WriteDevice)) {
            cmbCopyCD_WriteDeviceChange();
            SetCopyPageIdle(true);
        } else {
            shell_.ErrorBox(Text(IDS_MAIN_MSG_NoWriteDevice));
            shell_.SetIdle(true);
        }
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
        SetCopyPageIdle(false);
        btnCopy_Cancel->setEnabled(false);
        shell_.TimerUsed.stop();
        shell_.SetIdle(true);
    }
}

void TCopyCDPage::cmbCopyCD_ReadDeviceChange() {
    try {
        shell_.ReadDevice = SelectedDrive(*shell_.Engine(), cmbCopyCD_ReadDevice);
        if (!shell_.ReadDevice)
            return;
        WriteDeviceSection(*shell_.ReadDevice, mmoCopyCD_Read);
        WriteReadCapabilities(*shell_.ReadDevice, mmoCopyCD_Read);
        WriteDiscSection(*shell_.ReadDevice, mmoCopyCD_Read, true);
        UpdateDiscKind();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TCopyCDPage::cmbCopyCD_WriteDeviceChange() {
    try {
        shell_.WriteDevice = SelectedWriter(*shell_.Engine(), cmbCopyCD_WriteDevice);
        cmbCopyCD_WriteSpeed->clear();
        if (!shell_.WriteDevice)
            return;
        FillSpeedList(*shell_.WriteDevice, cmbCopyCD_WriteSpeed, SpeedListKind::CopyCD);
        WriteDeviceSection(*shell_.WriteDevice, mmoCopyCD_Write);
        WriteWriteCapabilities(*shell_.WriteDevice, mmoCopyCD_Write);
        WriteDiscSection(*shell_.WriteDevice, mmoCopyCD_Write, false);
        UpdateOnTheFly();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TCopyCDPage::UpdateDiscKind() {
    if (!shell_.ReadDevice)
        return;
    discKind_ = ClassifyDisc(*shell_.ReadDevice);
    onTheFlyAllowed_ = discKind_ != DiscKindAudioCD;
    if (shell_.ReadDevice && shell_.WriteDevice)
        onTheFlyAllowed_ = shell_.ReadDevice->DriveLetter() != shell_.WriteDevice->DriveLetter();
    chkCopy_OnTheFly->setEnabled(onTheFlyAllowed_);
}

// The destination side: an audio CD is never copied on the fly, and neither is a disc onto its
// own drive.
void TCopyCDPage::UpdateOnTheFly() {
    onTheFlyAllowed_ = discKind_ != DiscKindAudioCD && shell_.ReadDevice && shell_.WriteDevice &&
                       shell_.ReadDevice->DriveLetter() != shell_.WriteDevice->DriveLetter();
    chkCopy_OnTheFly->setEnabled(onTheFlyAllowed_);
}

void TCopyCDPage::actReadInfoRefresh() {
    if (!shell_.ReadDevice)
        return;
    try {
        WriteSourceReport(*shell_.ReadDevice, mmoCopyCD_Read);
        UpdateDiscKind();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TCopyCDPage::actWriteInfoRefresh() {
    if (!shell_.WriteDevice)
        return;
    try {
        WriteDestinationReport(*shell_.WriteDevice, mmoCopyCD_Write);
        UpdateDiscKind();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TCopyCDPage::actRefreshReadDevice() {
    try {
        if (shell_.Engine() && FillDeviceList(*shell_.Engine(), cmbCopyCD_ReadDevice))
            cmbCopyCD_ReadDeviceChange();
        else
            shell_.ErrorBox(Text(IDS_MAIN_MSG_NoReadDevice));
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TCopyCDPage::actRefreshWriteDevice() {
    try {
        if (shell_.Engine() && FillWriterList(*shell_.Engine(), cmbCopyCD_WriteDevice))
            cmbCopyCD_WriteDeviceChange();
        else
            shell_.ErrorBox(Text(IDS_MAIN_MSG_NoWriteDevice));
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TCopyCDPage::SetCopyPageIdle(bool idle) {
    for (QWidget* w : std::initializer_list<QWidget*>{btnCopyCD_Start, cmbCopyCD_ReadDevice,
                                                      cmbCopyCD_WriteDevice, cmbCopyCD_WriteSpeed,
                                                      mmoCopyCD_Read, mmoCopyCD_Write})
        w->setEnabled(idle);
    for (QMenu* menu : {mnuCopy_Read, mnuCopy_Write})
        for (QAction* a : menu->actions())
            a->setEnabled(idle);
    btnCopy_Cancel->setEnabled(!idle);
    chkCopy_OnTheFly->setEnabled(idle && onTheFlyAllowed_);
    shell_.SetIdle(idle);
    if (idle)
        shell_.TimerUsed.stop();
    else
        shell_.TimerUsed.start();
}
