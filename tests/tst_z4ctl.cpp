// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// z4ctl as a process against z4sim as a process and against pymodbus: what status decodes, the
// saved file against the window's Save, and every command's exit status and what it names.
#include "OddFiles.h"
#include "PtyPair.h"
#include "PymodbusPeer.h"
#include "SimHarness.h"
#include "WindowOnBoard.h"

#include "common/NumberText.h"
#include "monitor/LiveDecoders.h"
#include "monitor/TPoll.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <optional>

namespace {

struct Run
{
    int Exit = -1;
    QString Out;
    QString Err;
};

// Where and how z4ctl runs: its working folder, environment variables added to the test's own
// ("NAME=value"), and a program that runs it (z4ctl's path and arguments follow its own).
struct RunIn
{
    QString Folder = {};
    QStringList Environment = {};
    QStringList Wrapper = {};
};

// z4ctl with arguments, to its end.
Run Z4ctl(const QStringList &arguments, const RunIn &in = {})
{
    QProcess process;
    process.setWorkingDirectory(in.Folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &variable : in.Environment)
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(environment);
    if (in.Wrapper.isEmpty())
        process.start(QStringLiteral(Z4_CTL_EXE), arguments);
    else
        process.start(in.Wrapper.first(), in.Wrapper.mid(1) + QStringList{QStringLiteral(Z4_CTL_EXE)} + arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.Err = QStringLiteral("z4ctl did not finish: ") + process.errorString();
        return run;
    }
    run.Exit = process.exitCode();
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList Tcp(quint16 port)
{
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)};
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// The image as pymodbus_server.py --image takes it: every register the board has.
bool WriteBoardImage(const Z4Board &board, const QString &path)
{
    QJsonObject pairs;
    for (int a = 0; a <= 0xFFFF; ++a) {
        if (board.covers(static_cast<quint16>(a), 1))
            pairs.insert(QString::number(a), board.value(static_cast<quint16>(a)));
    }
    return WriteAll(path, QJsonDocument(pairs).toJson(QJsonDocument::Compact));
}

std::vector<quint16> Registers(const Z4Board &board, const live::BlockRead &read)
{
    std::vector<quint16> words;
    for (int i = 0; i < read.Count; ++i)
        words.push_back(board.value(static_cast<quint16>(read.Start + i)));
    return words;
}

// A reading as status --json gives it: its number at its resolution, null when invalid.
QJsonValue Shown(const live::ShownValue &value)
{
    const double scale = std::pow(10.0, value.Decimals);
    return value.Valid ? QJsonValue(std::round(static_cast<double>(value.Value) * scale) / scale) : QJsonValue();
}

// The setting a configuration file holds at key, as its line "key=value".
QString SettingOf(const QByteArray &file, const QString &key)
{
    for (const QByteArray &line : file.split('\n')) {
        if (line.startsWith(key.toUtf8() + '='))
            return QString::fromUtf8(line.mid(key.size() + 1)).trimmed();
    }
    return {};
}

}  // namespace

class TstZ4ctl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statusAndSaveAgainstPymodbus();
    void commands_data();
    void commands();
    void watchGoesOnUntilStopped();
    void loadStoppedBySignalSaysWhatItWrote_data();
    void loadStoppedBySignalSaysWhatItWrote();
    void saveOverRtu();
    void aSaveTargetIsRefusedBeforeTheBoardIsRead_data();
    void aSaveTargetIsRefusedBeforeTheBoardIsRead();
    void lineOptions_data();
    void lineOptions();

private:
    QTemporaryDir m_dir;
    QString m_base;          // saved from a fresh z4sim
    QString m_changed;       // the same with SupplySetPoint 22.00
    QString m_bad;           // the same with a SupplySetPoint that is no number
    QString m_outside;       // the same with SupplySetPoint 90.00, which its edit refuses
    QString m_tenths;        // the same with SimulatedTemp0 60.5 s, which its whole-seconds edit shows as 60
    QString m_setPoint;      // SupplySetPoint of a fresh z4sim, as its edit shows it
    QString m_setPointWord;  // the same as its file holds it
    QString m_antiFreeze;    // AntiFreezeTemp of a fresh z4sim, as its edit shows it
};

void TstZ4ctl::initTestCase()
{
    QVERIFY2(m_dir.isValid(), qPrintable(m_dir.errorString()));
    QVERIFY(QDir::setCurrent(m_dir.path()));
    SimProcess sim;
    QVERIFY(sim.Start(
        {QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--firmware"), QStringLiteral("1012")}));
    m_base = m_dir.filePath(QStringLiteral("base.cnf"));
    const Run save = Z4ctl(Tcp(sim.TcpPort()) + QStringList{QStringLiteral("save"), m_base});
    QVERIFY2(save.Exit == 0, qPrintable(save.Err));
    QCOMPARE(save.Out, QStringLiteral("Saved: %1\nItems: 140\n").arg(m_base));

    const QByteArray base = ReadAll(m_base);
    const QString raw = SettingOf(base, QStringLiteral("SupplySetPoint"));
    QVERIFY(!raw.isEmpty() && raw != QLatin1String("2200"));
    m_setPoint = ScaledText(raw.toInt(), 2, QLocale::c());
    m_setPointWord = raw;
    const QString antiFreeze = SettingOf(base, QStringLiteral("AntiFreezeTemp"));
    QVERIFY(!antiFreeze.isEmpty());
    m_antiFreeze = ScaledText(antiFreeze.toInt(), 2, QLocale::c());
    QByteArray changed = base;
    changed.replace("SupplySetPoint=" + raw.toUtf8(), "SupplySetPoint=2200");
    QByteArray bad = base;
    bad.replace("SupplySetPoint=" + raw.toUtf8(), "SupplySetPoint=21,5");
    QByteArray outside = base;
    outside.replace("SupplySetPoint=" + raw.toUtf8(), "SupplySetPoint=9000");
    QByteArray tenths = base;
    QVERIFY(tenths.contains("\nSimulatedTemp0=600\n"));
    tenths.replace("\nSimulatedTemp0=600\n", "\nSimulatedTemp0=605\n");
    m_changed = m_dir.filePath(QStringLiteral("changed.cnf"));
    m_bad = m_dir.filePath(QStringLiteral("bad.cnf"));
    m_outside = m_dir.filePath(QStringLiteral("outside.cnf"));
    QVERIFY(WriteAll(m_changed, changed));
    QVERIFY(WriteAll(m_bad, bad));
    QVERIFY(WriteAll(m_outside, outside));
    m_tenths = m_dir.filePath(QStringLiteral("tenths.cnf"));
    QVERIFY(WriteAll(m_tenths, tenths));
}

void TstZ4ctl::statusAndSaveAgainstPymodbus()
{
    // A board with its own identification and a set point of 21.50, served by pymodbus as a
    // snapshot of every register.
    auto board = StartTcpBoard({.firmware = 1012, .boardNumber = 17, .series = 3});
    QVERIFY(board);
    QVERIFY(board->Board().write(0x0200, 2150));
    const QString imagePath = m_dir.filePath(QStringLiteral("image.json"));
    // The board's clock runs: the status block is taken with the snapshot, again until the clock
    // did not tick in between.
    std::vector<quint16> statusAtSnapshot;
    do {
        statusAtSnapshot = Registers(board->Board(), live::kStatusRead);
        QVERIFY(WriteBoardImage(board->Board(), imagePath));
    } while (statusAtSnapshot != Registers(board->Board(), live::kStatusRead));
    PymodbusPeer peer;
    bool missing = false;
    const QString error = peer.Start({QStringLiteral("--image"), imagePath}, &missing);
    if (missing)
        QSKIP(qPrintable(QStringLiteral("pymodbus cannot run here: ") + error));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const Run status = Z4ctl(Tcp(peer.Port()) + QStringList{QStringLiteral("--json"), QStringLiteral("status")});
    QVERIFY2(status.Exit == 0, qPrintable(status.Err));
    const QJsonObject shown = QJsonDocument::fromJson(status.Out.toUtf8()).object();
    QCOMPARE(shown.value(QStringLiteral("version")).toString(), QStringLiteral("1.012"));
    QCOMPARE(shown.value(QStringLiteral("board_no")).toInt(), 17);
    QCOMPARE(shown.value(QStringLiteral("series")).toInt(), 3);
    const Z4Board &served = board->Board();
    const live::StatusBlock s = *live::DecodeStatusBlock(statusAtSnapshot);
    QCOMPARE(shown.value(QStringLiteral("date")).toString(), s.Date);
    QCOMPARE(shown.value(QStringLiteral("time")).toString(), s.Time);
    for (size_t i = 0; i < s.Inputs.size(); ++i)
        QCOMPARE(shown.value(QStringLiteral("input_%1").arg(i + 1)), Shown(s.Inputs[i]));
    const QJsonObject units = shown.value(QStringLiteral("units")).toObject();
    QCOMPARE(units.value(QStringLiteral("input_1")).toString(), QStringLiteral("°C"));
    QCOMPARE(units.value(QStringLiteral("out_8_a")).toString(), QStringLiteral("%"));
    QCOMPARE(units.value(QStringLiteral("pressure_9")).toString(), QStringLiteral("Pa"));
    QCOMPARE(units.value(QStringLiteral("air_flow_10")).toString(), QStringLiteral("m³/h"));
    for (size_t i = 0; i < s.Outputs.size(); ++i)
        QCOMPARE(shown.value(QStringLiteral("out_%1").arg(i + 1)), Shown(s.Outputs[i]));
    for (int i = 0; i < 11; ++i)
        QCOMPARE(shown.value(QStringLiteral("output_%1").arg(i + 1)).toBool(), s.DigitalOutput(i));
    QCOMPARE(shown.value(QStringLiteral("stop_code")).toInt(), int(s.StopCode));
    const live::DiagnosticsBlock g = *live::DecodeDiagnosticsBlock(Registers(served, live::kDiagnosticsRead));
    for (size_t i = 0; i < g.Values.size(); ++i)
        QCOMPARE(shown.value(QStringLiteral("diagnostic_%1").arg(i + 1)).toInt(), int(g.Values[i]));
    // The invalid input the board always has shows as invalid.
    QVERIFY(std::any_of(s.Inputs.cbegin(), s.Inputs.cend(), [](const live::ShownValue &v) { return !v.Valid; }));

    // The window's Save of the in-process board and z4ctl's of the snapshot: the same bytes.
    const QString fromWindow = m_dir.filePath(QStringLiteral("window.cnf"));
    {
        RecordedForm form;
        QVERIFY(ConnectTcp(*form.Form, board->TcpPort()));
        QTRY_VERIFY_WITH_TIMEOUT(Idle(TcpOf(*form)), kSoonMs);
        // The connect has read the version, which decides the items.
        QCOMPARE(form->Live().FirmwareVersion, quint16(1012));
        TParametersPage &page = *PageOf<TParametersPage>(*form);
        form.Messages->SaveAnswer = fromWindow;
        page.SaveButton->click();
        QVERIFY(WaitForTransferEnd(page));
        QCOMPARE(form.Messages->Errors, QStringList());
    }
    const QString fromCli = m_dir.filePath(QStringLiteral("z4ctl.cnf"));
    const Run save = Z4ctl(Tcp(peer.Port()) + QStringList{QStringLiteral("save"), fromCli});
    QVERIFY2(save.Exit == 0, qPrintable(save.Err));
    const QByteArray windowFile = ReadAll(fromWindow);
    QVERIFY(windowFile.contains("SupplySetPoint=2150\n"));
    QCOMPARE(ReadAll(fromCli), windowFile);
}

void TstZ4ctl::commands_data()
{
    // z4sim's arguments besides --tcp 0; "closed": a closed port. STATE stands for a z4sim state
    // file, which z4sim writes on the first write it takes: no step of such a row may write.
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QList<QStringList>>("steps");  // z4ctl's arguments; LINE stands for the line
    QTest::addColumn<QList<int>>("exits");
    QTest::addColumn<QStringList>("says");  // what each step's stdout or stderr holds

    const QString base = m_base;
    const QString changed = m_changed;
    const QString bad = m_bad;
    const QString fresh = m_dir.filePath(QStringLiteral("fresh.cnf"));
    const QString sp = m_setPoint;
    const QString word = m_setPointWord;
    const QStringList rev12{QStringLiteral("--firmware"), QStringLiteral("1012")};
    const auto line = [](const QStringList &rest) { return QStringList{QStringLiteral("LINE")} + rest; };
    using L = QList<QStringList>;

    QTest::newRow("verify: equal") << rev12 << L{line({"verify", base})} << QList<int>{0}
                                   << QStringList{"Items: 140\nResult: equal\n"};
    QTest::newRow("verify: different, both values named")
        << rev12 << L{line({"verify", changed})} << QList<int>{1}
        << QStringList{
               QStringLiteral(
                   "Result: 1 register differs\n[Settings] SupplySetPoint: board %1 °C, file 22 °C [%2, 2200]\n")
                   .arg(sp, word)};
    QTest::newRow("verify --json")
        << rev12 << L{line({"--json", "verify", changed})} << QList<int>{1}
        << QStringList{QStringLiteral("\"differences\":[{\"board\":%2,\"board_text\":\"%1 °C\",\"file\":2200,"
                                      "\"file_text\":\"22 °C\",\"key\":\"SupplySetPoint\",\"section\":\"Settings\","
                                      "\"unit\":\"°C\"}],\"equal\":false,\"items\":140}")
                           .arg(sp, word)};
    QTest::newRow("verify: a base-set board compares the base set")
        << QStringList{} << L{line({"verify", base})} << QList<int>{0} << QStringList{"Items: 132\n"};
    QTest::newRow("diff: equal") << QStringList{} << L{{"diff", base, base}} << QList<int>{0}
                                 << QStringList{"Result: equal"};
    QTest::newRow("diff: different")
        << QStringList{} << L{{"diff", base, changed}} << QList<int>{1}
        << QStringList{QStringLiteral("[Settings] SupplySetPoint: a %1 °C, b 22 °C [%2, 2200]\n").arg(sp, word)};
    QTest::newRow("diff: tenths a whole-seconds edit drops are shown")
        << QStringList{} << L{{"diff", base, m_tenths}, {"--json", "diff", base, m_tenths}} << QList<int>{1, 1}
        << QStringList{"[InOut] SimulatedTemp0: a 60 sec, b 60.5 sec [600, 605]\n",
                       "{\"a\":600,\"a_text\":\"60 sec\",\"b\":605,\"b_text\":\"60.5 sec\",\"key\":\"SimulatedTemp0\","
                       "\"section\":\"InOut\",\"unit\":\"sec\"}"};
    QTest::newRow("load, then verify") << rev12
                                       << L{line({"load", changed}), line({"verify", changed}), line({"verify", base})}
                                       << QList<int>{0, 0, 1}
                                       << QStringList{
                                              "Written: 140\nItems: 140\nResult: equal\n", "Result: equal",
                                              QStringLiteral("SupplySetPoint: board 22 °C, file %1 °C").arg(sp)};
    QTest::newRow("load: a value outside its edit's limits writes nothing")
        << (rev12 + QStringList{"--state", "STATE"})
        << L{line({"load", m_outside}), line({"--json", "load", m_outside})} << QList<int>{2, 2}
        << QStringList{"[Settings] SupplySetPoint: 90 °C is outside what its edit takes (10 .. 55 °C)\nNothing was "
                       "written; load --force writes them as they are.",
                       "SupplySetPoint: 90 °C"};
    QTest::newRow("load --force writes it")
        << rev12 << L{line({"load", "--force", m_outside}), line({"get", "Settings.SupplySetPoint"})}
        << QList<int>{0, 0}
        << QStringList{"Written: 140\nItems: 140\nResult: equal\n", "Settings.SupplySetPoint: 90 °C"};
    QTest::newRow("usage: --force without load") << QStringList{} << L{line({"--force", "verify", base})}
                                                 << QList<int>{2} << QStringList{"--force goes with load"};
    QTest::newRow("a refused file writes nothing")
        << rev12 << L{line({"load", bad}), line({"verify", base})} << QList<int>{2, 0}
        << QStringList{"SupplySetPoint", "Result: equal"};
    QTest::newRow("a refused write: exit 4, what was written")
        << (rev12 + QStringList{"--refuse", "0x0201-0x0201"}) << L{line({"load", changed})} << QList<int>{4}
        << QStringList{
               "the board refused [Settings] SupplySensor (illegal data address (2)): the items after it were not "
               "written.\n1 of 140 items were written; the last one written was [Settings] SupplySetPoint."};
    QTest::newRow("a silent board: status")
        << QStringList{"--drop-every", "1"} << L{line({"--timeout", "100", "status"})} << QList<int>{3}
        << QStringList{"no answer within 100 ms"};
    QTest::newRow("a silent board: save writes no file")
        << QStringList{"--drop-every", "1"} << L{line({"--timeout", "100", "save", fresh})} << QList<int>{3}
        << QStringList{"no answer within 100 ms"};
    QTest::newRow("a board that reads 42 registers at most: read item by item, nothing missed")
        << (rev12 + QStringList{"--max-read", "42"}) << L{line({"verify", changed}), line({"verify", base})}
        << QList<int>{1, 0}
        << QStringList{
               QStringLiteral(
                   "Result: 1 register differs\n[Settings] SupplySetPoint: board %1 °C, file 22 °C [%2, 2200]\n")
                   .arg(sp, word),
               "z4ctl: Registers 0x0217-0x0261 could not be read in one request (the board refused it: "
               "illegal data value (3)): they are read one item per request in this transfer."};
    QTest::newRow("a board that reads 20 registers at most: saved in parts, verified, its keys read")
        << (rev12 + QStringList{"--max-read", "20"})
        << L{line({"save", fresh}), line({"verify", fresh}), line({"keys"})} << QList<int>{0, 0, 0}
        << QStringList{"could not be read in one request (the board refused it", "Result: equal",
                       "Timers.WeekTimes41: "};
    QTest::newRow("a board that leaves reads over 20 registers unanswered: the same")
        << (rev12 + QStringList{"--max-read-swallow", "20"})
        << L{line({"--timeout", "100", "save", fresh}), line({"--timeout", "100", "verify", fresh}),
             line({"--timeout", "100", "keys"})}
        << QList<int>{0, 0, 0}
        << QStringList{"could not be read in one request (no answer)", "Result: equal", "read in smaller requests"};
    QTest::newRow("a refused read aborts the save")
        << QStringList{"--refuse", "0x0210-0x0210"} << L{line({"save", fresh})} << QList<int>{3}
        << QStringList{"transfer aborted: the board refused reading ["};
    QTest::newRow("the board lost in the middle of a load")
        << (rev12 + QStringList{"--close-after", "11"}) << L{line({"load", changed})} << QList<int>{3}
        << QStringList{"transfer aborted: the link was lost.\n10 items written; item 11 ([Settings] "
                       "RotorProportionalBand) was sent and its outcome is unknown."};
    QTest::newRow("a closed port") << QStringList{"closed"} << L{line({"status"})} << QList<int>{3}
                                   << QStringList{"127.0.0.1:"};
    QTest::newRow("usage: no command") << QStringList{} << L{{"--json"}} << QList<int>{2}
                                       << QStringList{"no command given"};
    QTest::newRow("get: two keys as their edits show them")
        << QStringList{} << L{line({"get", "Settings.SupplySetPoint", "settings.antifreezetemp"})} << QList<int>{0}
        << QStringList{QStringLiteral("Settings.SupplySetPoint: %1 °C\nSettings.AntiFreezeTemp: %2 °C\n")
                           .arg(sp, m_antiFreeze)};
    QTest::newRow("get: keys side by side in one read; a board that refuses it, in smaller reads")
        << QStringList{"--max-read", "2"}
        << L{line({"get", "Settings.SupplySensor", "Settings.OutdoorSensor", "Settings.SupplySetPoint",
                   "settings.antifreezetemp"}),
             line({"get", "Settings.SupplySensor", "Settings.SupplySetPoint", "Settings.OutdoorSensor"})}
        << QList<int>{0, 0}
        << QStringList{
               QStringLiteral("Settings.SupplySetPoint: %1 °C\nSettings.AntiFreezeTemp: %2 °C\n").arg(sp, m_antiFreeze),
               "z4ctl: the board refused reading 3 registers from 0x0200 (illegal data value (3)): read in smaller "
               "requests\n"};
    QTest::newRow("set: written and read back")
        << QStringList{}
        << L{line({"set", "Settings.SupplySetPoint=22.5", "InOut.SimulatedTemp2=6"}),
             line({"--json", "get", "Settings.SupplySetPoint", "InOut.SimulatedTemp2"})}
        << QList<int>{0, 0}
        << QStringList{"Settings.SupplySetPoint: 22.5 °C\nInOut.SimulatedTemp2: 6 sec\n",
                       "{\"InOut.SimulatedTemp2\":\"6\",\"Settings.SupplySetPoint\":\"22.5\",\"units\":"
                       "{\"InOut.SimulatedTemp2\":\"sec\",\"Settings.SupplySetPoint\":\"°C\"},\"words\":"
                       "{\"InOut.SimulatedTemp2\":60,\"Settings.SupplySetPoint\":2250}}\n"};
    QTest::newRow("set: one bad value writes nothing")
        << QStringList{"--state", "STATE"}
        << L{line({"set", "Settings.AntiFreezeTemp=5", "Settings.SupplySetPoint=55.01"}),
             line({"set", "Settings.SupplySetPoint=21.5x"}), line({"set", "Cascade.RecycleStart=24:00"}),
             line({"set", "Settings.SeasonMode=Spring"}), line({"set", "Settings.SupplySetPoint"})}
        << QList<int>{2, 2, 2, 2, 2}
        << QStringList{"Settings.SupplySetPoint: '55.01' is out of range; it takes 10 .. 55 °C. Nothing was written.",
                       "'21.5x' is not a valid number; it takes 10 .. 55 °C", "it takes a time 0:00 .. 23:59",
                       "Settings.SeasonMode takes Summer, Winter or Auto, not 'Spring'", "is not KEY=VALUE"};
    QTest::newRow("keys the board does not have")
        << QStringList{}
        << L{line({"get", "Settings.SupplySetPoint", "Settings.Nothing"}), line({"get", "Ventilation.ExhaustFlowKi"})}
        << QList<int>{2, 2}
        << QStringList{"unknown key 'Settings.Nothing'", "Ventilation.ExhaustFlowKi belongs to the extended set"};
    QTest::newRow("set: a refused write")
        << QStringList{"--refuse", "0x0200-0x0200"} << L{line({"set", "Settings.SupplySetPoint=21"})} << QList<int>{4}
        << QStringList{"the board refused writing 0x0200 (illegal data address (2))\nWritten: nothing"};
    QTest::newRow("usage: --period without watch")
        << QStringList{} << L{line({"--period", "2", "status"})} << QList<int>{2}
        << QStringList{"--period and --count go with watch"};
    QTest::newRow("watch: a silent board")
        << QStringList{"--drop-every", "1"} << L{line({"--timeout", "100", "watch", "--count", "2"})} << QList<int>{3}
        << QStringList{"{\"error\":\"no answer within 100 ms"};
    QTest::newRow("usage: no key") << QStringList{} << L{line({"get"})} << QList<int>{2}
                                   << QStringList{"get takes one key or more"};
    QTest::newRow("usage: no line") << QStringList{} << L{{"status"}} << QList<int>{2} << QStringList{"needs a line"};
    QTest::newRow("usage: a bad port") << QStringList{} << L{{"--tcp", "127.0.0.1:70000", "status"}} << QList<int>{2}
                                       << QStringList{"--tcp: '127.0.0.1:70000' is not valid"};
    QTest::newRow("usage: a value out of range names the range")
        << QStringList{}
        << L{{"--unit", "0", "status"},
             {"-u300", "status"},
             {"--timeout=5", "status"},
             {"--rtu", "/dev/null", "--parity", "X", "status"},
             {"--rtu", "/dev/null", "--stop-bits", "3", "status"},
             {"--tcp", "host:0", "status"},
             {"--period", "0", "status"}}
        << QList<int>{2, 2, 2, 2, 2, 2, 2}
        << QStringList{"--unit: '0' is not valid; it takes 1-247",
                       "-u: '300' is not valid; it takes 1-247",
                       "--timeout: '5' is not valid; it takes 10-60000 (ms)",
                       "--parity: 'X' is not valid; it takes N, E or O",
                       "--stop-bits: '3' is not valid; it takes 1 or 2",
                       "--tcp: 'host:0' is not valid; it takes a host, HOST:PORT with a port 1-65535",
                       "--period: '0' is not valid; it takes 1-500 (seconds)"};
    QTest::newRow("usage: a serial setting without --rtu")
        << QStringList{} << L{line({"--parity", "N", "status"})} << QList<int>{2} << QStringList{"go with --rtu"};
    QTest::newRow("usage: a file missing")
        << QStringList{} << L{{"diff", base}} << QList<int>{2} << QStringList{"diff takes 2 file(s), not 1 arguments"};
    QTest::newRow("help and version, whatever follows")
        << QStringList{} << L{{"-h"}, {"status", "--help", "--no-such-option"}, {"-V", "frobnicate"}, {"--version"}}
        << QList<int>{0, 0, 0, 0}
        << QStringList{"Usage: z4ctl [OPTION...] COMMAND [ARGUMENT...]\n", "\n  -u, --unit N ",
                       "z4ctl " Z4_VERSION "\n", "z4ctl " Z4_VERSION "\n"};
    QTest::newRow("no name but the commands' own runs: nothing written")
        << QStringList{"--state", "STATE"}
        << L{line({"frobnicate", changed}),
             line({"Load", changed}),
             line({"lo", changed}),
             line({"--json", "loa"}),
             {"--json=1", "status"}}
        << QList<int>{2, 2, 2, 2, 2}
        << QStringList{"z4ctl: unknown command 'frobnicate'\nTry 'z4ctl --help' for more information.\n",
                       "unknown command 'Load'", "unknown command 'lo'",
                       "{\"error\":\"unknown command 'loa'\",\"exit_status\":2}\n", "--json takes no value"};
    QTest::newRow("short forms and --option=value: a board at unit 2")
        << QStringList{"--unit", "2"}
        << L{line({"--unit=2", "get", "Settings.SupplySetPoint"}),
             {"-t", "127.0.0.1:PORT", "-u", "2", "keys"},
             {"-t127.0.0.1:PORT", "-u2", "--timeout=100", "get", "--", "Settings.SupplySetPoint"},
             line({"--timeout=100", "status"})}
        << QList<int>{0, 0, 0, 3}
        << QStringList{QStringLiteral("Settings.SupplySetPoint: %1 °C\n").arg(sp),
                       QStringLiteral("Settings.SupplySetPoint: %1 °C\n").arg(sp),
                       QStringLiteral("Settings.SupplySetPoint: %1 °C\n").arg(sp), "no answer within 100 ms"};
    QTest::newRow("keys: every key, with a line its value")
        << QStringList{} << L{{"keys"}, {"--json", "keys"}, line({"--json", "keys"})} << QList<int>{0, 0, 0}
        << QStringList{"Settings.SupplySetPoint\nSettings.SupplySensor\n", "\"Settings.SupplySetPoint\":\"°C\"",
                       QStringLiteral("\"Settings.SupplySetPoint\":\"%1\"").arg(sp)};
    QTest::newRow("a mistyped key: the nearest named, nothing written")
        << QStringList{"--state", "STATE"}
        << L{line({"get", "Settings.SuplySetPoint"}), line({"set", "supplysetpoint=21"}),
             line({"--json", "set", "Settings.SupplySetPoint=21", "Settings.Nothing=1"})}
        << QList<int>{2, 2, 2}
        << QStringList{"unknown key 'Settings.SuplySetPoint'; did you mean Settings.SupplySetPoint?",
                       "unknown key 'supplysetpoint'; did you mean Settings.SupplySetPoint?",
                       "\"command\":\"set\",\"error\":\"unknown key 'Settings.Nothing'"};
    QTest::newRow("--json: a failure as an object, saying what was written")
        << QStringList{"--refuse", "0x0200-0x0200"}
        << L{line({"--json", "set", "Settings.AntiFreezeTemp=5", "Settings.SupplySetPoint=21"}),
             line({"--json", "load", changed}), line({"--json", "--timeout", "100", "--unit", "9", "status"})}
        << QList<int>{4, 4, 3}
        << QStringList{"{\"command\":\"set\",\"error\":\"Settings.SupplySetPoint: the board refused writing 0x0200 "
                       "(illegal data address (2))\\nWritten: Settings.AntiFreezeTemp\",\"exit_status\":4,"
                       "\"written\":[\"Settings.AntiFreezeTemp\"]}\n",
                       "(illegal data address (2)): the items after it were not written.\\nNone of the 132 items "
                       "was written.\",\"exit_status\":4,\"written\":0}\n",
                       "{\"command\":\"status\",\"error\":\"no answer within 100 ms"};
    QTest::newRow("a file that is not there")
        << QStringList{} << L{{"diff", base, m_dir.filePath(QStringLiteral("none.cnf"))}} << QList<int>{2}
        << QStringList{"none.cnf"};
    QTest::newRow("a definition that is not there")
        << QStringList{} << L{{"--definition", m_dir.filePath(QStringLiteral("none.def")), "diff", base, base}}
        << QList<int>{2} << QStringList{"none.def"};
}

void TstZ4ctl::commands()
{
    QFETCH(QStringList, sim);
    QFETCH(QList<QStringList>, steps);
    QFETCH(QList<int>, exits);
    QFETCH(QStringList, says);
    QCOMPARE(exits.size(), steps.size());
    QCOMPARE(says.size(), steps.size());

    const QString state = m_dir.filePath(QStringLiteral("state.cnf"));
    QFile::remove(state);
    sim.replaceInStrings(QRegularExpression(QStringLiteral("^STATE$")), state);
    SimProcess board;
    quint16 port = 0;
    if (sim == QStringList{QStringLiteral("closed")}) {
        QTcpServer server;  // a port that was free a moment ago, with nothing listening now
        QVERIFY(server.listen(QHostAddress::LocalHost));
        port = server.serverPort();
    } else if (!sim.isEmpty() || std::any_of(steps.cbegin(), steps.cend(), [](const QStringList &s) {
                   return s.contains(QStringLiteral("LINE"));
               })) {
        QVERIFY(board.Start(QStringList{QStringLiteral("--tcp"), QStringLiteral("0")} + sim));
        port = board.TcpPort();
    }

    const QString fresh = m_dir.filePath(QStringLiteral("fresh.cnf"));
    QFile::remove(fresh);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        QStringList arguments;
        for (const QString &argument : steps[i])
            arguments += argument == QLatin1String("LINE")
                             ? Tcp(port)
                             : QStringList{QString(argument).replace(QStringLiteral("PORT"), QString::number(port))};
        const Run run = Z4ctl(arguments);
        const QString output = run.Out + run.Err;
        QVERIFY2(run.Exit == exits[i],
                 qPrintable(QStringLiteral("step %1 exit %2: %3").arg(i).arg(run.Exit).arg(output)));
        QVERIFY2(output.contains(says[i]), qPrintable(QStringLiteral("step %1 says: %2").arg(i).arg(output)));
        // Messages go to stderr, results to stdout; watch writes a line for every cycle. With
        // --json, a failure is also one object on stdout; a usage error is one line, not the usage.
        const bool failed = run.Exit >= 2 && !arguments.contains(QStringLiteral("watch"));
        const bool json = arguments.contains(QStringLiteral("--json"));
        QCOMPARE(failed && !json, run.Out.isEmpty());
        if (failed && json) {
            const QJsonObject failure = QJsonDocument::fromJson(run.Out.toUtf8()).object();
            QVERIFY2(run.Out.count(QLatin1Char('\n')) == 1 && failure.value(QStringLiteral("exit_status")) == run.Exit
                         && !failure.value(QStringLiteral("error")).toString().isEmpty(),
                     qPrintable(run.Out));
        }
        QVERIFY2(!run.Err.contains(QLatin1String("Usage:")), qPrintable(run.Err));
    }
    // A save that failed leaves no file behind.
    if (exits.back() != 0)
        QVERIFY(!QFile::exists(fresh));
    if (sim.contains(state))
        QVERIFY2(!QFile::exists(state), "z4sim took a write");
}

// watch: one JSON object a line; a cycle that lost the line says so, the next opens it again, and
// SIGTERM ends the watch with whole lines.
void TstZ4ctl::watchGoesOnUntilStopped()
{
    // A status cycle is six or seven requests: the board drops the connection in the second.
    SimProcess board;
    QVERIFY(board.Start(
        {QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--close-after"), QStringLiteral("8")}));
    QProcess watch;
    watch.start(QStringLiteral(Z4_CTL_EXE), Tcp(board.TcpPort()) + QStringList{QStringLiteral("watch")});
    QList<QJsonObject> lines;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            while (watch.canReadLine())
                lines.append(QJsonDocument::fromJson(watch.readLine()).object());
            return lines.size() >= 3;
        }(),
        kSoonMs * 2);
    watch.terminate();
    QVERIFY(watch.waitForFinished(kSoonMs));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.exitCode(), 0);
    // Whatever came after the third line is whole lines too.
    for (const QByteArray &rest : watch.readAllStandardOutput().split('\n')) {
        if (!rest.isEmpty())
            lines.append(QJsonDocument::fromJson(rest).object());
    }
    QVERIFY(lines.size() >= 3);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QJsonObject &line = lines[i];
        QVERIFY2(QDateTime::fromString(line.value(QStringLiteral("read_at")).toString(), Qt::ISODateWithMs).isValid(),
                 qPrintable(QStringLiteral("line %1 has no time").arg(i)));
        if (i == 1) {
            QVERIFY2(line.value(QStringLiteral("error")).toString().contains(QLatin1String("lost")),
                     qPrintable(QJsonDocument(line).toJson()));
        } else {
            QVERIFY2(line.value(QStringLiteral("input_1")).isDouble(), qPrintable(QJsonDocument(line).toJson()));
            QVERIFY(!line.contains(QStringLiteral("units")));
        }
    }
    QVERIFY(QString::fromUtf8(watch.readAllStandardError()).contains(QLatin1String("the line was lost")));
}

void TstZ4ctl::loadStoppedBySignalSaysWhatItWrote_data()
{
    QTest::addColumn<bool>("twice");
    QTest::newRow("one signal") << false;
    QTest::newRow("a second signal at once") << true;
}

// load: SIGTERM (as Ctrl+C) during the writes ends them after the write on the line, which the
// message counts, with exit status 3. A second signal (SIGINT, which does not merge with the
// first) ends them at once, still saying what was written and that the write on the line has no
// known outcome.
void TstZ4ctl::loadStoppedBySignalSaysWhatItWrote()
{
    QFETCH(bool, twice);
    auto board = StartTcpBoard({.firmware = 1012});
    QVERIFY(board);
    QProcess load;
    int writes = 0;
    // At the tenth write the signal goes out, and the board answers late from then on: the signal
    // is in before the answer on the line.
    connect(board.get(), &Z4SimServer::RequestHandled, this, [&](const SimRequest &r) {
        if ((r.Function == 0x06 || r.Function == 0x10) && ++writes == 10) {
            board->SetFaults({.DelayMs = twice ? 5000 : 500, .Refuse = {}});
            load.terminate();
            if (twice)
                ::kill(static_cast<pid_t>(load.processId()), SIGINT);
        }
    });
    load.start(QStringLiteral(Z4_CTL_EXE), Tcp(board->TcpPort()) + QStringList{QStringLiteral("load"), m_changed});
    QTRY_VERIFY_WITH_TIMEOUT(load.state() == QProcess::NotRunning, kSoonMs * 3);
    QCOMPARE(load.exitStatus(), QProcess::NormalExit);
    QCOMPARE(load.exitCode(), 3);
    QVERIFY(load.readAllStandardOutput().isEmpty());
    const QString said = QString::fromUtf8(load.readAllStandardError());
    QVERIFY2(writes >= 10 && writes < 140, qPrintable(said));
    const QString counted =
        twice ? QStringLiteral("%1 items written; item %2 ([").arg(writes - 1).arg(writes)
              : QStringLiteral("%1 of 140 items were written; the last one written was [").arg(writes);
    QVERIFY2(said.startsWith(QStringLiteral("z4ctl: load stopped before its end.\n") + counted), qPrintable(said));
    QVERIFY2(said.endsWith(QStringLiteral(".\nThe board now holds a mix of old and new values: run z4ctl verify to "
                                          "compare it with the file.\n")),
             qPrintable(said));
}

// The saved file over a serial line (a socat pty pair) is the one saved over TCP from a fresh board.
void TstZ4ctl::saveOverRtu()
{
    if (!PtyPair::Available())
        QSKIP("socat is not installed");
    PtyPair cable;
    cable.Start(kSoonMs);
    if (QTest::currentTestFailed())
        return;
    SimProcess board;
    QVERIFY(board.Start({QStringLiteral("--rtu"), cable.EndA(), QStringLiteral("--firmware"), QStringLiteral("1012")}));
    const QString file = m_dir.filePath(QStringLiteral("rtu.cnf"));
    const QStringList line{QStringLiteral("--rtu"),    cable.EndB(),
                           QStringLiteral("--baud"),   QStringLiteral("19200"),
                           QStringLiteral("--parity"), QStringLiteral("E")};
    const Run save = Z4ctl(line + QStringList{QStringLiteral("save"), file});
    QVERIFY2(save.Exit == 0, qPrintable(save.Err));
    QCOMPARE(ReadAll(file), ReadAll(m_base));
    const Run set = Z4ctl(line + QStringList{QStringLiteral("set"), QStringLiteral("Settings.SupplySetPoint=22")});
    QVERIFY2(set.Exit == 0, qPrintable(set.Err));
    const Run verify = Z4ctl(line + QStringList{QStringLiteral("verify"), m_changed});
    QVERIFY2(verify.Exit == 0, qPrintable(verify.Out + verify.Err));
}

void TstZ4ctl::aSaveTargetIsRefusedBeforeTheBoardIsRead_data()
{
    QTest::addColumn<QString>("target");  // PIPE, FOLDER, READONLY: made by the test
    QTest::addColumn<QString>("says");
    QTest::newRow("/dev/full") << QStringLiteral("/dev/full") << QStringLiteral("it is a device, not a file");
    QTest::newRow("a named pipe") << QStringLiteral("PIPE") << QStringLiteral("it is a named pipe (FIFO), not a file");
    QTest::newRow("a folder") << QStringLiteral("FOLDER") << QStringLiteral("it is a folder, not a file");
    QTest::newRow("a read-only folder") << QStringLiteral("READONLY") << QStringLiteral("cannot be written");
}

// z4ctl save and the window's Save refuse a file they cannot write before they ask the board
// anything: z4ctl says so for a port where nothing listens, the window sends no request.
void TstZ4ctl::aSaveTargetIsRefusedBeforeTheBoardIsRead()
{
    QFETCH(QString, target);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::optional<ReadOnlyFolder> readOnly;
    QString path = target;
    if (target == QLatin1String("PIPE"))
        path = MakeOddPlace(OddKind::Pipe, dir.path(), QStringLiteral("board.cnf"));
    else if (target == QLatin1String("FOLDER"))
        path = MakeOddPlace(OddKind::Folder, dir.path(), QStringLiteral("board.cnf"));
    else if (target == QLatin1String("READONLY")) {
        readOnly.emplace(dir.filePath(QStringLiteral("locked")));
        if (!readOnly->Ready())
            QSKIP("no folder can be made read-only for root here (chattr)");
        path = dir.filePath(QStringLiteral("locked/board.cnf"));
    }
    QVERIFY(!path.isEmpty());

    QTcpServer server;  // a port that was free a moment ago, with nothing listening now
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 closed = server.serverPort();
    server.close();
    const Run save = Z4ctl(Tcp(closed) + QStringList{QStringLiteral("save"), path});
    QVERIFY2(save.Exit == 2 && save.Err.contains(says),
             qPrintable(QStringLiteral("%1: %2").arg(save.Exit).arg(save.Err)));

    auto board = StartTcpBoard();
    QVERIFY(board);
    RecordedForm form;
    QVERIFY(ConnectTcp(*form.Form, board->TcpPort()));
    Settle(*form.Form);
    TParametersPage &page = *PageOf<TParametersPage>(*form);
    const quint64 sent = TcpOf(*form).GetCounters().Requests;
    form.Messages->SaveAnswer = path;
    page.SaveButton->click();
    QCOMPARE(form.Messages->Errors.size(), 1);
    QVERIFY2(form.Messages->Errors.first().contains(says), qPrintable(form.Messages->Errors.first()));
    QVERIFY(page.SaveButton->isEnabled());  // no transfer under way
    QCOMPARE(TcpOf(*form).GetCounters().Requests, sent);
    if (readOnly)
        QCOMPARE(QDir(dir.filePath(QStringLiteral("locked")))
                     .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList());
}

void TstZ4ctl::lineOptions_data()
{
    QTest::addColumn<QStringList>("sim");        // z4sim's arguments (none: no z4sim); PTY: a pty pair's end
    QTest::addColumn<QString>("isolated");       // shell commands run first in a network namespace of its own
    QTest::addColumn<QString>("environment");    // NAME=value for z4ctl
    QTest::addColumn<QStringList>("arguments");  // PORT: z4sim's, CLOSED: a closed one, PTY: the other end's name
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("says");  // in stderr; empty: stderr is empty
    const QStringList tcp{QStringLiteral("--tcp"), QStringLiteral("0")};
    const QStringList get{QStringLiteral("get"), QStringLiteral("Settings.SupplySetPoint")};
    const QString noted = QStringLiteral("QT_LOGGING_RULES=qt.modbus*=true");  // Qt notes every request
    QTest::newRow("IPv6 with a port") << (tcp + QStringList{"--listen", "::1"}) << QString() << QString()
                                      << (QStringList{"--tcp", "[::1]:PORT"} + get) << 0 << QString();
    QTest::newRow("IPv6 alone: port 502")
        << QStringList() << QString() << QString() << QStringList{"--tcp", "::1", "status"} << 3 << "[::1]:502";
    QTest::newRow("IPv6 in brackets: port 502")
        << QStringList() << QString() << QString() << QStringList{"--tcp", "[::1]", "status"} << 3 << "[::1]:502";
    QTest::newRow("a relative --rtu path") << QStringList{"--rtu", "PTY"} << QString() << QString()
                                           << (QStringList{"--rtu", "PTY"} + get) << 0 << QString();
    QTest::newRow("Qt's notes held back")
        << tcp << QString() << noted << (QStringList{"--tcp", "127.0.0.1:PORT"} + get) << 0 << QString();
    QTest::newRow("Qt's notes with --verbose")
        << tcp << QString() << noted << (QStringList{"--verbose", "--tcp", "127.0.0.1:PORT"} + get) << 0
        << "qt.modbus: ";
    // Unreachable hosts in a network namespace with only the loopback device, so that nothing
    // leaves the machine: 10.9.9.0/24 is routed to it, where no one answers; 10.9.9.1 is a board
    // that goes once it took a load's first write (STATE appears), by a rule or losing its address.
    QTest::newRow("refused: a closed port")
        << QStringList() << QString() << QString() << QStringList{"--tcp", "127.0.0.1:CLOSED", "status"} << 3
        << "cannot connect to 127.0.0.1:CLOSED: the connection was refused";
    QTest::newRow("refused: a closed port, scan")
        << QStringList() << QString() << QString() << QStringList{"--tcp", "127.0.0.1:CLOSED", "scan"} << 3
        << "z4ctl: cannot connect to 127.0.0.1:CLOSED: the connection was refused\n";
    QTest::newRow("no route to the host")
        << QStringList() << "ip route add unreachable 10.8.0.0/16 && exec \"$@\"" << QString()
        << QStringList{"--tcp", "10.8.0.1", "status"} << 3 << "cannot reach host 10.8.0.1 (port 502): Host unreachable";
    QTest::newRow("a host that does not answer")
        << QStringList() << "ip route add 10.9.9.0/24 dev lo && exec \"$@\"" << QString()
        << QStringList{"--tcp", "10.9.9.2", "--timeout", "300", "status"} << 3
        << "cannot reach host 10.9.9.2 (port 502): no answer within 300 ms";
    const QString board = QStringLiteral(
        "ip addr add 10.9.9.1/32 dev lo && ip route add 10.9.9.0/24 dev lo && ip rule add pref 100 lookup local && "
        "ip rule del pref 0 || exit 90\n"
        "\"$SIM\" --tcp 1502 --listen 10.9.9.1 --delay 500 --state \"$STATE\" > \"$STATE.out\" &\n"
        "n=0; until grep -q 'Modbus TCP' \"$STATE.out\" || [ $n -gt 1000 ]; do sleep 0.01; n=$((n+1)); done\n"
        "\"$@\" & n=0; until [ -e \"$STATE\" ] || [ $n -gt 1000 ]; do sleep 0.01; n=$((n+1)); done\n");
    const QStringList load{"--tcp", "10.9.9.1:1502", "--timeout", "2000", "load", m_changed};
    QTest::newRow("unreachable during a load")
        << QStringList() << board + "ip rule add pref 10 to 10.9.9.1 unreachable; wait $!" << QString() << load << 3
        << "transfer aborted: cannot reach host 10.9.9.1 (port 1502): Network unreachable.\n";
    QTest::newRow("silent during a load")
        << QStringList() << board + "ip addr del 10.9.9.1/32 dev lo; wait $!" << QString() << load << 3
        << "transfer aborted: cannot reach host 10.9.9.1 (port 1502): no answer to a new connection within 2000 ms.\n";
}

// The line options: IPv6 addresses, a relative device path, Qt's own messages only with --verbose,
// a refused connection and a host that cannot be reached (at the start or during a transfer) named.
void TstZ4ctl::lineOptions()
{
    QFETCH(QStringList, sim);
    QFETCH(QString, isolated);
    QFETCH(QString, environment);
    QFETCH(QStringList, arguments);
    QFETCH(int, exit);
    QFETCH(QString, says);
    RunIn in;
    PtyPair cable;
    if (sim.contains(QStringLiteral("PTY"))) {
        if (!PtyPair::Available())
            QSKIP("socat is not installed");
        cable.Start(kSoonMs);
        if (QTest::currentTestFailed())
            return;
        sim.replaceInStrings(QStringLiteral("PTY"), cable.EndA());
        in.Folder = QFileInfo(cable.EndB()).path();
        arguments.replaceInStrings(QStringLiteral("PTY"), QFileInfo(cable.EndB()).fileName());
    }
    SimProcess board;
    if (!sim.isEmpty() && !board.Start(sim))
        QSKIP(qPrintable(QStringLiteral("z4sim %1 cannot start here").arg(sim.join(QLatin1Char(' ')))));
    if (!isolated.isEmpty()) {
        // A /proc of the namespace's own: LeakSanitizer reads the process's threads there.
        const QStringList unshare{"unshare", "--net",        "--map-root-user", "--pid",
                                  "--fork",  "--kill-child", "--mount-proc"};
        if (QProcess::execute(unshare.first(), unshare.mid(1) + QStringList{"ip", "link", "set", "lo", "up"}) != 0)
            QSKIP("no network namespace of its own can be made here (unshare, ip)");
        in.Wrapper = unshare + QStringList{"sh", "-c", "ip link set lo up || exit 90\n" + isolated, "sh"};
        const QString state = m_dir.filePath(QStringLiteral("unreached.state"));
        QFile::remove(state);
        QFile::remove(state + QStringLiteral(".out"));
        in.Environment = {QStringLiteral("SIM=" Z4_SIM_EXE), QStringLiteral("STATE=") + state};
    }
    if (!environment.isEmpty())
        in.Environment.append(environment);
    QTcpServer server;  // a port that was free a moment ago, with nothing listening now
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString closed = QString::number(server.serverPort());
    server.close();
    arguments.replaceInStrings(QStringLiteral("CLOSED"), closed);
    arguments.replaceInStrings(QStringLiteral("PORT"), QString::number(board.TcpPort()));
    says.replace(QStringLiteral("CLOSED"), closed);
    const Run run = Z4ctl(arguments, in);
    QVERIFY2(run.Exit == exit && run.Err.contains(says) && (!says.isEmpty() || run.Err.isEmpty()),
             qPrintable(QStringLiteral("%1: %2").arg(run.Exit).arg(run.Err)));
    if (exit == 0)
        QVERIFY2(run.Out.startsWith(QStringLiteral("Settings.SupplySetPoint: ")), qPrintable(run.Out));
}

QTEST_MAIN(TstZ4ctl)
#include "tst_z4ctl.moc"
