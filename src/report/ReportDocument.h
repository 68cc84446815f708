// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commissioning report as a document: one self-contained HTML text, or drawn on A4 pages as a
// PDF (page numbers and the tool's name and version in every page's footer, fonts embedded, the
// text selectable), both from the same content, written whole or not at all. Every value reads as
// the window shows it (config/ValueText).

#include "report/ReportData.h"

#include <QByteArray>
#include <QString>

// The tool as the report names it: "Z4 Ventilation" and "2.07".
QString ReportToolName();
QString ReportToolVersion();

// How a differing configuration register is marked in its row, and what the count at the top says
// ("2 registers differ from the reference").
inline constexpr char kDifferenceMark[] = "differs";

// The registers of the configuration in which the board differs from the reference (none without
// one), over the items both hold.
qsizetype ReportDifferences(const TReportData &data);

// The report as one HTML text with its style sheet inside.
QString ReportHtml(const TReportData &data);
// The report laid out as a PDF on A4 pages.
QByteArray ReportPdf(const TReportData &data);

enum class TReportFormat { Pdf, Html };
// The format a file name asks for by its extension (.pdf, .html or .htm, in any case); nothing
// for any other.
std::optional<TReportFormat> ReportFormatOf(const QString &path);
// Why a report cannot be written at path (its extension, or the place: see WriteProblem), in
// words naming the file; empty when it can. Asked before the board is read.
QString ReportPathProblem(const QString &path);
// Writes the report to path in the format its extension asks for, whole or not at all; false with
// *error saying why (an existing file is then untouched).
bool WriteReport(const QString &path, const TReportData &data, QString *error);
