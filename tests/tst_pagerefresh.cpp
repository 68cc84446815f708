// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// A page shows what the board holds when it is opened: the reads of every page against the
// in-process simulated board, and what the answers show.
#include "WindowOnBoard.h"

#include "app/TConnectionPanel.h"
#include "monitor/TPoll.h"
#include "service/TTimersPage.h"
#include "widgets/TIPAddressEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {
struct Read
{
    quint16 Address;
    quint16 Count;
    bool operator==(const Read &) const = default;
};

QList<Read> ReadsOf(const QList<SimRequest> &requests)
{
    QList<Read> reads;
    for (const SimRequest &r : requests)
        if (r.Function == 0x03)
            reads.append({r.Address, r.Count});
    return reads;
}

char *toString(const Read &r)
{
    return qstrdup(qPrintable(QStringLiteral("0x%1x%2").arg(r.Address, 4, 16, QLatin1Char('0')).arg(r.Count)));
}
}  // namespace

class TestPageRefresh : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void eachPageReadsItsBlocks_data();
    void eachPageReadsItsBlocks();
    void connectingReadsTheVisiblePageOnce();
    void settingsShowTheBoard();
    void calibrationValuesAndLamps();
    void remoteControlFollowsTheBoard();
    void timersOfflineAndOnline();
    void quickSwitchingShowsEachPageItsOwnAnswers();
    void aPageNotReadIsMarkedAndItsMasksKeepTheBoardsBits_data();
    void aPageNotReadIsMarkedAndItsMasksKeepTheBoardsBits();

private:
    void Connect(const Z4BoardOptions &options = {});
    void Show(const QString &page);
    void Settle() { ::Settle(*m_form->Form); }

    std::unique_ptr<Z4SimServer> m_board;
    std::unique_ptr<RecordedForm> m_form;
};

void TestPageRefresh::init()
{
    m_form = std::make_unique<RecordedForm>();
    m_form->Form->ReadTimer().stop();  // only the page reads matter here
}

void TestPageRefresh::cleanup()
{
    m_form.reset();
    m_board.reset();
}

void TestPageRefresh::Connect(const Z4BoardOptions &options)
{
    m_board = StartTcpBoard(options);
    QVERIFY(m_board);
    QVERIFY(ConnectTcp(*m_form->Form, m_board->TcpPort()));
    Settle();
    m_board->ClearRecord();
}

void TestPageRefresh::Show(const QString &page)
{
    QTabWidget *tabs = TabsOf(*m_form->Form);
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->widget(i)->objectName() == page) {
            tabs->setCurrentIndex(i);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no page %1").arg(page)));
}

void TestPageRefresh::eachPageReadsItsBlocks_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QList<Read>>("reads");
    QTest::newRow("Settings") << "SettingsTabSheet" << QList<Read>{{0x0200, 66}};
    QTest::newRow("Heating") << "HeatingTabSheet" << QList<Read>{{0x0242, 22}};
    QTest::newRow("Cooling") << "CoolingTabSheet" << QList<Read>{{0x0258, 10}};
    QTest::newRow("Cascade") << "CascadeTabSheet" << QList<Read>{{0x0300, 17}};
    QTest::newRow("In/Out") << "InOutTabSheet" << QList<Read>{{0x0311, 47}};
    QTest::newRow("Timers") << "TimersTabSheet" << QList<Read>{{0x0340, 6}, {0x036A, 3}, {0x037F, 5}, {0x0385, 1}};
    QTest::newRow("Ventilation") << "VentilationTabSheet" << QList<Read>{{0x0400, 48}, {0x0430, 3}};
    QTest::newRow("Calibration") << "CalibrationTabSheet"
                                 << QList<Read>{{0x0518, 20}, {0x0536, 1}, {0x0500, 8}, {0x0522, 8}};
    QTest::newRow("Stop") << "StopTabSheet" << QList<Read>{};
    QTest::newRow("Parameters") << "ParametersTabSheet" << QList<Read>{};
    QTest::newRow("Control") << "ControlTabSheet" << QList<Read>{};
    QTest::newRow("Inputs & Outputs") << "InputsOutputsTabSheet" << QList<Read>{};
}

void TestPageRefresh::eachPageReadsItsBlocks()
{
    QFETCH(QString, page);
    QFETCH(QList<Read>, reads);
    Connect();
    // Start from a page with no reads, so the switch to the page under test is a change.
    Show(page == QLatin1String("StopTabSheet") ? QStringLiteral("ControlTabSheet") : QStringLiteral("StopTabSheet"));
    Settle();
    m_board->ClearRecord();
    Show(page);
    Settle();
    QList<Read> seen = ReadsOf(m_board->Requests());
    seen.removeLast();  // the marker read of Settle
    QCOMPARE(seen, reads);
    QVERIFY(m_board->Writes().isEmpty());  // a refresh never writes
}

void TestPageRefresh::connectingReadsTheVisiblePageOnce()
{
    Show(QStringLiteral("HeatingTabSheet"));
    m_board = StartTcpBoard();
    QVERIFY(m_board);
    QVERIFY(ConnectTcp(*m_form->Form, m_board->TcpPort()));
    Settle();
    // Besides the page, the connect reads the firmware version (and the series number after it)
    // and the overrides the board holds: the I/O test block and the calibration mode. Settle's
    // marker reads are left out.
    QList<Read> seen = ReadsOf(m_board->Requests());
    seen.removeIf([](const Read &r) { return r.Address == 0xE700 && r.Count == 1; });
    QCOMPARE(seen, (QList<Read>{{0xE700, 2}, {0x0242, 22}, {0x0311, 47}, {0x0536, 1}, {0x0385, 1}}));
}

void TestPageRefresh::settingsShowTheBoard()
{
    Connect();
    Z4Board &board = m_board->Board();
    board.write(0x0200, 2150);  // supply set point x100
    board.write(0x0216, 1);     // season
    board.write(0x020D, 0xFFFB);
    Show(QStringLiteral("SettingsTabSheet"));
    Settle();
    TForm1 &form = *m_form->Form;
    const QString point = QLocale().decimalPoint();
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("SupplySPAdvEdit"))->text(),
             QStringLiteral("21") + point + QStringLiteral("5"));
    QCOMPARE(form.findChild<QComboBox *>(QStringLiteral("SeasonColumnComboBox"))->currentIndex(), 1);
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("T1AdvEdit"))->text(), QStringLiteral("-5"));
}

void TestPageRefresh::calibrationValuesAndLamps()
{
    Connect();
    Z4Board &board = m_board->Board();
    board.write(0x051E, 12345);   // gain AIN9 x 0.0001
    board.write(0x051A, 0xFFFF);  // Pmax9, unsigned
    board.write(0x0518, 0xFFFF);  // Plim9, signed
    // The window opens on "Calibration": open it again to read it.
    Show(QStringLiteral("StopTabSheet"));
    Show(QStringLiteral("CalibrationTabSheet"));
    Settle();
    TForm1 &form = *m_form->Form;
    const QString point = QLocale().decimalPoint();
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Gain9AdvEdit"))->text(),
             QStringLiteral("1") + point + QStringLiteral("2345"));
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Pmax9AdvEdit"))->text(), QStringLiteral("65535"));
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("Plim9AdvEdit"))->text(), QStringLiteral("-1"));
    QCOMPARE(form.findChild<QCheckBox *>(QStringLiteral("CalibrationdxfCheckBox"))->isChecked(),
             board.value(0x0536) != 0);
}

void TestPageRefresh::remoteControlFollowsTheBoard()
{
    // A board without remote control refuses 0x0430-0x0432 with exception 2.
    Connect({.firmware = 1012});
    m_form->Form->Poll().ReadVersion();  // firmware that may have it
    Settle();
    m_board->SetFaults({.Refuse = {{0x0430, 0x0432, 2}}});
    TForm1 &form = *m_form->Form;
    auto *startStop = form.findChild<QCheckBox *>(QStringLiteral("StartStopdxfCheckBox"));
    auto *hood = form.findChild<QCheckBox *>(QStringLiteral("KitchenHooddxfCheckBox"));
    auto *supply = form.findChild<QLineEdit *>(QStringLiteral("VIS4AdvEdit"));
    auto *exhaust = form.findChild<QLineEdit *>(QStringLiteral("VIE4AdvEdit"));
    Show(QStringLiteral("VentilationTabSheet"));
    Settle();
    for (QWidget *w : {static_cast<QWidget *>(startStop), static_cast<QWidget *>(hood), static_cast<QWidget *>(supply),
                       static_cast<QWidget *>(exhaust)})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));

    // The board answers again: a later read enables and fills them.
    m_board->SetFaults({});
    m_board->Board().write(0x0430, 1);
    m_board->Board().write(0x0431, 77);
    Show(QStringLiteral("StopTabSheet"));
    Show(QStringLiteral("VentilationTabSheet"));
    Settle();
    QVERIFY(startStop->isEnabled() && hood->isEnabled() && supply->isEnabled() && exhaust->isEnabled());
    QVERIFY(hood->isChecked());
    QVERIFY(!startStop->isChecked());
    QCOMPARE(supply->text(), QStringLiteral("77"));
}

void TestPageRefresh::timersOfflineAndOnline()
{
    TForm1 &form = *m_form->Form;
    TTimersPage &timers = *PageOf<TTimersPage>(form);
    auto *start1 = form.findChild<QLineEdit *>(QStringLiteral("Int11AdvMaskEdit"));
    auto *level1 = form.findChild<QComboBox *>(QStringLiteral("Int1ColumnComboBox"));

    // Offline: the page shows the program held in memory for the selected day.
    timers.WeekProgram().Times[3][0] = 7 * 60 + 30;
    timers.WeekProgram().Levels[3][0] = 2;
    form.findChild<QWidget *>(QStringLiteral("DayRadioGroup"))->findChildren<QRadioButton *>().at(3)->click();
    QCOMPARE(start1->text(), QStringLiteral("7:30"));
    QCOMPARE(level1->currentIndex(), 2);

    // Online: the day read fills the controls and the image.
    Connect();
    m_board->Board().write(0x0340 + 6 * 3, 6 * 60 + 5);
    m_board->Board().write(0x036A + 3 * 3, 3);
    Show(QStringLiteral("TimersTabSheet"));
    Settle();
    QCOMPARE(start1->text(), QStringLiteral("6:05"));
    QCOMPARE(level1->currentIndex(), 3);
    QCOMPARE(timers.WeekProgram().Times[3][0], 6 * 60 + 5);
    QCOMPARE(timers.WeekProgram().Levels[3][0], 3);
    QVERIFY(m_board->Writes().isEmpty());
}

void TestPageRefresh::quickSwitchingShowsEachPageItsOwnAnswers()
{
    Connect();
    Z4Board &board = m_board->Board();
    board.write(0x0243, 123);  // water heater period, seconds
    board.write(0x0259, 45);   // water cooler period
    board.write(0x0307, 77);   // cascade period
    board.write(0x0336, 1);    // digital input 1 forced value
    board.write(0x0408, 2);    // exhaust fan output
    // Every page is opened before any answer comes back.
    for (const char *page : {"HeatingTabSheet", "CoolingTabSheet", "CascadeTabSheet", "InOutTabSheet",
                             "VentilationTabSheet", "SettingsTabSheet"})
        Show(QLatin1String(page));
    Settle();
    TForm1 &form = *m_form->Form;
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("WHPeriodAdvEdit"))->text(), QStringLiteral("123"));
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("WCPeriodAdvEdit"))->text(), QStringLiteral("45"));
    QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("WCCascPeriodAdvEdit"))->text(), QStringLiteral("77"));
    QVERIFY(form.findChild<QCheckBox *>(QStringLiteral("IDigital1dxfCheckBox"))->isChecked());
    QCOMPARE(form.findChild<QComboBox *>(QStringLiteral("EFanOutputColumnComboBox"))->currentIndex(),
             form.TransferTable().Locate(0x0408)->Codec->Row().CodecOf(0).Offset + 2);
    QVERIFY(m_board->Writes().isEmpty());
}

void TestPageRefresh::aPageNotReadIsMarkedAndItsMasksKeepTheBoardsBits_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<quint16>("first");  // the page's block, which the board refuses
    QTest::addColumn<quint16>("last");
    QTest::addColumn<QString>("control");  // a box of a bit mask, or a button writing a whole mask
    QTest::addColumn<quint16>("address");  // the mask's register
    QTest::addColumn<quint16>("written");  // what the second click writes; the board holds 0x00F1
    QTest::newRow("stop input") << "SettingsTabSheet" << quint16(0x0200) << quint16(0x0241) << "Din2dxfCheckBox"
                                << quint16(0x0212) << quint16(0x00F3);
    QTest::newRow("input inversion") << "InOutTabSheet" << quint16(0x0311) << quint16(0x033F) << "IDigitalI2dxfCheckBox"
                                     << quint16(0x0335) << quint16(0x00F3);
    QTest::newRow("\"Inv\" of the inputs") << "InOutTabSheet" << quint16(0x0311) << quint16(0x033F) << "IDigitalIButton"
                                           << quint16(0x0335) << quint16(0x000E);
}

// A page whose read the board refused says so, and its mask controls never write the other bits
// as the page shows them (the form's own): while the board refuses, nothing at all; then only the
// box's own bit (or every bit flipped, for "Inv") of what the board holds. A good read clears the
// line.
void TestPageRefresh::aPageNotReadIsMarkedAndItsMasksKeepTheBoardsBits()
{
    QFETCH(QString, page);
    QFETCH(quint16, first);
    QFETCH(quint16, last);
    QFETCH(QString, control);
    QFETCH(quint16, address);
    QFETCH(quint16, written);
    TForm1 &form = *m_form->Form;
    auto *mark = form.findChild<QWidget *>(page)->findChild<QLabel *>(QStringLiteral("NotReadLabel"));
    QVERIFY(mark && mark->isVisibleTo(mark->parentWidget()));
    QCOMPARE(mark->text(), QStringLiteral("Not read from the board yet."));

    Connect();
    m_board->Board().write(address, 0x00F1);
    m_board->SetFaults({.Refuse = {{first, last, 2}}});
    Show(page);
    Settle();
    QVERIFY(mark->isVisibleTo(mark->parentWidget()));
    QCOMPARE(mark->text(), QStringLiteral("Not read from the board: the board refused it (illegal data address (2))."));
    const auto writeRequests = [this] {
        Settle();
        Settle();  // a mask is written on the answer to its read
        return std::count_if(m_board->Requests().begin(), m_board->Requests().end(),
                             [](const SimRequest &r) { return r.Function == 0x06 || r.Function == 0x10; });
    };
    auto *clicked = form.findChild<QAbstractButton *>(control);
    clicked->click();
    QCOMPARE(writeRequests(), 0);
    QVERIFY2(StatusPanelOf(form, 0)->text().contains(QLatin1String("was not written")),
             qPrintable(StatusPanelOf(form, 0)->text()));
    // A box whose write did not happen shows what it showed before.
    if (auto *box = qobject_cast<QCheckBox *>(clicked))
        QVERIFY(!box->isChecked());

    m_board->SetFaults({});
    clicked->click();
    QCOMPARE(writeRequests(), 1);
    QCOMPARE(m_board->Board().value(address), written);
    // The row shows what the board now holds; the page as a whole is still not read.
    quint16 shown = 0;
    QVERIFY(form.TransferTable().Locate(address)->Codec->ControlsToRegisters({&shown, 1}).Ok());
    QCOMPARE(shown, written);
    QVERIFY(mark->isVisibleTo(mark->parentWidget()));

    Show(QStringLiteral("StopTabSheet"));
    Show(page);
    Settle();
    QVERIFY(!mark->isVisibleTo(mark->parentWidget()));
}

QTEST_MAIN(TestPageRefresh)
#include "tst_pagerefresh.moc"
