// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"
#include "app/TApplication.h"
#include "app/TForm1.h"
#include "session/TBoardModel.h"

#include <QMessageBox>

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    // A second window on the same display would lie exactly on top of the first.
    TSingleInstance instance(TSingleInstance::StandardFolder(), TSingleInstance::StandardName());
    if (!instance.IsFirst()) {
        const bool raised = instance.RaiseFirst(3000);
        QMessageBox::information(nullptr, TApplication::applicationName(),
                                 raised ? QStringLiteral("Z4 Ventilation is already running: its window has been "
                                                         "brought to the front.")
                                        : QStringLiteral("Z4 Ventilation is already running, but its window did "
                                                         "not answer."));
        return 0;
    }
    TBoardModel model;
    TForm1 form(model);
    QObject::connect(&instance, &TSingleInstance::RaiseRequested, &form, [&form] {
        form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
        form.show();
        form.raise();
        form.activateWindow();
    });
    form.show();
    return app.exec();
}
