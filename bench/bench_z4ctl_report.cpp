// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_z4ctl_report: `z4ctl report` of a board as a whole process, from its start to its exit,
// against `z4ctl save` of the same board in the same run. On loopback (z4sim over TCP) the report,
// as PDF and as HTML, should take at most 3 times the save: laying out the document must not dwarf
// the reads. On an RS-485 line at 19200 baud 8E1 (z4sim pacing its answers on a socat pty pair)
// the report is set against the least wire time of its reads; the save, measured
// the same way, shows what the process and the line cost without a document; the report's reads
// alone (TReportReader in this process on the same line) should take at most 1.15 times their wire
// time, and the whole z4ctl report process is set beside it. Each run is checked:
// exit status 0 and a document (or file) that is there and begins as its kind does.
#include "config/DefinitionFile.h"
#include "config/ReadPlan.h"
#include "config/TransferRows.h"
#include "link/TSerialModbusClient.h"
#include "monitor/LiveDecoders.h"
#include "report/ReportData.h"
#include "report/ReportReader.h"
#include "session/TBoardSession.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <modbus.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "BenchSimulator.h"
#include "PacedLine.h"

#ifndef Z4_CTL_EXE
#error "Z4_CTL_EXE must name the z4ctl executable (see bench/CMakeLists.txt)"
#endif

namespace {
constexpr int kProcessMs = 120000;
constexpr int kRate = 19200;
const QString kFirmware = QStringLiteral("1012");

using bench::Fail;
using bench::Median;
using bench::Pass;
using bench::RunPasses;

// What a report reads, in its order: the version, the configuration's block reads, the series,
// the calibration and one poll cycle's live blocks (without the diagnostics).
std::vector<live::BlockRead> ReportReads(const TConfigImages &definition)
{
    std::vector<live::BlockRead> reads{live::kVersionRead};
    for (const ReadBlock &block : PlanBlockReads(definition.BoardImage, definition.ItemCount))
        reads.push_back({block.FirstRegister, static_cast<quint16>(block.Registers)});
    reads.insert(reads.end(), {live::kSeriesRead,
                               {board::InputStatus, kInputStatusCount},
                               {board::PressureLimit, kPressureCount},
                               {board::CalibrationMode, 1},
                               live::kStatusRead,
                               live::kColumnARead,
                               live::kRegulationModeRead,
                               live::kHeatRecoveryRead});
    return reads;
}

// The version and the configuration's block reads: what a save reads.
std::vector<live::BlockRead> SaveReads(const TConfigImages &definition)
{
    std::vector<live::BlockRead> reads{live::kVersionRead};
    for (const ReadBlock &block : PlanBlockReads(definition.BoardImage, definition.ItemCount))
        reads.push_back({block.FirstRegister, static_cast<quint16>(block.Registers)});
    return reads;
}

double WireSeconds(const std::vector<live::BlockRead> &reads)
{
    const paced::Wire wire{kRate};
    double seconds = 0;
    for (const live::BlockRead &read : reads)
        seconds += wire.Read(read.Count);
    return seconds;
}

// z4ctl with line and arguments to its end, timed from just before its start; the file it wrote
// must begin with head. Ends the run on a failure.
double RunZ4ctl(const QString &program, const QStringList &line, const QStringList &arguments, const QString &file,
                const QByteArray &head)
{
    QFile::remove(file);
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, line + arguments);
    const bool finished = process.waitForFinished(kProcessMs);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(kProcessMs);
        Fail(QStringLiteral("z4ctl %1 failed: %2")
                 .arg(arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(process.readAllStandardError())));
    }
    QFile written(file);
    if (!written.open(QIODevice::ReadOnly) || !written.read(head.size()).startsWith(head))
        Fail(QStringLiteral("z4ctl %1 wrote no such file").arg(arguments.join(QLatin1Char(' '))));
    return seconds;
}

// The report's reading in this process: TReportReader on a TBoardSession over our serial client, the
// line opened before the timing and closed after it, so that z4ctl has the port in its turn.
double ReaderRun(const QString &port, const TConfigImages &definition)
{
    TSerialModbusClient client;
    client.SetCommDevice(1, port);
    client.SetCommNumber(1);
    client.SetBaudRate(kRate);
    client.SetParity(QSerialPort::EvenParity);
    TBoardSession session;
    session.SetActiveClient(&client);
    session.SetSlaveAddress(1);
    session.SetRequestTimeout(1000);
    {
        QEventLoop wait;
        QObject::connect(&client, &TModbusClient::OnConnect, &wait, &QEventLoop::quit);
        QObject::connect(&client, &TModbusClient::OnLineError, &wait, [](const QString &why) { Fail(why); });
        client.Open();
        wait.exec();
    }
    session.SetConnected(true);
    session.SetLinkOk(true);
    TReportReader reader(session, definition);
    TReportData data;
    QEventLoop loop;
    QString failure;
    QElapsedTimer clock;
    clock.start();
    reader.Start(
        data, [&] { loop.quit(); },
        [&](const QString &why) {
            failure = why;
            loop.quit();
        });
    if (reader.Running())
        loop.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!failure.isEmpty() || data.Items != definition.ItemCount || data.HeatRecovery.isEmpty())
        Fail(QStringLiteral("the report's reading failed: ") + failure);
    session.SetConnected(false);
    QEventLoop wait;
    QObject::connect(&client, &TModbusClient::OnDisconnect, &wait, &QEventLoop::quit);
    client.Close();
    wait.exec();
    return seconds;
}

void PrintPasses(const std::vector<Pass> &passes)
{
    for (const Pass &pass : passes)
        std::printf("  %-30s %9.1f ms  (best %.1f ms, worst %.1f ms)\n", pass.Name, Median(pass.Seconds) * 1e3,
                    *std::min_element(pass.Seconds.begin(), pass.Seconds.end()) * 1e3,
                    *std::max_element(pass.Seconds.begin(), pass.Seconds.end()) * 1e3);
}

const char *Verdict(bool met)
{
    return met ? "met" : "NOT MET";
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Times z4ctl report against z4ctl save of the same board, on loopback and on a paced 19200 baud line."));
    parser.addHelpOption();
    const bench::RunOptions runOptions(parser, 7, 1);
    const QCommandLineOption ctlOption(QStringLiteral("z4ctl"),
                                       QStringLiteral("The z4ctl executable (default: the one built with this)."),
                                       QStringLiteral("PATH"), QStringLiteral(Z4_CTL_EXE));
    const QCommandLineOption defOption(QStringLiteral("def"), QStringLiteral("The parameter definition file."),
                                       QStringLiteral("PATH"), QStringLiteral(Z4_DEF_FILE));
    parser.addOptions({ctlOption, defOption});
    parser.process(app);
    const auto [rounds, warmup, simPath] = runOptions.Read(parser);
    const QString ctl = parser.value(ctlOption);

    TConfigImages definition;
    QString error;
    if (!ReadDefinitionFile(parser.value(defOption), definition, &error))
        Fail(error);
    QTemporaryDir folder;
    if (!folder.isValid())
        Fail(QStringLiteral("no temporary folder: ") + folder.errorString());
    const QDir dir(folder.path());
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    const QString html = dir.filePath(QStringLiteral("report.html"));
    const QString cnf = dir.filePath(QStringLiteral("save.cnf"));
    const QStringList report{QStringLiteral("report"),      pdf,
                             QStringLiteral("--site"),      QStringLiteral("Bench"),
                             QStringLiteral("--unit-name"), QStringLiteral("AHU 1")};

    // Loopback.
    std::vector<Pass> loopback;
    double loopbackRatioPdf = 0;
    double loopbackRatioHtml = 0;
    {
        bench::Simulator simulator;
        const quint16 port = simulator.Start(simPath, {QStringLiteral("--firmware"), kFirmware});
        const QStringList line{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)};
        loopback = {
            {"z4ctl report (PDF)", [&] { return RunZ4ctl(ctl, line, report, pdf, "%PDF"); }, {}},
            {"z4ctl report (HTML)",
             [&] {
                 return RunZ4ctl(ctl, line, {QStringLiteral("report"), html}, html, "<!DOCTYPE html>");
             },
             {}},
            {"z4ctl save",
             [&] {
                 return RunZ4ctl(ctl, line, {QStringLiteral("save"), cnf}, cnf, "[");
             },
             {}},
        };
        RunPasses(loopback, warmup, rounds);
        loopbackRatioPdf = Median(loopback[0].Seconds) / Median(loopback[2].Seconds);
        loopbackRatioHtml = Median(loopback[1].Seconds) / Median(loopback[2].Seconds);
    }

    // The paced line.
    const std::vector<live::BlockRead> reportReads = ReportReads(definition);
    const std::vector<live::BlockRead> saveReads = SaveReads(definition);
    std::vector<Pass> paced;
    {
        paced::PacedLine cable(simPath, kRate, 0, {QStringLiteral("--firmware"), kFirmware});
        const QStringList line{QStringLiteral("--rtu"), cable.EndA(), QStringLiteral("--baud"), QString::number(kRate)};
        paced = {
            {"z4ctl report (PDF), 19200", [&] { return RunZ4ctl(ctl, line, report, pdf, "%PDF"); }, {}},
            {"z4ctl save, 19200",
             [&] {
                 return RunZ4ctl(ctl, line, {QStringLiteral("save"), cnf}, cnf, "[");
             },
             {}},
            {"the report's reads, in process", [&] { return ReaderRun(cable.EndA(), definition); }, {}},
        };
        RunPasses(paced, warmup, rounds);
    }
    const double reportWire = WireSeconds(reportReads);
    const double saveWire = WireSeconds(saveReads);

    std::printf("z4ctl report and save as processes, z4sim (firmware %s), median of %d runs after %d warm-up\n",
                qPrintable(kFirmware), rounds, warmup);
    std::printf("loopback (TCP 127.0.0.1):\n");
    PrintPasses(loopback);
    std::printf("  ratio report PDF / save   %6.2fx  (target: at most 3x) %s\n", loopbackRatioPdf,
                Verdict(loopbackRatioPdf <= 3.0));
    std::printf("  ratio report HTML / save  %6.2fx  (target: at most 3x) %s\n", loopbackRatioHtml,
                Verdict(loopbackRatioHtml <= 3.0));
    std::printf("RTU at %d baud 8E1 (z4sim --line-rate on a socat pty pair):\n", kRate);
    PrintPasses(paced);
    const double readsToWire = Median(paced[2].Seconds) / reportWire;
    const double reportToWire = Median(paced[0].Seconds) / reportWire;
    const double saveToWire = Median(paced[1].Seconds) / saveWire;
    std::printf("  the report's %zu reads: wire %.1f ms, read in %5.3fx wire  (target: at most 1.15x) %s\n",
                reportReads.size(), reportWire * 1e3, readsToWire, Verdict(readsToWire <= 1.15));
    std::printf("  z4ctl report as a process: %5.3fx the reads' wire time (its start, the line's opening and the PDF "
                "besides)\n",
                reportToWire);
    std::printf("  z4ctl save as a process:   %5.3fx its %zu reads' wire time of %.1f ms, for comparison\n", saveToWire,
                saveReads.size(), saveWire * 1e3);
    return 0;
}
