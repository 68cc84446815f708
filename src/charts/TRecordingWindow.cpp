// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TRecordingWindow.h"

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
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
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
// Events within this many pixels of the mouse are named on hover.
constexpr int kHoverPixels = 4;

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
    RecordingsList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
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
    connect(Chart->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, [this](const QCPRange &range) {
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

    EventsList = new QListWidget(this);
    EventsList->setObjectName(QStringLiteral("EventsList"));
    EventsList->setAccessibleName(QStringLiteral("Events"));
    connect(EventsList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { GoToEvent(EventsList->row(item)); });

    // The series to draw, in the trend windows' order; the temperatures at first.
    auto *series = new QGroupBox(QStringLiteral(" Series "), this);
    series->setObjectName(QStringLiteral("SeriesGroupBox"));
    auto *boxes = new QGridLayout(series);
    boxes->setVerticalSpacing(0);
    for (int s = 0; s < rec::kSeries; ++s) {
        const rec::TSeriesInfo &info = rec::SeriesTable()[static_cast<size_t>(s)];
        auto *box = new QCheckBox(info.Name, series);
        box->setObjectName(QStringLiteral("Recorded%1CheckBox").arg(s + 1));
        box->setAccessibleName(QStringLiteral("Series %1").arg(info.Name));
        box->setChecked(s < 6);
        boxes->addWidget(box, s % 12, s / 12);
        connect(box, &QCheckBox::clicked, this, &TRecordingWindow::ScheduleDraw);
        SeriesBoxes.push_back(box);
        QCPGraph *graph = Chart->addGraph();
        graph->setName(info.Name);
        graph->setPen(QPen(kColours[static_cast<size_t>(s) % std::size(kColours)], info.OnOff ? 2 : 1.5));
    }

    auto *bar = new QHBoxLayout;
    for (QPushButton *button : {OpenButton, WholeButton, ExportButton, PictureButton}) {
        button->setMinimumWidth(button->sizeHint().width());
        bar->addWidget(button);
    }
    bar->addSpacing(12);
    bar->addWidget(InfoLabel, 1);

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(new QLabel(QStringLiteral("Events"), right));
    rightLayout->addWidget(EventsList, 1);
    rightLayout->addWidget(series);

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *listLabel = new QLabel(QStringLiteral("Recordings folder"), left);
    listLabel->setToolTip(QDir::toNativeSeparators(m_folder));
    leftLayout->addWidget(listLabel);
    leftLayout->addWidget(RecordingsList, 1);

    auto *splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(Chart);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 700, 240});

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);
    resize(1200, 640);
    m_follow = new QTimer(this);
    m_follow->setInterval(2000);
    connect(m_follow, &QTimer::timeout, this, &TRecordingWindow::FollowGrowth);
    ListFolder();
}

TRecordingWindow::~TRecordingWindow() = default;

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
    for (const rec::TEvent &event : m_events) {
        auto *item =
            new QListWidgetItem(QStringLiteral("%1  %2").arg(rec::LocalTimeText(event.Ms), event.Text), EventsList);
        item->setToolTip(event.Text);
    }
    ShowRange(m_reader->FirstMs(), m_reader->LastMs() + 1);
    if (m_reader->BeingWritten())
        m_follow->start();
    else
        m_follow->stop();
    return true;
}

void TRecordingWindow::FollowGrowth()
{
    if (!m_reader)
        return;
    const qint64 last = m_reader->LastMs();
    const qint64 lastEvent = m_events.empty() ? std::numeric_limits<qint64>::min() : m_events.back().Ms;
    if (!m_reader->Refresh())
        return;
    for (const rec::TEvent &event : m_reader->Events(lastEvent + 1)) {
        m_events.push_back(event);
        auto *item =
            new QListWidgetItem(QStringLiteral("%1  %2").arg(rec::LocalTimeText(event.Ms), event.Text), EventsList);
        item->setToolTip(event.Text);
    }
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
    double least = std::numeric_limits<double>::infinity();
    double most = -least;
    for (int s = 0; s < rec::kSeries; ++s) {
        QCPGraph *graph = Chart->graph(s);
        graph->data()->clear();
        if (!SeriesBoxes[static_cast<size_t>(s)]->isChecked())
            continue;
        // Down each column from its greatest to its least value, a gap where it has none.
        QVector<double> keys;
        QVector<double> values;
        keys.reserve(columns * 2);
        values.reserve(columns * 2);
        for (int c = 0; c < columns; ++c) {
            const rec::TColumnRange &range = ranges[static_cast<size_t>(s * columns + c)];
            const double key = static_cast<double>(m_from) / 1000 + (c + 0.5) * width;
            if (std::isnan(range.Min)) {
                keys << key;
                values << std::nan("");
                continue;
            }
            keys << key << key;
            values << range.Max << range.Min;
            least = std::min(least, range.Min);
            most = std::max(most, range.Max);
        }
        graph->setData(keys, values, true);
    }
    if (least <= most) {
        const double margin = std::max((most - least) / 10, 1.0);
        Chart->yAxis->setRange(least - margin, most + margin);
    }
    // The events in view, as marks on the time axis: one a pixel column, a stop cause's red.
    Chart->clearItems();
    int lastColumn = -1;
    bool lastStop = false;
    for (const rec::TEvent &event : m_events) {
        if (event.Ms < m_from || event.Ms > m_to)
            continue;
        const auto column = static_cast<int>(static_cast<double>(event.Ms - m_from) / (m_to - m_from) * columns);
        const bool stop = event.Kind == QLatin1String("stop");
        if (column == lastColumn && (lastStop || !stop))
            continue;
        lastColumn = column;
        lastStop = stop;
        auto *mark = new QCPItemLine(Chart);
        const double x = static_cast<double>(event.Ms) / 1000;
        for (QCPItemPosition *end : {mark->start, mark->end}) {
            end->setTypeX(QCPItemPosition::ptPlotCoords);
            end->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        mark->start->setCoords(x, 1.0);
        mark->end->setCoords(x, 0.94);
        mark->setPen(QPen(stop ? QColor(200, 0, 0) : QColor(60, 60, 200), 2));
    }
    m_drawing = true;
    Chart->replot();
    m_drawing = false;
}

QString TRecordingWindow::HoverText(qint64 ms) const
{
    if (m_to <= m_from)
        return {};
    const double msPerPixel = static_cast<double>(m_to - m_from) / std::max(Chart->axisRect()->width(), 1);
    QStringList lines;
    for (const rec::TEvent &event : m_events) {
        if (std::abs(static_cast<double>(event.Ms - ms)) <= kHoverPixels * msPerPixel)
            lines << QStringLiteral("%1  %2").arg(rec::LocalTimeText(event.Ms), event.Text);
    }
    return lines.join(QLatin1Char('\n'));
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
