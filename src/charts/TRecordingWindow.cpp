// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TRecordingWindow.h"

#include "charts/EventMarks.h"

#include "record/RecordingCsv.h"
#include "record/RecordingsFolder.h"
#include "session/TUserMessages.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {

// The colours of the trend windows, series by series.
const QColor kColours[] = {Qt::red,
                           QColor(0, 255, 0),
                           Qt::blue,
                           QColor(128, 128, 0),
                           QColor(0, 128, 0),
                           QColor(220, 180, 0),
                           QColor(255, 128, 0),
                           QColor(128, 0, 128),
                           QColor(0, 128, 128),
                           Qt::gray,
                           Qt::black,
                           QColor(128, 0, 0),
                           QColor(0, 0, 128)};

QString LengthText(qint64 ms)
{
    const qint64 s = std::max<qint64>(ms / 1000, 0);
    if (s >= 86400)
        return QStringLiteral("%1 d %2 h").arg(s / 86400).arg(s % 86400 / 3600);
    if (s >= 3600)
        return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60);
    return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
}

QString SizeText(qint64 bytes)
{
    return bytes < 1024 * 1024 ? QStringLiteral("%1 kB").arg((bytes + 1023) / 1024)
                               : QStringLiteral("%1 MB").arg(static_cast<double>(bytes) / 1024 / 1024, 0, 'f', 1);
}

}  // namespace

TRecordingWindow::TRecordingWindow(const QString &folder, TUserMessages &messages, QWidget *parent)
    : QWidget(parent, Qt::Window), m_folder(folder), m_messages(messages)
{
    setObjectName(QStringLiteral("RecordingWindow"));
    setWindowTitle(QStringLiteral("Recording"));

    RecordingsList = new QTreeWidget(this);
    RecordingsList->setObjectName(QStringLiteral("RecordingsList"));
    RecordingsList->setAccessibleName(QStringLiteral("Recordings"));
    RecordingsList->setHeaderLabels(
        {QStringLiteral("Board"), QStringLiteral("Start"), QStringLiteral("Length"), QStringLiteral("Size")});
    RecordingsList->setRootIsDecorated(false);
    RecordingsList->setTextElideMode(Qt::ElideMiddle);
    // Start, length and size always whole; the board's line takes what is left.
    RecordingsList->header()->setStretchLastSection(false);
    RecordingsList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    RecordingsList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    connect(RecordingsList, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { OpenFile(item->data(0, Qt::UserRole).toString()); });
    connect(RecordingsList, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { OpenFile(item->data(0, Qt::UserRole).toString()); });

    OpenButton = new QPushButton(QStringLiteral("Open recording..."), this);
    OpenButton->setObjectName(QStringLiteral("OpenRecordingButton"));
    WholeButton = new QPushButton(QStringLiteral("Whole recording"), this);
    WholeButton->setObjectName(QStringLiteral("WholeRecordingButton"));
    ExportButton = new QPushButton(QStringLiteral("Export CSV"), this);
    ExportButton->setObjectName(QStringLiteral("ExportCsvButton"));
    PictureButton = new QPushButton(QStringLiteral("Save picture"), this);
    PictureButton->setObjectName(QStringLiteral("SavePictureButton"));
    InfoLabel = new QLabel(this);
    InfoLabel->setObjectName(QStringLiteral("RecordingInfoLabel"));
    InfoLabel->setWordWrap(true);
    connect(OpenButton, &QPushButton::clicked, this, &TRecordingWindow::OpenClick);
    connect(WholeButton, &QPushButton::clicked, this, [this] {
        if (m_reader)
            ShowRange(m_reader->FirstMs(), m_reader->LastMs() + 1);
    });
    connect(ExportButton, &QPushButton::clicked, this, &TRecordingWindow::ExportClick);
    connect(PictureButton, &QPushButton::clicked, this, &TRecordingWindow::PictureClick);

    Chart = new QCustomPlot(this);
    Chart->setObjectName(QStringLiteral("RecordingChart"));
    Chart->setAccessibleName(QStringLiteral("Recording chart"));
    Chart->setMinimumSize(300, 200);
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss\nyyyy-MM-dd"));
    Chart->xAxis->setTicker(ticker);
    Chart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    Chart->axisRect()->setRangeDrag(Qt::Horizontal);
    Chart->axisRect()->setRangeZoom(Qt::Horizontal);
    Chart->legend->setVisible(false);
    // The lanes under the values share their time axis: dragged or zoomed there, the values' axis
    // moves, and the lanes follow it.
    Lanes = new QCPAxisRect(Chart);
    Lanes->axis(QCPAxis::atBottom)->setTicker(ticker);
    Lanes->axis(QCPAxis::atLeft)->grid()->setVisible(false);
    QFont laneFont = Lanes->axis(QCPAxis::atLeft)->tickLabelFont();
    laneFont.setPointSizeF(laneFont.pointSizeF() * 0.8);
    Lanes->axis(QCPAxis::atLeft)->setTickLabelFont(laneFont);
    Lanes->axis(QCPAxis::atLeft)->setTicker(QSharedPointer<QCPAxisTickerText>::create());
    Lanes->setRangeDrag(Qt::Horizontal);
    Lanes->setRangeZoom(Qt::Horizontal);
    Lanes->setRangeDragAxes({Chart->xAxis}, {});
    Lanes->setRangeZoomAxes({Chart->xAxis}, {});
    auto *edges = new QCPMarginGroup(Chart);
    Chart->axisRect()->setMarginGroup(QCP::msLeft | QCP::msRight, edges);
    Lanes->setMarginGroup(QCP::msLeft | QCP::msRight, edges);
    connect(Chart->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, [this](const QCPRange &range) {
        Lanes->axis(QCPAxis::atBottom)->setRange(range);
        if (m_drawing)
            return;
        m_from = static_cast<qint64>(range.lower * 1000);
        m_to = static_cast<qint64>(range.upper * 1000);
        ScheduleDraw();
    });
    connect(Chart, &QCustomPlot::mouseMove, this, [this](QMouseEvent *event) {
        const QString text = HoverText(static_cast<qint64>(Chart->xAxis->pixelToCoord(event->position().x()) * 1000));
        QToolTip::showText(event->globalPosition().toPoint(), text, Chart);
    });

    EventsList = new QTreeWidget(this);
    EventsList->setObjectName(QStringLiteral("EventsList"));
    EventsList->setAccessibleName(QStringLiteral("Events"));
    EventsList->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Event")});
    EventsList->setRootIsDecorated(false);
    EventsList->setUniformRowHeights(true);
    EventsList->header()->setStretchLastSection(false);
    EventsList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    EventsList->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    connect(EventsList, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { GoToEvent(EventsList->indexOfTopLevelItem(item)); });

    // The series to draw, each box with its line: the I/O values, the outputs and the regulation
    // variables, then the on/off series; the temperatures at first.
    auto *series = new QGroupBox(QStringLiteral(" Series "), this);
    series->setObjectName(QStringLiteral("SeriesGroupBox"));
    auto *boxes = new QGridLayout(series);
    boxes->setVerticalSpacing(0);
    int valueSeries = 0;
    int onOffSeries = 0;
    for (int s = 0; s < rec::kSeries; ++s) {
        const rec::TSeriesInfo &info = rec::SeriesTable()[static_cast<size_t>(s)];
        auto *box = new QCheckBox(info.Name, series);
        box->setObjectName(QStringLiteral("Recorded%1CheckBox").arg(s + 1));
        box->setAccessibleName(QStringLiteral("Series %1").arg(info.Name));
        box->setChecked(s < 6);
        connect(box, &QCheckBox::clicked, this, [this] {
            PlaceLanes();
            ScheduleDraw();
        });
        SeriesBoxes.push_back(box);
        // The values: thirteen colours, then the same dashed. The on/off series: named lanes.
        const int n = info.OnOff ? onOffSeries++ : valueSeries++;
        QPen pen(kColours[static_cast<size_t>(n) % std::size(kColours)], info.OnOff ? 2 : 1.5);
        if (!info.OnOff && n >= static_cast<int>(std::size(kColours)))
            pen.setStyle(Qt::DashLine);
        QCPGraph *graph = info.OnOff ? Chart->addGraph(Lanes->axis(QCPAxis::atBottom), Lanes->axis(QCPAxis::atLeft))
                                     : Chart->addGraph();
        graph->setName(info.Name);
        graph->setPen(pen);
        QPixmap line(QSize(20, 12) * devicePixelRatio());
        line.setDevicePixelRatio(devicePixelRatio());
        line.fill(Qt::transparent);
        QPainter painter(&line);
        painter.setPen(QPen(pen.color(), 2, pen.style()));
        painter.drawLine(1, 6, 19, 6);
        painter.end();
        box->setIconSize(QSize(20, 12));
        box->setIcon(QIcon(line));
        // Three columns: the inputs; the outputs and the regulation variables; the on/off ones.
        const int column = info.OnOff ? 2 : n < 12 ? 0 : 1;
        const int row = info.OnOff ? n : n < 12 ? n : n - 12;
        boxes->addWidget(box, row, column);
    }
    boxes->setRowStretch(boxes->rowCount(), 1);
    auto *seriesArea = new QScrollArea(this);
    seriesArea->setObjectName(QStringLiteral("SeriesArea"));
    seriesArea->setWidget(series);
    seriesArea->setWidgetResizable(true);
    seriesArea->setFrameShape(QFrame::NoFrame);
    seriesArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    seriesArea->setFocusPolicy(Qt::NoFocus);  // the boxes take the focus; the area follows it
    seriesArea->setMinimumWidth(series->sizeHint().width() + seriesArea->verticalScrollBar()->sizeHint().width());
    PlaceLanes();

    auto *bar = new QHBoxLayout;
    for (QPushButton *button : {OpenButton, WholeButton, ExportButton, PictureButton}) {
        button->setMinimumWidth(button->sizeHint().width());
        bar->addWidget(button);
    }
    bar->addSpacing(12);
    bar->addWidget(InfoLabel, 1);

    // The chart and its series on top; the folder and the events under them, side by side.
    auto *top = new QWidget(this);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(Chart, 1);
    topLayout->addWidget(seriesArea);

    const auto listWith = [this](const QString &caption, QWidget *list) {
        auto *part = new QWidget(this);
        auto *partLayout = new QVBoxLayout(part);
        partLayout->setContentsMargins(0, 0, 0, 0);
        auto *label = new QLabel(caption, part);
        label->setBuddy(list);
        partLayout->addWidget(label);
        partLayout->addWidget(list, 1);
        list->setMinimumHeight(60);
        return std::pair(part, label);
    };
    const auto [folderPart, folderLabel] = listWith(QStringLiteral("Recordings folder"), RecordingsList);
    folderLabel->setToolTip(QDir::toNativeSeparators(m_folder));
    const auto [eventsPart, eventsLabel] = listWith(QStringLiteral("Events"), EventsList);
    auto *bottom = new QSplitter(Qt::Horizontal, this);
    bottom->setObjectName(QStringLiteral("ListsSplitter"));
    bottom->addWidget(folderPart);
    bottom->addWidget(eventsPart);
    bottom->setStretchFactor(0, 2);
    bottom->setStretchFactor(1, 3);
    bottom->setChildrenCollapsible(false);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("ChartSplitter"));
    splitter->addWidget(top);
    splitter->addWidget(bottom);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);
    resize(1200, 700);
    splitter->setSizes({480, 180});
    bottom->setSizes({480, 720});
    m_follow = new QTimer(this);
    m_follow->setInterval(2000);
    connect(m_follow, &QTimer::timeout, this, &TRecordingWindow::FollowGrowth);
    ListFolder();
}

TRecordingWindow::~TRecordingWindow()
{
    // The lanes go with the chart, as every part of its layout.
    if (!Chart->plotLayout()->hasElement(1, 0))
        Chart->plotLayout()->addElement(1, 0, Lanes);
}

std::optional<double> TRecordingWindow::LaneOf(int s) const
{
    if (s < 0 || s >= rec::kSeries || !rec::SeriesTable()[static_cast<size_t>(s)].OnOff
        || !SeriesBoxes[static_cast<size_t>(s)]->isChecked())
        return std::nullopt;
    int above = 0;
    for (int t = 0; t < s; ++t)
        above += rec::SeriesTable()[static_cast<size_t>(t)].OnOff && SeriesBoxes[static_cast<size_t>(t)]->isChecked();
    return 10.0 * (Lanes->axis(QCPAxis::atLeft)->range().upper / 10.0 - 1 - above) + 1;
}

void TRecordingWindow::PlaceLanes()
{
    auto lanes = QSharedPointer<QCPAxisTickerText>::create();
    int count = 0;
    for (int s = 0; s < rec::kSeries; ++s)
        count += rec::SeriesTable()[static_cast<size_t>(s)].OnOff && SeriesBoxes[static_cast<size_t>(s)]->isChecked();
    Lanes->axis(QCPAxis::atLeft)->setRange(0, 10.0 * std::max(count, 1));
    for (int s = 0; s < rec::kSeries; ++s) {
        if (const auto lane = LaneOf(s))
            lanes->addTick(*lane + kLaneHeight / 2, rec::SeriesTable()[static_cast<size_t>(s)].Name);
    }
    Lanes->axis(QCPAxis::atLeft)->setTicker(lanes);
    QCPLayoutGrid *grid = Chart->plotLayout();
    const bool shown = grid->hasElement(1, 0);
    if (count > 0 && !shown)
        grid->addElement(1, 0, Lanes);
    else if (count == 0 && shown)
        grid->take(Lanes);
    grid->simplify();
    if (count > 0)
        grid->setRowStretchFactors({1.0, std::min(0.1 * count, 1.0)});
    // The time under the lowest part only.
    Chart->xAxis->setTickLabels(count == 0);
}

void TRecordingWindow::showEvent(QShowEvent *event)
{
    if (!std::exchange(m_placed, true)) {
        if (const QScreen *shown = screen()) {
            const QRect available = shown->availableGeometry();
            // Room for a title bar that a desktop adds.
            resize(size().boundedTo(available.size() - QSize(0, 48)).expandedTo(minimumSizeHint()));
            move(available.center() - rect().center());
        }
    }
    QWidget::showEvent(event);
}

void TRecordingWindow::ListFolder()
{
    RecordingsList->clear();
    // The newest first: the one of last night is the one looked for.
    QStringList paths = rec::Recordings(m_folder);
    std::reverse(paths.begin(), paths.end());
    for (const QString &path : paths) {
        const rec::TRecordingSummary summary = rec::Summarise(path);
        auto *item = new QTreeWidgetItem(RecordingsList);
        item->setData(0, Qt::UserRole, path);
        item->setToolTip(0, QDir::toNativeSeparators(path));
        if (!summary.Error.isEmpty()) {
            item->setText(0, QFileInfo(path).fileName());
            item->setText(1, summary.Error);
            continue;
        }
        const rec::TRecordingInfo &info = summary.Info;
        item->setText(0, info.Board.isEmpty() ? info.Line : QStringLiteral("No. %1, %2").arg(info.Board, info.Line));
        item->setText(1, rec::LocalTimeText(info.StartMs));
        item->setText(2, LengthText(summary.LastMs - summary.FirstMs));
        item->setText(3, SizeText(summary.Size));
    }
}

bool TRecordingWindow::OpenFile(const QString &path)
{
    auto reader = std::make_unique<rec::TRecordingReader>();
    if (!reader->Open(path)) {
        m_messages.ErrorBox(QStringLiteral("The recording cannot be opened: %1").arg(reader->Error()));
        return false;
    }
    m_reader = std::move(reader);
    m_events = m_reader->Events();
    const rec::TRecordingInfo &info = m_reader->Info();
    setWindowTitle(QStringLiteral("Recording %1").arg(QFileInfo(path).fileName()));
    InfoLabel->setText(QStringLiteral("%1, address %2; firmware %3, board %4; %5 samples from %6%7")
                           .arg(info.Line)
                           .arg(info.Address)
                           .arg(info.Firmware.isEmpty() ? QStringLiteral("-") : info.Firmware,
                                info.Board.isEmpty() ? QStringLiteral("-") : info.Board)
                           .arg(m_reader->SampleCount())
                           .arg(rec::LocalTimeText(info.StartMs),
                                m_reader->BeingWritten() ? QStringLiteral(" (being written)") : QString()));
    EventsList->clear();
    AddEvents(m_events);
    ShowRange(m_reader->FirstMs(), m_reader->LastMs() + 1);
    if (m_reader->BeingWritten())
        m_follow->start();
    else
        m_follow->stop();
    return true;
}

void TRecordingWindow::AddEvents(const std::vector<rec::TEvent> &events)
{
    for (const rec::TEvent &event : events) {
        auto *item = new QTreeWidgetItem(EventsList, {rec::LocalTimeText(event.Ms), event.Text});
        item->setToolTip(1, event.Text);
    }
}

void TRecordingWindow::FollowGrowth()
{
    if (!m_reader)
        return;
    const qint64 last = m_reader->LastMs();
    const qint64 lastEvent = m_events.empty() ? std::numeric_limits<qint64>::min() : m_events.back().Ms;
    if (!m_reader->Refresh())
        return;
    const std::vector<rec::TEvent> added = m_reader->Events(lastEvent + 1);
    m_events.insert(m_events.end(), added.begin(), added.end());
    AddEvents(added);
    if (!m_reader->BeingWritten())
        m_follow->stop();
    const qint64 grown = m_reader->LastMs() - last;
    if (grown > 0 && m_to > last)
        ShowRange(m_from + grown, m_to + grown);
    else
        Draw();
}

void TRecordingWindow::ShowRange(qint64 from, qint64 to)
{
    m_from = from;
    m_to = std::max(to, from + 1000);
    m_drawing = true;
    Chart->xAxis->setRange(static_cast<double>(m_from) / 1000, static_cast<double>(m_to) / 1000);
    m_drawing = false;
    Draw();
}

void TRecordingWindow::ScheduleDraw()
{
    // Many range changes of one drag or wheel turn make one drawing.
    if (std::exchange(m_drawPending, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_drawPending = false;
        Draw();
    });
}

void TRecordingWindow::Draw()
{
    if (!m_reader)
        return;
    const int columns = std::max(Chart->axisRect()->width(), 10);
    std::vector<rec::TColumnRange> ranges;
    if (!m_reader->MinMax(m_from, m_to, columns, ranges)) {
        m_messages.ErrorBox(QStringLiteral("The recording cannot be read: %1").arg(m_reader->Error()));
        return;
    }
    const double width = static_cast<double>(m_to - m_from) / columns / 1000;
    // Samples further apart than a column are joined by the line, but not those further apart
    // than a few sample periods (the line was lost, the recording paused): a gap there.
    const qint64 samples = m_reader->SampleCount();
    const double period =
        samples > 1 ? static_cast<double>(m_reader->LastMs() - m_reader->FirstMs()) / static_cast<double>(samples - 1)
                    : 1000.0;
    const double joined = 3 * std::max(period, 1.0) / 1000 / width;  // in columns
    double least = std::numeric_limits<double>::infinity();
    double most = -least;
    for (int s = 0; s < rec::kSeries; ++s) {
        QCPGraph *graph = Chart->graph(s);
        graph->data()->clear();
        if (!SeriesBoxes[static_cast<size_t>(s)]->isChecked())
            continue;
        // An on/off series steps from its lane (off) to the lane's top (on).
        const std::optional<double> lane = LaneOf(s);
        const double scale = lane ? kLaneHeight : 1.0;
        const double base = lane.value_or(0.0);
        // Down each column from its greatest to its least value, a gap where the series has none.
        QVector<double> keys;
        QVector<double> values;
        keys.reserve(columns * 2);
        values.reserve(columns * 2);
        int sampled = -1;  // the last column with samples
        for (int c = 0; c < columns; ++c) {
            const rec::TColumnRange &range = ranges[static_cast<size_t>(s * columns + c)];
            if (!range.Sampled)
                continue;
            const double key = static_cast<double>(m_from) / 1000 + (c + 0.5) * width;
            if (sampled >= 0 && c - sampled > joined) {
                keys << key - width / 2;
                values << std::nan("");
            }
            sampled = c;
            if (std::isnan(range.Min)) {
                keys << key;
                values << std::nan("");
                continue;
            }
            keys << key << key;
            values << base + range.Max * scale << base + range.Min * scale;
            if (lane)
                continue;
            least = std::min(least, range.Min);
            most = std::max(most, range.Max);
        }
        graph->setData(keys, values, true);
    }
    if (least <= most) {
        const double margin = std::max((most - least) / 10, 1.0);
        Chart->yAxis->setRange(least - margin, most + margin);
    }
    DrawEventMarks(Chart, m_events, m_from, m_to, columns);
    m_drawing = true;
    Chart->replot();
    m_drawing = false;
}

QString TRecordingWindow::HoverText(qint64 ms) const
{
    return EventsNear(m_events, ms, m_from, m_to, Chart->axisRect()->width()).join(QLatin1Char('\n'));
}

void TRecordingWindow::GoToEvent(int row)
{
    if (row < 0 || row >= static_cast<int>(m_events.size()))
        return;
    const qint64 span = m_to - m_from;
    const qint64 at = m_events[static_cast<size_t>(row)].Ms;
    ShowRange(at - span / 2, at - span / 2 + span);
}

void TRecordingWindow::OpenClick()
{
    const QString path = m_messages.AskOpenFileOf(QStringLiteral("Open Recording"),
                                                  QStringLiteral("Recordings (*.%1)").arg(rec::kExtension));
    if (!path.isEmpty())
        OpenFile(path);
}

bool TRecordingWindow::ExportCsv(const QString &path, QString *error)
{
    if (!m_reader) {
        *error = QStringLiteral("no recording is open");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    qint64 count = 0;
    if (!rec::WriteCsv(*m_reader, m_from, m_to - 1, file, &count, error))
        return false;
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool TRecordingWindow::SavePicture(const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !grab().save(&file, "PNG") || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void TRecordingWindow::ExportClick()
{
    const QString path = m_messages.AskSaveFileAs(QStringLiteral("Export Recording"), QStringLiteral("CSV (*.csv)"),
                                                  QStringLiteral("csv"));
    QString error;
    if (!path.isEmpty() && !ExportCsv(path, &error))
        m_messages.ErrorBox(QStringLiteral("The recording could not be exported: %1").arg(error));
}

void TRecordingWindow::PictureClick()
{
    const QString path =
        m_messages.AskSaveFileAs(QStringLiteral("Save Picture"), QStringLiteral("PNG (*.png)"), QStringLiteral("png"));
    QString error;
    if (!path.isEmpty() && !SavePicture(path, &error))
        m_messages.ErrorBox(QStringLiteral("The picture could not be saved: %1").arg(error));
}
