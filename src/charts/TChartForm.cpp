#include "charts/TChartForm.h"

#include "common/IniFile.h"
#include "session/TLiveState.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <cmath>

namespace {

const QString kSection = QStringLiteral("Chart");

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
};
const std::array<Chart, TChartForm::kCharts> kChartTable{{
    {"InputsChart", "Temperatures", -20, 50, " T Inputs "},
    {"AInputsChart", "Analog Inputs", 0, 10, " A Inputs "},
    {"PInputsChart", "Pressure Inputs", 0, 100, " P Inputs "},
    {"AOutputsChart", "Analog Outputs", 0, 10, " A Outputs "},
    {"DOutputsChart", "Digital Outputs", 0, 110, " D Outputs "},
}};

constexpr int kFirstDigital = 17;  // "Rel1"
constexpr int kInvalid = -1000;    // a live value the board could not give

}  // namespace

QStringList TChartForm::SeriesNames()
{
    QStringList names;
    for (const Series &s : kSeriesTable)
        names << QLatin1String(s.Legend);
    return names;
}

TChartForm::TChartForm(const TLiveState &live, const QString &settingsPath, QWidget *parent, qsizetype capacity)
    : QWidget(parent, Qt::Window), m_live(live), m_settingsPath(settingsPath), m_recording(kSeries, capacity, 2)
{
    setObjectName(QStringLiteral("ChartForm"));
    setWindowTitle(QStringLiteral("Chart"));

    auto *charts = new QVBoxLayout;
    auto *side = new QVBoxLayout;
    std::array<QGridLayout *, kCharts> groups{};
    for (int c = 0; c < kCharts; ++c) {
        const Chart &chart = kChartTable[static_cast<size_t>(c)];
        auto *plot = new QCustomPlot(this);
        plot->setObjectName(QLatin1String(chart.Name));
        plot->setAccessibleName(QLatin1String(chart.Title));
        plot->plotLayout()->insertRow(0);
        plot->plotLayout()->addElement(0, 0, new QCPTextElement(plot, QLatin1String(chart.Title)));
        plot->xAxis->setRange(0, TTrendFollow::Span);
        plot->yAxis->setRange(chart.Low, chart.High);
        plot->legend->setVisible(true);
        plot->setMinimumHeight(110);
        charts->addWidget(plot, 1);
        Charts[static_cast<size_t>(c)] = plot;
        auto *group = new QGroupBox(QLatin1String(chart.Group), this);
        groups[static_cast<size_t>(c)] = new QGridLayout(group);
        side->addWidget(group);
    }
    groups[0]->addWidget(new QLabel(QStringLiteral("Setpoint"), this), 4, 0);
    std::array<int, kCharts> inGroup{};
    for (int s = 0; s < kSeries; ++s) {
        const Series &series = kSeriesTable[static_cast<size_t>(s)];
        QCPGraph *graph = Charts[static_cast<size_t>(series.Chart)]->addGraph();
        graph->setName(QLatin1String(series.Legend));
        const bool digital = s >= kFirstDigital;
        graph->setPen(QPen(series.Colour, digital ? 3 : 2));
        if (digital)
            graph->setLineStyle(QCPGraph::lsStepLeft);
        auto *box = new QCheckBox(QLatin1String(series.Caption), this);
        box->setObjectName(QLatin1String(series.Key) + QStringLiteral("dxfCheckBox"));
        box->setAccessibleName(QLatin1String(kChartTable[static_cast<size_t>(series.Chart)].Title) + QLatin1Char(' ')
                               + QLatin1String(series.Caption));
        const int n = inGroup[static_cast<size_t>(series.Chart)]++;
        // The setpoints of the temperatures stand apart, under their label.
        const int row = series.Chart == 0 && n >= 4 ? n + 1 : (digital ? n % 6 : n);
        groups[static_cast<size_t>(series.Chart)]->addWidget(box, row, digital ? n / 6 : 0);
        SeriesBoxes[static_cast<size_t>(s)] = box;
    }

    ChartVrPowerButton = new QPushButton(QStringLiteral("On/Off"), this);
    ChartVrPowerButton->setObjectName(QStringLiteral("ChartVrPowerButton"));
    ChartVrPowerButton->setCheckable(true);
    ChartVrPowerButton->setAccessibleName(QStringLiteral("Recording"));
    ClearButton = new QPushButton(QStringLiteral("Clear"), this);
    ClearButton->setObjectName(QStringLiteral("ClearButton"));
    side->addWidget(ChartVrPowerButton);
    side->addWidget(ClearButton);
    side->addStretch();
    ChartScrollBar = new QScrollBar(Qt::Horizontal, this);
    ChartScrollBar->setObjectName(QStringLiteral("ChartScrollBar"));
    ChartScrollBar->setAccessibleName(QStringLiteral("Recorded samples"));
    ChartScrollBar->setRange(0, 100);
    ChartScrollBar->setPageStep(10);
    ChartScrollBar->setEnabled(false);
    charts->addWidget(ChartScrollBar);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(charts, 1);
    layout->addLayout(side);

    connect(ChartVrPowerButton, &QPushButton::clicked, this, &TChartForm::ChartVrPowerButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &TChartForm::ClearButtonClick);
    connect(ChartScrollBar, &QScrollBar::actionTriggered, this, &TChartForm::ScrollBarAction);
    ReadSettings();
    ChartVrPowerButtonClick();
    resize(896, 696);
}

void TChartForm::ReadSettings()
{
    // A file that is missing or cannot be read leaves every box unchecked.
    TIniFile settings;
    QString ignored;
    const bool read = settings.Load(m_settingsPath, &ignored);
    for (int s = 0; s < kSeries; ++s)
        SeriesBoxes[static_cast<size_t>(s)]->setChecked(
            read && settings.ReadBool(kSection, QLatin1String(kSeriesTable[static_cast<size_t>(s)].Key), false));
}

bool TChartForm::WriteSettings(QString *error) const
{
    // Keys and comments someone added to the file stay.
    TIniFile settings;
    if (!settings.Load(m_settingsPath, error))
        return false;
    for (int s = 0; s < kSeries; ++s)
        settings.WriteBool(kSection, QLatin1String(kSeriesTable[static_cast<size_t>(s)].Key),
                           SeriesBoxes[static_cast<size_t>(s)]->isChecked());
    return settings.Save(m_settingsPath, error);
}

void TChartForm::closeEvent(QCloseEvent *event)
{
    QString why;
    if (!WriteSettings(&why))
        emit SettingsNotWritten(why);
    QWidget::closeEvent(event);
}

void TChartForm::AddSample()
{
    if (!ChartVrPowerButton->isChecked())
        return;
    std::array<double, kSeries> values{};
    for (int s = 0; s < kSeries; ++s) {
        double value = std::nan("");
        if (SeriesBoxes[static_cast<size_t>(s)]->isChecked()) {
            if (s < 4)
                value = m_live.LiveValues[static_cast<size_t>(s)];
            else if (s == 4)
                value = m_live.SupplyTrendValue;
            else if (s == 5)
                value = m_live.RoomTrendValue;
            else if (s < kFirstDigital)
                value = m_live.LiveValues[static_cast<size_t>(s - 2)];  // inputs 5-10, then outputs 1-5
            else {
                // Lanes of ten from the top: channel k at 109 - 10k when on, 101 - 10k when off.
                const int k = s - kFirstDigital;
                value = m_live.OutputBits[static_cast<size_t>(k)] ? 109 - 10 * k : 101 - 10 * k;
            }
            if (s < kFirstDigital && value == kInvalid)
                value = std::nan("");
        }
        values[static_cast<size_t>(s)] = value;
    }
    const qint64 dropped = m_recording.Dropped();
    m_recording.Add(QDateTime::currentMSecsSinceEpoch(), values);
    m_follow.Added(m_recording.Count(), static_cast<qsizetype>(m_recording.Dropped() - dropped));
    ShowView();
}

void TChartForm::ChartVrPowerButtonClick()
{
    // Zooming while the views follow the newest sample would fight the following.
    const QCP::Interactions zoom =
        ChartVrPowerButton->isChecked() ? QCP::Interactions() : QCP::Interactions(QCP::iRangeZoom | QCP::iRangeDrag);
    for (QCustomPlot *chart : Charts)
        chart->setInteractions(zoom);
}

void TChartForm::ClearButtonClick()
{
    m_recording.Clear();
    m_follow.Clear();
    ShowView();
}

void TChartForm::ScrollBarAction(int action)
{
    const int position = ChartScrollBar->sliderPosition();
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

void TChartForm::ShowView()
{
    // Only the samples in view go to the charts.
    const qsizetype first = m_follow.First();
    const qsizetype last = std::min(first + TTrendFollow::Span, m_recording.Count() - 1);
    std::array<int, kCharts> graphs{};
    for (int s = 0; s < kSeries; ++s) {
        QVector<double> keys;
        QVector<double> values;
        for (qsizetype i = first; i <= last; ++i) {
            keys.append(static_cast<double>(i));
            values.append(m_recording.Value(i, s).value_or(std::nan("")));
        }
        const int chart = kSeriesTable[static_cast<size_t>(s)].Chart;
        Charts[static_cast<size_t>(chart)]->graph(graphs[static_cast<size_t>(chart)]++)->setData(keys, values, true);
    }
    for (QCustomPlot *chart : Charts) {
        chart->xAxis->setRange(static_cast<double>(first), static_cast<double>(first + TTrendFollow::Span));
        chart->replot(QCustomPlot::rpQueuedReplot);
    }
    ChartScrollBar->setEnabled(m_follow.ScrollBarEnabled());
    ChartScrollBar->setValue(m_follow.Position());
}
