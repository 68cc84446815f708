#pragma once

#include <QApplication>

// The application object. An exception escaping any event handler is shown in the standard
// error box and the tool keeps running; Qt itself never sees it.
class TApplication : public QApplication
{
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// The message the standard error box shows for an exception that escaped a handler.
QString ExceptionMessage(std::exception_ptr error);
