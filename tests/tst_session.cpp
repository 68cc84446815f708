// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The board session against the in-process simulated board: every request's own handlers, the
// shared failure handler running before a request's own, and closures dropped for a caller that
// goes away while the line stays up.
#include "SimHarness.h"
#include "session/TBoardSession.h"

#include <QTest>

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void eachRequestReachesItsOwnHandlers();
    void sharedFailureHandlerRunsFirst_data();
    void sharedFailureHandlerRunsFirst();
    void forgottenClosuresAreNotCalled();

private:
    std::unique_ptr<Z4SimServer> m_board;
    std::unique_ptr<TTCPModbusClient> m_client;
    TBoardSession m_session;
};

void TestSession::init()
{
    m_board = StartTcpBoard();
    QVERIFY(m_board);
    m_client = OpenTcpClient(m_board->TcpPort());
    QVERIFY(m_client);
    m_session.SetActiveClient(m_client.get());
    m_session.SetSlaveAddress(1);
    m_session.SetRequestTimeout(3000);
    m_session.SetSharedFailureHandler({});
}

void TestSession::cleanup()
{
    m_session.SetActiveClient(nullptr);
    m_client.reset();
    m_board.reset();
}

void TestSession::eachRequestReachesItsOwnHandlers()
{
    m_board->SetFaults({.Refuse = {{0x0430, 0x0430, 2}}});
    QStringList seen;
    const auto handlers = [&seen](const QString &name) {
        return TRequestHandlers{.OnReply =
                                    [&seen, name](const TModbusAnswer &a) {
                                        seen << name + QStringLiteral(" reply %1").arg(a.Registers.value(0));
                                    },
                                .OnRefused =
                                    [&seen, name](const TModbusAnswer &a) {
                                        seen << name + QStringLiteral(" refused %1").arg(a.ExceptionCode);
                                    },
                                .OnFailed = [&seen, name] { seen << name + QStringLiteral(" failed"); }};
    };
    const std::array<quint16, 2> words{2100, 2200};
    m_session.WriteSingle(0x0200, 2050, handlers(QStringLiteral("single")));
    m_session.Read(0x0200, 1, handlers(QStringLiteral("read")));
    m_session.Read(0x0430, 1, handlers(QStringLiteral("remote")));
    m_session.WriteMultiple(0x0201, words, handlers(QStringLiteral("block")));
    m_session.Read(0x0201, 2, {});  // no handlers at all: nothing to call
    QTRY_VERIFY_WITH_TIMEOUT(Idle(*m_client), kSoonMs);
    // A single write echoes its address, a block write its start.
    QCOMPARE(seen, (QStringList{QStringLiteral("single reply 512"), QStringLiteral("read reply 2050"),
                                QStringLiteral("remote refused 2"), QStringLiteral("block reply 513")}));
    QCOMPARE(m_board->Board().value(0x0202), quint16(2200));

    // Without an active client nothing is sent and nothing is called.
    m_session.SetActiveClient(nullptr);
    m_session.Read(0x0200, 1, handlers(QStringLiteral("none")));
    QCOMPARE(seen.size(), 4);
}

void TestSession::sharedFailureHandlerRunsFirst_data()
{
    QTest::addColumn<bool>("shared");
    QTest::addColumn<bool>("own");
    QTest::addColumn<int>("finalFailure");  // FinalFailure: -1 none, 0 answers false (to be repeated), 1 true
    QTest::addColumn<QStringList>("expected");
    const QStringList both{QStringLiteral("shared"), QStringLiteral("own")};
    QTest::newRow("both") << true << true << -1 << both;
    QTest::newRow("shared only") << true << false << -1 << QStringList{QStringLiteral("shared")};
    QTest::newRow("own only") << false << true << -1 << QStringList{QStringLiteral("own")};
    // A request its caller will repeat leaves the shared handler out until its final failure.
    QTest::newRow("both, final") << true << true << 1 << both;
    QTest::newRow("both, repeated") << true << true << 0 << QStringList{QStringLiteral("own")};
    QTest::newRow("shared only, repeated") << true << false << 0 << QStringList{};
}

void TestSession::sharedFailureHandlerRunsFirst()
{
    QFETCH(bool, shared);
    QFETCH(bool, own);
    QFETCH(int, finalFailure);
    QFETCH(QStringList, expected);
    m_board->SetFaults({.DropEvery = 1, .Refuse = {}});
    m_session.SetRequestTimeout(200);
    QStringList calls;
    if (shared)
        m_session.SetSharedFailureHandler([&calls] { calls << QStringLiteral("shared"); });
    TRequestHandlers handlers;
    if (own)
        handlers.OnFailed = [&calls] { calls << QStringLiteral("own"); };
    if (finalFailure >= 0)
        handlers.FinalFailure = [finalFailure] { return finalFailure == 1; };
    m_session.Read(0x0200, 1, handlers);
    QTRY_VERIFY_WITH_TIMEOUT(Idle(*m_client), kSoonMs);
    QCOMPARE(calls, expected);
}

void TestSession::forgottenClosuresAreNotCalled()
{
    // One request on the wire, two waiting behind it: none of them calls anything once forgotten,
    // and the line stays up for later requests.
    m_board->SetFaults({.DelayMs = 50, .Refuse = {}});
    int calls = 0;
    const TRequestHandlers counting{.OnReply = [&calls](const TModbusAnswer &) { ++calls; },
                                    .OnRefused = [&calls](const TModbusAnswer &) { ++calls; },
                                    .OnFailed = [&calls] { ++calls; }};
    m_session.SetSharedFailureHandler([&calls] { ++calls; });
    for (int i = 0; i < 3; ++i)
        m_session.Read(0x0200, 1, counting);
    m_client->ForgetClosures();
    QTRY_VERIFY_WITH_TIMEOUT(Idle(*m_client), kSoonMs);
    QCOMPARE(calls, 0);
    QCOMPARE(m_client->GetCounters().Answers, quint64(3));
    QVERIFY(m_client->IsOpen());
    m_session.Read(0x0200, 1, counting);
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, kSoonMs);
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
