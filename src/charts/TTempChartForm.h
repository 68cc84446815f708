#pragma once

#include <QWidget>

// "Temp Chart": the trend of the eight regulation variables. Opened with F1 from the main window.
class TTempChartForm : public QWidget
{
    Q_OBJECT

public:
    explicit TTempChartForm(QWidget *parent = nullptr);
};
