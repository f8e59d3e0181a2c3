#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The burn options: every setting a write job reads when it starts. Nothing is stored; the
// page set-ups enable and disable the controls to fit their job, so they are public.
class TfrmBurnOptions : public QDialog {
    Q_OBJECT

public:
    explicit TfrmBurnOptions(QWidget* parent = nullptr);

    // Captions, the volume ID text, the five volume types with position 3 selected.
    void ApplyLanguage();
    // The file-system flags of the selected volume type (1 ISO9660, 2 Joliet, 4 UDF).
    int FileSystems() const;

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

private:
    void cmbVolumeTypeChange();
};
