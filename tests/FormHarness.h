// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window of a test on a simulated board: connecting it as a user does, and waiting for
// the board to answer what it asked.

#include "MessageRecorder.h"
#include "SimHarness.h"

#include "app/TConnectionPanel.h"
#include "params/TParametersPage.h"
#include "widgets/TIPAddressEdit.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDebug>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

// Connects the window over TCP to a board on a loopback port, as a user does on the connection
// panel; true once the line is up. The reads the connect starts may still be under way.
inline bool ConnectTcp(TForm1 &form, quint16 port)
{
    TConnectionPanel &panel = *form.ConnectiondxfGroupBox;
    panel.EthernetdxfCheckBox->click();
    panel.IPAddressEdit->setText(QStringLiteral("127.0.0.1"));
    form.TCPModbusClient.SetPort(port);
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
            more = form.TCPModbusClient.QueuedCount() > 0;
        };
        record.OnFailed = [&] {
            done = true;
            more = false;
        };
        form.TCPModbusClient.ReadHoldingRegisters(form.Session().SlaveAddress(), 0xE700, 1, 3000, record);
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
