#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>

class TBoardSession;
class TParameterEditor;
class TTransferTable;
class TUserMessages;

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

private:
    TPageContext &m_context;
};
