// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Debian package as cpack makes it from this build tree (the ctest fixture package_make),
// unpacked with dpkg-deb into a temporary folder: what it holds, what it depends on, and its
// programs run from there, away from the build tree's files, against each other; its documents
// (manual pages, completion, copyright, changelog) and lintian's verdict. And the window of an
// installed tool: this test program sits in bin/ beside share/z4vent/, as installed.
#include "WindowOnBoard.h"

#include "config/DefinitionFile.h"
#include "link/ModbusLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

constexpr int kRunMs = 60000;

struct Run
{
    int Exit = -1;
    QString Out;
    QString Err;
};

// A program with arguments, to its end; with environment, in that one.
Run RunProgram(const QString &program, const QStringList &arguments,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(kRunMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.Err = program + QStringLiteral(" did not finish: ") + process.errorString();
        return run;
    }
    run.Exit = process.exitCode();
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The unpacked z4sim on a free loopback port, stopped when this goes.
class UnpackedSim
{
public:
    bool Start(const QString &program)
    {
        m_process.start(program, {QStringLiteral("--tcp"), QStringLiteral("0")});
        if (!m_process.waitForStarted(kRunMs))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kRunMs))
                return false;
        }
        // "z4sim: Modbus TCP on 127.0.0.1:40123, unit 1"
        const auto match = QRegularExpression(QStringLiteral("Modbus TCP on [^ ]+:(\\d+),"))
                               .match(QString::fromUtf8(m_process.readLine()));
        m_port = match.hasMatch() ? match.captured(1) : QString();
        return !m_port.isEmpty();
    }
    QString Address() const { return QStringLiteral("127.0.0.1:") + m_port; }
    ~UnpackedSim()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(kRunMs))
            m_process.kill();
    }

private:
    QProcess m_process;
    QString m_port;
};

}  // namespace

class TstPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void contents_data();
    void contents();
    void control();
    void desktopEntryAndIcon();
    void unpackedProgramsSaveAConfiguration();
    void definitionPlaces_data();
    void definitionPlaces();
    void installedWindowLogsInTheUserFolder();
    void helpAndVersion_data();
    void helpAndVersion();
    void manualPages();
    void completion_data();
    void completion();
    void copyrightAndChangelog();
    void lintianFindsNothing();

private:
    QString Unpacked(const QString &path) const { return m_root.filePath(path); }
    QString Field(const char *name) const;

    QString m_deb;
    QTemporaryDir m_root;  // the package unpacked
    QTemporaryDir m_work;  // files the tests write
};

void TstPackage::initTestCase()
{
    const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
    if (dpkgDeb.isEmpty())
        QSKIP("dpkg-deb is not installed: the package cannot be unpacked");
    const QDir packages(QStringLiteral(Z4_PACKAGE_DIR));
    const QStringList debs = packages.entryList({QStringLiteral("*.deb")}, QDir::Files);
    QVERIFY2(
        debs.size() == 1,
        qPrintable(
            QStringLiteral("one package expected in %1, found: %2").arg(packages.path(), debs.join(QLatin1Char(' ')))));
    m_deb = packages.filePath(debs.front());
    QVERIFY2(m_root.isValid() && m_work.isValid(), qPrintable(m_root.errorString() + m_work.errorString()));
    const Run unpack = RunProgram(dpkgDeb, {QStringLiteral("-x"), m_deb, m_root.path()});
    QVERIFY2(unpack.Exit == 0, qPrintable(unpack.Err));
}

void TstPackage::contents_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("program");

    QTest::newRow("window") << "usr/bin/z4vent" << true;
    QTest::newRow("command-line tool") << "usr/bin/z4ctl" << true;
    QTest::newRow("simulator") << "usr/bin/z4sim" << true;
    QTest::newRow("definition file") << "usr/share/z4vent/deffiles/z4_0parameters.def" << false;
    QTest::newRow("desktop entry") << "usr/share/applications/z4vent.desktop" << false;
    QTest::newRow("icon") << "usr/share/icons/hicolor/scalable/apps/z4vent.svg" << false;
    QTest::newRow("README") << "usr/share/doc/z4vent/README.md" << false;
    QTest::newRow("user's guide") << "usr/share/doc/z4vent/guide.md" << false;
    QTest::newRow("a picture of the guide") << "usr/share/doc/z4vent/guide-main-window.png" << false;
    QTest::newRow("copyright") << "usr/share/doc/z4vent/copyright" << false;
    QTest::newRow("changelog") << "usr/share/doc/z4vent/changelog.gz" << false;
    QTest::newRow("completion") << "usr/share/bash-completion/completions/z4ctl" << false;
    for (const char *program : {"z4vent", "z4ctl", "z4sim"})
        QTest::newRow(program) << QStringLiteral("usr/share/man/man1/%1.1.gz").arg(QLatin1String(program)) << false;
}

void TstPackage::contents()
{
    QFETCH(QString, path);
    QFETCH(bool, program);
    const QFileInfo file(Unpacked(path));
    QVERIFY2(file.isFile() && file.size() > 0, qPrintable(path));
    QCOMPARE(file.isExecutable(), program);
}

QString TstPackage::Field(const char *name) const
{
    const Run run = RunProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, QLatin1String(name)});
    return run.Exit == 0 ? run.Out.trimmed() : QString();
}

// The fields dpkg and apt read, the dependencies taken from the libraries linked.
void TstPackage::control()
{
    const auto field = [this](const char *name) { return Field(name); };
    QCOMPARE(field("Package"), QStringLiteral("z4vent"));
    QVERIFY(!field("Maintainer").isEmpty());
    QVERIFY(!field("Section").isEmpty());
    QVERIFY(!field("Description").isEmpty());
    const QString depends = field("Depends");
    for (const char *library :
         {"libc6", "libqt6core6", "libqt6serialbus6", "libqt6widgets6", "qt6-qpa-plugins", "libqt6sql6-sqlite"})
        QVERIFY2(depends.contains(QRegularExpression(QStringLiteral("(^|, )%1( |,|$)").arg(QLatin1String(library)))),
                 qPrintable(library + QStringLiteral(" missing from: ") + depends));
}

// The menu entry starts the packaged window and shows the packaged icon.
void TstPackage::desktopEntryAndIcon()
{
    const QString entry = Unpacked(QStringLiteral("usr/share/applications/z4vent.desktop"));
    const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty()) {
        qInfo("desktop-file-validate is not installed: the entry's syntax is not checked");
    } else {
        const Run run = RunProgram(validate, {entry});
        QVERIFY2(run.Exit == 0 && run.Out.isEmpty(), qPrintable(run.Out + run.Err));
    }
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(file.readAll());
    const auto value = [&text](const QString &key) {
        return QRegularExpression(QStringLiteral("^%1=(.*)$").arg(key), QRegularExpression::MultilineOption)
            .match(text)
            .captured(1);
    };
    QVERIFY(QFileInfo(Unpacked(QStringLiteral("usr/bin/")) + value(QStringLiteral("Exec"))).isExecutable());
    const QString icon =
        Unpacked(QStringLiteral("usr/share/icons/hicolor/scalable/apps/%1.svg").arg(value(QStringLiteral("Icon"))));
    QFile svg(icon);
    QVERIFY2(svg.open(QIODevice::ReadOnly), qPrintable(icon));
    QXmlStreamReader xml(&svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
    while (!xml.atEnd())
        xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

// The unpacked z4ctl finds the unpacked definition file under share/ and saves the unpacked
// z4sim's configuration.
void TstPackage::unpackedProgramsSaveAConfiguration()
{
    // Nothing of the build tree's layout, where the definition file is beside the programs.
    QVERIFY(!QFileInfo::exists(Unpacked(QStringLiteral("usr/bin/deffiles"))));
    UnpackedSim sim;
    QVERIFY(sim.Start(Unpacked(QStringLiteral("usr/bin/z4sim"))));
    const QString saved = m_work.filePath(QStringLiteral("saved.cnf"));
    const QString z4ctl = Unpacked(QStringLiteral("usr/bin/z4ctl"));
    const Run save = RunProgram(z4ctl, {QStringLiteral("--tcp"), sim.Address(), QStringLiteral("save"), saved});
    QVERIFY2(save.Exit == 0, qPrintable(save.Err));
    QCOMPARE(save.Out, QStringLiteral("Saved: %1\nItems: 132\n").arg(saved));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\nSupplySetPoint="));
    const Run verify = RunProgram(z4ctl, {QStringLiteral("--tcp"), sim.Address(), QStringLiteral("verify"), saved});
    QVERIFY2(verify.Exit == 0, qPrintable(verify.Out + verify.Err));
}

// z4ctl copied into other layouts: a definition file beside it comes first; with none anywhere,
// the message names both places.
void TstPackage::definitionPlaces_data()
{
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("shared");

    QTest::newRow("beside and under share/") << true << true;
    QTest::newRow("neither") << false << false;
}

void TstPackage::definitionPlaces()
{
    QFETCH(bool, beside);
    QFETCH(bool, shared);
    QTemporaryDir layout;
    QVERIFY(layout.isValid());
    const QDir root(layout.path());
    const QString program = root.filePath(QStringLiteral("bin/z4ctl"));
    const QString besideFile = root.filePath(QStringLiteral("bin/deffiles/z4_0parameters.def"));
    const QString sharedFile = root.filePath(QStringLiteral("share/z4vent/deffiles/z4_0parameters.def"));
    QVERIFY(root.mkpath(QStringLiteral("bin/deffiles")) && root.mkpath(QStringLiteral("share/z4vent/deffiles")));
    QVERIFY(QFile::copy(Unpacked(QStringLiteral("usr/bin/z4ctl")), program));
    // The one beside is not usable: a program that took the shared one would not say so.
    if (beside) {
        QFile file(besideFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Info]\nItems=0\n") > 0);
    }
    if (shared)
        QVERIFY(QFile::copy(Unpacked(QStringLiteral("usr/share/z4vent/deffiles/z4_0parameters.def")), sharedFile));

    const QString any = m_work.filePath(QStringLiteral("any.cnf"));
    QVERIFY(QFile(any).open(QIODevice::WriteOnly));
    const Run run = RunProgram(program, {QStringLiteral("diff"), any, any});
    QCOMPARE(run.Exit, 2);
    QVERIFY2(run.Err.contains(besideFile), qPrintable(run.Err));
    QCOMPARE(run.Err.contains(sharedFile), !beside);
}

// An installed window reads the definition from share/ and logs into the user's data folder, never
// into its program folder, even where that folder is writable (as /usr/bin is for root, and this
// test's bin/ is).
void TstPackage::installedWindowLogsInTheUserFolder()
{
    QStandardPaths::setTestModeEnabled(true);  // the user's folder, away from the user's own
    QDir userLogs(ModbusLog::UserFolder());
    QVERIFY(userLogs.removeRecursively());
    QDir program(QCoreApplication::applicationDirPath());
    for (const QString &stale : program.entryList({QStringLiteral("z4link-*")}))
        QVERIFY(program.remove(stale));
    QCOMPARE(StandardDefinitionPath(),
             QDir::cleanPath(program.filePath(QStringLiteral("../share/z4vent/deffiles/z4_0parameters.def"))));

    auto board = StartTcpBoard();
    QVERIFY(board);
    RecordedForm form;
    QVERIFY2(form.Messages->Errors.isEmpty(), qPrintable(form.Messages->Errors.join(QLatin1Char('\n'))));
    TcpOf(*form).SetLogFileEnabled(true);
    TcpOf(*form).SetLogFileLevel(2);
    QVERIFY(::ConnectTcp(*form.Form, board->TcpPort()));
    Settle(*form.Form);

    const QFileInfo log(TcpOf(*form).LogFileName());
    QCOMPARE(log.absolutePath(), userLogs.absolutePath());
    QVERIFY(log.size() > 0);
    QVERIFY2(program.entryList({QStringLiteral("z4link-*")}).isEmpty(), qPrintable(program.entryList().join(' ')));
}

namespace {
QString Unzipped(const QString &path)
{
    const Run run = RunProgram(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    return run.Exit == 0 ? run.Out : QString();
}
}  // namespace

// --help and --version on stdout, with no display to open: the window answers before it needs one.
void TstPackage::helpAndVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");  // a pattern; VERSION stands for the package's
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("platform");  // QT_QPA_PLATFORM=offscreen: a platform, no display

    QTest::newRow("window version") << "z4vent"
                                    << "--version" << 0 << "^z4vent VERSION\n$"
                                    << "" << false;
    QTest::newRow("window help") << "z4vent"
                                 << "--help" << 0 << "^Usage: \\S*z4vent \\[options\\]\n.*-v, --version"
                                 << "" << false;
    QTest::newRow("window, unknown option") << "z4vent"
                                            << "--bogus" << 2 << "^$"
                                            << "Try 'z4vent --help'" << true;
    // Without a display or a platform the window's application could not even be made.
    QTest::newRow("window, unknown option, no display") << "z4vent"
                                                        << "--bogus" << 2 << "^$"
                                                        << "z4vent: Unknown option 'bogus'." << false;
    QTest::newRow("window, a stray argument, no display") << "z4vent"
                                                          << "stray" << 2 << "^$"
                                                          << "unexpected argument 'stray'" << false;
    QTest::newRow("simulator version") << "z4sim"
                                       << "--version" << 0 << "^z4sim VERSION\n$"
                                       << "" << false;
    QTest::newRow("simulator help") << "z4sim"
                                    << "--help" << 0 << "--line-rate <BAUD>"
                                    << "" << false;
}

void TstPackage::helpAndVersion()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QFETCH(int, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, platform);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (platform)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Run run = RunProgram(Unpacked(QStringLiteral("usr/bin/") + program), {argument}, environment);
    QCOMPARE(run.Exit, exit);
    out.replace(QStringLiteral("VERSION"), QRegularExpression::escape(Field("Version")));
    QVERIFY2(QRegularExpression(out, QRegularExpression::DotMatchesEverythingOption).match(run.Out).hasMatch(),
             qPrintable(run.Out));
    QVERIFY2(run.Err.contains(err), qPrintable(run.Err));
}

// Each program's page: its name, the package's version, and the options its --help gives.
void TstPackage::manualPages()
{
    const std::pair<const char *, const char *> pages[] = {
        {"z4vent", "\\-\\-version"}, {"z4ctl", "\\-\\-unit"}, {"z4sim", "\\-\\-line\\-rate"}};
    for (const auto &[program, option] : pages) {
        const QString page =
            Unzipped(Unpacked(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(QLatin1String(program))));
        QVERIFY2(page.contains(QStringLiteral(".SH NAME\n%1 \\- ").arg(QLatin1String(program))), qPrintable(page));
        QVERIFY2(page.contains(QStringLiteral("\"%1 %2\"").arg(QLatin1String(program), Field("Version"))),
                 qPrintable(page));
        QVERIFY2(page.contains(QLatin1String(option)), qPrintable(program + QStringLiteral(": ") + option));
    }

    // z4ctl's commands: one item each in their own list, and no option among them.
    const QString page = Unzipped(Unpacked(QStringLiteral("usr/share/man/man1/z4ctl.1.gz")));
    const qsizetype start = page.indexOf(QStringLiteral(".SS \"Commands:\""));
    QVERIFY2(start >= 0, qPrintable(page));
    const QStringList lines = page.mid(start).split(QLatin1Char('\n'));
    QStringList items;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String(".SS")) || lines[i].startsWith(QLatin1String(".SH")))
            break;
        if (lines[i] == QLatin1String(".TP") && i + 1 < lines.size())
            items.append(lines[i + 1].section(QLatin1Char(' '), 0, 0));
    }
    QCOMPARE(items, QStringList({"status", "save", "report", "load", "verify", "diff", "get", "set", "keys", "watch",
                                 "scan", "record", "export", "events"}));
}

// The words bash would complete after a command line, split as bash splits it (also at "="):
// commands and options from z4ctl's help, keys from the definition z4ctl would read.
void TstPackage::completion_data()
{
    QTest::addColumn<QStringList>("words");  // after z4ctl; the last is the word being completed
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QStringList>("notOffered");

    QTest::newRow("commands") << QStringList{""}
                              << QStringList{"status", "save", "report", "load", "verify", "get", "set", "watch"}
                              << QStringList{"--tcp"};
    QTest::newRow("a command after line options")
        << QStringList{"--unit", "=", "2", "--rtu", "/dev/ttyUSB0", "ver"} << QStringList{"verify"} << QStringList{};
    QTest::newRow("options") << QStringList{"--u"} << QStringList{"--unit", "--unit-name"} << QStringList{"--tcp"};
    QTest::newRow("the report's options")
        << QStringList{"report", "OUT.pdf", "--re"} << QStringList{"--reference"} << QStringList{"--site"};
    // Only the options z4ctl has: not the "--option=value" its help speaks of.
    QTest::newRow("every option") << QStringList{"--"} << QStringList{"--unit", "--json", "--force", "--all"}
                                  << QStringList{"--option"};
    QTest::newRow("a command's option takes a value")
        << QStringList{"watch", "--period", ""} << QStringList{} << QStringList{"status", "watch"};
    // The serial devices the PC has, never the virtual consoles /dev/tty1 ... /dev/tty63.
    QTest::newRow("serial devices") << QStringList{"--rtu", ""} << QStringList{}
                                    << QStringList{"/dev/tty", "/dev/tty1", "/dev/tty63", "/dev/ttyS31"};
    QTest::newRow("an option's values") << QStringList{"--parity", ""} << QStringList{"N", "E", "O"}
                                        << QStringList{"status"};
    QTest::newRow("get: keys of the installed definition")
        << QStringList{"--tcp", "host", "get", "Settings.SupplyS"}
        << QStringList{"Settings.SupplySetPoint", "Settings.SupplySensor"} << QStringList{"status"};
    QTest::newRow("get: an item of three registers")
        << QStringList{"get", "Settings.ControlT"}
        << QStringList{"Settings.ControlTemp0", "Settings.ControlTemp1", "Settings.ControlTemp2"}
        << QStringList{"Settings.ControlTemp"};
    QTest::newRow("set: KEY=") << QStringList{"set", "Settings.SupplySetP"} << QStringList{"Settings.SupplySetPoint="}
                               << QStringList{};
    QTest::newRow("set: no key for a value") << QStringList{"set", "Settings.SupplySetPoint", "=", "2"} << QStringList{}
                                             << QStringList{"Settings.SupplySetPoint="};
    QTest::newRow("--definition's keys") << QStringList{"--definition", "=", "DEFINITION", "get", ""}
                                         << QStringList{"Own.First", "Own.Pair0", "Own.Pair1"}
                                         << QStringList{"Settings.SupplySetPoint"};
}

void TstPackage::completion()
{
    QFETCH(QStringList, words);
    QFETCH(QStringList, offered);
    QFETCH(QStringList, notOffered);
    const QString definition = m_work.filePath(QStringLiteral("own.def"));
    QFile file(definition);
    QVERIFY(file.open(QIODevice::WriteOnly)
            && file.write("; own\n[Info]\nItems=2\n\n[0]\nRegisters=1\nFirstRegister=512\nSection=Own\nIdent=First\n"
                          "\n[1]\nregisters = 2\r\nFirstRegister=513\r\nSection=Own\r\nIdent=Pair\r\n")
                   > 0);
    file.close();
    words.replaceInStrings(QStringLiteral("DEFINITION"), definition);
    words.prepend(Unpacked(QStringLiteral("usr/bin/z4ctl")));
    QStringList quoted;
    for (const QString &word : words)
        quoted << QLatin1Char('\'') + QString(word).replace(QLatin1Char('\''), QStringLiteral("'\\''"))
                      + QLatin1Char('\'');
    const QString script =
        QStringLiteral("source '%1' && COMP_WORDS=(%2) && COMP_CWORD=%3 && _z4ctl; "
                       "printf '%s\\n' \"${COMPREPLY[@]}\"")
            .arg(Unpacked(QStringLiteral("usr/share/bash-completion/completions/z4ctl")), quoted.join(QLatin1Char(' ')))
            .arg(words.size() - 1);
    const Run run = RunProgram(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    QVERIFY2(run.Exit == 0 && run.Err.isEmpty(), qPrintable(run.Err));
    const QStringList reply = run.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &word : offered)
        QVERIFY2(reply.contains(word), qPrintable(word + QStringLiteral(" not in: ") + reply.join(QLatin1Char(' '))));
    for (const QString &word : notOffered)
        QVERIFY2(!reply.contains(word), qPrintable(word + QStringLiteral(" in: ") + reply.join(QLatin1Char(' '))));
}

// The copyright file as the machine-readable format has it: ours, and the parts linked and
// compiled in, each licence named given whole; the changelog of this version; both signed by the
// package's maintainer.
void TstPackage::copyrightAndChangelog()
{
    QFile file(Unpacked(QStringLiteral("usr/share/doc/z4vent/copyright")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString copyright = QString::fromUtf8(file.readAll());
    QVERIFY(copyright.startsWith(
        QLatin1String("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")));
    const QString maintainer = Field("Maintainer");
    QVERIFY(copyright.contains(QStringLiteral("\nUpstream-Contact: %1\n").arg(maintainer)));
    QVERIFY(copyright.contains(QLatin1String("\nFiles: *\nCopyright: 2026 Z4 Ventilation maintainers\n"
                                             "License: GPL-3.0-or-later\n")));
    for (const char *part : {"Qt 6", "GNU LGPL version 3", "QCustomPlot", "SimpleIni"})
        QVERIFY2(copyright.contains(QLatin1String(part)), part);
    const QRegularExpression named(QStringLiteral("^License: (\\S+)\n(?= )"), QRegularExpression::MultilineOption);
    QStringList given;
    for (auto it = named.globalMatch(copyright); it.hasNext();)
        given << it.next().captured(1);
    const QRegularExpression used(QStringLiteral("^Files: .*\n(?:(?!License:).*\n)*License: (\\S+)\n"),
                                  QRegularExpression::MultilineOption);
    for (auto it = used.globalMatch(copyright); it.hasNext();) {
        const QString licence = it.next().captured(1);
        QVERIFY2(given.contains(licence), qPrintable(licence + QStringLiteral(" is named but not given")));
    }
    QCOMPARE(given.size(), 2);

    const QString changelog = Unzipped(Unpacked(QStringLiteral("usr/share/doc/z4vent/changelog.gz")));
    QVERIFY2(changelog.startsWith(QStringLiteral("z4vent (%1) ").arg(Field("Version"))), qPrintable(changelog));
    QVERIFY2(changelog.contains(QStringLiteral("\n -- %1  ").arg(maintainer)), qPrintable(changelog));
}

// The package as Debian's own checker sees it: no error and no warning.
void TstPackage::lintianFindsNothing()
{
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    if (lintian.isEmpty())
        QSKIP("lintian is not installed");
    const Run run = RunProgram(lintian, {QStringLiteral("--fail-on"), QStringLiteral("error,warning"), m_deb});
    QVERIFY2(
        run.Exit == 0
            && !run.Out.contains(QRegularExpression(QStringLiteral("^[EW]: "), QRegularExpression::MultilineOption)),
        qPrintable(run.Out + run.Err));
}

QTEST_MAIN(TstPackage)
#include "tst_package.moc"
