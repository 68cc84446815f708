// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// Whole configurations between the board, the window and files: Save, Load, Verify and Compare on
// the main window against the in-process simulated board, and how every failure ends.
#include "TestEnvironment.h"
#include "TestFiles.h"
#include "WindowOnBoard.h"

#include "app/TConnectionPanel.h"
#include "config/ConfigFile.h"
#include "link/ModbusLog.h"
#include "params/TParametersPage.h"
#include "widgets/TIPAddressEdit.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {
// The writes among the board's requests.
QList<SimRequest> WritesOf(const QList<SimRequest> &requests)
{
    QList<SimRequest> writes;
    for (const SimRequest &r : requests)
        if (r.Function == 0x06 || r.Function == 0x10)
            writes.append(r);
    return writes;
}

Z4BoardOptions Extended()
{
    Z4BoardOptions options;
    options.firmware = 1012;
    return options;
}
}  // namespace

class TestConfigTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void saveLoadVerifyOnTheBoard();
    void compareFindsOneChangedRegister();
    void verifyNamesTheSameDifferencesHoweverRead();
    void olderFirmwareMovesTheBaseSetOnly();
    void offlineSaveAndLoadUseTheWindow();
    void verifyNeedsAFileAndMissingFilesAreIgnored();
    void filesWithMissingKeysAreRefused();

    void refusedWriteEndsTheLoadAndSaysSo();
    void aStoppedSaveWritesNothing_data();
    void aStoppedSaveWritesNothing();
    void transfersSurviveANoisyLine_data();
    void transfersSurviveANoisyLine();
    void aStoppedLoadSaysWhatItLeft_data();
    void aStoppedLoadSaysWhatItLeft();
    void transfersRunAlongsideThePoll();

    void loadAsksFirst_data();
    void loadAsksFirst();
    void loadKeepsTheSlaveAddress();
    void loadSavesTheBoardFirst_data();
    void loadSavesTheBoardFirst();
    void theLogMarksEachBoard();
    void theFirmwareVersionComesFirst_data();
    void theFirmwareVersionComesFirst();
    void leavingDuringATransferAsks_data();
    void leavingDuringATransferAsks();

    void unusableDefinitionKeepsTheButtonsOff();
    void theButtonsTakeMnemonics();

private:
    enum Fault { RefuseItem70, Silent, Misfit, CloseAfter30 };

    // Connects the window to a fresh simulated board; returns the requests sent on the connection so far.
    int Connect(const Z4BoardOptions &options = Extended());
    void Settle() { ::Settle(Form()); }
    bool WaitIdle() { return WaitForTransferEnd(Page()); }
    QStringList Memo() const;
    QString File(const QString &name) const { return m_dir.filePath(name); }
    TParametersPage &Page() const { return *PageOf<TParametersPage>(*m_form->Form); }
    TForm1 &Form() const { return *m_form->Form; }
    // A save of the board to name while connected; true when it ended with the file written.
    bool SaveBoard(const QString &name);
    // Disconnects and connects the window to the board on port.
    bool Reconnect(quint16 port);

    QTemporaryDir m_dir;
    QString m_oldCurrent;
    std::unique_ptr<Z4SimServer> m_board;
    std::unique_ptr<RecordedForm> m_form;
};

// The window reads and writes its settings file in the current folder: one of the test's own.
void TestConfigTransfer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void TestConfigTransfer::cleanupTestCase()
{
    QDir::setCurrent(m_oldCurrent);
}

void TestConfigTransfer::init()
{
    QVERIFY(m_dir.isValid());
    m_form = std::make_unique<RecordedForm>();
    Form().ReadTimer().stop();  // only the transfers matter here, unless a test starts the poll
}

void TestConfigTransfer::cleanup()
{
    m_form.reset();
    m_board.reset();
}

int TestConfigTransfer::Connect(const Z4BoardOptions &options)
{
    m_board = StartTcpBoard(options);
    if (!m_board)
        return -1;
    if (!ConnectTcp(Form(), m_board->TcpPort()))
        return -1;
    Settle();
    const int sent = static_cast<int>(m_board->Requests().size());
    m_board->ClearRecord();
    return sent;
}

QStringList TestConfigTransfer::Memo() const
{
    return TransferLines(Page());
}

bool TestConfigTransfer::SaveBoard(const QString &name)
{
    m_form->Messages->SaveAnswer = name;
    Page().SaveButtonClick();
    if (!WaitIdle())
        return false;
    const QStringList memo = Memo();
    return memo.size() >= 2 && memo[memo.size() - 2] == QStringLiteral("Save Configuration To File: ") + name
           && memo.last().startsWith(QStringLiteral("Save done, ")) && QFile::exists(name);
}

bool TestConfigTransfer::Reconnect(quint16 port)
{
    TConnectionPanel &panel = *PanelOf(Form());
    panel.ConnectVrButton->click();
    if (!QTest::qWaitFor([&panel] { return panel.ConnectVrButton->text() == QStringLiteral("&Connect"); }, kSoonMs)
        || !ConnectTcp(Form(), port))
        return false;
    Settle();
    return true;
}

void TestConfigTransfer::saveLoadVerifyOnTheBoard()
{
    QVERIFY(Connect() >= 0);
    TConfigImages &images = Form().Images();
    const QString saved = File(QStringLiteral("board.cnf"));

    // Save: 140 items read, the bar through every percent and left at 100, the buttons off meanwhile.
    QList<int> progress;
    connect(Page().WritedxfProgressBar, &QProgressBar::valueChanged, this, [&progress](int v) { progress.append(v); });
    m_form->Messages->SaveAnswer = saved;
    Page().SaveButtonClick();
    QVERIFY(!Page().LoadButton->isEnabled() && !Page().CompareButton->isEnabled());
    QVERIFY(WaitIdle());
    QCOMPARE(Memo(), QStringList({QStringLiteral("Read Configuration From Board..."),
                                  QStringLiteral("Save Configuration To File: ") + saved,
                                  QStringLiteral("Save done, 140 items.")}));
    QList<int> expected;
    for (int p = 1; p <= 100; ++p)
        expected.append(p);
    QCOMPARE(progress, expected);
    QCOMPARE(m_board->Requests().size(), 8);  // a block read for each run of consecutive items
    for (size_t i = 0; i < 140; ++i) {
        const ConfigItem &item = images.BoardImage[i];
        for (int k = 0; k < item.Registers; ++k)
            QCOMPARE(item.Values[size_t(k)], m_board->Board().value(quint16(item.FirstRegister + k)));
    }
    // The window shows what was read: the supply set point of the board.
    const auto *supply = Form().findChild<QLineEdit *>(QStringLiteral("SupplySPAdvEdit"));
    QVERIFY(supply);
    const qint16 setPoint = static_cast<qint16>(m_board->Board().value(images.BoardImage[0].FirstRegister));
    QCOMPARE(QLocale().toDouble(supply->text()), setPoint / 100.0);

    // The file edited, loaded, every item asked for: the board is read first, then gets every item,
    // one write each, in item order.
    QByteArray text = ReadAll(saved);
    const QByteArray line = images.BoardImage[0].Ident.toUtf8() + '=' + QByteArray::number(setPoint) + '\n';
    QVERIFY(text.contains(line));
    text.replace(line, images.BoardImage[0].Ident.toUtf8() + "=1850\n");
    QVERIFY(WriteAll(saved, text));
    m_board->ClearRecord();
    progress.clear();
    m_form->Messages->OpenAnswer = saved;
    m_form->Messages->Answers = {TChoice::Other};
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().mid(3),
             QStringList({QStringLiteral("Load Configuration From File: ") + saved,
                          QStringLiteral("Read Configuration From Board..."),
                          QStringLiteral("1 of 140 items differ from the board."),
                          QStringLiteral("[Settings] SupplySetPoint: board %1 °C, file 18.5 °C [%2, 1850]")
                              .arg(QString::number(setPoint / 100.0))
                              .arg(setPoint),
                          QStringLiteral("Write Configuration To Board..."),
                          QStringLiteral("Load done, 140 items written.")}));
    QCOMPARE(progress, QList<int>{0} + expected + QList<int>{0} + expected);
    const QList<SimRequest> writes = WritesOf(m_board->Requests());
    QCOMPARE(writes.size(), 140);
    for (size_t i = 0; i < 140; ++i) {
        const ConfigItem &item = images.FileImage[i];
        const SimRequest &w = writes[qsizetype(i)];
        QCOMPARE(w.Function, quint8(item.Registers == 1 ? 0x06 : 0x10));
        QCOMPARE(w.Address, item.FirstRegister);
        QCOMPARE(w.Count, quint16(item.Registers));
    }
    QCOMPARE(m_board->Board().value(images.FileImage[0].FirstRegister), quint16(1850));
    QCOMPARE(QLocale().toDouble(supply->text()), 18.5);

    // Verify reads the board back against the file just loaded.
    Page().VerifyButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().mid(9),
             QStringList({QStringLiteral("Read Configuration From Board..."),
                          QStringLiteral("Verify done, 140 items: the board holds every value of the file.")}));
    QCOMPARE(Page().WritedxfProgressBar->value(), 100);
    QVERIFY(m_form->Messages->Errors.isEmpty());
}

void TestConfigTransfer::compareFindsOneChangedRegister()
{
    QVERIFY(Connect() >= 0);
    const auto &image = Form().Images().BoardImage;
    const quint16 supply = 0x0200;  // [Settings] SupplySetPoint, in hundredths of a degree
    QVERIFY(m_board->Board().write(supply, 2100));
    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));
    // Verify right after a Save compares the board with the file just saved.
    Page().VerifyButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().last(), QStringLiteral("Verify done, 140 items: the board holds every value of the file."));

    m_form->Messages->OpenAnswer = saved;
    Page().CompareButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().last(), QStringLiteral("Compare done, 140 items: the board holds every value of the file."));
    // Compare's file dialog is its own, not Load's.
    QCOMPARE(m_form->Messages->OpenTitles, QStringList{QStringLiteral("Compare Configuration Parameters")});

    // The supply set point and one word in the middle of the week program (item of 42 registers)
    // change on the board: both are named, with the board's and the file's value as their controls
    // show them.
    const auto week = std::find_if(image.cbegin(), image.cend(), [](const ConfigItem &i) { return i.Registers == 42; });
    QVERIFY(week != image.cend());
    const quint16 address = quint16(week->FirstRegister + 17);
    QVERIFY(m_board->Board().write(address, quint16(m_board->Board().value(address) + 1)));
    QVERIFY(m_board->Board().write(supply, 2250));
    Page().CompareButtonClick();
    QVERIFY(WaitIdle());
    const QStringList tail = Memo().mid(Memo().size() - 5);
    // A Compare reads the file to compare with, and says so: it loads nothing.
    QCOMPARE(tail.mid(0, 3),
             QStringList({QStringLiteral("Compare Configuration With File: ") + saved,
                          QStringLiteral("Read Configuration From Board..."),
                          QStringLiteral("[Settings] SupplySetPoint: board 22.5 °C, file 21 °C [2250, 2100]")}));
    QVERIFY2(tail[3].startsWith(QStringLiteral("[%1] %2: board ").arg(week->Section, ConfigKey(*week, 17))),
             qPrintable(tail[3]));
    QCOMPARE(tail[4], QStringLiteral("Compare done, 140 items: 2 registers differ (listed above)."));
    QCOMPARE(Page().WritedxfProgressBar->value(), 100);
    // Compare shows nothing: the window keeps what the save showed.
    QCOMPARE(WritesOf(m_board->Requests()).size(), 0);
}

// Verify in block reads, on a board that refuses the larger blocks, and one item per request names
// the same registers; a refused block is read item by item in its transfer, said once.
void TestConfigTransfer::verifyNamesTheSameDifferencesHoweverRead()
{
    QVERIFY(Connect() >= 0);
    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));
    m_form->Messages->OpenAnswer = saved;
    Page().CompareButtonClick();
    QVERIFY(WaitIdle());
    // The first and last register of a block, one inside a multi-register item, the first of a
    // run cut for its length, the last item.
    for (const quint16 address : {0x0200, 0x0215, 0x0230, 0x036A, 0x0521})
        QVERIFY(m_board->Board().write(address, quint16(m_board->Board().value(address) ^ 0x11)));
    const QString note =
        QStringLiteral(" could not be read in one request (the board refused it: illegal data value (3))");
    const auto verify = [this] {
        m_board->ClearRecord();
        const qsizetype from = Memo().size();
        Page().VerifyButtonClick();
        return WaitIdle() ? Memo().mid(from) : QStringList{QStringLiteral("still running")};
    };
    const QStringList blocks = verify();
    QCOMPARE(m_board->Requests().size(), 8);
    QCOMPARE(blocks.size(), 1 + 5 + 1);
    QVERIFY2(blocks.last().contains(QStringLiteral("5 registers differ")), qPrintable(blocks.last()));

    // Blocks over 42 registers refused: those are read item by item in that transfer, said once;
    // the next transfer tries the blocks again.
    m_board->SetFaults({.Refuse = {}, .MaxRead = 42});
    for (int transfer = 0; transfer < 2; ++transfer) {
        QStringList refused = verify();
        QCOMPARE(refused.filter(note).size(), 1);
        refused.removeAt(1);
        QCOMPARE(refused, blocks);
        // The blocks of 75 and 106 registers as their 39 and 31 items, the other six blocks as they
        // were: the block of 75 refused once, the longer one after it not sent whole at all.
        QCOMPARE(m_board->Requests().size(), 39 + 31 + 6 + 1);
    }

    Page().Chains().ReadItemByItem();
    QCOMPARE(verify(), blocks);
    QCOMPARE(m_board->Requests().size(), 140);
}

void TestConfigTransfer::olderFirmwareMovesTheBaseSetOnly()
{
    QVERIFY(Connect() >= 0);
    TConfigImages &images = Form().Images();
    const QString full = File(QStringLiteral("full.cnf"));
    QVERIFY(SaveBoard(full));

    // The firmware has no extended set: a difference there does not count, and nothing of it moves.
    Form().Live().FirmwareRev12 = false;
    const quint16 extended = images.BoardImage[136].FirstRegister;
    QVERIFY(m_board->Board().write(extended, quint16(m_board->Board().value(extended) ^ 1)));
    m_board->ClearRecord();
    m_form->Messages->OpenAnswer = full;
    Page().CompareButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().last(), QStringLiteral("Compare done, 132 items: the board holds every value of the file."));
    QCOMPARE(images.ActiveItemCount, 132);
    QCOMPARE(m_board->Requests().size(), 6);

    // Saved now, the file is a base-set file; loaded with extended firmware it still moves 132 items,
    // and the window's extended items keep what they showed.
    const QString base = File(QStringLiteral("base.cnf"));
    QVERIFY(SaveBoard(base));
    QVERIFY(!ReadAll(base).contains(images.BoardImage[139].Ident.toUtf8()));
    Form().Live().FirmwareRev12 = true;
    auto *extendedEdit = Form().findChild<QLineEdit *>(QStringLiteral("VIS4AdvEdit"));  // item 135
    QVERIFY(extendedEdit);
    extendedEdit->setText(QStringLiteral("432"));
    m_board->ClearRecord();
    m_form->Messages->OpenAnswer = base;
    m_form->Messages->Answers = {TChoice::Go};  // the board holds the file: written when asked all the same
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(images.ActiveItemCount, 132);
    QCOMPARE(WritesOf(m_board->Requests()).size(), 132);
    QCOMPARE(WritesOf(m_board->Requests()).last().Address, images.FileImage[131].FirstRegister);
    QCOMPARE(extendedEdit->text(), QStringLiteral("432"));
}

void TestConfigTransfer::offlineSaveAndLoadUseTheWindow()
{
    auto *supply = Form().findChild<QLineEdit *>(QStringLiteral("SupplySPAdvEdit"));
    QVERIFY(supply);
    supply->setText(QLocale().toString(19.5, 'f', 1));
    // The extended set is edited offline like any other item: no board's firmware decides.
    auto *exhaustKi = Form().findChild<QLineEdit *>(QStringLiteral("EKiAdvEdit"));
    QVERIFY(exhaustKi && exhaustKi->isEnabled());
    exhaustKi->setText(QStringLiteral("12"));
    QSignalSpy progress(Page().WritedxfProgressBar, &QProgressBar::valueChanged);

    // Offline Save takes the window: every item of the definition, the bar at once at 100.
    const QString saved = File(QStringLiteral("window.cnf"));
    m_form->Messages->SaveAnswer = saved;
    Page().SaveButtonClick();
    QCOMPARE(Memo(), QStringList({QStringLiteral("Save Configuration To File: ") + saved,
                                  QStringLiteral("Save done, 140 items.")}));
    QCOMPARE(progress.count(), 1);
    QCOMPARE(Page().WritedxfProgressBar->value(), 100);
    QVERIFY(Page().SaveButton->isEnabled());
    const TConfigImages &images = Form().Images();
    QVERIFY(ReadAll(saved).contains("\n" + images.BoardImage[0].Ident.toUtf8() + "=1950\n"));
    QVERIFY(ReadAll(saved).contains("\n" + ConfigKey(images.BoardImage[139], 1).toUtf8() + "="));
    QVERIFY(ReadAll(saved).contains("\n" + images.BoardImage[132].Ident.toUtf8() + "=1200\n"));

    // Offline Load shows the file (the window's last item held 0: a base-set file, as the file format says).
    supply->setText(QStringLiteral("0"));
    m_form->Messages->OpenAnswer = saved;
    Page().LoadButtonClick();
    QCOMPARE(supply->text(), QLocale().toString(19.5, 'f', 1));
    QCOMPARE(Memo().mid(2), QStringList({QStringLiteral("Load Configuration From File: ") + saved,
                                         QStringLiteral("Load done, 132 items shown in the window; not connected, "
                                                        "nothing written.")}));

    // A text that is not a number stops an offline save before its memo line and its file.
    supply->setText(QStringLiteral("abc"));
    const QString broken = File(QStringLiteral("broken.cnf"));
    m_form->Messages->SaveAnswer = broken;
    Page().SaveButtonClick();
    QCOMPARE(m_form->Messages->Errors.size(), 1);
    QVERIFY(!QFile::exists(broken));
    QCOMPARE(Memo().size(), 4);

    // A file that cannot be written is said so, in the memo and in a message.
    supply->setText(QStringLiteral("19"));
    const QString nowhere = File(QStringLiteral("no/such/folder.cnf"));
    m_form->Messages->SaveAnswer = nowhere;
    Page().SaveButtonClick();
    QCOMPARE(m_form->Messages->Errors.size(), 2);
    QVERIFY2(Memo().last().startsWith(QStringLiteral("Save failed: "))
                 && Memo().last().contains(QStringLiteral("folder.cnf")),
             qPrintable(Memo().last()));
    QCOMPARE(Memo().size(), 6);

    // Offline, Verify and Compare do nothing.
    Page().VerifyButtonClick();
    Page().CompareButtonClick();
    QCOMPARE(Memo().size(), 6);
}

void TestConfigTransfer::verifyNeedsAFileAndMissingFilesAreIgnored()
{
    QVERIFY(Connect() >= 0);
    Page().VerifyButtonClick();
    QCOMPARE(Memo().size(), 1);
    QVERIFY2(Memo().first().startsWith(QStringLiteral("No configuration file to verify against")),
             qPrintable(Memo().first()));
    QVERIFY(Page().VerifyButton->isEnabled());

    // A file gone by the time the dialog closes, or a cancelled dialog: nothing at all.
    m_form->Messages->OpenAnswer = File(QStringLiteral("gone.cnf"));
    Page().LoadButtonClick();
    Page().CompareButtonClick();
    m_form->Messages->OpenAnswer.clear();
    Page().LoadButtonClick();
    m_form->Messages->SaveAnswer.clear();
    Page().SaveButtonClick();
    Settle();
    QCOMPARE(Memo().size(), 1);
    QCOMPARE(m_board->Requests().size(), 1);  // the marker read only
}

void TestConfigTransfer::filesWithMissingKeysAreRefused()
{
    QVERIFY(Connect() >= 0);
    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));
    const QString key = ConfigKey(Form().Images().BoardImage[20], 0);
    QByteArray text = ReadAll(saved);
    const qsizetype at = text.indexOf("\n" + key.toUtf8() + "=");
    QVERIFY(at > 0);
    text.remove(at, text.indexOf('\n', at + 1) - at);
    QVERIFY(WriteAll(saved, text));

    m_board->ClearRecord();
    m_form->Messages->OpenAnswer = saved;
    Page().LoadButtonClick();
    Page().CompareButtonClick();
    Settle();
    QCOMPARE(m_form->Messages->Errors.size(), 2);
    QVERIFY2(m_form->Messages->Errors.first().contains(key), qPrintable(m_form->Messages->Errors.first()));
    QCOMPARE(WritesOf(m_board->Requests()).size(), 0);
    QCOMPARE(m_board->Requests().size(), 1);  // the marker read only
    QVERIFY(Page().LoadButton->isEnabled());
}

void TestConfigTransfer::refusedWriteEndsTheLoadAndSaysSo()
{
    QVERIFY(Connect() >= 0);
    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));

    // A copy: the Load below replaces the file image this item lives in.
    const ConfigItem refused = Form().Images().FileImage[50];
    SimFaults faults;
    faults.Refuse.append({refused.FirstRegister, refused.FirstRegister, 2, true});
    m_board->SetFaults(faults);
    m_board->ClearRecord();
    QList<int> progress;
    connect(Page().WritedxfProgressBar, &QProgressBar::valueChanged, this, [&progress](int v) { progress.append(v); });
    m_form->Messages->OpenAnswer = saved;
    m_form->Messages->Answers = {TChoice::Go};
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());

    const QList<SimRequest> writes = WritesOf(m_board->Requests());
    QCOMPARE(writes.size(), 51);  // items 0 .. 50, the last refused
    QCOMPARE(writes.last().Address, refused.FirstRegister);
    QCOMPARE(progress.mid(progress.size() - 2), QList<int>({100, 0}));
    const QStringList tail = Memo().mid(Memo().size() - 3);
    QVERIFY2(tail[0].contains(refused.Section) && tail[0].contains(refused.Ident)
                 && tail[0].contains(QStringLiteral("not written")),
             qPrintable(tail[0]));
    const ConfigItem &last = Form().Images().FileImage[49];
    QCOMPARE(tail.mid(1),
             QStringList({QStringLiteral("50 of 140 items were written; the last one written was [%1] %2.")
                              .arg(last.Section, last.Ident),
                          QStringLiteral("The board now holds a mix of old and new values: press Verify to compare it "
                                         "with the file.")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_form->Messages->Errors, QStringList{tail.join(QLatin1Char('\n'))}, kSoonMs);
    QVERIFY(Page().CompareButton->isEnabled());
}

void TestConfigTransfer::aStoppedSaveWritesNothing_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QStringList>("memo");  // the memo after its first line; a last line ending in "[" is its start
    QTest::addColumn<int>("reads");         // requests the board received

    // The first item is asked three times, the window waiting for the last failure.
    const QString first = QStringLiteral("[Settings] SupplySetPoint, sent 3 times.");
    // The block of item 70 is refused, then its items one by one up to item 70.
    QTest::newRow("read refused") << int(RefuseItem70)
                                  << QStringList{QStringLiteral(
                                                     "Registers 0x0300-0x0369 could not be read in one "
                                                     "request (the board refused it: illegal data address (2)): "
                                                     "they are read one item per request in this "
                                                     "transfer."),
                                                 QStringLiteral("Transfer aborted: the board refused reading [")}
                                  << 2 + 1 + 12;
    // The block three times, then its first item three times.
    QTest::newRow("no answer") << int(Silent)
                               << QStringList{QStringLiteral("Registers 0x0200-0x0215 could not be read in one "
                                                             "request (no answer): they are read one item per "
                                                             "request in this transfer."),
                                              QStringLiteral("4 requests repeated after no answer."),
                                              QStringLiteral("Transfer aborted: no answer from the board to the "
                                                             "request for ")
                                                  + first}
                               << 6;
    QTest::newRow("answers that do not fit")
        << int(Misfit)
        << QStringList{QStringLiteral("Registers 0x0200-0x0215 could not be read in one request (its answer did "
                                      "not fit): they are read one item per request in this transfer."),
                       QStringLiteral("2 requests repeated after an answer that did not fit."),
                       QStringLiteral("Transfer aborted: an answer that did not fit the request for ") + first}
        << 1 + 3;
    QTest::newRow("link lost") << int(CloseAfter30)
                               << QStringList{QStringLiteral("Transfer aborted: the link was lost.")} << 5;
}

void TestConfigTransfer::aStoppedSaveWritesNothing()
{
    QFETCH(int, fault);
    QFETCH(QStringList, memo);
    QFETCH(int, reads);
    const int sent = Connect();
    QVERIFY(sent >= 0);
    SimFaults faults;
    const ConfigItem &refused = Form().Images().BoardImage[70];
    switch (fault) {
    case RefuseItem70:
        faults.Refuse.append({refused.FirstRegister, refused.FirstRegister, 2});
        break;
    case Silent:
        Form().Session().SetRequestTimeout(300);
        faults.DropEvery = 1;
        break;
    case Misfit:
        faults.CorruptEvery = 1;
        break;
    case CloseAfter30:
        faults.CloseAfter = sent + 5;
        break;
    }
    m_board->SetFaults(faults);

    const QString name = File(QStringLiteral("never.cnf"));
    m_form->Messages->SaveAnswer = name;
    Page().SaveButtonClick();
    QVERIFY(WaitIdle());
    QVERIFY(!QFile::exists(name));
    QCOMPARE(Page().WritedxfProgressBar->value(), 0);
    QCOMPARE(Memo().size(), memo.size() + 1);
    if (memo.last().endsWith(QLatin1Char('[')))
        QVERIFY2(Memo().last().startsWith(memo.last()), qPrintable(Memo().last()));
    else
        QCOMPARE(Memo().mid(1), memo);
    QCOMPARE(m_board->Requests().size(), reads);
    if (fault == RefuseItem70)
        QVERIFY(Memo().last().contains(refused.Ident));
    // A board that stops answering or a dropped line is a communication error as always; a refusal is an answer.
    QCOMPARE(PanelOf(Form())->ErrorWindow() != nullptr, fault != RefuseItem70);
}

void TestConfigTransfer::transfersSurviveANoisyLine_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("why");  // the end of the memo's line of repeats

    QTest::newRow("answers lost") << int(Silent) << QStringLiteral(" after no answer.");
    QTest::newRow("answers that do not fit") << int(Misfit) << QStringLiteral(" after an answer that did not fit.");
}

// One answer in 7 lost or not fitting: Save, Load and Verify each go through to the end, with what
// they should have moved, and the line's trouble is told once, in the memo.
void TestConfigTransfer::transfersSurviveANoisyLine()
{
    QFETCH(int, fault);
    QFETCH(QString, why);
    QVERIFY(Connect() >= 0);
    Form().Session().SetRequestTimeout(300);
    SimFaults faults;
    (fault == Silent ? faults.DropEvery : faults.CorruptEvery) = 7;
    m_board->SetFaults(faults);
    const TConfigImages &images = Form().Images();
    // Memo lines from line from of the form "<n> requests repeated<why>", whose n add up to the
    // requests the board got right after the same request (the poll does not run here).
    const auto repeated = [this, &why](int from) {
        const QList<SimRequest> &r = m_board->Requests();
        int n = 0;
        for (qsizetype i = 1; i < r.size(); ++i)
            n += r[i].Function == r[i - 1].Function && r[i].Address == r[i - 1].Address && r[i].Count == r[i - 1].Count
                 && r[i].Values == r[i - 1].Values;
        int said = 0;
        for (const QString &line : Memo().mid(from).filter(QStringLiteral(" repeated "))) {
            if (!line.endsWith(why))
                return false;
            said += line.section(QLatin1Char(' '), 0, 0).toInt();
        }
        // Trouble with a block read may have been met by reading it item by item instead.
        return said == n && (n > 0 || !Memo().mid(from).filter(QStringLiteral("could not be read in one")).isEmpty());
    };

    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));
    QVERIFY2(repeated(0), qPrintable(Memo().join(QLatin1Char('\n'))));
    TConfigImages file = images;
    QString error;
    QVERIFY2(ReadConfigFile(saved, file, true, &error), qPrintable(error));
    for (const ConfigItem &item : file.FileImage)
        for (int k = 0; k < item.Registers; ++k)
            QCOMPARE(item.Values[size_t(k)], m_board->Board().value(quint16(item.FirstRegister + k)));

    // Loaded with one value changed, every item asked for: every write carries the file's value,
    // and the board ends up holding the file.
    QByteArray text = ReadAll(saved);
    const QByteArray key = '\n' + images.BoardImage[0].Ident.toUtf8() + '=';
    const qsizetype at = text.indexOf(key) + key.size();
    text.replace(at, text.indexOf('\n', at) - at, "1850");
    QVERIFY(WriteAll(saved, text));
    m_board->ClearRecord();
    const int loadFrom = int(Memo().size());
    m_form->Messages->OpenAnswer = saved;
    m_form->Messages->Answers = {TChoice::Other};
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    QMap<quint16, quint16> fileValues;
    for (const ConfigItem &item : images.FileImage)
        for (int k = 0; k < item.Registers; ++k)
            fileValues.insert(quint16(item.FirstRegister + k), item.Values[size_t(k)]);
    QCOMPARE(fileValues.value(images.FileImage[0].FirstRegister), quint16(1850));
    for (auto [address, value] : m_board->Writes())
        QCOMPARE(value, fileValues.value(address));
    for (auto it = fileValues.cbegin(); it != fileValues.cend(); ++it)
        QCOMPARE(m_board->Board().value(it.key()), it.value());
    // The board read first, then written.
    QVERIFY2(repeated(loadFrom), qPrintable(Memo().join(QLatin1Char('\n'))));

    m_board->ClearRecord();
    const int verifyFrom = int(Memo().size());
    Page().VerifyButtonClick();
    QVERIFY(WaitIdle());
    QVERIFY2(Memo().last().endsWith(QStringLiteral("the board holds every value of the file.")),
             qPrintable(Memo().last()));
    QVERIFY2(repeated(verifyFrom), qPrintable(Memo().join(QLatin1Char('\n'))));
    // A block whose answer did not fit is read item by item in its transfer, said once a transfer
    // (Save, Load's read, Verify).
    const qsizetype notes =
        Memo().filter(QStringLiteral(" could not be read in one request (its answer did not fit)")).size();
    QVERIFY(fault == Misfit ? notes >= 1 && notes <= 3 : notes == 0);
    QVERIFY(m_form->Messages->Errors.isEmpty());
    QVERIFY(PanelOf(Form())->ErrorWindow() == nullptr);
}

void TestConfigTransfer::aStoppedLoadSaysWhatItLeft_data()
{
    QTest::addColumn<bool>("refused");  // else unanswered
    QTest::addColumn<int>("at");        // the item the load stops at
    QTest::addColumn<int>("writes");    // requests the board received

    QTest::newRow("first item refused") << true << 0 << 1;
    QTest::newRow("first item unanswered") << false << 0 << 3;
    QTest::newRow("item 90 unanswered") << false << 90 << 93;
}

// A Load that stops early says how far it came, in the memo and in a message: the board holds
// what was written before the stop, and the window goes on showing what it showed.
void TestConfigTransfer::aStoppedLoadSaysWhatItLeft()
{
    QFETCH(bool, refused);
    QFETCH(int, at);
    QFETCH(int, writes);
    QVERIFY(Connect() >= 0);
    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));
    const ConfigImage image = Form().Images().BoardImage;
    const ConfigItem &stop = image[size_t(at)];

    Form().Session().SetRequestTimeout(300);
    if (refused) {
        m_board->SetFaults({.Refuse = {{stop.FirstRegister, stop.FirstRegister, 2, true}}});
    } else {
        // From the write of the item before on (at 0: after the board was read), the board answers nothing.
        connect(m_board.get(), &Z4SimServer::RequestHandled, this, [this, &image, at](const SimRequest &r) {
            if (at > 0 ? r.Function != 0x03 && r.Address == image[size_t(at - 1)].FirstRegister
                       : r.Function == 0x03 && r.Address == image.back().FirstRegister)
                m_board->SetFaults({.DropEvery = 1, .Refuse = {}});
        });
    }
    m_board->ClearRecord();
    const int from = int(Memo().size());
    m_form->Messages->OpenAnswer = saved;
    m_form->Messages->Answers = {TChoice::Go};  // the board holds the file: written when asked all the same
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(WritesOf(m_board->Requests()).size(), writes);

    QStringList said;
    if (refused) {
        said << QStringLiteral(
                    "The board refused [%1] %2 (illegal data address (2)): the items after it were not written.")
                    .arg(stop.Section, stop.Ident)
             << QStringLiteral("None of the 140 items was written.");
    } else {
        // The write on the line when the board fell silent may have been carried out.
        said << QStringLiteral("Transfer aborted: no answer from the board to the request for [%1] %2, sent 3 times.")
                    .arg(stop.Section, stop.Ident)
             << QStringLiteral("%1 items written; item %2 ([%3] %4) was sent and its outcome is unknown.")
                    .arg(at)
                    .arg(at + 1)
                    .arg(stop.Section, stop.Ident)
             << QStringLiteral("The board %1 a mix of old and new values: press Verify to compare it with the file.")
                    .arg(at == 0 ? QStringLiteral("may now hold") : QStringLiteral("now holds"));
    }
    QCOMPARE(Memo().mid(Memo().size() - said.size()), said);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->Messages->Errors, QStringList{said.join(QLatin1Char('\n'))}, kSoonMs);
    const QStringList before =
        refused ? QStringList{} : QStringList{QStringLiteral("2 requests repeated after no answer.")};
    QCOMPARE(Memo().mid(from, Memo().size() - from - said.size()),
             QStringList({QStringLiteral("Load Configuration From File: ") + saved,
                          QStringLiteral("Read Configuration From Board..."),
                          QStringLiteral("The board holds every value of the file."),
                          QStringLiteral("Write Configuration To Board...")})
                 + before);
    QVERIFY(Page().LoadButton->isEnabled());
}

void TestConfigTransfer::transfersRunAlongsideThePoll()
{
    QVERIFY(Connect() >= 0);
    Form().ReadTimer().start(1);
    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));
    m_form->Messages->OpenAnswer = saved;
    m_form->Messages->Answers = {TChoice::Go};
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    Page().VerifyButtonClick();
    QVERIFY(WaitIdle());
    QVERIFY2(Memo().last().endsWith(QStringLiteral("the board holds every value of the file.")),
             qPrintable(Memo().last()));
    // The poll went on in between.
    const QList<SimRequest> &requests = m_board->Requests();
    QVERIFY(std::count_if(requests.cbegin(), requests.cend(), [](const SimRequest &r) { return r.Address < 0x0200; })
            > 0);
}

void TestConfigTransfer::loadAsksFirst_data()
{
    QTest::addColumn<QByteArray>("key");     // a key of the file, changed; empty: the file as the board holds it
    QTest::addColumn<quint16>("address");    // its register
    QTest::addColumn<QByteArray>("value");   // its value in the file
    QTest::addColumn<int>("answer");         // the choice the user makes; -1: Enter
    QTest::addColumn<QStringList>("asked");  // what the question says, besides the file and the board
    QTest::addColumn<QStringList>("row");    // the differing value listed: name, board, file; empty: none
    QTest::addColumn<bool>("written");       // the board took the value, and nothing else

    const QString onlyOne =
        QStringLiteral("1 of 140 items differ from what the board holds now; only these are written.");
    const QString outside = QStringLiteral("The file holds values outside the limits of their edits:\n"
                                           "[Settings] SupplySetPoint: 90 °C (the edit takes 10 .. 55 °C)");
    const QByteArray setPoint("SupplySetPoint");
    const quint16 at = 0x0200;
    const QStringList setPointRow{QStringLiteral("[Settings] SupplySetPoint"), QStringLiteral("20 °C"),
                                  QStringLiteral("18.5 °C")};
    const QStringList outsideRow{QStringLiteral("[Settings] SupplySetPoint"), QStringLiteral("20 °C"),
                                 QStringLiteral("90 °C")};
    QTest::newRow("one item differs: Enter writes nothing")
        << setPoint << at << QByteArray("1850") << -1 << QStringList{onlyOne} << setPointRow << false;
    QTest::newRow("one item differs: written alone")
        << setPoint << at << QByteArray("1850") << int(TChoice::Go) << QStringList{onlyOne} << setPointRow << true;
    QTest::newRow("nothing differs: Enter writes nothing")
        << QByteArray() << at << QByteArray() << -1
        << QStringList{QStringLiteral("already holds every value"),
                       QStringLiteral("(140 items): nothing needs writing.")}
        << QStringList() << false;
    QTest::newRow("a value outside its limits: Enter writes nothing")
        << setPoint << at << QByteArray("9000") << -1 << QStringList{onlyOne, outside} << outsideRow << false;
    QTest::newRow("a value outside its limits: written when the user says so")
        << setPoint << at << QByteArray("9000") << int(TChoice::Go) << QStringList{outside} << outsideRow << true;
    // The simulation times' edits take whole seconds: 6.5 s is none they can hold, and the list
    // says it as the part on the limits does.
    QTest::newRow("tenths of a second where the edit takes seconds")
        << QByteArray("SimulatedTemp0") << quint16(0x033B) << QByteArray("65") << -1
        << QStringList{QStringLiteral("[InOut] SimulatedTemp0: 6.5 sec (the edit takes 1 .. 6000 sec)")}
        << QStringList{QStringLiteral("[InOut] SimulatedTemp0"), QStringLiteral("60 sec"), QStringLiteral("6.5 sec")}
        << false;
}

// Load reads the board first and asks, naming the file, the board, how many items differ, listing
// each differing value on both sides as Verify and Compare name it, and every value outside its
// edit's limits; Enter writes nothing, and only the items that differ are written.
void TestConfigTransfer::loadAsksFirst()
{
    QFETCH(QByteArray, key);
    QFETCH(quint16, address);
    QFETCH(QByteArray, value);
    QFETCH(int, answer);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, row);
    QFETCH(bool, written);
    QVERIFY(Connect() >= 0);
    const QString file = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(file));
    if (!key.isEmpty()) {
        QByteArray text = ReadAll(file);
        const qsizetype at = text.indexOf('\n' + key + '=') + key.size() + 2;
        QVERIFY(at > key.size() + 2);
        text.replace(at, text.indexOf('\n', at) - at, value);
        QVERIFY(WriteAll(file, text));
    }
    const quint16 before = m_board->Board().value(address);
    m_board->ClearRecord();
    m_form->Messages->OpenAnswer = file;
    if (answer >= 0)
        m_form->Messages->Answers = {TChoice(answer)};
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());

    QCOMPARE(m_form->Messages->Questions.size(), 1);
    const TQuestion &question = m_form->Messages->Questions.first();
    QCOMPARE(question.Default, TChoice::Cancel);
    QVERIFY2(question.Text.contains(QStringLiteral("\n%1\n").arg(QDir::toNativeSeparators(file)))
                 && question.Text.contains(QStringLiteral("the board at 127.0.0.1:%1, unit 1").arg(m_board->TcpPort())),
             qPrintable(question.Text));
    for (const QString &part : asked)
        QVERIFY2(question.Text.contains(part), qPrintable(question.Text));
    QCOMPARE(question.Rows, row.isEmpty() ? QList<QStringList>() : QList<QStringList>{row});
    QCOMPARE(question.FirstText, QStringLiteral("Save the board's configuration first..."));
    // The board was read whole before anything was written.
    const QList<SimRequest> writes = WritesOf(m_board->Requests());
    QCOMPARE(m_board->Requests().size(), 8 + writes.size());
    if (!written) {
        QCOMPARE(writes.size(), 0);
        QCOMPARE(Memo().last(), QStringLiteral("Nothing was written to the board."));
        QCOMPARE(m_board->Board().value(address), before);
        return;
    }
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().Address, address);
    QCOMPARE(m_board->Board().value(address), quint16(value.toInt()));
    Page().VerifyButtonClick();
    QVERIFY(WaitIdle());
    QVERIFY2(Memo().last().endsWith(QStringLiteral("the board holds every value of the file.")),
             qPrintable(Memo().last()));
}

// A file from a board at another address: writing it all writes every item but the slave address,
// so the board goes on answering where the line is, and the question says so.
void TestConfigTransfer::loadKeepsTheSlaveAddress()
{
    QVERIFY(Connect() >= 0);
    const QString file = File(QStringLiteral("other.cnf"));
    QVERIFY(SaveBoard(file));
    QByteArray text = ReadAll(file);
    QVERIFY(text.contains("\nBoardAddress=1\n"));
    QVERIFY(WriteAll(file, text.replace("\nBoardAddress=1\n", "\nBoardAddress=5\n")));
    m_board->ClearRecord();
    m_form->Messages->OpenAnswer = file;
    m_form->Messages->Answers = {TChoice::Go};
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());

    const TQuestion &question = m_form->Messages->Questions.first();
    QVERIFY2(question.Text.contains(QStringLiteral("The file's slave address is not written: the board keeps "
                                                   "answering at 1")),
             qPrintable(question.Text));
    QVERIFY2(question.Text.contains(QStringLiteral("already holds every other value")), qPrintable(question.Text));
    QCOMPARE(question.GoText, QStringLiteral("Write all 139 items anyway"));
    const QList<SimRequest> writes = WritesOf(m_board->Requests());
    QCOMPARE(writes.size(), 139);
    QCOMPARE(Memo().last(), QStringLiteral("Load done, 139 items written."));
    QVERIFY(std::none_of(writes.cbegin(), writes.cend(), [](const SimRequest &w) { return w.Address == 0x0383; }));
    QCOMPARE(m_board->Board().value(0x0383), quint16(1));
    QVERIFY(Form().Session().LinkOk());
}

void TestConfigTransfer::loadSavesTheBoardFirst_data()
{
    QTest::addColumn<QString>("saveAs");      // the file chosen for the board's configuration; empty: cancelled
    QTest::addColumn<QList<int>>("answers");  // the user's choices in the question, in turn
    QTest::addColumn<int>("asked");           // how often the question came
    QTest::addColumn<bool>("written");        // the Load wrote the file's value

    const int first = int(TChoice::First);
    QTest::newRow("saved, then written") << "kept.cnf" << QList<int>{first, int(TChoice::Go)} << 2 << true;
    QTest::newRow("the save cancelled: asked again, nothing written")
        << QString() << QList<int>{first, int(TChoice::Cancel)} << 2 << false;
    QTest::newRow("a save that fails ends the Load") << "no folder/kept.cnf" << QList<int>{first} << 1 << false;
    QTest::newRow("never over the file being loaded") << "board.cnf" << QList<int>{first} << 1 << false;
}

// "Save the board's configuration first..." in the Load question saves the board as read before
// anything is written: loaded back, that file gives the board its old value, and Verify finds it
// whole. A save cancelled asks again; one that fails ends the Load with a message and no write.
void TestConfigTransfer::loadSavesTheBoardFirst()
{
    QFETCH(QString, saveAs);
    QFETCH(QList<int>, answers);
    QFETCH(int, asked);
    QFETCH(bool, written);
    QVERIFY(Connect() >= 0);
    const QString file = File(QStringLiteral("board.cnf"));
    const QString kept = saveAs.isEmpty() ? QString() : File(saveAs);
    QVERIFY(SaveBoard(file));
    QFile::remove(File(QStringLiteral("kept.cnf")));
    QVERIFY(WriteAll(file, ReadAll(file).replace("\nSupplySetPoint=2000\n", "\nSupplySetPoint=1850\n")));
    m_form->Messages->OpenAnswer = file;
    m_form->Messages->SaveAnswer = kept;
    for (const int answer : answers)
        m_form->Messages->Answers.append(TChoice(answer));
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(m_form->Messages->Questions.size(), asked);
    QCOMPARE(m_form->Messages->Errors.size(), written || kept.isEmpty() ? 0 : 1);
    QCOMPARE(m_board->Board().value(0x0200), quint16(written ? 1850 : 2000));
    if (!written) {
        QCOMPARE(Memo().last(), QStringLiteral("Nothing was written to the board."));
        return;
    }
    QVERIFY(m_form->Messages->Questions.last().Text.endsWith(QDir::toNativeSeparators(kept)));
    m_form->Messages->OpenAnswer = kept;
    m_form->Messages->Answers = {TChoice::Go};
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    Page().VerifyButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(m_board->Board().value(0x0200), quint16(2000));
    QVERIFY2(Memo().last().endsWith(QStringLiteral("the board holds every value of the file.")),
             qPrintable(Memo().last()));
}

// The page's log marks which board it is about, once the connect's version read names it, and
// again only when the line reaches another board; the link's log gets the same line.
void TestConfigTransfer::theLogMarksEachBoard()
{
    QTemporaryDir data;
    const TEnvironment environment("XDG_DATA_HOME", data.path());
    TcpOf(Form()).SetLogFileEnabled(true);
    // Other runs may have written there before (beside the program, in the build tree).
    const QString logFile =
        QDir(TConnectionPanel::LogFolderInUse()).filePath(ModbusLog::FileNameFor(QDate::currentDate()));
    const qint64 logged = QFileInfo(logFile).size();
    const std::unique_ptr<Z4SimServer> other = StartTcpBoard({.firmware = 1012, .boardNumber = 7});
    QVERIFY(other && Connect() >= 0);
    const auto board = [](quint16 port, int number) {
        return QStringLiteral("board: 127.0.0.1:%1, unit 1, firmware 1.012, board number %2 ====")
            .arg(port)
            .arg(number);
    };
    const QString one = board(m_board->TcpPort(), 1);
    const QString seven = board(other->TcpPort(), 7);
    const auto marks = [this] {
        QStringList lines = Page().ParametersMemo->toPlainText().split(QLatin1Char('\n'));
        lines.removeIf([](const QString &line) { return !line.startsWith(QLatin1String("==== ")); });
        return lines.replaceInStrings(QRegularExpression(QStringLiteral("^==== \\d\\d:\\d\\d:\\d\\d ")), QString());
    };
    QCOMPARE(marks(), QStringList{one});
    // The version read again on the same board, the same board after a reconnect, another board.
    Form().Poll().ReadVersion();
    Settle();
    QVERIFY(Reconnect(m_board->TcpPort()));
    QCOMPARE(marks(), QStringList{one});
    QVERIFY(Reconnect(other->TcpPort()));
    QVERIFY(Reconnect(m_board->TcpPort()));
    QCOMPARE(marks(), (QStringList{one, seven, one}));
    const QByteArray log = ReadAll(logFile).mid(logged);
    QCOMPARE(log.count(("==== " + one).toUtf8()), 2);
    QCOMPARE(log.count(("==== " + seven).toUtf8()), 1);
}

void TestConfigTransfer::theFirmwareVersionComesFirst_data()
{
    QTest::addColumn<bool>("refused");  // the board refuses the version read
    QTest::newRow("a base-set board, the transfers started at once") << false;
    QTest::newRow("a version that cannot be read") << true;
}

// With no poll running, a transfer started right after the connect waits for the version read the
// connect sent: a base-set board is never asked for the items it lacks, and a version that
// cannot be read ends the transfer before any item.
void TestConfigTransfer::theFirmwareVersionComesFirst()
{
    QFETCH(bool, refused);
    const QString file = File(QStringLiteral("base.cnf"));
    QFile::remove(file);
    m_board = StartTcpBoard({.firmware = 1011});
    QVERIFY(m_board);
    if (refused)
        m_board->SetFaults({.Refuse = {{0xE700, 0xE701}}});
    // The page reads nothing when the line comes up: the board hears the version read, the read of
    // the overrides it holds, and the transfer only.
    TabsOf(Form())->setCurrentWidget(&Page());
    m_form->Messages->SaveAnswer = file;
    // The save starts as the line comes up, before the version read the connect sent can be answered.
    connect(
        &TcpOf(Form()), &TModbusClient::OnConnect, this,
        [this] {
            QVERIFY(!Form().Live().VersionKnown);
            Page().SaveButtonClick();
        },
        Qt::SingleShotConnection);
    QVERIFY(ConnectTcp(Form(), m_board->TcpPort()));
    QVERIFY(WaitIdle());
    if (refused) {
        QCOMPARE(Memo(),
                 QStringList({QStringLiteral("Reading the board's firmware version first..."),
                              QStringLiteral("Transfer aborted: the board's firmware version could not be read: the "
                                             "board refused reading it (illegal data address (2)).")}));
        QVERIFY(!QFile::exists(file));
    } else {
        QCOMPARE(Memo().first(), QStringLiteral("Reading the board's firmware version first..."));
        QCOMPARE(Memo().last(), QStringLiteral("Save done, 132 items."));
        m_form->Messages->OpenAnswer = file;
        m_form->Messages->Answers = {TChoice::Go};
        Page().LoadButtonClick();
        QVERIFY(WaitIdle());
        QCOMPARE(WritesOf(m_board->Requests()).size(), 132);
    }
    // Nothing but the base set: the version read at the connect and for the save (each followed by
    // the series number), the two reads of the overrides at the connect, the save's 6 block reads,
    // the load's 6 block reads and its 132 writes.
    QCOMPARE(m_board->Requests().size(), refused ? 2 + 2 : 2 * 2 + 2 + 6 + 6 + 132);
}

void TestConfigTransfer::leavingDuringATransferAsks_data()
{
    QTest::addColumn<bool>("load");        // else a save
    QTest::addColumn<bool>("disconnect");  // else the window is closed
    QTest::newRow("closing the window during a load") << true << false;
    QTest::newRow("Disconnect during a load") << true << true;
    QTest::newRow("closing the window during a save") << false << false;
}

// Closing the window or Disconnect during a transfer asks first; Enter keeps the transfer running.
// Stopped, it ends after the request on the line, a Load saying what it wrote, and then the
// window closes or the line with it.
void TestConfigTransfer::leavingDuringATransferAsks()
{
    QFETCH(bool, load);
    QFETCH(bool, disconnect);
    QVERIFY(Connect() >= 0);
    const QString file = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(file));
    const QString settings = QDir(m_dir.path()).filePath(QStringLiteral("R4Ivivaz.ini"));
    QFile::remove(settings);
    QFile::remove(file);
    if (load) {
        QVERIFY(SaveBoard(file));
        m_form->Messages->OpenAnswer = file;
        m_form->Messages->Answers = {TChoice::Go};
    } else {
        m_form->Messages->SaveAnswer = file;
    }
    m_board->ClearRecord();
    // The user leaves at the tenth request of the transfer's own kind (Enter), and again at the
    // twentieth (going on); a save, in 8 block reads, at the third and the sixth.
    const int first = load ? 10 : 3;
    const int second = load ? 20 : 6;
    int requests = 0;
    connect(m_board.get(), &Z4SimServer::RequestHandled, this, [&](const SimRequest &r) {
        if ((r.Function != 0x03) != load || (++requests != first && requests != second))
            return;
        if (requests == second)
            m_form->Messages->Answers = {TChoice::Go};
        if (disconnect)
            PanelOf(Form())->ConnectVrButton->click();
        else
            Form().close();
    });
    load ? Page().LoadButtonClick() : Page().SaveButtonClick();
    QVERIFY(WaitIdle());

    const QList<TQuestion> &questions = m_form->Messages->Questions;
    QCOMPARE(questions.size(), load ? 3 : 2);  // a load asks first whether to write
    for (const TQuestion &question : questions.mid(questions.size() - 2)) {
        QCOMPARE(question.Title, QStringLiteral("Transfer running"));
        QCOMPARE(question.Default, TChoice::Cancel);
        QVERIFY2(question.Text.startsWith(load ? QStringLiteral("A Load is writing a configuration file to the board: ")
                                               : QStringLiteral("A Save is reading the board's configuration")),
                 qPrintable(question.Text));
    }
    QCOMPARE(requests, second);  // nothing more was sent
    QStringList said{QStringLiteral("Transfer stopped by the user.")};
    if (load) {
        const ConfigItem &last = Form().Images().FileImage[19];
        said << QStringLiteral("20 of 140 items were written; the last one written was [%1] %2.")
                    .arg(last.Section, last.Ident)
             << QStringLiteral("The board now holds a mix of old and new values: press Verify to compare it with the "
                               "file.");
    }
    QCOMPARE(Memo().mid(Memo().size() - said.size()), said);
    // The message comes first, then the window closes or the line.
    QTRY_VERIFY_WITH_TIMEOUT(disconnect ? !Form().Session().Connected() : QFile::exists(settings), kSoonMs);
    QCOMPARE(m_form->Messages->Errors, load ? QStringList{said.join(QLatin1Char('\n'))} : QStringList{});
    QCOMPARE(QFile::exists(file), load);
}

void TestConfigTransfer::unusableDefinitionKeepsTheButtonsOff()
{
    const QString definition = File(QStringLiteral("z4_0parameters.def"));
    QVERIFY(WriteAll(definition, "[Info]\nItems=140\n[0]\nRegisters=1\nFirstRegister=999\nSection=A\nIdent=B\n"));
    m_form.reset();
    auto messages = std::make_unique<MessageRecorder>();
    MessageRecorder *recorder = messages.get();
    TForm1Options options;
    options.StartupPicture = false;
    options.DefinitionPath = definition;
    m_form = std::make_unique<RecordedForm>();
    m_form->Form = std::make_unique<TForm1>(m_form->Model, std::move(messages), options);
    m_form->Messages = recorder;

    QCOMPARE(recorder->Errors.size(), 1);
    QVERIFY2(recorder->Errors.first().contains(QDir::toNativeSeparators(definition))
                 && recorder->Errors.first().contains(QStringLiteral("item 0")),
             qPrintable(recorder->Errors.first()));
    for (QPushButton *button : {Page().SaveButton, Page().LoadButton, Page().VerifyButton, Page().CompareButton})
        QVERIFY(!button->isEnabled());
    // Not even a click from code saves anything.
    recorder->SaveAnswer = File(QStringLiteral("never.cnf"));
    Page().SaveButtonClick();
    QVERIFY(!QFile::exists(recorder->SaveAnswer));
}

// Alt and the underlined letter press a button as a click does. (That each is spoken by a name of
// its own: tst_accessibility.)
void TestConfigTransfer::theButtonsTakeMnemonics()
{
    TabsOf(Form())->setCurrentWidget(&Page());
    Form().show();
    Form().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&Form()));
    const QString saved = File(QStringLiteral("keys.cnf"));
    m_form->Messages->SaveAnswer = saved;
    // The button shows itself pressed for a moment, then clicks.
    QTest::keyClick(&Form(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(saved), kSoonMs);
    m_form->Messages->OpenAnswer = saved;
    QTest::keyClick(&Form(), Qt::Key_L, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(Memo().last().startsWith(QStringLiteral("Load done, ")), kSoonMs);
}

QTEST_MAIN(TestConfigTransfer)
#include "tst_configtransfer.moc"
