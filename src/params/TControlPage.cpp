#include "params/TControlPage.h"

#include "app/TBoardSession.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr quint16 kClockRegister = 0x0100;
}

TControlPage::TControlPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("ControlTabSheet"), context, parent)
{
    auto *clock = new QGroupBox(QStringLiteral(" Clock Test "), this);
    VrDemoButton1 = new QPushButton(QStringLiteral("Set 00:14:00"), clock);
    VrDemoButton1->setObjectName(QStringLiteral("VrDemoButton1"));
    VrDemoButton2 = new QPushButton(QStringLiteral("Set 05:59:00"), clock);
    VrDemoButton2->setObjectName(QStringLiteral("VrDemoButton2"));
    auto *clockLayout = new QVBoxLayout(clock);
    clockLayout->addWidget(VrDemoButton1);
    clockLayout->addWidget(VrDemoButton2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(clock, 0, Qt::AlignLeft);
    layout->addStretch();

    connect(VrDemoButton1, &QPushButton::clicked, this, &TControlPage::VrDemoButton1Click);
    connect(VrDemoButton2, &QPushButton::clicked, this, &TControlPage::VrDemoButton2Click);
}

std::array<quint16, 4> TControlPage::ClockWords(QDate date, int hour, int minute)
{
    // Weekday 1 = Sunday ... 7 = Saturday; Qt counts Monday = 1 ... Sunday = 7.
    const int weekday = date.dayOfWeek() % 7 + 1;
    return {static_cast<quint16>(date.year()), static_cast<quint16>(date.month() * 256 + date.day()),
            static_cast<quint16>(hour * 256 + minute), static_cast<quint16>(weekday)};
}

void TControlPage::WriteClock(int hour, int minute)
{
    const std::array<quint16, 4> words = ClockWords(Now().date(), hour, minute);
    Session().WriteMultiple(kClockRegister, words);
}

void TControlPage::VrDemoButton1Click()
{
    WriteClock(0, 14);
}

void TControlPage::VrDemoButton2Click()
{
    WriteClock(5, 59);
}
