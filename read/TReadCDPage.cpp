#include "read/TReadCDPage.h"

#include "app/MultiLanguages.h"
#include "app/PageWidgets.h"
#include "app/Shell.h"
#include "app/globals.h"
#include "discengine/Errors.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DriveLists.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

using app::Named;
using MultiLanguages::Text;

TReadCDPage::TReadCDPage(app::Shell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("tabReadCD"));
    lblReadTitle = Named<QLabel>(this, "lblReadTitle");
    lblReadTitle->setProperty("pageTitle", true);
    lblRead_Device = Named<QLabel>(this, "lblRead_Device");
    cmbRead_Device = Named<QComboBox>(this, "cmbRead_Device");
    lstRead = Named<QTreeWidget>(this, "lstRead");
    lstRead->setRootIsDecorated(false);
    lstRead->setHeaderLabels({QStringLiteral("#"), QString(), QString()});
    lstRead->header()->setStretchLastSection(true);
    lstRead->setContextMenuPolicy(Qt::CustomContextMenu);
    mnuRead = Named<QMenu>(this, "mnuRead");
    auto action = [this](const char* name) {
        auto* a = mnuRead->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mniRead_Refresh = action("mniRead_Refresh");
    mniRead_Eject = action("mniRead_Eject");
    mniRead_Load = action("mniRead_Load");
    mniRead_Play = action("mniRead_Play");
    connect(lstRead, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { mnuRead->popup(lstRead->viewport()->mapToGlobal(p)); });
    btnGetCDText = Named<QPushButton>(this, "btnGetCDText");
    chkSelectAll = Named<QCheckBox>(this, "chkSelectAll");
    lblReadOutputPath = Named<QLabel>(this, "lblReadOutputPath");
    edtReadOutputPath = Named<QLineEdit>(this, "edtReadOutputPath");
    btnRead_Browse = Named<QPushButton>(this, "btnRead_Browse");
    chkReadReplaceExisted = Named<QCheckBox>(this, "chkReadReplaceExisted");
    btnRead_Copy = Named<QPushButton>(this, "btnRead_Copy");
    btnRead_Cancel = Named<QPushButton>(this, "btnRead_Cancel");

    auto* g = new QGridLayout(this);
    g->setContentsMargins(20, 14, 20, 16);
    g->addWidget(lblReadTitle, 0, 0, 1, 4);
    g->addWidget(lblRead_Device, 1, 0);
    g->addWidget(cmbRead_Device, 1, 1, 1, 2);
    g->addWidget(btnGetCDText, 1, 3);
    g->addWidget(lstRead, 2, 0, 1, 4);
    g->addWidget(chkSelectAll, 3, 0, 1, 2);
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
}

void TReadCDPage::ApplyLanguage() {
    lblReadTitle->setText(Text(IDS_READCD_LABEL_Title));
    mniRead_Refresh->setText(Text(IDS_BUTTON_Refresh));
    mniRead_Eject->setText(Text(IDS_WRITECD_MENU_Eject));
    mniRead_Load->setText(Text(IDS_READCD_MENU_LOAD));
    mniRead_Play->setText(Text(IDS_READCD_MENU_PLAY));
    lblRead_Device->setText(Text(IDS_READCD_LABEL_Driver));
    btnGetCDText->setText(Text(IDS_READCD_BUTTON_GetCDText));
    chkSelectAll->setText(Text(IDS_READCD_CHECKBOX_SelectAll));
    lblReadOutputPath->setText(Text(IDS_READCD_LABEL_OutputPath));
    btnRead_Browse->setText(Text(IDS_READCD_BUTTON_Browse));
    chkReadReplaceExisted->setText(Text(IDS_READCD_CHECKBOX_ReplaceExistedFile));
    btnRead_Copy->setText(Text(IDS_READCD_BUTTON_Start_Grab));
    btnRead_Cancel->setText(Text(IDS_READCD_BUTTON_Cancel));
}

void TReadCDPage::Enter() {
    discKind_ = DiscKind::None;
    try {
        if (shell_.Engine && FillDeviceList(*shell_.Engine, cmbRead_Device)) {
            cmbRead_DeviceChange();
            SetReadPageIdle(true);
            lstRead->viewport()->update();
            return;
        }
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
    SetReadPageIdle(false);
    shell_.TimerUsed.stop();
    globals::Idle = true;
    lstRead->viewport()->update();
}

void TReadCDPage::cmbRead_DeviceChange() {
    try {
        shell_.ReadDevice = SelectedDrive(*shell_.Engine, cmbRead_Device);
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TReadCDPage::SetReadPageIdle(bool idle) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmbRead_Device, lstRead, chkSelectAll, edtReadOutputPath,
                                         btnRead_Browse, chkReadReplaceExisted})
        w->setEnabled(idle);
    // The rip job and CD-Text are not built yet: their buttons stay off rather than pretend.
    btnGetCDText->setEnabled(false);
    btnRead_Copy->setEnabled(false);
    btnRead_Cancel->setEnabled(false);
    globals::Idle = idle;
    if (idle)
        shell_.TimerUsed.stop();
    else
        shell_.TimerUsed.start();
}
