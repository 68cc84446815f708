// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliRecord.h"

#include "cli/CliBoard.h"
#include "cli/StopSignals.h"
#include "monitor/TPoll.h"
#include "record/RecordingCsv.h"
#include "record/RecordingsFolder.h"
#include "record/TRecorder.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <unistd.h>

namespace {

constexpr int kPeriodMs = 1000;

QString SizeText(qint64 bytes)
{
    return bytes < 10 * 1024 * 1024 ? QStringLiteral("%1 kB").arg((bytes + 1023) / 1024)
                                    : QStringLiteral("%1 MB").arg(static_cast<double>(bytes) / 1024 / 1024, 0, 'f', 1);
}

bool OpenRecording(rec::TRecordingReader &reader, const QString &path, QString *error)
{
    if (reader.Open(path))
        return true;
    *error = reader.Error();
    return false;
}

}  // namespace

TExitStatus RunRecord(const TCliOptions &options, std::FILE *err, QString *error)
{
    const QString path = options.Arguments[0];
    if (QFileInfo::exists(path)) {
        *error = QStringLiteral("%1 exists already: a recording is always a new file").arg(path);
        return kExitUsage;
    }
    TCliBoard board(*options.Line);
    if (!board.Open()) {
        *error = board.Error();
        return board.ErrorStatus();
    }
    TBoardModel &model = board.Model();
    TPoll poll(model.Session(), model.Live());
    TRecorder recorder(poll, model.Session());
    recorder.WatchLine(model.Line());
    const QDateTime start = QDateTime::currentDateTime();
    rec::TRecordingInfo info;
    info.Address = model.Session().SlaveAddress();
    info.Line = model.Line().Status().Line;
    info.Tool = VersionText().section(QLatin1Char(' '), 1);
    info.StartMs = start.toMSecsSinceEpoch();
    info.OffsetSeconds = start.offsetFromUtc();
    if (!recorder.Start(path, info)) {
        *error = recorder.Error();
        return kExitUsage;
    }
    QString failure;
    QObject::connect(&recorder, &TRecorder::Stopped, [&failure](const QString &, const QString &why) {
        if (!why.isEmpty())
            failure = why;
    });
    poll.LineUp();  // the firmware first, then a cycle a second

    TStopSignals stop;
    const bool tty = ::isatty(::fileno(err));
    const QDeadlineTimer end = options.DurationS > 0 ? QDeadlineTimer(std::chrono::seconds(options.DurationS))
                                                     : QDeadlineTimer(QDeadlineTimer::Forever);
    QDeadlineTimer next(0);
    std::fprintf(err, "z4ctl: recording to %s; Ctrl+C ends it\n", qPrintable(path));
    qint64 shown = -1;
    while (recorder.Running()) {
        const QDeadlineTimer wait = next.deadline() < end.deadline() ? next : end;
        if (!stop.WaitUntil(wait) || end.hasExpired())
            break;
        next = QDeadlineTimer(kPeriodMs);
        // A line lost is opened again; the recording says so and goes on.
        if (!model.Session().Connected())
            board.Open();
        poll.Tick();
        const qint64 samples = recorder.Samples();
        if (samples != shown && (tty || samples % 60 == 0)) {
            std::fprintf(err, "%sz4ctl: %lld samples, %s%s", tty ? "\r" : "", static_cast<long long>(samples),
                         qPrintable(SizeText(recorder.Size())), tty ? "   " : "\n");
            std::fflush(err);
            shown = samples;
        }
    }
    const qint64 samples = recorder.Samples();
    recorder.Stop();
    if (tty)
        std::fprintf(err, "\n");
    if (!failure.isEmpty()) {
        *error = QStringLiteral("the recording stopped: %1").arg(failure);
        return kExitUsage;
    }
    std::fprintf(err, "z4ctl: %s: %lld samples, %s\n", qPrintable(path), static_cast<long long>(samples),
                 qPrintable(SizeText(rec::RecordingSize(path))));
    return kExitDone;
}

TExitStatus RunExport(const TCliOptions &options, std::FILE *out, std::FILE *err, QString *error)
{
    if (options.Arguments.size() > 2) {
        *error = QStringLiteral("export takes a recording and at most one CSV file");
        return kExitUsage;
    }
    rec::TRecordingReader reader;
    if (!OpenRecording(reader, options.Arguments[0], error))
        return kExitUsage;
    qint64 count = 0;
    if (options.Arguments.size() < 2) {
        QFile stdOut;
        if (!stdOut.open(out, QIODevice::WriteOnly))
            return kExitUsage;
        if (!rec::WriteCsv(reader, reader.FirstMs(), reader.LastMs(), stdOut, &count, error))
            return kExitUsage;
    } else {
        const QString target = options.Arguments[1];
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("%1 cannot be written: %2").arg(target, file.errorString());
            return kExitUsage;
        }
        if (!rec::WriteCsv(reader, reader.FirstMs(), reader.LastMs(), file, &count, error))
            return kExitUsage;
        if (!file.commit()) {
            *error = QStringLiteral("%1 cannot be written: %2").arg(target, file.errorString());
            return kExitUsage;
        }
        std::fprintf(err, "z4ctl: %lld samples written to %s (%s)\n", static_cast<long long>(count), qPrintable(target),
                     qPrintable(SizeText(QFileInfo(target).size())));
    }
    return kExitDone;
}

TExitStatus RunEvents(const TCliOptions &options, std::FILE *out, QString *error)
{
    rec::TRecordingReader reader;
    if (!OpenRecording(reader, options.Arguments[0], error))
        return kExitUsage;
    const std::vector<rec::TEvent> events = reader.Events();
    if (!reader.Error().isEmpty()) {
        *error = reader.Error();
        return kExitUsage;
    }
    if (options.Json) {
        QJsonArray list;
        for (const rec::TEvent &event : events) {
            QJsonObject object{
                {QStringLiteral("time"), QDateTime::fromMSecsSinceEpoch(event.Ms).toString(Qt::ISODateWithMs)},
                {QStringLiteral("kind"), event.Kind},
                {QStringLiteral("text"), event.Text}};
            if (event.Register)
                object.insert(QStringLiteral("register"), *event.Register);
            if (event.Old)
                object.insert(QStringLiteral("old"), *event.Old);
            if (event.New)
                object.insert(QStringLiteral("new"), *event.New);
            if (event.Cause != rec::TCause::None)
                object.insert(QStringLiteral("cause"), rec::CauseText(event.Cause));
            list.append(object);
        }
        const QJsonObject all{{QStringLiteral("file"), options.Arguments[0]},
                              {QStringLiteral("line"), reader.Info().Line},
                              {QStringLiteral("events"), list}};
        std::fprintf(out, "%s\n", QJsonDocument(all).toJson(QJsonDocument::Compact).constData());
        return kExitDone;
    }
    for (const rec::TEvent &event : events) {
        QString line =
            QStringLiteral("%1  %2  %3").arg(rec::LocalTimeText(event.Ms), event.Kind.leftJustified(8), event.Text);
        if (event.Register) {
            line += QStringLiteral("  [0x%1: %2%3, %4]")
                        .arg(*event.Register, 4, 16, QLatin1Char('0'))
                        .arg(event.Old ? QStringLiteral("%1 -> ").arg(*event.Old) : QString())
                        .arg(event.New ? QString::number(*event.New) : QString())
                        .arg(rec::CauseText(event.Cause));
        }
        std::fprintf(out, "%s\n", qPrintable(line));
    }
    return kExitDone;
}
