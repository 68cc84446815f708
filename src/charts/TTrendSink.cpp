// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TTrendSink.h"

#include <QWidget>

void FeedTrend(QWidget *window)
{
    if (!window || !window->isVisible())
        return;
    auto *sink = dynamic_cast<TTrendSink *>(window);
    if (!sink)
        return;
    try {
        sink->AddSample();
    } catch (...) {
    }
}
