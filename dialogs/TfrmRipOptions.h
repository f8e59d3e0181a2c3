#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The rip options: output format, MP3 encoder settings and tag switches, Ogg Vorbis bit rate and
// comments, FLAC's compression level, the AccurateRip check, and the tag fields every track
// shares. Created once, hidden between uses: the
// controls keep what the user left in them; OK copies them into globals::Rip and
// globals::GrabOutputFormat. Artist, album, genre and year are read by the rip job straight from
// the controls, so they are public, as are the others for the page and the tests.
class TfrmRipOptions : public QDialog {
    Q_OBJECT

public:
    explicit TfrmRipOptions(QWidget* parent = nullptr);

    void ApplyLanguage();
    // The controls from the stored values (at creation).
    void LoadControls();
    void btnOkClick();
    void chkEnableID3Click();
    void chkWriteID3V2Click();
    void btnAdvanceClick();
    void btnBrowseClick();

    QGroupBox* grpAudioOptions;
    QLabel* lblArtist;
    QLineEdit* edtArtist;
    QLabel* lblAlbum;
    QLineEdit* edtAlbum;
    QLabel* lblGenre;
    QComboBox* cmbGenre;
    QLabel* lblYear;
    QLineEdit* edtYear;
    QGroupBox* grpOutputFormat;
    QRadioButton* btnWav;
    QRadioButton* btnRaw;
    QRadioButton* btnMp3;
    QRadioButton* btnOgg;
    QRadioButton* btnFlac;
    QLabel* lblOutputPath;
    QLineEdit* edtOutputPath;
    QPushButton* btnBrowse;
    QGroupBox* grpMp3Options;
    QCheckBox* chkEnableID3;
    QCheckBox* chkGenerateCRC;
    QCheckBox* chkOriginal;
    QCheckBox* chkCopyright;
    QCheckBox* chkPrivate;
    QCheckBox* chkWriteID3V2;
    QPushButton* btnAdvance;
    QLabel* lblBitrate;
    QComboBox* cmbBitrate;
    QLabel* lblVBRQuality;
    QComboBox* cmbVBRQuality;
    QLabel* lblVBRMaxBitrate;
    QComboBox* cmbVBRMaxBitrate;
    QLabel* lblMpegQuality;
    QComboBox* cmbMpegQuality;
    QCheckBox* chkEnableVBR;
    QCheckBox* chkWriteVBRHeader;
    QCheckBox* chkUseJointStereo;
    QGroupBox* grpOggOptions;
    QLabel* lblVBRBitrate;
    QComboBox* cmbVBRBitrate;
    QLabel* lblVersion;
    QLineEdit* edtVersion;
    QLabel* lblOrganization;
    QLineEdit* edtOrganization;
    QLabel* lblDescription;
    QLineEdit* edtDescription;
    QLabel* Label1;
    QLineEdit* edtGenre;
    QLabel* lblDate;
    QLineEdit* edtDate;
    QLabel* lblLocation;
    QLineEdit* edtLocation;
    QLabel* lblCopyright;
    QLineEdit* edtCopyright;
    // FLAC and the AccurateRip check (FLAC level, AccurateRip switch and address are saved).
    QGroupBox* grpFlacOptions;
    QLabel* lblFlacLevel;
    QComboBox* cmbFlacLevel;
    QCheckBox* chkAccurateRip;
    QLabel* lblAccurateRipAddress;
    QLineEdit* edtAccurateRipAddress;
    QPushButton* btnOk;
    QPushButton* btnCancel;

signals:
    // Every change of the Artist text: the Read CD page sets the Artist column of every row.
    void edtArtistChange(const QString& artist);

private:
    void BuildOutputGroup();
    void BuildMp3Group();
    void BuildOggGroup();
    void BuildFlacGroup();
};
