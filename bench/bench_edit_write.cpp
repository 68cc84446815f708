// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_edit_write: one parameter edit as a technician makes it, from Return in an edit of the
// real main window (offscreen) to the board's answer to the write, through the parameter editor,
// the transfer table, the session and our TTCPModbusClient; against the same single-register
// write by a blocking libmodbus call. Both on one z4sim started for the run. Prints the medians
// and their ratio; an edit should stay within twice the plain write.
#include "app/TConnectionPanel.h"
#include "app/TForm1.h"
#include "session/TBoardModel.h"
#include "session/TUserMessages.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TIPAddressEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include <modbus.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "BenchSimulator.h"

namespace {
using bench::Fail;
using bench::Pass;

constexpr quint32 kTimeoutMs = 1000;
constexpr quint16 kSupplySetPoint = 0x0200;

// Messages that would stop a timed edit end the run instead.
class FailingMessages : public TUserMessages
{
public:
    void RangeWarning(QWidget *) override { Fail(QStringLiteral("an edit was refused as out of range")); }
    void ErrorBox(const QString &text) override { Fail(text); }
    QString AskSaveFile() override { return {}; }
    QString AskOpenFile() override { return {}; }
    QString AskSaveFileAs(const QString &, const QString &, const QString &) override { return {}; }
    TChoice Ask(const TQuestion &question) override { return question.Default; }
};

// Connects the window over TCP to the simulator, as a user does on the connection panel.
void Connect(TForm1 &form, quint16 port)
{
    TConnectionPanel &panel = *form.findChild<TConnectionPanel *>();
    panel.EthernetdxfCheckBox->click();
    panel.IPAddressEdit->setText(QStringLiteral("127.0.0.1"));
    form.Model().TcpClient().SetPort(port);
    QEventLoop loop;
    QObject::connect(&form.Model().TcpClient(), &TModbusClient::OnConnect, &loop, &QEventLoop::quit);
    QTimer::singleShot(bench::Simulator::kStartMs, &loop, [] { Fail(QStringLiteral("the window did not connect")); });
    panel.ConnectVrButton->click();
    loop.exec();
    // The reads the connect starts are answered before the timing: a marker read sent last is
    // answered last.
    QEventLoop settled;
    FunctionsStr marker;
    marker.OnReply = [&settled](const TModbusAnswer &) { settled.quit(); };
    marker.OnFailed = [] { Fail(QStringLiteral("the board did not answer after the connect")); };
    form.Model().TcpClient().ReadHoldingRegisters(1, 0xE700, 1, kTimeoutMs, marker);
    settled.exec();
}

// Return in the edit, then the event loop until the board has answered the write.
double EditPass(TForm1 &form, TAdvEdit &edit, int round)
{
    edit.setText(round % 2 ? QStringLiteral("21.5") : QStringLiteral("22"));
    const quint64 answers = form.Model().TcpClient().GetCounters().Answers;
    QEventLoop loop;
    QObject::connect(&form.Model().TcpClient(), &TModbusClient::OnResponse, &loop, &QEventLoop::quit);
    QTimer::singleShot(kTimeoutMs * 2, &loop, [] { Fail(QStringLiteral("the edit's write got no answer")); });
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QElapsedTimer timer;
    timer.start();
    QApplication::sendEvent(&edit, &press);
    QApplication::sendEvent(&edit, &release);
    loop.exec();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (form.Model().TcpClient().GetCounters().Answers != answers + 1)
        Fail(QStringLiteral("the edit did not write exactly once"));
    return seconds;
}

double LibmodbusPass(modbus_t *context, int round)
{
    QElapsedTimer timer;
    timer.start();
    if (modbus_write_register(context, kSupplySetPoint, round % 2 ? 2150 : 2200) != 1)
        Fail(QStringLiteral("modbus_write_register: ") + QString::fromLocal8Bit(modbus_strerror(errno)));
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times one parameter edit from Return to the board's answer "
                                                    "against a blocking libmodbus write, both on z4sim."));
    parser.addHelpOption();
    const bench::RunOptions runOptions(parser, 200, 20);
    parser.process(app);
    const auto [rounds, warmup, simPath] = runOptions.Read(parser);

    bench::Simulator simulator;
    const quint16 port = simulator.Start(simPath);

    TBoardModel model;
    TForm1Options options;
    options.StartupPicture = false;
    options.DefinitionPath = QStringLiteral(Z4_DEF_FILE);
    TForm1 form(model, std::make_unique<FailingMessages>(), options);
    Connect(form, port);
    auto *edit = form.findChild<TAdvEdit *>(QStringLiteral("SupplySPAdvEdit"));
    if (!edit)
        Fail(QStringLiteral("no SupplySPAdvEdit"));
    modbus_t *context = bench::OpenLibmodbus(port, 1, static_cast<int>(kTimeoutMs));

    int edits = 0;
    int writes = 0;
    std::array<Pass, 2> passes{{
        {"edit (Return to answer)", [&] { return EditPass(form, *edit, edits++); }, {}},
        {"libmodbus (blocking write)", [&] { return LibmodbusPass(context, writes++); }, {}},
    }};
    bench::RunPasses(passes, warmup, rounds);
    modbus_close(context);
    modbus_free(context);

    std::printf("one parameter edit, z4sim on 127.0.0.1:%u, median of %d rounds after %d warm-up\n", port, rounds,
                warmup);
    std::array<double, 2> medians{};
    for (size_t k = 0; k < passes.size(); ++k) {
        const std::vector<double> &seconds = passes[k].Seconds;
        medians[k] = bench::Median(seconds);
        std::printf("  %-30s %7.1f us  (best %.1f us, worst %.1f us)\n", passes[k].Name, medians[k] * 1e6,
                    *std::min_element(seconds.begin(), seconds.end()) * 1e6,
                    *std::max_element(seconds.begin(), seconds.end()) * 1e6);
    }
    const double ratio = medians[0] / medians[1];
    std::printf("  ratio edit/libmodbus            %5.2fx  (target: at most 2x) %s\n", ratio,
                ratio <= 2.0 ? "met" : "NOT met");
    return 0;
}
