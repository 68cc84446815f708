#include "charts/TTempChartForm.h"

#include "session/TLiveState.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <array>
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

TTempChartForm::TTempChartForm(const TLiveState &live, QWidget *parent, qsizetype capacity)
    : QWidget(parent, Qt::Window), m_live(live), m_recording(static_cast<int>(kVariables.size()), capacity, 0)
{
    setObjectName(QStringLiteral("TempChartForm"));
    setWindowTitle(QStringLiteral("Temp Chart"));

    VariablesChart = new QCustomPlot(this);
    VariablesChart->setObjectName(QStringLiteral("VariablesChart"));
    VariablesChart->setAccessibleName(QStringLiteral("Supply Variables"));
    VariablesChart->plotLayout()->insertRow(0);
    VariablesChart->plotLayout()->addElement(0, 0,
                                             new QCPTextElement(VariablesChart, QStringLiteral("Supply Variables")));
    VariablesChart->xAxis->setRange(0, TTrendFollow::Span);
    VariablesChart->yAxis->setRange(0, 100);
    VariablesChart->legend->setVisible(true);
    for (const Variable &variable : kVariables) {
        QCPGraph *graph = VariablesChart->addGraph();
        graph->setName(QLatin1String(variable.Name));
        graph->setPen(QPen(variable.Colour, 2));
    }

    auto *variables = new QGroupBox(QStringLiteral(" Variables "), this);
    variables->setObjectName(QStringLiteral("VariablesGroupBox"));
    auto *boxes = new QVBoxLayout(variables);
    for (size_t i = 0; i < kVariables.size(); ++i) {
        const QString name = QLatin1String(kVariables[i].Name);
        VariableBoxes[i] = new QCheckBox(name, variables);
        VariableBoxes[i]->setObjectName(name + QStringLiteral("dxfCheckBox"));
        boxes->addWidget(VariableBoxes[i]);
    }
    TempChartVrPowerButton = new QPushButton(QStringLiteral("Start/Stop"), this);
    TempChartVrPowerButton->setObjectName(QStringLiteral("TempChartVrPowerButton"));
    TempChartVrPowerButton->setCheckable(true);
    TempChartVrPowerButton->setAccessibleName(QStringLiteral("Recording"));
    TempClearButton = new QPushButton(QStringLiteral("Clear"), this);
    TempClearButton->setObjectName(QStringLiteral("TempClearButton"));
    TempChartScrollBar = new QScrollBar(Qt::Horizontal, this);
    TempChartScrollBar->setObjectName(QStringLiteral("TempChartScrollBar"));
    TempChartScrollBar->setAccessibleName(QStringLiteral("Recorded samples"));
    TempChartScrollBar->setRange(0, 100);
    TempChartScrollBar->setPageStep(10);
    TempChartScrollBar->setEnabled(false);

    auto *side = new QVBoxLayout;
    side->addWidget(variables);
    side->addWidget(TempChartVrPowerButton);
    side->addWidget(TempClearButton);
    side->addStretch();
    auto *chart = new QVBoxLayout;
    chart->addWidget(VariablesChart, 1);
    chart->addWidget(TempChartScrollBar);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(chart, 1);
    layout->addLayout(side);

    connect(TempChartVrPowerButton, &QPushButton::clicked, this, &TTempChartForm::TempChartVrPowerButtonClick);
    connect(TempClearButton, &QPushButton::clicked, this, &TTempChartForm::TempClearButtonClick);
    connect(TempChartScrollBar, &QScrollBar::actionTriggered, this, &TTempChartForm::ScrollBarAction);
    TempChartVrPowerButtonClick();

    resize(760, 480);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TTempChartForm::AddSample()
{
    if (!TempChartVrPowerButton->isChecked())
        return;
    std::array<double, kVariables.size()> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = VariableBoxes[i]->isChecked() ? m_live.RegulationValues[i] : std::nan("");
    const qint64 dropped = m_recording.Dropped();
    m_recording.Add(QDateTime::currentMSecsSinceEpoch(), values);
    m_follow.Added(m_recording.Count(), static_cast<qsizetype>(m_recording.Dropped() - dropped));
    ShowView();
}

void TTempChartForm::TempChartVrPowerButtonClick()
{
    // Zooming while the view follows the newest sample would fight the following.
    VariablesChart->setInteractions(TempChartVrPowerButton->isChecked() ? QCP::Interactions()
                                                                        : QCP::iRangeZoom | QCP::iRangeDrag);
}

void TTempChartForm::TempClearButtonClick()
{
    m_recording.Clear();
    m_follow.Clear();
    ShowView();
}

void TTempChartForm::ScrollBarAction(int action)
{
    // The slider's position is already the one the action leads to.
    const int position = TempChartScrollBar->sliderPosition();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderSingleStepSub:
        m_follow.Step(position, m_recording.Count());
        break;
    case QAbstractSlider::SliderPageStepAdd:
    case QAbstractSlider::SliderPageStepSub:
    case QAbstractSlider::SliderMove:
        m_follow.Track(position, m_recording.Count());
        break;
    default:
        return;
    }
    ShowView();
}

void TTempChartForm::ShowView()
{
    // Only the samples in view go to the chart: a recording of days costs a replot no more than
    // one of minutes.
    const qsizetype first = m_follow.First();
    const qsizetype last = std::min(first + TTrendFollow::Span, m_recording.Count() - 1);
    for (int s = 0; s < m_recording.Series(); ++s) {
        QVector<double> keys;
        QVector<double> values;
        for (qsizetype i = first; i <= last; ++i) {
            keys.append(static_cast<double>(i));
            values.append(m_recording.Value(i, s).value_or(std::nan("")));
        }
        VariablesChart->graph(s)->setData(keys, values, true);
    }
    VariablesChart->xAxis->setRange(static_cast<double>(first), static_cast<double>(first + TTrendFollow::Span));
    VariablesChart->replot(QCustomPlot::rpQueuedReplot);
    TempChartScrollBar->setEnabled(m_follow.ScrollBarEnabled());
    TempChartScrollBar->setValue(m_follow.Position());
}
