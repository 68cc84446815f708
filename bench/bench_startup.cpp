// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_startup: the tool's start-up as whole processes, offscreen, from the start of the process
// to its main window shown and the event loop idle, against a minimal Qt Widgets program that shows
// an empty main window (this executable, started with --empty-window). Both carry the same probe
// (StartupIdleProbe, a Qt generic plugin) that notes the moments and ends the process once idle.
// Prints the medians, where the time goes, and the ratio (target: at most 2x).
#include <QApplication>
#include <QCommandLineParser>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#ifndef Z4_TOOL_EXE
#error "Z4_TOOL_EXE must name the tool's executable (see bench/CMakeLists.txt)"
#endif

namespace {
constexpr int kProcessMs = 60000;

[[noreturn]] void Fail(const QString &message)
{
    std::fprintf(stderr, "bench_startup: %s\n", qPrintable(message));
    std::exit(1);
}

qint64 MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// One start, in seconds from the process start: to the application object set up, to the main
// window on screen, to idle.
struct Start
{
    double Application = 0;
    double Exposed = 0;
    double Idle = 0;
};

Start RunOnce(const QString &program, const QStringList &arguments, const QString &probePath)
{
    // A fresh working folder each time: the tool starts with no settings file, as on a new machine.
    QTemporaryDir folder;
    if (!folder.isValid())
        Fail(QStringLiteral("no temporary folder: ") + folder.errorString());
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), probePath);
    environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("z4idleprobe"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder.path());
    process.setProgram(program);
    process.setArguments(arguments);
    const qint64 startNs = MonotonicNs();
    process.start();
    if (!process.waitForFinished(kProcessMs))
        Fail(QStringLiteral("%1 did not become idle within %2 s").arg(program).arg(kProcessMs / 1000));
    const QList<QByteArray> words = process.readAllStandardOutput().trimmed().split(' ');
    if (words.size() != 4 || words[0] != "z4idle")
        Fail(QStringLiteral("%1 did not report idle (is the probe in %2?): %3")
                 .arg(program, probePath, QString::fromLocal8Bit(process.readAllStandardError())));
    const auto since = [startNs](const QByteArray &ns) { return static_cast<double>(ns.toLongLong() - startNs) / 1e9; };
    return {since(words[1]), since(words[2]), since(words[3])};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Series
{
    const char *Name;
    QString Program;
    QStringList Arguments;
    std::vector<Start> Starts;

    double MedianOf(double Start::*phase) const
    {
        std::vector<double> values;
        for (const Start &start : Starts)
            values.push_back(start.*phase);
        return Median(values);
    }
};
}  // namespace

int main(int argc, char *argv[])
{
    // The peer: the least a Qt Widgets program does to show a main window.
    if (argc == 2 && qstrcmp(argv[1], "--empty-window") == 0) {
        QApplication app(argc, argv);
        QMainWindow window;
        window.show();
        return app.exec();
    }

    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the tool's start-up to its main window shown and idle (offscreen), as whole "
                       "processes, against an empty Qt Widgets main window."));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed starts of each (default 20)."),
                                        QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption toolOption(QStringLiteral("tool"),
                                        QStringLiteral("The tool's executable (default: the one built with this)."),
                                        QStringLiteral("PATH"), QStringLiteral(Z4_TOOL_EXE));
    parser.addOptions({runsOption, toolOption});
    parser.process(app);
    bool ok = false;
    const int runs = parser.value(runsOption).toInt(&ok);
    if (!ok || runs < 1)
        Fail(QStringLiteral("--runs takes a whole number from 1"));
    const QString probePath = QStringLiteral(Z4_PROBE_PATH);

    std::array<Series, 2> series{{
        {"z4vent (main window, start-up picture up)", parser.value(toolOption), {}, {}},
        {"empty QMainWindow", QCoreApplication::applicationFilePath(), {QStringLiteral("--empty-window")}, {}},
    }};
    // Two untimed starts each bring the libraries into the page cache; then the two take turns.
    for (int i = 0; i < 2; ++i) {
        for (const Series &s : series)
            RunOnce(s.Program, s.Arguments, probePath);
    }
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < series.size(); ++k) {
            Series &s = series[(static_cast<size_t>(i) + k) % series.size()];
            s.Starts.push_back(RunOnce(s.Program, s.Arguments, probePath));
        }
    }

    std::printf("start-up to the main window shown and idle, offscreen, median of %d starts (ms from the process "
                "start):\n",
                runs);
    std::printf("  %-42s %12s %12s %10s\n", "", "application", "window shown", "idle");
    for (const Series &s : series)
        std::printf("  %-42s %12.1f %12.1f %10.1f\n", s.Name, s.MedianOf(&Start::Application) * 1e3,
                    s.MedianOf(&Start::Exposed) * 1e3, s.MedianOf(&Start::Idle) * 1e3);
    const double ratio = series[0].MedianOf(&Start::Idle) / series[1].MedianOf(&Start::Idle);
    std::printf("  ratio tool/empty window %.2fx (target: at most 2x) %s\n", ratio, ratio <= 2.0 ? "met" : "NOT MET");
    std::printf("  the tool's share: %.1f ms to its application object (loading its libraries), %.1f ms from there "
                "to the main window shown, %.1f ms from there to idle\n",
                (series[0].MedianOf(&Start::Application) - series[1].MedianOf(&Start::Application)) * 1e3,
                (series[0].MedianOf(&Start::Exposed) - series[0].MedianOf(&Start::Application)
                 - (series[1].MedianOf(&Start::Exposed) - series[1].MedianOf(&Start::Application)))
                    * 1e3,
                (series[0].MedianOf(&Start::Idle) - series[0].MedianOf(&Start::Exposed)
                 - (series[1].MedianOf(&Start::Idle) - series[1].MedianOf(&Start::Exposed)))
                    * 1e3);
    return 0;
}
