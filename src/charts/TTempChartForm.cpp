#include "charts/TTempChartForm.h"

#include "session/TLiveState.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
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

TTempChartForm::TTempChartForm(const TLiveState &live, TUserMessages &messages, QWidget *parent, qsizetype capacity)
    : TTrendWindow(static_cast<int>(kVariables.size()), capacity, 0, messages, parent), m_live(live)
{
    setObjectName(QStringLiteral("TempChartForm"));
    setWindowTitle(QStringLiteral("Temp Chart"));
    VariablesChart = MakeChart(QStringLiteral("VariablesChart"), QStringLiteral("Supply Variables"), 0, 100);
    MakeControls(QStringLiteral("TempChartVrPowerButton"), QStringLiteral("Start/Stop"),
                 QStringLiteral("TempClearButton"), QStringLiteral("TempChartScrollBar"));

    auto *variables = new QGroupBox(QStringLiteral(" Variables "), this);
    variables->setObjectName(QStringLiteral("VariablesGroupBox"));
    auto *boxes = new QVBoxLayout(variables);
    for (size_t i = 0; i < kVariables.size(); ++i) {
        const QString name = QLatin1String(kVariables[i].Name);
        AddSeries(VariablesChart, name, QPen(kVariables[i].Colour, 2));
        VariableBoxes[i] = new QCheckBox(name, variables);
        VariableBoxes[i]->setObjectName(name + QStringLiteral("dxfCheckBox"));
        boxes->addWidget(VariableBoxes[i]);
    }

    auto *side = new QVBoxLayout;
    side->addWidget(variables);
    AddControls(side);
    auto *chart = new QVBoxLayout;
    chart->addWidget(VariablesChart, 1);
    chart->addWidget(ScrollBar);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(chart, 1);
    layout->addLayout(side);

    resize(760, 480);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TTempChartForm::AddSample()
{
    std::array<double, kVariables.size()> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = VariableBoxes[i]->isChecked() ? m_live.RegulationValues[i] : std::nan("");
    Record(values);
}
