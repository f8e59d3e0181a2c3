#include "dialogs/TfrmRipOptions.h"
#include "ui/Named.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "dialogs/GenreList.h"
#include "dialogs/TfrmMp3ID3V2.h"
#include "ui/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

using MultiLanguages::Text;

namespace {

void FillNumbers(QComboBox* box, const auto& table) {
    box->clear();
    for (int n : table)
        box->addItem(QString::number(n));
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TfrmRipOptions::TfrmRipOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRipOptions"));
    setModal(true);
    grpAudioOptions = ui::Named<QGroupBox>(this, "grpAudioOptions");
    lblArtist = ui::Named<QLabel>(grpAudioOptions, "lblArtist");
    edtArtist = ui::Named<QLineEdit>(grpAudioOptions, "edtArtist");
    lblAlbum = ui::Named<QLabel>(grpAudioOptions, "lblAlbum");
    edtAlbum = ui::Named<QLineEdit>(grpAudioOptions, "edtAlbum");
    lblGenre = ui::Named<QLabel>(grpAudioOptions, "lblGenre");
    cmbGenre = ui::Named<QComboBox>(grpAudioOptions, "cmbGenre");
    lblYear = ui::Named<QLabel>(grpAudioOptions, "lblYear");
    edtYear = ui::Named<QLineEdit>(grpAudioOptions, "edtYear");
    edtYear->setMaxLength(4);
    edtYear->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), edtYear));
    auto* tags = new QGridLayout(grpAudioOptions);
    tags->addWidget(lblArtist, 0, 0);
    tags->addWidget(edtArtist, 0, 1);
    tags->addWidget(lblAlbum, 1, 0);
    tags->addWidget(edtAlbum, 1, 1);
    tags->addWidget(lblGenre, 2, 0);
    tags->addWidget(cmbGenre, 2, 1);
    tags->addWidget(lblYear, 3, 0);
    tags->addWidget(edtYear, 3, 1);

    BuildOutputGroup();
    BuildMp3Group();
    BuildOggGroup();
    BuildFlacGroup();
    btnOk = ui::Named<QPushButton>(this, "btnOk");
    btnCancel = ui::Named<QPushButton>(this, "btnCancel");
    // Enter confirms the dialog; it never opens the folder browser or the ID3v2 frames.
    btnOk->setDefault(true);
    for (QPushButton* b : {btnCancel, btnBrowse, btnAdvance})
        b->setAutoDefault(false);
    for (QPushButton* b : {btnOk, btnCancel})
        b->setMinimumWidth(80);

    auto* g = new QGridLayout(this);
    g->addWidget(grpAudioOptions, 0, 0);
    g->addWidget(grpOutputFormat, 0, 1);
    g->addWidget(grpMp3Options, 1, 0);
    g->addWidget(grpOggOptions, 1, 1);
    g->addWidget(grpFlacOptions, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    g->addLayout(buttons, 3, 0, 1, 2);

    connect(btnOk, &QPushButton::clicked, this, [this] {
        btnOkClick();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(chkEnableID3, &QCheckBox::clicked, this, &TfrmRipOptions::chkEnableID3Click);
    connect(chkWriteID3V2, &QCheckBox::clicked, this, &TfrmRipOptions::chkWriteID3V2Click);
    connect(btnAdvance, &QPushButton::clicked, this, &TfrmRipOptions::btnAdvanceClick);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmRipOptions::btnBrowseClick);
    connect(edtArtist, &QLineEdit::textChanged, this, &TfrmRipOptions::edtArtistChange);

    ApplyLanguage();
    LoadControls();
}

void TfrmRipOptions::BuildOutputGroup() {
    grpOutputFormat = ui::Named<QGroupBox>(this, "grpOutputFormat");
    btnWav = ui::Named<QRadioButton>(grpOutputFormat, "btnWav");
    btnRaw = ui::Named<QRadioButton>(grpOutputFormat, "btnRaw");
    btnMp3 = ui::Named<QRadioButton>(grpOutputFormat, "btnMp3");
    btnOgg = ui::Named<QRadioButton>(grpOutputFormat, "btnOgg");
    btnFlac = ui::Named<QRadioButton>(grpOutputFormat, "btnFlac");
    lblOutputPath = ui::Named<QLabel>(grpOutputFormat, "lblOutputPath");
    edtOutputPath = ui::Named<QLineEdit>(grpOutputFormat, "edtOutputPath");
    edtOutputPath->setReadOnly(true);
    btnBrowse = ui::Named<QPushButton>(grpOutputFormat, "btnBrowse");
    btnBrowse->setText(QStringLiteral("..."));
    auto* g = new QGridLayout(grpOutputFormat);
    g->addWidget(btnWav, 0, 0);
    g->addWidget(btnRaw, 0, 1);
    g->addWidget(btnMp3, 1, 0);
    g->addWidget(btnOgg, 1, 1);
    g->addWidget(btnFlac, 2, 0);
    g->addWidget(lblOutputPath, 3, 0, 1, 2);
    // The path takes the width; the browse button stays a small square-ish button beside it.
    btnBrowse->setFixedWidth(32);
    auto* path = new QHBoxLayout;
    path->setSpacing(4);
    path->addWidget(edtOutputPath, 1);
    path->addWidget(btnBrowse);
    g->addLayout(path, 4, 0, 1, 2);
    g->setRowStretch(5, 1);
}

void TfrmRipOptions::BuildMp3Group() {
    grpMp3Options = ui::Named<QGroupBox>(this, "grpMp3Options");
    QWidget* p = grpMp3Options;
    chkEnableID3 = ui::Named<QCheckBox>(p, "chkEnableID3");
    chkGenerateCRC = ui::Named<QCheckBox>(p, "chkGenerateCRC");
    chkOriginal = ui::Named<QCheckBox>(p, "chkOriginal");
    chkCopyright = ui::Named<QCheckBox>(p, "chkCopyright");
    chkPrivate = ui::Named<QCheckBox>(p, "chkPrivate");
    chkWriteID3V2 = ui::Named<QCheckBox>(p, "chkWriteID3V2");
    chkWriteID3V2->setText(QStringLiteral("Write ID3V2"));
    btnAdvance = ui::Named<QPushButton>(p, "btnAdvance");
    lblBitrate = ui::Named<QLabel>(p, "lblBitrate");
    cmbBitrate = ui::Named<QComboBox>(p, "cmbBitrate");
    lblVBRQuality = ui::Named<QLabel>(p, "lblVBRQuality");
    cmbVBRQuality = ui::Named<QComboBox>(p, "cmbVBRQuality");
    lblVBRMaxBitrate = ui::Named<QLabel>(p, "lblVBRMaxBitrate");
    cmbVBRMaxBitrate = ui::Named<QComboBox>(p, "cmbVBRMaxBitrate");
    lblMpegQuality = ui::Named<QLabel>(p, "lblMpegQuality");
    cmbMpegQuality = ui::Named<QComboBox>(p, "cmbMpegQuality");
    chkEnableVBR = ui::Named<QCheckBox>(p, "chkEnableVBR");
    chkWriteVBRHeader = ui::Named<QCheckBox>(p, "chkWriteVBRHeader");
    chkUseJointStereo = ui::Named<QCheckBox>(p, "chkUseJointStereo");
    auto* g = new QGridLayout(p);
    g->addWidget(chkEnableID3, 0, 0);
    g->addWidget(chkWriteID3V2, 0, 1);
    g->addWidget(btnAdvance, 0, 2);
    g->addWidget(chkGenerateCRC, 1, 0);
    g->addWidget(chkOriginal, 1, 1);
    g->addWidget(chkCopyright, 2, 0);
    g->addWidget(chkPrivate, 2, 1);
    g->addWidget(lblBitrate, 3, 0);
    g->addWidget(cmbBitrate, 3, 1, 1, 2);
    g->addWidget(lblVBRQuality, 4, 0);
    g->addWidget(cmbVBRQuality, 4, 1, 1, 2);
    g->addWidget(lblVBRMaxBitrate, 5, 0);
    g->addWidget(cmbVBRMaxBitrate, 5, 1, 1, 2);
    g->addWidget(lblMpegQuality, 6, 0);
    g->addWidget(cmbMpegQuality, 6, 1, 1, 2);
    g->addWidget(chkEnableVBR, 7, 0);
    g->addWidget(chkWriteVBRHeader, 7, 1);
    g->addWidget(chkUseJointStereo, 8, 0);
}

void TfrmRipOptions::BuildOggGroup() {
    grpOggOptions = ui::Named<QGroupBox>(this, "grpOggOptions");
    QWidget* p = grpOggOptions;
    auto* g = new QGridLayout(p);
    lblVBRBitrate = ui::Named<QLabel>(p, "lblVBRBitrate");
    cmbVBRBitrate = ui::Named<QComboBox>(p, "cmbVBRBitrate");
    g->addWidget(lblVBRBitrate, 0, 0);
    g->addWidget(cmbVBRBitrate, 0, 1);
    int row = 1;
    auto field = [&](QLabel*& label, const char* labelName, QLineEdit*& edit, const char* name) {
        label = ui::Named<QLabel>(p, labelName);
        edit = ui::Named<QLineEdit>(p, name);
        g->addWidget(label, row, 0);
        g->addWidget(edit, row, 1);
        ++row;
    };
    field(lblVersion, "lblVersion", edtVersion, "edtVersion");
    field(lblOrganization, "lblOrganization", edtOrganization, "edtOrganization");
    field(lblDescription, "lblDescription", edtDescription, "edtDescription");
    field(Label1, "Label1", edtGenre, "edtGenre");
    field(lblDate, "lblDate", edtDate, "edtDate");
    field(lblLocation, "lblLocation", edtLocation, "edtLocation");
    field(lblCopyright, "lblCopyright", edtCopyright, "edtCopyright");
}

void TfrmRipOptions::BuildFlacGroup() {
    grpFlacOptions = ui::Named<QGroupBox>(this, "grpFlacOptions");
    QWidget* p = grpFlacOptions;
    lblFlacLevel = ui::Named<QLabel>(p, "lblFlacLevel");
    cmbFlacLevel = ui::Named<QComboBox>(p, "cmbFlacLevel");
    chkAccurateRip = ui::Named<QCheckBox>(p, "chkAccurateRip");
    lblAccurateRipAddress = ui::Named<QLabel>(p, "lblAccurateRipAddress");
    edtAccurateRipAddress = ui::Named<QLineEdit>(p, "edtAccurateRipAddress");
    auto* g = new QGridLayout(p);
    g->addWidget(lblFlacLevel, 0, 0);
    g->addWidget(cmbFlacLevel, 0, 1);
    g->addWidget(chkAccurateRip, 1, 0, 1, 2);
    g->addWidget(lblAccurateRipAddress, 2, 0);
    g->addWidget(edtAccurateRipAddress, 2, 1);
    g->setColumnStretch(1, 1);
}

void TfrmRipOptions::ApplyLanguage() {
    setWindowTitle(Text(IDS_GRABOPTIONS_Title));
    grpAudioOptions->setTitle(Text(IDS_GRABOPTIONS_ID3Tags));
    lblArtist->setText(Text(IDS_READCD_LISTVIEW_COLUME_AudioArtist) + QLatin1Char(':'));
    lblAlbum->setText(Text(IDS_READCD_LISTVIEW_COLUME_AudioAlbum) + QLatin1Char(':'));
    lblGenre->setText(Text(IDS_READCD_LABEL_Genre));
    lblYear->setText(Text(IDS_READCD_LABEL_Year));
    grpOutputFormat->setTitle(Text(IDS_GRABOPTIONS_GROUP_OutputFormat));
    btnRaw->setText(Text(IDS_GRABOPTIONS_BUTTON_RAW));
    btnWav->setText(Text(IDS_GRABOPTIONS_BUTTON_WAV));
    btnMp3->setText(Text(IDS_GRABOPTIONS_BUTTON_MP3));
    btnOgg->setText(Text(IDS_GRABOPTIONS_BUTTON_OGG));
    btnWav->setToolTip(Text(IDS_GRABOPTIONS_LABEL_Hint_WAV));
    btnRaw->setToolTip(Text(IDS_GRABOPTIONS_LABEL_Hint_RAW));
    btnMp3->setToolTip(Text(IDS_GRABOPTIONS_LABEL_Hint_MP3));
    btnOgg->setToolTip(Text(IDS_GRABOPTIONS_LABEL_Hint_OGG));
    btnFlac->setText(Text(IDS_GRABOPTIONS_BUTTON_FLAC));
    btnFlac->setToolTip(Text(IDS_GRABOPTIONS_LABEL_Hint_FLAC));
    grpFlacOptions->setTitle(Text(IDS_GRABOPTIONS_GROUP_FlacOptions));
    lblFlacLevel->setText(Text(IDS_GRABOPTIONS_LABEL_FlacLevel));
    chkAccurateRip->setText(Text(IDS_GRABOPTIONS_CHECK_AccurateRip));
    lblAccurateRipAddress->setText(Text(IDS_GRABOPTIONS_LABEL_AccurateRipAddress));
    lblOutputPath->setText(Text(IDS_READCD_LABEL_OutputPath));
    grpMp3Options->setTitle(Text(IDS_GRABOPTIONS_GROUP_Mp3Options));
    chkEnableID3->setText(Text(IDS_GRABOPTIONS_CHECK_EnableID3Tag));
    chkGenerateCRC->setText(Text(IDS_GRABOPTIONS_CHECK_GenerateCRC));
    chkOriginal->setText(Text(IDS_GRABOPTIONS_CHECK_Original));
    chkCopyright->setText(Text(IDS_GRABOPTIONS_CHECK_Copyright));
    chkPrivate->setText(Text(IDS_GRABOPTIONS_CHECK_Private));
    btnAdvance->setText(Text(IDS_GRABOPTIONS_BUTTON_Advance));
    lblBitrate->setText(Text(IDS_GRABOPTIONS_LABEL_Bitrate));
    lblVBRQuality->setText(Text(IDS_GRABOPTIONS_LABEL_VBRQuality));
    lblVBRMaxBitrate->setText(Text(IDS_GRABOPTIONS_LABEL_VBRMaxBitrate));
    lblMpegQuality->setText(Text(IDS_GRABOPTIONS_LABEL_MPEGQuality));
    chkEnableVBR->setText(Text(IDS_GRABOPTIONS_CHECK_EnableVBR));
    chkWriteVBRHeader->setText(Text(IDS_GRABOPTIONS_CHECK_WriteVBRHeader));
    chkUseJointStereo->setText(Text(IDS_GRABOPTIONS_CHECK_UseJointStereo));
    grpOggOptions->setTitle(Text(IDS_GRABOPTIONS_TABSHEET_OGG));
    lblVBRBitrate->setText(Text(IDS_GRABOPTIONS_LABEL_VBRBitrate));
    lblVersion->setText(Text(IDS_GRABOPTIONS_LABEL_Version));
    lblOrganization->setText(Text(IDS_GRABOPTIONS_LABEL_Organization));
    lblDescription->setText(Text(IDS_GRABOPTIONS_LABEL_Description));
    Label1->setText(Text(IDS_GRABOPTIONS_LABEL_Genre));
    lblDate->setText(Text(IDS_GRABOPTIONS_LABEL_Date));
    lblLocation->setText(Text(IDS_GRABOPTIONS_LABEL_Location));
    lblCopyright->setText(Text(IDS_GRABOPTIONS_LABEL_Copyright));
    btnOk->setText(Text(IDS_GRABOPTIONS_BUTTON_Ok));
    btnCancel->setText(Text(IDS_GRABOPTIONS_BUTTON_Cancel));
}

void TfrmRipOptions::LoadControls() {
    const auto& o = globals::Rip;
    // Any other stored format selects no button.
    btnWav->setAutoExclusive(false);
    btnRaw->setAutoExclusive(false);
    btnMp3->setAutoExclusive(false);
    btnOgg->setAutoExclusive(false);
    btnFlac->setAutoExclusive(false);
    btnWav->setChecked(globals::GrabOutputFormat == globals::FormatWav);
    btnRaw->setChecked(globals::GrabOutputFormat == globals::FormatRaw);
    btnMp3->setChecked(globals::GrabOutputFormat == globals::FormatMp3);
    btnOgg->setChecked(globals::GrabOutputFormat == globals::FormatOgg);
    btnFlac->setChecked(globals::GrabOutputFormat == globals::FormatFlac);
    for (QRadioButton* b : {btnWav, btnRaw, btnMp3, btnOgg, btnFlac})
        b->setAutoExclusive(true);

    FillNumbers(cmbBitrate, globals::Mp3Bitrates);
    FillNumbers(cmbVBRMaxBitrate, globals::Mp3Bitrates);
    FillNumbers(cmbVBRQuality, globals::VbrQualities);
    FillNumbers(cmbVBRBitrate, globals::OggBitrates);
    FillNumbers(cmbFlacLevel, std::array<int, 9>{0, 1, 2, 3, 4, 5, 6, 7, 8});
    cmbMpegQuality->clear();
    cmbMpegQuality->addItems(
        {Text(IDS_GRABOPTIONS_MPEGQuality_Normal), Text(IDS_GRABOPTIONS_MPEGQuality_Low),
         Text(IDS_GRABOPTIONS_MPEGQuality_High), Text(IDS_GRABOPTIONS_MPEGQuality_Voice)});

    chkEnableID3->setChecked(o.enableId3);
    chkGenerateCRC->setChecked(o.generateCrc);
    chkOriginal->setChecked(o.original);
    chkCopyright->setChecked(o.copyright);
    chkPrivate->setChecked(o.privateFlag);
    chkWriteID3V2->setChecked(o.writeId3v2);
    chkEnableID3Click();
    cmbBitrate->setCurrentIndex(o.bitrateIndex);
    cmbVBRQuality->setCurrentIndex(o.vbrQualityIndex);
    cmbVBRMaxBitrate->setCurrentIndex(o.vbrMaxBitrateIndex);
    cmbMpegQuality->setCurrentIndex(o.mpegQualityIndex);
    chkEnableVBR->setChecked(o.enableVbr);
    chkWriteVBRHeader->setChecked(o.writeVbrHeader);
    chkUseJointStereo->setChecked(o.useJointStereo);
    cmbVBRBitrate->setCurrentIndex(o.oggBitrateIndex);
    edtVersion->setText(Q(o.oggVersion));
    edtOrganization->setText(Q(o.oggOrganization));
    edtDescription->setText(Q(o.oggDescription));
    edtGenre->setText(Q(o.oggGenre));
    edtDate->setText(Q(o.oggDate));
    edtLocation->setText(Q(o.oggLocation));
    edtCopyright->setText(Q(o.oggCopyright));
    cmbFlacLevel->setCurrentIndex(std::clamp(o.flacLevel, 0, 8));
    chkAccurateRip->setChecked(o.accurateRip);
    edtAccurateRipAddress->setText(Q(o.accurateRipAddress));

    edtOutputPath->setText(Q(globals::TempDir));
    cmbGenre->clear();
    cmbGenre->addItems(genres::GenreNames());
    cmbGenre->setCurrentIndex(genres::GenreOther);
    edtYear->setText(QString::number(QDate::currentDate().year()).rightJustified(4, '0'));
}

void TfrmRipOptions::btnOkClick() {
    if (btnWav->isChecked())
        globals::GrabOutputFormat = globals::FormatWav;
    else if (btnRaw->isChecked())
        globals::GrabOutputFormat = globals::FormatRaw;
    else if (btnMp3->isChecked())
        globals::GrabOutputFormat = globals::FormatMp3;
    else if (btnFlac->isChecked())
        globals::GrabOutputFormat = globals::FormatFlac;
    else
        globals::GrabOutputFormat = globals::FormatOgg;
    auto& o = globals::Rip;
    o.enableId3 = chkEnableID3->isChecked();
    o.generateCrc = chkGenerateCRC->isChecked();
    o.original = chkOriginal->isChecked();
    o.copyright = chkCopyright->isChecked();
    o.privateFlag = chkPrivate->isChecked();
    o.writeId3v2 = chkWriteID3V2->isChecked();
    o.bitrateIndex = cmbBitrate->currentIndex();
    o.vbrQualityIndex = cmbVBRQuality->currentIndex();
    o.vbrMaxBitrateIndex = cmbVBRMaxBitrate->currentIndex();
    o.mpegQualityIndex = cmbMpegQuality->currentIndex();
    o.enableVbr = chkEnableVBR->isChecked();
    o.writeVbrHeader = chkWriteVBRHeader->isChecked();
    o.useJointStereo = chkUseJointStereo->isChecked();
    o.oggBitrateIndex = cmbVBRBitrate->currentIndex();
    o.oggVersion = edtVersion->text().toStdString();
    o.oggOrganization = edtOrganization->text().toStdString();
    o.oggDescription = edtDescription->text().toStdString();
    o.oggGenre = edtGenre->text().toStdString();
    o.oggDate = edtDate->text().toStdString();
    o.oggLocation = edtLocation->text().toStdString();
    o.oggCopyright = edtCopyright->text().toStdString();
    o.flacLevel = std::max(0, cmbFlacLevel->currentIndex());
    o.accurateRip = chkAccurateRip->isChecked();
    const QString address = edtAccurateRipAddress->text().trimmed();
    o.accurateRipAddress =
        address.isEmpty() ? std::string(globals::DefaultAccurateRipAddress) : address.toStdString();
}

void TfrmRipOptions::chkEnableID3Click() {
    chkWriteID3V2->setEnabled(chkEnableID3->isChecked());
    chkWriteID3V2Click();
}

void TfrmRipOptions::chkWriteID3V2Click() {
    btnAdvance->setEnabled(chkWriteID3V2->isChecked() && chkWriteID3V2->isEnabled());
}

void TfrmRipOptions::btnAdvanceClick() {
    // A new dialog each time: it starts with an empty list.
    auto* frames = new TfrmMp3ID3V2(this);
    frames->setAttribute(Qt::WA_DeleteOnClose);
    frames->exec();
}

void TfrmRipOptions::btnBrowseClick() {
    auto chosen = ui::Prompts().BrowseFolder(this, QString(), edtOutputPath->text());
    if (chosen)
        edtOutputPath->setText(
            QString::fromStdString(globals::AddTrailingBackslash(chosen->toStdString())));
}
