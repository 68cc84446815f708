// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The live-register decoders: float pairs, value texts, clock texts, state names and blocks,
// including blocks of random words and blocks cut short.
#include "config/Units.h"
#include "monitor/LiveDecoders.h"
#include "monitor/StateNames.h"

#include <QLocale>
#include <QTest>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

using namespace live;

namespace {
std::array<quint16, 2> Pair(float value)
{
    const auto bits = std::bit_cast<quint32>(value);
    return {static_cast<quint16>(bits >> 16), static_cast<quint16>(bits & 0xFFFF)};
}

ShownValue Output(float value, int output)
{
    const auto [high, low] = Pair(value);
    return AnalogOutput(high, low, output);
}

ShownValue Rounded(float value)
{
    const auto [high, low] = Pair(value);
    return RoundedReading(high, low, units::kPascals);
}

QStringList Names(QString (*name)(int), int first, int last)
{
    QStringList names;
    for (int i = first; i <= last; ++i)
        names << name(i);
    return names;
}

// The heat-recovery block with only register 407 (rotor) and 408 (control) set.
HeatRecoveryBlock Recovery(quint16 rotor, quint16 control)
{
    return *DecodeHeatRecoveryBlock(std::array<quint16, 7>{0, 0, 0, 0, rotor, control, 0});
}
}  // namespace

class TestDecoders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void floatDecodeClasses_data();
    void floatDecodeClasses();
    void analogValuesAndTheirLimits();
    void floatTextIsShortestAndLocal();
    void clockTexts();
    void stateNames();
    void diagnosticsAndVersion();
    void shortBlocksDecodeToNothing();
    void randomBlocksShowSaneTexts();
};

void TestDecoders::floatDecodeClasses_data()
{
    QTest::addColumn<quint16>("high");
    QTest::addColumn<quint16>("low");
    QTest::addColumn<int>("cls");
    QTest::addColumn<float>("value");
    QTest::newRow("zero") << quint16(0x0000) << quint16(0x0000) << 1 << 0.0f;
    QTest::newRow("minus zero") << quint16(0x8000) << quint16(0x0000) << 1 << 0.0f;
    QTest::newRow("denormal") << quint16(0x0012) << quint16(0x3456) << 1 << 0.0f;
    QTest::newRow("21.5") << quint16(0x41AC) << quint16(0x0000) << 0 << 21.5f;
    QTest::newRow("-1.0") << quint16(0xBF80) << quint16(0x0000) << 0 << -1.0f;
    QTest::newRow("+infinity") << quint16(0x7F80) << quint16(0x0000) << 2 << 0.0f;
    QTest::newRow("-infinity") << quint16(0xFF80) << quint16(0x0000) << 3 << 0.0f;
    QTest::newRow("quiet NaN") << quint16(0x7FC0) << quint16(0x0000) << 4 << 0.0f;
    // Only the mantissa bits of the first register are looked at.
    QTest::newRow("NaN in the low word only") << quint16(0x7F80) << quint16(0x0001) << 2 << 0.0f;
}

void TestDecoders::floatDecodeClasses()
{
    QFETCH(quint16, high);
    QFETCH(quint16, low);
    QFETCH(int, cls);
    QFETCH(float, value);
    const FloatReading reading = FloatDecode(high, low);
    QCOMPARE(static_cast<int>(reading.Class), cls);
    QCOMPARE(reading.Value, value);
    QCOMPARE(reading.Valid(), cls <= 1);
}

void TestDecoders::analogValuesAndTheirLimits()
{
    // A quiet NaN says the input has no sensor and is kept as -1000; zero is green "0.0"; the
    // marker itself is invalid.
    const ShownValue nan = AnalogInput(0x7FC0, 0x0000, 1);
    QVERIFY(!nan.Valid && nan.Text == QLatin1String("no sensor") && nan.Kept == InvalidValue);
    const ShownValue zero = AnalogInput(0x0000, 0x0000, 1);
    QVERIFY(zero.Valid && zero.Text == QLatin1String("0.0") && zero.Kept == 0.0f);
    QVERIFY(!AnalogInput(Pair(-1000.0f)[0], Pair(-1000.0f)[1], 1).Valid);

    // Each value to its unit's resolution, kept as read: °C (inputs 1-4) and % (inputs 9-10,
    // outputs 6-8) to 0.1, V (inputs 5-8, outputs 1-5) to 0.01.
    const auto input = [](float value, int number) {
        const auto [high, low] = Pair(value);
        return AnalogInput(high, low, number);
    };
    QCOMPARE(input(19.874759f, 1).Text, QStringLiteral("19.9"));
    QCOMPARE(input(19.874759f, 1).Kept, 19.874759f);
    QCOMPARE(input(-0.04f, 4).Text, QStringLiteral("0.0"));  // never "-0.0"
    QCOMPARE(input(-12.35f, 2).Text, QStringLiteral("-12.4"));
    QCOMPARE(input(2.675f, 5).Text, QStringLiteral("2.68"));  // the float's digits, not its double's
    QCOMPARE(input(7.0f, 8).Text, QStringLiteral("7.00"));
    QCOMPARE(input(55.55f, 9).Text, QStringLiteral("55.6"));
    QCOMPARE(input(3.0e38f, 1).Text, QStringLiteral("3e+38"));  // beyond any sensor: as read

    // Output 6 at 10.0 V shows 100.0 %; at 10.5 V it is out of range. Outputs 1-5 stay in volts;
    // the limit lets 10.0001 through but not the float above it.
    QCOMPARE(Output(10.0f, 6).Text, QStringLiteral("100.0"));
    QCOMPARE(Output(10.0f, 6).Kept, 100.0f);
    QCOMPARE(Output(10.5f, 6).Text, QStringLiteral("invalid"));
    QCOMPARE(Output(10.5f, 6).Kept, InvalidValue);
    QCOMPARE(Output(0.7f, 8).Text, QStringLiteral("7.0"));
    QCOMPARE(Output(4.999f, 5).Text, QStringLiteral("5.00"));
    QVERIFY(Output(10.00005f, 1).Valid);
    QVERIFY(!Output(10.0002f, 1).Valid);
    QVERIFY(!Output(-0.5f, 1).Valid);

    // Pressures and air flows round half up, in double: in float 0.49999997 + 0.5 gives 1.
    QCOMPARE(Rounded(152.5f).Text, QStringLiteral("153"));
    QCOMPARE(Rounded(0.49999997f).Text, QStringLiteral("0"));
    QCOMPARE(Rounded(-3.7f).Text, QStringLiteral("-3"));
    QCOMPARE(Rounded(3.0e38f).Text, QStringLiteral("3e+38"));  // no overflow of an integer type
    QVERIFY(!Rounded(std::numeric_limits<float>::quiet_NaN()).Valid
            && Rounded(std::numeric_limits<float>::quiet_NaN()).Text == QLatin1String("no sensor"));
    QCOMPARE(RecoveryReading(0xFF80, 0x0000, units::kDegrees).Text, QStringLiteral("BAD VALUE"));
    // A recovery reading at its unit's resolution, as the Control page and z4ctl show it.
    QCOMPARE(values::ReadingText(RecoveryReading(0x4188, 0xA641, units::kDegrees)), QStringLiteral("17.1 °C"));
    QCOMPARE(TruncatedText(-0.9), QStringLiteral("0"));
    // A ventilation level that is no number says so (registers 0x013C and 0x013E).
    std::array<quint16, 69> status{};
    status[0x3C] = 0x7FC0;
    QCOMPARE(DecodeStatusBlock(status)->SupplyVentilation, QStringLiteral("invalid"));
    QCOMPARE(DecodeStatusBlock(status)->ExhaustVentilation, QStringLiteral("0"));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString german = input(21.5f, 1).Text;
    QLocale::setDefault(QLocale::c());
    QCOMPARE(german, QStringLiteral("21,5"));
}

void TestDecoders::floatTextIsShortestAndLocal()
{
    // The float's own shortest digits, not those of the double it widens to.
    QCOMPARE(FloatText(19.3f), QStringLiteral("19.3"));
    QCOMPARE(FloatText(-0.0f), QStringLiteral("0"));
    QCOMPARE(FloatText(100000.0f), QStringLiteral("100000"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString german = FloatText(21.5f);
    const QString version = VersionText(1012);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(german, QStringLiteral("21,5"));
    QCOMPARE(version, QStringLiteral("Version: 1,012"));

    // Every normal float reads back exactly from its text.
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        const auto bits = static_cast<quint32>(random());
        const FloatReading reading = FloatDecode(static_cast<quint16>(bits >> 16), static_cast<quint16>(bits));
        if (reading.Class != FloatClass::Normal)
            continue;
        const QString text = FloatText(reading.Value);
        bool ok = false;
        QVERIFY2(text.toFloat(&ok) == reading.Value && ok, qPrintable(text));
    }
}

void TestDecoders::clockTexts()
{
    QCOMPARE(DateText(2024, 0x0305), QStringLiteral("2024-3-5"));
    QCOMPARE(DateText(0xFFFF, 0x0C1F), QStringLiteral("-1-12-31"));
    // Hour 7 without, minute 5 with a leading zero.
    QCOMPARE(TimeText(0x0705, 0x0903), QStringLiteral("7:05:09"));
    QCOMPARE(TimeText(0xFFFF, 0xFF00), QStringLiteral("255:255:255"));
    QCOMPARE(DayText(0x0001), QStringLiteral("Sunday"));
    QCOMPARE(DayText(0x0007), QStringLiteral("Saturday"));
    QCOMPARE(DayText(0x0000), QStringLiteral("--------"));
    QCOMPARE(DayText(0x0008), QStringLiteral("--------"));
}

void TestDecoders::stateNames()
{
    const QString dashes = QStringLiteral("----------");
    QCOMPARE(Names(RotorStateName, 5, 7), QStringList({"RS_COOLING_100", "RS_COOLING_VAR", dashes}));
    QCOMPARE(Names(RotorControlStateName, -1, 4),
             QStringList({dashes, "RT_PASSIVE", "RT_ACTIVE", "RT_STARTING", "RT_STOPPING", dashes}));
    QCOMPARE(Names(ControlStatusName, 5, 6), QStringList({"CS_SOFT_STOP_CONTROL", dashes}));
    QCOMPARE(Names(RecoveryControlStateName, 10, 12),
             QStringList({"CS_MIN_ELECTRIC_HEATER_CONTROL", "CS_MAX_ELECTRIC_HEATER_CONTROL",
                          "CS_END_ELECTRIC_HEATER_CONTROL"}));
    QCOMPARE(Names(RecoveryControlStateName, 21, 22), QStringList({"CS_WAIT_FAN_STOP", dashes}));

    // The control source is a signed byte: 254 is -2; 3 has no name.
    QCOMPARE(Recovery(0, 0xFE00).ControlSource.value_or(QString()), QStringLiteral("EH_CONTROL"));
    QCOMPARE(Recovery(0, 0xFF00).ControlSource.value_or(QString()), QStringLiteral("WH_CONTROL"));
    QCOMPARE(Recovery(0, 0x7800).ControlSource.value_or(QString()), QStringLiteral("ID_CONTROL"));
    QVERIFY(!Recovery(0, 0x0300).ControlSource);
    QVERIFY(!Recovery(0, 0x8000).ControlSource);

    // The rotor's direction lamps follow its state byte; the low byte plays no part.
    for (int state = 0; state < 256; ++state) {
        const HeatRecoveryBlock h = Recovery(static_cast<quint16>(state << 8 | 0xFF), 0);
        QCOMPARE(h.Heating, state >= 1 && state <= 3);
        QCOMPARE(h.Cooling, state >= 4 && state <= 6);
    }
}

void TestDecoders::diagnosticsAndVersion()
{
    const DiagnosticsBlock d = *DecodeDiagnosticsBlock(std::array<quint16, 10>{12, 0xFFFF, 0x8000, 0x7FFF, 0xABCD});
    QCOMPARE(d.Hex[0], QStringLiteral("0x000C"));
    QCOMPARE(d.Decimal[1], QStringLiteral("-1"));
    QCOMPARE(d.Hex[1], QStringLiteral("0xFFFFFFFF"));
    QCOMPARE(d.Hex[2], QStringLiteral("0xFFFF8000"));
    QCOMPARE(d.Hex[3], QStringLiteral("0x7FFF"));
    QCOMPARE(d.Decimal[4], QStringLiteral("-21555"));

    const auto version = [](quint16 v) { return *DecodeVersionBlock(std::array<quint16, 2>{v, 42}); };
    QVERIFY(!version(1010).HasSeries && !version(1010).Rev12);
    QVERIFY(version(1011).HasSeries && !version(1011).Rev12);
    QVERIFY(version(1012).Rev12);
    QVERIFY(!version(1100).HasSeries);  // the revision counts modulo 100
    QCOMPARE(version(1012).VersionPanel, QStringLiteral("Version: 1.012"));
    QCOMPARE(version(7).VersionPanel, QStringLiteral("Version: 0.007"));
    QCOMPARE(version(65535).BoardPanel, QStringLiteral("Board No.: 42"));
    QCOMPARE(*DecodeSeries(std::array<quint16, 1>{0xFFFF}), QStringLiteral("Series: 65535"));
}

void TestDecoders::shortBlocksDecodeToNothing()
{
    const std::vector<quint16> words(80, 0);
    const auto cut = [&](quint16 count) { return std::span<const quint16>(words.data(), count); };
    QVERIFY(!DecodeStatusBlock(cut(68)) && DecodeStatusBlock(cut(69)));
    QVERIFY(!DecodeColumnABlock(cut(37)) && DecodeColumnABlock(cut(38)));
    QVERIFY(!DecodeRegulationMode(cut(1)));
    QVERIFY(!DecodeHeatRecoveryBlock(cut(6)));
    QVERIFY(!DecodeDiagnosticsBlock(cut(9)));
    QVERIFY(!DecodeVersionBlock(cut(1)));
    QVERIFY(!DecodeSeries(cut(0)));
}

void TestDecoders::randomBlocksShowSaneTexts()
{
    // Any word in any register: every value text is a number or the fixed invalid text, the
    // trend keeps a finite value or the marker, and the state texts come from their tables.
    std::mt19937 random(20240305);
    std::uniform_int_distribution<int> anyWord(0, 0xFFFF);
    const auto sane = [](const ShownValue &v, const char *invalidText) {
        if (!v.Valid)
            return v.Text == QLatin1String(invalidText) && v.Kept == InvalidValue;
        bool ok = false;
        return std::isfinite(v.Text.toDouble(&ok)) && ok;
    };
    const QStringList days{"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "--------"};
    for (int round = 0; round < 3000; ++round) {
        std::array<quint16, 69> words{};
        for (quint16 &w : words)
            w = static_cast<quint16>(anyWord(random));
        const StatusBlock s = *DecodeStatusBlock(words);
        QVERIFY(days.contains(s.Day));
        for (const ShownValue &v : s.Inputs)
            QVERIFY2(sane(v, "no sensor") && (!v.Valid || (std::isfinite(v.Kept) && v.Kept != InvalidValue)),
                     qPrintable(v.Text));
        for (const ShownValue &v : s.Outputs)
            QVERIFY2(sane(v, "invalid") && (!v.Valid || (v.Kept >= 0.0f && v.Kept <= 100.001f)), qPrintable(v.Text));
        for (const ShownValue &v : s.Pressures)
            QVERIFY2(sane(v, "no sensor"), qPrintable(v.Text));
        bool ok = false;
        s.SupplyVentilation.toDouble(&ok);
        QVERIFY2(ok || s.SupplyVentilation == QLatin1String("invalid"), qPrintable(s.SupplyVentilation));

        const HeatRecoveryBlock h = *DecodeHeatRecoveryBlock(std::span<const quint16>(words.data(), 7));
        QVERIFY(sane(h.Temperature, "BAD VALUE"));
        QVERIFY(h.RotorState.startsWith(QLatin1String("RS_")) || h.RotorState == NoStateText());
        QVERIFY(h.RecoveryControlState.startsWith(QLatin1String("CS_")) || h.RecoveryControlState == NoStateText());

        const DiagnosticsBlock d = *DecodeDiagnosticsBlock(std::span<const quint16>(words.data(), 10));
        for (size_t i = 0; i < 10; ++i)
            QCOMPARE(static_cast<qint16>(d.Hex[i].mid(2).toUInt(&ok, 16)), d.Values[i]);
    }
}

QTEST_GUILESS_MAIN(TestDecoders)
#include "tst_decoders.moc"
