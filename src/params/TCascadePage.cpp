#include "params/TCascadePage.h"

TCascadePage::TCascadePage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("CascadeTabSheet"), context, parent)
{
}
