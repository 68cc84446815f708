#pragma once

#include "app/TPage.h"

// The "Cascade" page.
class TCascadePage : public TPage
{
    Q_OBJECT

public:
    TCascadePage(TPageContext &context, QWidget *parent = nullptr)
        : TPage(QStringLiteral("CascadeTabSheet"), context, parent)
    {
    }
};
