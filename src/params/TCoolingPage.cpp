#include "params/TCoolingPage.h"

TCoolingPage::TCoolingPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("CoolingTabSheet"), context, parent)
{
}
