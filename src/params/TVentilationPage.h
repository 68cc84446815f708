#pragma once

#include "app/TPage.h"

class QCheckBox;

// The "Ventilation" page.
class TVentilationPage : public TPage
{
    Q_OBJECT

public:
    TVentilationPage(TPageContext &context, QWidget *parent = nullptr);

    // " Remote Control ": what the board's remote input does, start/stop or the kitchen hood.
    void RemoteControldxfCheckBoxClick();

    QCheckBox *StartStopdxfCheckBox;
    QCheckBox *KitchenHooddxfCheckBox;
};
