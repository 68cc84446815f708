#include "service/TTimersPage.h"

TTimersPage::TTimersPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("TimersTabSheet"), context, parent)
{
}
