// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TQuestionDialog.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// Rows the list shows before it scrolls, when the screen has room for them.
constexpr int kRowsShown = 12;
}  // namespace

TQuestionDialog::TQuestionDialog(const TQuestion &question, QWidget *parent)
    : QDialog(parent), RowsView(nullptr), FirstButton(nullptr), OtherButton(nullptr)
{
    setWindowTitle(question.Title);
    setSizeGripEnabled(true);

    auto *icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);
    TextLabel = new QLabel(question.Text, this);
    TextLabel->setObjectName(QStringLiteral("QuestionText"));
    TextLabel->setWordWrap(true);
    TextLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(TextLabel, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    int listHeight = 0;
    if (!question.Rows.isEmpty()) {
        RowsView = new QTreeWidget(this);
        RowsView->setObjectName(QStringLiteral("QuestionRows"));
        RowsView->setAccessibleName(QStringLiteral("What the question is about"));
        RowsView->setRootIsDecorated(false);
        RowsView->setUniformRowHeights(true);
        RowsView->setAlternatingRowColors(true);
        RowsView->setSelectionMode(QAbstractItemView::SingleSelection);
        RowsView->setColumnCount(static_cast<int>(question.Columns.size()));
        RowsView->setHeaderLabels(question.Columns);
        for (const QStringList &row : question.Rows)
            new QTreeWidgetItem(RowsView, row);
        for (int column = 0; column < RowsView->columnCount(); ++column)
            RowsView->resizeColumnToContents(column);
        const int shown = std::min(static_cast<int>(question.Rows.size()), kRowsShown);
        const int frame = RowsView->header()->sizeHint().height() + 2 * RowsView->frameWidth();
        RowsView->setMinimumHeight(frame + RowsView->sizeHintForRow(0) * std::min(shown, 4));
        listHeight = frame + RowsView->sizeHintForRow(0) * shown;
        layout->addWidget(RowsView, 1);
    }

    auto *buttons = new QHBoxLayout;
    if (!question.FirstText.isEmpty()) {
        FirstButton = Choose(question.FirstText, TChoice::First);
        buttons->addWidget(FirstButton);
    }
    buttons->addStretch(1);
    GoButton = Choose(question.GoText, TChoice::Go);
    buttons->addWidget(GoButton);
    if (!question.OtherText.isEmpty()) {
        OtherButton = Choose(question.OtherText, TChoice::Other);
        buttons->addWidget(OtherButton);
    }
    CancelButton = Choose(QStringLiteral("Cancel"), TChoice::Cancel);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    QPushButton *byDefault = CancelButton;
    if (question.Default == TChoice::Go)
        byDefault = GoButton;
    else if (question.Default == TChoice::Other && OtherButton)
        byDefault = OtherButton;
    else if (question.Default == TChoice::First && FirstButton)
        byDefault = FirstButton;
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    byDefault->setDefault(true);
    byDefault->setFocus(Qt::OtherFocusReason);

    // Wide enough for the rows, within the screen it opens on.
    QSize size = sizeHint();
    if (RowsView) {
        int wanted = 2 * RowsView->frameWidth() + 24;
        for (int column = 0; column < RowsView->columnCount(); ++column)
            wanted += RowsView->columnWidth(column);
        size.setWidth(std::max(size.width(), wanted + layout->contentsMargins().left() * 2));
        size.setHeight(size.height() + std::max(listHeight - RowsView->sizeHint().height(), 0));
    }
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect room = screen->availableGeometry();
        size = size.boundedTo(QSize(room.width() * 9 / 10, room.height() * 8 / 10));
    }
    resize(size.expandedTo(minimumSizeHint()));
}

QPushButton *TQuestionDialog::Choose(const QString &text, TChoice choice)
{
    auto *button = new QPushButton(text, this);
    connect(button, &QPushButton::clicked, this, [this, choice] {
        m_choice = choice;
        if (choice == TChoice::Cancel)
            reject();
        else
            accept();
    });
    return button;
}
