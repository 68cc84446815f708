#pragma once

#include "app/TPage.h"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The "Parameters" page: moving whole configurations between the board, the window and
// configuration files, with a log of what was done and the progress of a transfer.
class TParametersPage : public TPage
{
    Q_OBJECT

public:
    TParametersPage(TPageContext &context, QWidget *parent = nullptr);

    // " History "
    QPushButton *SaveButton;
    QPushButton *LoadButton;
    QPushButton *VerifyButton;
    QPushButton *CompareButton;
    QPlainTextEdit *ParametersMemo;
    QProgressBar *WritedxfProgressBar;  // 0 .. 100, shown as a percentage
};
