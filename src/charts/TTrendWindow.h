// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charts/TrendSource.h"

#include <QRect>
#include <QWidget>

#include <limits>
#include <optional>
#include <vector>

class QAbstractButton;
class QCPRange;
class QCustomPlot;
class QLabel;
class QPushButton;
class QScrollBar;
class QVBoxLayout;
class TIniFile;
class TRecorder;
class TUserMessages;

// Where a window of the wanted frame goes on a screen whose free area is available: as wanted when
// it lies wholly there, else no larger than the area and moved onto it. A window never lies off
// the screen, nor its title bar above it.
QRect FitOnScreen(const QRect &wanted, const QRect &available);

// What the two trend windows share: the view of what the recorder records since the window's
// "Clear" (read from its files by time range, the newest samples kept in memory), on a clock-time
// axis that follows the newest sample or stays where the user scrolled it; the tool bar (the power
// button, "Clear", "Export CSV", "Save picture"), the scroll bar, the events as marks on the time
// axes, the export of the whole recording as CSV or of the window as a picture, and the window's
// place and size, kept in the settings file beside the I/O trend's check boxes. The recording on
// disk runs apart from the window: the power button asks for it, and closing the window leaves it
// running. A window builds its charts and series, then hands them here.
class TTrendWindow : public QWidget
{
    Q_OBJECT

public:
    // The keys of the window's place and size in its settings section.
    static constexpr const char *GeometryKeys[] = {"Left", "Top", "Width", "Height", "Maximized"};

    TTrendSource &Recording() { return m_source; }
    const TTrendFollow &Follow() const { return m_follow; }
    // The series' legend titles, in recording order.
    QStringList SeriesNames() const;

    // The power button: recording on (zooming off) or off (zooming on).
    void PowerButtonClick();
    // Sets the power button as the recording on disk runs (switched elsewhere).
    void SetPower(bool on);
    // The recorder whose recording the window shows: what it records from now on.
    void Watch(TRecorder &recorder);
    // The recorder began writing path (its samples from since on are the window's), ended it, and
    // wrote a sample there.
    void RecordingStarted(const QString &path, qint64 since = std::numeric_limits<qint64>::min());
    void RecordingEnded();
    void Take(const rec::TSample &sample);
    // The time between the poll's samples: a view not zoomed spans a hundred of them.
    void SetSamplePeriod(qint64 ms);
    // "Clear": an empty recording, the views at their start, the scroll bar off.
    void ClearButtonClick();
    // "Export CSV" and "Save picture": asked for a file, written whole or not at all.
    void ExportCsvClick();
    void SavePictureClick();
    bool ExportCsv(const QString &path, QString *error);
    // What hovering over chart at the time axis' key (seconds since the epoch) shows: the clock
    // time of the sample nearest there and the value of each of the chart's series ("-" for a gap),
    // and the events there. Empty when none lies within a few pixels.
    QString HoverText(const QCustomPlot *chart, double key);
    // Draws the view anew (a shown window does so by itself as samples come).
    void Draw();
    // Whether the charts show the samples themselves (else each pixel column's least and greatest).
    bool DrawsSamples() const { return m_drawsSamples; }
    bool SavePicture(const QString &path, QString *error);
    // Writes the window's settings (its place and size, and what the window adds) to the settings
    // file; false (and why) when it cannot. Other keys and comments of the file stay.
    bool WriteSettings(QString *error) const;

    QPushButton *PowerButton = nullptr;
    QPushButton *ClearButton = nullptr;
    QPushButton *ExportButton = nullptr;
    QPushButton *PictureButton = nullptr;
    QPushButton *OpenRecordingButton = nullptr;
    QScrollBar *ScrollBar = nullptr;
    // Since when the window's recording reaches, and in how many files.
    QLabel *ReachLabel = nullptr;

signals:
    // The settings could not be written when the window closed.
    void SettingsNotWritten(const QString &why);
    // The user switched the power button.
    void PowerSwitched(bool on);
    // "Open recording...": the recordings on disk asked for.
    void OpenRecordingClicked();

protected:
    // settingsPath: the settings file, section: the window's section there.
    // first, series: the window's series among those recorded; decimals: those its values have.
    TTrendWindow(int first, int series, int decimals, const QString &settingsPath, const QString &section,
                 TUserMessages &messages, QWidget *parent);
    // A window that is not shown draws nothing; it catches up when it is shown. The first show
    // puts the window where it was last, within the screen.
    void showEvent(QShowEvent *event) override;
    // Writes the settings. What was recorded on disk stays there.
    void closeEvent(QCloseEvent *event) override;

    // Makes the controls every trend window has (named with prefix: "ChartVr"/"TempChartVr" for
    // the power button and so on), for the window to lay out.
    void MakeControls(const QString &power, const QString &powerCaption, const QString &clear,
                      const QString &scrollBar);
    // The tool bar on top of the window's layout: the power button, "Clear", the export buttons,
    // then the reach. It is never narrower than its buttons.
    void AddToolBar(QVBoxLayout *window) const;
    // A chart titled title with a value axis low .. high and the time axis 0 .. Span. A chart with
    // autoScale fits its value axis to the values in view (low .. high while there are none).
    QCustomPlot *MakeChart(const QString &name, const QString &title, double low, double high, bool autoScale = false);
    // Reads the settings file (a missing or unreadable one reads as empty) and sizes the window as
    // last closed, else at defaultSize; the first show fits it on the screen. Call it once the
    // window is built.
    void ReadSettings(QSize defaultSize);
    // What a window keeps in its section besides its geometry.
    virtual void ReadOwnSettings(const TIniFile &settings, const QString &section);
    virtual void WriteOwnSettings(TIniFile &settings, const QString &section) const;
    // Adds a series to chart, in recording order; its check box box shows the series' line as the
    // chart's legend does, and chooses whether it is drawn. An on/off series (recorded as 1 and 0, shown "on"/"off") is
    // drawn in steps in a lane of its own: at lane + kLaneHeight when on, at lane when off. The hover and the CSV show
    // a value to decimals places, as the window shows it (the recording's when -1).
    void AddSeries(QCustomPlot *chart, const QString &legend, const QPen &pen, QAbstractButton *box,
                   std::optional<double> lane = std::nullopt, int decimals = -1);
    static constexpr double kLaneHeight = 8.0;
    bool IsRecording() const;

private:
    void ScrollBarAction(int action);
    // The user zoomed or dragged chart's time axis.
    void Zoomed(const QCustomPlot *chart, const QCPRange &range);
    void ScheduleDraw();
    // The scroll bar and the reach, after the view moved.
    void ShowFrame();
    void Place();
    // Asks for a file and exports the recording there; true when it was written.
    bool ExportAsked();

    QString m_settingsPath;
    QString m_section;
    QRect m_savedGeometry;  // the place and size read from the file; empty when none
    bool m_savedMaximized = false;
    bool m_placed = false;
    TUserMessages &m_messages;
    int m_decimals;
    TTrendSource m_source;
    TTrendFollow m_follow;
    std::vector<QCustomPlot *> m_charts;
    struct TSeries
    {
        QCustomPlot *Chart;
        int Graph;
        std::optional<double> Lane;
        int Decimals;
        QAbstractButton *Box;
    };
    // Series s's recorded value as its chart draws it.
    double Drawn(size_t s, double value) const;
    std::vector<TSeries> m_series;
    std::vector<QCustomPlot *> m_autoScaled;
    std::vector<rec::TEvent> m_events;  // those of the view
    bool m_drawing = false;
    bool m_drawPending = false;
    bool m_drawsSamples = true;
};
