#include "service/TCalibrationPage.h"

TCalibrationPage::TCalibrationPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("CalibrationTabSheet"), context, parent)
{
}
