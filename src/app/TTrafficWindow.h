// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/TrafficText.h"

#include <QTimer>
#include <QWidget>

#include <deque>
#include <vector>

class QLineEdit;
class QPushButton;
class QTableView;
class TTrafficLog;
class TTrafficModel;
class TUserMessages;

// The "Traffic" window: one line per request to the board and its outcome, decoded, newest last.
// Not modal. It decodes what the traffic log keeps only while it is shown and not paused; a
// closed window costs the poll nothing but the log's own copy of each record.
class TTrafficWindow : public QWidget
{
    Q_OBJECT

public:
    TTrafficWindow(TTrafficLog &log, const ConfigImage &definition, TUserMessages &messages, QWidget *parent = nullptr);
    ~TTrafficWindow() override;

    // The lines shown, filtered, oldest first.
    int LineCount() const;
    TTrafficLine Line(int row) const;
    // Writes the lines shown to path, whole or not at all: as text lines, or as CSV with a header
    // when csv is set. False with *error saying why.
    bool SaveLines(const QString &path, bool csv, QString *error) const;

    // The controls' handlers.
    void PauseClick(bool paused);
    void ClearClick();
    void FilterChanged(const QString &text);
    void SaveTextClick();
    void SaveCsvClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    friend class TTrafficModel;
    struct TEntry
    {
        TTrafficRecord Record;
        TTrafficLine Line;
    };

    // Decodes the records the log gained since the last look, and shows those the filter lets by.
    void CatchUp();
    void Listen(bool on);
    void Refilter();
    void SaveAsked(bool csv);

    TTrafficLog &m_log;
    TTrafficNames m_names;
    TUserMessages &m_messages;
    std::deque<TEntry> m_entries;  // decoded records, oldest first; m_firstNumber is the first's
    quint64 m_firstNumber = 0;     // number of m_entries.front() among the records the log added
    quint64 m_seen = 0;            // records of the log decoded so far
    std::vector<quint64> m_shown;  // numbers of the entries the filter lets by
    QString m_filter;
    bool m_paused = false;
    QTimer m_catchUp;  // gathers a burst of records into one update of the view
    QMetaObject::Connection m_listening;

    QPushButton *m_pause;
    QLineEdit *m_filterEdit;
    QTableView *m_view;
    TTrafficModel *m_model;
};
