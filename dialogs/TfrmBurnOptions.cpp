#include "dialogs/TfrmBurnOptions.h"
#include "ui/Named.h"

#include "core/MultiLanguages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using MultiLanguages::Text;

TfrmBurnOptions::TfrmBurnOptions(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmBurnOptions"));
    setWindowTitle(QStringLiteral("Burn Options"));
    setFixedSize(507, 217);
    setModal(true);

    grpOptions = ui::Named<QGroupBox>(this, "grpOptions");
    auto check = [this](const char* name) { return ui::Named<QCheckBox>(grpOptions, name); };
    chkUseBufferProtect = check("chkUseBufferProtect");
    chkTestMode = check("chkTestMode");
    chkDiscAtOnce = check("chkDiscAtOnce");
    chkFinalizeDisc = check("chkFinalizeDisc");
    chkAutoVerifyData = check("chkAutoVerifyData");
    chkMode2XA = check("chkMode2XA");
    chkUseFileDate = check("chkUseFileDate");
    chkCacheFileLocal = check("chkCacheFileLocal");
    lblVolumeID = ui::Named<QLabel>(grpOptions, "lblVolumeID");
    edtVolumeID = ui::Named<QLineEdit>(grpOptions, "edtVolumeID");
    lblVolumeType = ui::Named<QLabel>(grpOptions, "lblVolumeType");
    cmbVolumeType = ui::Named<QComboBox>(grpOptions, "cmbVolumeType");
    cmbVolumeType->setEditable(false);
    cmbVolumeType->setMinimumWidth(200);

    chkUseBufferProtect->setChecked(true);
    chkAutoVerifyData->setChecked(true);

    auto* grid = new QGridLayout(grpOptions);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(4);
    grid->addWidget(chkUseBufferProtect, 0, 0);
    grid->addWidget(chkTestMode, 0, 1);
    grid->addWidget(chkDiscAtOnce, 0, 2);
    grid->addWidget(chkFinalizeDisc, 1, 0);
    grid->addWidget(chkAutoVerifyData, 1, 1);
    grid->addWidget(chkMode2XA, 1, 2);
    grid->addWidget(chkUseFileDate, 2, 0);
    grid->addWidget(chkCacheFileLocal, 2, 1);
    // The volume row: each caption above its field, so the longest volume type is shown whole
    // in the dialog's fixed width.
    grid->setRowMinimumHeight(3, 6);
    grid->addWidget(lblVolumeID, 4, 0);
    grid->addWidget(edtVolumeID, 5, 0);
    grid->addWidget(lblVolumeType, 4, 1, 1, 2);
    grid->addWidget(cmbVolumeType, 5, 1, 1, 2);
    for (int column = 0; column < 3; ++column)
        grid->setColumnStretch(column, 1);

    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    for (QPushButton* b : {btnOk, btnCancel})
        b->setMinimumWidth(80);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->addWidget(grpOptions);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(edtVolumeID, &QLineEdit::textChanged, this, &TfrmBurnOptions::VolumeIdChanged);
    connect(cmbVolumeType, &QComboBox::currentIndexChanged, this,
            &TfrmBurnOptions::cmbVolumeTypeChange);
    ApplyLanguage();
}

void TfrmBurnOptions::ApplyLanguage() {
    grpOptions->setTitle(Text(IDS_GROUP_Options));
    chkUseBufferProtect->setText(Text(IDS_WRITECD_CHECKBOX_BufferProtect));
    chkTestMode->setText(Text(IDS_WRITECD_CHECKBOX_TestMode));
    chkDiscAtOnce->setText(Text(IDS_WRITECD_CHECKBOX_DiscAtOnce));
    chkFinalizeDisc->setText(Text(IDS_WRITECD_CHECKBOX_FinalizeDisc));
    chkAutoVerifyData->setText(Text(IDS_WRITECD_CHECKBOX_AutoVerify));
    chkMode2XA->setText(Text(IDS_WRITECD_CHECKBOX_Mode2XA));
    chkUseFileDate->setText(Text(IDS_WRITECD_CHECKBOX_UseFileDate));
    chkCacheFileLocal->setText(Text(IDS_WRITECD_CHECKBOX_Cache));
    lblVolumeID->setText(Text(IDS_WRITECD_LABEL_VolumeID));
    edtVolumeID->setText(Text(IDS_WRITECD_EDIT_VolumeID_DefaultText));
    lblVolumeType->setText(Text(IDS_WRITECD_LABEL_VolumeType));
    const struct {
        LangId key;
        int flags;
    } types[] = {{IDS_READCD_COMBOX_VolumeType_ISO, 1},
                 {IDS_READCD_COMBOX_VolumeType_UDF, 4},
                 {IDS_READCD_COMBOX_VolumeType_ISOJoliet, 3},
                 {IDS_READCD_COMBOX_VolumeType_ISOUDF, 5},
                 {IDS_READCD_COMBOX_VolumeType_ISOJolietUDF, 7}};
    {
        const QSignalBlocker block(cmbVolumeType);
        cmbVolumeType->clear();
        for (const auto& t : types)
            cmbVolumeType->addItem(Text(t.key), t.flags);
        cmbVolumeType->setCurrentIndex(3);
    }
    cmbVolumeTypeChange();
}

int TfrmBurnOptions::FileSystems() const {
    return cmbVolumeType->currentIndex() < 0 ? 0 : cmbVolumeType->currentData().toInt();
}

void TfrmBurnOptions::Enable(std::initializer_list<QWidget*> controls, bool on) {
    for (QWidget* w : controls)
        w->setEnabled(on);
}

void TfrmBurnOptions::OptionsForAudioBurn() {
    Enable({chkAutoVerifyData, chkMode2XA, chkFinalizeDisc, chkUseFileDate, edtVolumeID,
            cmbVolumeType},
           false);
}

void TfrmBurnOptions::OptionsForDataBurn() {
    Enable({chkAutoVerifyData, chkMode2XA, chkFinalizeDisc, chkUseFileDate, edtVolumeID,
            cmbVolumeType},
           true);
    edtVolumeID->setText(Text(IDS_WRITECD_EDIT_VolumeID_DefaultText));
}

void TfrmBurnOptions::OptionsForIsoBurn() {
    OptionsForDataBurn();
    edtVolumeID->setEnabled(false);
    edtVolumeID->clear();
}

void TfrmBurnOptions::OptionsForImageFromDataDisc(bool toImageFile) {
    Enable({edtVolumeID, cmbVolumeType, chkAutoVerifyData, chkMode2XA}, toImageFile);
}

void TfrmBurnOptions::OptionsForCopy() {
    Enable({chkTestMode, chkDiscAtOnce, chkUseBufferProtect, chkAutoVerifyData, chkMode2XA,
            chkFinalizeDisc, chkUseFileDate, chkCacheFileLocal},
           true);
    Enable({edtVolumeID, cmbVolumeType}, false);
}

void TfrmBurnOptions::SetVolumeId(const QString& text) {
    edtVolumeID->setText(text);
}

BurnSettings TfrmBurnOptions::Settings() const {
    BurnSettings s;
    s.bufferProtect = chkUseBufferProtect->isChecked();
    s.testMode = chkTestMode->isChecked();
    s.discAtOnce = chkDiscAtOnce->isChecked();
    s.finalize = chkFinalizeDisc->isChecked();
    s.autoVerify = chkAutoVerifyData->isChecked();
    s.mode2XA = chkMode2XA->isChecked();
    s.useFileDate = chkUseFileDate->isChecked();
    s.cacheFiles = chkCacheFileLocal->isChecked();
    s.volumeId = edtVolumeID->text();
    s.fileSystems = FileSystems();
    return s;
}

void TfrmBurnOptions::SetBufferProtectAvailable(bool available) {
    chkUseBufferProtect->setEnabled(available);
    chkUseBufferProtect->setChecked(available);
}

void TfrmBurnOptions::SetVolumeTypeEnabled(bool on) {
    cmbVolumeType->setEnabled(on);
}

void TfrmBurnOptions::cmbVolumeTypeChange() {
    cmbVolumeType->setToolTip(cmbVolumeType->currentText());
}
