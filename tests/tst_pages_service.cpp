// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of the "Ventilation", "In/Out", "Timers" and "Calibration" pages: every named
// control once with its kind, key filters, lengths, initial states, exclusive groups, tags, the
// week program display, the up-down, and the page widths.

#include "link/TTCPModbusClient.h"
#include "params/TVentilationPage.h"
#include "service/TCalibrationPage.h"
#include "service/TInOutPage.h"
#include "service/TTimersPage.h"
#include "service/TUpDown.h"
#include "session/TBoardSession.h"
#include "session/TUserMessages.h"
#include "widgets/PageBuilder.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLocale>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <tuple>

namespace {

class NoMessages : public TUserMessages
{
public:
    void RangeWarning(QWidget *) override { QFAIL("no range warning expected"); }
    void ErrorBox(const QString &text) override { QFAIL(qPrintable(text)); }
    QString AskSaveFile() override { return {}; }
    QString AskOpenFile() override { return {}; }
    QString AskSaveFileAs(const QString &, const QString &, const QString &) override { return {}; }
    TChoice Ask(const TQuestion &question) override { return question.Default; }
};

// The four pages under one window, talking to a client whose line is closed: every request the
// pages make is discarded and counted.
struct Pages
{
    TTCPModbusClient client;
    TBoardSession session;
    NoMessages messages;
    TTransferTable table;
    TParameterEditor editor{session, table, messages};
    TPageContext context{session, messages, table, editor};
    QWidget window;
    TVentilationPage *ventilation = new TVentilationPage(context, &window);
    TInOutPage *inOut = new TInOutPage(context, &window);
    TTimersPage *timers = new TTimersPage(context, &window);
    TCalibrationPage *calibration = new TCalibrationPage(context, &window);

    Pages()
    {
        session.SetActiveClient(&client);
        // The ventilation page's parameters write on the user's actions, as in the main window.
        table.Bind(window, timers->WeekProgramView(), messages);
        editor.AttachItems(96, 136);
    }

    quint64 Requests() const { return client.GetCounters().Discarded; }

    // The one control of that name across the four pages, or null.
    template <class T = QWidget>
    T *Find(const QString &name) const
    {
        const QList<QWidget *> found = window.findChildren<QWidget *>(name);
        return found.size() == 1 ? qobject_cast<T *>(found.first()) : nullptr;
    }
};

// "IAnalog%1AdvEdit" for n = first .. last, or the name itself.
QStringList Names(const char *pattern, int first = 0, int last = 0)
{
    if (first == 0)
        return {QLatin1String(pattern)};
    QStringList names;
    for (int n = first; n <= last; ++n)
        names.append(QString::fromLatin1(pattern).arg(n));
    return names;
}

// Interval 1 start and stop, 2 start and stop, 3 start and stop.
const QStringList kIntervalEdits{"Int11AdvMaskEdit", "Int12AdvMaskEdit", "Int21AdvMaskEdit",
                                 "Int22AdvMaskEdit", "Int31AdvMaskEdit", "Int32AdvMaskEdit"};

// "{sep}" stands for the decimal separator of the locale in force.
QString WithSeparator(QString text)
{
    return text.replace(QStringLiteral("{sep}"), QLocale().decimalPoint());
}

}  // namespace

class TstPagesService : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void everyControlOnceWithItsKind();
    void editsKindLengthAndInitialText();
    void keyFilters_data();
    void keyFilters();
    void checkBoxesAndTheirInitialState();
    void comboItems();
    void radioGroups();
    void exclusiveGroupsKeepOneChecked();
    void tags();
    void timersShowTheSelectedDayFromTheImage();
    void upDownStepsItsEdit();
    void onlyUserActionsWrite();
    void pagesFitTheirArea();
};

// The edits, check boxes and combo boxes are looked up in the tables of the tests below, each
// once by name and kind; here the rest.
void TstPagesService::everyControlOnceWithItsKind()
{
    const struct
    {
        QStringList names;
        const char *kind;
    } table[] = {
        {Names("HearthStartVrDemoButton") + Names("HearthStopVrDemoButton") + Names("CalibrationVrDemoButton")
             + Names("IAnalogAButton") + Names("IAnalogMButton") + Names("OAnalogAButton") + Names("OAnalogMButton")
             + Names("IDigitalAButton") + Names("IDigitalMButton") + Names("IDigitalIButton") + Names("ODigitalAButton")
             + Names("ODigitalMButton") + Names("ODigitalIButton") + Names("ReadVrButton") + Names("WriteVrButton")
             + Names("MonFriVrDemoButton") + Names("SatSunVrDemoButton") + Names("SetVrButton")
             + Names("Set1VrDemoButton") + Names("AddressVrDemoButton") + Names("LoLimitVrDemoButton")
             + Names("HiLimitVrDemoButton") + Names("LoLimitVrButton") + Names("HiLimitVrButton"),
         "QPushButton"},
        {Names("IOInputsGroupBox") + Names("IAnalogGroupBox") + Names("IDigitalGroupBox") + Names("IOOutputsGroupBox")
             + Names("OAnalogGroupBox") + Names("ODigitalGroupBox") + Names("IOSimGroupBox") + Names("TimerGroupBox")
             + Names("DayRadioGroup") + Names("TCordxfGroupBox") + Names("SerialNoGroupBox") + Names("AddressGroupBox")
             + Names("InputsGroupBox") + Names("OutputsGroupBox") + Names("CalibrationGroupBox")
             + Names("InputRadioGroup") + Names("OutputRadioGroup") + Names("AinStatusdxfGroupBox")
             + Names("AoutStatusdxfGroupBox"),
         "QGroupBox"},
        {Names("Ain%1VrUserLed", 1, 8) + Names("Aout%1VrUserLed", 1, 5), "TLed"},
        {Names("LoCodeUpDown") + Names("HiCodeUpDown"), "TUpDown"},
    };
    Pages pages;
    for (const auto &row : table) {
        for (const QString &name : row.names) {
            const QList<QWidget *> found = pages.window.findChildren<QWidget *>(name);
            QVERIFY2(found.size() == 1, qPrintable(QStringLiteral("%1 found %2 times").arg(name).arg(found.size())));
            QVERIFY2(found.first()->inherits(row.kind),
                     qPrintable(name + QStringLiteral(" is not a ") + QLatin1String(row.kind)));
        }
    }
}

void TstPagesService::editsKindLengthAndInitialText()
{
    QLocale::setDefault(QLocale(QLocale::German));
    using K = TAdvEdit::Kind;
    const struct
    {
        QStringList names;
        K kind;
        int maxLength;
        const char *initial;  // null: not fixed
    } table[] = {
        {Names("CorKpAdvEdit") + Names("ValueAdvEdit") + Names("SPControlSPWAdvEdit") + Names("SPControlKpAdvEdit")
             + Names("SPControlKiAdvEdit") + Names("EPControlSPWAdvEdit") + Names("EPControlKpAdvEdit")
             + Names("EPControlKiAdvEdit") + Names("SSPWAdvEdit") + Names("SKpAdvEdit") + Names("SU100AdvEdit")
             + Names("ESPWAdvEdit") + Names("EKpAdvEdit") + Names("EU100AdvEdit"),
         K::Decimal, 4, "0{sep}0"},
        {Names("SPControlPeriodAdvEdit") + Names("EPControlPeriodAdvEdit") + Names("SPeriodAdvEdit")
             + Names("EPeriodAdvEdit") + Names("SKiAdvEdit") + Names("EKiAdvEdit") + Names("HearthTimeAdvEdit"),
         K::Unsigned, 3, nullptr},
        {Names("VIS%1AdvEdit", 1, 4) + Names("VIE%1AdvEdit", 1, 4), K::Unsigned, 3, "20"},
        {Names("HearthValueAdvEdit"), K::Signed, 3, nullptr},
        {Names("IAnalog%1AdvEdit", 1, 4), K::SignedDecimal, 5, "0{sep}0"},
        {Names("IAnalog5AdvEdit") + Names("OAnalog%1AdvEdit", 5, 8), K::Decimal, 5, "0{sep}0"},
        {Names("IAnalog%1AdvEdit", 6, 10) + Names("OAnalog%1AdvEdit", 1, 4), K::Decimal, 4, "0{sep}0"},
        {Names("SimT%1AdvEdit", 1, 3), K::Unsigned, 4, "0"},
        {kIntervalEdits, K::Text, 5, "00:00"},
        {Names("TCorStartAdvMaskEdit"), K::Text, 5, "08:00"},
        {Names("TCorStopAdvMaskEdit"), K::Text, 5, "18:00"},
        {Names("SerialNoAdvEdit") + Names("SerialNo1AdvEdit"), K::Unsigned, 5, "1"},
        {Names("BoardAddrAdvEdit"), K::Unsigned, 3, "1"},
        {Names("LoLimitAdvEdit") + Names("HiLimitAdvEdit") + Names("LoVoltageAdvEdit") + Names("HiVoltageAdvEdit")
             + Names("Plim%1AdvEdit", 9, 10) + Names("Pmax%1AdvEdit", 9, 10),
         K::Unsigned, 5, "0"},
        {Names("LoCodeAdvEdit") + Names("HiCodeAdvEdit") + Names("Coef%1AdvEdit", 9, 10), K::Unsigned, 4, "0"},
        // AIN9's offset takes four characters so that -100 can be typed.
        {Names("Offset9AdvEdit"), K::Signed, 4, "0"},
        {Names("Offset10AdvEdit"), K::Signed, 5, "0"},
        // Six characters hold "1,0000".
        {Names("Gain%1AdvEdit", 9, 10), K::Decimal, 6, "1{sep}0000"},
    };
    Pages pages;
    for (const auto &row : table) {
        for (const QString &name : row.names) {
            const TAdvEdit *edit = pages.Find<TAdvEdit>(name);
            QVERIFY2(edit, qPrintable(name));
            QCOMPARE(edit->EditKind(), row.kind);
            QCOMPARE(edit->maxLength(), row.maxLength);
            if (row.initial)
                QCOMPARE(edit->text(), WithSeparator(QLatin1String(row.initial)));
        }
    }
    // The gain is kept on the factory value: its edits exist but are not shown.
    QVERIFY(pages.Find("Gain9AdvEdit")->isHidden());
    QVERIFY(pages.Find("Gain10AdvEdit")->isHidden());
    // Each time edit keeps the minutes it shows.
    QCOMPARE(pages.Find("TCorStartAdvMaskEdit")->property("HeldMinutes").toInt(), 8 * 60);
    QCOMPARE(pages.Find("TCorStopAdvMaskEdit")->property("HeldMinutes").toInt(), 18 * 60);
    QCOMPARE(pages.Find("Int32AdvMaskEdit")->property("HeldMinutes").toInt(), 0);
}

void TstPagesService::keyFilters_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    // "{other}" is the separator the locale does not use.
    for (const QLocale &locale : {QLocale(QLocale::C), QLocale(QLocale::German)}) {
        const QByteArray where = locale.language() == QLocale::C ? "point, " : "comma, ";
        const auto row = [&](const char *what, const char *edit, const char *typed, const char *shown) {
            QTest::newRow((where + what).constData()) << locale << edit << typed << shown;
        };
        row("unsigned: digits only", "VIS1AdvEdit", "-1x2{sep}5", "125");
        row("unsigned: up to its length", "BoardAddrAdvEdit", "2475", "247");
        row("signed: a leading minus", "HearthValueAdvEdit", "-5x0", "-50");
        row("signed: no minus inside", "HearthValueAdvEdit", "5-2", "52");
        row("decimal: no minus, one separator", "CorKpAdvEdit", "-1{sep}5{sep}", "1{sep}5");
        row("decimal: the other separator becomes the locale's", "ValueAdvEdit", "1{other}5{other}", "1{sep}5");
        row("signed decimal", "IAnalog1AdvEdit", "-30{sep}5", "-30{sep}5");
        row("time: any hour and minute", "Int11AdvMaskEdit", "24:60", "24:60");
        row("time: one hour digit", "Int22AdvMaskEdit", "8:05", "8:05");
        row("time: no letters or signs", "TCorStartAdvMaskEdit", "-7a:3b0", "7:30");
        row("time: two digits a part", "Int31AdvMaskEdit", "123:456", "12:45");
    }
}

void TstPagesService::keyFilters()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QLocale::setDefault(locale);
    const QString other = locale.decimalPoint() == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(",");
    typed.replace(QStringLiteral("{other}"), other);

    Pages pages;
    auto *target = pages.Find<TAdvEdit>(edit);
    QVERIFY(target);
    target->clear();
    QTest::keyClicks(target, WithSeparator(typed));
    QCOMPARE(target->text(), WithSeparator(shown));
}

void TstPagesService::checkBoxesAndTheirInitialState()
{
    const struct
    {
        QStringList names;
        const char *caption;  // null: no caption of its own
        bool checked;
    } table[] = {
        {Names("ThreeSpeeddxfCheckBox"), " 3 Speed", true},
        {Names("FixedValdxfCheckBox"), "Fixed Values", false},
        {Names("PControldxfCheckBox"), "Pressure Control", false},
        {Names("WithoutExhaustdxfCheckBox"), "Without Exhaust", false},
        {Names("CorOndxfCheckBox") + Names("InfluencedxfCheckBox"), "On", false},
        {Names("AbovedxfCheckBox"), "Above", true},
        {Names("BelowdxfCheckBox"), "Below", false},
        {Names("StartStopdxfCheckBox"), "Start/Stop", true},
        {Names("KitchenHooddxfCheckBox"), "Kitchen Hood", false},
        {Names("IAnalogA%1dxfCheckBox", 1, 10) + Names("OAnalogA%1dxfCheckBox", 1, 8)
             + Names("IDigitalA%1dxfCheckBox", 1, 8) + Names("ODigitalA%1dxfCheckBox", 1, 11),
         nullptr, true},
        {Names("IAnalogM%1dxfCheckBox", 1, 10) + Names("OAnalogM%1dxfCheckBox", 1, 8)
             + Names("IDigitalM%1dxfCheckBox", 1, 8) + Names("ODigitalM%1dxfCheckBox", 1, 11)
             + Names("IDigitalI%1dxfCheckBox", 1, 8) + Names("ODigitalI%1dxfCheckBox", 1, 11),
         nullptr, false},
        {Names("Sim%1OnOffdxfCheckBox", 1, 3), "ON/OFF", true},
        {Names("Sim%1PwmdxfCheckBox", 1, 3), "PWM", false},
        {Names("CalibrationdxfCheckBox"), "Calibration", false},
    };
    Pages pages;
    for (const auto &row : table) {
        for (const QString &name : row.names) {
            const QCheckBox *box = pages.Find<QCheckBox>(name);
            QVERIFY2(box, qPrintable(name));
            QVERIFY2(box->isChecked() == row.checked, qPrintable(name));
            if (row.caption)
                QCOMPARE(box->text(), QLatin1String(row.caption));
            else  // a box without a caption is named for screen readers
                QVERIFY2(!box->accessibleName().isEmpty() && box->accessibleName() != name, qPrintable(name));
        }
    }
    // The manual values of the digital channels, unchecked, captioned by channel.
    for (const auto &[pattern, caption, count] :
         {std::tuple{"IDigital%1dxfCheckBox", "IN%1", 8}, std::tuple{"ODigital%1dxfCheckBox", "OUT%1", 11}}) {
        for (int k = 1; k <= count; ++k) {
            const QCheckBox *box = pages.Find<QCheckBox>(QString::fromLatin1(pattern).arg(k));
            QVERIFY(box && !box->isChecked());
            QCOMPARE(box->text(), QString::fromLatin1(caption).arg(k));
        }
    }
}

void TstPagesService::comboItems()
{
    const QStringList none11{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"};
    const QStringList one5{"1", "2", "3", "4", "5"};
    const QStringList five8{"5", "6", "7", "8"};
    const QStringList levels{"0", "1", "2", "3"};
    const QStringList corrections{"9",  "8",  "7",  "6",  "5",  "4",  "3",  "2",  "1", "0",
                                  "-1", "-2", "-3", "-4", "-5", "-6", "-7", "-8", "-9"};
    const struct
    {
        QStringList names;
        QStringList items;
    } table[] = {
        {Names("VentOutput%1ColumnComboBox", 1, 6) + Names("AlarmOutputColumnComboBox"), none11},
        {Names("SFanOutputColumnComboBox") + Names("EFanOutputColumnComboBox"), one5},
        {Names("CorInputColumnComboBox") + Names("SInputColumnComboBox") + Names("EInputColumnComboBox"), five8},
        {Names("SPControlInputColumnComboBox") + Names("EPControlInputColumnComboBox"), {"9", "10"}},
        {Names("SpeedColumnComboBox"), {"1", "2", "3"}},
        {Names("AVModeColumnComboBox"), {"CAV", "VAV"}},
        {Names("Int%1ColumnComboBox", 1, 3), levels},
        {Names("TCorValueColumnComboBox"), corrections},
    };
    Pages pages;
    for (const auto &row : table) {
        for (const QString &name : row.names) {
            const QComboBox *combo = pages.Find<QComboBox>(name);
            QVERIFY2(combo, qPrintable(name));
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items.append(combo->itemText(i));
            QCOMPARE(items, row.items);
            QVERIFY2(combo->currentIndex() == 0, qPrintable(name));
        }
    }
}

void TstPagesService::radioGroups()
{
    const struct
    {
        const char *name;
        QStringList items;
    } table[] = {
        {"DayRadioGroup", {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"}},
        {"InputRadioGroup", {"AIN1", "AIN2", "AIN3", "AIN4", "AIN5", "AIN6", "AIN7", "AIN8"}},
        {"OutputRadioGroup", {"AOUT1", "AOUT2", "AOUT3", "AOUT4", "AOUT5"}},
    };
    Pages pages;
    for (const auto &row : table) {
        const auto *box = pages.Find<QGroupBox>(QLatin1String(row.name));
        QVERIFY2(box, row.name);
        const QList<QButtonGroup *> groups = box->findChildren<QButtonGroup *>();
        QCOMPARE(groups.size(), 1);
        const QButtonGroup *group = groups.first();
        QVERIFY(group->exclusive());
        QCOMPARE(group->buttons().size(), row.items.size());
        for (int id = 0; id < row.items.size(); ++id) {
            QVERIFY(qobject_cast<QRadioButton *>(group->button(id)));
            QCOMPARE(group->button(id)->text(), row.items[id]);
        }
        QCOMPARE(group->checkedId(), 0);
    }
}

void TstPagesService::exclusiveGroupsKeepOneChecked()
{
    QList<QStringList> groups{
        {"ThreeSpeeddxfCheckBox", "FixedValdxfCheckBox", "PControldxfCheckBox", "WithoutExhaustdxfCheckBox"},
        {"AbovedxfCheckBox", "BelowdxfCheckBox"},
        {"StartStopdxfCheckBox", "KitchenHooddxfCheckBox"},
    };
    const auto pairs = [&groups](const char *first, const char *second, int count) {
        for (int k = 1; k <= count; ++k)
            groups.append({QString::fromLatin1(first).arg(k), QString::fromLatin1(second).arg(k)});
    };
    pairs("IAnalogA%1dxfCheckBox", "IAnalogM%1dxfCheckBox", 10);
    pairs("OAnalogA%1dxfCheckBox", "OAnalogM%1dxfCheckBox", 8);
    pairs("IDigitalA%1dxfCheckBox", "IDigitalM%1dxfCheckBox", 8);
    pairs("ODigitalA%1dxfCheckBox", "ODigitalM%1dxfCheckBox", 11);
    pairs("Sim%1OnOffdxfCheckBox", "Sim%1PwmdxfCheckBox", 3);

    Pages pages;
    for (const QStringList &names : groups) {
        for (const QString &clicked : names) {
            // Clicking a box checks it and clears the others; clicking it again keeps it checked.
            for (int twice = 0; twice < 2; ++twice) {
                pages.Find<QCheckBox>(clicked)->click();
                for (const QString &name : names)
                    QVERIFY2(pages.Find<QCheckBox>(name)->isChecked() == (name == clicked),
                             qPrintable(clicked + " / " + name));
            }
        }
    }
    // The value and inversion boxes are independent of each other and of the channels.
    const QStringList independent{"IDigital1dxfCheckBox",  "IDigital2dxfCheckBox",  "IDigitalI1dxfCheckBox",
                                  "IDigitalI2dxfCheckBox", "ODigital11dxfCheckBox", "ODigitalI11dxfCheckBox",
                                  "CorOndxfCheckBox",      "InfluencedxfCheckBox",  "CalibrationdxfCheckBox"};
    for (const QString &name : independent)
        pages.Find<QCheckBox>(name)->click();
    for (const QString &name : independent)
        QVERIFY2(pages.Find<QCheckBox>(name)->isChecked(), qPrintable(name));
}

void TstPagesService::tags()
{
    QList<QPair<QString, int>> table{
        {"SPControlSPWAdvEdit", 0}, {"SPControlPeriodAdvEdit", 1},
        {"SPControlKpAdvEdit", 2},  {"SPControlKiAdvEdit", 3},
        {"EPControlSPWAdvEdit", 4}, {"EPControlPeriodAdvEdit", 5},
        {"EPControlKpAdvEdit", 6},  {"EPControlKiAdvEdit", 7},
        {"SSPWAdvEdit", 0},         {"SPeriodAdvEdit", 1},
        {"SKpAdvEdit", 2},          {"SKiAdvEdit", 3},
        {"ESPWAdvEdit", 0},         {"EPeriodAdvEdit", 1},
        {"EKpAdvEdit", 2},          {"EKiAdvEdit", 3},
        {"VIS4AdvEdit", 3},         {"VIE4AdvEdit", 3},
        {"Int11AdvMaskEdit", 0},    {"Int12AdvMaskEdit", 1},
        {"Int21AdvMaskEdit", 2},    {"Int22AdvMaskEdit", 3},
        {"Int31AdvMaskEdit", 4},    {"Int32AdvMaskEdit", 5},
    };
    const auto numbered = [&table](const char *pattern, int count, auto tagOf) {
        for (int k = 1; k <= count; ++k)
            table.append({QString::fromLatin1(pattern).arg(k), tagOf(k)});
    };
    const auto index = [](int k) { return k - 1; };
    const auto weight = [](int k) { return 1 << (k - 1); };
    numbered("VentOutput%1ColumnComboBox", 6, index);
    numbered("VIS%1AdvEdit", 3, index);
    numbered("VIE%1AdvEdit", 3, index);
    for (const char *pattern : {"IAnalog%1AdvEdit", "IAnalogA%1dxfCheckBox", "IAnalogM%1dxfCheckBox"})
        numbered(pattern, 10, index);
    for (const char *pattern : {"OAnalog%1AdvEdit", "OAnalogA%1dxfCheckBox", "OAnalogM%1dxfCheckBox"})
        numbered(pattern, 8, index);
    for (const char *pattern : {"IDigital%1dxfCheckBox", "IDigitalI%1dxfCheckBox", "IDigitalA%1dxfCheckBox"})
        numbered(pattern, 8, weight);
    for (const char *pattern : {"ODigital%1dxfCheckBox", "ODigitalI%1dxfCheckBox", "ODigitalA%1dxfCheckBox"})
        numbered(pattern, 11, weight);
    numbered("SimT%1AdvEdit", 3, index);
    numbered("Sim%1PwmdxfCheckBox", 3, weight);
    numbered("Sim%1OnOffdxfCheckBox", 3, weight);
    numbered("Int%1ColumnComboBox", 3, index);
    for (const char *parameter : {"Plim", "Pmax", "Offset", "Gain", "Coef"}) {
        table.append({QLatin1String(parameter) + QStringLiteral("9AdvEdit"), 0});
        table.append({QLatin1String(parameter) + QStringLiteral("10AdvEdit"), 1});
    }

    Pages pages;
    for (const auto &[name, tag] : table) {
        const QWidget *control = pages.Find(name);
        QVERIFY2(control, qPrintable(name));
        QVERIFY2(ui::Tag(control) == tag, qPrintable(QStringLiteral("%1 has tag %2").arg(name).arg(ui::Tag(control))));
    }
}

void TstPagesService::timersShowTheSelectedDayFromTheImage()
{
    Pages pages;
    TTimersPage &timers = *pages.timers;
    TWeekProgram &program = timers.WeekProgram();
    for (int d = 0; d < TWeekProgram::kDays; ++d) {
        for (int i = 0; i < TWeekProgram::kTimesPerDay; ++i)
            program.Times[d][i] = static_cast<quint16>(60 * (d + 1) + 10 * i + 5);
        for (int i = 0; i < TWeekProgram::kLevelsPerDay; ++i)
            program.Levels[d][i] = static_cast<quint16>((d + i) % 4);
    }
    program.Times[3][5] = 1500;  // a stored value out of range stays visible
    program.Levels[3][2] = 7;    // a level the list does not hold selects nothing

    const QStringList &edits = kIntervalEdits;
    const QStringList combos{"Int1ColumnComboBox", "Int2ColumnComboBox", "Int3ColumnComboBox"};
    QCOMPARE(timers.SelectedDay(), 0);
    timers.ShowDayTimes();
    timers.ShowDayLevels();
    const QStringList sunday{"1:05", "1:15", "1:25", "1:35", "1:45", "1:55"};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(pages.Find<TAdvEdit>(edits[i])->text(), sunday[i]);
        QCOMPARE(pages.Find(edits[i])->property("HeldMinutes").toInt(), 65 + 10 * i);
    }
    for (int i = 0; i < 3; ++i)
        QCOMPARE(pages.Find<QComboBox>(combos[i])->currentIndex(), i);

    // Choosing Wednesday shows Wednesday, without a request to the board.
    auto *days = pages.Find<QGroupBox>("DayRadioGroup")->findChild<QButtonGroup *>();
    days->button(3)->click();
    QCOMPARE(timers.SelectedDay(), 3);
    const QStringList wednesday{"4:05", "4:15", "4:25", "4:35", "4:45", "25:00"};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(pages.Find<TAdvEdit>(edits[i])->text(), wednesday[i]);
        QCOMPARE(pages.Find(edits[i])->property("HeldMinutes").toInt(), program.Times[3][i]);
    }
    QCOMPARE(pages.Find<QComboBox>(combos[0])->currentIndex(), 3);
    QCOMPARE(pages.Find<QComboBox>(combos[1])->currentIndex(), 0);
    QCOMPARE(pages.Find<QComboBox>(combos[2])->currentIndex(), -1);
    QCOMPARE(program.Levels[3][2], quint16(7));  // the image keeps what the list cannot show
    QCOMPARE(pages.Requests(), quint64(0));
}

void TstPagesService::upDownStepsItsEdit()
{
    Pages pages;
    auto *upDown = pages.Find<TUpDown>("LoCodeUpDown");
    auto *code = pages.Find<TAdvEdit>("LoCodeAdvEdit");
    QVERIFY(upDown && code);
    QCOMPARE(upDown->Associate(), code);
    QCOMPARE(upDown->Minimum(), 0);
    QCOMPARE(upDown->Maximum(), 4095);
    QCOMPARE(upDown->Position(), 0);
    QToolButton *up = nullptr;
    QToolButton *down = nullptr;
    for (QToolButton *button : upDown->findChildren<QToolButton *>())
        (button->arrowType() == Qt::UpArrow ? up : down) = button;
    QVERIFY(up && down);
    QSignalSpy stepped(upDown, &TUpDown::Stepped);

    up->click();
    QCOMPARE(code->text(), QStringLiteral("1"));
    QTest::keyClick(code, Qt::Key_Up);  // the arrow keys in the edit step too
    QCOMPARE(code->text(), QStringLiteral("2"));
    QCOMPARE(stepped.count(), 2);

    // A step starts from what the edit shows.
    code->setText(QStringLiteral("409"));
    QTest::keyClick(code, Qt::Key_Down);
    QCOMPARE(code->text(), QStringLiteral("408"));
    QCOMPARE(upDown->Position(), 408);

    // At a limit nothing changes and nothing is announced.
    code->setText(QStringLiteral("4095"));
    stepped.clear();
    up->click();
    code->setText(QStringLiteral("0"));
    down->click();
    QCOMPARE(code->text(), QStringLiteral("0"));
    QCOMPARE(stepped.count(), 0);

    // A number beyond the range (an estimate one above full scale) steps back into it.
    code->setText(QStringLiteral("4096"));
    down->click();
    QCOMPARE(code->text(), QStringLiteral("4094"));
    // A text that is no number steps from the last position.
    code->setText(QStringLiteral(""));
    up->click();
    QCOMPARE(code->text(), QStringLiteral("4095"));
    QCOMPARE(stepped.count(), 2);

    // A maximum the edit is too short for lengthens it, so that no position shows cut off.
    upDown->SetMaximum(32767);
    QCOMPARE(code->maxLength(), 5);
    code->setText(QStringLiteral("32766"));
    up->click();
    up->click();
    QCOMPARE(code->text(), QStringLiteral("32767"));
}

void TstPagesService::onlyUserActionsWrite()
{
    Pages pages;
    // Everything a page refresh or a configuration load does to the controls.
    for (QCheckBox *box : pages.window.findChildren<QCheckBox *>())
        box->setChecked(!box->isChecked());
    for (QComboBox *combo : pages.window.findChildren<QComboBox *>())
        combo->setCurrentIndex(combo->count() - 1);
    for (TAdvEdit *edit : pages.window.findChildren<TAdvEdit *>())
        edit->setText(QStringLiteral("1"));
    QCOMPARE(pages.Requests(), quint64(0));

    // The remote-control boxes write on a click, whether or not it changes them.
    pages.Find<QCheckBox>("KitchenHooddxfCheckBox")->click();
    pages.Find<QCheckBox>("KitchenHooddxfCheckBox")->click();
    QCOMPARE(pages.Requests(), quint64(2));
}

void TstPagesService::pagesFitTheirArea()
{
    Pages pages;
    for (QWidget *page : {static_cast<QWidget *>(pages.ventilation), static_cast<QWidget *>(pages.inOut),
                          static_cast<QWidget *>(pages.timers), static_cast<QWidget *>(pages.calibration)})
        QVERIFY2(
            page->minimumSizeHint().width() <= 552,
            qPrintable(QStringLiteral("%1 needs %2 px").arg(page->objectName()).arg(page->minimumSizeHint().width())));
}

QTEST_MAIN(TstPagesService)
#include "tst_pages_service.moc"
