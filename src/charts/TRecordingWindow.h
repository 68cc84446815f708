// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/Recording.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QCPAxisRect;
class QCustomPlot;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class TUserMessages;

// "Open recording...": a recording drawn on a clock-time axis, the one being written or an old
// one. Whatever the span in view (a minute or a week), each pixel column shows the least and
// greatest value of each chosen series there, read from the file by time range; nothing holds all
// the samples. Events are marks on the time axis (their text on hover) and a list beside the
// chart; clicking one moves the view there. "Export CSV" and "Save picture" take the range shown.
// The on/off series (relays, simulated outputs) are drawn in lanes of their own under the values,
// as the I/O chart draws them; each series box shows its line. The recordings folder (board,
// start, length, size) and the events lie under the chart, their texts elided where the window is
// narrow, in full on hover.
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
    QTreeWidget *EventsList = nullptr;  // time, text
    std::vector<QCheckBox *> SeriesBoxes;
    QPushButton *OpenButton = nullptr;
    QPushButton *WholeButton = nullptr;
    QPushButton *ExportButton = nullptr;
    QPushButton *PictureButton = nullptr;
    QLabel *InfoLabel = nullptr;
    // Where the on/off series are drawn: in the chart's layout while one of them is chosen.
    QCPAxisRect *Lanes = nullptr;
    // The lane (its "off" level; "on" is kLaneHeight higher) of series s, when s is an on/off
    // series that is chosen: the chosen ones take the lanes from the top, in the table's order.
    std::optional<double> LaneOf(int s) const;
    static constexpr double kLaneHeight = 8.0;
    const rec::TRecordingReader *Reader() const { return m_reader.get(); }
    qint64 ViewFrom() const { return m_from; }
    qint64 ViewTo() const { return m_to; }

protected:
    // The first show keeps the window within its screen's free area.
    void showEvent(QShowEvent *event) override;

private:
    // Shows the lanes of the chosen on/off series (none: no lanes, the values take the height).
    void PlaceLanes();
    void AddEvents(const std::vector<rec::TEvent> &events);
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
