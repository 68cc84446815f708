#include "params/TStopPage.h"

TStopPage::TStopPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("StopTabSheet"), context, parent)
{
}
