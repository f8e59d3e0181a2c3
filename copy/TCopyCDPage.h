#pragma once

#include "app/Page.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
namespace app {
class Shell;
}

// The Copy CD page (tabCopyCD): its controls with their captions, the source and destination
// drive lists of the page's set-up and the burn options it arranges. The copy job is not built
// yet: its Write button stays disabled until it is.
class TCopyCDPage : public QWidget, public app::IPage {
    Q_OBJECT

public:
    TCopyCDPage(app::Shell& shell, QWidget* parent = nullptr);
    QWidget* PageWidget() override { return this; }
    void ApplyLanguage() override;
    void Enter() override;
    void SetCopyPageIdle(bool idle);
    void cmbCopyCD_ReadDeviceChange();
    void cmbCopyCD_WriteDeviceChange();

private:
    app::Shell& shell_;
    QLabel* lblCopyTitle;
    QLabel* lblCopyCD_ReadDevice;
    QComboBox* cmbCopyCD_ReadDevice;
    QPlainTextEdit* mmoCopyCD_Read;
    QLabel* lblCopyCD_WriteDevice;
    QComboBox* cmbCopyCD_WriteDevice;
    QPlainTextEdit* mmoCopyCD_Write;
    QLabel* lblBurnSpeed;
    QComboBox* cmbCopyCD_WriteSpeed;
    QCheckBox* chkCopy_OnTheFly;
    QMenu* mnuCopy_Read;
    QMenu* mnuCopy_Write;
    QPushButton* btnCopyCD_Start;
    QPushButton* btnCopy_Cancel;
};
