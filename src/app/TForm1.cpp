// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TForm1.h"

#include "app/SettingsPlace.h"
#include "app/TAboutDialog.h"
#include "app/TConnectionPanel.h"
#include "app/TDialogMessages.h"
#include "app/TGuideWindow.h"
#include "app/TLeftColumn.h"
#include "app/TSettings.h"
#include "app/TStartupForm.h"
#include "app/TStatusPanel.h"
#include "app/TTrafficWindow.h"
#include "app/TermTips.h"
#include "app/Version.h"
#include "charts/TRecordingWindow.h"
#include "charts/TTempChartForm.h"
#include "config/BoardAddresses.h"
#include "config/DefinitionFile.h"
#include "live/TInputsOutputsPage.h"
#include "monitor/BoardMark.h"
#include "monitor/TPoll.h"
#include "params/TCascadePage.h"
#include "params/TControlPage.h"
#include "params/TCoolingPage.h"
#include "params/THeatingPage.h"
#include "params/TParametersPage.h"
#include "params/TSettingsPage.h"
#include "params/TStopPage.h"
#include "params/TVentilationPage.h"
#include "record/RecordingsFolder.h"
#include "record/TRecorder.h"
#include "service/TCalibrationPage.h"
#include "service/TInOutPage.h"
#include "service/TTimersPage.h"
#include "widgets/FirmwareGate.h"
#include "widgets/TPageTabs.h"
#include "widgets/ValueDisplay.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>

namespace {
constexpr quint32 kRequestTimeoutMs = 3000;
}  // namespace

TForm1::TForm1(TBoardModel &model, std::unique_ptr<TUserMessages> messages, TForm1Options options)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                               | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_model(model),
      m_messages(messages ? std::move(messages) : std::make_unique<TDialogMessages>(this)),
      m_options(options),
      m_editor(model.Session(), m_table, *m_messages),
      m_context{model.Session(), *m_messages, m_table, m_editor},
      m_settings(SettingsPlace::Folder())
{
    setObjectName(QStringLiteral("Form1"));
    ConnectiondxfGroupBox = new TConnectionPanel(m_model.Line(), *m_messages);
    m_leftColumn = new TLeftColumn(ConnectiondxfGroupBox, m_context);
    auto *central = new QWidget(this);
    auto *row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_leftColumn);
    BuildPages();
    row->addWidget(MainPageControl, 1);
    setCentralWidget(central);
    // Its short words explained, before anything switches controls off and keeps their tooltips.
    TermTips::Apply(*this);
    BuildMenus();
    BuildStatusBar();

    m_readTimer.setObjectName(QStringLiteral("ReadTimer"));
    m_readTimer.setInterval(5000);
    TLiveDisplay display = m_leftColumn->Display();
    display.SeriesPanel = StatusPanels[1];
    display.BoardPanel = StatusPanels[2];
    display.VersionPanel = StatusPanels[3];
    m_liveColumn = std::make_unique<TLiveColumn>(display);
    m_poll = new TPoll(Session(), Live(), this);
    m_recorder = new TRecorder(*m_poll, Session(), this);
    m_recorder->WatchLine(m_model.Line());
    m_recorder->SetToolVersion(ToolVersionText());
    connect(m_recorder, &TRecorder::Started, this, &TForm1::ShowRecordingState);
    connect(m_recorder, &TRecorder::Stopped, this, [this](const QString &path, const QString &failure) {
        if (!failure.isEmpty()) {
            SetRecording(false);
            m_messages->ErrorBox(QStringLiteral("The recording stopped: %1\nPolling goes on.").arg(failure));
        }
        Q_UNUSED(path);
        ShowRecordingState();
    });
    WirePoll();
    // The transfer log says which board it is about whenever that changes.
    connect(new TBoardMark(m_model.Line(), *m_poll, this), &TBoardMark::Changed, ParametersTabSheet->ParametersMemo,
            &QPlainTextEdit::appendPlainText);
    connect(&m_readTimer, &QTimer::timeout, this, &TForm1::ReadTimerTimer);

    ConnectiondxfGroupBox->OnLineUp = [this] {
        LineUp();
        ReadOverrides();
    };
    ConnectiondxfGroupBox->OnDisconnectClick = [this] {
        m_leftColumn->ClearLive();
        m_firmware->ShowOffline();
    };
    ConnectiondxfGroupBox->BeforeDisconnect = [this](std::function<void()> disconnect) {
        StopTransferFirst(QStringLiteral("disconnect"), [this, disconnect = std::move(disconnect)] {
            // A transfer ended by the line going down leaves nothing to return to automatic.
            if (Session().Connected())
                LeaveBoard(disconnect);
            else
                disconnect();
        });
    };
    ParametersTabSheet->ReadVersion = [this](std::function<void(const QString &)> done) {
        m_poll->ReadVersionThen(std::move(done));
    };
    ConnectiondxfGroupBox->OnPeriod = [this](int seconds) { SetPollPeriod(seconds); };
    connect(TimersTabSheet, &TTimersPage::SlaveAddressMoved, ConnectiondxfGroupBox,
            &TConnectionPanel::FollowBoardAddress);
    connect(m_leftColumn, &TLeftColumn::ChartClicked, this, &TForm1::ChartVrButtonClick);
    // Every key reaches the window first, whichever control has the focus.
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, [this] { FormKeyDown(Qt::Key_F1); });

    FormCreate();
    m_linkLogAction->setChecked(LinkLogOn());  // as the settings file has it
    connect(MainPageControl, &QTabWidget::currentChanged, this, &TForm1::MainPageControlChange);
    // Last, once everything the window holds (a menu bar too) is in it.
    m_settings.PlaceWindow(*this, NaturalSize());
}

QSize TForm1::NaturalSize() const
{
    const QSize column = m_leftColumn->NaturalSize();
    const QSize pages = MainPageControl->sizeHint();
    // Above and below the pages: a menu bar, if any, and the status bar.
    const int around = sizeHint().height() - centralWidget()->sizeHint().height();
    return {column.width() + pages.width(), std::max(column.height(), pages.height()) + around};
}

void TForm1::BuildMenus()
{
    const auto add = [this](QMenu *menu, const QString &text, const char *name, auto slot) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    add(view, QStringLiteral("&I/O trend"), "ChartAction", [this] { ChartVrButtonClick(); });
    // F1 itself is the window's shortcut; the menu shows it.
    add(view, QStringLiteral("&Regulation trend\tF1"), "TempChartAction", [this] { FormKeyDown(Qt::Key_F1); });
    add(view, QStringLiteral("&Traffic"), "TrafficAction", [this] { TrafficClick(); });

    QMenu *recording = menuBar()->addMenu(QStringLiteral("Recordin&g"));
    recording->setObjectName(QStringLiteral("RecordingMenu"));
    m_recordAction = add(recording, QStringLiteral("&Record"), "RecordAction", [this](bool on) { SetRecording(on); });
    m_recordAction->setCheckable(true);
    m_recordAction->setToolTip(QStringLiteral("Records every sample and event to a file while connected, with or "
                                              "without a trend window open"));
    m_whenConnectedAction = add(recording, QStringLiteral("Record whenever &connected"), "RecordWhenConnectedAction",
                                [this](bool on) { RecordWhenConnectedClick(on); });
    m_whenConnectedAction->setCheckable(true);
    add(recording, QStringLiteral("&Open recording..."), "OpenRecordingAction", [this] { OpenRecordingClick(); });
    add(recording, QStringLiteral("Open recordings &folder"), "RecordingsFolderAction", [this] {
        QDir().mkpath(m_recorder->Folder());
        if (m_options.OpenFolder)
            m_options.OpenFolder(m_recorder->Folder());
        else
            QDesktopServices::openUrl(QUrl::fromLocalFile(m_recorder->Folder()));
    });

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    add(help, QStringLiteral("&User's guide"), "GuideAction", [this] { GuideClick(); });
    QAction *log = m_linkLogAction =
        add(help, QStringLiteral("&Link log"), "LinkLogAction", [this](bool on) { LinkLogClick(on); });
    log->setCheckable(true);
    log->setToolTip(QStringLiteral("Keeps a log of the link to the board, one file a day; switched on, its folder "
                                   "is shown"));
    // The menu shows what the line does, whoever switched it.
    connect(help, &QMenu::aboutToShow, log, [this, log] { log->setChecked(LinkLogOn()); });
    add(help, QStringLiteral("&Open log folder"), "LogFolderAction", [this] { LogFolderClick(); });
    help->addSeparator();
    add(help, QStringLiteral("&About Z4 Ventilation"), "AboutAction", [this] {
        TAboutDialog box(SettingsFile(), TConnectionPanel::LogFolderInUse(), LinkLogOn(), this);
        box.exec();
    });
}

bool TForm1::LinkLogOn() const
{
    const TModbusClient *client = m_model.Session().ActiveClient();
    return client && client->LogFileEnabled();
}

QString TForm1::SettingsFile() const
{
    return QDir(WorkDir()).filePath(TSettings::FileName());
}

void TForm1::GuideClick()
{
    const QString path = m_options.GuidePath.isEmpty() ? TGuideWindow::Find() : m_options.GuidePath;
    if (path.isEmpty()) {
        m_messages->ErrorBox(QStringLiteral("The user's guide is not installed: it is looked for in\n%1")
                                 .arg(TGuideWindow::Places().join(QLatin1Char('\n'))));
        return;
    }
    if (!m_guide)
        m_guide = new TGuideWindow(path, this);
    m_guide->show();
    m_guide->raise();
    m_guide->activateWindow();
}

void TForm1::LinkLogClick(bool on)
{
    for (TModbusClient *client :
         {static_cast<TModbusClient *>(&m_model.TcpClient()), static_cast<TModbusClient *>(&m_model.SerialClient())})
        client->SetLogFileEnabled(on);
    QString error;
    if (!TSettings::KeepLogEnabled(SettingsFile(), on, &error))
        m_messages->ErrorBox(QStringLiteral("The link's log is %1 for now, but the settings file could not keep it: %2")
                                 .arg(on ? QStringLiteral("on") : QStringLiteral("off"), error));
    StatusPanels[0]->setText(
        on ? QStringLiteral("Link log on: %1").arg(QDir::toNativeSeparators(TConnectionPanel::LogFolderInUse()))
           : QStringLiteral("Link log off"));
    if (on)
        LogFolderClick();
}

void TForm1::LogFolderClick()
{
    const QString folder = TConnectionPanel::LogFolderInUse();
    QDir().mkpath(folder);
    if (m_options.OpenFolder)
        m_options.OpenFolder(folder);
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        m_messages->ErrorBox(
            QStringLiteral("The log folder could not be shown: %1").arg(QDir::toNativeSeparators(folder)));
}

TForm1::~TForm1()
{
    // The model outlives the window: answers still to come must find nothing of it.
    Session().SetSharedFailureHandler({});
    m_model.TcpClient().ForgetClosures();
    m_model.SerialClient().ForgetClosures();
    // Taking the window apart moves the focus out of the focused edit: its handlers must not run
    // (closing the window sends nothing to the board).
    if (QWidget *focused = focusWidget())
        focused->blockSignals(true);
    // The pages and panels refer to members of this window (session, clients, timer): take them
    // apart while those still exist.
    hide();
    delete takeCentralWidget();
    // The windows the main window opened go with it.
    delete m_tempChart;
    delete m_chart;
}

void TForm1::BuildPages()
{
    MainPageControl = new TPageTabs(this);
    MainPageControl->setObjectName(QStringLiteral("MainPageControl"));
    // The window opens wide enough for every tab; the arrows appear only when it is made narrower.
    MainPageControl->setUsesScrollButtons(true);
    // The arrows only scroll the strip, which the arrow keys do on the tab strip itself: no Tab stops.
    for (QToolButton *arrow : MainPageControl->tabBar()->findChildren<QToolButton *>())
        arrow->setFocusPolicy(Qt::NoFocus);
    MainPageControl->AddPage(InputsOutputsTabSheet = new TInputsOutputsPage(m_context),
                             QStringLiteral("Inputs && Outputs"));
    MainPageControl->AddPage(StopTabSheet = new TStopPage(m_context), QStringLiteral("Stop"));
    MainPageControl->AddPage(new TSettingsPage(m_context), QStringLiteral("Settings"));
    MainPageControl->AddPage(new THeatingPage(m_context), QStringLiteral("Heating"));
    MainPageControl->AddPage(new TCoolingPage(m_context), QStringLiteral("Cooling"));
    MainPageControl->AddPage(new TCascadePage(m_context), QStringLiteral("Cascade"));
    MainPageControl->AddPage(InOutTabSheet = new TInOutPage(m_context), QStringLiteral("In/Out"));
    MainPageControl->AddPage(TimersTabSheet = new TTimersPage(m_context), QStringLiteral("Timers"));
    MainPageControl->AddPage(new TVentilationPage(m_context), QStringLiteral("Ventilation"));
    MainPageControl->AddPage(CalibrationTabSheet = new TCalibrationPage(m_context), QStringLiteral("Calibration"));
    MainPageControl->AddPage(ParametersTabSheet = new TParametersPage(m_context, m_images, Live()),
                             QStringLiteral("Parameters"));
    MainPageControl->AddPage(ControlTabSheet = new TControlPage(m_context), QStringLiteral("Control"));
}

void TForm1::BuildStatusBar()
{
    const std::array<int, 5> widths{230, 130, 130, 130, 50};
    const std::array<QString, 5> texts{QString(), QStringLiteral("Series:"), QStringLiteral("Board No.:"),
                                       QStringLiteral("Version:"), QString()};
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    // Each panel takes the room its text needs while the bar has it (the messages of panel 0 first,
    // then the overrides warning); what still does not fit is cut with its whole text in a tooltip.
    for (int i = 0; i < 5; ++i) {
        StatusPanels[i] = new TStatusPanel(texts[i], bar);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanels[i]->setMinimumWidth(widths[i]);
        bar->addWidget(StatusPanels[i], i == 0 ? 2 : i == 4 ? 1 : 0);
    }
    LiveStatusPanel = new TStatusPanel(QString(), bar);
    LiveStatusPanel->setMinimumWidth(widths[1]);
    LiveStatusPanel->setObjectName(QStringLiteral("LiveStatusPanel"));
    LiveStatusPanel->setAccessibleName(QStringLiteral("Live values"));
    bar->addPermanentWidget(LiveStatusPanel);
    RecordStatusPanel = new TStatusPanel(QString(), bar);
    RecordStatusPanel->setObjectName(QStringLiteral("RecordStatusPanel"));
    RecordStatusPanel->setAccessibleName(QStringLiteral("Recording"));
    bar->addPermanentWidget(RecordStatusPanel);
}

void TForm1::ShowRecordingState()
{
    if (m_recorder->Running()) {
        RecordStatusPanel->setText(QStringLiteral("Recording: %1").arg(QFileInfo(m_recorder->Path()).fileName()));
        RecordStatusPanel->setToolTip(QDir::toNativeSeparators(m_recorder->Path()));
    } else {
        RecordStatusPanel->setText(m_recorder->Wanted() ? QStringLiteral("Recording when connected") : QString());
        RecordStatusPanel->setToolTip(QDir::toNativeSeparators(m_recorder->Folder()));
    }
}

void TForm1::SetRecording(bool on)
{
    m_recordAction->setChecked(on);
    for (TTrendWindow *window :
         {static_cast<TTrendWindow *>(m_chart.data()), static_cast<TTrendWindow *>(m_tempChart.data())}) {
        if (window)
            window->SetPower(on);
    }
    if (m_recorder->Wanted() != on)
        m_recorder->SetWanted(on);
    ShowRecordingState();
}

void TForm1::RecordWhenConnectedClick(bool on)
{
    m_recorder->SetWhenConnected(on);
    QString error;
    if (!TSettings::KeepRecordWhenConnected(SettingsFile(), on, &error))
        m_messages->ErrorBox(QStringLiteral("The setting could not be saved: %1").arg(error));
    ShowRecordingState();
}

void TForm1::FollowRecording(TTrendWindow *window)
{
    // The window shows what the recorder records, a view a hundred poll periods wide at first.
    window->Watch(*m_recorder);
    window->SetSamplePeriod(m_readTimer.interval() > 0 ? m_readTimer.interval() : 1000);
    window->SetPower(m_recordAction->isChecked());
    connect(window, &TTrendWindow::PowerSwitched, this, &TForm1::SetRecording);
    connect(window, &TTrendWindow::OpenRecordingClicked, this, &TForm1::OpenRecordingClick);
}

TRecordingWindow *TForm1::RecordingWindow() const
{
    return m_recordingWindow;
}

void TForm1::OpenRecordingClick()
{
    if (!m_recordingWindow)
        m_recordingWindow = new TRecordingWindow(m_recorder->Folder(), *m_messages, this);
    else
        m_recordingWindow->ListFolder();
    // What is being written now is what is looked for; it is read as far as it was committed.
    if (m_recorder->Running()) {
        m_recorder->Commit();
        m_recordingWindow->OpenFile(m_recorder->Path());
    }
    m_recordingWindow->show();
    m_recordingWindow->raise();
    m_recordingWindow->activateWindow();
}

void TForm1::ShowLiveLost(const QDateTime &)
{
    live::MarkStale(this, true);
    ShowLineState();
}

void TForm1::ShowLiveBack()
{
    live::MarkStale(this, false);
    ShowLineState();
}

// The status bar says what the connection box says, on one line, whenever the values shown are
// not the board's current ones.
void TForm1::ShowLineState()
{
    const TLineStatus &status = m_model.Line().Status();
    if (status.State == TLineState::Answering && !m_poll->Stale()) {
        LiveStatusPanel->clear();
        LiveStatusPanel->setToolTip({});
        return;
    }
    LiveStatusPanel->setText(status.Text().replace(QLatin1Char('\n'), QStringLiteral("; ")));
    LiveStatusPanel->setToolTip(QStringLiteral("The values shown are the last the board sent; they are faded "
                                               "until it answers again."));
}

void TForm1::FormCreate()
{
    setWindowTitle(QStringLiteral("Z4 Ventilation v") + ToolVersionText());

    const TSettings &settings = m_settings.Restore(*ConnectiondxfGroupBox, m_model, *MainPageControl);
    // The calibration page starts on input 1 and output 1 with their usual references.
    CalibrationTabSheet->ShowStartReferences();

    SetPollPeriod(settings.ReadPeriod);
    m_recorder->SetFolder(!m_options.RecordingsFolder.isEmpty() ? m_options.RecordingsFolder
                          : !settings.RecordFolder.isEmpty()    ? settings.RecordFolder
                                                                : rec::DefaultFolder(),
                          static_cast<qint64>(settings.RecordMaxMB) * 1024 * 1024);
    m_whenConnectedAction->setChecked(settings.RecordWhenConnected);
    m_recorder->SetWhenConnected(settings.RecordWhenConnected);
    ShowRecordingState();

    // The transfer table ties every configuration register to its controls; the definition file
    // names the items in configuration files. Without a definition that fits the table there is
    // nothing to save or load: the images stay shaped by the table and the transfers stay off.
    const QStringList problems = m_table.Bind(*this, TimersTabSheet->WeekProgramView(), *m_messages);
    // Every parameter of the Settings, Heating, Cooling, Cascade and Ventilation pages is written
    // when the user applies it.
    // The season beside them is the board's own choice and shown only.
    for (const auto &[first, last] : kEditedItems)
        m_editor.AttachItems(first, last);
    connect(&m_editor, &TParameterEditor::Status, StatusPanels[0], &QLabel::setText);
    // A lasting word in the status bar while the board is known to run with overrides.
    InOutTabSheet->WatchOverrides();
    connect(InOutTabSheet, &TInOutPage::OverridesChanged, this, &TForm1::ShowOverrideWarning);
    connect(CalibrationTabSheet, &TCalibrationPage::ModeChanged, this, &TForm1::ShowOverrideWarning);
    if (!problems.isEmpty())
        m_messages->ErrorBox(QStringLiteral("Some parameters cannot be shown:\n") + problems.join(QLatin1Char('\n')));
    m_images.DefinitionPath = m_options.DefinitionPath.isEmpty() ? StandardDefinitionPath() : m_options.DefinitionPath;
    QString definitionError;
    if (!ReadDefinitionFile(m_images.DefinitionPath, m_images, &definitionError)) {
        m_images.FileImage = ImageFromTable();
        m_images.BoardImage = ImageFromTable();
        m_images.ItemCount = static_cast<qint32>(m_images.BoardImage.size());
        m_images.ActiveItemCount = m_images.ItemCount;
        ParametersTabSheet->SetDefinitionUsable(false);
        m_messages->ErrorBox(definitionError + QStringLiteral("\nSave, Load, Verify and Compare are not available."));
    }
    Session().SetRequestTimeout(kRequestTimeoutMs);
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!std::exchange(m_shown, true))
        QTimer::singleShot(0, this, &TForm1::FormShow);  // once the window is on screen
}

void TForm1::FormShow()
{
    if (m_options.StartupPicture) {
        TStartupForm picture(this);
        picture.exec();
    }
    // The window manager's frame is known now: the title bar too must be on the screen.
    TWindowSettings::KeepOnScreen(*this);
    ConnectiondxfGroupBox->ConnectVrButton->setFocus();
    if (m_readTimer.interval() > 0)
        m_readTimer.start();
    if (m_options.ConnectAtStart)
        ConnectiondxfGroupBox->ConnectVrButtonClick();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (ParametersTabSheet->TransferRunning()) {
        event->ignore();
        StopTransferFirst(QStringLiteral("close the window"), [this] { close(); });
        return;
    }
    if (!m_leaving && Session().Connected() && !ActiveOverrides().isEmpty()) {
        event->ignore();
        LeaveBoard([this] {
            m_leaving = true;
            // After this close event, which is ignored: a close asked inside it would be lost.
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        });
        return;
    }
    FormClose();
    QMainWindow::closeEvent(event);
}

void TForm1::FormClose()
{
    // An open trend window closes with the tool, and keeps its check boxes as when closed alone.
    for (QWidget *chart : {static_cast<QWidget *>(m_chart.data()), static_cast<QWidget *>(m_tempChart.data())}) {
        if (chart && chart->isVisible())
            chart->close();
    }
    // What was recorded is committed; the file stays whole.
    m_recorder->Stop();
    QString error;
    if (!m_settings.Keep(*ConnectiondxfGroupBox, *this, m_shown, *MainPageControl, &error))
        m_messages->ErrorBox(QStringLiteral("The settings could not be saved: %1").arg(error));
}

void TForm1::FormKeyDown(int key)
{
    if (key != Qt::Key_F1)
        return;
    if (m_tempChart && m_tempChart->isVisible())
        return;
    delete m_tempChart;  // a hidden one is replaced by a fresh window
    m_tempChart = new TTempChartForm(QDir(WorkDir()).filePath(SettingsPlace::TrendFileName()), *m_messages, this);
    FollowRecording(m_tempChart);
    connect(m_tempChart, &TTrendWindow::SettingsNotWritten, this, [this](const QString &why) {
        m_messages->ErrorBox(QStringLiteral("The regulation chart's place could not be saved: %1").arg(why));
    });
    m_tempChart->show();
}

void TForm1::ChartVrButtonClick()
{
    if (m_chart && m_chart->isVisible())
        return;
    delete m_chart;  // a closed one is replaced by a fresh window
    m_chart = new TChartForm(QDir(WorkDir()).filePath(SettingsPlace::TrendFileName()), *m_messages, this);
    FollowRecording(m_chart);
    connect(m_chart, &TChartForm::SettingsNotWritten, this, [this](const QString &why) {
        m_messages->ErrorBox(QStringLiteral("The chart's check boxes could not be saved: %1").arg(why));
    });
    m_chart->show();
}

void TForm1::TrafficClick()
{
    if (!m_traffic)
        m_traffic = new TTrafficWindow(m_model.Traffic(), m_images.BoardImage, *m_messages, this);
    m_traffic->show();
    m_traffic->raise();
    m_traffic->activateWindow();
}

void TForm1::ReadTimerTimer()
{
    m_poll->Tick();
}

void TForm1::SetPollPeriod(int seconds)
{
    m_readTimer.stop();
    m_readTimer.setInterval(std::max(seconds, 0) * 1000);
    for (TTrendWindow *window :
         {static_cast<TTrendWindow *>(m_chart.data()), static_cast<TTrendWindow *>(m_tempChart.data())}) {
        if (window && seconds > 0)
            window->SetSamplePeriod(seconds * 1000);
    }
    // A period of 0 leaves the poll off rather than reading the board without pause.
    if (seconds > 0 && m_shown)
        m_readTimer.start();
}

void TForm1::MainPageControlChange()
{
    if (auto *page = qobject_cast<TPage *>(MainPageControl->currentWidget()))
        page->Refresh();
}

void TForm1::LineUp()
{
    // The firmware version decides what a transfer moves: read at once, not on the next tick
    // (which, with the poll period 0, never comes).
    m_poll->LineUp();
    // Another board may be behind the line now: what its firmware lacks is off until its version is read.
    m_firmware->Show(std::nullopt);
    MainPageControlChange();
}

void TForm1::StopTransferFirst(const QString &leaving, std::function<void()> leave)
{
    TParametersPage &page = *ParametersTabSheet;
    if (!page.TransferRunning()) {
        leave();
        return;
    }
    // Already asked and stopping: this leave follows the first.
    if (page.TransferStopping()) {
        page.StopTransfer(std::move(leave));
        return;
    }
    const TChoice choice =
        m_messages->Ask({.Title = QStringLiteral("Transfer running"),
                         .Text = page.RunningTransfer()
                                 + QStringLiteral("\n\nStop it after the request on the line and %1?").arg(leaving),
                         .GoText = QStringLiteral("Stop and %1").arg(leaving),
                         .Default = TChoice::Cancel});
    if (choice == TChoice::Go)
        page.StopTransfer(std::move(leave));
}

QStringList TForm1::ActiveOverrides() const
{
    QStringList active = InOutTabSheet->ActiveOverrides();
    if (CalibrationTabSheet->ModeOn())
        active << QStringLiteral("calibration mode on");
    return active;
}

void TForm1::ReadOverrides()
{
    // The visible page has just read what it shows.
    const QWidget *shown = MainPageControl->currentWidget();
    if (shown != InOutTabSheet)
        InOutTabSheet->Refresh();
    if (shown != CalibrationTabSheet)
        CalibrationTabSheet->ReadMode();
}

void TForm1::ShowOverrideWarning()
{
    const QStringList active = ActiveOverrides();
    StatusPanels[4]->setText(active.isEmpty() ? QString() : QStringLiteral("Overrides active"));
    StatusPanels[4]->setToolTip(active.join(QLatin1Char('\n')));
}

void TForm1::LeaveBoard(std::function<void()> leave)
{
    TReturnWrites writes = InOutTabSheet->ReturnWrites();
    for (TReturnWrite &write : CalibrationTabSheet->ReturnWrites())
        writes.push_back(std::move(write));
    if (writes.empty()) {
        leave();
        return;
    }
    QStringList named;
    for (const TReturnWrite &write : writes)
        named << ReturnWriteText(write);
    const TChoice choice = m_messages->Ask(
        {.Title = QStringLiteral("Overrides active"),
         .Text =
             QStringLiteral("The board still runs with:\n%1\n\n\"Return to automatic\" writes:\n%2\n\n\"Leave them\" "
                            "writes nothing and leaves them on the board. Cancel writes nothing; the line "
                            "stays open.")
                 .arg(ActiveOverrides().join(QLatin1Char('\n')), named.join(QLatin1Char('\n'))),
         .GoText = QStringLiteral("Return to automatic"),
         .OtherText = QStringLiteral("Leave them"),
         .Default = TChoice::Cancel});
    if (choice == TChoice::Cancel)
        return;
    if (choice == TChoice::Other) {
        leave();
        return;
    }
    // Leave once every write has its outcome; a write taken shows on its page.
    auto pending = std::make_shared<size_t>(writes.size());
    const auto done = [pending, leave] {
        if (--*pending == 0)
            leave();
    };
    for (TReturnWrite &write : writes) {
        Session().WriteSingle(write.Address, write.Value,
                              {.OnReply =
                                   [taken = std::move(write.Taken), done](const TModbusAnswer &) {
                                       taken();
                                       done();
                                   },
                               .OnRefused = [done](const TModbusAnswer &) { done(); },
                               .OnFailed = done,
                               .Cause = TWriteCause::Command,
                               .What = write.What});
    }
}

void TForm1::WirePoll()
{
    ShowPollIn(*m_poll, *m_liveColumn, {*InputsOutputsTabSheet, *StopTabSheet, *ControlTabSheet});
    connect(m_poll, &TPoll::StatusBlockRead, m_leftColumn,
            [this](const live::StatusBlock &block) { m_leftColumn->ShowRunning(block.Running); });
    connect(m_poll, &TPoll::LiveLost, this, &TForm1::ShowLiveLost);
    connect(m_poll, &TPoll::LiveBack, this, &TForm1::ShowLiveBack);
    connect(&m_model.Line(), &TBoardLine::StateChanged, this, &TForm1::ShowLineState);
    // What a connected board's firmware may lack stays off until a version read shows it has it;
    // with no board everything is on.
    m_firmware = new TFirmwareGate(*this);
    m_firmware->ShowOffline();
    connect(m_poll, &TPoll::VersionRead, m_firmware,
            [this](const live::VersionBlock &block) { m_firmware->Show(block); });
    // What the Timers page set is read back into the status bar.
    connect(TimersTabSheet, &TTimersPage::IdentificationWritten, m_poll, &TPoll::ReadVersion);
    connect(TimersTabSheet, &TTimersPage::SeriesWritten, m_poll, &TPoll::ReadSeries);
}
