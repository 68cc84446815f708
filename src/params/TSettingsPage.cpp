#include "params/TSettingsPage.h"

TSettingsPage::TSettingsPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("SettingsTabSheet"), context, parent)
{
}
