// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// One text for every value: a register word of each kind, and a live reading, read the same on the
// page, in the Verify and Compare lines, in z4ctl, on the Traffic lines and in the trend's CSV; and
// z4ctl set of that text writes that word.
#include "PageText.h"
#include "PymodbusPeer.h"
#include "WindowOnBoard.h"
#include "Z4ctlRun.h"

#include "charts/TChartForm.h"
#include "config/ConfigCompare.h"
#include "config/ConfigFile.h"
#include "config/ValueText.h"
#include "live/TInputsOutputsPage.h"
#include "monitor/LiveDecoders.h"
#include "monitor/TrafficText.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <bit>
#include <cmath>
#include <limits>

class TstValueText : public QObject
{
    Q_OBJECT

private slots:
    void everyKindReadsTheSameEverywhere_data();
    void everyKindReadsTheSameEverywhere();
    void aLiveReadingReadsTheSameEverywhere();
    void aListReadsAsItsItem();
};

void TstValueText::everyKindReadsTheSameEverywhere_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("reg");
    QTest::addColumn<quint16>("word");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("page");   // what the page shows when its control cannot show the word
    QTest::addColumn<QString>("typed");  // what set is given; empty: set refuses the text
    QTest::addColumn<QString>("refusal");

    struct Row
    {
        const char *Name;
        int Item;
        quint16 Word;
        const char *Text;
        const char *Page;  // nullptr: the text
        const char *Typed;
        const char *Refusal;
    };
    // clang-format off
    const Row rows[]{
        {"number with unit", 0, 2150, "21.5 °C", nullptr, "21.5", ""},
        {"list item", 19, 2, "Auto", nullptr, "auto", ""},
        {"list of outputs", 35, 2, "3", nullptr, "3", ""},
        {"a list word as a file holds it", 88, 0xFFFF, "0", nullptr, "-1", ""},
        {"box", 20, 1, "on", nullptr, "ON", ""},
        {"exclusive boxes", 18, 1, "Auto", nullptr, "Auto", ""},
        {"mask", 16, 43, "1, 2, 4, 6", nullptr, "1,2, 4 6", ""},
        {"a mask word as a file holds it", 83, 0x0404, "3, 11", nullptr, "1028", ""},
        {"time", 74, 480, "8:00", nullptr, "8:00", ""},
        {"whole seconds of tenths", 86, 60, "6 sec", nullptr, "6", ""},
        {"week-program word", 89, 6 * 60 + 30, "6:30", nullptr, "", "is written only by a button of its own on the Timers page"},
        {"a word no list item has", 19, 7, "7 (not in the list)", "", "", "Settings.SeasonMode takes Summer, Winter or Auto"},
        // Words their controls show as other words read as themselves: 65 is not the 60 its edit shows.
        {"tenths a whole-seconds edit drops", 86, 65, "6.5 sec", "6 sec", "", "'6.5' is not a valid integer value"},
        {"a box word beyond on", 20, 2, "2 (shown as on)", "on", "", "takes on or off"},
        {"exclusive boxes' word beyond the second", 18, 2, "2 (shown as Auto)", "Auto", "", "takes Manual or Auto"},
        {"stages below one", 45, 0, "0 (shown as 1)", "1", "", "takes 1, 2 or 3"},
    };
    // clang-format on
    for (const Row &row : rows)
        QTest::newRow(row.Name) << row.Item << 0 << row.Word << QString::fromUtf8(row.Text)
                                << QString::fromUtf8(row.Page ? row.Page : row.Text) << QString::fromLatin1(row.Typed)
                                << QString::fromLatin1(row.Refusal);
}

void TstValueText::everyKindReadsTheSameEverywhere()
{
    QFETCH(int, item);
    QFETCH(int, reg);
    QFETCH(quint16, word);
    QFETCH(QString, text);
    QFETCH(QString, page);
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    auto board = StartTcpBoard({.firmware = 1012});
    QVERIFY(board);
    RecordedForm form;
    const ConfigItem &definition = form->Images().BoardImage[static_cast<size_t>(item)];
    const auto address = static_cast<quint16>(definition.FirstRegister + reg);
    const QString key = definition.Section + QLatin1Char('.') + ConfigKey(definition, reg);

    // The module itself, and the page as the page refresh fills it.
    QCOMPARE(values::ItemText(item, reg, word), text);
    std::vector<quint16> row(static_cast<size_t>(definition.Registers), 0);
    row[static_cast<size_t>(reg)] = word;
    form->TransferTable().Codec(item).RegistersToControls(row);
    QCOMPARE(PageText(*form, item, reg), page);

    // The Verify and Compare line, in the window and in z4ctl alike.
    ConfigImage boardSide = form->Images().BoardImage;
    ConfigImage fileSide = boardSide;
    boardSide[static_cast<size_t>(item)].Values[static_cast<size_t>(reg)] = word;
    fileSide[static_cast<size_t>(item)].Values[static_cast<size_t>(reg)] = static_cast<quint16>(word ^ 1);
    const auto differences = ShownDifferences(boardSide, fileSide, 140);
    QCOMPARE(differences.size(), size_t(1));
    QVERIFY2(differences.front().Left != differences.front().Right, qPrintable(differences.front().Left));
    QVERIFY2(
        differences.front()
            .Line(QStringLiteral("board"), QStringLiteral("file"))
            .startsWith(QStringLiteral("[%1] %2: board %3").arg(definition.Section, ConfigKey(definition, reg), text)),
        qPrintable(differences.front().Line(QStringLiteral("board"), QStringLiteral("file"))));

    // The Traffic line of a write of the word.
    TTrafficRecord record;
    record.Function = 6;
    record.First = address;
    record.Count = 1;
    record.Values = {word};
    QCOMPARE(TTrafficNames(form->Images().BoardImage).Decode(record).Values, text);

    // z4ctl get of the word, and set of the text.
    QVERIFY(board->Board().write(address, word));
    const Z4ctlRun get = Z4ctl(board->TcpPort(), {QStringLiteral("get"), key});
    QCOMPARE(get.Out, QStringLiteral("%1: %2\n").arg(key, text));
    QVERIFY(board->Board().write(address, static_cast<quint16>(word ^ 1)));
    const Z4ctlRun set =
        Z4ctl(board->TcpPort(), {QStringLiteral("set"), key + QLatin1Char('=') + (typed.isEmpty() ? text : typed)});
    if (typed.isEmpty()) {
        QVERIFY2(set.Exit == 2 && set.Out.contains(refusal), qPrintable(set.Out));
        QCOMPARE(board->Board().value(address), quint16(word ^ 1));
    } else {
        QVERIFY2(set.Exit == 0 && set.Out == QStringLiteral("%1: %2\n").arg(key, text), qPrintable(set.Out));
        QCOMPARE(board->Board().value(address), word);
    }
}

// A reading of the live block, valid and invalid, from one snapshot of the board's words.
void TstValueText::aLiveReadingReadsTheSameEverywhere()
{
    std::vector<quint16> words(live::kStatusRead.Count, 0);
    const auto put = [&words](quint16 address, float value) {
        const auto bits = std::bit_cast<quint32>(value);
        words[address - live::kStatusRead.Start] = static_cast<quint16>(bits >> 16);
        words[address - live::kStatusRead.Start + 1] = static_cast<quint16>(bits);
    };
    put(0x0104, 8.0f);                                     // input 1: 8.0 °C
    put(0x0106, std::numeric_limits<float>::quiet_NaN());  // input 2: no sensor
    const live::StatusBlock block = *live::DecodeStatusBlock(words);
    const QStringList texts{QStringLiteral("8.0 °C"), QStringLiteral("no sensor")};

    RecordedForm form;
    TInputsOutputsPage &page = *PageOf<TInputsOutputsPage>(*form);
    page.ShowColumnR(block);
    TTrafficRecord record;
    record.Function = 3;
    record.First = live::kStatusRead.Start;
    record.Count = live::kStatusRead.Count;
    record.Values = QList<quint16>(words.cbegin(), words.cend());
    const QString traffic = TTrafficNames(form->Images().BoardImage).Decode(record).Values;

    QTemporaryDir dir;
    TChartForm chart(dir.filePath(QStringLiteral("settings.ini")), *form.Messages);
    chart.show();
    chart.SeriesBoxes[0]->click();
    chart.SeriesBoxes[1]->click();
    chart.PowerButton->click();
    // The inputs as the recorder records them (a value the board could not give as a gap).
    rec::TSample sample;
    sample.Ms = QDateTime::currentMSecsSinceEpoch();
    sample.Values.fill(std::nan(""));
    for (size_t i = 0; i < 2; ++i)
        sample.Values[i] = block.Inputs[i].Kept == live::InvalidValue ? std::nan("") : block.Inputs[i].Kept;
    chart.Take(sample);
    const QString csvPath = dir.filePath(QStringLiteral("trend.csv"));
    QString why;
    QVERIFY2(chart.ExportCsv(csvPath, &why), qPrintable(why));
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> cells = csv.readAll().split('\n').value(1).split(';');

    // z4ctl status of the same words, served as they are by pymodbus.
    QList<int> addresses;
    QMap<int, int> held{{live::kVersionRead.Start, 1010}};  // no series number to read
    for (const live::BlockRead &read : {live::kStatusRead, live::kColumnARead, live::kRegulationModeRead,
                                        live::kHeatRecoveryRead, live::kDiagnosticsRead, live::kVersionRead})
        for (int i = 0; i < read.Count; ++i)
            addresses << read.Start + i;
    for (size_t i = 0; i < words.size(); ++i)
        held.insert(live::kStatusRead.Start + static_cast<int>(i), words[i]);
    PymodbusPeer peer;
    bool missing = false;
    const QString error = peer.StartWithImage(addresses, dir.filePath(QStringLiteral("image.json")), &missing, held);
    const Z4ctlRun status = missing || !error.isEmpty() ? Z4ctlRun{} : Z4ctl(peer.Port(), {QStringLiteral("status")});

    for (int i = 0; i < 2; ++i) {
        const QString name = live::InputName(i + 1);
        QCOMPARE(values::ReadingText(block.Inputs[static_cast<size_t>(i)]), texts[i]);
        const QString shown = ControlOf<QLineEdit>(*form, QStringLiteral("Ain%1RAdvEdit").arg(i + 1))->text();
        QCOMPARE(block.Inputs[static_cast<size_t>(i)].Valid ? shown + QStringLiteral(" °C") : shown, texts[i]);
        QVERIFY2(traffic.contains(name + QLatin1Char(' ') + texts[i]), qPrintable(traffic));
        // The CSV holds the number as the page shows it, a gap for an invalid reading.
        const QByteArray cell = cells.value(2 + i);
        QCOMPARE(cell, block.Inputs[static_cast<size_t>(i)].Valid ? shown.toUtf8() : QByteArray());
        if (block.Inputs[static_cast<size_t>(i)].Valid)
            QVERIFY2(chart.HoverText(chart.Charts[0], sample.Ms / 1000.0).contains(QStringLiteral("Inp1: ") + shown),
                     qPrintable(chart.HoverText(chart.Charts[0], sample.Ms / 1000.0)));
        if (status.Exit == 0)
            QVERIFY2(status.Out.contains(QStringLiteral("\n%1: %2\n").arg(name, texts[i])), qPrintable(status.Out));
    }
    if (missing)
        QSKIP(qPrintable(QStringLiteral("pymodbus cannot run here: ") + error));
    QVERIFY2(status.Exit == 0, qPrintable(error + status.Out));
}

// A list whose items are numbers reads as the item the page shows, not as the word: ActiveControl's
// word 5 is output "6", in Compare as on the page.
void TstValueText::aListReadsAsItsItem()
{
    ConfigImage board = ImageFromTable();
    ConfigImage file = board;
    board[14].Values[0] = 5;
    file[14].Values[0] = 7;
    board[14].Section = file[14].Section = QStringLiteral("Settings");
    board[14].Ident = file[14].Ident = QStringLiteral("ActiveControl");
    const auto d = ShownDifferences(board, file, 140);
    QCOMPARE(d.size(), size_t(1));
    QCOMPARE(d.front().Line(QStringLiteral("board"), QStringLiteral("file")),
             QStringLiteral("[Settings] ActiveControl: board 6, file 8 [5, 7]"));
    // A mask names what the file adds.
    board[16].Values[0] = 43;
    file[16].Values[0] = 47;
    board[16].Section = QStringLiteral("Settings");
    board[16].Ident = QStringLiteral("StopDigitalInputs");
    QCOMPARE(ShownDifferences(board, file, 140).back().Line(QStringLiteral("board"), QStringLiteral("file")),
             QStringLiteral("[Settings] StopDigitalInputs: board 1, 2, 4, 6; file 1, 2, 3, 4, 6 (3 added) [43, 47]"));
}

QTEST_MAIN(TstValueText)
#include "tst_valuetext.moc"
