#include "erase/TEraseDiscPage.h"
#include "ui/Named.h"

#include "app/Shell.h"
#include "app/TfrmProgress.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DriveLists.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using MultiLanguages::Text;

namespace {

// The rewritable formats: the drive's write capability and the medium it erases.
struct RewritablePair {
    std::int32_t capability;
    std::int32_t medium;
};
constexpr RewritablePair kRewritablePairs[] = {
    {17, discengine::kMediaCDRW},   {19, discengine::kMediaDVDRW}, {22, discengine::kMediaDVDRAM},
    {23, discengine::kMediaDVDPRW}, {27, discengine::kMediaBDRE},
};

} // namespace

TEraseDiscPage::TEraseDiscPage(app::Shell& shell, QWidget* parent)
    : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("tabEraseDisc"));
    auto label = [this](const char* name) { return ui::Named<QLabel>(this, name); };
    lblEraseTitle = label("lblEraseTitle");
    lblEraseTitle->setProperty("pageTitle", true);
    lblEraseDevice = label("lblEraseDevice");
    lblEraseDiscWriteSpeed = label("lblEraseDiscWriteSpeed");
    lblErase_Description = label("lblErase_Description");
    lblErase_Description->setWordWrap(true);
    lblErase_Description->setProperty("note", true);
    // The warning stands apart from the controls, as a framed note the eye does not skip.
    lblErase_Description->setStyleSheet(QStringLiteral(
        "QLabel { background: #fdf5ec; border: 1px solid #f0c9a4; border-left: 4px solid #e8742a;"
        " border-radius: 4px; padding: 8px 10px; color: #4a3b2c; }"));
    cmbEraseDisc_Device = ui::Named<QComboBox>(this, "cmbEraseDisc_Device");
    cmbEraseCD_Speed = ui::Named<QComboBox>(this, "cmbEraseCD_Speed");
    chkErase_QuickErase = ui::Named<QCheckBox>(this, "chkErase_QuickErase");
    chkErase_Eject = ui::Named<QCheckBox>(this, "chkErase_Eject");
    btnErase_Start = ui::Named<QPushButton>(this, "btnErase_Start");
    btnErase_Start->setMinimumWidth(96);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->addWidget(lblEraseDevice, 0, 0);
    grid->addWidget(cmbEraseDisc_Device, 0, 1);
    grid->addWidget(lblEraseDiscWriteSpeed, 1, 0);
    grid->addWidget(cmbEraseCD_Speed, 1, 1);
    grid->addWidget(chkErase_QuickErase, 2, 1);
    grid->addWidget(chkErase_Eject, 3, 1);
    grid->setColumnStretch(1, 1);
    auto* start = new QHBoxLayout;
    start->addStretch();
    start->addWidget(btnErase_Start);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 14, 20, 16);
    layout->setSpacing(12);
    layout->addWidget(lblEraseTitle);
    layout->addLayout(grid);
    layout->addSpacing(4);
    layout->addWidget(lblErase_Description);
    layout->addStretch();
    layout->addLayout(start);

    connect(cmbEraseDisc_Device, &QComboBox::activated, this,
            &TEraseDiscPage::cmbEraseDisc_DeviceChange);
    connect(btnErase_Start, &QPushButton::clicked, this, &TEraseDiscPage::btnErase_StartClick);
}

TEraseDiscPage::~TEraseDiscPage() {
    // A page that goes while its erase runs hears no more of it.
    shell_.EndEngineJob(this);
}

void TEraseDiscPage::ApplyLanguage() {
    lblEraseTitle->setText(Text(IDS_ERASEDISC_LABEL_Title));
    lblEraseDevice->setText(Text(IDS_ERASEDISC_LABEL_Drive));
    lblEraseDiscWriteSpeed->setText(Text(IDS_COPYCD_LABEL_WriteSpeed));
    chkErase_QuickErase->setText(Text(IDS_ERASEDISC_CHECKBOX_QuickErase));
    chkErase_Eject->setText(Text(IDS_ERASEDISC_CHECKBOX_EjectAfterErase));
    btnErase_Start->setText(Text(IDS_ERASEDISC_BUTTON_Erase));
    lblErase_Description->setText(Text(IDS_ERASEDISC_LABEL_Description));
}

void TEraseDiscPage::Enter() {
    chkErase_Eject->setChecked(true);
    chkErase_QuickErase->setChecked(true);
    try {
        if (shell_.Engine() && FillWriterList(*shell_.Engine(), cmbEraseDisc_Device)) {
            cmbEraseDisc_DeviceChange();
            SetErasePageIdle(true);
            return;
        }
        shell_.ErrorBox(Text(IDS_MAIN_MSG_NoWriteDevice));
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
    SetErasePageIdle(false);
    shell_.SetIdle(true);
}

void TEraseDiscPage::cmbEraseDisc_DeviceChange() {
    try {
        shell_.EraseDevice = SelectedWriter(*shell_.Engine(), cmbEraseDisc_Device);
        FillEraseSpeedList();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TEraseDiscPage::FillEraseSpeedList() {
    cmbEraseCD_Speed->clear();
    if (shell_.EraseDevice)
        FillSpeedList(*shell_.EraseDevice, cmbEraseCD_Speed, SpeedListKind::EraseDisc);
}

void TEraseDiscPage::SetErasePageIdle(bool idle) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmbEraseDisc_Device, cmbEraseCD_Speed, chkErase_Eject,
                                         chkErase_QuickErase, btnErase_Start})
        w->setEnabled(idle);
    shell_.SetIdle(idle);
}

void TEraseDiscPage::btnErase_StartClick() {
    if (ui::Prompts().MessageBox(shell_.Window(), Text(IDS_MSG_Warning),
                                 Text(IDS_EARSEDISC_MSG_Warning), ui::MsgIcon::Warning,
                                 ui::MsgButtons::YesNo) != ui::MsgResult::Yes)
        return;
    try {
        StartErase();
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
}

void TEraseDiscPage::StartErase() {
    auto drive = shell_.EraseDevice;
    if (!drive) {
        // The list no longer matches the engine's drives.
        shell_.ErrorBox(Text(IDS_MAIN_MSG_NoWriteDevice));
        return;
    }
    drive->Refresh(false);
    const std::int32_t medium = drive->DiscInfo()->MediaType();
    if (medium == discengine::kMediaNone) {
        shell_.ErrorBox(Text(IDS_ERASEDISC_MSG_NoDisc));
        return;
    }
    if (!drive->DiscInfo()->IsErasable()) {
        shell_.ErrorBox(Text(IDS_ERASEDISC_MSG_NotErasable));
        return;
    }
    bool allowed = false;
    for (const auto& pair : kRewritablePairs) // every pair is asked, in order
        if (drive->Supports(pair.capability) && medium == pair.medium)
            allowed = true;
    if (!allowed) {
        shell_.ErrorBox(Text(IDS_ERASEDISC_MSG_DriveCanNotReWritable));
        return;
    }
    shell_.Progress->show();
    const std::int32_t speed = SelectedSpeed(cmbEraseCD_Speed);
    // The page hears the engine's erase events from here until its job's end.
    shell_.BeginEngineJob(this);
    bool started = false;
    try {
        started = drive->Erase(chkErase_QuickErase->isChecked(), speed);
    } catch (...) {
        shell_.EndEngineJob(this);
        throw;
    }
    if (!started) {
        shell_.EndEngineJob(this);
        shell_.ErrorBox(Text(IDS_ERASEDISC_MSG_CannotStartErase));
    }
}

void TEraseDiscPage::DVDEngineEraseStatus(std::int32_t, std::int32_t status,
                                          std::int32_t progress) {
    switch (status) {
    case discengine::kEraseStarted:
        SetErasePageIdle(false);
        shell_.ShowStatus(Text(IDS_ERASEDISC_LABEL_Status_Erasing));
        shell_.Progress->SetProgress(progress);
        shell_.Progress->show();
        break;
    case discengine::kEraseProgress:
        shell_.Progress->SetProgress(progress);
        break;
    case discengine::kEraseCompleted:
        shell_.EndEngineJob(this);
        shell_.ShowStatus(Text(IDS_ERASEDISC_LABEL_Status_EraseCompleted));
        shell_.Progress->SetProgress(0);
        SetErasePageIdle(true);
        shell_.Progress->close();
        shell_.HintBox(Text(IDS_ERASEDISC_LABEL_Status_EraseCompleted));
        if (chkErase_Eject->isChecked() && shell_.EraseDevice) {
            try {
                EjectTray(*shell_.EraseDevice);
            } catch (const discengine::EngineError& e) {
                shell_.ErrorBox(QString::fromStdString(e.what()));
            }
        }
        break;
    case discengine::kEraseFailed:
        shell_.EndEngineJob(this);
        shell_.ShowStatus(Text(IDS_ERASEDISC_LABEL_Status_EraseError));
        SetErasePageIdle(true);
        shell_.Progress->close();
        shell_.ErrorBox(Text(IDS_ERASEDISC_LABEL_Status_EraseError));
        break;
    default:
        break;
    }
}

void TEraseDiscPage::DVDEngineEraseError(std::int32_t,
                                         std::shared_ptr<discengine::IDeviceErrorX> error) {
    QString text;
    if (error)
        text = ui::FormatText(Text(IDS_ERASEDISC_MSG_ErasingError),
                              {static_cast<long long>(error->ErrorCode()),
                               QString::fromStdString(error->Description()),
                               QString::fromStdString(error->Detail()),
                               QString::fromStdString(error->Context())});
    else
        text = Text(IDS_ERASEDISC_LABEL_Status_EraseError);
    SetErasePageIdle(true);
    shell_.Progress->hide();
    shell_.ErrorBox(text);
}
