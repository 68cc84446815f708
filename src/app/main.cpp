// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsPlace.h"
#include "app/SingleInstance.h"
#include "app/TApplication.h"
#include "app/TForm1.h"
#include "link/ModbusLog.h"
#include "session/TBoardModel.h"

#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>

namespace {
// The window's own options beyond help and version; Qt's own (-platform, -style, ...) are taken by
// the application object.
const QCommandLineOption kConnect(QStringLiteral("connect"),
                                  QStringLiteral("Press Connect once the window is shown: open the line the settings "
                                                 "file names."));

void DescribeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("The service and configuration tool for Z4 air-handling-unit controller boards: watch a "
                       "board live over Modbus RTU or Modbus TCP, change its parameters, move whole configurations "
                       "to and from files, calibrate its inputs and outputs, test its I/O, set its week timers, "
                       "clock and addresses, and record trend charts.\n"
                       "It keeps its settings file R4Ivivaz.ini in the folder it is started in when that folder "
                       "holds one, else in ~/.config/z4vent/ ($XDG_CONFIG_HOME/z4vent/ where that is set)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(kConnect);
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

// What is wrong with the arguments, or nothing. Asked before the window's application exists,
// which cannot be made without a display: a wrong argument must be said (exit status 2) with or
// without one. Qt's own options are known here by name, with one dash or two, as Qt takes them.
QString ArgumentError(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    DescribeCommandLine(parser);
    for (const char *name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry", "qwindowtitle",
          "title", "qwindowicon", "icon", "session", "display", "name", "style", "stylesheet", "qmljsdebugger"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setValueName(QStringLiteral("value"));
        parser.addOption(option);
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    if (!parser.parse(arguments))
        return parser.errorText();
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst());
    return {};
}

int UsageError(const QString &error)
{
    std::fprintf(stderr, "z4vent: %s\nTry 'z4vent --help'\n", qPrintable(error));
    return 2;
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
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        if (const QString error = ArgumentError(arguments); !error.isEmpty())
            return UsageError(error);
    }
    TApplication app(argc, argv);
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    {
        // What Qt left of the arguments, once more: an option Qt's own list above does not know.
        QString error;
        if (!parser.parse(QCoreApplication::arguments()))
            error = parser.errorText();
        else if (!parser.positionalArguments().isEmpty())
            error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst());
        if (!error.isEmpty())
            return UsageError(error);
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
    // The folder of the settings files, for the whole run; logs kept in the folder of older
    // versions move to the one in use now.
    SettingsPlace::Use(SettingsPlace::Choose(QDir::currentPath()));
    ModbusLog::AdoptOldFiles(
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).filePath(QStringLiteral("logs")));
    TBoardModel model;
    TForm1Options options;
    options.ConnectAtStart = parser.isSet(kConnect);
    TForm1 form(model, nullptr, options);
    QObject::connect(&instance, &TSingleInstance::RaiseRequested, &form, [&form] {
        form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
        form.show();
        form.raise();
        form.activateWindow();
    });
    form.show();
    return app.exec();
}
