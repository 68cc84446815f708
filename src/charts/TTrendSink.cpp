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
