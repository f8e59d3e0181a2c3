#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings dialog: temporary folder (with the space of its file system), logging, start at
// log-on and AutoPlay. Values go to the shared settings in memory; they are saved at exit.
class TfrmSettings : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSettings(QWidget* parent = nullptr);

    void ApplyLanguage();
    // Fills the three lines about the file system holding the folder in edtTempDir.
    void ShowDriveInformation();
    void StoreValues();

    void btnBrowseClick();
    void btnApplyClick();
    void btnOkClick();

private:
    void FormCreate();
    void LoadValues();
    bool TempDirExists() const;
    void ShowDirNotExist();

    QGroupBox* grpTempDir;
    QLineEdit* edtTempDir;
    QPushButton* btnBrowse;
    QLabel* lblTempDirInfo;
    QLabel* lblFreeSpace;
    QLabel* lblTotalSpace;
    QCheckBox* chkEnableLog;
    QCheckBox* chkBootApplication;
    QCheckBox* chkAutoPlay;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QPushButton* btnApply;
    bool autoPlayStartValue_ = false;
};
