#pragma once

#include "app/TPage.h"

// The "Parameters" page.
class TParametersPage : public TPage
{
    Q_OBJECT

public:
    TParametersPage(TPageContext &context, QWidget *parent = nullptr);
};
