// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// A configuration saved from a board does not depend on the Modbus implementation behind it: the
// same register image served by z4sim (in-process) and by pymodbus gives the same .cnf file, byte
// for byte, with the items the board's firmware version calls for.
#include "PymodbusPeer.h"
#include "SimHarness.h"
#include "WindowOnBoard.h"

#include "app/TConnectionPanel.h"
#include "common/IniFile.h"
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"
#include "monitor/TPoll.h"
#include "params/TParametersPage.h"
#include "widgets/TIPAddressEdit.h"
#include "widgets/TransferTable.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {
// Every register a board has, by address.
using RegisterImage = QMap<quint16, quint16>;

RegisterImage ImageOf(const Z4Board &board)
{
    RegisterImage image;
    for (int a = 0; a <= 0xFFFF; ++a) {
        const auto address = static_cast<quint16>(a);
        if (board.covers(address, 1))
            image.insert(address, board.value(address));
    }
    return image;
}

// The image as pymodbus_server.py --image takes it: {"address": value}.
bool WriteImageFile(const RegisterImage &image, const QString &path)
{
    QJsonObject pairs;
    for (auto it = image.cbegin(); it != image.cend(); ++it)
        pairs.insert(QString::number(it.key()), it.value());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(pairs).toJson(QJsonDocument::Compact)) > 0;
}

QString FirstDifference(const QByteArray &a, const QByteArray &b)
{
    const QList<QByteArray> left = a.split('\n');
    const QList<QByteArray> right = b.split('\n');
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const QByteArray l = left.value(i, "<end of file>");
        const QByteArray r = right.value(i, "<end of file>");
        if (l != r)
            return QStringLiteral("line %1: z4sim \"%2\", pymodbus \"%3\"")
                .arg(i + 1)
                .arg(QString::fromUtf8(l), QString::fromUtf8(r));
    }
    return QStringLiteral("no line differs");
}
}  // namespace

class TstConfigInterop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void sameImageSameFile_data();
    void sameImageSameFile();

private:
    // How the Save reads the board: in blocks, one item per request, or in blocks of which the
    // board refuses some (those are then read item by item).
    enum class Reads { Blocks, ItemByItem, BlocksRefused };
    // Connects a new main window to the board at port, which reads its firmware version, and saves
    // the board's configuration into fileName with the Parameters page. *file gets what was saved.
    void SaveFrom(quint16 port, quint16 firmware, const QString &fileName, QByteArray *file,
                  Reads reads = Reads::Blocks);

    QTemporaryDir m_dir;
    QString m_oldCurrent;
};

void TstConfigInterop::initTestCase()
{
    // The windows read their settings from the current folder: one of our own.
    QVERIFY2(m_dir.isValid(), qPrintable(m_dir.errorString()));
    m_oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void TstConfigInterop::cleanupTestCase()
{
    QDir::setCurrent(m_oldCurrent);
}

void TstConfigInterop::SaveFrom(quint16 port, quint16 firmware, const QString &fileName, QByteArray *file, Reads reads)
{
    RecordedForm form;
    QVERIFY(ConnectTcp(*form.Form, port));
    QTRY_VERIFY_WITH_TIMEOUT(Idle(TcpOf(*form)), kSoonMs);

    // The connect reads the version, which decides how many items are saved, without a tick.
    QVERIFY(form->Live().VersionKnown);
    QCOMPARE(form->Live().FirmwareVersion, firmware);
    QCOMPARE(form->Live().FirmwareRev12, firmware % 100 >= 12);

    TParametersPage &page = *PageOf<TParametersPage>(*form);
    form.Messages->SaveAnswer = fileName;
    if (reads == Reads::ItemByItem)
        page.Chains().ReadItemByItem();
    page.SaveButton->click();
    // A poll cycle on the same line while the chain runs, as the read timer would start one.
    form->ReadTimerTimer();
    QCOMPARE(form->Poll().SkippedCycles(), quint64(0));
    QVERIFY(WaitForTransferEnd(page));
    QTRY_VERIFY_WITH_TIMEOUT(Idle(TcpOf(*form)), kSoonMs);

    QStringList memo = TransferLines(page);
    if (reads == Reads::BlocksRefused) {
        QVERIFY2(memo.size() > 1 && memo[1].contains(QStringLiteral("could not be read in one request")),
                 qPrintable(memo.join(QLatin1Char('\n'))));
        memo.removeAt(1);
    }
    QCOMPARE(memo, (QStringList{QStringLiteral("Read Configuration From Board..."),
                                QStringLiteral("Save Configuration To File: ") + fileName,
                                QStringLiteral("Save done, %1 items.").arg(firmware % 100 >= 12 ? 140 : 132)}));
    QCOMPARE(page.WritedxfProgressBar->value(), 100);
    QVERIFY(page.SaveButton->isEnabled());
    QCOMPARE(form.Messages->Errors, QStringList());
    // Every request of the connect, the poll and the chain was answered: nothing refused or lost.
    const TModbusClient::Counters &counters = TcpOf(*form).GetCounters();
    // (The window's own reads of more than 42 registers are refused too then.)
    if (reads == Reads::BlocksRefused)
        QVERIFY(counters.Refusals >= 2);
    else
        QCOMPARE(counters.Refusals, quint64(0));
    QCOMPARE(counters.Failures, quint64(0));

    QFile saved(fileName);
    QVERIFY2(saved.open(QIODevice::ReadOnly), qPrintable(saved.errorString()));
    *file = saved.readAll();
}

void TstConfigInterop::sameImageSameFile_data()
{
    QTest::addColumn<quint16>("firmware");
    QTest::addColumn<int>("items");
    QTest::newRow("revision 12: the extended set") << quint16(1012) << kTransferItems;
    QTest::newRow("revision 11: the base set") << quint16(1011) << TConfigImages::kBaseItems;
}

void TstConfigInterop::sameImageSameFile()
{
    QFETCH(quint16, firmware);
    QFETCH(int, items);

    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    auto board = StartTcpBoard({.firmware = firmware});
    QVERIFY(board);
    // A negative value (T1, -5 degC), saved as a signed number.
    QVERIFY(board->Board().write(0x020D, 0xFFFB));

    // Only the configuration registers and the identification stay put; the live ones served by
    // pymodbus are a snapshot, which is all the poll needs.
    const RegisterImage image = ImageOf(board->Board());
    const QString imagePath = dir.filePath(QStringLiteral("image.json"));
    QVERIFY(WriteImageFile(image, imagePath));

    PymodbusPeer peer;
    bool missing = false;
    const QString error = peer.Start({QStringLiteral("--image"), imagePath}, &missing);
    if (missing)
        QSKIP(qPrintable(QStringLiteral("pymodbus cannot run here (apt-get install python3-pymodbus "
                                        "python3-serial-asyncio): ")
                         + error));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const QString fromSim = dir.filePath(QStringLiteral("z4sim.cnf"));
    const QString fromPymodbus = dir.filePath(QStringLiteral("pymodbus.cnf"));
    QByteArray simFile;
    QByteArray pymodbusFile;
    SaveFrom(board->TcpPort(), firmware, fromSim, &simFile);
    if (QTest::currentTestFailed())
        return;
    SaveFrom(peer.Port(), firmware, fromPymodbus, &pymodbusFile);
    if (QTest::currentTestFailed())
        return;

    QVERIFY2(simFile == pymodbusFile, qPrintable(FirstDifference(simFile, pymodbusFile)));

    // Read one item per request, from either board, or with the larger blocks refused: the same file.
    QByteArray again;
    SaveFrom(board->TcpPort(), firmware, dir.filePath(QStringLiteral("z4sim-items.cnf")), &again, Reads::ItemByItem);
    QVERIFY2(again == simFile, qPrintable(FirstDifference(again, simFile)));
    SaveFrom(peer.Port(), firmware, dir.filePath(QStringLiteral("pymodbus-items.cnf")), &again, Reads::ItemByItem);
    QVERIFY2(again == simFile, qPrintable(FirstDifference(again, simFile)));
    board->SetFaults({.Refuse = {}, .MaxRead = 42});
    SaveFrom(board->TcpPort(), firmware, dir.filePath(QStringLiteral("z4sim-refused.cnf")), &again,
             Reads::BlocksRefused);
    QVERIFY2(again == simFile, qPrintable(FirstDifference(again, simFile)));

    // The file holds exactly the items of the walk, each register with the value served.
    TConfigImages names;
    QString why;
    QVERIFY2(ReadDefinitionFile(StandardDefinitionPath(), names, &why), qPrintable(why));
    QCOMPARE(names.ItemCount, kTransferItems);
    TIniFile ini;
    QVERIFY2(ini.LoadText(simFile, &why), qPrintable(why));
    int keys = 0;
    for (int i = 0; i < names.ItemCount; ++i) {
        const ConfigItem &item = names.BoardImage[static_cast<size_t>(i)];
        for (int k = 0; k < item.Registers; ++k) {
            const QString key = ConfigKey(item, k);
            const auto text = ini.Value(item.Section, key);
            const QString where = QStringLiteral("item %1 [%2] %3").arg(i).arg(item.Section, key);
            if (i >= items) {
                QVERIFY2(!text, qPrintable(where + QStringLiteral(" is outside the walk but saved")));
                continue;
            }
            QVERIFY2(text, qPrintable(where + QStringLiteral(" is missing")));
            const auto address = static_cast<quint16>(item.FirstRegister + k);
            QVERIFY2(image.contains(address), qPrintable(where + QStringLiteral(" is not a register of the board")));
            QCOMPARE(*text, QString::number(static_cast<qint16>(image.value(address))));
            ++keys;
        }
    }
    int sectionKeys = 0;
    for (const QString &section : ini.Sections())
        sectionKeys += static_cast<int>(ini.Keys(section).size());
    QCOMPARE(sectionKeys, keys);  // nothing else in the file
}

QTEST_MAIN(TstConfigInterop)
#include "tst_config_interop.moc"
