// z4ctl: the tool's configuration transfers and live status from the command line.
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"

#include <QCoreApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Numbers for scripts: a decimal point whatever the user's language.
    QLocale::setDefault(QLocale::c());

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments.contains(QStringLiteral("--help"))) {
        std::fputs(qPrintable(UsageText()), stdout);
        return kExitDone;
    }
    QString error;
    const auto options = ParseCommandLine(arguments, &error);
    if (!options) {
        std::fprintf(stderr, "z4ctl: %s\n\n%s", qPrintable(error), qPrintable(UsageText()));
        return kExitUsage;
    }
    return RunCommand(*options, stdout, stderr);
}
