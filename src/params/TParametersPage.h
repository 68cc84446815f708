// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigChains.h"
#include "config/ConfigItem.h"
#include "widgets/TPage.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TReportReader;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
struct TLiveState;
struct TReportAsk;
struct TReportData;

// The "Parameters" page: moving whole configurations between the board, the window and
// configuration files, with a log of what was done and the progress of a transfer.
class TParametersPage : public TPage
{
    Q_OBJECT

public:
    // The context's table shows and takes the images; live tells whether the board's firmware
    // has the extended item set.
    TParametersPage(TPageContext &context, TConfigImages &images, const TLiveState &live, QWidget *parent = nullptr);
    ~TParametersPage() override;

    // Save: the board (or, offline, the window) to a configuration file.
    void SaveButtonClick();
    // Load: a configuration file to the board (when connected) and the window.
    void LoadButtonClick();
    // Verify: the board against the configuration file read last.
    void VerifyButtonClick();
    // Compare: the board against a configuration file.
    void CompareButtonClick();
    // "Report...": the board's commissioning report to a PDF or HTML file (report/).
    void ReportButtonClick();

    // Without a usable definition file the four buttons stay disabled: there is nothing to
    // transfer and a save would write an empty or wrong file.
    void SetDefinitionUsable(bool usable);

    // Reads the board's firmware version for a transfer that waits for it: done gets an empty
    // text once the live state knows it, else why it could not be read. Set by the main window.
    std::function<void(std::function<void(const QString &failure)> done)> ReadVersion;

    // Whether a Load, Save, Verify or Compare of the board runs (from its start to its end,
    // question included).
    bool TransferRunning() const { return m_transfer != TTransfer::None; }
    // Whether the running transfer was asked to stop and ends at its next step.
    bool TransferStopping() const { return m_stopping; }
    // What the running transfer is doing, in a sentence for the user.
    QString RunningTransfer() const;
    // Ends the running transfer once the request on the line has its outcome (the memo says what
    // a Load wrote), then runs then; with no transfer running, runs then at once.
    void StopTransfer(std::function<void()> then);

    TConfigChains &Chains() { return m_chains; }

    // " History "
    QPushButton *SaveButton;
    QPushButton *LoadButton;
    QPushButton *VerifyButton;
    QPushButton *CompareButton;
    QPushButton *ReportButton;
    QPlainTextEdit *ParametersMemo;
    QProgressBar *WritedxfProgressBar;  // 0 .. 100, shown as a percentage

private:
    enum class TTransfer { None, Save, Load, Verify, Compare, Report };

    void Log(const QString &line);
    void EnableButtons(bool enabled);
    // A transfer of the board begins: the buttons off, the bar at 0.
    void Begin(TTransfer transfer);
    // The transfer (or an offline Save or Load) has done what it was asked: "Save done, 140 items"
    // with outcome after it, the bar at 100, and the running transfer ended.
    void Done(const QString &what, qsizetype items, const QString &outcome = QStringLiteral("."));
    // The running transfer has ended, one way or another: the buttons back, the bar at progress; then,
    // once the client's closure that ended it is done, the message of a Load that stopped early
    // (when there is one) and what StopTransfer left to run.
    void End(const QStringList &message = {}, int progress = 0);
    // Runs start once the board's firmware version is known (it decides the walk), reading it
    // first when it is not; a version that cannot be read ends the transfer, saying why.
    void WithVersion(std::function<void()> start);
    // The running transfer ends here when StopTransfer asked it to; true if so.
    bool StoppedHere();
    // The transfer ends as StopTransfer asked, saying what a Load wrote.
    void EndStopped();
    // Verify's or Compare's verdict (what names which): every differing register, then the count.
    void CompareImages(const QString &what);
    // One memo line with the requests the chain sent again, when there were any.
    void LogRepeats();
    // Writes BoardImage to the file, or says why it could not; true when written. The file written
    // is then the one Verify compares with, when verifyAgainstIt.
    bool SaveFile(const QString &fileName, bool verifyAgainstIt = true);
    // Load, asked first: the board's configuration as read (the items the Load walks) to saveName,
    // never over loadName; false, said in the memo and a message, when it was not saved.
    bool SaveBoardFirst(const QString &saveName, const QString &loadName);
    // Asks for a configuration file in a dialog titled title; empty when cancelled or gone.
    QString ChooseFile(const QString &title);
    // Reads fileName into FileImage for the board's walk of a Load or a Compare (as the memo names
    // it); false, said in the memo and a message, when it is refused.
    bool ReadFile(const QString &fileName, TTransfer transfer);
    // Load, the board read: asks whether to write the items of the file that differ from it (or
    // all), naming the file, the board, every differing value on both sides and the values outside
    // their edits' limits, and offering to save the board's configuration first; then writes.
    void AskAndWrite(const QString &fileName);
    void WriteItems(std::vector<qint32> items);
    // The report's reading ended: the document written, or why not.
    void ReportRead(const TReportAsk &ask, const QString &failure);

    TConfigImages &m_images;
    const TLiveState &m_live;
    TConfigChains m_chains;
    bool m_definitionUsable = true;
    TTransfer m_transfer = TTransfer::None;
    int m_run = 0;                     // counts transfers, so that an answer for an ended one is ignored
    bool m_writing = false;            // the running transfer is a Load writing the board
    bool m_stopping = false;           // StopTransfer was asked; the transfer ends at its next step
    std::function<void()> m_afterEnd;  // what StopTransfer left to run once the transfer ended
    QStringList m_stopped;             // why a Load stopped early at a refused write, and what it left
    std::unique_ptr<TReportReader> m_reportReader;
    std::unique_ptr<TReportData> m_report;  // what the running report has read
};
