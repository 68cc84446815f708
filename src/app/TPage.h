#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>

class TBoardSession;
class TUserMessages;

// What every page of the main window works with.
struct TPageContext
{
    TBoardSession &Session;
    TUserMessages &Messages;
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

protected:
    TBoardSession &Session() const { return m_context.Session; }
    TUserMessages &Messages() const { return m_context.Messages; }
    QDateTime Now() const { return m_context.Now(); }

private:
    TPageContext &m_context;
};
