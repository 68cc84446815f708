// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ReportReader.h"

#include "config/ConfigFile.h"
#include "link/ModbusExceptions.h"
#include "monitor/LiveDecoders.h"
#include "session/TBoardSession.h"

#include <QFileInfo>

namespace {
// The configuration is the bulk of the reading: the percent it takes of the progress.
constexpr int kConfigurationPercent = 90;
}  // namespace

TReportReader::TReportReader(TBoardSession &session, const TConfigImages &definition)
    : m_session(session), m_images(definition)
{
}

void TReportReader::Start(TReportData &data, std::function<void()> done, std::function<void(const QString &)> failed)
{
    m_data = &data;
    m_done = std::move(done);
    m_failed = std::move(failed);
    m_running = true;
    m_stopping = false;
    m_steps.clear();
    m_step = 0;
    if (OnProgress)
        OnProgress(0);
    ReadVersion();
}

bool TReportReader::LineOpen(const QString &what)
{
    if (m_stopping) {
        Fail(QStringLiteral("stopped"));
        return false;
    }
    if (!m_session.Connected() || !m_session.ActiveClient()) {
        Fail(QStringLiteral("the line is closed; %1 was not read").arg(what));
        return false;
    }
    return true;
}

void TReportReader::Read(quint16 start, quint16 count, std::function<void(const QList<quint16> &)> take, int sends)
{
    const QString what = QStringLiteral("%1 registers from 0x%2").arg(count).arg(start, 4, 16, QLatin1Char('0'));
    if (!LineOpen(what))
        return;
    std::weak_ptr<int> alive = m_alive;
    const bool last = sends >= TConfigChains::kMaxRepeats;
    m_session.Read(start, count,
                   {.OnReply =
                        [this, alive, count, take, what](const TModbusAnswer &answer) {
                            if (alive.expired() || !m_running)
                                return;
                            if (answer.Registers.size() != count) {
                                Fail(QStringLiteral("the board's answer to reading %1 does not fit").arg(what));
                                return;
                            }
                            take(answer.Registers);
                        },
                    .OnRefused =
                        [this, alive, what](const TModbusAnswer &answer) {
                            if (alive.expired() || !m_running)
                                return;
                            Fail(QStringLiteral("the board refused reading %1 (%2)")
                                     .arg(what, ExceptionText(answer.ExceptionCode)));
                        },
                    .OnFailed =
                        [this, alive, what, start, count, take, sends, last] {
                            if (alive.expired() || !m_running)
                                return;
                            if (!last) {
                                Read(start, count, take, sends + 1);
                                return;
                            }
                            const QString why =
                                m_session.ActiveClient() ? m_session.ActiveClient()->LastFailure() : QString();
                            Fail(QStringLiteral("no answer to reading %1%2")
                                     .arg(what, why.isEmpty() ? QString() : QStringLiteral(": ") + why));
                        },
                    // The communication-error window waits for the last try.
                    .FinalFailure = [last] { return last; },
                    .Repeat = sends > 0});
}

void TReportReader::ReadVersion()
{
    Read(live::kVersionRead.Start, live::kVersionRead.Count, [this](const QList<quint16> &words) {
        m_data->Version = words;
        ReadConfiguration();
    });
}

void TReportReader::ReadConfiguration()
{
    const auto version = live::DecodeVersionBlock(m_data->Version);
    m_images.ActiveItemCount = m_images.ItemsFor(version && version->Rev12);
    if (!m_referencePath.isEmpty()) {
        TConfigImages reference = m_images;
        QString why;
        if (!ReadConfigFile(m_referencePath, reference, version && version->Rev12, &why)) {
            Fail(why);
            return;
        }
        m_data->Reference =
            TReportReference{QFileInfo(m_referencePath).fileName(), reference.FileImage, reference.ActiveItemCount};
    }
    m_chains = std::make_unique<TConfigChains>(m_session, m_images);
    m_chains->StopWhen = [this] { return m_stopping; };
    m_chains->OnStopped = [this] { Fail(QStringLiteral("stopped")); };
    m_chains->OnAborted = [this](const QString &why) { Fail(why); };
    m_chains->OnProgress = [this](int percent) {
        if (OnProgress)
            OnProgress(percent * kConfigurationPercent / 100);
    };
    if (!LineOpen(QStringLiteral("the configuration")))
        return;
    m_chains->BoardReadChain([this, version] {
        m_data->Board = m_images.BoardImage;
        m_data->Items = m_images.ActiveItemCount;
        TReportData &data = *m_data;
        if (version && version->HasSeries)
            m_steps.push_back({board::Series, 1, [&data](const QList<quint16> &w) { data.Series = w.front(); }});
        m_steps.push_back(
            {board::InputStatus, kInputStatusCount, [&data](const QList<quint16> &w) { data.InputStatus = w; }});
        m_steps.push_back(
            {board::PressureLimit, kPressureCount, [&data](const QList<quint16> &w) { data.Pressure = w; }});
        m_steps.push_back(
            {board::CalibrationMode, 1, [&data](const QList<quint16> &w) { data.CalibrationMode = w.front(); }});
        m_steps.push_back({live::kStatusRead.Start, live::kStatusRead.Count, [&data](const QList<quint16> &w) {
                               data.Status = w;
                               data.PcTime = QDateTime::currentDateTime();
                           }});
        m_steps.push_back({live::kColumnARead.Start, live::kColumnARead.Count,
                           [&data](const QList<quint16> &w) { data.ColumnA = w; }});
        m_steps.push_back({live::kRegulationModeRead.Start, live::kRegulationModeRead.Count,
                           [&data](const QList<quint16> &w) { data.RegulationMode = w; }});
        m_steps.push_back({live::kHeatRecoveryRead.Start, live::kHeatRecoveryRead.Count,
                           [&data](const QList<quint16> &w) { data.HeatRecovery = w; }});
        m_step = 0;
        Next();
    });
}

void TReportReader::Next()
{
    if (m_step == m_steps.size()) {
        Finish();
        return;
    }
    if (OnProgress)
        OnProgress(kConfigurationPercent
                   + static_cast<int>(m_step) * (100 - kConfigurationPercent) / static_cast<int>(m_steps.size()));
    const TStep &step = m_steps[m_step];
    Read(step.Start, step.Count, [this](const QList<quint16> &words) {
        m_steps[m_step].Take(words);
        ++m_step;
        Next();
    });
}

void TReportReader::Fail(const QString &why)
{
    if (!m_running)
        return;
    m_running = false;
    if (m_failed)
        m_failed(why);
}

void TReportReader::Finish()
{
    m_running = false;
    if (OnProgress)
        OnProgress(100);
    if (m_done)
        m_done();
}
