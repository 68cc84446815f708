// The Calibration page on the main window against the in-process simulated board: references and
// their bounds, the status lamps after a calibration, the pressure-input parameters, the output
// classes with their codes, and the calibration mode.
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
    Form().CalibrationTabSheet->InputStatusRead();
    Form().CalibrationTabSheet->OutputStatusRead();
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

    Form().ConnectiondxfGroupBox->ConnectVrButton->click();  // Disconnect
    QTRY_VERIFY_WITH_TIMEOUT(!Form().TCPModbusClient.IsOpen(), kSoonMs);
    m_board->ClearRecord();
    Click("HiLimitVrButton");
    QVERIFY2(Form().StatusPanels[0]->text().contains(QLatin1String("was not written: the line is closed")),
             qPrintable(Form().StatusPanels[0]->text()));
    const quint64 discarded = Form().TCPModbusClient.GetCounters().Discarded;
    QTest::keyClick(Edit("LoCodeAdvEdit"), Qt::Key_Up);  // stepping offline sends nothing at all
    QCOMPARE(Form().TCPModbusClient.GetCounters().Discarded, discarded);
    QCOMPARE(m_board->Requests().size(), 0);
}

void TestCalibration::leavingOffersToReturnOverrides_data()
{
    QTest::addColumn<bool>("returnThem");
    QTest::addColumn<bool>("byClosing");
    QTest::newRow("disconnect, return them") << true << false;
    QTest::newRow("disconnect, leave them") << false << false;
    QTest::newRow("close, return them") << true << true;
}

// Manual, inverted and simulated I/O and calibration mode stay on the board when the technician
// goes: the window says so while they last, and asks before the line closes.
void TestCalibration::leavingOffersToReturnOverrides()
{
    QFETCH(bool, returnThem);
    QFETCH(bool, byClosing);
    QCOMPARE(Form().StatusPanels[4]->text(), QString());
    Click("IAnalogM3dxfCheckBox");
    Click("ODigitalI2dxfCheckBox");
    Type("SimT1AdvEdit", QStringLiteral("30"));
    Click("CalibrationdxfCheckBox");
    QCOMPARE(Form().StatusPanels[4]->text(), QStringLiteral("Overrides active"));
    const QStringList active{QStringLiteral("analog inputs in manual: A3"),
                             QStringLiteral("digital outputs inverted: OUT2"),
                             QStringLiteral("simulation channels running: T1"), QStringLiteral("calibration mode on")};
    QCOMPARE(Form().StatusPanels[4]->toolTip(), active.join(QLatin1Char('\n')));
    SettleWrites();  // the inversion box of the page not read writes once its register is read
    m_board->ClearRecord();

    Messages().ReturnOverrides = returnThem;
    if (byClosing)
        Form().close();
    else
        Click("ConnectVrButton");
    QCOMPARE(Messages().OverridesAsked, QList<QStringList>{active});
    QTRY_VERIFY_WITH_TIMEOUT(!Form().TCPModbusClient.IsOpen() || byClosing, kSoonMs);
    QList<Write> expected;
    if (returnThem) {
        for (quint16 r = 0x031B; r <= 0x0324; ++r)
            expected.append({r, 0});
        expected << Write(0x0335, 0) << Write(0x0336, 0) << Write(0x0337, 0x00FF) << Write(0x0338, 0)
                 << Write(0x0339, 0) << Write(0x033A, 0x07FF) << Write(0x033B, 0) << Write(0x033C, 0)
                 << Write(0x033D, 0) << Write(0x0536, 0);
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_board->Writes(), expected, kSoonMs);
    QCOMPARE(Form().StatusPanels[4]->text().isEmpty(), returnThem);
    if (byClosing)
        QTRY_VERIFY_WITH_TIMEOUT(!Form().isVisible(), kSoonMs);
}

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
