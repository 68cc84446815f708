#pragma once

#include "charts/TTrendSink.h"
#include "monitor/TrendRecording.h"

#include <QWidget>

#include <span>
#include <vector>

class QBoxLayout;
class QCustomPlot;
class QLabel;
class QPushButton;
class QScrollBar;
class TUserMessages;

// What the two trend windows share: the recording (capped, the oldest going first), the view that
// follows the newest sample or stays where the user scrolled it, the power button, "Clear", the
// scroll bar, and the export of the whole recording as CSV or of the charts as a picture. A window
// builds its charts and series, then hands them here.
class TTrendWindow : public QWidget, public TTrendSink
{
    Q_OBJECT

public:
    const TTrendRecording &Recording() const { return m_recording; }
    const TTrendFollow &Follow() const { return m_follow; }
    // The series' legend titles, in recording order.
    QStringList SeriesNames() const;

    // The power button: recording on (zooming off) or off (zooming on).
    void PowerButtonClick();
    // "Clear": an empty recording, the views at their start, the scroll bar off.
    void ClearButtonClick();
    // "Export CSV" and "Save picture": asked for a file, written whole or not at all.
    void ExportCsvClick();
    void SavePictureClick();
    bool ExportCsv(const QString &path, QString *error) const;
    // What hovering over chart at the time axis' key shows: the sample's wall-clock time and
    // number, and the value of each of the chart's series there ("-" for a gap). Empty off the
    // recording.
    QString HoverText(const QCustomPlot *chart, double key) const;
    bool SavePicture(const QString &path, QString *error);

    QPushButton *PowerButton = nullptr;
    QPushButton *ClearButton = nullptr;
    QPushButton *ExportButton = nullptr;
    QPushButton *PictureButton = nullptr;
    QScrollBar *ScrollBar = nullptr;
    // How far back the recording reaches, once samples have made room for newer ones.
    QLabel *ReachLabel = nullptr;

protected:
    TTrendWindow(int series, qsizetype capacity, int decimals, TUserMessages &messages, QWidget *parent);
    // A window that is not shown draws nothing; it catches up when it is shown.
    void showEvent(QShowEvent *event) override;

    // Makes the controls every trend window has (named with prefix: "ChartVr"/"TempChartVr" for
    // the power button and so on), for the window to lay out.
    void MakeControls(const QString &power, const QString &powerCaption, const QString &clear,
                      const QString &scrollBar);
    // The power button, "Clear", the export buttons and the reach, top down, at the end of side.
    void AddControls(QBoxLayout *side) const;
    // A chart titled title with a fixed value axis low .. high and the time axis 0 .. Span.
    QCustomPlot *MakeChart(const QString &name, const QString &title, double low, double high);
    // Adds a series to chart, in recording order.
    void AddSeries(QCustomPlot *chart, const QString &legend, const QPen &pen, bool steps = false);
    // Records one sample (NaN for a gap) while recording.
    void Record(std::span<const double> values);
    bool IsRecording() const;

private:
    void ScrollBarAction(int action);
    void ShowView();

    TUserMessages &m_messages;
    TTrendRecording m_recording;
    TTrendFollow m_follow;
    std::vector<QCustomPlot *> m_charts;
    struct TSeries
    {
        QCustomPlot *Chart;
        int Graph;
    };
    std::vector<TSeries> m_series;
};
