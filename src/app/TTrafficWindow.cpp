// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TTrafficWindow.h"

#include "common/PlainFile.h"
#include "session/TTrafficLog.h"
#include "session/TUserMessages.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {
// The columns, left to right; the outcome last, where a failure's reason has room.
enum TColumn { kTime, kRequest, kRegisters, kValues, kRoundTrip, kOutcome, kColumns };
constexpr int kCatchUpMs = 100;
}  // namespace

class TTrafficModel : public QAbstractTableModel
{
public:
    explicit TTrafficModel(const TTrafficWindow &window) : QAbstractTableModel(nullptr), m_window(window) {}

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_window.m_shown.size());
    }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : kColumns; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const TTrafficLine line = m_window.Line(index.row());
        switch (index.column()) {
        case kTime:
            return line.Time;
        case kRequest:
            return line.Request;
        case kRegisters:
            return line.Registers;
        case kValues:
            return line.Values;
        case kRoundTrip:
            return line.RoundTrip;
        default:
            return line.Outcome;
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const std::array<QString, kColumns> titles{QStringLiteral("Time"),       QStringLiteral("Request"),
                                                          QStringLiteral("Registers"),  QStringLiteral("Values"),
                                                          QStringLiteral("Round trip"), QStringLiteral("Outcome")};
        return titles[static_cast<size_t>(section)];
    }

    using QAbstractTableModel::beginInsertRows;
    using QAbstractTableModel::beginRemoveRows;
    using QAbstractTableModel::beginResetModel;
    using QAbstractTableModel::endInsertRows;
    using QAbstractTableModel::endRemoveRows;
    using QAbstractTableModel::endResetModel;

private:
    const TTrafficWindow &m_window;
};

TTrafficWindow::TTrafficWindow(TTrafficLog &log, const ConfigImage &definition, TUserMessages &messages,
                               QWidget *parent)
    : QWidget(parent, Qt::Window), m_log(log), m_names(definition), m_messages(messages)
{
    setObjectName(QStringLiteral("TrafficWindow"));
    setWindowTitle(QStringLiteral("Traffic"));

    m_pause = new QPushButton(QStringLiteral("&Pause"), this);
    m_pause->setObjectName(QStringLiteral("TrafficPauseButton"));
    m_pause->setCheckable(true);
    auto *filterLabel = new QLabel(QStringLiteral("&Filter:"), this);
    m_filterEdit = new QLineEdit(this);
    m_filterEdit->setObjectName(QStringLiteral("TrafficFilterEdit"));
    m_filterEdit->setPlaceholderText(QStringLiteral("name or address (0x0200)"));
    m_filterEdit->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filterEdit);
    auto *clear = new QPushButton(QStringLiteral("&Clear"), this);
    clear->setObjectName(QStringLiteral("TrafficClearButton"));
    auto *saveText = new QPushButton(QStringLiteral("Save as &text..."), this);
    saveText->setObjectName(QStringLiteral("TrafficSaveTextButton"));
    auto *saveCsv = new QPushButton(QStringLiteral("Save as C&SV..."), this);
    saveCsv->setObjectName(QStringLiteral("TrafficSaveCsvButton"));

    m_model = new TTrafficModel(*this);
    m_model->setParent(this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("TrafficView"));
    m_view->setAccessibleName(QStringLiteral("Requests and their outcomes"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->horizontalHeader()->setStretchLastSection(true);
    const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    m_view->setColumnWidth(kTime, 14 * digit);
    m_view->setColumnWidth(kRequest, 13 * digit);
    m_view->setColumnWidth(kRegisters, 36 * digit);
    m_view->setColumnWidth(kValues, 36 * digit);
    m_view->setColumnWidth(kRoundTrip, 10 * digit);

    auto *controls = new QHBoxLayout;
    controls->addWidget(m_pause);
    controls->addWidget(filterLabel);
    controls->addWidget(m_filterEdit, 1);
    controls->addWidget(clear);
    controls->addWidget(saveText);
    controls->addWidget(saveCsv);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_view, 1);
    // Room for the columns and some thirty lines, within the screen (a 768-pixel laptop screen, or
    // the same at 150 %).
    const QSize wanted(128 * digit, 32 * (m_view->fontMetrics().height() + 4));
    resize(wanted.boundedTo(screen()->availableGeometry().size() * 9 / 10));

    m_catchUp.setSingleShot(true);
    m_catchUp.setInterval(kCatchUpMs);
    connect(&m_catchUp, &QTimer::timeout, this, &TTrafficWindow::CatchUp);
    connect(m_pause, &QPushButton::clicked, this, &TTrafficWindow::PauseClick);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &TTrafficWindow::FilterChanged);
    connect(clear, &QPushButton::clicked, this, &TTrafficWindow::ClearClick);
    connect(saveText, &QPushButton::clicked, this, &TTrafficWindow::SaveTextClick);
    connect(saveCsv, &QPushButton::clicked, this, &TTrafficWindow::SaveCsvClick);
    connect(&m_log, &TTrafficLog::Cleared, this, [this] {
        m_model->beginResetModel();
        m_entries.clear();
        m_shown.clear();
        m_firstNumber = 0;
        m_seen = 0;
        m_model->endResetModel();
    });
}

TTrafficWindow::~TTrafficWindow() = default;

int TTrafficWindow::LineCount() const
{
    return static_cast<int>(m_shown.size());
}

TTrafficLine TTrafficWindow::Line(int row) const
{
    return m_entries[static_cast<size_t>(m_shown[static_cast<size_t>(row)] - m_firstNumber)].Line;
}

void TTrafficWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Listen(!m_paused);
}

void TTrafficWindow::hideEvent(QHideEvent *event)
{
    Listen(false);
    QWidget::hideEvent(event);
}

void TTrafficWindow::Listen(bool on)
{
    if (!on) {
        disconnect(m_listening);
        m_catchUp.stop();
        return;
    }
    if (!m_listening)
        m_listening = connect(&m_log, &TTrafficLog::RecordAdded, this, [this] {
            if (!m_catchUp.isActive())
                m_catchUp.start();
        });
    CatchUp();
}

void TTrafficWindow::CatchUp()
{
    const quint64 added = m_log.Added();
    if (added == m_seen)
        return;
    const quint64 oldestKept = added - static_cast<quint64>(m_log.Size());
    QScrollBar *bar = m_view->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    if (m_seen < oldestKept) {
        // Records came and went while nobody looked: start again from what the log holds.
        m_model->beginResetModel();
        m_entries.clear();
        m_shown.clear();
        m_firstNumber = m_seen = oldestKept;
        m_model->endResetModel();
    }
    std::vector<quint64> shown;
    for (quint64 number = m_seen; number < added; ++number) {
        const TTrafficRecord &record = m_log.At(static_cast<qsizetype>(number - oldestKept));
        m_entries.push_back({record, m_names.Decode(record)});
        if (TTrafficNames::Matches(record, m_entries.back().Line, m_filter))
            shown.push_back(number);
    }
    m_seen = added;
    if (!shown.empty()) {
        const int first = static_cast<int>(m_shown.size());
        m_model->beginInsertRows({}, first, first + static_cast<int>(shown.size()) - 1);
        m_shown.insert(m_shown.end(), shown.begin(), shown.end());
        m_model->endInsertRows();
    }
    // No more lines than the log keeps records.
    const auto capacity = static_cast<quint64>(m_log.Capacity());
    const quint64 firstKept = added > capacity ? added - capacity : 0;
    if (m_firstNumber < firstKept) {
        const auto dropped = std::lower_bound(m_shown.begin(), m_shown.end(), firstKept) - m_shown.begin();
        if (dropped > 0) {
            m_model->beginRemoveRows({}, 0, static_cast<int>(dropped) - 1);
            m_shown.erase(m_shown.begin(), m_shown.begin() + dropped);
            m_model->endRemoveRows();
        }
        m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(firstKept - m_firstNumber));
        m_firstNumber = firstKept;
    }
    if (atEnd)
        m_view->scrollToBottom();
}

void TTrafficWindow::Refilter()
{
    m_model->beginResetModel();
    m_shown.clear();
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (TTrafficNames::Matches(m_entries[i].Record, m_entries[i].Line, m_filter))
            m_shown.push_back(m_firstNumber + i);
    m_model->endResetModel();
    m_view->scrollToBottom();
}

void TTrafficWindow::PauseClick(bool paused)
{
    m_paused = paused;
    m_pause->setChecked(paused);
    Listen(!paused && isVisible());
}

void TTrafficWindow::ClearClick()
{
    m_log.Clear();
}

void TTrafficWindow::FilterChanged(const QString &text)
{
    m_filter = text;
    Refilter();
}

bool TTrafficWindow::SaveLines(const QString &path, bool csv, QString *error) const
{
    QByteArray text;
    if (csv)
        text += TTrafficLine::CsvHeader().toUtf8() + '\n';
    for (int row = 0; row < LineCount(); ++row)
        text += (csv ? Line(row).Csv() : Line(row).Text()).toUtf8() + '\n';
    return WritePlainFile(path, text, TLinks::Follow, error);
}

void TTrafficWindow::SaveAsked(bool csv)
{
    const QString path = csv ? m_messages.AskSaveFileAs(QStringLiteral("Save Traffic as CSV"),
                                                        QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"))
                             : m_messages.AskSaveFileAs(QStringLiteral("Save Traffic as Text"),
                                                        QStringLiteral("Text (*.txt)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveLines(path, csv, &error))
        m_messages.ErrorBox(QStringLiteral("The traffic could not be saved to %1: %2").arg(path, error));
}

void TTrafficWindow::SaveTextClick()
{
    SaveAsked(false);
}

void TTrafficWindow::SaveCsvClick()
{
    SaveAsked(true);
}
