#pragma once

#include "config/ConfigItem.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>

class TBoardSession;
struct TModbusAnswer;
struct TRequestHandlers;

// The two request chains that move a whole configuration between the images and the board: one
// request per item over items 0 .. ActiveItemCount-1, each issued from the previous one's answer,
// through the board session (the poll and page reads go on between them).
//
// A chain ends in exactly one way: its completion, or OnAborted when a request got no answer, a
// read was refused or the link went down (the completion is then not called). A refused write
// ends the write chain early through its completion, after OnWriteRefused.
class TConfigChains
{
public:
    using Completion = std::function<void()>;

    TConfigChains(TBoardSession &session, TConfigImages &images);
    TConfigChains(const TConfigChains &) = delete;
    TConfigChains &operator=(const TConfigChains &) = delete;

    // Reads the board into BoardImage, then calls done.
    void BoardReadChain(Completion done);
    // Writes FileImage to the board, then calls done.
    void BoardWriteChain(Completion done);

    // The item the running chain is at.
    qint32 ChainIndex() const { return m_chainIndex; }

    // The transfer's progress in percent, after each item.
    std::function<void(int percent)> OnProgress;
    // The chain stopped before its end; why, in words ("no answer from the board", ...).
    std::function<void(const QString &why)> OnAborted;
    // The board refused writing item ChainIndex(); the items after it are not written.
    std::function<void(const ConfigItem &item, quint8 exceptionCode)> OnWriteRefused;

private:
    void ReadStep();
    void ReadReply(const TModbusAnswer &answer);
    void WriteStep();
    void WriteReply();
    void WriteRefused(quint8 exceptionCode);
    void Abort(const QString &why);
    bool LineOpen() const;
    // The handlers of one of this chain's requests; a failure ends the chain (after the session's
    // shared failure handler, the communication-error window, has run).
    TRequestHandlers ChainHandlers(std::function<void(const TModbusAnswer &)> onReply,
                                   std::function<void(const TModbusAnswer &)> onRefused);
    void Progress(int percent);

    TBoardSession &m_session;
    TConfigImages &m_images;
    qint32 m_chainIndex = 0;
    Completion m_readDone;
    Completion m_writeDone;
    // A multi-register write is built here: an item written to the board spans at most 128 registers.
    std::array<quint16, 128> m_buffer{};
    // Answers that arrive after this object is gone find the token expired and do nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
