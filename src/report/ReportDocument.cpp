// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ReportDocument.h"

#include "common/PlainFile.h"
#include "config/ConfigCompare.h"
#include "config/TransferRows.h"
#include "config/ValueText.h"
#include "config/WeekProgram.h"
#include "monitor/LiveDecoders.h"
#include "report/ReportLayout.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>

#include <algorithm>
#include <utility>

namespace {

constexpr int kWeekTimesItem = 89;
constexpr int kWeekLevelsItem = 90;

// The report as a list of blocks, written out as HTML and drawn on the PDF's pages alike.
struct TRow
{
    enum Kind { Plain, Group, Differs };
    QStringList Cells;
    Kind Is = Plain;
};

struct TBlock
{
    enum Kind {
        Title,       // the document's title
        Subtitle,    // the unit and site under it
        Heading,     // a section
        Subheading,  // a part of a section
        Plain,       // a paragraph
        Good,        // a paragraph that says all is well
        Alert,       // a paragraph that says something differs
        Warning,     // the forced inputs and outputs: a headline and one line each
        Facts,       // name and value pairs, two a row
        Table,       // a head repeated on every page and rows
    };
    Kind Is;
    QString Text = {};       // Title .. Alert; Warning's headline
    QStringList Lines = {};  // Warning
    QStringList Head = {};   // Table
    QList<int> Widths = {};  // Table and Facts: percent of the width, one a column
    QList<TRow> Rows = {};   // Table and Facts
    bool NewPage = false;    // the PDF starts a page for it
    int MarkColumn = -1;     // Table: the column that holds the difference marks
};
using TContent = QList<TBlock>;

QString Or(const QString &text, const QString &none)
{
    return text.trimmed().isEmpty() ? none : text.trimmed();
}

QString Stamp(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

TBlock Paragraph(TBlock::Kind kind, const QString &text, bool newPage = false)
{
    TBlock block{kind, text};
    block.NewPage = newPage;
    return block;
}

// Name/value pairs, two pairs a row.
TBlock Facts(const QList<std::pair<QString, QString>> &facts)
{
    TBlock block{TBlock::Facts};
    block.Widths = {17, 33, 17, 33};
    for (qsizetype i = 0; i < facts.size(); i += 2) {
        TRow row;
        for (qsizetype j = i; j < i + 2; ++j)
            row.Cells << (j < facts.size() ? facts[j].first : QString())
                      << (j < facts.size() ? facts[j].second : QString());
        block.Rows << row;
    }
    return block;
}

TBlock Table(const QStringList &head, const QList<int> &widths)
{
    TBlock block{TBlock::Table};
    block.Head = head;
    block.Widths = widths;
    return block;
}

// The registers that differ from the reference, by item and register.
QSet<std::pair<int, int>> DifferingSet(const TReportData &data)
{
    QSet<std::pair<int, int>> differing;
    if (!data.Reference)
        return differing;
    const qint32 items = std::min(data.Items, data.Reference->Items);
    for (const TConfigDifference &d : ConfigDifferences(data.Board, data.Reference->Image, items))
        differing.insert({d.Item, d.Register});
    return differing;
}

quint16 Word(const ConfigImage &image, int item, int reg)
{
    const ConfigItem &it = image[static_cast<size_t>(item)];
    return reg < static_cast<int>(it.Values.size()) ? it.Values[static_cast<size_t>(reg)] : 0;
}

const QString kMark = QLatin1String(kDifferenceMark);

void HeaderSection(const TReportData &data, TContent &content)
{
    const TReportHandover &h = data.Handover;
    content << Paragraph(TBlock::Title, QStringLiteral("Commissioning report"))
            << Paragraph(TBlock::Subtitle, QStringLiteral("%1 \u2014 %2")
                                               .arg(Or(h.Unit, QStringLiteral("unit not named")),
                                                    Or(h.Site, QStringLiteral("site not named"))));
    const std::optional<QDateTime> boardTime = BoardTime(data.Status);
    QString clock = boardTime ? Stamp(*boardTime) : QStringLiteral("not set");
    if (const QString difference = ClockDifference(data.PcTime, boardTime); !difference.isEmpty())
        clock += QStringLiteral(" (%1)").arg(difference);
    content << Facts({{QStringLiteral("Site"), Or(h.Site, QStringLiteral("\u2014"))},
                      {QStringLiteral("Unit"), Or(h.Unit, QStringLiteral("\u2014"))},
                      {QStringLiteral("Technician"), Or(h.Technician, QStringLiteral("\u2014"))},
                      {QStringLiteral("Made with"), ReportToolName() + QLatin1Char(' ') + ReportToolVersion()},
                      {QStringLiteral("PC time"), Stamp(data.PcTime)},
                      {QStringLiteral("Board clock"), clock}});
}

void WarningSection(const TReportData &data, TContent &content)
{
    const QStringList warnings = ForcedWarnings(data);
    if (warnings.isEmpty()) {
        content << Paragraph(TBlock::Good, QStringLiteral("No input or output is forced, no simulation channel is on "
                                                          "and calibration mode is off."));
        return;
    }
    TBlock block{TBlock::Warning,
                 QStringLiteral("Not ready for handover: %1 left forced. A unit should not be handed over with forced "
                                "inputs or outputs.")
                     .arg(warnings.size() == 1 ? QStringLiteral("1 item is")
                                               : QStringLiteral("%1 items are").arg(warnings.size()))};
    for (const QString &warning : warnings)
        block.Lines << QStringLiteral("Warning: ") + warning;
    content << block;
}

void ReferenceSummary(const TReportData &data, qsizetype differences, TContent &content)
{
    if (!data.Reference)
        return;
    if (differences == 0)
        content << Paragraph(
            TBlock::Good, QStringLiteral("The board holds every value of the reference %1.").arg(data.Reference->Name));
    else
        content << Paragraph(
            TBlock::Alert, QStringLiteral("%1 from the reference %2: each is marked \u201c%3\u201d on "
                                          "its row.")
                               .arg(DifferingRegisters(static_cast<size_t>(differences)), data.Reference->Name, kMark));
}

void BoardSection(const TReportData &data, TContent &content)
{
    const auto version = live::DecodeVersionBlock(data.Version);
    content << Paragraph(TBlock::Heading, QStringLiteral("Board"))
            << Facts(
                   {{QStringLiteral("Address"), QString::number(data.Address)},
                    {QStringLiteral("Line"), data.Line},
                    {QStringLiteral("Firmware"), version ? live::VersionNumberText(version->Version) : QString()},
                    {QStringLiteral("Series"), data.Series ? QString::number(*data.Series) : QStringLiteral("\u2014")},
                    {QStringLiteral("Board No."), version ? QString::number(version->BoardNumber) : QString()}});
}

void ConfigurationSection(const TReportData &data, const QSet<std::pair<int, int>> &differing, TContent &content)
{
    const std::vector<TParameterRow> &rows = TransferRows();
    const bool withReference = data.Reference.has_value();
    content << Paragraph(TBlock::Heading, QStringLiteral("Configuration"));
    QString page;
    QString group;
    for (const TLayoutLine &line : LayoutLines()) {
        if (line.Item >= data.Items || line.Item >= static_cast<int>(rows.size()))
            continue;
        const QString linePage = QString::fromUtf8(line.Page);
        const QString lineGroup = QString::fromUtf8(line.Group);
        if (linePage != page) {
            // The page's name heads its table, on every page of the document the table runs onto.
            page = linePage;
            group.clear();
            content << (withReference ? Table({page, QStringLiteral("Board"), QStringLiteral("Reference"), QString()},
                                              {40, 25, 25, 10})
                                      : Table({page, QStringLiteral("Board")}, {50, 50}));
            content.back().MarkColumn = withReference ? 3 : -1;
        }
        QList<TRow> &table = content.back().Rows;
        if (lineGroup != group) {
            group = lineGroup;
            table << TRow{{group}, TRow::Group};
        }
        const TParameterRow &row = rows[static_cast<size_t>(line.Item)];
        const QString label = QString::fromUtf8(line.Label);
        const QString value = values::RegisterText(row, line.Register, Word(data.Board, line.Item, line.Register));
        if (!withReference) {
            table << TRow{{label, value}};
            continue;
        }
        const bool differs = differing.contains({line.Item, line.Register});
        const QString reference =
            line.Item < data.Reference->Items
                ? values::RegisterText(row, line.Register, Word(data.Reference->Image, line.Item, line.Register))
                : QString();
        table << TRow{{label, value, reference, differs ? kMark : QString()}, differs ? TRow::Differs : TRow::Plain};
    }
}

void WeekSection(const TReportData &data, const QSet<std::pair<int, int>> &differing, TContent &content)
{
    if (data.Items <= kWeekLevelsItem)
        return;
    static const char *const days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    bool anyDiffers = false;
    const auto cell = [&](int item, int reg) {
        QString text = values::ItemText(item, reg, Word(data.Board, item, reg));
        if (data.Reference && differing.contains({item, reg})) {
            text += QStringLiteral(" (reference %1)")
                        .arg(values::ItemText(item, reg, Word(data.Reference->Image, item, reg)));
            anyDiffers = true;
        }
        return text;
    };
    content << Paragraph(TBlock::Heading, QStringLiteral("Week program"), true);
    TBlock table = Table({QStringLiteral("Day"), QStringLiteral("Interval 1"), QStringLiteral("Level"),
                          QStringLiteral("Interval 2"), QStringLiteral("Level"), QStringLiteral("Interval 3"),
                          QStringLiteral("Level"), QString()},
                         {12, 18, 9, 18, 9, 18, 9, 7});
    table.MarkColumn = 7;
    for (int d = 0; d < TWeekProgram::kDays; ++d) {
        anyDiffers = false;
        QStringList cells{QLatin1String(days[d])};
        for (int i = 0; i < TWeekProgram::kLevelsPerDay; ++i) {
            const int start = d * TWeekProgram::kTimesPerDay + 2 * i;
            cells << cell(kWeekTimesItem, start) + QStringLiteral(" \u2013 ") + cell(kWeekTimesItem, start + 1)
                  << cell(kWeekLevelsItem, d * TWeekProgram::kLevelsPerDay + i);
        }
        cells << (anyDiffers ? kMark : QString());
        table.Rows << TRow{cells, anyDiffers ? TRow::Differs : TRow::Plain};
    }
    content << table;
}

QString Lamp(quint16 word)
{
    return (word & 0xFF) != 0 ? QStringLiteral("lit") : QStringLiteral("off");
}

void CalibrationSection(const TReportData &data, TContent &content)
{
    content << Paragraph(TBlock::Heading, QStringLiteral("Calibration"))
            << Paragraph(TBlock::Plain,
                         QStringLiteral("Calibration mode: %1. A status lamp is lit once the board has "
                                        "taken the input's or output's calibration.")
                             .arg(data.CalibrationMode != 0 ? QStringLiteral("on") : QStringLiteral("off")));
    TBlock lamps = Table({QStringLiteral("Analog input"), QStringLiteral("Status lamp"),
                          QStringLiteral("Analog output"), QStringLiteral("Status lamp")},
                         {25, 25, 25, 25});
    for (int k = 0; k < 8; ++k) {
        const QString input = k < data.InputStatus.size() ? Lamp(data.InputStatus[k]) : QString();
        // The output status lamps follow the pressure inputs' ten words.
        const qsizetype at = board::OutputStatus - board::PressureLimit + k;
        const bool output = k < 5 && at < data.Pressure.size();
        lamps.Rows << TRow{{QStringLiteral("AIN%1").arg(k + 1), input,
                            k < 5 ? QStringLiteral("AOUT%1").arg(k + 1) : QString(),
                            output ? Lamp(data.Pressure[at]) : QString()}};
    }
    content << lamps;
    if (data.Pressure.size() < 10)
        return;
    TBlock pressure = Table({QStringLiteral("Pressure input"), QStringLiteral("Plim"), QStringLiteral("Pmax"),
                             QStringLiteral("Offset"), QStringLiteral("Gain"), QStringLiteral("Coef")},
                            {20, 16, 16, 16, 16, 16});
    for (int ch = 0; ch < 2; ++ch) {
        const auto word = [&](int pair) { return data.Pressure[2 * pair + ch]; };
        pressure.Rows << TRow{{QStringLiteral("AIN%1").arg(9 + ch), values::ItemText(137, ch, word(0)),
                               values::ItemText(138, ch, word(1)),
                               QStringLiteral("%1 Pa").arg(static_cast<qint16>(word(2))),
                               values::RoundedText(static_cast<float>(static_cast<qint16>(word(3))) / 10000.0f, 4),
                               values::ItemText(139, ch, word(4))}};
    }
    content << pressure;
}

QString OnOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

void LiveSection(const TReportData &data, TContent &content)
{
    const auto s = live::DecodeStatusBlock(data.Status);
    const auto a = live::DecodeColumnABlock(data.ColumnA);
    if (!s || !a)
        return;
    content << Paragraph(TBlock::Heading, QStringLiteral("Live state"), true)
            << Paragraph(TBlock::Plain, QStringLiteral("As the board reported it at %1. R: the value the regulation "
                                                       "works with; A: the signal at the board's terminal.")
                                            .arg(Stamp(data.PcTime)));
    QStringList causes;
    for (int i = 0; i < 8; ++i)
        if (s->StopFlags >> i & 1)
            causes << live::DigitalInputName(i + 1);
    for (int i = 0; i < 10; ++i) {
        const bool stopped = i < 8 ? (s->StopFlags >> (8 + i) & 1) != 0 : (s->PressureStopFlags >> (i - 8) & 1) != 0;
        if (stopped)
            causes << QStringLiteral("AIN%1").arg(i + 1);
    }
    QStringList warnings;
    if (s->DigitalInput(10))
        warnings << QStringLiteral("DIN3 Warning");
    if (s->DigitalInput(12))
        warnings << QStringLiteral("HC Warning");
    const auto recovery = live::DecodeHeatRecoveryBlock(data.HeatRecovery);
    const auto mode = live::DecodeRegulationMode(data.RegulationMode);
    QList<std::pair<QString, QString>> state{
        {QStringLiteral("Unit"), s->Running ? QStringLiteral("running") : QStringLiteral("stopped")},
        {QStringLiteral("Mode"), s->Auto ? QStringLiteral("Auto") : QStringLiteral("Manual")},
        {QStringLiteral("Season"), s->Winter ? QStringLiteral("Winter") : QStringLiteral("Summer")},
        {QStringLiteral("Fan speed"), s->FanSpeed},
        {QStringLiteral("Supply ventilation"), s->SupplyVentilation},
        {QStringLiteral("Exhaust ventilation"), s->ExhaustVentilation},
        {QStringLiteral("Stop code"), QString::number(s->StopCode)},
        {QStringLiteral("Stop causes"), causes.isEmpty() ? QStringLiteral("none") : causes.join(QStringLiteral(", "))},
        {QStringLiteral("Warnings"), warnings.isEmpty() ? QStringLiteral("none") : warnings.join(QStringLiteral(", "))},
        {QStringLiteral("Regulation mode"), mode ? OnOff(*mode) : QString()}};
    if (recovery) {
        state << std::pair{QStringLiteral("Rotor state"), recovery->RotorState}
              << std::pair{QStringLiteral("Recovery temperature"), values::ReadingText(recovery->Temperature)}
              << std::pair{QStringLiteral("Rotor power"), values::ReadingText(recovery->RotorPower)}
              << std::pair{QStringLiteral("Control status"), recovery->ControlStatus};
    }
    content << Facts(state) << Paragraph(TBlock::Subheading, QStringLiteral("Inputs and outputs"));

    TBlock analog = Table({QStringLiteral("Analog input"), QStringLiteral("R"), QStringLiteral("A"),
                           QStringLiteral("Analog output"), QStringLiteral("R"), QStringLiteral("A")},
                          {22, 14, 14, 22, 14, 14});
    for (size_t k = 0; k < s->Inputs.size(); ++k) {
        QStringList cells{live::InputName(static_cast<int>(k) + 1), values::ReadingText(s->Inputs[k]),
                          values::ReadingText(a->Inputs[k])};
        if (k < s->Outputs.size())
            cells << live::OutputName(static_cast<int>(k) + 1) << values::ReadingText(s->Outputs[k])
                  << values::ReadingText(a->Outputs[k]);
        else
            cells << QString() << QString() << QString();
        analog.Rows << TRow{cells};
    }
    TBlock pressures =
        Table({QStringLiteral("Pressure input"), QStringLiteral("Pressure"), QStringLiteral("Air flow")}, {36, 32, 32});
    for (size_t k = 0; k < s->Pressures.size(); ++k)
        pressures.Rows << TRow{{QStringLiteral("AIN%1").arg(k + 9), values::ReadingText(s->Pressures[k]),
                                values::ReadingText(s->AirFlows[k])}};
    TBlock digital = Table({QStringLiteral("Digital input"), QStringLiteral("R"), QStringLiteral("A"),
                            QStringLiteral("Digital output"), QStringLiteral("R"), QStringLiteral("A")},
                           {30, 10, 10, 30, 10, 10});
    for (int k = 0; k < 11; ++k) {
        QStringList cells;
        if (k < 8)
            cells << live::DigitalInputName(k + 1) << OnOff(s->DigitalInput(k)) << OnOff(a->DigitalInput(k));
        else
            cells << QString() << QString() << QString();
        cells << live::DigitalOutputName(k + 1) << OnOff(s->DigitalOutput(k)) << OnOff(a->DigitalOutput(k));
        digital.Rows << TRow{cells};
    }
    content << analog << pressures << digital;
}

TContent Content(const TReportData &data)
{
    const QSet<std::pair<int, int>> differing = DifferingSet(data);
    TContent content;
    HeaderSection(data, content);
    WarningSection(data, content);
    ReferenceSummary(data, differing.size(), content);
    BoardSection(data, content);
    ConfigurationSection(data, differing, content);
    WeekSection(data, differing, content);
    CalibrationSection(data, content);
    LiveSection(data, content);
    return content;
}

QString Title(const TReportData &data)
{
    return QStringLiteral("Commissioning report %1").arg(data.Handover.Unit.trimmed()).trimmed();
}

// The HTML: one file, its style sheet inside.
const char kStyle[] = R"(
body { font-family: 'DejaVu Sans', Arial, sans-serif; font-size: 10pt; color: #1d2733; max-width: 60em; margin: 2em auto; }
h1 { font-size: 20pt; color: #17365d; margin-bottom: 2px; }
h2 { font-size: 14pt; color: #17365d; margin: 1.4em 0 0.3em; border-bottom: 1px solid #17365d; }
h3 { font-size: 11pt; color: #17365d; margin: 1em 0 0.3em; }
p.subtitle { font-size: 13pt; color: #4a5a6a; margin-top: 0; }
table { border-collapse: collapse; width: 100%; margin-bottom: 0.6em; }
td, th { border: 1px solid #c9d2dc; padding: 2px 5px; text-align: left; vertical-align: top; }
td.name { color: #4a5a6a; background-color: #f2f5f8; }
th { background-color: #dde5ee; color: #17365d; }
tr.group td { background-color: #eef2f6; font-weight: bold; color: #17365d; }
tr.differs td { background-color: #fbe3e1; }
tr.differs td:last-child { color: #b42318; font-weight: bold; }
p.good { color: #256029; }
p.alert { color: #b42318; font-weight: bold; }
div.warning { background-color: #fbe3e1; border: 1px solid #b42318; padding: 0.4em 0.8em; }
div.warning p { color: #b42318; font-weight: bold; margin: 0.2em 0; }
)";

QString Esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString HtmlOf(const TContent &content, const QString &title)
{
    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                                  "<meta name=\"generator\" content=\"%1 %2\">\n<title>%3</title>\n<style>%4</style>\n"
                                  "</head>\n<body>\n")
                       .arg(Esc(ReportToolName()), Esc(ReportToolVersion()), Esc(title), QLatin1String(kStyle));
    for (const TBlock &block : content) {
        switch (block.Is) {
        case TBlock::Title:
            html += QStringLiteral("<h1>%1</h1>\n").arg(Esc(block.Text));
            break;
        case TBlock::Subtitle:
            html += QStringLiteral("<p class=\"subtitle\">%1</p>\n").arg(Esc(block.Text));
            break;
        case TBlock::Heading:
            html += QStringLiteral("<h2>%1</h2>\n").arg(Esc(block.Text));
            break;
        case TBlock::Subheading:
            html += QStringLiteral("<h3>%1</h3>\n").arg(Esc(block.Text));
            break;
        case TBlock::Plain:
            html += QStringLiteral("<p>%1</p>\n").arg(Esc(block.Text));
            break;
        case TBlock::Good:
            html += QStringLiteral("<p class=\"good\">%1</p>\n").arg(Esc(block.Text));
            break;
        case TBlock::Alert:
            html += QStringLiteral("<p class=\"alert\">%1</p>\n").arg(Esc(block.Text));
            break;
        case TBlock::Warning:
            html += QStringLiteral("<div class=\"warning\"><p>%1</p>\n<ul>\n").arg(Esc(block.Text));
            for (const QString &line : block.Lines)
                html += QStringLiteral("<li>%1</li>\n").arg(Esc(line));
            html += QStringLiteral("</ul></div>\n");
            break;
        case TBlock::Facts:
        case TBlock::Table: {
            html += QStringLiteral("<table>\n");
            if (!block.Head.isEmpty()) {
                html += QStringLiteral("<thead><tr>");
                for (qsizetype i = 0; i < block.Head.size(); ++i)
                    html += QStringLiteral("<th style=\"width: %1%\">%2</th>")
                                .arg(block.Widths.value(i))
                                .arg(Esc(block.Head[i]));
                html += QStringLiteral("</tr></thead>\n");
            }
            for (const TRow &row : block.Rows) {
                if (row.Is == TRow::Group) {
                    html += QStringLiteral("<tr class=\"group\"><td colspan=\"%1\">%2</td></tr>\n")
                                .arg(block.Widths.size())
                                .arg(Esc(row.Cells.value(0)));
                    continue;
                }
                html += row.Is == TRow::Differs ? QStringLiteral("<tr class=\"differs\">") : QStringLiteral("<tr>");
                for (qsizetype i = 0; i < row.Cells.size(); ++i) {
                    const bool name = block.Is == TBlock::Facts && i % 2 == 0;
                    html += (name ? QStringLiteral("<td class=\"name\">") : QStringLiteral("<td>")) + Esc(row.Cells[i])
                            + QStringLiteral("</td>");
                }
                html += QStringLiteral("</tr>\n");
            }
            html += QStringLiteral("</table>\n");
            break;
        }
        }
    }
    return html + QStringLiteral("</body>\n</html>\n");
}

// The PDF: the blocks drawn top down on A4 pages, a table's head again on every page it runs onto,
// a group's title kept with its first row and a heading with what follows it. Laid out twice: once
// to count the pages, then drawn with "Page n of m" in every footer.
class TPdfPages
{
public:
    TPdfPages(QPdfWriter &writer, const QString &footer) : m_writer(writer), m_footer(footer)
    {
        m_page = writer.pageLayout().paintRectPixels(writer.resolution());
        m_mm = writer.resolution() / 25.4;
        m_bottom = m_page.height() - kFooterMm * m_mm;
        m_body = Font(9);
        m_bold = Font(9, true);
    }

    // Lays content out without drawing; the number of pages it takes.
    int Count(const TContent &content)
    {
        m_drawing = false;
        Run(content);
        return m_number;
    }

    void Draw(const TContent &content, int pages)
    {
        m_pages = pages;
        m_drawing = true;
        m_painter.begin(&m_writer);
        Run(content);
        m_painter.end();
    }

private:
    static constexpr double kFooterMm = 10.0;
    static constexpr double kPadMm = 1.2;
    static inline const QColor kNavy{0x17, 0x36, 0x5d};
    static inline const QColor kGrey{0x4a, 0x5a, 0x6a};
    static inline const QColor kInk{0x1d, 0x27, 0x33};
    static inline const QColor kGreen{0x25, 0x60, 0x29};
    static inline const QColor kRed{0xb4, 0x23, 0x18};
    static inline const QColor kRule{0xc9, 0xd2, 0xdc};
    static inline const QColor kHead{0xdd, 0xe5, 0xee};
    static inline const QColor kGroup{0xee, 0xf2, 0xf6};
    static inline const QColor kName{0xf2, 0xf5, 0xf8};
    static inline const QColor kDiffers{0xfb, 0xe3, 0xe1};

    using TColumns = QList<std::pair<double, double>>;  // left edge and width of each column

    void Run(const TContent &content)
    {
        m_y = 0;
        m_number = 1;
        for (const TBlock &block : content) {
            if (block.NewPage && m_y > 0)
                NewPage();
            switch (block.Is) {
            case TBlock::Title:
                Paragraph(block.Text, Font(20, true), kNavy, 0, 1.0 * m_mm);
                break;
            case TBlock::Subtitle:
                Paragraph(block.Text, Font(12), kGrey, 0, 3.0 * m_mm);
                break;
            case TBlock::Heading:
                Heading(block.Text, Font(13, true), 5.0 * m_mm, true);
                break;
            case TBlock::Subheading:
                Heading(block.Text, Font(10.5, true), 3.0 * m_mm, false);
                break;
            case TBlock::Plain:
                Paragraph(block.Text, m_body, kInk, 0, 2.0 * m_mm);
                break;
            case TBlock::Good:
                Paragraph(block.Text, m_body, kGreen, 1.0 * m_mm, 2.0 * m_mm);
                break;
            case TBlock::Alert:
                Paragraph(block.Text, m_bold, kRed, 1.0 * m_mm, 2.0 * m_mm);
                break;
            case TBlock::Warning:
                WarningBox(block);
                break;
            case TBlock::Facts:
            case TBlock::Table:
                Table(block);
                break;
            }
        }
        Footer();
    }

    QFont Font(double points, bool bold = false) const
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(points);
        font.setBold(bold);
        // No ligatures: "ff" and "fi" stay letters a reader can search for and copy.
        font.setStyleStrategy(QFont::PreferNoShaping);
        return font;
    }

    // The height text takes in width with font, wrapped at words.
    double Height(const QString &text, const QFont &font, double width) const
    {
        const QFontMetricsF metrics(font, &m_writer);
        if (text.isEmpty())
            return metrics.height();
        return metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
    }

    void Text(const QRectF &at, int flags, const QString &text, const QFont &font, const QColor &ink)
    {
        if (!m_drawing || text.isEmpty())
            return;
        m_painter.setFont(font);
        m_painter.setPen(ink);
        m_painter.drawText(at, flags, text);
    }

    void Box(const QRectF &at, const QColor &line, double width, const QBrush &fill)
    {
        if (!m_drawing)
            return;
        m_painter.setPen(QPen(line, width));
        m_painter.setBrush(fill);
        m_painter.drawRect(at);
        m_painter.setBrush(Qt::NoBrush);
    }

    void Rule(double y, const QColor &line, double width)
    {
        if (!m_drawing)
            return;
        m_painter.setPen(QPen(line, width));
        m_painter.drawLine(QPointF(0, y), QPointF(m_page.width(), y));
    }

    // A new page when height does not fit below the last thing drawn; true if so.
    bool Ensure(double height)
    {
        if (m_y + height <= m_bottom || m_y == 0)
            return false;
        NewPage();
        return true;
    }

    void NewPage()
    {
        Footer();
        if (m_drawing)
            m_writer.newPage();
        ++m_number;
        m_y = 0;
    }

    void Footer()
    {
        const double top = m_bottom + 0.35 * kFooterMm * m_mm;
        Rule(top, kRule, 0.25 * m_mm);
        const QRectF line(0, top + m_mm, m_page.width(), 5 * m_mm);
        const QFont font = Font(7.5);
        Text(line, Qt::AlignLeft | Qt::AlignTop, m_footer, font, kGrey);
        Text(line, Qt::AlignRight | Qt::AlignTop, QStringLiteral("Page %1 of %2").arg(m_number).arg(m_pages), font,
             kGrey);
    }

    void Paragraph(const QString &text, const QFont &font, const QColor &ink, double before, double after)
    {
        const double height = Height(text, font, m_page.width());
        m_y += before;
        Ensure(height);
        Text(QRectF(0, m_y, m_page.width(), height), Qt::TextWordWrap, text, font, ink);
        m_y += height + after;
    }

    void Heading(const QString &text, const QFont &font, double before, bool rule)
    {
        const double height = Height(text, font, m_page.width());
        m_y += m_y > 0 ? before : 0;
        // Kept with a few lines of what follows it.
        Ensure(height + 4 * Height(QString(), m_body, m_page.width()));
        Text(QRectF(0, m_y, m_page.width(), height), Qt::AlignLeft, text, font, kNavy);
        m_y += height + 0.6 * m_mm;
        if (rule) {
            Rule(m_y, kNavy, 0.3 * m_mm);
            m_y += 1.2 * m_mm;
        }
    }

    void WarningBox(const TBlock &block)
    {
        const double pad = 2.0 * m_mm;
        const double width = m_page.width() - 2 * pad;
        const double head = Height(block.Text, m_bold, width);
        QList<double> lines;
        double height = pad + head + m_mm + pad;
        for (const QString &line : block.Lines) {
            lines << Height(line, m_body, width - 5 * m_mm);
            height += lines.back();
        }
        m_y += 1.0 * m_mm;
        Ensure(height);
        Box(QRectF(0, m_y, m_page.width(), height), kRed, 0.3 * m_mm, kDiffers);
        double y = m_y + pad;
        Text(QRectF(pad, y, width, head), Qt::TextWordWrap, block.Text, m_bold, kRed);
        y += head + m_mm;
        for (qsizetype i = 0; i < block.Lines.size(); ++i) {
            Text(QRectF(pad + 2 * m_mm, y, 3 * m_mm, lines[i]), Qt::AlignLeft, QStringLiteral("\u2022"), m_body, kInk);
            Text(QRectF(pad + 5 * m_mm, y, width - 5 * m_mm, lines[i]), Qt::TextWordWrap, block.Lines[i], m_body, kInk);
            y += lines[i];
        }
        m_y += height + 3.0 * m_mm;
    }

    TColumns Columns(const QList<int> &widths) const
    {
        TColumns columns;
        double x = 0;
        for (const int percent : widths) {
            const double width = m_page.width() * percent / 100.0;
            columns << std::pair{x, width};
            x += width;
        }
        return columns;
    }

    double RowHeight(const QStringList &cells, const TColumns &columns, const QFont &font) const
    {
        const double pad = kPadMm * m_mm;
        double height = 0;
        for (qsizetype i = 0; i < cells.size() && i < columns.size(); ++i)
            height = std::max(height, Height(cells[i], font, columns[i].second - 2 * pad));
        return height + pad;
    }

    struct TCellLook
    {
        QColor Fill;
        QFont Font;
        QColor Ink;
    };

    void Cells(const QStringList &cells, const TColumns &columns, double height, const QList<TCellLook> &looks)
    {
        const double pad = kPadMm * m_mm;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QRectF cell(columns[i].first, m_y, columns[i].second, height);
            Box(cell, kRule, 0.2 * m_mm, looks[i].Fill);
            Text(cell.adjusted(pad, pad / 2, -pad, 0), Qt::TextWordWrap, cells.value(i), looks[i].Font, looks[i].Ink);
        }
        m_y += height;
    }

    void Table(const TBlock &block)
    {
        const TColumns columns = Columns(block.Widths);
        const TColumns whole{{0.0, static_cast<double>(m_page.width())}};
        const double head = block.Head.isEmpty() ? 0 : RowHeight(block.Head, columns, m_bold);
        m_y += 1.0 * m_mm;
        bool headed = false;  // the head is on this page
        for (qsizetype r = 0; r < block.Rows.size(); ++r) {
            const TRow &row = block.Rows[r];
            const bool group = row.Is == TRow::Group;
            const double height = RowHeight(row.Cells, group ? whole : columns, group ? m_bold : m_body);
            // A group's title stays with its first row.
            const double next =
                group && r + 1 < block.Rows.size() ? RowHeight(block.Rows[r + 1].Cells, columns, m_body) : 0;
            if (Ensure((headed ? 0 : head) + height + next))
                headed = false;
            if (!headed && head > 0) {
                Cells(block.Head, columns, head, QList<TCellLook>(columns.size(), {kHead, m_bold, kNavy}));
            }
            headed = true;
            if (group) {
                Cells(row.Cells, whole, height, {{kGroup, m_bold, kNavy}});
                continue;
            }
            QList<TCellLook> looks;
            for (qsizetype i = 0; i < columns.size(); ++i) {
                const bool name = block.Is == TBlock::Facts && i % 2 == 0;
                const bool mark = i == block.MarkColumn && row.Is == TRow::Differs;
                looks << TCellLook{row.Is == TRow::Differs ? kDiffers
                                   : name                  ? kName
                                                           : QColor(Qt::white),
                                   mark ? m_bold : m_body,
                                   mark   ? kRed
                                   : name ? kGrey
                                          : kInk};
            }
            Cells(row.Cells, columns, height, looks);
        }
        m_y += 2.0 * m_mm;
    }

    QPdfWriter &m_writer;
    QString m_footer;
    QPainter m_painter;
    QRect m_page;
    double m_mm = 0;
    double m_bottom = 0;
    double m_y = 0;
    int m_number = 1;  // of the page being laid out
    int m_pages = 0;
    bool m_drawing = false;
    QFont m_body;
    QFont m_bold;
};

}  // namespace

QString ReportToolName()
{
    return QStringLiteral("Z4 Ventilation");
}

QString ReportToolVersion()
{
    return QStringLiteral(Z4_VERSION);
}

qsizetype ReportDifferences(const TReportData &data)
{
    return DifferingSet(data).size();
}

QString ReportHtml(const TReportData &data)
{
    return HtmlOf(Content(data), Title(data));
}

QByteArray ReportPdf(const TReportData &data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    constexpr double kMarginMm = 16.0;
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setCreator(ReportToolName() + QLatin1Char(' ') + ReportToolVersion());
    writer.setTitle(Title(data));
    const QString unit = data.Handover.Unit.trimmed();
    TPdfPages pages(writer, QStringLiteral("%1 %2 \u2014 commissioning report%3")
                                .arg(ReportToolName(), ReportToolVersion(),
                                     unit.isEmpty() ? QString() : QStringLiteral(", ") + unit));
    const TContent content = Content(data);
    pages.Draw(content, pages.Count(content));
    return bytes;
}

std::optional<TReportFormat> ReportFormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return TReportFormat::Pdf;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return TReportFormat::Html;
    return std::nullopt;
}

QString ReportPathProblem(const QString &path)
{
    if (!ReportFormatOf(path))
        return QStringLiteral("%1: a report is written as .pdf or .html").arg(path);
    if (const QString why = WriteProblem(path, TLinks::Follow); !why.isEmpty())
        return QStringLiteral("%1 cannot be written: %2").arg(path, why);
    return {};
}

bool WriteReport(const QString &path, const TReportData &data, QString *error)
{
    if (const QString why = ReportPathProblem(path); !why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    const QByteArray bytes = *ReportFormatOf(path) == TReportFormat::Pdf ? ReportPdf(data) : ReportHtml(data).toUtf8();
    QString why;
    if (!WritePlainFile(path, bytes, TLinks::Follow, &why)) {
        if (error)
            *error = QStringLiteral("%1 was not written: %2").arg(path, why);
        return false;
    }
    return true;
}
