// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QMap>
#include <QWidget>

#include <functional>

class QLabel;
class TBoardSession;
class TParameterEditor;
class TTransferTable;
class TUserMessages;
struct TModbusAnswer;

// What every page of the main window works with.
struct TPageContext
{
    TBoardSession &Session;
    TUserMessages &Messages;
    // The transfer table, bound once every page is built: how a page shows what it reads.
    const TTransferTable &Table;
    // Writes what the user edits; a page gives it the rules of its own controls.
    TParameterEditor &Editor;
    // The PC clock; tests put a fixed one here.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
};

// One tab page of the main window, holding its controls and their handlers.
class TPage : public QWidget
{
    Q_OBJECT

public:
    TPage(const QString &objectName, TPageContext &context, QWidget *parent = nullptr)
        : QWidget(parent), m_context(context)
    {
        setObjectName(objectName);
    }

    // The page became the visible one, or the line came up while it is: reads what the page
    // shows from the board, so that it shows what the board holds now. Only reads; pages the poll
    // or the configuration workflows fill read nothing.
    virtual void Refresh() {}

    // control writes to the board: its page shows a line at its top while what it shows is not
    // known to be what the board holds: "Not read from the board yet." before its first good
    // read, "Not read from the board: <why>." after a read that got no answer or was refused,
    // until a later read of that block succeeds.
    static void MarkWhileNotRead(QWidget *control);
    // Whether the page of control (if any) shows what the board holds: the last read of each of
    // its blocks was good.
    static bool ShowsTheBoard(const QWidget *control);

protected:
    TBoardSession &Session() const { return m_context.Session; }
    TUserMessages &Messages() const { return m_context.Messages; }
    const TTransferTable &Table() const { return m_context.Table; }
    TParameterEditor &Editor() const { return m_context.Editor; }
    QDateTime Now() const { return m_context.Now(); }

    // Reads the registers of configuration items first .. last as one block, while connected,
    // and shows the answer through the table's rows.
    void RefreshItems(int first, int last);
    // The same for any block.
    void RefreshBlock(quint16 start, quint16 count);
    // Reads count registers from start for the page while connected, and hands the answer to
    // show; the page's line follows the outcome (see MarkWhileNotRead).
    void ReadForPage(quint16 start, quint16 count, std::function<void(const TModbusAnswer &)> show);

private:
    void ShowMark();

    TPageContext &m_context;
    // Why the page may not show what the board holds, by block start (kNeverRead until a first
    // good read); empty while the last read of every block was good.
    static constexpr int kNeverRead = -1;
    QMap<int, QString> m_notRead{{kNeverRead, QString()}};
    QLabel *m_mark = nullptr;  // made by the first ShowMark
};
