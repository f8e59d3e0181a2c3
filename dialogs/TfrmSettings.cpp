#include "dialogs/TfrmSettings.h"
#include "ui/Named.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "platform/SystemPaths.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

using MultiLanguages::Text;

TfrmSettings::TfrmSettings(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Properties"));
    setFixedSize(418, 271);
    setModal(true);

    grpTempDir = ui::Named<QGroupBox>(this, "grpTempDir");
    edtTempDir = ui::Named<QLineEdit>(grpTempDir, "edtTempDir");
    edtTempDir->setReadOnly(true);
    btnBrowse = ui::Named<QPushButton>(grpTempDir, "btnBrowse");
    btnBrowse->setAutoDefault(false);
    auto label = [this](const char* name) { return ui::Named<QLabel>(grpTempDir, name); };
    lblTempDirInfo = label("lblTempDirInfo");
    lblFreeSpace = label("lblFreeSpace");
    lblTotalSpace = label("lblTotalSpace");
    auto* group = new QGridLayout(grpTempDir);
    group->addWidget(edtTempDir, 0, 0);
    group->addWidget(btnBrowse, 0, 1);
    group->addWidget(lblTempDirInfo, 1, 0, 1, 2);
    group->addWidget(lblFreeSpace, 2, 0, 1, 2);
    group->addWidget(lblTotalSpace, 3, 0, 1, 2);

    auto check = [this](const char* name) {
        auto* c = ui::Named<QCheckBox>(this, name);
        connect(c, &QCheckBox::clicked, this, [this] { btnApply->setEnabled(true); });
        return c;
    };
    auto button = [this](const char* name, const char* text) {
        auto* b = ui::Named<QPushButton>(this, name);
        b->setText(QString::fromLatin1(text));
        b->setAutoDefault(false);
        b->setMinimumWidth(80);
        return b;
    };
    btnOk = button("btnOk", "Ok");
    btnCancel = button("btnCancel", "Cancel");
    btnApply = button("btnApply", "Apply");
    chkEnableLog = check("chkEnableLog");
    chkBootApplication = check("chkBootApplication");
    chkAutoPlay = check("chkAutoPlay");
    chkAutoPlay->setText(QStringLiteral("Play Disc Automatically(Need to restart windows)"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnApply);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(grpTempDir);
    layout->addWidget(chkEnableLog);
    layout->addWidget(chkBootApplication);
    layout->addWidget(chkAutoPlay);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(btnBrowse, &QPushButton::clicked, this, &TfrmSettings::btnBrowseClick);
    connect(btnApply, &QPushButton::clicked, this, &TfrmSettings::btnApplyClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmSettings::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

void TfrmSettings::FormCreate() {
    ApplyLanguage();
    LoadValues();
}

void TfrmSettings::ApplyLanguage() {
    grpTempDir->setTitle(Text(IDS_SETTINGS_GROUP_TempDir));
    btnBrowse->setText(Text(IDS_SETTINGS_BUTTON_Browse));
    chkEnableLog->setText(Text(IDS_SETTINGS_CHECKBOX_EnableLog));
    chkBootApplication->setText(Text(IDS_SETTINGS_CHECKBOX_StartApp));
}

void TfrmSettings::LoadValues() {
    edtTempDir->setText(QString::fromStdString(globals::TempDir));
    ShowDriveInformation();
    chkEnableLog->setChecked(globals::EnableLog);
    chkBootApplication->setChecked(globals::BootApplication);
    chkAutoPlay->setChecked(globals::AutoPlay);
    autoPlayStartValue_ = globals::AutoPlay;
    btnApply->setEnabled(true);
}

void TfrmSettings::ShowDriveInformation() {
    // A Linux path has no drive letter: the line names the mount point of its file system.
    const std::filesystem::path folder = edtTempDir->text().toStdString();
    const auto space = folder.empty() ? std::nullopt : platform::QueryVolumeSpace(folder);
    const QString mount =
        space ? QString::fromStdString(space->mountPoint.string()) : edtTempDir->text();
    const double freeMB = space ? double(space->freeBytes) / 1024 / 1024 : 0.0;
    const double totalMB = space ? double(space->totalBytes) / 1024 / 1024 : 0.0;
    lblTempDirInfo->setText(ui::FormatText(Text(IDS_SETTINGS_LABEL_TempDirInfo), {mount}));
    lblFreeSpace->setText(ui::FormatText(Text(IDS_SETTINGS_LABEL_TempDirFreeSpace), {freeMB}));
    lblTotalSpace->setText(ui::FormatText(Text(IDS_SETTINGS_LABEL_TempDirTotalSpace), {totalMB}));
}

void TfrmSettings::btnBrowseClick() {
    btnApply->setEnabled(true);
    const auto folder =
        ui::Prompts().BrowseFolder(this, Text(IDS_SETTINGS_BROWSEFOLDER_Title), edtTempDir->text());
    if (!folder || folder->isEmpty())
        return;
    edtTempDir->setText(
        QString::fromStdString(globals::AddTrailingBackslash(folder->toStdString())));
    ShowDriveInformation();
}

bool TfrmSettings::TempDirExists() const {
    std::error_code ec;
    const std::string dir = edtTempDir->text().toStdString();
    return !dir.empty() && std::filesystem::is_directory(dir, ec);
}

void TfrmSettings::ShowDirNotExist() {
    ui::Prompts().MessageBox(this, Text(IDS_MSG_Error), Text(IDS_SETTINGS_MSG_DirNotExist),
                             ui::MsgIcon::Error, ui::MsgButtons::OK);
}

void TfrmSettings::StoreValues() {
    globals::TempDir = edtTempDir->text().toStdString();
    globals::EnableLog = chkEnableLog->isChecked();
    globals::BootApplication = chkBootApplication->isChecked();
    globals::AutoPlay = chkAutoPlay->isChecked();
    if (globals::AutoPlay != autoPlayStartValue_)
        ui::Prompts().MessageBox(this, Text(IDS_MSG_Hint), Text(IDS_SETTINGS_MSG_NeedToRestart),
                                 ui::MsgIcon::Information, ui::MsgButtons::OK);
}

void TfrmSettings::btnApplyClick() {
    if (!TempDirExists()) {
        ShowDirNotExist();
        return;
    }
    StoreValues();
    btnApply->setEnabled(false);
}

void TfrmSettings::btnOkClick() {
    if (!TempDirExists()) {
        ShowDirNotExist();
        return;
    }
    if (btnApply->isEnabled())
        StoreValues();
    accept();
}
