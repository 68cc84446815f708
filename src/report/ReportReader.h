// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigChains.h"
#include "config/ConfigItem.h"
#include "report/ReportData.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TBoardSession;
struct TModbusAnswer;

// Reads everything a report holds from the board through the session, as a request chain: the
// firmware version first (it decides the items), the configuration in block reads as Save reads
// it, the series, the calibration registers, and one poll cycle's live blocks last, so that the
// live state is as close to the end of the reading as it can be. It ends in exactly one way: done,
// or failed with why in words (a refused read, no answer, the line closed or lost, stopped).
class TReportReader
{
public:
    // definition: the images as the definition file shaped them (sections, keys, registers).
    TReportReader(TBoardSession &session, const TConfigImages &definition);
    TReportReader(const TReportReader &) = delete;
    TReportReader &operator=(const TReportReader &) = delete;

    // A configuration file to set beside the board's values, read once the firmware version is
    // known (it decides the items compared); a file refused fails the report, saying why.
    void SetReference(const QString &path) { m_referencePath = path; }
    // Fills data (its Board, Items and the board's words) and calls done, or failed.
    void Start(TReportData &data, std::function<void()> done, std::function<void(const QString &why)> failed);
    // Ends the running read at its next step, through failed("stopped").
    void Stop() { m_stopping = true; }
    bool Running() const { return m_running; }

    // Percent of the reading done, after each step.
    std::function<void(int percent)> OnProgress;

private:
    struct TStep
    {
        quint16 Start;
        quint16 Count;
        std::function<void(const QList<quint16> &)> Take;
    };

    void ReadVersion();
    void ReadConfiguration();
    void Next();
    void Fail(const QString &why);
    void Finish();
    // Reads start/count; take gets the answer's words. A read without an answer is sent again up to
    // TConfigChains::kMaxRepeats times (sends: how often it went out already), as Save's reads are;
    // then, or when refused, it fails the report.
    void Read(quint16 start, quint16 count, std::function<void(const QList<quint16> &)> take, int sends = 0);
    bool LineOpen(const QString &what);

    TBoardSession &m_session;
    TConfigImages m_images;
    QString m_referencePath;
    std::unique_ptr<TConfigChains> m_chains;
    TReportData *m_data = nullptr;
    std::vector<TStep> m_steps;
    size_t m_step = 0;
    bool m_running = false;
    bool m_stopping = false;
    std::function<void()> m_done;
    std::function<void(const QString &)> m_failed;
    // Answers that arrive after this object is gone find the token expired and do nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
