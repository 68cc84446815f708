// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_transfer_table: ShowImage and TakeImage of all 140 configuration items on the real main
// window (target: under 2 ms each). The peer is the same controls touched by plain Qt calls with
// no codec work (every edit's text set, every combo's index, every box's check state; then each
// read back), the floor that any table over these widgets pays. Prints the medians and ratios.
#include "app/TForm1.h"
#include "service/TTimersPage.h"
#include "widgets/TransferTable.h"

#include "PrintedMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// An image the window can show exactly: random words shown, then taken back.
ConfigImage WindowImage(const TTransferTable &table, quint32 seed)
{
    QRandomGenerator random(seed);
    ConfigImage image = ImageFromTable();
    for (ConfigItem &item : image) {
        for (quint16 &v : item.Values)
            v = static_cast<quint16>(random.bounded(0x10000));
    }
    table.ShowImage(image, kTransferItems);
    if (!table.TakeImage(image, kTransferItems))
        std::exit(1);
    return image;
}

double MedianUs(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return static_cast<double>(ns[ns.size() / 2]) / 1000.0;
}

qint64 Timed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed();
}

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ShowImage and TakeImage of the whole configuration"));
    parser.addHelpOption();
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Timed rounds (default 200)."),
                                          QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption warmupOption(QStringLiteral("warmup"),
                                          QStringLiteral("Untimed rounds first (default 20)."), QStringLiteral("n"),
                                          QStringLiteral("20"));
    parser.addOptions({roundsOption, warmupOption});
    parser.process(app);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    const int warmup = std::max(0, parser.value(warmupOption).toInt());

    // The window reads its settings from the current folder: give it an empty one.
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    auto messages = std::make_unique<PrintedMessages>();
    TUserMessages &sink = *messages;
    TForm1Options options;
    options.StartupPicture = false;
    TBoardModel model;
    TForm1 form(model, std::move(messages), options);
    TTransferTable table;
    const QStringList problems = table.Bind(form, form.findChild<TTimersPage *>()->WeekProgramView(), sink);
    if (!problems.isEmpty()) {
        std::fprintf(stderr, "the table does not bind:\n%s\n", qPrintable(problems.join(QLatin1Char('\n'))));
        return 1;
    }

    // Two images that differ in nearly every control, shown in turn, so every walk changes them.
    const std::array<ConfigImage, 2> images{WindowImage(table, 1), WindowImage(table, 2)};
    ConfigImage taken = ImageFromTable();

    std::vector<QLineEdit *> edits;
    std::vector<QComboBox *> combos;
    std::vector<QAbstractButton *> boxes;
    for (int i = 0; i < kTransferItems; ++i) {
        for (QWidget *w : table.Codec(i).Controls()) {
            if (auto *e = qobject_cast<QLineEdit *>(w))
                edits.push_back(e);
            else if (auto *c = qobject_cast<QComboBox *>(w))
                combos.push_back(c);
            else if (auto *b = qobject_cast<QAbstractButton *>(w))
                boxes.push_back(b);
        }
    }
    const std::array<QString, 2> texts{QStringLiteral("12"), QStringLiteral("7")};
    int sum = 0;  // keeps the peer's reads from being optimised away

    std::vector<qint64> show, take, peerShow, peerTake;
    for (int round = 0; round < warmup + rounds; ++round) {
        const ConfigImage &image = images[static_cast<size_t>(round % 2)];
        const QString &text = texts[static_cast<size_t>(round % 2)];
        const qint64 s = Timed([&] { table.ShowImage(image, kTransferItems); });
        const qint64 t = Timed([&] {
            if (!table.TakeImage(taken, kTransferItems))
                std::exit(1);
        });
        const qint64 ps = Timed([&] {
            for (QLineEdit *e : edits)
                e->setText(text);
            for (QComboBox *c : combos)
                c->setCurrentIndex(round % 2 == 0 ? 0 : c->count() - 1);
            for (QAbstractButton *b : boxes)
                b->setChecked(round % 2 == 0);
        });
        const qint64 pt = Timed([&] {
            for (QLineEdit *e : edits)
                sum += static_cast<int>(e->text().size());
            for (QComboBox *c : combos)
                sum += c->currentIndex();
            for (QAbstractButton *b : boxes)
                sum += b->isChecked() ? 1 : 0;
        });
        if (round >= warmup) {
            show.push_back(s);
            take.push_back(t);
            peerShow.push_back(ps);
            peerTake.push_back(pt);
        }
    }

    const double showUs = MedianUs(show);
    const double takeUs = MedianUs(take);
    const double peerShowUs = MedianUs(peerShow);
    const double peerTakeUs = MedianUs(peerTake);
    std::printf("controls: %zu edits, %zu combo boxes, %zu check boxes (checksum %d)\n", edits.size(), combos.size(),
                boxes.size(), sum % 10);
    std::printf("%d rounds after %d warm-up rounds, medians:\n", rounds, warmup);
    std::printf("  ShowImage  %8.1f us   (target < 2000 us)   plain setters %8.1f us   ratio %.2f\n", showUs,
                peerShowUs, showUs / peerShowUs);
    std::printf("  TakeImage  %8.1f us   (target < 2000 us)   plain getters %8.1f us   ratio %.2f\n", takeUs,
                peerTakeUs, takeUs / peerTakeUs);
    return 0;
}
