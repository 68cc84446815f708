// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliOptions.h"
#include "link/TModbusClient.h"
#include "session/TBoardModel.h"

#include <functional>
#include <memory>
#include <optional>

class TConfigChains;
class TTrafficNames;
struct TConfigImages;
struct TReportData;

// One board behind the line of the command line, driven to completion one step at a time: each
// call runs the event loop until its requests have had their outcomes. What failed is kept in
// Error() with the exit status it calls for.
class TCliBoard
{
public:
    explicit TCliBoard(const TLineOptions &line);
    TCliBoard(const TCliBoard &) = delete;
    TCliBoard &operator=(const TCliBoard &) = delete;
    ~TCliBoard();

    // Opens the line, again too after it was lost; false when it does not come up within the
    // request timeout.
    bool Open();
    bool Connected() { return m_model.Session().Connected(); }
    // One block read; nothing when it was refused or got no valid answer.
    std::optional<TModbusAnswer> Read(quint16 start, quint16 count);
    // One single-register write; false when the board refused it (kExitRefused) or did not answer.
    bool Write(quint16 address, quint16 word);
    // Reads the firmware version into the live state (which decides the items of a transfer).
    bool ReadVersion();
    // The configuration of items 0 .. images.ActiveItemCount-1 into images.BoardImage.
    bool ReadConfiguration(TConfigImages &images);
    // Everything a report holds into data (TReportReader), the items shaped by images' definition
    // and, when reference is given, that configuration file set beside them.
    bool ReadReport(TReportData &data, const TConfigImages &images, const QString &reference);
    // images.FileImage to the board. On a refusal, a lost line or a stop, Error() also says what was
    // written. stopWhen, asked before each write, ends the writes after the one on the line.
    bool WriteConfiguration(TConfigImages &images, std::function<bool()> stopWhen = {});
    // Ends a running WriteConfiguration at once, the write on the line counted as sent with its
    // outcome unknown; Error() says what was written.
    void StopWritingNow();
    // The items the last WriteConfiguration wrote (answered), whole or not.
    qint32 ItemsWritten() const { return m_itemsWritten; }

    TBoardModel &Model() { return m_model; }
    QString Error() const { return m_error; }
    // The last request was refused by the board (an exception answer), rather than unanswered.
    bool Refused() const { return m_refused; }
    TExitStatus ErrorStatus() const { return m_status; }
    QString LineName() const { return m_client->LineName(); }

private:
    bool Fail(TExitStatus status, const QString &why);
    // A line error of the client in words: for TCP, a refused connection or a host that cannot be
    // reached, named so (the TCP client reports both as a connection error).
    QString Described(const QString &lineError);
    // why; but when the TCP line is down because the client could not connect afresh (as it does
    // after a request without an answer), that the host could not be reached.
    QString LostLine(const QString &why) const;
    // "cannot reach host HOST (port N): reason".
    QString Unreachable(const QString &reason) const;
    // Runs chain of chains to its end with its progress on stderr; false when it was aborted, after
    // Fail with abortedText of why, or stopped, after Fail with abortedText of an empty why.
    bool RunChain(TConfigChains &chains, const char *what,
                  const std::function<QString(const QString &why)> &abortedText,
                  void (TConfigChains::*chain)(std::function<void()>));
    // Runs one request to its outcome; false when the line is closed or the request had no answer.
    // refused is what an exception answer fails with.
    bool Request(const std::function<void(TRequestHandlers)> &send, TExitStatus refusedStatus, const QString &refused,
                 std::optional<TModbusAnswer> &answer);

    std::unique_ptr<TTrafficNames> m_trace;  // --trace: names for the lines on stderr; outlives the clients
    TBoardModel m_model;
    TModbusClient *m_client;
    const TLineOptions m_line;
    QString m_lineError;            // what the client said last about its line since it last answered, in words
    bool m_refused = false;         // the last request's outcome was a refusal
    bool m_reachError = false;      // m_lineError says the TCP host could not be reached
    quint64 m_answeredResyncs = 0;  // the client's reconnections when it last answered
    QString m_error;
    TExitStatus m_status = kExitDone;
    qint32 m_itemsWritten = 0;
    TConfigChains *m_writing = nullptr;  // the write chain WriteConfiguration runs
};
