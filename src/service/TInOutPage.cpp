#include "service/TInOutPage.h"

TInOutPage::TInOutPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("InOutTabSheet"), context, parent)
{
}
