// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/TLiveColumn.h"
#include "app/TWindowSettings.h"
#include "charts/TChartForm.h"
#include "charts/TTempChartForm.h"
#include "config/ConfigItem.h"
#include "session/TBoardModel.h"
#include "session/TUserMessages.h"
#include "widgets/TPage.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class TCalibrationPage;
class TConnectionPanel;
class TControlPage;
class TInOutPage;
class TInputsOutputsPage;
class TLeftColumn;
class TParametersPage;
class TPageTabs;
class TPoll;
class TRecorder;
class TRecordingWindow;
class TFirmwareGate;
class TStopPage;
class TTimersPage;

struct TForm1Options
{
    bool StartupPicture = true;  // tests skip the picture window
    // The parameter definition file; empty: the one shipped beside the executable.
    QString DefinitionPath;
    // Press Connect once the window is shown (the command line's --connect).
    bool ConnectAtStart = false;
    // Shows a folder in the desktop's file manager (empty: the desktop's own way).
    std::function<void(const QString &folder)> OpenFolder;
    // The user's guide (empty: where TGuideWindow finds it).
    QString GuidePath;
    // Where recordings go (empty: the settings file's [Recording] Folder, else the user's data
    // folder).
    QString RecordingsFolder;
};

class TTrafficWindow;

// The main window: wires the pages, the left column, the status bar and the trend windows to the
// board model's session and to the poll.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    // model: the clients, the session and the live state, which outlive the window. messages:
    // where messages and file dialogs go (null: real dialogs). Runs FormCreate.
    explicit TForm1(TBoardModel &model, std::unique_ptr<TUserMessages> messages = nullptr, TForm1Options options = {});
    ~TForm1() override;

    // F1 opens the regulation trend window unless it is already visible.
    void FormKeyDown(int key);
    // "View" > "Traffic": shows the traffic window (made on first use), raised.
    void TrafficClick();
    // "Help" > "User's guide": shows the guide in its window (made on first use), raised; a guide
    // that is not installed is said in a message.
    void GuideClick();
    // "Help" > "Link log": switches the link's log on or off for both lines, keeps it in the
    // settings file and, switched on, shows its folder.
    void LinkLogClick(bool on);
    // "Help" > "Open log folder": shows the folder the link's log goes to, made if missing.
    void LogFolderClick();
    // A tick of ReadTimer: the poll cycle and the version countdown.
    void ReadTimerTimer();

    TBoardModel &Model() { return m_model; }
    TBoardSession &Session() { return m_model.Session(); }
    TLiveState &Live() { return m_model.Live(); }
    TPageContext &PageContext() { return m_context; }
    TUserMessages &Messages() { return *m_messages; }
    // The folder of the settings files, chosen at start (SettingsPlace).
    QString WorkDir() const { return m_settings.WorkDir(); }
    int BoardTypeIndex() const { return m_settings.BoardTypeIndex(); }
    QTimer &ReadTimer() { return m_readTimer; }
    TTempChartForm *TempChartForm() const { return m_tempChart; }
    TChartForm *ChartForm() const { return m_chart; }
    TPoll &Poll() { return *m_poll; }
    TRecorder &Recorder() { return *m_recorder; }
    // "Recording" > "Record", and the trend windows' power buttons: the recording on disk runs
    // while the line is open (a new file a connection and a day, in the recordings folder).
    void SetRecording(bool on);
    // "Recording" > "Record whenever connected": kept in the settings file.
    void RecordWhenConnectedClick(bool on);
    // "Recording" > "Open recording...", and the trend windows' button: the recordings window
    // (made on first use), raised, with the recording being written open, if any.
    void OpenRecordingClick();
    TRecordingWindow *RecordingWindow() const;
    const TTransferTable &TransferTable() const { return m_table; }
    TConfigImages &Images() { return m_images; }
    TParameterEditor &Editor() { return m_editor; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    // The menu bar: "View" with the trend windows and Traffic, "Help" with the guide, the link's
    // log and "About Z4 Ventilation".
    void BuildMenus();
    // Whether the line in use keeps the link's log.
    bool LinkLogOn() const;
    // The settings file in use: R4Ivivaz.ini in WorkDir.
    QString SettingsFile() const;
    void FormShow();
    void FormClose();
    // "Chart" opens the I/O trend window unless it is already visible.
    void ChartVrButtonClick();
    // The visible page changed (or the line came up): read what it shows.
    void MainPageControlChange();
    // Every tab of the strip side by side, the largest page and the left column without scrolling.
    QSize NaturalSize() const;
    void BuildPages();
    void BuildStatusBar();
    void SetPollPeriod(int seconds);
    // The poll's values stopped being current, or are current again.
    void ShowLiveLost(const QDateTime &lastAnswer);
    void ShowLiveBack();
    void ShowLineState();
    void LineUp();
    void WirePoll();
    // The overrides the pages show active on the board: inputs and outputs in manual, and
    // calibration mode.
    QStringList ActiveOverrides() const;
    // At connect, whichever page is shown: the I/O test block and the calibration mode, so that
    // the overrides warning and the question before leaving know what the board holds.
    void ReadOverrides();
    void ShowOverrideWarning();
    // Before the line closes or the window goes while a Load, Save, Verify or Compare runs: asks
    // whether to stop it (Enter keeps it running, and nothing else happens); if the user goes on,
    // runs leave ("disconnect", "close the window") once the transfer has stopped. With no
    // transfer running, runs leave at once.
    void StopTransferFirst(const QString &leaving, std::function<void()> leave);
    // Before the line closes or the window goes: with overrides active, asks whether to return
    // them to automatic first, naming each write. Return: runs leave once those writes have their
    // outcomes; leave them: runs leave at once; cancel: writes nothing and never runs leave.
    void LeaveBoard(std::function<void()> leave);

    TBoardModel &m_model;
    std::unique_ptr<TUserMessages> m_messages;
    TForm1Options m_options;
    TTransferTable m_table;
    TParameterEditor m_editor;
    TPageContext m_context;
    TWindowSettings m_settings;
    QTimer m_readTimer;
    bool m_shown = false;
    bool m_leaving = false;  // the user has decided about the overrides; the window may close
    QPointer<TTempChartForm> m_tempChart;
    QPointer<TChartForm> m_chart;
    QPointer<TTrafficWindow> m_traffic;
    QPointer<TRecordingWindow> m_recordingWindow;
    QPointer<QWidget> m_guide;
    QAction *m_linkLogAction = nullptr;  // "Help" > "Link log", checked while the log is on
    TPoll *m_poll;
    TRecorder *m_recorder = nullptr;
    QAction *m_recordAction = nullptr;
    QAction *m_whenConnectedAction = nullptr;
    // The trend windows shown, their power buttons following the recording.
    void FollowRecording(TTrendWindow *window);
    void ShowRecordingState();
    TFirmwareGate *m_firmware = nullptr;
    std::unique_ptr<TLiveColumn> m_liveColumn;
    TConfigImages m_images;

    // The window's parts; tests find them by their objectNames.
    TConnectionPanel *ConnectiondxfGroupBox;
    TLeftColumn *m_leftColumn;
    TPageTabs *MainPageControl;
    std::array<QLabel *, 5> StatusPanels;
    // Since when the values shown are no longer current; empty while they are.
    QLabel *LiveStatusPanel;
    // Where the recording runs; empty while none does.
    QLabel *RecordStatusPanel;
    // The pages the window wires to one another and to the poll.
    TInputsOutputsPage *InputsOutputsTabSheet;
    TStopPage *StopTabSheet;
    TInOutPage *InOutTabSheet;
    TTimersPage *TimersTabSheet;
    TCalibrationPage *CalibrationTabSheet;
    TParametersPage *ParametersTabSheet;
    TControlPage *ControlTabSheet;
};
