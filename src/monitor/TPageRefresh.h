#pragma once

#include <QList>
#include <QtGlobal>


class QWidget;
class TBoardSession;
class TCalibrationPage;
class TTimersPage;
class TTransferTable;
struct TModbusAnswer;

// Reads what a parameter page shows when it becomes the visible one (and after every connect),
// and shows the answers through the transfer table's rows: a page shows what the board holds at
// the moment it was opened. A refresh only reads; it never writes.
class TPageRefresh
{
public:
    TPageRefresh(TBoardSession &session, const TTransferTable &table, QWidget &window, TTimersPage &timers,
                 TCalibrationPage &calibration);

    // Issues the reads of page (one of the main window's pages) while the line is up. Pages
    // the poll or the configuration workflows fill issue nothing.
    void Refresh(const QWidget *page);

    // Shows a block of registers from start through the rows that begin inside it; a row that
    // runs past the end of the block is left as it is.
    void ShowBlock(quint16 start, const QList<quint16> &registers) const;

private:
    void ReadBlock(quint16 start, quint16 count);
    void ReadRemoteControl();
    void ReadCalibration();
    void SetRemoteControlEnabled(bool enabled);

    TBoardSession &m_session;
    const TTransferTable &m_table;
    QWidget &m_window;
    TTimersPage &m_timers;
    TCalibrationPage &m_calibration;
};
