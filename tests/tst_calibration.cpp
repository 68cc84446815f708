// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Calibration page on the main window against the in-process simulated board: references and
// their bounds, the status lamps after a calibration, the pressure-input parameters, the output
// classes with their codes, the calibration mode, and leaving a board with overrides.
#include "WindowOnBoard.h"

#include "service/TCalibrationPage.h"
#include "service/TUpDown.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TLed.h"

#include <QLabel>
#include <QRadioButton>

namespace {
using Write = QPair<quint16, quint16>;
}  // namespace

class TestCalibration : public QObject, private WindowOnBoard
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void inputReferencesKeepTheirBounds();
    void aCalibrationLightsTheLamps();
    void pressureInputsTakeTheirRanges();
    void outputClassesDecideTheCodes();
    void steppedCodesGoOutWhileConnected();
    void calibrationModeAndOffline();
    void leavingOffersToReturnOverrides_data();
    void leavingOffersToReturnOverrides();
    void overridesOnTheBoardAreKnownAtConnect_data();
    void overridesOnTheBoardAreKnownAtConnect();
    void aMaskClickNotWrittenShowsWhatItShowed();

private:
    TAdvEdit *Edit(const char *name) const { return Named<TAdvEdit>(name); }
    void Click(const char *name) const { Named<QAbstractButton>(QLatin1String(name))->click(); }
    void Select(const char *group, int channel) const
    {
        Named<QWidget>(QLatin1String(group))->findChildren<QRadioButton *>().at(channel)->click();
    }
};

void TestCalibration::initTestCase()
{
    EnterOwnFolder();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // the gain's decimal comma
}

void TestCalibration::cleanupTestCase()
{
    LeaveOwnFolder();
}

void TestCalibration::init()
{
    Open({.firmware = 1012});  // the Calibration page is the visible one; AIN9 and AIN10 are in the extended set
}

void TestCalibration::cleanup()
{
    Close();
}

void TestCalibration::inputReferencesKeepTheirBounds()
{
    Select("InputRadioGroup", 4);  // AIN5: up to 10000 mV
    QCOMPARE(Edit("LoLimitAdvEdit")->text(), QStringLiteral("1000"));
    QCOMPARE(Edit("HiLimitAdvEdit")->text(), QStringLiteral("9000"));
    Type("HiLimitAdvEdit", QStringLiteral("10000"));
    Select("InputRadioGroup", 1);  // AIN2: up to 1750 mV
    QCOMPARE(Edit("LoLimitAdvEdit")->text(), QStringLiteral("500"));
    Type("HiLimitAdvEdit", QStringLiteral("1751"));
    Type("LoLimitAdvEdit", QStringLiteral("-1"));
    // The buttons check again what the edits hold: a refused reference never goes out.
    Click("HiLimitVrDemoButton");
    Edit("LoLimitAdvEdit")->setText(QStringLiteral("1750"));
    Click("LoLimitVrDemoButton");
    QCOMPARE(Messages().RangeWarnings, (QStringList{QStringLiteral("HiLimitAdvEdit"), QStringLiteral("LoLimitAdvEdit"),
                                                    QStringLiteral("HiLimitAdvEdit")}));
    QCOMPARE(Writes(), QList<Write>{Write(0x0509, 1750)});
}

void TestCalibration::aCalibrationLightsTheLamps()
{
    auto *input = Named<TLed>(QStringLiteral("Ain3VrUserLed"));
    auto *output = Named<TLed>(QStringLiteral("Aout2VrUserLed"));
    Click("CalibrationdxfCheckBox");
    Select("InputRadioGroup", 2);   // AIN3
    Select("OutputRadioGroup", 1);  // AOUT2
    // A low reference starts the channel's calibration over: its lamp goes out.
    Click("LoLimitVrDemoButton");
    Click("LoLimitVrButton");
    PageOf<TCalibrationPage>(Form())->InputStatusRead();
    PageOf<TCalibrationPage>(Form())->OutputStatusRead();
    Settle(Form());
    QVERIFY(!input->IsOn() && !output->IsOn());
    // The high one completes it, and the status read that follows lights the lamp.
    Click("HiLimitVrDemoButton");
    Click("HiLimitVrButton");
    QCOMPARE(Writes(), (QList<Write>{{0x0536, 1}, {0x050A, 500}, {0x052D, 1000}, {0x0512, 1000}, {0x0532, 9000}}));
    QVERIFY(input->IsOn() && output->IsOn());
}

void TestCalibration::pressureInputsTakeTheirRanges()
{
    Type("Plim9AdvEdit", QStringLiteral("10000"));
    Type("Pmax10AdvEdit", QStringLiteral("65535"));
    Type("Pmax9AdvEdit", QStringLiteral("65536"));  // never sent reduced modulo 65536
    Type("Offset10AdvEdit", QStringLiteral("-100"));
    Type("Offset9AdvEdit", QStringLiteral("-101"));
    Type("Gain9AdvEdit", QStringLiteral("0,8"));
    Type("Gain10AdvEdit", QStringLiteral("1,25"));
    Type("Coef10AdvEdit", QStringLiteral("0"));
    Type("Coef10AdvEdit", QStringLiteral("1233"));
    QCOMPARE(Writes(),
             (QList<Write>{{0x0518, 10000}, {0x051B, 65535}, {0x051D, 0xFF9C}, {0x051E, 8000}, {0x0521, 1233}}));
    QCOMPARE(Messages().RangeWarnings, (QStringList{QStringLiteral("Pmax9AdvEdit"), QStringLiteral("Offset9AdvEdit"),
                                                    QStringLiteral("Gain10AdvEdit"), QStringLiteral("Coef10AdvEdit")}));
}

void TestCalibration::outputClassesDecideTheCodes()
{
    Select("OutputRadioGroup", 2);  // AOUT3: 15-bit
    QCOMPARE(Edit("LoCodeAdvEdit")->text(), QStringLiteral("3276"));
    QCOMPARE(Edit("HiCodeAdvEdit")->text(), QStringLiteral("29491"));
    QCOMPARE(Named<TUpDown>(QStringLiteral("LoCodeUpDown"))->Maximum(), 32767);
    QCOMPARE(Edit("HiCodeAdvEdit")->maxLength(), 5);
    Select("OutputRadioGroup", 0);  // AOUT1: 12-bit
    QCOMPARE(Edit("HiCodeAdvEdit")->text(), QStringLiteral("3685"));
    QCOMPARE(Named<TUpDown>(QStringLiteral("HiCodeUpDown"))->Maximum(), 4095);
    Type("LoVoltageAdvEdit", QStringLiteral("2000"));
    QCOMPARE(Edit("LoCodeAdvEdit")->text(), QStringLiteral("819"));
    Type("LoVoltageAdvEdit", QStringLiteral("10001"));
    QCOMPARE(Messages().RangeWarnings, QStringList{QStringLiteral("LoVoltageAdvEdit")});
    QCOMPARE(Writes(), QList<Write>{});  // estimating sends nothing
}

void TestCalibration::steppedCodesGoOutWhileConnected()
{
    Select("OutputRadioGroup", 2);  // AOUT3: the board takes the code doubled
    Edit("LoCodeAdvEdit")->setText(QStringLiteral("3275"));
    QTest::keyClick(Edit("LoCodeAdvEdit"), Qt::Key_Up);
    Select("OutputRadioGroup", 1);  // AOUT2: as it is
    Edit("HiCodeAdvEdit")->setText(QStringLiteral("4095"));
    QTest::keyClick(Edit("HiCodeAdvEdit"), Qt::Key_Down);
    QCOMPARE(Writes(), (QList<Write>{{0x0529, 6552}, {0x0528, 4094}}));
}

void TestCalibration::calibrationModeAndOffline()
{
    Click("CalibrationdxfCheckBox");
    Click("CalibrationdxfCheckBox");
    QCOMPARE(Writes(), (QList<Write>{{0x0536, 1}, {0x0536, 0}}));

    PanelOf(Form())->ConnectVrButton->click();  // Disconnect
    QTRY_VERIFY_WITH_TIMEOUT(!TcpOf(Form()).IsOpen(), kSoonMs);
    m_board->ClearRecord();
    Click("HiLimitVrButton");
    QVERIFY2(StatusPanelOf(Form(), 0)->text().contains(QLatin1String("was not written: the line is closed")),
             qPrintable(StatusPanelOf(Form(), 0)->text()));
    const quint64 discarded = TcpOf(Form()).GetCounters().Discarded;
    QTest::keyClick(Edit("LoCodeAdvEdit"), Qt::Key_Up);  // stepping offline sends nothing at all
    QCOMPARE(TcpOf(Form()).GetCounters().Discarded, discarded);
    QCOMPARE(m_board->Requests().size(), 0);
}

void TestCalibration::leavingOffersToReturnOverrides_data()
{
    QTest::addColumn<int>("answer");  // a TChoice, or -1 for Enter
    QTest::addColumn<bool>("byClosing");
    const int enter = -1;
    QTest::newRow("disconnect, return them") << int(TChoice::Go) << false;
    QTest::newRow("disconnect, leave them") << int(TChoice::Other) << false;
    QTest::newRow("disconnect, Enter") << enter << false;
    QTest::newRow("close, return them") << int(TChoice::Go) << true;
    QTest::newRow("close, Enter") << enter << true;
}

// Manual I/O and calibration mode stay on the board when the technician goes: the window says so
// while they last, and asks before the line closes, naming every write. Returning writes exactly
// the overridden registers, and no setting such as an inversion, a simulation channel's mode or
// time (configuration, saved with every file); Enter (Cancel) writes nothing and leaves the line
// and the window open.
void TestCalibration::leavingOffersToReturnOverrides()
{
    QFETCH(int, answer);
    QFETCH(bool, byClosing);
    if (byClosing)
        Form().show();
    QCOMPARE(StatusPanelOf(Form(), 4)->text(), QString());
    Click("IAnalogM3dxfCheckBox");
    Click("ODigitalI2dxfCheckBox");
    Click("Sim1PwmdxfCheckBox");
    Type("SimT1AdvEdit", QStringLiteral("30"));  // a setting: the board keeps it
    Click("CalibrationdxfCheckBox");
    QCOMPARE(StatusPanelOf(Form(), 4)->text(), QStringLiteral("Overrides active"));
    const QStringList active{QStringLiteral("analog inputs in manual: A3"), QStringLiteral("calibration mode on")};
    QCOMPARE(StatusPanelOf(Form(), 4)->toolTip(), active.join(QLatin1Char('\n')));
    SettleWrites();  // the inversion box of the page not read writes once its register is read
    m_board->ClearRecord();

    if (answer >= 0)
        Messages().Answers = {static_cast<TChoice>(answer)};
    if (byClosing)
        Form().close();
    else
        Click("ConnectVrButton");
    QCOMPARE(Messages().Questions.size(), 1);
    const TQuestion &question = Messages().Questions.first();
    QCOMPARE(question.Default, TChoice::Cancel);
    QCOMPARE(question.GoText, QStringLiteral("Return to automatic"));
    QCOMPARE(question.OtherText, QStringLiteral("Leave them"));
    for (const char *line : {"0x031D = 0: analog input A3 automatic", "0x0536 = 0: calibration mode off"})
        QVERIFY2(question.Text.contains(QLatin1String(line)), qPrintable(question.Text));
    QVERIFY2(!question.Text.contains(QLatin1String("0x0338")) && !question.Text.contains(QLatin1String("0x033E")),
             qPrintable(question.Text));

    const bool leaves = answer == int(TChoice::Go) || answer == int(TChoice::Other);
    const bool returns = answer == int(TChoice::Go);
    if (leaves && byClosing)
        QTRY_VERIFY_WITH_TIMEOUT(!Form().isVisible(), kSoonMs);
    else if (leaves)
        QTRY_VERIFY_WITH_TIMEOUT(!TcpOf(Form()).IsOpen(), kSoonMs);
    else
        Settle(Form());  // the line is still open, and nothing was sent
    const QList<Write> expected = returns ? QList<Write>{{0x031D, 0}, {0x0536, 0}} : QList<Write>{};
    QTRY_COMPARE_WITH_TIMEOUT(m_board->Writes(), expected, kSoonMs);
    QCOMPARE(m_board->Board().value(0x033B), quint16(300));
    QCOMPARE(m_board->Board().value(0x0338) & 0x0002, 0x0002);  // output 2 stays inverted
    QCOMPARE(m_board->Board().value(0x033E) & 0x0001, 0x0001);  // T1 stays PWM
    QCOMPARE(StatusPanelOf(Form(), 4)->text().isEmpty(), returns);
    // Closing the window leaves the line as it is.
    QCOMPARE(Form().Session().Connected(), !leaves || byClosing);
    QCOMPARE(Form().isVisible(), byClosing && !leaves);
}

void TestCalibration::overridesOnTheBoardAreKnownAtConnect_data()
{
    using Registers = QList<Write>;
    QTest::addColumn<QString>("page");
    QTest::addColumn<Registers>("onBoard");  // set on the board before the window connects
    QTest::addColumn<QStringList>("active");
    QTest::addColumn<Registers>("returned");
    const QString timers = QStringLiteral("TimersTabSheet");
    const auto row = [&](const char *name, const Registers &onBoard, const QStringList &active,
                         const Registers &returned,
                         const QString &page) { QTest::newRow(name) << page << onBoard << active << returned; };
    row("analog input in manual", {{0x031D, 1}}, {"analog inputs in manual: A3"}, {{0x031D, 0}}, timers);
    row("analog outputs in manual", {{0x032D, 1}, {0x0334, 1}}, {"analog outputs in manual: A1, A8"},
        {{0x032D, 0}, {0x0334, 0}}, timers);
    row("digital input in manual", {{0x0337, 0x00FE}}, {"digital inputs in manual: IN1"}, {{0x0337, 0x00FF}}, timers);
    row("digital output in manual", {{0x033A, 0x03FF}}, {"digital outputs in manual: OUT11"}, {{0x033A, 0x07FF}},
        timers);
    // A normally-closed contact (an inverted input), an inverted output and a PWM simulation channel
    // are configuration: nothing is active, asked or returned.
    row("digital input inverted", {{0x0335, 0x0004}}, {}, {}, timers);
    row("digital output inverted", {{0x0338, 0x0001}}, {}, {}, timers);
    row("simulation channel in PWM", {{0x033E, 0x0002}}, {}, {}, timers);
    row("calibration mode", {{0x0536, 1}}, {"calibration mode on"}, {{0x0536, 0}}, timers);
    row("calibration mode, In/Out shown", {{0x0536, 1}}, {"calibration mode on"}, {{0x0536, 0}},
        QStringLiteral("InOutTabSheet"));
    // The factory's 60 s and the longest time a technician may set: settings, not overrides.
    row("simulation times only, In/Out shown", {{0x033D, 60000}}, {}, {}, QStringLiteral("InOutTabSheet"));
    row("simulation times only, Calibration shown", {{0x033D, 60000}}, {}, {}, QStringLiteral("CalibrationTabSheet"));
}

// What another tool (or an earlier session) left on the board is known once the line is up,
// whichever page is shown: the status bar says so, and leaving asks to return exactly that. The
// I/O test block and the calibration mode are read once at connect.
void TestCalibration::overridesOnTheBoardAreKnownAtConnect()
{
    using Registers = QList<Write>;
    QFETCH(QString, page);
    QFETCH(Registers, onBoard);
    QFETCH(QStringList, active);
    QFETCH(Registers, returned);
    Click("ConnectVrButton");  // Disconnect: nothing overridden yet
    QTRY_COMPARE_WITH_TIMEOUT(PanelOf(Form())->ConnectVrButton->text(), QStringLiteral("&Connect"), kSoonMs);
    for (const auto &[address, value] : onBoard)
        QVERIFY(m_board->Board().write(address, value));
    TabsOf(Form())->setCurrentWidget(Named<QWidget>(page));
    m_board->ClearRecord();
    QVERIFY(ConnectTcp(Form(), m_board->TcpPort()));
    Settle(Form());
    const auto readsOf = [this](quint16 address, quint16 count) {
        int reads = 0;
        for (const SimRequest &r : m_board->Requests())
            reads += r.Function == 3 && r.Address == address && r.Count == count ? 1 : 0;
        return reads;
    };
    QCOMPARE(readsOf(0x0311, 47), 1);
    QCOMPARE(readsOf(0x0536, 1), 1);
    QCOMPARE(StatusPanelOf(Form(), 4)->text().isEmpty(), active.isEmpty());
    QCOMPARE(StatusPanelOf(Form(), 4)->toolTip(), active.join(QLatin1Char('\n')));

    m_board->ClearRecord();
    Messages().Answers = {TChoice::Go};
    Click("ConnectVrButton");  // Disconnect
    QTRY_VERIFY_WITH_TIMEOUT(!TcpOf(Form()).IsOpen(), kSoonMs);
    QCOMPARE(Messages().Questions.size(), active.isEmpty() ? 0 : 1);
    QCOMPARE(m_board->Writes(), returned);
    QCOMPARE(m_board->Board().value(0x033B), quint16(600));
}

// On an In/Out page whose read the board refused, a click on an output's "M" is written only
// after its register is read; a board that refuses that read too gets nothing, and the box goes
// back to what it showed: no override is reported and none is returned at Disconnect.
void TestCalibration::aMaskClickNotWrittenShowsWhatItShowed()
{
    Click("ConnectVrButton");  // Disconnect
    QTRY_COMPARE_WITH_TIMEOUT(PanelOf(Form())->ConnectVrButton->text(), QStringLiteral("&Connect"), kSoonMs);
    m_board->SetFaults({.Refuse = {{.First = 0x033A, .Last = 0x033A}}});
    TabsOf(Form())->setCurrentWidget(Named<QWidget>("InOutTabSheet"));
    QVERIFY(ConnectTcp(Form(), m_board->TcpPort()));
    Settle(Form());
    m_board->ClearRecord();
    Click("ODigitalM3dxfCheckBox");
    Settle(Form());
    QVERIFY(Named<QCheckBox>("ODigitalA3dxfCheckBox")->isChecked());
    QVERIFY(!Named<QCheckBox>("ODigitalM3dxfCheckBox")->isChecked());
    QCOMPARE(StatusPanelOf(Form(), 4)->text(), QString());
    Click("ConnectVrButton");  // Disconnect
    QTRY_VERIFY_WITH_TIMEOUT(!TcpOf(Form()).IsOpen(), kSoonMs);
    QCOMPARE(Messages().Questions.size(), 0);
    QCOMPARE(m_board->Writes(), QList<Write>{});
}

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
