// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/StateNames.h"

#include <array>

namespace live {

namespace {
template <size_t N>
QString NameOf(const std::array<const char *, N> &names, int index)
{
    if (index < 0 || index >= static_cast<int>(N))
        return NoStateText();
    return QString::fromLatin1(names[static_cast<size_t>(index)]);
}

constexpr std::array<const char *, 7> kDays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};

constexpr std::array<const char *, 7> kRotorStates{"RS_PASSIVE",   "RS_HEATING_0",   "RS_HEATING_100", "RS_HEATING_VAR",
                                                   "RS_COOLING_0", "RS_COOLING_100", "RS_COOLING_VAR"};

constexpr std::array<const char *, 4> kRotorControlStates{"RT_PASSIVE", "RT_ACTIVE", "RT_STARTING", "RT_STOPPING"};

struct Source
{
    int Value;
    const char *Name;
};
constexpr std::array<Source, 8> kControlSources{{
    {0, "RT_CONTROL"},
    {1, "WC_CONTROL"},
    {2, "EC_CONTROL"},
    {100, "T1_CONTROL"},
    {101, "FN_CONTROL"},
    {120, "ID_CONTROL"},
    {-2, "EH_CONTROL"},
    {-1, "WH_CONTROL"},
}};

constexpr std::array<const char *, 6> kControlStatuses{"CS_STOP",          "CS_ACTIVE_CONTROL",
                                                       "CS_START_CONTROL", "CS_SOFT_START_CONTROL",
                                                       "CS_STOP_CONTROL",  "CS_SOFT_STOP_CONTROL"};

constexpr std::array<const char *, 22> kRecoveryControlStates{
    "CS_PASSIVE",                      // 0
    "CS_WAIT_T1",                      // 1
    "CS_BEGIN_ROTOR_CONTROL",          // 2
    "CS_MAX_ROTOR_HEATER_CONTROL",     // 3
    "CS_MAX_ROTOR_COOLER_CONTROL",     // 4
    "CS_WATER_HEATER_CONTROL",         // 5
    "CS_MIN_WATER_HEATER_CONTROL",     // 6
    "CS_MAX_WATER_HEATER_CONTROL",     // 7
    "CS_END_WATER_HEATER_CONTROL",     // 8
    "CS_ELECTRIC_HEATER_CONTROL",      // 9
    "CS_MIN_ELECTRIC_HEATER_CONTROL",  // 10
    "CS_MAX_ELECTRIC_HEATER_CONTROL",  // 11: the electric heater at full power, as the water stages name it
    "CS_END_ELECTRIC_HEATER_CONTROL",  // 12
    "CS_WATER_COOLER_CONTROL",         // 13
    "CS_MIN_WATER_COOLER_CONTROL",     // 14
    "CS_MAX_WATER_COOLER_CONTROL",     // 15
    "CS_END_WATER_COOLER_CONTROL",     // 16
    "CS_ELECTRIC_COOLER_CONTROL",      // 17
    "CS_MIN_ELECTRIC_COOLER_CONTROL",  // 18
    "CS_MAX_ELECTRIC_COOLER_CONTROL",  // 19
    "CS_END_ELECTRIC_COOLER_CONTROL",  // 20
    "CS_WAIT_FAN_STOP",                // 21
};
}  // namespace

QString NoStateText()
{
    return QStringLiteral("----------");
}

QString NoDayText()
{
    return QStringLiteral("--------");
}

QString DayName(int weekday)
{
    if (weekday < 1 || weekday > 7)
        return NoDayText();
    return QString::fromLatin1(kDays[static_cast<size_t>(weekday - 1)]);
}

QString RotorStateName(int state)
{
    return NameOf(kRotorStates, state);
}

QString RotorControlStateName(int state)
{
    return NameOf(kRotorControlStates, state);
}

std::optional<QString> ControlSourceName(int source)
{
    for (const Source &s : kControlSources) {
        if (s.Value == source)
            return QString::fromLatin1(s.Name);
    }
    return std::nullopt;
}

QString ControlStatusName(int status)
{
    return NameOf(kControlStatuses, status);
}

QString RecoveryControlStateName(int state)
{
    return NameOf(kRecoveryControlStates, state);
}

QString StopCodeCaption(int code)
{
    static const std::array<const char *, 4> controls{"STOP", "HEATER", "WATER", "FROST"};
    if (code == kStop3Code || code == kStop4Code)
        return QStringLiteral("Stop %1 (code %2)").arg(code - kStop3Code + 3).arg(code);
    if (code >= kFirstStopControlCode && code < kFirstStopControlCode + 4) {
        const int i = code - kFirstStopControlCode;
        return QStringLiteral("Stop Control %1 (%2, code %3)")
            .arg(i + 1)
            .arg(QLatin1String(controls[static_cast<size_t>(i)]))
            .arg(code);
    }
    return {};
}

}  // namespace live
