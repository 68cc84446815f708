// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BoardSearch.h"

#include "config/BoardAddresses.h"
#include "monitor/LiveDecoders.h"
#include "session/TBoardModel.h"

#include <QTimer>

#include <cmath>

namespace {
// The version read: the firmware version and the board number.
constexpr quint16 kVersionCount = 2;
// A read request and its answer of two registers, in characters on the wire: address, function,
// start, count and CRC; address, function, byte count, two words and CRC.
constexpr int kProbeChars = 8 + 9;
// What a board may take from the end of a request to the start of its answer.
constexpr int kTurnaroundMs = 40;
// A TCP board (or a gateway) answers within this, or not at all.
constexpr int kTcpTimeoutMs = 300;
// After a probe without an answer, the line must be quiet this long beyond an answer's own time
// before the next probe goes out, so that a late answer is not taken for the next address's.
constexpr int kLateAnswerMarginMs = 20;

int BitsPerChar(const TSearchSetting &setting, QSerialPort::DataBits dataBits, QSerialPort::StopBits stopBits)
{
    return 1 + static_cast<int>(dataBits) + (setting.Parity == QSerialPort::NoParity ? 0 : 1)
           + (stopBits == QSerialPort::TwoStop ? 2 : 1);
}

double CharMs(const TSearchSetting &setting, QSerialPort::DataBits dataBits, QSerialPort::StopBits stopBits)
{
    return 1000.0 * BitsPerChar(setting, dataBits, stopBits) / std::max(setting.BaudRate, 1);
}

// The silence that ends an RTU frame: 3.5 characters, 1.75 ms above 19200 baud.
double SilenceMs(const TSearchSetting &setting, double charMs)
{
    return setting.BaudRate > 19200 ? 1.75 : 3.5 * charMs;
}
}  // namespace

TBoardSearch::TBoardSearch(QObject *parent) : QObject(parent) {}

TBoardSearch::~TBoardSearch()
{
    // Gone in the middle of a search (its dialog closed with the window): no closure may reach it.
    if (m_model) {
        m_client->ForgetClosures();
        m_model->Line().disconnect(this);
    }
}

QList<TSearchSetting> TBoardSearch::SerialSettings(const TSearchSetting &own, bool baudGiven, bool parityGiven)
{
    static const int bauds[] = {9600, 19200, 38400, 57600, 115200};
    static const QSerialPort::Parity parities[] = {QSerialPort::EvenParity, QSerialPort::NoParity,
                                                   QSerialPort::OddParity};
    QList<TSearchSetting> settings{own};
    for (const int baud : bauds) {
        for (const QSerialPort::Parity parity : parities) {
            const TSearchSetting setting{baud, parity};
            if ((!baudGiven || baud == own.BaudRate) && (!parityGiven || parity == own.Parity)
                && !settings.contains(setting))
                settings.append(setting);
        }
    }
    return settings;
}

QList<quint8> TBoardSearch::Units(quint8 own)
{
    QList<quint8> units{own};
    for (int unit = 1; unit <= 247; ++unit) {
        if (unit != own)
            units.append(static_cast<quint8>(unit));
    }
    return units;
}

int TBoardSearch::TimeoutMs(const TSearchSetting &setting, QSerialPort::DataBits dataBits,
                            QSerialPort::StopBits stopBits)
{
    const double charMs = CharMs(setting, dataBits, stopBits);
    return static_cast<int>(std::ceil(kProbeChars * charMs + 2 * SilenceMs(setting, charMs))) + kTurnaroundMs;
}

bool TBoardSearch::Plausible(quint16 version)
{
    return version >= 1000 && version <= 9999;
}

QString TBoardSearch::SettingText(const TSearchSetting &setting, QSerialPort::DataBits dataBits,
                                  QSerialPort::StopBits stopBits)
{
    const char parity = setting.Parity == QSerialPort::NoParity    ? 'N'
                        : setting.Parity == QSerialPort::OddParity ? 'O'
                                                                   : 'E';
    return QStringLiteral("%1 %2%3%4")
        .arg(setting.BaudRate)
        .arg(static_cast<int>(dataBits))
        .arg(QLatin1Char(parity))
        .arg(stopBits == QSerialPort::TwoStop ? 2 : 1);
}

QString TBoardSearch::FoundText(const TBoardFound &found) const
{
    const QString board = QStringLiteral("firmware %1, board number %2")
                              .arg(live::VersionNumberText(found.Version))
                              .arg(found.BoardNumber);
    if (!m_plan.Line.Serial)
        return QStringLiteral("unit %1 at %2 (%3)").arg(found.Unit).arg(m_plan.Line.Name(), board);
    return QStringLiteral("address %1 at %2 on %3 (%4)")
        .arg(found.Unit)
        .arg(SettingText(found.Setting, m_plan.Line.DataBits, m_plan.Line.StopBits), m_plan.Line.Device, board);
}

void TBoardSearch::Start(const TSearchPlan &plan)
{
    m_plan = plan;
    m_found.clear();
    m_error.clear();
    m_order.clear();
    const qsizetype settings = m_plan.Line.Serial ? m_plan.Settings.size() : 1;
    for (qsizetype setting = 0; setting < settings && !m_plan.Units.isEmpty(); ++setting)
        m_order.append({setting, 0});
    for (qsizetype setting = 0; setting < settings; ++setting)
        for (qsizetype unit = 1; unit < m_plan.Units.size(); ++unit)
            m_order.append({setting, unit});
    m_setting = -1;
    m_done = 0;
    m_cancelled = false;
    m_running = true;
    if (m_order.isEmpty()) {
        QTimer::singleShot(0, this, [this] { Finish(); });
        return;
    }
    OpenSetting();
}

void TBoardSearch::Cancel()
{
    if (!m_running || m_cancelled)
        return;
    m_cancelled = true;
    // The probe on the wire ends in its outcome (at most its short timeout); one still waiting for
    // the line to open ends here.
    if (m_model && !m_client->IsOpen())
        QTimer::singleShot(0, this, [this] { Finish(); });
}

void TBoardSearch::OpenSetting()
{
    // A line of its own for each setting: it opens afresh at it, and fails at once.
    if (m_model)
        m_model->Line().disconnect(this);
    m_model.reset();
    m_model = std::make_unique<TBoardModel>(0);
    m_setting = m_order.at(m_done).first;
    TLineSettings line = m_plan.Line;
    if (line.Serial) {
        const TSearchSetting &setting = m_plan.Settings.at(m_setting);
        line.BaudRate = setting.BaudRate;
        line.Parity = setting.Parity;
        m_timeoutMs = m_plan.TimeoutMs > 0 ? m_plan.TimeoutMs : TimeoutMs(setting, line.DataBits, line.StopBits);
        // A late answer would end within its own time on the wire after the timeout.
        const double charMs = CharMs(setting, line.DataBits, line.StopBits);
        m_model->SerialClient().SetLateAnswerWaitMs(static_cast<int>(std::ceil(9 * charMs + SilenceMs(setting, charMs)))
                                                    + kLateAnswerMarginMs);
        // After a probe without a byte back the next goes out at once: it asks another address, and
        // a late answer's own address and CRC say whose it is.
        m_model->SerialClient().SetWaitAfterSilence(false);
    } else {
        m_timeoutMs = m_plan.TimeoutMs > 0 ? m_plan.TimeoutMs : kTcpTimeoutMs;
    }
    line.TimeoutMs = m_timeoutMs;
    TBoardLine &boardLine = m_model->Line();
    boardLine.SetRetrying(false);
    boardLine.SetSettings(line);
    m_client = &boardLine.Client();
    connect(&boardLine, &TBoardLine::StateChanged, this, &TBoardSearch::LineChanged);
    boardLine.Open();
}

void TBoardSearch::LineChanged(const TLineStatus &status)
{
    if (!m_running)
        return;
    switch (status.State) {
    case TLineState::Waiting:
        QTimer::singleShot(0, this, &TBoardSearch::Probe);
        break;
    case TLineState::Closed:
        Finish(status.Reason);
        break;
    case TLineState::Lost:
        Finish(QStringLiteral("the line to %1 was lost").arg(status.Line));
        break;
    default:
        break;
    }
}

void TBoardSearch::Probe()
{
    if (!m_running)
        return;
    if (m_cancelled) {
        Finish();
        return;
    }
    const quint8 unit = m_plan.Units.at(m_order.at(m_done).second);
    const TLineSettings &line = m_plan.Line;
    emit Progress(line.Serial
                      ? QStringLiteral("Asking address %1 at %2 on %3")
                            .arg(unit)
                            .arg(SettingText(m_plan.Settings.at(m_setting), line.DataBits, line.StopBits), line.Device)
                      : QStringLiteral("Asking unit %1 at %2").arg(unit).arg(m_client->LineName()));
    FunctionsStr record;
    record.OnReply = [this, unit](const TModbusAnswer &answer) {
        const auto block = live::DecodeVersionBlock(answer.Registers);
        if (block && Plausible(block->Version)) {
            TBoardFound found;
            found.Setting = m_plan.Line.Serial ? m_plan.Settings.at(m_setting) : TSearchSetting{};
            found.Unit = unit;
            found.Version = block->Version;
            found.BoardNumber = answer.Registers.at(1);
            m_found.append(found);
            emit BoardFound(found);
            if (!m_plan.All) {
                ++m_done;
                Finish();
                return;
            }
        }
        Next();
    };
    // Something else answers there (a refusal): not a board of ours.
    record.OnRefused = [this](const TModbusAnswer &) { Next(); };
    record.OnFailed = [this] {
        // Bytes that made no answer: perhaps a late answer of the address before, perhaps a board at
        // this one whose answer met them. Asked once more on the quiet line.
        if (m_client->LastFailureKind() == TFailureKind::Misfit && !m_repeated && !m_cancelled) {
            m_repeated = true;
            QTimer::singleShot(0, this, &TBoardSearch::Probe);
            return;
        }
        if (m_client->LastFailureKind() == TFailureKind::LineDown) {
            Finish(m_client->LastFailure());
            return;
        }
        Next();
    };
    m_client->ReadHoldingRegisters(unit, board::Version, kVersionCount, static_cast<quint32>(m_timeoutMs), record);
}

void TBoardSearch::Next()
{
    ++m_done;
    m_repeated = false;
    if (m_cancelled) {
        QTimer::singleShot(0, this, [this] { Finish(); });
        return;
    }
    if (m_done == m_order.size())
        QTimer::singleShot(0, this, [this] { Finish(); });
    else if (m_order.at(m_done).first == m_setting)
        QTimer::singleShot(0, this, &TBoardSearch::Probe);
    else  // not from inside the client's own closure, which it is still running
        QTimer::singleShot(0, this, &TBoardSearch::OpenSetting);
}

void TBoardSearch::Finish(const QString &error)
{
    if (!m_running)
        return;
    m_running = false;
    m_error = m_cancelled ? QString() : error;
    if (m_model) {
        m_client->ForgetClosures();
        m_model->Line().disconnect(this);
        m_model->Line().Close();
        // Not from inside the client's own closure or signal.
        QTimer::singleShot(0, [model = std::shared_ptr<TBoardModel>(std::move(m_model))] {});
        m_client = nullptr;
    }
    emit Finished();
}
