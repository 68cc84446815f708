// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TTempChartForm.h"

#include "monitor/TPoll.h"

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

TTempChartForm::TTempChartForm(const QString &settingsPath, TUserMessages &messages, QWidget *parent,
                               qsizetype capacity)
    // The variables are the board's signed words, drawn as they are on an axis fitted to them.
    : TTrendWindow(static_cast<int>(kVariables.size()), capacity, 0, settingsPath, QStringLiteral("TempChart"),
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

void TTempChartForm::TakeSamplesFrom(const TPoll &poll)
{
    connect(&poll, &TPoll::RegulationSampleTaken, this, [this](const TRegulationSample &sample) {
        if (isVisible())
            AddSample(sample);
    });
}

void TTempChartForm::AddSample(const TRegulationSample &sample)
{
    std::array<double, kVariables.size()> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = VariableBoxes[i]->isChecked() ? sample.Values[i] : std::nan("");
    Record(values);
}
