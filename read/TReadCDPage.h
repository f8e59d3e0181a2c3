#pragma once

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

// The Read CD page (tabReadCD): its controls with their captions and the drive list of the
// page's set-up. The track list, CD-Text and the rip job are not built yet: the job buttons
// stay disabled until they are.
class TReadCDPage : public QWidget {
    Q_OBJECT

public:
    enum class DiscKind { None, AudioCD, DataDisc };

    TReadCDPage(app::Shell& shell, QWidget* parent = nullptr);
    void ApplyLanguage();
    void Enter();
    void SetReadPageIdle(bool idle);
    void cmbRead_DeviceChange();
    DiscKind LoadedDiscKind() const { return discKind_; }

private:
    app::Shell& shell_;
    DiscKind discKind_ = DiscKind::None;
    QLabel* lblReadTitle;
    QLabel* lblRead_Device;
    QComboBox* cmbRead_Device;
    QTreeWidget* lstRead;
    QMenu* mnuRead;
    QAction* mniRead_Refresh;
    QAction* mniRead_Eject;
    QAction* mniRead_Load;
    QAction* mniRead_Play;
    QPushButton* btnGetCDText;
    QCheckBox* chkSelectAll;
    QLabel* lblReadOutputPath;
    QLineEdit* edtReadOutputPath;
    QPushButton* btnRead_Browse;
    QCheckBox* chkReadReplaceExisted;
    QPushButton* btnRead_Copy;
    QPushButton* btnRead_Cancel;
};
