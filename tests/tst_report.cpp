// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The commissioning report: the configuration listed as the window lays it out, every value as
// the window shows it in the PDF's text and in the HTML, the board's identity, a reference's
// differences marked and counted, forced inputs and outputs warned of at the top, and a reading
// that fails leaving no document; from z4ctl and from the window.
#include "PageText.h"
#include "WindowOnBoard.h"
#include "Z4ctlRun.h"

#include "config/BoardAddresses.h"
#include "report/ReportDocument.h"
#include "report/ReportLayout.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <set>

namespace {

// The output of one of poppler's tools on file; empty when it could not run.
QString Poppler(const char *tool, const QStringList &arguments)
{
    QProcess process;
    process.start(QLatin1String(tool), arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The PDF's text as a reader selects it, laid out as the page shows it.
QString PdfText(const QString &pdf)
{
    return Poppler("pdftotext", {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

QString FileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A line of the text with label, then text, apart only by blanks: a row of the configuration.
bool HasRow(const QString &text, const QString &label, const QString &value)
{
    const QRegularExpression row(QStringLiteral("(^|\\s)%1\\s+%2(\\s|$)")
                                     .arg(QRegularExpression::escape(label), QRegularExpression::escape(value)),
                                 QRegularExpression::MultilineOption);
    return row.match(text).hasMatch();
}

// The same row in the HTML: its cells one after the other.
// The rows marked as differing from the reference: the mark ends its line.
qsizetype MarkedRows(const QString &text)
{
    static const QRegularExpression marked(QStringLiteral("\\s%1\\s*$").arg(QLatin1String(kDifferenceMark)),
                                           QRegularExpression::MultilineOption);
    qsizetype rows = 0;
    for (auto it = marked.globalMatch(text); it.hasNext(); it.next())
        ++rows;
    return rows;
}

bool HasHtmlRow(const QString &html, const QString &label, const QString &value)
{
    return html.contains(QStringLiteral("<td>%1</td><td>%2</td>").arg(label.toHtmlEscaped(), value.toHtmlEscaped()));
}

QString Plain(QString text)
{
    return text.trimmed().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// Where the window shows a control: its page's tab and caption, the group boxes around it, its
// label (the buddy label, or a box's caption) and its place in the page's reading order.
struct Place
{
    int Tab = -1;
    QString Page;
    QStringList Groups;
    QString Label;
    bool Buddy = false;
    qsizetype Order = -1;
};

Place PlaceOf(const TForm1 &form, QWidget *control)
{
    Place place;
    const QTabWidget *tabs = TabsOf(form);
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->widget(i)->isAncestorOf(control)) {
            place.Tab = i;
            place.Page = Plain(tabs->tabText(i));
            place.Order = tabs->widget(i)->findChildren<QWidget *>().indexOf(control);
        }
    }
    for (QWidget *w = control->parentWidget(); w; w = w->parentWidget()) {
        if (auto *group = qobject_cast<QGroupBox *>(w); group && !group->title().trimmed().isEmpty())
            place.Groups.prepend(Plain(group->title()));
    }
    for (const QLabel *label : form.findChildren<QLabel *>()) {
        if (label->buddy() == control) {
            place.Label = Plain(label->text()).remove(QRegularExpression(QStringLiteral("&(?!&)")));
            place.Buddy = true;
        }
    }
    if (!place.Buddy)
        if (auto *box = qobject_cast<QCheckBox *>(control))
            place.Label = Plain(box->text());
    return place;
}

// The control that shows register reg of item: the row's own for the kinds with controls per
// register, the first of the set for the kinds that fill one register from several boxes.
QWidget *ControlOfRegister(const TForm1 &form, int item, int reg)
{
    const TParameterRow &row = TransferRows()[static_cast<size_t>(item)];
    const int per = Traits(row.CodecOf(reg).Kind).PerRegister;
    return ControlOf<QWidget>(form, row.Controls.value(per == 0 ? 0 : reg * per));
}

constexpr quint16 kFirmware = 1012;
constexpr quint16 kBoardNumber = 4711;
constexpr quint16 kSeries = 815;

}  // namespace

class TstReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void theConfigurationIsListedAsTheWindowLaysItOut();
    void everyKindReadsAsTheWindowShowsIt_data();
    void everyKindReadsAsTheWindowShowsIt();
    void aReferenceMarksAndCountsItsDifferences();
    void forcedInputsAndOutputsAreWarnedOfAtTheTop_data();
    void forcedInputsAndOutputsAreWarnedOfAtTheTop();
    void aFailedReadWritesNoDocument_data();
    void aFailedReadWritesNoDocument();
    void theWindowMakesTheReport();
    void theClockIsComparedWithThePcs_data();
    void theClockIsComparedWithThePcs();
    void theSectionsHoldWhatTheBoardHolds_data();
    void theSectionsHoldWhatTheBoardHolds();
    void aStoppedReportWritesNoDocument();
    void anAnswerLostOnTheWayIsAskedForAgain();

private:
    QTemporaryDir m_dir;
};

void TstReport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
}

void TstReport::theConfigurationIsListedAsTheWindowLaysItOut()
{
    RecordedForm form;
    std::set<std::pair<int, int>> listed;
    std::pair<int, qsizetype> last{-1, -1};
    for (const TLayoutLine &line : LayoutLines()) {
        const QString where = QStringLiteral("item %1 register %2").arg(line.Item).arg(line.Register);
        QVERIFY2(listed.insert({line.Item, line.Register}).second, qPrintable(where + QStringLiteral(" twice")));
        const Place place = PlaceOf(*form, ControlOfRegister(*form, line.Item, line.Register));
        QCOMPARE(QString::fromUtf8(line.Page), place.Page);
        // The groups the table names are those around the control, outermost first; a set of
        // boxes may be named by its innermost group's title.
        const QStringList groups = QString::fromUtf8(line.Group).split(QStringLiteral(" \u203a "));
        QVERIFY2(place.Groups == groups || place.Groups == groups + QStringList{QString::fromUtf8(line.Label)},
                 qPrintable(where + QStringLiteral(": ") + place.Groups.join(QStringLiteral(" / "))));
        // A control with a label of its own is listed by it (and what it holds, where the label
        // alone does not say: "A1 manual value").
        const QString label = QString::fromUtf8(line.Label);
        if (place.Buddy)
            QVERIFY2(label == place.Label || label.startsWith(place.Label + QLatin1Char(' ')),
                     qPrintable(where + QStringLiteral(": ") + place.Label));
        // In the window's order: the pages as the tabs run, each page as its controls come.
        const std::pair<int, qsizetype> at{place.Tab, place.Order};
        QVERIFY2(at >= last, qPrintable(where + QStringLiteral(" out of order")));
        last = at;
    }
    // Every register of the configuration but the week program's, which has a table of its own.
    for (int item = 0; item < kTransferItems; ++item)
        for (int reg = 0; reg < TransferRows()[static_cast<size_t>(item)].Registers; ++reg)
            QVERIFY2(item == 89 || item == 90 || listed.count({item, reg}) == 1,
                     qPrintable(QStringLiteral("item %1 register %2 is not listed").arg(item).arg(reg)));
}

void TstReport::everyKindReadsAsTheWindowShowsIt_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("reg");
    QTest::addColumn<quint16>("word");
    QTest::addColumn<QString>("format");

    struct Row
    {
        const char *Name;
        int Item;
        int Reg;
        quint16 Word;
    };
    // clang-format off
    const Row rows[]{
        {"number with unit", 0, 0, 2150},
        {"number of a run of edits", 13, 2, 240},
        {"list", 19, 0, 2},
        {"list of inputs", 25, 1, 6},
        {"box", 20, 0, 1},
        {"exclusive boxes", 40, 0, 2},
        {"mask", 16, 0, 43},
        {"time", 74, 0, 485},
    };
    // clang-format on
    for (const Row &row : rows) {
        for (const char *format : {"pdf", "html"})
            QTest::addRow("%s, %s", row.Name, format) << row.Item << row.Reg << row.Word << QString::fromLatin1(format);
    }
}

void TstReport::everyKindReadsAsTheWindowShowsIt()
{
    QFETCH(int, item);
    QFETCH(int, reg);
    QFETCH(quint16, word);
    QFETCH(QString, format);
    auto board = StartTcpBoard({.firmware = kFirmware, .boardNumber = kBoardNumber, .series = kSeries});
    QVERIFY(board);
    const TParameterRow &row = TransferRows()[static_cast<size_t>(item)];
    QVERIFY(board->Board().write(static_cast<quint16>(row.FirstRegister + reg), word));

    // What the page shows for the word, as the page refresh fills it.
    RecordedForm form;
    std::vector<quint16> words(static_cast<size_t>(row.Registers), 0);
    words[static_cast<size_t>(reg)] = word;
    form->TransferTable().Codec(item).RegistersToControls(words);
    const QString shown = PageText(*form, item, reg);
    QVERIFY(!shown.isEmpty());
    const auto line = std::find_if(LayoutLines().begin(), LayoutLines().end(),
                                   [&](const TLayoutLine &l) { return l.Item == item && l.Register == reg; });
    QVERIFY(line != LayoutLines().end());
    const QString label = QString::fromUtf8(line->Label);

    const QString out = m_dir.filePath(QStringLiteral("report-%1-%2.%3").arg(item).arg(reg).arg(format));
    const Z4ctlRun run =
        Z4ctl(board->TcpPort(), {QStringLiteral("report"), out, QStringLiteral("--site"),
                                 QStringLiteral("Harbour Hall"), QStringLiteral("--unit-name"), QStringLiteral("AHU 2"),
                                 QStringLiteral("--by"), QStringLiteral("J. Smith")});
    QVERIFY2(run.Exit == 0, qPrintable(run.Out));
    const bool pdf = format == QLatin1String("pdf");
    const QString text = pdf ? PdfText(out) : FileText(out);
    QVERIFY(!text.isEmpty());
    QVERIFY2(pdf ? HasRow(text, label, shown) : HasHtmlRow(text, label, shown),
             qPrintable(QStringLiteral("%1 %2 not found").arg(label, shown)));

    // The board's identity and who made the report where.
    const QStringList facts{QStringLiteral("Firmware"),
                            QStringLiteral("1.012"),
                            QStringLiteral("Series"),
                            QString::number(kSeries),
                            QStringLiteral("Board No."),
                            QString::number(kBoardNumber),
                            QStringLiteral("127.0.0.1"),
                            QStringLiteral("Harbour Hall"),
                            QStringLiteral("AHU 2"),
                            QStringLiteral("J. Smith"),
                            ReportToolName() + QLatin1Char(' ') + ReportToolVersion()};
    for (const QString &fact : facts)
        QVERIFY2(text.contains(pdf ? fact : fact.toHtmlEscaped()), qPrintable(fact));
    if (pdf) {
        QVERIFY(HasRow(text, QStringLiteral("Address"), QStringLiteral("1")));
        QVERIFY(text.contains(QStringLiteral("Page 1 of ")));
        // Every font is in the file.
        const QStringList fonts = Poppler("pdffonts", {out}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString &font : fonts)
            QVERIFY2(font.contains(QRegularExpression(QStringLiteral("\\s+yes\\s+(yes|no)\\s+(yes|no)\\s+\\d+"))),
                     qPrintable(font));
    }
}

void TstReport::aReferenceMarksAndCountsItsDifferences()
{
    auto board = StartTcpBoard({.firmware = kFirmware});
    QVERIFY(board);
    const QString reference = m_dir.filePath(QStringLiteral("design.cnf"));
    QCOMPARE(Z4ctl(board->TcpPort(), {QStringLiteral("save"), reference}).Exit, 0);
    // The board's supply temperature and season differ from the design's.
    QVERIFY(board->Board().write(0x0200, 2350));
    QVERIFY(board->Board().write(0x0215, 1));
    const QString out = m_dir.filePath(QStringLiteral("differences.pdf"));
    const Z4ctlRun run =
        Z4ctl(board->TcpPort(), {QStringLiteral("report"), out, QStringLiteral("--reference"), reference});
    QVERIFY2(run.Exit == 0, qPrintable(run.Out));
    const QString text = PdfText(out);
    QCOMPARE(MarkedRows(text), 2);
    QVERIFY(text.contains(QStringLiteral("2 registers differ from the reference design.cnf")));
    QVERIFY2(HasRow(text, QStringLiteral("Temp."), QStringLiteral("23.5 °C")), qPrintable(text.left(3000)));
}

void TstReport::forcedInputsAndOutputsAreWarnedOfAtTheTop_data()
{
    QTest::addColumn<quint16>("address");
    QTest::addColumn<quint16>("word");
    QTest::addColumn<QString>("warning");

    QTest::newRow("nothing forced") << quint16(0) << quint16(0)
                                    << QStringLiteral("No input or output is forced, no simulation channel is on");
    QTest::newRow("analog output in manual")
        << quint16(0x032E) << quint16(1) << QStringLiteral("Warning: Analog output A2 is in manual");
    QTest::newRow("digital input in manual")
        << quint16(0x0337) << quint16(0xFB) << QStringLiteral("Warning: Digital input IN3 is in manual");
    QTest::newRow("simulation channel on")
        << quint16(0x033E) << quint16(2) << QStringLiteral("Warning: Simulation channel T2 is on (PWM)");
    QTest::newRow("calibration mode") << board::CalibrationMode << quint16(1)
                                      << QStringLiteral("Warning: Calibration mode is on");
}

void TstReport::forcedInputsAndOutputsAreWarnedOfAtTheTop()
{
    QFETCH(quint16, address);
    QFETCH(quint16, word);
    QFETCH(QString, warning);
    auto board = StartTcpBoard({.firmware = kFirmware});
    QVERIFY(board);
    if (address != 0)
        QVERIFY(board->Board().write(address, word));
    const QString out = m_dir.filePath(QStringLiteral("forced.pdf"));
    const Z4ctlRun run = Z4ctl(board->TcpPort(), {QStringLiteral("report"), out});
    QVERIFY2(run.Exit == 0, qPrintable(run.Out));
    const QString text = PdfText(out).simplified();
    const qsizetype at = text.indexOf(warning);
    QVERIFY2(at >= 0, qPrintable(text.left(2000)));
    // At the top: before the board and its configuration.
    QVERIFY(at < text.indexOf(QStringLiteral("Configuration")));
    QCOMPARE(text.count(QStringLiteral("Warning: ")), address == 0 ? 0 : 1);
}

void TstReport::aFailedReadWritesNoDocument_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");

    QTest::newRow("no board") << QStringLiteral("unreachable") << QStringLiteral("refused");
    QTest::newRow("a refused read") << QStringLiteral("refused")
                                    << QStringLiteral("the board refused reading 8 registers from 0x0500");
    QTest::newRow("the line lost mid-read") << QStringLiteral("lost") << QStringLiteral("no report");
}

void TstReport::aFailedReadWritesNoDocument()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    auto board = StartTcpBoard({.firmware = kFirmware});
    QVERIFY(board);
    quint16 port = board->TcpPort();
    SimFaults faults;
    if (fault == QLatin1String("unreachable")) {
        // A port nothing listens on any more.
        QTcpServer gone;
        QVERIFY(gone.listen(QHostAddress::LocalHost));
        port = gone.serverPort();
    } else if (fault == QLatin1String("refused")) {
        faults.Refuse = {{.First = board::InputStatus, .Last = board::InputStatus + 7}};
    } else {
        faults.CloseAfter = 4;
    }
    board->SetFaults(faults);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"old.pdf", "old.html"}) {
        const QString out = dir.filePath(QLatin1String(name));
        QFile existing(out);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("the report of last week");
        existing.close();
        const Z4ctlRun run = Z4ctl(port, {QStringLiteral("report"), out});
        QCOMPARE(run.Exit, 3);
        QVERIFY2(run.Out.contains(message), qPrintable(run.Out));
        QCOMPARE(FileText(out), QStringLiteral("the report of last week"));
    }
    // Nothing else was left in the folder either.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void TstReport::theWindowMakesTheReport()
{
    auto board = StartTcpBoard({.firmware = kFirmware, .boardNumber = kBoardNumber, .series = kSeries});
    QVERIFY(board);
    QVERIFY(board->Board().write(0x032D, 1));  // analog output A1 in manual
    RecordedForm form;
    QVERIFY(ConnectTcp(*form, board->TcpPort()));
    Settle(*form);
    auto &page = *PageOf<TParametersPage>(*form);
    const QString reference = m_dir.filePath(QStringLiteral("window-design.cnf"));
    QCOMPARE(Z4ctl(board->TcpPort(), {QStringLiteral("save"), reference}).Exit, 0);
    QVERIFY(board->Board().write(0x0200, 2350));
    const QString out = m_dir.filePath(QStringLiteral("window.pdf"));
    form.Messages->ReportAnswer =
        TReportAsk{QStringLiteral("Harbour Hall"), QStringLiteral("AHU 2"), QStringLiteral("J. Smith"), reference, out};
    page.ReportButton->click();
    QVERIFY(WaitForTransferEnd(page));
    const QString memo = page.ParametersMemo->toPlainText();
    QVERIFY2(memo.contains(QStringLiteral("Report done, 140 items (1 forced, 1 register differs from the reference)")),
             qPrintable(memo));
    const QString text = PdfText(out);
    QVERIFY(text.contains(QStringLiteral("Warning: Analog output A1 is in manual")));
    QCOMPARE(MarkedRows(text), 1);
    QVERIFY(HasRow(text, QStringLiteral("Board No."), QString::number(kBoardNumber)));
    QVERIFY(form.Messages->Errors.isEmpty());
}

void TstReport::theClockIsComparedWithThePcs_data()
{
    QTest::addColumn<QList<quint16>>("clock");  // the status block's first four words
    QTest::addColumn<QString>("difference");

    const QDateTime pc(QDate(2026, 12, 8), QTime(8, 30, 0));
    const auto words = [](const QDateTime &at) {
        return QList<quint16>{static_cast<quint16>(at.date().year()),
                              static_cast<quint16>(at.date().month() << 8 | at.date().day()),
                              static_cast<quint16>(at.time().hour() << 8 | at.time().minute()),
                              static_cast<quint16>(at.time().second() << 8 | (at.date().dayOfWeek() % 7 + 1))};
    };
    QTest::newRow("the same") << words(pc) << QString();
    QTest::newRow("a minute ahead") << words(pc.addSecs(60)) << QString();
    QTest::newRow("a minute and a second ahead")
        << words(pc.addSecs(61)) << QStringLiteral("1 min 1 s ahead of the PC");
    QTest::newRow("behind") << words(pc.addSecs(-200)) << QStringLiteral("3 min 20 s behind the PC");
    QTest::newRow("hours behind") << words(pc.addSecs(-7500)) << QStringLiteral("2 h 5 min behind the PC");
    QTest::newRow("days ahead") << words(pc.addSecs(3 * 86400 + 4 * 3600 + 59))
                                << QStringLiteral("3 d 4 h ahead of the PC");
    QTest::newRow("a clock that is no date") << QList<quint16>{2026, 13 << 8 | 1, 0, 0} << QString();
}

void TstReport::theClockIsComparedWithThePcs()
{
    QFETCH(QList<quint16>, clock);
    QFETCH(QString, difference);
    QCOMPARE(ClockDifference(QDateTime(QDate(2026, 12, 8), QTime(8, 30, 0)), BoardTime(clock)), difference);
}

void TstReport::theSectionsHoldWhatTheBoardHolds_data()
{
    QTest::addColumn<QList<quint16>>("writes");  // address, word, address, word, ...
    QTest::addColumn<QString>("row");            // a line of the PDF's text, as a pattern

    QTest::newRow("week program: a day's interval and level")
        << QList<quint16>{0x0346, 6 * 60 + 30, 0x0347, 8 * 60 + 15, 0x036D, 2}
        << QStringLiteral("Monday\\s+6:30 \u2013 8:15\\s+2\\s");
    // The board has taken every calibration (its status registers are its own: no write sets them).
    QTest::newRow("calibration: the status lamps") << QList<quint16>{} << QStringLiteral("AIN3\\s+lit\\s+AOUT3\\s+lit");
    QTest::newRow("calibration: a pressure input's offset and gain")
        << QList<quint16>{board::PressureOffset + 1, 0xFF9C, board::PressureGain + 1, 8000}
        << QStringLiteral("AIN10\\s+\\d+ Pa\\s+\\d+ m\u00b3/h\\s+-100 Pa\\s+0\\.8000\\s");
    QTest::newRow("calibration mode") << QList<quint16>{board::CalibrationMode, 1}
                                      << QStringLiteral("Calibration mode: on\\.");
    QTest::newRow("the board's clock a year behind")
        << QList<quint16>{board::Clock, static_cast<quint16>(QDate::currentDate().year() - 1)}
        << QStringLiteral("Board clock\\s+\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\s+\\(\\d+ d( \\d+ "
                          "h)?\\s+behind\\s+the PC\\)");
}

void TstReport::theSectionsHoldWhatTheBoardHolds()
{
    QFETCH(QList<quint16>, writes);
    QFETCH(QString, row);
    auto board = StartTcpBoard({.firmware = kFirmware});
    QVERIFY(board);
    for (qsizetype i = 0; i + 1 < writes.size(); i += 2)
        QVERIFY(board->Board().write(writes[i], writes[i + 1]));
    const QString out = m_dir.filePath(QStringLiteral("sections.pdf"));
    const Z4ctlRun run = Z4ctl(board->TcpPort(), {QStringLiteral("report"), out});
    QVERIFY2(run.Exit == 0, qPrintable(run.Out));
    const QString text = PdfText(out);
    QVERIFY2(QRegularExpression(row, QRegularExpression::MultilineOption).match(text).hasMatch(), qPrintable(text));
}

// Disconnect, or the window closing, stops a report at its next request: no document.
void TstReport::aStoppedReportWritesNoDocument()
{
    auto board = StartTcpBoard({.firmware = kFirmware});
    QVERIFY(board);
    RecordedForm form;
    QVERIFY(ConnectTcp(*form, board->TcpPort()));
    Settle(*form);
    auto &page = *PageOf<TParametersPage>(*form);
    const QString out = m_dir.filePath(QStringLiteral("stopped.pdf"));
    form.Messages->ReportAnswer = TReportAsk{{}, {}, {}, {}, out};
    page.ReportButton->click();
    QVERIFY(page.TransferRunning());
    bool stopped = false;
    page.StopTransfer([&stopped] { stopped = true; });
    QVERIFY(WaitForTransferEnd(page));
    QTRY_VERIFY(stopped);
    QVERIFY2(page.ParametersMemo->toPlainText().contains(QStringLiteral("Transfer stopped by the user.")),
             qPrintable(page.ParametersMemo->toPlainText()));
    QVERIFY(!QFileInfo::exists(out));
}

// Every third request goes unanswered: each read is sent again, as Save's are, and the report is
// made.
void TstReport::anAnswerLostOnTheWayIsAskedForAgain()
{
    auto board = StartTcpBoard({.firmware = kFirmware});
    QVERIFY(board);
    SimFaults faults;
    faults.DropEvery = 3;
    board->SetFaults(faults);
    const QString out = m_dir.filePath(QStringLiteral("dropped.pdf"));
    const Z4ctlRun run =
        Z4ctl(board->TcpPort(), {QStringLiteral("--timeout"), QStringLiteral("300"), QStringLiteral("report"), out});
    QVERIFY2(run.Exit == 0, qPrintable(run.Out));
    QVERIFY(PdfText(out).contains(QStringLiteral("Live state")));
}

QTEST_MAIN(TstReport)
#include "tst_report.moc"
