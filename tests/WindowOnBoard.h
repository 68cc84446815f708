// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window on a simulated board: connecting it as a user does, waiting for the board to
// answer what it asked, and what the tests of the pages share: the window connected to an
// in-process board, in a current folder of the test's own (where the window reads and writes its
// settings file), and the user's actions on it.

#include "FormHarness.h"
#include "SimHarness.h"

#include "monitor/TPoll.h"
#include "params/TParametersPage.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TIPAddressEdit.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDebug>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

// Connects the window over TCP to a board on a loopback port, as a user does on the connection
// panel; true once the line is up. The reads the connect starts may still be under way.
inline bool ConnectTcp(TForm1 &form, quint16 port)
{
    TConnectionPanel &panel = *PanelOf(form);
    panel.EthernetdxfCheckBox->click();
    panel.IPAddressEdit->setText(QStringLiteral("127.0.0.1"));
    SetTcpPort(form, port);
    panel.ConnectVrButton->click();
    return QTest::qWaitFor([&form] { return form.Session().Connected(); }, kSoonMs);
}

// Runs until the board has answered everything the window asked so far: a marker read of the
// version register, sent last, is answered last. An answer may have asked for more (the series
// number after the version read at the connect): then another marker follows, a few times at most
// (a running poll always has more).
inline void Settle(TForm1 &form)
{
    bool more = true;
    for (int markers = 0; more && markers < 3; ++markers) {
        bool done = false;
        FunctionsStr record;
        record.OnReply = [&](const TModbusAnswer &) {
            done = true;
            more = TcpOf(form).QueuedCount() > 0;
        };
        record.OnFailed = [&] {
            done = true;
            more = false;
        };
        TcpOf(form).ReadHoldingRegisters(form.Session().SlaveAddress(), 0xE700, 1, 3000, record);
        QTRY_VERIFY_WITH_TIMEOUT(done, kSoonMs);
    }
}

// Runs until the page's buttons are back: a transfer ended, one way or another; false when it has
// not after kSoonMs. Every ending adds a memo line or moves the bar, and the event loop runs freely
// in between (a polling wait would pause between the hops of each of a transfer's round trips).
inline bool WaitForTransferEnd(TParametersPage &page)
{
    const QDeadlineTimer deadline(kSoonMs);
    while (!page.SaveButton->isEnabled()) {
        if (deadline.hasExpired()) {
            qWarning() << "still busy at item" << page.Chains().ChainIndex() << page.ParametersMemo->toPlainText();
            return false;
        }
        QEventLoop loop;
        QObject::connect(page.ParametersMemo, &QPlainTextEdit::textChanged, &loop, &QEventLoop::quit);
        QObject::connect(page.WritedxfProgressBar, &QProgressBar::valueChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(deadline.remainingTime(), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The lines of the page's log that the transfers wrote, without the lines that mark which board
// the line reached.
inline QStringList TransferLines(const TParametersPage &page)
{
    QStringList lines = page.ParametersMemo->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeIf([](const QString &line) { return line.startsWith(QLatin1String("==== ")); });
    return lines;
}

class WindowOnBoard
{
protected:
    // For initTestCase: a folder of the test's own becomes the current one.
    void EnterOwnFolder()
    {
        m_oldCurrent = QDir::currentPath();
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
    }
    void LeaveOwnFolder() { QDir::setCurrent(m_oldCurrent); }

    // For init: a board and a window connected to it with page (an objectName) showing, the reads
    // of the connect and the firmware version answered and the board's record cleared.
    void Open(const Z4BoardOptions &options = {}, const char *page = nullptr)
    {
        m_board = StartTcpBoard(options);
        QVERIFY(m_board);
        m_form = std::make_unique<RecordedForm>();
        if (page)
            TabsOf(Form())->setCurrentWidget(Named<QWidget>(page));
        QVERIFY(ConnectTcp(Form(), m_board->TcpPort()));
        Form().Poll().ReadVersion();  // what the firmware has is known
        Settle(Form());
        m_board->ClearRecord();
    }
    // For cleanup.
    void Close()
    {
        m_form.reset();
        m_board.reset();
    }

    TForm1 &Form() const { return *m_form->Form; }
    MessageRecorder &Messages() const { return *m_form->Messages; }
    template <class W>
    W *Named(const QString &name) const
    {
        W *widget = Form().findChild<W *>(name);
        if (!widget)
            qWarning("no control named %s", qPrintable(name));
        return widget;
    }
    template <class W>
    W *Named(const char *name) const
    {
        return Named<W>(QLatin1String(name));
    }
    // Types text into the edit and presses Return, as a user does.
    void Type(const QString &edit, const QString &text) const
    {
        auto *control = Named<TAdvEdit>(edit);
        control->setText(text);
        QTest::keyClick(control, Qt::Key_Return);
    }
    // What the board took, once everything the window sent has its answer.
    QList<QPair<quint16, quint16>> Writes() const
    {
        SettleWrites();
        return m_board->Writes();
    }
    // Runs until every write the window sent, or sends on an answer, has its answer: a box of a
    // bit mask writes once the board has answered the read of its register.
    void SettleWrites() const
    {
        Settle(Form());
        Settle(Form());
    }

    QTemporaryDir m_dir;
    QString m_oldCurrent;
    std::unique_ptr<Z4SimServer> m_board;
    std::unique_ptr<RecordedForm> m_form;
};
