#pragma once

#include <QString>

// Texts of numbers as the tool shows them, and the exact takes back from what a user typed.

// A time of day from minutes after midnight: "8:00", "0:05", "25:00" for 1500 (hours are not
// wrapped, so a stored value out of range stays visible).
QString TimeOfDayText(quint16 minutes);
