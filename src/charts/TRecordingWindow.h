// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/Recording.h"

#include <QWidget>

#include <memory>
#include <vector>

class QCheckBox;
class QCustomPlot;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;
class TUserMessages;

// "Open recording...": a recording drawn on a clock-time axis, the one being written or an old
// one. Whatever the span in view (a minute or a week), each pixel column shows the least and
// greatest value of each chosen series there, read from the file by time range; nothing holds all
// the samples. Events are marks on the time axis (their text on hover) and a list beside the
// chart; clicking one moves the view there. "Export CSV" and "Save picture" take the range shown.
// The recordings folder is listed on the left (board, start, length, size).
class TRecordingWindow : public QWidget
{
    Q_OBJECT

public:
    TRecordingWindow(const QString &folder, TUserMessages &messages, QWidget *parent = nullptr);
    ~TRecordingWindow() override;

    // Opens path; false (with a message) when it is no readable recording.
    bool OpenFile(const QString &path);
    // Shows from .. to (milliseconds since the epoch) and draws it.
    void ShowRange(qint64 from, qint64 to);
    // The folder's recordings listed anew.
    void ListFolder();
    // Moves the view to the event of the list's row, keeping the span shown.
    void GoToEvent(int row);
    bool ExportCsv(const QString &path, QString *error);
    bool SavePicture(const QString &path, QString *error);
    // A recording being written: reads what was committed since, lists its events and, while the
    // view reaches the newest sample, moves the view along (every two seconds by itself).
    void FollowGrowth();
    // What hovering over the chart at time ms shows: the events within a few pixels.
    QString HoverText(qint64 ms) const;

    QTreeWidget *RecordingsList = nullptr;
    QCustomPlot *Chart = nullptr;
    QListWidget *EventsList = nullptr;
    std::vector<QCheckBox *> SeriesBoxes;
    QPushButton *OpenButton = nullptr;
    QPushButton *WholeButton = nullptr;
    QPushButton *ExportButton = nullptr;
    QPushButton *PictureButton = nullptr;
    QLabel *InfoLabel = nullptr;
    const rec::TRecordingReader *Reader() const { return m_reader.get(); }
    qint64 ViewFrom() const { return m_from; }
    qint64 ViewTo() const { return m_to; }

protected:
    // The first show keeps the window within its screen's free area.
    void showEvent(QShowEvent *event) override;

private:
    // Reads the columns of the range shown and draws them.
    void Draw();
    void ScheduleDraw();
    void OpenClick();
    void ExportClick();
    void PictureClick();

    QString m_folder;
    TUserMessages &m_messages;
    std::unique_ptr<rec::TRecordingReader> m_reader;
    std::vector<rec::TEvent> m_events;
    qint64 m_from = 0;
    qint64 m_to = 0;
    bool m_drawing = false;
    QTimer *m_follow = nullptr;
    bool m_drawPending = false;
    bool m_placed = false;
};
