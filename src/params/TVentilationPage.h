#pragma once

#include "app/TPage.h"

class QCheckBox;
class QGroupBox;

// The "Ventilation" page: fan mode, fan outputs, speed correction, pressure control, ventilation
// intensities, remote control, hearth and air-volume control.
class TVentilationPage : public TPage
{
    Q_OBJECT

public:
    TVentilationPage(TPageContext &context, QWidget *parent = nullptr);

    // " Remote Control ": what the board's remote input does, start/stop or the kitchen hood.
    void RemoteControldxfCheckBoxClick();

    QCheckBox *StartStopdxfCheckBox;
    QCheckBox *KitchenHooddxfCheckBox;

private:
    QGroupBox *BuildRemoteControl();
};
