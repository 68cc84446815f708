#include "common/NumberText.h"

QString TimeOfDayText(quint16 minutes)
{
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
