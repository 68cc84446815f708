// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliScan.h"

#include "cli/StopSignals.h"
#include "monitor/BoardSearch.h"
#include "monitor/LiveDecoders.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
// A pseudo-terminal carries every character as it is: a board set to no parity answers a request
// sent with even parity, and the other way round. Only odd parity (and the baud rate) can be told.
bool IsPseudoTerminal(const QString &device)
{
    const QByteArray path = QFile::encodeName(QFileInfo(device).canonicalFilePath());
    if (path.startsWith("/dev/pts/"))
        return true;
    // Unix98 pty slaves have the majors 136 to 143, wherever their device file is.
    struct stat status;
    if (::stat(path.constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    return major(status.st_rdev) >= 136 && major(status.st_rdev) <= 143;
}

// The parity a board was found at, when the line can tell it; empty when it cannot (even and
// none on a pseudo-terminal).
QString KnownParity(const TLineOptions &line, const TBoardFound &found)
{
    if (found.Setting.Parity != QSerialPort::OddParity && IsPseudoTerminal(line.Device))
        return {};
    return TLineSettings::ParityLetter(found.Setting.Parity);
}

// The line options that reach a board found, for the next z4ctl call; without --parity when the
// line cannot tell it.
QString LineOptions(const TLineOptions &line, const TBoardFound &found)
{
    if (!line.Serial)
        return QStringLiteral("--tcp %1:%2 --unit %3").arg(line.Host).arg(line.Port).arg(found.Unit);
    const QString parity = KnownParity(line, found);
    return QStringLiteral("--rtu %1 --baud %2%3 --unit %4")
        .arg(line.Device)
        .arg(found.Setting.BaudRate)
        .arg(parity.isEmpty() ? QString() : QStringLiteral(" --parity ") + parity)
        .arg(found.Unit);
}

QJsonObject FoundObject(const TLineOptions &line, const TBoardFound &found)
{
    QJsonObject object{{QStringLiteral("unit"), found.Unit},
                       {QStringLiteral("firmware"), live::VersionNumberText(found.Version)},
                       {QStringLiteral("board_number"), found.BoardNumber}};
    if (line.Serial) {
        object.insert(QStringLiteral("device"), line.Device);
        object.insert(QStringLiteral("baud"), found.Setting.BaudRate);
        const QString parity = KnownParity(line, found);
        object.insert(QStringLiteral("parity"), parity.isEmpty() ? QJsonValue() : QJsonValue(parity));
        object.insert(QStringLiteral("data_bits"), static_cast<int>(line.DataBits));
        object.insert(QStringLiteral("stop_bits"), line.StopBits == QSerialPort::TwoStop ? 2 : 1);
    } else {
        object.insert(QStringLiteral("host"), line.Host);
        object.insert(QStringLiteral("port"), line.Port);
    }
    return object;
}
}  // namespace

TExitStatus RunScan(const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    const TLineOptions &line = *options.Line;
    const auto given = [&](const char *option) { return options.Given.contains(QLatin1String(option)); };
    TSearchPlan plan;
    plan.Line = line;
    plan.Settings = TBoardSearch::SerialSettings({line.BaudRate, line.Parity}, given("--baud"), given("--parity"));
    plan.Units = given("--unit") ? QList<quint8>{line.Unit} : TBoardSearch::Units(line.Unit);
    plan.All = options.All;
    if (given("--timeout"))
        plan.TimeoutMs = line.TimeoutMs;

    TBoardSearch search;
    const bool terminal = isatty(fileno(err)) != 0;
    QString lastSetting;
    QObject::connect(&search, &TBoardSearch::Progress, [&](const QString &what) {
        if (terminal) {
            std::fprintf(err, "\r\033[K[%d/%d] %s", search.Done() + 1, search.Total(), qPrintable(what));
            std::fflush(err);
            return;
        }
        // Not a terminal: one line for each line setting tried.
        const QString setting = what.section(QLatin1String(" at "), 1);
        if (setting != lastSetting && (line.Serial || lastSetting.isEmpty()))
            std::fprintf(err, "Trying %s\n", qPrintable(setting));
        lastSetting = setting;
    });
    QObject::connect(&search, &TBoardSearch::BoardFound, [&](const TBoardFound &found) {
        std::fprintf(err, "%sFound: %s\n", terminal ? "\r\033[K" : "", qPrintable(search.FoundText(found)));
        if (line.Serial && KnownParity(line, found).isEmpty())
            std::fprintf(err,
                         "z4ctl: %s is a pseudo-terminal, which cannot tell even parity from none: the board "
                         "answered, but its parity may be E or N (--parity is left out)\n",
                         qPrintable(line.Device));
    });

    TStopSignals stop;
    search.Start(plan);
    while (search.Running()) {
        if (!stop.WaitUntil(QDeadlineTimer(100))) {
            search.Cancel();
            QEventLoop loop;
            QObject::connect(&search, &TBoardSearch::Finished, &loop, &QEventLoop::quit);
            if (search.Running())
                loop.exec();
        }
    }
    if (terminal)
        std::fputs("\r\033[K", err);

    const QList<TBoardFound> &found = search.Found();
    const TExitStatus status = found.isEmpty() ? kExitLink : kExitDone;
    QString failure = search.Error();
    if (failure.isEmpty() && stop.Requested())
        failure = QStringLiteral("scan stopped after %1 of %2 probes").arg(search.Done()).arg(search.Total());
    else if (failure.isEmpty() && found.isEmpty())
        failure = QStringLiteral("no board answered on %1 (%2 probes)")
                      .arg(line.Serial ? line.Device : line.Host)
                      .arg(search.Total());
    if (options.Json) {
        QJsonArray boards;
        for (const TBoardFound &board : found)
            boards.append(FoundObject(line, board));
        QJsonObject result{{QStringLiteral("found"), boards}};
        if (stop.Requested())
            result.insert(QStringLiteral("stopped"), true);
        if (!failure.isEmpty())
            result.insert(QStringLiteral("error"), failure);
        if (status != kExitDone) {
            result.insert(QStringLiteral("command"), QStringLiteral("scan"));
            result.insert(QStringLiteral("exit_status"), status);
        }
        std::fputs(QJsonDocument(result).toJson(QJsonDocument::Compact).constData(), out);
        std::fputc('\n', out);
    } else {
        for (const TBoardFound &board : found)
            std::fprintf(out, "%s\n", qPrintable(LineOptions(line, board)));
    }
    if (!failure.isEmpty())
        std::fprintf(err, "z4ctl: %s\n", qPrintable(failure));
    std::fflush(out);
    return status;
}
