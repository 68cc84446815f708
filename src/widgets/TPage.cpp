// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TPage.h"

#include "config/TransferRows.h"
#include "session/TBoardSession.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QLabel>
#include <QLayout>

void TPage::MarkWhileNotRead(QWidget *control)
{
    for (QWidget *w = control; w; w = w->parentWidget()) {
        if (auto *page = qobject_cast<TPage *>(w)) {
            page->ShowMark();
            return;
        }
    }
}

bool TPage::ShowsTheBoard(const QWidget *control)
{
    for (const QWidget *w = control; w; w = w->parentWidget()) {
        if (const auto *page = qobject_cast<const TPage *>(w))
            return page->m_notRead.isEmpty();
    }
    return true;
}

void TPage::RefreshItems(int first, int last)
{
    const TRegisterBlock block = BlockOfItems(first, last);
    RefreshBlock(block.Start, block.Count);
}

void TPage::RefreshBlock(quint16 start, quint16 count)
{
    ReadForPage(start, count,
                [this, start](const TModbusAnswer &answer) { Table().ShowBlock(start, answer.Registers); });
}

void TPage::ReadForPage(quint16 start, quint16 count, std::function<void(const TModbusAnswer &)> show)
{
    if (!Session().Connected())
        return;
    Session().Read(start, count,
                   {.OnReply =
                        [this, start, show = std::move(show)](const TModbusAnswer &answer) {
                            show(answer);
                            m_notRead.remove(kNeverRead);
                            m_notRead.remove(start);
                            ShowMark();
                        },
                    .OnRefused =
                        [this, start](const TModbusAnswer &answer) {
                            m_notRead.insert(
                                start,
                                QStringLiteral("the board refused it (%1)").arg(ExceptionText(answer.ExceptionCode)));
                            ShowMark();
                        },
                    .OnFailed =
                        [this, start] {
                            m_notRead.insert(start, QStringLiteral("no answer"));
                            ShowMark();
                        }});
}

void TPage::ShowMark()
{
    if (!m_mark) {
        if (!layout())
            return;
        m_mark = new QLabel(this);
        m_mark->setObjectName(QStringLiteral("NotReadLabel"));
        m_mark->setWordWrap(true);
        m_mark->setStyleSheet(QStringLiteral("QLabel { background: #fff3cd; color: #5c4400; padding: 2px 6px; }"));
        // Above whatever layout the page has, across its whole width; no room taken while hidden.
        layout()->setMenuBar(m_mark);
    }
    const bool marked = !m_notRead.isEmpty();
    if (marked) {
        // A block's own reason says more than "not yet".
        const QString why = m_notRead.last();
        m_mark->setText(why.isEmpty() ? QStringLiteral("Not read from the board yet.")
                                      : QStringLiteral("Not read from the board: %1.").arg(why));
    }
    m_mark->setVisible(marked);
}
