#pragma once

#include "app/Page.h"

#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;
namespace app {
class Shell;
}

// The Burn CD page (tabBurnCD): its controls with their captions, the writer and speed lists
// and the CD type list of the page's set-up. The compilations and the burn job are not built
// yet: their buttons stay disabled until they are.
class TBurnCDPage : public QWidget, public app::IPage {
    Q_OBJECT

public:
    TBurnCDPage(app::Shell& shell, QWidget* parent = nullptr);
    QWidget* PageWidget() override { return this; }
    void ApplyLanguage() override;
    void Enter() override;
    // The burn options' volume ID names the folder tree's root.
    void WindowsAttached() override;
    void SetBurnPageIdle(bool idle);
    void cmbWrite_DeviceChange();
    // The volume ID of the burn options, for the folder tree's root.
    void SetVolumeName(const QString& name);

private:
    app::Shell& shell_;
    QLabel* lblWriteTitle;
    QLabel* lblWrite_Device;
    QComboBox* cmbWrite_Device;
    QLabel* lblWrite_WriteSpeed;
    QComboBox* cmbWrite_WriteSpeed;
    QLabel* lblWrite_CDType;
    QComboBox* cmbWrite_CDType;
    QTreeWidget* trvWrite;
    QTreeWidget* lstWrite;
    QMenu* mnuWrite;
    QMenu* mnuWrite_Tree;
    QPushButton* btnWrite_AddFiles;
    QPushButton* btnWrite_AddFolder;
    QPushButton* btnWrite_DeleteFile;
    QPushButton* btnWrite_Clear;
    QLabel* lblWrite_FileCounter;
    QLabel* lblWrite_FileSize;
    QLabel* lblISOFilePath;
    QLineEdit* edtISOFilePath;
    QPushButton* btnWriteBrowse;
    QCheckBox* chkWrite_WriteToISO;
    QPushButton* btnWrite_Start;
    QPushButton* btnWrite_Cancel;
};
