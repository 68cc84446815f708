// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TWrapLabel.h"

#include <QPainter>
#include <QTextLayout>

TWrapLabel::TWrapLabel(int lines, QWidget *parent) : QLabel(parent), m_lines(std::max(lines, 1))
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setTextInteractionFlags(Qt::NoTextInteraction);
}

void TWrapLabel::Show(const QString &text)
{
    setText(text);
    setToolTip(text);
    update();
}

QSize TWrapLabel::sizeHint() const
{
    const QMargins m = contentsMargins();
    return {fontMetrics().averageCharWidth() * 10 + m.left() + m.right(),
            m_lines * fontMetrics().lineSpacing() + m.top() + m.bottom()};
}

QSize TWrapLabel::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

QStringList TWrapLabel::ShownLines() const
{
    const int width = std::max(contentsRect().width(), 1);
    const QFontMetrics metrics = fontMetrics();
    QStringList shown;
    const QStringList paragraphs = text().split(QLatin1Char('\n'));
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        QTextLayout layout(paragraphs.at(p), font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            const QString part = paragraphs.at(p).mid(line.textStart(), line.textLength());
            if (shown.size() == m_lines - 1) {
                // The last line there is room for: the rest of the text, cut with "…" if it is more.
                const QString rest = QStringList(paragraphs.mid(p)).join(QLatin1Char(' ')).mid(line.textStart());
                shown << metrics.elidedText(rest, Qt::ElideRight, width);
                layout.endLayout();
                return shown;
            }
            shown << part.trimmed();
        }
        layout.endLayout();
    }
    return shown;
}

void TWrapLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QRect area = contentsRect();
    const int step = fontMetrics().lineSpacing();
    int y = area.top();
    for (const QString &line : ShownLines()) {
        painter.drawText(QRect(area.left(), y, area.width(), step), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += step;
    }
}
