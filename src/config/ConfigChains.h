// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigItem.h"
#include "config/ReadPlan.h"
#include "config/TransferRows.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class TBoardSession;
struct TModbusAnswer;
struct TRequestHandlers;

// The two request chains that move a whole configuration between the images and the board over
// items 0 .. ActiveItemCount-1, each request issued from the previous one's answer, through the
// board session (the poll and page reads go on between them). The write chain sends one request per
// item (the board checks each write on its own); the read chain reads the items in blocks of
// consecutive registers (PlanBlockReads). A block the board refuses, answers with an answer that
// does not fit, or leaves unanswered after its repeats, is read one item per request in this
// transfer; an item the board will not read in one request (refused, or unanswered after its
// repeats) in parts, as is every later read of as many registers in the transfer. The next
// transfer reads in blocks again. OnNote says so the first time in a transfer.
//
// A request that got no answer, or an answer that did not fit, is sent again up to kMaxRepeats
// times (a read, or a write of the same value, does no harm twice); the communication-error window
// waits for the last of them.
//
// A chain ends in exactly one way: its completion, OnAborted when a request still failed after its
// repeats, a read was refused or the link went down, or OnStopped when StopWhen asked it to end
// (the completion is then not called). A refused write ends the write chain early through its
// completion, after OnWriteRefused.
class TConfigChains
{
public:
    using Completion = std::function<void()>;

    static constexpr int kMaxRepeats = 2;

    // The requests of the running or last chain that were sent again, by why.
    struct Repeats
    {
        int NoAnswer = 0;
        int Misfit = 0;  // an answer that did not fit
    };

    TConfigChains(TBoardSession &session, TConfigImages &images);
    TConfigChains(const TConfigChains &) = delete;
    TConfigChains &operator=(const TConfigChains &) = delete;

    // Reads the board into BoardImage, then calls done.
    void BoardReadChain(Completion done);
    // Writes FileImage to the board, then calls done.
    void BoardWriteChain(Completion done);
    // Writes the items of FileImage listed in items (item numbers below ActiveItemCount, in the
    // order given) to the board, then calls done. A slave address other than the session's is
    // never written (see MovesSlaveAddress).
    void BoardWriteItems(Completion done, std::vector<qint32> items);

    // How far the running chain is: the item a read chain is at; for a write chain, how many items
    // of its walk are written. In OnAborted, OnWriteRefused and OnStopped: where it ended, which
    // is also how many items before it the board answered.
    qint32 ChainIndex() const { return m_chainIndex; }
    // The items the running or last write chain walks, in order.
    qint32 WriteItemCount() const { return static_cast<qint32>(m_walk.size()); }
    const Repeats &RepeatCounts() const { return m_repeats; }
    // What the last write chain, ended early (refused, aborted or stopped), left on the board, in
    // lines for the user; check says how to compare the board with the file ("press Verify").
    // A write that was sent without an outcome may have been carried out: it is named as such.
    QStringList WrittenSoFar(const QString &check) const;

    // Ends a running write chain at once through OnStopped, without waiting for the write on the
    // line: it counts as sent with its outcome unknown (see WrittenSoFar).
    void StopNow();

    // From now on, for the rest of the connection, the read chain reads one item per request.
    void ReadItemByItem();

    // The transfer's progress in percent, after each item.
    std::function<void(int percent)> OnProgress;
    // The chain stopped before its end; why, in words ("no answer from the board", ...).
    std::function<void(const QString &why)> OnAborted;
    // The board refused writing the item at ChainIndex(); the items after it are not written.
    std::function<void(const ConfigItem &item, quint8 exceptionCode)> OnWriteRefused;
    // Asked before each request of a chain: true ends the chain there, once the request on the line
    // has its outcome (a failed one is not sent again), through OnStopped.
    std::function<bool()> StopWhen;
    std::function<void()> OnStopped;
    // Something the user should know that does not stop the chain, once a connection.
    std::function<void(const QString &note)> OnNote;

private:
    void ReadStep();
    void ReadReply(const TModbusAnswer &answer);
    const ReadBlock &Block() const { return m_plan[m_block]; }
    // Whether the running read can go out in smaller requests instead.
    bool CanSplitRead() const;
    // Whether the read that just failed is sent again in smaller requests (once its repeats are
    // used up, or at once for a block whose answer did not fit).
    bool WillSplitRead() const;
    // Replaces the running read by smaller ones (SplitRead) and sends the first; a read the board
    // cannot take (tooLong) makes every later read of as many registers in this transfer smaller.
    void SplitRunningRead(const QString &why, bool tooLong);
    // Forgets what a connection before this one learnt.
    void FollowConnection();
    void WriteStep();
    void WriteReply();
    void WriteRefused(quint8 exceptionCode);
    void Abort(const QString &why);
    // Whether StopWhen asks the chain to end; if so, ends it through OnStopped.
    bool Stopped();
    bool StopAsked() const { return StopWhen && StopWhen(); }
    // The item at position of the write chain's walk.
    const ConfigItem &WriteItem(qint32 position) const;
    bool LineOpen() const;
    void Start();
    // Whether the request that just failed is sent again.
    bool WillRepeat() const;
    // A request failed: sends it again through repeat, or ends the chain saying why.
    void Failed(void (TConfigChains::*repeat)());
    // The handlers of one of this chain's requests. A failure sends the request again through
    // repeat, or ends the chain after the session's shared failure handler (the
    // communication-error window) has run.
    TRequestHandlers ChainHandlers(std::function<void(const TModbusAnswer &)> onReply,
                                   std::function<void(const TModbusAnswer &)> onRefused,
                                   void (TConfigChains::*repeat)());
    void Progress(int percent);

    TBoardSession &m_session;
    TConfigImages &m_images;
    qint32 m_chainIndex = 0;
    int m_sends = 0;                // times the item at m_chainIndex was sent
    std::vector<qint32> m_walk;     // the write chain's items
    bool m_outcomeUnknown = false;  // the write chain ended with a write sent but not answered
    Repeats m_repeats;
    std::vector<ReadBlock> m_plan;  // the read chain's requests
    size_t m_block = 0;             // the one on the line
    // Everything is read one item per request on the connection numbered m_connection.
    quint32 m_connection = 0;
    bool m_allItemByItem = false;
    // The fewest registers the board would not take in one read in this transfer; 0: none yet.
    qint32 m_tooLong = 0;
    bool m_noted = false;
    Completion m_readDone;
    Completion m_writeDone;
    // A multi-register write is built here.
    std::array<quint16, kMaxRowRegisters> m_buffer{};
    // Answers that arrive after this object is gone find the token expired and do nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

// Whether item holds a slave address other than current. A write chain leaves such an item as the
// board holds it: from that write on the board would answer only at the file's address, and every
// later request of the chain would go unanswered. The Timers page sets the address on its own, and
// the line follows the board there.
bool MovesSlaveAddress(const ConfigItem &item, quint8 current);
