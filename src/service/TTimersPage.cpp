#include "service/TTimersPage.h"

#include "common/NumberText.h"
#include "config/BoardAddresses.h"
#include "session/TBoardSession.h"
#include "widgets/PageBuilder.h"
#include "widgets/ParameterCodec.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

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
    QStringList values;
    for (int value = 9; value >= -9; --value)
        values.append(QString::number(value));
    ui::Combo(grid, 0, 0, QStringLiteral("TCorValueColumnComboBox"), QStringLiteral("Value"), values, 0);
    ui::TimeEdit(grid, 1, 0, QStringLiteral("TCorStartAdvMaskEdit"), QStringLiteral("Start"), 8 * 60);
    ui::TimeEdit(grid, 2, 0, QStringLiteral("TCorStopAdvMaskEdit"), QStringLiteral("Stop"), 18 * 60);
    return group;
}

// A number with its "Set" button, which sends it; initially 1. Returns the button.
QPushButton *NumberToSet(QGridLayout *grid, int row, const QString &edit, const QString &label, int maxLength,
                         const QString &button, const QString &description)
{
    ui::Edit(grid, row, 0, edit, label, TAdvEdit::Unsigned, maxLength, QStringLiteral("1"));
    QPushButton *set = Button(grid->parentWidget(), button, QStringLiteral("Set"), description);
    grid->addWidget(set, row, 3);
    return set;
}

// " Board Identification ": the board number and the series number, whose button is given back.
QGroupBox *Identification(QWidget *parent, QPushButton *&setSeries)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Board Identification "), QStringLiteral("SerialNoGroupBox"));
    NumberToSet(ui::GridOf(group), 0, QStringLiteral("SerialNoAdvEdit"), QStringLiteral("Board No"), 5,
                QStringLiteral("SetVrButton"), QStringLiteral("Set the board number"));
    setSeries = NumberToSet(ui::GridOf(group), 1, QStringLiteral("SerialNo1AdvEdit"), QStringLiteral("Series"), 5,
                            QStringLiteral("Set1VrDemoButton"), QStringLiteral("Set the series number"));
    return group;
}

// " Address ": the board's Modbus slave address.
QGroupBox *Address(QWidget *parent)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Address "), QStringLiteral("AddressGroupBox"));
    NumberToSet(ui::GridOf(group), 0, QStringLiteral("BoardAddrAdvEdit"), QStringLiteral("Address"), 3,
                QStringLiteral("AddressVrDemoButton"), QStringLiteral("Set the slave address"));
    return group;
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
    layout->addWidget(Identification(this, m_setSeries), 1, 1);
    layout->addWidget(Address(this), 2, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(3, 1);

    connect(m_days, &QButtonGroup::idClicked, this, &TTimersPage::ReadVrButtonClick);
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
        start->setAccessibleName(interval + QStringLiteral(" start"));
        TAdvEdit *stop = ui::AsTimeEdit(
            ui::CellEdit(grid, n, 3, name.arg(2), interval + QStringLiteral(" stop"), TAdvEdit::Text, 5, {}), 0);
        QComboBox *level =
            ui::Combo(grid, n, 3, QStringLiteral("Int%1ColumnComboBox").arg(n), {}, ui::Numbers(0, 3), 0);
        level->setAccessibleName(interval + QStringLiteral(" level"));
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
    buttons->addWidget(Button(timer, QStringLiteral("WriteVrButton"), QStringLiteral("Write"),
                              QStringLiteral("Write the shown program to the selected day")),
                       0, 1);
    buttons->addWidget(Button(timer, QStringLiteral("MonFriVrDemoButton"), QStringLiteral("Mon-Fri"),
                              QStringLiteral("Write the shown program to Monday to Friday")),
                       1, 0);
    buttons->addWidget(Button(timer, QStringLiteral("SatSunVrDemoButton"), QStringLiteral("Sat,Sun"),
                              QStringLiteral("Write the shown program to Saturday and Sunday")),
                       1, 1);
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
    // The answers go to the day selected when they arrive: a quick click on another day while a
    // read is under way shows and stores the later day's answer there, as the board sent it.
    Session().Read(static_cast<quint16>(board::WeekTimes + TWeekProgram::kTimesPerDay * day),
                   TWeekProgram::kTimesPerDay, {.OnReply = [this](const TModbusAnswer &answer) {
                       auto &times = m_program.Times[SelectedDay()];
                       for (int i = 0; i < TWeekProgram::kTimesPerDay; ++i)
                           times[i] = answer.Registers.at(i);
                       ShowDayTimes();
                   }});
    Session().Read(static_cast<quint16>(board::WeekLevels + TWeekProgram::kLevelsPerDay * day),
                   TWeekProgram::kLevelsPerDay, {.OnReply = [this](const TModbusAnswer &answer) {
                       auto &levels = m_program.Levels[SelectedDay()];
                       for (int i = 0; i < TWeekProgram::kLevelsPerDay; ++i)
                           levels[i] = answer.Registers.at(i);
                       ShowDayLevels();
                   }});
}

void TTimersPage::Refresh()
{
    // Offline the page shows the program held in memory for the selected day.
    ReadVrButtonClick();
    RefreshItems(kTemperatureCorrectionItem, kSlaveAddressItem);
    RefreshBlock(board::Series, 1);
}

void TTimersPage::ShowFirmwareFeatures(bool hasSeries)
{
    m_setSeries->setEnabled(hasSeries);
}
