// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TTrendWindow.h"

#include "common/IniFile.h"
#include "common/PlainFile.h"
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

TTrendWindow::TTrendWindow(int series, qsizetype capacity, int decimals, const QString &settingsPath,
                           const QString &section, TUserMessages &messages, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_settingsPath(settingsPath),
      m_section(section),
      m_messages(messages),
      m_recording(series, capacity, decimals)
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
    ReachLabel->setWordWrap(true);

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
    if (lane)
        graph->setLineStyle(QCPGraph::lsStepLeft);
    m_series.push_back({chart, chart->graphCount() - 1, lane,
                        lane            ? 0
                        : decimals >= 0 ? decimals
                                        : m_recording.Decimals()});
}

double TTrendWindow::Drawn(size_t s, std::optional<double> value) const
{
    if (!value)
        return std::nan("");
    const std::optional<double> &lane = m_series[s].Lane;
    return lane ? *lane + (*value != 0.0 ? kLaneHeight : 0.0) : *value;
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
        const QString text = !value             ? QStringLiteral("-")
                             : m_series[s].Lane ? (*value != 0.0 ? QStringLiteral("on") : QStringLiteral("off"))
                                                : TrendValueText(*value, m_series[s].Decimals);
        lines << QStringLiteral("%1: %2").arg(chart->graph(m_series[s].Graph)->name().trimmed(), text);
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
    const auto droppedNow = static_cast<qsizetype>(m_recording.Dropped() - dropped);
    m_follow.Added(m_recording.Count(), droppedNow);
    if (isVisible())
        AppendToView(droppedNow);
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
    ShowView();
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
            values.append(Drawn(s, m_recording.Value(i, static_cast<int>(s))));
        m_series[s].Chart->graph(m_series[s].Graph)->setData(keys, values, true);
    }
    m_heldFirst = first;
    m_heldCount = keys.size();
    ShowFrame();
}

void TTrendWindow::AppendToView(qsizetype dropped)
{
    const qsizetype count = m_recording.Count();
    const qsizetype first = m_follow.First();
    const qsizetype last = std::min(first + TTrendFollow::Span, count - 1);
    const qsizetype newest = count - 1;
    // The samples dropped from the front move what the charts hold down by as many places.
    m_heldFirst -= dropped;
    const qsizetype heldLast = m_heldFirst + m_heldCount - 1;
    // What the charts hold must reach from the view's start to the sample before the newest (or
    // to the view's end when the newest lies beyond it).
    const qsizetype needed = last == newest ? newest - 1 : last;
    if (needed >= first && (m_heldCount == 0 || m_heldFirst > first || heldLast < needed)) {
        ShowView();
        return;
    }
    for (size_t s = 0; s < m_series.size(); ++s) {
        QCPGraph *graph = m_series[s].Chart->graph(m_series[s].Graph);
        if (dropped > 0) {
            for (QCPGraphData &point : *graph->data())
                point.key -= static_cast<double>(dropped);
        }
        graph->data()->removeBefore(static_cast<double>(first));
        graph->data()->removeAfter(static_cast<double>(last));
        if (last == newest)
            graph->addData(static_cast<double>(newest), Drawn(s, m_recording.Value(newest, static_cast<int>(s))));
    }
    const qsizetype heldEnd = last == newest ? newest : std::min(heldLast, last);
    m_heldFirst = first;
    m_heldCount = std::max<qsizetype>(heldEnd - first + 1, 0);
    ShowFrame();
}

void TTrendWindow::ShowFrame()
{
    const qsizetype first = m_follow.First();
    for (QCustomPlot *chart : m_autoScaled)
        FitValueAxis(chart);
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
    std::vector<int> decimals;
    for (const TSeries &series : m_series)
        decimals.push_back(series.Decimals);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || !WriteTrendCsv(m_recording, SeriesNames(), file, decimals)
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
