// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TFindBoardDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TFindBoardDialog::TFindBoardDialog(const TSearchPlan &plan, QWidget *parent) : QDialog(parent), m_plan(plan)
{
    setWindowTitle(QStringLiteral("Find board"));
    setObjectName(QStringLiteral("FindBoardDialog"));
    const int settings = plan.Line.Serial ? static_cast<int>(plan.Settings.size()) : 1;
    auto *intro =
        new QLabel(plan.Line.Serial
                       ? QStringLiteral("Looking for the board on %1: %2 line settings, %3 slave addresses each, "
                                        "the settings of the connection first. Only the firmware version is asked for.")
                             .arg(plan.Line.Device)
                             .arg(settings)
                             .arg(plan.Units.size())
                       : QStringLiteral("Looking for the board at %1:%2: %3 unit addresses, that of the connection "
                                        "first. Only the firmware version is asked for.")
                             .arg(plan.Line.Host)
                             .arg(plan.Line.Port)
                             .arg(plan.Units.size()),
                   this);
    intro->setWordWrap(true);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("FindBoardProgressBar"));
    ProgressBar->setAccessibleName(QStringLiteral("Search progress"));
    ProgressBar->setRange(0, std::max(1, settings * static_cast<int>(plan.Units.size())));
    ProgressBar->setValue(0);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName(QStringLiteral("FindBoardProgressLabel"));
    ProgressLabel->setAccessibleName(QStringLiteral("Asking now"));
    ResultLabel = new QLabel(this);
    ResultLabel->setObjectName(QStringLiteral("FindBoardResultLabel"));
    ResultLabel->setAccessibleName(QStringLiteral("Search result"));
    ResultLabel->setWordWrap(true);
    ResultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(this);
    UseButton = buttons->addButton(QStringLiteral("&Use these settings"), QDialogButtonBox::AcceptRole);
    UseButton->setObjectName(QStringLiteral("FindBoardUseButton"));
    UseButton->setToolTip(QStringLiteral("Takes the line settings and the slave address found into the connection "
                                         "settings and the settings file; nothing is written to the board"));
    UseButton->setEnabled(false);
    CancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    CancelButton->setObjectName(QStringLiteral("FindBoardCancelButton"));
    connect(UseButton, &QPushButton::clicked, this, [this] {
        if (!m_search.Found().isEmpty()) {
            m_chosen = m_search.Found().constFirst();
            accept();
        }
    });
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        if (m_search.Running()) {
            CancelButton->setEnabled(false);
            ProgressLabel->setText(QStringLiteral("Stopping after the request on the line..."));
            m_search.Cancel();
        } else {
            QDialog::reject();
        }
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(ProgressBar);
    layout->addWidget(ProgressLabel);
    layout->addWidget(ResultLabel);
    layout->addStretch();
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);

    connect(&m_search, &TBoardSearch::Progress, this, [this](const QString &what) {
        ProgressBar->setValue(m_search.Done());
        ProgressLabel->setText(what);
    });
    connect(&m_search, &TBoardSearch::BoardFound, this, [this](const TBoardFound &found) {
        ResultLabel->setText(QStringLiteral("Found: %1").arg(m_search.FoundText(found)));
        UseButton->setEnabled(true);
        UseButton->setDefault(true);
    });
    connect(&m_search, &TBoardSearch::Finished, this, &TFindBoardDialog::Finished);
    // Once the dialog is up, so that its first paint does not wait for the line to open.
    QTimer::singleShot(0, this, [this] { m_search.Start(m_plan); });
}

void TFindBoardDialog::reject()
{
    // Escape or the window's close button while searching: stop first, then close.
    if (m_search.Running()) {
        m_closeWhenDone = true;
        m_search.Cancel();
        return;
    }
    QDialog::reject();
}

void TFindBoardDialog::Finished()
{
    if (m_closeWhenDone) {
        QDialog::reject();
        return;
    }
    const bool cut = m_search.Found().isEmpty() && m_search.Done() < m_search.Total();
    ProgressBar->setValue(cut ? m_search.Done() : ProgressBar->maximum());
    CancelButton->setText(QStringLiteral("Close"));
    CancelButton->setEnabled(true);
    ProgressLabel->clear();
    if (!m_search.Error().isEmpty())
        ResultLabel->setText(QStringLiteral("The search stopped: %1").arg(m_search.Error()));
    else if (m_search.Found().isEmpty())
        ResultLabel->setText(m_search.Done() < m_search.Total()
                                 ? QStringLiteral("Cancelled after %1 of %2 requests; no board answered.")
                                       .arg(m_search.Done())
                                       .arg(m_search.Total())
                                 : QStringLiteral("No board answered (%1 requests). Check the cable and the device.")
                                       .arg(m_search.Total()));
}
