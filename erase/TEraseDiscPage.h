#pragma once

#include "app/Page.h"
#include "app/Shell.h"

#include <QWidget>
#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The Erase Disc page (tabEraseDisc): writer and speed choice, the checks before erasing, the
// erase start and the reactions to the engine's erase events. It owns its erase job: the shell
// hands it the engine's events only while that job runs.
class TEraseDiscPage : public QWidget, public app::IPage, public app::EngineJobOwner {
    Q_OBJECT

public:
    TEraseDiscPage(app::Shell& shell, QWidget* parent = nullptr);
    ~TEraseDiscPage() override;

    QWidget* PageWidget() override { return this; }
    void ApplyLanguage() override;
    // The page's set-up when the main window switches to it.
    void Enter() override;
    void SetErasePageIdle(bool idle);

    void cmbEraseDisc_DeviceChange();
    void FillEraseSpeedList();
    void btnErase_StartClick();
    void DVDEngineEraseStatus(std::int32_t deviceIndex, std::int32_t status,
                              std::int32_t progress) override;
    void DVDEngineEraseError(std::int32_t deviceIndex,
                             std::shared_ptr<discengine::IDeviceErrorX> error) override;

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
