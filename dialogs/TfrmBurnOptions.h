#pragma once

#include <QDialog>
#include <initializer_list>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The burn options: every setting a write job reads when it starts. Nothing is stored. Which
// options fit depends on the job: a page sets them with the one call for its kind of job.
// The settings a write job reads at its start.
struct BurnSettings {
    bool bufferProtect = false, testMode = false, discAtOnce = false, finalize = false,
         autoVerify = false, mode2XA = false, useFileDate = false, cacheFiles = false;
    QString volumeId;
    int fileSystems = 0; // 1, 4, 3, 5 or 7
};

class TfrmBurnOptions : public QDialog {
    Q_OBJECT

public:
    explicit TfrmBurnOptions(QWidget* parent = nullptr);

    // Captions, the volume ID text, the five volume types with position 3 selected.
    void ApplyLanguage();
    // The file-system flags of the selected volume type (1 ISO9660, 2 Joliet, 4 UDF).
    int FileSystems() const;

    // The options each kind of job uses; the others are disabled.
    // An audio CD: no file-system options (verification, Mode 2 XA, finalizing, file dates,
    // volume ID and type are off).
    void OptionsForAudioBurn();
    // A data CD: every option, the volume ID reset to "New Disc".
    void OptionsForDataBurn();
    // An ISO image onto a disc: as a data CD, but the image brings its own volume ID (emptied).
    void OptionsForIsoBurn();
    // An image or folder from a data disc: volume ID, volume type, verification and Mode 2 XA
    // serve only an image file.
    void OptionsForImageFromDataDisc(bool toImageFile);
    // A disc copy: every write option; the copy keeps the source's volume ID and type.
    void OptionsForCopy();
    // The volume ID text (a data disc shown for reading gets the default name).
    void SetVolumeId(const QString& text);
    BurnSettings Settings() const;
    // A writer with buffer-underrun protection gets it ticked; one without, unticked and off.
    void SetBufferProtectAvailable(bool available);
    // A running burn locks the volume type.
    void SetVolumeTypeEnabled(bool on);

private:
    void cmbVolumeTypeChange();
    void Enable(std::initializer_list<QWidget*> controls, bool on);

    QGroupBox* grpOptions;
    QCheckBox* chkUseBufferProtect;
    QCheckBox* chkTestMode;
    QCheckBox* chkDiscAtOnce;
    QCheckBox* chkFinalizeDisc;
    QCheckBox* chkAutoVerifyData;
    QCheckBox* chkMode2XA;
    QCheckBox* chkUseFileDate;
    QCheckBox* chkCacheFileLocal;
    QLabel* lblVolumeID;
    QLineEdit* edtVolumeID;
    QLabel* lblVolumeType;
    QComboBox* cmbVolumeType;
    QPushButton* btnOk;
    QPushButton* btnCancel;

signals:
    // Every change of the volume ID text; the Burn CD page renames its tree's root with it.
    void VolumeIdChanged(const QString& text);
};
