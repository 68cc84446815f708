#include "params/THeatingPage.h"

THeatingPage::THeatingPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("HeatingTabSheet"), context, parent)
{
}
