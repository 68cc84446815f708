// Whole configurations between the board, the window and files: Save, Load, Verify and Compare on
// the main window against the in-process simulated board, and how every failure ends.
#include "FormHarness.h"
#include "TestFiles.h"

#include "app/TConnectionPanel.h"
#include "config/ConfigFile.h"
#include "params/TParametersPage.h"
#include "widgets/TIPAddressEdit.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
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
    void init();
    void cleanup();

    void saveLoadVerifyOnTheBoard();
    void compareFindsOneChangedRegister();
    void olderFirmwareMovesTheBaseSetOnly();
    void offlineSaveAndLoadUseTheWindow();
    void verifyNeedsAFileAndMissingFilesAreIgnored();
    void filesWithMissingKeysAreRefused();

    void refusedWriteEndsTheLoadAndSaysSo();
    void aStoppedSaveWritesNothing_data();
    void aStoppedSaveWritesNothing();
    void transfersRunAlongsideThePoll();

    void unusableDefinitionKeepsTheButtonsOff();

private:
    enum Fault { RefuseItem70, Silent, CloseAfter30 };

    // Connects the window to a fresh simulated board; returns the requests sent on the connection so far.
    int Connect(const Z4BoardOptions &options = Extended());
    void Settle() { ::Settle(Form()); }
    bool WaitIdle() { return WaitForTransferEnd(Page()); }
    QStringList Memo() const;
    QString File(const QString &name) const { return m_dir.filePath(name); }
    TParametersPage &Page() const { return *m_form->Form->ParametersTabSheet; }
    TForm1 &Form() const { return *m_form->Form; }
    // A save of the board to name while connected; true when it ended with the file written.
    bool SaveBoard(const QString &name);

    QTemporaryDir m_dir;
    std::unique_ptr<Z4SimServer> m_board;
    std::unique_ptr<RecordedForm> m_form;
};

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
    const QString text = Page().ParametersMemo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

bool TestConfigTransfer::SaveBoard(const QString &name)
{
    m_form->Messages->SaveAnswer = name;
    Page().SaveButtonClick();
    return WaitIdle() && Memo().last() == QStringLiteral("Save Configuration To File: ") + name && QFile::exists(name);
}

void TestConfigTransfer::saveLoadVerifyOnTheBoard()
{
    QVERIFY(Connect() >= 0);
    TConfigImages &images = Form().Images();
    const QString saved = File(QStringLiteral("board.cnf"));

    // Save: 140 reads, the bar through every percent and back to 0, the buttons off meanwhile.
    QList<int> progress;
    connect(Page().WritedxfProgressBar, &QProgressBar::valueChanged, this, [&progress](int v) { progress.append(v); });
    m_form->Messages->SaveAnswer = saved;
    Page().SaveButtonClick();
    QVERIFY(!Page().LoadButton->isEnabled() && !Page().CompareButton->isEnabled());
    QVERIFY(WaitIdle());
    QCOMPARE(Memo(), QStringList({QStringLiteral("Read Configuration From Board..."),
                                  QStringLiteral("Save Configuration To File: ") + saved}));
    QList<int> expected;
    for (int p = 1; p <= 100; ++p)
        expected.append(p);
    expected.append(0);
    QCOMPARE(progress, expected);
    QCOMPARE(m_board->Requests().size(), 140);
    for (size_t i = 0; i < 140; ++i) {
        const ConfigItem &item = images.BoardImage[i];
        QCOMPARE(m_board->Requests()[qsizetype(i)].Address, item.FirstRegister);
        for (int k = 0; k < item.Registers; ++k)
            QCOMPARE(item.Values[size_t(k)], m_board->Board().value(quint16(item.FirstRegister + k)));
    }
    // The window shows what was read: the supply set point of the board.
    const auto *supply = Form().findChild<QLineEdit *>(QStringLiteral("SupplySPAdvEdit"));
    QVERIFY(supply);
    const qint16 setPoint = static_cast<qint16>(m_board->Board().value(images.BoardImage[0].FirstRegister));
    QCOMPARE(QLocale().toDouble(supply->text()), setPoint / 100.0);

    // The file edited, loaded: the board gets every item, one write each, in item order.
    QByteArray text = ReadAll(saved);
    const QByteArray line = images.BoardImage[0].Ident.toUtf8() + '=' + QByteArray::number(setPoint) + '\n';
    QVERIFY(text.contains(line));
    text.replace(line, images.BoardImage[0].Ident.toUtf8() + "=1850\n");
    QVERIFY(WriteAll(saved, text));
    m_board->ClearRecord();
    progress.clear();
    m_form->Messages->OpenAnswer = saved;
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().mid(2), QStringList({QStringLiteral("Load Configuration From File: ") + saved,
                                         QStringLiteral("Write Configuration To Board...")}));
    QCOMPARE(progress, expected);
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
    QCOMPARE(Memo().mid(4), QStringList({QStringLiteral("Read Configuration From Board..."), QStringLiteral("OK!")}));
    QVERIFY(m_form->Messages->Errors.isEmpty());
}

void TestConfigTransfer::compareFindsOneChangedRegister()
{
    QVERIFY(Connect() >= 0);
    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));

    m_form->Messages->OpenAnswer = saved;
    Page().CompareButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().last(), QStringLiteral("OK!"));

    // One word in the middle of the week program (item of 42 registers) changes on the board.
    const auto &image = Form().Images().BoardImage;
    const auto week = std::find_if(image.cbegin(), image.cend(), [](const ConfigItem &i) { return i.Registers == 42; });
    QVERIFY(week != image.cend());
    const quint16 address = quint16(week->FirstRegister + 17);
    QVERIFY(m_board->Board().write(address, quint16(m_board->Board().value(address) + 1)));
    Page().CompareButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().mid(Memo().size() - 3),
             QStringList({QStringLiteral("Load Configuration From File: ") + saved,
                          QStringLiteral("Read Configuration From Board..."), QStringLiteral("ERROR!")}));
    // Compare shows nothing: the window keeps what the save showed.
    QCOMPARE(WritesOf(m_board->Requests()).size(), 0);
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
    QCOMPARE(Memo().last(), QStringLiteral("OK!"));
    QCOMPARE(images.ActiveItemCount, 132);
    QCOMPARE(m_board->Requests().size(), 132);

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
    QSignalSpy progress(Page().WritedxfProgressBar, &QProgressBar::valueChanged);

    // Offline Save takes the window: every item of the definition, the bar untouched.
    const QString saved = File(QStringLiteral("window.cnf"));
    m_form->Messages->SaveAnswer = saved;
    Page().SaveButtonClick();
    QCOMPARE(Memo(), QStringList{QStringLiteral("Save Configuration To File: ") + saved});
    QCOMPARE(progress.count(), 0);
    QVERIFY(Page().SaveButton->isEnabled());
    const TConfigImages &images = Form().Images();
    QVERIFY(ReadAll(saved).contains("\n" + images.BoardImage[0].Ident.toUtf8() + "=1950\n"));
    QVERIFY(ReadAll(saved).contains("\n" + ConfigKey(images.BoardImage[139], 1).toUtf8() + "="));

    // Offline Load shows the file.
    supply->setText(QStringLiteral("0"));
    m_form->Messages->OpenAnswer = saved;
    Page().LoadButtonClick();
    QCOMPARE(supply->text(), QLocale().toString(19.5, 'f', 1));
    QCOMPARE(Memo().last(), QStringLiteral("Load Configuration From File: ") + saved);

    // A text that is not a number stops an offline save before its memo line and its file.
    supply->setText(QStringLiteral("abc"));
    const QString broken = File(QStringLiteral("broken.cnf"));
    m_form->Messages->SaveAnswer = broken;
    Page().SaveButtonClick();
    QCOMPARE(m_form->Messages->Errors.size(), 1);
    QVERIFY(!QFile::exists(broken));
    QCOMPARE(Memo().size(), 2);

    // A file that cannot be written is said so, in the memo and in a message.
    supply->setText(QStringLiteral("19"));
    const QString nowhere = File(QStringLiteral("no/such/folder.cnf"));
    m_form->Messages->SaveAnswer = nowhere;
    Page().SaveButtonClick();
    QCOMPARE(m_form->Messages->Errors.size(), 2);
    QVERIFY2(Memo().last().startsWith(QStringLiteral("Save failed: "))
                 && Memo().last().contains(QStringLiteral("folder.cnf")),
             qPrintable(Memo().last()));
    QCOMPARE(Memo().size(), 4);

    // Offline, Verify and Compare do nothing.
    Page().VerifyButtonClick();
    Page().CompareButtonClick();
    QCOMPARE(Memo().size(), 4);
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
    faults.Refuse.append({refused.FirstRegister, refused.FirstRegister, 2});
    m_board->SetFaults(faults);
    m_board->ClearRecord();
    QList<int> progress;
    connect(Page().WritedxfProgressBar, &QProgressBar::valueChanged, this, [&progress](int v) { progress.append(v); });
    m_form->Messages->OpenAnswer = saved;
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());

    const QList<SimRequest> writes = WritesOf(m_board->Requests());
    QCOMPARE(writes.size(), 51);  // items 0 .. 50, the last refused
    QCOMPARE(writes.last().Address, refused.FirstRegister);
    QCOMPARE(progress.mid(progress.size() - 2), QList<int>({100, 0}));
    const QString last = Memo().last();
    QVERIFY2(last.contains(refused.Section) && last.contains(refused.Ident)
                 && last.contains(QStringLiteral("not written")),
             qPrintable(last));
    QVERIFY(Page().CompareButton->isEnabled());
}

void TestConfigTransfer::aStoppedSaveWritesNothing_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("memo");  // how the memo's last line starts
    QTest::addColumn<int>("reads");     // requests the board received

    QTest::newRow("read refused") << int(RefuseItem70)
                                  << QStringLiteral("Transfer aborted: the board refused reading [") << 71;
    QTest::newRow("no answer") << int(Silent) << QStringLiteral("Transfer aborted: no answer from the board.") << 1;
    QTest::newRow("link lost") << int(CloseAfter30) << QStringLiteral("Transfer aborted: the link was lost.") << 30;
}

void TestConfigTransfer::aStoppedSaveWritesNothing()
{
    QFETCH(int, fault);
    QFETCH(QString, memo);
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
    case CloseAfter30:
        faults.CloseAfter = sent + 30;
        break;
    }
    m_board->SetFaults(faults);

    const QString name = File(QStringLiteral("never.cnf"));
    m_form->Messages->SaveAnswer = name;
    Page().SaveButtonClick();
    QVERIFY(WaitIdle());
    QVERIFY(!QFile::exists(name));
    QCOMPARE(Page().WritedxfProgressBar->value(), 0);
    QCOMPARE(Memo().size(), 2);
    QVERIFY2(Memo().last().startsWith(memo), qPrintable(Memo().last()));
    QCOMPARE(m_board->Requests().size(), reads);
    if (fault == RefuseItem70)
        QVERIFY(Memo().last().contains(refused.Ident));
    // A board that stops answering or a dropped line is a communication error as always; a refusal is an answer.
    QCOMPARE(Form().ConnectiondxfGroupBox->ErrorWindow() != nullptr, fault != RefuseItem70);
}

void TestConfigTransfer::transfersRunAlongsideThePoll()
{
    QVERIFY(Connect() >= 0);
    Form().ReadTimer().start(1);
    const QString saved = File(QStringLiteral("board.cnf"));
    QVERIFY(SaveBoard(saved));
    m_form->Messages->OpenAnswer = saved;
    Page().LoadButtonClick();
    QVERIFY(WaitIdle());
    Page().VerifyButtonClick();
    QVERIFY(WaitIdle());
    QCOMPARE(Memo().last(), QStringLiteral("OK!"));
    // The poll went on in between.
    const QList<SimRequest> &requests = m_board->Requests();
    QVERIFY(std::count_if(requests.cbegin(), requests.cend(), [](const SimRequest &r) { return r.Address < 0x0200; })
            > 0);
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

QTEST_MAIN(TestConfigTransfer)
#include "tst_configtransfer.moc"
