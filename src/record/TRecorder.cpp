// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/TRecorder.h"

#include "config/ValueText.h"
#include "monitor/StateNames.h"
#include "monitor/TPoll.h"

#include <QDateTime>
#include <QDir>

#include <cmath>

namespace rec {

namespace {

constexpr int kOperatingMode = 18;  // the configuration item of the unit's mode

QString OnOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

}  // namespace

std::vector<TEvent> StatusEvents(const std::optional<live::StatusBlock> &before, const live::StatusBlock &now,
                                 qint64 ms)
{
    std::vector<TEvent> events;
    const auto add = [&](const char *kind, const QString &text) {
        events.push_back({ms, QLatin1String(kind), text, {}, {}, {}, TCause::None});
    };
    // The stop causes: DIN1-8 and AIN1-8 in the stop word, AIN9-10 in the pressure stop word.
    const auto stops = [](const live::StatusBlock &b) {
        return static_cast<quint32>(b.StopFlags) | static_cast<quint32>(b.PressureStopFlags & 0x3) << 16;
    };
    const quint32 stopsNow = stops(now);
    const quint32 stopsBefore = before ? stops(*before) : 0;
    for (int bit = 0; bit < 18; ++bit) {
        const bool on = stopsNow >> bit & 1;
        if (on == static_cast<bool>(stopsBefore >> bit & 1))
            continue;
        const QString cause = bit < 8 ? QStringLiteral("DIN%1 (%2)").arg(bit + 1).arg(live::DigitalInputName(bit + 1))
                                      : QStringLiteral("AIN%1 (%2)").arg(bit - 7).arg(live::InputName(bit - 7));
        add("stop",
            (on ? QStringLiteral("Stop cause %1 appeared") : QStringLiteral("Stop cause %1 cleared")).arg(cause));
    }
    if (now.StopCode != (before ? before->StopCode : 0)) {
        const QString caption = live::StopCodeCaption(now.StopCode);
        add("stop", now.StopCode == 0   ? QStringLiteral("Stop code cleared")
                    : caption.isEmpty() ? QStringLiteral("Stop code %1").arg(now.StopCode)
                                        : QStringLiteral("Stop code: %1").arg(caption));
    }
    for (const auto &[bit, name] :
         {std::pair{live::kDin3WarningBit, "DIN3 Warning"}, std::pair{live::kHcWarningBit, "HC Warning"}}) {
        const bool on = now.DigitalInput(bit);
        if (on != (before && before->DigitalInput(bit)))
            add("warning", QStringLiteral("%1 %2").arg(QLatin1String(name), OnOff(on)));
    }
    if (!before || now.Running != before->Running)
        add("run", now.Running ? QStringLiteral("Unit running") : QStringLiteral("Unit stopped"));
    if (!before || now.Auto != before->Auto)
        add("mode", QStringLiteral("Mode: %1").arg(values::ItemText(kOperatingMode, 0, now.Auto ? 1 : 0)));
    if (!before || now.Winter != before->Winter)
        add("season", QStringLiteral("Season: %1")
                          .arg(values::ListItems(QStringLiteral("SeasonColumnComboBox")).value(now.Winter ? 1 : 0)));
    if (!before || now.Hearth != before->Hearth)
        add("hearth", QStringLiteral("Hearth %1").arg(OnOff(now.Hearth)));
    return events;
}

std::vector<TEvent> WriteEvents(const TWriteNote &note, qint64 ms)
{
    const TCause cause = note.Cause == TWriteCause::Load      ? TCause::Load
                         : note.Cause == TWriteCause::Command ? TCause::Command
                                                              : TCause::Edit;
    const QString outcome = note.Result == TWriteNote::Refused  ? QStringLiteral(" (refused by the board)")
                            : note.Result == TWriteNote::Failed ? QStringLiteral(" (no answer)")
                                                                : QString();
    const size_t count = note.Values.size();
    const auto oldOf = [&](size_t k) { return k < note.Old.size() ? note.Old[k] : std::nullopt; };
    // A register reads as its control shows it; one of no control as its word.
    const auto text = [](quint16 address, quint16 word) {
        return values::AddressText(address, word).value_or(QString::number(word));
    };
    const auto nameOf = [&](size_t k, quint16 address) {
        if (static_cast<qsizetype>(k) < note.Names.size() && !note.Names[static_cast<qsizetype>(k)].isEmpty())
            return note.Names[static_cast<qsizetype>(k)];
        const QString hex = QStringLiteral("0x%1").arg(address, 4, 16, QLatin1Char('0'));
        if (note.What.isEmpty())
            return hex;
        return count == 1 ? note.What : QStringLiteral("%1 (%2)").arg(note.What, hex);
    };
    // Each register the write changes, or whose value before is not known; a write that changes
    // none of its registers is told by its first.
    std::vector<size_t> told;
    for (size_t k = 0; k < count; ++k) {
        if (!oldOf(k) || *oldOf(k) != note.Values[k])
            told.push_back(k);
    }
    if (told.empty() && count > 0)
        told.push_back(0);
    std::vector<TEvent> events;
    for (const size_t k : told) {
        const auto address = static_cast<quint16>(note.Start + k);
        const std::optional<quint16> before = oldOf(k);
        events.push_back({ms, QStringLiteral("write"),
                          QStringLiteral("%1: %2 -> %3%4")
                              .arg(nameOf(k, address), before ? text(address, *before) : QStringLiteral("not known"),
                                   text(address, note.Values[k]), outcome),
                          address, before ? std::optional<int>(*before) : std::nullopt,
                          std::optional<int>(note.Values[k]), cause});
    }
    return events;
}

}  // namespace rec

TRecorder::TRecorder(TPoll &poll, TBoardSession &session, QObject *parent) : QObject(parent), m_session(session)
{
    connect(&poll, &TPoll::IoSampleTaken, this, &TRecorder::TakeIo);
    connect(&poll, &TPoll::RegulationSampleTaken, this, &TRecorder::TakeRegulation);
    connect(&poll, &TPoll::StatusBlockRead, this, &TRecorder::TakeStatus);
    connect(&poll, &TPoll::VersionRead, this, &TRecorder::TakeVersion);
    connect(&poll, &TPoll::SeriesRead, this, &TRecorder::TakeSeries);
    connect(&poll, &TPoll::LiveLost, this, &TRecorder::FlushPending);
    connect(&session, &TBoardSession::WriteDone, this, &TRecorder::TakeWrite);
    m_commitTimer.setInterval(1000);
    connect(&m_commitTimer, &QTimer::timeout, this, &TRecorder::Commit);
}

TRecorder::~TRecorder()
{
    if (m_writer)
        m_writer->Close();
}

void TRecorder::WatchLine(TBoardLine &line)
{
    m_line = &line;
    connect(&line, &TBoardLine::StateChanged, this, &TRecorder::TakeLine);
}

void TRecorder::SetFolder(const QString &folder, qint64 maxBytes)
{
    m_folder = folder;
    m_maxBytes = maxBytes;
}

void TRecorder::SetWanted(bool wanted)
{
    m_wanted = wanted;
    Follow();
}

void TRecorder::SetWhenConnected(bool on)
{
    m_whenConnected = on;
    Follow();
}

void TRecorder::Follow()
{
    const bool open = m_line ? m_line->State() == TLineState::Answering || m_line->State() == TLineState::Silent
                                   || m_line->State() == TLineState::Lost
                             : m_session.Connected();
    const bool run = (m_wanted || m_whenConnected) && open;
    if (run && !Running())
        StartInFolder();
    else if (!run && Running() && m_auto)
        Stop();
}

bool TRecorder::StartInFolder()
{
    const QDateTime now = QDateTime::currentDateTime();
    rec::TRecordingInfo info;
    info.Address = m_session.SlaveAddress();
    info.Line = m_line ? m_line->Status().Line : QString();
    info.Tool = m_toolVersion;
    info.StartMs = now.toMSecsSinceEpoch();
    info.OffsetSeconds = now.offsetFromUtc();
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("%1: the folder cannot be made").arg(m_folder);
        m_wanted = false;
        emit Stopped(QString(), m_error);
        return false;
    }
    const QString path = QDir(m_folder).filePath(rec::FileName(now, info.Line));
    if (!Start(path, info)) {
        // Nothing would be recorded until asked again.
        m_wanted = false;
        emit Stopped(path, m_error);
        return false;
    }
    m_startDay = now.date();
    m_auto = true;
    rec::KeepUnder(m_folder, m_maxBytes, path);
    return true;
}

bool TRecorder::Start(const QString &path, const rec::TRecordingInfo &info)
{
    Stop();
    m_error.clear();
    auto writer = std::make_unique<rec::TRecordingWriter>();
    if (!writer->Create(path, info)) {
        m_error = writer->Error();
        return false;
    }
    // The timer commits, a second apart: never inside the poll's answer handlers.
    writer->SetAutoCommit(false);
    m_writer = std::move(writer);
    m_path = path;
    m_info = info;
    m_lastStatus.reset();
    m_lastVersion.reset();
    m_lastBoard.reset();
    m_pending.reset();
    m_startDay = {};
    m_auto = false;
    m_commitTimer.start();
    emit Started(path);
    return true;
}

void TRecorder::Stop()
{
    if (!m_writer)
        return;
    if (m_pending)
        AddToFile(*m_pending);
    m_pending.reset();
    const std::unique_ptr<rec::TRecordingWriter> writer = std::move(m_writer);
    const bool ok = writer->Close();
    const QString failure = ok ? QString() : writer->Error();
    m_commitTimer.stop();
    if (!failure.isEmpty())
        m_error = failure;
    emit Stopped(m_path, failure);
}

qint64 TRecorder::Samples() const
{
    return m_writer ? m_writer->Samples() : 0;
}

qint64 TRecorder::Size() const
{
    return m_writer ? m_writer->Size() : 0;
}

void TRecorder::Commit()
{
    if (!m_writer)
        return;
    m_writer->Commit();
    // The folder is kept under its size as the recording grows, every ten minutes.
    if (m_auto && ++m_commits % 600 == 0)
        rec::KeepUnder(m_folder, m_maxBytes, m_path);
    CheckFailure();
}

void TRecorder::CheckFailure()
{
    if (m_writer && m_writer->Failed())
        Stop();
}

void TRecorder::FlushPending()
{
    if (m_writer && m_pending)
        AddToFile(*m_pending);
    m_pending.reset();
    CheckFailure();
}

void TRecorder::AddToFile(const rec::TSample &sample)
{
    m_writer->Add(sample);
    emit SampleRecorded(sample);
}

void TRecorder::TakeIo(const TIoSample &sample)
{
    if (!m_writer)
        return;
    FlushPending();
    // One recording a day: at midnight the next begins.
    if (m_writer && m_startDay.isValid() && QDate::currentDate() != m_startDay) {
        Stop();
        StartInFolder();
    }
    if (!m_writer)
        return;
    rec::TSample row;
    row.Ms = QDateTime::currentMSecsSinceEpoch();
    row.Values.fill(std::nan(""));
    const auto value = [](float v) { return v == live::InvalidValue ? std::nan("") : static_cast<double>(v); };
    // As the I/O trend window orders them: inputs 1-4, supply, room, inputs 5-10, outputs 1-5, then
    // the digital outputs.
    for (size_t s = 0; s < 4; ++s)
        row.Values[s] = value(sample.LiveValues[s]);
    row.Values[4] = value(sample.SupplyTrendValue);
    row.Values[5] = value(sample.RoomTrendValue);
    for (size_t s = 6; s < 17; ++s)
        row.Values[s] = value(sample.LiveValues[s - 2]);
    for (size_t s = 17; s < static_cast<size_t>(rec::kIoSeries); ++s)
        row.Values[s] = sample.OutputBits[s - 17] ? 1.0 : 0.0;
    m_pending = row;
}

void TRecorder::TakeRegulation(const TRegulationSample &sample)
{
    if (!m_writer)
        return;
    if (!m_pending) {
        // The cycle's status block went unanswered: its values are gaps.
        m_pending = rec::TSample{};
        m_pending->Ms = QDateTime::currentMSecsSinceEpoch();
        m_pending->Values.fill(std::nan(""));
    }
    for (size_t i = 0; i < sample.Values.size(); ++i)
        m_pending->Values[rec::kIoSeries + i] = sample.Values[i];
    FlushPending();
}

void TRecorder::Event(rec::TEvent event)
{
    if (!m_writer)
        return;
    m_writer->AddEvent(event);
    CheckFailure();
}

void TRecorder::TakeStatus(const live::StatusBlock &block)
{
    if (!m_writer)
        return;
    for (rec::TEvent &event : rec::StatusEvents(m_lastStatus, block, QDateTime::currentMSecsSinceEpoch()))
        Event(std::move(event));
    m_lastStatus = block;
}

void TRecorder::TakeVersion(const live::VersionBlock &block)
{
    if (!m_writer || (m_lastVersion == block.Version && m_lastBoard == block.BoardNumber))
        return;
    m_lastVersion = block.Version;
    m_lastBoard = block.BoardNumber;
    m_info.Firmware = live::VersionNumberText(block.Version);
    m_info.Board = QString::number(block.BoardNumber);
    m_writer->SetInfo(m_info);
    Event({QDateTime::currentMSecsSinceEpoch(),
           QStringLiteral("firmware"),
           QStringLiteral("%1, %2").arg(block.VersionPanel, block.BoardPanel),
           {},
           {},
           {},
           rec::TCause::None});
}

void TRecorder::TakeSeries(const QString &panelText)
{
    if (!m_writer)
        return;
    const QString series = panelText.section(QLatin1Char(':'), 1).trimmed();
    if (series == m_info.Series)
        return;
    m_info.Series = series;
    m_writer->SetInfo(m_info);
}

void TRecorder::TakeWrite(const TWriteNote &note)
{
    for (rec::TEvent &event : rec::WriteEvents(note, QDateTime::currentMSecsSinceEpoch()))
        Event(std::move(event));
}

void TRecorder::TakeLine(const TLineStatus &status)
{
    if (status.State == status.Previous)
        return;
    if (status.State == TLineState::Lost || status.State == TLineState::Silent)
        FlushPending();
    Event({QDateTime::currentMSecsSinceEpoch(), QStringLiteral("line"), status.Text(), {}, {}, {}, rec::TCause::None});
    // A line closed ends its recording; a line opened anew begins one once the board answers.
    if (status.State == TLineState::Closed || status.State == TLineState::Answering)
        Follow();
}
