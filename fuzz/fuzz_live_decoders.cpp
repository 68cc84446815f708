// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The live-block decoders on any register words: the input, two bytes a word (big-endian, as on
// the line), goes to every decoder as a block read from its first register.
#include "FuzzCheck.h"
#include "monitor/LiveDecoders.h"

#include <QLocale>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace live;

namespace {
// The number a text shows, whatever the decimal separator; NaN when it is none.
double Number(const QString &text)
{
    QString plain = text;
    plain.replace(QLocale().decimalPoint(), QStringLiteral("."));
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    return ok ? value : std::nan("");
}

// The text with the unit that z4ctl and the Traffic window show: the edit's text and its unit.
void CheckReadingText(const ShownValue &shown)
{
    FUZZ_CHECK(values::ReadingText(shown) == (shown.Valid ? shown.Text + QLatin1Char(' ') + shown.Unit : shown.Text));
}

// A value whose text is the float that is kept and drawn, to decimals places: rounded to them
// (with the float's digits, never a further step), or the float itself when it is too large.
void CheckShown(const ShownValue &shown, const QString &invalidText, int decimals)
{
    CheckReadingText(shown);
    if (!shown.Valid) {
        FUZZ_CHECK(shown.Text == invalidText && shown.Kept == InvalidValue);
        return;
    }
    FUZZ_CHECK(std::isfinite(shown.Kept) && shown.Kept != InvalidValue);
    const double number = Number(shown.Text);
    if (std::fabs(shown.Kept) >= 1.0e6) {
        FUZZ_CHECK(static_cast<float>(number) == shown.Kept);
        return;
    }
    const qsizetype separator = shown.Text.indexOf(QLocale().decimalPoint());
    FUZZ_CHECK((decimals == 0 && separator < 0) || shown.Text.size() - separator - 1 == decimals);
    // Within half a step of the float, give or take the float's own precision: the digits
    // rounded are the float's shortest ones (-190309.59375f reads -190309.6, to 0.01 -190309.60).
    const double step = std::pow(10.0, -decimals);
    const double ulp = std::fabs(static_cast<double>(std::nextafter(shown.Kept, 0.0f)) - shown.Kept);
    FUZZ_CHECK(std::fabs(number - static_cast<double>(shown.Kept)) <= step * 0.5000001 + ulp);
}

// A value shown rounded or as read, never kept for the trend.
void CheckNotKept(const ShownValue &shown, const QString &invalidText, bool whole)
{
    CheckReadingText(shown);
    FUZZ_CHECK(shown.Kept == InvalidValue);
    if (!shown.Valid) {
        FUZZ_CHECK(shown.Text == invalidText);
        return;
    }
    const double value = Number(shown.Text);
    FUZZ_CHECK(std::isfinite(value));
    if (whole)
        FUZZ_CHECK(value == std::trunc(value));
}

void CheckInputs(const std::array<ShownValue, 10> &inputs)
{
    for (size_t i = 0; i < inputs.size(); ++i)
        CheckShown(inputs[i], kNoSensorText, InputDecimals(static_cast<int>(i) + 1));
}

void CheckOutputs(const std::array<ShownValue, 8> &outputs)
{
    for (size_t i = 0; i < outputs.size(); ++i) {
        CheckShown(outputs[i], kInvalidOutputText, OutputDecimals(static_cast<int>(i) + 1));
        // 0 to 10 V; outputs 6-8 in percent.
        const float top = i >= 5 ? 100.001f : 10.0001f;
        if (outputs[i].Valid)
            FUZZ_CHECK(outputs[i].Kept >= 0.0f && outputs[i].Kept <= top);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<quint16> words(size / 2);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<quint16>(data[2 * i] << 8 | data[2 * i + 1]);
    const std::span<const quint16> r(words);

    for (size_t i = 0; i + 1 < words.size(); ++i) {
        const FloatReading f = FloatDecode(words[i], words[i + 1]);
        if (f.Class == FloatClass::Normal)
            FUZZ_CHECK(std::isnormal(f.Value));
        else
            FUZZ_CHECK(f.Value == 0.0f);
    }

    const auto status = DecodeStatusBlock(r);
    FUZZ_CHECK(status.has_value() == (r.size() >= kStatusRead.Count));
    if (status) {
        FUZZ_CHECK(!status->Date.isEmpty() && !status->Time.isEmpty() && !status->Day.isEmpty());
        CheckInputs(status->Inputs);
        CheckOutputs(status->Outputs);
        for (size_t i = 0; i < 2; ++i) {
            CheckNotKept(status->Pressures[i], kNoSensorText, true);
            CheckNotKept(status->AirFlows[i], kNoSensorText, true);
        }
        FUZZ_CHECK(std::fabs(status->SupplyTrendValue) <= 327.68f && std::fabs(status->RoomTrendValue) <= 327.68f);
        for (const QString &level : {status->SupplyVentilation, status->ExhaustVentilation}) {
            if (level == kInvalidOutputText)
                continue;
            const double value = Number(level);
            FUZZ_CHECK(std::isfinite(value) && value == std::trunc(value));
        }
        FUZZ_CHECK(std::fabs(Number(status->HearthMinutes)) <= 546);
        FUZZ_CHECK(Number(status->FanSpeed) == static_cast<qint16>(r[0x32]));
    }

    const auto columnA = DecodeColumnABlock(r);
    FUZZ_CHECK(columnA.has_value() == (r.size() >= kColumnARead.Count));
    if (columnA) {
        CheckInputs(columnA->Inputs);
        CheckOutputs(columnA->Outputs);
    }

    FUZZ_CHECK(DecodeRegulationMode(r).has_value() == (r.size() >= kRegulationModeRead.Count));

    const auto recovery = DecodeHeatRecoveryBlock(r);
    FUZZ_CHECK(recovery.has_value() == (r.size() >= kHeatRecoveryRead.Count));
    if (recovery) {
        CheckNotKept(recovery->Temperature, QStringLiteral("BAD VALUE"), false);
        CheckNotKept(recovery->RotorPower, QStringLiteral("BAD VALUE"), false);
        FUZZ_CHECK(!(recovery->Heating && recovery->Cooling));
    }

    const auto diagnostics = DecodeDiagnosticsBlock(r);
    FUZZ_CHECK(diagnostics.has_value() == (r.size() >= kDiagnosticsRead.Count));
    if (diagnostics) {
        for (size_t i = 0; i < diagnostics->Values.size(); ++i) {
            // The hex text is the word sign-extended to 32 bits.
            const QString &hex = diagnostics->Hex[i];
            bool ok = false;
            const quint32 shown = hex.mid(2).toUInt(&ok, 16);
            FUZZ_CHECK(hex.startsWith(QLatin1String("0x")) && hex.size() >= 6 && ok);
            FUZZ_CHECK(static_cast<qint32>(shown) == diagnostics->Values[i]);
            FUZZ_CHECK(diagnostics->Decimal[i].toInt() == diagnostics->Values[i]);
        }
    }

    const auto version = DecodeVersionBlock(r);
    FUZZ_CHECK(version.has_value() == (r.size() >= kVersionRead.Count));
    if (version) {
        const QString text = version->VersionPanel.mid(QStringLiteral("Version: ").size());
        FUZZ_CHECK(std::lround(Number(text) * 1000) == version->Version);
        FUZZ_CHECK(!version->Rev12 || version->HasSeries);
    }
    FUZZ_CHECK(DecodeSeries(r).has_value() == !r.empty());
    return 0;
}
