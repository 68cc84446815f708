// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliBoard.h"

#include "config/ConfigChains.h"
#include "config/DefinitionFile.h"
#include "link/ModbusExceptions.h"
#include "monitor/LiveDecoders.h"
#include "monitor/TrafficText.h"
#include "report/ReportReader.h"
#include "session/TBoardLine.h"

#include <QAbstractSocket>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// Runs the event loop until done() holds, checking it after every event batch that quits it.
template <typename Done>
void RunUntil(QEventLoop &loop, Done done)
{
    while (!done())
        loop.exec();
}

// The progress of a long chain on stderr, only when a person watches it there.
class TProgressLine
{
public:
    explicit TProgressLine(const char *what) : m_what(what), m_shown(isatty(STDERR_FILENO) != 0) {}
    ~TProgressLine()
    {
        if (m_shown && m_percent >= 0)
            std::fputs("\n", stderr);
    }
    // A line of its own, the progress shown again below it.
    void Note(const QString &note)
    {
        std::fprintf(stderr, "%sz4ctl: %s\n", m_shown && m_percent >= 0 ? "\n" : "", qPrintable(note));
        if (m_shown && m_percent >= 0)
            std::fprintf(stderr, "%s %3d%%", m_what, m_percent);
        std::fflush(stderr);
    }
    void Show(int percent)
    {
        if (!m_shown || percent == m_percent)
            return;
        m_percent = percent;
        std::fprintf(stderr, "\r%s %3d%%", m_what, percent);
        std::fflush(stderr);
    }

private:
    const char *m_what;
    bool m_shown;
    int m_percent = -1;
};

}  // namespace

// The trace needs each record only as it comes, so one slot is all the ring keeps.
TCliBoard::TCliBoard(const TLineOptions &line) : m_model(line.Trace ? 1 : 0), m_line(line)
{
    // One attempt: a script wants the failure, not a retry every ten seconds.
    TBoardLine &boardLine = m_model.Line();
    boardLine.SetRetrying(false);
    boardLine.SetSettings(line);
    m_client = &boardLine.Client();
    QObject::connect(m_client, &TModbusClient::OnLineError, m_client,
                     [this](const QString &message) { m_lineError = Described(message); });
    if (line.Trace) {
        // A definition that cannot be read leaves the items named by their numbers; the command
        // itself says what is wrong with it.
        TConfigImages images;
        QString unread;
        ReadDefinitionFile(line.TraceDefinition.isEmpty() ? StandardDefinitionPath() : line.TraceDefinition, images,
                           &unread);
        m_trace = std::make_unique<TTrafficNames>(images.BoardImage);
        QObject::connect(&m_model.Traffic(), &TTrafficLog::RecordAdded, m_client, [this](const TTrafficRecord &record) {
            std::fprintf(stderr, "%s\n", m_trace->Decode(record).Text().toUtf8().constData());
            std::fflush(stderr);
        });
    }
}

TCliBoard::~TCliBoard()
{
    m_client->ForgetClosures();
    m_model.Line().Close();
}

bool TCliBoard::Fail(TExitStatus status, const QString &why)
{
    m_status = status;
    m_error = why;
    return false;
}

QString TCliBoard::Described(const QString &lineError)
{
    m_reachError = false;
    if (m_line.Serial)
        return lineError;
    // The client's device has just had the error on its socket, which gives it in a word.
    for (const QAbstractSocket *socket : m_client->findChildren<QAbstractSocket *>()) {
        const QAbstractSocket::SocketError error = socket->error();
        if (error == QAbstractSocket::UnknownSocketError || !lineError.contains(socket->errorString()))
            continue;
        if (error == QAbstractSocket::ConnectionRefusedError)
            return QStringLiteral("cannot connect to %1: the connection was refused").arg(m_line.Name());
        if (error == QAbstractSocket::RemoteHostClosedError)
            return lineError;
        m_reachError = true;
        return Unreachable(socket->errorString());
    }
    return lineError;
}

QString TCliBoard::Unreachable(const QString &reason) const
{
    return QStringLiteral("cannot reach host %1 (port %2): %3").arg(m_line.Host).arg(m_line.Port).arg(reason);
}

QString TCliBoard::LostLine(const QString &why) const
{
    if (m_line.Serial || m_client->IsOpen())
        return why;
    if (m_reachError)
        return m_lineError;
    // A fresh connection that never came up says nothing: the host did not answer it.
    if (m_lineError.isEmpty() && m_client->GetCounters().Resyncs > m_answeredResyncs)
        return Unreachable(QStringLiteral("no answer to a new connection within %1 ms").arg(m_line.TimeoutMs));
    return why;
}

bool TCliBoard::Open()
{
    m_lineError.clear();
    m_reachError = false;
    TBoardLine &line = m_model.Line();
    const auto settled = [&line] { return line.State() == TLineState::Waiting || line.State() == TLineState::Closed; };
    QEventLoop loop;
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(&line, &TBoardLine::StateChanged, &loop, [&] {
        if (settled())
            loop.quit();
    });
    // The line gives a connection attempt one request's time; a little more leaves it its turn.
    guard.start(m_line.TimeoutMs + 1000);
    line.Open();
    RunUntil(loop, [&] { return settled() || timedOut; });
    if (line.State() == TLineState::Waiting) {
        m_answeredResyncs = m_client->GetCounters().Resyncs;
        return true;
    }
    const QString reason = line.Status().Reason;
    line.Close();
    if (!reason.isEmpty() && line.State() == TLineState::Closed)
        return Fail(kExitLink, reason);
    return Fail(kExitLink, QStringLiteral("no connection to %1 within %2 ms").arg(LineName()).arg(m_line.TimeoutMs));
}

bool TCliBoard::Request(const std::function<void(TRequestHandlers)> &send, TExitStatus refusedStatus,
                        const QString &refused, std::optional<TModbusAnswer> &answer)
{
    if (!m_model.Session().Connected() || !m_client->IsOpen())
        return Fail(kExitLink, QStringLiteral("the line to %1 is closed").arg(LineName()));
    QEventLoop loop;
    bool done = false;
    bool answered = false;
    m_refused = false;
    const auto finish = [&] {
        done = true;
        loop.quit();
    };
    const auto heard = [&] {
        m_lineError.clear();
        m_reachError = false;
        m_answeredResyncs = m_client->GetCounters().Resyncs;
    };
    send({.OnReply =
              [&](const TModbusAnswer &reply) {
                  heard();
                  answer = reply;
                  answered = true;
                  finish();
              },
          .OnRefused =
              [&](const TModbusAnswer &reply) {
                  heard();
                  m_refused = true;
                  Fail(refusedStatus, QStringLiteral("%1 (%2)").arg(refused, ExceptionText(reply.ExceptionCode)));
                  finish();
              },
          .OnFailed =
              [&] {
                  Fail(kExitLink, LostLine(m_client->LastFailure()));
                  finish();
              }});
    RunUntil(loop, [&] { return done; });
    return answered;
}

std::optional<TModbusAnswer> TCliBoard::Read(quint16 start, quint16 count)
{
    std::optional<TModbusAnswer> answer;
    Request([&](TRequestHandlers handlers) { m_model.Session().Read(start, count, std::move(handlers)); }, kExitLink,
            QStringLiteral("the board refused reading %1 registers from 0x%2")
                .arg(count)
                .arg(start, 4, 16, QLatin1Char('0')),
            answer);
    return answer;
}

bool TCliBoard::Write(quint16 address, quint16 word)
{
    std::optional<TModbusAnswer> answer;
    return Request(
        [&](TRequestHandlers handlers) {
            handlers.Cause = TWriteCause::Command;
            handlers.What = QStringLiteral("0x%1 (z4ctl write)").arg(address, 4, 16, QLatin1Char('0'));
            m_model.Session().WriteSingle(address, word, std::move(handlers));
        },
        kExitRefused, QStringLiteral("the board refused writing 0x%1").arg(address, 4, 16, QLatin1Char('0')), answer);
}

bool TCliBoard::ReadVersion()
{
    const auto answer = Read(live::kVersionRead.Start, live::kVersionRead.Count);
    if (!answer)
        return false;
    const auto block = live::DecodeVersionBlock(answer->Registers);
    if (!block)
        return Fail(kExitLink, QStringLiteral("the board's version answer is too short"));
    m_model.Live().FirmwareVersion = block->Version;
    m_model.Live().FirmwareRev12 = block->Rev12;
    return true;
}

bool TCliBoard::RunChain(TConfigChains &chains, const char *what,
                         const std::function<QString(const QString &why)> &abortedText,
                         void (TConfigChains::*chain)(std::function<void()>))
{
    TProgressLine progress(what);
    QEventLoop loop;
    bool done = false;
    bool aborted = false;
    chains.OnProgress = [&](int percent) { progress.Show(percent); };
    chains.OnNote = [&](const QString &note) { progress.Note(note); };
    chains.OnAborted = [&](const QString &why) {
        Fail(kExitLink, abortedText(LostLine(why)));
        aborted = true;
        loop.quit();
    };
    chains.OnStopped = [&] { chains.OnAborted(QString()); };
    (chains.*chain)([&] {
        done = true;
        loop.quit();
    });
    RunUntil(loop, [&] { return done || aborted; });
    return done;
}

bool TCliBoard::ReadConfiguration(TConfigImages &images)
{
    TConfigChains chains(m_model.Session(), images);
    return RunChain(
        chains, "reading the board", [](const QString &why) { return QStringLiteral("transfer aborted: %1").arg(why); },
        &TConfigChains::BoardReadChain);
}

bool TCliBoard::ReadReport(TReportData &data, const TConfigImages &images, const QString &reference)
{
    TProgressLine progress("reading the board");
    TReportReader reader(m_model.Session(), images);
    reader.SetReference(reference);
    reader.OnProgress = [&](int percent) { progress.Show(percent); };
    QEventLoop loop;
    bool done = false;
    bool failed = false;
    reader.Start(
        data,
        [&] {
            done = true;
            loop.quit();
        },
        [&](const QString &why) {
            Fail(kExitLink, QStringLiteral("no report: %1").arg(LostLine(why)));
            failed = true;
            loop.quit();
        });
    RunUntil(loop, [&] { return done || failed; });
    return done;
}

void TCliBoard::StopWritingNow()
{
    if (m_writing)
        m_writing->StopNow();
}

bool TCliBoard::WriteConfiguration(TConfigImages &images, std::function<bool()> stopWhen)
{
    TConfigChains chains(m_model.Session(), images);
    QStringList refusal;
    const QString check = QStringLiteral("run z4ctl verify");
    chains.OnWriteRefused = [&](const ConfigItem &item, quint8 exceptionCode) {
        refusal = QStringList{QStringLiteral("the board refused [%1] %2 (%3): the items after it were "
                                             "not written.")
                                  .arg(item.Section, item.Ident, ExceptionText(exceptionCode))}
                  + chains.WrittenSoFar(check);
    };
    chains.StopWhen = std::move(stopWhen);
    m_writing = &chains;
    const bool done = RunChain(
        chains, "writing the board",
        [&](const QString &why) {
            const QString first = why.isEmpty() ? QStringLiteral("load stopped before its end.")
                                                : QStringLiteral("transfer aborted: %1.").arg(why);
            return (QStringList{first} + chains.WrittenSoFar(check)).join(QLatin1Char('\n'));
        },
        &TConfigChains::BoardWriteChain);
    m_writing = nullptr;
    m_itemsWritten = chains.ChainIndex();
    if (!refusal.isEmpty())
        return Fail(kExitRefused, refusal.join(QLatin1Char('\n')));
    return done;
}
