#pragma once

#include "app/TPage.h"

// The "Inputs && Outputs" page.
class TInputsOutputsPage : public TPage
{
    Q_OBJECT

public:
    TInputsOutputsPage(TPageContext &context, QWidget *parent = nullptr);
};
