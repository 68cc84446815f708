// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Z4Board.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <bit>
#include <initializer_list>
#include <vector>

namespace {

// A float pair as the tool decodes it: kind 0 a number, 1 zero or denormal, 2-4 invalid.
struct FloatPair
{
    float value = 0;
    int kind = 0;
    bool valid() const { return kind <= 1; }
};

FloatPair floatPair(const Z4Board &board, quint16 address)
{
    const quint32 bits = quint32(board.value(address)) << 16 | board.value(address + 1);
    const int exponent = (bits >> 23) & 0xFF;
    if (exponent == 0)
        return {0, 1};
    if (exponent == 255)
        return {0, (bits & 0x007F0000) != 0 ? 4 : (bits & 0x80000000) != 0 ? 3 : 2};
    return {std::bit_cast<float>(bits), 0};
}

int signedValue(const Z4Board &board, quint16 address)
{
    return static_cast<qint16>(board.value(address));
}

void writeBlock(Z4Board &board, quint16 first, std::initializer_list<quint16> values)
{
    for (const quint16 value : values)
        QVERIFY(board.write(first++, value));
}

void advance(Z4Board &board, int seconds)
{
    for (int i = 0; i < seconds; ++i)
        board.advance();
}

QString hex(int address)
{
    return QStringLiteral("0x%1").arg(address, 4, 16, QLatin1Char('0'));
}

using Writes = QList<QPair<quint16, quint16>>;

}  // namespace

class TestZ4Board : public QObject
{
    Q_OBJECT

private slots:
    // A sample of every configuration block, each value inside what its page accepts, and the
    // values that must agree with each other.
    void factoryConfigurationIsValid()
    {
        const struct
        {
            quint16 address;
            int low;
            int high;
        } ranges[] = {
            {0x0200, 1000, 5500},    {0x0201, 0, 3},      {0x0204, -1000, 1000}, {0x0205, -1, 3},
            {0x0207, -1, 10},        {0x0208, 1, 6},      {0x0209, 1, 255},      {0x020A, 0, 100},
            {0x020C, 0, 65500},      {0x020F, 0, 300},    {0x0212, 0, 0xFF},     {0x0213, 0, 0x3FF},
            {0x0214, 0, 1},          {0x0215, 0, 2},      {0x0216, 0, 1},        {0x0225, 4, 7},
            {0x022D, 25, 28},        {0x0241, 0, 10},     {0x0245, 0, 1000},     {0x0249, 0, 3},
            {0x024E, 1, 3},          {0x0251, 0, 100},    {0x0254, 0, 7},        {0x0260, -1, 10},
            {0x0261, 0, 3600},       {0x0300, 0, 2},      {0x0301, 0, 5},        {0x0302, 1000, 5500},
            {0x0306, 0, 3000},       {0x0310, 0, 1439},   {0x0311, -3000, 7500}, {0x031A, 0, 10000},
            {0x0324, 0, 1},          {0x032C, 0, 1000},   {0x033A, 0, 0x7FF},    {0x033B, 10, 60000},
            {0x033E, 0, 7},          {0x033F, -1, 10},    {0x037F, -9, 9},       {0x0381, 0, 1439},
            {0x0383, 1, 247},        {0x0400, 0, 3},      {0x0402, -1, 10},      {0x040B, 4, 7},
            {0x040C, -10000, 10000}, {0x040D, 0, 100},    {0x0410, 8, 9},        {0x0419, 1, 3},
            {0x041F, 20, 120},       {0x0421, -50, 50},   {0x0422, 0, 99},       {0x0429, 0, 9990},
            {0x0430, 0, 1},          {0x0432, 20, 120},   {0x0513, 0, 1750},     {0x0517, 0, 10000},
            {0x0518, 0, 10000},      {0x051D, -100, 100}, {0x051E, 8000, 12000}, {0x0521, 1, 1233},
            {0x0535, 0, 10000},      {0x0536, 0, 1},
        };
        const Z4BoardOptions options{.boardNumber = 4711, .series = 12};
        const Z4Board board(options);
        for (const auto &r : ranges) {
            const int value = r.low < 0 ? signedValue(board, r.address) : board.value(r.address);
            QVERIFY2(value >= r.low && value <= r.high, qPrintable(hex(r.address) + QStringLiteral(": %1").arg(value)));
        }
        for (int day = 0; day < 7; ++day) {  // six times of day that never decrease, levels 0-3
            for (int k = 0; k < 6; ++k) {
                const int minutes = board.value(0x0340 + 6 * day + k);
                QVERIFY(minutes < 1440 && (k == 0 || minutes >= board.value(0x0340 + 6 * day + k - 1)));
            }
            for (int k = 0; k < 3; ++k)
                QVERIFY(board.value(0x036A + 3 * day + k) <= 3);
        }
        // The cascade period reads validly as whole seconds and as hundredths of 1-255 s.
        QVERIFY(board.value(0x0307) <= 255 && board.value(0x0307) % 100 == 0 && board.value(0x0307) > 0);
        for (int channel = 0; channel < 8; ++channel) {  // low below high reference, calibrated
            QVERIFY(board.value(0x0508 + channel) < board.value(0x0510 + channel));
            QCOMPARE(board.value(0x0500 + channel), quint16(1));
        }
        for (int channel = 0; channel < 5; ++channel)
            QVERIFY(board.value(0x052C + channel) < board.value(0x0531 + channel));
        quint16 used = 0;  // the enabled digital-output functions use distinct outputs
        for (const quint16 address : {0x0401, 0x0403, 0x0405, 0x0207, 0x0210, 0x0211, 0x025F, 0x033F}) {
            const auto bit = quint16(1u << board.value(address));
            QVERIFY2((used & bit) == 0, qPrintable(hex(address)));
            used |= bit;
        }
        QCOMPARE(board.value(0x0382), quint16(4711));
        QCOMPARE(board.value(0xE701), quint16(4711));
        QCOMPARE(board.value(0x0385), quint16(12));
        QCOMPARE(board.value(0xE700), options.firmware);
        // Nothing stops the unit; it runs at speed II.
        QCOMPARE(board.value(0x0136) | board.value(0x0137) | board.value(0x0138), 0);
        QCOMPARE(board.value(0x0132), quint16(2));
    }

    void coversTheBoardsBlocks()
    {
        // Every block the tool reads or writes, then just outside each block, past the end, empty.
        const struct
        {
            quint16 first;
            quint16 count;
        } used[] = {
            {0x0100, 69}, {0x016D, 38}, {0x0000, 2},  {0x0193, 7},  {0x01C5, 10}, {0xE700, 2},
            {0x0385, 1},  {0x0200, 66}, {0x0242, 22}, {0x0258, 10}, {0x0300, 17}, {0x0311, 47},
            {0x0364, 6},  {0x037C, 3},  {0x037F, 5},  {0x0384, 1},  {0x0400, 48}, {0x0430, 3},
            {0x04FF, 1},  {0x0518, 20}, {0x0536, 1},  {0x0500, 8},  {0x0522, 8},
        };
        const struct
        {
            quint16 first;
            quint16 count;
        } outside[] = {
            {0x0002, 1}, {0x00FF, 1}, {0x0100, 70}, {0x0145, 1}, {0x016C, 1}, {0x0199, 2},      {0x01C4, 1},
            {0x01CF, 1}, {0x01FF, 1}, {0x0262, 1},  {0x02FF, 1}, {0x0386, 1}, {0x03FF, 2},      {0x0432, 0xCE},
            {0x04FE, 1}, {0x0537, 1}, {0xE6FF, 1},  {0xE702, 1}, {0xFFFF, 1}, {0xE701, 0xFFFF}, {0x0200, 0},
        };
        const Z4Board board;
        for (const auto &u : used)
            QVERIFY2(board.covers(u.first, u.count), qPrintable(hex(u.first)));
        for (const auto &o : outside)
            QVERIFY2(!board.covers(o.first, o.count), qPrintable(hex(o.first)));

        Z4Board noRemote({.remoteControl = false});
        QVERIFY(noRemote.covers(0x0400, 48));
        QVERIFY(!noRemote.covers(0x0400, 49));
        QVERIFY(!noRemote.covers(0x0432, 1));
        QVERIFY(!noRemote.write(0x0431, 100));
        QCOMPARE(noRemote.value(0x0431), quint16(0));
    }

    void writeSideEffects()
    {
        Z4Board board;
        QVERIFY(!board.write(0x0145, 5));
        QCOMPARE(board.value(0x0145), quint16(0));
        // Computed registers acknowledge a write and keep their own value.
        QVERIFY(board.write(0xE700, 1));
        QCOMPARE(board.value(0xE700), Z4BoardOptions().firmware);
        QVERIFY(board.write(0x0132, 3));
        QCOMPARE(board.value(0x0132), quint16(2));
        // The board number written by the tool is what the version read shows.
        QVERIFY(board.write(0x0382, 321));
        QCOMPARE(board.value(0xE701), quint16(321));
        // Only 0xA563 at 0x0384 counts as a store; any value is kept.
        QVERIFY(board.write(0x0384, 0xA563));
        QVERIFY(board.write(0x0384, 0x1234));
        QCOMPARE(board.value(0x0384), quint16(0x1234));
        QVERIFY(board.write(0x0384, 0xA563));
        QCOMPARE(board.timerStoreCount(), 2);
        // Hearth: supply intensity 70 + 20 % for ten minutes.
        QVERIFY(board.write(0x0420, 1));
        QCOMPARE(board.value(0x0140), quint16(0x0100));
        QCOMPARE(floatPair(board, 0x013C).value, 90.0f);
        advance(board, 5);
        QCOMPARE(board.value(0x0141), quint16(595));
    }

    void calibrationReferencesAndCodes()
    {
        Z4Board board;
        QVERIFY(board.write(0x0509, 600));
        QCOMPARE(board.value(0x0501), quint16(1));  // not in calibration mode: only stored
        QVERIFY(board.write(0x0536, 1));
        QVERIFY(board.write(0x0509, 600));
        QCOMPARE(board.value(0x0501), quint16(0));  // a low reference starts the channel
        QVERIFY(board.write(0x0511, 500));
        QCOMPARE(board.value(0x0501), quint16(0));  // a high one below it completes nothing
        QVERIFY(board.write(0x0511, 1500));
        QCOMPARE(board.value(0x0501), quint16(1));
        QVERIFY(board.write(0x052D, 900));
        QCOMPARE(board.value(0x0523), quint16(0));
        // The outputs carry the stepped raw code: 12-bit on output 1, doubled 15-bit on output 3.
        QVERIFY(board.write(0x0527, 2048));
        QVERIFY(qAbs(floatPair(board, 0x0118).value - 5.001f) < 0.01f);
        QVERIFY(board.write(0x0529, 6552));
        QVERIFY(qAbs(floatPair(board, 0x011C).value - 1.0f) < 0.01f);
    }

    void clockBlockWriteReadsBack()
    {
        Z4Board board;
        // Saturday 2026-12-05 14:07:09, as the tool's clock button writes it.
        writeBlock(board, 0x0100, {2026, 0x0C05, 0x0E07, 0x0907});
        QCOMPARE(board.value(0x0100), quint16(2026));
        QCOMPARE(board.value(0x0101), quint16(0x0C05));
        QCOMPARE(board.value(0x0102), quint16(0x0E07));
        const int second = board.value(0x0103) >> 8;
        QVERIFY2(second >= 9 && second <= 11, qPrintable(QString::number(second)));  // it runs on
        QCOMPARE(board.value(0x0103) & 0xFF, 7);
        QCOMPARE(board.clock().date(), QDate(2026, 12, 5));
        // The weekday follows the date, whatever weekday byte was written (2024-02-29: Thursday).
        writeBlock(board, 0x0100, {2024, 0x021D, 0x0C00, 0x0002});
        QCOMPARE(board.value(0x0101), quint16(0x021D));
        QCOMPARE(board.value(0x0103) & 0xFF, 5);
        // A new year keeps the date; 29 February becomes the 28th (a Sunday in 2027).
        writeBlock(board, 0x0100, {2028});
        QCOMPARE(board.value(0x0101), quint16(0x021D));
        writeBlock(board, 0x0100, {2027});
        QCOMPARE(board.value(0x0101), quint16(0x021C));
        QCOMPARE(board.value(0x0103) & 0xFF, 1);
        // One register alone sets only its own fields.
        writeBlock(board, 0x0102, {0x000E});
        QCOMPARE(board.value(0x0100), quint16(2027));
        QCOMPARE(board.value(0x0102), quint16(0x000E));
    }

    void implausibleClockWritesAreIgnored()
    {
        const struct
        {
            const char *name;
            quint16 address;
            quint16 value;
        } writes[] = {
            {"month 13", 0x0101, 0x0D05},    {"month 0", 0x0101, 0x0005},          {"day 0", 0x0101, 0x0C00},
            {"31 November", 0x0101, 0x0B1F}, {"29 February 2026", 0x0101, 0x021D}, {"hour 24", 0x0102, 0x1800},
            {"minute 60", 0x0102, 0x0E3C},   {"second 60", 0x0103, 0x3C07},        {"year 1999", 0x0100, 1999},
            {"year -1", 0x0100, 0xFFFF},
        };
        for (const auto &w : writes) {
            Z4Board board;
            writeBlock(board, 0x0100, {2026, 0x0C05, 0x0E07, 0x0907});
            QVERIFY(board.write(w.address, w.value));
            const QDateTime clock = board.clock();
            QVERIFY2(clock.date() == QDate(2026, 12, 5) && clock.time().hour() == 14 && clock.time().minute() == 7
                         && clock.time().second() >= 9 && clock.time().second() <= 11,
                     w.name);
        }
    }

    void liveValuesStayPlausible_data()
    {
        QTest::addColumn<Writes>("writes");
        QTest::newRow("factory") << Writes{};
        QTest::newRow("summer, set point 10 degC") << Writes{{0x0215, 0}, {0x0200, 1000}};
        QTest::newRow("full cooling, DX on") << Writes{{0x0215, 0}, {0x025E, 1}, {0x0311, 3000}, {0x031B, 1}};
        QTest::newRow("electric heating only") << Writes{{0x0242, 0}, {0x0249, 1}, {0x0200, 4500}};
        QTest::newRow("cascade") << Writes{{0x0300, 1}};
        QTest::newRow("stopped") << Writes{{0x013A, 0}};
        QTest::newRow("no exhaust fan, hearth") << Writes{{0x0400, 3}, {0x0420, 1}};
    }

    void liveValuesStayPlausible()
    {
        QFETCH(Writes, writes);
        Z4Board board;
        for (const auto &[address, value] : writes)
            QVERIFY(board.write(address, value));
        int broken = -1;
        for (int step = 0; step < 1500; ++step) {
            board.advance();
            // Exactly one analog input is invalid (a quiet NaN), always the same, in both columns.
            for (int ch = 0; ch < 10; ++ch) {
                const FloatPair terminal = floatPair(board, 0x0104 + 2 * ch);
                QCOMPARE(floatPair(board, 0x016D + 2 * ch).valid(), terminal.valid());
                if (!terminal.valid()) {
                    QCOMPARE(terminal.kind, 4);
                    QVERIFY(broken == -1 || broken == ch);
                    broken = ch;
                    continue;
                }
                const float low = ch < 4 ? -30 : 0;
                const float high = ch < 4 ? 75 : ch < 8 ? 10 : 100;
                QVERIFY2(terminal.value >= low && terminal.value <= high,
                         qPrintable(QStringLiteral("step %1 input %2: %3").arg(step).arg(ch + 1).arg(terminal.value)));
            }
            QVERIFY(broken >= 0);
            for (int out = 0; out < 8; ++out) {
                for (const quint16 column : {0x0118, 0x0181}) {
                    const FloatPair output = floatPair(board, column + 2 * out);
                    QVERIFY(output.valid() && output.value >= 0 && output.value <= 10.0001f);
                }
            }
            for (int side = 0; side < 2; ++side) {
                const FloatPair pressure = floatPair(board, 0x012A + 2 * side);
                const FloatPair flow = floatPair(board, 0x012E + 2 * side);
                const FloatPair ventilation = floatPair(board, 0x013C + 2 * side);
                QVERIFY(pressure.valid() && pressure.value >= 0 && pressure.value < 1000);
                QVERIFY(flow.valid() && flow.value >= 0 && flow.value <= board.value(0x051A + side));
                QVERIFY(ventilation.valid() && ventilation.value >= 0 && ventilation.value <= 120);
            }
            QCOMPARE(board.value(0x0128) & ~0x14FF, 0);
            QCOMPARE((board.value(0x0129) | board.value(0x0192)) & ~0x07FF, 0);
            QVERIFY(board.value(0x0132) <= 3);
            QVERIFY((board.value(0x0197) >> 8) <= 6 && (board.value(0x0197) & 0xFF) <= 3);
            const int source = board.value(0x0198) >> 8;
            QVERIFY(source <= 2 || source == 100 || source == 101 || source == 120 || source >= 254);
            QVERIFY((board.value(0x0198) & 0xFF) <= 21 && (board.value(0x0199) >> 8) <= 5);
            QVERIFY(qAbs(signedValue(board, 0x0133)) <= 7500);
        }
    }

    void regulationDrivesTheOutputs()
    {
        Z4Board board;
        writeBlock(board, 0x0380, {0, 0});  // no night correction: independent of the time of day
        advance(board, 900);
        // Winter, set point 20 degC: the rotor recovers (nearly) all it can, the water heater tops up.
        QVERIFY(qAbs(signedValue(board, 0x0133) - 2000) < 100);
        QVERIFY(floatPair(board, 0x0118).value > 9.0f);                      // rotor, output 1
        QVERIFY(qAbs(floatPair(board, 0x011E).value - 70.0f / 12) < 0.01f);  // supply fan, 70 %
        QCOMPARE(board.value(0x0129), quint16(0x003A));                      // speed II, rotor, pump, active control
        QVERIFY((board.value(0x0197) >> 8) == 2 || (board.value(0x0197) >> 8) == 3);  // RS_HEATING_*
        // A set point beyond reach opens the water valve (output 2) fully.
        QVERIFY(board.write(0x0200, 5500));
        advance(board, 300);
        QCOMPARE(floatPair(board, 0x011A).value, 10.0f);
        QCOMPARE(board.value(0x0198), quint16(0xFF07));  // WH_CONTROL, CS_MAX_WATER_HEATER_CONTROL
        // Summer, the supply sensor held at 25 degC by the I/O test: the water cooler takes over.
        writeBlock(board, 0x0200, {2000});
        writeBlock(board, 0x0215, {0});
        writeBlock(board, 0x0311, {2500});
        writeBlock(board, 0x031B, {1});
        advance(board, 300);
        QCOMPARE(floatPair(board, 0x011A).value, 0.0f);
        QVERIFY(floatPair(board, 0x011C).value > 5.0f);  // cooling valve, output 3
        QCOMPARE(board.value(0x0198) >> 8, 1);           // WC_CONTROL
        // Stopped: no fans, no outputs, CS_STOP.
        QVERIFY(board.write(0x013A, 0));
        QCOMPARE(board.value(0x0132), quint16(0));
        QCOMPARE(floatPair(board, 0x011E).value, 0.0f);
        QCOMPARE(board.value(0x0129), quint16(0));
        QCOMPARE(board.value(0x0199) >> 8, 0);
    }

    void manualOverrideReachesTheTerminalsOnly()
    {
        Z4Board board;
        QCOMPARE(board.value(0x0001), quint16(0));
        writeBlock(board, 0x0327, {750});  // output 3 manual at 7.5 V
        writeBlock(board, 0x032F, {1});
        QCOMPARE(floatPair(board, 0x011C).value, 7.5f);
        QCOMPARE(floatPair(board, 0x0185).value, 0.0f);  // what the regulation asks of it
        QCOMPARE(board.value(0x0001), quint16(1));
        // Output 1 inverted, output 11 manual and on: only the terminals show it.
        writeBlock(board, 0x0338, {0x0001, 0x0400, 0x03FF});
        QCOMPARE(board.value(0x0129), quint16(0x043B));
        QCOMPARE(board.value(0x0192), quint16(0x003A));
        // A manual supply value is what the regulation reads; the terminal keeps measuring.
        writeBlock(board, 0x0311, {2500});
        writeBlock(board, 0x031B, {1});
        QCOMPARE(floatPair(board, 0x016D).value, 25.0f);
        QVERIFY(floatPair(board, 0x0104).value != 25.0f);
        QCOMPARE(signedValue(board, 0x0133), 2500);
        // The unwired input 8 takes a manual value too; its terminal stays invalid.
        writeBlock(board, 0x0318, {420});
        writeBlock(board, 0x0322, {1});
        QVERIFY(!floatPair(board, 0x0112).valid());
        QCOMPARE(floatPair(board, 0x017B).value, 4.2f);
    }

    void stopCausesStopTheUnit()
    {
        Z4Board board;
        QVERIFY(board.write(0x0213, 0x008F));  // the unwired input 8 joins the stop mask
        QCOMPARE(board.value(0x0137), quint16(0x8000));
        QCOMPARE(board.value(0x0132), quint16(0));
        QCOMPARE(board.value(0x0129), quint16(0x0410));  // winter pump and the alarm, output 11
        QVERIFY(board.write(0x0213, 0x000F));
        QCOMPARE(board.value(0x0132), quint16(2));
        // Stop control row 1: input 5 (about 3.5 V) above 1.0 V stops with code 25; inverted not.
        writeBlock(board, 0x0226, {100});
        writeBlock(board, 0x021A, {1});
        QCOMPARE(signedValue(board, 0x0138), 25);
        QCOMPARE(board.value(0x0132), quint16(0));
        writeBlock(board, 0x021E, {1});
        QCOMPARE(signedValue(board, 0x0138), 0);
    }

    void autoModeFollowsTheWeekProgram()
    {
        Z4Board board;
        QVERIFY(board.write(0x0214, 1));
        QCOMPARE(board.value(0x0139), quint16(1));
        writeBlock(board, 0x0100, {2026, 0x0C09, 0x0A00, 0x0004});  // Wednesday 10:00: level 3
        QCOMPARE(board.value(0x0132), quint16(3));
        writeBlock(board, 0x0100, {2026, 0x0C07, 0x071E, 0x0002});  // Monday 07:30: level 2
        QCOMPARE(board.value(0x0132), quint16(2));
        writeBlock(board, 0x0100, {2026, 0x0C06, 0x1400, 0x0001});  // Sunday 20:00: no interval
        QCOMPARE(board.value(0x0132), quint16(0));
        QCOMPARE(board.value(0x0129) & 0x0020, 0);  // active control off
        QVERIFY(board.write(0x0214, 0));
        QCOMPARE(board.value(0x0132), quint16(2));  // manual mode: the chosen speed
    }

    void driftIsRepeatableBySeed()
    {
        Z4Board first({.seed = 7});
        Z4Board second({.seed = 7});
        Z4Board other({.seed = 8});
        bool differs = false;
        for (int step = 0; step < 200; ++step) {
            for (Z4Board *board : {&first, &second, &other})
                board->advance();
            for (quint16 address = 0x0104; address <= 0x0131; ++address) {
                QCOMPARE(first.value(address), second.value(address));
                differs = differs || first.value(address) != other.value(address);
            }
        }
        QVERIFY(differs);
    }

    void stateRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("board.json"));
        Z4Board saved;
        writeBlock(saved, 0x0200, {2350});
        writeBlock(saved, 0x0341, {495});
        writeBlock(saved, 0x0382, {4242, 17});
        writeBlock(saved, 0x0385, {9});
        writeBlock(saved, 0x0536, {1});    // calibration mode: not kept
        writeBlock(saved, 0x050A, {700});  // clears a calibration status: kept
        writeBlock(saved, 0x0420, {1});    // hearth command: not kept
        QString error;
        QVERIFY2(saved.saveState(path, &error), qPrintable(error));

        Z4Board loaded;
        QVERIFY2(loaded.loadState(path, &error), qPrintable(error));
        for (int address = 0x0200; address <= 0x0536; ++address) {
            const auto a = static_cast<quint16>(address);
            const bool command =
                a == 0x0384 || a == 0x0420 || a == 0x04FF || (a >= 0x0527 && a <= 0x052B) || a == 0x0536;
            if (saved.covers(a, 1) && !command)
                QVERIFY2(loaded.value(a) == saved.value(a), qPrintable(hex(address)));
        }
        QCOMPARE(loaded.value(0xE701), quint16(4242));
        QCOMPARE(loaded.value(0x0502), quint16(0));
        QCOMPARE(loaded.value(0x0536), quint16(0));
        QCOMPARE(loaded.value(0x0140), quint16(0));

        QVERIFY(!saved.saveState(dir.filePath(QStringLiteral("missing/board.json")), &error));
        QVERIFY(!error.isEmpty());
        Z4Board noRemote({.remoteControl = false});  // refuses the remote-control registers
        QVERIFY(!noRemote.loadState(path, &error));
        QVERIFY2(error.contains(QLatin1String("0x0430")), qPrintable(error));
    }

    void badStateFileLeavesBoardUnchanged()
    {
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.json"));
        QString error;
        QVERIFY(Z4Board().saveState(good, &error));
        QFile goodFile(good);
        QVERIFY(goodFile.open(QIODevice::ReadOnly));
        const QJsonObject state = QJsonDocument::fromJson(goodFile.readAll()).object();
        const auto edited = [&state](const QString &key, const QJsonValue &value, bool inRegisters = true) {
            QJsonObject copy = state;
            QJsonObject registers = copy.value(QStringLiteral("registers")).toObject();
            QJsonObject &target = inRegisters ? registers : copy;
            if (value.isUndefined())
                target.remove(key);
            else
                target.insert(key, value);
            if (inRegisters)
                copy.insert(QStringLiteral("registers"), registers);
            return QJsonDocument(copy).toJson();
        };
        const struct
        {
            const char *name;
            QByteArray content;
            const char *explains;
        } cases[] = {
            {"empty", QByteArray(), "JSON"},
            {"not JSON", QByteArrayLiteral("{ \"format\": "), "JSON"},
            {"other format", edited(QStringLiteral("format"), QStringLiteral("settings"), false), "format"},
            {"newer version", edited(QStringLiteral("version"), 2, false), "version"},
            {"registers a list", edited(QStringLiteral("registers"), QJsonArray(), false), "registers"},
            {"value too large", edited(QStringLiteral("0x0200"), 70000), "0x0200"},
            {"negative value", edited(QStringLiteral("0x0200"), -1), "0x0200"},
            {"fraction", edited(QStringLiteral("0x0200"), 20.5), "0x0200"},
            {"text value", edited(QStringLiteral("0x0200"), QStringLiteral("2000")), "0x0200"},
            {"decimal key", edited(QStringLiteral("512"), 2000), "512"},
            {"missing register", edited(QStringLiteral("0x0261"), QJsonValue::Undefined), "0x0261"},
            {"unknown register", edited(QStringLiteral("0x0145"), 0), "0x0145"},
            {"command register", edited(QStringLiteral("0x0384"), 0xA563), "0x0384"},
        };

        Z4Board board;
        QVERIFY(board.write(0x0200, 2222));
        std::vector<quint16> before;  // everything but the running clock
        for (int address = 0x0104; address < 0x10000; ++address)
            before.push_back(board.value(static_cast<quint16>(address)));
        const auto unchanged = [&board, &before] {
            for (int address = 0x0104; address < 0x10000; ++address) {
                if (board.value(static_cast<quint16>(address)) != before[address - 0x0104])
                    return false;
            }
            return true;
        };
        const QString path = dir.filePath(QStringLiteral("bad.json"));
        for (const auto &c : cases) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(c.content);
            file.close();
            QVERIFY2(!board.loadState(path, &error), c.name);
            QVERIFY2(error.contains(QLatin1String(c.explains)),
                     qPrintable(QLatin1String(c.name) + QStringLiteral(": ") + error));
            QVERIFY2(unchanged(), c.name);
        }
        error.clear();
        QVERIFY(!board.loadState(dir.filePath(QStringLiteral("absent.json")), &error));
        QVERIFY(!error.isEmpty() && unchanged());
    }
};

QTEST_GUILESS_MAIN(TestZ4Board)
#include "tst_z4board.moc"
