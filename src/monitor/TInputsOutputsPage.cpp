#include "monitor/TInputsOutputsPage.h"

TInputsOutputsPage::TInputsOutputsPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("InputsOutputsTabSheet"), context, parent)
{
}
