#include "charts/TTrendWindow.h"

#include "common/PlainFile.h"
#include "session/TUserMessages.h"

#include <QDateTime>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <cmath>

TTrendWindow::TTrendWindow(int series, qsizetype capacity, int decimals, TUserMessages &messages, QWidget *parent)
    : QWidget(parent, Qt::Window), m_messages(messages), m_recording(series, capacity, decimals)
{
}

void TTrendWindow::MakeControls(const QString &power, const QString &powerCaption, const QString &clear,
                                const QString &scrollBar)
{
    PowerButton = new QPushButton(powerCaption, this);
    PowerButton->setObjectName(power);
    PowerButton->setCheckable(true);
    PowerButton->setAccessibleName(QStringLiteral("Recording"));
    ClearButton = new QPushButton(QStringLiteral("Clear"), this);
    ClearButton->setObjectName(clear);
    ExportButton = new QPushButton(QStringLiteral("Export CSV"), this);
    ExportButton->setObjectName(QStringLiteral("ExportCsvButton"));
    PictureButton = new QPushButton(QStringLiteral("Save picture"), this);
    PictureButton->setObjectName(QStringLiteral("SavePictureButton"));
    ScrollBar = new QScrollBar(Qt::Horizontal, this);
    ScrollBar->setObjectName(scrollBar);
    ScrollBar->setAccessibleName(QStringLiteral("Recorded samples"));
    ScrollBar->setRange(0, 100);
    ScrollBar->setPageStep(10);
    ScrollBar->setEnabled(false);
    ReachLabel = new QLabel(this);
    ReachLabel->setObjectName(QStringLiteral("ReachLabel"));
    ReachLabel->setWordWrap(true);

    connect(PowerButton, &QPushButton::clicked, this, &TTrendWindow::PowerButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &TTrendWindow::ClearButtonClick);
    connect(ExportButton, &QPushButton::clicked, this, &TTrendWindow::ExportCsvClick);
    connect(PictureButton, &QPushButton::clicked, this, &TTrendWindow::SavePictureClick);
    connect(ScrollBar, &QScrollBar::actionTriggered, this, &TTrendWindow::ScrollBarAction);
}

void TTrendWindow::AddControls(QBoxLayout *side) const
{
    for (QWidget *control : {static_cast<QWidget *>(PowerButton), static_cast<QWidget *>(ClearButton),
                             static_cast<QWidget *>(ExportButton), static_cast<QWidget *>(PictureButton),
                             static_cast<QWidget *>(ReachLabel)})
        side->addWidget(control);
    side->addStretch();
}

QCustomPlot *TTrendWindow::MakeChart(const QString &name, const QString &title, double low, double high)
{
    auto *chart = new QCustomPlot(this);
    chart->setObjectName(name);
    chart->setAccessibleName(title);
    chart->plotLayout()->insertRow(0);
    chart->plotLayout()->addElement(0, 0, new QCPTextElement(chart, title));
    chart->xAxis->setRange(0, TTrendFollow::Span);
    chart->yAxis->setRange(low, high);
    chart->legend->setVisible(true);
    // Four series a column, in a smaller type: a legend of eleven still fits a short chart.
    QFont legend = chart->legend->font();
    legend.setPointSizeF(legend.pointSizeF() * 0.85);
    chart->legend->setFont(legend);
    chart->legend->setRowSpacing(0);
    chart->legend->setWrap(4);
    chart->legend->setFillOrder(QCPLayoutGrid::foRowsFirst, false);
    chart->setInteractions(QCP::iRangeZoom | QCP::iRangeDrag);
    connect(chart, &QCustomPlot::mouseMove, this, [this, chart](QMouseEvent *event) {
        const QString text = HoverText(chart, chart->xAxis->pixelToCoord(event->position().x()));
        QToolTip::showText(event->globalPosition().toPoint(), text, chart);
    });
    m_charts.push_back(chart);
    return chart;
}

void TTrendWindow::AddSeries(QCustomPlot *chart, const QString &legend, const QPen &pen, bool steps)
{
    QCPGraph *graph = chart->addGraph();
    graph->setName(legend);
    graph->setPen(pen);
    if (steps)
        graph->setLineStyle(QCPGraph::lsStepLeft);
    m_series.push_back({chart, chart->graphCount() - 1});
}

QStringList TTrendWindow::SeriesNames() const
{
    QStringList names;
    for (const TSeries &series : m_series)
        names << series.Chart->graph(series.Graph)->name();
    return names;
}

QString TTrendWindow::HoverText(const QCustomPlot *chart, double key) const
{
    const auto index = static_cast<qsizetype>(std::lround(key));
    if (index < 0 || index >= m_recording.Count())
        return {};
    QStringList lines{QStringLiteral("%1  (sample %2)")
                          .arg(QDateTime::fromMSecsSinceEpoch(m_recording.Stamp(index))
                                   .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                          .arg(m_recording.Dropped() + index)};
    for (size_t s = 0; s < m_series.size(); ++s) {
        if (m_series[s].Chart != chart)
            continue;
        const auto value = m_recording.Value(index, static_cast<int>(s));
        lines << QStringLiteral("%1: %2").arg(chart->graph(m_series[s].Graph)->name().trimmed(),
                                              value ? QString::number(*value) : QStringLiteral("-"));
    }
    return lines.join(QLatin1Char('\n'));
}

bool TTrendWindow::IsRecording() const
{
    return PowerButton->isChecked();
}

void TTrendWindow::Record(std::span<const double> values)
{
    if (!IsRecording())
        return;
    const qint64 dropped = m_recording.Dropped();
    m_recording.Add(QDateTime::currentMSecsSinceEpoch(), values);
    m_follow.Added(m_recording.Count(), static_cast<qsizetype>(m_recording.Dropped() - dropped));
    if (isVisible())
        ShowView();
}

void TTrendWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ShowView();
}

void TTrendWindow::PowerButtonClick()
{
    // Zooming while the views follow the newest sample would fight the following.
    const QCP::Interactions zoom =
        IsRecording() ? QCP::Interactions() : QCP::Interactions(QCP::iRangeZoom | QCP::iRangeDrag);
    for (QCustomPlot *chart : m_charts)
        chart->setInteractions(zoom);
}

void TTrendWindow::ClearButtonClick()
{
    m_recording.Clear();
    m_follow.Clear();
    ShowView();
}

void TTrendWindow::ScrollBarAction(int action)
{
    // The slider's position is already the one the action leads to.
    const int position = ScrollBar->sliderPosition();
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

void TTrendWindow::ShowView()
{
    // Only the samples in view go to the charts: a recording of days costs a replot no more than
    // one of minutes.
    const qsizetype first = m_follow.First();
    const qsizetype last = std::min(first + TTrendFollow::Span, m_recording.Count() - 1);
    QVector<double> keys;
    for (qsizetype i = first; i <= last; ++i)
        keys.append(static_cast<double>(i));
    for (size_t s = 0; s < m_series.size(); ++s) {
        QVector<double> values;
        values.reserve(keys.size());
        for (qsizetype i = first; i <= last; ++i)
            values.append(m_recording.Value(i, static_cast<int>(s)).value_or(std::nan("")));
        m_series[s].Chart->graph(m_series[s].Graph)->setData(keys, values, true);
    }
    for (QCustomPlot *chart : m_charts) {
        chart->xAxis->setRange(static_cast<double>(first), static_cast<double>(first + TTrendFollow::Span));
        chart->replot(QCustomPlot::rpQueuedReplot);
    }
    ScrollBar->setEnabled(m_follow.ScrollBarEnabled());
    ScrollBar->setValue(m_follow.Position());
    ReachLabel->setText(m_recording.Dropped() == 0 || m_recording.Count() == 0
                            ? QString()
                            : QStringLiteral("Kept since %1")
                                  .arg(QDateTime::fromMSecsSinceEpoch(m_recording.Stamp(0))
                                           .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
}

bool TTrendWindow::ExportCsv(const QString &path, QString *error) const
{
    if (*error = WriteProblem(path, TLinks::Follow); !error->isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || !WriteTrendCsv(m_recording, SeriesNames(), file)
        || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool TTrendWindow::SavePicture(const QString &path, QString *error)
{
    if (*error = WriteProblem(path, TLinks::Follow); !error->isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !grab().save(&file, "PNG") || !file.commit()) {
        *error = file.errorString().isEmpty() ? QStringLiteral("the picture could not be written") : file.errorString();
        return false;
    }
    return true;
}

void TTrendWindow::ExportCsvClick()
{
    const QString path = m_messages.AskSaveFileAs(QStringLiteral("Export Recording"), QStringLiteral("CSV (*.csv)"),
                                                  QStringLiteral("csv"));
    QString error;
    if (!path.isEmpty() && !ExportCsv(path, &error))
        m_messages.ErrorBox(QStringLiteral("The recording could not be exported: %1").arg(error));
}

void TTrendWindow::SavePictureClick()
{
    const QString path =
        m_messages.AskSaveFileAs(QStringLiteral("Save Picture"), QStringLiteral("PNG (*.png)"), QStringLiteral("png"));
    QString error;
    if (!path.isEmpty() && !SavePicture(path, &error))
        m_messages.ErrorBox(QStringLiteral("The picture could not be saved: %1").arg(error));
}
