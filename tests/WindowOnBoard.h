// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the tests of the pages share: the main window connected to an in-process simulated board,
// in a current folder of the test's own (where the window reads and writes its settings file),
// and the user's actions on it.

#include "FormHarness.h"

#include "monitor/TPoll.h"
#include "widgets/TAdvEdit.h"

#include <QTemporaryDir>

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
            Form().MainPageControl->setCurrentWidget(Named<QWidget>(page));
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
