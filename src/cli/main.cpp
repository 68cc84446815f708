// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// z4ctl: the tool's configuration transfers and live status from the command line.
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QLoggingCategory>

#include <memory>

namespace {
// z4ctl writes its own messages to stderr itself; whatever comes through Qt's message handler is
// Qt's own (the serial client notes every answer with a wrong CRC, which floods stderr on a noisy
// line), and is shown only with --verbose.
bool g_showQtMessages = false;
QtMessageHandler g_qtHandler = nullptr;

void FilterQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if ((g_showQtMessages || type == QtFatalMsg) && g_qtHandler)
        g_qtHandler(type, context, message);
}
}  // namespace

// Whether the command line may ask for a report, which lays out text with fonts: that takes a
// QGuiApplication, on the offscreen platform since z4ctl shows nothing. Every other command keeps
// the plain core application.
static bool MayMakeReport(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "report") == 0)
            return true;
    return false;
}

int main(int argc, char *argv[])
{
    g_qtHandler = qInstallMessageHandler(FilterQtMessage);
    std::unique_ptr<QCoreApplication> app;
    if (MayMakeReport(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // Numbers for scripts: a decimal point whatever the user's language.
    QLocale::setDefault(QLocale::c());

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    QString error;
    const auto options = ParseCommandLine(arguments, &error);
    if (!options)
        return UsageError(error, AsksForJson(arguments), stdout, stderr);
    if (options->Help || options->Version) {
        std::fputs(qPrintable(options->Help ? UsageText() : VersionText()), stdout);
        return kExitDone;
    }
    if (options->Verbose) {
        g_showQtMessages = true;
        // The Modbus clients' warnings are off unless asked for.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus.warning=true"));
    }
    return RunCommand(*options, stdout, stderr);
}
