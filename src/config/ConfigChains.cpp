#include "config/ConfigChains.h"

#include "session/TBoardSession.h"

#include <algorithm>

TConfigChains::TConfigChains(TBoardSession &session, TConfigImages &images) : m_session(session), m_images(images) {}

bool TConfigChains::LineOpen() const
{
    return m_session.Connected() && m_session.ActiveClient() && m_session.ActiveClient()->IsOpen();
}

void TConfigChains::Progress(int percent)
{
    if (OnProgress)
        OnProgress(percent);
}

void TConfigChains::Abort(const QString &why)
{
    m_readDone = nullptr;
    m_writeDone = nullptr;
    if (OnAborted)
        OnAborted(why);
}

void TConfigChains::Start()
{
    m_chainIndex = 0;
    m_sends = 0;
    m_repeats = {};
}

bool TConfigChains::WillRepeat() const
{
    // A line that went down or was closed is not asked again: the chain ends as it always did.
    const TModbusClient *client = m_session.ActiveClient();
    return client && client->LastFailureKind() != TFailureKind::LineDown && m_sends <= kMaxRepeats && LineOpen();
}

void TConfigChains::Failed(void (TConfigChains::*repeat)(), const ConfigImage &image)
{
    const bool misfit =
        m_session.ActiveClient() && m_session.ActiveClient()->LastFailureKind() == TFailureKind::Misfit;
    if (WillRepeat()) {
        ++(misfit ? m_repeats.Misfit : m_repeats.NoAnswer);
        (this->*repeat)();
        return;
    }
    // The client fails the waiting requests after it marked the line down.
    if (!LineOpen() || m_session.ActiveClient()->LastFailureKind() == TFailureKind::LineDown) {
        Abort(QStringLiteral("the link was lost"));
        return;
    }
    const ConfigItem &item = image[static_cast<size_t>(m_chainIndex)];
    Abort((misfit ? QStringLiteral("an answer that did not fit the request for [%1] %2, sent %3 times")
                  : QStringLiteral("no answer from the board to the request for [%1] %2, sent %3 times"))
              .arg(item.Section, item.Ident)
              .arg(m_sends));
}

TRequestHandlers TConfigChains::ChainHandlers(std::function<void(const TModbusAnswer &)> onReply,
                                              std::function<void(const TModbusAnswer &)> onRefused,
                                              void (TConfigChains::*repeat)(), const ConfigImage &image)
{
    std::weak_ptr<int> alive = m_alive;
    return {.OnReply = std::move(onReply),
            .OnRefused = std::move(onRefused),
            .OnFailed =
                [this, alive, repeat, items = &image] {
                    if (!alive.expired())
                        Failed(repeat, *items);
                },
            .FinalFailure = [this, alive] { return alive.expired() || !WillRepeat(); }};
}

void TConfigChains::BoardReadChain(Completion done)
{
    Start();
    m_readDone = std::move(done);
    ReadStep();
}

void TConfigChains::ReadStep()
{
    if (m_chainIndex >= m_images.ActiveItemCount) {
        if (Completion done = std::exchange(m_readDone, nullptr))
            done();
        return;
    }
    if (!LineOpen()) {
        Abort(QStringLiteral("the link was lost"));
        return;
    }
    const ConfigItem &item = m_images.BoardImage[static_cast<size_t>(m_chainIndex)];
    ++m_sends;
    std::weak_ptr<int> alive = m_alive;
    TRequestHandlers handlers = ChainHandlers(
        [this, alive](const TModbusAnswer &answer) {
            if (!alive.expired())
                ReadReply(answer);
        },
        [this, alive](const TModbusAnswer &answer) {
            if (alive.expired())
                return;
            const ConfigItem &refused = m_images.BoardImage[static_cast<size_t>(m_chainIndex)];
            Abort(QStringLiteral("the board refused reading [%1] %2 (exception %3)")
                      .arg(refused.Section, refused.Ident)
                      .arg(answer.ExceptionCode));
        },
        &TConfigChains::ReadStep, m_images.BoardImage);
    m_session.Read(item.FirstRegister, static_cast<quint16>(item.Registers), std::move(handlers));
}

void TConfigChains::ReadReply(const TModbusAnswer &answer)
{
    Progress((m_chainIndex * 100 + 100) / m_images.ActiveItemCount);
    ConfigItem &item = m_images.BoardImage[static_cast<size_t>(m_chainIndex)];
    // The client has checked that the answer carries exactly the registers asked for.
    const auto count = std::min<qsizetype>(item.Registers, answer.Registers.size());
    std::copy_n(answer.Registers.cbegin(), count, item.Values.begin());
    ++m_chainIndex;
    m_sends = 0;
    ReadStep();
}

void TConfigChains::BoardWriteChain(Completion done)
{
    Start();
    m_writeDone = std::move(done);
    WriteStep();
}

void TConfigChains::WriteStep()
{
    if (m_chainIndex >= m_images.ActiveItemCount) {
        if (Completion done = std::exchange(m_writeDone, nullptr))
            done();
        return;
    }
    // A request on a closed line would be dropped without an outcome and the chain would wait forever.
    if (!LineOpen()) {
        Abort(QStringLiteral("the link was lost"));
        return;
    }
    const ConfigItem &item = m_images.FileImage[static_cast<size_t>(m_chainIndex)];
    ++m_sends;
    std::weak_ptr<int> alive = m_alive;
    TRequestHandlers handlers = ChainHandlers(
        [this, alive](const TModbusAnswer &) {
            if (!alive.expired())
                WriteReply();
        },
        [this, alive](const TModbusAnswer &answer) {
            if (!alive.expired())
                WriteRefused(answer.ExceptionCode);
        },
        &TConfigChains::WriteStep, m_images.FileImage);
    if (item.Registers == 1) {
        m_session.WriteSingle(item.FirstRegister, item.Values[0], std::move(handlers));
    } else {
        const auto n = static_cast<size_t>(item.Registers);
        std::copy_n(item.Values.cbegin(), n, m_buffer.begin());
        m_session.WriteMultiple(item.FirstRegister, std::span(m_buffer.data(), n), std::move(handlers));
    }
}

void TConfigChains::WriteReply()
{
    ++m_chainIndex;
    m_sends = 0;
    Progress(m_chainIndex * 100 / m_images.ActiveItemCount);
    WriteStep();
}

void TConfigChains::WriteRefused(quint8 exceptionCode)
{
    if (OnWriteRefused)
        OnWriteRefused(m_images.FileImage[static_cast<size_t>(m_chainIndex)], exceptionCode);
    m_chainIndex = m_images.ActiveItemCount;
    Progress(100);
    WriteStep();
}

QStringList WrittenSoFar(const TConfigImages &images, qint32 written, bool refused, const QString &check)
{
    const qint32 total = images.ActiveItemCount;
    if (written > 0) {
        const ConfigItem &last = images.FileImage[static_cast<size_t>(written - 1)];
        return {QStringLiteral("%1 of %2 items were written; the last one written was [%3] %4.")
                    .arg(written)
                    .arg(total)
                    .arg(last.Section, last.Ident),
                QStringLiteral("The board now holds a mix of old and new values: %1 to compare it with the file.")
                    .arg(check)};
    }
    if (refused)
        return {QStringLiteral("None of the %1 items was written.").arg(total)};
    // The request that got no valid answer may still have been carried out.
    const ConfigItem &first = images.FileImage.front();
    return {QStringLiteral("None of the %1 items was confirmed written, but [%2] %3 may have reached the board: "
                           "%4 to compare it with the file.")
                .arg(total)
                .arg(first.Section, first.Ident, check)};
}
