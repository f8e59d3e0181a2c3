#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
namespace app {
class Shell;
}
namespace discengine {
class IDeviceErrorX;
}

// The Erase Disc page (tabEraseDisc): writer and speed choice, the checks before erasing, the
// erase start and the reactions to the engine's erase events.
class TEraseDiscPage : public QWidget {
    Q_OBJECT

public:
    TEraseDiscPage(app::Shell& shell, QWidget* parent = nullptr);

    void ApplyLanguage();
    // The page's set-up when the main window switches to it.
    void Enter();
    void SetErasePageIdle(bool idle);

    void cmbEraseDisc_DeviceChange();
    void FillEraseSpeedList();
    void btnErase_StartClick();
    void DVDEngineEraseStatus(std::int32_t deviceIndex, std::int32_t status, std::int32_t progress);
    void DVDEngineEraseError(std::int32_t deviceIndex,
                             std::shared_ptr<discengine::IDeviceErrorX> error);

private:
    // The checks and the start; engine errors end it with their message.
    void StartErase();

    app::Shell& shell_;
    QLabel* lblEraseTitle;
    QLabel* lblEraseDevice;
    QComboBox* cmbEraseDisc_Device;
    QLabel* lblEraseDiscWriteSpeed;
    QComboBox* cmbEraseCD_Speed;
    QCheckBox* chkErase_QuickErase;
    QCheckBox* chkErase_Eject;
    QPushButton* btnErase_Start;
    QLabel* lblErase_Description;
};
