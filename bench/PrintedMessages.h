// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Messages for a benchmark run on the main window or its windows: nothing asks, nothing blocks,
// and an error box is printed rather than shown.

#include "session/TUserMessages.h"

#include <cstdio>

class PrintedMessages : public TUserMessages
{
public:
    void RangeWarning(QWidget *) override {}
    void ErrorBox(const QString &text) override { std::fprintf(stderr, "error box: %s\n", qPrintable(text)); }
    QString AskSaveFile() override { return {}; }
    QString AskOpenFile() override { return {}; }
    QString AskSaveFileAs(const QString &, const QString &, const QString &) override { return {}; }
    TChoice Ask(const TQuestion &question) override { return question.Default; }
};
