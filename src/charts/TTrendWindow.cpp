// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TTrendWindow.h"

#include "charts/EventMarks.h"
#include "common/IniFile.h"
#include "common/PlainFile.h"
#include "record/TRecorder.h"
#include "session/TUserMessages.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The settings file lies in the working folder, as the main window's does: a link there is
// followed only to a file beside it.
constexpr TLinks kSettingsLinks = TLinks::SameFolder;

// The value axis of a chart that fits its axis to the values in view, least .. most: a tenth of
// the span above and below, at least one unit, so that a flat line is drawn inside the chart, not
// on its edge.
std::pair<double, double> ValueAxisRange(double least, double most)
{
    const double margin = std::max((most - least) / 10, 1.0);
    return {least - margin, most + margin};
}

// Fits chart's value axis to the values its graphs hold (only those in view are there); an axis
// with nothing to show keeps its range.
void FitValueAxis(QCustomPlot *chart)
{
    double least = std::numeric_limits<double>::infinity();
    double most = -least;
    for (int g = 0; g < chart->graphCount(); ++g) {
        for (const QCPGraphData &point : *chart->graph(g)->data()) {
            if (!std::isnan(point.value)) {
                least = std::min(least, point.value);
                most = std::max(most, point.value);
            }
        }
    }
    if (least <= most) {
        const auto [low, high] = ValueAxisRange(least, most);
        chart->yAxis->setRange(low, high);
    }
}

}  // namespace

QRect FitOnScreen(const QRect &wanted, const QRect &available)
{
    QRect fitted(wanted.topLeft(), wanted.size().boundedTo(available.size()));
    fitted.moveLeft(std::clamp(fitted.left(), available.left(), available.right() + 1 - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), available.top(), available.bottom() + 1 - fitted.height()));
    return fitted;
}

TTrendWindow::TTrendWindow(int first, int series, int decimals, const QString &settingsPath, const QString &section,
                           TUserMessages &messages, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_settingsPath(settingsPath),
      m_section(section),
      m_messages(messages),
      m_decimals(decimals),
      m_source(first, series, decimals)
{
    m_follow.Clear(QDateTime::currentMSecsSinceEpoch());
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
    OpenRecordingButton = new QPushButton(QStringLiteral("Open recording..."), this);
    OpenRecordingButton->setObjectName(QStringLiteral("OpenRecordingButton"));
    ScrollBar = new QScrollBar(Qt::Horizontal, this);
    ScrollBar->setObjectName(scrollBar);
    ScrollBar->setAccessibleName(QStringLiteral("Recorded samples"));
    ScrollBar->setRange(0, 100);
    ScrollBar->setPageStep(10);
    ScrollBar->setEnabled(false);
    ReachLabel = new QLabel(this);
    ReachLabel->setObjectName(QStringLiteral("ReachLabel"));
    // One line, cut short in a narrow window (the tooltip has it whole).
    ReachLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    connect(PowerButton, &QPushButton::clicked, this, &TTrendWindow::PowerButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &TTrendWindow::ClearButtonClick);
    connect(ExportButton, &QPushButton::clicked, this, &TTrendWindow::ExportCsvClick);
    connect(PictureButton, &QPushButton::clicked, this, &TTrendWindow::SavePictureClick);
    connect(OpenRecordingButton, &QPushButton::clicked, this, &TTrendWindow::OpenRecordingClicked);
    connect(ScrollBar, &QScrollBar::actionTriggered, this, &TTrendWindow::ScrollBarAction);
}

void TTrendWindow::AddToolBar(QVBoxLayout *window) const
{
    auto *bar = new QHBoxLayout;
    for (QPushButton *button : {PowerButton, ClearButton, ExportButton, PictureButton, OpenRecordingButton}) {
        button->setMinimumWidth(button->sizeHint().width());
        bar->addWidget(button);
    }
    bar->addSpacing(12);
    bar->addWidget(ReachLabel, 1);
    window->addLayout(bar);
}

QCustomPlot *TTrendWindow::MakeChart(const QString &name, const QString &title, double low, double high, bool autoScale)
{
    auto *chart = new QCustomPlot(this);
    chart->setObjectName(name);
    chart->setAccessibleName(title);
    chart->plotLayout()->insertRow(0);
    chart->plotLayout()->addElement(0, 0, new QCPTextElement(chart, title));
    // The clock time, local.
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss"));
    chart->xAxis->setTicker(ticker);
    chart->xAxis->setRange(static_cast<double>(m_follow.From()) / 1000, static_cast<double>(m_follow.To()) / 1000);
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
    connect(chart->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            [this, chart](const QCPRange &range) { Zoomed(chart, range); });
    connect(chart, &QCustomPlot::mouseMove, this, [this, chart](QMouseEvent *event) {
        const QString text = HoverText(chart, chart->xAxis->pixelToCoord(event->position().x()));
        QToolTip::showText(event->globalPosition().toPoint(), text, chart);
    });
    m_charts.push_back(chart);
    if (autoScale)
        m_autoScaled.push_back(chart);
    return chart;
}

void TTrendWindow::AddSeries(QCustomPlot *chart, const QString &legend, const QPen &pen, QAbstractButton *box,
                             std::optional<double> lane, int decimals)
{
    QPixmap line(QSize(20, 12) * devicePixelRatio());
    line.setDevicePixelRatio(devicePixelRatio());
    line.fill(Qt::transparent);
    QPainter painter(&line);
    painter.setPen(QPen(pen.color(), 3));
    painter.drawLine(1, 6, 19, 6);
    painter.end();
    box->setIconSize(QSize(20, 12));
    box->setIcon(QIcon(line));
    QCPGraph *graph = chart->addGraph();
    graph->setName(legend);
    graph->setPen(pen);
    m_series.push_back({chart, chart->graphCount() - 1, lane, lane ? 0 : decimals >= 0 ? decimals : m_decimals, box});
    connect(box, &QAbstractButton::clicked, this, &TTrendWindow::Draw);
}

double TTrendWindow::Drawn(size_t s, double value) const
{
    const std::optional<double> &lane = m_series[s].Lane;
    return lane && !std::isnan(value) ? *lane + (value != 0.0 ? kLaneHeight : 0.0) : value;
}

QStringList TTrendWindow::SeriesNames() const
{
    QStringList names;
    for (const TSeries &series : m_series)
        names << series.Chart->graph(series.Graph)->name();
    return names;
}

QString TTrendWindow::HoverText(const QCustomPlot *chart, double key)
{
    const auto ms = static_cast<qint64>(std::llround(key * 1000));
    const int width = std::max(chart->axisRect()->width(), 1);
    const auto within = static_cast<qint64>(kEventHoverPixels * static_cast<double>(m_follow.Width()) / width);
    QStringList lines;
    if (const auto sample = m_source.Nearest(ms, within)) {
        lines << rec::LocalTimeText(sample->first);
        for (size_t s = 0; s < m_series.size(); ++s) {
            if (m_series[s].Chart != chart)
                continue;
            const double value = sample->second[s];
            const QString text = std::isnan(value)  ? QStringLiteral("-")
                                 : m_series[s].Lane ? (value != 0.0 ? QStringLiteral("on") : QStringLiteral("off"))
                                                    : TrendValueText(value, m_series[s].Decimals);
            lines << QStringLiteral("%1: %2").arg(chart->graph(m_series[s].Graph)->name().trimmed(), text);
        }
    }
    lines << EventsNear(m_events, ms, m_follow.From(), m_follow.To(), width);
    return lines.join(QLatin1Char('\n'));
}

bool TTrendWindow::IsRecording() const
{
    return PowerButton->isChecked();
}

void TTrendWindow::Watch(TRecorder &recorder)
{
    connect(&recorder, &TRecorder::Started, this, [this](const QString &path) { RecordingStarted(path); });
    connect(&recorder, &TRecorder::Stopped, this, &TTrendWindow::RecordingEnded);
    connect(&recorder, &TRecorder::SampleRecorded, this, &TTrendWindow::Take);
    // A new window shows what is recorded from its opening on.
    if (recorder.Running())
        RecordingStarted(recorder.Path(), QDateTime::currentMSecsSinceEpoch());
}

void TTrendWindow::RecordingStarted(const QString &path, qint64 since)
{
    m_source.FileStarted(path, since);
}

void TTrendWindow::RecordingEnded()
{
    m_source.FileEnded();
}

void TTrendWindow::Take(const rec::TSample &sample)
{
    const std::optional<qint64> previous =
        m_source.Count() > 0 ? std::optional<qint64>(m_source.LastMs()) : std::nullopt;
    m_source.Add(sample);
    m_follow.Added(m_source.FirstMs(), m_source.LastMs(), previous);
    if (isVisible())
        Draw();
}

void TTrendWindow::SetSamplePeriod(qint64 ms)
{
    m_follow.SetPeriod(ms);
    if (isVisible())
        Draw();
}

void TTrendWindow::ReadSettings(QSize defaultSize)
{
    // A file that is missing or cannot be read reads as an empty one.
    TIniFile file;
    const TIniFile empty;
    QString ignored;
    const TIniFile &settings = file.Load(m_settingsPath, &ignored, kSettingsLinks) ? file : empty;
    ReadOwnSettings(settings, m_section);
    const auto read = [&](int key) { return settings.ReadInteger(m_section, QLatin1String(GeometryKeys[key]), -1); };
    const QRect saved(read(0), read(1), read(2), read(3));
    if (saved.width() > 0 && saved.height() > 0)
        m_savedGeometry = saved;
    m_savedMaximized = settings.ReadBool(m_section, QLatin1String(GeometryKeys[4]), false);
    resize((m_savedGeometry.isEmpty() ? defaultSize : m_savedGeometry.size()).expandedTo(minimumSizeHint()));
}

void TTrendWindow::ReadOwnSettings(const TIniFile &, const QString &) {}

void TTrendWindow::WriteOwnSettings(TIniFile &, const QString &) const {}

bool TTrendWindow::WriteSettings(QString *error) const
{
    TIniFile settings;
    QString why;
    if (!settings.Load(m_settingsPath, &why, kSettingsLinks)) {
        *error = QStringLiteral("cannot read %1: %2").arg(m_settingsPath, why);
        return false;
    }
    WriteOwnSettings(settings, m_section);
    // The place and size the window has when not maximized, its frame's top left corner.
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    const QPoint corner = normal.topLeft() - (geometry().topLeft() - frameGeometry().topLeft());
    const int values[] = {corner.x(), corner.y(), normal.width(), normal.height()};
    for (int key = 0; key < 4; ++key)
        settings.WriteInteger(m_section, QLatin1String(GeometryKeys[key]), values[key]);
    settings.WriteBool(m_section, QLatin1String(GeometryKeys[4]), isMaximized());
    return settings.Save(m_settingsPath, error, kSettingsLinks);
}

void TTrendWindow::showEvent(QShowEvent *event)
{
    if (!std::exchange(m_placed, true))
        Place();
    QWidget::showEvent(event);
    Draw();
}

void TTrendWindow::Place()
{
    // Where the window was last, on the screen it was on; a new window in the middle of the main
    // window's screen. The frame (title bar and border) goes on the screen too, as far as it is
    // known before the window appears.
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen *screen = m_savedGeometry.isEmpty() ? (owner ? owner->screen() : nullptr)
                                                : QGuiApplication::screenAt(m_savedGeometry.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    QRect wanted(m_savedGeometry.topLeft(), size().grownBy(frame));
    if (m_savedGeometry.isEmpty())
        wanted.moveCenter(screen->availableGeometry().center());
    const QRect placed = FitOnScreen(wanted, screen->availableGeometry());
    resize(placed.size().shrunkBy(frame));
    move(placed.topLeft());
    if (m_savedMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TTrendWindow::closeEvent(QCloseEvent *event)
{
    QString why;
    if (!WriteSettings(&why))
        emit SettingsNotWritten(why);
    QWidget::closeEvent(event);
}

void TTrendWindow::SetPower(bool on)
{
    if (PowerButton->isChecked() == on)
        return;
    PowerButton->setChecked(on);
    PowerButtonClick();
}

void TTrendWindow::PowerButtonClick()
{
    // Zooming while the views follow the newest sample would fight the following.
    const QCP::Interactions zoom =
        IsRecording() ? QCP::Interactions() : QCP::Interactions(QCP::iRangeZoom | QCP::iRangeDrag);
    for (QCustomPlot *chart : m_charts)
        chart->setInteractions(zoom);
    emit PowerSwitched(IsRecording());
}

void TTrendWindow::ClearButtonClick()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_source.Clear(now);
    m_follow.Clear(now);
    Draw();
}

void TTrendWindow::ScrollBarAction(int action)
{
    // The slider's position is already the one the action leads to.
    const int position = ScrollBar->sliderPosition();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderSingleStepSub:
        m_follow.Step(position, m_source.FirstMs(), m_source.LastMs());
        break;
    case QAbstractSlider::SliderPageStepAdd:
    case QAbstractSlider::SliderPageStepSub:
    case QAbstractSlider::SliderMove:
        m_follow.Track(position, m_source.FirstMs(), m_source.LastMs());
        break;
    default:
        return;
    }
    Draw();
}

void TTrendWindow::Zoomed(const QCustomPlot *chart, const QCPRange &range)
{
    if (m_drawing)
        return;
    const auto from = static_cast<qint64>(std::llround(range.lower * 1000));
    const auto to = static_cast<qint64>(std::llround(range.upper * 1000));
    m_follow.Show(from, std::max<qint64>(to - from, 1000), m_source.FirstMs(), m_source.LastMs());
    // The other charts move with it.
    m_drawing = true;
    for (QCustomPlot *other : m_charts) {
        if (other != chart)
            other->xAxis->setRange(range);
    }
    m_drawing = false;
    ScheduleDraw();
}

void TTrendWindow::ScheduleDraw()
{
    // The range changes of one drag or wheel turn make one drawing.
    if (std::exchange(m_drawPending, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_drawPending = false;
        Draw();
    });
}

void TTrendWindow::Draw()
{
    const qint64 from = m_follow.From();
    const qint64 to = m_follow.To();
    const int columns = std::max(m_charts.front()->axisRect()->width(), 10);
    // Fewer than two samples a pixel column are drawn as they are; more, as each column's least
    // and greatest value: a view of a week costs a drawing no more than one of minutes.
    m_drawsSamples = m_source.CountAbout(from, to + 1) < 2 * static_cast<qint64>(columns);
    std::vector<QVector<double>> keys(m_series.size());
    std::vector<QVector<double>> values(m_series.size());
    bool read = true;
    if (m_drawsSamples) {
        // The line breaks where samples are missing: a time between two of them of more than
        // three times the usual.
        std::vector<qint64> times;
        read = m_source.ForEach(from, to + 1, [&](qint64 ms, std::span<const double> sample) {
            times.push_back(ms);
            for (size_t s = 0; s < m_series.size(); ++s)
                values[s].append(Drawn(s, sample[s]));
        });
        std::vector<qint64> steps;
        for (size_t i = 1; i < times.size(); ++i)
            steps.push_back(times[i] - times[i - 1]);
        qint64 usual = 0;
        if (!steps.empty()) {
            std::nth_element(steps.begin(), steps.begin() + static_cast<qsizetype>(steps.size() / 2), steps.end());
            usual = steps[steps.size() / 2];
        }
        for (size_t s = 0; s < m_series.size(); ++s) {
            QVector<double> drawn;
            QVector<double> at;
            for (size_t i = 0; i < times.size(); ++i) {
                if (i > 0 && times[i] - times[i - 1] > 3 * usual) {
                    at.append(static_cast<double>(times[i - 1] + times[i]) / 2000);
                    drawn.append(std::nan(""));
                }
                at.append(static_cast<double>(times[i]) / 1000);
                drawn.append(values[s][static_cast<qsizetype>(i)]);
            }
            keys[s] = std::move(at);
            values[s] = std::move(drawn);
        }
    } else {
        std::vector<rec::TColumnRange> ranges;
        read = m_source.Columns(from, to, columns, ranges);
        const double width = static_cast<double>(to - from) / columns;
        for (size_t s = 0; s < m_series.size(); ++s) {
            // Down each column from its greatest to its least value, a gap where it has none.
            for (int c = 0; c < columns; ++c) {
                const rec::TColumnRange &range = ranges[s * static_cast<size_t>(columns) + static_cast<size_t>(c)];
                const double key = (static_cast<double>(from) + (c + 0.5) * width) / 1000;
                if (std::isnan(range.Min)) {
                    keys[s] << key;
                    values[s] << std::nan("");
                    continue;
                }
                keys[s] << key << key;
                values[s] << Drawn(s, range.Max) << Drawn(s, range.Min);
            }
        }
    }
    for (size_t s = 0; s < m_series.size(); ++s) {
        QCPGraph *graph = m_series[s].Chart->graph(m_series[s].Graph);
        // An on/off series steps between its samples; a column's range is a stroke of its own.
        graph->setLineStyle(m_series[s].Lane && m_drawsSamples ? QCPGraph::lsStepLeft : QCPGraph::lsLine);
        if (m_series[s].Box->isChecked())
            graph->setData(keys[s], values[s], true);
        else
            graph->data()->clear();
    }
    m_events = m_source.Events(from, to + 1);
    // Half a day or more in view: the date too.
    const QString format = to - from >= 12 * 3600 * 1000 ? QStringLiteral("MM-dd HH:mm") : QStringLiteral("HH:mm:ss");
    m_drawing = true;
    for (QCustomPlot *chart : m_charts) {
        qSharedPointerCast<QCPAxisTickerDateTime>(chart->xAxis->ticker())->setDateTimeFormat(format);
        chart->xAxis->setRange(static_cast<double>(from) / 1000, static_cast<double>(to) / 1000);
        DrawEventMarks(chart, m_events, from, to, chart->axisRect()->width());
    }
    for (QCustomPlot *chart : m_autoScaled)
        FitValueAxis(chart);
    for (QCustomPlot *chart : m_charts)
        chart->replot(QCustomPlot::rpQueuedReplot);
    m_drawing = false;
    ShowFrame();
    if (!read) {
        ReachLabel->setText(QStringLiteral("The recording cannot be read: %1").arg(m_source.Error()));
        ReachLabel->setToolTip(ReachLabel->text());
    }
}

void TTrendWindow::ShowFrame()
{
    ScrollBar->setEnabled(m_follow.ScrollBarEnabled());
    ScrollBar->setValue(m_follow.Position());
    if (m_source.Count() > 0)
        ReachLabel->setText(QStringLiteral("Recorded since %1 (%2)")
                                .arg(rec::LocalTimeText(m_source.FirstMs()),
                                     m_source.Files() == 1 ? QStringLiteral("1 file")
                                                           : QStringLiteral("%1 files").arg(m_source.Files())));
    else
        ReachLabel->clear();
    ReachLabel->setToolTip(ReachLabel->text());
}

bool TTrendWindow::ExportCsv(const QString &path, QString *error)
{
    if (*error = WriteProblem(path, TLinks::Follow); !error->isEmpty())
        return false;
    std::vector<int> decimals;
    for (const TSeries &series : m_series)
        decimals.push_back(series.Decimals);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    if (!m_source.WriteCsv(file, SeriesNames(), decimals, error))
        return false;
    if (!file.commit()) {
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
    ExportAsked();
}

bool TTrendWindow::ExportAsked()
{
    const QString path = m_messages.AskSaveFileAs(QStringLiteral("Export Recording"), QStringLiteral("CSV (*.csv)"),
                                                  QStringLiteral("csv"));
    if (path.isEmpty())
        return false;
    QString error;
    if (!ExportCsv(path, &error)) {
        m_messages.ErrorBox(QStringLiteral("The recording could not be exported: %1").arg(error));
        return false;
    }
    return true;
}

void TTrendWindow::SavePictureClick()
{
    const QString path =
        m_messages.AskSaveFileAs(QStringLiteral("Save Picture"), QStringLiteral("PNG (*.png)"), QStringLiteral("png"));
    QString error;
    if (!path.isEmpty() && !SavePicture(path, &error))
        m_messages.ErrorBox(QStringLiteral("The picture could not be saved: %1").arg(error));
}
