// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TTempChartForm.h"

#include "record/Recording.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QScrollBar>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <cmath>

namespace {

struct Variable
{
    const char *Name;
    QColor Colour;
};

const std::array<Variable, 8> kVariables{{{"SP1", Qt::red},
                                          {"PV1", QColor(0, 255, 0)},
                                          {"CO1", Qt::blue},
                                          {"SP2", QColor(128, 128, 0)},
                                          {"PV2", QColor(0, 128, 0)},
                                          {"CO2", Qt::yellow},
                                          {"MD1", QColor(128, 0, 128)},
                                          {"MD2", Qt::magenta}}};

}  // namespace

TTempChartForm::TTempChartForm(const QString &settingsPath, TUserMessages &messages, QWidget *parent)
    // The variables are the board's signed words, drawn as they are on an axis fitted to them; they
    // follow the I/O series in a recording.
    : TTrendWindow(rec::kIoSeries, static_cast<int>(kVariables.size()), 0, settingsPath, QStringLiteral("TempChart"),
                   messages, parent)
{
    setObjectName(QStringLiteral("TempChartForm"));
    setWindowTitle(QStringLiteral("Temp Chart"));
    VariablesChart =
        MakeChart(QStringLiteral("VariablesChart"), QStringLiteral("Supply Variables"), 0, 100, /*autoScale=*/true);
    VariablesChart->setMinimumHeight(200);
    MakeControls(QStringLiteral("TempChartVrPowerButton"), QStringLiteral("Start/Stop"),
                 QStringLiteral("TempClearButton"), QStringLiteral("TempChartScrollBar"));

    auto *variables = new QGroupBox(QStringLiteral(" Variables "), this);
    variables->setObjectName(QStringLiteral("VariablesGroupBox"));
    auto *boxes = new QVBoxLayout(variables);
    for (size_t i = 0; i < kVariables.size(); ++i) {
        const QString name = QLatin1String(kVariables[i].Name);
        VariableBoxes[i] = new QCheckBox(name, variables);
        AddSeries(VariablesChart, name, QPen(kVariables[i].Colour, 2), VariableBoxes[i]);
        VariableBoxes[i]->setObjectName(name + QStringLiteral("dxfCheckBox"));
        boxes->addWidget(VariableBoxes[i]);
    }
    boxes->addStretch();

    auto *body = new QGridLayout;
    body->addWidget(VariablesChart, 0, 0);
    body->addWidget(variables, 0, 1);
    body->addWidget(ScrollBar, 1, 0);
    body->setColumnStretch(0, 1);
    body->setRowStretch(0, 1);
    auto *layout = new QVBoxLayout(this);
    AddToolBar(layout);
    layout->addLayout(body, 1);

    ReadSettings(QSize(800, 500));
}
