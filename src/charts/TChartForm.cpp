// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TChartForm.h"

#include "common/IniFile.h"
#include "monitor/LiveDecoders.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <cmath>

namespace {

struct Series
{
    int Chart;
    const char *Legend;
    QColor Colour;
    const char *Key;      // settings key; the check box is "<Key>dxfCheckBox"
    const char *Caption;  // the check box's caption
};

const QColor kRed(Qt::red), kLime(0, 255, 0), kBlue(Qt::blue), kOlive(128, 128, 0), kGreen(0, 128, 0),
    kYellow(Qt::yellow), kOrange(0xFF, 0x80, 0x00), kPurple(128, 0, 128), kTeal(0, 128, 128), kGray(Qt::gray),
    kBlack(Qt::black), kMaroon(128, 0, 0), kNavy(0, 0, 128);

// In recording order: the charts' series top down, each chart's in legend order.
const std::array<Series, TChartForm::kSeries> kSeriesTable{{
    {0, "Inp1", kRed, "Tin1", "Input1"},   {0, "Inp2", kLime, "Tin2", "Input2"},
    {0, "Inp3", kBlue, "Tin3", "Input3"},  {0, "Inp4", kOlive, "Tin4", "Input4"},
    {0, "Sup.", kGreen, "Tssp", "Supply"}, {0, "Room", kYellow, "Trsp", "Room"},
    {1, "Inp5", kRed, "Uin1", "Input5"},   {1, "Inp6", kLime, "Uin2", "Input6"},
    {1, "Inp7", kBlue, "Uin3", "Input7"},  {1, "Inp8  ", kOlive, "Uin4", "Input8"},
    {2, "Inp9", kRed, "Pin1", "Input9"},   {2, "Inp10", kLime, "Pin2", "Input10"},
    {3, "Out1", kRed, "Out1", "Out1"},     {3, "Out2", kLime, "Out2", "Out2"},
    {3, "Out3", kBlue, "Out3", "Out3"},    {3, "Out4", kOlive, "Out4", "Out4"},
    {3, "Out5 ", kOrange, "Out5", "Out5"}, {4, "Rel1", kRed, "Rel1", "Rel1"},
    {4, "Rel2", kLime, "Rel2", "Rel2"},    {4, "Rel3", kBlue, "Rel3", "Rel3"},
    {4, "Rel4", kOlive, "Rel4", "Rel4"},   {4, "Rel5", kPurple, "Rel5", "Rel5"},
    {4, "Rel6", kTeal, "Rel6", "Rel6"},    {4, "Rel7", kGray, "Rel7", "Rel7"},
    {4, "Rel8", kBlack, "Rel8", "Rel8"},   {4, "Sim1", kMaroon, "Sim1", "Sim1"},
    {4, "Sim2", kNavy, "Sim2", "Sim2"},    {4, "Sim3 ", kOrange, "Sim3", "Sim3"},
}};

struct Chart
{
    const char *Name;
    const char *Title;
    double Low;
    double High;
    const char *Group;
    int Rows;          // of check boxes in the group, column by column
    const char *Unit;  // of its values, shown to the unit's resolution (config/Units.h)
};
// The groups are no taller than their charts at the least: the window fits a laptop's screen.
const std::array<Chart, TChartForm::kCharts> kChartTable{{
    {"InputsChart", "Temperatures", -20, 50, " T Inputs ", 4, "°C"},
    {"AInputsChart", "Analog Inputs", 0, 10, " A Inputs ", 2, "V"},
    {"PInputsChart", "Pressure Inputs", 0, 100, " P Inputs ", 1, "%"},
    {"AOutputsChart", "Analog Outputs", 0, 10, " A Outputs ", 2, "V"},
    {"DOutputsChart", "Digital Outputs", 0, 110, " D Outputs ", 4, ""},  // the relays, then the simulated outputs
}};

constexpr int kFirstDigital = 17;  // "Rel1"

// Lanes of ten from the top: digital channel k runs from 101 - 10k (off) to 109 - 10k (on).
double LaneOf(int k)
{
    return 101.0 - 10.0 * k;
}

}  // namespace

TChartForm::TChartForm(const QString &settingsPath, TUserMessages &messages, QWidget *parent)
    : TTrendWindow(0, kSeries, 2, settingsPath, QStringLiteral("Chart"), messages, parent)
{
    setObjectName(QStringLiteral("ChartForm"));
    setWindowTitle(QStringLiteral("Chart"));
    MakeControls(QStringLiteral("ChartVrPowerButton"), QStringLiteral("On/Off"), QStringLiteral("ClearButton"),
                 QStringLiteral("ChartScrollBar"));

    // A row a chart, its check boxes beside it; the rows share the height.
    auto *rows = new QGridLayout;
    std::array<QGridLayout *, kCharts> groups{};
    for (int c = 0; c < kCharts; ++c) {
        const Chart &chart = kChartTable[static_cast<size_t>(c)];
        QCustomPlot *plot = MakeChart(QLatin1String(chart.Name), QLatin1String(chart.Title), chart.Low, chart.High);
        plot->setMinimumHeight(80);
        // The check boxes beside the chart show each series' colour: a legend inside would hide
        // the lines of a short chart.
        plot->legend->setVisible(false);
        plot->yAxis->ticker()->setTickCount(4);
        rows->addWidget(plot, c, 0);
        // The digital outputs take twice the height: eleven named lanes.
        rows->setRowStretch(c, c == kCharts - 1 ? 2 : 1);
        Charts[static_cast<size_t>(c)] = plot;
        auto *group = new QGroupBox(QLatin1String(chart.Group), this);
        groups[static_cast<size_t>(c)] = new QGridLayout(group);
        groups[static_cast<size_t>(c)]->setContentsMargins(6, 2, 6, 2);
        groups[static_cast<size_t>(c)]->setVerticalSpacing(0);
        rows->addWidget(group, c, 1, Qt::AlignTop);
    }
    rows->setColumnStretch(0, 1);
    rows->addWidget(ScrollBar, kCharts, 0);
    // The digital lanes by name, each in the middle of its lane.
    auto lanes = QSharedPointer<QCPAxisTickerText>::create();
    for (int s = kFirstDigital; s < kSeries; ++s)
        lanes->addTick(LaneOf(s - kFirstDigital) + kLaneHeight / 2,
                       QLatin1String(kSeriesTable[static_cast<size_t>(s)].Legend).trimmed());
    Charts.back()->yAxis->setTicker(lanes);
    QFont laneFont = Charts.back()->yAxis->tickLabelFont();
    laneFont.setPointSizeF(laneFont.pointSizeF() * 0.8);
    Charts.back()->yAxis->setTickLabelFont(laneFont);
    Charts.back()->yAxis->grid()->setVisible(false);  // the lanes need no grid of their own
    // The setpoints of the temperatures stand apart, in a column under their label.
    groups[0]->addWidget(new QLabel(QStringLiteral("Setpoint"), this), 0, 1);
    std::array<int, kCharts> inGroup{};
    for (int s = 0; s < kSeries; ++s) {
        const Series &series = kSeriesTable[static_cast<size_t>(s)];
        const bool digital = s >= kFirstDigital;
        auto *box = new QCheckBox(QLatin1String(series.Caption), this);
        AddSeries(Charts[static_cast<size_t>(series.Chart)], QLatin1String(series.Legend),
                  QPen(series.Colour, digital ? 3 : 2), box,
                  digital ? std::optional(LaneOf(s - kFirstDigital)) : std::nullopt,
                  live::DecimalsOf(QString::fromUtf8(kChartTable[static_cast<size_t>(series.Chart)].Unit)));
        box->setObjectName(QLatin1String(series.Key) + QStringLiteral("dxfCheckBox"));
        box->setAccessibleName(QLatin1String(kChartTable[static_cast<size_t>(series.Chart)].Title) + QLatin1Char(' ')
                               + QLatin1String(series.Caption));
        const int n = inGroup[static_cast<size_t>(series.Chart)]++;
        const int rows = kChartTable[static_cast<size_t>(series.Chart)].Rows;
        if (series.Chart == 0 && n >= 4)
            groups[0]->addWidget(box, n - 3, 1);
        else
            groups[static_cast<size_t>(series.Chart)]->addWidget(box, n % rows, n / rows);
        SeriesBoxes[static_cast<size_t>(s)] = box;
    }
    auto *layout = new QVBoxLayout(this);
    AddToolBar(layout);
    layout->addLayout(rows, 1);

    ReadSettings(QSize(1000, 660));
}

void TChartForm::ReadOwnSettings(const TIniFile &settings, const QString &section)
{
    for (int s = 0; s < kSeries; ++s)
        SeriesBoxes[static_cast<size_t>(s)]->setChecked(
            settings.ReadBool(section, QLatin1String(kSeriesTable[static_cast<size_t>(s)].Key), false));
}

void TChartForm::WriteOwnSettings(TIniFile &settings, const QString &section) const
{
    for (int s = 0; s < kSeries; ++s)
        settings.WriteBool(section, QLatin1String(kSeriesTable[static_cast<size_t>(s)].Key),
                           SeriesBoxes[static_cast<size_t>(s)]->isChecked());
}
