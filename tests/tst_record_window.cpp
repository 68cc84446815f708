// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's recording on a simulated board: started from a trend window, it goes on with
// both trend windows closed and holds the audit trail of an edit and a Load; a folder that cannot
// be written stops it with a message while polling goes on.

#include "record/Recording.h"
#include "record/TRecorder.h"

#include "OddFiles.h"
#include "WindowOnBoard.h"

#include <QAction>
#include <QStatusBar>

class TstRecordWindow : public QObject, public WindowOnBoard
{
    Q_OBJECT

private slots:
    void initTestCase() { EnterOwnFolder(); }
    void cleanupTestCase() { LeaveOwnFolder(); }
    void cleanup() { Close(); }
    void recordingOutlivesTrendWindows();
    void unwritableFolderStopsWithMessage();

private:
    // The window connected to a new board, its recordings going to folder.
    void OpenRecording(const QString &folder)
    {
        m_board = StartTcpBoard();
        QVERIFY(m_board);
        TForm1Options options;
        options.RecordingsFolder = folder;
        m_form = std::make_unique<RecordedForm>(options);
        QVERIFY(ConnectTcp(Form(), m_board->TcpPort()));
        Settle(Form());
    }
    void Poll(int cycles)
    {
        for (int i = 0; i < cycles; ++i) {
            Form().ReadTimerTimer();
            Settle(Form());
        }
    }
    QAction *Action(const char *name) const { return Named<QAction>(name); }
};

void TstRecordWindow::recordingOutlivesTrendWindows()
{
    QTemporaryDir recordings;
    OpenRecording(recordings.path());
    Action("ChartAction")->trigger();
    Form().ChartForm()->PowerButton->click();
    QVERIFY(Form().Recorder().Running());
    QVERIFY(Action("RecordAction")->isChecked());
    const QString path = Form().Recorder().Path();
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(recordings.path()).absolutePath());
    QVERIFY(Named<QLabel>("RecordStatusPanel")->text().contains(QFileInfo(path).fileName()));
    // The regulation window opens recording too; closing both asks nothing and ends nothing.
    Form().FormKeyDown(Qt::Key_F1);
    QVERIFY(Form().TempChartForm()->PowerButton->isChecked());
    Poll(2);
    QVERIFY(Form().ChartForm()->close() && Form().TempChartForm()->close());
    QVERIFY(Messages().Answers.isEmpty() && Messages().Errors.isEmpty());
    QVERIFY(Form().Recorder().Running());

    // An edit, then a Load of what a Save wrote.
    Type(QStringLiteral("SupplySPAdvEdit"), QStringLiteral("18.5"));
    SettleWrites();
    auto *parameters = Named<TParametersPage>("ParametersTabSheet");
    Messages().SaveAnswer = m_dir.filePath(QStringLiteral("board.cnf"));
    parameters->SaveButtonClick();
    QVERIFY(WaitForTransferEnd(*parameters));
    Messages().OpenAnswer = Messages().SaveAnswer;
    Messages().Answers = {TChoice::Other};
    parameters->LoadButtonClick();
    QVERIFY(WaitForTransferEnd(*parameters));
    Poll(2);
    Action("RecordAction")->trigger();
    QVERIFY(!Form().Recorder().Running());
    QVERIFY(Named<QLabel>("RecordStatusPanel")->text().isEmpty());

    rec::TRecordingReader reader;
    QVERIFY2(reader.Open(path), qPrintable(reader.Error()));
    QVERIFY(reader.SampleCount() >= 4);
    QCOMPARE(reader.Info().Line, Form().Model().Line().Status().Line);
    int edits = 0;
    int loads = 0;
    for (const rec::TEvent &event : reader.Events()) {
        if (event.Cause == rec::TCause::Edit) {
            ++edits;
            QCOMPARE(event.New, 1850);
            QVERIFY2(event.Text.contains(QStringLiteral("18.5")), qPrintable(event.Text));
        }
        loads += event.Cause == rec::TCause::Load ? 1 : 0;
    }
    QCOMPARE(edits, 1);
    QVERIFY2(loads >= 100, qPrintable(QString::number(loads)));  // one a configuration item
}

void TstRecordWindow::unwritableFolderStopsWithMessage()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ReadOnlyFolder locked(folder);
    if (!locked.Ready())
        QSKIP("a folder cannot be made read-only here");
    OpenRecording(folder);
    Action("RecordAction")->trigger();
    QVERIFY(!Form().Recorder().Running());
    QVERIFY(!Action("RecordAction")->isChecked());
    QCOMPARE(Messages().Errors.size(), 1);
    QVERIFY2(Messages().Errors[0].startsWith(QStringLiteral("The recording stopped: ")), qPrintable(Messages().Errors[0]));
    QVERIFY(Messages().Errors[0].endsWith(QStringLiteral("Polling goes on.")));
    // The poll goes on.
    QSignalSpy samples(&Form().Poll(), &TPoll::IoSampleTaken);
    Poll(1);
    QCOMPARE(samples.size(), 1);
}

QTEST_MAIN(TstRecordWindow)
#include "tst_record_window.moc"
