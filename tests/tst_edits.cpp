// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// Parameter edits on the main window against the in-process simulated board: every editable row
// takes its range and nothing else, the rules of the controls that do more than encode, what a
// refused or impossible write tells, and the same edits reaching an independent Modbus peer.
#include "PymodbusPeer.h"
#include "WindowOnBoard.h"

#include "common/NumberText.h"
#include "config/ConfigItem.h"
#include "monitor/TPoll.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace {

using Write = QPair<quint16, quint16>;

// The rows written as soon as they are edited (the season's side row aside).
bool Edited(int item)
{
    return (item >= 0 && item <= 88) || (item >= 91 && item <= 93) || (item >= 96 && item <= 139);
}

// The text a user types for raw (register units) in an edit of kind.
QString TextOf(TCodecKind kind, qint64 raw)
{
    switch (kind) {
    case TCodecKind::Centi:
    case TCodecKind::CentiU:
        return ScaledText(raw, 2);
    case TCodecKind::Deci:
        return ScaledText(raw, 1);
    case TCodecKind::Tenths:
        return QString::number(raw / 10);
    default:
        return QString::number(raw);
    }
}

// The smallest step a user can type in an edit of kind, in register units.
int StepOf(TCodecKind kind)
{
    return kind == TCodecKind::Tenths ? 10 : 1;
}

// Turns the mouse wheel over widget by notches towards the user, as the window system delivers
// it: to the widget under the pointer, and on to its parents while none accepts it.
void Wheel(QWidget *widget, int notches)
{
    const QPointF at = QRectF(widget->rect()).center();
    for (int i = 0; i < notches; ++i) {
        QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        QApplication::instance()->notify(widget, &event);
    }
}

// Counts the wheel events that reach a widget.
class WheelCounter : public QObject
{
public:
    int Count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        Count += event->type() == QEvent::Wheel ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

class TestEdits : public QObject, private WindowOnBoard
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void everyEditTakesItsRangeAndNothingElse();
    void controlsWriteTheirWord_data();
    void controlsWriteTheirWord();
    void inOutButtonsWriteTheWholeGroup();
    void quickClicksOnOneMaskKeepEachBit();
    void stagesKeepTheirOrder();
    void timesSayWhichPartIsWrong();
    void powerEditsAreTakenTogether();
    void aRefusedWriteIsToldAndReadBack();
    void aWriteWithTheLineClosedSaysSo();
    void refreshingWritesNothing();
    void theRangeMessageMovesNoOtherValue();
    void rangeMessagesNameTheEditAndItsRange_data();
    void rangeMessagesNameTheEditAndItsRange();
    void escapePutsBackWhatTheBoardHolds();
    void editsReachAnIndependentPeer();
    void theWheelChangesNoList_data();
    void theWheelChangesNoList();
    void pagesOpenWithTheFocusOnTheirTab();
    void commandsAskFirst_data();
    void commandsAskFirst();
    void whatTheFirmwareLacksIsOff_data();
    void whatTheFirmwareLacksIsOff();

private:
    // Write requests the board received (taken or refused), once everything sent has its answer.
    int WriteRequests() const;
    // The window on screen and active, page open and read.
    void ShowPage(const char *page);
    // Chooses the combo item with text, as a user does with the keyboard.
    void Choose(const char *combo, const QString &item) const;
};

void TestEdits::initTestCase()
{
    EnterOwnFolder();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestEdits::cleanupTestCase()
{
    LeaveOwnFolder();
}

void TestEdits::init()
{
    Open({.firmware = 1012});
}

void TestEdits::cleanup()
{
    Close();
}

int TestEdits::WriteRequests() const
{
    SettleWrites();
    const QList<SimRequest> &requests = m_board->Requests();
    return static_cast<int>(std::count_if(requests.begin(), requests.end(), [](const SimRequest &r) {
        return r.Function == 0x06 || r.Function == 0x10;
    }));
}

void TestEdits::ShowPage(const char *page)
{
    TabsOf(Form())->setCurrentWidget(Named<QWidget>(page));
    Form().show();
    QVERIFY(QTest::qWaitForWindowActive(&Form()));
    Settle(Form());
    m_board->ClearRecord();
}

void TestEdits::Choose(const char *combo, const QString &item) const
{
    auto *control = Named<QComboBox>(combo);
    const int index = control->findText(item);
    QVERIFY2(index >= 0, combo);
    // The keyboard moves the selection by one and the choice is the user's.
    control->setCurrentIndex(index == 0 ? 1 : index - 1);
    QTest::keyClick(control, index == 0 ? Qt::Key_Up : Qt::Key_Down);
}

// Every edit of every edited row: its limits and nothing past them, and a text that is no number.
void TestEdits::everyEditTakesItsRangeAndNothingElse()
{
    const TTransferTable &table = Form().TransferTable();
    QList<Write> expected;
    QStringList refused;
    int notNumbers = 0;
    for (int item = 0; item < kTransferItems; ++item) {
        const TParameterCodec &codec = table.Codec(item);
        const TParameterRow &row = codec.Row();
        if (!Edited(item) || Traits(row.Codecs.front().Kind).Control != TControlKind::Edit)
            continue;
        for (QWidget *control : codec.Controls()) {
            const int reg = table.Find(control)->Offset;
            const TCodecKind kind = row.CodecOf(reg).Kind;
            if (kind == TCodecKind::TimeOfDay)
                continue;  // a test of its own
            auto *edit = static_cast<TAdvEdit *>(control);
            edit->setMaxLength(32);  // the key filter's lengths have tests of their own
            const TLimits limits = row.LimitsOf(reg);
            const auto address = static_cast<quint16>(row.FirstRegister + reg);
            for (const qint64 raw : {qint64(limits.Min), qint64(limits.Max)}) {
                edit->setText(TextOf(kind, raw));
                QTest::keyClick(edit, Qt::Key_Return);
                expected.append({address, static_cast<quint16>(raw)});
            }
            for (const qint64 raw : {qint64(limits.Min) - StepOf(kind), qint64(limits.Max) + StepOf(kind)}) {
                edit->setText(TextOf(kind, raw));
                QTest::keyClick(edit, Qt::Key_Return);
                refused.append(edit->objectName());
                QCOMPARE(edit->text(), TextOf(kind, raw));  // the refused text stays
            }
            edit->setText(QStringLiteral("x"));
            QTest::keyClick(edit, Qt::Key_Return);
            ++notNumbers;
            // The row's last value accepted stays in the edit for the items taken together.
            edit->setText(TextOf(kind, limits.Max));
        }
    }
    QCOMPARE(Writes(), expected);
    QCOMPARE(Messages().RangeWarnings, refused);
    QCOMPARE(Messages().RangeTexts.size(), refused.size());  // each naming what its edit takes
    QCOMPARE(Messages().Errors.size(), notNumbers);
    QVERIFY(expected.size() > 140);
}

void TestEdits::controlsWriteTheirWord_data()
{
    QTest::addColumn<QString>("action");  // "type NAME TEXT", "choose NAME ITEM", "click NAME"
    QTest::addColumn<quint16>("address");
    QTest::addColumn<quint16>("word");
    const auto row = [](const char *tag, const char *action, quint16 address, quint16 word) {
        QTest::newRow(tag) << QString::fromLatin1(action) << address << word;
    };
    row("scale 100", "type SupplySPAdvEdit 55.0", 0x0200, 5500);
    row("either separator", "type SupplySPAdvEdit 21,5", 0x0200, 2150);
    row("negative in two's complement", "type AntiFreezingTempAdvEdit -10.0", 0x0204, 0xFC18);
    row("digits past the scale dropped", "type WHPISPWAdvEdit 0.709", 0x0246, 70);
    row("unsigned x100 above 327", "type RotorKiAdvEdit 655", 0x020C, 65500);
    row("scale 10", "type ValueAdvEdit 10.0", 0x040D, 100);
    row("no range but the register's", "type SU100AdvEdit 99.9", 0x0429, 9990);
    row("signed integer", "type HearthValueAdvEdit -50", 0x0421, 0xFFCE);
    row("timer by its row", "type T3AdvEdit 300", 0x020F, 300);
    row("intensity of the remote input", "type VIS4AdvEdit 120", 0x0431, 120);
    row("combo offset +1, none", "choose AntiFreezingSensorColumnComboBox 0", 0x0205, 0xFFFF);
    row("combo offset -25", "choose StopControlCode3ColumnComboBox FROST", 0x022C, 28);
    row("combo offset 0", "choose ECOutput2ColumnComboBox 1", 0x0260, 0);
    row("combo output II none", "choose ECOutput2ColumnComboBox 0", 0x0260, 0xFFFF);
    row("combo offset -8", "choose SPControlInputColumnComboBox 10", 0x040F, 9);
    row("combo offset -1", "choose SpeedColumnComboBox 3", 0x0419, 3);
    row("combo by index", "choose SeasonModeColumnComboBox Winter", 0x0215, 1);
    row("flag", "click HeaterControldxfCheckBox", 0x0217, 1);
    row("bit mask: its own bit, the others as the board holds them", "click Din3dxfCheckBox", 0x0212, 0x002F);
    row("choice of two", "click ModeAutdxfCheckBox", 0x0214, 1);
    row("choice of four", "click PControldxfCheckBox", 0x0400, 2);
    row("remote control", "click KitchenHooddxfCheckBox", 0x0430, 1);
    row("hearth start", "click HearthStartVrDemoButton", 0x0420, 1);
    row("hearth stop", "click HearthStopVrDemoButton", 0x0420, 0);
    row("air-volume calibration", "click CalibrationVrDemoButton", 0x04FF, 1);
    row("analog input below zero", "type IAnalog2AdvEdit -30", 0x0312, 0xF448);
    row("analog output x10", "type OAnalog6AdvEdit 55.5", 0x032A, 555);
    row("simulation time in tenths", "type SimT1AdvEdit 6000", 0x033B, 60000);
    row("analog manual box", "click IAnalogM7dxfCheckBox", 0x0321, 1);
    row("digital value mask", "click IDigital8dxfCheckBox", 0x0336, 0x0080);
    row("digital manual box", "click ODigitalM2dxfCheckBox", 0x033A, 0x07FD);
    row("simulation mode mask", "click Sim2PwmdxfCheckBox", 0x033E, 2);
    row("alarm output none", "choose AlarmOutputColumnComboBox 0", 0x033F, 0xFFFF);
    row("alarm output 11", "choose AlarmOutputColumnComboBox 11", 0x033F, 10);
}

void TestEdits::controlsWriteTheirWord()
{
    QFETCH(QString, action);
    QFETCH(quint16, address);
    QFETCH(quint16, word);
    const QStringList parts = action.split(QLatin1Char(' '));
    const QByteArray name = parts.at(1).toLatin1();
    if (parts[0] == QLatin1String("type"))
        Type(name, parts.at(2));
    else if (parts[0] == QLatin1String("choose"))
        Choose(name, parts.at(2));
    else if (auto *button = Named<QAbstractButton>(name.constData()); qobject_cast<QPushButton *>(button)) {
        Messages().Answers << TChoice::Go;  // a command asks first
        button->click();
    } else {
        button->click();
    }
    QCOMPARE(Writes(), QList<Write>{Write(address, word)});
    QVERIFY2(Messages().Errors.isEmpty() && Messages().RangeWarnings.isEmpty(),
             qPrintable(Messages().Errors.join(' ')));
}

void TestEdits::inOutButtonsWriteTheWholeGroup()
{
    Named<QAbstractButton>("OAnalogMButton")->click();
    QList<Write> expected;
    for (quint16 r = 0x032D; r <= 0x0334; ++r)
        expected.append({r, 1});
    QCOMPARE(Writes(), expected);
    QVERIFY(Named<QCheckBox>("OAnalogM8dxfCheckBox")->isChecked()
            && !Named<QCheckBox>("OAnalogA8dxfCheckBox")->isChecked());

    m_board->ClearRecord();
    Named<QAbstractButton>("IAnalogAButton")->click();
    Named<QAbstractButton>("ODigitalIButton")->click();
    Named<QAbstractButton>("IDigitalMButton")->click();
    Named<QAbstractButton>("IDigitalAButton")->click();
    expected.clear();
    for (quint16 r = 0x031B; r <= 0x0324; ++r)
        expected.append({r, 0});
    // The page was read at the connect: each button writes at once, "Inv" flipping what the board
    // holds.
    expected << Write(0x0338, 0x07FF) << Write(0x0337, 0) << Write(0x0337, 0x00FF);
    QCOMPARE(Writes(), expected);
}

// Two boxes of one mask on a page not read, the second clicked before the board has answered the
// read of the first: both bits reach the board.
void TestEdits::quickClicksOnOneMaskKeepEachBit()
{
    const quint16 held = m_board->Board().value(0x0212);
    QVERIFY(!(held & 0x0014));
    Named<QCheckBox>("Din3dxfCheckBox")->click();
    Named<QCheckBox>("Din5dxfCheckBox")->click();
    SettleWrites();
    QCOMPARE(m_board->Board().value(0x0212), quint16(held | 0x0014));
}

void TestEdits::stagesKeepTheirOrder()
{
    auto *first = Named<QCheckBox>("Stage1dxfCheckBox");
    auto *second = Named<QCheckBox>("Stage2dxfCheckBox");
    auto *third = Named<QCheckBox>("Stage3dxfCheckBox");
    const auto states = [&] { return QList<bool>{first->isChecked(), second->isChecked(), third->isChecked()}; };

    // Stage I cannot be switched off, and nothing is written.
    first->click();
    QCOMPARE(states(), (QList<bool>{true, true, true}));
    QCOMPARE(Writes(), QList<Write>{});
    // Stage II off takes stage III with it.
    second->click();
    QCOMPARE(states(), (QList<bool>{true, false, false}));
    // Stage III on brings stage II.
    third->click();
    QCOMPARE(states(), (QList<bool>{true, true, true}));
    QCOMPARE(Writes(), (QList<Write>{{0x024E, 1}, {0x024E, 3}}));
}

void TestEdits::timesSayWhichPartIsWrong()
{
    auto *start = Named<TAdvEdit>("RecycleStartAdvMaskEdit");
    Type("RecycleStartAdvMaskEdit", QStringLiteral("07:30"));
    Type("RecycleStartAdvMaskEdit", QStringLiteral("24:00"));
    Type("RecycleStartAdvMaskEdit", QStringLiteral("07:60"));
    Type("RecycleStartAdvMaskEdit", QStringLiteral("7:"));
    Type("RecycleStopAdvMaskEdit", QStringLiteral("18:00"));
    QCOMPARE(Writes(), (QList<Write>{{0x030F, 450}, {0x0310, 1080}}));
    QCOMPARE(Messages().Errors.mid(0, 2),
             (QStringList{QStringLiteral("Hour < 0 or Hour > 23"), QStringLiteral("Min < 0 or Min > 59")}));
    QCOMPARE(Messages().Errors.size(), 3);
    // A refused time keeps the minutes last accepted: a configuration write sends those.
    QCOMPARE(HeldMinutes(start), quint16(450));
}

void TestEdits::powerEditsAreTakenTogether()
{
    Named<TAdvEdit>("Power3AdvEdit")->setText(QString());
    Type("Power1AdvEdit", QStringLiteral("50"));
    QCOMPARE(Messages().Errors.size(), 1);
    Named<TAdvEdit>("Power3AdvEdit")->setText(QStringLiteral("10"));
    Type("Power2AdvEdit", QStringLiteral("100"));
    Type("Power2AdvEdit", QStringLiteral("101"));
    QCOMPARE(Writes(), QList<Write>{Write(0x0250, 100)});
    QCOMPARE(Messages().RangeWarnings, QStringList{QStringLiteral("Power2AdvEdit")});
}

// The board refuses a write: the status bar says so and the control shows what the board holds.
void TestEdits::aRefusedWriteIsToldAndReadBack()
{
    const quint16 held = m_board->Board().value(0x0201);
    m_board->SetFaults({.Refuse = {{.First = 0x0201, .Last = 0x0201, .Code = 3, .WritesOnly = true}}});
    auto *sensor = Named<QComboBox>("SupplySensorColumnComboBox");
    Choose("SupplySensorColumnComboBox", sensor->itemText(held == 0 ? 1 : 0));
    QTRY_VERIFY_WITH_TIMEOUT(StatusPanelOf(Form(), 0)->text().contains(QLatin1String("illegal data value")), kSoonMs);
    QVERIFY2(StatusPanelOf(Form(), 0)->text().contains(PlaceOf(sensor)), qPrintable(StatusPanelOf(Form(), 0)->text()));
    QTRY_COMPARE_WITH_TIMEOUT(sensor->currentIndex(), int(held), kSoonMs);
    QCOMPARE(m_board->Writes(), QList<Write>{});
    // The next write the board takes is confirmed in its place, for a few seconds.
    m_board->SetFaults({});
    Choose("SupplySensorColumnComboBox", sensor->itemText(held == 0 ? 1 : 0));
    QTRY_COMPARE_WITH_TIMEOUT(StatusPanelOf(Form(), 0)->text(),
                              QStringLiteral("Supply Air Sens. No = %1 written").arg(sensor->currentText()), kSoonMs);
    QTRY_VERIFY_WITH_TIMEOUT(StatusPanelOf(Form(), 0)->text().isEmpty(), 3 * TParameterEditor::kConfirmationMs);
    // An edit's confirmation says what the board took, in its unit.
    Type("WHPISPWAdvEdit", QStringLiteral("0.709"));
    SettleWrites();
    QCOMPARE(StatusPanelOf(Form(), 0)->text(), QStringLiteral("Water PI SPW = 0.7 written"));
    Type("SupplySPAdvEdit", QStringLiteral("21.5"));
    SettleWrites();
    QCOMPARE(StatusPanelOf(Form(), 0)->text(), QStringLiteral("Supply Air Temp. = 21.5 °C written"));
}

void TestEdits::aWriteWithTheLineClosedSaysSo()
{
    PanelOf(Form())->ConnectVrButton->click();  // Disconnect
    QTRY_VERIFY_WITH_TIMEOUT(!TcpOf(Form()).IsOpen(), kSoonMs);
    const quint64 discarded = TcpOf(Form()).GetCounters().Discarded;
    Type("SupplySPAdvEdit", QStringLiteral("20"));
    QCOMPARE(TcpOf(Form()).GetCounters().Discarded, discarded + 1);
    QVERIFY2(StatusPanelOf(Form(), 0)->text().contains(QLatin1String("was not written: the line is closed")),
             qPrintable(StatusPanelOf(Form(), 0)->text()));
}

void TestEdits::refreshingWritesNothing()
{
    for (const char *page : {"SettingsTabSheet", "HeatingTabSheet", "CoolingTabSheet", "CascadeTabSheet",
                             "InOutTabSheet", "TimersTabSheet", "VentilationTabSheet", "CalibrationTabSheet"}) {
        TabsOf(Form())->setCurrentWidget(Named<QWidget>(page));
        Settle(Form());
    }
    QVERIFY(m_board->Requests().size() >= 12);
    QCOMPARE(Writes(), QList<Write>{});
}

// The user leaves a refused edit for another: the focus goes back, and the other edit, which the
// user never changed, writes nothing on the way.
void TestEdits::theRangeMessageMovesNoOtherValue()
{
    TabsOf(Form())->setCurrentWidget(Named<QWidget>("SettingsTabSheet"));
    Form().show();
    QVERIFY(QTest::qWaitForWindowActive(&Form()));
    auto *first = Named<TAdvEdit>("T1AdvEdit");
    first->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(first->hasFocus());
    first->selectAll();
    QTest::keyClicks(first, QStringLiteral("300"));
    QTest::keyClick(first, Qt::Key_Tab);  // on to T2, which holds a value it would write
    QCOMPARE(Messages().RangeWarnings, QStringList{QStringLiteral("T1AdvEdit")});
    QVERIFY(first->hasFocus());
    QCOMPARE(Writes(), QList<Write>{});
    Form().hide();
}

// The same edits through the real window reach pymodbus, which holds what they wrote.
void TestEdits::rangeMessagesNameTheEditAndItsRange_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *edit, const char *typed, const char *message) {
        QTest::newRow(edit) << QString::fromLatin1(edit) << QString::fromLatin1(typed) << QString::fromUtf8(message);
    };
    // Decimals as the edit takes them, one at least; whole seconds of a tenths register; an edit
    // of no row with its own limits.
    row("SupplySPAdvEdit", "55.1", "Supply Air Temp.: 10.0 to 55.0 °C");
    row("AntiFreezingTempAdvEdit", "-99", "Anti-freezing Temp.: -10.0 to 10.0 °C");
    row("SimT1AdvEdit", "6001", "Outputs SIM T1 time: 1 to 6000 sec");
    row("LoLimitAdvEdit", "1751", "Inputs Low reference: 0 to 1750");
}

void TestEdits::rangeMessagesNameTheEditAndItsRange()
{
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    Type(edit, typed);
    QCOMPARE(Messages().RangeTexts, QStringList{message});
    QCOMPARE(Writes(), QList<Write>{});
}

// Escape puts back what the board holds and writes nothing, neither then nor when the edit is
// left; a value changed on the board meanwhile is read again.
void TestEdits::escapePutsBackWhatTheBoardHolds()
{
    ShowPage("SettingsTabSheet");
    auto *supply = Named<TAdvEdit>("SupplySPAdvEdit");
    const QString held = supply->text();
    supply->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(supply->hasFocus());
    const auto typeThenEscape = [supply](const QString &text, bool apply) {
        supply->selectAll();
        QTest::keyClicks(supply, text);
        if (apply)
            QTest::keyClick(supply, Qt::Key_Return);
        QTest::keyClick(supply, Qt::Key_Escape);
    };
    typeThenEscape(QStringLiteral("30"), false);
    QCOMPARE(supply->text(), held);
    QTest::keyClick(supply, Qt::Key_Tab);
    QCOMPARE(Writes(), QList<Write>{});

    // After a value refused as out of range.
    supply->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(supply->hasFocus());
    typeThenEscape(QStringLiteral("99"), true);
    QCOMPARE(supply->text(), held);

    // The board's value changed behind the window's back.
    QVERIFY(m_board->Board().write(0x0200, 2345));
    typeThenEscape(QStringLiteral("30"), false);
    QTRY_COMPARE_WITH_TIMEOUT(supply->text(), QStringLiteral("23.45"), kSoonMs);
    QCOMPARE(Writes(), QList<Write>{});

    // A value the board took is what Escape puts back.
    typeThenEscape(QStringLiteral("25.5"), true);
    SettleWrites();
    typeThenEscape(QStringLiteral("30"), false);
    QCOMPARE(supply->text(), QStringLiteral("25.5"));
    QCOMPARE(Writes(), QList<Write>{Write(0x0200, 2550)});
    Form().hide();
}

void TestEdits::editsReachAnIndependentPeer()
{
    PymodbusPeer peer;
    bool missing = false;
    // The parameters edited below, and the version (1.012, which has every control edited below) and
    // series number the window reads at the connect.
    const QString error = peer.StartWithImage(
        {0x0200, 0x0204, 0x020C, 0x0212, 0x0214, 0x0246, 0x0260, 0x0385, 0x0400, 0x0421, 0xE700, 0xE701},
        m_dir.filePath(QStringLiteral("edits.json")), &missing, {{0xE700, 1012}});
    if (missing)
        QSKIP(qPrintable(error));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    m_form = std::make_unique<RecordedForm>();
    QVERIFY(ConnectTcp(Form(), peer.Port()));
    Settle(Form());
    Type("SupplySPAdvEdit", QStringLiteral("21.5"));
    Type("AntiFreezingTempAdvEdit", QStringLiteral("-10"));
    Type("RotorKiAdvEdit", QStringLiteral("655"));
    Named<QCheckBox>("Din1dxfCheckBox")->click();
    Named<QCheckBox>("ModeAutdxfCheckBox")->click();
    Type("WHPISPWAdvEdit", QStringLiteral("0.7"));
    Choose("ECOutput2ColumnComboBox", QStringLiteral("0"));
    Named<QCheckBox>("PControldxfCheckBox")->click();
    Type("HearthValueAdvEdit", QStringLiteral("-50"));
    SettleWrites();

    QList<quint16> read;
    FunctionsStr record;
    for (quint16 address : {0x0200, 0x0204, 0x020C, 0x0212, 0x0214, 0x0246, 0x0260, 0x0400, 0x0421}) {
        record.OnReply = [&read](const TModbusAnswer &answer) { read.append(answer.Registers.at(0)); };
        TcpOf(Form()).ReadHoldingRegisters(1, address, 1, 3000, record);
    }
    QTRY_COMPARE_WITH_TIMEOUT(read.size(), 9, kSoonMs);
    QCOMPARE(read, (QList<quint16>{2150, 0xFC18, 65500, 1, 1, 70, 0xFFFF, 2, 0xFFCE}));
    // No refusal: the status bar confirms the write answered last.
    QVERIFY2(StatusPanelOf(Form(), 0)->text().endsWith(QLatin1String(" written")),
             qPrintable(StatusPanelOf(Form(), 0)->text()));
}

void TestEdits::theWheelChangesNoList_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("focus");  // the control holding the focus while the wheel turns
    const auto row = [](const char *tag, const char *page, const char *list, const char *focus) {
        QTest::newRow(tag) << QString::fromLatin1(page) << QString::fromLatin1(list) << QString::fromLatin1(focus);
    };
    row("unfocused, an edit focused", "HeatingTabSheet", "WHOutputColumnComboBox", "WHPeriodAdvEdit");
    row("focused", "HeatingTabSheet", "WHOutputColumnComboBox", "WHOutputColumnComboBox");
    row("service page", "InOutTabSheet", "AlarmOutputColumnComboBox", "IAnalog1AdvEdit");
}

// The wheel over a list changes it not, writes nothing and moves no focus: it goes on to the page.
void TestEdits::theWheelChangesNoList()
{
    QFETCH(QString, page);
    QFETCH(QString, list);
    QFETCH(QString, focus);
    ShowPage(page.toLatin1().constData());
    auto *combo = Named<QComboBox>(list);
    auto *focused = Named<QWidget>(focus);
    focused->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(focused->hasFocus());
    const int index = combo->currentIndex();
    WheelCounter reached;
    Named<QWidget>(page)->installEventFilter(&reached);
    Wheel(combo, 2);
    QCOMPARE(combo->currentIndex(), index);
    QCOMPARE(reached.Count, 2);
    QVERIFY(focused->hasFocus());
    QCOMPARE(WriteRequests(), 0);
    Form().hide();
}

// Each page opens while a control of the page before has the focus: the focus goes to the tab
// strip, also on the second round, when each page had the focus on a control of its own before.
void TestEdits::pagesOpenWithTheFocusOnTheirTab()
{
    ShowPage("InputsOutputsTabSheet");
    QTabWidget *tabs = TabsOf(Form());
    for (int step = 0; step < 2 * tabs->count(); ++step) {
        QWidget *page = tabs->currentWidget();
        QWidget *control = page->nextInFocusChain();
        while (control != page
               && !(page->isAncestorOf(control) && (control->focusPolicy() & Qt::TabFocus) && control->isVisible()
                    && control->isEnabled()))
            control = control->nextInFocusChain();
        if (control != page) {
            control->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY2(control->hasFocus(), qPrintable(control->objectName()));
        }
        tabs->setCurrentIndex((tabs->currentIndex() + 1) % tabs->count());  // as a click on its tab
        QWidget *opened = tabs->currentWidget();
        QVERIFY2(!opened->isAncestorOf(QApplication::focusWidget()),
                 qPrintable(opened->objectName() + QLatin1Char(' ') + QApplication::focusWidget()->objectName()));
    }
    Form().hide();
}

void TestEdits::commandsAskFirst_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<quint16>("address");  // the first register it writes
    QTest::addColumn<QString>("says");     // what the question says will happen
    const auto row = [](const char *tag, const char *button, quint16 address, const char *says) {
        QTest::newRow(tag) << QString::fromLatin1(button) << address << QString::fromLatin1(says);
    };
    row("start", "StartStopVrButton", 0x013A, "Start the air-handling unit?");
    row("clock test", "VrDemoButton1", 0x0100, "Set the board's clock to 2024-03-10 00:14:00?");
    row("hearth start", "HearthStartVrDemoButton", 0x0420, "Start the hearth run?");
    row("hearth stop", "HearthStopVrDemoButton", 0x0420, "Stop the hearth run?");
    row("air-volume calibration", "CalibrationVrDemoButton", 0x04FF, "Start the air-volume calibration?");
}

// The buttons that change how the unit runs ask first, naming what will happen; Enter (the
// default) cancels, and nothing is written.
void TestEdits::commandsAskFirst()
{
    QFETCH(QString, button);
    QFETCH(quint16, address);
    QFETCH(QString, says);
    Form().PageContext().Now = [] { return QDateTime(QDate(2024, 3, 10), QTime(23, 59, 58)); };
    auto *control = Named<QPushButton>(button);
    const QString caption = control->text();
    control->click();
    QCOMPARE(WriteRequests(), 0);
    QCOMPARE(control->text(), caption);
    QCOMPARE(Messages().Questions.size(), 1);
    const TQuestion &question = Messages().Questions.first();
    QCOMPARE(question.Default, TChoice::Cancel);
    QVERIFY2(question.Text.startsWith(says), qPrintable(question.Text));

    Messages().Answers << TChoice::Go;
    control->click();
    QCOMPARE(WriteRequests(), 1);
    QCOMPARE(m_board->Writes().first().first, address);
}

void TestEdits::whatTheFirmwareLacksIsOff_data()
{
    QTest::addColumn<int>("firmware");   // 0: offline, no board connected
    QTest::addColumn<bool>("extended");  // the configuration items of the extended set are on
    QTest::addColumn<bool>("series");    // what needs a series number is on
    QTest::addColumn<QString>("why");    // the tooltip of what is off
    // A configuration is prepared in the office for any board.
    QTest::newRow("no board connected") << 0 << true << true << QString();
    QTest::newRow("base set") << 1011 << false << true << "The board's firmware 1.011 lacks this setting.";
    QTest::newRow("no series number") << 1010 << false << false << "The board's firmware 1.010 lacks this setting.";
    QTest::newRow("extended set") << 1012 << true << true << QString();
}

// What the connected board's firmware lacks is off, saying why, and typing into it writes nothing;
// with no board connected everything is on.
void TestEdits::whatTheFirmwareLacksIsOff()
{
    QFETCH(int, firmware);
    QFETCH(bool, extended);
    QFETCH(bool, series);
    QFETCH(QString, why);
    Close();
    m_form = std::make_unique<RecordedForm>();
    if (firmware) {
        m_board = StartTcpBoard({.firmware = static_cast<quint16>(firmware)});
        QVERIFY(m_board && ConnectTcp(Form(), m_board->TcpPort()));
        Form().Poll().ReadVersion();
        Settle(Form());
        m_board->ClearRecord();
    }
    QList<std::pair<QWidget *, bool>> controls{{Named<QWidget>("WithoutExhaustdxfCheckBox"), series},
                                               {Named<QWidget>("Set1VrDemoButton"), series}};
    for (int item = TConfigImages::kBaseItems; item < kTransferItems; ++item)
        for (QWidget *control : Form().TransferTable().Codec(item).Controls())
            controls.append({control, extended});
    QVERIFY(controls.size() >= 2 + kTransferItems - TConfigImages::kBaseItems);
    for (const auto &[control, on] : controls) {
        const QString tip = control->toolTip();
        QVERIFY2(control->isEnabled() == on && (on ? !tip.contains(QLatin1String("firmware")) : tip == why),
                 qPrintable(control->objectName() + QStringLiteral(": ") + tip));
    }
    if (firmware) {
        Type("EKiAdvEdit", QStringLiteral("20"));
        Named<QAbstractButton>("KitchenHooddxfCheckBox")->click();
        QCOMPARE(WriteRequests(), extended ? 2 : 0);
    }
    if (firmware && !extended) {
        // Disconnected, the window prepares a configuration for any board again.
        PanelOf(Form())->ConnectVrButton->click();
        QTRY_COMPARE(PanelOf(Form())->ConnectVrButton->text(), QStringLiteral("&Connect"));
        for (const auto &[control, on] : controls)
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    }
    if (firmware && extended) {
        // A new connection may reach another board: off again until its version has been read.
        PanelOf(Form())->ConnectVrButton->click();
        QTRY_COMPARE(PanelOf(Form())->ConnectVrButton->text(), QStringLiteral("&Connect"));
        bool offAtConnect = false;
        connect(
            &TcpOf(Form()), &TModbusClient::OnConnect, this,
            [&] { offAtConnect = !Named<QWidget>("EKiAdvEdit")->isEnabled(); }, Qt::SingleShotConnection);
        QVERIFY(ConnectTcp(Form(), m_board->TcpPort()));
        QVERIFY(offAtConnect);
        Settle(Form());
        QVERIFY(Named<QWidget>("EKiAdvEdit")->isEnabled());
    }
}

QTEST_MAIN(TestEdits)
#include "tst_edits.moc"
