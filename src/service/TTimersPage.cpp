// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/TTimersPage.h"

#include "common/NumberText.h"
#include "config/BoardAddresses.h"
#include "config/ValueText.h"
#include "link/ModbusExceptions.h"
#include "monitor/LiveDecoders.h"
#include "session/TBoardSession.h"
#include "session/TUserMessages.h"
#include "widgets/PageBuilder.h"
#include "widgets/ParameterCodec.h"
#include "widgets/TParameterEditor.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

using TNumberToSet = TTimersPage::TNumberToSet;

// The items read when the page is shown, after the week program: the temperature correction to
// the slave address.
constexpr int kTemperatureCorrectionItem = 91;
constexpr int kSlaveAddressItem = 95;

const QStringList kDays{QStringLiteral("Sunday"),    QStringLiteral("Monday"),   QStringLiteral("Tuesday"),
                        QStringLiteral("Wednesday"), QStringLiteral("Thursday"), QStringLiteral("Friday"),
                        QStringLiteral("Saturday")};

QPushButton *Button(QWidget *parent, const QString &name, const QString &caption, const QString &description)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(description);
    button->setToolTip(description);
    return button;
}

// " Temperature Correction ": the value added during the daily window from Start to Stop.
QGroupBox *TemperatureCorrection(QWidget *parent)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Temperature Correction "), QStringLiteral("TCordxfGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    ui::Combo(grid, 0, 0, QStringLiteral("TCorValueColumnComboBox"), QStringLiteral("Value"),
              values::ListItems(QStringLiteral("TCorValueColumnComboBox")), 0);
    ui::TimeEdit(grid, 1, 0, QStringLiteral("TCorStartAdvMaskEdit"), QStringLiteral("Start"), 8 * 60);
    ui::TimeEdit(grid, 2, 0, QStringLiteral("TCorStopAdvMaskEdit"), QStringLiteral("Stop"), 18 * 60);
    return group;
}

// A number with its "Set" button, which sends it; initially 1.
TNumberToSet NumberToSet(QGridLayout *grid, int row, const QString &edit, const QString &label, int maxLength,
                         const QString &button, const QString &description)
{
    TAdvEdit *number = ui::Edit(grid, row, 0, edit, label, TAdvEdit::Unsigned, maxLength, QStringLiteral("1"));
    QPushButton *set = Button(grid->parentWidget(), button, QStringLiteral("Set"), description);
    grid->addWidget(set, row, 3);
    return {number, set};
}

// " Board Identification ": the board number and the series number.
QGroupBox *Identification(QWidget *parent, TNumberToSet &board, TNumberToSet &series)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Board Identification "), QStringLiteral("SerialNoGroupBox"));
    board = NumberToSet(ui::GridOf(group), 0, QStringLiteral("SerialNoAdvEdit"), QStringLiteral("Board No"), 5,
                        QStringLiteral("SetVrButton"), QStringLiteral("Set the board number"));
    series = NumberToSet(ui::GridOf(group), 1, QStringLiteral("SerialNo1AdvEdit"), QStringLiteral("Series"), 5,
                         QStringLiteral("Set1VrDemoButton"), QStringLiteral("Set the series number"));
    return group;
}

// " Address ": the board's Modbus slave address.
QGroupBox *Address(QWidget *parent, TNumberToSet &address)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Address "), QStringLiteral("AddressGroupBox"));
    address = NumberToSet(ui::GridOf(group), 0, QStringLiteral("BoardAddrAdvEdit"), QStringLiteral("Address"), 3,
                          QStringLiteral("AddressVrDemoButton"), QStringLiteral("Set the slave address"));
    return group;
}

// The refusal of a time earlier than the one before it: the times of a day do not go back, so the
// edit takes that time to the end of the day.
QString NotBefore(const QWidget &edit, quint16 earliest)
{
    return QStringLiteral("%1: %2 to 23:59").arg(edit.accessibleName(), TimeOfDayText(earliest));
}

}  // namespace

TTimersPage::TTimersPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("TimersTabSheet"), context, parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(BuildTimer(), 0, 0, 1, 2);
    layout->addWidget(TemperatureCorrection(this), 1, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(Identification(this, m_boardNumber, m_series), 1, 1);
    layout->addWidget(Address(this, m_address), 2, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(3, 1);

    connect(m_days, &QButtonGroup::idClicked, this, &TTimersPage::ReadVrButtonClick);
    for (int tag = 0; tag < TWeekProgram::kTimesPerDay; ++tag)
        context.Editor.Override(m_times[static_cast<size_t>(tag)], [this, tag] { IntAdvMaskEditExit(tag); });
    for (int tag = 0; tag < TWeekProgram::kLevelsPerDay; ++tag)
        context.Editor.Override(m_levels[static_cast<size_t>(tag)], [this, tag] { IntColumnComboBoxChange(tag); });
    context.Editor.Override(m_write, [this] { WriteVrButtonClick(); });
    context.Editor.Override(m_monFri, [this] { MonFriVrDemoButtonClick(); });
    context.Editor.Override(m_satSun, [this] { SatSunVrDemoButtonClick(); });
    context.Editor.Override(m_boardNumber.Set, [this] { SetVrButtonClick(); });
    context.Editor.Override(m_series.Set, [this] { Set1VrDemoButtonClick(); });
    context.Editor.Override(m_address.Set, [this] { AddressVrDemoButtonClick(); });
}

// " Timer ": the day selector and that day's three intervals, each from a start to a stop time
// at a level.
QGroupBox *TTimersPage::BuildTimer()
{
    QGroupBox *timer = ui::Group(this, QStringLiteral(" Timer "), QStringLiteral("TimerGroupBox"));
    QGridLayout *grid = ui::GridOf(timer);

    auto *dayBox = new QGroupBox(QStringLiteral(" Day "), timer);
    dayBox->setObjectName(QStringLiteral("DayRadioGroup"));
    auto *dayLayout = new QVBoxLayout(dayBox);
    dayLayout->setContentsMargins(6, 2, 6, 4);
    dayLayout->setSpacing(2);
    m_days = new QButtonGroup(dayBox);
    for (int d = 0; d < TWeekProgram::kDays; ++d) {
        auto *day = new QRadioButton(kDays[d], dayBox);
        ui::Name(day, kDays[d]);
        m_days->addButton(day, d);
        dayLayout->addWidget(day);
    }
    m_days->button(0)->setChecked(true);
    grid->addWidget(dayBox, 0, 0, 6, 1, Qt::AlignTop);

    grid->addWidget(new QLabel(QStringLiteral("Start"), timer), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Stop"), timer), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Level"), timer), 0, 4);
    for (int i = 0; i < 3; ++i) {
        const int n = i + 1;
        const QString interval = QStringLiteral("Interval #%1").arg(n);
        const QString name = QStringLiteral("Int%1%2AdvMaskEdit").arg(n);
        TAdvEdit *start = ui::TimeEdit(grid, n, 1, name.arg(1), interval, 0);
        ui::Name(start, interval + QStringLiteral(" start"));
        TAdvEdit *stop = ui::AsTimeEdit(
            ui::CellEdit(grid, n, 3, name.arg(2), interval + QStringLiteral(" stop"), TAdvEdit::Text, 5, {}), 0);
        QComboBox *level = ui::Combo(grid, n, 3, QStringLiteral("Int%1ColumnComboBox").arg(n), {},
                                     values::ListItems(QStringLiteral("Int%1ColumnComboBox").arg(n)), 0);
        ui::Name(level, interval + QStringLiteral(" level"));
        ui::SetTag(start, 2 * i);
        ui::SetTag(stop, 2 * i + 1);
        ui::SetTag(level, i);
        m_times[2 * i] = start;
        m_times[2 * i + 1] = stop;
        m_levels[i] = level;
    }

    auto *buttons = new QGridLayout;
    buttons->setSpacing(4);
    QPushButton *read = Button(timer, QStringLiteral("ReadVrButton"), QStringLiteral("Read"),
                               QStringLiteral("Read the selected day from the board"));
    connect(read, &QPushButton::clicked, this, &TTimersPage::ReadVrButtonClick);
    buttons->addWidget(read, 0, 0);
    m_write = Button(timer, QStringLiteral("WriteVrButton"), QStringLiteral("Write"),
                     QStringLiteral("Write the shown program to the selected day"));
    m_monFri = Button(timer, QStringLiteral("MonFriVrDemoButton"), QStringLiteral("Mon-Fri"),
                      QStringLiteral("Write the shown program to Monday to Friday"));
    m_satSun = Button(timer, QStringLiteral("SatSunVrDemoButton"), QStringLiteral("Sat,Sun"),
                      QStringLiteral("Write the shown program to Saturday and Sunday"));
    buttons->addWidget(m_write, 0, 1);
    buttons->addWidget(m_monFri, 1, 0);
    buttons->addWidget(m_satSun, 1, 1);
    grid->addLayout(buttons, 4, 1, 2, 4, Qt::AlignLeft | Qt::AlignBottom);
    grid->setColumnStretch(5, 1);
    return timer;
}

TWeekProgramView TTimersPage::WeekProgramView()
{
    return {&m_program, [this] {
                ShowDayTimes();
                ShowDayLevels();
            }};
}

int TTimersPage::SelectedDay() const
{
    return m_days->checkedId();
}

void TTimersPage::ShowDayTimes()
{
    const auto &times = m_program.Times[SelectedDay()];
    for (int i = 0; i < TWeekProgram::kTimesPerDay; ++i) {
        m_times[i]->setText(TimeOfDayText(times[i]));
        SetHeldMinutes(m_times[i], times[i]);
    }
}

void TTimersPage::ShowDayLevels()
{
    const auto &levels = m_program.Levels[SelectedDay()];
    // A level the list does not hold shows an empty selection.
    for (int i = 0; i < TWeekProgram::kLevelsPerDay; ++i)
        m_levels[i]->setCurrentIndex(levels[i] < m_levels[i]->count() ? levels[i] : -1);
}

void TTimersPage::ReadVrButtonClick()
{
    if (!Session().Connected()) {
        ShowDayTimes();
        ShowDayLevels();
        return;
    }
    const int day = SelectedDay();
    // Each answer is filed under the day it was asked for, and shown only while that day is
    // selected: quick clicks through the days never file one day's program under another.
    Session().Read(static_cast<quint16>(board::WeekTimes + TWeekProgram::kTimesPerDay * day),
                   TWeekProgram::kTimesPerDay, {.OnReply = [this, day](const TModbusAnswer &answer) {
                       auto &times = m_program.Times[static_cast<size_t>(day)];
                       for (int i = 0; i < TWeekProgram::kTimesPerDay; ++i)
                           times[static_cast<size_t>(i)] = answer.Registers.at(i);
                       if (SelectedDay() == day)
                           ShowDayTimes();
                   }});
    Session().Read(static_cast<quint16>(board::WeekLevels + TWeekProgram::kLevelsPerDay * day),
                   TWeekProgram::kLevelsPerDay, {.OnReply = [this, day](const TModbusAnswer &answer) {
                       auto &levels = m_program.Levels[static_cast<size_t>(day)];
                       for (int i = 0; i < TWeekProgram::kLevelsPerDay; ++i)
                           levels[static_cast<size_t>(i)] = answer.Registers.at(i);
                       if (SelectedDay() == day)
                           ShowDayLevels();
                   }});
}

void TTimersPage::IntAdvMaskEditExit(int tag)
{
    TAdvEdit *edit = m_times[static_cast<size_t>(tag)];
    const TTimeTake time = TakeTimeOfDay(edit->text());
    auto &times = m_program.Times[static_cast<size_t>(SelectedDay())];
    // The six times of a day do not decrease: each is checked against the one before it.
    if (!time.Ok()) {
        Editor().Refuse(edit, time.Error);
        return;
    }
    if (tag > 0 && time.Minutes < times[static_cast<size_t>(tag - 1)]) {
        Editor().Refuse(edit, NotBefore(*edit, times[static_cast<size_t>(tag - 1)]));
        return;
    }
    times[static_cast<size_t>(tag)] = time.Minutes;
}

void TTimersPage::IntColumnComboBoxChange(int tag)
{
    const int level = m_levels[static_cast<size_t>(tag)]->currentIndex();
    if (level >= 0)
        m_program.Levels[static_cast<size_t>(SelectedDay())][static_cast<size_t>(tag)] = static_cast<quint16>(level);
}

std::optional<TTimersPage::TDayProgram> TTimersPage::ShownDay()
{
    TDayProgram day;
    for (int i = 0; i < TWeekProgram::kTimesPerDay; ++i) {
        TAdvEdit *edit = m_times[static_cast<size_t>(i)];
        const TTimeTake time = TakeTimeOfDay(edit->text());
        if (!time.Ok()) {
            Editor().Refuse(edit, QStringLiteral("%1: %2").arg(edit->accessibleName(), time.Error));
            return std::nullopt;
        }
        if (i > 0 && time.Minutes < day.Times[static_cast<size_t>(i - 1)]) {
            Editor().Refuse(edit, NotBefore(*edit, day.Times[static_cast<size_t>(i - 1)]));
            return std::nullopt;
        }
        day.Times[static_cast<size_t>(i)] = time.Minutes;
    }
    for (int i = 0; i < TWeekProgram::kLevelsPerDay; ++i) {
        QComboBox *level = m_levels[static_cast<size_t>(i)];
        if (level->currentIndex() < 0) {
            Editor().Refuse(level, QStringLiteral("%1: no level chosen").arg(level->accessibleName()));
            return std::nullopt;
        }
        day.Levels[static_cast<size_t>(i)] = static_cast<quint16>(level->currentIndex());
    }
    return day;
}

void TTimersPage::WriteDays(QPushButton *button, std::initializer_list<int> days)
{
    // The whole shown day is checked first: nothing of it goes out when any part is wrong.
    const std::optional<TDayProgram> shown = ShownDay();
    if (!shown)
        return;
    for (const int d : days) {
        Editor().WriteBlock(button, static_cast<quint16>(board::WeekTimes + TWeekProgram::kTimesPerDay * d),
                            shown->Times);
        Editor().WriteBlock(button, static_cast<quint16>(board::WeekLevels + TWeekProgram::kLevelsPerDay * d),
                            shown->Levels);
        // The image follows what the board now holds.
        m_program.Times[static_cast<size_t>(d)] = shown->Times;
        m_program.Levels[static_cast<size_t>(d)] = shown->Levels;
    }
    Editor().Write(button, board::TimerStore, board::TimerStoreCommand);
}

void TTimersPage::WriteVrButtonClick()
{
    WriteDays(m_write, {SelectedDay()});
}

void TTimersPage::MonFriVrDemoButtonClick()
{
    WriteDays(m_monFri, {1, 2, 3, 4, 5});
}

void TTimersPage::SatSunVrDemoButtonClick()
{
    WriteDays(m_satSun, {0, 6});
}

void TTimersPage::SetVrButtonClick()
{
    const std::optional<quint16> number = Editor().Take(m_boardNumber.Edit);
    if (!number)
        return;
    Editor().Write(m_boardNumber.Set, board::BoardNumber, *number);
    if (Session().Connected())
        emit IdentificationWritten();
}

void TTimersPage::Set1VrDemoButtonClick()
{
    const std::optional<quint16> series = Editor().Take(m_series.Edit);
    if (!series)
        return;
    Editor().Write(m_series.Set, board::Series, *series);
    if (Session().Connected())
        emit SeriesWritten();
}

void TTimersPage::AddressVrDemoButtonClick()
{
    const std::optional<quint16> taken = Editor().Take(m_address.Edit);
    if (!taken)
        return;
    if (!Session().Connected()) {
        Editor().Write(m_address.Set, board::SlaveAddress, *taken);  // says that the line is closed
        return;
    }
    const auto address = static_cast<quint8>(*taken);
    const quint8 old = Session().SlaveAddress();
    const TQuestion question{
        .Title = QStringLiteral("Slave address"),
        .Text = QStringLiteral("Give the board the slave address %2 in place of %1?\n\nThe board then answers "
                               "only at %2; the connection follows it there, and the settings file keeps it.")
                    .arg(old)
                    .arg(address),
        .GoText = QStringLiteral("Set address %1").arg(address),
        .Default = TChoice::Cancel};
    if (Messages().Ask(question) != TChoice::Go)
        return;
    if (address == old)
        return;
    // Two boards on one line must not share an address: the new one is asked for its firmware
    // version first, and the address is written only when nothing answers there.
    Editor().Tell(QStringLiteral("Asking address %1 whether a board answers there...").arg(address));
    const auto refuse = [this, address, old](const QString &what) {
        Messages().ErrorBox(QStringLiteral("The slave address %1 is taken: %2. Two boards on one line must not "
                                           "share an address; the board keeps address %3.")
                                .arg(address)
                                .arg(what)
                                .arg(old));
    };
    Session().SetSlaveAddress(address);
    Session().Read(board::Version, 2,
                   {.OnReply =
                        [refuse](const TModbusAnswer &answer) {
                            const auto block = live::DecodeVersionBlock(answer.Registers);
                            refuse(block ? QStringLiteral("a board answers there (firmware %1, board number %2)")
                                               .arg(live::VersionNumberText(block->Version))
                                               .arg(answer.Registers.at(1))
                                         : QStringLiteral("a device answers there"));
                        },
                    .OnRefused =
                        [refuse](const TModbusAnswer &answer) {
                            refuse(QStringLiteral("a device answers there (it refused the firmware version read: %1)")
                                       .arg(ExceptionText(answer.ExceptionCode)));
                        },
                    // Nobody there is what is hoped for: no communication error.
                    .OnFailed = [this, address, old] { MoveAddress(address, old); },
                    .FinalFailure = [] { return false; }});
    Session().SetSlaveAddress(old);
}

void TTimersPage::MoveAddress(quint8 address, quint8 old)
{
    // The line may have closed while the new address was asked.
    if (!Session().Connected() || Session().SlaveAddress() != old)
        return;
    // The board answers this write at the old address and takes the new one once the answer has
    // gone out. Requests go out one at a time, so every request made from now on is sent after that
    // answer: it goes to the new address, unless the board did not take it.
    const auto back = [this, address, old] {
        if (Session().SlaveAddress() == address)
            Session().SetSlaveAddress(old);
    };
    Session().WriteSingle(
        board::SlaveAddress, address,
        {.OnReply =
             [this, address](const TModbusAnswer &) {
                 Editor().Tell(
                     QStringLiteral("The board now answers at address %1; the connection follows it.").arg(address));
                 emit SlaveAddressMoved(address);
             },
         .OnRefused =
             [this, address, old, back](const TModbusAnswer &answer) {
                 back();
                 Editor().Tell(QStringLiteral("The board refused the slave address %1 (%2): it "
                                              "answers at %3 as before.")
                                   .arg(address)
                                   .arg(ExceptionText(answer.ExceptionCode))
                                   .arg(old));
             },
         .OnFailed =
             [this, address, old, back] {
                 back();
                 Editor().Tell(QStringLiteral("No answer to the slave address %1: the board may answer at %1 or "
                                              "still at %2.")
                                   .arg(address)
                                   .arg(old));
             },
         .Cause = TWriteCause::Command,
         .What = QStringLiteral("Slave address"),
         .Old = old});
    Session().SetSlaveAddress(address);
}

void TTimersPage::Refresh()
{
    // Offline the page shows the program held in memory for the selected day.
    ReadVrButtonClick();
    RefreshItems(kTemperatureCorrectionItem, kSlaveAddressItem);
    RefreshBlock(board::Series, 1);
}
