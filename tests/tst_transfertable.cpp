// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter transfer table: the codecs' edge cases on controls made here (with a decimal
// point and with a decimal comma), the rows against the definition file, and the table on the
// main window: every control bound once, any valid image shown and taken back unchanged, the
// extended items left alone by a base-set walk, and nothing written to the board by showing.

#include "FormHarness.h"
#include "SimHarness.h"
#include "app/TConnectionPanel.h"

#include "common/IniFile.h"
#include "params/TParametersPage.h"
#include "service/TTimersPage.h"
#include "session/TBoardSession.h"
#include "widgets/PageBuilder.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

Q_DECLARE_METATYPE(TParameterRow)

namespace {

const TParameterRow &RowOf(int item)
{
    return TransferRows()[static_cast<size_t>(item)];
}

QString Localized(QString text)
{
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

std::vector<quint16> W(std::initializer_list<int> words)
{
    std::vector<quint16> values;
    for (int w : words)
        values.push_back(static_cast<quint16>(w));
    return values;
}

// Controls made the way the pages make them, bound one row at a time.
class Controls
{
public:
    TAdvEdit *Edit(const QString &name, int maxLength = 6, TAdvEdit::Kind kind = TAdvEdit::SignedDecimal)
    {
        auto *edit = Named(new TAdvEdit(kind, &m_root), name);
        edit->setMaxLength(maxLength);
        return edit;
    }
    QComboBox *Combo(const QString &name, const QStringList &items)
    {
        auto *combo = Named(new QComboBox(&m_root), name);
        combo->addItems(items);
        return combo;
    }
    QCheckBox *Box(const QString &name, int tag = 0)
    {
        QCheckBox *box = ui::Check(&m_root, name, name);
        ui::SetTag(box, tag);
        return box;
    }
    // One exclusive group, the first box checked.
    QList<QCheckBox *> Exclusive(const QStringList &names, int tag = 0)
    {
        QList<QCheckBox *> boxes;
        for (const QString &name : names)
            boxes << Box(name, tag);
        ui::Exclusive({boxes[0], boxes[1]});
        for (qsizetype i = 2; i < boxes.size(); ++i)
            boxes[0]->group()->addButton(boxes[i]);
        boxes[0]->setChecked(true);
        return boxes;
    }
    TParameterCodec Bind(int item, const TWeekProgramView &week = {})
    {
        QStringList problems;
        TParameterCodec codec = TParameterCodec::Bind(RowOf(item), NamedControls(m_root), week, problems);
        if (!problems.isEmpty())
            qWarning("%s", qPrintable(problems.join(QLatin1Char('\n'))));
        return codec;
    }
    QWidget &Root() { return m_root; }

private:
    template <class T>
    T *Named(T *widget, const QString &name)
    {
        widget->setObjectName(name);
        return widget;
    }
    QWidget m_root;
};

void Show(const TParameterCodec &codec, const std::vector<quint16> &values)
{
    QVERIFY(codec.RegistersToControls(values));
}

std::vector<quint16> Take(const TParameterCodec &codec)
{
    std::vector<quint16> values(static_cast<size_t>(codec.Row().Registers), 0xBEEF);
    const TTakeResult result = codec.ControlsToRegisters(values);
    if (!result.Ok())
        qWarning("take of item %d failed: %s", codec.Row().Item, qPrintable(result.Message));
    return values;
}

// "x" for a checked box, "." for a clear one.
QString States(const QList<QCheckBox *> &boxes)
{
    QString s;
    for (const QCheckBox *b : boxes)
        s += b->isChecked() ? QLatin1Char('x') : QLatin1Char('.');
    return s;
}

// A register word the row's controls show and give back unchanged.
quint16 ValidWord(const TParameterCodec &codec, int reg, QRandomGenerator &random)
{
    const TCodec &c = codec.Row().CodecOf(reg);
    const auto &controls = codec.Controls();
    const auto pick = [&](int low, int high) { return static_cast<quint16>(random.bounded(low, high + 1)); };
    const auto tags = [&](size_t step) {
        int value = 0;
        for (size_t j = 0; j < controls.size(); j += step)
            value |= random.bounded(2) ? ui::Tag(controls[j]) : 0;
        return static_cast<quint16>(value);
    };
    const auto *combo =
        qobject_cast<const QComboBox *>(controls.empty() ? nullptr : controls[static_cast<size_t>(reg)]);
    switch (c.Kind) {
    case TCodecKind::Tenths:
        return static_cast<quint16>(pick(0, 6553) * 10);
    case TCodecKind::TimeOfDay:
    case TCodecKind::WeekTimes:
        return pick(0, 1439);
    case TCodecKind::WeekLevels:
    case TCodecKind::Choice4:
        return pick(0, 3);
    case TCodecKind::Combo:
        return static_cast<quint16>(pick(0, combo->count() - 1) - c.Offset);
    case TCodecKind::ComboByText:
        return static_cast<quint16>(combo->itemText(pick(0, 18)).toInt());
    case TCodecKind::Flag:
    case TCodecKind::AutoManual:
    case TCodecKind::Choice2:
    case TCodecKind::Choice2One:
        return pick(0, 1);
    case TCodecKind::StageCount:
        return pick(1, 3);
    case TCodecKind::Bits:
        return pick(0, (1 << controls.size()) - 1);
    case TCodecKind::TaggedBits:
        return tags(1);
    case TCodecKind::BitPairs:
        return tags(2);
    default:
        return pick(0, 0xFFFF);  // the number edits: every word, exact both ways
    }
}

ConfigImage RandomImage(const TTransferTable &table, QRandomGenerator &random)
{
    ConfigImage image = ImageFromTable();
    for (int i = 0; i < kTransferItems; ++i) {
        for (int reg = 0; reg < image[static_cast<size_t>(i)].Registers; ++reg)
            image[static_cast<size_t>(i)].Values[static_cast<size_t>(reg)] = ValidWord(table.Codec(i), reg, random);
    }
    return image;
}

// The main window with the table bound to it.
struct Window
{
    Window() { Problems = Table.Bind(*Form.Form, PageOf<TTimersPage>(*Form)->WeekProgramView(), *Form.Messages); }
    RecordedForm Form;
    TTransferTable Table;
    QStringList Problems;
};

}  // namespace

class TestTransferTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void initTestCase();
    void init();
    void cleanupTestCase();

    void numberEdits();
    void takeFailuresTakeNothing();
    void combos();
    void checkBoxes();
    void timeOfDay();
    void weekProgram();
    void bindReportsEveryProblem();
    void rowsMatchTheDefinitionFile();
    void limitsFitTheEncoding_data();
    void limitsFitTheEncoding();

    void everyControlBindsOnce();
    void locate();
    void everyControlFindsItsRegister();
    void roundTripOfEveryRow();
    void baseSetWalkLeavesTheExtendedItems();
    void takeErrorStopsAndNamesThePlace();
    void showingNeverWritesToTheBoard();
    void historyBox();

private:
    QTemporaryDir m_dir;
    QString m_oldCurrent;
};

void TestTransferTable::initTestCase_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("point") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("comma") << QLocale(QLocale::German, QLocale::Germany);
}

void TestTransferTable::initTestCase()
{
    // The main window reads its settings file in the current folder.
    m_oldCurrent = QDir::currentPath();
    QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
}

void TestTransferTable::init()
{
    QFETCH_GLOBAL(QLocale, locale);
    QLocale::setDefault(locale);
}

void TestTransferTable::cleanupTestCase()
{
    QDir::setCurrent(m_oldCurrent);
}

void TestTransferTable::numberEdits()
{
    Controls c;
    TAdvEdit *supply = c.Edit("SupplySPAdvEdit");
    TAdvEdit *ki = c.Edit("WHPIKiAdvEdit", 3, TAdvEdit::Unsigned);
    TAdvEdit *value = c.Edit("ValueAdvEdit");
    TAdvEdit *hearth = c.Edit("HearthValueAdvEdit");
    QList<TAdvEdit *> sim{c.Edit("SimT1AdvEdit"), c.Edit("SimT2AdvEdit"), c.Edit("SimT3AdvEdit")};
    const TParameterCodec centi = c.Bind(0), centiU = c.Bind(39), deci = c.Bind(104), integer = c.Bind(119),
                          tenths = c.Bind(86);

    Show(centi, W({0xFFFB}));
    QCOMPARE(supply->text(), Localized("-0.05"));
    Show(centiU, W({0xFFFB}));
    QCOMPARE(ki->text(), Localized("655.31"));  // longer than the edit's 3 characters, shown whole
    QCOMPARE(Take(centiU), W({0xFFFB}));
    Show(deci, W({0xFFFB}));
    QCOMPARE(value->text(), Localized("-0.5"));
    Show(integer, W({0xFFCE}));
    QCOMPARE(hearth->text(), QStringLiteral("-50"));
    QCOMPARE(Take(integer), W({0xFFCE}));

    // Texts are taken on their digits: 0.29 x 100 as a binary float would be 28.
    const QList<std::pair<const char *, int>> typed{{"0.53", 53}, {"21.5", 2150}, {"-0.5", 0xFFCE}, {"0.29", 29}};
    for (const auto &[text, word] : typed) {
        supply->setText(Localized(text));
        QCOMPARE(Take(centi), W({word}));
    }
    value->setText(Localized("0.79"));
    QCOMPARE(Take(deci), W({7}));

    // Simulation times count tenths of seconds up to 60000: unsigned, shown in whole seconds.
    Show(tenths, W({60000, 0xFFE7, 25}));
    QCOMPARE(sim[0]->text(), QStringLiteral("6000"));
    QCOMPARE(sim[1]->text(), QStringLiteral("6551"));
    QCOMPARE(sim[2]->text(), QStringLiteral("2"));
    sim[2]->setText(QStringLiteral("3"));
    QCOMPARE(Take(tenths), W({60000, 65510, 30}));
}

void TestTransferTable::takeFailuresTakeNothing()
{
    Controls c;
    QList<TAdvEdit *> t{c.Edit("T1AdvEdit"), c.Edit("T2AdvEdit"), c.Edit("T3AdvEdit")};
    TAdvEdit *supply = c.Edit("SupplySPAdvEdit");
    TAdvEdit *sim = c.Edit("SimT1AdvEdit");
    c.Edit("SimT2AdvEdit")->setText(QStringLiteral("1"));
    c.Edit("SimT3AdvEdit")->setText(QStringLiteral("1"));
    const TParameterCodec timers = c.Bind(13), centi = c.Bind(0), tenths = c.Bind(86);

    const QList<std::tuple<const TParameterCodec *, TAdvEdit *, QString, TTakeResult::Outcome>> cases{
        {&timers, t[1], QString(), TTakeResult::NotANumber},
        {&timers, t[1], QStringLiteral("-"), TTakeResult::NotANumber},
        {&timers, t[1], Localized("1.5"), TTakeResult::NotANumber},  // a whole number is needed
        {&timers, t[1], QStringLiteral("70000"), TTakeResult::OutOfRange},
        {&centi, supply, QLocale().decimalPoint(), TTakeResult::NotANumber},
        {&centi, supply, QStringLiteral("700"), TTakeResult::OutOfRange},  // 70000 fits no register
        {&tenths, sim, QStringLiteral("7000"), TTakeResult::OutOfRange},
    };
    for (const auto &[codec, edit, text, outcome] : cases) {
        for (TAdvEdit *e : t)
            e->setText(QStringLiteral("1"));
        edit->setText(text);
        std::vector<quint16> values(static_cast<size_t>(codec->Row().Registers), 0x1234);
        const TTakeResult result = codec->ControlsToRegisters(values);
        QCOMPARE(result.Result, outcome);
        QCOMPARE(result.Control, edit);
        QVERIFY2(result.Message.contains(QStringLiteral("'%1'").arg(text)), qPrintable(result.Message));
        // Not even the registers before the failing one are taken.
        QCOMPARE(values, std::vector<quint16>(values.size(), 0x1234));
    }
}

void TestTransferTable::combos()
{
    Controls c;
    QComboBox *antiFreezing = c.Combo("AntiFreezingSensorColumnComboBox", ui::Numbers(0, 4));
    QComboBox *ec1 = c.Combo("ECOutput1ColumnComboBox", ui::Numbers(1, 11));
    QComboBox *ec2 = c.Combo("ECOutput2ColumnComboBox", ui::Numbers(0, 11));
    QStringList corrections;
    for (int v = 9; v >= -9; --v)
        corrections << QString::number(v);
    QComboBox *tcor = c.Combo("TCorValueColumnComboBox", corrections);
    const TParameterCodec plusOne = c.Bind(5), perRegister = c.Bind(57), byText = c.Bind(91);

    Show(plusOne, W({0xFFFF}));
    QCOMPARE(antiFreezing->currentText(), QStringLiteral("0"));  // no sensor
    QCOMPARE(Take(plusOne), W({0xFFFF}));
    Show(plusOne, W({4}));  // outside the list: no selection, taken as -1 - k
    QCOMPARE(antiFreezing->currentIndex(), -1);
    QCOMPARE(Take(plusOne), W({0xFFFE}));

    Show(perRegister, W({10, 0xFFFF}));  // offsets 0 and +1
    QCOMPARE(ec1->currentText(), QStringLiteral("11"));
    QCOMPARE(ec2->currentText(), QStringLiteral("0"));
    QCOMPARE(Take(perRegister), W({10, 0xFFFF}));

    tcor->setCurrentIndex(4);
    Show(byText, W({10}));
    QCOMPARE(tcor->currentIndex(), 4);  // no item says 10: the selection stays
    Show(byText, W({0xFFF7}));
    QCOMPARE(tcor->currentIndex(), 18);  // -9, the last item
    QCOMPARE(Take(byText), W({0xFFF7}));
    tcor->setCurrentIndex(-1);
    QCOMPARE(Take(byText), W({0}));
}

void TestTransferTable::checkBoxes()
{
    Controls c;
    const auto mode = c.Exclusive({"ModeMandxfCheckBox", "ModeAutdxfCheckBox"});
    const auto remote = c.Exclusive({"StartStopdxfCheckBox", "KitchenHooddxfCheckBox"});
    const auto eh =
        c.Exclusive({"EHNonedxfCheckBox", "EHAnalogdxfCheckBox", "EHAnDigdxfCheckBox", "EHpwm3dxfCheckBox"});
    const QList<QCheckBox *> stages{c.Box("Stage1dxfCheckBox"), c.Box("Stage2dxfCheckBox"), c.Box("Stage3dxfCheckBox")};
    QList<QCheckBox *> din, inversion, sim, analog;
    for (int n = 1; n <= 8; ++n) {
        din << c.Box(QStringLiteral("Din%1dxfCheckBox").arg(n));  // Tag 0: weighted by position
        inversion << c.Box(QStringLiteral("IDigitalI%1dxfCheckBox").arg(n), 1 << (8 - n));  // by Tag, reversed
        analog << c.Exclusive(
            {QStringLiteral("OAnalogA%1dxfCheckBox").arg(n), QStringLiteral("OAnalogM%1dxfCheckBox").arg(n)});
    }
    for (int n = 1; n <= 3; ++n)
        sim << c.Exclusive(
            {QStringLiteral("Sim%1PwmdxfCheckBox").arg(n), QStringLiteral("Sim%1OnOffdxfCheckBox").arg(n)},
            1 << (n - 1));
    const TParameterCodec choice2 = c.Bind(18), choice2One = c.Bind(134), choice4 = c.Bind(40), stageCount = c.Bind(45),
                          bits = c.Bind(16), tagged = c.Bind(80), pairs = c.Bind(87), autoManual = c.Bind(79);

    Show(choice2, W({7}));
    QCOMPARE(States(mode), QStringLiteral(".x"));
    QCOMPARE(Take(choice2), W({1}));
    Show(choice2One, W({2}));  // neither: both cleared, exclusive group or not
    QCOMPARE(States(remote), QStringLiteral(".."));
    QCOMPARE(Take(choice2One), W({0}));
    Show(choice4, W({3}));
    QCOMPARE(States(eh), QStringLiteral("...x"));
    QCOMPARE(Take(choice4), W({3}));
    Show(choice4, W({5}));
    QCOMPARE(States(eh), QStringLiteral("...."));
    QCOMPARE(Take(choice4), W({0}));
    eh[1]->click();  // the group stays exclusive for the user
    eh[2]->click();
    QCOMPARE(States(eh), QStringLiteral("..x."));

    Show(stageCount, W({0}));
    QCOMPARE(States(stages), QStringLiteral("x.."));
    QCOMPARE(Take(stageCount), W({1}));
    Show(stageCount, W({3}));
    QCOMPARE(States(stages), QStringLiteral("xxx"));
    QCOMPARE(Take(stageCount), W({3}));

    Show(bits, W({0xFF81}));  // bits no box stands for are dropped
    QCOMPARE(States(din), QStringLiteral("x......x"));
    QCOMPARE(Take(bits), W({0x81}));
    Show(tagged, W({0x0003}));
    QCOMPARE(States(inversion), QStringLiteral("......xx"));
    QCOMPARE(Take(tagged), W({3}));

    Show(pairs, W({0}));
    QCOMPARE(States(sim), QStringLiteral(".x.x.x"));  // ON/OFF everywhere
    QCOMPARE(Take(pairs), W({0}));
    Show(pairs, W({5}));
    QCOMPARE(States(sim), QStringLiteral("x..xx."));
    QCOMPARE(Take(pairs), W({5}));

    Show(autoManual, W({0, 1, 0, 7, 0, 0, 0xFFFF, 0}));
    QCOMPARE(States(analog), QStringLiteral("x..xx..xx.x..xx."));
    QCOMPARE(Take(autoManual), W({0, 1, 0, 1, 0, 0, 1, 0}));
}

void TestTransferTable::timeOfDay()
{
    Controls c;
    TAdvEdit *plain = c.Edit("TCorStartAdvMaskEdit", 5, TAdvEdit::Text);
    TAdvEdit *masked = c.Edit("RecycleStartAdvMaskEdit", 5, TAdvEdit::Text);
    masked->setInputMask(QStringLiteral("#9:99; "));
    c.Edit("RecycleStopAdvMaskEdit", 5, TAdvEdit::Text)->setText(QStringLiteral("18:00"));
    const TParameterCodec tcor = c.Bind(92), recycle = c.Bind(74), untouched = c.Bind(75);

    for (const auto &[minutes, text] :
         QList<std::pair<int, const char *>>{{480, "8:00"}, {65, "1:05"}, {1500, "25:00"}}) {
        Show(tcor, W({minutes}));
        QCOMPARE(plain->text(), QString::fromLatin1(text));
        QCOMPARE(HeldMinutes(plain), quint16(minutes));
        Show(recycle, W({minutes}));
        QCOMPARE(masked->displayText(), QString::fromLatin1(text).rightJustified(5));  // the hour right-aligned
    }
    // The take sends the held word, whatever the edit says now.
    masked->setText(QStringLiteral("24:00"));
    plain->setText(QStringLiteral("xx"));
    QCOMPARE(Take(tcor), W({1500}));
    QCOMPARE(Take(recycle), W({1500}));
    QCOMPARE(Take(untouched), W({0}));  // nothing shown or accepted there yet
}

void TestTransferTable::weekProgram()
{
    TBoardSession session;
    MessageRecorder messages;
    TTransferTable table;
    TParameterEditor editor{session, table, messages};
    TPageContext context{session, messages, table, editor};
    TTimersPage timers(context);
    Controls c;
    const TParameterCodec times = c.Bind(89, timers.WeekProgramView()), levels = c.Bind(90, timers.WeekProgramView());

    std::vector<quint16> timeWords(42), levelWords(21);
    for (size_t i = 0; i < timeWords.size(); ++i)
        timeWords[i] = static_cast<quint16>(i * 30 + 5);
    for (size_t i = 0; i < levelWords.size(); ++i)
        levelWords[i] = static_cast<quint16>(i % 4);
    Show(times, timeWords);
    Show(levels, levelWords);
    // Day-major: Wednesday's fifth time, Saturday's third level.
    QCOMPARE(timers.WeekProgram().Times[3][4], quint16((3 * 6 + 4) * 30 + 5));
    QCOMPARE(timers.WeekProgram().Levels[6][2], quint16((6 * 3 + 2) % 4));
    QCOMPARE(Take(times), timeWords);
    QCOMPARE(Take(levels), levelWords);
    // The selected day, Sunday, is shown again.
    auto *stop1 = timers.findChild<QLineEdit *>(QStringLiteral("Int12AdvMaskEdit"));
    auto *level3 = timers.findChild<QComboBox *>(QStringLiteral("Int3ColumnComboBox"));
    QVERIFY(stop1 && level3);
    QCOMPARE(stop1->text().trimmed(), QStringLiteral("0:35"));
    QCOMPARE(level3->currentIndex(), 2);
}

void TestTransferTable::bindReportsEveryProblem()
{
    Controls c;
    c.Edit("T1AdvEdit");
    c.Edit("T2AdvEdit");
    c.Edit("T2AdvEdit");
    c.Combo("SupplySPAdvEdit", {"1"});
    for (int n = 1; n <= 8; ++n) {
        c.Box(QStringLiteral("IDigitalI%1dxfCheckBox").arg(n), n == 3 ? 0 : 1 << (n - 1));
        c.Box(QStringLiteral("IDigital%1dxfCheckBox").arg(n), n == 5 ? 1 : 1 << (n - 1));
    }
    QStringList problems;
    const auto named = NamedControls(c.Root());
    std::vector<TParameterCodec> codecs;
    for (int item : {13, 0, 80, 81, 89})
        codecs.push_back(TParameterCodec::Bind(RowOf(item), named, {}, problems));
    const QString all = problems.join(QLatin1Char('\n'));
    for (const char *expected :
         {"Item 13 (0x020d): T2AdvEdit exists 2 times", "T3AdvEdit is missing", "SupplySPAdvEdit is a QComboBox",
          "IDigitalI3dxfCheckBox has Tag 0", "IDigital5dxfCheckBox has Tag 1, the weight of another box",
          "Item 89 (0x0340): no timers page"})
        QVERIFY2(all.contains(QLatin1String(expected)), qPrintable(all));
    QCOMPARE(problems.size(), 6);
    // A row with a problem shows nothing and takes nothing.
    for (const TParameterCodec &codec : codecs) {
        std::vector<quint16> words(static_cast<size_t>(codec.Row().Registers), 7);
        QVERIFY(!codec.IsBound() && !codec.RegistersToControls(words));
        QCOMPARE(codec.ControlsToRegisters(words).Result, TTakeResult::Unbound);
        QCOMPARE(words, std::vector<quint16>(words.size(), 7));
    }
}

void TestTransferTable::rowsMatchTheDefinitionFile()
{
    TIniFile definition;
    QString error;
    QVERIFY2(definition.Load(QStringLiteral(Z4_TESTS_DIR "/../deffiles/z4_0parameters.def"), &error),
             qPrintable(error));
    QCOMPARE(definition.ReadInteger(QStringLiteral("Info"), QStringLiteral("Items"), 0), kTransferItems);
    QCOMPARE(int(TransferRows().size()), kTransferItems);
    QSet<QString> names;
    QList<std::pair<int, int>> runs;
    for (const auto *rows : {&TransferRows(), &SideRows()}) {
        for (const TParameterRow &row : *rows) {
            if (row.Item >= 0) {
                const QString section = QString::number(row.Item);
                QCOMPARE(row.Item, int(&row - rows->data()));
                QCOMPARE(int(row.FirstRegister), definition.ReadInteger(section, QStringLiteral("FirstRegister"), -1));
                QCOMPARE(row.Registers, definition.ReadInteger(section, QStringLiteral("Registers"), -1));
            }
            runs.append({row.FirstRegister, row.FirstRegister + row.Registers});
            for (const QString &name : row.Controls) {
                QVERIFY2(!names.contains(name), qPrintable(name + QStringLiteral(" is in two rows")));
                names.insert(name);
            }
        }
    }
    std::sort(runs.begin(), runs.end());
    for (qsizetype i = 1; i < runs.size(); ++i)
        QVERIFY2(runs[i].first >= runs[i - 1].second, "a register in two rows");
}

// Every edit of the table says what it accepts, inside what its register can store; the check at
// start-up refuses a row that does not.
void TestTransferTable::limitsFitTheEncoding_data()
{
    QTest::addColumn<TParameterRow>("row");
    QTest::addColumn<QString>("problem");
    const auto edit = [](TCodecKind kind, std::vector<TLimits> limits, int registers = 1) {
        QStringList names;
        for (int r = 0; r < registers; ++r)
            names << QStringLiteral("E%1").arg(r);
        return TParameterRow{0, 0x0200, registers, {{kind}}, names, std::move(limits)};
    };
    QTest::newRow("no limits") << edit(TCodecKind::Centi, {}) << "needs the accepted range";
    QTest::newRow("two limits for three") << edit(TCodecKind::Int, {{0, 1}, {0, 2}}, 3) << "needs the accepted range";
    QTest::newRow("signed over 32767") << edit(TCodecKind::Centi, {{0, 32768}}) << "cannot store";
    QTest::newRow("unsigned below 0") << edit(TCodecKind::UInt, {{-1, 10}}) << "cannot store";
    QTest::newRow("tenths not whole") << edit(TCodecKind::Tenths, {{10, 15}}) << "cannot store";
    QTest::newRow("past midnight") << edit(TCodecKind::TimeOfDay, {{0, 1440}}) << "cannot store";
    QTest::newRow("upside down") << edit(TCodecKind::Deci, {{10, 0}}) << "cannot store";
    QTest::newRow("limits on a box") << TParameterRow{0,       0x0200, 1, {{TCodecKind::Flag}}, {QStringLiteral("B")},
                                                      {{0, 1}}}
                                     << "has limits or units but no edits";
    TParameterRow twoUnits = edit(TCodecKind::Int, {{0, 1}}, 3);
    twoUnits.Units = {QStringLiteral("V"), QStringLiteral("%")};
    QTest::newRow("two units for three") << twoUnits << "needs one unit";
    QTest::newRow("sound") << edit(TCodecKind::CentiU, {{0, 65500}}) << QString();
}

void TestTransferTable::limitsFitTheEncoding()
{
    QFETCH(TParameterRow, row);
    QFETCH(QString, problem);
    const QString problems = RowShapeProblems(row).join(QLatin1Char('\n'));
    QVERIFY2(problem.isEmpty() ? problems.isEmpty() : problems.contains(problem), qPrintable(problems));
}

// Binding checks each row's shape too: every edit row of the table has limits its register holds.
void TestTransferTable::everyControlBindsOnce()
{
    Window w;
    for (const QString &problem : w.Problems)
        qWarning("%s", qPrintable(problem));
    QCOMPARE(w.Problems.size(), 0);
}

void TestTransferTable::locate()
{
    Window w;
    const auto place = [&](quint16 address) {
        const auto found = w.Table.Locate(address);
        return found ? std::pair(found->Codec->Row().Item, found->Offset) : std::pair(-2, -2);
    };
    QCOMPARE(place(0x020F), std::pair(13, 2));
    QCOMPARE(place(0x0355), std::pair(89, 21));
    QCOMPARE(place(0x0521), std::pair(139, 1));
    QCOMPARE(place(0x0216), std::pair(-1, 0));   // the season: coded, in no item
    QCOMPARE(place(0x0385), std::pair(-1, 0));   // the series number
    QCOMPARE(place(0x0420), std::pair(-2, -2));  // the hearth command: no row
}

// Each control of a bound row leads to its row and register, and taking that register alone gives
// what the whole row's take gives there: what a single write of an edited control sends.
void TestTransferTable::everyControlFindsItsRegister()
{
    Window w;
    QVERIFY(w.Problems.isEmpty());
    QRandomGenerator random(7);
    w.Table.ShowImage(RandomImage(w.Table, random), kTransferItems);
    for (int i = 0; i < kTransferItems; ++i) {
        const TParameterCodec &codec = w.Table.Codec(i);
        const std::vector<quint16> row = Take(codec);
        for (QWidget *control : codec.Controls()) {
            const QString where = QStringLiteral("item %1, %2").arg(i).arg(control->objectName());
            const auto place = w.Table.Find(control);
            QVERIFY2(place && place->Codec == &codec, qPrintable(where));
            const auto located = w.Table.Locate(static_cast<quint16>(codec.Row().FirstRegister + place->Offset));
            QVERIFY2(located && located->Codec == &codec && located->Offset == place->Offset, qPrintable(where));
            quint16 value = 0xBEEF;
            QVERIFY2(codec.TakeRegister(place->Offset, value).Ok(), qPrintable(where));
            QVERIFY2(value == row[static_cast<size_t>(place->Offset)], qPrintable(where));
        }
    }
    // The register of an A/M pair's second box is the pair's; a set of boxes fills register 0.
    const TParameterCodec &inputModes = w.Table.Codec(77);
    QCOMPARE(w.Table.Find(inputModes.Controls()[5])->Offset, 2);
    QCOMPARE(w.Table.Find(w.Table.Codec(16).Controls()[7])->Offset, 0);
    // Controls of no row, and a register outside the row, give nothing.
    QVERIFY(!w.Table.Find(PanelOf(*w.Form)->ConnectVrButton));
    QVERIFY(!w.Table.Find(nullptr));
    quint16 value = 0xBEEF;
    QCOMPARE(w.Table.Codec(0).TakeRegister(1, value).Result, TTakeResult::Unbound);
    QCOMPARE(value, quint16(0xBEEF));
}

void TestTransferTable::roundTripOfEveryRow()
{
    Window w;
    QVERIFY(w.Problems.isEmpty());
    QRandomGenerator random(20240517);
    for (int round = 0; round < 20; ++round) {
        const ConfigImage shown = RandomImage(w.Table, random);
        w.Table.ShowImage(shown, kTransferItems);
        ConfigImage taken = ImageFromTable();
        QVERIFY(w.Table.TakeImage(taken, kTransferItems));
        for (int i = 0; i < kTransferItems; ++i)
            QVERIFY2(shown[size_t(i)].Values == taken[size_t(i)].Values, qPrintable(QStringLiteral("item %1").arg(i)));
    }
    QVERIFY(w.Form.Messages->Errors.isEmpty());
}

void TestTransferTable::baseSetWalkLeavesTheExtendedItems()
{
    Window w;
    QVERIFY(w.Problems.isEmpty());
    QRandomGenerator random(7);
    const ConfigImage before = RandomImage(w.Table, random);
    ConfigImage after = RandomImage(w.Table, random);
    for (int i = TConfigImages::kBaseItems; i < kTransferItems; ++i) {
        auto &values = after[size_t(i)].Values;
        while (values == before[size_t(i)].Values) {
            for (size_t reg = 0; reg < values.size(); ++reg)
                values[reg] = ValidWord(w.Table.Codec(i), int(reg), random);
        }
    }
    w.Table.ShowImage(before, kTransferItems);
    w.Table.ShowImage(after, TConfigImages::kBaseItems);

    ConfigImage taken = ImageFromTable();
    QVERIFY(w.Table.TakeImage(taken, kTransferItems));
    for (int i = 0; i < kTransferItems; ++i) {
        const ConfigImage &expected = i < TConfigImages::kBaseItems ? after : before;
        QVERIFY2(taken[size_t(i)].Values == expected[size_t(i)].Values, qPrintable(QStringLiteral("item %1").arg(i)));
    }
    ConfigImage partial = before;  // a base-set take leaves the extended items too
    QVERIFY(w.Table.TakeImage(partial, TConfigImages::kBaseItems));
    for (int i = TConfigImages::kBaseItems; i < kTransferItems; ++i)
        QCOMPARE(partial[size_t(i)].Values, before[size_t(i)].Values);
}

void TestTransferTable::takeErrorStopsAndNamesThePlace()
{
    Window w;
    QVERIFY(w.Problems.isEmpty());
    QRandomGenerator random(11);
    w.Table.ShowImage(RandomImage(w.Table, random), kTransferItems);
    w.Form->findChild<QLineEdit *>(QStringLiteral("VIS2AdvEdit"))->setText(QStringLiteral("12a"));
    w.Form->findChild<QLineEdit *>(QStringLiteral("SKiAdvEdit"))->setText(QStringLiteral("x"));  // never reached

    ConfigImage image = ImageFromTable();
    for (ConfigItem &item : image)
        std::fill(item.Values.begin(), item.Values.end(), 0x5A5A);
    QVERIFY(!w.Table.TakeImage(image, kTransferItems));
    QCOMPARE(w.Form.Messages->Errors.size(), 1);
    const QString message = w.Form.Messages->Errors.front();
    QVERIFY2(message.contains(QLatin1String("'12a'")) && message.contains(QLatin1String("\"Ventilation\"")),
             qPrintable(message));
    for (const ConfigItem &item : image)  // the image keeps what it had
        QCOMPARE(item.Values, std::vector<quint16>(item.Values.size(), 0x5A5A));
}

// Whatever the pages connect their handlers to, showing images writes nothing to the board.
void TestTransferTable::showingNeverWritesToTheBoard()
{
    Window w;
    QVERIFY(w.Problems.isEmpty());
    auto board = StartTcpBoard();
    QVERIFY(board);
    auto client = OpenTcpClient(board->TcpPort());
    QVERIFY(client);
    TBoardSession &session = w.Form->Session();
    session.SetActiveClient(client.get());
    session.SetSlaveAddress(1);
    session.SetConnected(true);
    session.SetLinkOk(true);

    QRandomGenerator random(3);
    for (int round = 0; round < 3; ++round)
        w.Table.ShowImage(RandomImage(w.Table, random), kTransferItems);
    // Requests go out in order: once this read is answered, anything issued before it was too.
    bool answered = false;
    session.Read(0x0200, 1, {.OnReply = [&](const TModbusAnswer &) { answered = true; }});
    QTRY_VERIFY_WITH_TIMEOUT(answered, kSoonMs);
    session.SetActiveClient(nullptr);
    if (!board->Writes().isEmpty())
        QFAIL(qPrintable(QStringLiteral("%1 writes, the first to 0x%2")
                             .arg(board->Writes().size())
                             .arg(board->Writes().front().first, 4, 16)));
}

void TestTransferTable::historyBox()
{
    RecordedForm form;
    TParametersPage *page = PageOf<TParametersPage>(*form);
    // Keyboard order follows the reading order: the five buttons, then the log.
    const QList<QWidget *> order{page->SaveButton,    page->LoadButton,   page->VerifyButton,
                                 page->CompareButton, page->ReportButton, page->ParametersMemo};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(order[i]->nextInFocusChain(), order[i + 1]);
    QVERIFY(page->ParametersMemo->isReadOnly());
    QCOMPARE(page->WritedxfProgressBar->text(), QStringLiteral("0%"));
    QVERIFY(page->minimumSizeHint().width() <= 552);
}

QTEST_MAIN(TestTransferTable)
#include "tst_transfertable.moc"
