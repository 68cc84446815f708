// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigItem.h"
#include "widgets/ParameterCodec.h"

#include <QHash>
#include <QList>

#include <optional>
#include <vector>

class TUserMessages;

// The page a control sits on and what it is called there, for messages: page "Heating", Kp.
QString PlaceOf(const QWidget *control);
// What control is called on its page, for messages: its spoken name, else its objectName.
QString SpokenNameOf(const QWidget *control);

// The parameter transfer table bound to the main window: for every configuration item (and the
// side rows), the controls that show its registers and the one encoding that page refresh,
// single writes and whole configuration transfers share.
class TTransferTable
{
public:
    // Binds every row to its controls under root (the main window) once at start-up. Returns
    // every problem found, one line each: a row of unsound shape or without the limits of its
    // edits, a missing control, one found twice, one of the wrong kind, a bit box without a
    // proper weight. Rows with a problem stay unbound: they show nothing, and a take through them
    // fails. week holds the week program rows; take errors are reported to messages.
    QStringList Bind(QWidget &root, const TWeekProgramView &week, TUserMessages &messages);

    // The bound row of an item (0 .. kTransferItems-1).
    const TParameterCodec &Codec(int item) const { return m_codecs[static_cast<size_t>(item)]; }

    // A register of a bound row: the row, and the register's offset in it.
    struct TPlace
    {
        const TParameterCodec *Codec;
        int Offset;
    };
    // The row holding register address (configuration rows and side rows).
    std::optional<TPlace> Locate(quint16 address) const;
    // The row and register a control of a bound row stands for: what an edit of it writes.
    std::optional<TPlace> Find(const QWidget *control) const;

    // Shows a block of registers read from start through the rows that begin inside it; a row
    // that runs past the end of the block is left as it is.
    void ShowBlock(quint16 start, const QList<quint16> &registers) const;
    // Shows items 0 .. activeItemCount-1 of image, in item order.
    void ShowImage(const ConfigImage &image, int activeItemCount) const;
    // Takes items 0 .. activeItemCount-1 of image from the window, in item order. At the first
    // control that cannot be taken the walk stops, the error box names the text and the place,
    // and image keeps every value it had; returns whether the image was taken.
    bool TakeImage(ConfigImage &image, int activeItemCount) const;

private:
    std::vector<TParameterCodec> m_codecs;  // the items' rows, then the side rows
    QHash<const QWidget *, TPlace> m_byControl;
    TUserMessages *m_messages = nullptr;
};
