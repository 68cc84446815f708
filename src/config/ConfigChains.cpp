// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigChains.h"

#include "config/BoardAddresses.h"
#include "config/ConfigFile.h"
#include "link/ModbusExceptions.h"
#include "session/TBoardSession.h"

#include <algorithm>
#include <iterator>
#include <numeric>

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
    m_outcomeUnknown = false;
}

bool TConfigChains::Stopped()
{
    if (!StopAsked())
        return false;
    m_readDone = nullptr;
    m_writeDone = nullptr;
    if (OnStopped)
        OnStopped();
    return true;
}

const ConfigItem &TConfigChains::WriteItem(qint32 position) const
{
    return m_images.FileImage[static_cast<size_t>(m_walk[static_cast<size_t>(position)])];
}

bool TConfigChains::WillRepeat() const
{
    // A line that went down or was closed is not asked again: the chain ends as it always did. A
    // chain asked to stop sends nothing more.
    const TModbusClient *client = m_session.ActiveClient();
    return client && client->LastFailureKind() != TFailureKind::LineDown && m_sends <= kMaxRepeats && LineOpen()
           && !StopAsked();
}

void TConfigChains::Failed(void (TConfigChains::*repeat)())
{
    const bool misfit = m_session.ActiveClient() && m_session.ActiveClient()->LastFailureKind() == TFailureKind::Misfit;
    if (WillSplitRead() && (misfit && Block().Items > 1)) {
        SplitRunningRead(QStringLiteral("its answer did not fit"), false);
        return;
    }
    if (WillSplitRead() && !WillRepeat()) {
        SplitRunningRead(misfit ? QStringLiteral("its answers did not fit") : QStringLiteral("no answer"), !misfit);
        return;
    }
    if (WillRepeat()) {
        ++(misfit ? m_repeats.Misfit : m_repeats.NoAnswer);
        (this->*repeat)();
        return;
    }
    // A write that got no valid answer may still have been carried out.
    m_outcomeUnknown = m_writeDone != nullptr;
    // The client fails the waiting requests after it marked the line down.
    if (!LineOpen() || m_session.ActiveClient()->LastFailureKind() == TFailureKind::LineDown) {
        Abort(QStringLiteral("the link was lost"));
        return;
    }
    const ConfigItem &item =
        m_writeDone ? WriteItem(m_chainIndex) : m_images.BoardImage[static_cast<size_t>(m_chainIndex)];
    QString what = QStringLiteral("[%1] %2").arg(item.Section, item.Ident);
    if (!m_writeDone && Block().Items > 1) {
        const ConfigItem &last = m_images.BoardImage[static_cast<size_t>(Block().FirstItem + Block().Items - 1)];
        what += QStringLiteral(" to [%1] %2").arg(last.Section, last.Ident);
    }
    Abort((misfit ? QStringLiteral("an answer that did not fit the request for %1, sent %2 times")
                  : QStringLiteral("no answer from the board to the request for %1, sent %2 times"))
              .arg(what)
              .arg(m_sends));
}

TRequestHandlers TConfigChains::ChainHandlers(std::function<void(const TModbusAnswer &)> onReply,
                                              std::function<void(const TModbusAnswer &)> onRefused,
                                              void (TConfigChains::*repeat)())
{
    std::weak_ptr<int> alive = m_alive;
    return {.OnReply = std::move(onReply),
            .OnRefused = std::move(onRefused),
            .OnFailed =
                [this, alive, repeat] {
                    if (!alive.expired())
                        Failed(repeat);
                },
            .FinalFailure = [this, alive] { return alive.expired() || (!WillSplitRead() && !WillRepeat()); },
            .Repeat = m_sends > 1};
}

void TConfigChains::BoardReadChain(Completion done)
{
    Start();
    FollowConnection();
    m_plan.clear();
    for (const ReadBlock &block : PlanBlockReads(m_images.BoardImage, m_images.ActiveItemCount)) {
        if (m_allItemByItem)
            std::ranges::copy(ItemByItem(block, m_images.BoardImage), std::back_inserter(m_plan));
        else
            m_plan.push_back(block);
    }
    m_block = 0;
    m_tooLong = 0;
    m_noted = false;
    m_readDone = std::move(done);
    ReadStep();
}

void TConfigChains::ReadItemByItem()
{
    FollowConnection();
    m_allItemByItem = true;
}

void TConfigChains::FollowConnection()
{
    if (m_connection == m_session.Connection())
        return;
    m_connection = m_session.Connection();
    m_allItemByItem = false;
}

bool TConfigChains::CanSplitRead() const
{
    return m_readDone && m_block < m_plan.size() && Block().Registers > 1 && LineOpen() && !StopAsked();
}

bool TConfigChains::WillSplitRead() const
{
    const TModbusClient *client = m_session.ActiveClient();
    return client && client->LastFailureKind() != TFailureKind::LineDown && CanSplitRead();
}

void TConfigChains::SplitRunningRead(const QString &why, bool tooLong)
{
    const ReadBlock block = Block();
    if (tooLong)
        m_tooLong = m_tooLong > 0 ? std::min(m_tooLong, block.Registers) : block.Registers;
    const std::vector<ReadBlock> smaller = SplitRead(block, m_images.BoardImage);
    m_plan.erase(m_plan.begin() + static_cast<std::ptrdiff_t>(m_block));
    m_plan.insert(m_plan.begin() + static_cast<std::ptrdiff_t>(m_block), smaller.begin(), smaller.end());
    m_sends = 0;
    if (!std::exchange(m_noted, true) && OnNote) {
        const auto hex = [](int reg) { return QString::number(reg, 16).toUpper().rightJustified(4, QLatin1Char('0')); };
        OnNote(QStringLiteral("Registers 0x%1-0x%2 could not be read in one request (%3): they are read %4 in "
                              "this transfer.")
                   .arg(hex(block.FirstRegister), hex(block.FirstRegister + block.Registers - 1), why,
                        block.Items > 1 ? QStringLiteral("one item per request") : QStringLiteral("in parts")));
    }
    ReadStep();
}

void TConfigChains::ReadStep()
{
    if (m_block >= m_plan.size()) {
        m_chainIndex = m_images.ActiveItemCount;
        if (Completion done = std::exchange(m_readDone, nullptr))
            done();
        return;
    }
    // A read of as many registers as one the board would not take goes out in smaller ones.
    while (m_tooLong > 0 && Block().Registers >= m_tooLong) {
        const std::vector<ReadBlock> smaller = SplitRead(Block(), m_images.BoardImage);
        if (smaller.empty())
            break;
        m_plan.erase(m_plan.begin() + static_cast<std::ptrdiff_t>(m_block));
        m_plan.insert(m_plan.begin() + static_cast<std::ptrdiff_t>(m_block), smaller.begin(), smaller.end());
    }
    m_chainIndex = Block().FirstItem;
    if (Stopped())
        return;
    if (!LineOpen()) {
        Abort(QStringLiteral("the link was lost"));
        return;
    }
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
            if (CanSplitRead()) {
                SplitRunningRead(QStringLiteral("the board refused it: %1").arg(ExceptionText(answer.ExceptionCode)),
                                 true);
                return;
            }
            const ConfigItem &refused = m_images.BoardImage[static_cast<size_t>(m_chainIndex)];
            Abort(QStringLiteral("the board refused reading [%1] %2: %3")
                      .arg(refused.Section, refused.Ident, ExceptionText(answer.ExceptionCode)));
        },
        &TConfigChains::ReadStep);
    m_session.Read(Block().FirstRegister, static_cast<quint16>(Block().Registers), std::move(handlers));
}

void TConfigChains::ReadReply(const TModbusAnswer &answer)
{
    const ReadBlock block = Block();
    // The client has checked that the answer carries exactly the registers asked for.
    if (!SplitBlockAnswer(block, answer.Registers, m_images.BoardImage)) {
        if (block.Items > 1)
            SplitRunningRead(QStringLiteral("its answer did not fit"), false);
        else
            Abort(QStringLiteral("an answer that did not fit the request for [%1] %2")
                      .arg(m_images.BoardImage[static_cast<size_t>(block.FirstItem)].Section,
                           m_images.BoardImage[static_cast<size_t>(block.FirstItem)].Ident));
        return;
    }
    // The bar moves item by item, as when every item had its own request; an item read in parts
    // once its last part is in.
    const ConfigItem &last = m_images.BoardImage[static_cast<size_t>(block.FirstItem + block.Items - 1)];
    if (block.FirstRegister + block.Registers == last.FirstRegister + last.Registers)
        for (qint32 i = block.FirstItem; i < block.FirstItem + block.Items; ++i)
            Progress((i * 100 + 100) / m_images.ActiveItemCount);
    ++m_block;
    m_sends = 0;
    ReadStep();
}

void TConfigChains::BoardWriteChain(Completion done)
{
    std::vector<qint32> items(static_cast<size_t>(std::max(m_images.ActiveItemCount, 0)));
    std::iota(items.begin(), items.end(), 0);
    BoardWriteItems(std::move(done), std::move(items));
}

void TConfigChains::BoardWriteItems(Completion done, std::vector<qint32> items)
{
    Start();
    std::erase_if(items, [this](qint32 i) {
        return i >= 0 && static_cast<size_t>(i) < m_images.FileImage.size()
               && MovesSlaveAddress(m_images.FileImage[static_cast<size_t>(i)], m_session.SlaveAddress());
    });
    m_walk = std::move(items);
    m_writeDone = std::move(done);
    WriteStep();
}

void TConfigChains::WriteStep()
{
    if (m_chainIndex >= WriteItemCount()) {
        if (Completion done = std::exchange(m_writeDone, nullptr))
            done();
        return;
    }
    if (Stopped())
        return;
    // A request on a closed line would be dropped without an outcome and the chain would wait forever.
    if (!LineOpen()) {
        Abort(QStringLiteral("the link was lost"));
        return;
    }
    const ConfigItem &item = WriteItem(m_chainIndex);
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
        &TConfigChains::WriteStep);
    handlers.Cause = TWriteCause::Load;
    handlers.What = QStringLiteral("%1.%2").arg(item.Section, item.Ident);
    for (int k = 0; k < item.Registers; ++k)
        handlers.Names << QStringLiteral("%1.%2").arg(item.Section, ConfigKey(item, k));
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
    Progress(m_chainIndex * 100 / WriteItemCount());
    WriteStep();
}

void TConfigChains::StopNow()
{
    if (!m_writeDone)
        return;
    // The answers still to come find the chain gone.
    m_alive = std::make_shared<int>(0);
    m_writeDone = nullptr;
    m_outcomeUnknown = m_chainIndex < WriteItemCount();
    if (OnStopped)
        OnStopped();
}

void TConfigChains::WriteRefused(quint8 exceptionCode)
{
    // The chain ends here, through its completion; ChainIndex stays at the refused item.
    Completion done = std::exchange(m_writeDone, nullptr);
    if (OnWriteRefused)
        OnWriteRefused(WriteItem(m_chainIndex), exceptionCode);
    Progress(100);
    if (done)
        done();
}

QStringList TConfigChains::WrittenSoFar(const QString &check) const
{
    const qint32 written = m_chainIndex;
    const QString mix =
        QStringLiteral("The board now holds a mix of old and new values: %1 to compare it with the file.").arg(check);
    if (m_outcomeUnknown) {
        const ConfigItem &sent = WriteItem(written);
        return {QStringLiteral("%1 items written; item %2 ([%3] %4) was sent and its outcome is unknown.")
                    .arg(written)
                    .arg(written + 1)
                    .arg(sent.Section, sent.Ident),
                written > 0 ? mix
                            : QStringLiteral("The board may now hold a mix of old and new values: %1 to compare it "
                                             "with the file.")
                                  .arg(check)};
    }
    if (written == 0)
        return {QStringLiteral("None of the %1 items was written.").arg(WriteItemCount())};
    const ConfigItem &last = WriteItem(written - 1);
    return {QStringLiteral("%1 of %2 items were written; the last one written was [%3] %4.")
                .arg(written)
                .arg(WriteItemCount())
                .arg(last.Section, last.Ident),
            mix};
}

bool MovesSlaveAddress(const ConfigItem &item, quint8 current)
{
    const int reg = board::SlaveAddress - item.FirstRegister;
    return reg >= 0 && reg < item.Registers && static_cast<size_t>(reg) < item.Values.size()
           && item.Values[static_cast<size_t>(reg)] != current;
}
