#pragma once

#include "widgets/TPage.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

// The "Ventilation" page: fan mode, fan outputs, speed correction, pressure control, ventilation
// intensities, remote control, hearth and air-volume control.
class TVentilationPage : public TPage
{
    Q_OBJECT

public:
    TVentilationPage(TPageContext &context, QWidget *parent = nullptr);

    // The fan-mode block, then the remote-control block; a board without remote control
    // refuses the latter, and the remote-control box stays greyed out until a read succeeds.
    void Refresh() override;
    // Firmware without a series number has no "Without Exhaust" mode.
    void ShowFirmwareFeatures(bool hasSeries);

    QCheckBox *StartStopdxfCheckBox;
    QCheckBox *KitchenHooddxfCheckBox;
    QCheckBox *WithoutExhaustdxfCheckBox = nullptr;
    QPushButton *HearthStartVrDemoButton = nullptr;
    QPushButton *HearthStopVrDemoButton = nullptr;
    QPushButton *CalibrationVrDemoButton = nullptr;

private:
    QGroupBox *BuildRemoteControl();
    void SetRemoteControlEnabled(bool enabled);
};
