#pragma once

#include "app/TPage.h"

// The "Calibration" page.
class TCalibrationPage : public TPage
{
    Q_OBJECT

public:
    TCalibrationPage(TPageContext &context, QWidget *parent = nullptr);
};
