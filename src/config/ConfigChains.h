#pragma once

#include "config/ConfigItem.h"

#include <QString>
#include <QStringList>

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
// A request that got no answer, or an answer that did not fit, is sent again up to kMaxRepeats
// times (a read, or a write of the same value, does no harm twice); the communication-error window
// waits for the last of them.
//
// A chain ends in exactly one way: its completion, or OnAborted when a request still failed after
// its repeats, a read was refused or the link went down (the completion is then not called). A
// refused write ends the write chain early through its completion, after OnWriteRefused.
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

    // The item the running chain is at. In OnAborted and OnWriteRefused: the item that failed,
    // which is also how many items before it the board answered.
    qint32 ChainIndex() const { return m_chainIndex; }
    const Repeats &RepeatCounts() const { return m_repeats; }

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
    void Start();
    // Whether the request that just failed is sent again.
    bool WillRepeat() const;
    // A request failed: sends it again through repeat, or ends the chain saying why for the item
    // of image it was for.
    void Failed(void (TConfigChains::*repeat)(), const ConfigImage &image);
    // The handlers of one of this chain's requests. A failure sends the request again through
    // repeat, or ends the chain after the session's shared failure handler (the
    // communication-error window) has run.
    TRequestHandlers ChainHandlers(std::function<void(const TModbusAnswer &)> onReply,
                                   std::function<void(const TModbusAnswer &)> onRefused,
                                   void (TConfigChains::*repeat)(), const ConfigImage &image);
    void Progress(int percent);

    TBoardSession &m_session;
    TConfigImages &m_images;
    qint32 m_chainIndex = 0;
    int m_sends = 0;  // times the item at m_chainIndex was sent
    Repeats m_repeats;
    Completion m_readDone;
    Completion m_writeDone;
    // A multi-register write is built here: an item written to the board spans at most 128 registers.
    std::array<quint16, 128> m_buffer{};
    // Answers that arrive after this object is gone find the token expired and do nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

// What a write chain of images.FileImage that stopped at item written (refused there, or failed)
// left on the board, in lines for the user; check says how to compare the board with the file
// ("press Verify").
QStringList WrittenSoFar(const TConfigImages &images, qint32 written, bool refused, const QString &check);
