// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TLeftColumn.h"

#include "app/TConnectionPanel.h"
#include "app/TLiveColumn.h"
#include "config/BoardAddresses.h"
#include "config/BoardClock.h"
#include "session/TBoardSession.h"
#include "session/TUserMessages.h"
#include "widgets/TLed.h"
#include "widgets/TPage.h"
#include "widgets/TParameterEditor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
constexpr int kLeftColumnWidth = 168;

template <class W>
W *Named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel *ValueLabel(QWidget *parent, const char *name, const QString &accessibleName)
{
    auto *label = Named(new QLabel(parent), name);
    label->setAccessibleName(accessibleName);
    label->setMinimumWidth(40);
    return label;
}
}  // namespace

TLeftColumn::TLeftColumn(TConnectionPanel *panel, TPageContext &context, QWidget *parent)
    : QScrollArea(parent), m_context(context)
{
    TLiveDisplay &d = m_display;
    auto *column = new QWidget;
    column->setObjectName(QStringLiteral("LeftColumn"));
    column->setMinimumWidth(kLeftColumnWidth);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(panel);

    auto *dateTime = Named(new QGroupBox(QStringLiteral(" Date && Time "), column), "DateTimeGroupBox");
    d.YearDateStaticText = ValueLabel(dateTime, "YearDateStaticText", QStringLiteral("Board date"));
    d.TimeStaticText = ValueLabel(dateTime, "TimeStaticText", QStringLiteral("Board time"));
    d.DayStaticText = ValueLabel(dateTime, "DayStaticText", QStringLiteral("Board weekday"));
    TimeVrButton = Named(new QPushButton(QStringLiteral("Set"), dateTime), "TimeVrButton");
    TimeVrButton->setAccessibleName(QStringLiteral("Set the board clock"));
    auto *dateLayout = new QGridLayout(dateTime);
    dateLayout->setContentsMargins(6, 2, 6, 4);
    dateLayout->addWidget(d.YearDateStaticText, 0, 0);
    dateLayout->addWidget(d.DayStaticText, 0, 1);
    dateLayout->addWidget(d.TimeStaticText, 1, 0);
    dateLayout->addWidget(TimeVrButton, 1, 1);
    layout->addWidget(dateTime);

    auto *fan = Named(new QGroupBox(QStringLiteral(" Fan speed "), column), "FanSpeedGroupBox");
    d.FanSpeedVrLabel = ValueLabel(fan, "FanSpeedVrLabel", QStringLiteral("Fan speed"));
    d.FanSpeedVrLabel->setText(QStringLiteral("0"));
    d.FanSpeedVrLabel->setAlignment(Qt::AlignCenter);
    QFont big = d.FanSpeedVrLabel->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    d.FanSpeedVrLabel->setFont(big);
    auto *fanLayout = new QVBoxLayout(fan);
    fanLayout->setContentsMargins(6, 2, 6, 4);
    fanLayout->addWidget(d.FanSpeedVrLabel);
    layout->addWidget(fan);

    auto *startStop = Named(new QGroupBox(QStringLiteral(" Start/Stop "), column), "StartStopGroupBox");
    d.StartStopVrUserLed = Named(new TLed(startStop), "StartStopVrUserLed");
    d.StartStopVrUserLed->setAccessibleName(QStringLiteral("Unit running"));
    d.StartStopVrButton = Named(new QPushButton(TLiveColumn::StartCaption(), startStop), "StartStopVrButton");
    auto *startStopLayout = new QHBoxLayout(startStop);
    startStopLayout->setContentsMargins(6, 2, 6, 4);
    startStopLayout->addWidget(d.StartStopVrUserLed);
    startStopLayout->addWidget(d.StartStopVrButton, 1);
    layout->addWidget(startStop);

    auto *values = Named(new QGroupBox(column), "ValuesdxfGroupBox");
    d.SeasonValVrLabel = ValueLabel(values, "SeasonValVrLabel", QStringLiteral("Season"));
    d.SVentValVrLabel = ValueLabel(values, "SVentValVrLabel", QStringLiteral("Supply ventilation"));
    d.EVentValVrLabel = ValueLabel(values, "EVentValVrLabel", QStringLiteral("Exhaust ventilation"));
    d.HearthValVrLabel = ValueLabel(values, "HearthValVrLabel", QStringLiteral("Hearth minutes"));
    d.HearthVrUserLed = Named(new TLed(values), "HearthVrUserLed");
    d.HearthVrUserLed->setAccessibleName(QStringLiteral("Hearth"));
    d.ModeValVrLabel = ValueLabel(values, "ModeValVrLabel", QStringLiteral("Mode"));
    d.RegulationModeVrLed = Named(new TLed(values), "RegulationModeVrLed");
    d.RegulationModeVrLed->setAccessibleName(QStringLiteral("Regulation mode"));
    auto *valuesLayout = new QGridLayout(values);
    valuesLayout->setContentsMargins(6, 4, 6, 4);
    valuesLayout->setVerticalSpacing(2);
    const auto addRow = [&](int r, const QString &caption, QWidget *value, QWidget *led = nullptr) {
        auto *label = new QLabel(caption, values);
        label->setBuddy(value);
        valuesLayout->addWidget(label, r, 0);
        valuesLayout->addWidget(value, r, 1);
        if (led)
            valuesLayout->addWidget(led, r, 2);
    };
    addRow(0, QStringLiteral("Season"), d.SeasonValVrLabel);
    addRow(1, QStringLiteral("Supply"), d.SVentValVrLabel);
    addRow(2, QStringLiteral("Exhaust"), d.EVentValVrLabel);
    addRow(3, QStringLiteral("Hearth"), d.HearthValVrLabel, d.HearthVrUserLed);
    addRow(4, QStringLiteral("Mode"), d.ModeValVrLabel, d.RegulationModeVrLed);
    layout->addWidget(values);

    ChartVrButton = Named(new QPushButton(QStringLiteral("Char&t"), column), "ChartVrButton");
    layout->addWidget(ChartVrButton);
    layout->addStretch();

    setObjectName(QStringLiteral("LeftColumnScrollArea"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidget(column);
    viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);
    // As wide as the column with a scroll bar beside it, so that nothing of it is ever cut.
    setFixedWidth(std::max(kLeftColumnWidth, column->minimumSizeHint().width())
                  + verticalScrollBar()->sizeHint().width());

    connect(d.StartStopVrButton, &QPushButton::clicked, this, &TLeftColumn::StartStopVrButtonClick);
    connect(TimeVrButton, &QPushButton::clicked, this, &TLeftColumn::TimeVrButtonClick);
    connect(ChartVrButton, &QPushButton::clicked, this, &TLeftColumn::ChartClicked);
}

void TLeftColumn::ClearLive()
{
    const TLiveDisplay &d = m_display;
    d.FanSpeedVrLabel->setText(QStringLiteral("0"));
    d.StartStopVrUserLed->SetOn(false);
    d.StartStopVrButton->setText(TLiveColumn::StartCaption());
    m_running = false;
    d.ModeValVrLabel->clear();
    d.SeasonValVrLabel->clear();
    d.SVentValVrLabel->clear();
    d.EVentValVrLabel->clear();
    d.HearthVrUserLed->SetOn(false);
    d.HearthValVrLabel->clear();
}

QSize TLeftColumn::NaturalSize() const
{
    return {width(), widget()->sizeHint().height()};
}

void TLeftColumn::StartStopVrButtonClick()
{
    const bool start = !m_running;
    const QString what = start ? QStringLiteral("Start") : QStringLiteral("Stop");
    const TQuestion question{.Title = QStringLiteral("%1 the unit").arg(what),
                             .Text =
                                 QStringLiteral("%1 the air-handling unit? The board %2 its fans and its regulation.")
                                     .arg(what, start ? QStringLiteral("starts") : QStringLiteral("stops")),
                             .GoText = what};
    if (m_context.Messages.Ask(question) != TChoice::Go)
        return;
    m_context.Editor.Write(m_display.StartStopVrButton, board::StartStop, start ? 1 : 0);
}

void TLeftColumn::TimeVrButtonClick()
{
    const QDateTime now = m_context.Now();
    m_context.Editor.WriteBlock(TimeVrButton, board::Clock, BoardClockWords(now.date(), now.time()));
}
