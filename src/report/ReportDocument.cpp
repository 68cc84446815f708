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

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <QTextDocument>

#include <utility>

namespace {

constexpr int kWeekTimesItem = 89;
constexpr int kWeekLevelsItem = 90;

QString Esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString Or(const QString &text, const QString &none)
{
    return text.trimmed().isEmpty() ? none : text.trimmed();
}

QString Stamp(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString RowOf(const QStringList &cells, const QString &cssClass = {})
{
    QString html = cssClass.isEmpty() ? QStringLiteral("<tr>") : QStringLiteral("<tr class=\"%1\">").arg(cssClass);
    for (const QString &cell : cells)
        html += QStringLiteral("<td>") + cell + QStringLiteral("</td>");
    return html + QStringLiteral("</tr>\n");
}

// The table's head, repeated on every page the table runs onto; widths in percent, when given.
QString HeadOf(const QStringList &cells, const QList<int> &widths = {})
{
    QString html = QStringLiteral("<thead><tr>");
    for (qsizetype i = 0; i < cells.size(); ++i)
        html += (i < widths.size() ? QStringLiteral("<th width=\"%1%\">").arg(widths[i]) : QStringLiteral("<th>"))
                + Esc(cells[i]) + QStringLiteral("</th>");
    return html + QStringLiteral("</tr></thead>\n");
}

QString Table(const QString &cssClass)
{
    return QStringLiteral("<table class=\"%1\" width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">\n").arg(cssClass);
}

// Name/value pairs, two pairs a row.
QString Facts(const QList<std::pair<QString, QString>> &facts)
{
    QString html = Table(QStringLiteral("facts"));
    for (qsizetype i = 0; i < facts.size(); i += 2) {
        html += QStringLiteral("<tr>");
        for (qsizetype j = i; j < i + 2; ++j) {
            if (j < facts.size())
                html += QStringLiteral("<td class=\"name\" width=\"17%\">%1</td><td width=\"33%\">%2</td>")
                            .arg(Esc(facts[j].first), Esc(facts[j].second));
            else
                html += QStringLiteral("<td class=\"name\"></td><td></td>");
        }
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table>\n");
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

QString Mark()
{
    return QStringLiteral("<span class=\"mark\">%1</span>").arg(QLatin1String(kDifferenceMark));
}

QString HeaderSection(const TReportData &data)
{
    const TReportHandover &h = data.Handover;
    QString html = QStringLiteral("<h1>Commissioning report</h1>\n<p class=\"subtitle\">%1</p>\n")
                       .arg(Esc(QStringLiteral("%1 \u2014 %2")
                                    .arg(Or(h.Unit, QStringLiteral("unit not named")),
                                         Or(h.Site, QStringLiteral("site not named")))));
    const std::optional<QDateTime> boardTime = BoardTime(data.Status);
    QString clock = boardTime ? Stamp(*boardTime) : QStringLiteral("not set");
    if (const QString difference = ClockDifference(data.PcTime, boardTime); !difference.isEmpty())
        clock += QStringLiteral(" (%1)").arg(difference);
    html += Facts({{QStringLiteral("Site"), Or(h.Site, QStringLiteral("\u2014"))},
                   {QStringLiteral("Unit"), Or(h.Unit, QStringLiteral("\u2014"))},
                   {QStringLiteral("Technician"), Or(h.Technician, QStringLiteral("\u2014"))},
                   {QStringLiteral("Made with"), ReportToolName() + QLatin1Char(' ') + ReportToolVersion()},
                   {QStringLiteral("PC time"), Stamp(data.PcTime)},
                   {QStringLiteral("Board clock"), clock}});
    return html;
}

QString BoardSection(const TReportData &data)
{
    const auto version = live::DecodeVersionBlock(data.Version);
    return QStringLiteral("<h2>Board</h2>\n")
           + Facts({{QStringLiteral("Address"), QString::number(data.Address)},
                    {QStringLiteral("Line"), data.Line},
                    {QStringLiteral("Firmware"), version ? live::VersionNumberText(version->Version) : QString()},
                    {QStringLiteral("Series"), data.Series ? QString::number(*data.Series) : QStringLiteral("\u2014")},
                    {QStringLiteral("Board No."), version ? QString::number(version->BoardNumber) : QString()}});
}

QString WarningSection(const TReportData &data)
{
    const QStringList warnings = ForcedWarnings(data);
    if (warnings.isEmpty())
        return QStringLiteral("<p class=\"ok\">No input or output is forced, no simulation channel is on and "
                              "calibration mode is off.</p>\n");
    QString html = QStringLiteral("<table class=\"warning\" width=\"100%\" cellspacing=\"0\" cellpadding=\"6\"><tr><td>"
                                  "<p class=\"warninghead\">Not ready for handover: %1 left forced. A unit should not "
                                  "be handed over with forced inputs or outputs.</p><ul>")
                       .arg(warnings.size() == 1 ? QStringLiteral("1 item is")
                                                 : QStringLiteral("%1 items are").arg(warnings.size()));
    for (const QString &warning : warnings)
        html += QStringLiteral("<li>Warning: %1</li>").arg(Esc(warning));
    return html + QStringLiteral("</ul></td></tr></table>\n");
}

QString ReferenceSummary(const TReportData &data, qsizetype differences)
{
    if (!data.Reference)
        return {};
    if (differences == 0)
        return QStringLiteral("<p class=\"ok\">The board holds every value of the reference %1.</p>\n")
            .arg(Esc(data.Reference->Name));
    return QStringLiteral(
               "<p class=\"differ\">%1 from the reference %2: each is marked \u201c%3\u201d on its row.</p>\n")
        .arg(Esc(DifferingRegisters(static_cast<size_t>(differences))), Esc(data.Reference->Name),
             QLatin1String(kDifferenceMark));
}

QString ConfigurationSection(const TReportData &data, const QSet<std::pair<int, int>> &differing)
{
    const std::vector<TParameterRow> &rows = TransferRows();
    const bool withReference = data.Reference.has_value();
    QString html = QStringLiteral("<h2>Configuration</h2>\n");
    QString page;
    QString group;
    bool open = false;
    for (const TLayoutLine &line : LayoutLines()) {
        if (line.Item >= data.Items || line.Item >= static_cast<int>(rows.size()))
            continue;
        const QString linePage = QString::fromUtf8(line.Page);
        const QString lineGroup = QString::fromUtf8(line.Group);
        if (linePage != page) {
            if (open)
                html += QStringLiteral("</table>\n");
            page = linePage;
            group.clear();
            // The page's name heads its table, on every page of the document the table runs onto.
            html += Table(QStringLiteral("config"));
            html += withReference ? HeadOf({page, QStringLiteral("Board"), QStringLiteral("Reference"), QString()},
                                           {40, 25, 25, 10})
                                  : HeadOf({page, QStringLiteral("Board")}, {50, 50});
            open = true;
        }
        if (lineGroup != group) {
            group = lineGroup;
            html += QStringLiteral("<tr class=\"group\"><td colspan=\"%1\">%2</td></tr>\n")
                        .arg(withReference ? 4 : 2)
                        .arg(Esc(group));
        }
        const TParameterRow &row = rows[static_cast<size_t>(line.Item)];
        const QString value = values::RegisterText(row, line.Register, Word(data.Board, line.Item, line.Register));
        const QString label = Esc(QString::fromUtf8(line.Label));
        if (!withReference) {
            html += RowOf({label, Esc(value)});
            continue;
        }
        const bool differs = differing.contains({line.Item, line.Register});
        const QString reference =
            line.Item < data.Reference->Items
                ? values::RegisterText(row, line.Register, Word(data.Reference->Image, line.Item, line.Register))
                : QString();
        html += RowOf({label, Esc(value), Esc(reference), differs ? Mark() : QString()},
                      differs ? QStringLiteral("differs") : QString());
    }
    if (open)
        html += QStringLiteral("</table>\n");
    return html;
}

QString WeekSection(const TReportData &data, const QSet<std::pair<int, int>> &differing)
{
    if (data.Items <= kWeekLevelsItem)
        return {};
    static const char *const days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    const auto cell = [&](int item, int reg, const QString &shown) {
        QString text = Esc(shown);
        if (data.Reference && differing.contains({item, reg}))
            text += QStringLiteral(" (reference %1) %2")
                        .arg(Esc(values::ItemText(item, reg, Word(data.Reference->Image, item, reg))), Mark());
        return text;
    };
    QString html = QStringLiteral("<h2 class=\"newpage\">Week program</h2>\n") + Table(QStringLiteral("config week"));
    html += HeadOf({QStringLiteral("Day"), QStringLiteral("Interval 1"), QStringLiteral("Level"),
                    QStringLiteral("Interval 2"), QStringLiteral("Level"), QStringLiteral("Interval 3"),
                    QStringLiteral("Level")},
                   {13, 18, 11, 18, 11, 18, 11});
    for (int d = 0; d < TWeekProgram::kDays; ++d) {
        QStringList cells{QLatin1String(days[d])};
        for (int i = 0; i < TWeekProgram::kLevelsPerDay; ++i) {
            const int start = d * TWeekProgram::kTimesPerDay + 2 * i;
            const int level = d * TWeekProgram::kLevelsPerDay + i;
            cells << cell(kWeekTimesItem, start,
                          values::ItemText(kWeekTimesItem, start, Word(data.Board, kWeekTimesItem, start)))
                         + QStringLiteral(" \u2013 ")
                         + cell(
                             kWeekTimesItem, start + 1,
                             values::ItemText(kWeekTimesItem, start + 1, Word(data.Board, kWeekTimesItem, start + 1)))
                  << cell(kWeekLevelsItem, level,
                          values::ItemText(kWeekLevelsItem, level, Word(data.Board, kWeekLevelsItem, level)));
        }
        html += RowOf(cells);
    }
    return html + QStringLiteral("</table>\n");
}

QString Lamp(quint16 word)
{
    return (word & 0xFF) != 0 ? QStringLiteral("lit") : QStringLiteral("off");
}

QString CalibrationSection(const TReportData &data)
{
    QString html = QStringLiteral("<h2>Calibration</h2>\n");
    html += QStringLiteral("<p>Calibration mode: %1. A status lamp is lit once the board has taken the "
                           "input's or output's calibration.</p>\n")
                .arg(data.CalibrationMode != 0 ? QStringLiteral("on") : QStringLiteral("off"));
    html += Table(QStringLiteral("config cal"));
    html += HeadOf({QStringLiteral("Analog input"), QStringLiteral("Status lamp"), QStringLiteral("Analog output"),
                    QStringLiteral("Status lamp")},
                   {25, 25, 25, 25});
    for (int k = 0; k < 8; ++k) {
        const QString input = k < data.InputStatus.size() ? Lamp(data.InputStatus[k]) : QString();
        // The output status lamps follow the pressure inputs' ten words.
        const qsizetype at = board::OutputStatus - board::PressureLimit + k;
        const bool output = k < 5 && at < data.Pressure.size();
        html +=
            RowOf({QStringLiteral("AIN%1").arg(k + 1), input, k < 5 ? QStringLiteral("AOUT%1").arg(k + 1) : QString(),
                   output ? Lamp(data.Pressure[at]) : QString()});
    }
    html += QStringLiteral("</table>\n");
    if (data.Pressure.size() < 10)
        return html;
    html += Table(QStringLiteral("config cal"));
    html += HeadOf({QStringLiteral("Pressure input"), QStringLiteral("Plim"), QStringLiteral("Pmax"),
                    QStringLiteral("Offset"), QStringLiteral("Gain"), QStringLiteral("Coef")},
                   {20, 16, 16, 16, 16, 16});
    for (int ch = 0; ch < 2; ++ch) {
        const auto word = [&](int pair) { return data.Pressure[2 * pair + ch]; };
        html += RowOf({QStringLiteral("AIN%1").arg(9 + ch), Esc(values::ItemText(137, ch, word(0))),
                       Esc(values::ItemText(138, ch, word(1))),
                       Esc(QStringLiteral("%1 Pa").arg(static_cast<qint16>(word(2)))),
                       Esc(values::RoundedText(static_cast<float>(static_cast<qint16>(word(3))) / 10000.0f, 4)),
                       Esc(values::ItemText(139, ch, word(4)))});
    }
    return html + QStringLiteral("</table>\n");
}

QString OnOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString LiveSection(const TReportData &data)
{
    const auto s = live::DecodeStatusBlock(data.Status);
    const auto a = live::DecodeColumnABlock(data.ColumnA);
    if (!s || !a)
        return {};
    QString html =
        QStringLiteral("<h2 class=\"newpage\">Live state</h2>\n<p>As the board reported it at %1. R: the value the "
                       "regulation works with; A: the signal at the board's terminal.</p>\n")
            .arg(Stamp(data.PcTime));
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
    html += Facts(state);

    html += QStringLiteral("<h3>Inputs and outputs</h3>\n") + Table(QStringLiteral("config live"));
    html += HeadOf({QStringLiteral("Analog input"), QStringLiteral("R"), QStringLiteral("A"),
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
        for (QString &c : cells)
            c = Esc(c);
        html += RowOf(cells);
    }
    html += QStringLiteral("</table>\n") + Table(QStringLiteral("config live"));
    html += HeadOf({QStringLiteral("Pressure input"), QStringLiteral("Pressure"), QStringLiteral("Air flow")},
                   {36, 32, 32});
    for (size_t k = 0; k < s->Pressures.size(); ++k)
        html += RowOf({QStringLiteral("AIN%1").arg(k + 9), Esc(values::ReadingText(s->Pressures[k])),
                       Esc(values::ReadingText(s->AirFlows[k]))});
    html += QStringLiteral("</table>\n");
    html += Table(QStringLiteral("config live"));
    html += HeadOf({QStringLiteral("Digital input"), QStringLiteral("R"), QStringLiteral("A"),
                    QStringLiteral("Digital output"), QStringLiteral("R"), QStringLiteral("A")},
                   {30, 10, 10, 30, 10, 10});
    for (int k = 0; k < 11; ++k) {
        QStringList cells;
        if (k < 8)
            cells << Esc(live::DigitalInputName(k + 1)) << OnOff(s->DigitalInput(k)) << OnOff(a->DigitalInput(k));
        else
            cells << QString() << QString() << QString();
        cells << Esc(live::DigitalOutputName(k + 1)) << OnOff(s->DigitalOutput(k)) << OnOff(a->DigitalOutput(k));
        html += RowOf(cells);
    }
    return html + QStringLiteral("</table>\n");
}

// The style sheet: what QTextDocument takes of it lays out the PDF; a browser takes all of it.
const char kStyle[] = R"(
body { font-family: 'DejaVu Sans', Arial, sans-serif; font-size: 9pt; color: #1d2733; }
h1 { font-size: 18pt; color: #17365d; margin-bottom: 2px; }
h2 { font-size: 13pt; color: #17365d; margin-top: 16px; margin-bottom: 4px; border-bottom: 1px solid #17365d; }
h3 { font-size: 10.5pt; color: #17365d; margin-top: 10px; margin-bottom: 3px; }
h2.newpage { page-break-before: always; }
p.subtitle { font-size: 12pt; color: #4a5a6a; margin-top: 0px; margin-bottom: 10px; }
table { border-collapse: collapse; margin-bottom: 6px; }
table.facts td { border: 1px solid #c9d2dc; }
table.config td, table.config th { border: 1px solid #c9d2dc; }
td.name { color: #4a5a6a; background-color: #f2f5f8; }
th { background-color: #dde5ee; color: #17365d; text-align: left; font-weight: bold; }
tr.group td { background-color: #eef2f6; font-weight: bold; color: #17365d; }
tr.differs td { background-color: #fbe3e1; }
span.mark { color: #b42318; font-weight: bold; }
p.ok { color: #256029; }
p.differ { color: #b42318; font-weight: bold; }
table.warning td { background-color: #fbe3e1; border: 1px solid #b42318; }
p.warninghead { color: #b42318; font-weight: bold; margin-top: 0px; }
)";

// Page layout of the PDF, in millimetres and points.
constexpr double kMarginMm = 16.0;
constexpr double kFooterMm = 9.0;
constexpr int kBodyPoints = 9;

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
    const QSet<std::pair<int, int>> differing = DifferingSet(data);
    const QString title = QStringLiteral("Commissioning report %1").arg(Or(data.Handover.Unit, QString()));
    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"generator\" content=\"%1 %2\">\n<title>%3</title>\n<style>%4</style>\n"
                       "</head>\n<body>\n")
            .arg(Esc(ReportToolName()), Esc(ReportToolVersion()), Esc(title.trimmed()), QLatin1String(kStyle));
    html += HeaderSection(data);
    html += WarningSection(data);
    html += ReferenceSummary(data, differing.size());
    html += BoardSection(data);
    html += ConfigurationSection(data, differing);
    html += WeekSection(data, differing);
    html += CalibrationSection(data);
    html += LiveSection(data);
    html += QStringLiteral("</body>\n</html>\n");
    return html;
}

QByteArray ReportPdf(const TReportData &data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setCreator(ReportToolName() + QLatin1Char(' ') + ReportToolVersion());
    writer.setTitle(QStringLiteral("Commissioning report %1").arg(data.Handover.Unit).trimmed());

    const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
    const double dotsPerMm = writer.resolution() / 25.4;
    const double footer = kFooterMm * dotsPerMm;
    const QSizeF body(page.width(), page.height() - footer);

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(kBodyPoints);
    // No ligatures: "ff" and "fi" stay letters a reader can search for and copy.
    font.setStyleStrategy(QFont::PreferNoShaping);
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    document.setHtml(ReportHtml(data));
    document.setPageSize(body);
    const int pages = document.pageCount();

    QPainter painter(&writer);
    QFont footerFont(font);
    footerFont.setPointSizeF(7.5);
    const QString left =
        QStringLiteral("%1 %2 \u2014 commissioning report%3")
            .arg(ReportToolName(), ReportToolVersion(),
                 data.Handover.Unit.trimmed().isEmpty() ? QString()
                                                        : QStringLiteral(", ") + data.Handover.Unit.trimmed());
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -p * body.height());
        document.drawContents(&painter, QRectF(0, p * body.height(), body.width(), body.height()));
        painter.restore();
        const double top = body.height() + footer * 0.35;
        painter.setPen(QPen(QColor(0xc9, 0xd2, 0xdc), dotsPerMm * 0.25));
        painter.drawLine(QPointF(0, top), QPointF(body.width(), top));
        painter.setPen(QColor(0x4a, 0x5a, 0x6a));
        painter.setFont(footerFont);
        const QRectF line(0, top + dotsPerMm, body.width(), footer * 0.6);
        painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, left);
        painter.drawText(line, Qt::AlignRight | Qt::AlignTop, QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages));
    }
    painter.end();
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
