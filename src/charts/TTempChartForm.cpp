#include "charts/TTempChartForm.h"

#include <QGuiApplication>
#include <QScreen>

TTempChartForm::TTempChartForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TempChartForm"));
    setWindowTitle(QStringLiteral("Temp Chart"));
    resize(760, 480);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
