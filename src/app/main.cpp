// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"
#include "app/TApplication.h"
#include "app/TForm1.h"
#include "session/TBoardModel.h"

#include <QCommandLineParser>
#include <QMessageBox>

namespace {
// The window takes no arguments of its own beyond help and version; Qt's own (-platform,
// -style, ...) are taken by the application object.
void DescribeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("The service and configuration tool for Z4 air-handling-unit controller boards: watch a "
                       "board live over Modbus RTU or Modbus TCP, change its parameters, move whole configurations "
                       "to and from files, calibrate its inputs and outputs, test its I/O, set its week timers, "
                       "clock and addresses, and record trend charts.\n"
                       "It reads its settings file R4Ivivaz.ini from the folder it is started in."));
    parser.addHelpOption();
    parser.addVersionOption();
}

bool AsksForInformation(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "-h" || argument == "-?" || argument == "--help" || argument == "--help-all" || argument == "-v"
            || argument == "--version")
            return true;
    }
    return false;
}
}  // namespace

int main(int argc, char *argv[])
{
    // Help and version are answered on stdout without a display (the manual page is made from
    // them at build time), before the window's application, which needs one, exists.
    if (AsksForInformation(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("z4vent"));
        QCoreApplication::setApplicationVersion(QStringLiteral(Z4_VERSION));
        QCommandLineParser parser;
        DescribeCommandLine(parser);
        parser.process(app);  // prints, and ends the program
    }
    TApplication app(argc, argv);
    {
        // An argument the window does not know ends it with a message, before any window opens.
        QCommandLineParser parser;
        DescribeCommandLine(parser);
        QString error;
        if (!parser.parse(QCoreApplication::arguments()))
            error = parser.errorText();
        else if (!parser.positionalArguments().isEmpty())
            error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst());
        if (!error.isEmpty()) {
            std::fprintf(stderr, "z4vent: %s\nTry 'z4vent --help'\n", qPrintable(error));
            return 2;
        }
    }
    // A second window on the same display would lie exactly on top of the first.
    TSingleInstance instance(TSingleInstance::StandardFolder(), TSingleInstance::StandardName());
    if (!instance.IsFirst()) {
        const bool raised = instance.RaiseFirst(3000);
        QMessageBox::information(nullptr, TApplication::applicationName(),
                                 raised ? QStringLiteral("Z4 Ventilation is already running: its window has been "
                                                         "brought to the front.")
                                        : QStringLiteral("Z4 Ventilation is already running, but its window did "
                                                         "not answer."));
        return 0;
    }
    TBoardModel model;
    TForm1 form(model);
    QObject::connect(&instance, &TSingleInstance::RaiseRequested, &form, [&form] {
        form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
        form.show();
        form.raise();
        form.activateWindow();
    });
    form.show();
    return app.exec();
}
