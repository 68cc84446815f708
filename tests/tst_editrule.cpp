// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// One rule for a typed value, kept by the window's edits and by z4ctl set: over every register of
// every row of the transfer table, both accept and refuse the same texts, for the same reason,
// and write the same words.
#include "WindowOnBoard.h"

#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "common/NumberText.h"
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"
#include "config/EditRule.h"
#include "config/TransferRows.h"

#include <QTcpServer>

#include <cstdio>

namespace {

using Write = QPair<quint16, quint16>;

// What became of a text typed for a register.
enum Verdict { Written, Malformed, OutOfRange, NotTyped };
const char *const kVerdicts[] = {"written", "malformed", "out of range", "not set by typing"};

// The edit's own texts of both ends of what it takes, and the values just past them.
QStringList EdgeTexts(const TParameterRow &row, int reg)
{
    const TEditRange range = EditRange(row, reg);
    return range.Text.split(QStringLiteral(" .. "))
           + QStringList{ScaledText(range.Min - 1, range.Decimals), ScaledText(range.Max + 1, range.Decimals)};
}

// Texts that try the forms a technician may type, whatever the edit.
const QStringList kOddTexts{"x",  "",      " 1 ",         "1,5",  "+2",    "-0",   "1e2", "0.009",
                            "7.", "1.2.3", "99999999999", "6:30", "24:00", "7:60", "7:",  " 8 : 05 "};

// z4ctl set with arguments, run as its main runs it; its exit status and what it said on stderr.
std::pair<int, QString> Z4ctlSet(quint16 port, const QStringList &settings)
{
    QString error;
    const auto options = ParseCommandLine(
        QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("set")}
            + settings,
        &error);
    if (!options)
        return {-1, error};
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status = RunCommand(*options, out, err);
    QByteArray said(4096, '\0');
    std::rewind(err);
    said.truncate(static_cast<qsizetype>(std::fread(said.data(), 1, static_cast<size_t>(said.size()), err)));
    std::fclose(out);
    std::fclose(err);
    return {status, QString::fromUtf8(said)};
}

// A loopback port nothing listens on: a value z4ctl accepts ends at the connect, unwritten.
quint16 ClosedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

}  // namespace

class TestEditRule : public QObject, private WindowOnBoard
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        EnterOwnFolder();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void cleanupTestCase() { LeaveOwnFolder(); }
    void init() { Open({.firmware = 1012}); }
    void cleanup() { Close(); }

    void windowAndZ4ctlTakeTheSameTexts();
};

void TestEditRule::windowAndZ4ctlTakeTheSameTexts()
{
    TConfigImages definition;
    QString why;
    QVERIFY2(ReadDefinitionFile(StandardDefinitionPath(), definition, &why), qPrintable(why));
    const quint16 closed = ClosedPort();
    QList<Write> windowWrites;
    QStringList accepted;  // KEY=TEXT of every text z4ctl accepted, in order
    for (int item = 0; item < kTransferItems; ++item) {
        const TParameterRow &row = TransferRows()[static_cast<size_t>(item)];
        const ConfigItem &place = definition.FileImage[static_cast<size_t>(item)];
        for (int reg = 0; reg < place.Registers; ++reg) {
            const QString key = place.Section + QLatin1Char('.') + ConfigKey(place, reg);
            const TCodecKind kind = row.CodecOf(reg).Kind;
            const bool edit = Traits(kind).Control == TControlKind::Edit;
            if (!edit)
                continue;  // lists, boxes and masks: tst_valuetext
            auto *control = edit ? Named<TAdvEdit>(row.Controls[reg]) : nullptr;
            if (control)
                control->setMaxLength(64);  // what the keys may type has tests of its own
            const QStringList candidates = EdgeTexts(row, reg) + kOddTexts;
            for (const QString &text : candidates) {
                // The window: typed, and Return pressed.
                Verdict window = NotTyped;
                if (control) {
                    const qsizetype errors = Messages().Errors.size();
                    const qsizetype ranges = Messages().RangeWarnings.size();
                    control->setText(text);
                    QTest::keyClick(control, Qt::Key_Return);
                    const QList<Write> now = Writes();
                    if (now.size() > windowWrites.size()) {
                        window = Written;
                        windowWrites = now;
                    } else if (Messages().Errors.size() > errors) {
                        window = Malformed;
                    } else if (Messages().RangeWarnings.size() > ranges) {
                        window = OutOfRange;
                    }
                    // A refused text stays in its edit; the edits of a row taken together need a number in each.
                    control->setText(candidates.front());
                }
                // z4ctl: a value it takes goes on to the connect, which fails on the closed port.
                const auto [status, said] = Z4ctlSet(closed, {key + QLatin1Char('=') + text});
                Verdict z4ctl = Malformed;
                if (status == kExitLink)
                    z4ctl = Written;
                else if (said.contains(QLatin1String("is written only by a button of its own")))
                    z4ctl = NotTyped;
                else if (said.contains(QLatin1String("' is out of range; it takes")))
                    z4ctl = OutOfRange;
                QVERIFY2(status == kExitLink || status == kExitUsage, qPrintable(said));
                QVERIFY2(window == z4ctl,
                         qPrintable(QStringLiteral("%1='%2': the window: %3, z4ctl: %4 (%5)")
                                        .arg(key, text, kVerdicts[window], kVerdicts[z4ctl], said.trimmed())));
                if (z4ctl == Written)
                    accepted.append(key + QLatin1Char('=') + text);
            }
        }
    }
    // z4ctl writes the words the window wrote, in the same order.
    m_board->ClearRecord();
    const auto [status, said] = Z4ctlSet(m_board->TcpPort(), accepted);
    QVERIFY2(status == kExitDone, qPrintable(said));
    QCOMPARE(m_board->Writes(), windowWrites);
    QVERIFY(accepted.size() > 500);
}

QTEST_MAIN(TestEditRule)
#include "tst_editrule.moc"
