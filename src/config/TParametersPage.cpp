#include "config/TParametersPage.h"

TParametersPage::TParametersPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("ParametersTabSheet"), context, parent)
{
}
