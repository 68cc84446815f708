#include "session/TUserMessages.h"

QString NotAnIntegerMessage(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}
