// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic record: the client's outcome of every request, kept in a bounded log, decoded into
// register names and values in the window's units, shown in the Traffic window and by z4ctl --trace.
#include "WindowOnBoard.h"

#include "app/TTrafficWindow.h"
#include "config/ConfigChains.h"
#include "config/Units.h"
#include "session/TTrafficLog.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>

class TrafficTest : public QObject, public WindowOnBoard
{
    Q_OBJECT

    TTrafficLog &Log() const { return m_form->Model.Traffic(); }
    // The decoded lines of the records kept whose function is function (0: all), oldest first.
    QList<TTrafficLine> Lines(quint8 function = 0) const
    {
        const TTrafficNames names(Form().Images().BoardImage);
        QList<TTrafficLine> lines;
        for (qsizetype i = 0; i < Log().Size(); ++i)
            if (function == 0 || Log().At(i).Function == function)
                lines.append(names.Decode(Log().At(i)));
        return lines;
    }
    TTrafficWindow *OpenWindow() const
    {
        Named<QAction>("TrafficAction")->trigger();
        return Form().findChild<TTrafficWindow *>(QStringLiteral("TrafficWindow"));
    }

private slots:
    void initTestCase() { EnterOwnFolder(); }
    void cleanupTestCase() { LeaveOwnFolder(); }
    void init()
    {
        Open();
        m_board->SetTicking(false);
        Log().Clear();
    }
    void cleanup() { Close(); }

    // One poll tick: the five live blocks by name, in order, with the values the Inputs & Outputs
    // page shows and their units.
    void pollTick()
    {
        Form().Poll().PollCycle();
        Settle(Form());
        QList<TTrafficLine> reads = Lines(3);
        QVERIFY(reads.size() >= 5);
        const QStringList blocks{"Status block (0x0100 x69)", "Column A block (0x016D x38)",
                                 "Regulation mode (0x0000 x2)", "Heat-recovery block (0x0193 x7)",
                                 "Diagnostics block (0x01C5 x10)"};
        for (int k = 0; k < blocks.size(); ++k) {
            QCOMPARE(reads[k].Registers, blocks[k]);
            QCOMPARE(reads[k].Outcome, QStringLiteral("answered"));
            QVERIFY(reads[k].RoundTrip.endsWith(QLatin1String(" ms")));
        }
        for (int input = 1; input <= 10; ++input)
            for (const auto &[line, column] : {std::pair{reads[0], 'R'}, std::pair{reads[1], 'A'}}) {
                const QString shown = Named<TAdvEdit>(QStringLiteral("Ain%1%2AdvEdit").arg(input).arg(column))->text();
                const QString expected =
                    shown == live::kNoSensorText
                        ? QStringLiteral("Input %1 %2,").arg(input).arg(shown)
                        : QStringLiteral("Input %1 %2 %3,").arg(input).arg(shown, units::InputUnit(input));
                QVERIFY2(line.Values.contains(expected), qPrintable(line.Values + " lacks " + expected));
            }
        QVERIFY2(reads[0].Values.contains(live::kNoSensorText), "the board's invalid input");
    }

    // An edit written, and the same write refused: the item's key, the value as typed with its
    // unit, the outcome.
    void edit_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<quint16>("refused");  // the register refused to writes; 0: none
        QTest::addColumn<QString>("registers");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("outcome");
        const QString written = QStringLiteral("answered");
        const QString refused = QStringLiteral("refused (illegal data address (2))");
        QTest::newRow("decimal") << "SettingsTabSheet"
                                 << "SupplySPAdvEdit"
                                 << "22.5" << quint16(0) << "[Settings] SupplySetPoint (0x0200)"
                                 << "22.5 °C" << written;
        QTest::newRow("decimal refused") << "SettingsTabSheet"
                                         << "SupplySPAdvEdit"
                                         << "22,5" << quint16(0x0200) << "[Settings] SupplySetPoint (0x0200)"
                                         << "22.5 °C" << refused;
        QTest::newRow("seconds") << "SettingsTabSheet"
                                 << "RotorPeriodAdvEdit"
                                 << "30" << quint16(0) << "[Settings] RotorPeriod (0x0209)"
                                 << "30 sec" << written;
        QTest::newRow("time of day") << "CascadeTabSheet"
                                     << "RecycleStartAdvMaskEdit"
                                     << "07:30" << quint16(0) << "[Cascade] RecycleStart (0x030F)"
                                     << "7:30" << written;
        QTest::newRow("one of three, refused") << "InOutTabSheet"
                                               << "SimT2AdvEdit"
                                               << "12" << quint16(0x033C) << "[InOut] SimulatedTemp1 (0x033C)"
                                               << "12 sec" << refused;
    }
    void edit()
    {
        QFETCH(QString, page);
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(quint16, refused);
        QFETCH(QString, registers);
        QFETCH(QString, values);
        QFETCH(QString, outcome);
        if (refused) {
            SimFaults faults;
            faults.Refuse.append({refused, refused, 2, true});
            m_board->SetFaults(faults);
        }
        TabsOf(Form())->setCurrentWidget(Named<QWidget>(page));
        SettleWrites();
        Log().Clear();
        Type(edit, typed);
        SettleWrites();
        const QList<TTrafficLine> writes = Lines(6);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].Request, QStringLiteral("write"));
        QCOMPARE(writes[0].Registers, registers);
        QCOMPARE(writes[0].Values, values);
        QCOMPARE(writes[0].Outcome, outcome);
        QVERIFY(writes[0].Text().contains(registers + " = " + values));
    }

    // A configuration read whose request gets no answer: the failure, then the same registers
    // marked as a repeat and answered.
    void repeatedRequest()
    {
        TConfigImages &images = Form().Images();
        SimFaults faults;
        faults.DropEvery = 1;
        m_board->SetFaults(faults);
        Form().Session().SetRequestTimeout(200);
        TConfigChains chains(Form().Session(), images);
        bool done = false;
        // The first request gets no answer; the board answers again before the repeat goes out.
        connect(&Log(), &TTrafficLog::RecordAdded, this, [this](const TTrafficRecord &record) {
            if (record.Outcome == TTrafficRecord::TOutcome::Failed)
                m_board->SetFaults({});
        });
        chains.BoardReadChain([&done] { done = true; });
        QTRY_VERIFY_WITH_TIMEOUT(done, kSoonMs);
        const QList<TTrafficLine> reads = Lines(3);
        QVERIFY(reads.size() >= 2);
        QCOMPARE(reads[0].Request, QStringLiteral("read"));
        QVERIFY2(reads[0].Outcome.startsWith(QLatin1String("failed: no answer within 200 ms")),
                 qPrintable(reads[0].Outcome));
        QCOMPARE(reads[1].Request, QStringLiteral("read (repeat)"));
        QCOMPARE(reads[1].Registers, reads[0].Registers);
        QVERIFY(reads[1].Registers.startsWith(QLatin1String("[Settings] SupplySetPoint .. ")));
        QCOMPARE(reads[1].Outcome, QStringLiteral("answered"));
        QCOMPARE(reads[2].Request, QStringLiteral("read"));  // the next block is no repeat
    }

    // What the filter lets by: an address inside the request's registers, or a part of a name.
    void filter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("write");   // the write of 0x0209
        QTest::addColumn<bool>("block");   // the read of 0x0200 x33
        QTest::addColumn<bool>("status");  // the status block
        QTest::newRow("nothing") << "" << true << true << true;
        QTest::newRow("hex address") << "0x0209" << true << true << false;
        QTest::newRow("decimal address") << "521" << true << true << false;
        QTest::newRow("first of block") << "0x200" << false << true << false;
        QTest::newRow("past the block") << "0x0221" << false << false << false;
        QTest::newRow("in the status block") << "0x0144" << false << false << true;
        QTest::newRow("name, any case") << "rotorperiod" << true << false << false;
        QTest::newRow("section") << "[Settings]" << true << true << false;
        QTest::newRow("block name") << "Status" << false << false << true;
    }
    void filter()
    {
        QFETCH(QString, filter);
        const TTrafficNames names(Form().Images().BoardImage);
        const auto matches = [&](quint8 function, quint16 first, quint16 count) {
            TTrafficRecord record;
            record.Function = function;
            record.First = first;
            record.Count = count;
            return TTrafficNames::Matches(record, names.Decode(record), filter);
        };
        QTEST(matches(6, 0x0209, 1), "write");
        QTEST(matches(3, 0x0200, 33), "block");
        QTEST(matches(3, 0x0100, 69), "status");
    }

    // The window: filled from what was kept before it opened, paused, filtered, cleared, saved
    // whole or not at all.
    void window()
    {
        TabsOf(Form())->setCurrentWidget(Named<QWidget>("SettingsTabSheet"));
        Type("SupplySPAdvEdit", QStringLiteral("23"));
        SettleWrites();
        TTrafficWindow *window = OpenWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->LineCount(), static_cast<int>(Log().Size()));

        Named<QPushButton>("TrafficPauseButton")->click();
        const int paused = window->LineCount();
        Form().Poll().PollCycle();
        Settle(Form());
        QCOMPARE(window->LineCount(), paused);
        Named<QPushButton>("TrafficPauseButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(window->LineCount(), static_cast<int>(Log().Size()), kSoonMs);

        Named<QLineEdit>("TrafficFilterEdit")->setText(QStringLiteral("0x0200"));
        QVERIFY(window->LineCount() >= 1);
        for (int row = 0; row < window->LineCount(); ++row)
            QVERIFY(window->Line(row).Registers.contains(QLatin1String("(0x0200")));
        const int filtered = window->LineCount();

        Messages().SaveAnswer = m_dir.filePath(QStringLiteral("traffic.csv"));
        Named<QPushButton>("TrafficSaveCsvButton")->click();
        QFile csv(Messages().SaveAnswer);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), filtered + 1);
        QCOMPARE(rows[0], TTrafficLine::CsvHeader());
        QVERIFY2(rows.last().contains(QRegularExpression(
                     QStringLiteral("^[^,]+,write,\\[Settings\\] SupplySetPoint \\(0x0200\\),23[.0]* °C,"))),
                 qPrintable(rows.last()));

        // A folder where the file should be: said, and the file kept as it was.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.txt")));
        Messages().SaveAnswer = m_dir.filePath(QStringLiteral("folder.txt"));
        Named<QPushButton>("TrafficSaveTextButton")->click();
        QCOMPARE(Messages().Errors.size(), 1);
        QVERIFY(Messages().Errors[0].startsWith(QLatin1String("The traffic could not be saved to ")));
        QVERIFY(QFileInfo(Messages().SaveAnswer).isDir());

        Named<QPushButton>("TrafficClearButton")->click();
        QCOMPARE(window->LineCount(), 0);
        QCOMPARE(Log().Size(), 0);
    }

    // The log keeps the newest records and drops the oldest, and a window catches up on what it
    // missed while closed.
    void bounded()
    {
        TTrafficLog log(3);
        TTrafficWindow window(log, {}, Messages());
        window.show();
        for (quint16 k = 0; k < 5; ++k) {
            TTrafficRecord record;
            record.Function = 6;
            record.First = k;
            record.Count = 1;
            log.Add(record);
        }
        QCOMPARE(log.Size(), 3);
        QCOMPARE(log.Added(), quint64(5));
        QCOMPARE(log.At(0).First, quint16(2));
        QCOMPARE(log.At(2).First, quint16(4));
        QTRY_COMPARE_WITH_TIMEOUT(window.LineCount(), 3, kSoonMs);
        QCOMPARE(window.Line(0).Registers, QStringLiteral("0x0002"));
        window.hide();
        for (quint16 k = 5; k < 9; ++k) {
            TTrafficRecord record;
            record.Function = 3;
            record.First = k;
            record.Count = 1;
            log.Add(record);
        }
        window.show();
        QCOMPARE(window.LineCount(), 3);
        QCOMPARE(window.Line(0).Registers, QStringLiteral("0x0006"));
    }

    // z4ctl --trace writes the lines to stderr.
    void z4ctlTrace()
    {
        QProcess z4ctl;
        z4ctl.start(QStringLiteral(Z4_CTL_EXE),
                    {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(m_board->TcpPort()),
                     QStringLiteral("--trace"), QStringLiteral("set"), QStringLiteral("Settings.SupplySetPoint=24.5")});
        // The board is in this process: it answers only while the event loop runs.
        QTRY_COMPARE_WITH_TIMEOUT(z4ctl.state(), QProcess::NotRunning, kSoonMs);
        const QString trace = QString::fromUtf8(z4ctl.readAllStandardError());
        QCOMPARE(z4ctl.exitCode(), 0);
        QVERIFY2(trace.contains(QRegularExpression(QStringLiteral(
                     "\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  write  \\[Settings\\] SupplySetPoint \\(0x0200\\) = "
                     "24.5 °C  \\d+\\.\\d ms  answered\n"))),
                 qPrintable(trace));
        QVERIFY2(trace.contains(QStringLiteral("read  [Settings] SupplySetPoint (0x0200) = 24.5 °C")),
                 qPrintable(trace));
    }
};

QTEST_MAIN(TrafficTest)
#include "tst_traffic.moc"
